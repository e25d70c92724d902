// The main job on the ideal-solution packages, which call the material object the way packages
// written elsewhere do (an empty calcType, no compound ids, late binding): orvex-case.exe runs each
// package's case file in its own process through the registered product, and its results are
// checked against the laws of an ideal solution and against the package's own answer.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "tests/hostrun/CaseProcess.h"
#include "support/Raii.h"
#include "support/Text.h"
#include "tests/common/Arrays.h"
#include "ZendrelLib.h"

namespace {

using nlohmann::json;
using test_arrays::texts;

constexpr double kR = 8.314462618;  // J/mol/K

struct IdealCase {
  const char* file;          // beside the test, copied from data/cases
  const wchar_t* package;
  const char* kProperty;     // the K-value property the package offers
};

const IdealCase kCases[] = {
    {"ideal-hydrocarbons.json", L"Ideal Hydrocarbons", "kvalues"},
    {"ideal-aromatics-script.json", L"Ideal Aromatics Script", "logkvalues"},
};

std::vector<double> numbers(const json& array) {
  std::vector<double> out;
  for (const auto& v : array) out.push_back(v.get<double>());
  return out;
}

// The feed of a case file, normalised as the runner does.
std::vector<double> feedOf(const char* file) {
  std::ifstream in(file);
  const json c = json::parse(in);
  std::vector<double> z;
  for (const auto& component : c.at("components")) z.push_back(component.at("x").get<double>());
  const double sum = std::accumulate(z.begin(), z.end(), 0.0);
  for (double& v : z) v /= sum;
  return z;
}

json runJson(const char* file, hostrun_test::CaseRun& run) {
  run = hostrun_test::runCase(L"--json " + support::widen(file));
  const size_t start = run.out.find('{');
  return json::parse(start == std::string::npos ? std::string("{}") : run.out.substr(start), nullptr, false);
}

// One run per case file, shared by the tests that only read its results.
const json& resultOf(const char* file, hostrun_test::CaseRun& run) {
  static std::map<std::string, std::pair<hostrun_test::CaseRun, json>> runs;
  auto found = runs.find(file);
  if (found == runs.end()) {
    hostrun_test::CaseRun fresh;
    json r = runJson(file, fresh);
    found = runs.emplace(file, std::make_pair(fresh, r)).first;
  }
  run = found->second.first;
  return found->second.second;
}

std::vector<std::wstring> textsOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (v.vt != (VT_ARRAY | VT_BSTR)) return out;
  support::SafeArrayLockGuard lock(v.parray);
  const BSTR* data = static_cast<const BSTR*>(lock.data());
  for (ULONG i = 0; data && i < v.parray->rgsabound[0].cElements; ++i) out.emplace_back(data[i] ? data[i] : L"");
  return out;
}

std::vector<double> realsOf(const VARIANT& v) {
  std::vector<double> out;
  if (v.vt != (VT_ARRAY | VT_R8)) return out;
  support::SafeArrayLockGuard lock(v.parray);
  const double* data = static_cast<const double*>(lock.data());
  if (data) out.assign(data, data + v.parray->rgsabound[0].cElements);
  return out;
}

// A package of the ideal system attached to a material object of the product, as the adapter
// attaches it; the test sets the state and calculates through the material object.
struct AttachedPackage {
  support::ComApartment apartment;
  support::ComPtr<ICapeThermoMaterialObject> material;
  support::ComPtr<IMatObj> matObj;
  // The package's compounds, in its (and the material's) order.
  std::vector<std::wstring> names, cas;
  std::vector<double> boiling;

  ~AttachedPackage() {
    if (matObj) matObj->Terminate();
  }

