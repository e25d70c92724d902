// Two-phase vapour-liquid flashes on the Peng-Robinson equation: Wilson start, successive
// substitution with Rachford-Rice (negative flash allowed while iterating), a tangent-plane
// stability test where no two-phase solution is found, and outer solvers for T or P.
#pragma once

#include "counterparts/prthermo/core/PengRobinson.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace prcore {

enum class FlashType { TP, PH, PS, TVF, PVF };

// "TP" (also "PT"), "PH" (also "PHF"), "PS" (also "PSF"), "TVF", "PVF", case-insensitive;
// throws std::invalid_argument.
FlashType parseFlashType(const std::string& name);

// A flash with no solution for its conditions (e.g. TVF above the critical temperature).
struct FlashError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct FlashResult {
    double t = 0, p = 0;
    double vapourFraction = 0;          // mole fraction of the feed in the vapour
    bool vapourPresent = false, liquidPresent = false;
    std::vector<double> x, y;           // liquid and vapour mole fractions (the feed in a lone phase)
    double h = 0, s = 0;                // of the whole feed, J/mol and J/mol/K
    int iterations = 0;
};

class Flash {
public:
    explicit Flash(const PengRobinson& eos) : m_eos(eos) {}

    FlashResult tp(double t, double p, const std::vector<double>& z) const;
    FlashResult ph(double p, double h, const std::vector<double>& z) const;
    FlashResult ps(double p, double s, const std::vector<double>& z) const;
    // Pressure (TVF) or temperature (PVF) at which the vapour fraction is beta (0 = bubble, 1 = dew).
    FlashResult tvf(double t, double beta, const std::vector<double>& z) const;
    FlashResult pvf(double p, double beta, const std::vector<double>& z) const;

    // Dispatch by type: TP(T, P), PH(P, H), PS(P, S), TVF(T, beta), PVF(P, beta).
    FlashResult run(FlashType type, double first, double second, const std::vector<double>& z) const;

    // Wilson K-values, ln K_i = ln(Pc_i/P) + 5.373 (1 + omega_i)(1 - Tc_i/T).
    std::vector<double> wilsonLnK(double t, double p) const;

private:
    bool successiveSubstitution(double t, double p, const std::vector<double>& z, std::vector<double>& lnK,
                                FlashResult& out) const;
    bool newtonOnLnK(double t, double p, const std::vector<double>& z, std::vector<double>& lnK) const;
    bool unstable(double t, double p, const std::vector<double>& z, bool vapourTrial, std::vector<double>& lnK) const;
    FlashResult singlePhase(double t, double p, const std::vector<double>& z) const;
    void finish(FlashResult& r, const std::vector<double>& z) const;
    FlashResult energyFlash(double p, double target, const std::vector<double>& z, bool entropy) const;
    FlashResult fractionFlash(double fixed, double beta, const std::vector<double>& z, bool solveForPressure) const;

    const PengRobinson& m_eos;
};

// Rachford-Rice vapour fraction for K-values (negative-flash window where K spans 1); returns
// false when all K are on one side of 1 (beta is then set to 0 or 1).
bool rachfordRice(const std::vector<double>& z, const std::vector<double>& k, double& beta);

}  // namespace prcore
