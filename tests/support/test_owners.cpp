// The resource owners against the real platform: what each releases, and when.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <utility>

#include "support/Raii.h"

using support::Bstr;
using support::Handle;
using support::RegKey;
using support::SafeArray;
using support::Variant;

namespace {

// An object that only counts its references, so that a release by an owner can be seen.
class Counted final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *out = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override { return --m_refs; }  // lives on the stack
  ULONG refs() const { return m_refs; }

 private:
  ULONG m_refs = 1;
};

// A VARIANT holding one more reference to object.
Variant holding(Counted& object) {
  Variant v;
  object.AddRef();
  v.get().vt = VT_UNKNOWN;
  v.get().punkVal = &object;
  return v;
}

// A vector of one VT_UNKNOWN element holding one more reference to object.
SAFEARRAY* arrayHolding(Counted& object) {
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UNKNOWN, 0, 1);
  long at = 0;
  if (sa) SafeArrayPutElement(sa, &at, static_cast<IUnknown*>(&object));  // adds the reference
  return sa;
}

// Whether the platform still knows the handle.
bool isOpen(HANDLE h) {
  DWORD flags = 0;
  return GetHandleInformation(h, &flags) != FALSE;
}

// ---- Variant ----

TEST(VariantOwner, OutReleasesWhatWasHeldBeforeThePlatformWrites) {
  Counted object;
  Variant v = holding(object);
  ASSERT_EQ(2u, object.refs());
  VARIANT* slot = v.out();
  EXPECT_EQ(1u, object.refs()) << "the held reference is released before the call";
  EXPECT_EQ(VT_EMPTY, slot->vt);
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I4;
  number.lVal = 42;
  ASSERT_EQ(S_OK, VariantChangeType(slot, &number, 0, VT_BSTR));
  ASSERT_EQ(VT_BSTR, v.vt());
  EXPECT_STREQ(L"42", v.get().bstrVal);
}

TEST(VariantOwner, MovingHandsTheValueOverAndReleasesTheTargetsOwn) {
  Counted first, second;
  Variant a = holding(first);
  Variant b = holding(second);
  b = std::move(a);
  EXPECT_EQ(1u, second.refs()) << "the target's value is released";
  EXPECT_EQ(2u, first.refs()) << "the moved value is not copied";
  EXPECT_EQ(VT_EMPTY, a.vt());
  EXPECT_EQ(&first, b.get().punkVal);
  Variant c(std::move(b));
  EXPECT_EQ(VT_EMPTY, b.vt());
  c.reset();
  EXPECT_EQ(1u, first.refs());
  EXPECT_EQ(VT_EMPTY, c.vt());
}

TEST(VariantOwner, DetachHandsTheValueOutWithoutReleasingIt) {
  Counted object;
  VARIANT out;
  {
    Variant v = holding(object);
    out = v.detach();
    EXPECT_EQ(VT_EMPTY, v.vt());
  }
  EXPECT_EQ(2u, object.refs());
  VariantClear(&out);
  EXPECT_EQ(1u, object.refs());
}

TEST(VariantOwner, CopyFromMakesADeepCopyAndReportsTheFailure) {
  Variant source;
  source.get().vt = VT_BSTR;
  source.get().bstrVal = SysAllocStringLen(L"a\0b", 3);
  Counted object;
  Variant copy = holding(object);
  ASSERT_EQ(S_OK, copy.copyFrom(source.get()));
  EXPECT_EQ(1u, object.refs()) << "what the target held is released";
  ASSERT_EQ(VT_BSTR, copy.vt());
  EXPECT_NE(source.get().bstrVal, copy.get().bstrVal) << "a copy of its own";
  EXPECT_EQ(3u, SysStringLen(copy.get().bstrVal));
  EXPECT_EQ(0, wmemcmp(L"a\0b", copy.get().bstrVal, 3));

  ASSERT_EQ(S_OK, copy.copyFrom(copy.get())) << "a copy of itself keeps the value";
  EXPECT_EQ(3u, SysStringLen(copy.get().bstrVal));

  VARIANT bad;
  VariantInit(&bad);
  bad.vt = 0x0FFF;  // no such type: the platform refuses to copy it
  EXPECT_TRUE(FAILED(copy.copyFrom(bad)));
  EXPECT_EQ(VT_EMPTY, copy.vt());
}

// ---- Bstr ----

TEST(BstrOwner, OutGivesAnEmptySlotForThePlatformToFill) {
  Bstr text(L"old");
  BSTR* slot = text.out();
  EXPECT_EQ(nullptr, *slot);
  EXPECT_EQ(nullptr, text.get());
  ASSERT_EQ(S_OK, VarBstrFromI4(7, 0, 0, slot));
  EXPECT_STREQ(L"7", text.c_str());
  ASSERT_EQ(S_OK, VarBstrFromI4(8, 0, 0, text.out()));
  EXPECT_STREQ(L"8", text.c_str());
}

