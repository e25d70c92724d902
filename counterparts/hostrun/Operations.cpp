#include "Operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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
  Compositions c(r.flash);
  const double v = r.flash.vapourFraction;
  int types[3] = {v > 0 ? kVapour : kAbsent, v < 1 ? kLiquid : kAbsent, kAbsent};
  double fractions[3] = {v, 1 - v, 0};
  double h[4] = {}, s[4] = {}, cp[4] = {}, vm[4] = {};
  const HRESULT hr = m_s.package()->ComputePhaseProperties(m_t, m_p, c.pointers, types, fractions, h, s, cp, vm);
  if (FAILED(hr)) {
    r.failures.push_back("ComputePhaseProperties failed: " + hresultText(hr));
    return false;
  }
  r.phases.clear();
  for (int slot = 0; slot < 2; ++slot) {
    if (types[slot] == kAbsent) continue;
    PhaseResult p;
    p.type = types[slot];
    p.fraction = fractions[slot];
    p.x = c.slot[slot];
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
  Compositions c(r.flash);
  const double v = r.flash.vapourFraction;
  int types[3] = {v > 0 ? kVapour : kAbsent, v < 1 ? kLiquid : kAbsent, kAbsent};
  double fractions[3] = {v, 1 - v, 0};
  const HRESULT hr = m_s.package()->OrderPhases(m_t, m_p, c.pointers, types, fractions);
  if (FAILED(hr)) {
    r.failures.push_back("OrderPhases failed: " + hresultText(hr));
    return false;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%d %d %d (fractions %.6g %.6g %.6g)", types[0], types[1], types[2], fractions[0],
                fractions[1], fractions[2]);
  r.orderedPhases = text;
  return true;
}

// Bubble point: sum(z K) = 1 with the incipient vapour y = z K / sum; dew point: sum(z / K) = 1
// with the incipient liquid x = (z / K) / sum. A secant on 1/T of the log of the sum, with the
// incipient phase updated at each step; the trivial solution (all K near 1) counts as failure.
bool Operations::saturation(double p, bool bubble, double& t) {
  const std::vector<double>& z = m_s.feed();
  std::vector<double> incipient = z, K;
  std::string failure;
  auto residual = [&](double temperature, double& f) {
    for (int inner = 0; inner < 50; ++inner) {
      if (!(bubble ? kValues(temperature, p, z, incipient, K, failure) : kValues(temperature, p, incipient, z, K, failure)))
        return false;
      double sum = 0;
      std::vector<double> next(z.size());
      for (size_t i = 0; i < z.size(); ++i) sum += next[i] = bubble ? z[i] * K[i] : z[i] / K[i];
      if (!(sum > 0) || !std::isfinite(sum)) return false;
      double change = 0;
      for (size_t i = 0; i < z.size(); ++i) {
        change = std::max(change, std::fabs(next[i] / sum - incipient[i]));
        incipient[i] = next[i] / sum;
      }
      f = std::log(sum);
      if (change < 1e-10) break;
    }
    double spread = 0;
    for (double k : K) spread = std::max(spread, std::fabs(std::log(k)));
    return spread > 1e-3;  // not the trivial solution
  };
  double t0 = t, f0 = 0;
  if (!residual(t0, f0)) return false;
  double t1 = t0 * ((f0 > 0) == bubble ? 0.97 : 1.03), f1 = 0;
  for (int i = 0; i < 60; ++i) {
    if (!residual(t1, f1)) return false;
    if (std::fabs(f1) < 1e-9) {
      t = t1;
      return true;
    }
    const double a0 = 1 / t0, a1 = 1 / t1;
    double a2 = a1 - f1 * (a1 - a0) / (f1 - f0);
    if (!std::isfinite(a2) || a2 <= 0) return false;
    a2 = std::clamp(a2, a1 * 0.8, a1 * 1.25);  // at most a 25 % step in temperature
    t0 = t1, f0 = f1, t1 = 1 / a2;
    if (t1 < 20 || t1 > 2000) return false;
  }
  return false;
}

bool Operations::envelope(CaseResults& r, double pFrom, double pTo, int points) {
  r.envelope.clear();
  double lastBubble = 0, lastDew = 0;
  for (int i = 0; i < points; ++i) {
    progress(i, points);
    EnvelopePoint e;
    e.pressure = pFrom * std::pow(pTo / pFrom, static_cast<double>(i) / (points - 1));
    double guess = 0;
    std::vector<double> z = m_s.feed();
    if (FAILED(m_s.package()->GuessBubblePointTemperature(e.pressure, z.data(), &guess)) || !(guess > 0)) guess = m_t;
    double bubble = lastBubble > 0 ? lastBubble : guess;
    if (saturation(e.pressure, true, bubble)) e.bubble = lastBubble = bubble;
    double dew = lastDew > 0 ? lastDew : guess * 1.3;
    if (saturation(e.pressure, false, dew)) e.dew = lastDew = dew;
    r.envelope.push_back(e);
  }
  progress(points, points);
  return std::any_of(r.envelope.begin(), r.envelope.end(), [](const EnvelopePoint& e) { return e.bubble > 0 || e.dew > 0; });
}

}  // namespace hostrun
