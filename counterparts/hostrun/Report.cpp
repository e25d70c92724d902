#include "counterparts/hostrun/Report.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "support/Text.h"

namespace hostrun {

namespace {

using Json = nlohmann::ordered_json;

const char* phaseName(const PhaseResult& p) {
  return p.slot == 0 ? "vapour" : p.slot == 1 ? "liquid" : "liquid 2";
}
// The JSON's phase types.
const char* phaseKey(const PhaseResult& p) { return p.slot == 0 ? "vapour" : p.slot == 1 ? "liquid" : "liquid2"; }

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

// A number for the JSON; null when it is not finite.
Json number(double v) { return std::isfinite(v) ? Json(v) : Json(); }

Json numbers(const std::vector<double>& values) {
  Json a = Json::array();
  for (double v : values) a.push_back(number(v));
  return a;
}

Json statePoint(const StatePoint& s) {
  return s.found() ? Json{{"T_K", s.t}, {"P_kPa", s.p}} : Json();
}

std::string flashPhasesText(const FlashResult& f) {
  std::string text = f.vapourFraction > 0 ? "vapour " + format("%.8f", f.vapourFraction) : "";
  const auto add = [&](const char* name, double fraction) {
    if (!(fraction > 0)) return;
    text += (text.empty() ? "" : ", ") + std::string(name) + " " + format("%.8f", fraction);
  };
  add("liquid", f.liquidFraction());
  add("liquid 2", f.liquid2Fraction);
  return text;
}

void printComponents(const CaseResults& r) {
  const FlashResult& f = r.flash;
  const bool three = f.twoLiquids();
  std::printf("\n  %-14s %12s", "component", "K = y/x");
  if (three) std::printf(" %12s", "K2 = y/x2");
  std::printf(" %12s %12s", "y vapour", "x liquid");
  if (three) std::printf(" %12s", "x2 liquid 2");
  std::printf("\n");
  for (size_t i = 0; i < r.components.size(); ++i) {
    std::printf("  %-14s %12.6g", support::narrow(r.components[i]).c_str(), f.K[i]);
    if (three) std::printf(" %12.6g", f.K2[i]);
    std::printf(" %12.6f %12.6f", f.y[i], f.x[i]);
    if (three) std::printf(" %12.6f", f.x2[i]);
    std::printf("\n");
  }
}

// A value in a table column, "-" where there is none.
std::string cell(double value, const char* pattern, bool present = true) {
  return present && std::isfinite(value) ? format(pattern, value) : "-";
}

void printPhases(const CaseResults& r) {
  std::printf("\n  %-8s %10s %16s %16s %16s %14s %10s %12s\n", "phase", "fraction", "H kJ/kmol", "S kJ/kmol-K",
              "Cp kJ/kmol-K", "V m3/kmol", "mu cP", "k W/m-K");
  for (const PhaseResult& p : r.phases)
    std::printf("  %-8s %10.6f %16s %16s %16s %14s %10s %12s\n", phaseName(p), p.fraction,
                cell(p.enthalpy, "%.3f", r.hasProperties).c_str(), cell(p.entropy, "%.5f", r.hasProperties).c_str(),
                cell(p.heatCapacity, "%.5f", r.hasProperties).c_str(),
                cell(p.molarVolume, "%.6f", r.hasProperties).c_str(), cell(p.viscosity, "%.5f", p.hasTransport).c_str(),
                cell(p.thermalConductivity, "%.5f", p.hasTransport).c_str());
  if (r.hasProperties)
    std::printf("  %-8s %10s %16s %16s %16s %14s\n", "overall", "", cell(r.overallEnthalpy, "%.3f").c_str(),
                cell(r.overallEntropy, "%.5f").c_str(), cell(r.overallHeatCapacity, "%.5f").c_str(),
                cell(r.overallMolarVolume, "%.6f").c_str());
  if (!r.propertiesNote.empty()) std::printf("%s\n", r.propertiesNote.c_str());
}

void printFugacities(const CaseResults& r) {
  std::printf("\n  %-14s", "fugacity kPa");
  for (const PhaseResult& p : r.phases) std::printf(" %14s", phaseName(p));
  std::printf("\n");
  for (size_t i = 0; i < r.components.size(); ++i) {
    std::printf("  %-14s", support::narrow(r.components[i]).c_str());
    for (const PhaseResult& p : r.phases) std::printf(" %14.6g", i < p.fugacity.size() ? p.fugacity[i] : NAN);
    std::printf("\n");
  }
}

void printStatePoint(const char* name, const StatePoint& s) {
  if (s.found())
    std::printf("%-15s %9.2f K  %10.1f kPa\n", name, s.t, s.p);
  else
    std::printf("%-15s not found\n", name);
}

void printEnvelope(const Envelope& e) {
  std::printf("\nPhase envelope (%zu traced points)\n", e.curve.size());
  if (e.separateBranches)
    std::printf("%-15s none in the range (bubble and dew branches traced separately)\n", "Critical point");
  else
    printStatePoint("Critical point", e.critical);
  printStatePoint("Cricondenbar", e.cricondenbar);
  printStatePoint("Cricondentherm", e.cricondentherm);
  const auto any = [&](double EnvelopePoint::*t) {
    return std::any_of(e.points.begin(), e.points.end(), [t](const EnvelopePoint& p) { return p.*t > 0; });
  };
  const bool upper = any(&EnvelopePoint::upperBubble), lower = any(&EnvelopePoint::lowerDew);
  std::printf("\n  %12s %12s %12s%s%s\n", "P kPa", "bubble K", "dew K", upper ? " upper bubble K" : "",
              lower ? "  lower dew K" : "");
  for (const EnvelopePoint& p : e.points) {
    std::printf("  %12.2f %12s %12s", p.pressure, cell(p.bubble, "%.3f", p.bubble > 0).c_str(),
                cell(p.dew, "%.3f", p.dew > 0).c_str());
    if (upper) std::printf(" %14s", cell(p.upperBubble, "%.3f", p.upperBubble > 0).c_str());
    if (p.lowerDew > 0) std::printf(" %12.3f", p.lowerDew);
    std::printf("\n");
  }
}

}  // namespace

std::vector<ShownMessage>& shownMessages() {
  static std::vector<ShownMessage> messages;
  return messages;
}

void printTable(const CaseResults& r) {
  std::printf("Package %s, %.2f K, %.3f kPa\n", support::narrow(r.package).c_str(), r.temperature, r.pressure);
  if (r.flashed)
    std::printf("TP flash: %s after %d iterations (largest change of ln K %.1e)\n", flashPhasesText(r.flash).c_str(),
                r.flash.iterations, r.flash.lastChange);
  if (r.stabilityTested)
    std::printf("Stability test for a second liquid: tangent-plane distance %.3g (%s)\n", r.tangentPlane,
                r.flash.twoLiquids() ? "unstable: two liquids" : "stable");
  if (r.bubblePointGuess > 0) std::printf("Bubble point guess at %.3f kPa: %.2f K\n", r.pressure, r.bubblePointGuess);
  if (r.flashed) printComponents(r);
  if (!r.phases.empty() && (r.hasProperties || std::any_of(r.phases.begin(), r.phases.end(),
                                                              [](const PhaseResult& p) { return p.hasTransport; })))
    printPhases(r);
  if (r.hasSurfaceTension) std::printf("Surface tension: %.4f dyne/cm\n", r.surfaceTension);
  if (!r.orderedPhases.empty()) std::printf("Phase types after OrderPhases: %s\n", r.orderedPhases.c_str());
  if (std::any_of(r.phases.begin(), r.phases.end(), [](const PhaseResult& p) { return !p.fugacity.empty(); }))
    printFugacities(r);
  if (!r.envelope.empty()) printEnvelope(r.envelope);
  if (!r.recall.empty()) std::printf("\n%s\n", r.recall.c_str());
  for (const std::string& f : r.failures) std::printf("FAILED: %s\n", f.c_str());
}

nlohmann::ordered_json resultsJson(const CaseResults& r, const std::vector<ShownMessage>& messages) {
  Json root;
  root["package"] = support::narrow(r.package);
  Json names = Json::array();
  for (const auto& c : r.components) names.push_back(support::narrow(c));
  root["components"] = names;
  root["T_K"] = r.temperature;
  root["P_kPa"] = r.pressure;
  if (r.flashed) {
    root["vapourFraction"] = number(r.flash.vapourFraction);
    root["K"] = numbers(r.flash.K);
    if (r.flash.twoLiquids()) root["K2"] = numbers(r.flash.K2);
    root["flashIterations"] = r.flash.iterations;
  }
  if (r.stabilityTested) root["tangentPlaneDistance"] = number(r.tangentPlane);
  if (r.bubblePointGuess > 0) root["bubblePointGuess_K"] = r.bubblePointGuess;
  Json phases = Json::array();
  for (const PhaseResult& p : r.phases) {
    Json ph;
    ph["type"] = phaseKey(p);
    ph["fraction"] = number(p.fraction);
    ph["x"] = numbers(p.x);
    if (r.hasProperties) {
      ph["enthalpy_kJ_per_kmol"] = number(p.enthalpy);
      ph["entropy_kJ_per_kmolK"] = number(p.entropy);
      ph["heatCapacity_kJ_per_kmolK"] = number(p.heatCapacity);
      ph["molarVolume_m3_per_kmol"] = number(p.molarVolume);
    }
    if (!p.fugacity.empty()) ph["fugacity_kPa"] = numbers(p.fugacity);
    if (p.hasTransport) {
      ph["viscosity_cP"] = number(p.viscosity);
      ph["thermalConductivity_W_per_mK"] = number(p.thermalConductivity);
    }
    phases.push_back(ph);
  }
  root["phases"] = phases;
  if (r.hasProperties)
    root["overall"] = {{"enthalpy_kJ_per_kmol", number(r.overallEnthalpy)},
                       {"entropy_kJ_per_kmolK", number(r.overallEntropy)},
                       {"heatCapacity_kJ_per_kmolK", number(r.overallHeatCapacity)},
                       {"molarVolume_m3_per_kmol", number(r.overallMolarVolume)}};
  if (!r.propertiesNote.empty()) root["propertiesNote"] = r.propertiesNote;
  if (r.hasSurfaceTension) root["surfaceTension_dyne_per_cm"] = number(r.surfaceTension);
  if (!r.orderedPhases.empty()) root["orderedPhases"] = r.orderedPhases;
  if (!r.envelope.empty()) {
    Json points = Json::array(), curve = Json::array();
    for (const EnvelopePoint& e : r.envelope.points) {
      Json point = {{"P_kPa", e.pressure},
                    {"bubble_K", e.bubble > 0 ? Json(e.bubble) : Json()},
                    {"dew_K", e.dew > 0 ? Json(e.dew) : Json()}};
      if (e.upperBubble > 0) point["upperBubble_K"] = e.upperBubble;
      if (e.lowerDew > 0) point["lowerDew_K"] = e.lowerDew;
      points.push_back(point);
    }
    for (const StatePoint& c : r.envelope.curve) curve.push_back(statePoint(c));
    root["envelope"] = {{"points", points},
                        {"curve", curve},
                        {"critical", statePoint(r.envelope.critical)},
                        {"cricondenbar", statePoint(r.envelope.cricondenbar)},
                        {"cricondentherm", statePoint(r.envelope.cricondentherm)}};
    // Two curves without a critical point between them: which points of "curve" belong to which
    // (index ranges, the end excluded).
    if (r.envelope.separateBranches) {
      const size_t split = std::min(r.envelope.criticalIndex, r.envelope.curve.size());
      root["envelope"]["curveBranches"] = {{"bubble", {0, split}}, {"dew", {split, r.envelope.curve.size()}}};
    }
  }
  if (!r.recall.empty()) root["recall"] = r.recall;
  Json shown = Json::array();
  for (const ShownMessage& m : messages) shown.push_back({{"caption", m.caption}, {"text", m.text}});
  root["messages"] = shown;
  root["failures"] = r.failures;
  return root;
}

namespace {

void appendf(std::string& out, const char* pattern, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string& out, const char* pattern, ...) {
  va_list args, again;
  va_start(args, pattern);
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, pattern, args);
  va_end(args);
  if (length > 0) {
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(length) + 1);
    std::vsnprintf(&out[at], static_cast<size_t>(length) + 1, pattern, again);
    out.resize(at + static_cast<size_t>(length));
  }
  va_end(again);
}

