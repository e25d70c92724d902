// Timing of one bridged K-value request (run by hand; not a test), on the packages "Timing 5",
// "Timing 20" and "All Compounds" (40 compounds). Printed side by side, in microseconds per call
// (median of several batches):
//   bridged    ComputeKFactors, vapour-liquid, through the adapter initialised on a recalled host
//              case that names the package and holds the compounds;
//   direct     the same work without a hand-over: the product's material object and the same
//              package in this thread's apartment, T, P and two compositions set, CalcProp of
//              "kvalues" on "VaporLiquid", the K-values read back;
//   round trip a bare SetEvent / MsgWaitForMultipleObjects ping-pong between two threads;
//   spin trip  the same ping-pong where each waiter first spins briefly on a flag set with the
//              event, and pumps messages in MsgWaitForMultipleObjects only when the spin ran out;
//   slow       the bridged request with the hand-over's fast path switched off (every hand-over
//              sets and takes the events), in the same run.
// The bridge overhead is (bridged - direct), reported as a multiple of the round trip. After a
// burst of bridged requests the host sleeps: the CPU time the other threads (the CAPE-OPEN
// thread) use per second of that idleness is printed with the fast path on and off. The bridged
// request is also timed one call at a time: its median call, the share of calls slow enough
// that their hand-over must have slept (the mean is made by those), and which side the product
// reported asleep: the host thread waiting for the answer, or the CAPE-OPEN thread when the call
// came. Then, for
// 20 compounds, Initialize (with its Terminate) against the package's creation alone (thermo
// system, ResolvePropertyPackage, release). "@row" lines feed the table of scripts/bench.
//
// The program exports the spin windows hook the product asks on every hand-over; 0 and 0 turn
// the fast path off. QUELLMAR_BENCH_WINDOWS=wait,watch (microseconds) replaces the product's own
// windows for the fast runs, to compare windows by hand. It also exports the hook the product
// tells of every side of a hand-over that goes to sleep. QUELLMAR_BENCH_LOOP=n only times n calls in
// a row per package, bridged and direct, for a profiler to look at.
#include <windows.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/common/BenchClock.h"
#include "CAPE-OPENv1-0-0.h"
#include "tests/adapter/HostCase.h"
#include "tests/common/MessageSink.h"
#include "counterparts/host/OrvexHost.h"
#include "OvHost.h"
#include "support/Raii.h"
#include "support/SetGet.h"
#include "ZendrelLib.h"

namespace {

// The spin windows the product is given: its own (negative) or these, in microseconds.
std::atomic<int> g_waitUs{-1}, g_watchUs{-1};
// How often each side of a hand-over went to sleep: the host thread, the CAPE-OPEN thread.
std::atomic<long> g_slept[2] = {0, 0};

// QUELLMAR_BENCH_LOOP=n: only n calls in a row, bridged then direct, per package (for a profiler).
int loopCount() {
  const char* text = std::getenv("QUELLMAR_BENCH_LOOP");
  return text ? std::max(std::atoi(text), 0) : 0;
}

bool timesCalled(const std::function<bool()>& call, int count) {
  for (int i = 0; i < count; ++i)
    if (!call()) return false;
  return true;
}

class FastPathOff {
 public:
  FastPathOff() : m_wait(g_waitUs.exchange(0)), m_watch(g_watchUs.exchange(0)) {}
  FastPathOff(const FastPathOff&) = delete;
  FastPathOff& operator=(const FastPathOff&) = delete;
  ~FastPathOff() {
    g_waitUs = m_wait;
    g_watchUs = m_watch;
  }

