// Phase property requests (call types 4-8) and the phase ordering, host arrays in and out,
// against the package's own answers and the host's units.
#include <cmath>

#include "tests/adapter/CalcReference.h"

namespace calc_test {
namespace {

constexpr double kUntouched = 12345.0;
constexpr double kT = 300.0;    // K
constexpr double kP = 2000.0;   // kPa
constexpr double kPPa = 2.0e6;

class PhasesTest : public CalcTest {
 protected:
  std::vector<double> vapour() const { return mixture({0.70, 0.15, 0.08, 0.05, 0.02}); }
  std::vector<double> liquid() const { return mixture({0.10, 0.15, 0.25, 0.30, 0.20}); }
  double scalar(const char* property, const std::vector<double>& x, const char* phase, double p = kPPa) {
    const std::vector<double> v = reference->calc(property, kT, p, {{phase, x}}, {phase}, phase);
    EXPECT_EQ(1u, v.size()) << property;
    return v.empty() ? 0.0 : v[0];
  }
};

TEST_F(PhasesTest, PhasePropertiesInHostUnitsWithOverallSums) {
  use(L"Natural Gas");
  const std::vector<double> y = mixture({0.01, 0.02, 0.01, 0.8, 0.1, 0.03, 0.01, 0.01, 0.005, 0.005, 0.0, 0.0, 0.0, 0.0});
  const std::vector<double> x = mixture({0.001, 0.01, 0.01, 0.1, 0.1, 0.15, 0.1, 0.1, 0.1, 0.1, 0.1, 0.05, 0.05, 0.0});
  Compositions c(y, x);
  int types[3] = {4, 1, 0};
  double fractions[3] = {0.3, 0.7, 0.0};
  double h[4], s[4], cp[4], v[4];
  std::fill(h, h + 4, kUntouched);
  ASSERT_EQ(S_OK, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, h, s, cp, v));
  const char* const names[4] = {"enthalpy", "entropy", "heatCapacity", "volume"};
  double* const outputs[4] = {h, s, cp, v};
  for (int p = 0; p < 4; ++p) {
    const double factor = p == 3 ? 1000.0 : 1.0;  // J/mol = kJ/kmol; m3/mol x 1000 = m3/kmol
    const double vap = scalar(names[p], y, "Vapor") * factor, liq = scalar(names[p], x, "Liquid") * factor;
    EXPECT_NEAR(vap, outputs[p][0], 1e-9 * std::fabs(vap)) << names[p];
    EXPECT_NEAR(liq, outputs[p][1], 1e-9 * std::fabs(liq)) << names[p];
    EXPECT_EQ(0.0, outputs[p][2]) << names[p];
    EXPECT_NEAR(0.3 * vap + 0.7 * liq, outputs[p][3], 1e-9 * std::fabs(vap + liq)) << names[p];
  }

  // Volume only: the same volumes.
  double only[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
  ASSERT_EQ(S_OK, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, nullptr, nullptr, nullptr, only));
  for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(v[k], only[k]);

  // Enthalpy alone is not a list the adapter asks for: one complaint, a failure, nothing written.
  double alone[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
  EXPECT_EQ(E_FAIL, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, alone, nullptr, nullptr, nullptr));
  EXPECT_EQ(kUntouched, alone[0]);
  ASSERT_EQ(1u, boxes.count());
  EXPECT_NE(std::wstring::npos,
            boxes.shown()[0].text.find(L"calculating phase props. Unexpected list of props to calculate"));
  // The adapter's own caption, cut to 49 characters.
  EXPECT_EQ(L"Brellan ORVEX CAPE-OPEN Thermo 1.0 Property Packa", boxes.shown()[0].caption);
}

TEST_F(PhasesTest, ThreeLiquidsFoldADuplicateAndRefuseOthers) {
  use(L"Enthalpy F");
  Compositions c(liquid(), vapour(), vapour());
  int types[3] = {1, 1, 1};
  double fractions[3] = {0.4, 0.6, 0.0};
  double h[4], s[4], cp[4], v[4];
  ASSERT_EQ(S_OK, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, h, s, cp, v));
  EXPECT_NEAR(scalar("volume", vapour(), "Liquid") * 1000.0, v[1], 1e-9 * v[1]);
  for (double* out : {h, s, cp, v}) {
    EXPECT_EQ(out[1], out[2]);
    EXPECT_NEAR(0.4 * out[0] + 0.6 * out[1], out[3], 1e-9 * std::fabs(out[3]));
  }
  EXPECT_EQ(1, types[2]);
  EXPECT_EQ(0u, boxes.count());

