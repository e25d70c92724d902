// Entry points of Quellmar.dll.
#include <windows.h>
#include <objbase.h>

#include "Module.h"
#include "ObjectMap.h"
#include "Trace.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    if (!comkit::module().init(instance)) return FALSE;
    support::setModuleName("Quellmar");
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return comkit::module().canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  try {
    return server::objectMap().getClassObject(clsid, riid, ppv);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllRegisterServer() {
  try {
    return server::objectMap().registerServer(true);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDAPI DllUnregisterServer() {
  try {
    return server::objectMap().unregisterServer(true);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}
