#include "Report.h"

#include <algorithm>
#include <cmath>
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
    for (const EnvelopePoint& e : r.envelope)
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
    for (const EnvelopePoint& e : r.envelope) {
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

std::string envelopeSvg(const std::vector<EnvelopePoint>& points, const std::string& title) {
  const double width = 720, height = 480, left = 80, right = 30, top = 40, bottom = 60;
  double tMin = 1e9, tMax = 0, pMin = 1e18, pMax = 0;
  for (const EnvelopePoint& e : points) {
    for (double t : {e.bubble, e.dew})
      if (t > 0) tMin = std::min(tMin, t), tMax = std::max(tMax, t);
    pMin = std::min(pMin, e.pressure);
    pMax = std::max(pMax, e.pressure);
  }
  if (tMax <= tMin) tMin = 100, tMax = 400;
  const double tPad = 0.05 * (tMax - tMin);
  tMin -= tPad, tMax += tPad;
  const auto sx = [&](double t) { return left + (t - tMin) / (tMax - tMin) * (width - left - right); };
  const auto sy = [&](double p) { return height - bottom - (p - pMin) / (pMax - pMin) * (height - top - bottom); };
  std::string svg;
  char line[512];
  std::snprintf(line, sizeof line,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" font-family=\"sans-serif\" "
                "font-size=\"12\">\n<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                width, height);
  svg += line;
  std::snprintf(line, sizeof line, "<text x=\"%.0f\" y=\"24\" font-size=\"15\">%s</text>\n", left, title.c_str());
  svg += line;
  // Axes with five ticks each.
  std::snprintf(line, sizeof line,
                "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n"
                "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>\n",
                left, height - bottom, width - right, height - bottom, left, top, left, height - bottom);
  svg += line;
  for (int i = 0; i <= 5; ++i) {
    const double t = tMin + i * (tMax - tMin) / 5, p = pMin + i * (pMax - pMin) / 5;
    std::snprintf(line, sizeof line,
                  "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>"
                  "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%.0f</text>\n"
                  "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"black\"/>"
                  "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%.0f</text>\n",
                  sx(t), height - bottom, sx(t), height - bottom + 5, sx(t), height - bottom + 20, t, left - 5, sy(p),
                  left, sy(p), left - 8, sy(p) + 4, p);
    svg += line;
  }
  std::snprintf(line, sizeof line,
                "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">Temperature (K)</text>\n"
                "<text x=\"20\" y=\"%.1f\" text-anchor=\"middle\" transform=\"rotate(-90 20 %.1f)\">Pressure (kPa)</text>\n",
                (left + width - right) / 2, height - 15, (top + height - bottom) / 2, (top + height - bottom) / 2);
  svg += line;
  // One polyline per converged run of points, so the unconverged region stays open.
  const auto curve = [&](bool bubble, const char* colour) {
    std::string run;
    int count = 0;
    const auto flush = [&] {
      if (count > 1)
        svg += std::string("<polyline fill=\"none\" stroke=\"") + colour + "\" stroke-width=\"2\" points=\"" + run + "\"/>\n";
      run.clear();
      count = 0;
    };
    for (const EnvelopePoint& e : points) {
      const double t = bubble ? e.bubble : e.dew;
      if (t <= 0) {
        flush();
        continue;
      }
      std::snprintf(line, sizeof line, "%.1f,%.1f ", sx(t), sy(e.pressure));
      run += line;
      ++count;
    }
    flush();
  };
  curve(true, "#1f5fbf");
  curve(false, "#c0392b");
  std::snprintf(line, sizeof line,
                "<text x=\"%.1f\" y=\"%.1f\" fill=\"#1f5fbf\">bubble curve</text>"
                "<text x=\"%.1f\" y=\"%.1f\" fill=\"#c0392b\">dew curve</text>\n</svg>\n",
                width - right - 180, top + 10, width - right - 90, top + 10);
  svg += line;
  return svg;
}

}  // namespace hostrun
