// Load: many host threads on one adapter, several adapters at once, and Terminate while host
// threads wait. Every answer must equal the one the same request gets alone.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "tests/adapter/CalcReference.h"
#include "tests/adapter/ReliabilityRequests.h"

namespace reliability_test {
namespace {

using support::ComPtr;

constexpr int kHostThreads = 8;
constexpr int kRequestsPerThread = 2000;
constexpr int kAdapters = 4;
constexpr int kRequestsPerAdapter = 1000;

// The same code and the same values, to the last bit: every request finds the CAPE-OPEN
// thread's floating-point state as the one before it left it.
bool sameAnswer(const std::vector<double>& a, const std::vector<double>& b) { return a == b; }

class LoadTest : public calc_test::CalcTest {
 protected:
  void prepare() {
    use(L"Natural Gas");
    y = mixture({0.01, 0.02, 0.01, 0.8, 0.1, 0.03, 0.01, 0.01, 0.005, 0.005, 0.001, 0.001, 0.001, 0.001});
    x = mixture({0.001, 0.01, 0.01, 0.1, 0.1, 0.15, 0.1, 0.1, 0.1, 0.1, 0.1, 0.05, 0.05, 0.001});
    mix = requestMix();
    for (const Request& r : mix) expected.push_back(perform(package.Get(), r, y, x));
  }
  // The request a thread makes at step i: every thread walks the mix in its own order.
  size_t pick(int thread, int i) const { return (static_cast<size_t>(thread) * 7919 + static_cast<size_t>(i) * 31) % mix.size(); }
  // Runs count requests on target from this thread; the number of answers that differ.
  int run(ExtnPropertyPackage* target, int thread, int count) const {
    int wrong = 0;
    for (int i = 0; i < count; ++i) {
      const size_t k = pick(thread, i);
      if (!sameAnswer(perform(target, mix[k], y, x), expected[k])) ++wrong;
    }
    return wrong;
  }

  std::vector<double> y, x;
  std::vector<Request> mix;
  std::vector<std::vector<double>> expected;
};

// Another adapter with a host case of its own, initialised on the same package.
struct OtherAdapter {
  std::unique_ptr<orvexhost::Host> host;
  ComPtr<ExtnContainer> container;
  ComPtr<ExtnPropertyPackage> package;
  ComPtr<ExtensionObject> extension;
  ExtnPackageInitRecord record{};

  HRESULT start(const wchar_t* name, const std::vector<std::string>& casNumbers) {
    host = std::make_unique<orvexhost::Host>(adapter_test::fullDefinition());
    HRESULT hr = host->container(&container);
    if (FAILED(hr)) return hr;
    calc_test::addToHostFluidPackage(container.Get(), casNumbers);
    hr = CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ExtnPropertyPackage),
                          reinterpret_cast<void**>(package.GetAddressOf()));
    if (SUCCEEDED(hr)) hr = package.As(&extension);
    SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", adapter_test::choiceOf(name).c_str());
    return SUCCEEDED(hr) ? package->Initialize(container.Get(), &record, VARIANT_FALSE) : hr;
  }
  ~OtherAdapter() {
    if (extension) extension->Terminate();
    extension.Reset();
    package.Reset();
    container.Reset();
    host.reset();
  }
};

TEST_F(LoadTest, EightHostThreadsOnOneAdapterGetTheSingleThreadAnswers) {
  prepare();
  for (size_t k = 0; k < mix.size(); ++k) ASSERT_EQ(static_cast<double>(S_OK), expected[k][0]) << "request " << k;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kHostThreads; ++t)
    threads.emplace_back([&, t] { wrong += run(package.Get(), t, kRequestsPerThread); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrong.load()) << "of " << kHostThreads * kRequestsPerThread << " requests";
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(LoadTest, FourAdaptersWithTheirOwnThreadsWorkAtOnce) {
  prepare();
  std::vector<std::unique_ptr<OtherAdapter>> others;
  std::vector<ExtnPropertyPackage*> targets{package.Get()};
  for (int k = 1; k < kAdapters; ++k) {
    others.push_back(std::make_unique<OtherAdapter>());
    ASSERT_EQ(S_OK, others.back()->start(L"Natural Gas", reference->casNumbers()));
    targets.push_back(others.back()->package.Get());
  }
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  // Two host threads on each adapter.
  for (int t = 0; t < 2 * kAdapters; ++t)
    threads.emplace_back([&, t] { wrong += run(targets[t % kAdapters], t, kRequestsPerAdapter / 2); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrong.load()) << "of " << kAdapters * kRequestsPerAdapter << " requests";
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(LoadTest, TerminateWhileHostThreadsWaitReleasesThemAllAndNothingFalseIsAnswered) {
  prepare();
  std::atomic<int> started{0}, wrong{0};
  std::vector<std::thread> threads;
  ExtnPropertyPackage* target = package.Get();
  for (int t = 0; t < kHostThreads; ++t)
    threads.emplace_back([&, t] {
      bool counted = false;
      for (int i = 0;; ++i) {
        // Every member, the ones answered on this thread from the cached compounds too: they
        // read a copy that the release of the objects cannot take from under them.
        const size_t k = pick(t, i);
        const std::vector<double> answer = perform(target, mix[k], y, x);
        if (answer[0] != static_cast<double>(S_OK)) break;  // Terminate has come
        if (!sameAnswer(answer, expected[k])) ++wrong;
        if (!counted && i >= 5) counted = (++started, true);
      }
      if (!counted) ++started;
    });
  // Terminate once every thread is busy.
  while (started.load() < kHostThreads) SwitchToThread();
  EXPECT_EQ(S_OK, extension->Terminate());
  initialised = false;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(0, wrong.load());
  // After Terminate a hand-over is refused at once.
  EXPECT_EQ(static_cast<double>(E_FAIL), perform(package.Get(), mix[12], y, x)[0]);
}

}  // namespace
}  // namespace reliability_test
