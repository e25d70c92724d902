#pragma once
// Shared by the CAPE-OPEN thread tests: a client that records on which thread each step ran,
// a small COM object that remembers the thread of its calls, and threads joined while pumping.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "errors/CCOError.h"
#include "bridge/CallBridge.h"
#include "bridge/PumpingWait.h"
#include "server/comkit/Dispatch.h"
#include "support/GlobalizedPointer.h"
#include "tests/common/MessageSink.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"

namespace bridge_test {

// Answers its name and remembers the thread of its last call.
class ProbeObject final : public comkit::Object<comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_ComponentDescription(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_ComponentDescription(BSTR) override { return E_NOTIMPL; }
  std::atomic<DWORD> lastCallThread{0};
  std::function<void()> onCall;  // run inside each call, on the caller's (or the object's) thread
};
support::ComPtr<ProbeObject> makeProbe();

// An error object whose host notice does nothing (there is no host here).
class TestError : public CCOError {
 public:
  TestError() : CCOError(1e-30, [](ICapeErrorUtils**) { return REGDB_E_CLASSNOTREG; }) {}
  HRESULT notifyHost() override { return S_OK; }
  // Every message box of a complaint passes here: remembers the thread that showed it.
  HRESULT show(HRESULT code, const char* text, const char* extra, int level) override {
    shownOn.push_back(GetCurrentThreadId());
    return CCOError::show(code, text, extra, level);
  }
  std::vector<DWORD> shownOn;
};

// One worker entry: the call type, the thread it ran on and the block it was given (null for
// the edit and the save).
struct WorkerCall {
  int callType;
  DWORD thread;
  bridge::CallParameters* block;
};

// Stands in for the adapter. Each step records its thread; the results and the worker body
// are set by the test before start().
class FakeClient : public bridge::BridgeClient {
 public:
  CCOError& errorObject() override { return error; }
  HRESULT createObjects() override;
  bool recallBasisNeeded() override { return recall; }
  HRESULT readRecalledBasis() override;
  HRESULT computeKValues(int callType, bridge::CallParameters& call) override { return work(callType, &call); }
  HRESULT computePhaseProperties(bridge::CallParameters& call) override {
    return work(bridge::CALL_COMPUTEPHASEPROPERTIES, &call);
  }
  HRESULT computePhaseFugacities(bridge::CallParameters& call) override {
    return work(bridge::CALL_COMPUTEPHASEFUGACITIES, &call);
  }
  HRESULT computeTransportProperty(int callType, bridge::CallParameters& call) override { return work(callType, &call); }
  HRESULT showEditView() override { return work(bridge::CALL_EDIT, nullptr); }
  HRESULT saveToHost() override { return work(bridge::CALL_SAVE, nullptr); }
  void releaseObjects() override;
  // Calls the proxy of foreignObject (fetched at creation) `times` times, from the CAPE-OPEN
  // thread: each call is a round trip through the other apartment's message queue.
  HRESULT callForeignObject(int times);

  TestError error;
  // Set by the test.
  HRESULT createResult = S_OK;
  bool createThrows = false;
  bool recall = false;
  HRESULT basisResult = S_OK;
  std::function<HRESULT(const WorkerCall&)> onCall;  // default: S_OK
  // An object of another apartment whose proxy the CAPE-OPEN thread holds until it releases.
  support::GlobalizedPointer<ICapeIdentification>* foreignObject = nullptr;
  // Recorded on the CAPE-OPEN thread.
  DWORD createThread = 0;
  DWORD basisThread = 0;
  DWORD releaseThread = 0;
  int releaseCount = 0;
  APTTYPE apartmentType = APTTYPE_CURRENT;
  HRESULT apartmentResult = E_UNEXPECTED;
  HRESULT multithreadedInit = E_UNEXPECTED;  // CoInitializeEx(MTA) on the initialised thread
  DWORD deferralThreadSeen = 0;
  std::vector<WorkerCall> calls;
  // The probe created on the CAPE-OPEN thread and globalized there.
  support::ComPtr<ProbeObject> probe;
  support::GlobalizedPointer<ICapeIdentification> sharedProbe;
  bool probeRegisteredAtRelease = true;

 private:
  HRESULT work(int callType, bridge::CallParameters* block);
  std::mutex m_lock;
  support::ComPtr<ICapeIdentification> m_foreignProxy;
};

// A thread running work; joined while this thread keeps dispatching its messages.
class PumpedThread {
 public:
  explicit PumpedThread(std::function<void()> work);
  PumpedThread(const PumpedThread&) = delete;
  PumpedThread& operator=(const PumpedThread&) = delete;
  ~PumpedThread() { join(); }
  void join();

 private:
  static DWORD WINAPI run(void* self);
  std::function<void()> m_work;
  support::Handle m_thread;
};

// Waits for an event of the test while pumping (the event ends the wait, never a clock).
void waitFor(const support::Event& event);

// Keeps this thread busy (no sleep) for at least us microseconds of the performance counter.
void keepBusy(unsigned us);

// How often the product told this program (it exports QuellmarHandOverSlept) that a side of a
// hand-over went to sleep.
long sleepsNoted(bridge::Sleeper sleeper);

// The spin windows this program gives the product's hand-over (it exports QuellmarSpinWindows):
// the product's own, or those of the innermost scope.
class SpinWindowsScope {
 public:
  SpinWindowsScope(unsigned waitUs, unsigned watchUs);
  SpinWindowsScope(const SpinWindowsScope&) = delete;
  SpinWindowsScope& operator=(const SpinWindowsScope&) = delete;
  ~SpinWindowsScope();

 private:
  long long m_saved;
};

}  // namespace bridge_test
