#include "PumpingWait.h"

#include <comdef.h>

#include <string>

#include "ModuleInfo.h"
#include "Raii.h"
#include "Report.h"
#include "Text.h"

namespace bridge {

namespace {

const wchar_t* const kWaitSource = L"CLightLock::lock";

// Error information with the given description and source (null if it cannot be made).
IErrorInfo* newErrorInfo(const std::wstring& description, const wchar_t* source) {
  support::ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.GetAddressOf()))) return nullptr;
  create->SetDescription(const_cast<wchar_t*>(description.c_str()));
  create->SetSource(const_cast<wchar_t*>(source));
  IErrorInfo* info = nullptr;
  create->QueryInterface(IID_PPV_ARGS(&info));
  return info;
}

[[noreturn]] void raiseWaitFailure() {
  const HRESULT code = lastErrorCode();
  const std::string text = support::systemErrorText();
  // _com_error takes over the reference.
  throw _com_error(code, newErrorInfo(support::widen(text), kWaitSource), false);
}

}  // namespace

HRESULT lastErrorCode() {
  const DWORD error = GetLastError();
  return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

bool pumpMessages(WPARAM* quitCode) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      if (quitCode) *quitCode = msg.wParam;
      return false;
    }
    DispatchMessageW(&msg);
  }
  return true;
}

WaitEnd waitPumping(HANDLE handle, WPARAM* quitCode) {
  for (;;) {
    if (!pumpMessages(quitCode)) return WaitEnd::Quit;
    const DWORD woken = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return WaitEnd::Signalled;
    if (woken != WAIT_OBJECT_0 + 1) raiseWaitFailure();
  }
}

void waitPumpingToEnd(HANDLE handle) {
  HeldQuit quit;
  while (waitPumping(handle, quit.code()) == WaitEnd::Quit) quit.hold();
}

WaitEnd pauseDispatching(DWORD ms, WPARAM* quitCode) {
  MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
  return pumpMessages(quitCode) ? WaitEnd::Signalled : WaitEnd::Quit;
}

void setEventReported(HANDLE event) {
  if (SetEvent(event)) return;
  support::reportError(lastErrorCode(), "error setEvent");
}

}  // namespace bridge
