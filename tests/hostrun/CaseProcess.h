#pragma once
// The case runner (orvex-case.exe of this build) run as its own process, as a user runs it.
#include <windows.h>

#include <string>

namespace hostrun_test {

struct CaseRun {
  DWORD exitCode = 99;
  std::string out;
};

std::wstring runnerPath();
// Runs the case runner with the arguments; its standard output is collected.
CaseRun runCase(const std::wstring& arguments);

}  // namespace hostrun_test
