// Entry points of IdealThermo.dll, the ideal-solution CAPE-OPEN 1.0 Thermo System. Registered under
// the same CAPE-OPEN categories as every 1.0 Thermo System, so a category browser lists it.
#include <windows.h>
#include <objbase.h>

#include "server/comkit/ClassObjectMap.h"
#include "server/comkit/DllEntry.h"
#include "counterparts/idealthermo/IdealSystem.h"
#include "server/comkit/Module.h"
#include "counterparts/prthermo/Registration.h"

namespace {

const prthermo::CapeDescription kDescription = {
    L"Ideal Thermo System",
    L"Ideal gas and ideal liquid solution (Raoult) packages",
    L"https://quellmar.example/",
    L"https://quellmar.example/idealthermo/",
    L"Lee-Kesler vapour pressures, Rackett liquid volumes, ideal mixing",
};

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(
      comkit::module(),
      {
          {&comkit::createInstance<idealthermo::IdealSystem>,
           {&idealthermo::CLSID_IdealThermoSystem, L"IdealThermoSystem", L"Quellmar.IdealThermoSystem.1",
            L"Quellmar.IdealThermoSystem", &LIBID_CAPEOPEN100, false, L"Apartment",
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
    if (SUCCEEDED(hr)) hr = prthermo::registerCapeDescription(idealthermo::CLSID_IdealThermoSystem, kDescription);
    if (FAILED(hr)) objectMap().unregisterServer(false);  // never leave a class without its description
    return hr;
  });
}

STDAPI DllUnregisterServer() {
  return support::answeringFailure([] { return objectMap().unregisterServer(false); });
}
