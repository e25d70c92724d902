#include "bridge/CallBridge.h"

#include <process.h>
#include <comdef.h>

#include <string>

#include "errors/CCOError.h"
#include "support/FaultShield.h"
#include "support/Guards.h"
#include "support/ModuleInfo.h"
#include "bridge/PumpingWait.h"
#include "support/Report.h"
#include "support/Text.h"

namespace bridge {

namespace {

const char* const kThreadActivity = "processing CAPE-OPEN thermo thread";
const char* const kChangingThread = "changing to CAPE-OPEN thread";
constexpr DWORD kFinishedPollMs = 10;

// Reports the exception being handled (call it inside a catch block); a COM error's own
// information is shown with the report.
void reportThreadException() {
  try {
    throw;
  } catch (const _com_error& error) {
    support::ComPtr<IErrorInfo> info;
    info.Attach(error.ErrorInfo());
    if (info) SetErrorInfo(0, info.Get());
  } catch (...) {
  }
  support::reportFailure(kThreadActivity);
}

const char* const kNestedRequest =
    "A request of the host was refused: it arrived while this thread was still waiting for the CAPE-OPEN thread "
    "to answer an earlier one (";
const char* const kNestedAdvice = "). Try again once the running operation has finished.";
const char* const kDuringRequest = "handling the host's request: ";
const char* const kDuringCreation = "creating the CAPE-OPEN objects: ";
const char* const kDuringRelease = "releasing the CAPE-OPEN objects: ";
const char* const kCrashed = " The package crashed and must be reloaded with the case (close the case and open it again).";

void setErrorText(const std::string& text) {
  support::ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.GetAddressOf()))) return;
  const std::wstring wide = support::widen(text);
  create->SetDescription(const_cast<wchar_t*>(wide.c_str()));
  support::ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
}

}  // namespace

// Without an allocation: the hand-over's hot path runs through it.
template <class Body>
HRESULT CallBridge::runShieldedWork(Body&& work, const char* doing) {
  support::HardwareFault fault;
  return support::runShielded(work, fault) ? S_OK : faulted(fault, doing);
}

DispatchEnd dispatchCalls(HANDLE terminate, HANDLE call, const std::function<void()>& runCall,
                          const CallWatch* watch) {
  const HANDLE handles[2] = {terminate, call};
  // A call event already set wins over queued input; so that back-to-back calls cannot keep
  // this apartment's messages (incoming COM calls among them) waiting, the queue is emptied
  // anyway when it is due.
  QueueLooks looks;
  bool called = false;
  const auto pump = [&] {
    looks.looked();
    return pumpMessages();
  };
  const auto run = [&] {
    runCall();
    called = true;
    return !looks.dueAfterCall() || pump();
  };
  for (;;) {
    if (watch) {
      // Right after a call the next one often follows at once: watch for it before sleeping.
      if (called && watch->call.spin(spinWindows().watchUs, &watch->stopping)) {
        if (!run()) return DispatchEnd::Quit;
        continue;
      }
      if (!watch->call.announceSleep()) {  // posted meanwhile: the event stays unset
        if (watch->stopping) return DispatchEnd::Terminated;
        watch->call.take();
        if (!run()) return DispatchEnd::Quit;
        continue;
      }
      if (called) noteSleep(Sleeper::CapeOpenThread);
    }
    called = false;
    const DWORD woken = waitForHandlesOrInput(2, handles);
    if (woken == WAIT_OBJECT_0) return DispatchEnd::Terminated;
    if (woken == WAIT_OBJECT_0 + 1) {
      // With a watch the word is the signal. The event can be left set by a post that found this
      // thread announced asleep while it was dispatching messages and then took the call from
      // the word: running on that event would run a call nobody posted (a half-written block, or
      // the host's next request twice while the host already has its answer).
      if (watch && !watch->call.take()) continue;
      if (!run()) return DispatchEnd::Quit;
    } else if (woken == WAIT_OBJECT_0 + 2) {
      if (!pump()) return DispatchEnd::Quit;
    } else {
      support::reportFailure(support::systemErrorText().c_str());
      return DispatchEnd::WaitFailed;
    }
  }
}

CallBridge::CallBridge(BridgeClient& client) : m_client(client) {
  if (!m_callLock.ok()) throw _com_error(lastErrorCode());
}

CallBridge::~CallBridge() {
  try {
    if (m_thread) stop();
  } catch (...) {
  }
}

// ---- Host side ----

