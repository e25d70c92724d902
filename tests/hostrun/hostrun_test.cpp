// The case runner's host side without the product: case files, JSON, and the host's own flash
// against K-values that do not depend on composition (so the answer is known in closed form).
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "Case.h"
#include "HostFlash.h"
#include "Json.h"
#include "Report.h"

namespace {

using hostrun::flashTP;
using hostrun::solveRachfordRice;

TEST(Json, ReadsNestedValuesAndEscapes) {
  const json::Value v = json::parse(R"({"a": [1, -2.5e3, true, null], "s": "x\"\\\n\u00e9", "o": {}})");
  ASSERT_TRUE(v.isObject());
  const auto& a = v.find("a")->asArray("a");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[1].asNumber("n"), -2500);
  EXPECT_TRUE(a[2].asBool("b"));
  EXPECT_TRUE(a[3].isNull());
  EXPECT_EQ(v.find("s")->asString("s"), "x\"\\\n\xc3\xa9");
  EXPECT_EQ(v.find("missing"), nullptr);
}

TEST(Json, RejectsMalformedTexts) {
  for (const char* bad : {"", "{", "[1,]", "{\"a\" 1}", "\"open", "tru", "1 2", "{\"a\":1,}", "[1e999]", "\"\x01\""})
    EXPECT_THROW(json::parse(bad), std::runtime_error) << bad;
  std::string deep(100, '[');
  deep += std::string(100, ']');
  EXPECT_THROW(json::parse(deep), std::runtime_error);
}

TEST(Json, WritesRoundTripExactNumbersAndNullForNonFinite) {
  json::Value o = json::Value::object();
  o.set("x", json::Value::number(0.1 + 0.2));
  o.set("bad", json::Value::number(std::nan("")));
  o.set("t", json::Value::string("a\"b"));
  const json::Value back = json::parse(o.text(2));
  EXPECT_EQ(back.find("x")->asNumber("x"), 0.1 + 0.2);
  EXPECT_TRUE(back.find("bad")->isNull());
  EXPECT_EQ(back.find("t")->asString("t"), "a\"b");
}

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
  EXPECT_EQ(message(R"({"components": [{"x": 1}], "T_K": 300, "P_kPa": 100})"), "a component needs a \"name\" or a \"cas\"");
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

TEST(EnvelopePlot, LeavesUnconvergedPointsOpenAndNamesItsAxesAndFeed) {
  hostrun::Envelope e;
  e.feed = "Methane 0.9, Ethane & co 0.1";
  // The bubble curve misses one point in the middle and the top one; the dew curve the top one.
  e.points = {{200, 120, 260}, {400, 130, 270}, {800, 0, 280}, {1600, 150, 290}, {3200, 160, 295}, {6400, 0, 0}};
  const std::string svg = hostrun::envelopeSvg(e, "Phase envelope, Natural Gas");
  EXPECT_EQ(svg.rfind("<svg", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  EXPECT_EQ(occurrences(svg, "<polyline"), 3u);  // bubble in two pieces, dew in one
  EXPECT_EQ(occurrences(svg, "<circle"), 9u);    // one mark per converged point
  EXPECT_NE(svg.find("Temperature (K)"), std::string::npos);
  EXPECT_NE(svg.find("Pressure (kPa"), std::string::npos);
  EXPECT_NE(svg.find("bubble curve (4 of 6 points)"), std::string::npos);
  EXPECT_NE(svg.find("dew curve (5 of 6 points)"), std::string::npos);
  EXPECT_NE(svg.find("Phase envelope, Natural Gas"), std::string::npos);
  EXPECT_NE(svg.find("Ethane &amp; co 0.1"), std::string::npos);
  EXPECT_EQ(svg.find("Ethane & co"), std::string::npos);
  EXPECT_NE(svg.find("critical region"), std::string::npos);  // both curves stop below the top
}

TEST(EnvelopePlot, DrawsEveryPointOfALongCurve) {
  hostrun::Envelope e;
  for (int i = 0; i < 400; ++i) e.points.push_back({100.0 + 50 * i, 120.0 + 0.2 * i, 260.0 + 0.1 * i});
  const std::string svg = hostrun::envelopeSvg(e, "long");
  ASSERT_EQ(occurrences(svg, "<polyline"), 2u);
  const size_t start = svg.find("points=\"") + 8, end = svg.find('"', start);
  EXPECT_EQ(occurrences(svg.substr(start, end - start), ","), 400u);
  EXPECT_EQ(occurrences(svg, "<circle"), 800u);
  EXPECT_EQ(svg.find("critical region"), std::string::npos);  // nothing left open
}

}  // namespace
