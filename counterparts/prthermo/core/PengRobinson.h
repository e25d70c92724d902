// Peng-Robinson (1976) equation of state with van der Waals one-fluid mixing:
//   P = RT/(V-b) - a/(V^2 + 2bV - b^2),  a = sum_ij x_i x_j (1-kij) sqrt(a_i a_j),  b = sum_i x_i b_i.
// Reference state of H and S: every pure compound as ideal gas at 298.15 K and 101325 Pa
// (no formation enthalpy); S includes the ideal entropy of mixing and the pressure term.
#pragma once

#include "counterparts/prthermo/core/Compounds.h"

#include <vector>

namespace prcore {

// Which root of the cubic a phase takes: the largest for vapour, the smallest for liquid.
// Where the cubic has one real root both phases take that root.
enum class Root { Vapour, Liquid };

struct PhaseProps {
    double z = 0;          // compressibility factor
    double v = 0;          // m3/mol
    double h = 0;          // J/mol
    double s = 0;          // J/mol/K
    double g = 0;          // J/mol, h - T s
    double cp = 0;         // J/mol/K
    double cv = 0;         // J/mol/K
    double mw = 0;         // g/mol
    bool singleRoot = false;           // the cubic had one real root only
    std::vector<double> lnPhi;         // fugacity coefficients, natural log
};

class PengRobinson {
public:
    PengRobinson(std::vector<Compound> compounds, std::vector<std::vector<double>> kij);

    size_t size() const { return m_c.size(); }
    const std::vector<Compound>& compounds() const { return m_c; }
    double kij(size_t i, size_t j) const { return m_kij[i][j]; }

    // All single-phase properties at T (K), P (Pa), mole fractions x (normalised here).
    PhaseProps properties(double t, double p, const std::vector<double>& x, Root root) const;
    // Fast path: ln phi only (lnPhi resized to size()); returns Z.
    double lnPhi(double t, double p, const std::vector<double>& x, Root root, std::vector<double>& lnPhi) const;
    // Compressibility factor only.
    double compressibility(double t, double p, const std::vector<double>& x, Root root) const;
    // Reduced residual Gibbs energy sum x_i ln phi_i of the given root (for root comparisons).
    double residualGibbs(double t, double p, const std::vector<double>& x, Root root) const;

    // ln K_i = ln phi_i(liquid x) - ln phi_i(vapour y): the vapour/liquid K-values at T and P.
    std::vector<double> lnKValues(double t, double p, const std::vector<double>& x, const std::vector<double>& y) const;
    // Fugacities x_i phi_i P (Pa) of one phase.
    std::vector<double> fugacities(double t, double p, const std::vector<double>& x, Root root) const;

    // ln gamma_i of a liquid mixture relative to each pure liquid at the same T and P.
    // Reference: the pure compound's liquid root, which is its only root where the cubic has one
    // (above its critical temperature, or outside its two-phase loop); so the reference is always
    // the pure fluid at T and P and never depends on composition.
    std::vector<double> lnActivity(double t, double p, const std::vector<double>& x) const;
    // ln phi of each pure compound at T and P, taking the given root.
    std::vector<double> pureLnPhi(double t, double p, Root root) const;

    // The root of lower Gibbs energy for this composition (the stable one of the two).
    Root stableRoot(double t, double p, const std::vector<double>& x) const;
    // Whether a single phase of this composition is vapour-like: its stable root is the largest of
    // three, or, with one root only, its molar volume exceeds the equation's critical volume 3.9513 b.
    bool vapourLike(double t, double p, const std::vector<double>& x) const;

    // Number of real roots above b for the given state (1 or 3; 2 at a double root).
    int rootCount(double t, double p, const std::vector<double>& x) const;

    // Vapour pressure of compound i at T from equal pure fugacities (Pa); throws
    // std::domain_error at or above Tc or when no solution is found.
    double saturationPressure(size_t i, double t) const;
    // Its saturation temperature at P (K); std::domain_error at or above Pc.
    double saturationTemperature(size_t i, double p) const;

private:
    struct Mix {
        double a = 0, b = 0, da = 0, d2a = 0;
        std::vector<double> sumA;   // sum_j x_j a_ij
    };
    struct Pure { std::vector<double> q, dq, d2q; };   // sqrt(a_i) and its T derivatives

    Pure pureTerms(double t) const;
    Mix mixture(const Pure& pure, const std::vector<double>& x, bool derivatives) const;
    static double chooseRoot(double A, double B, Root root, bool* single);
    static std::vector<double> normalised(const std::vector<double>& x);
    void fillLnPhi(const Mix& m, double z, double A, double B, std::vector<double>& out) const;

    std::vector<Compound> m_c;
    std::vector<std::vector<double>> m_kij;
    std::vector<double> m_ac, m_b, m_kappa;
};

}  // namespace prcore
