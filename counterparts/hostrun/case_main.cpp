// orvex-case: runs a case through the product as the host simulator would.
//
//   orvex-case [CASE.json] [--json] [--recall SAVEFILE] [--help]
//
// Without a case file the built-in natural-gas case runs. --json prints the results as JSON
// instead of a table; --recall recalls a case saved by an earlier run (its host variables) into a
// new extension instead of choosing a package, flashes it and saves it again beside the save file
// (".recalled"). The saving run compares the two (every host variable must come back as it was)
// and the recalled flash with its own, and reports both in one line.
// The exit code is 0 when every operation succeeded, 1 when one failed, 2 for bad arguments or a
// bad case file.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include "counterparts/hostrun/Case.h"
#include "counterparts/hostrun/Operations.h"
#include "support/Raii.h"
#include "counterparts/hostrun/Report.h"
#include "counterparts/hostrun/Session.h"
#include "support/Text.h"

// The product hands its message boxes here instead of opening them.
extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND, const wchar_t* text, const wchar_t* caption,
                                                                 unsigned) {
  const std::string c = support::narrow(caption ? caption : L""), t = support::narrow(text ? text : L"");
  std::fprintf(stderr, "\n>>> message from the property package extension [%s]\n%s\n<<<\n", c.c_str(), t.c_str());
  hostrun::shownMessages().push_back({c, t});
  return IDOK;
}

namespace {

struct Options {
  std::string casePath;
  std::string recallPath;
  bool json = false;
  bool help = false;
};

const char kUsage[] = "usage: orvex-case [CASE.json] [--json] [--recall SAVEFILE] [--help]\n";

const char kHelp[] =
    "Runs a case through the CAPE-OPEN property package extension as the host simulator does.\n"
    "\n"
    "  CASE.json         the case to run (without it: a natural gas at 230 K and 3000 kPa on the\n"
    "                    \"Natural Gas\" package); see data/cases/ for examples\n"
    "  --json            print the results as JSON instead of tables\n"
    "  --recall FILE     recall a saved case into a new extension, flash it and save it again\n"
    "  --help            this text\n"
    "\n"
    "Operations of a case: flash (with a second liquid when the feed splits), bubblePoint,\n"
    "properties, fugacities, transport, orderPhases, envelope (the whole phase envelope with its\n"
    "critical point, cricondenbar and cricondentherm, plotted as SVG), save (saved, recalled in a\n"
    "new process and compared).\n"
    "Exit code: 0 when every operation succeeded, 1 when one failed, 2 for bad arguments or a bad\n"
    "case file.\n";

bool parseArguments(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--json") {
      o.json = true;
    } else if (a == L"--help" || a == L"-h") {
      o.help = true;
    } else if (a == L"--recall" && i + 1 < argc) {
      o.recallPath = support::narrow(argv[++i]);
    } else if (!a.empty() && a[0] != L'-' && o.casePath.empty()) {
      o.casePath = support::narrow(a);
    } else {
      std::fprintf(stderr, "orvex-case: unknown option or extra argument \"%s\"\n%s", support::narrow(a).c_str(), kUsage);
      return false;
    }
  }
  return true;
}

// The saved case recalled by a new process of this program, as the host does when it opens a case;
// its JSON results (standard output) are collected, its messages go to this program's stderr.
bool recallInNewProcess(const Options& o, const std::string& savePath, std::string& output,
                        hostrun::CaseResults& r) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\"";
  if (!o.casePath.empty()) command += L" \"" + support::widen(o.casePath) + L"\"";
  command += L" --json --recall \"" + support::widen(savePath) + L"\"";
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readRaw = nullptr, writeRaw = nullptr;
  const bool piped = CreatePipe(&readRaw, &writeRaw, &sa, 0);
  support::Handle readEnd(readRaw), writeEnd(writeRaw);
  if (!piped || !SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0)) {
    r.failures.push_back("cannot make a pipe for the recall process");
    return false;
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd.get();
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    r.failures.push_back("cannot start the recall process");
    return false;
  }
  support::Handle process(pi.hProcess), thread(pi.hThread);
  writeEnd.reset();  // the child holds the only write end: reading ends when it exits
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) output.append(buffer, got);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  if (code != 0) r.failures.push_back("the recalled case failed in its new process (exit code " + std::to_string(code) + ")");
  return code == 0;
}

