// The main job end to end: orvex-case.exe run as its own process on the built-in natural-gas case
// and on case files, its JSON read back and checked against the laws the results must obey:
// equal fugacities in every phase, the material balance, the shape of a phase envelope.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/hostrun/CaseProcess.h"
#include "support/Text.h"

namespace {

using Json = nlohmann::json;
using hostrun_test::CaseRun;
using hostrun_test::Errors;
using hostrun_test::runCase;

Json jsonOf(const CaseRun& run) {
  const size_t start = run.out.find('{');
  return Json::parse(start == std::string::npos ? run.out : run.out.substr(start));
}

// The built-in case as JSON, run once for the tests that read it.
const CaseRun& defaultJsonRun() {
  static const CaseRun run = runCase(L"--json");
  return run;
}

double relativeDifference(double a, double b) { return std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b)); }

TEST(MainJob, DefaultCaseFlashesAndReportsEveryPhase) {
  const CaseRun& run = defaultJsonRun();
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  const Json r = jsonOf(run);
  EXPECT_EQ(r["package"], "Natural Gas");
  const Json& components = r["components"];
  ASSERT_EQ(components.size(), 9u);
  EXPECT_EQ(components[0], "Nitrogen");
  const double v = r["vapourFraction"];
  EXPECT_GT(v, 0.0);
  EXPECT_LT(v, 1.0);
  const Json& K = r["K"];
  const Json& phases = r["phases"];
  ASSERT_EQ(phases.size(), 2u);  // a stable liquid: no second one
  EXPECT_LT(r["tangentPlaneDistance"].get<double>(), 1e-6);
  EXPECT_EQ(phases[0]["type"], "vapour");
  EXPECT_EQ(phases[1]["type"], "liquid");
  const Json &y = phases[0]["x"], &x = phases[1]["x"];
  ASSERT_EQ(K.size(), 9u);
  for (size_t i = 0; i < K.size(); ++i) EXPECT_NEAR(y[i].get<double>(), K[i].get<double>() * x[i].get<double>(), 1e-9) << i;
  // Methane is lighter than n-hexane; the vapour has the larger molar volume.
  EXPECT_GT(K[2].get<double>(), K[8].get<double>());
  EXPECT_GT(phases[0]["molarVolume_m3_per_kmol"].get<double>(), phases[1]["molarVolume_m3_per_kmol"].get<double>());
  // Overall enthalpy is the fraction-weighted sum of the phases'.
  const double hv = phases[0]["enthalpy_kJ_per_kmol"], hl = phases[1]["enthalpy_kJ_per_kmol"];
  EXPECT_NEAR(r["overall"]["enthalpy_kJ_per_kmol"].get<double>(), v * hv + (1 - v) * hl, 1e-6 * std::fabs(hv));
  // Fugacities in kPa: equal in both phases, and the vapour's add up to about the pressure (a
  // near-ideal gas at 3000 kPa), which their logarithms would not.
  const Json &fv = phases[0]["fugacity_kPa"], &fl = phases[1]["fugacity_kPa"];
  ASSERT_EQ(fv.size(), 9u);
  double total = 0;
  for (size_t i = 0; i < fv.size(); ++i) {
    EXPECT_LT(relativeDifference(fv[i], fl[i]), 1e-8) << i;
    total += fv[i].get<double>();
  }
  EXPECT_GT(total, 0.7 * r["P_kPa"].get<double>());
  EXPECT_LT(total, 1.05 * r["P_kPa"].get<double>());
  EXPECT_TRUE(r["failures"].empty()) << r["failures"].dump();
  EXPECT_TRUE(r["messages"].is_array());
  EXPECT_NE(r["recall"].get<std::string>().find("the same lines"), std::string::npos);
}

