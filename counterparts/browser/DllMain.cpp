// Entry points of the category browser DLL. Its type library OvShowCOCATIDs is registered on
// its own, so registration writes only the class.
#include <windows.h>
#include <objbase.h>

#include "Browser.h"
#include "ClassObjectMap.h"
#include "Module.h"

namespace {

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(
      comkit::module(),
      {{&comkit::createInstance<browser::Browser>,
        {&CLSID_ShowCOCATIDs, L"ShowCOCATIDs", L"OvShowCOCATIDs.ShowCOCATIDs.1", L"OvShowCOCATIDs.ShowCOCATIDs",
         &LIBID_OvShowCOCATIDs, false}}});
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
