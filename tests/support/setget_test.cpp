// SetGet, sameText, equals and Utils::findPos against the real OLE Automation arrays.
#include <windows.h>
#include <oleauto.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "support/Raii.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Trace.h"
#include "support/Utils.h"
#include "tests/common/MessageSink.h"

using support::Bstr;
using support::SetGet;
using support::Variant;

namespace {

const bool g_named = support::setModuleName("test_setget");

constexpr char kTitle[] = "Brellan ORVEX CAPE-OPEN";
constexpr char kBeyond1st[] = " ERROR: Getting a safearray value at a position higher than array bounds of 1st dim";
constexpr char kBeyond2nd[] = " ERROR: Getting a safearray value at a position higher than array bounds of 2nd dim";

// What the trace file gained since construction.
class TraceProbe {
 public:
  TraceProbe() : m_path(support::traceFilePath()), m_start(size()) {}
  std::string added() const {
    std::string all = contents();
    return all.size() > m_start ? all.substr(m_start) : std::string();
  }

 private:
  std::string contents() const {
    std::string data;
    FILE* f = _wfopen(support::widen(m_path).c_str(), L"r");  // text mode, as written
    if (!f) return data;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) data.append(chunk, n);
    fclose(f);
    return data;
  }
  size_t size() const { return contents().size(); }

  std::string m_path;
  size_t m_start;
};

class SetGetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_named);
    test_sink::clearBoxes();
  }

  // Exactly one box, captioned with the library title, system-modal without owner.
  static void expectBox(const std::string& text) {
    const auto boxes = test_sink::narrowBoxes();
    test_sink::clearBoxes();
    ASSERT_EQ(1u, boxes.size()) << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_EQ(text, boxes[0].text);
    EXPECT_EQ(kTitle, boxes[0].caption);
    EXPECT_EQ(unsigned(MB_OK | MB_SYSTEMMODAL), boxes[0].flags);
    EXPECT_EQ(nullptr, boxes[0].owner);
  }
  static void expectNoBox() {
    const auto boxes = test_sink::narrowBoxes();
    test_sink::clearBoxes();
    EXPECT_TRUE(boxes.empty()) << boxes[0].text;
  }
  // One trace line: "<date> <time>: test_setget: " + text + "\n".
  static void expectTraced(const TraceProbe& probe, const std::string& text) {
    const std::string line = probe.added();
    const std::string tail = ": test_setget: " + text + "\n";
    ASSERT_GE(line.size(), tail.size()) << line;
    EXPECT_EQ(tail, line.substr(line.size() - tail.size()));
    EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
  }
};

// ---- helpers building arrays ----

Variant doubles(const std::vector<double>& values, long lb = 0) {
  Variant v;
  EXPECT_EQ(S_OK, SetGet::Create(v.get(), VT_R8, static_cast<long>(values.size()), lb));
  for (size_t k = 0; k < values.size(); ++k)
    EXPECT_TRUE(SetGet::putDouble(v.get(), lb + static_cast<long>(k), values[k]));
  return v;
}

Variant strings(const std::vector<std::wstring>& values, long lb = 0) {
  Variant v;
  EXPECT_EQ(S_OK, SetGet::Create(v.get(), VT_BSTR, static_cast<long>(values.size()), lb));
  for (size_t k = 0; k < values.size(); ++k)
    SetGet::putString(v.get(), lb + static_cast<long>(k), SysAllocString(values[k].c_str()));
  return v;
}

// A VARIANT holding an array that SetGet does not make (VT_BOOL, VT_I2).
Variant foreignVector(VARTYPE vt, ULONG count) {
  Variant v;
  v.get().parray = SafeArrayCreateVector(vt, 0, count);
  v.get().vt = VT_ARRAY | vt;
  return v;
}

Variant scalar(double value) {
  Variant v;
  v.get().vt = VT_R8;
  v.get().dblVal = value;
  return v;
}

Variant scalarText(const wchar_t* text) {
  Variant v;
  v.get().vt = VT_BSTR;
  v.get().bstrVal = SysAllocString(text);
  return v;
}

