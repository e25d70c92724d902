#include "Operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Text.h"

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
  // The flash's vapour in slot 0 and liquid in slot 1.
  explicit Compositions(const FlashResult& f) : Compositions(f.x.size()) {
    slot[0] = f.y;
    slot[1] = f.x;
    pointers[0] = slot[0].data();
    pointers[1] = slot[1].data();
  }
};

// The flash's two phases as the host hands them over: compositions, phase types and fractions.
struct FlashPhases {
  Compositions c;
  int types[3];
  double fractions[3];
  explicit FlashPhases(const FlashResult& f)
      : c(f),
        types{f.vapourFraction > 0 ? kVapour : kAbsent, f.vapourFraction < 1 ? kLiquid : kAbsent, kAbsent},
        fractions{f.vapourFraction, 1 - f.vapourFraction, 0} {}
};

void progress(int done, int total) {
  const int width = 40;
  const int filled = total ? done * width / total : width;
  std::fprintf(stderr, "\r  envelope [%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(width - filled), '.').c_str(), total ? done * 100 / total : 100);
  if (done == total) std::fprintf(stderr, "\n");
  std::fflush(stderr);
}

}  // namespace

bool Operations::kValues(double t, double p, const std::vector<double>& x, const std::vector<double>& y,
                         std::vector<double>& K, std::string& failure) {
  Compositions c(x.size());
  c.slot[0] = y;
  c.slot[1] = x;
  c.pointers[0] = c.slot[0].data();
  c.pointers[1] = c.slot[1].data();
  std::vector<double> lnK(x.size(), std::nan(""));
  ++m_kValueRequests;
  const HRESULT hr = m_s.package()->ComputeKFactorsVL(t, p, c.pointers, lnK.data());
  if (FAILED(hr)) {
    failure = "ComputeKFactorsVL failed: " + hresultText(hr);
    return false;
  }
  K.resize(x.size());
  for (size_t i = 0; i < x.size(); ++i) K[i] = std::exp(lnK[i]);
  return true;
}

bool Operations::flash(CaseResults& r) {
  const int n = m_s.count();
  std::vector<double> start(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    double lnK = 0;
    const HRESULT hr = m_s.package()->InitializeKFactors(i, m_t, m_p, 0, &lnK);
    if (FAILED(hr)) {
      r.failures.push_back("InitializeKFactors failed: " + hresultText(hr));
      return false;
    }
    start[static_cast<size_t>(i)] = std::exp(lnK);
  }
  r.flash = flashTP(m_s.feed(), start, [&](const std::vector<double>& x, const std::vector<double>& y,
                                          std::vector<double>& K, std::string& failure) {
    return kValues(m_t, m_p, x, y, K, failure);
  });
  r.flashed = r.flash.converged;
  if (!r.flashed) r.failures.push_back("flash: " + r.flash.failure);
  return r.flashed;
}

bool Operations::bubblePointGuess(CaseResults& r) {
  std::vector<double> z = m_s.feed();
  const HRESULT hr = m_s.package()->GuessBubblePointTemperature(m_p, z.data(), &r.bubblePointGuess);
  if (FAILED(hr)) r.failures.push_back("GuessBubblePointTemperature failed: " + hresultText(hr));
  return SUCCEEDED(hr);
}

bool Operations::phaseProperties(CaseResults& r) {
  if (!r.flashed) return false;
  FlashPhases f(r.flash);
  double h[4] = {}, s[4] = {}, cp[4] = {}, vm[4] = {};
  const HRESULT hr = m_s.package()->ComputePhaseProperties(m_t, m_p, f.c.pointers, f.types, f.fractions, h, s, cp, vm);
  if (FAILED(hr)) {
    r.failures.push_back("ComputePhaseProperties failed: " + hresultText(hr));
    return false;
  }
  r.phases.clear();
  for (int slot = 0; slot < 2; ++slot) {
    if (f.types[slot] == kAbsent) continue;
    PhaseResult p;
    p.type = f.types[slot];
    p.fraction = f.fractions[slot];
    p.x = f.c.slot[slot];
    p.enthalpy = h[slot];
    p.entropy = s[slot];
    p.heatCapacity = cp[slot];
    p.molarVolume = vm[slot];
    r.phases.push_back(p);
  }
  r.overallEnthalpy = h[3];
  r.overallEntropy = s[3];
  r.overallHeatCapacity = cp[3];
  r.overallMolarVolume = vm[3];
  return true;
}

