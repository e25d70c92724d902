#include "counterparts/idealthermo/IdealSystem.h"

#include <new>

#include "counterparts/prthermo/ComArrays.h"
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

template <class Body>
HRESULT guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const DataFileError&) {
    return ECapeFailedInitialisationHR;
  } catch (...) {
    return ECapeUnknownHR;
  }
}

}  // namespace

IdealSystem::IdealSystem() : m_identity{L"Ideal Thermo System", L"Ideal gas and ideal liquid solution packages"} {}

STDMETHODIMP IdealSystem::GetPropertyPackages(VARIANT* propertyPackageList) {
  if (!propertyPackageList) return E_POINTER;
  return guarded([&] {
    std::vector<std::string> names;
    for (const auto& p : packages()) names.push_back(support::narrow(p.name));
    return prthermo::putStrings(propertyPackageList, names);
  });
}

STDMETHODIMP IdealSystem::ResolvePropertyPackage(BSTR propertyPackage, IDispatch** propPackObject) {
  if (!propPackObject) return E_POINTER;
  *propPackObject = nullptr;
  return guarded([&] {
    const std::wstring wanted(propertyPackage ? propertyPackage : L"", SysStringLen(propertyPackage));
    for (const auto& p : packages()) {
      if (CompareStringOrdinal(p.name.c_str(), -1, wanted.c_str(), static_cast<int>(wanted.size()), TRUE) != CSTR_EQUAL)
        continue;
      return IdealPackage::create(p, readCompoundFile(dllFolder() + "ideal_compounds.tsv"), propPackObject);
    }
    return static_cast<HRESULT>(ECapeInvalidArgumentHR);
  });
}

STDMETHODIMP IdealSystem::get_ComponentName(BSTR* name) { return prthermo::copyText(m_identity.name, name); }

STDMETHODIMP IdealSystem::put_ComponentName(BSTR name) {
  return guarded([&] {
    prthermo::assignText(m_identity.name, name);
    return S_OK;
  });
}

STDMETHODIMP IdealSystem::get_ComponentDescription(BSTR* desc) { return prthermo::copyText(m_identity.description, desc); }

STDMETHODIMP IdealSystem::put_ComponentDescription(BSTR desc) {
  return guarded([&] {
    prthermo::assignText(m_identity.description, desc);
    return S_OK;
  });
}

}  // namespace idealthermo
