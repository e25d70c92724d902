#include "counterparts/prthermo/core/PengRobinson.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace prcore {
namespace {

const double sqrt2 = std::sqrt(2.0);
const double pi = std::acos(-1.0);
constexpr double criticalVolumeOverB = 3.9513;
// The published 0.45724 and 0.07780 to full precision, so that the cubic has its triple root
// exactly at Tc and Pc.
constexpr double omegaA = 0.45723552892138;
constexpr double omegaB = 0.07779607390389;   // PR: Vc = Zc R Tc / Pc = 3.9513 b

// Real roots of Z^3 + c2 Z^2 + c1 Z + c0, each polished by Newton steps, ascending.
std::vector<double> cubicRoots(double c2, double c1, double c0) {
    double q = (c2 * c2 - 3 * c1) / 9;
    double r = (2 * c2 * c2 * c2 - 9 * c2 * c1 + 27 * c0) / 54;
    std::vector<double> roots;
    if (r * r < q * q * q) {
        double theta = std::acos(std::clamp(r / std::sqrt(q * q * q), -1.0, 1.0));
        double m = -2 * std::sqrt(q);
        for (int k = 0; k < 3; ++k) roots.push_back(m * std::cos((theta + 2 * pi * (k - 1)) / 3) - c2 / 3);
    } else {
        double s = -std::copysign(std::cbrt(std::fabs(r) + std::sqrt(r * r - q * q * q)), r);
        double t = s == 0 ? 0 : q / s;
        roots.push_back(s + t - c2 / 3);
    }
    for (double& z : roots) {
        for (int it = 0; it < 3; ++it) {
            double f = ((z + c2) * z + c1) * z + c0;
            double df = (3 * z + 2 * c2) * z + c1;
            if (df == 0) break;
            z -= f / df;
        }
    }
    std::sort(roots.begin(), roots.end());
    return roots;
}

std::vector<double> prRoots(double A, double B) {
    auto all = cubicRoots(-(1 - B), A - 3 * B * B - 2 * B, -(A * B - B * B - B * B * B));
    std::vector<double> valid;
    for (double z : all)
        if (z > B) valid.push_back(z);
    return valid;
}

// ln[(Z + (1+sqrt2)B) / (Z + (1-sqrt2)B)], the attractive-term integral.
double logTerm(double z, double B) {
    return std::log((z + (1 + sqrt2) * B) / (z + (1 - sqrt2) * B));
}

}  // namespace

PengRobinson::PengRobinson(std::vector<Compound> compounds, std::vector<std::vector<double>> kij)
    : m_c(std::move(compounds)), m_kij(std::move(kij)) {
    size_t n = m_c.size();
    if (m_kij.size() != n) throw std::invalid_argument("kij matrix does not match the compound list");
    for (auto& row : m_kij)
        if (row.size() != n) throw std::invalid_argument("kij matrix does not match the compound list");
    for (auto& c : m_c) {
        m_ac.push_back(omegaA * R * R * c.tc * c.tc / c.pc);
        m_b.push_back(omegaB * R * c.tc / c.pc);
        m_kappa.push_back(0.37464 + 1.54226 * c.omega - 0.26992 * c.omega * c.omega);
    }
}

// sqrt(a_i(T)) = sqrt(ac_i) (1 + kappa (1 - sqrt(T/Tc))) and its first two T derivatives.
PengRobinson::Pure PengRobinson::pureTerms(double t) const {
    Pure p;
    size_t n = size();
    p.q.resize(n), p.dq.resize(n), p.d2q.resize(n);
    for (size_t i = 0; i < n; ++i) {
        double sa = std::sqrt(m_ac[i]), tc = m_c[i].tc, k = m_kappa[i];
        double st = std::sqrt(t / tc);
        p.q[i] = sa * (1 + k * (1 - st));
        p.dq[i] = -sa * k / (2 * std::sqrt(t * tc));
        p.d2q[i] = sa * k / (4 * std::sqrt(tc) * t * std::sqrt(t));
    }
    return p;
}

