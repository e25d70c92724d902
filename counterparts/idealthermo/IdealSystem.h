#pragma once
// The ideal-solution Thermo System: its packages are fixed here; the compound data are read from
// ideal_compounds.tsv beside the DLL when a package is resolved.
#include <windows.h>
#include <oaidl.h>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "counterparts/prthermo/Identity.h"
#include "server/comkit/Object.h"

namespace idealthermo {

// {C2E5A7B4-51D8-4F0E-9A63-7B1D2E48F905}
extern const CLSID CLSID_IdealThermoSystem;

class IdealSystem : public comkit::Object<comkit::Dual<ICapeThermoSystem, &LIBID_CAPEOPEN100>,
                                          comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  IdealSystem();

  // ICapeThermoSystem
  STDMETHODIMP GetPropertyPackages(VARIANT* propertyPackageList) override;
  STDMETHODIMP ResolvePropertyPackage(BSTR propertyPackage, IDispatch** propPackObject) override;

  // ICapeIdentification
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR name) override;
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override;
  STDMETHODIMP put_ComponentDescription(BSTR desc) override;

 private:
  prthermo::Identity m_identity;
};

}  // namespace idealthermo
