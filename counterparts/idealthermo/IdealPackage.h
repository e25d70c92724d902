#pragma once
// One ideal-solution property package. The package is its own error object (ECapeRoot, ECapeUser):
// after a failed call the client reads the error on the package.
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "counterparts/idealthermo/IdealSolution.h"
#include "counterparts/common/ErrorInterfaces.h"
#include "counterparts/common/Identification.h"
#include "counterparts/idealthermo/MaterialLink.h"
#include "server/comkit/Object.h"
#include "counterparts/common/PackageError.h"

namespace idealthermo {

struct PackageDefinition {
  std::wstring name, description;
  LinkManner manner;
  std::vector<std::string> compoundIds;  // ids of ideal_compounds.tsv, in the package's order
  std::vector<std::string> properties;   // the property list it offers
};

class IdealPackage
    : public comkit::Object<comkit::Dual<ICapeThermoPropertyPackage, &LIBID_CAPEOPEN100>,
                            counterpart::Identification<IdealPackage>, comkit::Dual<ICapeUtilities, &LIBID_CAPEOPEN100>,
                            counterpart::RootError<IdealPackage>, counterpart::UserError<IdealPackage>> {
 public:
  // A new package as IDispatch (one reference); throws DataFileError for bad data.
  static HRESULT create(const PackageDefinition& definition, const std::vector<PureCompound>& all, IDispatch** out);

  // ICapeThermoPropertyPackage
  STDMETHODIMP GetPhaseList(VARIANT* phases) override;
  STDMETHODIMP GetComponentList(VARIANT* compIds, VARIANT* formulae, VARIANT* names, VARIANT* boilTemps,
                                VARIANT* molwt, VARIANT* casno) override;
  STDMETHODIMP GetUniversalConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) override;
  STDMETHODIMP GetComponentConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) override;
  STDMETHODIMP CalcProp(IDispatch* materialObject, VARIANT props, VARIANT phases, BSTR calcType) override;
  STDMETHODIMP CalcEquilibrium(IDispatch* materialObject, BSTR flashType, VARIANT props) override;
  STDMETHODIMP PropCheck(IDispatch* materialObject, VARIANT props, VARIANT* valid) override;
  STDMETHODIMP ValidityCheck(IDispatch* materialObject, VARIANT props, VARIANT* relList) override;
  STDMETHODIMP GetPropList(VARIANT* props) override;

  // ICapeUtilities
  STDMETHODIMP get_parameters(IDispatch** parameters) override;
  STDMETHODIMP put_simulationContext(IDispatch* context) override;
  STDMETHODIMP Initialize() override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP Edit() override;

 private:
  friend class counterpart::Identification<IdealPackage>;
  friend class counterpart::UserError<IdealPackage>;

  // A computed result waiting to be written: nothing is written until every one succeeded.
  struct Result {
    std::wstring property, phase;
    bool molarBasis;
    std::vector<double> values;
  };
  // What a calculation reads once and uses for every property.
  struct Material {
    std::unique_ptr<MaterialLink> link;
    std::unique_ptr<IdealSolution> solution;
    Conditions conditions;
    std::map<std::wstring, std::vector<double>> compositions;  // by phase name
  };

  template <class Body>
  HRESULT call(const wchar_t* operation, const wchar_t* interfaceName, Body body);
  template <class Body>
  HRESULT identificationCall(const wchar_t* operation, Body body);
  // The error is read on any thread.
  HRESULT errorAccess() const { return S_OK; }
  void requireLive(const wchar_t* operation) const;
  Material open(IDispatch* materialObject);
  // The package's compounds in the order of the material object's ComponentIds.
  std::vector<PureCompound> compoundsOf(const std::vector<std::wstring>& ids) const;
  const PropertyRule& offered(const std::string& name) const;
  const std::vector<double>& composition(Material& m, const std::wstring& phase);
  Result evaluate(Material& m, const std::string& property, const std::wstring& phase, bool pure);
  std::vector<double> overall(Material& m, const PropertyRule& rule);
  void writeAll(MaterialLink& link, const std::vector<Result>& results, const wchar_t* calcType);

  PackageDefinition m_definition;
  std::vector<PureCompound> m_compounds;
  counterpart::ErrorRecord m_error;
  bool m_terminated = false;
};

}  // namespace idealthermo
