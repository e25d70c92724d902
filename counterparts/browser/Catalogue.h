#pragma once
// The registered CAPE-OPEN 1.0 Thermo Systems, found by their component category.
#include <windows.h>

#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"

namespace browser {

struct ThermoSystemEntry {
  CLSID clsid;
  std::wstring name;   // the ProgID, or the class id text when the class has none
  std::wstring alias;  // CapeDescription\Name, or the name
};

// Every class registered in the CAPE-OPEN Thermo System category.
HRESULT registeredThermoSystems(std::vector<ThermoSystemEntry>& systems);
// The entry whose name or alias is text (case-insensitive); null when none.
const ThermoSystemEntry* findSystem(const std::vector<ThermoSystemEntry>& systems, const std::wstring& text);
// Creates the system named by a ProgID or a class id text.
HRESULT createThermoSystem(const std::wstring& name, ICapeThermoSystem** system);
// The package names a system offers.
HRESULT packagesOf(ICapeThermoSystem* system, std::vector<std::wstring>& packages);
HRESULT packagesOf(const std::wstring& systemName, std::vector<std::wstring>& packages);

}  // namespace browser
