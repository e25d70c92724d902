#pragma once
// One Peng-Robinson property package, made by the Thermo System from a package definition.
// The package is its own error object: after a failed call the client reads the error through
// ECapeRoot, ECapeUser and the specific error interface on the package itself.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/prthermo/Calculation.h"
#include "counterparts/prthermo/core/Compounds.h"
#include "server/comkit/Dispatch.h"
#include "counterparts/common/ErrorInterfaces.h"
#include "counterparts/common/Identification.h"
#include "counterparts/prthermo/MaterialAccess.h"
#include "server/comkit/Object.h"
#include "counterparts/common/PackageError.h"
#include "counterparts/prthermo/core/PackageFile.h"
#include "counterparts/prthermo/core/PengRobinson.h"

namespace prthermo {

class PropertyPackage
    : public comkit::Object<comkit::Dual<ICapeThermoPropertyPackage, &LIBID_CAPEOPEN100>,
                            counterpart::Identification<PropertyPackage>,
                            comkit::Dual<ICapeUtilities, &LIBID_CAPEOPEN100>,
                            counterpart::RootError<PropertyPackage>, counterpart::UserError<PropertyPackage>,
                            comkit::Dual<ECapeUnknown, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeInvalidArgument, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeNoImpl, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeLimitedImpl, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeComputation, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeSolvingError, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeBadInvOrder, &LIBID_CAPEOPEN100>, ISupportErrorInfo> {
 public:
  // A new package object for `definition` with its compounds and their kij, as IDispatch (one
  // reference).
  static HRESULT create(const prcore::PackageDefinition& definition, std::vector<prcore::Compound> compounds,
                        std::vector<std::vector<double>> kij, IDispatch** out);

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

  // ICapeUtilities
  STDMETHODIMP get_parameters(IDispatch** parameters) override;
  STDMETHODIMP put_simulationContext(IDispatch* context) override;
  STDMETHODIMP Initialize() override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP Edit() override;

  // ECapeBadInvOrder. ECapeRoot and ECapeUser come from their shells; like this getter they
  // answer RPC_E_WRONG_THREAD off the home thread of a threadBound package (errorAccess).
  STDMETHODIMP get_requestedOperation(BSTR* requestedOperation) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

  ~PropertyPackage() override;

 private:
  friend class counterpart::Identification<PropertyPackage>;
  friend class counterpart::UserError<PropertyPackage>;

  // A threadBound package records the call and answers RPC_E_WRONG_THREAD off the thread that
  // created it (without touching its state); any other package: S_OK.
  HRESULT onHomeThread() const;
  HRESULT errorAccess() const { return onHomeThread(); }
  // One computed result, waiting to be written.
  struct Result {
    BSTR property, phase;  // kept by m_names
    bool basisDependent = false;
    std::vector<double> values;
  };
  // The state a calculation starts from.
  struct State {
    double t = 0, p = 0;
  };

  // Runs a member's body: clears the held error, and turns a failure or an escaping exception
  // into the held error and the returned code.
  template <class Body>
  HRESULT call(const wchar_t* operation, const wchar_t* interfaceName, Body body);
  template <class Body>
  HRESULT identificationCall(const wchar_t* operation, Body body);
  void record(HRESULT code, const std::wstring& description, const wchar_t* operation, const wchar_t* interfaceName);
  // The start of every calculation member: refuses calls after Terminate, shows the entry faults.
  void beginCalculation(const wchar_t* operation);

  // The equation of state for the material object's compounds (rebuilt when they change).
  const prcore::PengRobinson& equationFor(const std::vector<std::wstring>& ids);
  // The same for the material object's ComponentIds as it gave them: when they are the ids of the
  // equation held they are compared in place, without copying them.
  const prcore::PengRobinson& equationFor(MaterialAccess& material);
  size_t compoundIndex(const std::string& id) const;
  // Checks a property name against the package's list and this system's abilities.
  const PropertyInfo& offeredProperty(const std::string& name) const;
  PhaseKind offeredPhase(const std::string& name) const;
  // A requested property: the name as asked (written back under it) and what it is.
  struct Requested {
    std::string name;
    const PropertyInfo* info;
    BSTR wire;  // the name as a BSTR, kept by m_names
  };
  std::vector<Requested> requestedProperties(const VARIANT& props, bool emptyAllowed);
  // A CalcProp request that was accepted: the lists as given and what they were found to be.
  // Clients repeat the same request, and checking it again costs more than a small calculation.
  struct CheckedRequest {
    bool valid = false;
    std::vector<std::wstring> props, phases;
    std::vector<Requested> requested;
    std::vector<BSTR> phaseNames;  // kept by m_names
    std::vector<PhaseKind> kinds;
  };
  // The checked CalcProp request for these lists (the last one again when they are the same).
  const CheckedRequest& checkedRequest(const VARIANT& props, const VARIANT& phases);

  // Computes `property` on `phase` from the material object's compositions.
  Result compute(MaterialAccess& material, const prcore::PengRobinson& eos, const std::string& property,
                 const std::string& phase, const State& state);
  void readPhase(MaterialAccess& material, BSTR phase, PhaseKind kind, PhaseInput& input);
  // Writes results with SetProp (basis "mole" where the property depends on it), showing the
  // value faults on the way.
  void writeResults(MaterialAccess& material, std::vector<Result>& results);

  // Runs a flash: reads its two given variables and the feed, writes the result and the requested
  // properties of each phase.
  void flash(MaterialAccess& material, const std::string& flashType, const std::vector<Requested>& props);
  VARIANT constantValue(const std::string& constant, const prcore::Compound& compound) const;

  prcore::PackageDefinition m_definition;
  std::vector<prcore::Compound> m_compounds;
  std::vector<std::vector<double>> m_kij;
  counterpart::ErrorRecord m_error;
  bool m_terminated = false;
  DWORD m_homeThread = GetCurrentThreadId();

  NameCache m_names;
  std::vector<std::wstring> m_eosIds;
  std::unique_ptr<prcore::PengRobinson> m_eos;
  CheckedRequest m_checked;
};

}  // namespace prthermo
