// Flashes checked by equilibrium conditions and by inverting one another.
#include "tests/prthermo/PrCoreFixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace prcore;
using prtest::lnFugacity;
using prtest::makeEos;

namespace {

std::vector<std::string> gasNames() {
    return {"nitrogen", "carbon dioxide", "hydrogen sulfide", "methane", "ethane", "propane", "isobutane",
            "n-butane", "isopentane", "n-pentane", "n-hexane", "n-heptane", "n-octane", "water"};
}
const std::vector<double> gasFeed = {0.01, 0.02, 0.005, 0.71, 0.08, 0.05, 0.02, 0.025, 0.015, 0.015, 0.015, 0.01, 0.01, 0.015};
// A rich feed with bubble and dew points at 300 K and at 3 MPa.
const std::vector<double> richFeed = {0.005, 0.01, 0.005, 0.30, 0.08, 0.10, 0.05, 0.08, 0.05, 0.06, 0.08, 0.07, 0.10, 0.01};

// Equal fugacities of every compound in both phases, mass balance, sane compositions.
void expectEquilibrium(const PengRobinson& eos, const FlashResult& r, const std::vector<double>& z) {
    ASSERT_TRUE(r.vapourPresent && r.liquidPresent);
    ASSERT_GT(r.vapourFraction, 0.0);
    ASSERT_LT(r.vapourFraction, 1.0);
    auto fl = lnFugacity(eos, r.t, r.p, r.x, Root::Liquid);
    auto fv = lnFugacity(eos, r.t, r.p, r.y, Root::Vapour);
    for (size_t i = 0; i < z.size(); ++i) {
        if (z[i] <= 0) continue;
        EXPECT_NEAR(fl[i], fv[i], 1e-9) << "compound " << i;
        EXPECT_NEAR(r.vapourFraction * r.y[i] + (1 - r.vapourFraction) * r.x[i], z[i], 1e-12) << i;
    }
    double sx = 0, sy = 0;
    for (size_t i = 0; i < z.size(); ++i) sx += r.x[i], sy += r.y[i];
    EXPECT_NEAR(sx, 1.0, 1e-12);
    EXPECT_NEAR(sy, 1.0, 1e-12);
    // Two distinct phases, not the trivial solution.
    EXPECT_GT(eos.properties(r.t, r.p, r.y, Root::Vapour).v, 1.5 * eos.properties(r.t, r.p, r.x, Root::Liquid).v);
}

}  // namespace

TEST(PrcoreFlash, TwoPhaseTpFlashOfNaturalGasIsAtEquilibrium) {
    auto eos = makeEos(gasNames());
    Flash flash(eos);
    for (auto tp : {std::pair<double, double>{250, 3e6}, {300, 5e6}, {220, 1e6}, {320, 0.5e6}}) {
        auto r = flash.tp(tp.first, tp.second, gasFeed);
        SCOPED_TRACE(tp.first);
        expectEquilibrium(eos, r, gasFeed);
        EXPECT_GT(r.y[3], r.x[3]);     // methane goes to the vapour
        EXPECT_LT(r.y[12], r.x[12]);   // octane to the liquid
    }
}

// K-values and fugacities of the property interface agree with the flash's phase split.
TEST(PrcoreFlash, KValuesAndFugacitiesAtAFlashResult) {
    auto eos = makeEos(gasNames());
    auto r = Flash(eos).tp(250, 3e6, gasFeed);
    auto lnK = eos.lnKValues(r.t, r.p, r.x, r.y);
    auto fl = eos.fugacities(r.t, r.p, r.x, Root::Liquid), fv = eos.fugacities(r.t, r.p, r.y, Root::Vapour);
    for (size_t i = 0; i < gasFeed.size(); ++i) {
        EXPECT_NEAR(lnK[i], std::log(r.y[i] / r.x[i]), 1e-9) << i;
        EXPECT_NEAR(fl[i], fv[i], 1e-8 * fv[i]) << i;
    }
    double total = 0;
    for (double f : fv) total += f;
    EXPECT_LT(total, r.p);   // a real gas at 3 MPa: fugacity below pressure
}

