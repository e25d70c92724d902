#include "errors/CVBSimuCont.h"

#include "support/Raii.h"

namespace {

// The error interfaces are stubs: E_NOTIMPL with a cleared result, E_POINTER without one.
template <class T>
HRESULT notImplemented(T* out) {
  if (!out) return E_POINTER;
  *out = T();
  return E_NOTIMPL;
}

// Leaves code to the caller together with the error information the failing call left, so
// the package sees the callback's failure as its own.
HRESULT raiseWithErrorInfo(HRESULT code) {
  support::ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.GetAddressOf()) != S_OK) info.Reset();
  SetErrorInfo(0, info.Get());
  return code;
}

}  // namespace

// IVBSimuCont

STDMETHODIMP CVBSimuCont::put_SimContextCallback(IDispatch* callback) {
  try {
    m_callback.Reset();
    if (!callback) return S_OK;
    support::ComPtr<OvDiagnosticCallback> diagnostic;
    HRESULT hr = callback->QueryInterface(__uuidof(OvDiagnosticCallback), reinterpret_cast<void**>(diagnostic.GetAddressOf()));
    if (hr == E_NOINTERFACE) return S_OK;
    if (FAILED(hr)) return raiseWithErrorInfo(hr);
    m_callback = std::move(diagnostic);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CVBSimuCont::get_SimContextCallback(IDispatch** callback) {
  if (!callback) return E_POINTER;
  *callback = nullptr;  // the callback is not handed out
  return S_OK;
}

// ICapeDiagnostic

HRESULT CVBSimuCont::forward(Forward method, BSTR message) {
  try {
    if (!m_callback) return E_FAIL;
    HRESULT hr = (m_callback.Get()->*method)(message);
    return FAILED(hr) ? raiseWithErrorInfo(hr) : hr;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CVBSimuCont::PopUpMessage(BSTR message) { return forward(&OvDiagnosticCallback::PopUpMessage, message); }

STDMETHODIMP CVBSimuCont::LogMessage(BSTR message) { return forward(&OvDiagnosticCallback::LogMessage, message); }

// ECapeBadArgument

STDMETHODIMP CVBSimuCont::get_position(short* position) { return notImplemented(position); }

// ECapeBadCOParameter

STDMETHODIMP CVBSimuCont::get_parameterName(BSTR* parameterName) { return notImplemented(parameterName); }

STDMETHODIMP CVBSimuCont::get_parameter(IDispatch** parameter) { return notImplemented(parameter); }

// ECapeBadInvOrder

STDMETHODIMP CVBSimuCont::get_requestedOperation(BSTR* requestedOperation) {
  return notImplemented(requestedOperation);
}

// ECapeRoot

STDMETHODIMP CVBSimuCont::get_name(BSTR* name) { return notImplemented(name); }

// ECapeUser

STDMETHODIMP CVBSimuCont::get_code(LONG* code) { return notImplemented(code); }

STDMETHODIMP CVBSimuCont::get_description(BSTR* description) { return notImplemented(description); }

STDMETHODIMP CVBSimuCont::get_scope(BSTR* scope) { return notImplemented(scope); }

STDMETHODIMP CVBSimuCont::get_interfaceName(BSTR* interfaceName) { return notImplemented(interfaceName); }

STDMETHODIMP CVBSimuCont::get_operation(BSTR* operation) { return notImplemented(operation); }

STDMETHODIMP CVBSimuCont::get_moreInfo(BSTR* moreInfo) { return notImplemented(moreInfo); }