PengRobinson::Mix PengRobinson::mixture(const Pure& p, const std::vector<double>& x, bool derivatives) const {
    Mix m;
    size_t n = size();
    m.sumA.assign(n, 0.0);
    for (size_t i = 0; i < n; ++i) {
        m.b += x[i] * m_b[i];
        const std::vector<double>& k = m_kij[i];
        double sum = 0, d1 = 0, d2 = 0;
        for (size_t j = 0; j < n; ++j) {
            double f = (1 - k[j]) * x[j];
            sum += f * p.q[j];
            if (derivatives) {
                d1 += f * (p.dq[i] * p.q[j] + p.q[i] * p.dq[j]);
                d2 += f * (p.d2q[i] * p.q[j] + 2 * p.dq[i] * p.dq[j] + p.q[i] * p.d2q[j]);
            }
        }
        m.sumA[i] = sum * p.q[i];
        m.a += x[i] * m.sumA[i];
        m.da += x[i] * d1;
        m.d2a += x[i] * d2;
    }
    return m;
}

double PengRobinson::chooseRoot(double A, double B, Root root, bool* single) {
    auto roots = prRoots(A, B);
    if (roots.empty()) throw std::domain_error("Peng-Robinson cubic has no root above b");
    if (single) *single = roots.size() == 1;
    return root == Root::Vapour ? roots.back() : roots.front();
}

std::vector<double> PengRobinson::normalised(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x) {
        if (!(v >= 0) || !std::isfinite(v)) throw std::invalid_argument("mole fractions must be finite and not negative");
        sum += v;
    }
    if (!(sum > 0)) throw std::invalid_argument("mole fractions sum to zero");
    std::vector<double> out(x);
    for (double& v : out) v /= sum;
    return out;
}

void PengRobinson::fillLnPhi(const Mix& m, double z, double A, double B, std::vector<double>& out) const {
    size_t n = size();
    out.resize(n);
    double lnZB = std::log(z - B);
    double attr = A / (2 * sqrt2 * B) * logTerm(z, B);
    for (size_t i = 0; i < n; ++i) {
        double bb = m_b[i] / m.b;
        out[i] = bb * (z - 1) - lnZB - attr * (2 * m.sumA[i] / m.a - bb);
    }
}

double PengRobinson::lnPhi(double t, double p, const std::vector<double>& xIn, Root root,
                           std::vector<double>& out) const {
    if (xIn.size() != size()) throw std::invalid_argument("composition has the wrong length");
    auto x = normalised(xIn);
    Mix m = mixture(pureTerms(t), x, false);
    double A = m.a * p / (R * R * t * t), B = m.b * p / (R * t);
    double z = chooseRoot(A, B, root, nullptr);
    fillLnPhi(m, z, A, B, out);
    return z;
}

double PengRobinson::compressibility(double t, double p, const std::vector<double>& x, Root root) const {
    std::vector<double> unused;
    return lnPhi(t, p, x, root, unused);
}

double PengRobinson::residualGibbs(double t, double p, const std::vector<double>& xIn, Root root) const {
    std::vector<double> lp;
    lnPhi(t, p, xIn, root, lp);
    auto x = normalised(xIn);
    double g = 0;
    for (size_t i = 0; i < size(); ++i) g += x[i] * lp[i];
    return g;
}

int PengRobinson::rootCount(double t, double p, const std::vector<double>& xIn) const {
    auto x = normalised(xIn);
    Mix m = mixture(pureTerms(t), x, false);
    return int(prRoots(m.a * p / (R * R * t * t), m.b * p / (R * t)).size());
}

Root PengRobinson::stableRoot(double t, double p, const std::vector<double>& x) const {
    return residualGibbs(t, p, x, Root::Vapour) <= residualGibbs(t, p, x, Root::Liquid) ? Root::Vapour : Root::Liquid;
}

