#include "counterparts/prthermo/Constants.h"

#include "counterparts/prthermo/Names.h"


namespace prthermo {

namespace {

using prcore::Compound;

constexpr double kCoulombMetresPerDebye = 3.33564e-30;
// (cm3/mol)(dyn/cm)^(1/4) to m3 kg^(1/4) s^(-1/2) / mol: 1e-6 x (1e-3)^(1/4).
constexpr double kSiParachorPerCgs = 1.778279410038923e-7;

const ConstantInfo kConstants[] = {
    {"casRegistryNumber", nullptr, [](const Compound& c) { return c.cas; }},
    {"chemicalFormula", nullptr, [](const Compound& c) { return c.formula; }},
    {"iupacName", nullptr, [](const Compound& c) { return c.name; }},
    {"molecularWeight", [](const Compound& c) { return c.mw; }, nullptr},
    {"criticalTemperature", [](const Compound& c) { return c.tc; }, nullptr},
    {"criticalPressure", [](const Compound& c) { return c.pc; }, nullptr},
    {"criticalVolume", [](const Compound& c) { return c.vc; }, nullptr},
    {"criticalDensity", [](const Compound& c) { return 1 / c.vc; }, nullptr},
    {"criticalCompressibilityFactor", [](const Compound& c) { return c.zc; }, nullptr},
    {"acentricFactor", [](const Compound& c) { return c.omega; }, nullptr},
    {"normalBoilingPoint", [](const Compound& c) { return c.tb; }, nullptr},
    {"liquidDensityAt25C", [](const Compound& c) { return c.rhoL25; }, nullptr},
    {"liquidVolumeAt25C", [](const Compound& c) { return 1 / c.rhoL25; }, nullptr},
    {"idealGasEnthalpyOfFormationAt25C", [](const Compound& c) { return c.hf; }, nullptr},
    {"dipoleMoment", [](const Compound& c) { return c.dipole * kCoulombMetresPerDebye; }, nullptr},
    {"parachor", [](const Compound& c) { return c.parachor * kSiParachorPerCgs; }, nullptr},
};

struct Universal {
  const char* name;
  double value;
};

// CODATA 2018 exact values, and R as the core uses it.
const Universal kUniversal[] = {
    {"avogadroConstant", 6.02214076e23},
    {"boltzmannConstant", 1.380649e-23},
    {"molarGasConstant", prcore::R},
    {"speedOfLightInVacuum", 299792458.0},
    {"standardAccelerationOfGravity", 9.80665},
};

}  // namespace

const ConstantInfo* findConstant(const std::string& name) {
  for (const auto& info : kConstants) {
    if (sameName(name, info.name)) return &info;
  }
  return nullptr;
}

bool universalConstant(const std::string& name, double& value) {
  for (const auto& u : kUniversal) {
    if (sameName(name, u.name)) {
      value = u.value;
      return true;
    }
  }
  return false;
}

}  // namespace prthermo