std::string xmlText(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A tick spacing of 1, 2 or 5 times a power of ten giving about `count` intervals over span.
double niceStep(double span, int count) {
  const double raw = span / count, decade = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * decade >= raw) return m * decade;
  return 10 * decade;
}

// The plot area and its scales: temperature linear across, pressure logarithmic up.
struct Frame {
  double width = 760, height = 540, left = 80, right = 30, top = 70, bottom = 60;
  double tMin = 0, tMax = 1, lnPMin = 0, lnPMax = 1;
  double x(double t) const { return left + (t - tMin) / (tMax - tMin) * (width - left - right); }
  double y(double p) const {
    return height - bottom - (std::log(p) - lnPMin) / (lnPMax - lnPMin) * (height - top - bottom);
  }
  double plotBottom() const { return height - bottom; }
  double plotRight() const { return width - right; }
};

// The nearest value of the 1, 2, 5 series at or below (down) or at or above v.
double roundToSeries(double v, bool down) {
  const double decade = std::pow(10.0, std::floor(std::log10(v)));
  const double steps[] = {1, 2, 5, 10};
  if (down) {
    for (int i = 3; i >= 0; --i)
      if (steps[i] * decade <= v * (1 + 1e-9)) return steps[i] * decade;
    return decade;
  }
  for (double m : steps)
    if (m * decade >= v * (1 - 1e-9)) return m * decade;
  return 10 * decade;
}

