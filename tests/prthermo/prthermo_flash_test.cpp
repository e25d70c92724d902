// CalcEquilibrium of the Peng-Robinson packages through a material object: the flash state
// written back, phase equilibrium at every result, round trips, published vapour pressures.
#include <cmath>
#include <numeric>

#include "tests/prthermo/PackageFixture.h"

namespace prthermo_test {
namespace {

// Natural Gas compounds: N2 CO2 H2S C1 C2 C3 iC4 nC4 iC5 nC5 nC6 nC7 nC8 water.
const std::vector<double> kCondensate = {0.01, 0.02, 0.0, 0.6, 0.1, 0.08, 0.03, 0.04, 0.02, 0.03, 0.03, 0.02, 0.02, 0.0};
constexpr size_t kPropane = 5, kButane = 7;

double sum(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0); }

// A pure compound with traces of the others, so that every fraction stays positive.
std::vector<double> nearlyPure(size_t index) {
  std::vector<double> x(14, 1e-12);
  x[index] = 1.0;
  return x;
}

class FlashTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    if (!HasFatalFailure()) usePackage(L"Natural Gas");
  }

  // The checks every two-phase result must pass: fractions and phase fractions add up to 1,
  // the feed is the sum of the phases, and each compound's fugacity is the same in both phases.
  void expectEquilibrium(const std::vector<double>& z) {
    const auto x = result("fraction", "Liquid"), y = result("fraction", "Vapor");
    ASSERT_EQ(x.size(), z.size());
    ASSERT_EQ(y.size(), z.size());
    const double beta = scalar("phaseFraction", "Vapor");
    EXPECT_NEAR(beta + scalar("phaseFraction", "Liquid"), 1.0, 1e-12);
    EXPECT_NEAR(sum(x), 1.0, 1e-12);
    EXPECT_NEAR(sum(y), 1.0, 1e-12);
    const double total = sum(z);
    for (size_t i = 0; i < z.size(); ++i) EXPECT_NEAR(beta * y[i] + (1 - beta) * x[i], z[i] / total, 1e-9) << i;
    const auto fl = result("fugacity", "Liquid"), fv = result("fugacity", "Vapor");
    ASSERT_EQ(fl.size(), z.size());
    ASSERT_EQ(fv.size(), z.size());
    for (size_t i = 0; i < z.size(); ++i) {
      if (z[i] > 0) {
        EXPECT_NEAR(fl[i], fv[i], 1e-7 * fv[i]) << i;
      }
    }
  }

  double overallEnthalpy() {
    const double beta = scalar("phaseFraction", "Vapor");
    return beta * scalar("enthalpy", "Vapor") + (1 - beta) * scalar("enthalpy", "Liquid");
  }
  double overallEntropy() {
    const double beta = scalar("phaseFraction", "Vapor");
    return beta * scalar("entropy", "Vapor") + (1 - beta) * scalar("entropy", "Liquid");
  }
};

TEST_F(FlashTest, TPWritesTheStateOfBothPhasesInEquilibrium) {
  setState(250, 3e6);
  setFractions("Overall", kCondensate);
  ASSERT_EQ(calcEquilibrium(L"TP", {"fugacity", "enthalpy"}), S_OK) << packageError().description;
  expectEquilibrium(kCondensate);
  const double beta = scalar("phaseFraction", "Vapor");
  EXPECT_GT(beta, 0.5);
  EXPECT_LT(beta, 1.0);
  EXPECT_EQ(scalar("temperature", "Overall"), 250);
  EXPECT_EQ(scalar("pressure", "Overall"), 3e6);
  for (const auto& write : m_material->writes()) {
    const bool moleBasis = write.property == "fraction" || write.property == "phaseFraction" ||
                           write.property == "enthalpy";
    EXPECT_EQ(write.basis, moleBasis ? "mole" : "") << write.property << " " << write.phase;
    EXPECT_EQ(write.calcType, "Mixture");
  }
  // The flash state is written before the requested properties.
  EXPECT_EQ(m_material->writes().front().property, "temperature");
  EXPECT_EQ(m_material->writes().back().property, "enthalpy");
}