// States near the mixture's critical region where substitution alone stalls or wanders.
TEST(PrcoreFlash, NearCriticalStatesConverge) {
    auto eos = makeEos(gasNames());
    Flash flash(eos);
    for (auto tp : {std::pair<double, double>{272.5, 15e6}, {272.75, 15e6}, {220, 8.67362e6}, {310, 1.69407e7},
                    {513.75, 8.67e6}}) {
        SCOPED_TRACE(tp.first);
        FlashResult r;
        ASSERT_NO_THROW(r = flash.tp(tp.first, tp.second, gasFeed));
        if (r.vapourPresent && r.liquidPresent) expectEquilibrium(eos, r, gasFeed);
        FlashResult back;
        ASSERT_NO_THROW(back = flash.ph(tp.second, r.h, gasFeed));
        EXPECT_NEAR(back.t, tp.first, 1e-6);
    }
    EXPECT_NO_THROW(flash.ph(1e7, flash.tp(500, 1e7, gasFeed).h, gasFeed));
}

TEST(PrcoreFlash, SinglePhaseResults) {
    auto eos = makeEos(gasNames());
    Flash flash(eos);
    auto hot = flash.tp(600, 1e6, gasFeed);
    EXPECT_TRUE(hot.vapourPresent);
    EXPECT_FALSE(hot.liquidPresent);
    EXPECT_EQ(hot.vapourFraction, 1.0);
    EXPECT_EQ(hot.y, gasFeed);
    auto heavy = makeEos({"n-hexane", "n-heptane"});
    auto cold = Flash(heavy).tp(300, 1e6, {0.5, 0.5});
    EXPECT_TRUE(cold.liquidPresent);
    EXPECT_FALSE(cold.vapourPresent);
    EXPECT_EQ(cold.vapourFraction, 0.0);
    EXPECT_NEAR(cold.h, heavy.properties(300, 1e6, {0.5, 0.5}, Root::Liquid).h, 1e-9);
    // A pure compound is vapour below and liquid above its vapour pressure.
    auto c3 = makeEos({"propane"});
    double ps = c3.saturationPressure(0, 300);
    EXPECT_TRUE(Flash(c3).tp(300, 0.99 * ps, {1.0}).vapourPresent);
    EXPECT_TRUE(Flash(c3).tp(300, 1.01 * ps, {1.0}).liquidPresent);
    // Above the critical temperature: one phase, called vapour by its volume.
    EXPECT_TRUE(Flash(c3).tp(450, 1e5, {1.0}).vapourPresent);
}

// Compounds absent from the feed do not disturb the flash.
TEST(PrcoreFlash, ZeroFractionsInTheFeed) {
    auto eos = makeEos(gasNames());
    std::vector<double> z(gasFeed);
    z[0] = z[2] = z[13] = 0;
    double sum = 0;
    for (double v : z) sum += v;
    for (double& v : z) v /= sum;
    auto r = Flash(eos).tp(250, 3e6, z);
    expectEquilibrium(eos, r, z);
    EXPECT_EQ(r.x[0], 0.0);
    EXPECT_EQ(r.y[13], 0.0);
}

// Water with hydrocarbons: the water-rich liquid found by the stability test.
TEST(PrcoreFlash, StabilityTestFindsTheSecondPhase) {
    auto eos = makeEos({"water", "n-hexane"});
    std::vector<double> z = {0.5, 0.5};
    auto r = Flash(eos).tp(300, 1e5, z);   // two liquids; the lighter one taken as "vapour" root
    auto fa = lnFugacity(eos, r.t, r.p, r.x, Root::Liquid), fb = lnFugacity(eos, r.t, r.p, r.y, Root::Vapour);
    ASSERT_TRUE(r.vapourPresent && r.liquidPresent);
    EXPECT_NEAR(fa[0], fb[0], 1e-9);
    EXPECT_NEAR(fa[1], fb[1], 1e-9);
    EXPECT_GT(std::fabs(r.x[0] - r.y[0]), 0.5);
}