Frame frameFor(const Envelope& e) {
  Frame f;
  double tMin = 1e9, tMax = 0, pMin = 1e18, pMax = 0;
  const auto take = [&](double t, double p) {
    if (t > 0) tMin = std::min(tMin, t), tMax = std::max(tMax, t);
    if (p > 0) pMin = std::min(pMin, p), pMax = std::max(pMax, p);
  };
  for (const EnvelopePoint& point : e.points) {
    take(point.bubble, point.pressure);
    take(point.dew, point.pressure);
  }
  for (const StatePoint& c : e.curve) take(c.t, c.p);
  if (tMax <= tMin) tMin = 100, tMax = 400;
  const double step = niceStep(tMax - tMin, 6);
  f.tMin = std::floor(tMin / step) * step;
  f.tMax = std::ceil(tMax / step) * step;
  if (!(pMax >= pMin)) pMin = 100, pMax = 10000;
  f.lnPMin = std::log(roundToSeries(pMin, true));
  f.lnPMax = std::log(roundToSeries(pMax, false));
  if (!(f.lnPMax > f.lnPMin)) f.lnPMax = f.lnPMin + std::log(10.0);
  return f;
}

void drawAxes(std::string& svg, const Frame& f) {
  const char* grid = "#dddddd";
  const double step = niceStep(f.tMax - f.tMin, 6);
  for (double t = f.tMin; t <= f.tMax + 1e-9 * step; t += step)
    appendf(svg,
            "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\"/>"
            "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%g</text>\n",
            f.x(t), f.top, f.x(t), f.plotBottom() + 5, grid, f.x(t), f.plotBottom() + 20, t);
  // Pressure ticks at 1, 2 and 5 times the powers of ten inside the range.
  const double pMin = std::exp(f.lnPMin), pMax = std::exp(f.lnPMax);
  for (double decade = std::pow(10.0, std::floor(std::log10(pMin))); decade <= pMax; decade *= 10)
    for (double m : {1.0, 2.0, 5.0}) {
      const double p = m * decade;
      if (p < pMin * (1 - 1e-9) || p > pMax * (1 + 1e-9)) continue;
      appendf(svg,
              "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\"/>"
              "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n",
              f.left - 5, f.y(p), f.plotRight(), f.y(p), grid, f.left - 8, f.y(p) + 4, p);
    }
  appendf(svg, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" stroke=\"black\"/>\n", f.left,
          f.top, f.plotRight() - f.left, f.plotBottom() - f.top);
  appendf(svg,
          "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">Temperature (K)</text>\n"
          "<text x=\"20\" y=\"%.1f\" text-anchor=\"middle\" transform=\"rotate(-90 20 %.1f)\">Pressure (kPa, log "
          "scale)</text>\n",
          (f.left + f.plotRight()) / 2, f.height - 15, (f.top + f.plotBottom()) / 2, (f.top + f.plotBottom()) / 2);
}