  void attach(const wchar_t* packageName) {
    ASSERT_HRESULT_SUCCEEDED(apartment.result());
    CLSID clsid;
    support::ComPtr<ICapeThermoSystem> system;
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Quellmar.IdealThermoSystem", &clsid));
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(system.GetAddressOf())));
    support::ComPtr<IDispatch> package;
    support::Bstr name(packageName);
    ASSERT_HRESULT_SUCCEEDED(system->ResolvePropertyPackage(name.get(), package.GetAddressOf()));
    support::ComPtr<ICapeThermoPropertyPackage> thermo;
    ASSERT_HRESULT_SUCCEEDED(package.As(&thermo));
    support::Variant ids, formulae, texts, tb, mw, numbers;
    ASSERT_HRESULT_SUCCEEDED(thermo->GetComponentList(ids.out(), formulae.out(), texts.out(), tb.out(), mw.out(), numbers.out()));
    names = textsOf(texts.get());
    cas = textsOf(numbers.get());
    boiling = realsOf(tb.get());
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Zendrel.MatObj", &clsid));
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(material.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(material.As(&matObj));
    ASSERT_EQ(matObj->put_PropertyPackage(package.Get()), S_OK);
    support::Variant materialIds;
    ASSERT_HRESULT_SUCCEEDED(material->get_ComponentIds(materialIds.out()));
    ASSERT_EQ(textsOf(materialIds.get()).size(), names.size());
  }

  HRESULT set(const wchar_t* property, const wchar_t* phase, const wchar_t* basis, const std::vector<double>& values) {
    support::Bstr pr(property), ph(phase), type(L"Mixture"), b(basis);
    support::Variant all;
    return material->SetProp(pr.get(), ph.get(), all.get(), type.get(), b.get(), test_arrays::doubles(values).get());
  }
  HRESULT calc(const std::vector<std::wstring>& props, const std::vector<std::wstring>& phases, const wchar_t* calcType) {
    support::Bstr type(calcType);
    return material->CalcProp(texts(props).get(), texts(phases).get(), type.get());
  }
  std::vector<double> get(const wchar_t* property, const wchar_t* phase, const wchar_t* calcType, const wchar_t* basis) {
    support::Bstr pr(property), ph(phase), type(calcType), b(basis);
    support::Variant all, answer;
    const HRESULT hr = material->GetProp(pr.get(), ph.get(), all.get(), type.get(), b.get(), answer.out());
    EXPECT_EQ(hr, S_OK) << support::narrow(property) << " on " << support::narrow(phase);
    return realsOf(answer.get());
  }
};

// Where each component of the case file is in the package's list: the case names it by host
// name or CAS number, and the package lists both.
void packageOrder(const char* file, const AttachedPackage& attached, std::vector<size_t>& order) {
  std::ifstream in(file);
  const json components = json::parse(in).at("components");
  order.clear();
  for (const auto& component : components) {
    const bool byCas = component.contains("cas");
    const std::wstring key = support::widen(component.at(byCas ? "cas" : "name").get<std::string>());
    const std::vector<std::wstring>& list = byCas ? attached.cas : attached.names;
    size_t at = 0;
    while (at < list.size() && list[at] != key) ++at;
    ASSERT_LT(at, list.size()) << support::narrow(key);
    order.push_back(at);
  }
}

void PrintTo(const IdealCase& c, std::ostream* os) { *os << c.file; }

class IdealJob : public ::testing::TestWithParam<IdealCase> {};

// Every operation of the case succeeds (the runner itself compares the recalled case's saved
// variables with the saved ones), and the results obey what an ideal solution must.
TEST_P(IdealJob, EveryOperationRunsAndTheResultsObeyTheIdealSolution) {
  const IdealCase& c = GetParam();
  hostrun_test::CaseRun run;
  const json& r = resultOf(c.file, run);
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  ASSERT_TRUE(r.is_object()) << run.out;
  EXPECT_EQ(r.at("package").get<std::string>(), support::narrow(c.package));
  EXPECT_TRUE(r.at("failures").empty()) << r.at("failures").dump();
  const std::vector<double> z = feedOf(c.file), K = numbers(r.at("K"));
  ASSERT_EQ(K.size(), z.size());
  const double t = r.at("T_K").get<double>(), p = r.at("P_kPa").get<double>();
  const double v = r.at("vapourFraction").get<double>();
  ASSERT_GT(v, 0.0);
  ASSERT_LT(v, 1.0);
  const json& phases = r.at("phases");
  ASSERT_EQ(phases.size(), 2u);
  ASSERT_EQ(phases[0].at("type"), "vapour");
  ASSERT_EQ(phases[1].at("type"), "liquid");
  const std::vector<double> y = numbers(phases[0].at("x")), x = numbers(phases[1].at("x"));
  for (size_t i = 0; i < z.size(); ++i) {
    EXPECT_NEAR(y[i], K[i] * x[i], 1e-9 * std::max(1.0, y[i])) << i;  // y = K x
    EXPECT_NEAR(v * y[i] + (1 - v) * x[i], z[i], 1e-8) << i;        // the feed is split, not changed
  }
  EXPECT_NEAR(std::accumulate(x.begin(), x.end(), 0.0), 1.0, 1e-9);
  EXPECT_NEAR(std::accumulate(y.begin(), y.end(), 0.0), 1.0, 1e-9);
  // An ideal gas: V = RT/P (m3/kmol with P in kPa); the liquid is far denser and lies below the
  // vapour in enthalpy by its heat of vaporization.
  const double vv = phases[0].at("molarVolume_m3_per_kmol").get<double>();
  const double vl = phases[1].at("molarVolume_m3_per_kmol").get<double>();
  EXPECT_NEAR(vv, kR * t / p, 1e-6 * vv);
  EXPECT_GT(vl, 0.0);
  EXPECT_LT(vl * 5, vv);
  const double hv = phases[0].at("enthalpy_kJ_per_kmol").get<double>();
  const double hl = phases[1].at("enthalpy_kJ_per_kmol").get<double>();
  EXPECT_GT(hv - hl, 5000.0);
  EXPECT_NEAR(r.at("overall").at("enthalpy_kJ_per_kmol").get<double>(), v * hv + (1 - v) * hl, 1e-6 * std::fabs(hv - hl));
  // The envelope: below each dew point its bubble point, both rising with pressure, and the
  // case's two-phase state between them.
  const json& envelope = r.at("envelope").at("points");
  ASSERT_GE(envelope.size(), 10u);
  double lastBubble = 0, lastDew = 0;
  size_t both = 0;
  for (const auto& point : envelope) {
    if (point.at("bubble_K").is_null() || point.at("dew_K").is_null()) continue;
    const double tb = point.at("bubble_K").get<double>(), td = point.at("dew_K").get<double>();
    EXPECT_LT(tb, td) << point.dump();
    EXPECT_GT(tb, lastBubble) << point.dump();
    EXPECT_GT(td, lastDew) << point.dump();
    lastBubble = tb, lastDew = td;
    ++both;
  }
  EXPECT_GE(both * 4, envelope.size() * 3);
}

