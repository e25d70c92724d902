#pragma once
// The ideal-solution Thermo System: its packages are fixed here; the compound data are read from
// ideal_compounds.tsv beside the DLL when a package is resolved.
#include <windows.h>

#include "counterparts/common/ThermoSystemShell.h"
#include "counterparts/idealthermo/IdealData.h"

namespace idealthermo {

// {C2E5A7B4-51D8-4F0E-9A63-7B1D2E48F905}
extern const CLSID CLSID_IdealThermoSystem;

class IdealSystem : public counterpart::ThermoSystemShell<DataFileError> {
 public:
  IdealSystem();

 private:
  std::vector<std::string> packageNames() const override;
  HRESULT resolve(BSTR name, IDispatch** out) override;
};

}  // namespace idealthermo