// The wet gas splits into a vapour, a hydrocarbon liquid and water, found without a hint.
TEST(MainJob, WetGasSplitsIntoThreePhasesWithEqualFugacitiesAndItsMaterialBalance) {
  const std::wstring path = L"mainjob-wet-gas.json";
  std::ofstream(support::narrow(path)) << R"({"package": "Water Hydrocarbons LLE",
      "components": [{"name": "Methane", "x": 0.3}, {"cas": "7732-18-5", "x": 0.4}, {"name": "n-Hexane", "x": 0.3}],
      "T_K": 300, "P_kPa": 2000, "operations": ["flash", "properties", "fugacities", "orderPhases"]})";
  const CaseRun run = runCase(L"\"" + path + L"\" --json");
  DeleteFileW(path.c_str());
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  const Json r = jsonOf(run);
  const Json& names = r["components"];
  const Json& phases = r["phases"];
  ASSERT_EQ(phases.size(), 3u) << phases.dump();
  EXPECT_EQ(phases[0]["type"], "vapour");
  EXPECT_EQ(phases[1]["type"], "liquid");
  EXPECT_EQ(phases[2]["type"], "liquid2");
  EXPECT_LT(r["tangentPlaneDistance"].get<double>(), 0);
  // The feed in the host's component order.
  std::vector<double> z;
  for (const Json& name : names)
    z.push_back(name == "Methane" ? 0.3 : name == "H2O" ? 0.4 : name == "n-Hexane" ? 0.3 : std::nan(""));
  double fractions = 0;
  for (const Json& p : phases) fractions += p["fraction"].get<double>();
  EXPECT_NEAR(fractions, 1, 1e-12);
  for (size_t i = 0; i < z.size(); ++i) {
    double held = 0;
    for (const Json& p : phases) held += p["fraction"].get<double>() * p["x"][i].get<double>();
    EXPECT_NEAR(held, z[i], 1e-9) << names[i];
    // ComputePhaseFugacities: the same fugacity of every component in every phase.
    const double vapour = phases[0]["fugacity_kPa"][i];
    EXPECT_LT(relativeDifference(phases[1]["fugacity_kPa"][i], vapour), 1e-8) << names[i];
    EXPECT_LT(relativeDifference(phases[2]["fugacity_kPa"][i], vapour), 1e-8) << names[i];
  }
  // One liquid is nearly all water, the other nearly all hydrocarbon.
  const size_t water = static_cast<size_t>(std::find(names.begin(), names.end(), "H2O") - names.begin());
  const double water1 = phases[1]["x"][water], water2 = phases[2]["x"][water];
  EXPECT_GT(std::max(water1, water2), 0.95);
  EXPECT_LT(std::min(water1, water2), 0.1);
  // OrderPhases was given all three.
  EXPECT_EQ(r["orderedPhases"].get<std::string>().rfind("4 1 1", 0), 0u) << r["orderedPhases"];
}

// The envelope as read back, by branch.
struct Traced {
  std::vector<double> t, p;
  double tc = 0, pc = 0, tBar = 0, pBar = 0, tTherm = 0, pTherm = 0;
};

Traced tracedOf(const Json& envelope) {
  Traced c;
  for (const Json& point : envelope["curve"]) {
    c.t.push_back(point["T_K"]);
    c.p.push_back(point["P_kPa"]);
  }
  c.tc = envelope["critical"]["T_K"], c.pc = envelope["critical"]["P_kPa"];
  c.tBar = envelope["cricondenbar"]["T_K"], c.pBar = envelope["cricondenbar"]["P_kPa"];
  c.tTherm = envelope["cricondentherm"]["T_K"], c.pTherm = envelope["cricondentherm"]["P_kPa"];
  return c;
}

