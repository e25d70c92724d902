// The main job end to end: orvex-case.exe run as its own process on the built-in natural-gas case
// and on case files, its JSON read back and checked against the laws the results must obey.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "CaseProcess.h"
#include "Json.h"
#include "Text.h"

namespace {

using hostrun_test::CaseRun;
using hostrun_test::runCase;

json::Value jsonOf(const CaseRun& run) {
  const size_t start = run.out.find('{');
  return json::parse(start == std::string::npos ? run.out : run.out.substr(start));
}

TEST(MainJob, DefaultCaseFlashesAndReportsEveryPhase) {
  const CaseRun run = runCase(L"--json");
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  const json::Value r = jsonOf(run);
  EXPECT_EQ(r.find("package")->asString("package"), "Natural Gas");
  const auto& components = r.find("components")->asArray("components");
  ASSERT_EQ(components.size(), 9u);
  EXPECT_EQ(components[0].asString("name"), "Nitrogen");
  const double v = r.find("vapourFraction")->asNumber("vapourFraction");
  EXPECT_GT(v, 0.0);
  EXPECT_LT(v, 1.0);
  const auto& K = r.find("K")->asArray("K");
  const auto& phases = r.find("phases")->asArray("phases");
  ASSERT_EQ(phases.size(), 2u);
  EXPECT_EQ(phases[0].find("type")->asString("type"), "vapour");
  EXPECT_EQ(phases[1].find("type")->asString("type"), "liquid");
  const auto& y = phases[0].find("x")->asArray("y");
  const auto& x = phases[1].find("x")->asArray("x");
  ASSERT_EQ(K.size(), 9u);
  for (size_t i = 0; i < K.size(); ++i) {
    EXPECT_NEAR(y[i].asNumber("y"), K[i].asNumber("K") * x[i].asNumber("x"), 1e-9) << i;
  }
  // Methane is lighter than n-hexane; the vapour has the larger molar volume.
  EXPECT_GT(K[2].asNumber("K"), K[8].asNumber("K"));
  EXPECT_GT(phases[0].find("molarVolume_m3_per_kmol")->asNumber("V"), phases[1].find("molarVolume_m3_per_kmol")->asNumber("V"));
  // Overall enthalpy is the fraction-weighted sum of the phases'.
  const double hv = phases[0].find("enthalpy_kJ_per_kmol")->asNumber("h"), hl = phases[1].find("enthalpy_kJ_per_kmol")->asNumber("h");
  EXPECT_NEAR(r.find("overall")->find("enthalpy_kJ_per_kmol")->asNumber("h"), v * hv + (1 - v) * hl, 1e-6 * std::fabs(hv));
  EXPECT_TRUE(r.find("failures")->asArray("failures").empty());
  EXPECT_TRUE(r.find("messages")->isArray());
  EXPECT_FALSE(r.find("envelope")->asArray("envelope").empty());
}

// One curve of the envelope as read back: 0 where the point did not converge.
struct Curve {
  std::vector<double> p, t;
  size_t converged() const { return static_cast<size_t>(std::count_if(t.begin(), t.end(), [](double v) { return v > 0; })); }
  // Saturation temperature at pressure, linear in ln P between two converged neighbours.
  double at(double pressure) const {
    for (size_t i = 1; i < p.size(); ++i)
      if (p[i - 1] <= pressure && pressure <= p[i] && t[i - 1] > 0 && t[i] > 0)
        return t[i - 1] + (t[i] - t[i - 1]) * std::log(pressure / p[i - 1]) / std::log(p[i] / p[i - 1]);
    return 0;
  }
};

Curve curveOf(const json::Value& r, const char* key) {
  Curve c;
  for (const json::Value& point : r.find("envelope")->asArray("envelope")) {
    c.p.push_back(point.find("P_kPa")->asNumber("P_kPa"));
    const json::Value* t = point.find(key);
    c.t.push_back(t && !t->isNull() ? t->asNumber(key) : 0.0);
  }
  return c;
}

// The envelope of the natural gas against what phase behaviour requires of it, and against the
// host's own flash at the case's conditions.
TEST(MainJob, EnvelopeOfTheNaturalGasTracesBothCurvesUpToTheCriticalRegion) {
  const CaseRun run = runCase(L"--json");
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  const json::Value r = jsonOf(run);
  const Curve bubble = curveOf(r, "bubble_K"), dew = curveOf(r, "dew_K");
  const size_t n = bubble.p.size();
  ASSERT_GE(n, 10u);
  EXPECT_TRUE(std::is_sorted(bubble.p.begin(), bubble.p.end()));
  // Most points converge; a gas with heavy ends has its critical region at high pressure.
  EXPECT_GE(bubble.converged() * 4, n * 3);
  EXPECT_GE(dew.converged() * 4, n * 3);
  double lowestGap = 0, highestGap = 0, hottestDew = 0, hottestDewPressure = 0;
  for (size_t i = 0; i < n; ++i) {
    const double p = bubble.p[i], tb = bubble.t[i], td = dew.t[i];
    // Far from the critical point every pressure has both a bubble and a dew point.
    if (p <= 3000) {
      EXPECT_GT(tb, 0) << p;
      EXPECT_GT(td, 0) << p;
    }
    if (tb > 0 && td > 0) {
      EXPECT_GT(td, tb) << p;  // the dew point of a mixture lies above its bubble point
      if (lowestGap == 0) lowestGap = td - tb;
      highestGap = td - tb;
    }
    // At low pressure both curves rise with pressure (Clausius-Clapeyron).
    if (i > 0 && p <= 3000) {
      EXPECT_GT(tb, bubble.t[i - 1]) << p;
      EXPECT_GT(td, dew.t[i - 1]) << p;
    }
    if (td > hottestDew) hottestDew = td, hottestDewPressure = p;
  }
  // The curves close in on each other towards the critical region...
  EXPECT_LT(highestGap, 0.6 * lowestGap);
  // ...and the dew curve turns back before it ends: its hottest point (the cricondentherm) lies
  // inside the traced range, with retrograde dew points above it.
  size_t last = n;
  while (last > 0 && !(dew.t[last - 1] > 0)) --last;
  ASSERT_GT(last, 0u);
  EXPECT_LT(hottestDewPressure, dew.p[last - 1]);
  EXPECT_LT(dew.t[last - 1], hottestDew - 5);
  // The host's flash split the feed in two at the case's conditions: they lie inside the envelope.
  const double t = r.find("T_K")->asNumber("T_K"), p = r.find("P_kPa")->asNumber("P_kPa");
  const double v = r.find("vapourFraction")->asNumber("vapourFraction");
  ASSERT_GT(v, 0.0);
  ASSERT_LT(v, 1.0);
  EXPECT_GT(t, bubble.at(p));
  EXPECT_LT(t, dew.at(p));
}

std::vector<std::string> linesOf(const std::wstring& path) {
  std::ifstream in(support::narrow(path), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Save, recall in a new process of the runner, save again there: every host variable comes back.
TEST(MainJob, ASavedCaseComesBackInANewProcessWithEveryHostVariable) {
  const wchar_t* casePath = L"mainjob-save.json";
  const std::wstring savePath = L"mainjob-save.sav", recalledPath = L"mainjob-save.sav.recalled";
  DeleteFileW(savePath.c_str());
  DeleteFileW(recalledPath.c_str());
  std::ofstream(casePath) << R"({"package": "Natural Gas", "components": [{"name": "Methane", "x": 0.9},
                               {"cas": "74-98-6", "x": 0.07}, {"name": "n-Hexane", "x": 0.03}],
                               "T_K": 250, "P_kPa": 2000, "operations": ["flash", "save"],
                               "saveTo": "mainjob-save.sav"})";
  const CaseRun run = runCase(std::wstring(L"\"") + casePath + L"\" --json");
  EXPECT_EQ(run.exitCode, 0u) << run.out;
  const std::vector<std::string> saved = linesOf(savePath), recalled = linesOf(recalledPath);
  ASSERT_GE(saved.size(), 20u);
  EXPECT_EQ(saved, recalled);
  auto holds = [&](const std::string& start) {
    return std::any_of(saved.begin(), saved.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  };
  EXPECT_TRUE(holds("PropPackName\ttext\tNatural Gas"));
  EXPECT_TRUE(holds("SelectedCompOvNames\t"));
  EXPECT_TRUE(holds("SelectedCompMolWts\t"));
  DeleteFileW(casePath);
  DeleteFileW(savePath.c_str());
  DeleteFileW(recalledPath.c_str());
}

TEST(MainJob, CaseFileWithAComponentThePackageLacksFails) {
  const wchar_t* path = L"mainjob-unknown.json";
  std::ofstream(path) << R"({"package": "K-values Only", "components": [{"name": "Methane", "x": 0.5},
                          {"name": "Nitrogen", "x": 0.5}], "T_K": 200, "P_kPa": 1000, "operations": ["flash"]})";
  const CaseRun run = runCase(std::wstring(L"\"") + path + L"\" --json");
  EXPECT_EQ(run.exitCode, 1u);
  DeleteFileW(path);
}

TEST(MainJob, MalformedCaseFileIsRefusedWithExitCode2) {
  const wchar_t* path = L"mainjob-bad.json";
  std::ofstream(path) << "{\"components\": [";
  EXPECT_EQ(runCase(std::wstring(L"\"") + path + L"\"").exitCode, 2u);
  DeleteFileW(path);
}

}  // namespace
