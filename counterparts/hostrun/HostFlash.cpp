#include "counterparts/hostrun/HostFlash.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hostrun {

namespace {

double rachfordRice(const std::vector<double>& z, const std::vector<double>& K, double v) {
  double f = 0;
  for (size_t i = 0; i < z.size(); ++i) f += z[i] * (K[i] - 1) / (1 + v * (K[i] - 1));
  return f;
}

void normalise(std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  if (sum > 0)
    for (double& v : values) v /= sum;
}

// Phase compositions for vapour fraction v; a single phase keeps the feed and its trial phase.
void splitFeed(const std::vector<double>& z, const std::vector<double>& K, double v, std::vector<double>& x,
               std::vector<double>& y) {
  x.resize(z.size());
  y.resize(z.size());
  for (size_t i = 0; i < z.size(); ++i) {
    x[i] = z[i] / (1 + v * (K[i] - 1));
    y[i] = K[i] * x[i];
  }
  normalise(x);
  normalise(y);
}

// ---- Three phases ----

// The convex function of the three-phase split, its gradient and Hessian at amounts beta; false
// where some E_i = sum_k beta_k a_ik is not above zero (outside the function's domain).
struct SplitFunction {
  const std::vector<double>& z;
  std::vector<std::array<double, 3>> a;  // a_ik = 1 / K_ik, the vapour's K being 1
  double q = 0;
  std::array<double, 3> g{};
  std::array<double, 9> h{};

  SplitFunction(const std::vector<double>& feed, const std::vector<double>& K1, const std::vector<double>& K2)
      : z(feed), a(feed.size()) {
    for (size_t i = 0; i < z.size(); ++i) a[i] = {1.0, 1 / K1[i], 1 / K2[i]};
  }

  bool at(const std::array<double, 3>& beta) {
    q = beta[0] + beta[1] + beta[2];
    g = {1, 1, 1};
    h.fill(0);
    for (size_t i = 0; i < z.size(); ++i) {
      if (!(z[i] > 0)) continue;
      const double e = beta[0] * a[i][0] + beta[1] * a[i][1] + beta[2] * a[i][2];
      if (!(e > 0) || !std::isfinite(e)) return false;
      q -= z[i] * std::log(e);
      for (int k = 0; k < 3; ++k) {
        g[k] -= z[i] * a[i][k] / e;
        for (int l = 0; l < 3; ++l) h[k * 3 + l] += z[i] * a[i][k] * a[i][l] / (e * e);
      }
    }
    return std::isfinite(q);
  }
};

// Solves the free rows of h d = -g (Gaussian elimination on at most 3 unknowns).
bool newtonDirection(const SplitFunction& f, const std::array<bool, 3>& free, std::array<double, 3>& d) {
  int index[3], m = 0;
  for (int k = 0; k < 3; ++k)
    if (free[k]) index[m++] = k;
  double a[3][4] = {};
  for (int r = 0; r < m; ++r) {
    for (int c = 0; c < m; ++c) a[r][c] = f.h[index[r] * 3 + index[c]];
    a[r][m] = -f.g[index[r]];
  }
  for (int c = 0; c < m; ++c) {
    int pivot = c;
    for (int r = c + 1; r < m; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    if (!(std::fabs(a[pivot][c]) > 1e-300)) return false;
    for (int k = 0; k <= m; ++k) std::swap(a[c][k], a[pivot][k]);
    for (int r = 0; r < m; ++r) {
      if (r == c) continue;
      const double factor = a[r][c] / a[c][c];
      for (int k = c; k <= m; ++k) a[r][k] -= factor * a[c][k];
    }
  }
  d = {0, 0, 0};
  for (int r = 0; r < m; ++r) d[index[r]] = a[r][m] / a[r][r];
  return std::isfinite(d[0]) && std::isfinite(d[1]) && std::isfinite(d[2]);
}

// Compositions of the three phases for amounts beta: y = z / E, x1 = y / K1, x2 = y / K2, each
// normalised (an absent phase keeps its trial composition).
void threePhaseCompositions(const std::vector<double>& z, const std::vector<double>& K1, const std::vector<double>& K2,
                            const std::array<double, 3>& beta, FlashResult& r) {
  const size_t n = z.size();
  r.y.resize(n);
  r.x.resize(n);
  r.x2.resize(n);
  for (size_t i = 0; i < n; ++i) {
    const double e = beta[0] + beta[1] / K1[i] + beta[2] / K2[i];
    r.y[i] = z[i] / e;
    r.x[i] = r.y[i] / K1[i];
    r.x2[i] = r.y[i] / K2[i];
  }
  normalise(r.y);
  normalise(r.x);
  normalise(r.x2);
}

double largestDifference(const std::vector<double>& a, const std::vector<double>& b) {
  double d = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) d = std::max(d, std::fabs(a[i] - b[i]));
  return d;
}

// The result of a converged three-phase flash with the phases of zero amount dropped.
void dropAbsentPhases(const std::vector<double>& z, const std::array<double, 3>& beta, FlashResult& r) {
  constexpr double kSameLiquid = 1e-6;
  if (beta[2] > 0 && beta[1] > 0 && largestDifference(r.x, r.x2) > kSameLiquid) {
    r.vapourFraction = beta[0];
    r.liquid2Fraction = beta[2];
    return;
  }
  if (!(beta[1] > 0) || (beta[2] > 0 && largestDifference(r.x, r.x2) <= kSameLiquid)) {
    // The second liquid is the only liquid left: it becomes the liquid.
    r.x = r.x2;
    r.K = r.K2;
  }
  r.x2.clear();
  r.K2.clear();
  r.liquid2Fraction = 0;
  r.vapourFraction = solveRachfordRice(z, r.K);
}

}  // namespace

