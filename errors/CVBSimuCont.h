#pragma once
// The simulation context offered to a CAPE-OPEN package ("Zendrel.VBSimuCont"): it forwards the
// package's diagnostics to the host's callback and carries the CAPE-OPEN error interfaces.
#include <windows.h>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "OvDiagnostic.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

class CVBSimuCont
    : public comkit::Object<
          comkit::Dual<IVBSimuCont>, comkit::Dual<ICapeDiagnostic, &LIBID_CAPEOPEN100>,
          comkit::Dual<ECapeBadArgument, &LIBID_CAPEOPEN100>, comkit::Dual<ECapeBadCOParameter, &LIBID_CAPEOPEN100>,
          comkit::Dual<ECapeBadInvOrder, &LIBID_CAPEOPEN100>, comkit::Dual<ECapeData, &LIBID_CAPEOPEN100>,
          comkit::Dual<ECapeImplementation, &LIBID_CAPEOPEN100>,
          comkit::Dual<ECapeInvalidArgument, &LIBID_CAPEOPEN100>, comkit::Dual<ECapeNoImpl, &LIBID_CAPEOPEN100>,
          comkit::Dual<ECapeRoot, &LIBID_CAPEOPEN100>, comkit::Dual<ECapeUnknown, &LIBID_CAPEOPEN100>,
          comkit::Dual<ECapeUser, &LIBID_CAPEOPEN100>, comkit::Dual<ICapeSimulationContext, &LIBID_CAPEOPEN100>> {
 public:
  // IVBSimuCont
  STDMETHODIMP put_SimContextCallback(IDispatch* callback) override;
  STDMETHODIMP get_SimContextCallback(IDispatch** callback) override;

  // ICapeDiagnostic
  STDMETHODIMP PopUpMessage(BSTR message) override;
  STDMETHODIMP LogMessage(BSTR message) override;

  // ECapeBadArgument
  STDMETHODIMP get_position(short* position) override;

  // ECapeBadCOParameter
  STDMETHODIMP get_parameterName(BSTR* parameterName) override;
  STDMETHODIMP get_parameter(IDispatch** parameter) override;

  // ECapeBadInvOrder
  STDMETHODIMP get_requestedOperation(BSTR* requestedOperation) override;

  // ECapeRoot
  STDMETHODIMP get_name(BSTR* name) override;

  // ECapeUser
  STDMETHODIMP get_code(LONG* code) override;
  STDMETHODIMP get_description(BSTR* description) override;
  STDMETHODIMP get_scope(BSTR* scope) override;
  STDMETHODIMP get_interfaceName(BSTR* interfaceName) override;
  STDMETHODIMP get_operation(BSTR* operation) override;
  STDMETHODIMP get_moreInfo(BSTR* moreInfo) override;

 private:
  using Forward = HRESULT (STDMETHODCALLTYPE OvDiagnosticCallback::*)(BSTR);
  // Calls the callback's pop-up or log method; E_FAIL without a callback.
  HRESULT forward(Forward method, BSTR message);

  // Held for as long as the context keeps it: a package that logs after the host let go of
  // its callback still reaches a live object.
  support::ComPtr<OvDiagnosticCallback> m_callback;
};