std::wstring textOf(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

// ======================= layout =======================

TEST_F(SetGetTest, ElementSizesAndBoolIsABug) {
  EXPECT_EQ(4, SetGet::sizeOf(VT_I4));
  EXPECT_EQ(8, SetGet::sizeOf(VT_R8));
  EXPECT_EQ(8, SetGet::sizeOf(VT_BSTR));
  EXPECT_EQ(24, SetGet::sizeOf(VT_VARIANT));
  expectNoBox();

  TraceProbe probe;
  EXPECT_EQ(-1, SetGet::sizeOf(VT_BOOL));
  expectBox("sizeOf:  ERROR: Bug in SetGet");
  expectTraced(probe, "sizeOf:  ERROR: Bug in SetGet");
}

TEST_F(SetGetTest, IsArrayOnlyForTheFourArrayTypes) {
  Variant r8 = doubles({1});
  EXPECT_TRUE(SetGet::isArray(r8.get()));
  for (VARTYPE vt : {VT_I4, VT_BSTR, VT_VARIANT}) {
    Variant v;
    SetGet::Create(v.get(), vt, 1);
    EXPECT_TRUE(SetGet::isArray(v.get())) << vt;
  }
  EXPECT_FALSE(SetGet::isArray(foreignVector(VT_BOOL, 1).get()));
  EXPECT_FALSE(SetGet::isArray(foreignVector(VT_I2, 1).get()));
  EXPECT_FALSE(SetGet::isArray(scalar(1).get()));
  EXPECT_FALSE(SetGet::isArray(Variant().get()));
}

TEST_F(SetGetTest, BoundsOfEmptyOffsetAndTwoDimensionalArrays) {
  Variant empty;
  EXPECT_EQ(0, SetGet::elementCount(empty.get()));
  EXPECT_EQ(0, SetGet::dimCount(empty.get()));
  EXPECT_EQ(0, SetGet::lbound(empty.get()));
  EXPECT_EQ(-1, SetGet::ubound(empty.get()));

  Variant offset = doubles({1, 2, 3}, 5);
  EXPECT_EQ(5, SetGet::lbound(offset.get()));
  EXPECT_EQ(7, SetGet::ubound(offset.get()));
  EXPECT_EQ(3, SetGet::elementCount(offset.get()));
  EXPECT_EQ(1, SetGet::dimCount(offset.get()));

  // The first dimension is the platform's dimension 1.
  Variant grid;
  ASSERT_EQ(S_OK, SetGet::Create(grid.get(), VT_R8, 2, 0, 4, 3));
  LONG lb = -1, ub = -1;
  SafeArrayGetLBound(grid.get().parray, 1, &lb);
  SafeArrayGetUBound(grid.get().parray, 1, &ub);
  EXPECT_EQ(lb, SetGet::lbound(grid.get()));
  EXPECT_EQ(ub, SetGet::ubound(grid.get()));
  EXPECT_EQ(2, SetGet::elementCount(grid.get()));
  EXPECT_EQ(2, SetGet::dimCount(grid.get()));
  expectNoBox();
}

// ======================= creation =======================

TEST_F(SetGetTest, CreateKeepsAMatchingArrayWithItsValues) {
  Variant v = doubles({1.5, 2.5}, 3);
  SAFEARRAY* before = v.get().parray;
  ASSERT_EQ(S_OK, SetGet::Create(v.get(), VT_R8, 2, 3));
  EXPECT_EQ(before, v.get().parray);
  EXPECT_EQ(1.5, SetGet::getDouble(v.get(), 3));
  EXPECT_EQ(2.5, SetGet::getDouble(v.get(), 4));

  // The type may carry VT_ARRAY.
  ASSERT_EQ(S_OK, SetGet::Create(v.get(), VT_ARRAY | VT_R8, 2, 3));
  EXPECT_EQ(2.5, SetGet::getDouble(v.get(), 4));
  ASSERT_EQ(S_OK, SetGet::CreateReuse(v.get(), VT_R8, 2));  // lower bound 0 differs
  EXPECT_EQ(0, SetGet::lbound(v.get()));
  EXPECT_EQ(0.0, SetGet::getDouble(v.get(), 1));
  SetGet::putDouble(v.get(), 1, 7);
  ASSERT_EQ(S_OK, SetGet::CreateReuse(v.get(), VT_R8, 2));
  EXPECT_EQ(7.0, SetGet::getDouble(v.get(), 1));
  expectNoBox();
}

TEST_F(SetGetTest, CreateMakesAFreshArrayForOtherLengthBoundOrType) {
  struct Case {
    VARTYPE vt;
    long len;
    long lb;
  } cases[] = {{VT_R8, 3, 0}, {VT_R8, 2, 1}, {VT_I4, 2, 0}};
  for (const Case& c : cases) {
    Variant v = doubles({4, 5});
    ASSERT_EQ(S_OK, SetGet::Create(v.get(), c.vt, c.len, c.lb));
    EXPECT_EQ(VT_ARRAY | c.vt, v.get().vt);
    EXPECT_EQ(c.lb, SetGet::lbound(v.get()));
    EXPECT_EQ(c.len, SetGet::elementCount(v.get()));
    const SAFEARRAY* sa = v.get().parray;
    const std::vector<char> zeros(sa->cbElements * sa->rgsabound[0].cElements, 0);
    EXPECT_EQ(0, std::memcmp(zeros.data(), sa->pvData, zeros.size())) << "old contents kept";
  }
  Variant text = scalarText(L"replaced");
  ASSERT_EQ(S_OK, SetGet::Create(text.get(), VT_BSTR, 1));
  EXPECT_EQ(VT_ARRAY | VT_BSTR, text.get().vt);
  EXPECT_EQ(nullptr, SetGet::getString(text.get(), 0));
  expectNoBox();
}

TEST_F(SetGetTest, CreateTwoDimensionsStartsTheFirstAtZeroAndKeepsOnlyTheSameShape) {
  Variant v;
  ASSERT_EQ(S_OK, SetGet::Create(v.get(), VT_R8, 2, 9, 3, 4));
  LONG lb1, ub1, lb2, ub2;
  SafeArrayGetLBound(v.get().parray, 1, &lb1);
  SafeArrayGetUBound(v.get().parray, 1, &ub1);
  SafeArrayGetLBound(v.get().parray, 2, &lb2);
  SafeArrayGetUBound(v.get().parray, 2, &ub2);
  EXPECT_EQ(0, lb1);
  EXPECT_EQ(1, ub1);
  EXPECT_EQ(4, lb2);
  EXPECT_EQ(6, ub2);

  ASSERT_TRUE(SetGet::putDouble(v.get(), 1, 6, 8.0));
  SAFEARRAY* before = v.get().parray;
  ASSERT_EQ(S_OK, SetGet::Create(v.get(), VT_R8, 2, 0, 3, 4));
  EXPECT_EQ(before, v.get().parray);
  EXPECT_EQ(8.0, SetGet::getDouble(v.get(), 1, 6));

  // Same first dimension, other second dimension: a fresh array of the asked shape.
  ASSERT_EQ(S_OK, SetGet::Create(v.get(), VT_R8, 2, 0, 5, 4));
  SafeArrayGetUBound(v.get().parray, 2, &ub2);
  EXPECT_EQ(8, ub2);
  EXPECT_EQ(0.0, SetGet::getDouble(v.get(), 1, 6));

  // A one-dimensional array of the first length is not a two-dimensional one.
  Variant flat = doubles({1, 2});
  ASSERT_EQ(S_OK, SetGet::Create(flat.get(), VT_R8, 2, 0, 3, 0));
  EXPECT_EQ(2, SetGet::dimCount(flat.get()));
  expectNoBox();
}

TEST_F(SetGetTest, CreateReportsAFailingClearAndStillCreates) {
  struct Case {
    bool reuse;
    const char* text;
  } cases[] = {{false, " ERROR: void SetGet::Create(VARIANT &var, VARTYPE vt, long len)"},
               {true, " ERROR: void SetGet::CreateReuse(VARIANT &var, VARTYPE vt, long len)"}};
  for (const Case& c : cases) {
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x0FFF;  // no such type: VariantClear refuses it
    ASSERT_TRUE(FAILED(VariantClear(&bad)));
    TraceProbe probe;
    ASSERT_EQ(S_OK, c.reuse ? SetGet::CreateReuse(bad, VT_I4, 2) : SetGet::Create(bad, VT_I4, 2));
    expectBox(c.text);
    expectTraced(probe, c.text);
    EXPECT_EQ(VT_ARRAY | VT_I4, bad.vt);
    EXPECT_EQ(2, SetGet::elementCount(bad));
    VariantClear(&bad);
  }
}

TEST_F(SetGetTest, CreateRefusesTypesItDoesNotMake) {
  Variant v = doubles({1});
  EXPECT_EQ(E_FAIL, SetGet::Create(v.get(), VT_BOOL, 1));
  expectBox("sizeOf:  ERROR: Bug in SetGet");
  EXPECT_EQ(VT_ARRAY | VT_R8, v.get().vt);
  EXPECT_EQ(E_INVALIDARG, SetGet::Create(v.get(), VT_R8, -1));
  EXPECT_EQ(1.0, SetGet::getDouble(v.get(), 0));
}

TEST_F(SetGetTest, CreateFromBufferCopiesOrMovesContents) {
  const double values[] = {1, 2, 3};
  Variant numbers;
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(numbers.get(), VT_R8, values, 3, true));
  EXPECT_EQ(3.0, SetGet::getDouble(numbers.get(), 2));
  const LONG ids[] = {7, -8};
  Variant longs;
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(longs.get(), VT_ARRAY | VT_I4, ids, 2, false));
  EXPECT_EQ(-8, SetGet::getLong(longs.get(), 1));

  Bstr a(L"alpha"), b(L"beta");
  const BSTR texts[] = {a.get(), b.get()};
  Variant copied;
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(copied.get(), VT_BSTR, texts, 2, true));
  EXPECT_NE(a.get(), SetGet::getString(copied.get(), 0));
  EXPECT_EQ(L"beta", textOf(SetGet::getString(copied.get(), 1)));

  Variant moved;
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(moved.get(), VT_BSTR, texts, 2, false));
  EXPECT_EQ(a.get(), SetGet::getString(moved.get(), 0));
  EXPECT_EQ(b.get(), SetGet::getString(moved.get(), 1));
  a.detach();  // the array owns them now
  b.detach();

  Variant inner[2];
  inner[0] = scalarText(L"inside");
  inner[1] = scalar(4.5);
  const VARIANT elements[] = {inner[0].get(), inner[1].get()};
  Variant nested;
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(nested.get(), VT_VARIANT, elements, 2, true));
  VARIANT first = SetGet::getVariant(nested.get(), 0);
  EXPECT_EQ(VT_BSTR, first.vt);
  EXPECT_NE(inner[0].get().bstrVal, first.bstrVal);
  EXPECT_EQ(L"inside", textOf(first.bstrVal));
  EXPECT_EQ(4.5, SetGet::getVariant(nested.get(), 1).dblVal);
  expectNoBox();
}

TEST_F(SetGetTest, CreateFromBufferMovingIntoAStringArrayOfThatLength) {
  Variant v = strings({L"old0", L"old1"});
  BSTR texts[] = {SysAllocString(L"new0"), SysAllocString(L"new1")};
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(v.get(), VT_BSTR, texts, 2, false));
  EXPECT_EQ(texts[0], SetGet::getString(v.get(), 0));
  EXPECT_EQ(L"new1", textOf(SetGet::getString(v.get(), 1)));
  EXPECT_EQ(2, SetGet::elementCount(v.get()));
  expectNoBox();
}

