// The case runner's host side without the product: case files, the results' JSON, the host's own
// flash (two and three phases) and stability test against K-values from a model whose answer is
// known, and the envelope plot.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "counterparts/hostrun/Case.h"
#include "counterparts/hostrun/HostFlash.h"
#include "counterparts/hostrun/Report.h"

namespace {

using hostrun::flashTP;
using hostrun::solveRachfordRice;

TEST(CaseFile, ReadsAndNormalisesTheFeed) {
  const hostrun::Case c = hostrun::parseCase(
      R"({"package": "ask", "components": [{"name": "Methane", "x": 3}, {"cas": "74-84-0", "x": 1}],
          "T_K": 250, "P_kPa": 1000, "operations": ["flash"],
          "envelope": {"P_kPa_from": 100, "P_kPa_to": 500, "points": 5}})");
  EXPECT_TRUE(c.asksForPackage());
  ASSERT_EQ(c.components.size(), 2u);
  EXPECT_DOUBLE_EQ(c.components[0].x, 0.75);
  EXPECT_EQ(c.components[1].cas, "74-84-0");
  EXPECT_TRUE(c.wants("flash"));
  EXPECT_FALSE(c.wants("save"));
  EXPECT_EQ(c.envelope.points, 5);
}

TEST(CaseFile, NamesWhatIsWrong) {
  const auto message = [](const char* text) {
    try {
      hostrun::parseCase(text);
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(message(R"({"T_K": 300, "P_kPa": 100})"), "the case has no \"components\"");
  EXPECT_EQ(message(R"({"components": [{"x": 1}], "T_K": 300, "P_kPa": 100})"),
            "component 1: a component needs a \"name\" or a \"cas\"");
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 1}, {"name": "B", "x": "half"}], "T_K": 3, "P_kPa": 1})"),
            "component 2: \"x\" must be a number");
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 1}], "T_K": "hot", "P_kPa": 100})"), "\"T_K\" must be a number");
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 1}], "T_K": 3, "P_kPa": 1, "envelope": {"P_kPa_from": 10}})"),
            "envelope: the case has no \"P_kPa_to\"");
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 1}], "T_K": 3, "P_kPa": 1,
                        "envelope": {"P_kPa_from": 10, "P_kPa_to": 20, "points": 2.5}})"),
            "envelope: \"points\" must be a whole number from 2 to 500");
  EXPECT_EQ(message("[1, 2]"), "a case is a JSON object");
  // Malformed JSON names the line and column.
  const std::string broken = message("{\"components\": [\n  {\"name\": \"A\" \"x\": 1}]}");
  EXPECT_EQ(broken.rfind("not valid JSON: ", 0), 0u) << broken;
  EXPECT_NE(broken.find("line 2, column"), std::string::npos) << broken;
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 1}], "T_K": -3, "P_kPa": 100})"), "\"T_K\" must be above zero");
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 1}], "T_K": 3, "P_kPa": 100, "operations": ["fly"]})"),
            "unknown operation \"fly\"");
  EXPECT_EQ(message(R"({"components": [{"name": "A", "x": 0}], "T_K": 3, "P_kPa": 100})"),
            "the feed mole fractions add up to zero");
}

TEST(HostFlash, RachfordRiceMatchesTheBinaryClosedForm) {
  // Two components: V = (z1 (K1 - 1) + z2 (K2 - 1)) / ((K1 - 1)(1 - K2)) in closed form.
  const std::vector<double> z = {0.4, 0.6}, K = {3.0, 0.2};
  const double expected = -(z[0] / (K[1] - 1) + z[1] / (K[0] - 1));
  EXPECT_NEAR(solveRachfordRice(z, K), expected, 1e-14);
  EXPECT_EQ(solveRachfordRice(z, {0.5, 0.2}), 0.0);  // below the bubble point
  EXPECT_EQ(solveRachfordRice(z, {3.0, 2.0}), 1.0);  // above the dew point
}

