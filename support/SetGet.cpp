#include "support/SetGet.h"

#include <comdef.h>

#include <charconv>
#include <new>
#include <stdexcept>
#include <utility>

#include "support/Guards.h"
#include "support/Raii.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Trace.h"

namespace support {

namespace {

// Support-library reports carry this internal code (shown as E_FAIL).
constexpr HRESULT kSupportCode = 100;
constexpr char kBug[] = "Bug in SetGet";
constexpr char kOneDimOnly[] = "Only 1 dimension arrays are supported";
constexpr char kBeyond1st[] = "Getting a safearray value at a position higher than array bounds of 1st dim";
constexpr char kBeyond2nd[] = "Getting a safearray value at a position higher than array bounds of 2nd dim";
constexpr char kDefaultSeparator[] = ", ";
constexpr int kDefaultDigits = 15;

using setget_detail::elementType;
using setget_detail::inBounds;
using setget_detail::rawSize;

void reportBug(const char* op) { reportError(kSupportCode, kBug, op, nullptr, true); }

// The bound messages name the array's VARTYPE in decimal.
void reportBeyond(const char* text, const VARIANT& var) {
  reportFailure(text, std::to_string(var.vt).c_str(), nullptr, true);
}

void reportPlatform(HRESULT hr) { reportError(hr, kUnexpected, nullptr, nullptr, true); }

void raiseOnFailure(HRESULT hr) {
  if (FAILED(hr)) throw _com_error(hr);
}

// The array of var, null when there is none or it has no dimension.
SAFEARRAY* arrayOf(const VARIANT& var) {
  return (var.vt & VT_ARRAY) && var.parray && var.parray->cDims ? var.parray : nullptr;
}

// Bounds of dimension n (1 = leftmost), held in reverse order by the descriptor.
const SAFEARRAYBOUND& dimension(const SAFEARRAY* sa, int n) { return sa->rgsabound[sa->cDims - n]; }

bool creatable(VARTYPE vt) { return vt == VT_I4 || vt == VT_R8 || vt == VT_BSTR || vt == VT_VARIANT; }

// Strings and VARIANTs own what they point to; the other element types are plain bits.
bool ownsContents(VARTYPE vt) { return vt == VT_BSTR || vt == VT_VARIANT; }

// ---- creation ----

struct Shape {
  ULONG len;
  LONG lb;
  ULONG len2;  // 0: one dimension
  LONG lb2;
  UINT dims() const { return len2 ? 2 : 1; }
};

bool sameBounds(const SAFEARRAYBOUND& b, ULONG len, LONG lb) { return b.cElements == len && b.lLbound == lb; }

bool hasShape(const VARIANT& var, VARTYPE vt, const Shape& shape) {
  const SAFEARRAY* sa = arrayOf(var);
  if (var.vt != (VT_ARRAY | vt) || !sa || sa->cDims != shape.dims()) return false;
  if (!sameBounds(dimension(sa, 1), shape.len, shape.lb)) return false;
  return shape.dims() == 1 || sameBounds(dimension(sa, 2), shape.len2, shape.lb2);
}

VARTYPE withoutArrayFlag(VARTYPE vt) { return (vt & VT_ARRAY) ? elementType(vt) : vt; }

HRESULT createShaped(VARIANT& var, VARTYPE vt, const Shape& shape, const char* clearFailure) {
  vt = withoutArrayFlag(vt);
  if (!creatable(vt)) {
    SetGet::sizeOf(vt);  // reports the bad type
    return E_FAIL;
  }
  if (hasShape(var, vt, shape)) return S_OK;
  if (FAILED(VariantClear(&var))) reportError(kSupportCode, clearFailure, nullptr, nullptr, true);
  VariantInit(&var);
  // SafeArrayCreate takes the dimensions leftmost first.
  SAFEARRAYBOUND bounds[2] = {{shape.len, shape.lb}, {shape.len2, shape.lb2}};
  SAFEARRAY* sa = SafeArrayCreate(vt, shape.dims(), bounds);
  if (!sa) return E_OUTOFMEMORY;
  var.vt = VT_ARRAY | vt;
  var.parray = sa;
  return S_OK;
}

HRESULT createChecked(VARIANT& var, VARTYPE vt, long len, long lb, long len2, long lb2, const char* clearFailure) {
  if (len < 0 || len2 < 0) return E_INVALIDARG;
  // Two dimensions always start the first one at 0.
  const Shape shape{static_cast<ULONG>(len), len2 ? 0 : lb, static_cast<ULONG>(len2), lb2};
  return createShaped(var, vt, shape, clearFailure);
}

void copyInto(SAFEARRAY* sa, VARTYPE vt, const void* buffer, long count) {
  for (LONG k = 0; k < count; ++k) {
    LONG index = k + sa->rgsabound[0].lLbound;
    if (vt == VT_BSTR)
      raiseOnFailure(SafeArrayPutElement(sa, &index, static_cast<const BSTR*>(buffer)[k]));
    else
      raiseOnFailure(SafeArrayPutElement(sa, &index, const_cast<VARIANT*>(static_cast<const VARIANT*>(buffer) + k)));
  }
}

// ---- two-dimensional access through the platform ----

// Checks both indices; reports and gives null when refused.
SAFEARRAY* checked2D(const VARIANT& var, VARTYPE vt, long i, long j, const char* op) {
  SAFEARRAY* sa = arrayOf(var);
  if (sa && (var.vt != (VT_ARRAY | vt) || sa->cDims > 2)) {
    reportBug(op);
    return nullptr;
  }
  if (!sa || !inBounds(dimension(sa, 1), i)) {
    reportBeyond(kBeyond1st, var);
    return nullptr;
  }
  if (sa->cDims < 2 || !inBounds(dimension(sa, 2), j)) {
    reportBeyond(kBeyond2nd, var);
    return nullptr;
  }
  return sa;
}

// The element itself (no copy), for strings and VARIANTs whose ownership stays with the array.
template <class T>
T* element2D(const VARIANT& var, VARTYPE vt, long i, long j, const char* op) {
  SAFEARRAY* sa = checked2D(var, vt, i, j, op);
  if (!sa) return nullptr;
  LONG indices[2] = {i, j};
  void* p = nullptr;
  const HRESULT hr = SafeArrayPtrOfIndex(sa, indices, &p);
  if (FAILED(hr)) {
    reportPlatform(hr);
    return nullptr;
  }
  return static_cast<T*>(p);
}

template <class T>
bool fetch2D(const VARIANT& var, VARTYPE vt, long i, long j, T& out, const char* op) {
  SAFEARRAY* sa = checked2D(var, vt, i, j, op);
  if (!sa) return false;
  LONG indices[2] = {i, j};
  const HRESULT hr = SafeArrayGetElement(sa, indices, &out);
  if (FAILED(hr)) reportPlatform(hr);
  return SUCCEEDED(hr);
}

template <class T>
bool store2D(const VARIANT& var, VARTYPE vt, long i, long j, T value, const char* op) {
  SAFEARRAY* sa = checked2D(var, vt, i, j, op);
  if (!sa) return false;
  LONG indices[2] = {i, j};
  const HRESULT hr = SafeArrayPutElement(sa, indices, &value);
  if (FAILED(hr)) reportPlatform(hr);
  return SUCCEEDED(hr);
}

// ---- texts ----

std::string doubleToStr(double value, int digits) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
  if (result.ec == std::errc()) return std::string(text, result.ptr);
  std::string wide(1024, '\0');  // more than 50 digits asked for
  const auto again = std::to_chars(wide.data(), wide.data() + wide.size(), value, std::chars_format::general, digits);
  wide.resize(again.ec == std::errc() ? static_cast<size_t>(again.ptr - wide.data()) : 0);
  return wide;
}

std::string bstrToStr(BSTR s) { return s ? narrow(s, SysStringLen(s)) : std::string(); }

// How many array texts are being written on this thread, one inside the other. An array held in
// a VARIANT element may hold itself, so nesting is bounded, and so is the text of each nested one.
thread_local int t_arrayTexts = 0;

class ArrayTextLevel {
 public:
  ArrayTextLevel() { ++t_arrayTexts; }
  ~ArrayTextLevel() { --t_arrayTexts; }
  ArrayTextLevel(const ArrayTextLevel&) = delete;
  ArrayTextLevel& operator=(const ArrayTextLevel&) = delete;
};

std::string nestedArrayText(const VARIANT& v, int precision) {
  if (t_arrayTexts > 1) return "(...)";
  std::string text = SetGet::variantToStr(v, nullptr, false, false, precision);
  if (text.size() > SetGet::kNestedTextLimit) text.replace(SetGet::kNestedTextLimit - 3, std::string::npos, "...");
  return text;
}

std::string variantValueToStr(const VARIANT& v, int precision) {
  if (!SetGet::isArray(v)) return SetGet::scalarToStr(v, precision);
  return t_arrayTexts > 0 ? nestedArrayText(v, precision) : SetGet::variantToStr(v, nullptr, false, false, precision);
}

// Bytes of one element of an array tagged vt; 0 for a type without a fixed answer here.
size_t taggedElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_UI1: return 1;
    case VT_I2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

// The value a by-reference VARIANT of a plain type points to, into view (already tagged).
bool readReferenced(const VARIANT& ref, VARIANT& view) {
  switch (view.vt) {
    case VT_R8: view.dblVal = *ref.pdblVal; return true;
    case VT_R4: view.fltVal = *ref.pfltVal; return true;
    case VT_I4: view.lVal = *ref.plVal; return true;
    case VT_I2: view.iVal = *ref.piVal; return true;
    case VT_BOOL: view.boolVal = *ref.pboolVal; return true;
    case VT_BSTR: view.bstrVal = *ref.pbstrVal; return true;
    case VT_ERROR: view.scode = *ref.pscode; return true;
    default: return false;
  }
}

// Buffers may also hold VT_I2 values, which the raw operations do not move.
size_t bufferElementSize(VARTYPE vt) { return vt == VT_I2 ? sizeof(SHORT) : rawSize(vt); }

class TextBuilder {
 public:
  TextBuilder(const char* separator, bool checkSeparator)
      : m_separator(hasText(separator) ? separator : kDefaultSeparator), m_check(checkSeparator) {}