 private:
  int m_wait, m_watch;
};

constexpr int kCalls = 300;
constexpr int kBatches = 15;
constexpr wchar_t kSystem[] = L"Quellmar.PRThermoSystem";
const wchar_t* const kPackages[] = {L"Timing 5", L"Timing 20", L"All Compounds"};
const wchar_t* const kInitializePackage = L"Timing 20";

// Median microseconds per call of each call over the batches, which take turns (a batch of each,
// then the next round), so that a machine that gets busier or quieter meanwhile slows all alike;
// negative for a call that failed.
std::vector<double> medianMicrosInTurn(const std::vector<std::function<bool()>>& calls) {
  std::vector<std::vector<double>> batches(calls.size());
  std::vector<double> medians(calls.size(), -1);
  for (int b = 0; b < kBatches; ++b)
    for (size_t c = 0; c < calls.size(); ++c) {
      const double start = bench::seconds();
      if (!timesCalled(calls[c], kCalls)) return medians;
      batches[c].push_back((bench::seconds() - start) / kCalls * 1e6);
    }
  for (size_t c = 0; c < calls.size(); ++c) {
    std::sort(batches[c].begin(), batches[c].end());
    medians[c] = batches[c][kBatches / 2];
  }
  return medians;
}

double medianMicros(const std::function<bool()>& call) { return medianMicrosInTurn({call})[0]; }

// One call at a time: the median single call, the share of calls that took longer than
// slowOverUs (a call that long slept in its hand-over: a Wine wake-up takes 60 us or more), and
// the shares of calls in which the product reported the host thread or the CAPE-OPEN thread asleep.
struct CallSpread {
  double medianUs = -1;
  double slowShare = -1;
  double hostSleptShare = -1;
  double threadSleptShare = -1;
};

CallSpread callSpread(const std::function<bool()>& call, double slowOverUs) {
  std::vector<double> times;
  times.reserve(kCalls * kBatches);
  const long hostBefore = g_slept[0], threadBefore = g_slept[1];
  for (int i = 0; i < kCalls * kBatches; ++i) {
    const double start = bench::seconds();
    if (!call()) return {};
    times.push_back((bench::seconds() - start) * 1e6);
  }
  const double count = static_cast<double>(times.size());
  const auto slow = std::count_if(times.begin(), times.end(), [&](double us) { return us > slowOverUs; });
  std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
  return {times[times.size() / 2], static_cast<double>(slow) / count, (g_slept[0] - hostBefore) / count,
          (g_slept[1] - threadBefore) / count};
}

// ---- CPU used while the host is idle ----

double seconds(const FILETIME& t) {
  return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
}

// CPU seconds (user and kernel) used so far by the process's threads other than this one.
double otherThreadsCpu() {
  FILETIME created, ended, kernel, user, threadKernel, threadUser;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user) ||
      !GetThreadTimes(GetCurrentThread(), &created, &ended, &threadKernel, &threadUser))
    return 0;
  return seconds(kernel) + seconds(user) - seconds(threadKernel) - seconds(threadUser);
}

// Milliseconds of CPU the other threads use per second while this thread sleeps after a burst.
double idleCpuMsPerSecond(const std::function<bool()>& call) {
  constexpr int kRounds = 3;
  constexpr DWORD kIdleMs = 1000;
  double used = 0;
  for (int round = 0; round < kRounds; ++round) {
    for (int i = 0; i < kCalls; ++i)
      if (!call()) return -1;
    const double before = otherThreadsCpu();
    Sleep(kIdleMs);  // the host is idle: nothing to synchronise with
    used += otherThreadsCpu() - before;
  }
  // Process time less this thread's: two readings whose rounding may leave a hair below zero.
  return std::max(0.0, used / kRounds * 1e3);
}

// ---- The bare two-thread round trip ----

struct PingPong {
  support::Event ping{support::Event::Auto}, pong{support::Event::Auto};
  std::atomic<bool> pinged{false}, ponged{false}, stop{false};
  int spins = 0;  // 0: no spin
  HANDLE thread = nullptr;

  // Waits for the event; first spins on the flag set just before it (the event is then taken
  // without blocking). Messages are pumped while blocked.
  void wait(HANDLE event, std::atomic<bool>& flag) const {
    for (int i = 0; i < spins; ++i) {
      if (flag.exchange(false)) {
        WaitForSingleObject(event, 0);
        return;
      }
      YieldProcessor();
    }
    for (;;) {
      const DWORD woken = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
      if (woken == WAIT_OBJECT_0) break;
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    flag = false;
  }
  static void signal(HANDLE event, std::atomic<bool>& flag) {
    flag = true;
    SetEvent(event);
  }
  static unsigned __stdcall partner(void* self) {
    auto* p = static_cast<PingPong*>(self);
    for (;;) {
      p->wait(p->ping.get(), p->pinged);
      if (p->stop) return 0;
      signal(p->pong.get(), p->ponged);
    }
  }
  explicit PingPong(int spinCount) : spins(spinCount) {
    thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, partner, this, 0, nullptr));
  }
  ~PingPong() {
    stop = true;
    signal(ping.get(), pinged);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  bool trip() {
    signal(ping.get(), pinged);
    wait(pong.get(), ponged);
    return true;
  }
};

