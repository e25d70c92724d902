#pragma once
// A CAPE-OPEN 1.0 property package made inside the test program, so material-object tests decide
// what the package answers and see exactly what it was asked. Everything is configured through
// public members before (or between) calls; every call received is recorded.
//
// A behaviour that throws lets the exception leave the package method: that is how the tests
// stand in for a package that crashes inside a call.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"
#include "ZendrelLib.h"
#include "tests/matobj/MatObjFixture.h"

namespace matobj_test {

// One call the package received.
struct PackageCall {
  std::wstring method;                // "CalcProp", "CalcEquilibrium", "GetComponentConstant", ...
  std::wstring arguments;             // the arguments as text, e.g. "props=(enthalpyF) phases=(Vapor) calcType=Mixture"
  std::vector<std::wstring> props;    // property or constant names asked for
  std::vector<std::wstring> phases;   // CalcProp's phases
  std::wstring type;                  // CalcProp's calculation type or CalcEquilibrium's flash type
  IUnknown* materialObject = nullptr;  // identity of the material object passed (not held)
};

// What the package answers when asked for one constant name.
struct ConstantAnswer {
  HRESULT code = S_OK;      // a failure answers the whole call with this code
  support::Variant values;  // the answer for this name alone

  // The standard form: an array of VARIANTs, each holding a double or a string.
  static ConstantAnswer variants(const std::vector<double>& values);
  static ConstantAnswer variantStrings(const std::vector<std::wstring>& values);
  // The deprecated forms: a plain array of doubles or of strings.
  static ConstantAnswer plainDoubles(const std::vector<double>& values);
  static ConstantAnswer plainStrings(const std::vector<std::wstring>& values);
  static ConstantAnswer failure(HRESULT code);
  // Any other VARIANT, as it is.
  static ConstantAnswer raw(const VARIANT& value);
};

// One compound of GetComponentList.
struct TestCompound {
  std::wstring id;
  std::wstring formula;
  std::wstring name;
  double boilingTemperature = 0;  // K
  double molecularWeight = 0;     // kg/kmol
  std::wstring casNumber;
};

class TestPackage : public comkit::Object<comkit::Dual<ICapeThermoPropertyPackage, &LIBID_CAPEOPEN100>,
                                          comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  using CalcPropBehaviour = std::function<HRESULT(IDispatch* materialObject, const std::vector<std::wstring>& props,
                                                  const std::vector<std::wstring>& phases,
                                                  const std::wstring& calcType)>;
  using CalcEquilibriumBehaviour = std::function<HRESULT(IDispatch* materialObject, const std::wstring& flashType,
                                                         const std::vector<std::wstring>& props)>;
  // Overrides the constant answers when set; fills out (empty on entry) or returns a failure.
  using ConstantBehaviour =
      std::function<HRESULT(IDispatch* materialObject, const std::vector<std::wstring>& names, VARIANT* out)>;

  // A new package (one reference); raw, when given, receives the object itself.
  static support::ComPtr<TestPackage> create(TestPackage** raw = nullptr);

  // The package as the material object receives it.
  IDispatch* dispatch() { return static_cast<ICapeThermoPropertyPackage*>(this); }
  // The material object's CAPE-OPEN interface, for behaviours that call back into it.
  static support::ComPtr<ICapeThermoMaterialObject> materialOf(IDispatch* materialObject);

  // ---- Configuration ----
  std::vector<std::wstring> phases{L"Vapor", L"Liquid"};
  std::vector<std::wstring> properties{L"enthalpy", L"entropy", L"fugacityCoefficient"};
  std::vector<TestCompound> compounds;
  std::map<std::wstring, ConstantAnswer> constants;  // by constant name (exact spelling)
  HRESULT unknownConstantCode = ECapeUnknownHR;     // for a name without an answer
  ConstantBehaviour componentConstant;
  CalcPropBehaviour calcProp;                // unset: S_OK
  CalcEquilibriumBehaviour calcEquilibrium;  // unset: S_OK
  // Methods that fail at once with the given code (still recorded), by method name.
  std::map<std::wstring, HRESULT> failures;
  std::wstring name = L"Test Package";
  std::wstring description = L"In-test property package";

  // ---- What was received ----
  const std::vector<PackageCall>& calls() const { return m_calls; }
  std::vector<PackageCall> callsOf(const std::wstring& method) const;
  void clearCalls() { m_calls.clear(); }

  // ---- ICapeThermoPropertyPackage ----
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

  // ---- ICapeIdentification ----
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR name) override;
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override;
  STDMETHODIMP put_ComponentDescription(BSTR desc) override;

 private:
  // Records the call; returns the configured failure of the method, S_OK when none.
  HRESULT record(PackageCall call);
  HRESULT answerConstants(const std::vector<std::wstring>& names, VARIANT* out) const;

  std::vector<PackageCall> m_calls;
};

// One complainError the diagnostics object received.
struct Complaint {
  std::wstring doingAction;
  HRESULT code = S_OK;
  IUnknown* object = nullptr;  // identity of COobj (not held)
  bool calculating = false;
  std::wstring additionalInfo;
};

// The adapter's ICapeDiagnostics as the material object's proxy sees it: records complaints and
// answers with `answer` (unset: the code it was given).
class TestDiagnostics : public comkit::Object<comkit::Dual<ICapeDiagnostics, &LIBID_ZENDRELLib>> {
 public:
  static support::ComPtr<TestDiagnostics> create();
  IDispatch* dispatch() { return static_cast<ICapeDiagnostics*>(this); }

  std::optional<HRESULT> answer;
  std::vector<Complaint> complaints;
  std::vector<std::wstring> logged;  // logError and popUpError texts

  STDMETHODIMP logError(LONG errNumber, BSTR txt) override;
  STDMETHODIMP popUpError(LONG errNumber, BSTR txt) override;
  STDMETHODIMP complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj, VARIANT_BOOL calculating,
                             BSTR additionalInfo) override;
};

// The identity (IUnknown) of a COM object, for comparing with the recorded ones.
IUnknown* identityOf(IUnknown* object);

// A material object and a package of the test's own that knows water and ethanol (not yet
// attached); the material object is terminated before the package goes.
class PackageTest : public MatObjTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  support::ComPtr<TestPackage> m_holder;
  TestPackage* m_package = nullptr;
  support::ComPtr<TestDiagnostics> m_diagnostics;
};

}  // namespace matobj_test
