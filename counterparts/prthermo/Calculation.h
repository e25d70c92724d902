#pragma once
// The properties a package computes, by their CAPE-OPEN 1.0 names, on the Peng-Robinson core.
// Plain C++: the COM layer reads the state from the material object, calls these, and writes
// the values back.
#include <string>
#include <vector>

#include "counterparts/prthermo/core/PengRobinson.h"

namespace prthermo {

enum class Property {
  FugacityCoefficient,
  LogFugacityCoefficient,
  Fugacity,
  ActivityCoefficient,
  Enthalpy,
  Entropy,
  HeatCapacity,
  Volume,
  Density,
  CompressibilityFactor,
  MolecularWeight,
  Viscosity,
  ThermalConductivity,
  KValues,
  LogKValues,
  SurfaceTension,
};

// What a property is and how its values travel.
struct PropertyInfo {
  Property id;
  const char* name;    // as in the package file and on the wire
  bool twoPhase;       // asked on "VaporLiquid" (vapour and liquid compositions)
  bool perCompound;    // one value per compound, else one value
  bool basisDependent; // written with basis "mole", else with no basis
};

// The property of a name (case-insensitive; "enthalpyF" and "entropyF" are enthalpy and
// entropy); null for a name this system cannot compute.
const PropertyInfo* findProperty(const std::string& name);

// Which phase a request is about. Overall is the whole mixture as one phase (its stable root).
enum class PhaseKind { Vapour, Liquid, Overall, VaporLiquid };

// The phase kind of a CAPE-OPEN phase name: "Vapor", "Liquid" and further "Liquid..." names,
// "Overall", "VaporLiquid" (case-insensitive). False for any other.
bool phaseKindOf(const std::string& phase, PhaseKind& kind);

// A phase to compute: its composition x (for VaporLiquid: x the liquid, y the vapour).
struct PhaseInput {
  PhaseKind kind = PhaseKind::Vapour;
  std::vector<double> x, y;
};

// Whether the property can be asked on the phase: two-phase properties on VaporLiquid only,
// the others never there; activity coefficients on liquid phases only.
bool compatible(const PropertyInfo& property, PhaseKind kind);

// The values of one property of one phase at T (K) and P (Pa), SI, mole basis. Throws
// std::invalid_argument for an incompatible phase or a bad state, std::domain_error where the
// equation has no answer.
std::vector<double> propertyValues(const prcore::PengRobinson& eos, const PropertyInfo& property, double t,
                                   double p, const PhaseInput& phase);

}  // namespace prthermo
