#pragma once
// The operations of a case, each through the extension's raw-pointer interface as the host calls
// it, and their results.
#include <windows.h>

#include <string>
#include <vector>

#include "counterparts/hostrun/HostFlash.h"
#include "counterparts/hostrun/Session.h"

namespace hostrun {

// Host phase types and slots: slot 0 vapour, 1 liquid, 2 second liquid.
constexpr int kVapour = 4, kLiquid = 1, kAbsent = 0;

struct PhaseResult {
  int slot = 0;       // 0 vapour, 1 liquid, 2 second liquid
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
  double bubble = 0, dew = 0;  // K; 0 where the curve has no such point
  // Between the critical pressure and the cricondenbar one branch crosses a pressure twice: the
  // colder dew point (critical point left of the cricondenbar) or the hotter bubble point (right).
  double lowerDew = 0, upperBubble = 0;  // K
};

// A point of the traced curve, or one of its marked points; t = 0 where it was not found.
struct StatePoint {
  double t = 0;  // K
  double p = 0;  // kPa
  bool found() const { return t > 0; }
};

struct Envelope {
  std::vector<EnvelopePoint> points;  // the pressure grid, ascending
  std::vector<StatePoint> curve;      // the traced curve in order: bubble branch, critical, dew branch
  size_t criticalIndex = 0;           // the first curve point past the critical point (dew side)
  // No critical point: the curve holds the bubble branch, then from criticalIndex the dew branch
  // traced on its own from the lowest pressure up (the two are not joined).
  bool separateBranches = false;
  StatePoint critical, cricondenbar, cricondentherm;
  std::string feed;                   // "Methane 0.78, Ethane 0.08, ..." for the plot's title
  bool empty() const { return points.empty() && curve.empty(); }
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
  bool stabilityTested = false;
  double tangentPlane = 0;           // the lowest tangent-plane distance of a trial liquid
  double bubblePointGuess = 0;
  std::vector<PhaseResult> phases;  // present phases, vapour first
  bool hasProperties = false;
  std::string propertiesNote;       // what the package did not give
  double overallEnthalpy = 0, overallEntropy = 0, overallHeatCapacity = 0, overallMolarVolume = 0;
  double surfaceTension = 0;         // dyne/cm
  bool hasSurfaceTension = false;
  std::string orderedPhases;         // phase types after OrderPhases
  std::string recall;                // the save and recall check in one line
  Envelope envelope;
  std::vector<std::string> failures; // operations that failed, with their reasons
};

class Operations {
 public:
  Operations(Session& session, double temperature, double pressure) : m_s(session), m_t(temperature), m_p(pressure) {}

  // ln K of every component from the extension (vapour y over liquid x).
  bool kValues(double t, double p, const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& K,
               std::string& failure);
  // ln K1 = ln(y/x1) and ln K2 = ln(y/x2) by ComputeKFactors on a vapour and two liquids.
  bool threePhaseKValues(const std::vector<double>& y, const std::vector<double>& x1, const std::vector<double>& x2,
                         std::vector<double>& K1, std::vector<double>& K2, std::string& failure);
  // The two-phase flash; then, when the extension can calculate liquid-liquid equilibria, a
  // stability test against a trial second liquid (of the vapour found, or of the feed when there is
  // none) and, when a trial lowers the Gibbs energy, the flash on a vapour and two liquids.
  bool flash(CaseResults& r);
  bool bubblePointGuess(CaseResults& r);
  bool phaseProperties(CaseResults& r);
  bool fugacities(CaseResults& r);
  bool transport(CaseResults& r);
  bool orderPhases(CaseResults& r);
  // The whole phase envelope traced as one curve from the bubble point at pFrom through the
  // critical point down the dew branch to pFrom (where the bubble branch leaves the range without
  // a critical point, the dew branch traced on its own from pFrom up), its critical point,
  // cricondenbar and cricondentherm, and the bubble and dew temperatures on the pressure grid (points spaced
  // evenly in ln P up to pTo); progress is drawn on stderr.
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
  bool curveResidual(const std::vector<double>& X, size_t held, double heldValue, bool flipped, std::vector<double>& F);
  bool bothWaysAgree(const std::vector<double>& X);
  bool curveNewton(std::vector<double>& X, size_t held, bool flipped, std::vector<double>& J, int& steps);
  bool curveAdvance(const std::vector<double>& X, const std::vector<double>& v, double step, bool exchanged,
                    std::vector<double>& next, std::vector<double>& J, int& steps, size_t fallbackSpec = SIZE_MAX);
  bool dewBranch(Envelope& e, std::vector<std::vector<double>>& states, std::vector<char>& asked, double pFrom,
                 double pTo, double& highestLnP);
  bool wilsonStartK(std::vector<double>& K, std::string& failure);
  bool splitsIntoTwoLiquids(CaseResults& r);
  void listPhases(CaseResults& r);

  Session& m_s;
  double m_t, m_p;
  long m_kValueRequests = 0;
};

}  // namespace hostrun
