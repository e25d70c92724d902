#pragma once
// Plain rules shared by the calculation requests and the work on the caller's thread.
#include <cmath>
#include <cwchar>

#include "bridge/CallParameters.h"

namespace request_rules {

// Request tracing (the inputs and results of every request in the trace file) is a build-time
// switch of the product; it is off.
inline bool tracingRequests() { return false; }

inline bool outsideCalcRange(double temperature, double pressurePa) {
  return !(temperature >= 8.0 && temperature <= 5000.0 && pressurePa >= 0.01);
}

inline bool present(const int* types, int k) { return types[k] != bridge::HOST_PHASE_ABSENT; }

// Every phase a request names needs its composition: the material object would otherwise keep
// the previous request's.
inline bool presentRowsGiven(double* const* compositions, const int* types, int slots) {
  for (int k = 0; k < slots; ++k)
    if (types[k] != bridge::HOST_PHASE_ABSENT && !compositions[k]) return false;
  return true;
}

inline bool sameComposition(const double* a, const double* b, int n, double tolerance) {
  for (int i = 0; i < n; ++i)
    if (!(std::fabs(a[i] - b[i]) <= tolerance)) return false;
  return true;
}

inline bool named(const wchar_t* property, const wchar_t* name) { return property && wcscmp(property, name) == 0; }
// Properties read back as K-values (the others as coefficients of each phase).
inline bool isKValueProperty(const wchar_t* property) {
  return named(property, L"kvalues") || named(property, L"logkvalues");
}

}  // namespace request_rules
