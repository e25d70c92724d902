#pragma once
// What a CAPE-OPEN 1.0 Thermo System writes to the registry: its class under the CAPE-OPEN
// categories and the description a category browser shows.
#include <windows.h>

#include "counterparts/common/ServerEntry.h"
#include "server/comkit/ClassFactory.h"

namespace counterpart {

// CAPE-OPEN component categories of a 1.0 Thermo System.
extern const GUID CATID_CapeOpenComponent;  // {678C09A1-7D66-11D2-A67D-00105A42887F}
extern const GUID CATID_CapeThermoSystem;   // {678C09A3-7D66-11D2-A67D-00105A42887F}

// The texts a CAPE-OPEN 1.0 component shows in a category browser.
struct CapeDescription {
  const wchar_t *name, *description, *vendorUrl, *helpUrl, *about;
};

// Writes CLSID\{clsid}\CapeDescription (Name, Description, CapeVersion and ComponentVersion 1.0,
// VendorURL, HelpURL, About) under HKEY_CLASSES_ROOT.
HRESULT registerCapeDescription(REFCLSID clsid, const CapeDescription& texts);

// The one class a Thermo System DLL serves.
struct ThermoSystemClass {
  comkit::Creator create;
  const CLSID* clsid;
  const wchar_t *name, *progId, *versionIndependentProgId;
  CapeDescription description;
};

// The class registered with the CAPE-OPEN 1.0 type library, apartment-threaded, under the
// CAPE-OPEN component and Thermo System categories, then its description.
ServedClasses thermoSystemServer(const ThermoSystemClass& system);

}  // namespace counterpart
