#include "counterparts/idealthermo/IdealSolution.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>

namespace idealthermo {

namespace {

const PropertyRule kRules[] = {
    {"enthalpy", Shape::PhaseScalar, true, true},
    {"entropy", Shape::PhaseScalar, true, true},
    {"heatCapacity", Shape::PhaseScalar, true, true},
    {"volume", Shape::PhaseScalar, true, true},
    {"density", Shape::PhaseScalar, true, true},
    {"compressibilityFactor", Shape::PhaseScalar, false, false},
    {"molecularWeight", Shape::PhaseScalar, false, false},
    {"fugacityCoefficient", Shape::PhaseVector, false, false},
    {"logFugacityCoefficient", Shape::PhaseVector, false, false},
    {"fugacity", Shape::PhaseVector, false, false},
    {"kvalues", Shape::TwoPhase, false, false},
    {"logkvalues", Shape::TwoPhase, false, false},
    {"vaporPressure", Shape::Pure, false, false},
    {"heatOfVaporization", Shape::Pure, true, false},
    {"idealGasEnthalpy", Shape::Pure, true, false},
    {"idealGasHeatCapacity", Shape::Pure, true, false},
    {"liquidVolume", Shape::Pure, true, false},
};

// x ln x summed, 0 ln 0 taken as 0.
double mixingTerm(const std::vector<double>& x) {
  double sum = 0;
  for (double xi : x)
    if (xi > 0) sum += xi * std::log(xi);
  return sum;
}

template <class Term>
double weighted(const std::vector<double>& x, size_t n, Term term) {
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += x[i] * term(i);
  return sum;
}

void requireState(const Conditions& c) {
  if (!(c.t > 0) || !(c.p > 0) || !std::isfinite(c.t) || !std::isfinite(c.p))
    throw std::domain_error("temperature and pressure must be positive and finite");
}

}  // namespace

bool sameWord(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char p, unsigned char q) {
           return std::tolower(p) == std::tolower(q);
         });
}

const PropertyRule* findProperty(const std::string& name) {
  for (const auto& rule : kRules)
    if (sameWord(rule.name, name)) return &rule;
  return nullptr;
}

IdealSolution::IdealSolution(std::vector<PureCompound> compounds) : m_compounds(std::move(compounds)) {}

std::vector<double> IdealSolution::kValues(const Conditions& c) const {
  requireState(c);
  std::vector<double> k;
  for (const auto& compound : m_compounds) k.push_back(compound.vapourPressure(c.t) / c.p);
  return k;
}

double IdealSolution::enthalpy(Phase phase, const Conditions& c, const std::vector<double>& x) const {
  return weighted(x, size(), [&](size_t i) {
    const double h = m_compounds[i].idealGasEnthalpy(c.t);
    return phase == Phase::Vapour ? h : h - m_compounds[i].vaporizationEnthalpy(c.t);
  });
}

// The liquid of a compound is its ideal gas at its vapour pressure, condensed.
double IdealSolution::entropy(Phase phase, const Conditions& c, const std::vector<double>& x) const {
  const double r = kGasConstant;
  if (phase == Phase::Vapour)
    return weighted(x, size(), [&](size_t i) { return m_compounds[i].idealGasEntropy(c.t); }) -
           r * std::log(c.p / kReferenceP) - r * mixingTerm(x);
  return weighted(x, size(), [&](size_t i) {
           const auto& m = m_compounds[i];
           return m.idealGasEntropy(c.t) - r * std::log(m.vapourPressure(c.t) / kReferenceP) -
                  m.vaporizationEnthalpy(c.t) / c.t;
         }) -
         r * mixingTerm(x);
}

double IdealSolution::heatCapacity(Phase phase, const Conditions& c, const std::vector<double>& x) const {
  return weighted(x, size(), [&](size_t i) {
    const double cp = m_compounds[i].idealGasCp(c.t);
    return phase == Phase::Vapour ? cp : cp - m_compounds[i].vaporizationEnthalpySlope(c.t);
  });
}

