#pragma once
// The operations of a case, each through the extension's raw-pointer interface as the host calls
// it, and their results.
#include <windows.h>

#include <string>
#include <vector>

#include "HostFlash.h"
#include "Session.h"

namespace hostrun {

// Host phase types and slots: slot 0 vapour, 1 liquid, 2 second liquid.
constexpr int kVapour = 4, kLiquid = 1, kAbsent = 0;

struct PhaseResult {
  int type = kAbsent;
  double fraction = 0;
  std::vector<double> x;
  double enthalpy = 0, entropy = 0, heatCapacity = 0, molarVolume = 0;  // kJ/kmol, kJ/kmol-K, m3/kmol
  std::vector<double> fugacity;                                         // kPa
  double viscosity = 0, thermalConductivity = 0;                        // cP, W/m-K
  bool hasTransport = false;
};

struct EnvelopePoint {
  double pressure = 0;  // kPa
  double bubble = 0, dew = 0;  // K; 0 where the calculation did not converge
};

struct Envelope {
  std::vector<EnvelopePoint> points;  // ascending pressure
  std::string feed;                   // "Methane 0.78, Ethane 0.08, ..." for the plot's title
  bool empty() const { return points.empty(); }
};

// A saturation point at one pressure: its temperature and the incipient phase (the vapour of a
// bubble point, the liquid of a dew point).
struct Saturation {
  double t = 0;  // K
  std::vector<double> incipient;
};

struct CaseResults {
  std::wstring package;
  std::vector<std::wstring> components;
  double temperature = 0, pressure = 0;
  FlashResult flash;
  bool flashed = false;
  double bubblePointGuess = 0;
  std::vector<PhaseResult> phases;  // present phases, vapour first
  double overallEnthalpy = 0, overallEntropy = 0, overallHeatCapacity = 0, overallMolarVolume = 0;
  double surfaceTension = 0;         // dyne/cm
  bool hasSurfaceTension = false;
  std::string orderedPhases;         // phase types after OrderPhases
  Envelope envelope;
  std::vector<std::string> failures; // operations that failed, with their reasons
};

class Operations {
 public:
  Operations(Session& session, double temperature, double pressure) : m_s(session), m_t(temperature), m_p(pressure) {}

  // ln K of every component from the extension (vapour y over liquid x).
  bool kValues(double t, double p, const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& K,
               std::string& failure);
  bool flash(CaseResults& r);
  bool bubblePointGuess(CaseResults& r);
  bool phaseProperties(CaseResults& r);
  bool fugacities(CaseResults& r);
  bool transport(CaseResults& r);
  bool orderPhases(CaseResults& r);
  // Bubble and dew temperatures over the pressure range (points spaced evenly in ln P), each
  // curve continued from its converged neighbours; progress is drawn on stderr.
  bool envelope(CaseResults& r, double pFrom, double pTo, int points);
  // The saturation point at pressure p from the start in s (temperature and incipient phase):
  // a few Newton steps on 1/T of the log of the K sum with the incipient phase substituted, then
  // Newton on all ln K and ln T together. False when it does not converge, ends at the trivial
  // solution (all K near 1) or at a point of the other curve.
  bool saturation(double p, bool bubble, Saturation& s);
  // A start from Wilson K-values (InitializeKFactors) alone, for a curve's first point.
  bool wilsonStart(double p, bool bubble, Saturation& s);

 private:
  struct Sum;  // one evaluation of the saturation function
  bool saturationKValues(double t, double p, bool bubble, const std::vector<double>& incipient,
                         std::vector<double>& K);
  bool saturationSum(double t, double p, bool bubble, const std::vector<double>& incipient, Sum& sum);
  bool substitution(double p, bool bubble, Saturation& s, std::vector<double>& lnK, bool& converged);
  bool newtonResidual(double p, bool bubble, const std::vector<double>& u, std::vector<double>& F,
                      std::vector<double>& incipient);
  bool newton(double p, bool bubble, Saturation& s, std::vector<double>& lnK);
  bool physical(double p, const Saturation& s, const std::vector<double>& lnK);
  bool wilsonLnK(double t, double p, std::vector<double>& lnK);

  Session& m_s;
  double m_t, m_p;
  long m_kValueRequests = 0;
};

}  // namespace hostrun