void polyline(std::string& svg, const Frame& f, const std::vector<StatePoint>& points, const char* colour) {
  if (points.size() < 2) return;
  std::string coordinates;
  for (const StatePoint& s : points) appendf(coordinates, "%.1f,%.1f ", f.x(s.t), f.y(s.p));
  appendf(svg, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\" points=\"%s\"/>\n", colour,
          coordinates.c_str());
}

// The traced curve in two colours, the bubble branch up to the critical point and the dew branch
// from it, so the curve is one continuous line through the critical point; without a critical
// point the two branches are drawn apart.
void drawTracedCurve(std::string& svg, const Frame& f, const Envelope& e, const char* bubbleColour,
                     const char* dewColour) {
  const size_t split = std::min(e.criticalIndex, e.curve.size());
  std::vector<StatePoint> bubble(e.curve.begin(), e.curve.begin() + static_cast<long>(split));
  std::vector<StatePoint> dew(e.curve.begin() + static_cast<long>(split), e.curve.end());
  if (e.critical.found()) {
    bubble.push_back(e.critical);
    dew.insert(dew.begin(), e.critical);
  }
  polyline(svg, f, bubble, bubbleColour);
  polyline(svg, f, dew, dewColour);
}

// One mark per point of the pressure grid on its curve.
int drawGridPoints(std::string& svg, const Frame& f, const std::vector<EnvelopePoint>& points, bool bubble,
                   const char* colour) {
  int marked = 0;
  for (const EnvelopePoint& e : points) {
    const double t = bubble ? e.bubble : e.dew;
    if (!(t > 0)) continue;
    appendf(svg, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"%s\"/>", f.x(t), f.y(e.pressure), colour);
    ++marked;
  }
  svg += "\n";
  return marked;
}