// ======================= typed access =======================

TEST_F(SetGetTest, OneDimensionalAccessUsesAbsoluteIndices) {
  Variant v = doubles({10, 20, 30}, -1);
  EXPECT_EQ(10.0, SetGet::getDouble(v.get(), -1));
  EXPECT_EQ(30.0, SetGet::getDouble(v.get(), 1));
  LONG index = 0;
  double platform = 0;
  SafeArrayGetElement(v.get().parray, &index, &platform);
  EXPECT_EQ(20.0, platform);

  Variant ids;
  SetGet::Create(ids.get(), VT_I4, 2, 1);
  LONG seven = 7;
  index = 2;
  SafeArrayPutElement(ids.get().parray, &index, &seven);
  EXPECT_EQ(7, SetGet::getLong(ids.get(), 2));

  Variant texts = strings({L"a", L"b"}, 4);
  BSTR mine = SysAllocString(L"mine");
  ASSERT_TRUE(SetGet::putString(texts.get(), 5, mine));
  SysFreeString(SetGet::getString(texts.get(), 4));
  SetGet::putString(texts.get(), 4, nullptr);
  EXPECT_EQ(mine, SetGet::getString(texts.get(), 5)) << "the pointer is stored, not a copy";
  expectNoBox();
}

TEST_F(SetGetTest, GetStringBeyondUboundReportsTheVartypeAndYieldsNull) {
  Variant v = strings({L"x", L"y"}, 1);
  for (long i : {3L, 0L}) {
    TraceProbe probe;
    EXPECT_EQ(nullptr, SetGet::getString(v.get(), i));
    expectBox(std::string("8200: ") + kBeyond1st);
    expectTraced(probe, std::string("8200: ") + kBeyond1st);
  }
}

TEST_F(SetGetTest, RefusedWritesChangeNothing) {
  Variant v = doubles({1, 2});
  EXPECT_FALSE(SetGet::putDouble(v.get(), 2, 9));
  expectBox(std::string("8197: ") + kBeyond1st);
  EXPECT_FALSE(SetGet::putDouble(v.get(), -1, 9));
  expectBox(std::string("8197: ") + kBeyond1st);
  EXPECT_EQ(2.0, SetGet::getDouble(v.get(), 1));

  Variant empty;
  EXPECT_TRUE(std::isnan(SetGet::getDouble(empty.get(), 0)));
  expectBox(std::string("0: ") + kBeyond1st);
  EXPECT_FALSE(SetGet::putString(empty.get(), 0, nullptr));
  expectBox(std::string("0: ") + kBeyond1st);
}

TEST_F(SetGetTest, TypedAccessRefusesAnotherElementTypeOrMoreDimensions) {
  Variant ids;
  SetGet::Create(ids.get(), VT_I4, 2);
  EXPECT_TRUE(std::isnan(SetGet::getDouble(ids.get(), 0)));
  expectBox("getDouble:  ERROR: Bug in SetGet");
  EXPECT_EQ(nullptr, SetGet::getString(ids.get(), 0));
  expectBox("getString:  ERROR: Bug in SetGet");
  EXPECT_FALSE(SetGet::putDouble(ids.get(), 0, 1.0));
  expectBox("putDouble:  ERROR: Bug in SetGet");

  Variant grid;
  SetGet::Create(grid.get(), VT_R8, 2, 0, 2);
  TraceProbe probe;
  SetGet::getDouble(grid.get(), 0);
  expectBox("getDouble:  ERROR: Only 1 dimension arrays are supported");
  expectTraced(probe, "getDouble:  ERROR: Only 1 dimension arrays are supported");
}

TEST_F(SetGetTest, TwoDimensionalAccessFollowsThePlatformsIndexOrder) {
  Variant v;
  ASSERT_EQ(S_OK, SetGet::Create(v.get(), VT_R8, 3, 0, 2, 5));
  for (long i = 0; i < 3; ++i)
    for (long j = 5; j < 7; ++j) ASSERT_TRUE(SetGet::putDouble(v.get(), i, j, 10.0 * i + j));
  LONG indices[2] = {2, 6};
  double platform = 0;
  ASSERT_EQ(S_OK, SafeArrayGetElement(v.get().parray, indices, &platform));
  EXPECT_EQ(26.0, platform);
  EXPECT_EQ(15.0, SetGet::getDouble(v.get(), 1, 5));
  // Dimension 1 varies fastest in the data.
  EXPECT_EQ(15.0, static_cast<double*>(v.get().parray->pvData)[1]);

  Variant ids;
  SetGet::Create(ids.get(), VT_I4, 2, 0, 2);
  LONG seven = 7;
  LONG at[2] = {1, 0};
  SafeArrayPutElement(ids.get().parray, at, &seven);
  EXPECT_EQ(7, SetGet::getLong(ids.get(), 1, 0));
  expectNoBox();
}

TEST_F(SetGetTest, TwoDimensionalBoundMessagesNameTheDimension) {
  Variant v;
  SetGet::Create(v.get(), VT_R8, 2, 0, 3, 1);
  TraceProbe probe;
  EXPECT_TRUE(std::isnan(SetGet::getDouble(v.get(), 2, 1)));
  expectBox(std::string("8197: ") + kBeyond1st);
  EXPECT_FALSE(SetGet::putDouble(v.get(), 1, 0, 1.0));
  expectBox(std::string("8197: ") + kBeyond2nd);
  const std::string lines = probe.added();
  EXPECT_NE(std::string::npos, lines.find(std::string("8197: ") + kBeyond1st + "\n"));
  EXPECT_NE(std::string::npos, lines.find(std::string("8197: ") + kBeyond2nd + "\n"));

  Variant flat = strings({L"a"});
  EXPECT_EQ(nullptr, SetGet::getString(flat.get(), 0, 0));
  expectBox(std::string("8200: ") + kBeyond2nd);
}

TEST_F(SetGetTest, TwoDimensionalStringsAndVariantsAreTheArraysOwn) {
  Variant v;
  SetGet::Create(v.get(), VT_BSTR, 2, 0, 2);
  BSTR s = SysAllocString(L"cell");
  ASSERT_TRUE(SetGet::putString(v.get(), 1, 1, s));
  LONG indices[2] = {1, 1};
  void* slot = nullptr;
  SafeArrayPtrOfIndex(v.get().parray, indices, &slot);
  EXPECT_EQ(s, *static_cast<BSTR*>(slot));
  EXPECT_EQ(s, SetGet::getString(v.get(), 1, 1));

  Variant items;
  SetGet::Create(items.get(), VT_VARIANT, 1, 0, 2);
  LONG at[2] = {0, 1};
  Variant text = scalarText(L"deep");
  SafeArrayPutElement(items.get().parray, at, &text.get());
  VARIANT* held = nullptr;
  SafeArrayPtrOfIndex(items.get().parray, at, reinterpret_cast<void**>(&held));
  VARIANT got = SetGet::getVariant(items.get(), 0, 1);
  EXPECT_EQ(VT_BSTR, got.vt);
  EXPECT_EQ(held->bstrVal, got.bstrVal);
  expectNoBox();
}