// An ideal solution has no critical point: its bubble and dew curves never meet. Both branches are
// traced over the whole pressure range, every grid pressure has its bubble and its dew point, and
// nothing is reported that does not exist (no critical point, no extreme at a branch's cut end).
TEST_P(IdealJob, BothBranchesAreTracedOverTheRangeWithoutACriticalPoint) {
  const IdealCase& c = GetParam();
  hostrun_test::CaseRun run;
  const json& r = resultOf(c.file, run);
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  ASSERT_TRUE(r.is_object()) << run.out;
  for (const auto& failure : r.at("failures")) EXPECT_EQ(failure.get<std::string>().find("envelope"), std::string::npos) << failure;
  const json& e = r.at("envelope");
  EXPECT_TRUE(e.at("critical").is_null()) << e.at("critical").dump();
  EXPECT_TRUE(e.at("cricondenbar").is_null()) << e.at("cricondenbar").dump();
  EXPECT_TRUE(e.at("cricondentherm").is_null()) << e.at("cricondentherm").dump();
  const json& points = e.at("points");
  ASSERT_GE(points.size(), 2u);
  for (const auto& point : points) {
    EXPECT_FALSE(point.at("bubble_K").is_null()) << point.dump();
    EXPECT_FALSE(point.at("dew_K").is_null()) << point.dump();
  }
  // The curve's two branches, each from the lowest grid pressure to past the highest.
  const json& curve = e.at("curve");
  ASSERT_TRUE(e.contains("curveBranches")) << e.dump();
  const auto range = [&](const char* name) {
    const json& b = e.at("curveBranches").at(name);
    return std::make_pair(b.at(0).get<size_t>(), b.at(1).get<size_t>());
  };
  const auto bubble = range("bubble"), dew = range("dew");
  EXPECT_EQ(bubble.first, 0u);
  EXPECT_EQ(bubble.second, dew.first);
  EXPECT_EQ(dew.second, curve.size());
  const double pLow = points.front().at("P_kPa").get<double>(), pHigh = points.back().at("P_kPa").get<double>();
  for (const auto& branch : {bubble, dew}) {
    ASSERT_GE(branch.second, branch.first + 2);
    EXPECT_NEAR(curve[branch.first].at("P_kPa").get<double>(), pLow, 1e-6 * pLow);
    double highest = 0;
    for (size_t i = branch.first; i < branch.second; ++i) highest = std::max(highest, curve[i].at("P_kPa").get<double>());
    EXPECT_GE(highest, pHigh);
  }
  // The plot marks no critical point and says why.
  std::ifstream caseFile(c.file);
  std::ifstream plot(json::parse(caseFile).at("envelope").at("svg").get<std::string>());
  const std::string svg((std::istreambuf_iterator<char>(plot)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(svg.empty());
  EXPECT_EQ(svg.find(">critical point "), std::string::npos);
  EXPECT_NE(svg.find("no critical point in the range"), std::string::npos);
  EXPECT_EQ(svg.find("one curve traced through the critical point"), std::string::npos);
}

// The K-values the host got through the product are the package's own answer at the flash's
// temperature and pressure: the package attached to a material object of the product created
// here, asked directly. Raoult K-values do not depend on composition, so the phases get the feed.
TEST_P(IdealJob, KValuesAreThePackagesOwnAnswerForTheSameState) {
  const IdealCase& c = GetParam();
  hostrun_test::CaseRun run;
  const json& r = resultOf(c.file, run);
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  const std::vector<double> K = numbers(r.at("K"));
  const double t = r.at("T_K").get<double>(), p = r.at("P_kPa").get<double>() * 1000;

  AttachedPackage attached;
  ASSERT_NO_FATAL_FAILURE(attached.attach(c.package));
  const size_t n = attached.names.size();
  const std::vector<double> even(n, 1.0 / static_cast<double>(n));
  ASSERT_EQ(attached.set(L"temperature", L"Overall", nullptr, {t}), S_OK);
  ASSERT_EQ(attached.set(L"pressure", L"Overall", nullptr, {p}), S_OK);
  ASSERT_EQ(attached.set(L"fraction", L"Vapor", L"mole", even), S_OK);
  ASSERT_EQ(attached.set(L"fraction", L"Liquid", L"mole", even), S_OK);
  const std::wstring kName = support::widen(c.kProperty);
  ASSERT_EQ(attached.calc({kName}, {L"VaporLiquid"}, L"Mixture"), S_OK);
  std::vector<double> own = attached.get(kName.c_str(), L"VaporLiquid", L"Mixture", nullptr);
  ASSERT_EQ(own.size(), n);
  if (kName == L"logkvalues")
    for (double& k : own) k = std::exp(k);

  std::vector<size_t> order;
  ASSERT_NO_FATAL_FAILURE(packageOrder(c.file, attached, order));
  ASSERT_EQ(order.size(), K.size());
  for (size_t i = 0; i < K.size(); ++i) EXPECT_NEAR(K[i], own[order[i]], 1e-9 * own[order[i]]) << i;
}

// Each reported bubble and dew point is one of the package's own: at that temperature and
// pressure its K-values give sum z K = 1 (bubble) and sum z / K = 1 (dew), on both branches.
TEST_P(IdealJob, EveryGridPointIsASaturationPointOfThePackage) {
  const IdealCase& c = GetParam();
  hostrun_test::CaseRun run;
  const json& r = resultOf(c.file, run);
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  AttachedPackage attached;
  ASSERT_NO_FATAL_FAILURE(attached.attach(c.package));
  std::vector<size_t> order;
  ASSERT_NO_FATAL_FAILURE(packageOrder(c.file, attached, order));
  const std::vector<double> z = feedOf(c.file);
  const size_t n = attached.names.size();
  const std::vector<double> even(n, 1.0 / static_cast<double>(n));
  const std::wstring kName = support::widen(c.kProperty);
  const auto kValues = [&](double t, double pKPa, std::vector<double>& K) {
    ASSERT_EQ(attached.set(L"temperature", L"Overall", nullptr, {t}), S_OK);
    ASSERT_EQ(attached.set(L"pressure", L"Overall", nullptr, {pKPa * 1000}), S_OK);
    ASSERT_EQ(attached.set(L"fraction", L"Vapor", L"mole", even), S_OK);
    ASSERT_EQ(attached.set(L"fraction", L"Liquid", L"mole", even), S_OK);
    ASSERT_EQ(attached.calc({kName}, {L"VaporLiquid"}, L"Mixture"), S_OK);
    K = attached.get(kName.c_str(), L"VaporLiquid", L"Mixture", nullptr);
    ASSERT_EQ(K.size(), n);
    if (kName == L"logkvalues")
      for (double& k : K) k = std::exp(k);
  };
  const json& points = r.at("envelope").at("points");
  ASSERT_GE(points.size(), 2u);
  for (const auto& point : points) {
    const double p = point.at("P_kPa").get<double>();
    ASSERT_FALSE(point.at("bubble_K").is_null() || point.at("dew_K").is_null()) << point.dump();
    std::vector<double> K;
    ASSERT_NO_FATAL_FAILURE(kValues(point.at("bubble_K").get<double>(), p, K));
    double sum = 0;
    for (size_t i = 0; i < z.size(); ++i) sum += z[i] * K[order[i]];
    EXPECT_NEAR(sum, 1.0, 1e-6) << "bubble " << point.dump();
    ASSERT_NO_FATAL_FAILURE(kValues(point.at("dew_K").get<double>(), p, K));
    sum = 0;
    for (size_t i = 0; i < z.size(); ++i) sum += z[i] / K[order[i]];
    EXPECT_NEAR(sum, 1.0, 1e-6) << "dew " << point.dump();
  }
}

// The example package's Overall values come from the phases the material object names and their
// fractions; its temperature functions are asked with "Pure" and give one value per compound.
// Both go through the product's material object as a package of the field uses it.
TEST(IdealPackageOnTheProduct, OverallIsThePhasesWeightedAndPureGivesTheNormalBoilingPoint) {
  AttachedPackage attached;
  ASSERT_NO_FATAL_FAILURE(attached.attach(L"Ideal Hydrocarbons"));
  const size_t n = attached.names.size();
  std::vector<double> x(n, 0.0), y(n, 0.0);
  x[n - 1] = 0.7, x[n - 2] = 0.3;  // heavy liquid
  y[2] = 0.9, y[3] = 0.1;          // light vapour
  ASSERT_EQ(attached.set(L"temperature", L"Overall", nullptr, {300}), S_OK);
  ASSERT_EQ(attached.set(L"pressure", L"Overall", nullptr, {500000}), S_OK);
  ASSERT_EQ(attached.set(L"fraction", L"Vapor", L"mole", y), S_OK);
  ASSERT_EQ(attached.set(L"fraction", L"Liquid", L"mole", x), S_OK);
  ASSERT_EQ(attached.set(L"phaseFraction", L"Vapor", L"mole", {0.25}), S_OK);
  ASSERT_EQ(attached.set(L"phaseFraction", L"Liquid", L"mole", {0.75}), S_OK);
  ASSERT_EQ(attached.calc({L"enthalpy", L"volume"}, {L"Vapor", L"Liquid"}, L"Mixture"), S_OK);
  const double hv = attached.get(L"enthalpy", L"Vapor", L"Mixture", L"mole").at(0);
  const double hl = attached.get(L"enthalpy", L"Liquid", L"Mixture", L"mole").at(0);
  const double vv = attached.get(L"volume", L"Vapor", L"Mixture", L"mole").at(0);
  const double vl = attached.get(L"volume", L"Liquid", L"Mixture", L"mole").at(0);
  ASSERT_EQ(attached.calc({L"enthalpy", L"volume"}, {L"Overall"}, L"Mixture"), S_OK);
  EXPECT_NEAR(attached.get(L"enthalpy", L"Overall", L"Mixture", L"mole").at(0), 0.25 * hv + 0.75 * hl, 1e-9 * std::fabs(hl));
  EXPECT_NEAR(attached.get(L"volume", L"Overall", L"Mixture", L"mole").at(0), 0.25 * vv + 0.75 * vl, 1e-12);
  EXPECT_NEAR(vv, kR * 300 / 500000, 1e-12);

  // At each compound's normal boiling point (the package's own list) its vapour pressure is one
  // atmosphere, within what a corresponding-states correlation of the critical point gives.
  ASSERT_EQ(attached.boiling.size(), n);
  // Carbon dioxide has no normal boiling point: its listed one is where the solid sublimes.
  for (size_t i = 0; i < n; ++i) {
    if (attached.cas[i] == L"124-38-9") continue;
    ASSERT_EQ(attached.set(L"temperature", L"Overall", nullptr, {attached.boiling[i]}), S_OK);
    ASSERT_EQ(attached.calc({L"vaporPressure"}, {L"Liquid"}, L"Pure"), S_OK);
    const std::vector<double> psat = attached.get(L"vaporPressure", L"Liquid", L"Pure", nullptr);
    ASSERT_EQ(psat.size(), n);
    EXPECT_NEAR(psat[i] / 101325.0, 1.0, 0.05) << support::narrow(attached.names[i]);
  }
  // Mixture is refused for a temperature function, and a K-value off VaporLiquid.
  EXPECT_NE(attached.calc({L"vaporPressure"}, {L"Liquid"}, L"Mixture"), S_OK);
  EXPECT_NE(attached.calc({L"kvalues"}, {L"Vapor"}, L"Mixture"), S_OK);
}

INSTANTIATE_TEST_SUITE_P(Packages, IdealJob, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<IdealCase>& info) {
                           return std::string(info.param.kProperty) == "kvalues" ? "EarlyBound" : "LateBound";
                         });

}  // namespace