  std::string& text() { return m_text; }
  void open(const char* bracket, bool bare) {
    if (!bare) m_text += bracket;
  }
  void separate(bool first) {
    if (!first) m_text += m_separator;
  }
  void element(const std::string& value) {
    if (m_check && value.find(m_separator) != std::string::npos) reportPersisting();
    m_text += value;
  }
  void unreadable(long i, long j) {
    reportFailure(("Error getting element in index" + std::to_string(i) + ", " + std::to_string(j)).c_str());
    m_text += "?";
  }

 private:
  void reportPersisting() const {
    const std::string message = "Error persisting a string. The sequence of characters '" + m_separator +
                                "' is not allowed. Please remove this sequence and repeat last action";
    reportFailure(message.c_str());
  }

  std::string m_text;
  std::string m_separator;
  bool m_check;
};

void appendOneDim(TextBuilder& out, const SAFEARRAY* sa, VARTYPE vt) {
  const char* data = static_cast<const char*>(sa->pvData);
  for (ULONG k = 0; k < sa->rgsabound[0].cElements; ++k) {
    out.separate(k == 0);
    out.element(SetGet::valueToStr(vt, data + static_cast<size_t>(k) * sa->cbElements, -1));
  }
}

// One fetched element as text; the fetched copy of a string or VARIANT is freed here.
bool fetchedText(SAFEARRAY* sa, VARTYPE vt, LONG* indices, int precision, std::string& text) {
  HRESULT hr;
  if (vt == VT_BSTR) {
    Bstr s;
    hr = SafeArrayGetElement(sa, indices, s.out());
    if (SUCCEEDED(hr)) text = bstrToStr(s.get());
  } else if (vt == VT_VARIANT) {
    Variant v;
    hr = SafeArrayGetElement(sa, indices, v.out());
    if (SUCCEEDED(hr)) text = variantValueToStr(v.get(), precision);
  } else {
    unsigned char bits[sizeof(double)] = {};
    hr = SafeArrayGetElement(sa, indices, bits);
    if (SUCCEEDED(hr)) text = SetGet::valueToStr(vt, bits, precision);
  }
  return SUCCEEDED(hr);
}

// A group per index of the dimension held first in the descriptor (dimension 2), holding the
// elements along dimension 1.
void appendTwoDim(TextBuilder& out, SAFEARRAY* sa, VARTYPE vt, bool bare, int precision) {
  const SAFEARRAYBOUND& groups = dimension(sa, 2);
  const SAFEARRAYBOUND& items = dimension(sa, 1);
  for (ULONG g = 0; g < groups.cElements; ++g) {
    out.separate(g == 0);
    out.open("<", bare);
    for (ULONG k = 0; k < items.cElements; ++k) {
      out.separate(k == 0);
      LONG indices[2] = {items.lLbound + static_cast<LONG>(k), groups.lLbound + static_cast<LONG>(g)};
      std::string text;
      if (fetchedText(sa, vt, indices, precision, text))
        out.element(text);
      else
        out.unreadable(indices[0], indices[1]);
    }
    out.open(">", bare);
  }
}

// ---- appending ----

// The element type of an array that VT_EMPTY becomes when value is appended.
VARTYPE typeForValue(const VARIANT& value) {
  return value.vt == VT_I4 || value.vt == VT_R8 || value.vt == VT_BSTR ? value.vt : VARTYPE(VT_VARIANT);
}

// value as a self-owned element of type vt.
Variant elementFrom(const VARIANT& value, VARTYPE vt) {
  Variant element;
  VARIANT* source = const_cast<VARIANT*>(&value);  // the platform does not change the source
  if (vt == VT_VARIANT)
    raiseOnFailure(element.copyFrom(value));
  else
    raiseOnFailure(VariantChangeType(element.out(), source, 0, vt));
  return element;
}

// The raw bits an array slot of type vt holds for element.
const void* slotBits(const VARIANT& element, VARTYPE vt) {
  return vt == VT_VARIANT ? static_cast<const void*>(&element) : static_cast<const void*>(&element.lVal);
}

// ---- string lists ----

std::wstring wideText(const std::string& s) { return widen(s); }
const std::wstring& wideText(const std::wstring& s) { return s; }

// Fills a VT_BSTR array with new copies of list[k], or of list[order[k]] when order is given.
template <class List>
HRESULT fillStrings(VARIANT& var, const List& list, const std::vector<long>* order) {
  const size_t n = order ? order->size() : list.size();
  HRESULT hr = SetGet::Create(var, VT_BSTR, static_cast<long>(n));
  if (FAILED(hr)) return hr;
  BSTR* slots = static_cast<BSTR*>(var.parray->pvData);
  for (size_t k = 0; k < n; ++k) {
    SysFreeString(std::exchange(slots[k], nullptr));  // a kept array's old string
    const long from = order ? (*order)[k] : static_cast<long>(k);
    if (from < 0 || static_cast<size_t>(from) >= list.size()) {
      reportBug("fromStringList");
      hr = E_FAIL;
      continue;
    }
    try {
      const auto& text = wideText(list[static_cast<size_t>(from)]);
      slots[k] = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    } catch (const std::bad_alloc&) {
    }
    if (!slots[k]) throw _com_error(E_OUTOFMEMORY);
  }
  return hr;
}

}  // namespace

