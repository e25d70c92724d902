// Values asked for in the other basis than they were stored in: per-compound factors MW/1000,
// fractions renormalised, mixture values by the phase's kg/mol; and the derived flows.
#include "tests/matobj/AccessSupport.h"

namespace matobj_test {
namespace {

using Conversion = AccessTest;

TEST_F(Conversion, MoleFractionsReadAsMassAddUpToOne) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  const std::vector<double> w = get(L"fraction", L"Vapor", L"mass");
  expectNear(massOf(m_x, fourWeights()), w);
  EXPECT_NEAR(1.0, std::accumulate(w.begin(), w.end(), 0.0), 1e-14);
  // The stored mole fractions are unchanged.
  EXPECT_EQ(m_x, get(L"fraction", L"Vapor", L"mole"));
}

TEST_F(Conversion, MassFractionsReadAsMole) {
  const std::vector<double> w{0.1, 0.2, 0.3, 0.4};
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid", w, L"mass"));
  expectNear(moleOf(w, fourWeights()), get(L"fraction", L"Liquid", L"mole"));
  // The adapter reads mole fractions, converted too.
  std::vector<double> x;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpFRACTION, x));
  expectNear(moleOf(w, fourWeights()), x);
}

TEST_F(Conversion, ANewValueInOneBasisOutdatesTheOther) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", {0.1, 0.2, 0.3, 0.4}, L"mass"));
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x, L"mole"));
  expectNear(massOf(m_x, fourWeights()), get(L"fraction", L"Vapor", L"mass"));
}

TEST_F(Conversion, MixtureValuesUseThePhaseComposition) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Vapor", {-5000.0}));
  ASSERT_EQ(S_OK, set(L"density", L"Vapor", {40.0}));
  const double kg = kgPerMol(m_x, fourWeights());
  expectNear({-5000.0 / kg}, get(L"enthalpy", L"Vapor", L"mass"), 1e-8);
  expectNear({40.0 * kg}, get(L"density", L"Vapor", L"mass"));
  // Mass-basis values read back as mole.
  ASSERT_EQ(S_OK, set(L"entropy", L"Vapor", {2.5}, L"mass"));
  expectNear({2.5 * kg}, get(L"entropy", L"Vapor", L"mole"));
  std::vector<double> s;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhVAPOR, PpENTROPY, s));
  expectNear({2.5 * kg}, s);
}

TEST_F(Conversion, PhaseFractionUsesThePhaseAndOverallCompositions) {
  const std::vector<double> overall{0.25, 0.25, 0.25, 0.25};
  ASSERT_EQ(S_OK, set(L"fraction", L"Overall", overall));
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  ASSERT_EQ(S_OK, set(L"phaseFraction", L"Vapor", {0.4}));
  const double ratio = kgPerMol(m_x, fourWeights()) / kgPerMol(overall, fourWeights());
  expectNear({0.4 * ratio}, get(L"phaseFraction", L"Vapor", L"mass"));
}

TEST_F(Conversion, PerCompoundValuesUseEachCompoundsWeight) {
  const std::vector<double> h{-100.0, -200.0, -300.0, -400.0};
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Vapor", h, L"mole", L"Pure"));
  const std::vector<double> perKg = get(L"enthalpy", L"Vapor", L"mass", L"Pure");
  ASSERT_EQ(4u, perKg.size());
  for (size_t i = 0; i < 4; ++i) EXPECT_NEAR(h[i] / (fourWeights()[i] / 1000.0), perKg[i], 1e-9);
  // Asked for some compounds: each keeps its own factor.
  support::Variant ids = strings({L"nbutane"});
  expectNear({h[3] / 0.058123}, get(L"enthalpy", L"Vapor", L"mass", L"Pure", &ids.get()), 1e-9);
}

TEST_F(Conversion, ListValuesOfOtherPhasesUseThatPhasesFractionRecord) {
  const std::vector<double> w{0.1, 0.2, 0.3, 0.4};
  ASSERT_EQ(S_OK, set(L"fraction", L"Solid", w, L"mass"));
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Solid", {-7000.0}));
  const double kg = kgPerMol(moleOf(w, fourWeights()), fourWeights());
  expectNear({-7000.0 / kg}, get(L"enthalpy", L"Solid", L"mass"), 1e-8);
  expectNear(moleOf(w, fourWeights()), get(L"fraction", L"Solid", L"mole"));
  // Setting the other basis converts into the stored record.
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Solid", {-70000.0}, L"mass"));
  EXPECT_EQ(2u, m_self->otherProperties().size());
  expectNear({-70000.0 * kg}, get(L"enthalpy", L"Solid", L"mole"), 1e-8);
}

TEST_F(Conversion, FailuresNameTheStage) {
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Vapor", {-5000.0}));
  // No composition of the phase: no mixture factor.
  EXPECT_EQ(kUnknownError, getProp(L"enthalpy", L"Vapor", nullptr, L"Mixture", L"mass", nullptr));
  EXPECT_EQ(L"enthalpy, Vapor, Mixture, mass (handleConversions (CtMIXTURE || propId== PpPHASEFRACTION || "
            L"propId==PpTOTALFLOW)",
            errorText());
  // A compound whose molecular weight was never read.
  m_self->compound(2).m_molecularWeight = -32767.0;
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  EXPECT_EQ(kUnknownError, getProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mass", nullptr));
  EXPECT_EQ(L"fraction, Vapor, Mixture, mass (handleConversions (pure)", errorText());
}

TEST_F(Conversion, FlowIsTotalFlowTimesFraction) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  ASSERT_EQ(S_OK, set(L"totalFlow", L"Vapor", {10.0}));
  expectNear({4.0, 3.0, 2.0, 1.0}, get(L"flow", L"Vapor"));
  support::Variant ids = strings({L"propane", L"methane"});
  expectNear({2.0, 4.0}, get(L"flow", L"Vapor", L"mole", L"Mixture", &ids.get()));
  // In mass: the mass fractions times the mass flow.
  const double massFlow = 10.0 * kgPerMol(m_x, fourWeights());
  const std::vector<double> w = massOf(m_x, fourWeights());
  std::vector<double> expected;
  for (double wi : w) expected.push_back(wi * massFlow);
  expectNear(expected, get(L"flow", L"Vapor", L"mass"));
}

TEST_F(Conversion, TotalFlowIsTheSumOfFlowsOrPhaseFractionTimesOverall) {
  ASSERT_EQ(S_OK, set(L"flow", L"Liquid", {1.0, 2.0, 3.0, 4.5}));
  expectNear({10.5}, get(L"totalFlow", L"Liquid"));
  ASSERT_EQ(S_OK, set(L"phaseFraction", L"Vapor", {0.25}));
  ASSERT_EQ(S_OK, set(L"totalFlow", L"Overall", {8.0}));
  expectNear({2.0}, get(L"totalFlow", L"Vapor"));
  // And a flow from that derived total.
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  expectNear({0.8, 0.6, 0.4, 0.2}, get(L"flow", L"Vapor"));
  // The overall total from the overall flows.
  support::Variant totals = strings({L"totalFlow"});
  ASSERT_EQ(S_OK, m_mo->RemoveResults(totals.get()));
  ASSERT_EQ(S_OK, set(L"flow", L"Overall", {1.0, 1.0, 1.0, 1.0}));
  expectNear({1.0}, get(L"totalFlow", L"Vapor"));
  // Nothing to derive the second liquid's total from.
  EXPECT_EQ(kUnknownError, getProp(L"totalFlow", L"Water", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_EQ(L"Phase not available in the Material Object", errorText());
}

}  // namespace
}  // namespace matobj_test