std::array<double, 3> solveThreePhaseSplit(const std::vector<double>& z, const std::vector<double>& K1,
                                           const std::vector<double>& K2) {
  SplitFunction f(z, K1, K2);
  std::array<double, 3> beta = {1.0 / 3, 1.0 / 3, 1.0 / 3};
  if (!f.at(beta)) return beta;
  for (int iteration = 0; iteration < 200; ++iteration) {
    // A phase at zero amount whose gradient pushes it below zero stays out.
    std::array<bool, 3> free{};
    for (int k = 0; k < 3; ++k) free[k] = beta[k] > 0 || f.g[k] < 0;
    std::array<double, 3> d{};
    bool solved = newtonDirection(f, free, d);
    for (int k = 0; k < 3 && solved; ++k)
      if (free[k] && beta[k] == 0 && d[k] < 0) {
        free[k] = false;
        solved = newtonDirection(f, free, d);
        k = -1;
      }
    if (!solved)
      for (int k = 0; k < 3; ++k) d[k] = free[k] ? -f.g[k] : 0;
    double largest = 0;
    for (int k = 0; k < 3; ++k)
      if (free[k]) largest = std::max(largest, std::fabs(f.g[k]));
    if (largest < 1e-15) break;
    // The longest step that keeps every amount non-negative, halved until the function falls.
    double step = 1;
    for (int k = 0; k < 3; ++k)
      if (d[k] < 0) step = std::min(step, beta[k] / -d[k]);
    const double before = f.q;
    std::array<double, 3> next{};
    for (int halvings = 0;; ++halvings) {
      // An amount driven to the bound is zero, not a rounding error above it.
      for (int k = 0; k < 3; ++k) next[k] = beta[k] + step * d[k] < 1e-15 ? 0.0 : beta[k] + step * d[k];
      if (f.at(next) && f.q <= before + 1e-15 * std::fabs(before)) break;
      if (halvings == 60) {
        f.at(beta);
        return beta;
      }
      step /= 2;
    }
    if (largestDifference({next[0], next[1], next[2]}, {beta[0], beta[1], beta[2]}) < 1e-16) {
      beta = next;
      break;
    }
    beta = next;
  }
  return beta;
}

FlashResult flashThreePhase(const std::vector<double>& z, std::vector<double> startK1, std::vector<double> startK2,
                            const ThreePhaseKValueSource& kValues, double tolerance, int maxIterations) {
  FlashResult r;
  r.K = std::move(startK1);
  r.K2 = std::move(startK2);
  std::array<double, 3> beta{};
  for (r.iterations = 1; r.iterations <= maxIterations; ++r.iterations) {
    beta = solveThreePhaseSplit(z, r.K, r.K2);
    threePhaseCompositions(z, r.K, r.K2, beta, r);
    std::vector<double> next1, next2;
    if (!kValues(r.y, r.x, r.x2, next1, next2, r.failure)) return r;
    if (next1.size() != z.size() || next2.size() != z.size()) {
      r.failure = "the package gave K-values for " + std::to_string(std::min(next1.size(), next2.size())) +
                  " of " + std::to_string(z.size()) + " components";
      return r;
    }
    r.lastChange = 0;
    for (size_t i = 0; i < z.size(); ++i) {
      if (!(next1[i] > 0) || !std::isfinite(next1[i]) || !(next2[i] > 0) || !std::isfinite(next2[i])) {
        r.failure = "the package gave a K-value that is not positive and finite";
        return r;
      }
      r.lastChange = std::max({r.lastChange, std::fabs(std::log(next1[i]) - std::log(r.K[i])),
                               std::fabs(std::log(next2[i]) - std::log(r.K2[i]))});
    }
    r.K = std::move(next1);
    r.K2 = std::move(next2);
    if (r.lastChange < tolerance) {
      beta = solveThreePhaseSplit(z, r.K, r.K2);
      threePhaseCompositions(z, r.K, r.K2, beta, r);
      dropAbsentPhases(z, beta, r);
      if (!r.twoLiquids()) splitFeed(z, r.K, r.vapourFraction, r.x, r.y);
      r.converged = true;
      return r;
    }
  }
  r.iterations = maxIterations;
  r.failure = "no convergence in " + std::to_string(maxIterations) + " iterations";
  return r;
}

