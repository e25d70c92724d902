#include "tests/bridge/BridgeTestSupport.h"

#include <stdexcept>

#include "bridge/PumpingWait.h"

namespace {

// Wait and watch windows packed in one word (-1: the product's own), so that a hand-over on
// another thread never sees half of a change.
std::atomic<long long> g_windows{-1};
std::atomic<long> g_sleeps[2] = {0, 0};

}  // namespace

extern "C" __declspec(dllexport) void __cdecl QuellmarHandOverSlept(int sleeper) {
  if (sleeper == 0 || sleeper == 1) ++g_sleeps[sleeper];
}

extern "C" __declspec(dllexport) void __cdecl QuellmarSpinWindows(unsigned* waitUs, unsigned* watchUs) {
  const long long windows = g_windows.load();
  if (windows < 0) return;
  *waitUs = static_cast<unsigned>(windows >> 32);
  *watchUs = static_cast<unsigned>(windows & 0xffffffff);
}

namespace bridge_test {

long sleepsNoted(bridge::Sleeper sleeper) { return g_sleeps[static_cast<int>(sleeper)]; }

void keepBusy(unsigned us) {
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const LONGLONG until = start.QuadPart + frequency.QuadPart * us / 1000000;
  do QueryPerformanceCounter(&now);
  while (now.QuadPart < until);
}

SpinWindowsScope::SpinWindowsScope(unsigned waitUs, unsigned watchUs)
    : m_saved(g_windows.exchange(static_cast<long long>(waitUs) << 32 | watchUs)) {}

SpinWindowsScope::~SpinWindowsScope() { g_windows = m_saved; }

STDMETHODIMP ProbeObject::get_ComponentName(BSTR* name) {
  lastCallThread = GetCurrentThreadId();
  if (onCall) onCall();
  if (!name) return E_POINTER;
  *name = SysAllocString(L"probe");
  return *name ? S_OK : E_OUTOFMEMORY;
}

support::ComPtr<ProbeObject> makeProbe() {
  support::ComPtr<ICapeIdentification> probe;
  EXPECT_EQ(S_OK, comkit::createInstance<ProbeObject>(nullptr, IID_PPV_ARGS(&probe)));
  return support::ComPtr<ProbeObject>(static_cast<ProbeObject*>(probe.Get()));
}

HRESULT FakeClient::createObjects() {
  createThread = GetCurrentThreadId();
  deferralThreadSeen = error.deferralThread();
  APTTYPEQUALIFIER qualifier;
  apartmentResult = CoGetApartmentType(&apartmentType, &qualifier);
  multithreadedInit = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (SUCCEEDED(multithreadedInit)) CoUninitialize();
  probe = makeProbe();
  sharedProbe.globalize(support::ComPtr<ICapeIdentification>(probe.Get()));
  if (foreignObject) foreignObject->get(m_foreignProxy);
  if (createThrows) throw std::runtime_error("creation broke");
  return createResult;
}

HRESULT FakeClient::readRecalledBasis() {
  basisThread = GetCurrentThreadId();
  return basisResult;
}

void FakeClient::releaseObjects() {
  releaseThread = GetCurrentThreadId();
  ++releaseCount;
  m_foreignProxy.Reset();
  sharedProbe.unglobalize();
  probeRegisteredAtRelease = sharedProbe.registered();
  probe.Reset();
}

HRESULT FakeClient::callForeignObject(int times) {
  if (!m_foreignProxy) return E_POINTER;
  for (int i = 0; i < times; ++i) {
    support::Bstr name;
    const HRESULT hr = m_foreignProxy->get_ComponentName(name.out());
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT FakeClient::work(int callType, bridge::CallParameters* block) {
  const WorkerCall call{callType, GetCurrentThreadId(), block};
  {
    std::lock_guard<std::mutex> lock(m_lock);
    calls.push_back(call);
  }
  return onCall ? onCall(call) : S_OK;
}

PumpedThread::PumpedThread(std::function<void()> work) : m_work(std::move(work)) {
  m_thread.reset(CreateThread(nullptr, 0, &PumpedThread::run, this, 0, nullptr));
  EXPECT_TRUE(m_thread);
}

DWORD WINAPI PumpedThread::run(void* self) {
  static_cast<PumpedThread*>(self)->m_work();
  return 0;
}

void PumpedThread::join() {
  if (!m_thread) return;
  bridge::waitPumpingToEnd(m_thread.get());
  m_thread.reset();
}

void waitFor(const support::Event& event) { bridge::waitPumpingToEnd(event.get()); }

}  // namespace bridge_test