  fractions[2] = 0.1;
  EXPECT_EQ(E_FAIL, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, h, s, cp, v));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_NE(std::wstring::npos, boxes.shown()[0].text.find(L"Not ready to handle ComputePhaseProperties for 3 liquid phases "));
}

TEST_F(PhasesTest, ARefusedRequestNamesItsOwnPropertiesAndMaterial) {
  use(L"Enthalpy F");
  Compositions c(liquid(), vapour(), liquid());
  int types[3] = {1, 1, 1};
  double fractions[3] = {0.4, 0.5, 0.1};
  double h[4], s[4], cp[4], v[4];
  const auto occurrences = [](const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
  };
  // The very first request of the adapter, refused: its liquids with their compositions.
  EXPECT_EQ(E_FAIL, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, h, s, cp, v));
  std::wstring text = boxes.onlyText();
  EXPECT_NE(std::wstring::npos, text.find(L"calculating {(enthalpy, entropy, heatCapacity, volume)")) << text;
  EXPECT_EQ(3u, occurrences(text, L"L, T(K), 300.000000")) << text;
  EXPECT_EQ(2u, occurrences(text, L"0.1, 0.15, 0.25, 0.3, 0.2")) << text;

  // After a fugacity request of a vapour and a liquid, the same refusal names neither.
  int two[3] = {4, 1, 0};
  std::vector<double> f0(n), f1(n), f2(n);
  double* fugacities[3] = {f0.data(), f1.data(), f2.data()};
  ASSERT_EQ(S_OK, package->ComputePhaseFugacities(kT, kP, c.get(), two, fugacities));
  test_sink::clearBoxes();
  EXPECT_EQ(E_FAIL, package->ComputePhaseProperties(kT, kP, c.get(), types, fractions, h, s, cp, v));
  text = boxes.onlyText();
  EXPECT_EQ(std::wstring::npos, text.find(L"fugacityCoefficient")) << text;
  EXPECT_EQ(std::wstring::npos, text.find(L"V, T(K)")) << text;
  EXPECT_EQ(3u, occurrences(text, L"L, T(K), 300.000000")) << text;
}

TEST_F(PhasesTest, OrderPhasesRefusesAMissingCompositionRowInsteadOfMovingIt) {
  use(L"Enthalpy F");
  // A dense "vapour" in slot 0 would move down to slot 1, whose row the host did not give.
  Compositions dense(liquid());
  double* rows[3] = {dense.x[0].data(), nullptr, nullptr};
  int labelled[3] = {4, 0, 0};
  double whole[3] = {1.0, 0.0, 0.0};
  EXPECT_EQ(E_POINTER, package->OrderPhases(kT, kP, rows, labelled, whole));
  EXPECT_EQ(4, labelled[0]);
  EXPECT_EQ(1.0, whole[0]);
  expectNear(liquid(), rows[0], 0);
}

