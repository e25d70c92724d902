// Thread affinity: a package bound to the thread that created it (as apartment-bound packages of
// other vendors are) refuses every call made on another thread. Every host operation, made from
// several host threads at once, must reach it only on the adapter's CAPE-OPEN thread.
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

#include "tests/adapter/CalcReference.h"
#include "tests/adapter/ReliabilityRequests.h"
#include "support/Text.h"

namespace reliability_test {
namespace {

using adapter_test::NamedArgument;
using support::Bstr;
using support::ComPtr;
using support::Variant;

constexpr int kHostThreads = 4;
constexpr int kRounds = 6;

// The totals the Peng-Robinson counterpart keeps of its thread-bound packages.
struct ThreadRecord {
  LONG calls = -1, refused = -1, threads = -1;
};

ThreadRecord readThreadRecord(bool reset = false) {
  using Reader = void(WINAPI*)(LONG*, LONG*, LONG*, BOOL);
  ThreadRecord record;
  const HMODULE module = GetModuleHandleW(L"PRThermo.dll");
  const auto reader = module ? reinterpret_cast<Reader>(GetProcAddress(module, "PRThermoThreadRecord")) : nullptr;
  if (reader) reader(&record.calls, &record.refused, &record.threads, reset ? TRUE : FALSE);
  return record;
}

class ThreadAffinityTest : public calc_test::CalcTest {
 protected:
  void SetUp() override {
    calc_test::CalcTest::SetUp();
    use(L"Thread Bound");
    y = mixture({0.01, 0.02, 0.01, 0.8, 0.1, 0.03, 0.01, 0.01, 0.005, 0.005, 0.001, 0.001, 0.001, 0.001});
    x = mixture({0.001, 0.01, 0.01, 0.1, 0.1, 0.15, 0.1, 0.1, 0.1, 0.1, 0.1, 0.05, 0.05, 0.001});
    mix = requestMix();
  }

  // The answers alone, and the names setComps is given, for the host's basis as it is now.
  void takeReferenceAnswers() {
    expected.clear();
    for (const Request& r : mix) expected.push_back(perform(package.Get(), r, y, x));
    hostNames = hostComponentNames();
  }

  // The names of the host fluid package's components, in its order (what setComps is given).
  Variant hostComponentNames() {
    ComPtr<IDispatch> holderObject, fluidObject;
    ComPtr<HostFluidPackageHolder> holder;
    ComPtr<HostFluidPackage> fluid;
    ComPtr<HostComponents> components;
    long count = 0;
    EXPECT_EQ(S_OK, container->get_FluidPackageHolder(&holderObject));
    EXPECT_EQ(S_OK, holderObject.As(&holder));
    EXPECT_EQ(S_OK, holder->get_FluidPackage(&fluidObject));
    EXPECT_EQ(S_OK, fluidObject.As(&fluid));
    EXPECT_EQ(S_OK, fluid->get_Components(&components));
    EXPECT_EQ(S_OK, components->get_Count(&count));
    Variant names;
    names.get().vt = VT_ARRAY | VT_BSTR;
    names.get().parray = SafeArrayCreateVector(VT_BSTR, 0, count);
    for (long k = 0; k < count; ++k) {
      ComPtr<HostComponent> component;
      Bstr name;
      EXPECT_EQ(S_OK, components->get_Item(k, &component));
      EXPECT_EQ(S_OK, component->get_Name(name.out()));
      SafeArrayPutElement(names.get().parray, &k, name.get());
    }
    return names;
  }

  // Every operation a host makes on the adapter, the nine calculation members first. Each
  // answers S_OK; a calculation's values also equal the ones it got alone.
  std::vector<std::function<bool(int)>> hostOperations() {
    std::vector<std::function<bool(int)>> operations;
    for (int kind = 0; kind < kKinds; ++kind)
      operations.push_back([this, kind](int i) {
        const size_t k = static_cast<size_t>(kind) * 12 + static_cast<size_t>(i) % 12;
        return perform(package.Get(), mix[k], y, x) == expected[k];
      });
    operations.push_back([this](int) {
      std::vector<double> a = y, b = x, c(y.size(), 0.0);
      double* rows[3] = {a.data(), b.data(), c.data()};
      int types[3] = {4, 1, 0};
      double fractions[3] = {0.4, 0.6, 0.0};
      return package->OrderPhases(300, 2000, rows, types, fractions) == S_OK;
    });
    operations.push_back([this](int) {
      std::vector<double> a = y, b = x, c(y.size(), 0.0);
      double* rows[3] = {a.data(), b.data(), c.data()};
      double av = 0, bv = 0, al = 0, bl = 0;
      return package->ComputeHInnerParamsVL(300, 2000, rows, &av, &bv, &al, &bl) == S_OK;
    });
    operations.push_back([this](int) {
      VARIANT_BOOL changed = VARIANT_FALSE;
      return package->EndBasisChange(&changed) == S_OK && changed == VARIANT_TRUE;
    });
    operations.push_back([this](int) { return priv->setComps(hostNames.get()) == S_OK; });
    operations.push_back([this](int i) {
      double value = 0;
      return priv->getCompConstantDbl(Bstr(L"criticalTemperature").get(), i % n, &value) == S_OK && value > 100;
    });
    operations.push_back([this](int) {
      std::vector<int> ids(static_cast<size_t>(n) + 4, 0);
      return package->PreSelectedComponents(ids.data()) == S_OK;
    });
    operations.push_back([this](int) { return extension->Save() == S_OK; });
    operations.push_back([this](int) {
      NamedArgument customView(L"CustomView");
      return extension->VariableChanged(&customView) == S_OK;
    });
    operations.push_back([this](int) {
      NamedArgument refresh(L"RefreshHypos");
      return extension->VariableChanged(&refresh) == S_OK;
    });
    operations.push_back([this](int) {
      Bstr saved;
      return priv->PkgSave(saved.out()) == S_OK && saved.length() > 0;
    });
    return operations;
  }

