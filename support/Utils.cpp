#include "support/Utils.h"

#include "support/Report.h"
#include "support/SetGet.h"

namespace support {

namespace {

bool scalarEquals(const VARIANT& a, const VARIANT& b) {
  switch (a.vt) {
    case VT_EMPTY: return true;
    case VT_I4: return a.lVal == b.lVal;
    case VT_I2: return a.iVal == b.iVal;
    case VT_BOOL: return a.boolVal == b.boolVal;
    case VT_R8: return a.dblVal == b.dblVal;
    case VT_BSTR: return sameText(a.bstrVal, b.bstrVal);
    default: return false;
  }
}

bool comparableElement(VARTYPE vt) {
  return vt == VT_I4 || vt == VT_I2 || vt == VT_BOOL || vt == VT_R8 || vt == VT_BSTR || vt == VT_VARIANT;
}

// An array element seen as a VARIANT: a VT_VARIANT element itself, else a shallow view.
const VARIANT& elementView(VARTYPE vt, const char* slot, size_t size, VARIANT& view) {
  if (vt == VT_VARIANT) return *reinterpret_cast<const VARIANT*>(slot);
  VariantInit(&view);
  view.vt = vt;
  std::memcpy(&view.lVal, slot, size);
  return view;
}

bool sameShape(const SAFEARRAY* a, const SAFEARRAY* b) {
  const UINT dims = a ? a->cDims : 0;
  if (dims != (b ? b->cDims : 0)) return false;
  for (UINT d = 0; d < dims; ++d)
    if (a->rgsabound[d].lLbound != b->rgsabound[d].lLbound || a->rgsabound[d].cElements != b->rgsabound[d].cElements)
      return false;
  return true;
}

size_t totalElements(const SAFEARRAY* sa) {
  size_t n = sa && sa->cDims ? 1 : 0;
  for (UINT d = 0; sa && d < sa->cDims; ++d) n *= sa->rgsabound[d].cElements;
  return n;
}

bool arrayEquals(const VARIANT& a, const VARIANT& b, ElementCompare compare) {
  const VARTYPE vt = a.vt & VT_TYPEMASK;
  if ((a.vt & VT_BYREF) || !comparableElement(vt) || !sameShape(a.parray, b.parray)) return false;
  const size_t n = totalElements(a.parray);
  for (size_t k = 0; k < n; ++k) {
    const size_t size = a.parray->cbElements;
    VARIANT viewA;
    VARIANT viewB;
    const VARIANT& ea = elementView(vt, static_cast<const char*>(a.parray->pvData) + k * size, size, viewA);
    const VARIANT& eb = elementView(vt, static_cast<const char*>(b.parray->pvData) + k * size, size, viewB);
    const bool same = compare ? compare(ea, eb) : vt == VT_VARIANT ? equals(ea, eb) : scalarEquals(ea, eb);
    if (!same) return false;
  }
  return true;
}

}  // namespace

bool equals(const VARIANT& a, const VARIANT& b, ElementCompare compare) {
  if (a.vt != b.vt) return false;
  return (a.vt & VT_ARRAY) ? arrayEquals(a, b, compare) : scalarEquals(a, b);
}

long Utils::findPos(const VARIANT& arr, TextView text, Match match, bool emptiesAreMatched) {
  if (match && emptiesAreMatched) {
    reportError(100, "Utils::findPos error:If a not NULL function is passed, emptiesAreMatched cannot be true");
    return -1;
  }
  if (text.empty() && !emptiesAreMatched) return -1;
  BSTR element = nullptr;
  for (long i = SetGet::lbound(arr); SetGet::nextItem(arr, i, element); ++i)
    if (match ? match(element, text) : sameText(element, text)) return i;
  return -1;
}

}  // namespace support