Stability testStability(const std::vector<double>& reference, const std::vector<std::vector<double>>& present,
                        const TrialKValueSource& kValues) {
  constexpr double kPure = 0.999;          // the share of the component a trial starts from
  constexpr double kSettled = 1e-10;       // on ln W between substitutions
  constexpr double kTrivial = 1e-4;        // a trial this close to a present phase is that phase
  constexpr double kUnstable = -1e-8;      // tangent-plane distance that counts as a split
  constexpr int kSubstitutions = 300;
  const size_t n = reference.size();
  Stability best;
  best.tangentPlane = std::numeric_limits<double>::infinity();
  const auto trivial = [&](const std::vector<double>& w) {
    return std::any_of(present.begin(), present.end(),
                       [&](const std::vector<double>& p) { return largestDifference(w, p) < kTrivial; });
  };
  for (size_t start = 0; start < n; ++start) {
    if (!(reference[start] > 0)) continue;
    std::vector<double> w(n), W(n), K;
    for (size_t i = 0; i < n; ++i) w[i] = i == start ? kPure : (1 - kPure) * reference[i];
    normalise(w);
    W = w;
    double sum = 1;
    bool settled = false;
    for (int step = 0; step < kSubstitutions && !settled; ++step) {
      if (!kValues(w, K, best.failure)) return best;
      double change = 0;
      sum = 0;
      for (size_t i = 0; i < n; ++i) {
        const double next = K[i] > 0 && std::isfinite(K[i]) ? reference[i] / K[i] : 0;
        if (next > 0 && W[i] > 0) change = std::max(change, std::fabs(std::log(next / W[i])));
        W[i] = next;
        sum += next;
      }
      if (!(sum > 0) || !std::isfinite(sum)) break;
      for (size_t i = 0; i < n; ++i) w[i] = W[i] / sum;
      settled = change < kSettled || trivial(w);
    }
    if (!settled || trivial(w) || !(sum > 0)) continue;
    if (1 - sum < best.tangentPlane) {
      best.tangentPlane = 1 - sum;
      best.trial = w;
    }
  }
  best.unstable = best.tangentPlane < kUnstable;
  return best;
}

double solveRachfordRice(const std::vector<double>& z, const std::vector<double>& K) {
  if (rachfordRice(z, K, 0) <= 0) return 0;
  if (rachfordRice(z, K, 1) >= 0) return 1;
  // f falls monotonically on [0, 1]: Newton steps kept inside a shrinking bracket.
  double low = 0, high = 1, v = 0.5;
  for (int i = 0; i < 200; ++i) {
    const double f = rachfordRice(z, K, v);
    if (f > 0) low = v; else high = v;
    double slope = 0;
    for (size_t k = 0; k < z.size(); ++k) {
      const double d = 1 + v * (K[k] - 1);
      slope -= z[k] * (K[k] - 1) * (K[k] - 1) / (d * d);
    }
    double next = slope < 0 ? v - f / slope : 0.5 * (low + high);
    if (!(next > low && next < high)) next = 0.5 * (low + high);
    if (std::fabs(next - v) < 1e-15) return next;
    v = next;
  }
  return v;
}

FlashResult flashTP(const std::vector<double>& z, std::vector<double> startK, const KValueSource& kValues,
                    double tolerance, int maxIterations) {
  FlashResult r;
  r.K = std::move(startK);
  for (r.iterations = 1; r.iterations <= maxIterations; ++r.iterations) {
    r.vapourFraction = solveRachfordRice(z, r.K);
    splitFeed(z, r.K, r.vapourFraction, r.x, r.y);
    std::vector<double> next;
    if (!kValues(r.x, r.y, next, r.failure)) return r;
    if (next.size() != z.size()) {
      r.failure = "the package gave " + std::to_string(next.size()) + " K-values for " + std::to_string(z.size()) +
                  " components";
      return r;
    }
    r.lastChange = 0;
    for (size_t i = 0; i < z.size(); ++i) {
      if (!(next[i] > 0) || !std::isfinite(next[i])) {
        r.failure = "the package gave a K-value that is not positive and finite";
        return r;
      }
      r.lastChange = std::max(r.lastChange, std::fabs(std::log(next[i]) - std::log(r.K[i])));
    }
    r.K = std::move(next);
    if (r.lastChange < tolerance) {
      r.vapourFraction = solveRachfordRice(z, r.K);
      splitFeed(z, r.K, r.vapourFraction, r.x, r.y);
      r.converged = true;
      return r;
    }
  }
  r.iterations = maxIterations;
  r.failure = "no convergence in " + std::to_string(maxIterations) + " iterations";
  return r;
}

}  // namespace hostrun
