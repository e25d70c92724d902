#include "CMatObj.h"

// Placeholders until this part is built.

std::wstring PropQualif::text() const { return std::wstring(); }
HRESULT CMatObj::getPropValues(int, int, std::vector<double>&) { return E_NOTIMPL; }
HRESULT CMatObj::setPropValues(int, int, const double*, int) { return E_NOTIMPL; }

STDMETHODIMP CMatObj::GetPropVal(LONG, LONG, VARIANT*) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::setPropVal(LONG, LONG, VARIANT) {
  return E_NOTIMPL;  // not built yet
}

STDMETHODIMP CMatObj::get_ComponentIds(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::get_PhaseIds(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetUniversalConstant(VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetProp(BSTR, BSTR, VARIANT, BSTR, BSTR, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::SetProp(BSTR, BSTR, VARIANT, BSTR, BSTR, VARIANT) {
  return E_NOTIMPL;  // built with the material object property access work
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

STDMETHODIMP CMatObj::ValidityCheck(VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetPropList(VARIANT*) {
  return E_NOTIMPL;  // built with the material object property access work
}

STDMETHODIMP CMatObj::GetNumComponents(LONG*) {
  return E_NOTIMPL;  // built with the material object property access work
}