HRESULT CallBridge::start() {
  if (running()) return support::reportUnexpected(E_FAIL);
  waitForThreadEnd();  // the last steps of an earlier thread
  m_thread.reset();
  m_initialised.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!m_initialised || !m_done || !m_terminate || !m_call) return support::reportUnexpected(lastErrorCode());
  // An earlier stop leaves them set.
  m_done.clear();
  m_terminate.clear();
  m_callSignal.reset();
  m_doneSignal.reset();
  m_stopping = false;
  m_record = ThreadStartRecord{this, S_OK, m_initialised.get()};
  m_finished = false;
  // A new thread makes new objects: a quarantine was the old package's.
  m_quarantined = false;
  m_faultText.clear();
  const uintptr_t thread = _beginthreadex(nullptr, 0, &CallBridge::threadProcedure, &m_record, 0, nullptr);
  if (!thread) return support::reportUnexpected(lastErrorCode());
  m_thread.reset(reinterpret_cast<HANDLE>(thread));
  waitPumpingToEnd(m_initialised.get());
  // A thread that failed is on its way out: let it finish before the owner may go.
  if (FAILED(m_record.result)) waitForThreadEnd();
  return m_record.result;
}

HRESULT CallBridge::handOver(int callType, const ArgumentWriter& writeArguments) {
  if (nestedOnThisThread()) return refuseNested(callType);
  // A thread that ended (a failed creation) answers nothing: that is reported below instead.
  if (callType != CALL_SAVE && callType != CALL_ADAPTER_WORK && running()) {
    const HRESULT refused = refuseIfQuarantined();
    if (FAILED(refused)) return refused;
  }
  support::Lock lock(m_callLock);
  m_handingOverThread = GetCurrentThreadId();
  clearCall();
  m_block.callType = callType;
  if (writeArguments) writeArguments(m_block);
  struct Leaving {
    std::atomic<DWORD>& thread;
    ~Leaving() { thread = 0; }
  } leaving{m_handingOverThread};
  return runHandedOver();
}

HRESULT CallBridge::runOnThread(const Work& work) {
  if (GetCurrentThreadId() == m_coThreadId || !running()) {
    // A host thread inside a hand-over must not touch what the CAPE-OPEN thread is working on.
    if (nestedOnThisThread()) return refuseNested(CALL_ADAPTER_WORK);
    return work();
  }
  return handOver(CALL_ADAPTER_WORK, [&work](CallParameters& block) { block.work = &work; });
}

HRESULT CallBridge::runExclusive(const Work& work) {
  if (nestedOnThisThread()) return refuseNested(CALL_ADAPTER_WORK);
  if (GetCurrentThreadId() == m_coThreadId) return work();
  support::Lock lock(m_callLock);
  return work();
}

HRESULT CallBridge::refuseNested(int callType) {
  const char* label = nullptr;
  if (callType >= CALL_COMPUTEKFACTORS && callType <= CALL_COTHEXTENDEDPACKAGE) callTypeLabel(callType, &label);
  const std::string text = std::string(kNestedRequest) + (label ? label : "the adapter's own work") + kNestedAdvice;
  return support::reportFailure(text.c_str());
}

HRESULT CallBridge::refuseIfQuarantined() const {
  if (!m_quarantined) return S_OK;
  setErrorText("The CAPE-OPEN Property Package stopped with " + m_faultText + "." + kCrashed);
  return E_FAIL;
}

HRESULT CallBridge::runHandedOver() {
  // Without a running thread nobody would ever answer, and the thread cannot wait for itself.
  if (!running() || GetCurrentThreadId() == m_coThreadId) {
    clearCall();
    return support::reportFailure(kChangingThread);
  }
  // What the caller gets for a request that is not run.
  m_block.callResult = E_FAIL;
  m_callCompleted = false;
  m_callSignal.post(m_call.get());
  waitForCompletion();
  const HRESULT result = m_block.callResult;
  m_client.errorObject().repeatDeferredComplaint(result, calculatingIf(isCalculation(m_block.callType)));
  clearCall();
  return result;
}

void CallBridge::waitForCompletion() {
  waitSignalPumpingToEnd(m_doneSignal, m_done.get(), spinWindows().waitUs);
  // The done event also comes from stop() and from a thread that has left its loop: the
  // request may then still be running, or never run. Either way the thread's end is its end.
  if (!m_callCompleted) waitPumpingToEnd(m_thread.get());
}

void CallBridge::clearCall() {
  m_block.clear();
  m_client.errorObject().clearDeferredComplaint();
}

void CallBridge::stop() {
  m_stopping = true;
  m_doneSignal.post(m_done.get());
  setEventReported(m_terminate.get());
  if (!m_thread || GetCurrentThreadId() == m_coThreadId) return;
  // One look every 10 ms. The pauses dispatch this thread's messages: the thread's clean-up
  // may call into this apartment (releasing a proxy of one of its objects), and a plain sleep
  // would hold it for ever.
  HeldQuit quit;
  while (!m_finished)
    if (pauseDispatching(kFinishedPollMs, quit.code()) == WaitEnd::Quit) quit.hold();
  waitForThreadEnd();
}

void CallBridge::waitForThreadEnd() {
  // Its last steps (COM's own clean-up) run after the finished mark; the code they run must
  // still be there.
  if (m_thread && GetCurrentThreadId() != m_coThreadId) waitPumpingToEnd(m_thread.get());
}

