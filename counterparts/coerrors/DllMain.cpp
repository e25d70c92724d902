// Entry points of CoErrors.dll, the two outside CAPE-OPEN error components. Their type library
// is registered on its own (outside/coerrors), so registration here writes the classes only.
#include <windows.h>
#include <objbase.h>

#include "CapeError.h"
#include "CapeErrorUtilities.h"
#include "ClassObjectMap.h"
#include "CoErrors.h"
#include "Module.h"

namespace {

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(
      comkit::module(),
      {
          {&comkit::createInstance<coerrors::CapeErrorUtilities>,
           {&CLSID_CapeErrorUtilities, L"CapeErrorUtilities", L"CapeErrorComponents.CapeErrorUtilities.1",
            L"CapeErrorComponents.CapeErrorUtilities", &LIBID_CapeErrorComponents, false}},
          {&comkit::createInstance<coerrors::CapeError>,
           {&CLSID_CapeError, L"CapeError", L"CapeErrorComponents.CapeError.1", L"CapeErrorComponents.CapeError",
            &LIBID_CapeErrorComponents, false}},
      });
  return map;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    if (!comkit::module().init(instance)) return FALSE;
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return comkit::module().canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  try {
    return objectMap().getClassObject(clsid, riid, ppv);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllRegisterServer() {
  try {
    return objectMap().registerServer(false);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllUnregisterServer() {
  try {
    return objectMap().unregisterServer(false);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
