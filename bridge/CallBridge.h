#pragma once
// The CAPE-OPEN thread of one adapter and the hand-over of host requests to it. The package,
// the thermo system and the material object live in that thread's single-threaded apartment
// and are called only there; host threads park a request in the call parameter block, wake
// the thread and wait for it while still pumping their own messages. Complaints made on the
// CAPE-OPEN thread during a calculation are kept back by the error object and made again on
// the host thread, where windows may be opened.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "bridge/CallParameters.h"
#include "bridge/CallTypes.h"
#include "support/FaultShield.h"
#include "bridge/PumpingWait.h"
#include "support/Raii.h"

class CCOError;

namespace bridge {

// What the CAPE-OPEN thread does for its owner (the adapter). Every operation runs on the
// CAPE-OPEN thread, reports its own failures and returns a code; the workers read their
// arguments from the call parameter block and write their results through its pointers.
class BridgeClient {
 public:
  virtual ~BridgeClient() = default;
  // The error object that keeps back complaints of the CAPE-OPEN thread.
  virtual CCOError& errorObject() = 0;
  // The thermo system, the package and the material object, with their lists.
  virtual HRESULT createObjects() = 0;
  // Whether a case is being recalled whose host component basis must be read now.
  virtual bool recallBasisNeeded() = 0;
  virtual HRESULT readRecalledBasis() = 0;
  // Call types 1-3 (the K-value request), 4, 5, 6-8 (the transport-property request), 9, 10.
  virtual HRESULT computeKValues(int callType, CallParameters& call) = 0;
  virtual HRESULT computePhaseProperties(CallParameters& call) = 0;
  virtual HRESULT computePhaseFugacities(CallParameters& call) = 0;
  virtual HRESULT computeTransportProperty(int callType, CallParameters& call) = 0;
  virtual HRESULT showEditView() = 0;
  virtual HRESULT saveToHost() = 0;
  // Releases whatever createObjects made and revokes the pointers globalized on this thread;
  // also after a failed or partial creation.
  virtual void releaseObjects() = 0;
};

// Handed to the CAPE-OPEN thread's procedure.
struct ThreadStartRecord {
  class CallBridge* bridge = nullptr;
  HRESULT result = S_OK;         // the thread's initialisation result
  HANDLE initialised = nullptr;  // auto-reset; set when the thread is ready or has failed
};

// How a dispatcher loop ended.
enum class DispatchEnd { Terminated, Quit, WaitFailed };

// The dispatcher's fast path: the state word the host posts a call in (the call event is set only
// while the dispatcher sleeps) and the flag stop() raises before it sets the terminate event.
struct CallWatch {
  SpinSignal& call;
  const std::atomic<bool>& stopping;
};

// The dispatcher loop: dispatches this thread's messages and waits on the terminate event
// (index 0) and the call event (index 1); runCall is called for every call event. Ends on the
// terminate event, on WM_QUIT, or when the wait fails (reported with the system's text). With a
// watch, a call posted in its word runs too, and after each call the word is watched for the
// next one for the spin window before the thread sleeps again.
DispatchEnd dispatchCalls(HANDLE terminate, HANDLE call, const std::function<void()>& runCall,
                          const CallWatch* watch = nullptr);

// Writes a request's arguments into the block: a callable borrowed for the length of one
// hand-over. Unlike std::function it never allocates (a lambda that captures a request's
// arguments is too big for std::function's own storage, and this is the hot path).
class ArgumentWriter {
 public:
  ArgumentWriter(std::nullptr_t = nullptr) {}
  template <class Writer, class = std::enable_if_t<!std::is_same_v<std::decay_t<Writer>, ArgumentWriter>>>
  ArgumentWriter(Writer&& writer)
      : m_writer(const_cast<void*>(static_cast<const void*>(std::addressof(writer)))),
        m_write([](void* target, CallParameters& block) { (*static_cast<std::remove_reference_t<Writer>*>(target))(block); }) {}
  explicit operator bool() const { return m_write != nullptr; }
  void operator()(CallParameters& block) const { m_write(m_writer, block); }

 private:
  void* m_writer = nullptr;
  void (*m_write)(void*, CallParameters&) = nullptr;
};

class CallBridge {
 public:
  // Creates the events and the call lock; a failing critical section is raised as a Win32
  // error (_com_error).
  explicit CallBridge(BridgeClient& client);
  CallBridge(const CallBridge&) = delete;
  CallBridge& operator=(const CallBridge&) = delete;
  // Stops a thread that is still running, so it never outlives its owner.
  ~CallBridge();

