#pragma once
// SetGet: the one way the product creates, reads, writes and prints the SAFEARRAYs that travel
// in VARIANTs across every COM boundary. It has no state; its operations are static.
//
// Indices are absolute (lbound..ubound of the first dimension). Failures are reported (message
// box, and a trace line where the report says so) and the operation goes on; nothing throws
// except where a VARIANT cannot be copied or a string allocated (_com_error).
//
// Ownership: the noCopy operations and the typed reads and writes of strings and VARIANTs move
// raw element bits. What is read must not be freed while the array lives; what is written
// belongs to the array afterwards.
//
// Dimensions: the first index is the leftmost dimension (dimension 1 of SafeArrayGetLBound,
// rgIndices[0] of SafeArrayGetElement). The descriptor holds it last.
#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace support {

class SetGet {
 public:
  virtual ~SetGet() = default;

  // Element size in bytes of VT_I4, VT_R8, VT_BSTR and VT_VARIANT; any other type is reported
  // ("Bug in SetGet", "sizeOf") and gives -1.
  static long sizeOf(VARTYPE vt);
  // True exactly for VT_ARRAY with VT_I4, VT_R8, VT_BSTR or VT_VARIANT.
  static bool isArray(const VARIANT& var);
  // First dimension; a VARIANT without an array has 0 elements, 0 dimensions, lbound 0.
  static long lbound(const VARIANT& var);
  static long ubound(const VARIANT& var);
  static long elementCount(const VARIANT& var);
  static long dimCount(const VARIANT& var);

  // Makes var hold a VT_ARRAY|vt array (vt with or without VT_ARRAY) of len elements from lb,
  // or with len2 > 0 two dimensions: len from 0 and len2 from lb2. An array of exactly that
  // type and shape already in var is kept with its contents. E_OUTOFMEMORY leaves var empty.
  static HRESULT Create(VARIANT& var, VARTYPE vt, long len, long lb = 0, long len2 = 0, long lb2 = 0);
  // Create with lower bound 0 and one dimension.
  static HRESULT CreateReuse(VARIANT& var, VARTYPE vt, long len);
  // Create of count elements filled from a plain buffer: strings and VARIANTs are copied when
  // copyContents is set, else moved (the array becomes their owner).
  static HRESULT createFromBuffer(VARIANT& var, VARTYPE vt, const void* buffer, long count, bool copyContents);

  // Typed reads. A refused read is reported and gives NaN, 0, null or VT_EMPTY. Strings and
  // VARIANTs are the array's own (not copies).
  static long getLong(const VARIANT& var, long i);
  static long getLong(const VARIANT& var, long i, long j);
  static double getDouble(const VARIANT& var, long i);
  static double getDouble(const VARIANT& var, long i, long j);
  static BSTR getString(const VARIANT& var, long i);
  static BSTR getString(const VARIANT& var, long i, long j);
  static VARIANT getVariant(const VARIANT& var, long i);
  static VARIANT getVariant(const VARIANT& var, long i, long j);

  // Typed writes; false when the position was refused (and reported). putString stores the
  // pointer: the array owns the string afterwards and the slot's old string is not freed.
  static bool putDouble(VARIANT& var, long i, double value);
  static bool putDouble(VARIANT& var, long i, long j, double value);
  static bool putBool(VARIANT& var, long i, bool value);
  static bool putBool(VARIANT& var, long i, long j, bool value);
  static bool putString(VARIANT& var, long i, BSTR value);
  static bool putString(VARIANT& var, long i, long j, BSTR value);

