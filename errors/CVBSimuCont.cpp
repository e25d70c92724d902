#include "CVBSimuCont.h"

// IVBSimuCont

STDMETHODIMP CVBSimuCont::put_SimContextCallback(IDispatch*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_SimContextCallback(IDispatch**) {
  return E_NOTIMPL;  // built with the simulation context work
}

// ICapeDiagnostic

STDMETHODIMP CVBSimuCont::PopUpMessage(BSTR) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::LogMessage(BSTR) {
  return E_NOTIMPL;  // built with the simulation context work
}

// ECapeBadArgument

STDMETHODIMP CVBSimuCont::get_position(short*) {
  return E_NOTIMPL;  // built with the simulation context work
}

// ECapeBadCOParameter

STDMETHODIMP CVBSimuCont::get_parameterName(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_parameter(IDispatch**) {
  return E_NOTIMPL;  // built with the simulation context work
}

// ECapeBadInvOrder

STDMETHODIMP CVBSimuCont::get_requestedOperation(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

// ECapeRoot

STDMETHODIMP CVBSimuCont::get_name(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

// ECapeUser

STDMETHODIMP CVBSimuCont::get_code(LONG*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_description(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_scope(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_interfaceName(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_operation(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}

STDMETHODIMP CVBSimuCont::get_moreInfo(BSTR*) {
  return E_NOTIMPL;  // built with the simulation context work
}