TEST_F(SetGetTest, PutBoolWritesVariantBools) {
  Variant flags = foreignVector(VT_BOOL, 2);
  ASSERT_TRUE(SetGet::putBool(flags.get(), 0, true));
  ASSERT_TRUE(SetGet::putBool(flags.get(), 1, false));
  VARIANT_BOOL raw[2];
  std::memcpy(raw, flags.get().parray->pvData, sizeof raw);
  EXPECT_EQ(VARIANT_TRUE, raw[0]);
  EXPECT_EQ(VARIANT_FALSE, raw[1]);

  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  Variant grid;
  grid.get().parray = SafeArrayCreate(VT_BOOL, 2, bounds);
  grid.get().vt = VT_ARRAY | VT_BOOL;
  ASSERT_TRUE(SetGet::putBool(grid.get(), 1, 0, true));
  LONG at[2] = {1, 0};
  VARIANT_BOOL got = 0;
  SafeArrayGetElement(grid.get().parray, at, &got);
  EXPECT_EQ(VARIANT_TRUE, got);
  EXPECT_FALSE(SetGet::putBool(grid.get(), 0, 2, true));
  expectBox(std::string("8203: ") + kBeyond2nd);
}

// ======================= raw access =======================

TEST_F(SetGetTest, NoCopyItemGetMovesEachTypesWidth) {
  const LONG longs[] = {1, 2, 3};
  LONG l = 0;
  ASSERT_TRUE(SetGet::noCopyItemGet(VT_I4, longs, 6, &l, 5));
  EXPECT_EQ(2, l);
  const double reals[] = {1.5, 2.5};
  double d = 0;
  ASSERT_TRUE(SetGet::noCopyItemGet(VT_ARRAY | VT_R8, reals, 1, &d));
  EXPECT_EQ(2.5, d);
  const VARIANT_BOOL bools[] = {VARIANT_FALSE, VARIANT_TRUE, VARIANT_FALSE};
  VARIANT_BOOL b[2] = {0, 0x55};
  ASSERT_TRUE(SetGet::noCopyItemGet(VT_BOOL, bools, 1, &b[0]));
  EXPECT_EQ(VARIANT_TRUE, b[0]);
  EXPECT_EQ(0x55, b[1]) << "two bytes only";
  Bstr text(L"t");
  const BSTR texts[] = {nullptr, text.get()};
  BSTR s = nullptr;
  ASSERT_TRUE(SetGet::noCopyItemGet(VT_BSTR, texts, 1, &s));
  EXPECT_EQ(text.get(), s);
  VARIANT items[2];
  VariantInit(&items[0]);
  items[1].vt = VT_I4;
  items[1].lVal = 42;
  VARIANT item;
  ASSERT_TRUE(SetGet::noCopyItemGet(VT_VARIANT, items, 1, &item));
  EXPECT_EQ(VT_I4, item.vt);
  EXPECT_EQ(42, item.lVal);
  expectNoBox();

  SHORT shorts[] = {1};
  SHORT out = 9;
  TraceProbe probe;
  EXPECT_FALSE(SetGet::noCopyItemGet(VT_I2, shorts, 0, &out));
  EXPECT_EQ(9, out);
  expectBox(" ERROR: bad VT in noCopyItemGet");
  expectTraced(probe, " ERROR: bad VT in noCopyItemGet");
}

TEST_F(SetGetTest, NoCopyOnTwoDimensionsReportsAndStillUsesTheFirstDimension) {
  Variant grid;
  SetGet::Create(grid.get(), VT_R8, 2, 0, 2);
  static_cast<double*>(grid.get().parray->pvData)[1] = 3.5;
  double d = 0;
  EXPECT_TRUE(SetGet::noCopyVariantGetV(grid.get(), 1, d));
  EXPECT_EQ(3.5, d);
  expectBox("noCopyVariantGetV:  ERROR: Only 1 dimension arrays are supported");
  EXPECT_TRUE(SetGet::noCopyVariantPutV(grid.get(), 0, 4.5));
  expectBox("noCopyVariantPutV:  ERROR: Only 1 dimension arrays are supported");
  EXPECT_EQ(4.5, static_cast<double*>(grid.get().parray->pvData)[0]);
}

TEST_F(SetGetTest, NoCopyPutVStoresRawBitsAndRefusesBadTypes) {
  Variant texts;
  SetGet::Create(texts.get(), VT_BSTR, 2, 1);
  BSTR s = SysAllocString(L"owned by the array");
  ASSERT_TRUE(SetGet::noCopyVariantPutV(texts.get(), 2, s));
  EXPECT_EQ(s, SetGet::getString(texts.get(), 2));

  Variant flags = foreignVector(VT_BOOL, 1);
  VARIANT_BOOL yes = VARIANT_TRUE, got = 0;
  ASSERT_TRUE(SetGet::noCopyVariantPutV(VT_BOOL, flags.get(), 0, &yes));
  ASSERT_TRUE(SetGet::noCopyVariantGetV(VT_BOOL, flags.get(), 0, &got));
  EXPECT_EQ(VARIANT_TRUE, got);
  expectNoBox();

  Variant shorts = foreignVector(VT_I2, 1);
  SHORT one = 1;
  TraceProbe probe;
  EXPECT_FALSE(SetGet::noCopyVariantPutV(VT_I2, shorts.get(), 0, &one));
  expectBox(" ERROR: bad VT in noCopyVariantPutV");
  expectTraced(probe, " ERROR: bad VT in noCopyVariantPutV");
}

TEST_F(SetGetTest, NoCopyRefusesPositionsOutsideAndForeignTypes) {
  Variant v = doubles({1, 2}, 1);
  double d = -1;
  EXPECT_FALSE(SetGet::noCopyVariantGetV(v.get(), 3, d));
  expectBox(std::string("8197: ") + kBeyond1st);
  EXPECT_FALSE(SetGet::noCopyVariantPutV(v.get(), 0, 5.0));
  expectBox(std::string("8197: ") + kBeyond1st);
  BSTR s = nullptr;
  EXPECT_FALSE(SetGet::noCopyVariantGetV(v.get(), 1, s)) << "a double is no string pointer";
  expectBox(" ERROR: bad VT in noCopyVariantGetV");
  EXPECT_EQ(-1.0, d);
}

TEST_F(SetGetTest, NextItemIteratesFromLboundAndNotOverEmpty) {
  Variant v = strings({L"a", L"b", L"c"}, 3);
  std::wstring seen;
  BSTR s = nullptr;
  long i = SetGet::lbound(v.get());
  for (; SetGet::nextItem(v.get(), i, s); ++i) seen += textOf(s);
  EXPECT_EQ(L"abc", seen);
  EXPECT_EQ(6, i);

  Variant empty;
  double d;
  EXPECT_FALSE(SetGet::nextItem(empty.get(), SetGet::lbound(empty.get()), d));
  VARIANT item;
  Variant none;
  SetGet::Create(none.get(), VT_VARIANT, 0);
  EXPECT_FALSE(SetGet::nextItem(none.get(), 0, item));
  expectNoBox();
}

// ======================= Addcore =======================

TEST_F(SetGetTest, AddcoreOnEmptyMakesAOneElementArray) {
  Variant v;
  EXPECT_EQ(0, SetGet::Addcore(v.get(), scalar(2.5).get()));
  EXPECT_EQ(VT_ARRAY | VT_R8, v.get().vt);
  EXPECT_EQ(1, SetGet::elementCount(v.get()));
  EXPECT_EQ(2.5, SetGet::getDouble(v.get(), 0));

  Variant texts;
  Variant value = scalarText(L"first");
  EXPECT_EQ(0, SetGet::Addcore(texts.get(), value.get()));
  EXPECT_EQ(VT_ARRAY | VT_BSTR, texts.get().vt);
  EXPECT_NE(value.get().bstrVal, SetGet::getString(texts.get(), 0)) << "the value is copied";
  EXPECT_EQ(L"first", textOf(SetGet::getString(texts.get(), 0)));

  Variant items;
  Variant flag;
  flag.get().vt = VT_BOOL;
  flag.get().boolVal = VARIANT_TRUE;
  EXPECT_EQ(0, SetGet::Addcore(items.get(), flag.get()));
  EXPECT_EQ(VT_ARRAY | VT_VARIANT, items.get().vt);
  EXPECT_EQ(VT_BOOL, SetGet::getVariant(items.get(), 0).vt);
  expectNoBox();
}

