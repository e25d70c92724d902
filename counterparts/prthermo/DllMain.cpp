// What PRThermo.dll serves: the Peng-Robinson CAPE-OPEN 1.0 Thermo System. The CAPE-OPEN type
// library is registered on its own, so registration here writes the class and its description.
#include "counterparts/common/CapeDescription.h"
#include "counterparts/prthermo/ThermoSystem.h"

counterpart::ServedClasses counterpart::servedClasses() {
  return thermoSystemServer({&comkit::createInstance<prthermo::ThermoSystem>, &prthermo::CLSID_PRThermoSystem,
                             L"PRThermoSystem", L"Quellmar.PRThermoSystem.1", L"Quellmar.PRThermoSystem",
                             {L"PR Thermo System", L"Peng-Robinson property packages defined in packages.txt",
                              L"https://quellmar.example/", L"https://quellmar.example/prthermo/",
                              L"Peng-Robinson (1976) thermo system with van der Waals mixing"}});
}
