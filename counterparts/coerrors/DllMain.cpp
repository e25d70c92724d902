// Entry points of CoErrors.dll, the two outside CAPE-OPEN error components. Their type library
// is registered on its own (outside/coerrors), so registration here writes the classes only.
#include <windows.h>
#include <objbase.h>

#include "counterparts/coerrors/CapeError.h"
#include "counterparts/coerrors/CapeErrorUtilities.h"
#include "server/comkit/ClassObjectMap.h"
#include "server/comkit/DllEntry.h"
#include "CoErrors.h"
#include "server/comkit/Module.h"

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