TEST_F(PhasesTest, FugacitiesInKPaAsLogarithmsAndAbsentPhases) {
  use(L"Enthalpy F");
  Compositions c(vapour(), liquid());
  int types[3] = {4, 1, 0};
  std::vector<double> f[3] = {filled(kUntouched), filled(kUntouched), filled(kUntouched)};
  double* rows[3] = {f[0].data(), f[1].data(), f[2].data()};
  ASSERT_EQ(S_OK, package->ComputePhaseFugacities(kT, kP, c.get(), types, rows));
  const auto phi = [&](const std::vector<double>& x, const char* phase) {
    return reference->calc("fugacityCoefficient", kT, kPPa, {{phase, x}}, {phase}, phase);
  };
  const std::vector<double> phiV = phi(vapour(), "Vapor"), phiL = phi(liquid(), "Liquid");
  std::vector<double> expectedV(n), expectedL(n);
  for (int i = 0; i < n; ++i) {
    expectedV[i] = std::log(kP * phiV[i] * vapour()[i]);
    expectedL[i] = std::log(kP * phiL[i] * liquid()[i]);
  }
  expectNear(expectedV, f[0].data());
  expectNear(expectedL, f[1].data());
  EXPECT_EQ(f[2], filled(1e100));

  // A compound absent from a phase: a bounded logarithm, never -inf.
  std::vector<double> y = vapour();
  y[0] += y[1];
  y[1] = 0;
  Compositions zero(y, liquid());
  ASSERT_EQ(S_OK, package->ComputePhaseFugacities(kT, kP, zero.get(), types, rows));
  EXPECT_EQ(-70.0, f[0][1]);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(PhasesTest, FugacitiesOfTheSecondLiquidComeFromTheSecondPass) {
  use(L"Enthalpy F");
  const std::vector<double> heavy = mixture({0.02, 0.08, 0.2, 0.3, 0.4});
  Compositions c(vapour(), liquid(), heavy);
  int types[3] = {4, 1, 1};
  std::vector<double> f[3] = {filled(kUntouched), filled(kUntouched), filled(kUntouched)};
  double* rows[3] = {f[0].data(), f[1].data(), f[2].data()};
  ASSERT_EQ(S_OK, package->ComputePhaseFugacities(kT, kP, c.get(), types, rows));
  const std::vector<double> phi = reference->calc("fugacityCoefficient", kT, kPPa, {{"Liquid", heavy}}, {"Liquid"}, "Liquid");
  std::vector<double> expected(n);
  for (int i = 0; i < n; ++i) expected[i] = std::log(kP * phi[i] * heavy[i]);
  expectNear(expected, f[2].data());
  EXPECT_EQ(4, types[0]);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(PhasesTest, NoPhaseFailsAndOutOfRangeWritesNothing) {
  use(L"Enthalpy F");
  Compositions c(vapour(), liquid());
  double fractions[3] = {0.5, 0.5, 0.0};
  double v[4] = {kUntouched, kUntouched, kUntouched, kUntouched};
  int types[3] = {4, 1, 0};
  EXPECT_EQ(S_OK, package->ComputePhaseProperties(5000.5, kP, c.get(), types, fractions, nullptr, nullptr, nullptr, v));
  EXPECT_EQ(S_OK, package->ComputePhaseProperties(kT, 0.000001, c.get(), types, fractions, nullptr, nullptr, nullptr, v));
  for (double value : v) EXPECT_EQ(kUntouched, value);
  EXPECT_EQ(0u, boxes.count());
  int none[3] = {0, 0, 0};
  EXPECT_EQ(E_FAIL, package->ComputePhaseProperties(kT, kP, c.get(), none, fractions, nullptr, nullptr, nullptr, v));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_NE(std::wstring::npos, boxes.shown()[0].text.find(L"interpreting Phases"));
}

TEST_F(PhasesTest, TransportPropertiesInHostUnits) {
  use(L"Natural Gas");
  std::vector<double> x = mixture({0.001, 0.01, 0.01, 0.1, 0.1, 0.15, 0.1, 0.1, 0.1, 0.1, 0.1, 0.05, 0.05, 0.0});
  double mu = 0, k = 0;
  ASSERT_EQ(S_OK, package->ComputePhaseViscosity(kT, kP, x.data(), 8.0, 1, &mu));
  EXPECT_NEAR(scalar("viscosity", x, "Liquid") * 1000.0, mu, 1e-9 * mu);  // Pa s to cP
  ASSERT_EQ(S_OK, package->ComputePhaseThermalConductivity(kT, kP, x.data(), 8.0, 1, &k));
  EXPECT_NEAR(scalar("thermalConductivity", x, "Liquid"), k, 1e-9 * k);  // W/m-K
  ASSERT_EQ(S_OK, package->ComputePhaseViscosity(kT, kP, x.data(), 1.0, 4, &mu));
  EXPECT_NEAR(scalar("viscosity", x, "Vapor") * 1000.0, mu, 1e-9 * mu);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(PhasesTest, SurfaceTensionInDynePerCmAndMissingPropertiesNotImplemented) {
  use(L"Surface Tension");
  std::vector<double> y = mixture({0.9, 0.07, 0.02, 0.01}), x = mixture({0.2, 0.3, 0.3, 0.2});
  Compositions c(y, x);
  double sigma = 0;
  ASSERT_EQ(S_OK, package->ComputeLiquidSurfaceTension(kT, kP, c.get(), 0.5, &sigma));
  const std::vector<double> expected =
      reference->calc("surfaceTension", kT, kPPa, {{"Vapor", y}, {"Liquid", x}}, {"VaporLiquid"}, "VaporLiquid");
  ASSERT_EQ(1u, expected.size());
  EXPECT_NEAR(expected[0] * 1000.0, sigma, 1e-9 * sigma);  // N/m to dyne/cm
  double mu = kUntouched;
  EXPECT_EQ(E_NOTIMPL, package->ComputePhaseViscosity(kT, kP, x.data(), 8.0, 1, &mu));
  EXPECT_EQ(kUntouched, mu);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(PhasesTest, OrderPhasesMergesDuplicatesAndRelabelsADenseVapour) {
  use(L"Enthalpy F");
  // Two identical liquids: one phase with both fractions, moved down to the liquid slot.
  Compositions same(liquid(), liquid(), liquid());
  int types[3] = {1, 1, 0};
  double fractions[3] = {0.25, 0.75, 0.0};
  ASSERT_EQ(S_OK, package->OrderPhases(kT, kP, same.get(), types, fractions));
  EXPECT_EQ(0, types[0]);
  EXPECT_EQ(1, types[1]);
  EXPECT_EQ(0, types[2]);
  EXPECT_EQ(0.0, fractions[0]);
  EXPECT_DOUBLE_EQ(1.0, fractions[1]);

  // A "vapour" with a liquid's density (Z well below 0.25) becomes a liquid and moves down.
  Compositions dense(liquid(), vapour());
  int labelled[3] = {4, 0, 0};
  double whole[3] = {1.0, 0.0, 0.0};
  ASSERT_EQ(S_OK, package->OrderPhases(kT, kP, dense.get(), labelled, whole));
  EXPECT_EQ(0, labelled[0]);
  EXPECT_EQ(1, labelled[1]);
  EXPECT_EQ(1.0, whole[1]);
  expectNear(liquid(), dense.x[1].data(), 0);

  // A light gas stays a vapour in slot 0.
  Compositions gas(vapour());
  int light[3] = {1, 0, 0};
  double all[3] = {1.0, 0.0, 0.0};
  ASSERT_EQ(S_OK, package->OrderPhases(kT, 100.0, gas.get(), light, all));
  EXPECT_EQ(4, light[0]);
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(PhasesTest, EnthalpyLinePerMassOfEachPhase) {
  use(L"Enthalpy F");
  Compositions c(vapour(), liquid());
  double av = 0, bv = 0, al = 0, bl = 0;
  ASSERT_EQ(S_OK, package->ComputeHInnerParamsVL(kT, kP, c.get(), &av, &bv, &al, &bl));
  const std::vector<double> mw = reference->constant(L"molecularWeight");
  double mwv = 0, mwl = 0;
  for (int i = 0; i < n; ++i) {
    mwv += vapour()[i] * mw[i];
    mwl += liquid()[i] * mw[i];
  }
  const double cpv = scalar("heatCapacity", vapour(), "Vapor"), hv = scalar("enthalpyF", vapour(), "Vapor");
  EXPECT_NEAR(cpv / mwv, bv, 1e-9 * std::fabs(bv));
  EXPECT_NEAR(hv / mwv - kT * cpv / mwv, av, 1e-9 * std::fabs(av));
  EXPECT_NEAR(scalar("heatCapacity", liquid(), "Liquid") / mwl, bl, 1e-9 * std::fabs(bl));
  EXPECT_EQ(0u, boxes.count());
}

}  // namespace
}  // namespace calc_test