TEST_F(FlashTest, ASinglePhaseResultWritesOnlyThatPhase) {
  setState(400, 1e5);
  setFractions("Overall", kCondensate);
  ASSERT_EQ(calcEquilibrium(L"TP", {"volume"}), S_OK);
  EXPECT_EQ(scalar("phaseFraction", "Vapor"), 1.0);
  EXPECT_EQ(scalar("phaseFraction", "Liquid"), 0.0);
  EXPECT_FALSE(m_material->has("fraction", "Liquid"));
  EXPECT_FALSE(m_material->has("volume", "Liquid"));
  const auto y = result("fraction", "Vapor");
  ASSERT_EQ(y.size(), kCondensate.size());
  for (size_t i = 0; i < y.size(); ++i) EXPECT_NEAR(y[i], kCondensate[i], 1e-12);
  EXPECT_TRUE(m_material->has("volume", "Vapor"));
}

// TP -> H -> PH gives back T, and the same for S and PS; the temperature left in the material
// object before the energy flash is not one of the fixed variables and is overwritten.
TEST_F(FlashTest, EnergyFlashesRoundTrip) {
  setState(250, 3e6);
  setFractions("Overall", kCondensate);
  ASSERT_EQ(calcEquilibrium(L"TP", {"enthalpy", "entropy"}), S_OK);
  const double h = overallEnthalpy(), s = overallEntropy(), beta = scalar("phaseFraction", "Vapor");

  m_material->put("enthalpy", "Overall", {h});
  m_material->put("temperature", "Overall", {400});
  ASSERT_EQ(calcEquilibrium(L"PH", {"fugacity"}), S_OK) << packageError().description;
  EXPECT_NEAR(scalar("temperature", "Overall"), 250, 1e-4);
  EXPECT_NEAR(scalar("phaseFraction", "Vapor"), beta, 1e-6);
  expectEquilibrium(kCondensate);

  m_material->put("entropy", "Overall", {s});
  m_material->put("temperature", "Overall", {150});
  ASSERT_EQ(calcEquilibrium(L"PS", {"fugacity"}), S_OK) << packageError().description;
  EXPECT_NEAR(scalar("temperature", "Overall"), 250, 1e-4);
  expectEquilibrium(kCondensate);
}

TEST_F(FlashTest, BubbleAndDewPoints) {
  setFractions("Overall", kCondensate);
  setState(250, 1);
  m_material->put("phaseFraction", "Vapor", {0.0});
  ASSERT_EQ(calcEquilibrium(L"TVF", {"fugacity"}), S_OK) << packageError().description;
  const double bubble = scalar("pressure", "Overall");
  EXPECT_NEAR(scalar("phaseFraction", "Vapor"), 0.0, 1e-9);
  expectEquilibrium(kCondensate);

  m_material->put("pressure", "Overall", {3e6});
  m_material->put("phaseFraction", "Vapor", {1.0});
  ASSERT_EQ(calcEquilibrium(L"PVF", {"fugacity"}), S_OK) << packageError().description;
  const double dew = scalar("temperature", "Overall");
  expectEquilibrium(kCondensate);
  EXPECT_GT(dew, 250);  // at 250 K and 3 MPa the mixture is two-phase, so its dew point is hotter
  EXPECT_GT(bubble, 3e6);
}

// Measured vapour pressures at 300 K: propane 0.9978 MPa, n-butane 0.2583 MPa (NIST Chemistry
// WebBook, saturation properties). Peng and Robinson fitted their alpha function to vapour
// pressures, so a TVF bubble point of the nearly pure liquid meets them within 2 %.
TEST_F(FlashTest, VapourPressuresOfPropaneAndButane) {
  for (const auto& [index, measured] : {std::make_pair(kPropane, 0.9978e6), std::make_pair(kButane, 0.2583e6)}) {
    setFractions("Overall", nearlyPure(index));
    setState(300, 1);
    m_material->put("phaseFraction", "Vapor", {0.0});
    ASSERT_EQ(calcEquilibrium(L"TVF"), S_OK) << packageError().description;
    EXPECT_NEAR(scalar("pressure", "Overall"), measured, 0.02 * measured) << index;
  }
  // Above its critical temperature (369.8 K) propane has no vapour pressure.
  setFractions("Overall", nearlyPure(kPropane));
  setState(400, 1);
  EXPECT_EQ(calcEquilibrium(L"TVF"), ECapeSolvingErrorHR);
  EXPECT_EQ(packageError().name, "ECapeSolvingError");
}

