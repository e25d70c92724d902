#pragma once
// Registry entries of PRThermo.dll beyond ordinary class registration.
#include <windows.h>

namespace prthermo {

// CAPE-OPEN component categories of a 1.0 Thermo System.
extern const GUID CATID_CapeOpenComponent;  // {678C09A1-7D66-11D2-A67D-00105A42887F}
extern const GUID CATID_CapeThermoSystem;   // {678C09A3-7D66-11D2-A67D-00105A42887F}

// Writes CLSID\{clsid}\CapeDescription (Name, Description, CapeVersion, ComponentVersion,
// VendorURL, HelpURL, About) under HKEY_CLASSES_ROOT.
HRESULT registerCapeDescription(REFCLSID clsid);

}  // namespace prthermo
