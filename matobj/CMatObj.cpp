#include "CMatObj.h"

// Placeholders until this part is built.

const int CMatObj::kCachedProps[CMatObj::kCachedCount] = {27, 28, 29, 35, 36, 37, 38, 34, 30, 33, 43, 31, 32, 42, 40};

bool CMatObj::isCachedProp(int) { return false; }
CMatObj::CMatObj() = default;
CMatObj::~CMatObj() = default;
HRESULT CMatObj::finalConstruct() { return S_OK; }
void CMatObj::stampTable() {}
int CMatObj::compoundIndex(BSTR) const { return -1; }
CPHARR* CMatObj::getData(int, int) { return nullptr; }
CPHARR* CMatObj::entryOfCode(int) { return nullptr; }
int CMatObj::getSizes(int, int) { return 0; }
HRESULT CMatObj::checkReadyToCalc() { return E_NOTIMPL; }
int CMatObj::phaseSlot(int) { return -1; }
void CMatObj::setHostPhases(const int*, int) {}
int CMatObj::hostSlot(int) const { return -1; }
HRESULT CMatObj::getHostFugacityCoefficients(double* const[3]) { return E_NOTIMPL; }
HRESULT CMatObj::setHostTPFractions(double, double, const double* const[3]) { return E_NOTIMPL; }
HRESULT CMatObj::getHostKValues(double* const[3]) { return E_NOTIMPL; }

STDMETHODIMP CMatObj::put_proxyPtr(IDispatch*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::getThis(hyper*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::put_PropertyPackage(IDispatch*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::Terminate() {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::setComps(VARIANT, VARIANT_BOOL) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::SetNumComps(LONG) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::GetFugCoefs(LONG, VARIANT*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::get_ownerHWnd(LONG*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::put_ownerHWnd(LONG) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::SetTPFraction(double, double, VARIANT, LONG) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::get_popUpAnyError(VARIANT_BOOL*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::put_popUpAnyError(VARIANT_BOOL) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::GetTPfraction(double*, double*, VARIANT*, LONG) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::get_liquid2Name(BSTR*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::put_liquid2Name(BSTR) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::RemoveResult(BSTR, LONG) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::phaseExists(LONG, BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::get_ComponentName(BSTR*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::put_ComponentName(BSTR) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::get_ComponentDescription(BSTR*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::put_ComponentDescription(BSTR) {
  return E_NOTIMPL;  // not built yet
}