// ---- The CAPE-OPEN thread ----

unsigned __stdcall CallBridge::threadProcedure(void* startRecord) {
  static_cast<ThreadStartRecord*>(startRecord)->bridge->runThread();
  return 0;
}

void CallBridge::runThread() {
  m_finished = false;
  m_coThreadId = GetCurrentThreadId();
  m_client.errorObject().setDeferralThread(m_coThreadId);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool ready = false;
  if (FAILED(com)) {
    m_record.result = support::reportUnexpected(com);
  } else {
    try {
      const HRESULT fault = runShieldedWork([this] { m_record.result = prepareObjects(); }, kDuringCreation);
      if (FAILED(fault)) m_record.result = fault;
      if (SUCCEEDED(m_record.result)) {
        ready = true;
        setEventReported(m_record.initialised);
        const CallWatch watch{m_callSignal, m_stopping};
        dispatchCalls(m_terminate.get(), m_call.get(), [this] { runParkedCall(); }, &watch);
      }
    } catch (...) {
      reportThreadException();
      m_record.result = E_FAIL;
    }
    releaseObjects();
  }
  m_finished = true;
  // A caller that parked a request after the loop ended is released; its request was not run.
  m_doneSignal.post(m_done.get());
  if (!ready) setEventReported(m_record.initialised);
  if (SUCCEEDED(com)) CoUninitialize();
}

HRESULT CallBridge::prepareObjects() {
  const HRESULT created = m_client.createObjects();
  if (FAILED(created) || !m_client.recallBasisNeeded()) return created;
  const HRESULT basis = m_client.readRecalledBasis();
  return FAILED(basis) ? support::reportUnexpected(basis) : basis;
}

// Shielded too: releasing a package that crashed runs its code again.
void CallBridge::releaseObjects() {
  try {
    runShieldedWork([this] { m_client.releaseObjects(); }, kDuringRelease);
  } catch (...) {
    reportThreadException();
  }
}

void CallBridge::runParkedCall() {
  HRESULT result = S_OK;
  bool known = true;
  // A broken package must not take the host's process with it. The package's own view and the
  // host's save show windows: they run unshielded.
  const bool shielded = m_block.callType != CALL_EDIT && m_block.callType != CALL_SAVE;
  if (!shielded) {
    known = dispatch(m_block.callType, result);
  } else {
    const HRESULT fault = runShieldedWork([&] { known = dispatch(m_block.callType, result); }, kDuringRequest);
    if (FAILED(fault)) result = fault;
  }
  if (known)
    m_block.callResult = result;
  else
    support::reportFailure(kChangingThread);
  m_callCompleted = true;
  m_doneSignal.post(m_done.get());
}

// The frames the shield jumped over are gone without their clean-up, and the package's state
// is whatever the fault left: from now on it is not called again (quarantine). Nothing of the
// product is locked on this thread across a package call, so nothing stays held.
HRESULT CallBridge::faulted(const support::HardwareFault& fault, const char* doing) {
  const bool ours = support::faultInThisModule(fault);
  const bool first = !m_quarantined;
  if (first) {
    m_faultText = support::faultText(fault);
    m_quarantined = true;
  }
  // Once: the user is told when the package crashes, not at every later refusal.
  const bool duringRequest = doing == kDuringRequest;
  const std::string text = std::string(doing) + support::faultText(fault) + "." +
                           (duringRequest && first ? kCrashed : "") + " ";
  m_client.errorObject().complain(E_FAIL, text.c_str(), ours ? CkINTERNAL : CkEXCEPTION, calculatingIf(duringRequest));
  return E_FAIL;
}

bool CallBridge::dispatch(int callType, HRESULT& result) {
  try {
    switch (callType) {
      case CALL_COMPUTEKFACTORS:
      case CALL_COMPUTEKFACTORSVL:
      case CALL_COMPUTEKFACTORSLL: result = m_client.computeKValues(callType, m_block); return true;
      case CALL_COMPUTEPHASEPROPERTIES: result = m_client.computePhaseProperties(m_block); return true;
      case CALL_COMPUTEPHASEFUGACITIES: result = m_client.computePhaseFugacities(m_block); return true;
      case CALL_COMPUTEPHASEVISCOSITY:
      case CALL_COMPUTEPHASETHERMOCONDUCTIVITY:
      case CALL_COMPUTELIQUIDSURFACETENSION: result = m_client.computeTransportProperty(callType, m_block); return true;
      case CALL_EDIT: result = m_client.showEditView(); return true;
      case CALL_SAVE: result = m_client.saveToHost(); return true;
      case CALL_ADAPTER_WORK:
        if (!m_block.work) return false;
        result = (*m_block.work)();
        return true;
      default: return false;
    }
  } catch (...) {
    // The waiting host thread still gets an answer.
    reportThreadException();
    result = E_FAIL;
    return true;
  }
}

}  // namespace bridge
