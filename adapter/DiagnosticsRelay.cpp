#include "adapter/DiagnosticsRelay.h"

HRESULT DiagnosticsRelay::create(ICapeDiagnostics* target, DiagnosticsRelay** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ICapeDiagnostics* relay = nullptr;
  const HRESULT hr = comkit::createInstance<DiagnosticsRelay>(nullptr, __uuidof(ICapeDiagnostics),
                                                             reinterpret_cast<void**>(&relay));
  if (FAILED(hr)) return hr;
  *out = static_cast<DiagnosticsRelay*>(relay);
  (*out)->m_target = target;
  return S_OK;
}

STDMETHODIMP DiagnosticsRelay::logError(LONG errNumber, BSTR txt) {
  ICapeDiagnostics* target = m_target;
  return target ? target->logError(errNumber, txt) : E_UNEXPECTED;
}

STDMETHODIMP DiagnosticsRelay::popUpError(LONG errNumber, BSTR txt) {
  ICapeDiagnostics* target = m_target;
  return target ? target->popUpError(errNumber, txt) : E_UNEXPECTED;
}

STDMETHODIMP DiagnosticsRelay::complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj,
                                             VARIANT_BOOL calculating, BSTR additionalInfo) {
  ICapeDiagnostics* target = m_target;
  return target ? target->complainError(doingAction, hrFromCOobj, COobj, calculating, additionalInfo) : E_UNEXPECTED;
}