TEST(HostFlash, ConvergesToTheSplitOfFixedKValues) {
  const std::vector<double> z = {0.2, 0.5, 0.3}, K = {5.0, 1.1, 0.05};
  int calls = 0;
  const auto fixed = [&](const std::vector<double>&, const std::vector<double>&, std::vector<double>& out, std::string&) {
    ++calls;
    out = K;
    return true;
  };
  const hostrun::FlashResult r = flashTP(z, {1, 1, 1}, fixed);
  ASSERT_TRUE(r.converged) << r.failure;
  EXPECT_EQ(calls, 2);  // the second answer changes nothing
  for (size_t i = 0; i < z.size(); ++i) {
    EXPECT_NEAR(r.y[i], K[i] * r.x[i], 1e-12);
    EXPECT_NEAR(r.vapourFraction * r.y[i] + (1 - r.vapourFraction) * r.x[i], z[i], 1e-12);
  }
}

TEST(HostFlash, StopsWithAReasonOnBadKValues) {
  const std::vector<double> z = {0.5, 0.5};
  const auto answer = [](std::vector<double> values, bool ok) {
    return [values, ok](const std::vector<double>&, const std::vector<double>&, std::vector<double>& out, std::string& why) {
      out = values;
      if (!ok) why = "package failed";
      return ok;
    };
  };
  EXPECT_EQ(flashTP(z, {2, 0.5}, answer({2, 0.5}, false)).failure, "package failed");
  EXPECT_EQ(flashTP(z, {2, 0.5}, answer({2}, true)).failure, "the package gave 1 K-values for 2 components");
  EXPECT_EQ(flashTP(z, {2, 0.5}, answer({2, std::nan("")}, true)).failure,
            "the package gave a K-value that is not positive and finite");
}

size_t occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// ---- Three phases ----

TEST(ThreePhaseSplit, RecoversTheAmountsAFeedWasMadeOf) {
  // A feed mixed from three known phases: the split of its K-values must give their amounts back.
  const std::vector<double> y = {0.002, 0.95, 0.048}, x1 = {0.02, 0.10, 0.88}, x2 = {0.97, 0.029, 0.001};
  const double beta[3] = {0.27, 0.33, 0.40};
  std::vector<double> z(3), K1(3), K2(3);
  for (size_t i = 0; i < 3; ++i) {
    z[i] = beta[0] * y[i] + beta[1] * x1[i] + beta[2] * x2[i];
    K1[i] = y[i] / x1[i];
    K2[i] = y[i] / x2[i];
  }
  const std::array<double, 3> found = hostrun::solveThreePhaseSplit(z, K1, K2);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(found[k], beta[k], 1e-12) << k;
}

TEST(ThreePhaseSplit, GivesNoAmountToAPhaseThatCannotExist) {
  // The second liquid's K-values are those of a liquid the feed cannot form (sum of y / K2 below
  // one): the answer is the two-phase Rachford-Rice split with none of it.
  const std::vector<double> z = {0.3, 0.4, 0.3}, K1 = {4.0, 1.5, 0.1}, K2 = {40.0, 30.0, 20.0};
  const std::array<double, 3> found = hostrun::solveThreePhaseSplit(z, K1, K2);
  EXPECT_EQ(found[2], 0.0);
  EXPECT_NEAR(found[0], solveRachfordRice(z, K1), 1e-12);
  EXPECT_NEAR(found[0] + found[1], 1.0, 1e-12);
}

// Water, a gas and an oil: an ideal vapour over liquids with two-suffix Margules activity
// coefficients, K_i = gamma_i(x) Psat_i / P. Water and oil hardly mix.
struct MargulesModel {
  double a[3][3] = {{0, 3.0, 4.5}, {3.0, 0, 0.5}, {4.5, 0.5, 0}};
  double volatility[3] = {0.02, 20, 0.05};  // Psat / P
  int calls = 0;

