#include "ids/MathUtils.h"

#include <cmath>

double MathUtils::safeExp(double x) {
  if (x <= kLogMin) return kTiny;
  if (x >= kLogMax) return kHuge;
  return std::exp(x);
}

double MathUtils::safeLog(double x) {
  if (x <= kTiny) return kLogMin;
  if (x >= kHuge) return kLogMax;
  return std::log(x);
}
