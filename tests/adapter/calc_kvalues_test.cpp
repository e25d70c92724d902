// K-value requests (call types 1-3) and the two estimates, host arrays in and out, against the
// package's own answers.
#include <algorithm>
#include <cmath>

#include "tests/adapter/CalcReference.h"

namespace calc_test {
namespace {

constexpr double kUntouched = 12345.0;
constexpr double kT = 300.0;      // K
constexpr double kP = 2000.0;     // kPa
constexpr double kPPa = 2.0e6;    // the same in Pa

class KValuesTest : public CalcTest {
 protected:
  // The two result arrays of ComputeKFactors, both marked untouched.
  struct Results {
    std::vector<double> first, second;
    double* rows[2];
    explicit Results(int n) : first(n, kUntouched), second(n, kUntouched), rows{first.data(), second.data()} {}
    double** get() { return rows; }
  };
  // ln of the ratio, never below ln(1e-10).
  std::vector<double> lnRatio(const std::vector<double>& numerator, const std::vector<double>& denominator) const {
    std::vector<double> out(n);
    for (int i = 0; i < n; ++i) out[i] = std::max(std::log(numerator[i] / denominator[i]), std::log(1e-10));
    return out;
  }
  std::vector<double> lnOf(std::vector<double> values) const {
    for (double& v : values) v = std::log(v);
    return values;
  }
  std::vector<double> vapour() const { return mixture({0.70, 0.15, 0.08, 0.05, 0.02}); }
  std::vector<double> liquid() const { return mixture({0.10, 0.15, 0.25, 0.30, 0.20}); }
  std::vector<double> liquid2() const { return mixture({0.05, 0.10, 0.20, 0.30, 0.35}); }
  std::vector<double> phi(const std::vector<double>& x, const char* phase, double t = kT) {
    return reference->calc("fugacityCoefficient", t, kPPa, {{phase, x}}, {phase}, phase);
  }
  std::vector<double> kvalues(const std::vector<double>& y, const std::vector<double>& x, const char* name = "kvalues") {
    return reference->calc(name, kT, kPPa, {{"Vapor", y}, {"Liquid", x}}, {"VaporLiquid"}, "VaporLiquid");
  }
};

TEST_F(KValuesTest, VapourLiquidWithKValuesWritesLnKForSlotOneOnly) {
  use(L"K-values Only");  // offers nothing but "kvalues": any result comes from it, on "VaporLiquid"
  Compositions x(vapour(), liquid());
  int types[3] = {4, 1, 0};
  Results results(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), types, results.get()));
  expectNear(lnOf(kvalues(vapour(), liquid())), results.first.data());
  EXPECT_EQ(results.second, filled(kUntouched));

  std::vector<double> vl(n, kUntouched);
  ASSERT_EQ(S_OK, package->ComputeKFactorsVL(kT, kP, x.get(), vl.data()));
  EXPECT_EQ(vl, results.first);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(KValuesTest, FugacityCoefficientsGiveLnOfTheirRatioAndThreePhasesTakeTwoPasses) {
  use(L"Enthalpy F");  // fugacityCoefficient, no kvalues
  Compositions x(vapour(), liquid(), liquid2());
  int vl[3] = {4, 1, 0};
  Results two(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), vl, two.get()));
  const std::vector<double> phiV = phi(vapour(), "Vapor");
  expectNear(lnRatio(phi(liquid(), "Liquid"), phiV), two.first.data());

  int three[3] = {4, 1, 1};
  Results results(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), three, results.get()));
  expectNear(lnRatio(phi(liquid(), "Liquid"), phiV), results.first.data());
  expectNear(lnRatio(phi(liquid2(), "Liquid"), phiV), results.second.data());
  EXPECT_EQ(4, three[0]);
  EXPECT_EQ(1, three[1]);
  EXPECT_EQ(1, three[2]);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(KValuesTest, ThreeLiquidsAreRefusedWithoutWritingValuesNobodyAskedFor) {
  use(L"Enthalpy F");  // fugacityCoefficient: two liquid passes, the third liquid never asked
  Compositions x(liquid(), liquid2(), vapour());
  int types[3] = {1, 1, 1};
  Results results(n);
  EXPECT_EQ(E_FAIL, package->ComputeKFactors(kT, kP, x.get(), types, results.get()));
  EXPECT_EQ(results.second, filled(kUntouched));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_NE(std::wstring::npos, boxes.onlyText().find(L"Not ready to handle ComputeKFactors for phase types 1 1 1 "))
      << boxes.onlyText();
}

