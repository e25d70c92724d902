#pragma once
// Registry entries of the creatable classes and registration of the module's type library.
//
// Per class, under the given root (the classes root by default):
//   <ProgID>                         = "<name> Class", subkey CLSID = {clsid}
//   <VersionIndependentProgID>       = "<name> Class", subkeys CLSID = {clsid}, CurVer = <ProgID>
//   CLSID\{clsid}                    = "<name> Class", replaced whole on registration, with
//     ProgID, VersionIndependentProgID, InprocServer32 (= module path, ThreadingModel),
//     TypeLib = {libid}, an empty Programmable key when asked for, and
//     Implemented Categories\{catid} for each declared category.
// A registration that fails part-way removes what it wrote for that class and returns the
// failure: there is never a half-written class key. Unregistration removes the ProgID keys and
// the class key and leaves the CLSID root; keys that are already gone are no failure.
#include <windows.h>

#include <string>
#include <vector>

namespace comkit {

struct ClassRegistration {
  const CLSID* clsid;
  const wchar_t* name;                      // the class description is name + " Class"
  const wchar_t* progId;                    // versioned ProgID, or null for none
  const wchar_t* versionIndependentProgId;  // or null for none
  const GUID* typeLib;                      // TypeLib value, or null for none
  bool programmable;                        // write the empty Programmable key
  const wchar_t* threadingModel = L"Apartment";
  std::vector<GUID> implementedCategories = {};  // CATIDs
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::wstring guidText(REFGUID guid);

HRESULT registerClass(const ClassRegistration& cls, const std::wstring& modulePath, HKEY root = HKEY_CLASSES_ROOT);
HRESULT unregisterClass(const ClassRegistration& cls, HKEY root = HKEY_CLASSES_ROOT);

// Registers / unregisters the type library embedded in the module file at modulePath.
HRESULT registerTypeLib(const std::wstring& modulePath);
HRESULT unregisterTypeLib(const std::wstring& modulePath);

}  // namespace comkit
