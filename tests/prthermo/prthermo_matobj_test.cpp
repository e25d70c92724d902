// The Peng-Robinson packages through the product's own material object, "Zendrel.MatObj",
// created by ProgID as the adapter does: the package is attached with PropertyPackage, the state
// is set on the material object, and every calculation goes through the material object's
// CalcProp / CalcEquilibrium to the package and back.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "tests/common/MessageSink.h"
#include "tests/prthermo/PackageFixture.h"
#include "support/Raii.h"
#include "support/Text.h"
#include "ZendrelLib.h"
#include "tests/common/Arrays.h"

namespace prthermo_test {
namespace {

constexpr double R = 8.314462618;
// Natural Gas compounds: N2 CO2 H2S C1 C2 C3 iC4 nC4 iC5 nC5 nC6 nC7 nC8 water.
const std::vector<double> kCondensate = {0.01, 0.02, 0.0, 0.6, 0.1, 0.08, 0.03, 0.04, 0.02, 0.03, 0.03, 0.02, 0.02, 0.0};
const std::vector<double> kGas = {0.02, 0.03, 0, 0.8, 0.1, 0.05, 0, 0, 0, 0, 0, 0, 0, 0};
const std::vector<double> kOil = {0, 0, 0, 0, 0, 0.2, 0, 0.3, 0, 0, 0.3, 0, 0.2, 0};

class RealMaterialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(m_apartment.result());
    CLSID clsid;
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(kProgId, &clsid));
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(m_system.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Zendrel.MatObj", &clsid));
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(m_material.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(m_material.As(&m_matObj));
  }

  void TearDown() override {
    if (m_matObj) m_matObj->Terminate();
  }

  void attach(const wchar_t* name) {
    support::ComPtr<IDispatch> package;
    support::Bstr packageName(name);
    ASSERT_HRESULT_SUCCEEDED(m_system->ResolvePropertyPackage(packageName.get(), package.GetAddressOf()));
    ASSERT_HRESULT_SUCCEEDED(package.As(&m_package));
    ASSERT_EQ(m_matObj->put_PropertyPackage(package.Get()), S_OK);
  }

  HRESULT set(const wchar_t* property, const wchar_t* phase, const wchar_t* basis, const std::vector<double>& values) {
    support::Bstr p(property), ph(phase), ct(L"Mixture"), b(basis);
    support::Variant all;
    return m_material->SetProp(p.get(), ph.get(), all.get(), ct.get(), b.get(), test_arrays::doubles(values).get());
  }
  std::vector<double> get(const wchar_t* property, const wchar_t* phase, const wchar_t* basis) {
    support::Bstr p(property), ph(phase), ct(L"Mixture"), b(basis);
    support::Variant all, out;
    const HRESULT hr = m_material->GetProp(p.get(), ph.get(), all.get(), ct.get(), b.get(), out.out());
    EXPECT_EQ(hr, S_OK) << support::narrow(property) << " on " << support::narrow(phase);
    return SUCCEEDED(hr) ? doublesOf(out.get()) : std::vector<double>{};
  }
  double getScalar(const wchar_t* property, const wchar_t* phase, const wchar_t* basis) {
    const auto v = get(property, phase, basis);
    EXPECT_EQ(v.size(), 1u) << support::narrow(property);
    return v.empty() ? NAN : v.front();
  }
  void setState(double t, double p) {
    ASSERT_EQ(set(L"temperature", L"Overall", nullptr, {t}), S_OK);
    ASSERT_EQ(set(L"pressure", L"Overall", nullptr, {p}), S_OK);
  }
  HRESULT calcProp(const std::vector<std::string>& props, const std::vector<std::string>& phases) {
    support::Bstr mixture(L"Mixture");
    return m_material->CalcProp(stringArray(props).get(), stringArray(phases).get(), mixture.get());
  }
  HRESULT calcEquilibrium(const wchar_t* type, const std::vector<std::string>& props) {
    support::Bstr flashType(type);
    return m_material->CalcEquilibrium(flashType.get(), stringArray(props).get());
  }
  // The Natural Gas condensate flashed at 250 K and 3 MPa, asking for those properties.
  void flashCondensate(const std::vector<std::string>& props) {
    attach(L"Natural Gas");
    setState(250, 3e6);
    ASSERT_EQ(set(L"fraction", L"Overall", L"mole", kCondensate), S_OK);
    ASSERT_EQ(calcEquilibrium(L"TP", props), S_OK);
  }

  test_sink::BoxCapture m_boxes;
  support::ComApartment m_apartment;
  support::ComPtr<ICapeThermoSystem> m_system;
  support::ComPtr<ICapeThermoPropertyPackage> m_package;
  support::ComPtr<ICapeThermoMaterialObject> m_material;
  support::ComPtr<IMatObj> m_matObj;
};

TEST_F(RealMaterialTest, AttachingReadsThePackagesCompoundsAndConstants) {
  attach(L"Natural Gas");
  LONG count = 0;
  ASSERT_EQ(m_material->GetNumComponents(&count), S_OK);
  EXPECT_EQ(count, 14);
  support::Variant ids;
  ASSERT_EQ(m_material->get_ComponentIds(ids.out()), S_OK);
  EXPECT_EQ(stringsOf(ids.get())[3], "methane");
  // The constants come from the package at attach time and are served from the cache.
  support::Variant none, answer;
  ASSERT_EQ(m_material->GetComponentConstant(stringArray({"criticalTemperature", "molecularWeight"}).get(), none.get(),
                                             answer.out()),
            S_OK);
  ASSERT_EQ(answer.vt(), VT_ARRAY | VT_VARIANT);
  support::SafeArrayLockGuard lock(answer.get().parray);
  const VARIANT* v = static_cast<const VARIANT*>(lock.data());
  ASSERT_EQ(answer.get().parray->rgsabound[0].cElements, 28u);
  EXPECT_EQ(v[3].dblVal, 190.564);       // methane Tc
  EXPECT_EQ(v[14 + 3].dblVal, 16.04246);  // methane MW
  EXPECT_EQ(m_boxes.count(), 0u);
}

TEST_F(RealMaterialTest, EveryPropertyThroughCalcProp) {
  attach(L"Natural Gas");
  setState(300, 5e6);
  ASSERT_EQ(set(L"fraction", L"Vapor", L"mole", kGas), S_OK);
  ASSERT_EQ(set(L"fraction", L"Liquid", L"mole", kOil), S_OK);
  const std::vector<std::string> props = {"fugacityCoefficient", "logFugacityCoefficient", "fugacity",
                                          "enthalpy", "entropy", "heatCapacity", "volume", "density",
                                          "compressibilityFactor", "viscosity", "thermalConductivity"};
  ASSERT_EQ(calcProp(props, {"Vapor", "Liquid"}), S_OK);
  ASSERT_EQ(calcProp({"kvalues", "logkvalues", "surfaceTension"}, {"VaporLiquid"}), S_OK);
  for (const wchar_t* phase : {L"Vapor", L"Liquid"}) {
    const auto phi = get(L"fugacityCoefficient", phase, nullptr), lnPhi = get(L"logFugacityCoefficient", phase, nullptr);
    ASSERT_EQ(phi.size(), 14u);
    ASSERT_EQ(lnPhi.size(), 14u);
    for (size_t i = 0; i < 14; ++i) EXPECT_NEAR(std::log(phi[i]), lnPhi[i], 1e-12);
    const double v = getScalar(L"volume", phase, L"mole");
    EXPECT_NEAR(getScalar(L"density", phase, L"mole") * v, 1.0, 1e-12);
    EXPECT_NEAR(getScalar(L"compressibilityFactor", phase, nullptr), 5e6 * v / (R * 300), 1e-9);
    EXPECT_GT(getScalar(L"viscosity", phase, nullptr), 0);
    EXPECT_GT(getScalar(L"thermalConductivity", phase, nullptr), 0);
    EXPECT_TRUE(std::isfinite(getScalar(L"enthalpy", phase, L"mole")));
    EXPECT_GT(getScalar(L"heatCapacity", phase, L"mole"), 0);
  }
  const auto k = get(L"kvalues", L"VaporLiquid", nullptr), phiV = get(L"fugacityCoefficient", L"Vapor", nullptr),
             phiL = get(L"fugacityCoefficient", L"Liquid", nullptr);
  ASSERT_EQ(k.size(), 14u);
  for (size_t i = 0; i < 14; ++i) EXPECT_NEAR(k[i], phiL[i] / phiV[i], 1e-9 * k[i]);
  EXPECT_GT(getScalar(L"surfaceTension", L"VaporLiquid", nullptr), 0);
  EXPECT_EQ(m_boxes.count(), 0u);
}

TEST_F(RealMaterialTest, IdealGasLimitThroughTheMaterialObject) {
  attach(L"Natural Gas");
  std::vector<double> methane(14, 0.0);
  methane[3] = 1;
  setState(298.15, 1.0);
  ASSERT_EQ(set(L"fraction", L"Vapor", L"mole", methane), S_OK);
  ASSERT_EQ(calcProp({"fugacityCoefficient", "enthalpy", "entropy"}, {"Vapor"}), S_OK);
  EXPECT_NEAR(get(L"fugacityCoefficient", L"Vapor", nullptr)[3], 1.0, 1e-6);
  EXPECT_NEAR(getScalar(L"enthalpy", L"Vapor", L"mole"), 0.0, 1e-3);
  EXPECT_NEAR(getScalar(L"entropy", L"Vapor", L"mole"), -R * std::log(1.0 / 101325), 1e-4);
}

TEST_F(RealMaterialTest, FlashesWriteBackAnEquilibriumAndRoundTrip) {
  ASSERT_NO_FATAL_FAILURE(flashCondensate({"fugacity", "enthalpy"}));
  const double beta = getScalar(L"phaseFraction", L"Vapor", L"mole");
  EXPECT_NEAR(beta + getScalar(L"phaseFraction", L"Liquid", L"mole"), 1.0, 1e-12);
  const auto x = get(L"fraction", L"Liquid", L"mole"), y = get(L"fraction", L"Vapor", L"mole");
  const auto fl = get(L"fugacity", L"Liquid", nullptr), fv = get(L"fugacity", L"Vapor", nullptr);
  ASSERT_EQ(fl.size(), 14u);
  ASSERT_EQ(fv.size(), 14u);
  for (size_t i = 0; i < 14; ++i) {
    if (kCondensate[i] > 0) {
      EXPECT_NEAR(fl[i], fv[i], 1e-7 * fv[i]) << i;
      EXPECT_NEAR(beta * y[i] + (1 - beta) * x[i], kCondensate[i], 1e-9) << i;
    }
  }
  EXPECT_NEAR(std::accumulate(x.begin(), x.end(), 0.0), 1.0, 1e-12);
  const double h = beta * getScalar(L"enthalpy", L"Vapor", L"mole") +
                   (1 - beta) * getScalar(L"enthalpy", L"Liquid", L"mole");
  ASSERT_EQ(set(L"enthalpy", L"Overall", L"mole", {h}), S_OK);
  ASSERT_EQ(set(L"temperature", L"Overall", nullptr, {400}), S_OK);
  ASSERT_EQ(calcEquilibrium(L"PH", {}), S_OK);
  EXPECT_NEAR(getScalar(L"temperature", L"Overall", nullptr), 250, 1e-4);
  EXPECT_EQ(m_boxes.count(), 0u);
}

// Each flash type from the state the previous one left: TP, then PH and PS back to the same
// temperature, TVF and PVF to the bubble point and back.
TEST_F(RealMaterialTest, EveryFlashType) {
  ASSERT_NO_FATAL_FAILURE(flashCondensate({"enthalpy", "entropy"}));
  const double beta = getScalar(L"phaseFraction", L"Vapor", L"mole");
  auto overall = [&](const wchar_t* property) {
    return beta * getScalar(property, L"Vapor", L"mole") + (1 - beta) * getScalar(property, L"Liquid", L"mole");
  };
  const double h = overall(L"enthalpy"), s = overall(L"entropy");
  ASSERT_EQ(set(L"entropy", L"Overall", L"mole", {s}), S_OK);
  ASSERT_EQ(set(L"temperature", L"Overall", nullptr, {200}), S_OK);
  ASSERT_EQ(calcEquilibrium(L"PS", {}), S_OK);
  EXPECT_NEAR(getScalar(L"temperature", L"Overall", nullptr), 250, 1e-4);
  ASSERT_EQ(set(L"enthalpy", L"Overall", L"mole", {h}), S_OK);
  ASSERT_EQ(calcEquilibrium(L"PH", {}), S_OK);
  EXPECT_NEAR(getScalar(L"temperature", L"Overall", nullptr), 250, 1e-4);

  ASSERT_EQ(set(L"phaseFraction", L"Vapor", L"mole", {0.0}), S_OK);
  ASSERT_EQ(calcEquilibrium(L"TVF", {"fugacity"}), S_OK);
  const double bubble = getScalar(L"pressure", L"Overall", nullptr);
  EXPECT_GT(bubble, 3e6);
  const auto fl = get(L"fugacity", L"Liquid", nullptr), fv = get(L"fugacity", L"Vapor", nullptr);
  ASSERT_EQ(fv.size(), 14u);
  EXPECT_NEAR(fl[3], fv[3], 1e-7 * fv[3]);
  ASSERT_EQ(set(L"temperature", L"Overall", nullptr, {100}), S_OK);
  ASSERT_EQ(set(L"phaseFraction", L"Vapor", L"mole", {0.0}), S_OK);
  ASSERT_EQ(calcEquilibrium(L"PVF", {}), S_OK);
  EXPECT_NEAR(getScalar(L"temperature", L"Overall", nullptr), 250, 1e-4);
  EXPECT_EQ(m_boxes.count(), 0u);
}

// The material object sends PHF to a package that offers enthalpyF, and the package reads its
// enthalpyF, which the material object keeps as enthalpy.
TEST_F(RealMaterialTest, EnthalpyFPackageGetsPHF) {
  attach(L"Enthalpy F");
  const std::vector<double> z = {0.5, 0.2, 0.15, 0.1, 0.05};
  setState(240, 2e6);
  ASSERT_EQ(set(L"fraction", L"Overall", L"mole", z), S_OK);
  ASSERT_EQ(calcEquilibrium(L"TP", {"enthalpyF"}), S_OK);
  const double beta = getScalar(L"phaseFraction", L"Vapor", L"mole");
  const double h = beta * getScalar(L"enthalpy", L"Vapor", L"mole") +
                   (1 - beta) * getScalar(L"enthalpy", L"Liquid", L"mole");
  ASSERT_EQ(set(L"enthalpy", L"Overall", L"mole", {h}), S_OK);
  ASSERT_EQ(set(L"temperature", L"Overall", nullptr, {300}), S_OK);
  ASSERT_EQ(calcEquilibrium(L"PH", {}), S_OK);
  EXPECT_NEAR(getScalar(L"temperature", L"Overall", nullptr), 240, 1e-4);
}

// Two liquids: the package's second liquid "Liquid2" is the material object's second liquid slot.
TEST_F(RealMaterialTest, ActivityCoefficientsOfTwoLiquids) {
  attach(L"Water Hydrocarbons LLE");  // water, methane, propane, n-hexane, benzene, toluene
  setState(300, 1e6);
  ASSERT_EQ(set(L"fraction", L"Liquid", L"mole", {0.001, 0, 0, 0.6, 0.3, 0.099}), S_OK);
  ASSERT_EQ(set(L"fraction", L"Liquid2", L"mole", {0.999, 0, 0, 0.0005, 0.0003, 0.0002}), S_OK);
  ASSERT_EQ(calcProp({"activityCoefficient"}, {"Liquid", "Liquid2"}), S_OK);
  const auto organic = get(L"activityCoefficient", L"Liquid", nullptr), aqueous = get(L"activityCoefficient", L"Liquid2", nullptr);
  ASSERT_EQ(organic.size(), 6u);
  ASSERT_EQ(aqueous.size(), 6u);
  EXPECT_GT(organic[0], 10.0);     // water is far from ideal among hydrocarbons
  EXPECT_NEAR(aqueous[0], 1.0, 0.01);  // and nearly ideal in the water-rich liquid
  EXPECT_GT(aqueous[3], 10.0);     // where hexane is not
  EXPECT_EQ(m_boxes.count(), 0u);
}

TEST_F(RealMaterialTest, APackageFailureComesBackThroughTheMaterialObject) {
  attach(L"Natural Gas");
  setState(300, 1e5);
  ASSERT_EQ(set(L"fraction", L"Liquid", L"mole", kOil), S_OK);
  EXPECT_EQ(calcProp({"activityCoefficient"}, {"Liquid"}), ECapeInvalidArgumentHR);
  EXPECT_EQ(heldError(m_package.Get()).description,
            "property 'activityCoefficient' is not offered by package 'Natural Gas'");
}

}  // namespace
}  // namespace prthermo_test
