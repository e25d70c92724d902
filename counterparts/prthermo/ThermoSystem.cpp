#include "counterparts/prthermo/ThermoSystem.h"

#include <new>
#include <optional>
#include <utility>

#include "counterparts/prthermo/ComArrays.h"
#include "counterparts/prthermo/PropertyPackage.h"
#include "support/Text.h"

namespace prthermo {

// {6A3F52C1-8E0B-4D7A-9C35-2B41E7D09F16}
const CLSID CLSID_PRThermoSystem = {0x6a3f52c1, 0x8e0b, 0x4d7a, {0x9c, 0x35, 0x2b, 0x41, 0xe7, 0xd0, 0x9f, 0x16}};

namespace {

// The package file is read on every request, so an edited file is seen without a restart.
std::vector<prcore::PackageDefinition> installedPackages() {
  return prcore::loadPackages(prcore::moduleFolder() + "packages.txt");
}

bool sameName(const std::string& a, BSTR b) {
  const std::wstring wide = support::widen(a);
  return CompareStringOrdinal(wide.c_str(), static_cast<int>(wide.size()), b ? b : L"",
                              static_cast<int>(SysStringLen(b)), TRUE) == CSTR_EQUAL;
}

std::optional<prcore::PackageDefinition> findPackage(BSTR name) {
  for (auto& definition : installedPackages()) {
    if (sameName(definition.name, name)) return definition;
  }
  return std::nullopt;
}

// Missing or malformed data files mean the system cannot start up its packages.
template <class Body>
HRESULT guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const prcore::PackageFileError&) {
    return ECapeFailedInitialisationHR;
  } catch (const prcore::DataError&) {
    return ECapeFailedInitialisationHR;
  } catch (...) {
    return ECapeUnknownHR;
  }
}

}  // namespace

ThermoSystem::ThermoSystem()
    : m_identity{L"PR Thermo System", L"Peng-Robinson property packages defined in packages.txt"} {}

STDMETHODIMP ThermoSystem::GetPropertyPackages(VARIANT* propertyPackageList) {
  if (!propertyPackageList) return E_POINTER;
  return guarded([&] {
    std::vector<std::string> names;
    for (const auto& definition : installedPackages()) names.push_back(definition.name);
    return putStrings(propertyPackageList, names);
  });
}

STDMETHODIMP ThermoSystem::ResolvePropertyPackage(BSTR propertyPackage, IDispatch** propPackObject) {
  if (!propPackObject) return E_POINTER;
  *propPackObject = nullptr;
  return guarded([&] {
    const auto definition = findPackage(propertyPackage);
    if (!definition) return static_cast<HRESULT>(ECapeInvalidArgumentHR);
    const auto database = prcore::CompoundDatabase::load(prcore::moduleFolder());
    auto compounds = database.select(definition->compounds);
    auto kij = database.kijMatrix(compounds);
    return PropertyPackage::create(*definition, std::move(compounds), std::move(kij), propPackObject);
  });
}

STDMETHODIMP ThermoSystem::get_ComponentName(BSTR* name) {
  return guarded([&] { return copyText(m_identity.name, name); });
}

STDMETHODIMP ThermoSystem::put_ComponentName(BSTR name) {
  return guarded([&] {
    assignText(m_identity.name, name);
    return S_OK;
  });
}

STDMETHODIMP ThermoSystem::get_ComponentDescription(BSTR* desc) {
  return guarded([&] { return copyText(m_identity.description, desc); });
}

STDMETHODIMP ThermoSystem::put_ComponentDescription(BSTR desc) {
  return guarded([&] {
    assignText(m_identity.description, desc);
    return S_OK;
  });
}

}  // namespace prthermo