// ---- layout ----

long SetGet::sizeOf(VARTYPE vt) {
  switch (elementType(vt)) {
    case VT_I4: return 4;
    case VT_R8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_VARIANT: return sizeof(VARIANT);
    default: reportBug("sizeOf"); return -1;
  }
}

// ---- creation ----

HRESULT SetGet::Create(VARIANT& var, VARTYPE vt, long len, long lb, long len2, long lb2) {
  return createChecked(var, vt, len, lb, len2, lb2, "void SetGet::Create(VARIANT &var, VARTYPE vt, long len)");
}

HRESULT SetGet::CreateReuse(VARIANT& var, VARTYPE vt, long len) {
  return createChecked(var, vt, len, 0, 0, 0, "void SetGet::CreateReuse(VARIANT &var, VARTYPE vt, long len)");
}

HRESULT SetGet::createFromBuffer(VARIANT& var, VARTYPE vt, const void* buffer, long count, bool copyContents) {
  vt = withoutArrayFlag(vt);
  const long size = sizeOf(vt);
  if (size < 0) return E_FAIL;
  // Moved strings and VARIANTs must not land on a kept array's own, which would then leak.
  if (!copyContents && ownsContents(vt) && hasShape(var, vt, Shape{static_cast<ULONG>(count), 0, 0, 0}))
    raiseOnFailure(VariantClear(&var));
  const HRESULT hr = Create(var, vt, count);
  if (FAILED(hr) || count == 0) return hr;
  SafeArrayLockGuard lock(var.parray);
  if (FAILED(lock.result())) return lock.result();
  if (copyContents && ownsContents(vt))
    copyInto(var.parray, vt, buffer, count);
  else
    std::memcpy(lock.data(), buffer, static_cast<size_t>(count) * static_cast<size_t>(size));
  return S_OK;
}

