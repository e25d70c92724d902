#include "CMatObj.h"

// Placeholders until this part is built.

HRESULT CMatObj::getComponentConstantCore(const VARIANT&, const VARIANT&, VARIANT*) { return E_NOTIMPL; }

STDMETHODIMP CMatObj::GetComponentConstant(VARIANT, VARIANT, VARIANT*) {
  return E_NOTIMPL;  // built with the component constants work
}