// Approaching the critical point of a pure compound (Tc and Pc as the package gives them), the
// vapour pressure tends to Pc and the two phases become alike.
TEST_F(FlashTest, PureCompoundCriticalPoint) {
  support::Variant answer;
  support::ComPtr<IDispatch> material;
  ASSERT_HRESULT_SUCCEEDED(m_holder.As(&material));
  ASSERT_EQ(m_package->GetComponentConstant(material.Get(), stringArray({"criticalTemperature", "criticalPressure"}).get(),
                                            answer.out()),
            S_OK);
  support::SafeArrayLockGuard lock(answer.get().parray);
  const VARIANT* constants = static_cast<const VARIANT*>(lock.data());
  const double tc = constants[kPropane].dblVal, pc = constants[14 + kPropane].dblVal;
  setFractions("Overall", nearlyPure(kPropane));
  double lastRatio = 1e9;
  for (double reduced : {0.9, 0.99, 0.999}) {
    setState(reduced * tc, 1);
    m_material->put("phaseFraction", "Vapor", {0.0});
    ASSERT_EQ(calcEquilibrium(L"TVF", {"volume"}), S_OK) << reduced << " " << packageError().description;
    const double ratio = scalar("volume", "Vapor") / scalar("volume", "Liquid");
    EXPECT_LT(ratio, lastRatio) << reduced;
    EXPECT_GT(ratio, 1.0) << reduced;
    lastRatio = ratio;
  }
  EXPECT_NEAR(scalar("pressure", "Overall"), pc, 0.01 * pc);  // at 0.999 Tc
  EXPECT_LT(lastRatio, 1.5);
}

TEST_F(FlashTest, RefusedFlashes) {
  setState(250, 3e6);
  setFractions("Overall", kCondensate);
  EXPECT_EQ(calcEquilibrium(L"PHF"), ECapeInvalidArgumentHR);
  EXPECT_EQ(packageError().description, "flash type 'PHF' is not offered by package 'Natural Gas'");
  EXPECT_EQ(calcEquilibrium(L"TQ"), ECapeInvalidArgumentHR);
  EXPECT_EQ(calcEquilibrium(nullptr), ECapeInvalidArgumentHR);
  EXPECT_EQ(calcEquilibrium(L"TP", {"kvalues"}), ECapeInvalidArgumentHR);
  EXPECT_EQ(packageError().description, "property 'kvalues' is not a property of one phase");
  EXPECT_EQ(calcEquilibrium(L"TP", {"activityCoefficient"}), ECapeInvalidArgumentHR);
  EXPECT_TRUE(m_material->writes().empty());
  // A fixed variable the material object does not hold
  EXPECT_EQ(calcEquilibrium(L"PH"), ECapeUnknownHR);
  EXPECT_EQ(packageError().description, "the material object failed GetProp of enthalpy on Overall (0x80040501)");
  EXPECT_EQ(packageError().operation, "CalcEquilibrium");
  EXPECT_TRUE(m_material->writes().empty());
}

// The package that calls its enthalpy "enthalpyF" flashes PHF and PSF, reading the energy under
// its own names, and refuses PH.
TEST_F(PackageTest, EnthalpyFPackageFlashesPHF) {
  usePackage(L"Enthalpy F");  // methane, ethane, propane, n-butane, n-pentane
  const std::vector<double> z = {0.5, 0.2, 0.15, 0.1, 0.05};
  setFractions("Overall", z);
  setState(240, 2e6);
  ASSERT_EQ(calcEquilibrium(L"TP", {"enthalpyF", "entropyF"}), S_OK) << packageError().description;
  const double beta = scalar("phaseFraction", "Vapor");
  ASSERT_GT(beta, 0.0);
  ASSERT_LT(beta, 1.0);
  const double h = beta * scalar("enthalpyF", "Vapor") + (1 - beta) * scalar("enthalpyF", "Liquid");
  m_material->put("enthalpyF", "Overall", {h});
  m_material->put("temperature", "Overall", {300});
  EXPECT_EQ(calcEquilibrium(L"PH"), ECapeInvalidArgumentHR);
  ASSERT_EQ(calcEquilibrium(L"PHF"), S_OK) << packageError().description;
  EXPECT_NEAR(scalar("temperature", "Overall"), 240, 1e-4);
  EXPECT_EQ(calcEquilibrium(L"PSF"), ECapeUnknownHR);  // no entropyF on Overall yet
  EXPECT_EQ(packageError().description, "the material object failed GetProp of entropyF on Overall (0x80040501)");
}

}  // namespace
}  // namespace prthermo_test
