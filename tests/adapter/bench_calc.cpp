// Timing of one bridged K-value request (run by hand; not a test). Printed side by side, in
// microseconds per call (median of several batches):
//   bridged    ComputeKFactors, vapour-liquid, through the adapter initialised on a recalled host
//              case that names the package and holds its compounds;
//   direct     the same work without a hand-over: the product's material object and the same
//              package in this thread's apartment, T, P and two compositions set, CalcProp of
//              "kvalues" on "VaporLiquid", the K-values read back;
//   round trip a bare SetEvent / MsgWaitForMultipleObjects ping-pong between two threads;
//   spin trip  the same ping-pong where each waiter first spins briefly on a flag set with the
//              event, and pumps messages in MsgWaitForMultipleObjects only when the spin ran out.
// The bridge overhead is (bridged - direct), reported as a multiple of the round trip.
#include <windows.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "MessageSink.h"
#include "OrvexHost.h"
#include "OvHost.h"
#include "Raii.h"
#include "SetGet.h"
#include "ZendrelLib.h"

namespace {

constexpr int kCalls = 300;
constexpr int kBatches = 9;
constexpr wchar_t kPackage[] = L"Natural Gas";

double seconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Median microseconds per call over the batches; negative when a call failed.
double medianMicros(const std::function<bool()>& call) {
  std::vector<double> batches;
  for (int b = 0; b < kBatches; ++b) {
    const double start = seconds();
    for (int i = 0; i < kCalls; ++i)
      if (!call()) return -1;
    batches.push_back((seconds() - start) / kCalls * 1e6);
  }
  std::sort(batches.begin(), batches.end());
  return batches[kBatches / 2];
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

// The case's fluid package holds the package's compounds (as hypothetical components named by
// their CAS numbers), so the adapter sizes its material object for them at Initialize.
HRESULT addCompounds(ExtnContainer* container) {
  static const wchar_t* const kCas[] = {L"7727-37-9", L"124-38-9", L"7783-06-4", L"74-82-8", L"74-84-0",
                                        L"74-98-6", L"75-28-5", L"106-97-8", L"78-78-4", L"109-66-0",
                                        L"110-54-3", L"142-82-5", L"111-65-9", L"7732-18-5"};
  support::ComPtr<IDispatch> holderObject, fluidObject;
  support::ComPtr<HostFluidPackageHolder> holder;
  support::ComPtr<HostFluidPackage> fluid;
  support::ComPtr<HostComponents> components;
  HRESULT hr = container->get_FluidPackageHolder(&holderObject);
  if (SUCCEEDED(hr)) hr = holderObject.As(&holder);
  if (SUCCEEDED(hr)) hr = holder->get_FluidPackage(&fluidObject);
  if (SUCCEEDED(hr)) hr = fluidObject.As(&fluid);
  if (SUCCEEDED(hr)) hr = fluid->get_Components(&components);
  for (const wchar_t* cas : kCas) {
    support::ComPtr<HostComponent> added;
    if (SUCCEEDED(hr)) hr = components->Add(support::Bstr(cas).get(), &added);
  }
  return hr;
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

}  // namespace

int main() {
  support::ComApartment apartment;
  if (FAILED(apartment.result())) return 1;

  // The package directly, with the product's material object, in this apartment.
  CLSID systemClass;
  support::ComPtr<ICapeThermoSystem> system;
  support::ComPtr<IDispatch> packageDispatch;
  support::ComPtr<ICapeThermoPropertyPackage> package;
  support::ComPtr<IMatObj> matObj;
  support::ComPtr<ICapeThermoMaterialObject> material;
  if (FAILED(CLSIDFromProgID(L"Quellmar.PRThermoSystem", &systemClass)) ||
      FAILED(CoCreateInstance(systemClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(system.GetAddressOf()))) ||
      FAILED(system->ResolvePropertyPackage(support::Bstr(kPackage).get(), packageDispatch.GetAddressOf())) ||
      FAILED(packageDispatch.As(&package)) ||
      FAILED(CoCreateInstance(CLSID_matObj, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(matObj.GetAddressOf()))) ||
      FAILED(matObj.As(&material)) || FAILED(matObj->put_PropertyPackage(packageDispatch.Get()))) {
    std::printf("the package could not be used directly\n");
    return 3;
  }
  // Bridged: the adapter as the host uses it.
  auto host = std::make_unique<orvexhost::Host>(hostDefinition());
  support::ComPtr<ExtnContainer> container;
  support::ComPtr<ExtnPropertyPackage> adapter;
  support::ComPtr<ExtensionObject> extension;
  ExtnPackageInitRecord record{};
  HRESULT hr = host->container(&container);
  if (SUCCEEDED(hr)) hr = addCompounds(container.Get());
  if (FAILED(hr)) std::printf("the host case could not be prepared\n");
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ExtnPropertyPackage),
                          reinterpret_cast<void**>(adapter.GetAddressOf()));
  if (SUCCEEDED(hr)) hr = adapter.As(&extension);
  // A recalled case names its package, so no selection is made.
  for (const auto& [name, value] : {std::pair<const wchar_t*, const wchar_t*>{L"PropPackName", kPackage},
                                    {L"PropSysName", L"Quellmar.PRThermoSystem"},
                                    {L"PropPackAlias", kPackage},
                                    {L"PropSysAlias", L"Quellmar.PRThermoSystem"}})
    if (SUCCEEDED(hr)) hr = putText(container.Get(), name, value);
  if (SUCCEEDED(hr)) hr = adapter->Initialize(container.Get(), &record, VARIANT_TRUE);
  if (hr != S_OK) {
    std::printf("the adapter could not be initialised on \"%ls\": 0x%08lX\n", kPackage, static_cast<unsigned long>(hr));
    for (const auto& box : test_sink::boxes()) std::printf("box: %ls\n", box.text.c_str());
    for (const auto& call : host->calls())
      if (FAILED(call.result)) std::printf("host call %ls(%ls): 0x%08lX\n", call.operation.c_str(), call.arguments.c_str(), static_cast<unsigned long>(call.result));
    return 2;
  }