// ---- The adapter on a host case ----

// The host's declarations of the persisted variables and "KitVersion" (the component page's
// command variables are left out: no view is used here).
std::wstring hostDefinition() {
  std::wstring text = orvexhost::propertyPackageDefinition();
  return text.substr(0, text.find(L"text CustomView"));
}

support::Variant doubles(const std::vector<double>& values) {
  support::Variant v;
  support::SetGet::createFromBuffer(v.get(), VT_R8, values.data(), static_cast<long>(values.size()), true);
  return v;
}

support::Variant strings(const std::vector<std::wstring>& values) {
  support::Variant v;
  support::SetGet::fromStringList(v.get(), values);
  return v;
}

std::vector<std::wstring> textsOf(const VARIANT& list) {
  std::vector<std::wstring> out;
  BSTR item = nullptr;  // borrowed from the array
  for (long i = support::SetGet::lbound(list); support::SetGet::nextItem(list, i, item); ++i)
    out.emplace_back(item ? item : L"");
  return out;
}

// A text variable of the case, as a recalled case holds it.
HRESULT putText(ExtnContainer* container, const wchar_t* name, const wchar_t* value) {
  support::ComPtr<ExtnDefinition> definition;
  support::ComPtr<ExtnVariableDefinition> declared;
  support::ComPtr<IDispatch> object;
  support::ComPtr<ExtnTextVariable> text;
  HRESULT hr = container->get_ExtensionDefinition(&definition);
  if (SUCCEEDED(hr)) hr = definition->FindVariable(support::Bstr(name).get(), &declared);
  if (SUCCEEDED(hr)) hr = declared->get_Variable(&object);
  if (SUCCEEDED(hr)) hr = object.As(&text);
  if (SUCCEEDED(hr)) hr = text->put_Value(support::Bstr(value).get());
  return hr;
}

// The adapter on a host case of its own, recalled so that no selection is made.
struct HostedAdapter {
  std::unique_ptr<orvexhost::Host> host;
  support::ComPtr<ExtnContainer> container;
  support::ComPtr<ExtnPropertyPackage> adapter;
  support::ComPtr<ExtensionObject> extension;
  ExtnPackageInitRecord record{};

  HRESULT start(const wchar_t* package, const std::vector<std::wstring>& casNumbers) {
    host = std::make_unique<orvexhost::Host>(hostDefinition());
    HRESULT hr = host->container(&container);
    // Named by their CAS numbers: hypothetical components the adapter sizes its material object for.
    if (SUCCEEDED(hr)) hr = host_case::addComponents(container.Get(), casNumbers);
    if (SUCCEEDED(hr))
      hr = CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ExtnPropertyPackage),
                            reinterpret_cast<void**>(adapter.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = adapter.As(&extension);
    for (const auto& [name, value] : {std::pair<const wchar_t*, const wchar_t*>{L"PropPackName", package},
                                      {L"PropSysName", kSystem},
                                      {L"PropPackAlias", package},
                                      {L"PropSysAlias", kSystem}})
      if (SUCCEEDED(hr)) hr = putText(container.Get(), name, value);
    if (SUCCEEDED(hr)) hr = adapter->Initialize(container.Get(), &record, VARIANT_TRUE);
    if (hr != S_OK) report(package, hr);
    return hr;
  }
  void report(const wchar_t* package, HRESULT hr) const {
    std::printf("the adapter could not be initialised on \"%ls\": 0x%08lX\n", package, static_cast<unsigned long>(hr));
    for (const auto& box : test_sink::boxes()) std::printf("box: %ls\n", box.text.c_str());
    if (host)
      for (const auto& call : host->calls())
        if (FAILED(call.result))
          std::printf("host call %ls(%ls): 0x%08lX\n", call.operation.c_str(), call.arguments.c_str(),
                      static_cast<unsigned long>(call.result));
  }
  ~HostedAdapter() {
    if (extension) extension->Terminate();
  }
};

