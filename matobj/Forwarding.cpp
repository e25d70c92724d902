#include "CMatObj.h"

// Placeholders until this part is built.

HRESULT CMatObj::getHostPhaseProperties(double* const[4]) { return E_NOTIMPL; }

STDMETHODIMP CMatObj::safeCalcProp(VARIANT, VARIANT, BSTR) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::CalcProp(VARIANT, VARIANT, BSTR) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::CalcEquilibrium(BSTR, VARIANT) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::CreateMaterialObject(IDispatch**) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::Duplicate(IDispatch**) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}
