#pragma once
// The adapter's error object: CCOError that also reaches the host through its extension
// container, to hold the solver after a severe error and to write to the host's trace window.
#include "errors/CCOError.h"
#include "OvHost.h"

class COVCOError : public CCOError {
 public:
  explicit COVCOError(double floorValue, const UtilsFactory& createUtils = createErrorUtils);
  ~COVCOError() override;

  // The container's case, its solver, and the solver disabled; each failing step is reported
  // (kUnexpected with its code) and ends the chain. S_FALSE without a container.
  HRESULT notifyHost() override;
  // Writes text to the host's trace window: 0 when done, 1 without a container or on failure
  // (shown as "Problem logging to simulator's trace window. ").
  virtual int logToHost(const wchar_t* text, unsigned char flag, long extra);

  // The host container given to Initialize (null: none); set on the host's thread.
  HRESULT setContainer(IUnknown* container) { return m_container.replace(container); }

 private:
  // Reports a failed step of the host chain; a step that succeeds without an object is E_POINTER.
  HRESULT stepFailure(HRESULT hr);

  support::GlobalizedPointer<ExtnContainer> m_container;
};