// The envelope of the natural gas against what phase behaviour requires of it, and against the
// host's own flash at the case's conditions.
TEST(MainJob, EnvelopeOfTheNaturalGasIsOneCurveThroughTheCriticalPoint) {
  const CaseRun& run = defaultJsonRun();
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  const Json r = jsonOf(run);
  const Json& envelope = r["envelope"];
  ASSERT_TRUE(envelope.is_object());
  const Traced c = tracedOf(envelope);
  ASSERT_GE(c.t.size(), 30u);
  // From the grid's lowest pressure up and back down to it.
  const Json& grid = envelope["points"];
  const double pLow = grid[0]["P_kPa"];
  EXPECT_NEAR(c.p.front(), pLow, 1e-6 * pLow);
  EXPECT_LT(c.p.back(), pLow * 1.2);
  // A continuous curve: neighbours close in ln T and ln P.
  for (size_t i = 1; i < c.t.size(); ++i) {
    EXPECT_LT(std::fabs(std::log(c.t[i] / c.t[i - 1])), 0.05) << i;
    EXPECT_LT(std::fabs(std::log(c.p[i] / c.p[i - 1])), 0.25) << i;
  }
  // The three points: the cricondenbar the highest pressure, the cricondentherm the highest
  // temperature of the curve; the critical point below the one and left of the other.
  for (size_t i = 0; i < c.t.size(); ++i) {
    EXPECT_LE(c.p[i], c.pBar * (1 + 1e-9)) << i;
    EXPECT_LE(c.t[i], c.tTherm * (1 + 1e-9)) << i;
  }
  EXPECT_LT(c.pc, c.pBar);
  EXPECT_LT(c.tc, c.tBar);
  EXPECT_LT(c.tBar, c.tTherm);
  EXPECT_GT(c.pBar, c.pTherm);
  // No pressure below the cricondenbar left open: both points below the critical pressure, the
  // dew point (and its colder twin) between it and the cricondenbar, none above.
  for (const Json& row : grid) {
    const double p = row["P_kPa"];
    const bool bubble = !row["bubble_K"].is_null(), dew = !row["dew_K"].is_null();
    if (p < c.pc) {
      EXPECT_TRUE(bubble && dew) << p;
      if (bubble && dew) {
        EXPECT_GT(row["dew_K"].get<double>(), row["bubble_K"].get<double>()) << p;
      }
    } else if (p < c.pBar) {
      EXPECT_TRUE(dew && !bubble) << p;
      EXPECT_TRUE(row.contains("lowerDew_K")) << p;
    } else {
      EXPECT_FALSE(bubble || dew) << p;
    }
  }
  // The host's flash split the feed in two at the case's conditions: they lie inside the envelope.
  const double t = r["T_K"], p = r["P_kPa"];
  double bubbleAt = 0, dewAt = 0;
  for (size_t i = 1; i < grid.size(); ++i)
    if (grid[i - 1]["P_kPa"].get<double>() <= p && p <= grid[i]["P_kPa"].get<double>()) {
      bubbleAt = grid[i]["bubble_K"], dewAt = grid[i]["dew_K"];
      bubbleAt = std::min(bubbleAt, grid[i - 1]["bubble_K"].get<double>());
      dewAt = std::max(dewAt, grid[i - 1]["dew_K"].get<double>());
    }
  EXPECT_GT(t, bubbleAt);
  EXPECT_LT(t, dewAt);
}

// The table for people: the case's own results first, the save and recall check as one line.
TEST(MainJob, TableShowsTheCaseOnceWithTheRecallCheckAsOneLine) {
  const CaseRun run = runCase(L"");
  ASSERT_EQ(run.exitCode, 0u) << run.out;
  EXPECT_EQ(run.out.rfind("Package Natural Gas, 230.00 K", 0), 0u) << run.out.substr(0, 200);
  size_t packages = 0;
  for (size_t at = run.out.find("Package "); at != std::string::npos; at = run.out.find("Package ", at + 1)) ++packages;
  EXPECT_EQ(packages, 1u);
  EXPECT_NE(run.out.find("\nSave and recall: 24 lines of host variables saved"), std::string::npos);
  EXPECT_NE(run.out.find("fugacity kPa"), std::string::npos);
  EXPECT_NE(run.out.find("Critical point "), std::string::npos);
  EXPECT_NE(run.out.find("Cricondenbar "), std::string::npos);
  EXPECT_NE(run.out.find("Cricondentherm "), std::string::npos);
  EXPECT_EQ(run.out.find("Recalled"), std::string::npos);
}

TEST(MainJob, HelpAndUnknownOptions) {
  const CaseRun help = runCase(L"--help");
  EXPECT_EQ(help.exitCode, 0u);
  EXPECT_NE(help.out.find("usage: orvex-case"), std::string::npos);
  const CaseRun unknown = runCase(L"--jsn", Errors::Collected);
  EXPECT_EQ(unknown.exitCode, 2u);
  EXPECT_NE(unknown.out.find("unknown option or extra argument \"--jsn\""), std::string::npos) << unknown.out;
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
  std::ofstream(path) << "{\"components\": [\n  {\"name\": \"Methane\", \"x\": 1},\n  {\"name\": 7}]}";
  const CaseRun run = runCase(std::wstring(L"\"") + path + L"\"", Errors::Collected);
  EXPECT_EQ(run.exitCode, 2u);
  // Where the fault is: the file and the component.
  EXPECT_NE(run.out.find("mainjob-bad.json: component 2: \"name\" must be a string"), std::string::npos) << run.out;
  DeleteFileW(path);
}

}  // namespace