// ---- typed access: refusals and two dimensions ----

void SetGet::refuse1D(const VARIANT& var, VARTYPE vt, long i, const char* op) {
  const SAFEARRAY* sa = arrayOf(var);
  if (sa && var.vt != (VT_ARRAY | vt))
    reportBug(op);
  else if (sa && sa->cDims > 1)
    reportError(kSupportCode, kOneDimOnly, op, nullptr, true);
  else if (!sa || !inBounds(sa->rgsabound[0], i))
    reportBeyond(kBeyond1st, var);
  else
    reportBug(op);  // cannot happen: the fast path would have accepted it
}

const SAFEARRAY* SetGet::refuseRaw(VARTYPE vt, const VARIANT& arr, long index, const char* op) {
  const SAFEARRAY* sa = arrayOf(arr);
  if (!sa) {
    reportBeyond(kBeyond1st, arr);
    return nullptr;
  }
  if (arr.vt != (VT_ARRAY | elementType(vt))) {
    reportBadVt((std::string("bad VT in ") + op).c_str());
    return nullptr;
  }
  // More dimensions are reported, then element index of dimension 1 is used as it lies.
  if (sa->cDims > 1) reportError(kSupportCode, kOneDimOnly, op, nullptr, true);
  if (!inBounds(dimension(sa, 1), index)) {
    reportBeyond(kBeyond1st, arr);
    return nullptr;
  }
  return sa;
}