double IdealSolution::volume(Phase phase, const Conditions& c, const std::vector<double>& x) const {
  if (phase == Phase::Vapour) return kGasConstant * c.t / c.p;
  return weighted(x, size(), [&](size_t i) { return m_compounds[i].liquidVolume(c.t); });
}

std::vector<double> IdealSolution::logFugacityCoefficients(Phase phase, const Conditions& c) const {
  std::vector<double> out(size(), 0.0);
  if (phase == Phase::Liquid) {
    const auto k = kValues(c);
    std::transform(k.begin(), k.end(), out.begin(), [](double ki) { return std::log(ki); });
  }
  return out;
}

std::vector<double> IdealSolution::pure(const std::string& name, double t) const {
  std::vector<double> out;
  for (const auto& m : m_compounds) {
    if (sameWord(name, "vaporPressure")) out.push_back(m.vapourPressure(t));
    else if (sameWord(name, "heatOfVaporization")) out.push_back(m.vaporizationEnthalpy(t));
    else if (sameWord(name, "idealGasEnthalpy")) out.push_back(m.idealGasEnthalpy(t));
    else if (sameWord(name, "idealGasHeatCapacity")) out.push_back(m.idealGasCp(t));
    else out.push_back(m.liquidVolume(t));
  }
  return out;
}

std::vector<double> IdealSolution::evaluate(const PropertyRule& rule, Phase phase, const Conditions& c,
                                            const std::vector<double>& x) const {
  requireState(c);
  const std::string name = rule.name;
  if (rule.shape == Shape::Pure) return pure(name, c.t);
  if (rule.shape == Shape::TwoPhase) {
    auto k = kValues(c);
    if (name == "logkvalues") std::transform(k.begin(), k.end(), k.begin(), [](double v) { return std::log(v); });
    return k;
  }
  if (x.size() != size()) throw std::invalid_argument("composition of the wrong length");
  if (name == "enthalpy") return {enthalpy(phase, c, x)};
  if (name == "entropy") return {entropy(phase, c, x)};
  if (name == "heatCapacity") return {heatCapacity(phase, c, x)};
  if (name == "volume") return {volume(phase, c, x)};
  if (name == "density") return {1 / volume(phase, c, x)};
  if (name == "compressibilityFactor") return {c.p * volume(phase, c, x) / (kGasConstant * c.t)};
  if (name == "molecularWeight") return {weighted(x, size(), [&](size_t i) { return m_compounds[i].mw; })};
  auto lnPhi = logFugacityCoefficients(phase, c);
  if (name == "logFugacityCoefficient") return lnPhi;
  for (size_t i = 0; i < size(); ++i) {
    const double phi = std::exp(lnPhi[i]);
    lnPhi[i] = name == "fugacity" ? x[i] * phi * c.p : phi;
  }
  return lnPhi;
}

// Rachford-Rice by bisection: K does not depend on composition, so one solve is the flash.
IdealSolution::Split IdealSolution::flash(const Conditions& c, const std::vector<double>& z) const {
  if (z.size() != size()) throw std::invalid_argument("feed composition of the wrong length");
  const auto k = kValues(c);
  auto residual = [&](double v) {
    double sum = 0;
    for (size_t i = 0; i < size(); ++i) sum += z[i] * (k[i] - 1) / (1 + v * (k[i] - 1));
    return sum;
  };
  Split split;
  if (residual(0) <= 0) split.vapour = 0;
  else if (residual(1) >= 0) split.vapour = 1;
  else {
    double lo = 0, hi = 1;
    for (int step = 0; step < 200 && hi - lo > 1e-15; ++step) {
      const double mid = (lo + hi) / 2;
      (residual(mid) > 0 ? lo : hi) = mid;
    }
    split.vapour = (lo + hi) / 2;
  }
  for (size_t i = 0; i < size(); ++i) {
    const double xi = z[i] / (1 + split.vapour * (k[i] - 1));
    split.x.push_back(xi);
    split.y.push_back(k[i] * xi);
  }
  return split;
}

}  // namespace idealthermo