TEST_F(SetGetTest, AddcoreMovesStringsWithoutFreeingThemTwice) {
  Variant v = strings({L"zero", L"one"}, 2);
  const BSTR zero = SetGet::getString(v.get(), 2);
  const BSTR one = SetGet::getString(v.get(), 3);
  EXPECT_EQ(2, SetGet::Addcore(v.get(), scalarText(L"two").get()));
  EXPECT_EQ(0, SetGet::lbound(v.get()));
  ASSERT_EQ(3, SetGet::elementCount(v.get()));
  EXPECT_EQ(zero, SetGet::getString(v.get(), 0));
  EXPECT_EQ(one, SetGet::getString(v.get(), 1));
  // Memory freed by mistake would be handed out again here and overwritten.
  std::vector<Bstr> churn;
  for (int k = 0; k < 64; ++k) churn.emplace_back(L"XXXX");
  EXPECT_EQ(L"zero", textOf(SetGet::getString(v.get(), 0)));
  EXPECT_EQ(L"one", textOf(SetGet::getString(v.get(), 1)));
  EXPECT_EQ(L"two", textOf(SetGet::getString(v.get(), 2)));

  Variant items;
  SetGet::Addcore(items.get(), scalarText(L"inner").get());  // a BSTR array
  Variant mixed;
  SetGet::Addcore(mixed.get(), items.get());
  SetGet::Addcore(mixed.get(), scalar(1).get());
  ASSERT_EQ(VT_ARRAY | VT_VARIANT, mixed.get().vt);
  VARIANT first = SetGet::getVariant(mixed.get(), 0);
  EXPECT_EQ(VT_ARRAY | VT_BSTR, first.vt);
  EXPECT_NE(items.get().parray, first.parray);
  EXPECT_EQ(L"inner", textOf(SetGet::getString(first, 0)));
  expectNoBox();
}

TEST_F(SetGetTest, AddcoreConvertsInsertsAndRefuses) {
  Variant v = doubles({1, 2}, 1);
  Variant three;
  three.get().vt = VT_I4;
  three.get().lVal = 3;
  EXPECT_EQ(1, SetGet::Addcore(v.get(), three.get(), 2));
  EXPECT_EQ(L"(1, 3, 2)", support::widen(SetGet::variantToStr(v.get())));

  Variant grid;
  SetGet::Create(grid.get(), VT_R8, 1, 0, 1);
  Variant number = scalar(1);
  SAFEARRAY* before = v.get().parray;
  EXPECT_EQ(-1, SetGet::Addcore(v.get(), number.get(), 5));
  EXPECT_EQ(-1, SetGet::Addcore(grid.get(), number.get()));
  EXPECT_EQ(-1, SetGet::Addcore(number.get(), number.get()));
  EXPECT_EQ(VT_R8, number.get().vt);
  EXPECT_EQ(-1, SetGet::Addcore(foreignVector(VT_BOOL, 1).get(), number.get()));
  EXPECT_THROW(SetGet::Addcore(v.get(), scalarText(L"not a number").get()), _com_error);
  EXPECT_EQ(before, v.get().parray);
  EXPECT_EQ(3, SetGet::elementCount(v.get()));
  expectNoBox();
}

// ======================= findPos =======================

bool startsWith(BSTR element, std::wstring_view text) {
  return element && SysStringLen(element) >= text.size() && std::wstring_view(element, text.size()) == text;
}

TEST_F(SetGetTest, FindPosMatchesCaseInsensitivelyAtAbsoluteIndices) {
  Variant v = strings({L"Vapor", L"Liquid", L"liquid"}, 1);
  EXPECT_EQ(2, support::Utils::findPos(v.get(), Bstr(L"LIQUID").get()));
  EXPECT_EQ(1, support::Utils::findPos(v.get(), Bstr(L"vapor").get()));
  EXPECT_EQ(-1, support::Utils::findPos(v.get(), Bstr(L"Solid").get()));
  EXPECT_EQ(-1, support::Utils::findPos(v.get(), Bstr(L"Liqui").get()));
  EXPECT_EQ(3, support::Utils::findPos(v.get(), Bstr(L"liq").get(), startsWith));
  EXPECT_EQ(-1, support::Utils::findPos(Variant().get(), Bstr(L"x").get()));
  EXPECT_EQ(2, support::Utils::findPos(v.get(), L"LIQUID")) << "a literal is looked for without a BSTR";
  expectNoBox();
}

TEST_F(SetGetTest, FindPosLooksForEmptyTextOnlyWhenAsked) {
  Variant v;
  SetGet::Create(v.get(), VT_BSTR, 3);
  SetGet::putString(v.get(), 0, SysAllocString(L"a"));
  SetGet::putString(v.get(), 2, SysAllocString(L""));  // element 1 stays null
  EXPECT_EQ(-1, support::Utils::findPos(v.get(), nullptr));
  EXPECT_EQ(-1, support::Utils::findPos(v.get(), Bstr(L"").get()));
  EXPECT_EQ(1, support::Utils::findPos(v.get(), nullptr, nullptr, true));
  EXPECT_EQ(1, support::Utils::findPos(v.get(), Bstr(L"").get(), nullptr, true));
  expectNoBox();

  TraceProbe probe;
  EXPECT_EQ(-1, support::Utils::findPos(v.get(), Bstr(L"a").get(), startsWith, true));
  const char* text = " ERROR: Utils::findPos error:If a not NULL function is passed, emptiesAreMatched cannot be true";
  expectBox(text);
  expectTraced(probe, text);
}

// ======================= equals =======================

TEST_F(SetGetTest, EqualsOnScalars) {
  using support::equals;
  EXPECT_TRUE(equals(Variant().get(), Variant().get()));
  EXPECT_TRUE(equals(scalar(1.5).get(), scalar(1.5).get()));
  EXPECT_FALSE(equals(scalar(1.5).get(), scalar(1.25).get()));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(equals(scalar(nan).get(), scalar(nan).get()));
  EXPECT_TRUE(equals(scalarText(L"Mixture").get(), scalarText(L"MIXTURE").get()));
  EXPECT_FALSE(equals(scalarText(L"Mixture").get(), scalarText(L"Pure").get()));
  Variant i2, i4, b1, b2;
  i2.get().vt = VT_I2;
  i2.get().iVal = 3;
  i4.get().vt = VT_I4;
  i4.get().lVal = 3;
  EXPECT_FALSE(equals(i2.get(), i4.get())) << "VARTYPEs differ";
  EXPECT_TRUE(equals(i4.get(), i4.get()));
  b1.get().vt = b2.get().vt = VT_BOOL;
  b1.get().boolVal = VARIANT_TRUE;
  b2.get().boolVal = VARIANT_FALSE;
  EXPECT_FALSE(equals(b1.get(), b2.get()));
  Variant date;
  date.get().vt = VT_DATE;
  date.get().date = 1;
  EXPECT_FALSE(equals(date.get(), date.get())) << "other types are unequal";
}

