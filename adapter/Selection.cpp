#include "CVBPropPkg.h"

STDMETHODIMP CVBPropPkg::selectPropPack(IDispatch**) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::createPropPackage(IDispatch**, IDispatch**) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::createMatObject(IDispatch**) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::createObjects() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::showEditView() {
  return E_NOTIMPL;  // placeholder
}

void CVBPropPkg::releaseObjects() {
  // placeholder
}

HRESULT CVBPropPkg::createBrowser(support::ComPtr<IShowCOCATIDs>&) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::selectPackage() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::showSelection() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::createPackage() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::createMaterialObject() {
  return E_NOTIMPL;  // placeholder
}

void CVBPropPkg::recordListPositions() {
  // placeholder
}

HRESULT CVBPropPkg::checkAbilities() {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::openComponentPage() {
  return E_NOTIMPL;  // placeholder
}
