#pragma once
// Bounded exponential and logarithm. Their saturation values double as markers: a value equal
// to one of them is not scaled by the unit conversions.

class MathUtils {
 public:
  static constexpr double kHuge = 1e30;         // safeExp's upper saturation
  static constexpr double kTiny = 1e-30;        // safeExp's lower saturation
  static constexpr double kLogMax = 70.0;       // safeLog's upper saturation
  static constexpr double kLogMin = -70.0;      // safeLog's lower saturation
  static constexpr double kUnset = -32767.0;    // a component constant that was never set

  // 1e-30 for x <= -70, 1e30 for x >= 70, else exp(x). NaN stays NaN.
  static double safeExp(double x);
  // -70 for x <= 1e-30 (zero and negatives included), 70 for x >= 1e30, else ln(x). NaN stays NaN.
  static double safeLog(double x);

  static bool isSpecial(double x) { return x == kHuge || x == kTiny || x == kLogMax || x == kLogMin; }
  // The exponential's saturation values only (1e30, 1e-30).
  static bool isExpBound(double x) { return x == kHuge || x == kTiny; }
};