void SetGet::reportBadVt(const char* text) { reportError(kSupportCode, text, nullptr, nullptr, true); }

long SetGet::getLong(const VARIANT& var, long i, long j) {
  LONG value = 0;
  return fetch2D(var, VT_I4, i, j, value, "getLong") ? value : 0;
}

double SetGet::getDouble(const VARIANT& var, long i, long j) {
  double value = 0;
  return fetch2D(var, VT_R8, i, j, value, "getDouble") ? value : std::numeric_limits<double>::quiet_NaN();
}

BSTR SetGet::getString(const VARIANT& var, long i, long j) {
  const BSTR* p = element2D<BSTR>(var, VT_BSTR, i, j, "getString");
  return p ? *p : nullptr;
}

VARIANT SetGet::getVariant(const VARIANT& var, long i, long j) {
  if (const VARIANT* p = element2D<VARIANT>(var, VT_VARIANT, i, j, "getVariant")) return *p;
  VARIANT none;
  VariantInit(&none);
  return none;
}

bool SetGet::putDouble(VARIANT& var, long i, long j, double value) {
  return store2D(var, VT_R8, i, j, value, "putDouble");
}

bool SetGet::putBool(VARIANT& var, long i, long j, bool value) {
  return store2D(var, VT_BOOL, i, j, VARIANT_BOOL(value ? VARIANT_TRUE : VARIANT_FALSE), "putBool");
}

