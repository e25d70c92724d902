#pragma once
// One Peng-Robinson property package, made by the Thermo System from a package definition.
#include <windows.h>
#include <oaidl.h>

#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "Compounds.h"
#include "Dispatch.h"
#include "Identity.h"
#include "Object.h"
#include "PackageFile.h"

namespace prthermo {

class PropertyPackage : public comkit::Object<comkit::Dual<ICapeThermoPropertyPackage, &LIBID_CAPEOPEN100>,
                                              comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>,
                                              comkit::Dual<ICapeUtilities, &LIBID_CAPEOPEN100>> {
 public:
  // A new package object for `definition` with its compounds, as IDispatch (one reference).
  static HRESULT create(const prcore::PackageDefinition& definition, std::vector<prcore::Compound> compounds,
                        IDispatch** out);

  // ICapeThermoPropertyPackage
  STDMETHODIMP GetPhaseList(VARIANT* phases) override;
  STDMETHODIMP GetComponentList(VARIANT* compIds, VARIANT* formulae, VARIANT* name, VARIANT* boilTemps,
                                VARIANT* molwt, VARIANT* casno) override;
  STDMETHODIMP GetUniversalConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) override;
  STDMETHODIMP GetComponentConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) override;
  STDMETHODIMP CalcProp(IDispatch* materialObject, VARIANT props, VARIANT phases, BSTR calcType) override;
  STDMETHODIMP CalcEquilibrium(IDispatch* materialObject, BSTR flashType, VARIANT props) override;
  STDMETHODIMP PropCheck(IDispatch* materialObject, VARIANT props, VARIANT* valid) override;
  STDMETHODIMP ValidityCheck(IDispatch* materialObject, VARIANT props, VARIANT* relList) override;
  STDMETHODIMP GetPropList(VARIANT* props) override;

  // ICapeIdentification
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR name) override;
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override;
  STDMETHODIMP put_ComponentDescription(BSTR desc) override;

  // ICapeUtilities
  STDMETHODIMP get_parameters(IDispatch** parameters) override;
  STDMETHODIMP put_simulationContext(IDispatch* context) override;
  STDMETHODIMP Initialize() override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP Edit() override;

 private:
  prcore::PackageDefinition m_definition;
  std::vector<prcore::Compound> m_compounds;
  Identity m_identity;
};

}  // namespace prthermo
