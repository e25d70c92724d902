#pragma once
// The host's own two-phase TP flash, as the host simulator does it with an extension property
// package: the package only answers K-values; the host finds the phase split by successive
// substitution on the Rachford-Rice equation.
#include <functional>
#include <string>
#include <vector>

namespace hostrun {

// Vapour fraction of feed z for K-values K, in [0, 1]: 0 when the feed is below its bubble
// point (all liquid), 1 above its dew point (all vapour).
double solveRachfordRice(const std::vector<double>& z, const std::vector<double>& K);

struct FlashResult {
  double vapourFraction = 0;
  std::vector<double> x, y, K;
  int iterations = 0;
  bool converged = false;
  double lastChange = 0;   // largest change of ln K in the last iteration
  std::string failure;     // why the iteration stopped without converging
};

// New K-values for liquid x and vapour y; false (with a reason) when the package failed.
using KValueSource = std::function<bool(const std::vector<double>& x, const std::vector<double>& y,
                                        std::vector<double>& K, std::string& failure)>;

// Successive substitution from the starting K-values until every ln K changes by less than
// tolerance between iterations.
FlashResult flashTP(const std::vector<double>& z, std::vector<double> startK, const KValueSource& kValues,
                    double tolerance = 1e-10, int maxIterations = 1000);

}  // namespace hostrun