bool Operations::fugacities(CaseResults& r) {
  if (r.phases.empty()) return false;
  const size_t n = m_s.feed().size();
  Compositions c(n), f(n);
  int types[3] = {kAbsent, kAbsent, kAbsent};
  for (const PhaseResult& p : r.phases) {
    const int slot = p.type == kVapour ? 0 : 1;
    types[slot] = p.type;
    c.slot[slot] = p.x;
    c.pointers[slot] = c.slot[slot].data();
  }
  const HRESULT hr = m_s.package()->ComputePhaseFugacities(m_t, m_p, c.pointers, types, f.pointers);
  if (FAILED(hr)) {
    r.failures.push_back("ComputePhaseFugacities failed: " + hresultText(hr));
    return false;
  }
  for (PhaseResult& p : r.phases) p.fugacity = f.slot[p.type == kVapour ? 0 : 1];
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
    if (FAILED(hr)) {
      r.failures.push_back("transport properties failed: " + hresultText(hr));
      all = false;
    }
  }
  if (r.flashed && r.flash.vapourFraction > 0 && r.flash.vapourFraction < 1) {
    Compositions c(r.flash);
    const HRESULT hr =
        m_s.package()->ComputeLiquidSurfaceTension(m_t, m_p, c.pointers, r.flash.vapourFraction, &r.surfaceTension);
    r.hasSurfaceTension = SUCCEEDED(hr);
    if (FAILED(hr)) {
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

// A converged point of a curve.
struct Known {
  double lnP = 0;
  Saturation s;
};

// Follows one curve up the pressure grid. Each point starts from its converged neighbours
// extrapolated linearly in ln P (temperature and incipient phase in logarithms); a point that does
// not converge is approached again in smaller pressure steps. The curve's first point starts from
// Wilson K-values; once a traced curve fails it stays open above (the critical region).
class CurveTracer {
 public:
  CurveTracer(Operations& ops, bool bubble) : m_ops(ops), m_bubble(bubble) {}

  // The saturation temperature at p (above the previous call's), 0 where none converged.
  double next(double p) {
    const double lnP = std::log(p);
    if (m_closed) return 0;
    if (m_known.empty()) return firstPoint(p, lnP);
    if (!(m_step > 0)) m_step = lnP - m_known.back().lnP;
    const double smallest = (lnP - m_known.back().lnP) / 16;
    while (m_known.back().lnP < lnP - 1e-12) {
      const double target = std::min(m_known.back().lnP + m_step, lnP);
      Saturation s = predict(target);
      if (m_ops.saturation(std::exp(target), m_bubble, s)) {
        const double taken = target - m_known.back().lnP;
        remember(target, s);
        m_step = 2 * taken;
      } else if ((m_step = std::min(m_step, target - m_known.back().lnP) / 2) < smallest) {
        m_closed = true;
        return 0;
      }
    }
    return m_known.back().s.t;
  }

 private:
  double firstPoint(double p, double lnP) {
    Saturation s;
    if (!m_ops.wilsonStart(p, m_bubble, s) || !m_ops.saturation(p, m_bubble, s)) return 0;
    remember(lnP, s);
    return s.t;
  }

  void remember(double lnP, const Saturation& s) {
    m_known.push_back({lnP, s});
    if (m_known.size() > 2) m_known.erase(m_known.begin());
  }

  Saturation predict(double lnP) const {
    const Known& b = m_known.back();
    Saturation s = b.s;
    if (m_known.size() < 2) return s;
    const Known& a = m_known.front();
    const double r = (lnP - b.lnP) / (b.lnP - a.lnP);
    s.t = std::exp(std::log(b.s.t) + r * (std::log(b.s.t) - std::log(a.s.t)));
    for (size_t i = 0; i < s.incipient.size(); ++i)
      if (a.s.incipient[i] > 0 && b.s.incipient[i] > 0)
        s.incipient[i] = std::exp(std::log(b.s.incipient[i]) + r * std::log(b.s.incipient[i] / a.s.incipient[i]));
    normalise(s.incipient);
    return s;
  }

  Operations& m_ops;
  const bool m_bubble;
  std::vector<Known> m_known;  // the last two converged points
  double m_step = 0;           // the next step in ln P
  bool m_closed = false;
};

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

bool Operations::envelope(CaseResults& r, double pFrom, double pTo, int points) {
  r.envelope = Envelope{};
  r.envelope.feed = feedText(m_s.hostComponents(), m_s.feed());
  const long requests = m_kValueRequests;
  CurveTracer bubble(*this, true), dew(*this, false);
  for (int i = 0; i < points; ++i) {
    progress(i, points);
    EnvelopePoint e;
    e.pressure = pFrom * std::pow(pTo / pFrom, static_cast<double>(i) / (points - 1));
    e.bubble = bubble.next(e.pressure);
    e.dew = dew.next(e.pressure);
    r.envelope.points.push_back(e);
  }
  progress(points, points);
  const auto& pts = r.envelope.points;
  const auto converged = [&](bool ofBubble) {
    return std::count_if(pts.begin(), pts.end(), [&](const EnvelopePoint& e) { return (ofBubble ? e.bubble : e.dew) > 0; });
  };
  std::fprintf(stderr, "  envelope: bubble curve %d, dew curve %d of %d points converged (%ld K-value requests)\n",
               static_cast<int>(converged(true)), static_cast<int>(converged(false)), points, m_kValueRequests - requests);
  return std::any_of(pts.begin(), pts.end(), [](const EnvelopePoint& e) { return e.bubble > 0 || e.dew > 0; });
}

}  // namespace hostrun