TEST_F(SetGetTest, EqualsOnArraysNestedAndWithACompareFunction) {
  using support::equals;
  EXPECT_TRUE(equals(doubles({1, 2}, 1).get(), doubles({1, 2}, 1).get()));
  EXPECT_FALSE(equals(doubles({1, 2}, 1).get(), doubles({1, 2}, 0).get()));
  EXPECT_FALSE(equals(doubles({1, 2}).get(), doubles({1, 2, 3}).get()));
  EXPECT_FALSE(equals(doubles({1, std::nan("")}).get(), doubles({1, std::nan("")}).get()));
  EXPECT_TRUE(equals(strings({L"a", L"B"}).get(), strings({L"A", L"b"}).get()));

  auto nested = [](double deep) {
    Variant inner = doubles({1, deep});
    Variant items;
    SetGet::Addcore(items.get(), Variant().get());
    SetGet::Addcore(items.get(), inner.get());
    SetGet::Addcore(items.get(), scalarText(L"Tag").get());
    return items;
  };
  EXPECT_TRUE(equals(nested(2).get(), nested(2).get()));
  EXPECT_FALSE(equals(nested(2).get(), nested(3).get()));

  auto anything = [](const VARIANT&, const VARIANT&) { return true; };
  EXPECT_TRUE(equals(doubles({1, 2}).get(), doubles({3, 4}).get(), anything));
  auto nothing = [](const VARIANT&, const VARIANT&) { return false; };
  EXPECT_FALSE(equals(nested(2).get(), nested(2).get(), nothing));
  EXPECT_FALSE(equals(foreignVector(VT_DATE, 1).get(), foreignVector(VT_DATE, 1).get()));
}

// ======================= fromStringList =======================

TEST_F(SetGetTest, FromStringListCopiesInListOrIndexOrder) {
  Variant v;
  ASSERT_EQ(S_OK, SetGet::fromStringList(v.get(), std::vector<std::string>{"enthalpy", "entropy", "Grüße"}));
  EXPECT_EQ(VT_ARRAY | VT_BSTR, v.get().vt);
  EXPECT_EQ(L"(enthalpy, entropy, Grüße)", support::widen(SetGet::variantToStr(v.get())));

  const std::vector<long> order{2, 0};
  ASSERT_EQ(S_OK, SetGet::fromStringList(v.get(), std::vector<std::wstring>{L"a", L"b", L"c"}, &order));
  EXPECT_EQ("(c, a)", SetGet::variantToStr(v.get()));

  // A kept array gets the new texts.
  SAFEARRAY* before = v.get().parray;
  ASSERT_EQ(S_OK, SetGet::fromStringList(v.get(), std::vector<std::string>{"x", ""}));
  EXPECT_EQ(before, v.get().parray);
  EXPECT_EQ("(x, )", SetGet::variantToStr(v.get()));
  expectNoBox();

  const std::vector<long> wrong{0, 5};
  EXPECT_EQ(E_FAIL, SetGet::fromStringList(v.get(), std::vector<std::string>{"only"}, &wrong));
  expectBox("fromStringList:  ERROR: Bug in SetGet");
  EXPECT_EQ(nullptr, SetGet::getString(v.get(), 1));
}

// ======================= texts =======================

std::string doubleText(double d, int precision = -1) { return SetGet::valueToStr(VT_R8, &d, precision); }

TEST_F(SetGetTest, ValueToStrForms) {
  EXPECT_EQ("0.333333333333333", doubleText(1.0 / 3));
  EXPECT_EQ("0.3", doubleText(0.1 + 0.2));
  EXPECT_EQ("2.5", doubleText(2.5));
  EXPECT_EQ("1234567", doubleText(1234567));
  EXPECT_EQ("1e+20", doubleText(1e20));
  EXPECT_EQ("1e-05", doubleText(1e-5));
  EXPECT_EQ("0.0001", doubleText(1e-4));
  EXPECT_EQ("1.23456789012346e+17", doubleText(123456789012345678.0));
  EXPECT_EQ("-32767", doubleText(-32767));
  EXPECT_EQ("3.14", doubleText(3.14159, 3));
  EXPECT_EQ("0.10000000000000001", doubleText(0.1, 17));
  EXPECT_EQ("1e+30", doubleText(1e30, 6));

  const LONG l = -42;
  const SHORT s = 7;
  const VARIANT_BOOL t = VARIANT_TRUE, f = VARIANT_FALSE;
  EXPECT_EQ("-42", SetGet::valueToStr(VT_I4, &l, -1));
  EXPECT_EQ("7", SetGet::valueToStr(VT_I2, &s, -1));
  EXPECT_EQ("-1", SetGet::valueToStr(VT_BOOL, &t, -1));
  EXPECT_EQ("0", SetGet::valueToStr(VT_BOOL, &f, -1));
  Bstr text(L"Grüße");
  const BSTR b = text.get();
  EXPECT_EQ("Gr\xC3\xBC\xC3\x9F" "e", SetGet::valueToStr(VT_BSTR, &b, -1));
  const BSTR none = nullptr;
  EXPECT_EQ("", SetGet::valueToStr(VT_BSTR, &none, -1));
}

TEST_F(SetGetTest, ScalarToStrForms) {
  EXPECT_EQ("<empty>", SetGet::scalarToStr(Variant().get()));
  EXPECT_EQ("3.142", SetGet::scalarToStr(scalar(3.14159265).get(), 4));
  EXPECT_EQ("3.14159265", SetGet::scalarToStr(scalar(3.14159265).get()));
  EXPECT_EQ("kvalues", SetGet::scalarToStr(scalarText(L"kvalues").get()));
  Variant i2;
  i2.get().vt = VT_I2;
  i2.get().iVal = -5;
  EXPECT_EQ("-5", SetGet::scalarToStr(i2.get(), 2));
  Variant date;
  date.get().vt = VT_DATE;
  EXPECT_EQ("", SetGet::scalarToStr(date.get()));
}

TEST_F(SetGetTest, BufferToStrJoinsValuesAfterThePrefix) {
  const double values[] = {0.5, 1.0 / 3, 2};
  EXPECT_EQ("x = 0.5, 0.333333, 2", SetGet::bufferToStr(VT_R8, values, 3, "x = ", 6));
  EXPECT_EQ("0.5|0.333|2", SetGet::bufferToStr(VT_R8, values, 3, nullptr, 3, "|"));
  EXPECT_EQ("p", SetGet::bufferToStr(VT_R8, values, 0, "p"));
  const VARIANT_BOOL flags[] = {VARIANT_TRUE, VARIANT_FALSE};
  EXPECT_EQ("-1, 0", SetGet::bufferToStr(VT_BOOL, flags, 2));
  const std::wstring longText(300, L'w');
  Bstr a(longText.c_str()), b(L"b");
  const BSTR texts[] = {a.get(), b.get()};
  EXPECT_EQ(std::string(300, 'w') + ", b", SetGet::bufferToStr(VT_BSTR, texts, 2));
  expectNoBox();

  EXPECT_EQ("d=", SetGet::bufferToStr(VT_DATE, values, 3, "d="));
  expectBox("sizeOf:  ERROR: Bug in SetGet");
}

TEST_F(SetGetTest, VariantToStrOfOneDimension) {
  Variant v = doubles({1, 2.5, 3});
  EXPECT_EQ("(1, 2.5, 3)", SetGet::variantToStr(v.get()));
  EXPECT_EQ("1, 2.5, 3", SetGet::variantToStr(v.get(), nullptr, true));
  EXPECT_EQ("(1 ; 2.5 ; 3)", SetGet::variantToStr(v.get(), " ; "));
  EXPECT_EQ("<empty>", SetGet::variantToStr(Variant().get()));
  EXPECT_EQ("2.5", SetGet::variantToStr(scalar(2.5).get()));
  Variant none;
  SetGet::Create(none.get(), VT_I4, 0);
  EXPECT_EQ("()", SetGet::variantToStr(none.get()));
  // One dimension always prints 15 significant digits.
  EXPECT_EQ("(0.333333333333333)", SetGet::variantToStr(doubles({1.0 / 3}).get(), nullptr, false, false, 3));
  EXPECT_EQ("Vapor\nLiquid", SetGet::variantToStr(strings({L"Vapor", L"Liquid"}).get(), "\n", true));

  Variant items;
  SetGet::Create(items.get(), VT_VARIANT, 0);
  SetGet::Addcore(items.get(), scalar(1).get());
  SetGet::Addcore(items.get(), scalarText(L"abc").get());
  SetGet::Addcore(items.get(), Variant().get());
  SetGet::Addcore(items.get(), doubles({2, 3}).get());
  EXPECT_EQ("(1, abc, <empty>, (2, 3))", SetGet::variantToStr(items.get()));
  expectNoBox();
}

