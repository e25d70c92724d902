#include "bridge/PumpingWait.h"

#include <comdef.h>

#include <string>

#include "support/ModuleInfo.h"
#include "support/Raii.h"
#include "support/Report.h"
#include "support/Text.h"

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

// Spinning is measured on the performance counter, looked at once every few pauses.
constexpr int kPausesBetweenClockReads = 16;
// After this long a spinner offers its processor to other ready threads at every look at the
// clock (a yield, no wineserver call): on a busy machine the partner it waits for may be one of
// them, and a long window then costs the others little.
constexpr unsigned kPureSpinUs = 20;
// Chosen by measurement under Wine on two cores (README, benchmarks): short enough that a waiter
// whose partner is not running (a busy machine) gives its core back soon, and long enough to catch
// a partner that is running: a K-value request of up to 40 compounds, or the host's own work
// between back-to-back requests. Longer windows made the built-in envelope slower under load.
constexpr SpinWindows kDefaultWindows{50, 50};

LONGLONG counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LONGLONG countsPerSecond() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    return QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 1000000;
  }();
  return frequency;
}

bool severalProcessors() {
  static const bool several = [] {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 1;
  }();
  return several;
}

// A function the executable exports (null when it does not); callers keep it in a static: the
// executable cannot change while the process runs.
template <class Hook>
Hook executableExport(const char* name) {
  return reinterpret_cast<Hook>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

SpinWindowsHook findSpinHook() {
  static const SpinWindowsHook hook = executableExport<SpinWindowsHook>(kSpinWindowsExport);
  return hook;
}

SleptHook findSleptHook() {
  static const SleptHook hook = executableExport<SleptHook>(kSleptExport);
  return hook;
}

// Performance-counter counts in us microseconds.
LONGLONG countsIn(unsigned us) { return countsPerSecond() * us / 1000000; }

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

void SpinSignal::post(HANDLE event) {
  if (m_state.exchange(Posted, std::memory_order_acq_rel) == Sleeping) setEventReported(event);
}

bool SpinSignal::take() {
  int expected = Posted;
  return m_state.compare_exchange_strong(expected, Idle, std::memory_order_acquire, std::memory_order_relaxed);
}

bool SpinSignal::spin(unsigned windowUs, const std::atomic<bool>* giveUp) {
  if (windowUs == 0) return false;
  const LONGLONG start = counterNow();
  const LONGLONG yieldFrom = start + countsIn(kPureSpinUs);
  const LONGLONG deadline = start + countsIn(windowUs);
  for (;;) {
    for (int i = 0; i < kPausesBetweenClockReads; ++i) {
      if (giveUp && giveUp->load(std::memory_order_relaxed)) return false;
      if (m_state.load(std::memory_order_relaxed) == Posted && take()) return true;
      YieldProcessor();
    }
    const LONGLONG now = counterNow();
    if (now >= deadline) return false;
    if (now >= yieldFrom) SwitchToThread();
  }
}

bool SpinSignal::announceSleep() {
  int expected = Idle;
  if (m_state.compare_exchange_strong(expected, Sleeping, std::memory_order_acq_rel)) return true;
  return expected == Sleeping;  // announced already, by a wait that a message woke
}

void waitSignalPumpingToEnd(SpinSignal& signal, HANDLE event, unsigned spinUs) {
  if (signal.take() || signal.spin(spinUs)) return;
  HeldQuit quit;
  bool noted = false;
  for (;;) {
    if (!signal.announceSleep()) {
      if (signal.take()) return;
      continue;
    }
    if (!noted) noteSleep(Sleeper::HostThread);
    noted = true;
    if (waitPumping(event, quit.code()) == WaitEnd::Quit) {
      quit.hold();
      continue;
    }
    if (signal.take()) return;
  }
}

QueueLooks::QueueLooks() : m_last(counterNow()) {}

bool QueueLooks::dueAfterCall() {
  return ++m_calls >= kCallsBetweenLooks || counterNow() - m_last >= countsIn(kMicrosecondsBetweenLooks);
}

void QueueLooks::looked() {
  m_calls = 0;
  m_last = counterNow();
}

void noteSleep(Sleeper sleeper) {
  if (const SleptHook hook = findSleptHook()) hook(static_cast<int>(sleeper));
}

SpinWindows spinWindows() {
  if (!severalProcessors()) return {0, 0};
  SpinWindows windows = kDefaultWindows;
  if (const SpinWindowsHook hook = findSpinHook()) hook(&windows.waitUs, &windows.watchUs);
  return windows;
}

void setEventReported(HANDLE event) {
  if (SetEvent(event)) return;
  support::reportError(lastErrorCode(), "error setEvent");
}

}  // namespace bridge
