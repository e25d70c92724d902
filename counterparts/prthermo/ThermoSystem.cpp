#include "counterparts/prthermo/ThermoSystem.h"

#include <optional>
#include <utility>

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

}  // namespace

ThermoSystem::ThermoSystem()
    : ThermoSystemShell({L"PR Thermo System", L"Peng-Robinson property packages defined in packages.txt"}) {}

std::vector<std::string> ThermoSystem::packageNames() const {
  std::vector<std::string> names;
  for (const auto& definition : installedPackages()) names.push_back(definition.name);
  return names;
}

HRESULT ThermoSystem::resolve(BSTR name, IDispatch** out) {
  const auto definition = findPackage(name);
  if (!definition) return ECapeInvalidArgumentHR;
  const auto database = prcore::CompoundDatabase::load(prcore::moduleFolder());
  auto compounds = database.select(definition->compounds);
  auto kij = database.kijMatrix(compounds);
  return PropertyPackage::create(*definition, std::move(compounds), std::move(kij), out);
}

}  // namespace prthermo
