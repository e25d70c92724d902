#pragma once
// Waiting on kernel objects without freezing the thread's apartment: window messages (and with
// them incoming COM calls and the host's user interface) keep being dispatched while waiting.
#include <windows.h>

#include <atomic>

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

// A signal from one thread to another whose fast path makes no call to the system. Under Wine
// every event operation is a round trip to the wineserver, so the state word carries the signal
// and the event is set only for a receiver that has announced it sleeps on it. One signal is
// outstanding at a time (the sender waits for an answer before it posts again).
class SpinSignal {
 public:
  // Sender: posts the signal (release); sets the event only when the receiver sleeps.
  void post(HANDLE event);
  // Receiver: takes a posted signal (acquire); false when none is posted.
  bool take();
  // Receiver: watches for the signal for at most windowUs microseconds, pausing between looks;
  // also ends when *giveUp becomes true. True when the signal was taken.
  bool spin(unsigned windowUs, const std::atomic<bool>* giveUp = nullptr);
  // Receiver: announces that it will wait on the event; false when the signal was posted first
  // (the event is then not set: take the signal instead of waiting).
  bool announceSleep();
  // Before a new thread uses it.
  void reset() { m_state.store(Idle, std::memory_order_relaxed); }

 private:
  enum State : int { Idle, Posted, Sleeping };
  std::atomic<int> m_state{Idle};
};

// Waits for signal: first spins for at most spinUs microseconds, then sleeps on event while
// dispatching messages until the signal is posted. A WM_QUIT seen on the way is posted again at
// the end, as in waitPumpingToEnd.
void waitSignalPumpingToEnd(SpinSignal& signal, HANDLE event, unsigned spinUs);

// How long waiters spin before they sleep, and how long the CAPE-OPEN thread keeps watching for
// the next call after one; microseconds. Always 0 on a one-processor machine, where the spinner
// would only keep the other thread from running.
struct SpinWindows {
  unsigned waitUs;
  unsigned watchUs;
};
// When the executable that hosts the process exports a function named "QuellmarSpinWindows"
// (signature SpinWindowsHook), it is asked on every wait and may change the windows it is given
// (the defaults); 0 and 0 turn the fast path off. Benchmark and test programs compare both paths
// in one run that way; a real host exports no such function.
using SpinWindowsHook = void(__cdecl*)(unsigned* waitUs, unsigned* watchUs);
inline constexpr char kSpinWindowsExport[] = "QuellmarSpinWindows";
SpinWindows spinWindows();

// After a call the dispatcher looks at its message queue once a millisecond has passed since it
// last looked, and at the latest after kCallsBetweenLooks calls. Under Wine every look is a round
// trip to the wineserver, too dear for every call of a burst of short ones; a message (an incoming
// COM call, the host's user interface) still waits about a millisecond at most, and after every
// call when the calls are slower than that.
class QueueLooks {
 public:
  static constexpr int kCallsBetweenLooks = 256;
  static constexpr unsigned kMicrosecondsBetweenLooks = 1000;
  QueueLooks();
  // A call ended: true when the queue is to be looked at now.
  bool dueAfterCall();
  // The queue was emptied.
  void looked();

 private:
  int m_calls = 0;
  long long m_last;
};

// Which side of a hand-over went to sleep on its event (the fast path missed).
enum class Sleeper { HostThread = 0, CapeOpenThread = 1 };
// When the executable that hosts the process exports a function named "QuellmarHandOverSlept"
// (signature SleptHook), it is told every time a side of a hand-over goes to sleep: the benchmark
// counts the hand-overs that missed the fast path that way. Looked up once; a real host exports
// no such function and nothing is called.
using SleptHook = void(__cdecl*)(int sleeper);
inline constexpr char kSleptExport[] = "QuellmarHandOverSlept";
void noteSleep(Sleeper sleeper);

// SetEvent; a failure is reported as "error setEvent" with the system's last-error code and
// the caller goes on.
void setEventReported(HANDLE event);

// The calling thread's last error as an HRESULT (E_FAIL when there is none).
HRESULT lastErrorCode();

}  // namespace bridge
