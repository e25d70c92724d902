#include "counterparts/idealthermo/IdealSystem.h"

#include "counterparts/idealthermo/IdealPackage.h"
#include "support/Text.h"

namespace idealthermo {

const CLSID CLSID_IdealThermoSystem = {0xc2e5a7b4, 0x51d8, 0x4f0e, {0x9a, 0x63, 0x7b, 0x1d, 0x2e, 0x48, 0xf9, 0x05}};

namespace {

const std::vector<PackageDefinition>& packages() {
  static const std::vector<PackageDefinition> kPackages = {
      {L"Ideal Hydrocarbons",
       L"Raoult's law with Lee-Kesler vapour pressures; reaches the material object through its vtable",
       LinkManner::Early,
       {"N2", "CO2", "C1", "C2", "C3", "IC4", "NC4", "IC5", "NC5", "NC6", "NC7", "NC8", "CYC6", "BENZENE", "TOLUENE",
        "PXYLENE"},
       {"kvalues", "logkvalues", "fugacityCoefficient", "logFugacityCoefficient", "fugacity", "enthalpy", "entropy",
        "heatCapacity", "volume", "density", "compressibilityFactor", "molecularWeight", "vaporPressure",
        "heatOfVaporization", "idealGasEnthalpy", "idealGasHeatCapacity", "liquidVolume"}},
      {L"Ideal Aromatics Script",
       L"Raoult's law for aromatics and naphtha; reaches the material object by late binding only",
       LinkManner::Late,
       {"NC5", "NC6", "NC7", "CYC6", "BENZENE", "TOLUENE", "PXYLENE"},
       {"logkvalues", "fugacityCoefficient", "logFugacityCoefficient", "enthalpy", "entropy", "heatCapacity", "volume", "density"}},
  };
  return kPackages;
}

}  // namespace

IdealSystem::IdealSystem() : ThermoSystemShell({L"Ideal Thermo System", L"Ideal gas and ideal liquid solution packages"}) {}

std::vector<std::string> IdealSystem::packageNames() const {
  std::vector<std::string> names;
  for (const auto& p : packages()) names.push_back(support::narrow(p.name));
  return names;
}

HRESULT IdealSystem::resolve(BSTR name, IDispatch** out) {
  const std::wstring wanted(name ? name : L"", SysStringLen(name));
  for (const auto& p : packages()) {
    if (CompareStringOrdinal(p.name.c_str(), -1, wanted.c_str(), static_cast<int>(wanted.size()), TRUE) != CSTR_EQUAL)
      continue;
    return IdealPackage::create(p, readCompoundFile(dllFolder() + "ideal_compounds.tsv"), out);
  }
  return ECapeInvalidArgumentHR;
}

}  // namespace idealthermo