  std::vector<double> lnGamma(const std::vector<double>& x) const {
    double mean = 0;
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) mean += 0.5 * a[j][k] * x[j] * x[k];
    std::vector<double> g(3);
    for (int i = 0; i < 3; ++i) {
      g[i] = -mean;
      for (int j = 0; j < 3; ++j) g[i] += a[i][j] * x[j];
    }
    return g;
  }
  std::vector<double> K(const std::vector<double>& x) {
    ++calls;
    std::vector<double> k = lnGamma(x);
    for (int i = 0; i < 3; ++i) k[i] = std::exp(k[i]) * volatility[i];
    return k;
  }
  // The liquid fugacity over P of component i in liquid x: x_i gamma_i Psat_i / P.
  double fugacity(const std::vector<double>& x, int i) const { return x[i] * std::exp(lnGamma(x)[i]) * volatility[i]; }
};

struct ThreePhaseRun {
  hostrun::FlashResult two, three;
  hostrun::Stability stability;
};

ThreePhaseRun flashWithStabilityTest(MargulesModel& m, const std::vector<double>& z) {
  ThreePhaseRun run;
  run.two = flashTP(z, {0.1, 10, 0.1}, [&](const std::vector<double>& x, const std::vector<double>&,
                                            std::vector<double>& K, std::string&) {
    K = m.K(x);
    return true;
  });
  // The vapour under test against a trial liquid w: K_i(w) = phi_i(w) / phi_i(y) = gamma_i(w) Psat_i / P.
  run.stability = hostrun::testStability(run.two.y, {run.two.x, run.two.y},
                                         [&](const std::vector<double>& w, std::vector<double>& K, std::string&) {
                                           K = m.K(w);
                                           return true;
                                         });
  if (!run.stability.unstable) return run;
  std::vector<double> K2(3);
  for (int i = 0; i < 3; ++i) K2[i] = run.two.K[i] * run.two.x[i] / run.stability.trial[i];
  run.three = hostrun::flashThreePhase(
      z, run.two.K, K2,
      [&](const std::vector<double>&, const std::vector<double>& x1, const std::vector<double>& x2,
          std::vector<double>& K1out, std::vector<double>& K2out, std::string&) {
        K1out = m.K(x1);
        K2out = m.K(x2);
        return true;
      });
  return run;
}

TEST(ThreePhaseFlash, FindsTheSecondLiquidOfAWetGasWithEqualFugacitiesAndItsMaterialBalance) {
  MargulesModel m;
  const std::vector<double> z = {0.4, 0.3, 0.3};
  const ThreePhaseRun run = flashWithStabilityTest(m, z);
  ASSERT_TRUE(run.two.converged) << run.two.failure;
  ASSERT_TRUE(run.stability.unstable) << run.stability.tangentPlane;
  EXPECT_LT(run.stability.tangentPlane, -1e-3);
  const hostrun::FlashResult& r = run.three;
  ASSERT_TRUE(r.converged) << r.failure;
  ASSERT_TRUE(r.twoLiquids());
  EXPECT_LT(r.lastChange, 1e-10);
  EXPECT_GT(r.vapourFraction, 0);
  EXPECT_GT(r.liquidFraction(), 0);
  EXPECT_GT(r.liquid2Fraction, 0);
  // The two liquids are different liquids: one holds the water, the other the oil.
  EXPECT_GT(std::fabs(r.x[0] - r.x2[0]), 0.5);
  for (int i = 0; i < 3; ++i) {
    const double vapour = r.y[i];  // the ideal vapour's fugacity over P
    EXPECT_NEAR(m.fugacity(r.x, i) / vapour, 1, 1e-9) << i;
    EXPECT_NEAR(m.fugacity(r.x2, i) / vapour, 1, 1e-9) << i;
    EXPECT_NEAR(r.vapourFraction * r.y[i] + r.liquidFraction() * r.x[i] + r.liquid2Fraction * r.x2[i], z[i], 1e-12);
  }
}