TEST(PrcoreFlash, PhAndPsFlashesInvertTp) {
    auto eos = makeEos(gasNames());
    Flash flash(eos);
    for (auto tp : {std::pair<double, double>{250, 3e6}, {600, 1e6}, {200, 8e6}}) {
        auto ref = flash.tp(tp.first, tp.second, gasFeed);
        auto byH = flash.ph(tp.second, ref.h, gasFeed);
        auto byS = flash.ps(tp.second, ref.s, gasFeed);
        EXPECT_NEAR(byH.t, tp.first, 1e-6) << tp.first;
        EXPECT_NEAR(byS.t, tp.first, 1e-6) << tp.first;
        EXPECT_NEAR(byH.vapourFraction, ref.vapourFraction, 1e-8);
        EXPECT_NEAR(byS.vapourFraction, ref.vapourFraction, 1e-8);
        EXPECT_NEAR(byH.h, ref.h, 1e-5);
    }
}

// A pure compound boils at one temperature: PH places the feed between the saturated phases.
TEST(PrcoreFlash, PhFlashOfAPureCompoundInsideTheDome) {
    auto eos = makeEos({"propane"});
    double p = 1e6, tsat = eos.saturationTemperature(0, p);
    double hl = eos.properties(tsat, p, {1.0}, Root::Liquid).h, hv = eos.properties(tsat, p, {1.0}, Root::Vapour).h;
    auto r = Flash(eos).ph(p, 0.3 * hv + 0.7 * hl, {1.0});
    EXPECT_NEAR(r.t, tsat, 1e-6);
    EXPECT_NEAR(r.vapourFraction, 0.3, 1e-6);
    EXPECT_TRUE(r.vapourPresent && r.liquidPresent);
    double sl = eos.properties(tsat, p, {1.0}, Root::Liquid).s, sv = eos.properties(tsat, p, {1.0}, Root::Vapour).s;
    auto s = Flash(eos).ps(p, 0.6 * sv + 0.4 * sl, {1.0});
    EXPECT_NEAR(s.vapourFraction, 0.6, 1e-6);
    // Clausius-Clapeyron: dPsat/dT = (Hv - Hl) / (T (Vv - Vl)).
    double d = 1e-3;
    double slope = (eos.saturationPressure(0, tsat + d) - eos.saturationPressure(0, tsat - d)) / (2 * d);
    double vl = eos.properties(tsat, p, {1.0}, Root::Liquid).v, vv = eos.properties(tsat, p, {1.0}, Root::Vapour).v;
    EXPECT_NEAR(slope, (hv - hl) / (tsat * (vv - vl)), 1e-5 * slope);
}

TEST(PrcoreFlash, VapourFractionFlashesMeetTheirTarget) {
    auto eos = makeEos(gasNames());
    Flash flash(eos);
    for (double beta : {0.0, 0.3, 0.9, 1.0}) {
        SCOPED_TRACE(beta);
        auto r = flash.tvf(300, beta, richFeed);
        EXPECT_EQ(r.t, 300.0);
        auto check = flash.tp(300, r.p, richFeed);   // TP at the found pressure agrees
        if (beta > 0 && beta < 1) {
            expectEquilibrium(eos, r, richFeed);
            EXPECT_NEAR(check.vapourFraction, beta, 1e-7);
        }
        auto q = flash.pvf(3e6, beta, richFeed);
        EXPECT_EQ(q.p, 3e6);
        if (beta > 0 && beta < 1) {
            expectEquilibrium(eos, q, richFeed);
            EXPECT_NEAR(flash.tp(q.t, 3e6, richFeed).vapourFraction, beta, 1e-7);
        }
        // At the bubble and dew points the incipient phase is in equilibrium with the feed.
        auto fl = lnFugacity(eos, q.t, q.p, q.x, Root::Liquid), fv = lnFugacity(eos, q.t, q.p, q.y, Root::Vapour);
        for (size_t i = 0; i < richFeed.size(); ++i) EXPECT_NEAR(fl[i], fv[i], 1e-9) << i;
    }
}