struct DirectPackage {
  support::ComPtr<ICapeThermoSystem> system;
  support::ComPtr<IDispatch> dispatch;
  support::ComPtr<ICapeThermoPropertyPackage> package;

  HRESULT create(const wchar_t* name) {
    CLSID systemClass;
    HRESULT hr = CLSIDFromProgID(kSystem, &systemClass);
    if (SUCCEEDED(hr)) hr = CoCreateInstance(systemClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(system.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = system->ResolvePropertyPackage(support::Bstr(name).get(), dispatch.GetAddressOf());
    if (SUCCEEDED(hr)) hr = dispatch.As(&package);
    return hr;
  }
  // The package's compounds: ids and CAS numbers.
  HRESULT compounds(std::vector<std::wstring>& ids, std::vector<std::wstring>& cas) {
    support::Variant idList, formulae, names, boil, weights, casList;
    const HRESULT hr = package->GetComponentList(idList.out(), formulae.out(), names.out(), boil.out(), weights.out(),
                                                 casList.out());
    if (FAILED(hr)) return hr;
    ids = textsOf(idList.get());
    cas = textsOf(casList.get());
    return ids.size() == cas.size() && !ids.empty() ? S_OK : E_FAIL;
  }
};

// Bridged against direct K-values on a package, with every compound of it; false on failure.
bool measureKValues(const wchar_t* packageName) {
  DirectPackage direct;
  support::ComPtr<IMatObj> matObj;
  std::vector<std::wstring> ids, cas;
  HRESULT hr = direct.create(packageName);
  if (SUCCEEDED(hr)) hr = direct.compounds(ids, cas);
  if (SUCCEEDED(hr)) hr = CoCreateInstance(CLSID_matObj, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(matObj.GetAddressOf()));
  if (SUCCEEDED(hr)) hr = matObj->put_PropertyPackage(direct.dispatch.Get());
  if (FAILED(hr)) {
    std::printf("the package \"%ls\" could not be used directly: 0x%08lX\n", packageName, static_cast<unsigned long>(hr));
    return false;
  }
  const size_t n = ids.size();
  HostedAdapter hosted;
  if (hosted.start(packageName, cas) != S_OK) return false;

  std::vector<double> y(n, 0.0), x(n, 0.0);
  for (size_t i = 0; i < n; ++i) {
    y[i] = (i == 0 ? 10.0 : 1.0) / (double(n) + 9.0);
    x[i] = 1.0 / double(n);
  }
  double* rows[3] = {y.data(), x.data(), x.data()};
  std::vector<double> k1(n), k2(n);
  double* results[2] = {k1.data(), k2.data()};
  int types[3] = {4, 1, 0};
  const auto bridged = [&] { return hosted.adapter->ComputeKFactors(300.0, 2000.0, rows, types, results) == S_OK; };
  if (!bridged()) {
    std::printf("the bridged request failed: 0x%08lX\n", static_cast<unsigned long>(hosted.adapter->ComputeKFactors(300.0, 2000.0, rows, types, results)));
    for (const auto& box : test_sink::boxes()) std::printf("box: %ls\n", box.text.c_str());
    return false;
  }

  const support::Variant vapour = doubles(y), liquid = doubles(x);
  const support::Variant properties = strings({L"kvalues"}), phases = strings({L"VaporLiquid"});
  support::Bstr mixture(L"Mixture"), kvalues(L"kvalues");
  const LONG phaseVapor = 3, phaseLiquid = 4, phaseVaporLiquid = 2, propKValues = 34;
  const auto same = [&] {
    support::Variant read;
    return SUCCEEDED(matObj->SetTPFraction(300.0, 2.0e6, vapour.get(), phaseVapor)) &&
           SUCCEEDED(matObj->SetTPFraction(300.0, 2.0e6, liquid.get(), phaseLiquid)) &&
           SUCCEEDED(matObj->RemoveResult(kvalues.get(), -1)) &&
           SUCCEEDED(matObj->safeCalcProp(properties.get(), phases.get(), mixture.get())) &&
           SUCCEEDED(matObj->GetPropVal(phaseVaporLiquid, propKValues, read.out()));
  };

  if (const int count = loopCount()) {
    const double start = bench::seconds();
    bool ok = timesCalled(bridged, count);
    const double bridgedEach = (bench::seconds() - start) / count * 1e6, directStart = bench::seconds();
    ok = ok && timesCalled(same, count);
    std::printf("%zu compounds, %d calls in a row: bridged %.2f us, direct %.2f us per call\n", n, count, bridgedEach,
                (bench::seconds() - directStart) / count * 1e6);
    matObj->Terminate();
    return ok;
  }
  int vapourOnly[3] = {4, 0, 0};  // answered with fill values: the hand-over and no package call
  const auto empty = [&] { return hosted.adapter->ComputeKFactors(300.0, 2000.0, rows, vapourOnly, results) == S_OK; };
  double bridgedUs, directUs, tripUs, spinUs, emptyUs, slowUs, idleCpuMs, idleCpuSlowMs;
  {
    PingPong plain(0);
    PingPong spinning(20000);
    const std::vector<double> inTurn = medianMicrosInTurn({empty, bridged, same});
    emptyUs = inTurn[0];
    bridgedUs = inTurn[1];
    directUs = inTurn[2];
    tripUs = medianMicros([&] { return plain.trip(); });
    spinUs = medianMicros([&] { return spinning.trip(); });
    FastPathOff off;
    slowUs = medianMicros(bridged);
  }
  // Slower than the work plus a spin window and some: the hand-over slept.
  constexpr double kSleptAfterUs = 60;
  const CallSpread spread = callSpread(bridged, directUs + kSleptAfterUs);
  idleCpuMs = idleCpuMsPerSecond(bridged);
  {
    FastPathOff off;
    idleCpuSlowMs = idleCpuMsPerSecond(bridged);
  }
  std::printf("%zu compounds, \"%ls\", %d calls x %d batches (median of the batches)\n", n, packageName, kCalls, kBatches);
  std::printf("  bridged ComputeKFactors VL  %10.1f us\n", bridgedUs);
  std::printf("  bridged, nothing to compute %10.1f us\n", emptyUs);
  std::printf("  direct (same work, no hand-over) %5.1f us\n", directUs);
  std::printf("  SetEvent/MsgWait round trip %10.1f us\n", tripUs);
  std::printf("  round trip after a short spin %8.1f us\n", spinUs);
  std::printf("  bridged, fast path off      %10.1f us\n", slowUs);
  std::printf("  CAPE-OPEN thread CPU per second of host idleness after %d requests: %.2f ms (fast path off: %.2f ms)\n",
              kCalls, idleCpuMs, idleCpuSlowMs);
  std::printf("  bridged, one call at a time: median %.1f us; %.1f %% of %d calls over %.0f us (they slept)\n",
              spread.medianUs, spread.slowShare * 100, kCalls * kBatches, directUs + kSleptAfterUs);
  std::printf("  asleep when needed: the host thread in %.1f %%, the CAPE-OPEN thread in %.1f %% of those calls\n",
              spread.hostSleptShare * 100, spread.threadSleptShare * 100);
  matObj->Terminate();
  if (bridgedUs <= 0 || directUs <= 0 || tripUs <= 0 || slowUs <= 0 || idleCpuMs < 0 || idleCpuSlowMs < 0 ||
      spread.medianUs <= 0)
    return false;
  std::printf("  bridge overhead %.1f us = %.2f round trips\n", bridgedUs - directUs, (bridgedUs - directUs) / tripUs);
  std::printf("@row|bridged K-value request / the same work without hand-over|%zu|%.2f\n", n, bridgedUs / directUs);
  std::printf("@row|hand-over cost (bridged - direct) / bare event round trip|%zu|%.2f\n", n, (bridgedUs - directUs) / tripUs);
  std::printf("@row|bridged K-value request, us|%zu|%.1f\n", n, bridgedUs);
  std::printf("@row|median single bridged request / the same work without hand-over|%zu|%.2f\n", n,
              spread.medianUs / directUs);
  std::printf("@row|bridged requests whose hand-over slept (over work + 60 us), %%|%zu|%.1f\n", n,
              spread.slowShare * 100);
  std::printf("@row|bridged requests whose host thread slept for the answer, %%|%zu|%.1f\n", n,
              spread.hostSleptShare * 100);
  std::printf("@row|bridged requests that found the CAPE-OPEN thread asleep, %%|%zu|%.1f\n", n,
              spread.threadSleptShare * 100);
  std::printf("@row|the same K-value work without hand-over, us|%zu|%.1f\n", n, directUs);
  std::printf("@row|bare SetEvent/MsgWait round trip, us|%zu|%.1f\n", n, tripUs);
  std::printf("@row|bridged K-value request, fast path off / the same work without hand-over|%zu|%.2f\n", n,
              slowUs / directUs);
  std::printf("@row|CAPE-OPEN thread CPU per s of host idleness after a burst, ms|%zu|%.2f\n", n, idleCpuMs);
  std::printf("@row|the same with the fast path off, ms|%zu|%.2f\n", n, idleCpuSlowMs);
  return true;
}

// Initialize (and Terminate) of the adapter on a package against the package's creation alone.
bool measureInitialize(const wchar_t* packageName) {
  DirectPackage probe;
  std::vector<std::wstring> ids, cas;
  if (FAILED(probe.create(packageName)) || FAILED(probe.compounds(ids, cas))) return false;
  bool ok = true;
  const auto initialize = [&] {
    HostedAdapter hosted;
    ok = ok && hosted.start(packageName, cas) == S_OK;
  };
  const auto creation = [&] {
    DirectPackage direct;
    ok = ok && SUCCEEDED(direct.create(packageName));
  };
  std::vector<double> initializeMs, creationMs;
  for (int round = 0; round < 7; ++round) {  // taking turns, so that a busy machine slows both alike
    double start = bench::seconds();
    initialize();
    initializeMs.push_back((bench::seconds() - start) * 1e3);
    start = bench::seconds();
    creation();
    creationMs.push_back((bench::seconds() - start) * 1e3);
  }
  if (!ok) return false;
  std::sort(initializeMs.begin(), initializeMs.end());
  std::sort(creationMs.begin(), creationMs.end());
  const double init = initializeMs[3], create = creationMs[3];
  std::printf("%zu compounds: Initialize + Terminate %.2f ms, the package's creation alone %.2f ms (median of 7)\n",
              ids.size(), init, create);
  std::printf("@row|Initialize + Terminate / the package's creation alone|%zu|%.2f\n", ids.size(), init / create);
  return true;
}

// The fast runs' windows from QUELLMAR_BENCH_WINDOWS ("wait,watch"), when given.
void readWindows() {
  const char* text = std::getenv("QUELLMAR_BENCH_WINDOWS");
  unsigned wait = 0, watch = 0;
  if (text && std::sscanf(text, "%u,%u", &wait, &watch) == 2) {
    g_waitUs = static_cast<int>(wait);
    g_watchUs = static_cast<int>(watch);
    std::printf("spin windows %u us (waiters), %u us (the CAPE-OPEN thread after a call)\n", wait, watch);
  }
}

}  // namespace

extern "C" __declspec(dllexport) void __cdecl QuellmarHandOverSlept(int sleeper) {
  if (sleeper == 0 || sleeper == 1) ++g_slept[sleeper];
}

extern "C" __declspec(dllexport) void __cdecl QuellmarSpinWindows(unsigned* waitUs, unsigned* watchUs) {
  const int wait = g_waitUs.load(std::memory_order_relaxed), watch = g_watchUs.load(std::memory_order_relaxed);
  if (wait >= 0) *waitUs = static_cast<unsigned>(wait);
  if (watch >= 0) *watchUs = static_cast<unsigned>(watch);
}

int main() {
  readWindows();
  support::ComApartment apartment;
  if (FAILED(apartment.result())) return 1;
  bool ok = true;
  for (const wchar_t* package : kPackages) ok = measureKValues(package) && ok;
  ok = measureInitialize(kInitializePackage) && ok;
  return ok ? 0 : 2;
}