// A marked point with its name and coordinates beside it (to the left when near the right edge).
void labelPoint(std::string& svg, const Frame& f, const StatePoint& s, const char* name, const char* shape,
                double dy) {
  if (!s.found()) return;
  const double x = f.x(s.t), y = f.y(s.p);
  if (std::string(shape) == "square")
    appendf(svg, "<rect x=\"%.1f\" y=\"%.1f\" width=\"9\" height=\"9\" fill=\"black\"/>", x - 4.5, y - 4.5);
  else
    appendf(svg, "<polygon points=\"%.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f\" fill=\"#2e7d32\"/>", x, y - 6, x + 6, y, x,
            y + 6, x - 6, y);
  const bool leftward = x > f.plotRight() - 190;
  appendf(svg, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\" font-size=\"11\">%s %.1f K, %.0f kPa</text>\n",
          leftward ? x - 10 : x + 10, y + dy, leftward ? "end" : "start", name, s.t, s.p);
}

// Breaks a ", "-separated list into lines of about width characters.
std::vector<std::string> wrapped(const std::string& text, size_t width) {
  std::vector<std::string> lines(1);
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find(", ", from);
    end = end == std::string::npos ? text.size() : end + 2;
    const std::string piece = text.substr(from, end - from);
    if (!lines.back().empty() && lines.back().size() + piece.size() > width) lines.emplace_back();
    lines.back() += piece;
    from = end;
  }
  return lines;
}

