// Entry points of PRThermo.dll, the Peng-Robinson CAPE-OPEN 1.0 Thermo System. The CAPE-OPEN
// type library is registered on its own, so registration here writes the class only.
#include <windows.h>
#include <objbase.h>

#include "server/comkit/ClassObjectMap.h"
#include "server/comkit/DllEntry.h"
#include "server/comkit/Module.h"
#include "counterparts/prthermo/Registration.h"
#include "counterparts/prthermo/ThermoSystem.h"

namespace {

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(
      comkit::module(),
      {
          {&comkit::createInstance<prthermo::ThermoSystem>,
           {&prthermo::CLSID_PRThermoSystem, L"PRThermoSystem", L"Quellmar.PRThermoSystem.1",
            L"Quellmar.PRThermoSystem", &LIBID_CAPEOPEN100, false, L"Apartment",
            {prthermo::CATID_CapeOpenComponent, prthermo::CATID_CapeThermoSystem}}},
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
  return support::answeringFailure([] {
    HRESULT hr = objectMap().registerServer(false);
    if (SUCCEEDED(hr)) hr = prthermo::registerCapeDescription(prthermo::CLSID_PRThermoSystem);
    if (FAILED(hr)) objectMap().unregisterServer(false);  // never leave a class without its description
    return hr;
  });
}

STDAPI DllUnregisterServer() {
  return support::answeringFailure([] { return objectMap().unregisterServer(false); });
}