bool PengRobinson::vapourLike(double t, double p, const std::vector<double>& xIn) const {
    auto x = normalised(xIn);
    Mix m = mixture(pureTerms(t), x, false);
    double A = m.a * p / (R * R * t * t), B = m.b * p / (R * t);
    auto roots = prRoots(A, B);
    if (roots.empty()) throw std::domain_error("Peng-Robinson cubic has no root above b");
    if (roots.size() > 1) return stableRoot(t, p, x) == Root::Vapour;
    return roots.front() / B > criticalVolumeOverB;   // V/b = Z/B
}

PhaseProps PengRobinson::properties(double t, double p, const std::vector<double>& xIn, Root root) const {
    if (xIn.size() != size()) throw std::invalid_argument("composition has the wrong length");
    if (!(t > 0) || !(p > 0)) throw std::invalid_argument("temperature and pressure must be positive");
    auto x = normalised(xIn);
    Mix m = mixture(pureTerms(t), x, true);
    double A = m.a * p / (R * R * t * t), B = m.b * p / (R * t);
    PhaseProps r;
    r.z = chooseRoot(A, B, root, &r.singleRoot);
    r.v = r.z * R * t / p;
    fillLnPhi(m, r.z, A, B, r.lnPhi);

    double L = logTerm(r.z, B);
    double hRes = R * t * (r.z - 1) + (t * m.da - m.a) / (2 * sqrt2 * m.b) * L;
    double sRes = R * std::log(r.z - B) + m.da / (2 * sqrt2 * m.b) * L;
    double cvRes = t * m.d2a / (2 * sqrt2 * m.b) * L;

    double hIg = 0, sIg = 0, cpIg = 0;
    for (size_t i = 0; i < size(); ++i) {
        if (x[i] <= 0) continue;
        hIg += x[i] * m_c[i].idealH(t);
        sIg += x[i] * (m_c[i].idealS(t) - R * std::log(x[i]));
        cpIg += x[i] * m_c[i].idealCp(t);
        r.mw += x[i] * m_c[i].mw;
    }
    sIg -= R * std::log(p / Pref);

    // Cp - Cv = -T (dP/dT)_V^2 / (dP/dV)_T
    double v = r.v, b = m.b, den = v * v + 2 * b * v - b * b;
    double dPdT = R / (v - b) - m.da / den;
    double dPdV = -R * t / ((v - b) * (v - b)) + m.a * (2 * v + 2 * b) / (den * den);
    r.h = hIg + hRes;
    r.s = sIg + sRes;
    r.g = r.h - t * r.s;
    r.cv = cpIg - R + cvRes;
    r.cp = r.cv - t * dPdT * dPdT / dPdV;
    return r;
}

std::vector<double> PengRobinson::pureLnPhi(double t, double p, Root root) const {
    size_t n = size();
    std::vector<double> out(n);
    Pure pure = pureTerms(t);
    for (size_t i = 0; i < n; ++i) {
        double a = pure.q[i] * pure.q[i];
        double A = a * p / (R * R * t * t), B = m_b[i] * p / (R * t);
        double z = chooseRoot(A, B, root, nullptr);
        out[i] = z - 1 - std::log(z - B) - A / (2 * sqrt2 * B) * logTerm(z, B);
    }
    return out;
}

std::vector<double> PengRobinson::lnKValues(double t, double p, const std::vector<double>& x,
                                            const std::vector<double>& y) const {
    std::vector<double> liquid, vapour;
    lnPhi(t, p, x, Root::Liquid, liquid);
    lnPhi(t, p, y, Root::Vapour, vapour);
    for (size_t i = 0; i < size(); ++i) liquid[i] -= vapour[i];
    return liquid;
}

