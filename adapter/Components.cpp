#include "CVBPropPkg.h"

STDMETHODIMP CVBPropPkg::PreSelectedComponents(int*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::EndBasisChange(VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::getCompConstantDbl(BSTR, LONG, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::setComps(VARIANT) {
  return E_NOTIMPL;  // placeholder
}

bool CVBPropPkg::recallBasisNeeded() {
  return false;  // placeholder
}

HRESULT CVBPropPkg::readRecalledBasis() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::readComponentList() {
  return E_NOTIMPL;  // placeholder
}

int CVBPropPkg::identifyComponent(int, bool, std::wstring&) {
  return -1;  // placeholder
}

void CVBPropPkg::sizeComponentState(int) {
  // placeholder
}

HRESULT CVBPropPkg::setDefaultFlags() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::checkRepeatedIds() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::guardVariableChange(const std::wstring&, const VARIANT&, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::refreshHypotheticals() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::importSelection() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::preselectComponents() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::hostFluidPackage(support::ComPtr<HostFluidPackage>&) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::createHypothetical(std::wstring&, int&) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::configureHypothetical(HostHypoComponent*, int) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::readHostBasis() {
  return E_NOTIMPL;  // placeholder
}

double CVBPropPkg::componentConstant(const wchar_t*, int) {
  return 0.0;  // placeholder
}

void CVBPropPkg::ComponentLists::clear() {}
