// Bad host input: random temperatures, pressures, compositions, phase types and null outputs on
// every calculation member. No crash, nothing written outside the host's arrays, only the
// documented codes, and the adapter answers a sound request as before.
#include <cmath>
#include <limits>
#include <random>
#include <set>

#include "tests/adapter/CalcReference.h"
#include "tests/adapter/ReliabilityRequests.h"
#include "support/Raii.h"

namespace reliability_test {
namespace {

constexpr int kRandomCases = 2000;
constexpr int kDamagedTexts = 400;
constexpr int kGuard = 4;            // values before and after each host array
constexpr double kSentinel = 7.25e77;

// A host array of n doubles with guard values on both sides.
class GuardedArray {
 public:
  explicit GuardedArray(int n, double fill = 0) : m_n(n), m_values(n + 2 * kGuard, kSentinel) {
    for (int i = 0; i < n; ++i) m_values[kGuard + i] = fill;
  }
  double* data() { return m_values.data() + kGuard; }
  bool guardsIntact() const {
    for (int i = 0; i < kGuard; ++i)
      if (m_values[i] != kSentinel || m_values[kGuard + m_n + i] != kSentinel) return false;
    return true;
  }

 private:
  int m_n;
  std::vector<double> m_values;
};

// Each code once, printed, and whether all of them are among the allowed ones.
void expectOnly(const std::set<HRESULT>& codes, const std::set<HRESULT>& allowed, const char* what) {
  std::string seen;
  for (HRESULT hr : codes) seen += " " + std::to_string(static_cast<long>(hr));
  std::printf("%s codes seen:%s\n", what, seen.c_str());
  for (HRESULT hr : codes) EXPECT_TRUE(allowed.count(hr)) << what << " code " << std::hex << hr;
}

class BadInputTest : public calc_test::CalcTest {
 protected:
  double anyOf(std::initializer_list<double> values) {
    std::uniform_int_distribution<size_t> pick(0, values.size() - 1);
    return values.begin()[pick(random)];
  }
  double temperature() { return anyOf({kNaN, -5, 0, 1e-300, 1e300, kInf, -kInf, 300, 150, 600}); }
  double pressure() { return anyOf({kNaN, -100, 0, 1e-300, 1e300, kInf, 2000, 101.325, 1e5}); }
  double fraction() { return anyOf({kNaN, -1, 0, 0.5, 1, 1e300, kInf, 0.1, 0.3}); }
  int phaseType() { return static_cast<int>(anyOf({-1, 0, 1, 2, 3, 4, 5, 99})); }
  bool null() { return std::uniform_int_distribution<int>(0, 5)(random) == 0; }
  void randomise(GuardedArray& a) {
    for (int i = 0; i < n; ++i) a.data()[i] = fraction();
  }