TEST_F(KValuesTest, ThreePhasesWithKValuesAskEachLiquidAgainstTheVapour) {
  use(L"Water Hydrocarbons LLE");
  const std::vector<double> y = mixture({0.02, 0.6, 0.2, 0.1, 0.05, 0.03});
  const std::vector<double> water = mixture({0.99, 0.001, 0.001, 0.001, 0.004, 0.003});
  const std::vector<double> oil = mixture({0.01, 0.05, 0.2, 0.4, 0.2, 0.14});
  Compositions x(y, water, oil);
  int types[3] = {4, 1, 1};
  Results results(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), types, results.get()));
  expectNear(lnOf(kvalues(y, water)), results.first.data());
  expectNear(lnOf(kvalues(y, oil)), results.second.data());
  EXPECT_EQ(4, types[0]);
}

TEST_F(KValuesTest, LiquidLiquidDividesSecondLiquidCoefficientsByTheFirst) {
  use(L"Water Hydrocarbons LLE");
  const std::vector<double> water = mixture({0.99, 0.001, 0.001, 0.001, 0.004, 0.003});
  const std::vector<double> oil = mixture({0.01, 0.05, 0.2, 0.4, 0.2, 0.14});
  Compositions x(water, oil);
  // Activity coefficients (ComputeKFactorsLL): gamma of slot 1 over gamma of slot 0.
  std::vector<double> ll(n, kUntouched);
  ASSERT_EQ(S_OK, package->ComputeKFactorsLL(kT, kP, x.get(), ll.data()));
  const auto gamma = [&](const std::vector<double>& z) {
    return reference->calc("activityCoefficient", kT, kPPa, {{"Liquid", z}}, {"Liquid"}, "Liquid");
  };
  const std::vector<double> expected = lnRatio(gamma(oil), gamma(water));
  EXPECT_EQ(std::log(1e-10), *std::min_element(expected.begin(), expected.end()));  // the clamp is met
  expectNear(expected, ll.data());

  // Fugacity coefficients (ComputeKFactors with two liquids): the same rule.
  int types[3] = {1, 1, 0};
  Results results(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), types, results.get()));
  expectNear(lnRatio(phi(oil, "Liquid"), phi(water, "Liquid")), results.first.data());
  EXPECT_EQ(results.second, filled(kUntouched));
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(KValuesTest, FillValuesAndRequestsOutsideTheRangeLeaveTheArraysAlone) {
  use(L"K-values Only");
  Compositions x(vapour(), liquid());
  int noVapour[3] = {0, 1, 0};
  Results low(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), noVapour, low.get()));
  EXPECT_EQ(low.first, filled(1e-100));
  EXPECT_EQ(low.second, filled(1e-100));
  int vapourOnly[3] = {4, 0, 0};
  Results high(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), vapourOnly, high.get()));
  EXPECT_EQ(high.first, filled(1e100));
  EXPECT_EQ(high.second, filled(1e100));

  int types[3] = {4, 1, 0};
  for (const auto& [t, p] : {std::pair<double, double>{5000.5, kP}, {7.9, kP}, {kT, 0.000001}}) {
    Results untouched(n);
    EXPECT_EQ(S_OK, package->ComputeKFactors(t, p, x.get(), types, untouched.get()));
    EXPECT_EQ(untouched.first, filled(kUntouched)) << t << " K " << p << " kPa";
    std::vector<double> vl(n, kUntouched);
    EXPECT_EQ(S_OK, package->ComputeKFactorsVL(t, p, x.get(), vl.data()));
    EXPECT_EQ(vl, filled(kUntouched));
  }
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(KValuesTest, LogBasedPackageGivesTheSameLnK) {
  use(L"Log Fugacity");  // logkvalues and logFugacityCoefficient only
  Compositions x(vapour(), liquid());
  std::vector<double> vl(n, kUntouched);
  ASSERT_EQ(S_OK, package->ComputeKFactorsVL(kT, kP, x.get(), vl.data()));
  expectNear(kvalues(vapour(), liquid(), "logkvalues"), vl.data());
  // Liquid-liquid needs plain fugacity coefficients: the host is left to it.
  int types[3] = {1, 1, 0};
  Results results(n);
  ASSERT_EQ(S_OK, package->ComputeKFactors(kT, kP, x.get(), types, results.get()));
  EXPECT_EQ(results.first, filled(kUntouched));
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(KValuesTest, NotANumberFromThePackageGivesOneComplaintAndFiniteLnK) {
  use(L"Faulty NaN");
  Compositions x(mixture({0.8, 0.2}), mixture({0.2, 0.8}));
  for (int round = 0; round < 2; ++round) {
    std::vector<double> vl(n, kUntouched);
    package->ComputeKFactorsVL(kT, kP, x.get(), vl.data());
    for (double v : vl) EXPECT_TRUE(std::isfinite(v)) << v;
  }
  ASSERT_EQ(1u, boxes.count());
  EXPECT_NE(std::wstring::npos, boxes.shown()[0].text.find(L"unfeasible"));
}

TEST_F(KValuesTest, EstimatesFromTheCompoundConstants) {
  use(L"K-values Only");
  const std::vector<double> tb = reference->constant(L"normalBoilingPoint");
  const std::vector<double> tc = reference->constant(L"criticalTemperature");
  const std::vector<double> pc = reference->constant(L"criticalPressure");  // Pa
  const std::vector<double> w = reference->constant(L"acentricFactor");
  std::vector<double> x = liquid();
  double expected = 0;
  for (int i = 0; i < n; ++i) expected += x[i] * tb[i];
  double t = 0;
  ASSERT_EQ(S_OK, package->GuessBubblePointTemperature(101.325, x.data(), &t));
  EXPECT_NEAR(expected, t, 1e-9 * expected);

  // Wilson's estimate, the pressure capped at 15000 kPa.
  for (double p : {2000.0, 20000.0}) {
    double k = 0;
    ASSERT_EQ(S_OK, package->InitializeKFactors(0, 250.0, p, 1, &k));
    const double wilson = std::log(pc[0] / 1000.0 / std::min(p, 15000.0)) + 5.3727 * (1 + w[0]) * (1 - tc[0] / 250.0);
    EXPECT_NEAR(wilson, k, 1e-9 * std::fabs(wilson)) << p;
  }
  EXPECT_EQ(0u, boxes.count());
}

// Four host components (ids 19, 29, 30 and 54) get their own first-liquid estimate; for every
// other component a second-liquid request (Phases 2) gets the estimate from the reduced pressure.
TEST_F(KValuesTest, EstimatesOfTheSpecialHostComponentsAndOfTheSecondLiquid) {
  use(L"All Compounds");
  const std::vector<std::string>& cas = reference->casNumbers();
  const auto position = [&](const char* number) {
    return static_cast<int>(std::find(cas.begin(), cas.end(), number) - cas.begin());
  };
  const int oxygen = position("7782-44-7"), propylene = position("115-07-1"), methane = position("74-82-8");
  ASSERT_LT(oxygen, n);
  ASSERT_LT(propylene, n);
  const std::vector<double> tc = reference->constant(L"criticalTemperature");
  const std::vector<double> pc = reference->constant(L"criticalPressure");  // Pa
  const std::vector<double> w = reference->constant(L"acentricFactor");
  const double t = 200.0, p = 3000.0;
  const auto wilson = [&](int i) { return std::log(pc[i] / 1000.0 / p) + 5.3727 * (1 + w[i]) * (1 - tc[i] / t); };
  const auto estimate = [&](int i, int phases) {
    double k = 0;
    EXPECT_EQ(S_OK, package->InitializeKFactors(i, t, p, phases, &k));
    return k;
  };
  for (int special : {oxygen, propylene}) {
    EXPECT_NEAR(0.5 * wilson(special) + std::log(50.0), estimate(special, 1), 1e-9) << cas[special];
    EXPECT_NEAR(wilson(special), estimate(special, 2), 1e-9) << cas[special];
  }
  EXPECT_NEAR(wilson(methane), estimate(methane, 1), 1e-9);
  const double reduced = std::log(p / (pc[methane] / 1000.0) * 1e6 * tc[methane] / t);
  const double second = estimate(methane, 2);
  EXPECT_TRUE(std::fabs(second - reduced) < 1e-9 || std::fabs(second - reduced * std::pow(1 + w[methane], 3)) < 1e-9)
      << second << " from " << reduced;
  EXPECT_NE(wilson(methane), second);
  EXPECT_EQ(0u, boxes.count());
}

}  // namespace
}  // namespace calc_test
