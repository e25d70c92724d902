#include "ids/GCOProperty.h"

#include "ids/COIds.h"
#include "support/SetGet.h"
#include "support/Utils.h"

using support::SetGet;

namespace {

bool isMoleOrMass(int basis) { return basis == BsMOLE || basis == BsMASS; }

bool sameBasis(BSTR a, BSTR b) {
  const int ia = COIds::findId(a, COIds::KBasis);
  const int ib = COIds::findId(b, COIds::KBasis);
  return ia == ib || (isMoleOrMass(ia) && isMoleOrMass(ib));
}

bool isDoubleArray(const VARIANT& v) { return v.vt == (VT_ARRAY | VT_R8) && SetGet::dimCount(v) == 1; }

bool isStringArray(const VARIANT& v) { return v.vt == (VT_ARRAY | VT_BSTR) && SetGet::dimCount(v) == 1; }

HRESULT copyInto(support::Variant& target, const VARIANT& source) {
  support::Variant copy;
  HRESULT hr = copy.copyFrom(source);
  if (FAILED(hr)) return hr;
  target = std::move(copy);
  return S_OK;
}

}  // namespace

GCOProperty::GCOProperty(const COCompoundList* owner, BSTR property, BSTR phase, BSTR calcType, BSTR basis)
    : m_property(property), m_phase(phase), m_calcType(calcType), m_basis(basis), m_owner(owner) {}

bool GCOProperty::matches(BSTR property, BSTR phase, BSTR calcType, BSTR basis) const {
  return support::sameText(m_property.get(), property) && support::sameText(m_phase.get(), phase) &&
         support::sameText(m_calcType.get(), calcType) && sameBasis(m_basis.get(), basis);
}

bool GCOProperty::storesPerCompound(const VARIANT& compIds) const {
  if (SetGet::isOmitted(compIds)) return false;
  const bool pure = COIds::findId(m_calcType.get(), COIds::KCalcType) == CtPURE;
  return pure || COIds::isCompoundArrayProp(COIds::findId(m_property.get(), COIds::KProperty), 0);
}

HRESULT GCOProperty::setValue(const VARIANT& compIds, const VARIANT& value) {
  if (!isDoubleArray(value)) return E_INVALIDARG;
  if (!storesPerCompound(compIds)) return copyInto(m_value, value);
  return placeByCompound(compIds, value);
}

HRESULT GCOProperty::placeByCompound(const VARIANT& compIds, const VARIANT& value) {
  if (!m_owner || !isStringArray(compIds) || SetGet::lbound(compIds) != SetGet::lbound(value) ||
      SetGet::elementCount(compIds) != SetGet::elementCount(value))
    return E_INVALIDARG;
  // Filled aside and swapped in, so that a refusal leaves the stored value as it was.
  support::Variant placed;
  HRESULT hr = copyInto(placed, m_value.get());
  if (SUCCEEDED(hr)) hr = SetGet::Create(placed.get(), VT_R8, m_owner->compoundCount());
  if (FAILED(hr)) return hr;
  const int count = m_owner->compoundCount();
  const long last = SetGet::ubound(value);
  for (long i = SetGet::lbound(value); i <= last; ++i) {
    const int position = m_owner->compoundIndex(SetGet::getString(compIds, i));
    if (position < 0 || position >= count) return E_INVALIDARG;
    SetGet::putDouble(placed.get(), position, SetGet::getDouble(value, i));
  }
  m_value = std::move(placed);
  return S_OK;
}

HRESULT GCOProperty::getValue(VARIANT* out) const {
  if (!out) return E_POINTER;
  VariantInit(out);
  return VariantCopy(out, const_cast<VARIANT*>(&m_value.get()));
}
