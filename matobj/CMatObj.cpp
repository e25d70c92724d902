#include "CMatObj.h"

// IMatObj

STDMETHODIMP CMatObj::put_proxyPtr(IDispatch*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::getThis(hyper*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::put_PropertyPackage(IDispatch*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::Terminate() {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::setComps(VARIANT, VARIANT_BOOL) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::SetNumComps(LONG) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::GetFugCoefs(LONG, VARIANT*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::get_ownerHWnd(LONG*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::put_ownerHWnd(LONG) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::SetTPFraction(double, double, VARIANT, LONG) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::GetPropVal(LONG, LONG, VARIANT*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::setPropVal(LONG, LONG, VARIANT) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::get_popUpAnyError(VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::put_popUpAnyError(VARIANT_BOOL) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::safeCalcProp(VARIANT, VARIANT, BSTR) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::GetTPfraction(double*, double*, VARIANT*, LONG) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::get_liquid2Name(BSTR*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::put_liquid2Name(BSTR) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::RemoveResult(BSTR, LONG) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::phaseExists(LONG, BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the material object work
}

// ICapeThermoMaterialObject

STDMETHODIMP CMatObj::get_ComponentIds(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::get_PhaseIds(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetUniversalConstant(VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetComponentConstant(VARIANT, VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the component constants work
}

STDMETHODIMP CMatObj::CalcProp(VARIANT, VARIANT, BSTR) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::GetProp(BSTR, BSTR, VARIANT, BSTR, BSTR, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::SetProp(BSTR, BSTR, VARIANT, BSTR, BSTR, VARIANT) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::CalcEquilibrium(BSTR, VARIANT) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::SetIndependentVar(VARIANT, VARIANT) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetIndependentVar(VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::PropCheck(VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::AvailableProps(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::RemoveResults(VARIANT) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::CreateMaterialObject(IDispatch**) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::Duplicate(IDispatch**) {
  return E_NOTIMPL;  // built with the calculation forwarding work
}

STDMETHODIMP CMatObj::ValidityCheck(VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetPropList(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetNumComponents(LONG*) {
  return E_NOTIMPL;  // built with the material object property access work
}

// ICapeIdentification

STDMETHODIMP CMatObj::get_ComponentName(BSTR*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::put_ComponentName(BSTR) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::get_ComponentDescription(BSTR*) {
  return E_NOTIMPL;  // built with the material object work
}

STDMETHODIMP CMatObj::put_ComponentDescription(BSTR) {
  return E_NOTIMPL;  // built with the material object work
}
