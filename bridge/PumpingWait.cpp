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

DWORD waitForHandlesOrInput(DWORD count, const HANDLE* handles) {
  // Messages already queued count as input too, so the queue is looked at only when the wait
  // says there is something in it: one call to the system per hand-over instead of two.
  return MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

WaitEnd waitPumping(HANDLE handle, WPARAM* quitCode) {
  for (;;) {
    const DWORD woken = waitForHandlesOrInput(1, &handle);
    if (woken == WAIT_OBJECT_0) return WaitEnd::Signalled;
    if (woken != WAIT_OBJECT_0 + 1) raiseWaitFailure();
    if (!pumpMessages(quitCode)) return WaitEnd::Quit;
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