  // Raw element bits of a plain block (element index - lb): VT_I4, VT_R8, VT_BSTR, VT_BOOL,
  // VT_VARIANT (vt may carry VT_ARRAY). Other types are reported; false.
  static bool noCopyItemGet(VARTYPE vt, const void* data, long index, void* out, long lb = 0);
  // Raw read or write of element index of a one-dimensional array of type vt. Never allocates.
  static bool noCopyVariantGetV(VARTYPE vt, const VARIANT& arr, long index, void* out);
  static bool noCopyVariantGetV(const VARIANT& arr, long index, BSTR& out);
  static bool noCopyVariantGetV(const VARIANT& arr, long index, VARIANT& out);
  static bool noCopyVariantGetV(const VARIANT& arr, long index, double& out);
  static bool noCopyVariantPutV(VARTYPE vt, VARIANT& arr, long index, const void* value);
  static bool noCopyVariantPutV(VARIANT& arr, long index, BSTR value);
  static bool noCopyVariantPutV(VARIANT& arr, long index, const VARIANT& value);
  static bool noCopyVariantPutV(VARIANT& arr, long index, double value);
  // False at or beyond lbound + elementCount, else noCopyVariantGetV. The idiom:
  //   for (long i = SetGet::lbound(v); SetGet::nextItem(VT_BSTR, v, i, &s); ++i) ...
  static bool nextItem(VARTYPE vt, const VARIANT& arr, long index, void* out);
  static bool nextItem(const VARIANT& arr, long index, BSTR& out);
  static bool nextItem(const VARIANT& arr, long index, VARIANT& out);
  static bool nextItem(const VARIANT& arr, long index, double& out);

  // Appends a copy of value (converted to the array's element type) to a one-dimensional array
  // or to VT_EMPTY (then an array of value's type, VT_VARIANT for other types); position -1 is
  // the end, lbound..ubound + 1 inserts there. The result has lower bound 0; returns the new
  // element's index, -1 when var is refused.
  static long Addcore(VARIANT& var, const VARIANT& value, long position = -1);

  // A VT_BSTR array of new copies of the list's strings, in list order, or element k from
  // list[order[k]] (then order->size() elements).
  static HRESULT fromStringList(VARIANT& var, const std::vector<std::string>& list,
                                const std::vector<long>* order = nullptr);
  static HRESULT fromStringList(VARIANT& var, const std::vector<std::wstring>& list,
                                const std::vector<long>* order = nullptr);

  // ---- Arguments as callers pass them ----
  // The value of an argument as the callee reads it: by-reference levels followed (a few at
  // most) and the value seen in place (a shallow view: nothing copied, nothing owned, valid
  // while the argument is). False for a null or too deep reference, a by-reference type that
  // is not followed, and an array whose own element type disagrees with its tag.
  static bool argumentView(const VARIANT& in, VARIANT& view);
  // "Nothing passed": VT_EMPTY, VT_NULL, an omitted optional argument (VT_ERROR
  // DISP_E_PARAMNOTFOUND) or an array of no elements. Expects a view.
  static bool isOmitted(const VARIANT& view);
  // A list that a script caller passes as VARIANTs each holding a string (element VT_BSTR) or a
  // double (VT_R8), elements by reference followed, as a new plain one-dimensional array in
  // `out` (empty on entry). S_FALSE, `out` untouched, for anything else (no VARIANT array, one
  // element of another type, an array in an element).
  static HRESULT plainArrayOf(const VARIANT& view, VARTYPE element, VARIANT& out);
  // The array's own element type (SafeArrayGetVartype, else its element size) agrees with the
  // VARIANT's tag; true for a VARIANT that holds no array.
  static bool elementTypeAgrees(const VARIANT& var);

  // Texts. Precision -1 means 15 significant digits. "No text" is "".
  static std::string valueToStr(VARTYPE vt, const void* value, int precision = -1);
  static std::string scalarToStr(const VARIANT& var, int precision = -1);
  static std::string bufferToStr(VARTYPE vt, const void* buffer, long count, const char* prefix = nullptr,
                                 int precision = -1, const char* separator = ", ");
  // "(a, b, c)" for one dimension, "(<a, b>, <c, d>)" for two (one group per index of the
  // dimension held first in the descriptor); bare drops the brackets. Elements holding the
  // separator are reported (one dimension only when checkSeparator). Failure gives "".
  // Arrays held in VARIANT elements are written one level deep, each cut at kNestedTextLimit
  // characters; a deeper or self-containing one is written "(...)". An array whose element
  // type disagrees with its tag has no text.
  static std::string variantToStr(const VARIANT& var, const char* separator = nullptr, bool bare = false,
                                  bool checkSeparator = false, int precision = -1);
  static constexpr size_t kNestedTextLimit = 200;