// Methane/propane: bubble point from TVF with beta = 0; propane's vapour pressure at x_C1 = 0.
TEST(PrcoreFlash, MethanePropaneBubblePoint) {
    auto eos = makeEos({"methane", "propane"});
    Flash flash(eos);
    auto pure = flash.tvf(280, 0.0, {1e-12, 1.0});
    EXPECT_NEAR(pure.p, eos.saturationPressure(1, 280), 1e-4 * pure.p);
    double last = pure.p;
    for (double x1 : {0.1, 0.2, 0.3}) {
        auto r = flash.tvf(280, 0.0, {x1, 1 - x1});
        EXPECT_GT(r.p, last) << x1;        // dissolving methane raises the bubble pressure
        EXPECT_GT(r.y[0], 2 * x1) << x1;   // the vapour is richer in methane
        last = r.p;
        auto back = flash.pvf(r.p, 0.0, {x1, 1 - x1});
        EXPECT_NEAR(back.t, 280, 1e-6);
    }
    // Near the critical region (344 K, about 5.8 MPa) substitution crawls; the result must still
    // be a distinct vapour in equilibrium, not the trivial solution.
    auto hot = flash.tvf(344.26, 0.0, {0.2, 0.8});
    auto fl = lnFugacity(eos, hot.t, hot.p, hot.x, Root::Liquid), fv = lnFugacity(eos, hot.t, hot.p, hot.y, Root::Vapour);
    EXPECT_NEAR(fl[0], fv[0], 1e-9);
    EXPECT_NEAR(fl[1], fv[1], 1e-9);
    EXPECT_GT(hot.y[0], 0.25);
}

TEST(PrcoreFlash, UnreachableTargetsFail) {
    auto eos = makeEos({"methane", "ethane"});
    Flash flash(eos);
    EXPECT_THROW(flash.tvf(400, 0.5, {0.5, 0.5}), FlashError);   // above both critical temperatures
    EXPECT_THROW(flash.tvf(250, 1.5, {0.5, 0.5}), std::invalid_argument);
    EXPECT_THROW(flash.tp(250, -1, {0.5, 0.5}), std::invalid_argument);
    EXPECT_THROW(flash.tp(250, 1e6, {0.5}), std::invalid_argument);
    EXPECT_THROW(parseFlashType("TQ"), std::invalid_argument);
    EXPECT_EQ(parseFlashType("pt"), FlashType::TP);
    EXPECT_EQ(parseFlashType("PHF"), FlashType::PH);
    EXPECT_EQ(parseFlashType("psf"), FlashType::PS);
    EXPECT_EQ(parseFlashType("TVF"), FlashType::TVF);
    EXPECT_EQ(parseFlashType("PVF"), FlashType::PVF);
}

TEST(PrcoreFlash, RachfordRiceEdgeCases) {
    double beta = -1;
    EXPECT_FALSE(rachfordRice({0.5, 0.5}, {0.5, 0.9}, beta));
    EXPECT_EQ(beta, 0.0);
    EXPECT_FALSE(rachfordRice({0.5, 0.5}, {1.5, 1.1}, beta));
    EXPECT_EQ(beta, 1.0);
    ASSERT_TRUE(rachfordRice({0.5, 0.5}, {2.0, 0.5}, beta));
    EXPECT_NEAR(beta, 0.5, 1e-14);   // 0.5/(1+b) = 0.25/(1-b/2)  gives  b = 1/2
    ASSERT_TRUE(rachfordRice({0.0, 0.5, 0.5}, {100.0, 2.0, 0.5}, beta));   // absent compound ignored
    EXPECT_NEAR(beta, 0.5, 1e-14);
}