std::string recalledSavePath(const std::string& savePath) { return savePath + ".recalled"; }

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The case as saved and as its recall in the new process saved it again: line by line equal; and
// the recalled case's flash against this one's. One line for the user, or failures.
void compareWithRecalled(const std::string& savePath, const std::string& recalledOutput, hostrun::CaseResults& r) {
  const std::vector<std::string> saved = linesOf(savePath), again = linesOf(recalledSavePath(savePath));
  size_t differing = 0;
  for (size_t i = 0; i < std::max(saved.size(), again.size()); ++i) {
    const std::string a = i < saved.size() ? saved[i] : "(none)", b = i < again.size() ? again[i] : "(none)";
    if (a != b && ++differing <= 3) r.failures.push_back("recalled case differs: '" + a + "' became '" + b + "'");
  }
  if (saved.empty()) r.failures.push_back("the saved case is empty");
  const nlohmann::json recalled = nlohmann::json::parse(recalledOutput, nullptr, false);
  if (!recalled.is_object() || !recalled.contains("vapourFraction") || !recalled.at("vapourFraction").is_number()) {
    r.failures.push_back("the recalled case gave no flash result");
    return;
  }
  const double v = recalled.at("vapourFraction").get<double>();
  char flash[160];
  std::snprintf(flash, sizeof flash, "flashes to vapour fraction %.8f", v);
  if (r.flashed && std::fabs(v - r.flash.vapourFraction) > 1e-8) {
    r.failures.push_back(std::string("the recalled case ") + flash + ", this one to " + std::to_string(r.flash.vapourFraction));
    return;
  }
  if (differing != 0 || saved.empty()) return;
  r.recall = "Save and recall: " + std::to_string(saved.size()) + " lines of host variables saved to " + savePath +
             "; the case recalled in a new process saves the same lines and " + flash +
             (r.flashed ? ", as here" : "");
}

int run(const Options& o) {
  hostrun::Case c;
  try {
    c = o.casePath.empty() ? hostrun::defaultCase() : hostrun::readCase(o.casePath);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "case: %s\n", e.what());
    return 2;
  }
  const bool recalling = !o.recallPath.empty();
  hostrun::Session session(c);
  std::string error;
  if (!(recalling ? session.startRecalled(o.recallPath, error) : session.startNew(error))) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  hostrun::CaseResults r;
  r.package = session.packageName();
  r.components = session.hostComponents();
  r.temperature = c.temperature;
  r.pressure = c.pressure;
  hostrun::Operations ops(session, c.temperature, c.pressure);
  if (recalling) {
    ops.flash(r);
    if (!session.save(recalledSavePath(o.recallPath), error)) r.failures.push_back(error);
  } else {
    if (c.wants("flash")) ops.flash(r);
    if (c.wants("bubblePoint")) ops.bubblePointGuess(r);
    if (c.wants("properties")) ops.phaseProperties(r);
    if (c.wants("fugacities")) ops.fugacities(r);
    if (c.wants("transport")) ops.transport(r);
    if (c.wants("orderPhases")) ops.orderPhases(r);
    if (c.wants("envelope") && ops.envelope(r, c.envelope.pFrom, c.envelope.pTo, c.envelope.points)) {
      std::ofstream(c.envelope.svg) << hostrun::envelopeSvg(r.envelope, "Phase envelope, " + support::narrow(r.package));
      std::fprintf(stderr, "  envelope plot written to %s\n", c.envelope.svg.c_str());
    }
    if (c.wants("save")) {
      std::string recalledOutput;
      if (session.save(c.saveTo, error)) {
        if (recallInNewProcess(o, c.saveTo, recalledOutput, r)) compareWithRecalled(c.saveTo, recalledOutput, r);
      } else
        r.failures.push_back(error);
    }
  }
  session.terminate();
  if (o.json)
    std::printf("%s\n", hostrun::resultsJson(r, hostrun::shownMessages()).dump(2).c_str());
  else
    hostrun::printTable(r);
  return r.failures.empty() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  if (!parseArguments(argc, argv, o)) return 2;
  if (o.help) {
    std::printf("%s\n%s", kUsage, kHelp);
    return 0;
  }
  support::ComApartment apartment;
  if (FAILED(apartment.result())) {
    std::fprintf(stderr, "COM could not be initialised\n");
    return 2;
  }
  return run(o);
}