TEST(ThreePhaseFlash, AMiscibleLiquidIsStableAndAForcedSecondLiquidMergesBack) {
  MargulesModel m;
  for (auto& row : m.a)
    for (double& v : row) v = 0;  // ideal liquids mix in every proportion
  const std::vector<double> z = {0.4, 0.3, 0.3};
  const ThreePhaseRun run = flashWithStabilityTest(m, z);
  ASSERT_TRUE(run.two.converged);
  EXPECT_FALSE(run.stability.unstable) << run.stability.tangentPlane;
  EXPECT_TRUE(run.stability.failure.empty());
  // Started with a made-up second liquid, the three-phase flash ends with the two phases.
  const hostrun::FlashResult r = hostrun::flashThreePhase(
      z, run.two.K, {1000, 0.01, 1000},
      [&](const std::vector<double>&, const std::vector<double>& x1, const std::vector<double>& x2,
          std::vector<double>& K1, std::vector<double>& K2, std::string&) {
        K1 = m.K(x1);
        K2 = m.K(x2);
        return true;
      });
  ASSERT_TRUE(r.converged) << r.failure;
  EXPECT_FALSE(r.twoLiquids());
  EXPECT_NEAR(r.vapourFraction, run.two.vapourFraction, 1e-9);
}

TEST(ThreePhaseFlash, StopsWithTheReasonWhenThePackageFails) {
  const std::vector<double> z = {0.5, 0.5};
  const auto answer = [](std::vector<double> second, bool ok) {
    return [second, ok](const std::vector<double>&, const std::vector<double>&, const std::vector<double>&,
                        std::vector<double>& K1, std::vector<double>& K2, std::string& why) {
      K1 = {2, 0.5};
      K2 = second;
      if (!ok) why = "package failed";
      return ok;
    };
  };
  EXPECT_EQ(hostrun::flashThreePhase(z, {2, 0.5}, {3, 0.1}, answer({3, 0.1}, false)).failure, "package failed");
  EXPECT_EQ(hostrun::flashThreePhase(z, {2, 0.5}, {3, 0.1}, answer({3, std::nan("")}, true)).failure,
            "the package gave a K-value that is not positive and finite");
  EXPECT_EQ(hostrun::flashThreePhase(z, {2, 0.5}, {3, 0.1}, answer({3}, true)).failure,
            "the package gave K-values for 1 of 2 components");
  const hostrun::Stability s = hostrun::testStability(z, {z}, [](const std::vector<double>&, std::vector<double>&,
                                                                   std::string& why) {
    why = "no answer";
    return false;
  });
  EXPECT_EQ(s.failure, "no answer");
  EXPECT_FALSE(s.unstable);
}

// ---- The envelope plot ----

hostrun::Envelope sampleEnvelope() {
  hostrun::Envelope e;
  e.feed = "Methane 0.9, Ethane & co 0.1";
  // Bubble branch up to the critical point (250 K, 5000 kPa), then the dew branch round the
  // cricondenbar (270 K, 6000 kPa) and the cricondentherm (300 K, 3000 kPa) down to 200 kPa.
  e.curve = {{150, 200}, {180, 800}, {220, 2500}, {245, 4600}, {255, 5300}, {270, 6000},
             {290, 5000}, {300, 3000}, {295, 1000}, {280, 200}};
  e.criticalIndex = 4;
  e.critical = {250, 5000};
  e.cricondenbar = {270, 6000};
  e.cricondentherm = {300, 3000};
  // One row with two dew points, one (as a mixture whose critical point lies right of its
  // cricondenbar would give) with two bubble points.
  e.points = {{200, 150, 280}, {1000, 185, 295}, {5500, 0, 285, 258}, {5800, 262, 0, 0, 266}, {9000, 0, 0}};
  return e;
}

