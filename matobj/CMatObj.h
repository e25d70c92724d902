#pragma once
// The CAPE-OPEN 1.0 material object that the product hands to the external property package
// ("Zendrel.MatObj"), with the adapter's own interface IMatObj.
#include <windows.h>

#include "CAPE-OPENv1-0-0.h"
#include "Dispatch.h"
#include "Object.h"
#include "ZendrelLib.h"

class CMatObj : public comkit::Object<comkit::Dual<IMatObj>, comkit::Dual<ICapeThermoMaterialObject, &LIBID_CAPEOPEN100>,
                                      comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  // IMatObj
  STDMETHODIMP put_proxyPtr(IDispatch* proxy) override;
  STDMETHODIMP getThis(hyper* rawPointer) override;
  STDMETHODIMP put_PropertyPackage(IDispatch* package) override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP setComps(VARIANT newVal, VARIANT_BOOL preserveIfPossible) override;
  STDMETHODIMP SetNumComps(LONG nComps) override;
  STDMETHODIMP GetFugCoefs(LONG COphase, VARIANT* afugCoef) override;
  STDMETHODIMP get_ownerHWnd(LONG* window) override;
  STDMETHODIMP put_ownerHWnd(LONG window) override;
  STDMETHODIMP SetTPFraction(double aT, double aP, VARIANT comp, LONG COphase) override;
  STDMETHODIMP GetPropVal(LONG COphase, LONG COprop, VARIANT* vals) override;
  STDMETHODIMP setPropVal(LONG COprop, LONG COphase, VARIANT vals) override;
  STDMETHODIMP get_popUpAnyError(VARIANT_BOOL* value) override;
  STDMETHODIMP put_popUpAnyError(VARIANT_BOOL value) override;
  STDMETHODIMP safeCalcProp(VARIANT props, VARIANT Phases, BSTR calcType) override;
  STDMETHODIMP GetTPfraction(double* aT, double* aP, VARIANT* comp, LONG COphase) override;
  STDMETHODIMP get_liquid2Name(BSTR* name) override;
  STDMETHODIMP put_liquid2Name(BSTR name) override;
  STDMETHODIMP RemoveResult(BSTR COpropName, LONG exceptPhaseOffset) override;
  STDMETHODIMP phaseExists(LONG COphase, BSTR COphaseName, VARIANT_BOOL* pVal) override;

  // ICapeThermoMaterialObject
  STDMETHODIMP get_ComponentIds(VARIANT* compIds) override;
  STDMETHODIMP get_PhaseIds(VARIANT* phaseIds) override;
  STDMETHODIMP GetUniversalConstant(VARIANT props, VARIANT* propVals) override;
  STDMETHODIMP GetComponentConstant(VARIANT props, VARIANT compIds, VARIANT* propVals) override;
  STDMETHODIMP CalcProp(VARIANT props, VARIANT phases, BSTR calcType) override;
  STDMETHODIMP GetProp(BSTR property, BSTR phase, VARIANT compIds, BSTR calcType, BSTR basis, VARIANT* results) override;
  STDMETHODIMP SetProp(BSTR property, BSTR phase, VARIANT compIds, BSTR calcType, BSTR basis, VARIANT values) override;
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

  // ICapeIdentification
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR name) override;
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override;
  STDMETHODIMP put_ComponentDescription(BSTR desc) override;
};
