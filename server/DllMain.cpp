// Entry points of Quellmar.dll.
#include <windows.h>
#include <objbase.h>

#include "server/comkit/DllEntry.h"
#include "support/FaultShield.h"
#include "server/comkit/Module.h"
#include "server/ObjectMap.h"
#include "support/Trace.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (!comkit::attachModule(instance, reason)) return FALSE;
  if (reason == DLL_PROCESS_ATTACH) {
    support::setModuleName("Quellmar");
    support::setTitle(support::kAdapterTitle);
  }
  // Unloaded while the process goes on: its filter must not point into freed code.
  if (reason == DLL_PROCESS_DETACH && !reserved) support::releaseFaultShield();
  return TRUE;
}

// The shield's filter is taken out when the module goes; while another filter sits on top of it
// (and calls it on), the module's code must stay.
STDAPI DllCanUnloadNow() {
  const HRESULT hr = comkit::module().canUnloadNow();
  return hr == S_OK && !support::faultShieldRemovable() ? S_FALSE : hr;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return support::answeringFailure([&] { return server::objectMap().getClassObject(clsid, riid, ppv); });
}

STDAPI DllRegisterServer() {
  return support::answeringFailure([] { return server::objectMap().registerServer(true); });
}

STDAPI DllUnregisterServer() {
  return support::answeringFailure([] { return server::objectMap().unregisterServer(true); });
}