  // On the host thread: starts the CAPE-OPEN thread and waits, pumping messages, until it has
  // created its objects (or failed); returns its initialisation result.
  HRESULT start();

  // On a host thread: parks a request of callType (writeArguments fills the block), runs it on
  // the CAPE-OPEN thread, makes a kept-back complaint again here and returns the call result.
  // One request at a time: a second caller waits for the call lock. A failing wait raises
  // the _com_error of waitPumping.
  HRESULT handOver(int callType, const ArgumentWriter& writeArguments);
  // The short form of the save and the edit: only the call type is written.
  HRESULT handOver(int callType) { return handOver(callType, nullptr); }
  // The adapter's own work that calls the package or the material object: on a host thread it
  // is handed over like a request (under the call lock, so it never overlaps one); on the
  // CAPE-OPEN thread, and when no thread runs (nothing to overlap), it runs at once.
  using Work = std::function<HRESULT()>;
  HRESULT runOnThread(const Work& work);
  // The adapter's work on a host thread that reads or writes what work on the CAPE-OPEN thread
  // changes too (the package's component lists after its view, the configuration mirrored into
  // the host's variables): it runs on this thread under the call lock, so that it never overlaps
  // a hand-over. On the CAPE-OPEN thread it runs at once (the hand-over it serves holds the lock).
  HRESULT runExclusive(const Work& work);

  // After a hardware fault in a package call the package's state cannot be trusted: requests
  // are refused from then on (the save and the adapter's own work still run). S_OK while the
  // package may be called, else E_FAIL with the reason as the thread's error information.
  bool quarantined() const { return m_quarantined; }
  HRESULT refuseIfQuarantined() const;

  // Terminate: releases any waiting host caller, asks the thread to stop and returns once it
  // has ended. Does nothing more when no thread was started.
  void stop();

  // For the workers on the CAPE-OPEN thread.
  CallParameters& parameters() { return m_block; }
  DWORD coThreadId() const { return m_coThreadId; }
  bool threadFinished() const { return m_finished; }
  // Started and not yet finished.
  bool running() const { return m_thread && !m_finished; }
  // Set once stop() has been asked for; a long worker may wait on it to give up early.
  HANDLE terminateEvent() const { return m_terminate.get(); }

 private:
  static unsigned __stdcall threadProcedure(void* startRecord);
  void runThread();
  // The thread's start: the client creates its objects, then reads the recalled basis when needed.
  HRESULT prepareObjects();
  void releaseObjects();
  // The request parked in the block, on the CAPE-OPEN thread.
  void runParkedCall();
  bool dispatch(int callType, HRESULT& result);

  // A request made on a thread that is itself waiting in a hand-over (the host's message pump
  // dispatched it there) would overwrite the block of the request still running: refused.
  bool nestedOnThisThread() const { return m_handingOverThread == GetCurrentThreadId(); }
  HRESULT refuseNested(int callType);
  // The shield caught a hardware fault of the CAPE-OPEN thread's work: reported, quarantined.
  // doing: what the thread was doing, for the message.
  HRESULT faulted(const support::HardwareFault& fault, const char* doing);
  template <class Body>
  HRESULT runShieldedWork(Body&& work, const char* doing);

  // The hand-over once the lock is held and the block written: the call posted, the wait for its
  // end, the kept-back complaint made again here, the block cleared.
  HRESULT runHandedOver();
  void waitForCompletion();
  void clearCall();
  void waitForThreadEnd();

  BridgeClient& m_client;
  // Declared so that they are destroyed in the order the adapter releases them: the call
  // event first, the initialised event last.
  support::Handle m_thread;
  support::Handle m_initialised;
  support::Event m_done{support::Event::Auto};
  support::Event m_terminate{support::Event::Manual};
  support::CriticalSection m_callLock;
  CallParameters m_block;
  ThreadStartRecord m_record;
  std::atomic<bool> m_finished{false};
  std::atomic<bool> m_callCompleted{false};  // set by the CAPE-OPEN thread before the done event
  std::atomic<DWORD> m_coThreadId{0};
  std::atomic<DWORD> m_handingOverThread{0};  // the host thread inside a hand-over, 0 when none
  std::string m_faultText;                    // what the quarantine was for; written before m_quarantined
  std::atomic<bool> m_quarantined{false};
  // The fast path of the call and done events: the events are set only for a sleeping side.
  SpinSignal m_callSignal;
  SpinSignal m_doneSignal;
  std::atomic<bool> m_stopping{false};  // raised by stop() before the terminate event
  support::Event m_call{support::Event::Auto};
};

}  // namespace bridge