// Stores the pointer, as the one-dimensional form does (the platform's store would copy).
bool SetGet::putString(VARIANT& var, long i, long j, BSTR value) {
  BSTR* p = element2D<BSTR>(var, VT_BSTR, i, j, "putString");
  if (p) *p = value;
  return p != nullptr;
}

// ---- whole arrays ----

long SetGet::Addcore(VARIANT& var, const VARIANT& value, long position) {
  OutputDebugStringA("\n Addcore called \n");
  const bool empty = var.vt == VT_EMPTY;
  if (!empty && (!isArray(var) || dimCount(var) > 1)) return -1;
  const long count = elementCount(var);
  const long first = lbound(var);
  if (position != -1 && (position < first || position > first + count)) return -1;
  const long at = position == -1 ? count : position - first;
  if (!empty && var.parray && var.parray->cLocks) raiseOnFailure(DISP_E_ARRAYISLOCKED);

  const VARTYPE vt = empty ? typeForValue(value) : elementType(var.vt);
  Variant element = elementFrom(value, vt);
  Variant grown;
  raiseOnFailure(Create(grown.get(), vt, count + 1));

  // Nothing below throws: the moved elements are owned by exactly one array at every return.
  unsigned char bits[sizeof(VARIANT)];
  for (long k = 0; k < count; ++k) {
    noCopyVariantGetV(vt, var, first + k, bits);
    noCopyVariantPutV(vt, grown.get(), k < at ? k : k + 1, bits);
  }
  noCopyVariantPutV(vt, grown.get(), at, slotBits(element.get(), vt));
  element.detach();
  if (ownsContents(vt) && count)  // null strings and VT_EMPTY: clearing frees nothing that moved
    std::memset(var.parray->pvData, 0, static_cast<size_t>(count) * var.parray->cbElements);
  VariantClear(&var);  // an unlocked array of emptied slots: nothing can fail
  var = grown.detach();
  return at;
}

HRESULT SetGet::fromStringList(VARIANT& var, const std::vector<std::string>& list, const std::vector<long>* order) {
  return fillStrings(var, list, order);
}

HRESULT SetGet::fromStringList(VARIANT& var, const std::vector<std::wstring>& list, const std::vector<long>* order) {
  return fillStrings(var, list, order);
}

// ---- texts ----

std::string SetGet::valueToStr(VARTYPE vt, const void* value, int precision) {
  if (!value) return {};
  switch (elementType(vt)) {
    case VT_I4: return std::to_string(*static_cast<const LONG*>(value));
    case VT_I2: return std::to_string(*static_cast<const SHORT*>(value));
    case VT_BOOL: return std::to_string(*static_cast<const VARIANT_BOOL*>(value));
    case VT_R8: return doubleToStr(*static_cast<const double*>(value), precision == -1 ? kDefaultDigits : precision);
    case VT_BSTR: return bstrToStr(*static_cast<const BSTR*>(value));
    case VT_VARIANT: return variantValueToStr(*static_cast<const VARIANT*>(value), precision);
    default: return {};
  }
}

std::string SetGet::scalarToStr(const VARIANT& var, int precision) {
  switch (var.vt) {
    case VT_EMPTY: return "<empty>";
    case VT_I2:
    case VT_I4:
    case VT_BSTR:
    case VT_BOOL: return valueToStr(var.vt, &var.lVal, -1);
    case VT_R8: return valueToStr(VT_R8, &var.dblVal, precision);
    default: return {};
  }
}

std::string SetGet::bufferToStr(VARTYPE vt, const void* buffer, long count, const char* prefix, int precision,
                                const char* separator) {
  std::string text = prefix ? prefix : "";
  const size_t size = bufferElementSize(vt);
  if (!size) {
    sizeOf(vt);  // reports the bad type
    return text;
  }
  const char* sep = separator ? separator : kDefaultSeparator;
  text.reserve(text.size() + 25 * static_cast<size_t>(count > 0 ? count : 0));
  for (long k = 0; k < count; ++k) {
    if (k) text += sep;
    text += valueToStr(vt, static_cast<const char*>(buffer) + static_cast<size_t>(k) * size, precision);
  }
  return text;
}

// ---- arguments ----

