#include "HostFlash.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

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
