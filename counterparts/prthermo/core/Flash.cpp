#include "counterparts/prthermo/core/Flash.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>

namespace prcore {
namespace {

constexpr int maxSubstitutions = 2000;
constexpr double lnKTolerance = 1e-12;
constexpr double trivialLnK = 1e-6;
// A vapour-fraction solution with all |ln K| below this is taken for the trivial one.
constexpr double nearTrivialLnK = 1e-4;
constexpr double tMin = 10, tMax = 5000;

std::vector<double> normalisedFeed(const std::vector<double>& z, size_t n) {
    if (z.size() != n) throw std::invalid_argument("feed composition has the wrong length");
    double sum = 0;
    for (double v : z) {
        if (!(v >= 0) || !std::isfinite(v)) throw std::invalid_argument("mole fractions must be finite and not negative");
        sum += v;
    }
    if (!(sum > 0)) throw std::invalid_argument("mole fractions sum to zero");
    std::vector<double> out(z);
    for (double& v : out) v /= sum;
    return out;
}

void normalise(std::vector<double>& v) {
    double sum = 0;
    for (double x : v) sum += x;
    for (double& x : v) x /= sum;
}

// Phase compositions from K and beta: x_i = z_i / (1 + beta (K_i - 1)), y_i = K_i x_i.
void splitFeed(const std::vector<double>& z, const std::vector<double>& k, double beta,
               std::vector<double>& x, std::vector<double>& y) {
    size_t n = z.size();
    x.resize(n), y.resize(n);
    for (size_t i = 0; i < n; ++i) {
        x[i] = z[i] / (1 + beta * (k[i] - 1));
        y[i] = k[i] * x[i];
    }
    normalise(x);
    normalise(y);
}

std::vector<double> expOf(const std::vector<double>& v) {
    std::vector<double> out(v.size());
    for (size_t i = 0; i < v.size(); ++i) out[i] = std::exp(std::clamp(v[i], -700.0, 700.0));
    return out;
}

// Largest |ln K| over the compounds in the feed: near 0 means both phases are the same.
double spread(const std::vector<double>& lnK, const std::vector<double>& z) {
    double m = 0;
    for (size_t i = 0; i < z.size(); ++i)
        if (z[i] > 0) m = std::max(m, std::fabs(lnK[i]));
    return m;
}

// Root of an increasing function f on [lo, hi], searched outward from x0 and then closed by
// the Illinois variant of regula falsi. Returns the bracket's ends in a and b (f(a) <= 0 <= f(b)).
void bracketIncreasing(const std::function<double(double)>& f, double x0, double step, double lo, double hi,
                       double xTol, double fTol, double& a, double& b, double& fa, double& fb) {
    double x = x0, fx = f(x);
    a = b = x, fa = fb = fx;
    if (std::fabs(fx) <= fTol) return;
    for (;;) {
        double next = std::clamp(fx > 0 ? x - step : x + step, lo, hi);
        if (next == x) throw FlashError("the flash target lies outside the temperature range of the flash");
        double fn = f(next);
        if ((fn > 0) != (fx > 0) || std::fabs(fn) <= fTol) {
            if (fx <= 0) a = x, fa = fx, b = next, fb = fn;
            else a = next, fa = fn, b = x, fb = fx;
            break;
        }
        x = next, fx = fn, step *= 2;
    }
    int side = 0;
    while (b - a > xTol * b && std::fabs(fa) > fTol && std::fabs(fb) > fTol) {
        double c = b - fb * (b - a) / (fb - fa);
        if (!(c > a && c < b)) c = (a + b) / 2;
        double fc = f(c);
        if (fc <= 0) {
            a = c, fa = fc;
            if (side == -1) fb /= 2;
            side = -1;
        } else {
            b = c, fb = fc;
            if (side == 1) fa /= 2;
            side = 1;
        }
    }
}

// Solves a x = b in place (b becomes x) by Gaussian elimination with partial pivoting.
bool solveLinear(std::vector<std::vector<double>>& a, std::vector<double>& b) {
    size_t n = b.size();
    for (size_t c = 0; c < n; ++c) {
        size_t pivot = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (!(std::fabs(a[pivot][c]) > 1e-300)) return false;
        std::swap(a[c], a[pivot]);
        std::swap(b[c], b[pivot]);
        for (size_t r = c + 1; r < n; ++r) {
            double f = a[r][c] / a[c][c];
            for (size_t k = c; k < n; ++k) a[r][k] -= f * a[c][k];
            b[r] -= f * b[c];
        }
    }
    for (size_t c = n; c-- > 0;) {
        for (size_t k = c + 1; k < n; ++k) b[c] -= a[c][k] * b[k];
        b[c] /= a[c][c];
    }
    return true;
}

double largest(const std::vector<double>& g) {
    double m = 0;
    for (double v : g) m = std::max(m, std::fabs(v));
    return m;
}

// Newton's method on g(u) = 0 with a forward-difference Jacobian (steps h[c] per unknown) and
// steps scaled down to at most maxStep[c]; true when max |g| < 1e-10 at the end.
bool newtonSolve(std::vector<double>& u, const std::function<void(const std::vector<double>&, std::vector<double>&)>& g,
                 const std::vector<double>& h, const std::vector<double>& maxStep) {
    size_t n = u.size();
    std::vector<double> r, rh;
    double first = -1;
    for (int it = 0; it < 40; ++it) {
        g(u, r);
        if (largest(r) < 1e-13) break;
        if (first < 0) first = largest(r);
        if (it >= 8 && largest(r) > first) return false;   // diverging
        std::vector<std::vector<double>> jac(n, std::vector<double>(n));
        for (size_t c = 0; c < n; ++c) {
            std::vector<double> uh(u);
            uh[c] += h[c];
            g(uh, rh);
            for (size_t k = 0; k < n; ++k) jac[k][c] = (rh[k] - r[k]) / h[c];
        }
        std::vector<double> step(r);
        for (double& v : step) v = -v;
        if (!solveLinear(jac, step)) return false;
        double scale = 1;
        for (size_t c = 0; c < n; ++c) scale = std::min(scale, maxStep[c] / std::max(std::fabs(step[c]), 1e-300));
        for (size_t c = 0; c < n; ++c) u[c] += scale * step[c];
    }
    g(u, r);
    return largest(r) < 1e-10;
}

}  // namespace

FlashType parseFlashType(const std::string& name) {
    std::string u;
    for (char c : name) u += char(std::toupper(static_cast<unsigned char>(c)));
    if (u == "TP" || u == "PT") return FlashType::TP;
    // "PHF" and "PSF" are the same flashes asked by a client that names enthalpy "enthalpyF".
    if (u == "PH" || u == "PHF") return FlashType::PH;
    if (u == "PS" || u == "PSF") return FlashType::PS;
    if (u == "TVF") return FlashType::TVF;
    if (u == "PVF") return FlashType::PVF;
    throw std::invalid_argument("unknown flash type '" + name + "'");
}

bool rachfordRice(const std::vector<double>& z, const std::vector<double>& k, double& beta) {
    double kMin = 1e300, kMax = 0;
    for (size_t i = 0; i < z.size(); ++i)
        if (z[i] > 0) kMin = std::min(kMin, k[i]), kMax = std::max(kMax, k[i]);
    if (kMax <= 1) return beta = 0, false;
    if (kMin >= 1) return beta = 1, false;
    auto f = [&](double b, double& df) {
        double sum = 0;
        df = 0;
        for (size_t i = 0; i < z.size(); ++i) {
            if (z[i] <= 0) continue;
            double d = 1 + b * (k[i] - 1);
            sum += z[i] * (k[i] - 1) / d;
            df -= z[i] * (k[i] - 1) * (k[i] - 1) / (d * d);
        }
        return sum;
    };
    // f decreases from +inf to -inf across the window where every denominator stays positive.
    double lo = 1 / (1 - kMax), hi = 1 / (1 - kMin);
    double b = std::clamp(0.5, lo + 1e-12 * (hi - lo), hi - 1e-12 * (hi - lo));
    for (int it = 0; it < 200; ++it) {
        double df, fb = f(b, df);
        (fb > 0 ? lo : hi) = b;
        double next = b - fb / df;
        if (!(next > lo && next < hi)) next = (lo + hi) / 2;
        if (std::fabs(next - b) < 1e-15 * std::max(1.0, std::fabs(b))) {
            b = next;
            break;
        }
        b = next;
    }
    beta = b;
    return true;
}

std::vector<double> Flash::wilsonLnK(double t, double p) const {
    std::vector<double> lnK;
    for (auto& c : m_eos.compounds())
        lnK.push_back(std::log(c.pc / p) + 5.373 * (1 + c.omega) * (1 - c.tc / t));
    return lnK;
}

bool Flash::successiveSubstitution(double t, double p, const std::vector<double>& z, std::vector<double>& lnK,
                                   FlashResult& out) const {
    std::vector<double> x, y, lnPhiL, lnPhiV;
    double beta = 0, delta = 1;
    for (int it = 1; it <= maxSubstitutions; ++it) {
        auto k = expOf(lnK);
        if (!rachfordRice(z, k, beta)) return false;
        splitFeed(z, k, beta, x, y);
        m_eos.lnPhi(t, p, x, Root::Liquid, lnPhiL);
        m_eos.lnPhi(t, p, y, Root::Vapour, lnPhiV);
        delta = 0;
        for (size_t i = 0; i < z.size(); ++i) {
            double next = lnPhiL[i] - lnPhiV[i];
            if (z[i] > 0) delta = std::max(delta, std::fabs(next - lnK[i]));
            lnK[i] = next;
        }
        if (spread(lnK, z) < trivialLnK) return false;
        out.iterations = it;
        if (delta < lnKTolerance) break;
        if ((it == 30 || it == 100 || it == 300) && delta < 1e-2 && newtonOnLnK(t, p, z, lnK)) {
            delta = 0;
            break;
        }
    }
    if (delta > 1e-9) throw FlashError("two-phase flash did not converge");
    auto k = expOf(lnK);
    if (!rachfordRice(z, k, beta) || !(beta > 0 && beta < 1)) return false;
    splitFeed(z, k, beta, out.x, out.y);
    out.vapourFraction = beta;
    out.vapourPresent = out.liquidPresent = true;
    return true;
}

// Newton on ln K_i = ln phi_i(liquid) - ln phi_i(vapour), beta from Rachford-Rice: for the
// near-critical flashes where substitution converges too slowly. False if it fails or turns trivial.
bool Flash::newtonOnLnK(double t, double p, const std::vector<double>& z, std::vector<double>& lnK) const {
    size_t n = z.size();
    std::vector<double> x, y, lnPhiL, lnPhiV;
    bool split = true;
    auto equations = [&](const std::vector<double>& u, std::vector<double>& g) {
        double beta;
        auto k = expOf(u);
        split = rachfordRice(z, k, beta) && split;
        splitFeed(z, k, beta, x, y);
        m_eos.lnPhi(t, p, x, Root::Liquid, lnPhiL);
        m_eos.lnPhi(t, p, y, Root::Vapour, lnPhiV);
        g.resize(n);
        for (size_t i = 0; i < n; ++i) g[i] = u[i] - (lnPhiL[i] - lnPhiV[i]);
    };
    std::vector<double> u(lnK);
    if (!newtonSolve(u, equations, std::vector<double>(n, 1e-7), std::vector<double>(n, 1.0)) || !split) return false;
    if (spread(u, z) < nearTrivialLnK) return false;
    lnK = u;
    return true;
}

// Michelsen's tangent-plane test with one trial phase; on instability lnK is set from the trial.
bool Flash::unstable(double t, double p, const std::vector<double>& z, bool vapourTrial, std::vector<double>& lnK) const {
    size_t n = z.size();
    std::vector<double> lnPhiZ, lnPhiY, d(n, 0.0), lnY(n, -1e300), y(n, 0.0);
    m_eos.lnPhi(t, p, z, m_eos.stableRoot(t, p, z), lnPhiZ);
    auto wilson = wilsonLnK(t, p);
    for (size_t i = 0; i < n; ++i)
        if (z[i] > 0) {
            d[i] = std::log(z[i]) + lnPhiZ[i];
            lnY[i] = std::log(z[i]) + (vapourTrial ? wilson[i] : -wilson[i]);
        }
    double sumY = 0;
    for (int it = 0; it < 2000; ++it) {
        sumY = 0;
        for (size_t i = 0; i < n; ++i) sumY += y[i] = z[i] > 0 ? std::exp(lnY[i]) : 0.0;
        for (double& v : y) v /= sumY;
        m_eos.lnPhi(t, p, y, m_eos.stableRoot(t, p, y), lnPhiY);
        double delta = 0, distance = 0;
        for (size_t i = 0; i < n; ++i) {
            if (z[i] <= 0) continue;
            double next = d[i] - lnPhiY[i];
            delta = std::max(delta, std::fabs(next - lnY[i]));
            lnY[i] = next;
            distance = std::max(distance, std::fabs(std::log(y[i]) - std::log(z[i])));
        }
        if (distance < 1e-5) return false;   // trial collapsed onto the feed
        if (delta < 1e-11) break;
    }
    sumY = 0;
    for (size_t i = 0; i < n; ++i) sumY += z[i] > 0 ? std::exp(lnY[i]) : 0.0;
    if (!(sumY > 1 + 1e-9)) return false;
    for (size_t i = 0; i < n; ++i) {
        double lnRatio = z[i] > 0 ? lnY[i] - std::log(sumY) - std::log(z[i]) : 0.0;
        lnK[i] = vapourTrial ? lnRatio : -lnRatio;
    }
    return true;
}

FlashResult Flash::singlePhase(double t, double p, const std::vector<double>& z) const {
    FlashResult r;
    r.t = t, r.p = p, r.x = z, r.y = z;
    bool vapour = m_eos.vapourLike(t, p, z);
    r.vapourPresent = vapour, r.liquidPresent = !vapour;
    r.vapourFraction = vapour ? 1 : 0;
    return r;
}

void Flash::finish(FlashResult& r, const std::vector<double>& z) const {
    (void)z;
    r.h = r.s = 0;
    double beta = r.vapourFraction;
    if (r.vapourPresent && beta > 0) {
        auto v = m_eos.properties(r.t, r.p, r.y, Root::Vapour);
        r.h += beta * v.h, r.s += beta * v.s;
    }
    if (r.liquidPresent && beta < 1) {
        auto l = m_eos.properties(r.t, r.p, r.x, Root::Liquid);
        r.h += (1 - beta) * l.h, r.s += (1 - beta) * l.s;
    }
}

FlashResult Flash::tp(double t, double p, const std::vector<double>& zIn) const {
    if (!(t > 0) || !(p > 0) || !std::isfinite(t) || !std::isfinite(p))
        throw std::invalid_argument("temperature and pressure must be positive");
    auto z = normalisedFeed(zIn, m_eos.size());
    FlashResult r;
    r.t = t, r.p = p;
    auto lnK = wilsonLnK(t, p);
    // From the Wilson start substitution may wander without converging (negative flash near the
    // trivial solution); the stability test then decides.
    bool twoPhase = false;
    try {
        twoPhase = successiveSubstitution(t, p, z, lnK, r);
    } catch (const FlashError&) {
        twoPhase = false;
    }
    for (bool vapourTrial : {true, false}) {
        if (twoPhase) break;
        if (unstable(t, p, z, vapourTrial, lnK)) twoPhase = successiveSubstitution(t, p, z, lnK, r);
    }
    if (!twoPhase) r = singlePhase(t, p, z);
    finish(r, z);
    return r;
}

// Temperature at which H (or S) of the equilibrium feed meets the target; both rise with T.
// Where they jump at one temperature (a pure compound boiling) the result is that temperature
// with the vapour fraction that meets the target between the two sides.
FlashResult Flash::energyFlash(double p, double target, const std::vector<double>& zIn, bool entropy) const {
    if (!(p > 0) || !std::isfinite(p) || !std::isfinite(target)) throw std::invalid_argument("bad flash conditions");
    auto z = normalisedFeed(zIn, m_eos.size());
    auto f = [&](double t) {
        auto r = tp(t, p, z);
        return (entropy ? r.s : r.h) - target;
    };
    double a, b, fa, fb;
    double fTol = 1e-9 * std::max(1.0, std::fabs(target));
    bracketIncreasing(f, 300.0, 20.0, tMin, tMax, 1e-13, fTol, a, b, fa, fb);
    if (std::fabs(fa) <= fTol || std::fabs(fb) <= fTol) {
        auto r = tp(std::fabs(fa) <= std::fabs(fb) ? a : b, p, z);
        return r;
    }
    auto below = tp(a, p, z), above = tp(b, p, z);
    FlashResult r = below;
    r.t = (a + b) / 2;
    r.x = below.liquidPresent ? below.x : below.y;
    r.y = above.vapourPresent ? above.y : above.x;
    double lowValue = fa + target, highValue = fb + target;
    r.vapourFraction = below.vapourFraction +
                       (above.vapourFraction - below.vapourFraction) * (target - lowValue) / (highValue - lowValue);
    r.vapourPresent = r.liquidPresent = true;
    finish(r, z);
    return r;
}

FlashResult Flash::ph(double p, double h, const std::vector<double>& z) const { return energyFlash(p, h, z, false); }
FlashResult Flash::ps(double p, double s, const std::vector<double>& z) const { return energyFlash(p, s, z, true); }

// Newton on ln P (TVF) or T (PVF) with the phase compositions frozen in each step, the
// compositions then updated from the new K-values (successive substitution). A start that runs
// into the trivial solution (both phases alike, near or beyond the critical region) is retried
// from other Wilson starts: lower pressures for TVF, temperatures on both sides for PVF.
FlashResult Flash::fractionFlash(double fixed, double beta, const std::vector<double>& zIn, bool solveForPressure) const {
    if (!(beta >= 0 && beta <= 1)) throw std::invalid_argument("vapour fraction must lie in [0, 1]");
    if (!(fixed > 0) || !std::isfinite(fixed)) throw std::invalid_argument("bad flash conditions");
    auto z = normalisedFeed(zIn, m_eos.size());
    size_t n = z.size();
    auto stateAt = [&](double s, double& t, double& p) {
        if (solveForPressure) t = fixed, p = std::exp(s);
        else t = s, p = fixed;
    };
    auto residual = [&](const std::vector<double>& lnK) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i) {
            double k = std::exp(std::clamp(lnK[i], -700.0, 700.0));
            if (z[i] > 0) sum += z[i] * (k - 1) / (1 + beta * (k - 1));
        }
        return sum;
    };
    auto wilsonAt = [&](double s) {
        double t, p;
        stateAt(s, t, p);
        return wilsonLnK(t, p);
    };
    // Wilson estimate: the residual falls with P and rises with T.
    double lo = solveForPressure ? std::log(1e-3) : tMin, hi = solveForPressure ? std::log(1e10) : tMax;
    for (int it = 0; it < 200; ++it) {
        double mid = (lo + hi) / 2;
        bool moveUp = (residual(wilsonAt(mid)) > 0) == solveForPressure;
        (moveUp ? lo : hi) = mid;
    }
    const double wilsonStart = (lo + hi) / 2;

    std::vector<double> x, y, lnPhiL, lnPhiV, lnK, fresh, shifted;
    auto lnKAt = [&](double sv, std::vector<double>& out) {
        double tv, pv;
        stateAt(sv, tv, pv);
        m_eos.lnPhi(tv, pv, x, Root::Liquid, lnPhiL);
        m_eos.lnPhi(tv, pv, y, Root::Vapour, lnPhiV);
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = lnPhiL[i] - lnPhiV[i];
    };
    // Residuals of the whole problem in u = (ln K, s): ln K_i - ln(phiL_i / phiV_i) and Rachford-Rice.
    auto equations = [&](const std::vector<double>& u, std::vector<double>& g) {
        std::vector<double> k(u.begin(), u.begin() + long(n));
        splitFeed(z, expOf(k), beta, x, y);
        lnKAt(u[n], fresh);
        g.resize(n + 1);
        for (size_t i = 0; i < n; ++i) g[i] = k[i] - fresh[i];
        g[n] = residual(k);
    };
    // Newton on all unknowns: quadratic where substitution crawls (near the critical region).
    auto newton = [&](double& s) {
        std::vector<double> u(lnK);
        u.push_back(s);
        std::vector<double> h(n + 1, 1e-7), maxStep(n + 1, 2.0);
        h[n] = solveForPressure ? 1e-7 : 1e-7 * s;
        maxStep[n] = solveForPressure ? 0.5 : 0.05 * s;
        if (!newtonSolve(u, equations, h, maxStep)) return false;
        lnK.assign(u.begin(), u.begin() + long(n));
        s = u[n];
        return spread(lnK, z) >= nearTrivialLnK;
    };
    // One attempt from s; false when it falls onto the trivial solution.
    FlashResult r;
    auto attempt = [&](double s) {
        lnK = wilsonAt(s);
        for (int it = 1; it <= 3000; ++it) {
            splitFeed(z, expOf(lnK), beta, x, y);
            lnKAt(s, fresh);
            double delta = 0;
            for (size_t i = 0; i < n; ++i)
                if (z[i] > 0) delta = std::max(delta, std::fabs(fresh[i] - lnK[i]));
            lnK = fresh;
            double f0 = residual(lnK);
            double ds = solveForPressure ? 1e-6 : 1e-6 * s;
            lnKAt(s + ds, shifted);
            double slope = (residual(shifted) - f0) / ds;
            double step = slope != 0 ? -f0 / slope : 0;
            double limit = solveForPressure ? 0.5 : 0.05 * s;
            step = std::clamp(step, -limit, limit);
            s += step;
            if (!solveForPressure) s = std::clamp(s, tMin, tMax);
            lnKAt(s, lnK);
            if (spread(lnK, z) < nearTrivialLnK) return false;
            r.iterations = it;
            bool done = delta < lnKTolerance && std::fabs(step) < 1e-12 * (solveForPressure ? 1 : s);
            if (!done && (it == 30 || it == 100 || it == 300) && delta < 1e-2) done = newton(s);
            if (done) {
                stateAt(s, r.t, r.p);
                return true;
            }
        }
        throw FlashError("vapour-fraction flash did not converge");
    };
    const double tvfStarts[] = {0, std::log(0.8), std::log(0.6), std::log(0.4), std::log(0.25), std::log(0.1)};
    const double pvfStarts[] = {0, -0.05, 0.05, -0.1, 0.1, -0.2, 0.2};
    bool found = false;
    if (solveForPressure)
        for (double shift : tvfStarts)
            if ((found = attempt(wilsonStart + shift))) break;
    if (!solveForPressure)
        for (double shift : pvfStarts)
            if ((found = attempt(std::clamp(wilsonStart * (1 + shift), tMin, tMax)))) break;
    if (!found) throw FlashError("no two-phase solution for this vapour fraction");
    splitFeed(z, expOf(lnK), beta, r.x, r.y);
    r.vapourFraction = beta;
    r.vapourPresent = beta > 0;
    r.liquidPresent = beta < 1;
    finish(r, z);
    return r;
}

FlashResult Flash::tvf(double t, double beta, const std::vector<double>& z) const { return fractionFlash(t, beta, z, true); }
FlashResult Flash::pvf(double p, double beta, const std::vector<double>& z) const { return fractionFlash(p, beta, z, false); }

FlashResult Flash::run(FlashType type, double first, double second, const std::vector<double>& z) const {
    switch (type) {
        case FlashType::TP: return tp(first, second, z);
        case FlashType::PH: return ph(first, second, z);
        case FlashType::PS: return ps(first, second, z);
        case FlashType::TVF: return tvf(first, second, z);
        case FlashType::PVF: return pvf(first, second, z);
    }
    throw std::invalid_argument("unknown flash type");
}

}  // namespace prcore
