#include "tests/adapter/ReliabilityRequests.h"

#include <memory>
#include <thread>

#include "support/Raii.h"

namespace reliability_test {

std::vector<Request> requestMix() {
  std::vector<Request> mix;
  for (int kind = 0; kind < kKinds; ++kind)
    for (double t : {250.0, 280.0, 310.0, 340.0})
      for (double p : {500.0, 2000.0, 5000.0}) mix.push_back({kind, t, p});
  return mix;
}

std::vector<double> perform(ExtnPropertyPackage* package, const Request& r, const std::vector<double>& y,
                            const std::vector<double>& x) {
  const int n = static_cast<int>(y.size());
  std::vector<double> vapour = y, liquid = x, second = x;
  double* compositions[3] = {vapour.data(), liquid.data(), second.data()};
  int types[3] = {4, 1, 0};
  double fractions[3] = {0.4, 0.6, 0.0};
  std::vector<double> a(n, 0.0), b(n, 0.0), c(n, 0.0);
  double* rows[3] = {a.data(), b.data(), c.data()};
  double h[4] = {}, s[4] = {}, cp[4] = {}, v[4] = {};
  double scalar = 0;
  HRESULT hr = E_UNEXPECTED;
  std::vector<double> out;
  switch (r.kind) {
    case 0:
      hr = package->ComputeKFactors(r.t, r.p, compositions, types, rows);
      out = a;
      break;
    case 1:
      hr = package->ComputeKFactorsVL(r.t, r.p, compositions, a.data());
      out = a;
      break;
    case 2:
      hr = package->ComputePhaseProperties(r.t, r.p, compositions, types, fractions, h, s, cp, v);
      for (const double* values : {h, s, cp, v}) out.insert(out.end(), values, values + 4);
      break;
    case 3:
      hr = package->ComputePhaseFugacities(r.t, r.p, compositions, types, rows);
      out = a;
      out.insert(out.end(), b.begin(), b.end());
      break;
    case 4: hr = package->ComputePhaseViscosity(r.t, r.p, vapour.data(), 0.5, 4, &scalar); break;
    case 5: hr = package->ComputePhaseThermalConductivity(r.t, r.p, liquid.data(), 10.0, 1, &scalar); break;
    case 6: hr = package->ComputeLiquidSurfaceTension(r.t, r.p, compositions, 0.4, &scalar); break;
    case 7: hr = package->GuessBubblePointTemperature(r.p, liquid.data(), &scalar); break;
    default: hr = package->InitializeKFactors(static_cast<int>(r.t) % n, r.t, r.p, 2, &scalar); break;
  }
  if (r.kind >= 4) out.push_back(scalar);
  out.insert(out.begin(), static_cast<double>(hr));
  return out;
}

void runOnHostThreads(const std::vector<std::function<void()>>& bodies) {
  std::vector<std::unique_ptr<support::Event>> done;
  for (size_t k = 0; k < bodies.size(); ++k) done.push_back(std::make_unique<support::Event>(support::Event::Manual));
  std::vector<std::thread> threads;
  for (size_t k = 0; k < bodies.size(); ++k)
    threads.emplace_back([&, k] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      bodies[k]();
      CoUninitialize();
      done[k]->set();
    });
  for (const auto& event : done) {
    const HANDLE handle = event->get();
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
  }
  for (std::thread& thread : threads) thread.join();
}

}  // namespace reliability_test
