#include "Report.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "Text.h"

namespace hostrun {

namespace {

const char* phaseName(int type) { return type == kVapour ? "vapour" : type == kLiquid ? "liquid" : "absent"; }

json::Value numbers(const std::vector<double>& values) {
  json::Value a = json::Value::array();
  for (double v : values) a.push(json::Value::number(v));
  return a;
}

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

std::vector<ShownMessage>& shownMessages() {
  static std::vector<ShownMessage> messages;
  return messages;
}

void printTable(const CaseResults& r) {
  std::printf("\nPackage %s, %.2f K, %.3f kPa\n", support::narrow(r.package).c_str(), r.temperature, r.pressure);
  if (r.flashed)
    std::printf("TP flash: vapour fraction %.8f after %d iterations (largest change of ln K %.1e)\n",
                r.flash.vapourFraction, r.flash.iterations, r.flash.lastChange);
  if (r.bubblePointGuess > 0) std::printf("Bubble point guess at %.3f kPa: %.2f K\n", r.pressure, r.bubblePointGuess);
  if (r.flashed) {
    std::printf("\n  %-14s %12s %12s %12s\n", "component", "K = y/x", "x", "y");
    for (size_t i = 0; i < r.components.size(); ++i)
      std::printf("  %-14s %12.6g %12.6f %12.6f\n", support::narrow(r.components[i]).c_str(), r.flash.K[i], r.flash.x[i],
                  r.flash.y[i]);
  }
  if (!r.phases.empty()) {
    std::printf("\n  %-8s %10s %16s %16s %16s %14s %10s %12s\n", "phase", "fraction", "H kJ/kmol", "S kJ/kmol-K",
                "Cp kJ/kmol-K", "V m3/kmol", "mu cP", "k W/m-K");
    for (const PhaseResult& p : r.phases)
      std::printf("  %-8s %10.6f %16.3f %16.5f %16.5f %14.6f %10s %12s\n", phaseName(p.type), p.fraction, p.enthalpy,
                  p.entropy, p.heatCapacity, p.molarVolume, p.hasTransport ? format("%.5f", p.viscosity).c_str() : "-",
                  p.hasTransport ? format("%.5f", p.thermalConductivity).c_str() : "-");
    std::printf("  %-8s %10s %16.3f %16.5f %16.5f %14.6f\n", "overall", "", r.overallEnthalpy, r.overallEntropy,
                r.overallHeatCapacity, r.overallMolarVolume);
  }
  if (r.hasSurfaceTension) std::printf("Surface tension: %.4f dyne/cm\n", r.surfaceTension);
  if (!r.orderedPhases.empty()) std::printf("Phase types after OrderPhases: %s\n", r.orderedPhases.c_str());
  if (!r.envelope.empty()) {
    std::printf("\n  %12s %12s %12s\n", "P kPa", "bubble K", "dew K");
    for (const EnvelopePoint& e : r.envelope.points)
      std::printf("  %12.2f %12s %12s\n", e.pressure, e.bubble > 0 ? format("%.3f", e.bubble).c_str() : "-",
                  e.dew > 0 ? format("%.3f", e.dew).c_str() : "-");
  }
  for (const std::string& f : r.failures) std::printf("FAILED: %s\n", f.c_str());
}

json::Value resultsJson(const CaseResults& r, const std::vector<ShownMessage>& messages) {
  json::Value root = json::Value::object();
  root.set("package", json::Value::string(support::narrow(r.package)));
  json::Value names = json::Value::array();
  for (const auto& c : r.components) names.push(json::Value::string(support::narrow(c)));
  root.set("components", names);
  root.set("T_K", json::Value::number(r.temperature));
  root.set("P_kPa", json::Value::number(r.pressure));
  if (r.flashed) {
    root.set("vapourFraction", json::Value::number(r.flash.vapourFraction));
    root.set("K", numbers(r.flash.K));
    root.set("flashIterations", json::Value::number(r.flash.iterations));
  }
  if (r.bubblePointGuess > 0) root.set("bubblePointGuess_K", json::Value::number(r.bubblePointGuess));
  json::Value phases = json::Value::array();
  for (const PhaseResult& p : r.phases) {
    json::Value ph = json::Value::object();
    ph.set("type", json::Value::string(phaseName(p.type)));
    ph.set("fraction", json::Value::number(p.fraction));
    ph.set("x", numbers(p.x));
    ph.set("enthalpy_kJ_per_kmol", json::Value::number(p.enthalpy));
    ph.set("entropy_kJ_per_kmolK", json::Value::number(p.entropy));
    ph.set("heatCapacity_kJ_per_kmolK", json::Value::number(p.heatCapacity));
    ph.set("molarVolume_m3_per_kmol", json::Value::number(p.molarVolume));
    if (!p.fugacity.empty()) ph.set("fugacity_kPa", numbers(p.fugacity));
    if (p.hasTransport) {
      ph.set("viscosity_cP", json::Value::number(p.viscosity));
      ph.set("thermalConductivity_W_per_mK", json::Value::number(p.thermalConductivity));
    }
    phases.push(ph);
  }
  root.set("phases", phases);
  if (!r.phases.empty()) {
    json::Value overall = json::Value::object();
    overall.set("enthalpy_kJ_per_kmol", json::Value::number(r.overallEnthalpy));
    overall.set("entropy_kJ_per_kmolK", json::Value::number(r.overallEntropy));
    overall.set("heatCapacity_kJ_per_kmolK", json::Value::number(r.overallHeatCapacity));
    overall.set("molarVolume_m3_per_kmol", json::Value::number(r.overallMolarVolume));
    root.set("overall", overall);
  }
  if (r.hasSurfaceTension) root.set("surfaceTension_dyne_per_cm", json::Value::number(r.surfaceTension));
  if (!r.orderedPhases.empty()) root.set("orderedPhases", json::Value::string(r.orderedPhases));
  if (!r.envelope.empty()) {
    json::Value env = json::Value::array();
    for (const EnvelopePoint& e : r.envelope.points) {
      json::Value point = json::Value::object();
      point.set("P_kPa", json::Value::number(e.pressure));
      point.set("bubble_K", e.bubble > 0 ? json::Value::number(e.bubble) : json::Value());
      point.set("dew_K", e.dew > 0 ? json::Value::number(e.dew) : json::Value());
      env.push(point);
    }
    root.set("envelope", env);
  }
  json::Value shown = json::Value::array();
  for (const ShownMessage& m : messages) {
    json::Value msg = json::Value::object();
    msg.set("caption", json::Value::string(m.caption));
    msg.set("text", json::Value::string(m.text));
    shown.push(msg);
  }
  root.set("messages", shown);
  json::Value failures = json::Value::array();
  for (const std::string& f : r.failures) failures.push(json::Value::string(f));
  root.set("failures", failures);
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

Frame frameFor(const std::vector<EnvelopePoint>& points) {
  Frame f;
  double tMin = 1e9, tMax = 0, pMin = 1e18, pMax = 0;
  for (const EnvelopePoint& e : points) {
    for (double t : {e.bubble, e.dew})
      if (t > 0) tMin = std::min(tMin, t), tMax = std::max(tMax, t);
    if (e.pressure > 0) pMin = std::min(pMin, e.pressure), pMax = std::max(pMax, e.pressure);
  }
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

// One polyline per run of converged points, so where none converged the curve stays open; every
// converged point is marked, so a lone one shows too.
int drawCurve(std::string& svg, const Frame& f, const std::vector<EnvelopePoint>& points, bool bubble,
              const char* colour) {
  std::string run, marks;
  int inRun = 0, converged = 0;
  const auto flush = [&] {
    if (inRun > 1)
      appendf(svg, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"2\" points=\"%s\"/>\n", colour, run.c_str());
    run.clear();
    inRun = 0;
  };
  for (const EnvelopePoint& e : points) {
    const double t = bubble ? e.bubble : e.dew;
    if (!(t > 0)) {
      flush();
      continue;
    }
    appendf(run, "%.1f,%.1f ", f.x(t), f.y(e.pressure));
    appendf(marks, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\" fill=\"%s\"/>", f.x(t), f.y(e.pressure), colour);
    ++inRun;
    ++converged;
  }
  flush();
  svg += marks + "\n";
  return converged;
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

// The highest converged point of a curve, when the curve is open above it.
bool openEnd(const std::vector<EnvelopePoint>& points, bool bubble, EnvelopePoint& end) {
  const auto t = [bubble](const EnvelopePoint& e) { return bubble ? e.bubble : e.dew; };
  for (size_t i = points.size(); i-- > 0;)
    if (t(points[i]) > 0) {
      end = points[i];
      return i + 1 < points.size();
    }
  return false;
}

// Where both curves stop short of the highest pressure, the region between their ends (the
// critical region) is named, so the gap reads as a region left open.
void markOpenTop(std::string& svg, const Frame& f, const std::vector<EnvelopePoint>& points) {
  EnvelopePoint b, d;
  if (!openEnd(points, true, b) || !openEnd(points, false, d)) return;
  const double halfText = 90;  // about half the label's width
  const double x = std::clamp((f.x(b.bubble) + f.x(d.dew)) / 2, f.left + halfText, f.plotRight() - halfText);
  const double y = std::min(f.y(b.pressure), f.y(d.pressure)) - 10;
  appendf(svg,
          "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\" font-size=\"11\" font-style=\"italic\" "
          "fill=\"#555555\">critical region: not converged</text>\n",
          x, std::max(y, f.top + 14));
}

constexpr double kLegendWidth = 250, kLegendHeight = 58, kLegendMargin = 6;

// The legend's top-left corner: the first corner of the plot (the compressed-liquid corner first,
// then the vapour corner) whose box no curve passes through.
void legendCorner(const Frame& f, const std::vector<EnvelopePoint>& points, double& x, double& y) {
  const double left = f.left + kLegendMargin, right = f.plotRight() - kLegendMargin - kLegendWidth;
  const double top = f.top + kLegendMargin, bottom = f.plotBottom() - kLegendMargin - kLegendHeight;
  const double corners[4][2] = {{left, top}, {right, bottom}, {right, top}, {left, bottom}};
  const auto covers = [&](const double* c, double px, double py) {
    return px > c[0] - 8 && px < c[0] + kLegendWidth + 8 && py > c[1] - 8 && py < c[1] + kLegendHeight + 8;
  };
  for (const auto& c : corners) {
    bool free = true;
    for (size_t i = 0; i < points.size() && free; ++i)
      for (bool bubble : {true, false}) {
        const double t = bubble ? points[i].bubble : points[i].dew;
        if (!(t > 0)) continue;
        const double px = f.x(t), py = f.y(points[i].pressure);
        const double before = i > 0 ? (bubble ? points[i - 1].bubble : points[i - 1].dew) : 0;
        // The point itself and the middle of the segment from its neighbour.
        if (covers(c, px, py) ||
            (before > 0 && covers(c, (px + f.x(before)) / 2, (py + f.y(points[i - 1].pressure)) / 2)))
          free = false;
      }
    if (free) {
      x = c[0], y = c[1];
      return;
    }
  }
  x = corners[0][0], y = corners[0][1];
}

}  // namespace

std::string envelopeSvg(const Envelope& envelope, const std::string& title) {
  const Frame f = frameFor(envelope.points);
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
  const int bubbles = drawCurve(svg, f, envelope.points, true, bubbleColour);
  const int dews = drawCurve(svg, f, envelope.points, false, dewColour);
  markOpenTop(svg, f, envelope.points);
  const int total = static_cast<int>(envelope.points.size());
  double bx = 0, by = 0;
  legendCorner(f, envelope.points, bx, by);
  const double lx = bx + 6, ly = by + 12;
  appendf(svg,
          "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.0f\" height=\"%.0f\" fill=\"white\" stroke=\"#999999\"/>\n"
          "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"/>"
          "<text x=\"%.1f\" y=\"%.1f\">bubble curve (%d of %d points)</text>\n"
          "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"/>"
          "<text x=\"%.1f\" y=\"%.1f\">dew curve (%d of %d points)</text>\n"
          "<text x=\"%.1f\" y=\"%.1f\" font-size=\"10\" fill=\"#555555\">gaps: no converged point</text>\n",
          bx, by, kLegendWidth, kLegendHeight, lx, ly - 4, lx + 24, ly - 4, bubbleColour, lx + 30, ly, bubbles, total, lx, ly + 14, lx + 24,
          ly + 14, dewColour, lx + 30, ly + 18, dews, total, lx + 30, ly + 36);
  svg += "</svg>\n";
  return svg;
}

}  // namespace hostrun