TEST_F(SetGetTest, VariantToStrChecksTheSeparatorWhenAsked) {
  Variant v = strings({L"x", L"a;b"});
  EXPECT_EQ("(x;a;b)", SetGet::variantToStr(v.get(), ";"));
  expectNoBox();

  TraceProbe probe;
  EXPECT_EQ("(x;a;b)", SetGet::variantToStr(v.get(), ";", false, true));
  const char* text =
      " ERROR: Error persisting a string. The sequence of characters ';' is not allowed. Please remove this "
      "sequence and repeat last action";
  expectBox(text);
  expectTraced(probe, text);
}

TEST_F(SetGetTest, VariantToStrOfTwoDimensionsGroupsByTheDescriptorsFirstDimension) {
  Variant v;
  SetGet::Create(v.get(), VT_R8, 2, 0, 3, 1);
  for (long i = 0; i < 2; ++i)
    for (long j = 1; j < 4; ++j) SetGet::putDouble(v.get(), i, j, 10.0 * i + j + 1.0 / 3);
  EXPECT_EQ("(<1.33, 11.3>, <2.33, 12.3>, <3.33, 13.3>)", SetGet::variantToStr(v.get(), nullptr, false, false, 3));
  EXPECT_EQ("1.3|11|2.3|12|3.3|13", SetGet::variantToStr(v.get(), "|", true, false, 2));

  Variant texts;
  SetGet::Create(texts.get(), VT_BSTR, 1, 0, 2);
  SetGet::putString(texts.get(), 0, 0, SysAllocString(L"a, b"));
  SetGet::putString(texts.get(), 0, 1, SysAllocString(L"c"));
  EXPECT_EQ("(<a, b>, <c>)", SetGet::variantToStr(texts.get()));
  expectBox(
      " ERROR: Error persisting a string. The sequence of characters ', ' is not allowed. Please remove this "
      "sequence and repeat last action");
}

TEST_F(SetGetTest, VariantToStrWritesAQuestionMarkForAnElementItCannotFetch) {
  Variant v;
  SetGet::Create(v.get(), VT_VARIANT, 2, 0, 1);
  LONG bad[2] = {1, 0};
  VARIANT* slot = nullptr;
  SafeArrayPtrOfIndex(v.get().parray, bad, reinterpret_cast<void**>(&slot));
  slot->vt = 0x0FFF;  // VariantCopy refuses it, so the platform's fetch fails
  TraceProbe probe;
  EXPECT_EQ("(<<empty>, ?>)", SetGet::variantToStr(v.get()));
  expectBox(" ERROR: Error getting element in index1, 0");
  expectTraced(probe, " ERROR: Error getting element in index1, 0");
  slot->vt = VT_EMPTY;
}

TEST_F(SetGetTest, VariantToStrOfMoreDimensionsGivesNoTextAndShowsWhatItHad) {
  SAFEARRAYBOUND bounds[3] = {{1, 0}, {1, 0}, {1, 0}};
  Variant v;
  v.get().parray = SafeArrayCreate(VT_R8, 3, bounds);
  v.get().vt = VT_ARRAY | VT_R8;
  TraceProbe probe;
  EXPECT_EQ("", SetGet::variantToStr(v.get()));
  expectBox("(ERROR_UNEXPECTED in variantToStr of 3 dimensions, VT=8197");
  EXPECT_EQ("", probe.added()) << "no trace line";
}

// ======================= sameText =======================

// ---- Arguments as callers pass them ----

// A VARIANT tagged `tag` holding a vector made for `own` elements.
Variant taggedArray(VARTYPE tag, VARTYPE own, ULONG count) {
  Variant v;
  v.get().parray = SafeArrayCreateVector(own, 0, count);
  v.get().vt = static_cast<VARTYPE>(VT_ARRAY | tag);
  return v;
}

TEST_F(SetGetTest, ArgumentViewFollowsReferencesAndSeesTheValueInPlace) {
  Variant numbers = taggedArray(VT_R8, VT_R8, 2);
  VARIANT arrayRef;
  arrayRef.vt = VT_BYREF | VT_ARRAY | VT_R8;
  arrayRef.pparray = &numbers.get().parray;
  VARIANT view;
  ASSERT_TRUE(SetGet::argumentView(arrayRef, view));
  EXPECT_EQ(VT_ARRAY | VT_R8, view.vt);
  EXPECT_EQ(numbers.get().parray, view.parray) << "the caller's own array, not a copy";

  VARIANT variantRef;
  variantRef.vt = VT_BYREF | VT_VARIANT;
  variantRef.pvarVal = &arrayRef;  // a reference to a reference to the array
  ASSERT_TRUE(SetGet::argumentView(variantRef, view));
  EXPECT_EQ(numbers.get().parray, view.parray);

  BSTR text = SysAllocString(L"propane");
  VARIANT textRef;
  textRef.vt = VT_BYREF | VT_BSTR;
  textRef.pbstrVal = &text;
  ASSERT_TRUE(SetGet::argumentView(textRef, view));
  EXPECT_EQ(VT_BSTR, view.vt);
  EXPECT_EQ(text, view.bstrVal);
  SysFreeString(text);

  VARIANT self;  // refers to itself
  self.vt = VT_BYREF | VT_VARIANT;
  self.pvarVal = &self;
  EXPECT_FALSE(SetGet::argumentView(self, view));
  VARIANT nothing;
  nothing.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  nothing.pparray = nullptr;
  EXPECT_FALSE(SetGet::argumentView(nothing, view));
  VARIANT unknownRef;
  IUnknown* none = nullptr;
  unknownRef.vt = VT_BYREF | VT_UNKNOWN;
  unknownRef.ppunkVal = &none;
  EXPECT_FALSE(SetGet::argumentView(unknownRef, view)) << "not a type an argument is read as";
}

TEST_F(SetGetTest, AnArrayWhoseOwnElementTypeDisagreesWithItsTagIsNoArgument) {
  VARIANT view;
  for (const auto& [tag, own] : {std::pair<VARTYPE, VARTYPE>{VT_BSTR, VT_R8}, {VT_R8, VT_I4}, {VT_VARIANT, VT_BSTR},
                                 {VT_R8, VT_BSTR}}) {
    SCOPED_TRACE(std::to_string(tag) + " holding " + std::to_string(own));
    Variant v = taggedArray(tag, own, 3);
    EXPECT_FALSE(SetGet::elementTypeAgrees(v.get()));
    EXPECT_FALSE(SetGet::argumentView(v.get(), view));
    EXPECT_EQ("", SetGet::variantToStr(v.get())) << "never read as the tag says";
  }
  for (VARTYPE vt : {VT_I4, VT_R8, VT_BSTR, VT_VARIANT, VT_BOOL}) {
    Variant v = taggedArray(vt, vt, 2);
    EXPECT_TRUE(SetGet::argumentView(v.get(), view)) << vt;
  }
  // An array described without its type is judged by its element size.
  SAFEARRAY* bare = nullptr;
  ASSERT_EQ(S_OK, SafeArrayAllocDescriptor(1, &bare));
  bare->cbElements = sizeof(double);
  bare->rgsabound[0].cElements = 2;
  bare->rgsabound[0].lLbound = 0;
  ASSERT_EQ(S_OK, SafeArrayAllocData(bare));
  Variant described;
  described.get().vt = VT_ARRAY | VT_R8;
  described.get().parray = bare;
  EXPECT_TRUE(SetGet::elementTypeAgrees(described.get()));
  described.get().vt = VT_ARRAY | VT_I4;
  EXPECT_FALSE(SetGet::elementTypeAgrees(described.get()));
  described.get().vt = VT_ARRAY | VT_R8;
}

