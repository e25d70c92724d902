#include "counterparts/prthermo/core/Transport.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace prcore {
namespace {

constexpr double atm = 101325.0;

void checkShape(const std::vector<Compound>& c, const std::vector<double>& x) {
    if (x.size() != c.size()) throw std::invalid_argument("composition has the wrong length");
}

double pureGasViscosity(const Compound& c, double t) {
    double ts = 1.2593 * t / c.tc;
    double omegaV = 1.16145 * std::pow(ts, -0.14874) + 0.52487 * std::exp(-0.77320 * ts) +
                    2.16178 * std::exp(-2.43787 * ts);
    double fc = 1 - 0.2756 * c.omega;
    double vcCm3 = c.vc * 1e6;
    double microPoise = 40.785 * fc * std::sqrt(c.mw * t) / (std::pow(vcCm3, 2.0 / 3.0) * omegaV);
    return microPoise * 1e-7;
}

// Wilke's phi_ij, also the Mason-Saxena A_ij of Wassiljewa's equation.
double wilkePhi(double muI, double muJ, double mI, double mJ) {
    double num = 1 + std::sqrt(muI / muJ) * std::pow(mJ / mI, 0.25);
    return num * num / std::sqrt(8 * (1 + mI / mJ));
}

// sum_i y_i k_i / sum_j y_j phi_ij with phi from the pure viscosities.
double wilkeMix(const std::vector<Compound>& c, const std::vector<double>& y, const std::vector<double>& mu,
                const std::vector<double>& k) {
    double total = 0, sum = 0;
    for (double v : y) sum += v;
    for (size_t i = 0; i < c.size(); ++i) {
        if (y[i] <= 0) continue;
        double den = 0;
        for (size_t j = 0; j < c.size(); ++j)
            if (y[j] > 0) den += y[j] / sum * wilkePhi(mu[i], mu[j], c[i].mw, c[j].mw);
        total += y[i] / sum * k[i] / den;
    }
    return total;
}

std::vector<double> gasViscosities(const std::vector<Compound>& c, double t) {
    std::vector<double> mu;
    for (auto& comp : c) mu.push_back(pureGasViscosity(comp, t));
    return mu;
}

}  // namespace

double gasViscosity(const std::vector<Compound>& c, double t, const std::vector<double>& y) {
    checkShape(c, y);
    auto mu = gasViscosities(c, t);
    return wilkeMix(c, y, mu, mu);
}

double liquidViscosity(const std::vector<Compound>& c, double t, const std::vector<double>& x) {
    checkShape(c, x);
    double sum = 0, lnMu = 0;
    for (double v : x) sum += v;
    for (size_t i = 0; i < c.size(); ++i) {
        if (x[i] <= 0) continue;
        double tr = std::clamp(t / c[i].tc, 0.3, 0.98);
        double xi = std::pow(c[i].tc, 1.0 / 6.0) / (std::sqrt(c[i].mw) * std::pow(c[i].pc / atm, 2.0 / 3.0));
        double f0 = 0.015174 - 0.02135 * tr + 0.0075 * tr * tr;
        double f1 = 0.042552 - 0.07674 * tr + 0.0340 * tr * tr;
        double centipoise = (f0 + c[i].omega * f1) / xi;
        lnMu += x[i] / sum * std::log(std::max(centipoise, 1e-4) * 1e-3);
    }
    return std::exp(lnMu);
}

double gasThermalConductivity(const std::vector<Compound>& c, double t, const std::vector<double>& y) {
    checkShape(c, y);
    auto mu = gasViscosities(c, t);
    std::vector<double> k;
    for (size_t i = 0; i < c.size(); ++i) {
        double cv = c[i].idealCp(t) - R;
        k.push_back(mu[i] * cv / (c[i].mw * 1e-3) * (1.32 + 1.77 * R / cv));
    }
    return wilkeMix(c, y, mu, k);
}

double liquidThermalConductivity(const std::vector<Compound>& c, double t, const std::vector<double>& x) {
    checkShape(c, x);
    double massSum = 0;
    for (size_t i = 0; i < c.size(); ++i) massSum += x[i] * c[i].mw;
    double inverseSquare = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        if (x[i] <= 0) continue;
        double tr = std::min(t / c[i].tc, 1.0), tbr = std::min(c[i].tb / c[i].tc, 0.99);
        double lambda = 1.1053 / std::sqrt(c[i].mw) * (3 + 20 * std::pow(1 - tr, 2.0 / 3.0)) /
                        (3 + 20 * std::pow(1 - tbr, 2.0 / 3.0));
        inverseSquare += x[i] * c[i].mw / massSum / (lambda * lambda);
    }
    return 1 / std::sqrt(inverseSquare);
}

double surfaceTension(const PengRobinson& eos, double t, double p, const std::vector<double>& xIn,
                      const std::vector<double>& yIn) {
    const auto& c = eos.compounds();
    checkShape(c, xIn);
    checkShape(c, yIn);
    double vL = eos.compressibility(t, p, xIn, Root::Liquid) * R * t / p * 1e6;   // cm3/mol
    double vV = eos.compressibility(t, p, yIn, Root::Vapour) * R * t / p * 1e6;
    double sx = 0, sy = 0;
    for (size_t i = 0; i < c.size(); ++i) sx += xIn[i], sy += yIn[i];
    double sum = 0;
    for (size_t i = 0; i < c.size(); ++i) sum += c[i].parachor * (xIn[i] / sx / vL - yIn[i] / sy / vV);
    if (sum <= 0) return 0;
    return std::pow(sum, 4) * 1e-3;   // dyn/cm to N/m
}

}  // namespace prcore
