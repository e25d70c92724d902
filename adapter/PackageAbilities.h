#pragma once
// The package's phase and property lists and what they say it can do (read when the package is
// created, on the CAPE-OPEN thread; read by the requests).
#include <windows.h>

#include "CAPE-OPENv1-0-0.h"
#include "errors/COVCOError.h"
#include "support/Raii.h"

class PackageAbilities {
 public:
  // The package's abilities, from its property and phase lists.
  struct Capabilities {
    bool kvalues = false;
    bool fugacityCoefficient = false;
    bool activityCoefficient = false;
    bool vaporLiquid = false;
    bool logKValues = false;
    bool logFugacityCoefficient = false;
  };

  explicit PackageAbilities(COVCOError& errors) : m_errors(errors) {}
  PackageAbilities(const PackageAbilities&) = delete;
  PackageAbilities& operator=(const PackageAbilities&) = delete;

  // GetPhaseList, then GetPropList; a failure is complained of with the package.
  HRESULT readPackageLists(ICapeThermoPropertyPackage* package);
  // The positions of the properties and phases the requests use, and the abilities they give.
  void recordListPositions();
  // The teardown's part.
  void clear();

  const Capabilities& caps() const { return m_caps; }
  const VARIANT& propertyList() const { return m_propList.get(); }
  const VARIANT& phaseList() const { return m_phaseList.get(); }

 private:
  COVCOError& m_errors;
  support::Variant m_phaseList;
  support::Variant m_propList;
  Capabilities m_caps;
  // Positions in the property list (phase list for vaporLiquid), -1 when absent.
  struct ListPositions {
    int fugacityCoefficient = -1;
    int kvalues = -1;
    int logFugacityCoefficient = -1;
    int logkvalues = -1;
    int activityCoefficient = -1;
    int vaporLiquid = -1;
  } m_positions;
};
