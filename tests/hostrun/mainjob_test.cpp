// The main job end to end: orvex-case.exe run as its own process on the built-in natural-gas case
// and on case files, its JSON read back and checked against the laws the results must obey.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "Json.h"
#include "Text.h"

namespace {

struct CaseRun {
  DWORD exitCode = 99;
  std::string out;
};

std::wstring runnerPath() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.rfind(L'\\'));                   // tests\hostrun
  path.resize(path.rfind(L'\\'));                   // tests
  path.resize(path.rfind(L'\\'));                   // the build folder
  return path + L"\\counterparts\\hostrun\\orvex-case.exe";
}

// Runs the case runner with the arguments; its standard output is collected.
CaseRun runCase(const std::wstring& arguments) {
  CaseRun run;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return run;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring command = L"\"" + runnerPath() + L"\" " + arguments;
  PROCESS_INFORMATION pi{};
  const BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) run.out.append(buffer, got);
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(readEnd);
  return run;
}

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