TEST(EnvelopePlot, DrawsOneCurveThroughTheCriticalPointAndLabelsItsThreePoints) {
  const hostrun::Envelope e = sampleEnvelope();
  const std::string svg = hostrun::envelopeSvg(e, "Phase envelope, Natural Gas");
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  ASSERT_EQ(occurrences(svg, "<polyline"), 2u);  // the bubble branch and the dew branch
  // Both branches meet at the critical point: the bubble branch ends where the dew branch begins.
  const size_t first = svg.find("points=\"") + 8, firstEnd = svg.find('"', first);
  const size_t second = svg.find("points=\"", firstEnd) + 8, secondEnd = svg.find('"', second);
  std::string bubble = svg.substr(first, firstEnd - first), dew = svg.substr(second, secondEnd - second);
  bubble.erase(bubble.find_last_not_of(' ') + 1);
  EXPECT_EQ(occurrences(bubble, ","), 5u);  // four traced points and the critical point
  EXPECT_EQ(occurrences(dew, ","), 7u);     // the critical point and six traced points
  EXPECT_EQ(dew.substr(0, dew.find(' ')), bubble.substr(bubble.rfind(' ') + 1));
  EXPECT_EQ(occurrences(svg, "<circle"), 6u);  // one mark per grid point found
  EXPECT_NE(svg.find("critical point 250.0 K, 5000 kPa"), std::string::npos);
  EXPECT_NE(svg.find("cricondenbar 270.0 K, 6000 kPa"), std::string::npos);
  EXPECT_NE(svg.find("cricondentherm 300.0 K, 3000 kPa"), std::string::npos);
  EXPECT_NE(svg.find("Temperature (K)"), std::string::npos);
  EXPECT_NE(svg.find("Pressure (kPa"), std::string::npos);
  EXPECT_NE(svg.find("bubble curve (3 of 5 grid points)"), std::string::npos);
  EXPECT_NE(svg.find("dew curve (3 of 5 grid points)"), std::string::npos);
  EXPECT_NE(svg.find("Ethane &amp; co 0.1"), std::string::npos);
  EXPECT_EQ(svg.find("Ethane & co"), std::string::npos);
}

TEST(EnvelopePlot, LeavesTheCriticalPointUnmarkedWhenTheCurveDidNotReachIt) {
  hostrun::Envelope e = sampleEnvelope();
  e.curve.resize(4);
  e.criticalIndex = 4;
  e.critical = {};
  const std::string svg = hostrun::envelopeSvg(e, "short");
  EXPECT_EQ(occurrences(svg, "<polyline"), 1u);
  EXPECT_EQ(svg.find("critical point 250"), std::string::npos);
  EXPECT_NE(svg.find("critical point not reached"), std::string::npos);
  EXPECT_NE(svg.find("cricondentherm 300.0 K"), std::string::npos);
}

TEST(ResultsJson, GivesFugacitiesInKilopascalAndTheEnvelopeAsAnObject) {
  hostrun::CaseResults r;
  r.package = L"Water Hydrocarbons LLE";
  r.components = {L"H2O", L"Methane"};
  r.flashed = true;
  r.flash.vapourFraction = 0.25;
  r.flash.liquid2Fraction = 0.35;
  r.flash.K = {0.1, 10};
  r.flash.K2 = {0.002, 5e4};
  r.flash.x2 = {0.99, 0.01};
  hostrun::PhaseResult water;
  water.slot = 2;
  water.type = hostrun::kLiquid;
  water.fraction = 0.35;
  water.x = {0.99, 0.01};
  water.fugacity = {3.05, 1603.0};
  r.phases = {water};
  r.envelope = sampleEnvelope();
  const nlohmann::json j = nlohmann::json::parse(hostrun::resultsJson(r, {}).dump());
  EXPECT_EQ(j["phases"][0]["type"], "liquid2");
  EXPECT_EQ(j["phases"][0]["fugacity_kPa"][1], 1603.0);
  EXPECT_EQ(j["K2"].size(), 2u);
  const auto& env = j["envelope"];
  EXPECT_EQ(env["points"].size(), 5u);
  EXPECT_TRUE(env["points"][4]["bubble_K"].is_null());
  EXPECT_TRUE(env["points"][4]["dew_K"].is_null());
  EXPECT_EQ(env["points"][2]["lowerDew_K"], 258.0);
  EXPECT_FALSE(env["points"][2].contains("upperBubble_K"));
  EXPECT_EQ(env["points"][3]["upperBubble_K"], 266.0);
  EXPECT_EQ(env["curve"].size(), 10u);
  EXPECT_EQ(env["critical"]["T_K"], 250.0);
  EXPECT_EQ(env["cricondenbar"]["P_kPa"], 6000.0);
  EXPECT_EQ(env["cricondentherm"]["T_K"], 300.0);
}

}  // namespace
