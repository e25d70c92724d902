#pragma once
// The deliberate faults of the misbehaving packages, where a calculation member shows them.
#include <string>
#include <vector>

#include "counterparts/prthermo/core/PackageFile.h"

namespace prthermo {

// At the start of a calculation member: waits (slowCall), fails with E_FAIL and error details
// (errorWithDetails), throws a C++ exception that the member's COM boundary catches
// (cppException), or dereferences an invalid pointer, which nothing catches (accessViolation).
void enterFaultyCall(const prcore::PackageDefinition& definition, const wchar_t* operation);

// Before a calculation member's COM boundary: an uncaughtException package throws a C++
// exception out of the member, as a package without a boundary of its own would.
void escapeUncaught(const prcore::PackageDefinition& definition, const wchar_t* operation);

// Spoils computed values: NaN, infinite, negative, or one element short (wrongArraySize).
void spoilValues(prcore::Misbehaviour misbehaviour, std::vector<double>& values);

// The boiling temperature a hugeBoilingPoints package reports, K.
constexpr double kHugeBoilingPoint = 1e35;

}  // namespace prthermo