constexpr double kLegendWidth = 250, kLegendHeight = 58, kLegendMargin = 6;

// The legend's top-left corner: the first corner of the plot (the compressed-liquid corner first,
// then the vapour corner) whose box no part of the curve passes through.
void legendCorner(const Frame& f, const Envelope& e, double& x, double& y) {
  const double left = f.left + kLegendMargin, right = f.plotRight() - kLegendMargin - kLegendWidth;
  const double top = f.top + kLegendMargin, bottom = f.plotBottom() - kLegendMargin - kLegendHeight;
  const double corners[4][2] = {{left, top}, {right, bottom}, {right, top}, {left, bottom}};
  std::vector<StatePoint> all = e.curve;
  for (const EnvelopePoint& p : e.points)
    for (double t : {p.bubble, p.dew})
      if (t > 0) all.push_back({t, p.pressure});
  for (const auto& c : corners) {
    const bool free = std::none_of(all.begin(), all.end(), [&](const StatePoint& s) {
      const double px = f.x(s.t), py = f.y(s.p);
      return px > c[0] - 8 && px < c[0] + kLegendWidth + 8 && py > c[1] - 8 && py < c[1] + kLegendHeight + 8;
    });
    if (free) {
      x = c[0], y = c[1];
      return;
    }
  }
  x = corners[0][0], y = corners[0][1];
}

const char* legendNote(const Envelope& e) {
  if (e.critical.found()) return "one curve traced through the critical point";
  return e.separateBranches ? "no critical point in the range: two branches" : "critical point not reached";
}

}  // namespace

std::string envelopeSvg(const Envelope& envelope, const std::string& title) {
  const Frame f = frameFor(envelope);
  const char* bubbleColour = "#1f5fbf";
  const char* dewColour = "#c0392b";
  std::string svg;
  appendf(svg,
          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
          "font-family=\"sans-serif\" font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
          f.width, f.height, f.width, f.height);
  appendf(svg, "<text x=\"%.0f\" y=\"24\" font-size=\"15\">%s</text>\n", f.left, xmlText(title).c_str());
  double lineY = 42;
  for (const std::string& line : wrapped("feed: " + envelope.feed, 100)) {
    appendf(svg, "<text x=\"%.0f\" y=\"%.0f\" font-size=\"10\">%s</text>\n", f.left, lineY, xmlText(line).c_str());
    lineY += 13;
  }
  drawAxes(svg, f);
  drawTracedCurve(svg, f, envelope, bubbleColour, dewColour);
  const int bubbles = drawGridPoints(svg, f, envelope.points, true, bubbleColour);
  const int dews = drawGridPoints(svg, f, envelope.points, false, dewColour);
  labelPoint(svg, f, envelope.critical, "critical point", "square", 16);
  labelPoint(svg, f, envelope.cricondenbar, "cricondenbar", "diamond", -8);
  labelPoint(svg, f, envelope.cricondentherm, "cricondentherm", "diamond", 4);
  const int total = static_cast<int>(envelope.points.size());
  double bx = 0, by = 0;
  legendCorner(f, envelope, bx, by);
  const double lx = bx + 6, ly = by + 12;
  appendf(svg,
          "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.0f\" height=\"%.0f\" fill=\"white\" stroke=\"#999999\"/>\n"
          "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"/>"
          "<text x=\"%.1f\" y=\"%.1f\">bubble curve (%d of %d grid points)</text>\n"
          "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"/>"
          "<text x=\"%.1f\" y=\"%.1f\">dew curve (%d of %d grid points)</text>\n"
          "<text x=\"%.1f\" y=\"%.1f\" font-size=\"10\" fill=\"#555555\">%s</text>\n",
          bx, by, kLegendWidth, kLegendHeight, lx, ly - 4, lx + 24, ly - 4, bubbleColour, lx + 30, ly, bubbles, total, lx,
          ly + 14, lx + 24, ly + 14, dewColour, lx + 30, ly + 18, dews, total, lx + 30, ly + 36,
          legendNote(envelope));
  svg += "</svg>\n";
  return svg;
}

}  // namespace hostrun
