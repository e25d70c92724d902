#include "counterparts/prthermo/Calculation.h"

#include <cmath>
#include <stdexcept>

#include "counterparts/prthermo/Names.h"
#include "counterparts/prthermo/core/Transport.h"

namespace prthermo {

namespace {

using prcore::PengRobinson;
using prcore::Root;

const PropertyInfo kProperties[] = {
    {Property::FugacityCoefficient, "fugacityCoefficient", false, true, false},
    {Property::LogFugacityCoefficient, "logFugacityCoefficient", false, true, false},
    {Property::Fugacity, "fugacity", false, true, false},
    {Property::ActivityCoefficient, "activityCoefficient", false, true, false},
    {Property::Enthalpy, "enthalpy", false, false, true},
    {Property::Entropy, "entropy", false, false, true},
    {Property::HeatCapacity, "heatCapacity", false, false, true},
    {Property::Volume, "volume", false, false, true},
    {Property::Density, "density", false, false, true},
    {Property::CompressibilityFactor, "compressibilityFactor", false, false, false},
    {Property::MolecularWeight, "molecularWeight", false, false, false},
    {Property::Viscosity, "viscosity", false, false, false},
    {Property::ThermalConductivity, "thermalConductivity", false, false, false},
    {Property::KValues, "kvalues", true, true, false},
    {Property::LogKValues, "logkvalues", true, true, false},
    {Property::SurfaceTension, "surfaceTension", true, false, false},
};

// The root a one-phase request takes: the named one, or for Overall the stable one.
Root rootOf(const PengRobinson& eos, double t, double p, const PhaseInput& phase) {
  switch (phase.kind) {
    case PhaseKind::Vapour: return Root::Vapour;
    case PhaseKind::Liquid: return Root::Liquid;
    default: return eos.stableRoot(t, p, phase.x);
  }
}

std::vector<double> exponentials(std::vector<double> values) {
  for (double& v : values) v = std::exp(v);
  return values;
}

std::vector<double> onePhase(const PengRobinson& eos, const PropertyInfo& property, double t, double p,
                             const PhaseInput& phase) {
  const Root root = rootOf(eos, t, p, phase);
  std::vector<double> lnPhi;
  switch (property.id) {
    case Property::FugacityCoefficient: eos.lnPhi(t, p, phase.x, root, lnPhi); return exponentials(std::move(lnPhi));
    case Property::LogFugacityCoefficient: eos.lnPhi(t, p, phase.x, root, lnPhi); return lnPhi;
    case Property::Fugacity: return eos.fugacities(t, p, phase.x, root);
    case Property::ActivityCoefficient: return exponentials(eos.lnActivity(t, p, phase.x));
    case Property::CompressibilityFactor: return {eos.compressibility(t, p, phase.x, root)};
    default: break;
  }
  const bool gasLike = root == Root::Vapour;
  const auto& compounds = eos.compounds();
  switch (property.id) {
    case Property::Viscosity:
      return {gasLike ? prcore::gasViscosity(compounds, t, phase.x) : prcore::liquidViscosity(compounds, t, phase.x)};
    case Property::ThermalConductivity:
      return {gasLike ? prcore::gasThermalConductivity(compounds, t, phase.x)
                      : prcore::liquidThermalConductivity(compounds, t, phase.x)};
    default: break;
  }
  const prcore::PhaseProps props = eos.properties(t, p, phase.x, root);
  switch (property.id) {
    case Property::Enthalpy: return {props.h};
    case Property::Entropy: return {props.s};
    case Property::HeatCapacity: return {props.cp};
    case Property::Volume: return {props.v};
    case Property::Density: return {1 / props.v};
    case Property::MolecularWeight: return {props.mw};
    default: throw std::invalid_argument(std::string("not a one-phase property: ") + property.name);
  }
}

std::vector<double> twoPhase(const PengRobinson& eos, const PropertyInfo& property, double t, double p,
                             const PhaseInput& phase) {
  switch (property.id) {
    case Property::KValues: return exponentials(eos.lnKValues(t, p, phase.x, phase.y));
    case Property::LogKValues: return eos.lnKValues(t, p, phase.x, phase.y);
    case Property::SurfaceTension: return {prcore::surfaceTension(eos, t, p, phase.x, phase.y)};
    default: throw std::invalid_argument(std::string("not a two-phase property: ") + property.name);
  }
}

}  // namespace

const PropertyInfo* findProperty(const std::string& name) {
  const std::string root = sameName(name, "enthalpyF") ? "enthalpy" : sameName(name, "entropyF") ? "entropy" : name;
  for (const auto& info : kProperties) {
    if (sameName(root, info.name)) return &info;
  }
  return nullptr;
}

bool phaseKindOf(const std::string& phase, PhaseKind& kind) {
  if (sameName(phase, "Vapor")) kind = PhaseKind::Vapour;
  else if (sameName(phase, "Overall")) kind = PhaseKind::Overall;
  else if (sameName(phase, "VaporLiquid")) kind = PhaseKind::VaporLiquid;
  else if (startsWithName(phase, "Liquid") && !sameName(phase, "LiquidLiquid")) kind = PhaseKind::Liquid;
  else return false;
  return true;
}

bool compatible(const PropertyInfo& property, PhaseKind kind) {
  if (property.twoPhase != (kind == PhaseKind::VaporLiquid)) return false;
  return property.id != Property::ActivityCoefficient || kind == PhaseKind::Liquid;
}

std::vector<double> propertyValues(const PengRobinson& eos, const PropertyInfo& property, double t, double p,
                                   const PhaseInput& phase) {
  if (!compatible(property, phase.kind))
    throw std::invalid_argument(std::string(property.name) + " cannot be calculated for this phase");
  if (!(t > 0) || !(p > 0) || !std::isfinite(t) || !std::isfinite(p))
    throw std::invalid_argument("temperature and pressure must be positive and finite");
  return property.twoPhase ? twoPhase(eos, property, t, p, phase) : onePhase(eos, property, t, p, phase);
}

}  // namespace prthermo