 private:
  template <class T>
  static T* slot1D(const VARIANT& var, VARTYPE vt, long i);
  static const SAFEARRAY* rawArray(VARTYPE vt, const VARIANT& arr, long index);
  // Reports why a typed one-dimensional access was refused.
  static void refuse1D(const VARIANT& var, VARTYPE vt, long i, const char* op);
  // Reports why a raw access was refused; returns the array when it may still be used.
  static const SAFEARRAY* refuseRaw(VARTYPE vt, const VARIANT& arr, long index, const char* op);
  static void reportBadVt(const char* text);
};

// ---- Inline hot paths: one-dimensional typed and raw access straight to the array data ----

namespace setget_detail {

inline bool inBounds(const SAFEARRAYBOUND& b, long i) {
  const long long k = static_cast<long long>(i) - b.lLbound;
  return k >= 0 && k < static_cast<long long>(b.cElements);
}

inline VARTYPE elementType(VARTYPE vt) { return static_cast<VARTYPE>(vt & ~VT_ARRAY); }

// Bytes moved by the raw operations; 0 for a type they do not handle.
inline size_t rawSize(VARTYPE vt) {
  switch (elementType(vt)) {
    case VT_I4: return 4;
    case VT_R8: return 8;
    case VT_BSTR: return sizeof(BSTR);
    case VT_BOOL: return sizeof(VARIANT_BOOL);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

}  // namespace setget_detail

inline bool SetGet::isArray(const VARIANT& var) {
  switch (var.vt) {
    case VT_ARRAY | VT_I4:
    case VT_ARRAY | VT_R8:
    case VT_ARRAY | VT_BSTR:
    case VT_ARRAY | VT_VARIANT: return true;
    default: return false;
  }
}

inline long SetGet::dimCount(const VARIANT& var) {
  return (var.vt & VT_ARRAY) && var.parray ? var.parray->cDims : 0;
}

inline long SetGet::lbound(const VARIANT& var) {
  return dimCount(var) ? var.parray->rgsabound[var.parray->cDims - 1].lLbound : 0;
}

inline long SetGet::elementCount(const VARIANT& var) {
  return dimCount(var) ? static_cast<long>(var.parray->rgsabound[var.parray->cDims - 1].cElements) : 0;
}

inline long SetGet::ubound(const VARIANT& var) { return lbound(var) + elementCount(var) - 1; }

template <class T>
inline T* SetGet::slot1D(const VARIANT& var, VARTYPE vt, long i) {
  SAFEARRAY* sa = var.parray;
  if (var.vt != (VT_ARRAY | vt) || !sa || sa->cDims != 1 || !setget_detail::inBounds(sa->rgsabound[0], i))
    return nullptr;
  return static_cast<T*>(sa->pvData) + (i - sa->rgsabound[0].lLbound);
}

inline long SetGet::getLong(const VARIANT& var, long i) {
  if (const LONG* p = slot1D<LONG>(var, VT_I4, i)) return *p;
  refuse1D(var, VT_I4, i, "getLong");
  return 0;
}

inline double SetGet::getDouble(const VARIANT& var, long i) {
  if (const double* p = slot1D<double>(var, VT_R8, i)) return *p;
  refuse1D(var, VT_R8, i, "getDouble");
  return std::numeric_limits<double>::quiet_NaN();
}

inline BSTR SetGet::getString(const VARIANT& var, long i) {
  if (const BSTR* p = slot1D<BSTR>(var, VT_BSTR, i)) return *p;
  refuse1D(var, VT_BSTR, i, "getString");
  return nullptr;
}

inline VARIANT SetGet::getVariant(const VARIANT& var, long i) {
  if (const VARIANT* p = slot1D<VARIANT>(var, VT_VARIANT, i)) return *p;
  refuse1D(var, VT_VARIANT, i, "getVariant");
  VARIANT none;
  VariantInit(&none);
  return none;
}

inline bool SetGet::putDouble(VARIANT& var, long i, double value) {
  if (double* p = slot1D<double>(var, VT_R8, i)) return *p = value, true;
  refuse1D(var, VT_R8, i, "putDouble");
  return false;
}

inline bool SetGet::putBool(VARIANT& var, long i, bool value) {
  if (VARIANT_BOOL* p = slot1D<VARIANT_BOOL>(var, VT_BOOL, i)) return *p = value ? VARIANT_TRUE : VARIANT_FALSE, true;
  refuse1D(var, VT_BOOL, i, "putBool");
  return false;
}

inline bool SetGet::putString(VARIANT& var, long i, BSTR value) {
  if (BSTR* p = slot1D<BSTR>(var, VT_BSTR, i)) return *p = value, true;
  refuse1D(var, VT_BSTR, i, "putString");
  return false;
}

inline bool SetGet::noCopyItemGet(VARTYPE vt, const void* data, long index, void* out, long lb) {
  const size_t size = setget_detail::rawSize(vt);
  if (!size) {
    reportBadVt("bad VT in noCopyItemGet");
    return false;
  }
  std::memcpy(out, static_cast<const char*>(data) + static_cast<ptrdiff_t>(index - lb) * size, size);
  return true;
}

// The array when a raw access of element index is possible as it stands.
inline const SAFEARRAY* SetGet::rawArray(VARTYPE vt, const VARIANT& arr, long index) {
  const SAFEARRAY* sa = arr.parray;
  if (arr.vt != (VT_ARRAY | setget_detail::elementType(vt)) || !sa || sa->cDims != 1 ||
      !setget_detail::inBounds(sa->rgsabound[0], index))
    return nullptr;
  return sa;
}

inline bool SetGet::noCopyVariantGetV(VARTYPE vt, const VARIANT& arr, long index, void* out) {
  const SAFEARRAY* sa = rawArray(vt, arr, index);
  if (!sa && !(sa = refuseRaw(vt, arr, index, "noCopyVariantGetV"))) return false;
  return noCopyItemGet(vt, sa->pvData, index, out, sa->rgsabound[sa->cDims - 1].lLbound);
}

inline bool SetGet::noCopyVariantPutV(VARTYPE vt, VARIANT& arr, long index, const void* value) {
  const SAFEARRAY* sa = rawArray(vt, arr, index);
  if (!sa && !(sa = refuseRaw(vt, arr, index, "noCopyVariantPutV"))) return false;
  const size_t size = setget_detail::rawSize(vt);
  if (!size) {
    reportBadVt("bad VT in noCopyVariantPutV");
    return false;
  }
  const long k = index - sa->rgsabound[sa->cDims - 1].lLbound;
  std::memcpy(static_cast<char*>(sa->pvData) + static_cast<ptrdiff_t>(k) * size, value, size);
  return true;
}

inline bool SetGet::noCopyVariantGetV(const VARIANT& arr, long index, BSTR& out) {
  return noCopyVariantGetV(VT_BSTR, arr, index, &out);
}
inline bool SetGet::noCopyVariantGetV(const VARIANT& arr, long index, VARIANT& out) {
  return noCopyVariantGetV(VT_VARIANT, arr, index, &out);
}
inline bool SetGet::noCopyVariantGetV(const VARIANT& arr, long index, double& out) {
  return noCopyVariantGetV(VT_R8, arr, index, &out);
}
inline bool SetGet::noCopyVariantPutV(VARIANT& arr, long index, BSTR value) {
  return noCopyVariantPutV(VT_BSTR, arr, index, &value);
}
inline bool SetGet::noCopyVariantPutV(VARIANT& arr, long index, const VARIANT& value) {
  return noCopyVariantPutV(VT_VARIANT, arr, index, &value);
}
inline bool SetGet::noCopyVariantPutV(VARIANT& arr, long index, double value) {
  return noCopyVariantPutV(VT_R8, arr, index, &value);
}

inline bool SetGet::nextItem(VARTYPE vt, const VARIANT& arr, long index, void* out) {
  if (static_cast<long long>(index) >= static_cast<long long>(lbound(arr)) + elementCount(arr)) return false;
  return noCopyVariantGetV(vt, arr, index, out);
}
inline bool SetGet::nextItem(const VARIANT& arr, long index, BSTR& out) { return nextItem(VT_BSTR, arr, index, &out); }
inline bool SetGet::nextItem(const VARIANT& arr, long index, VARIANT& out) {
  return nextItem(VT_VARIANT, arr, index, &out);
}
inline bool SetGet::nextItem(const VARIANT& arr, long index, double& out) { return nextItem(VT_R8, arr, index, &out); }

}  // namespace support
