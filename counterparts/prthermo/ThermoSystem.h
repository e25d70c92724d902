#pragma once
// The Thermo System: hands out the Peng-Robinson packages defined in packages.txt beside the DLL.
#include <windows.h>

#include "counterparts/common/ThermoSystemShell.h"
#include "counterparts/prthermo/core/Compounds.h"
#include "counterparts/prthermo/core/PackageFile.h"

namespace prthermo {

// {6A3F52C1-8E0B-4D7A-9C35-2B41E7D09F16}
extern const CLSID CLSID_PRThermoSystem;

class ThermoSystem : public counterpart::ThermoSystemShell<prcore::PackageFileError, prcore::DataError> {
 public:
  ThermoSystem();

 private:
  std::vector<std::string> packageNames() const override;
  HRESULT resolve(BSTR name, IDispatch** out) override;
};

}  // namespace prthermo