std::vector<double> PengRobinson::fugacities(double t, double p, const std::vector<double>& xIn, Root root) const {
    std::vector<double> out;
    lnPhi(t, p, xIn, root, out);
    auto x = normalised(xIn);
    for (size_t i = 0; i < size(); ++i) out[i] = x[i] * std::exp(out[i]) * p;
    return out;
}

std::vector<double> PengRobinson::lnActivity(double t, double p, const std::vector<double>& x) const {
    std::vector<double> lnPhiMix;
    lnPhi(t, p, x, Root::Liquid, lnPhiMix);
    auto ref = pureLnPhi(t, p, Root::Liquid);
    for (size_t i = 0; i < size(); ++i) lnPhiMix[i] -= ref[i];
    return lnPhiMix;
}

double PengRobinson::saturationPressure(size_t i, double t) const {
    const Compound& c = m_c.at(i);
    if (!(t > 0) || t >= c.tc) throw std::domain_error("no vapour pressure at or above the critical temperature");
    double a = std::pow(std::sqrt(m_ac[i]) * (1 + m_kappa[i] * (1 - std::sqrt(t / c.tc))), 2);
    double b = m_b[i];
    // f = ln phi_L - ln phi_V is positive below the vapour pressure. A single root counts as
    // vapour (P too low) or liquid (P too high) by the equation's critical volume.
    double lo = 0, hi = c.pc;
    double p = std::min(c.pc * std::exp(5.373 * (1 + c.omega) * (1 - c.tc / t)), 0.9 * c.pc);
    for (int it = 0; it < 200; ++it) {
        double A = a * p / (R * R * t * t), B = b * p / (R * t);
        auto roots = prRoots(A, B);
        double step = 0;
        bool bisect = roots.size() < 2;
        if (bisect) {
            double v = roots.front() * R * t / p;
            (v / b > criticalVolumeOverB ? lo : hi) = p;
        } else {
            double zl = roots.front(), zv = roots.back();
            auto lnphi = [&](double z) { return z - 1 - std::log(z - B) - A / (2 * sqrt2 * B) * logTerm(z, B); };
            double f = lnphi(zl) - lnphi(zv);
            (f > 0 ? lo : hi) = p;
            step = -f * R * t / ((zl - zv) * R * t / p);   // d f / dP = (V_L - V_V) / RT
            if (std::fabs(f) < 1e-13) return p;
        }
        double next = p + step;
        if (bisect || !(next > lo && next < hi)) next = lo > 0 ? std::sqrt(lo * hi) : hi / 2;
        if (std::fabs(next - p) < 1e-14 * p) return next;
        p = next;
    }
    throw std::domain_error("vapour pressure did not converge for " + c.name);
}

double PengRobinson::saturationTemperature(size_t i, double p) const {
    const Compound& c = m_c.at(i);
    if (!(p > 0) || p >= c.pc) throw std::domain_error("no saturation temperature at or above the critical pressure");
    // Newton on ln Psat against 1/T (nearly linear), kept inside a bracket.
    double lo = 0.2 * c.tc, hi = c.tc * (1 - 1e-9);
    double t = c.tc / (1 - std::log(p / c.pc) / (5.373 * (1 + c.omega)));
    t = std::clamp(t, lo * 1.01, hi * 0.999);
    for (int it = 0; it < 100; ++it) {
        double ps = saturationPressure(i, t);
        double f = std::log(ps / p);
        (f > 0 ? hi : lo) = t;
        if (std::fabs(f) < 1e-12) return t;
        double dt = t * 1e-6;
        double slope = (std::log(saturationPressure(i, t - dt)) - std::log(ps)) / (-dt);
        double next = t - f / slope;
        if (!(next > lo && next < hi)) next = (lo + hi) / 2;
        if (std::fabs(next - t) < 1e-12 * t) return next;
        t = next;
    }
    throw std::domain_error("saturation temperature did not converge for " + c.name);
}

}  // namespace prcore