TEST_F(SetGetTest, OmittedCoversEveryFormOfNothingPassed) {
  VARIANT v;
  VariantInit(&v);
  EXPECT_TRUE(SetGet::isOmitted(v));
  v.vt = VT_NULL;
  EXPECT_TRUE(SetGet::isOmitted(v));
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  EXPECT_TRUE(SetGet::isOmitted(v));
  v.scode = DISP_E_TYPEMISMATCH;
  EXPECT_FALSE(SetGet::isOmitted(v));
  Variant none = taggedArray(VT_BSTR, VT_BSTR, 0), one = taggedArray(VT_BSTR, VT_BSTR, 1);
  EXPECT_TRUE(SetGet::isOmitted(none.get()));
  EXPECT_FALSE(SetGet::isOmitted(one.get()));
  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = nullptr;
  EXPECT_TRUE(SetGet::isOmitted(v)) << "an array never allocated";
  v.vt = VT_R8;
  v.dblVal = 0;
  EXPECT_FALSE(SetGet::isOmitted(v));
}

TEST_F(SetGetTest, VariantToStrOfAnArrayHoldingItselfIsBounded) {
  Variant list = taggedArray(VT_VARIANT, VT_VARIANT, 3);
  VARIANT* slots = static_cast<VARIANT*>(list.get().parray->pvData);
  slots[0].vt = VT_ARRAY | VT_VARIANT;
  slots[0].parray = list.get().parray;
  slots[1].vt = VT_I4;
  slots[1].lVal = 7;
  slots[2] = slots[0];
  const std::string text = SetGet::variantToStr(list.get());
  slots[0].vt = slots[2].vt = VT_EMPTY;
  EXPECT_EQ("(((...), 7, (...)), 7, ((...), 7, (...)))", text);
}

TEST_F(SetGetTest, VariantToStrCutsTheTextOfANestedArray) {
  std::vector<double> many(100, 12345.678);
  Variant inner;
  ASSERT_EQ(S_OK, SetGet::createFromBuffer(inner.get(), VT_R8, many.data(), 100, true));
  Variant outer = taggedArray(VT_VARIANT, VT_VARIANT, 1);
  LONG at = 0;
  ASSERT_EQ(S_OK, SafeArrayPutElement(outer.get().parray, &at, &inner.get()));
  const std::string text = SetGet::variantToStr(outer.get());
  EXPECT_EQ(SetGet::kNestedTextLimit + 2, text.size()) << text;
  EXPECT_EQ("((12345.678, 12345.678", text.substr(0, 22));
  EXPECT_EQ("...)", text.substr(text.size() - 4));
  // The array alone is written whole.
  EXPECT_EQ(2u + 100u * 9u + 99u * 2u, SetGet::variantToStr(inner.get()).size());
}

class SameTextTest : public SetGetTest {
 protected:
  void TearDown() override { support::libSettings() = m_saved; }
  static bool same(const wchar_t* a, const wchar_t* b) {
    Bstr x(a), y(b);
    return support::sameText(x.get(), y.get());
  }
  support::LibSettings m_saved = support::libSettings();
};

TEST_F(SameTextTest, AsciiFoldingByDefault) {
  ASSERT_TRUE(support::libSettings().asciiCaseFolding);
  ASSERT_TRUE(support::libSettings().fastStringLength);
  EXPECT_TRUE(same(L"azcx", L"Azcx"));
  EXPECT_TRUE(same(L"AZCX", L"azcx"));
  EXPECT_TRUE(same(L"azCx", L"Azcx"));
  EXPECT_FALSE(same(L"azcY", L"Azcx"));
  EXPECT_FALSE(same(L"azcxY", L"azcx"));
  EXPECT_TRUE(support::sameText(nullptr, Bstr(L"").get()));
  EXPECT_TRUE(support::sameText(nullptr, nullptr));
  EXPECT_FALSE(support::sameText(nullptr, Bstr(L"a").get()));
  // Characters 32 apart that are not letters stay different.
  EXPECT_FALSE(same(L"@", L"`"));
  EXPECT_FALSE(same(L"[", L"{"));
  EXPECT_FALSE(same(L"^", L"~"));
  EXPECT_FALSE(same(L"1", L"\x11"));
  EXPECT_FALSE(same(L"\xE9", L"\xC9")) << "only ASCII is folded";
  // The length comes from the prefix, not from a terminator.
  EXPECT_TRUE(support::sameText(Bstr(L"a\0b", 3).get(), Bstr(L"A\0B", 3).get()));
  EXPECT_FALSE(support::sameText(Bstr(L"a\0b", 3).get(), Bstr(L"a\0c", 3).get()));
}

TEST_F(SameTextTest, PlatformComparisonWhenSwitchedAndLengthWithoutThePrefix) {
  support::libSettings().asciiCaseFolding = false;
  EXPECT_TRUE(same(L"\xE9t\xE9", L"\xC9T\xC9"));
  EXPECT_TRUE(same(L"azCx", L"Azcx"));
  EXPECT_FALSE(same(L"azcxY", L"azcx"));
  EXPECT_FALSE(same(L"@", L"`"));
  support::libSettings().asciiCaseFolding = true;
  support::libSettings().fastStringLength = false;
  EXPECT_TRUE(same(L"azCx", L"Azcx"));
  EXPECT_FALSE(same(L"azcxY", L"azcx"));
  EXPECT_TRUE(support::sameText(Bstr(L"").get(), nullptr));
}

TEST_F(SameTextTest, BstrsLiteralsAndStringsCompareAsTheirWholeText) {
  EXPECT_TRUE(support::sameText(Bstr(L"Vapor").get(), L"VAPOR"));
  EXPECT_TRUE(support::sameText(L"liquid", std::wstring(L"Liquid")));
  EXPECT_FALSE(support::sameText(Bstr(L"Vapor").get(), L"Vapo"));
  // A BSTR is seen up to its length, a literal up to its terminator, a string whole.
  EXPECT_FALSE(support::sameText(Bstr(L"ab\0c", 4).get(), L"ab"));
  EXPECT_TRUE(support::sameText(Bstr(L"ab\0c", 4).get(), std::wstring(L"AB\0C", 4)));
  EXPECT_FALSE(support::sameText(std::wstring(L"ab\0", 3), L"ab"));
  // Null is the empty text, whatever its kind.
  const BSTR none = nullptr;
  const wchar_t* noLiteral = nullptr;
  EXPECT_TRUE(support::sameText(none, L""));
  EXPECT_TRUE(support::sameText(noLiteral, std::wstring()));
  EXPECT_FALSE(support::sameText(noLiteral, L"a"));
  support::libSettings().asciiCaseFolding = false;
  EXPECT_TRUE(support::sameText(Bstr(L"\xE9t\xE9").get(), L"\xC9T\xC9"));
  support::libSettings().fastStringLength = false;
  EXPECT_FALSE(support::sameText(Bstr(L"ab\0c", 4).get(), L"ab"));
}

TEST_F(SameTextTest, TextOfKeepsTheWholeBstr) {
  EXPECT_EQ(std::wstring(L"a\0b", 3), support::textOf(Bstr(L"a\0b", 3).get()));
  EXPECT_EQ(std::wstring(), support::textOf(nullptr));
  EXPECT_TRUE(support::hasText("x"));
  EXPECT_FALSE(support::hasText(""));
  EXPECT_FALSE(support::hasText(nullptr));
}

}  // namespace
