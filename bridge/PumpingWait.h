#pragma once
// Waiting on kernel objects without freezing the thread's apartment: window messages (and with
// them incoming COM calls and the host's user interface) keep being dispatched while waiting.
#include <windows.h>

namespace bridge {

// Removes and dispatches every waiting message of this thread. False as soon as WM_QUIT is
// removed (its exit code in *quitCode when given); true when the queue is empty.
bool pumpMessages(WPARAM* quitCode = nullptr);

// MsgWaitForMultipleObjectsEx on the handles that also ends when messages are already queued:
// WAIT_OBJECT_0 + i for handle i (the lowest signalled one first), WAIT_OBJECT_0 + count for
// input, else the failure.
DWORD waitForHandlesOrInput(DWORD count, const HANDLE* handles);

enum class WaitEnd { Signalled, Quit };

// Waits for handle while dispatching messages; a WM_QUIT removed on the way ends the wait at
// once (its exit code in *quitCode when given). A failing wait raises a _com_error whose error
// information carries the system's text under the source "CLightLock::lock".
WaitEnd waitPumping(HANDLE handle, WPARAM* quitCode = nullptr);

// As waitPumping, but only the handle ends the wait: a WM_QUIT seen on the way is posted again
// once the handle is signalled, so the thread's own loop still ends. Used where returning
// early would leave another thread working on this thread's data.
void waitPumpingToEnd(HANDLE handle);

// Pauses for at most ms milliseconds while dispatching messages; Quit when WM_QUIT was removed
// (its exit code in *quitCode when given).
WaitEnd pauseDispatching(DWORD ms, WPARAM* quitCode = nullptr);

// Keeps a WM_QUIT that a wait had to take out of the queue and posts it again when it goes.
class HeldQuit {
 public:
  HeldQuit() = default;
  HeldQuit(const HeldQuit&) = delete;
  HeldQuit& operator=(const HeldQuit&) = delete;
  ~HeldQuit() {
    if (m_held) PostQuitMessage(static_cast<int>(m_code));
  }
  // Where a wait puts the exit code; call hold() when the wait reports Quit.
  WPARAM* code() { return &m_code; }
  void hold() { m_held = true; }

 private:
  bool m_held = false;
  WPARAM m_code = 0;
};

// SetEvent; a failure is reported as "error setEvent" with the system's last-error code and
// the caller goes on.
void setEventReported(HANDLE event);

// The calling thread's last error as an HRESULT (E_FAIL when there is none).
HRESULT lastErrorCode();

}  // namespace bridge
