#include "errors/COVCOError.h"

#include "support/Guards.h"
#include "support/Report.h"

using support::Bstr;
using support::ComPtr;

namespace {

constexpr char kHostTraceProblem[] = "Problem logging to simulator's trace window. ";

}  // namespace

COVCOError::COVCOError(double floorValue, const UtilsFactory& createUtils) : CCOError(floorValue, createUtils) {}

COVCOError::~COVCOError() = default;

HRESULT COVCOError::stepFailure(HRESULT hr) {
  return support::reportError(FAILED(hr) ? hr : E_POINTER, support::kUnexpected, nullptr, ownerWindow(), true);
}

HRESULT COVCOError::notifyHost() {
  try {
    ComPtr<ExtnContainer> container;
    if (m_container.get(container) != S_OK || !container) return S_FALSE;
    ComPtr<HostCase> owningCase;
    HRESULT hr = container->get_Case(owningCase.GetAddressOf());
    if (FAILED(hr) || !owningCase) return stepFailure(hr);
    ComPtr<HostSolver> solver;
    hr = owningCase->get_Solver(solver.GetAddressOf());
    if (FAILED(hr) || !solver) return stepFailure(hr);
    hr = solver->put_Enabled(0);
    return FAILED(hr) ? stepFailure(hr) : hr;
  } catch (...) {
    return stepFailure(E_FAIL);
  }
}

int COVCOError::logToHost(const wchar_t* text, unsigned char flag, long extra) {
  try {
    ComPtr<ExtnContainer> container;
    if (m_container.get(container) != S_OK || !container) return 1;
    const Bstr line(text ? text : L"");
    const HRESULT hr = container->WriteTrace(line.get(), flag, extra);
    if (SUCCEEDED(hr)) return 0;
    show(hr, kHostTraceProblem);
  } catch (...) {
    showFailure(kHostTraceProblem);
  }
  return 1;
}
