#pragma once
// The case runner (orvex-case.exe of this build) run as its own process, as a user runs it.
#include <windows.h>

#include <string>

namespace hostrun_test {

struct CaseRun {
  DWORD exitCode = 99;
  std::string out;
};

enum class Errors { Inherited, Collected };

std::wstring runnerPath();
// Runs the case runner with the arguments; its standard output is collected, and its standard
// error with it when asked.
CaseRun runCase(const std::wstring& arguments, Errors errors = Errors::Inherited);

}  // namespace hostrun_test
