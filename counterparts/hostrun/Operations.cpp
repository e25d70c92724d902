#include "counterparts/hostrun/Operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "support/Text.h"

namespace hostrun {

namespace {

// The three per-phase arrays the raw interface takes.
struct Compositions {
  std::vector<double> slot[3];
  double* pointers[3];
  explicit Compositions(size_t n) {
    for (int i = 0; i < 3; ++i) {
      slot[i].assign(n, 0.0);
      pointers[i] = slot[i].data();
    }
  }
  Compositions(const std::vector<double>& s0, const std::vector<double>& s1, const std::vector<double>& s2)
      : Compositions(s0.size()) {
    set(0, s0);
    set(1, s1);
    if (!s2.empty()) set(2, s2);
  }
  // The flash's vapour in slot 0, liquid in slot 1 and second liquid in slot 2.
  explicit Compositions(const FlashResult& f) : Compositions(f.y, f.x, f.x2) {}
  void set(int s, const std::vector<double>& values) {
    slot[s] = values;
    pointers[s] = slot[s].data();
  }
};

// The flash's phases as the host hands them over: compositions, phase types and fractions.
struct FlashPhases {
  Compositions c;
  int types[3];
  double fractions[3];
  explicit FlashPhases(const FlashResult& f)
      : c(f),
        types{f.vapourFraction > 0 ? kVapour : kAbsent, f.liquidFraction() > 0 ? kLiquid : kAbsent,
              f.twoLiquids() && f.liquid2Fraction > 0 ? kLiquid : kAbsent},
        fractions{f.vapourFraction, f.liquidFraction(), f.liquid2Fraction} {}
};

std::vector<double> exponentials(const std::vector<double>& logs) {
  std::vector<double> values(logs.size());
  for (size_t i = 0; i < logs.size(); ++i) values[i] = std::exp(logs[i]);
  return values;
}

}  // namespace

bool Operations::kValues(double t, double p, const std::vector<double>& x, const std::vector<double>& y,
                         std::vector<double>& K, std::string& failure) {
  Compositions c(y, x, {});
  std::vector<double> lnK(x.size(), std::nan(""));
  ++m_kValueRequests;
  const HRESULT hr = m_s.package()->ComputeKFactorsVL(t, p, c.pointers, lnK.data());
  if (FAILED(hr)) {
    failure = "ComputeKFactorsVL failed: " + hresultText(hr);
    return false;
  }
  K = exponentials(lnK);
  return true;
}

bool Operations::threePhaseKValues(const std::vector<double>& y, const std::vector<double>& x1,
                                   const std::vector<double>& x2, std::vector<double>& K1, std::vector<double>& K2,
                                   std::string& failure) {
  Compositions c(y, x1, x2);
  int types[3] = {kVapour, kLiquid, kLiquid};
  std::vector<double> lnK1(y.size(), std::nan("")), lnK2(y.size(), std::nan(""));
  double* results[2] = {lnK1.data(), lnK2.data()};
  ++m_kValueRequests;
  const HRESULT hr = m_s.package()->ComputeKFactors(m_t, m_p, c.pointers, types, results);
  if (FAILED(hr)) {
    failure = "ComputeKFactors on two liquids failed: " + hresultText(hr);
    return false;
  }
  K1 = exponentials(lnK1);
  K2 = exponentials(lnK2);
  return true;
}

bool Operations::wilsonStartK(std::vector<double>& K, std::string& failure) {
  K.resize(m_s.feed().size());
  for (size_t i = 0; i < K.size(); ++i) {
    double lnK = 0;
    const HRESULT hr = m_s.package()->InitializeKFactors(static_cast<int>(i), m_t, m_p, 0, &lnK);
    if (FAILED(hr)) {
      failure = "InitializeKFactors failed: " + hresultText(hr);
      return false;
    }
    K[i] = std::exp(lnK);
  }
  return true;
}

// The phase under test is the vapour when there is one (a trial liquid w beside it and the liquid:
// ComputeKFactors gives K2 = phi(w) / phi(y), so W = y / K2), else the feed as a liquid
// (ComputeKFactorsLL gives phi(w) / phi(z)).
bool Operations::splitsIntoTwoLiquids(CaseResults& r) {
  const FlashResult& f = r.flash;
  const bool vapour = f.vapourFraction > 0;
  const std::vector<double>& reference = vapour ? f.y : m_s.feed();
  std::vector<std::vector<double>> present = {f.x};
  if (vapour) present.push_back(f.y);
  const Stability s = testStability(reference, present, [&](const std::vector<double>& w, std::vector<double>& K,
                                                               std::string& failure) {
    if (vapour) {
      std::vector<double> K1;
      return threePhaseKValues(f.y, f.x, w, K1, K, failure);  // K2 = phi(w) / phi(y)
    }
    Compositions c(reference, w, {});
    std::vector<double> lnK(w.size(), std::nan(""));
    ++m_kValueRequests;
    const HRESULT hr = m_s.package()->ComputeKFactorsLL(m_t, m_p, c.pointers, lnK.data());
    if (FAILED(hr)) failure = "ComputeKFactorsLL failed: " + hresultText(hr);
    K = exponentials(lnK);
    return SUCCEEDED(hr);
  });
  if (!s.failure.empty()) {
    r.failures.push_back("stability test: " + s.failure);
    return false;
  }
  r.stabilityTested = true;
  r.tangentPlane = s.trial.empty() ? 0 : s.tangentPlane;
  if (!s.unstable) return false;
  // The second liquid starts from the trial phase: K2 = y / w = K1 x / w.
  std::vector<double> K2(f.K.size());
  for (size_t i = 0; i < K2.size(); ++i) K2[i] = f.K[i] * f.x[i] / std::max(s.trial[i], 1e-300);
  FlashResult three = flashThreePhase(m_s.feed(), f.K, K2, [&](const std::vector<double>& y, const std::vector<double>& x1,
                                                                const std::vector<double>& x2, std::vector<double>& K1,
                                                                std::vector<double>& K2out, std::string& failure) {
    return threePhaseKValues(y, x1, x2, K1, K2out, failure);
  });
  if (!three.converged) {
    r.failures.push_back("three-phase flash: " + three.failure);
    return false;
  }
  three.iterations += f.iterations;
  r.flash = three;
  return true;
}

bool Operations::flash(CaseResults& r) {
  std::vector<double> start;
  std::string failure;
  if (!wilsonStartK(start, failure)) {
    r.failures.push_back(failure);
    return false;
  }
  r.flash = flashTP(m_s.feed(), start, [&](const std::vector<double>& x, const std::vector<double>& y,
                                          std::vector<double>& K, std::string& why) {
    return kValues(m_t, m_p, x, y, K, why);
  });
  r.flashed = r.flash.converged;
  if (!r.flashed) {
    r.failures.push_back("flash: " + r.flash.failure);
    return false;
  }
  if (m_s.canCalculateLLE()) splitsIntoTwoLiquids(r);
  listPhases(r);
  return r.failures.empty();
}

bool Operations::bubblePointGuess(CaseResults& r) {
  std::vector<double> z = m_s.feed();
  const HRESULT hr = m_s.package()->GuessBubblePointTemperature(m_p, z.data(), &r.bubblePointGuess);
  if (FAILED(hr)) r.failures.push_back("GuessBubblePointTemperature failed: " + hresultText(hr));
  return SUCCEEDED(hr);
}

void Operations::listPhases(CaseResults& r) {
  const FlashPhases f(r.flash);
  r.phases.clear();
  for (int slot = 0; slot < 3; ++slot) {
    if (f.types[slot] == kAbsent) continue;
    PhaseResult p;
    p.slot = slot;
    p.type = f.types[slot];
    p.fraction = f.fractions[slot];
    p.x = f.c.slot[slot];
    r.phases.push_back(p);
  }
}

// All four properties; a package that does not offer them all (the extension refuses the request
// and shows why) still gives the molar volumes, asked for alone.
bool Operations::phaseProperties(CaseResults& r) {
  if (!r.flashed) return false;
  FlashPhases f(r.flash);
  const double none = std::nan("");
  double h[4] = {}, s[4] = {}, cp[4] = {}, vm[4] = {};
  HRESULT hr = m_s.package()->ComputePhaseProperties(m_t, m_p, f.c.pointers, f.types, f.fractions, h, s, cp, vm);
  if (FAILED(hr)) {
    const HRESULT all = hr;
    hr = m_s.package()->ComputePhaseProperties(m_t, m_p, f.c.pointers, f.types, f.fractions, nullptr, nullptr, nullptr, vm);
    if (FAILED(hr)) {
      r.failures.push_back("ComputePhaseProperties failed: " + hresultText(all) + ", for the molar volume alone: " +
                           hresultText(hr));
      return false;
    }
    r.propertiesNote = "Phase properties: enthalpy, entropy and heat capacity refused (" + hresultText(all) +
                       "), molar volume alone given";
    for (int k = 0; k < 4; ++k) h[k] = s[k] = cp[k] = none;
  }
  for (PhaseResult& p : r.phases) {
    p.enthalpy = h[p.slot];
    p.entropy = s[p.slot];
    p.heatCapacity = cp[p.slot];
    p.molarVolume = vm[p.slot];
  }
  r.overallEnthalpy = h[3];
  r.overallEntropy = s[3];
  r.overallHeatCapacity = cp[3];
  r.overallMolarVolume = vm[3];
  r.hasProperties = true;
  return true;
}

bool Operations::fugacities(CaseResults& r) {
  if (r.phases.empty()) return false;
  const size_t n = m_s.feed().size();
  Compositions c(n), f(n);
  int types[3] = {kAbsent, kAbsent, kAbsent};
  for (const PhaseResult& p : r.phases) {
    types[p.slot] = p.type;
    c.set(p.slot, p.x);
  }
  const HRESULT hr = m_s.package()->ComputePhaseFugacities(m_t, m_p, c.pointers, types, f.pointers);
  if (FAILED(hr)) {
    r.failures.push_back("ComputePhaseFugacities failed: " + hresultText(hr));
    return false;
  }
  // The extension answers the natural logarithm of each fugacity in kPa.
  for (PhaseResult& p : r.phases) p.fugacity = exponentials(f.slot[p.slot]);
  return true;
}

bool Operations::transport(CaseResults& r) {
  bool all = true;
  for (PhaseResult& p : r.phases) {
    const double density = p.molarVolume > 0 ? 1.0 / p.molarVolume : 0;  // kmol/m3
    std::vector<double> x = p.x;
    HRESULT hr = m_s.package()->ComputePhaseViscosity(m_t, m_p, x.data(), density, p.type, &p.viscosity);
    if (SUCCEEDED(hr))
      hr = m_s.package()->ComputePhaseThermalConductivity(m_t, m_p, x.data(), density, p.type, &p.thermalConductivity);
    p.hasTransport = SUCCEEDED(hr);
    // E_NOTIMPL: the package does not offer the property; the host shows none.
    if (FAILED(hr) && hr != E_NOTIMPL) {
      r.failures.push_back("transport properties failed: " + hresultText(hr));
      all = false;
    }
  }
  if (r.flashed && r.flash.vapourFraction > 0 && r.flash.vapourFraction < 1) {
    Compositions c(r.flash);
    const HRESULT hr =
        m_s.package()->ComputeLiquidSurfaceTension(m_t, m_p, c.pointers, r.flash.vapourFraction, &r.surfaceTension);
    r.hasSurfaceTension = SUCCEEDED(hr);
    if (FAILED(hr) && hr != E_NOTIMPL) {
      r.failures.push_back("ComputeLiquidSurfaceTension failed: " + hresultText(hr));
      all = false;
    }
  }
  return all;
}

bool Operations::orderPhases(CaseResults& r) {
  if (!r.flashed) return false;
  FlashPhases f(r.flash);
  const HRESULT hr = m_s.package()->OrderPhases(m_t, m_p, f.c.pointers, f.types, f.fractions);
  if (FAILED(hr)) {
    r.failures.push_back("OrderPhases failed: " + hresultText(hr));
    return false;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%d %d %d (fractions %.6g %.6g %.6g)", f.types[0], f.types[1], f.types[2],
                f.fractions[0], f.fractions[1], f.fractions[2]);
  r.orderedPhases = text;
  return true;
}

// ---- Saturation points and the envelope ----
//
// Bubble point: sum(z K) = 1 with the incipient vapour y = z K / sum; dew point: sum(z / K) = 1
// with the incipient liquid x = (z / K) / sum. g = ln(sum) is close to linear in 1/T, so the first
// steps are Newton steps on 1/T with the incipient phase substituted after each; what they leave
// (slow near the critical point) a Newton on all ln K and ln T together finishes.

namespace {

constexpr int kSubstitutionSteps = 12;     // before the full Newton takes over
constexpr int kNewtonSteps = 25;
constexpr double kMaxLogTStep = 0.1;       // largest change of ln T in one step
constexpr double kMaxLogKStep = 0.5;       // largest change of any ln K in one full Newton step
constexpr double kWrongSlopeStep = 0.02;   // ln T step when the slope has the wrong sign
constexpr double kDifference = 1e-6;       // in ln T and ln K, for the difference quotients
constexpr double kTolerance = 1e-10;       // on the residuals and the incipient mole fractions
constexpr double kTrivialSpread = 1e-4;    // sum z (ln K)^2 below this: the incipient phase is the feed
constexpr double kTMin = 20, kTMax = 2000; // K

// Solves a x = b in place (a is m by m, row after row) by elimination with partial pivoting.
bool solveLinear(std::vector<double>& a, std::vector<double>& b) {
  const size_t m = b.size();
  for (size_t col = 0; col < m; ++col) {
    size_t pivot = col;
    for (size_t row = col + 1; row < m; ++row)
      if (std::fabs(a[row * m + col]) > std::fabs(a[pivot * m + col])) pivot = row;
    if (!(std::fabs(a[pivot * m + col]) > 1e-300)) return false;
    if (pivot != col) {
      for (size_t k = 0; k < m; ++k) std::swap(a[col * m + k], a[pivot * m + k]);
      std::swap(b[col], b[pivot]);
    }
    for (size_t row = col + 1; row < m; ++row) {
      const double f = a[row * m + col] / a[col * m + col];
      for (size_t k = col; k < m; ++k) a[row * m + k] -= f * a[col * m + k];
      b[row] -= f * b[col];
    }
  }
  for (size_t col = m; col-- > 0;) {
    for (size_t k = col + 1; k < m; ++k) b[col] -= a[col * m + k] * b[k];
    b[col] /= a[col * m + col];
  }
  return std::all_of(b.begin(), b.end(), [](double v) { return std::isfinite(v); });
}

double maxChange(const std::vector<double>& a, const std::vector<double>& b) {
  double change = 0;
  for (size_t i = 0; i < a.size(); ++i) change = std::max(change, std::fabs(a[i] - b[i]));
  return change;
}

void normalise(std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  if (sum > 0)
    for (double& x : v) x /= sum;
}

std::string feedText(const std::vector<std::wstring>& names, const std::vector<double>& z) {
  std::string text;
  char value[32];
  for (size_t i = 0; i < names.size() && i < z.size(); ++i) {
    std::snprintf(value, sizeof value, " %.3g", z[i]);
    text += (i ? ", " : "") + support::narrow(names[i]) + value;
  }
  return text;
}

}  // namespace

struct Operations::Sum {
  double g = 0;                // ln sum(z K) or ln sum(z / K)
  std::vector<double> next;    // the incipient phase the K-values give
  std::vector<double> lnK;
  double spread = 0;           // sum z (ln K)^2, zero at the trivial solution
};

// K-values at a bubble point (the feed is the liquid, the incipient phase the vapour) or a dew
// point (the other way round); false unless every one is positive and finite.
bool Operations::saturationKValues(double t, double p, bool bubble, const std::vector<double>& incipient,
                                   std::vector<double>& K) {
  const std::vector<double>& z = m_s.feed();
  std::string failure;
  if (!(bubble ? kValues(t, p, z, incipient, K, failure) : kValues(t, p, incipient, z, K, failure))) return false;
  return std::all_of(K.begin(), K.end(), [](double k) { return k > 0 && std::isfinite(k); });
}

bool Operations::saturationSum(double t, double p, bool bubble, const std::vector<double>& incipient, Sum& sum) {
  const std::vector<double>& z = m_s.feed();
  std::vector<double> K;
  if (!saturationKValues(t, p, bubble, incipient, K)) return false;
  sum.next.resize(z.size());
  sum.lnK.resize(z.size());
  sum.spread = 0;
  double total = 0;
  for (size_t i = 0; i < z.size(); ++i) {
    total += sum.next[i] = bubble ? z[i] * K[i] : z[i] / K[i];
    sum.lnK[i] = std::log(K[i]);
    sum.spread += z[i] * sum.lnK[i] * sum.lnK[i];
  }
  if (!(total > 0) || !std::isfinite(total)) return false;
  for (double& x : sum.next) x /= total;
  sum.g = std::log(total);
  return true;
}

// Successive substitution of the incipient phase, each step with a Newton step on 1/T (its slope
// by a difference quotient with the phase frozen). Converges from far but slowly near the
// critical point; it stops after a few steps and leaves the rest to the full Newton.
bool Operations::substitution(double p, bool bubble, Saturation& s, std::vector<double>& lnK, bool& converged) {
  // dg/d(1/T) is negative for a bubble point (K rises with T), positive for a dew point.
  const double slopeSign = bubble ? -1 : 1;
  converged = false;
  for (int step = 0; step < kSubstitutionSteps; ++step) {
    if (!(s.t > kTMin && s.t < kTMax)) return false;
    Sum at, warmer;
    if (!saturationSum(s.t, p, bubble, s.incipient, at) || at.spread < kTrivialSpread) return false;
    const double tWarmer = s.t * std::exp(kDifference);
    if (!saturationSum(tWarmer, p, bubble, s.incipient, warmer)) return false;
    const double beta = 1 / s.t, slope = (warmer.g - at.g) / (1 / tWarmer - beta);
    double logTStep;
    if (slope * slopeSign > 0) {
      const double betaNext = beta - at.g / slope;
      logTStep = betaNext > 0 ? -std::log(betaNext / beta) : kMaxLogTStep;
    } else {
      // Past a turning point of g: move the way the sign of g says, in small steps.
      logTStep = (at.g > 0) == bubble ? -kWrongSlopeStep : kWrongSlopeStep;
    }
    logTStep = std::clamp(logTStep, -kMaxLogTStep, kMaxLogTStep);
    const double change = maxChange(at.next, s.incipient);
    s.incipient = at.next;
    lnK = at.lnK;
    s.t *= std::exp(logTStep);
    if (std::fabs(at.g) < kTolerance && change < kTolerance && std::fabs(logTStep) < kTolerance) {
      converged = true;
      return true;
    }
  }
  return true;
}

// The full Newton's equations in u = (ln K, ln T): ln K - ln K(T, x, y) = 0 for every component
// and ln sum(y) = 0 (bubble, y = z K) or ln sum(x) = 0 (dew, x = z / K).
bool Operations::newtonResidual(double p, bool bubble, const std::vector<double>& u, std::vector<double>& F,
                                std::vector<double>& incipient) {
  const std::vector<double>& z = m_s.feed();
  const size_t n = z.size();
  incipient.resize(n);
  double total = 0;
  for (size_t i = 0; i < n; ++i) total += incipient[i] = bubble ? z[i] * std::exp(u[i]) : z[i] / std::exp(u[i]);
  if (!(total > 0) || !std::isfinite(total)) return false;
  for (double& x : incipient) x /= total;
  const double t = std::exp(u[n]);
  if (!(t > kTMin && t < kTMax)) return false;
  std::vector<double> K;
  if (!saturationKValues(t, p, bubble, incipient, K)) return false;
  F.resize(n + 1);
  for (size_t i = 0; i < n; ++i) F[i] = u[i] - std::log(K[i]);
  F[n] = std::log(total);
  return true;
}

// Newton on all of ln K and ln T together, the Jacobian by forward differences: converges in a
// few steps where substitution crawls (near the critical point).
bool Operations::newton(double p, bool bubble, Saturation& s, std::vector<double>& lnK) {
  const size_t n = lnK.size(), m = n + 1;
  std::vector<double> u = lnK, F, shifted, incipient, scratch;
  u.push_back(std::log(s.t));
  for (int step = 0; step < kNewtonSteps; ++step) {
    if (!newtonResidual(p, bubble, u, F, incipient)) return false;
    double worst = 0;
    for (double f : F) worst = std::max(worst, std::fabs(f));
    if (worst < kTolerance) {
      lnK.assign(u.begin(), u.begin() + static_cast<long>(n));
      s.t = std::exp(u[n]);
      s.incipient = incipient;
      return true;
    }
    std::vector<double> J(m * m);
    for (size_t k = 0; k < m; ++k) {
      std::vector<double> v = u;
      v[k] += kDifference;
      if (!newtonResidual(p, bubble, v, shifted, scratch)) return false;
      for (size_t row = 0; row < m; ++row) J[row * m + k] = (shifted[row] - F[row]) / kDifference;
    }
    std::vector<double> delta(m);
    for (size_t row = 0; row < m; ++row) delta[row] = -F[row];
    if (!solveLinear(J, delta)) return false;
    double largestLnK = 0;
    for (size_t i = 0; i < n; ++i) largestLnK = std::max(largestLnK, std::fabs(delta[i]));
    const double scale = std::min({1.0, kMaxLogTStep / std::max(std::fabs(delta[n]), 1e-300),
                                   kMaxLogKStep / std::max(largestLnK, 1e-300)});
    for (size_t k = 0; k < m; ++k) u[k] += scale * delta[k];
  }
  return false;
}

// A converged point counts when it is not the trivial solution and its K-values lean the way
// Wilson's do (the incipient vapour of a bubble point richer in the volatile components); past
// the critical point a bubble-point iteration would otherwise run on along the other curve.
bool Operations::physical(double p, const Saturation& s, const std::vector<double>& lnK) {
  const std::vector<double>& z = m_s.feed();
  std::vector<double> wilson;
  if (!wilsonLnK(s.t, p, wilson)) return false;
  double spread = 0, lean = 0;
  for (size_t i = 0; i < z.size(); ++i) {
    spread += z[i] * lnK[i] * lnK[i];
    lean += z[i] * lnK[i] * wilson[i];
  }
  return spread >= kTrivialSpread && lean > 0;
}

bool Operations::saturation(double p, bool bubble, Saturation& s) {
  if (s.incipient.size() != m_s.feed().size()) s.incipient = m_s.feed();
  std::vector<double> lnK;
  bool converged = false;
  if (!substitution(p, bubble, s, lnK, converged)) return false;
  if (!converged && !newton(p, bubble, s, lnK)) return false;
  return physical(p, s, lnK);
}

bool Operations::wilsonLnK(double t, double p, std::vector<double>& lnK) {
  lnK.resize(m_s.feed().size());
  for (size_t i = 0; i < lnK.size(); ++i)
    if (FAILED(m_s.package()->InitializeKFactors(static_cast<int>(i), t, p, 0, &lnK[i])) || !std::isfinite(lnK[i]))
      return false;
  return true;
}

// Wilson's ln K falls linearly with 1/T, so ln sum(z K) rises with T and ln sum(z / K) falls:
// bisection on ln T between the solver's limits (the sums taken in logarithms, as 1/K of a heavy
// component at the lowest temperature is out of range).
bool Operations::wilsonStart(double p, bool bubble, Saturation& s) {
  const std::vector<double>& z = m_s.feed();
  std::vector<double> lnK, terms(z.size());
  auto g = [&](double t, double& value) {
    if (!wilsonLnK(t, p, lnK)) return false;
    double largest = -HUGE_VAL;
    for (size_t i = 0; i < z.size(); ++i) {
      terms[i] = z[i] > 0 ? std::log(z[i]) + (bubble ? lnK[i] : -lnK[i]) : -HUGE_VAL;
      largest = std::max(largest, terms[i]);
    }
    double total = 0;
    for (double term : terms) total += std::exp(term - largest);
    value = largest + std::log(total);
    return std::isfinite(value);
  };
  double low = std::log(kTMin * 1.01), high = std::log(kTMax * 0.99), gLow = 0, gHigh = 0;
  if (!g(std::exp(low), gLow) || !g(std::exp(high), gHigh) || (gLow > 0) == (gHigh > 0)) return false;
  for (int i = 0; i < 60 && high - low > 1e-9; ++i) {
    const double mid = 0.5 * (low + high);
    double gMid = 0;
    if (!g(std::exp(mid), gMid)) return false;
    ((gMid > 0) == (gLow > 0) ? low : high) = mid;
  }
  s.t = std::exp(0.5 * (low + high));
  double value = 0;
  if (!g(s.t, value)) return false;
  s.incipient.resize(z.size());
  for (size_t i = 0; i < z.size(); ++i) s.incipient[i] = std::exp(terms[i] - value);
  normalise(s.incipient);
  return true;
}

// ---- The whole envelope by continuation ----
//
// Michelsen's method: the curve of incipient phase formation of the feed is followed in
// X = (ln K, ln T, ln P) with one variable specified at each point, the one changing fastest along
// the curve, so that the curve passes through the critical point (every ln K through zero) and on
// round the cricondenbar and cricondentherm. On the bubble side the feed is the liquid and the
// incipient phase y = z K the vapour; past the critical point y is the denser phase and the feed
// the vapour, so the package is asked with the roles exchanged (continuous at the critical point,
// where every K is 1). The exchange waits until both ways of asking agree at a converged point:
// near the critical point the package's root choice (largest root for the vapour, smallest for the
// liquid) differs between them where the cubic has three roots, and only the way the curve came
// by leads on along it.

namespace {

constexpr double kMaxCurveLogT = 0.02, kMaxCurveLogP = 0.1;   // largest step of ln T and ln P
constexpr double kMinCurveLogK = 0.02;                         // the steps of ln K near the critical point
constexpr double kCurveLogKShare = 0.2;                        // elsewhere this share of the largest |ln K|
constexpr double kCriticalApproach = 0.1;                     // largest |ln K| where the crossing is tried
constexpr int kCurveNewtonSteps = 12, kCurveSteps = 2000, kCurveHalvings = 8;

double largestAbs(const std::vector<double>& v, size_t count) {
  double m = 0;
  for (size_t i = 0; i < count; ++i) m = std::max(m, std::fabs(v[i]));
  return m;
}

// T and P (and the curve's parameter) on the parabola through three consecutive curve points at
// the extreme of one of them: ln P for the cricondenbar (which = 1), ln T for the cricondentherm (0).
// With interiorOnly a largest value at either end is no extreme (the branch was cut off there).
StatePoint extremeOf(const std::vector<StatePoint>& curve, int which, bool interiorOnly = false) {
  if (curve.empty()) return {};
  const auto value = [&](size_t i, int w) { return w == 0 ? std::log(curve[i].t) : std::log(curve[i].p); };
  size_t best = 0;
  for (size_t i = 1; i < curve.size(); ++i)
    if (value(i, which) > value(best, which)) best = i;
  if (best == 0 || best + 1 >= curve.size()) return interiorOnly ? StatePoint{} : curve[best];
  // Parameter: the distance along the curve in (ln T, ln P).
  const auto distance = [&](size_t a, size_t b) { return std::hypot(value(a, 0) - value(b, 0), value(a, 1) - value(b, 1)); };
  const double s0 = -distance(best - 1, best), s2 = distance(best, best + 1);
  const auto parabola = [&](int w, double& a, double& b, double& c) {
    const double f0 = value(best - 1, w), f1 = value(best, w), f2 = value(best + 1, w);
    // f = a s^2 + b s + c through (s0, f0), (0, f1), (s2, f2).
    c = f1;
    a = ((f2 - f1) / s2 - (f0 - f1) / s0) / (s2 - s0);
    b = (f2 - f1) / s2 - a * s2;
  };
  double a = 0, b = 0, c = 0;
  parabola(which, a, b, c);
  if (!(a < 0)) return curve[best];
  const double s = std::clamp(-b / (2 * a), s0, s2);
  double a2 = 0, b2 = 0, c2 = 0;
  parabola(1 - which, a2, b2, c2);
  const double extreme = a * s * s + b * s + c, other = a2 * s * s + b2 * s + c2;
  return which == 0 ? StatePoint{std::exp(extreme), std::exp(other)} : StatePoint{std::exp(other), std::exp(extreme)};
}

// Every variable of the curve at X[s] = target on the parabola (in X[s]) through three points.
std::vector<double> extrapolated(const std::vector<std::vector<double>>& points, size_t s, double target) {
  const std::vector<double>&a = points[points.size() - 3], &b = points[points.size() - 2], &c = points.back();
  const double sa = a[s], sb = b[s], sc = c[s];
  const double la = (target - sb) * (target - sc) / ((sa - sb) * (sa - sc));
  const double lb = (target - sa) * (target - sc) / ((sb - sa) * (sb - sc));
  const double lc = (target - sa) * (target - sb) / ((sc - sa) * (sc - sb));
  std::vector<double> x(c.size());
  for (size_t k = 0; k < x.size(); ++k) x[k] = la * a[k] + lb * b[k] + lc * c[k];
  x[s] = target;
  return x;
}

// Where a branch of the curve crosses pressure p: the segment (end - 1, end) and the share of the
// way along it (linear in ln P), with the temperature linear in ln T.
struct Crossing {
  double t = 0;
  size_t end = 0;
  double share = 0;
};

std::vector<Crossing> crossings(const std::vector<StatePoint>& branch, double p) {
  std::vector<Crossing> found;
  const double lnP = std::log(p);
  for (size_t i = 1; i < branch.size(); ++i) {
    const double a = std::log(branch[i - 1].p), b = std::log(branch[i].p);
    if ((lnP - a) * (lnP - b) > 0 || a == b) continue;
    if (lnP == b && i + 1 < branch.size()) continue;  // counted with the next segment
    const double r = (lnP - a) / (b - a);
    found.push_back({std::exp(std::log(branch[i - 1].t) + r * (std::log(branch[i].t) - std::log(branch[i - 1].t))), i, r});
  }
  return found;
}

// The direction along the curve at a converged point (J dX/dS = e_held), oriented the way the
// previous step went, or up in pressure from a branch's first point.
bool curveTangent(const std::vector<double>& J, size_t m, const std::vector<double>& previousStep,
                  std::vector<double>& v) {
  std::vector<double> A = J;
  v.assign(m, 0.0);
  v[m - 1] = 1;
  if (!solveLinear(A, v)) return false;
  if (!previousStep.empty()) {
    double dot = 0;
    for (size_t k = 0; k < m; ++k) dot += v[k] * previousStep[k];
    if (dot < 0)
      for (double& x : v) x = -x;
  } else if (v[m - 1] < 0) {
    for (double& x : v) x = -x;
  }
  return true;
}

// How far along the tangent the next point is predicted: no ln K, ln T or ln P moving more than
// its limit, scaled by what the last corrections allowed.
double curveStepLength(const std::vector<double>& X, const std::vector<double>& v, double allowance) {
  const size_t n = X.size() - 2;
  const double logKLimit = std::max(kMinCurveLogK, kCurveLogKShare * largestAbs(X, n));
  return std::min({logKLimit / std::max(largestAbs(v, n), 1e-300), kMaxCurveLogT / std::max(std::fabs(v[n]), 1e-300),
                   kMaxCurveLogP / std::max(std::fabs(v[n + 1]), 1e-300)}) *
         allowance;
}

// Longer steps after quick corrections, shorter after slow ones.
double nextAllowance(double allowance, int steps) {
  return steps <= 3 ? std::min(1.0, allowance * 1.5) : steps > 5 ? allowance / 2 : allowance;
}

std::vector<double> difference(const std::vector<double>& to, const std::vector<double>& from) {
  std::vector<double> d(to.size());
  for (size_t k = 0; k < d.size(); ++k) d[k] = to[k] - from[k];
  return d;
}

void progress(double done) {
  static int shown = -1;
  const int percent = static_cast<int>(std::clamp(done, 0.0, 1.0) * 100);
  if (percent == shown) return;
  shown = percent == 100 ? -1 : percent;
  const int width = 40, filled = percent * width / 100;
  std::fprintf(stderr, "\r  envelope [%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(width - filled), '.').c_str(), percent);
  if (percent == 100) std::fprintf(stderr, "\n");
  std::fflush(stderr);
}

}  // namespace

bool Operations::curveResidual(const std::vector<double>& X, size_t held, double heldValue, bool flipped,
                               std::vector<double>& F) {
  const size_t n = X.size() - 2;
  std::vector<double> u(X.begin(), X.begin() + static_cast<long>(n + 1)), incipient;
  if (flipped)
    for (size_t i = 0; i < n; ++i) u[i] = -u[i];
  if (!newtonResidual(std::exp(X[n + 1]), !flipped, u, F, incipient)) return false;
  if (flipped)
    for (size_t i = 0; i < n; ++i) F[i] = -F[i];
  F.push_back(X[held] - heldValue);
  return true;
}

bool Operations::bothWaysAgree(const std::vector<double>& X) {
  constexpr double kAgreement = 1e-9;
  std::vector<double> asCame, exchanged;
  if (!curveResidual(X, 0, X[0], false, asCame) || !curveResidual(X, 0, X[0], true, exchanged)) return false;
  for (size_t i = 0; i < asCame.size(); ++i)
    if (std::fabs(asCame[i] - exchanged[i]) > kAgreement) return false;
  return true;
}

// Newton on the curve's n + 2 equations with X[held] held at its predicted value; J is the
// Jacobian at the solution (for the next point's sensitivities).
bool Operations::curveNewton(std::vector<double>& X, size_t held, bool flipped, std::vector<double>& J, int& steps) {
  const size_t m = X.size(), n = m - 2;
  const double heldValue = X[held];
  std::vector<double> F, shifted;
  for (steps = 0; steps < kCurveNewtonSteps; ++steps) {
    if (!curveResidual(X, held, heldValue, flipped, F)) return false;
    J.assign(m * m, 0.0);
    for (size_t k = 0; k < m; ++k) {
      std::vector<double> v = X;
      v[k] += kDifference;
      if (!curveResidual(v, held, heldValue, flipped, shifted)) return false;
      for (size_t row = 0; row < m; ++row) J[row * m + k] = (shifted[row] - F[row]) / kDifference;
    }
    if (largestAbs(F, m) < kTolerance) return std::isfinite(X[n]) && largestAbs(X, n) > 0;
    std::vector<double> A = J, delta(m);
    for (size_t row = 0; row < m; ++row) delta[row] = -F[row];
    if (!solveLinear(A, delta)) return false;
    const double scale = std::min({1.0, kMaxLogTStep / std::max(std::fabs(delta[n]), 1e-300),
                                   kMaxLogTStep / std::max(std::fabs(delta[n + 1]), 1e-300),
                                   kMaxLogKStep / std::max(largestAbs(delta, n), 1e-300)});
    for (size_t k = 0; k < m; ++k) X[k] += scale * delta[k];
  }
  return false;
}

bool Operations::curveAdvance(const std::vector<double>& X, const std::vector<double>& v, double step, bool exchanged,
                              std::vector<double>& next, std::vector<double>& J, int& steps, size_t fallbackSpec) {
  const size_t m = X.size();
  for (int halving = 0; halving <= kCurveHalvings; ++halving, step /= 2) {
    next = X;
    size_t fastest = 0;
    for (size_t k = 0; k < m; ++k) {
      next[k] += step * v[k];
      if (std::fabs(v[k]) > std::fabs(v[fastest])) fastest = k;
    }
    const std::vector<double> predicted = next;
    std::vector<double> Jnext;
    if (curveNewton(next, fastest, exchanged, Jnext, steps)) {
      J = Jnext;
      return true;
    }
    next = predicted;
    if (fallbackSpec < m && fallbackSpec != fastest && curveNewton(next, fallbackSpec, exchanged, Jnext, steps)) {
      J = Jnext;
      return true;
    }
  }
  return false;
}

// A package whose bubble and dew curves never meet (an ideal solution) has its dew branch traced as
// a curve of its own: from the dew point at the lowest pressure, the package asked with the feed as
// the vapour, up until it is past the highest pressure (or stops, or turns onto the other side of
// a critical point it was not meant to reach). Its points are appended to the curve.
bool Operations::dewBranch(Envelope& e, std::vector<std::vector<double>>& states, std::vector<char>& asked,
                           double pFrom, double pTo, double& highestLnP) {
  const std::vector<double>& z = m_s.feed();
  const size_t n = z.size(), m = n + 2;
  Saturation first;
  if (!wilsonStart(pFrom, false, first) || !saturation(pFrom, false, first)) return false;
  std::vector<double> X(m), J;
  for (size_t i = 0; i < n; ++i) X[i] = std::log(first.incipient[i] / z[i]);
  X[n] = std::log(first.t);
  X[n + 1] = std::log(pFrom);
  int steps = 0;
  if (!curveNewton(X, n + 1, true, J, steps)) return false;
  const std::vector<double> side(X.begin(), X.begin() + static_cast<long>(n));
  const auto sameSide = [&](const std::vector<double>& x) {
    double s = 0;
    for (size_t i = 0; i < n; ++i) s += z[i] * x[i] * side[i];
    return s > 0;
  };
  const double lnPFrom = std::log(pFrom), lnPTo = std::log(pTo);
  highestLnP = X[n + 1];
  std::vector<double> previousStep, v, next;
  double allowance = 1;
  for (int point = 0; point <= kCurveSteps; ++point) {
    e.curve.push_back({std::exp(X[n]), std::exp(X[n + 1])});
    states.push_back(X);
    asked.push_back(1);
    highestLnP = std::max(highestLnP, X[n + 1]);
    progress(std::min(0.5 + 0.5 * (X[n + 1] - lnPFrom) / (lnPTo - lnPFrom), 0.99));
    if (X[n + 1] > lnPTo + 1 || X[n + 1] < lnPFrom - 1) break;
    if (!curveTangent(J, m, previousStep, v)) break;
    // Where holding the fastest-changing ln K leaves the equations singular (seen for a component
    // far above its critical point), the pressure is held instead.
    if (!curveAdvance(X, v, curveStepLength(X, v, allowance), true, next, J, steps, n + 1) || !sameSide(next)) break;
    allowance = nextAllowance(allowance, steps);
    previousStep = difference(next, X);
    X = next;
  }
  return true;
}

bool Operations::envelope(CaseResults& r, double pFrom, double pTo, int points) {
  r.envelope = Envelope{};
  Envelope& e = r.envelope;
  e.feed = feedText(m_s.hostComponents(), m_s.feed());
  const long requests = m_kValueRequests;
  const std::vector<double>& z = m_s.feed();
  const size_t n = z.size(), m = n + 2;
  progress(0);
  // The first point: the bubble point at the lowest pressure of the grid.
  Saturation first;
  if (!wilsonStart(pFrom, true, first) || !saturation(pFrom, true, first)) {
    progress(1);
    r.failures.push_back("envelope: no bubble point at " + std::to_string(pFrom) + " kPa to start from");
    return false;
  }
  std::vector<double> X(m);
  for (size_t i = 0; i < n; ++i) X[i] = std::log(first.incipient[i] / z[i]);
  X[n] = std::log(first.t);
  X[n + 1] = std::log(pFrom);
  // Which side of the critical point a state is on: its ln K against the first point's.
  const std::vector<double> side(X.begin(), X.begin() + static_cast<long>(n));
  const auto flippedAt = [&](const std::vector<double>& x) {
    double s = 0;
    for (size_t i = 0; i < n; ++i) s += z[i] * x[i] * side[i];
    return s < 0;
  };
  std::vector<double> J;
  int steps = 0;
  size_t held = n + 1;
  if (!curveNewton(X, held, false, J, steps)) {
    progress(1);
    r.failures.push_back("envelope: the first point does not converge");
    return false;
  }
  e.curve.push_back({std::exp(X[n]), std::exp(X[n + 1])});
  std::vector<std::vector<double>> states = {X};  // the full state of every curve point
  std::vector<char> asked = {0};                  // and whether it was asked with the roles exchanged
  e.criticalIndex = SIZE_MAX;
  std::vector<double> previousStep;
  std::vector<std::vector<double>> history = {X};  // the last three converged points
  bool exchanged = false;  // the package asked with the feed as the vapour
  double allowance = 1, done = 0, highestLnP = X[n + 1];
  const double lnPFrom = std::log(pFrom), lnPTo = std::log(pTo);
  for (int point = 0; point < kCurveSteps; ++point) {
    // Sensitivities along the curve: J dX/dS = e_held, then the fastest-changing variable is the
    // next one specified.
    std::vector<double> v;
    if (!curveTangent(J, m, previousStep, v)) break;
    const double step = curveStepLength(X, v, allowance);
    std::vector<double> next;
    bool converged = false;
    // Close to the critical point: across it in one step, every ln K to the mirror of its value.
    if (e.criticalIndex == SIZE_MAX && largestAbs(X, n) < kCriticalApproach && history.size() >= 3) {
      for (double share : {1.0, 0.5}) {
        size_t widest = 0;
        for (size_t i = 1; i < n; ++i)
          if (std::fabs(X[i]) > std::fabs(X[widest])) widest = i;
        next = extrapolated(history, widest, -share * X[widest]);
        std::vector<double> Jnext;
        if (curveNewton(next, widest, exchanged, Jnext, steps) && flippedAt(next)) {
          const std::vector<double> c = extrapolated({history[history.size() - 2], X, next}, widest, 0);
          e.critical = {std::exp(c[n]), std::exp(c[n + 1])};
          e.criticalIndex = e.curve.size();
          J = Jnext;
          converged = true;
          break;
        }
      }
    }
    if (!converged && !curveAdvance(X, v, step, exchanged, next, J, steps)) break;
    allowance = nextAllowance(allowance, steps);
    previousStep = difference(next, X);
    // Every ln K changing sign: the critical point lies between the two points.
    if (e.criticalIndex == SIZE_MAX && flippedAt(next) != flippedAt(X)) {
      size_t widest = 0;
      for (size_t i = 0; i < n; ++i)
        if (std::fabs(next[i] - X[i]) > std::fabs(next[widest] - X[widest])) widest = i;
      const double share = X[widest] / (X[widest] - next[widest]);
      e.critical = {std::exp(X[n] + share * (next[n] - X[n])), std::exp(X[n + 1] + share * (next[n + 1] - X[n + 1]))};
      e.criticalIndex = e.curve.size();
    }
    X = next;
    history.push_back(X);
    if (history.size() > 3) history.erase(history.begin());
    e.curve.push_back({std::exp(X[n]), std::exp(X[n + 1])});
    states.push_back(X);
    asked.push_back(exchanged ? 1 : 0);
    if (e.criticalIndex != SIZE_MAX && !exchanged) exchanged = bothWaysAgree(X);
    highestLnP = std::max(highestLnP, X[n + 1]);
    const double along = e.criticalIndex == SIZE_MAX
                             ? 0.5 * (X[n + 1] - lnPFrom) / (lnPTo - lnPFrom)
                             : 0.5 + 0.5 * (highestLnP - X[n + 1]) / std::max(highestLnP - lnPFrom, 1e-9);
    progress(done = std::max(done, std::min(along, 0.99)));
    // Done once the dew branch is back below the grid's lowest pressure.
    if (e.criticalIndex != SIZE_MAX && X[n + 1] < lnPFrom) break;
    if (X[n + 1] > lnPTo + 1 && e.criticalIndex == SIZE_MAX) break;
  }
  if (e.criticalIndex == SIZE_MAX) e.criticalIndex = e.curve.size();
  // No critical point: the dew branch is a curve of its own, and the extremes are those inside
  // either branch (a branch's end at the top of the range is none).
  double dewHighestLnP = -HUGE_VAL;
  const bool dewTraced = !e.critical.found() && dewBranch(e, states, asked, pFrom, pTo, dewHighestLnP);
  progress(1);
  if (e.critical.found()) {
    e.cricondenbar = extremeOf(e.curve, 1);
    e.cricondentherm = extremeOf(e.curve, 0);
  } else {
    e.separateBranches = dewTraced;
    const std::vector<StatePoint> bubbleBranch(e.curve.begin(), e.curve.begin() + static_cast<long>(e.criticalIndex));
    const std::vector<StatePoint> dewBranchPoints(e.curve.begin() + static_cast<long>(e.criticalIndex), e.curve.end());
    const auto higher = [](const StatePoint& a, const StatePoint& b, bool byPressure) {
      if (!a.found()) return b;
      if (!b.found()) return a;
      return (byPressure ? a.p >= b.p : a.t >= b.t) ? a : b;
    };
    e.cricondenbar = higher(extremeOf(bubbleBranch, 1, true), extremeOf(dewBranchPoints, 1, true), true);
    e.cricondentherm = higher(extremeOf(bubbleBranch, 0, true), extremeOf(dewBranchPoints, 0, true), false);
  }
  // The grid: the bubble branch ends at the critical point, where the dew branch begins. Each
  // crossing is solved at its pressure from the curve's states interpolated (the critical point,
  // having no state, leaves its segments' crossings interpolated).
  const size_t ci = e.criticalIndex;
  std::vector<StatePoint> bubble(e.curve.begin(), e.curve.begin() + static_cast<long>(ci));
  std::vector<StatePoint> dew(e.curve.begin() + static_cast<long>(ci), e.curve.end());
  std::vector<std::vector<double>> bubbleStates(states.begin(), states.begin() + static_cast<long>(ci));
  std::vector<std::vector<double>> dewStates(states.begin() + static_cast<long>(ci), states.end());
  std::vector<char> bubbleAsked(asked.begin(), asked.begin() + static_cast<long>(ci));
  std::vector<char> dewAsked(asked.begin() + static_cast<long>(ci), asked.end());
  if (e.critical.found()) {
    bubble.push_back(e.critical);
    bubbleStates.emplace_back();
    bubbleAsked.push_back(0);
    dew.insert(dew.begin(), e.critical);
    dewStates.insert(dewStates.begin(), std::vector<double>());
    dewAsked.insert(dewAsked.begin(), 0);
  }
  const auto solved = [&](const Crossing& c, const std::vector<std::vector<double>>& branchStates,
                          const std::vector<char>& branchAsked, double p) {
    const std::vector<double>&a = branchStates[c.end - 1], &b = branchStates[c.end];
    if (a.empty() || b.empty()) return c.t;
    std::vector<double> x(m), Jgrid;
    for (size_t k = 0; k < m; ++k) x[k] = a[k] + c.share * (b[k] - a[k]);
    x[n + 1] = std::log(p);
    int gridSteps = 0;
    return curveNewton(x, n + 1, branchAsked[c.end] != 0, Jgrid, gridSteps) ? std::exp(x[n]) : c.t;
  };
  for (int i = 0; i < points; ++i) {
    EnvelopePoint g;
    g.pressure = pFrom * std::pow(pTo / pFrom, static_cast<double>(i) / (points - 1));
    const std::vector<Crossing> b = crossings(bubble, g.pressure), d = crossings(dew, g.pressure);
    std::vector<double> bubbleTs, dewTs;
    for (const Crossing& c : b) bubbleTs.push_back(solved(c, bubbleStates, bubbleAsked, g.pressure));
    for (const Crossing& c : d) dewTs.push_back(solved(c, dewStates, dewAsked, g.pressure));
    std::sort(bubbleTs.begin(), bubbleTs.end());
    std::sort(dewTs.begin(), dewTs.end());
    if (!bubbleTs.empty()) g.bubble = bubbleTs.front();
    if (bubbleTs.size() > 1) g.upperBubble = bubbleTs.back();
    if (!dewTs.empty()) g.dew = dewTs.back();
    if (dewTs.size() > 1) g.lowerDew = dewTs.front();
    e.points.push_back(g);
  }
  if (e.critical.found()) {
    std::fprintf(stderr, "  envelope: %zu points traced, critical point passed (%ld K-value requests)\n", e.curve.size(),
                 m_kValueRequests - requests);
    return e.curve.size() > 1;
  }
  std::fprintf(stderr, "  envelope: %zu points traced on two branches, no critical point in the range (%ld K-value requests)\n",
               e.curve.size(), m_kValueRequests - requests);
  // Both branches over the whole range is a complete envelope; a branch cut short is not.
  const double lnPTop = std::log(pTo) - 1e-12;
  if (highestLnP < lnPTop)
    r.failures.push_back("envelope: the curve did not reach the critical point");
  else if (!dewTraced)
    r.failures.push_back("envelope: no dew point at " + std::to_string(pFrom) + " kPa to start from");
  else if (dewHighestLnP < lnPTop)
    r.failures.push_back("envelope: the dew branch stops at " + std::to_string(std::exp(dewHighestLnP)) + " kPa, below " +
                         std::to_string(pTo) + " kPa");
  return e.curve.size() > 1;
}

}  // namespace hostrun
