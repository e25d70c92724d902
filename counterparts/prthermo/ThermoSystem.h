#pragma once
// The Thermo System: hands out the Peng-Robinson packages defined in packages.txt beside the DLL.
#include <windows.h>
#include <oaidl.h>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "counterparts/prthermo/Identity.h"
#include "server/comkit/Object.h"

namespace prthermo {

// {6A3F52C1-8E0B-4D7A-9C35-2B41E7D09F16}
extern const CLSID CLSID_PRThermoSystem;

class ThermoSystem : public comkit::Object<comkit::Dual<ICapeThermoSystem, &LIBID_CAPEOPEN100>,
                                           comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  ThermoSystem();

  // ICapeThermoSystem
  STDMETHODIMP GetPropertyPackages(VARIANT* propertyPackageList) override;
  STDMETHODIMP ResolvePropertyPackage(BSTR propertyPackage, IDispatch** propPackObject) override;

  // ICapeIdentification
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR name) override;
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override;
  STDMETHODIMP put_ComponentDescription(BSTR desc) override;

 private:
  Identity m_identity;
};

}  // namespace prthermo
