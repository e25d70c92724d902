// What IdealThermo.dll serves: the ideal-solution CAPE-OPEN 1.0 Thermo System. Registered under
// the same CAPE-OPEN categories as every 1.0 Thermo System, so a category browser lists it.
#include "counterparts/common/CapeDescription.h"
#include "counterparts/common/ServerEntry.h"
#include "counterparts/idealthermo/IdealSystem.h"

namespace {

const counterpart::CapeDescription kDescription = {
    L"Ideal Thermo System",
    L"Ideal gas and ideal liquid solution (Raoult) packages",
    L"https://quellmar.example/",
    L"https://quellmar.example/idealthermo/",
    L"Lee-Kesler vapour pressures, Rackett liquid volumes, ideal mixing",
};

HRESULT registerDescription() {
  return counterpart::registerCapeDescription(idealthermo::CLSID_IdealThermoSystem, kDescription);
}

}  // namespace

counterpart::ServedClasses counterpart::servedClasses() {
  return {{{&comkit::createInstance<idealthermo::IdealSystem>,
            {&idealthermo::CLSID_IdealThermoSystem, L"IdealThermoSystem", L"Quellmar.IdealThermoSystem.1",
             L"Quellmar.IdealThermoSystem", &LIBID_CAPEOPEN100, false, L"Apartment",
             {CATID_CapeOpenComponent, CATID_CapeThermoSystem}}}},
          &registerDescription};
}
