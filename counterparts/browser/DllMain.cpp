// Entry points of the category browser DLL. Its type library OvShowCOCATIDs is registered on
// its own, so registration writes only the class.
#include <windows.h>
#include <objbase.h>

#include "counterparts/browser/Browser.h"
#include "server/comkit/ClassObjectMap.h"
#include "server/comkit/DllEntry.h"
#include "server/comkit/Module.h"

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

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) { return comkit::attachModule(instance, reason); }

STDAPI DllCanUnloadNow() { return comkit::module().canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return support::answeringFailure([&] { return objectMap().getClassObject(clsid, riid, ppv); });
}

STDAPI DllRegisterServer() {
  return support::answeringFailure([] { return objectMap().registerServer(false); });
}

STDAPI DllUnregisterServer() {
  return support::answeringFailure([] { return objectMap().unregisterServer(false); });
}
