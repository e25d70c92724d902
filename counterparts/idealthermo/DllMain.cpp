// What IdealThermo.dll serves: the ideal-solution CAPE-OPEN 1.0 Thermo System. Registered under
// the same CAPE-OPEN categories as every 1.0 Thermo System, so a category browser lists it.
#include "counterparts/common/CapeDescription.h"
#include "counterparts/idealthermo/IdealSystem.h"

counterpart::ServedClasses counterpart::servedClasses() {
  return thermoSystemServer({&comkit::createInstance<idealthermo::IdealSystem>, &idealthermo::CLSID_IdealThermoSystem,
                             L"IdealThermoSystem", L"Quellmar.IdealThermoSystem.1", L"Quellmar.IdealThermoSystem",
                             {L"Ideal Thermo System", L"Ideal gas and ideal liquid solution (Raoult) packages",
                              L"https://quellmar.example/", L"https://quellmar.example/idealthermo/",
                              L"Lee-Kesler vapour pressures, Rackett liquid volumes, ideal mixing"}});
}
