#pragma once
// Ideal gas and ideal liquid solution (Raoult) over the pure-compound functions of IdealData.
// Everything is computed for the compounds in the order the solution was made with.
#include <string>
#include <vector>

#include "counterparts/idealthermo/IdealData.h"

namespace idealthermo {

enum class Phase { Vapour, Liquid };

struct Conditions {
  double t = 0, p = 0;  // K, Pa
};

// How a property is asked and stored.
enum class Shape {
  PhaseScalar,  // one value for a phase ("Mixture")
  PhaseVector,  // one value per compound for a phase ("Mixture")
  TwoPhase,     // one value per compound, on "VaporLiquid" only
  Pure,         // one value per compound, temperature only ("Pure")
};

struct PropertyRule {
  const char* name;
  Shape shape;
  bool molarBasis;  // written with basis "mole"
  bool overall;     // may be asked on "Overall" (phase values weighted by phase fractions)
};

// The rule of a property name (case-insensitive), null for names this system does not know.
const PropertyRule* findProperty(const std::string& name);
bool sameWord(const std::string& a, const std::string& b);

class IdealSolution {
 public:
  explicit IdealSolution(std::vector<PureCompound> compounds);
  size_t size() const { return m_compounds.size(); }
  const PureCompound& compound(size_t i) const { return m_compounds[i]; }

  // The value(s) of a property of the given rule; `x` is the phase's mole fractions (not used
  // for two-phase and pure properties). Throws std::domain_error for impossible input.
  std::vector<double> evaluate(const PropertyRule& rule, Phase phase, const Conditions& c,
                               const std::vector<double>& x) const;
  std::vector<double> kValues(const Conditions& c) const;
  // Vapour fraction and phase compositions of a TP flash of feed z (vapour fraction 0 or 1
  // for a single phase).
  struct Split {
    double vapour = 0;
    std::vector<double> x, y;
  };
  Split flash(const Conditions& c, const std::vector<double>& z) const;

 private:
  double enthalpy(Phase phase, const Conditions& c, const std::vector<double>& x) const;
  double entropy(Phase phase, const Conditions& c, const std::vector<double>& x) const;
  double heatCapacity(Phase phase, const Conditions& c, const std::vector<double>& x) const;
  double volume(Phase phase, const Conditions& c, const std::vector<double>& x) const;
  std::vector<double> logFugacityCoefficients(Phase phase, const Conditions& c) const;
  std::vector<double> pure(const std::string& name, double t) const;

  std::vector<PureCompound> m_compounds;
};

}  // namespace idealthermo
