#include "counterparts/common/ServerEntry.h"

#include <objbase.h>

#include "server/comkit/DllEntry.h"
#include "support/Guards.h"
#include "server/comkit/Module.h"

namespace {

const counterpart::ServedClasses& served() {
  static const counterpart::ServedClasses classes = counterpart::servedClasses();
  return classes;
}

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(comkit::module(), served().classes);
  return map;
}

HRESULT registerAll() {
  HRESULT hr = objectMap().registerServer(false);
  if (!served().registerMore) return hr;
  if (SUCCEEDED(hr)) hr = served().registerMore();
  if (FAILED(hr)) objectMap().unregisterServer(false);
  return hr;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) { return comkit::attachModule(instance, reason); }

STDAPI DllCanUnloadNow() { return comkit::module().canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return support::answeringFailure([&] { return objectMap().getClassObject(clsid, riid, ppv); });
}

STDAPI DllRegisterServer() { return support::answeringFailure(registerAll); }

STDAPI DllUnregisterServer() {
  return support::answeringFailure([] { return objectMap().unregisterServer(false); });
}
