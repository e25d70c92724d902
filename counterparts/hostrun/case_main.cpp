// orvex-case: runs a case through the product as the host simulator would.
//
//   orvex-case [CASE.json] [--json] [--recall SAVEFILE]
//
// Without a case file the built-in natural-gas case runs. --json prints the results as JSON
// instead of a table; --recall recalls a case saved by an earlier run (its host variables) into a
// new extension instead of choosing a package; the recalled case is saved again beside the save file
// (".recalled"), and the saving run compares the two: every host variable must come back as it was.
// The exit code is 0 when every operation succeeded.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <algorithm>

#include "Case.h"
#include "Operations.h"
#include "Raii.h"
#include "Report.h"
#include "Session.h"
#include "Text.h"

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
};

bool parseArguments(int argc, wchar_t** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    if (a == L"--json") {
      o.json = true;
    } else if (a == L"--recall" && i + 1 < argc) {
      o.recallPath = support::narrow(argv[++i]);
    } else if (!a.empty() && a[0] != L'-' && o.casePath.empty()) {
      o.casePath = support::narrow(a);
    } else {
      std::fprintf(stderr, "usage: orvex-case [CASE.json] [--json] [--recall SAVEFILE]\n");
      return false;
    }
  }
  return true;
}

// The saved case recalled by a new process of this program, as the host does when it opens a case.
bool recallInNewProcess(const Options& o, const std::string& savePath, hostrun::CaseResults& r) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\"";
  if (!o.casePath.empty()) command += L" \"" + support::widen(o.casePath) + L"\"";
  command += L" --recall \"" + support::widen(savePath) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    r.failures.push_back("cannot start the recall process");
    return false;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
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

// The case as saved and as its recall in the new process saved it again: line by line equal.
void compareWithRecalled(const std::string& savePath, hostrun::CaseResults& r) {
  const std::vector<std::string> saved = linesOf(savePath), again = linesOf(recalledSavePath(savePath));
  size_t differing = 0;
  for (size_t i = 0; i < std::max(saved.size(), again.size()); ++i) {
    const std::string a = i < saved.size() ? saved[i] : "(none)", b = i < again.size() ? again[i] : "(none)";
    if (a != b && ++differing <= 3) r.failures.push_back("recalled case differs: '" + a + "' became '" + b + "'");
  }
  if (saved.empty()) r.failures.push_back("the saved case is empty");
  if (differing == 0 && !saved.empty())
    std::fprintf(stderr, "  the recalled case saved the same %zu lines\n", saved.size());
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
    std::printf("Recalled %s: package %s with %d components\n", o.recallPath.c_str(), support::narrow(r.package).c_str(),
                session.count());
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
      if (session.save(c.saveTo, error)) {
        if (recallInNewProcess(o, c.saveTo, r)) compareWithRecalled(c.saveTo, r);
      } else
        r.failures.push_back(error);
    }
  }
  session.terminate();
  if (o.json)
    std::printf("%s\n", hostrun::resultsJson(r, hostrun::shownMessages()).text(2).c_str());
  else
    hostrun::printTable(r);
  return r.failures.empty() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options o;
  if (!parseArguments(argc, argv, o)) return 2;
  support::ComApartment apartment;
  if (FAILED(apartment.result())) {
    std::fprintf(stderr, "COM could not be initialised\n");
    return 2;
  }
  return run(o);
}