bool SetGet::argumentView(const VARIANT& in, VARIANT& view) {
  // A VARIANT by reference holds a plain value; more levels than this are not a caller's own.
  constexpr int kMaxReferences = 4;
  const VARIANT* v = &in;
  for (int level = 0; v->vt == (VT_BYREF | VT_VARIANT); ++level) {
    if (level == kMaxReferences || !v->pvarVal) return false;
    v = v->pvarVal;
  }
  view = *v;
  if (v->vt & VT_BYREF) {
    if (!v->byref) return false;
    view.vt = static_cast<VARTYPE>(v->vt & ~VT_BYREF);
    if (view.vt & VT_ARRAY)
      view.parray = *v->pparray;
    else if (!readReferenced(*v, view))
      return false;
  }
  return elementTypeAgrees(view);
}

bool SetGet::isOmitted(const VARIANT& view) {
  switch (view.vt) {
    case VT_EMPTY:
    case VT_NULL: return true;
    case VT_ERROR: return view.scode == DISP_E_PARAMNOTFOUND;
    default: break;
  }
  // A caller's array never allocated comes as the array type with no descriptor.
  if (!(view.vt & VT_ARRAY) || (view.vt & VT_BYREF)) return false;
  return !view.parray || (view.parray->cDims == 1 && view.parray->rgsabound[0].cElements == 0);
}

HRESULT SetGet::plainArrayOf(const VARIANT& view, VARTYPE element, VARIANT& out) {
  if (view.vt != (VT_ARRAY | VT_VARIANT) || !view.parray || view.parray->cDims != 1 || !elementTypeAgrees(view))
    return S_FALSE;
  if (element != VT_BSTR && element != VT_R8) return S_FALSE;
  const long n = elementCount(view);
  Variant plain;
  HRESULT hr = Create(plain.get(), element, n);
  if (FAILED(hr)) return hr;
  const VARIANT* items = static_cast<const VARIANT*>(view.parray->pvData);
  for (long k = 0; k < n; ++k) {
    VARIANT item;
    if (!argumentView(items[k], item) || item.vt != element) return S_FALSE;
    if (element == VT_R8) {
      putDouble(plain.get(), k, item.dblVal);
      continue;
    }
    BSTR copy = SysAllocStringLen(item.bstrVal, SysStringLen(item.bstrVal));
    if (!copy) return E_OUTOFMEMORY;
    putString(plain.get(), k, copy);
  }
  out = plain.detach();
  return S_OK;
}

bool SetGet::elementTypeAgrees(const VARIANT& var) {
  if (!(var.vt & VT_ARRAY) || (var.vt & VT_BYREF) || !var.parray) return true;
  const VARTYPE tag = elementType(var.vt);
  VARTYPE own = VT_EMPTY;
  if (SUCCEEDED(SafeArrayGetVartype(var.parray, &own)) && own != tag) return false;
  const size_t size = taggedElementSize(tag);
  return size == 0 || SafeArrayGetElemsize(var.parray) == size;
}

std::string SetGet::variantToStr(const VARIANT& var, const char* separator, bool bare, bool checkSeparator,
                                 int precision) {
  if (!isArray(var)) return scalarToStr(var, precision);
  if (!elementTypeAgrees(var)) return {};  // its elements cannot be read as the tag says
  const ArrayTextLevel level;
  const long dims = dimCount(var);
  TextBuilder out(separator, checkSeparator || dims == 2);
  try {
    const VARTYPE vt = elementType(var.vt);
    out.open("(", bare);
    if (dims == 2)
      appendTwoDim(out, var.parray, vt, bare, precision);
    else if (dims == 1)
      appendOneDim(out, var.parray, vt);
    else if (dims > 2)
      throw std::invalid_argument("dimensions");
    out.open(")", bare);
    return std::move(out.text());
  } catch (...) {
    try {
      std::string& text = out.text();
      text += formatText("ERROR_UNEXPECTED in variantToStr of %ld dimensions, VT=%d", dims, var.vt);
      showReportBox(text.c_str(), nullptr);
    } catch (...) {
    }
    return {};
  }
}

}  // namespace support