  std::vector<double> y, x;
  std::vector<Request> mix;
  std::vector<std::vector<double>> expected;
  Variant hostNames;
};

TEST_F(ThreadAffinityTest, EveryHostOperationFromSeveralThreadsReachesThePackageOnlyOnItsThread) {
  ASSERT_EQ(0, readThreadRecord(true).refused) << "the adapter's creation";
  // The component page closes (the selection is imported into the host's fluid package) and the
  // host ends its basis change, each from a host thread of its own.
  HRESULT imported = E_UNEXPECTED, ended = E_UNEXPECTED;
  runOnHostThreads({[&] {
    NamedArgument close(L"CloseDefaultView");
    imported = extension->VariableChanged(&close);
  }});
  runOnHostThreads({[&] {
    VARIANT_BOOL changed = VARIANT_FALSE;
    ended = package->EndBasisChange(&changed);
  }});
  EXPECT_EQ(S_OK, imported);
  EXPECT_EQ(S_OK, ended);
  takeReferenceAnswers();
  const std::vector<std::function<bool(int)>> operations = hostOperations();
  std::atomic<int> made{0}, failed{0};
  std::vector<std::atomic<int>> failedByOperation(operations.size());
  std::vector<std::function<void()>> bodies;
  for (int t = 0; t < kHostThreads; ++t)
    bodies.push_back([&, t] {
      for (int round = 0; round < kRounds; ++round)
        for (size_t k = 0; k < operations.size(); ++k) {
          // Every thread walks the operations in its own order.
          const size_t op = (k + static_cast<size_t>(t) * 5) % operations.size();
          if (!operations[op](round * kHostThreads + t)) {
            ++failed;
            ++failedByOperation[op];
          }
          ++made;
        }
    });
  // The teardown asked for by a host thread too, after everything else.
  runOnHostThreads(bodies);
  runOnHostThreads({[&] { EXPECT_EQ(S_OK, priv->PrivTerminate()); }});
  EXPECT_EQ(S_OK, extension->Terminate());
  initialised = false;
  const ThreadRecord record = readThreadRecord();
  std::printf("thread affinity: %d host operations from %d host threads (after an import and a basis change); "
              "package calls recorded %ld on %ld thread(s), refused %ld\n",
              made.load() + 3, kHostThreads, record.calls, record.threads, record.refused);
  EXPECT_EQ(kHostThreads * kRounds * static_cast<int>(operations.size()), made.load());
  EXPECT_EQ(0, failed.load());
  for (size_t op = 0; op < operations.size(); ++op) EXPECT_EQ(0, failedByOperation[op].load()) << "operation " << op;
  EXPECT_GT(record.calls, made.load() / 2) << "the operations reached the package";
  EXPECT_EQ(0, record.refused);
  EXPECT_EQ(1, record.threads) << "only the CAPE-OPEN thread called the package";
  // The host case names its components by CAS number (hypothetical to the adapter): each basis
  // given gets the adapter's warning about them, and nothing else is shown.
  for (const test_sink::Box& box : boxes.shown())
    EXPECT_EQ(0u, box.text.find(L"Since the component '")) << support::narrow(box.text);
}

// The counterpart's own check: the same package object called directly from another thread is
// refused, and the refusal is recorded.
TEST_F(ThreadAffinityTest, ThePackageRefusesACallOffItsThread) {
  CLSID clsid;
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"Quellmar.PRThermoSystem", &clsid));
  ComPtr<ICapeThermoSystem> system;
  ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(system.GetAddressOf())));
  ComPtr<IDispatch> object;
  ASSERT_EQ(S_OK, system->ResolvePropertyPackage(Bstr(L"Thread Bound").get(), object.GetAddressOf()));
  ComPtr<ICapeThermoPropertyPackage> bound;
  ASSERT_EQ(S_OK, object.As(&bound));
  readThreadRecord(true);
  Variant here, there;
  EXPECT_EQ(S_OK, bound->GetPropList(here.out()));
  HRESULT offThread = S_OK;
  std::thread([&] { offThread = bound->GetPropList(there.out()); }).join();
  EXPECT_EQ(RPC_E_WRONG_THREAD, offThread);
  EXPECT_EQ(VT_EMPTY, there.vt());
  const ThreadRecord record = readThreadRecord(true);
  EXPECT_EQ(2, record.calls);
  EXPECT_EQ(1, record.refused);
  EXPECT_EQ(2, record.threads);
}

}  // namespace
}  // namespace reliability_test