  static constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  static constexpr double kInf = std::numeric_limits<double>::infinity();
  std::mt19937 random{20261209u};
};

TEST_F(BadInputTest, RandomHostArgumentsGiveOnlyDocumentedAnswersAndStayInsideTheArrays) {
  use(L"Natural Gas");
  const std::vector<double> y = mixture({0.01, 0.02, 0.01, 0.8, 0.1, 0.03, 0.01, 0.01}),
                            x = mixture({0.001, 0.01, 0.01, 0.1, 0.1, 0.15, 0.1, 0.1});
  const std::vector<double> before = perform(package.Get(), {2, 300, 2000}, y, x);
  ASSERT_EQ(static_cast<double>(S_OK), before[0]);

  std::set<HRESULT> codes;
  int outside = 0;
  for (int c = 0; c < kRandomCases; ++c) {
    GuardedArray in[3] = {GuardedArray(n), GuardedArray(n), GuardedArray(n)};
    GuardedArray out[3] = {GuardedArray(n), GuardedArray(n), GuardedArray(n)};
    GuardedArray four[4] = {GuardedArray(4), GuardedArray(4), GuardedArray(4), GuardedArray(4)};
    GuardedArray types(3), fractions(3), scalar(1);
    for (GuardedArray& a : in) randomise(a);
    double* rowsIn[3] = {null() ? nullptr : in[0].data(), in[1].data(), null() ? nullptr : in[2].data()};
    double* rowsOut[3] = {out[0].data(), null() ? nullptr : out[1].data(), out[2].data()};
    int phaseTypes[3 + 2 * kGuard];
    for (int& t : phaseTypes) t = -777;
    int* typesIn = phaseTypes + kGuard;
    for (int i = 0; i < 3; ++i) typesIn[i] = phaseType();
    for (int i = 0; i < 3; ++i) fractions.data()[i] = fraction();
    double** compositions = null() ? nullptr : rowsIn;
    double** results = null() ? nullptr : rowsOut;
    int* typesArg = null() ? nullptr : typesIn;
    double* scalarOut = null() ? nullptr : scalar.data();
    const double t = temperature(), p = pressure();
    auto outputOrNull = [&](int k) { return null() ? nullptr : four[k].data(); };
    VARIANT_BOOL inert = VARIANT_FALSE;
    double a1 = 0, b1 = 0, a2 = 0, b2 = 0;
    HRESULT hr = S_OK;
    const int kind = std::uniform_int_distribution<int>(0, 15)(random);
    switch (kind) {
      case 0: hr = package->ComputeKFactors(t, p, compositions, typesArg, results); break;
      case 1: hr = package->ComputeKFactorsVL(t, p, compositions, null() ? nullptr : out[0].data()); break;
      case 2: hr = package->ComputeKFactorsLL(t, p, compositions, null() ? nullptr : out[0].data()); break;
      case 3:
        hr = package->ComputePhaseProperties(t, p, compositions, typesArg, null() ? nullptr : fractions.data(),
                                             outputOrNull(0), outputOrNull(1), outputOrNull(2), outputOrNull(3));
        break;
      case 4: hr = package->ComputePhaseFugacities(t, p, compositions, typesArg, results); break;
      case 5: hr = package->ComputePhaseActivity(t, p, compositions, typesArg, results); break;
      case 6: hr = package->ComputePhaseViscosity(t, p, rowsIn[1], fraction(), typesIn[0], scalarOut); break;
      case 7: hr = package->ComputePhaseThermalConductivity(t, p, rowsIn[1], fraction(), typesIn[0], scalarOut); break;
      case 8: hr = package->ComputeLiquidSurfaceTension(t, p, compositions, fraction(), scalarOut); break;
      case 9: hr = package->GuessBubblePointTemperature(p, rowsIn[0], scalarOut); break;
      case 10: hr = package->InitializeKFactors(static_cast<int>(anyOf({-1, 0, 3, 13, 14, 1000})), t, p, phaseType(), scalarOut); break;
      case 11: hr = package->ComputeLiquidMolarDensity(t, p, rowsIn[1], scalarOut); break;
      case 12: hr = package->OrderPhases(t, p, compositions, typesArg, null() ? nullptr : fractions.data()); break;
      case 13:
        hr = package->ExchangeTwoPhases(static_cast<int>(anyOf({-1, 0, 1, 2, 3})), static_cast<int>(anyOf({0, 1, 2, 7})),
                                        compositions, typesArg, null() ? nullptr : fractions.data());
        break;
      case 14: hr = package->ComputeHInnerParamsVL(t, p, compositions, &a1, &b1, &a2, &b2); break;
      default: hr = package->DynTreatComponentAsInert(static_cast<int>(anyOf({-1, 0, 13, 14, 99})), null() ? nullptr : &inert); break;
    }
    codes.insert(hr);
    bool intact = types.guardsIntact() && fractions.guardsIntact() && scalar.guardsIntact();
    for (const GuardedArray* group : {in, out}) for (int i = 0; i < 3; ++i) intact = intact && group[i].guardsIntact();
    for (const GuardedArray& a : four) intact = intact && a.guardsIntact();
    for (int i = 0; i < kGuard; ++i) intact = intact && phaseTypes[i] == -777 && phaseTypes[kGuard + 3 + i] == -777;
    if (!intact) {
      ++outside;
      ADD_FAILURE() << "case " << c << " (member " << kind << ") wrote outside an array";
    }
  }
  EXPECT_EQ(0, outside);
  expectOnly(codes, {S_OK, S_FALSE, E_FAIL, E_POINTER, E_NOTIMPL, E_INVALIDARG}, "host call");
  // The adapter is still itself.
  EXPECT_EQ(before, perform(package.Get(), {2, 300, 2000}, y, x));
}

// Damaged save texts handed to PkgRecall: characters changed, cut short, counts and lengths made
// huge, pieces removed or repeated. No crash, only the documented codes, and the sound text
// recalls the case as it was.
TEST_F(BadInputTest, DamagedSaveTextsAreRecalledSafely) {
  use(L"Natural Gas");
  support::Bstr saved;
  ASSERT_EQ(S_OK, priv->PkgSave(saved.out()));
  const std::wstring sound(saved.c_str(), saved.length());
  auto position = [&](size_t size) { return std::uniform_int_distribution<size_t>(0, size - 1)(random); };
  std::set<HRESULT> codes;
  for (int round = 0; round < kDamagedTexts; ++round) {
    std::wstring damaged = sound;
    for (int change = 0; change < 1 + round % 8; ++change) {
      const size_t at = position(damaged.size());
      switch (std::uniform_int_distribution<int>(0, 5)(random)) {
        case 0: damaged[at] = static_cast<wchar_t>(std::uniform_int_distribution<int>(1, 0xFFFF)(random)); break;
        case 1: damaged.resize(at); break;
        case 2: damaged.insert(at, L"99999999999"); break;
        case 3: damaged.insert(at, L"-7"); break;
        case 4: damaged.erase(at, 1 + position(60)); break;
        default: damaged.insert(at, damaged.substr(at, 1 + position(200))); break;
      }
      if (damaged.empty()) break;
    }
    codes.insert(priv->PkgRecall(adapter_test::bstr(damaged).get(), nullptr));
  }
  expectOnly(codes, {S_OK, E_FAIL}, "recall");
  ASSERT_EQ(S_OK, priv->PkgRecall(saved.get(), nullptr));
  support::Bstr again;
  ASSERT_EQ(S_OK, priv->PkgSave(again.out()));
  EXPECT_EQ(sound, std::wstring(again.c_str(), again.length()));
}

}  // namespace
}  // namespace reliability_test