TEST(BstrOwner, CopyFromKeepsEmbeddedNullsAndNull) {
  const Bstr source(L"a\0b", 3);
  Bstr copy(L"old");
  ASSERT_EQ(S_OK, copy.copyFrom(source.get()));
  EXPECT_NE(source.get(), copy.get());
  EXPECT_EQ(3u, copy.length());
  EXPECT_EQ(0, wmemcmp(L"a\0b", copy.get(), 3));
  ASSERT_EQ(S_OK, copy.copyFrom(copy.get()));
  EXPECT_EQ(3u, copy.length());
  ASSERT_EQ(S_OK, copy.copyFrom(nullptr));
  EXPECT_EQ(nullptr, copy.get());
}

TEST(BstrOwner, MoveAndDetachHandTheStringOver) {
  Bstr a(L"alpha");
  const BSTR raw = a.get();
  Bstr b(L"beta");
  b = std::move(a);
  EXPECT_EQ(raw, b.get());
  EXPECT_EQ(nullptr, a.get());
  BSTR out = b.detach();
  EXPECT_EQ(raw, out);
  EXPECT_EQ(nullptr, b.get());
  b.reset(out);  // owned again, freed by the owner
  EXPECT_EQ(raw, b.get());
}

// ---- SafeArray ----

TEST(SafeArrayOwner, ResetAndOutDestroyTheHeldArray) {
  Counted object;
  SafeArray owned(arrayHolding(object));
  ASSERT_NE(nullptr, owned.get());
  ASSERT_EQ(2u, object.refs());
  owned.reset(arrayHolding(object));
  EXPECT_EQ(2u, object.refs()) << "the first array was destroyed with its element";

  SafeArray copy;
  ASSERT_EQ(S_OK, SafeArrayCopy(owned.get(), copy.out()));
  EXPECT_EQ(3u, object.refs());
  SAFEARRAY** slot = copy.out();
  EXPECT_EQ(nullptr, *slot);
  EXPECT_EQ(2u, object.refs()) << "out destroys the array it held";
}

TEST(SafeArrayOwner, MoveAndDetachKeepTheArrayAlive) {
  Counted object;
  SafeArray a(arrayHolding(object));
  SafeArray b(std::move(a));
  EXPECT_EQ(nullptr, a.get());
  SafeArray c;
  c = std::move(b);
  EXPECT_EQ(2u, object.refs());
  SAFEARRAY* raw = c.detach();
  c.reset();
  EXPECT_EQ(2u, object.refs()) << "a detached array is not destroyed";
  SafeArrayDestroy(raw);
  EXPECT_EQ(1u, object.refs());
}

// ---- Handle ----

TEST(HandleOwner, OutClosesTheHeldHandleBeforeThePlatformWrites) {
  Handle h(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(h);
  const HANDLE old = h.get();
  HANDLE* slot = h.out();
  EXPECT_FALSE(isOpen(old));
  EXPECT_EQ(nullptr, *slot);
  Handle source(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), source.get(), GetCurrentProcess(), slot, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  EXPECT_TRUE(isOpen(h.get()));
}

TEST(HandleOwner, MoveClosesTheTargetsHandleAndDetachLeavesItOpen) {
  Handle a(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Handle b(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE first = a.get(), second = b.get();
  b = std::move(a);
  EXPECT_FALSE(isOpen(second));
  EXPECT_EQ(first, b.get());
  EXPECT_FALSE(a);
  const HANDLE raw = b.detach();
  b.reset();
  EXPECT_TRUE(isOpen(raw));
  EXPECT_TRUE(CloseHandle(raw));
}

// ---- RegKey ----

bool keyIsOpen(HKEY key) {
  DWORD subKeys = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS;
}

TEST(RegKeyOwner, OutClosesTheHeldKeyAndMoveHandsItOver) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.out()));
  const HKEY first = key.get();
  ASSERT_TRUE(keyIsOpen(first));
  HKEY* slot = key.out();
  EXPECT_FALSE(keyIsOpen(first));
  EXPECT_EQ(nullptr, *slot);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, slot));
  const HKEY second = key.get();
  RegKey other;
  other = std::move(key);
  EXPECT_FALSE(key);
  EXPECT_EQ(second, other.get());
  EXPECT_TRUE(keyIsOpen(second));
  const HKEY raw = other.detach();
  other.reset();
  EXPECT_TRUE(keyIsOpen(raw));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(raw));
}

}  // namespace
