#pragma once
// The host's own TP flash, as the host simulator does it with an extension property package: the
// package only answers K-values; the host finds the phase split. Two phases by successive
// substitution on the Rachford-Rice equation; when the extension can calculate liquid-liquid
// equilibria, a stability test for a second liquid and then a flash on a vapour and two liquids.
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace hostrun {

// Vapour fraction of feed z for K-values K, in [0, 1]: 0 when the feed is below its bubble
// point (all liquid), 1 above its dew point (all vapour).
double solveRachfordRice(const std::vector<double>& z, const std::vector<double>& K);

// Amounts of a vapour (0), a liquid (1) and a second liquid (2) for K1 = y/x1 and K2 = y/x2: the
// minimum over non-negative amounts of the convex function sum(beta) - sum z ln(beta_V + beta_1 /
// K1 + beta_2 / K2), whose stationary point with every amount above zero is the three-phase
// Rachford-Rice solution; a phase that cannot exist at these K-values gets 0.
std::array<double, 3> solveThreePhaseSplit(const std::vector<double>& z, const std::vector<double>& K1,
                                           const std::vector<double>& K2);

struct FlashResult {
  double vapourFraction = 0;
  double liquid2Fraction = 0;        // the second liquid's; the liquid has the rest
  std::vector<double> x, y, K;       // liquid, vapour, K = y/x
  std::vector<double> x2, K2;        // the second liquid and K2 = y/x2; empty when there is none
  int iterations = 0;
  bool converged = false;
  double lastChange = 0;   // largest change of ln K in the last iteration
  std::string failure;     // why the iteration stopped without converging
  bool twoLiquids() const { return !x2.empty(); }
  double liquidFraction() const { return 1 - vapourFraction - liquid2Fraction; }
};

// New K-values for liquid x and vapour y; false (with a reason) when the package failed.
using KValueSource = std::function<bool(const std::vector<double>& x, const std::vector<double>& y,
                                        std::vector<double>& K, std::string& failure)>;
// New K1 = y/x1 and K2 = y/x2 for vapour y and liquids x1 and x2.
using ThreePhaseKValueSource =
    std::function<bool(const std::vector<double>& y, const std::vector<double>& x1, const std::vector<double>& x2,
                       std::vector<double>& K1, std::vector<double>& K2, std::string& failure)>;
// For a trial phase w: K_i = phi_i(w) / phi_i(reference) of the phase under test.
using TrialKValueSource =
    std::function<bool(const std::vector<double>& trial, std::vector<double>& K, std::string& failure)>;

// Successive substitution from the starting K-values until every ln K changes by less than
// tolerance between iterations.
FlashResult flashTP(const std::vector<double>& z, std::vector<double> startK, const KValueSource& kValues,
                    double tolerance = 1e-10, int maxIterations = 1000);

// The same on a vapour and two liquids. A phase whose amount goes to zero is dropped: the result
// then has the two phases that remain (with x2 empty), the liquid being the first liquid left.
FlashResult flashThreePhase(const std::vector<double>& z, std::vector<double> startK1, std::vector<double> startK2,
                            const ThreePhaseKValueSource& kValues, double tolerance = 1e-10,
                            int maxIterations = 3000);

struct Stability {
  bool unstable = false;
  std::vector<double> trial;   // the trial phase with the lowest tangent-plane distance, normalised
  double tangentPlane = 0;     // its distance, 1 - sum W (below zero: the phase under test splits)
  std::string failure;         // set when a K-value request failed
};

// Michelsen's stability test of a phase of composition reference against a trial liquid: from
// each nearly pure component, W_i = reference_i / K_i(w) substituted until ln W settles. A
// stationary point below zero whose composition differs from every phase already present (the
// trivial solutions) makes the phase unstable.
Stability testStability(const std::vector<double>& reference, const std::vector<std::vector<double>>& present,
                        const TrialKValueSource& kValues);

}  // namespace hostrun
