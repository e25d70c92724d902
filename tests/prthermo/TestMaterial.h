#pragma once
// A small CAPE-OPEN 1.0 material object made inside the test program: it keeps what a package
// writes with SetProp under (property, phase), answers GetProp from the same store, and records
// every call, so tests see exactly how a package talks to its material object.
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"

namespace prthermo_test {

// One SetProp as the package made it.
struct Write {
  std::string property, phase, calcType, basis;
  std::vector<double> values;
};

class TestMaterial : public comkit::Object<comkit::Dual<ICapeThermoMaterialObject, &LIBID_CAPEOPEN100>> {
 public:
  // A new object with these compound ids; `holder` keeps the reference.
  static TestMaterial* create(const std::vector<std::string>& ids,
                              support::ComPtr<ICapeThermoMaterialObject>& holder);

  // The test's side: the state a package reads, and what it wrote.
  void put(const std::string& property, const std::string& phase, const std::vector<double>& values);
  bool has(const std::string& property, const std::string& phase) const;
  std::vector<double> value(const std::string& property, const std::string& phase) const;
  void forget(const std::string& property, const std::string& phase);
  const std::vector<Write>& writes() const { return m_writes; }
  void clearWrites() { m_writes.clear(); }
  int getPropCalls() const { return m_getPropCalls; }
  // GetProp / SetProp of this property (any phase) fail with ECapeUnknownHR from now on.
  void failOn(const std::string& property) { m_failing = property; }

  // ICapeThermoMaterialObject
  STDMETHODIMP get_ComponentIds(VARIANT* compIds) override;
  STDMETHODIMP get_PhaseIds(VARIANT* phaseIds) override;
  STDMETHODIMP GetUniversalConstant(VARIANT props, VARIANT* propVals) override;
  STDMETHODIMP GetComponentConstant(VARIANT props, VARIANT compIds, VARIANT* propVals) override;
  STDMETHODIMP CalcProp(VARIANT props, VARIANT phases, BSTR calcType) override;
  STDMETHODIMP GetProp(BSTR property, BSTR phase, VARIANT compIds, BSTR calcType, BSTR basis,
                       VARIANT* results) override;
  STDMETHODIMP SetProp(BSTR property, BSTR phase, VARIANT compIds, BSTR calcType, BSTR basis,
                       VARIANT values) override;
  STDMETHODIMP CalcEquilibrium(BSTR flashType, VARIANT props) override;
  STDMETHODIMP SetIndependentVar(VARIANT indVars, VARIANT values) override;
  STDMETHODIMP GetIndependentVar(VARIANT indVars, VARIANT* values) override;
  STDMETHODIMP PropCheck(VARIANT props, VARIANT* valid) override;
  STDMETHODIMP AvailableProps(VARIANT* props) override;
  STDMETHODIMP RemoveResults(VARIANT props) override;
  STDMETHODIMP CreateMaterialObject(IDispatch** materialObject) override;
  STDMETHODIMP Duplicate(IDispatch** clone) override;
  STDMETHODIMP ValidityCheck(VARIANT props, VARIANT* relList) override;
  STDMETHODIMP GetPropList(VARIANT* props) override;
  STDMETHODIMP GetNumComponents(LONG* num) override;

 private:
  static std::string key(const std::string& property, const std::string& phase);
  bool failing(const std::string& property) const;

  std::vector<std::string> m_ids;
  support::Variant m_idList;
  std::map<std::string, std::vector<double>> m_values;
  std::vector<Write> m_writes;
  std::string m_failing;
  int m_getPropCalls = 0;
};

}  // namespace prthermo_test
