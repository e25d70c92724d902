#pragma once
// What the material object gets as the adapter's ICapeDiagnostics: a relay that passes every
// report on to the adapter without holding it. The material object keeps its diagnostics for
// its whole life; were that the adapter itself, the adapter -> material object -> adapter cycle
// would keep both (and the CAPE-OPEN thread) alive after the host let the adapter go.
#include <windows.h>

#include <atomic>

#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "ZendrelLib.h"

class DiagnosticsRelay final : public comkit::Object<comkit::Dual<ICapeDiagnostics>> {
 public:
  // target is not held; detach() before it goes.
  static HRESULT create(ICapeDiagnostics* target, DiagnosticsRelay** out);
  // From now on every report is answered with E_UNEXPECTED.
  void detach() { m_target = nullptr; }

  STDMETHODIMP logError(LONG errNumber, BSTR txt) override;
  STDMETHODIMP popUpError(LONG errNumber, BSTR txt) override;
  STDMETHODIMP complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj, VARIANT_BOOL calculating,
                             BSTR additionalInfo) override;

 private:
  std::atomic<ICapeDiagnostics*> m_target{nullptr};
};