  LONG count = 0;
  material->GetNumComponents(&count);
  const int n = static_cast<int>(count);

  std::vector<double> y(n, 0.0), x(n, 0.0);
  for (int i = 0; i < n; ++i) {
    y[i] = (i == 3 ? 10.0 : 1.0) / (n + 9.0);
    x[i] = 1.0 / n;
  }
  double* rows[3] = {y.data(), x.data(), x.data()};
  std::vector<double> k1(n), k2(n);
  double* results[2] = {k1.data(), k2.data()};
  int types[3] = {4, 1, 0};
  const auto bridged = [&] { return adapter->ComputeKFactors(300.0, 2000.0, rows, types, results) == S_OK; };

  const support::Variant vapour = doubles(y), liquid = doubles(x);
  const support::Variant properties = strings({L"kvalues"}), phases = strings({L"VaporLiquid"});
  support::Bstr mixture(L"Mixture"), kvalues(L"kvalues");
  const LONG phaseVapor = 3, phaseLiquid = 4, phaseVaporLiquid = 2, propKValues = 34;
  const auto direct = [&] {
    support::Variant read;
    return SUCCEEDED(matObj->SetTPFraction(300.0, 2.0e6, vapour.get(), phaseVapor)) &&
           SUCCEEDED(matObj->SetTPFraction(300.0, 2.0e6, liquid.get(), phaseLiquid)) &&
           SUCCEEDED(matObj->RemoveResult(kvalues.get(), -1)) &&
           SUCCEEDED(matObj->safeCalcProp(properties.get(), phases.get(), mixture.get())) &&
           SUCCEEDED(matObj->GetPropVal(phaseVaporLiquid, propKValues, read.out()));
  };

  double bridgedUs, directUs, tripUs, spinUs;
  {
    PingPong plain(0);
    PingPong spinning(20000);
    bridgedUs = medianMicros(bridged);
    directUs = medianMicros(direct);
    tripUs = medianMicros([&] { return plain.trip(); });
    spinUs = medianMicros([&] { return spinning.trip(); });
  }
  std::printf("%d compounds, \"%ls\", %d calls x %d batches (median of the batches)\n", n, kPackage, kCalls, kBatches);
  std::printf("bridged ComputeKFactors VL  %10.1f us\n", bridgedUs);
  std::printf("direct (same work, no hand-over) %5.1f us\n", directUs);
  std::printf("SetEvent/MsgWait round trip %10.1f us\n", tripUs);
  std::printf("round trip after a short spin %8.1f us\n", spinUs);
  if (bridgedUs > 0 && directUs > 0 && tripUs > 0)
    std::printf("bridge overhead %.1f us = %.2f round trips\n", bridgedUs - directUs, (bridgedUs - directUs) / tripUs);

  matObj->Terminate();
  extension->Terminate();
  return 0;
}
