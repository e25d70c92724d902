#include "counterparts/prthermo/Faults.h"

#include <windows.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "counterparts/common/PackageError.h"
#include "support/Text.h"

namespace prthermo {

using counterpart::fail;

namespace {

// A write through a pointer the optimiser cannot see through.
void accessViolation() {
  int* volatile invalid = reinterpret_cast<int*>(static_cast<uintptr_t>(0x10));
  *invalid = 1;
}

}  // namespace

void enterFaultyCall(const prcore::PackageDefinition& definition, const wchar_t* operation) {
  using prcore::Misbehaviour;
  switch (definition.misbehaviour) {
    case Misbehaviour::SlowCall: Sleep(definition.delayMs); break;
    case Misbehaviour::ErrorWithDetails:
      fail(E_FAIL, support::widen(definition.name) + L" fails " + operation + L" on purpose");
    case Misbehaviour::CppException:
      throw std::runtime_error(definition.name + " throws from " + support::narrow(operation) + " on purpose");
    case Misbehaviour::AccessViolation: accessViolation(); break;
    case Misbehaviour::CalcPropAccessViolation:
      if (std::wstring(operation) == L"CalcProp") accessViolation();
      break;
    default: break;
  }
}

void escapeUncaught(const prcore::PackageDefinition& definition, const wchar_t* operation) {
  if (definition.misbehaviour == prcore::Misbehaviour::UncaughtException)
    throw std::runtime_error(definition.name + " lets an exception out of " + support::narrow(operation));
}

void spoilValues(prcore::Misbehaviour misbehaviour, std::vector<double>& values) {
  using prcore::Misbehaviour;
  switch (misbehaviour) {
    case Misbehaviour::NaNValues:
      for (double& v : values) v = std::numeric_limits<double>::quiet_NaN();
      break;
    case Misbehaviour::InfValues:
      for (double& v : values) v = std::numeric_limits<double>::infinity();
      break;
    case Misbehaviour::NegativeValues:
      for (double& v : values) v = v == 0 ? -1.0 : -std::fabs(v);
      break;
    case Misbehaviour::WrongArraySize:
      if (!values.empty()) values.pop_back();
      break;
    default: break;
  }
}

}  // namespace prthermo
