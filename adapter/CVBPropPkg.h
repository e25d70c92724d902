#pragma once
// The extension object the host creates ("Zendrel.VBPropPkg"): the host's property-package
// extension, backed by an external CAPE-OPEN 1.0 property package.
#include <windows.h>

#include "Dispatch.h"
#include "Object.h"
#include "OvHost.h"
#include "ZendrelLib.h"

class CVBPropPkg : public comkit::Object<comkit::Dual<ExtensionObject, &LIBID_OrvexHost>, ExtnPropertyPackage,
                                         comkit::Dual<ICapeDiagnostics>, comkit::Dual<IPrivPropPkg>> {
 public:
  // ExtensionObject
  STDMETHODIMP StatusQuery(IDispatch* status) override;
  STDMETHODIMP VariableChanging(ExtnVariableArgument* variable, VARIANT_BOOL* changing) override;
  STDMETHODIMP VariableChanged(ExtnVariableArgument* variable) override;
  STDMETHODIMP OnView(BSTR viewName, ExtnView* view, VARIANT_BOOL* openView) override;
  STDMETHODIMP OnHelp(BSTR HelpPanel, VARIANT_BOOL* processed) override;
  STDMETHODIMP Save() override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP VariableQuery(ExtnVariableArgument* variable) override;

  // ExtnPropertyPackage
  STDMETHODIMP Initialize(ExtnContainer* container, ExtnPackageInitRecord* record, VARIANT_BOOL isRecalling) override;
  STDMETHODIMP PreSelectedComponents(int* IDNumbers) override;
  STDMETHODIMP StartBasisChange() override;
  STDMETHODIMP IsComponentAllowed(int compID, VARIANT_BOOL* isAllowed) override;
  STDMETHODIMP AddComponent(int componentPosition, HostComponent* component) override;
  STDMETHODIMP ComponentChanged(int componentPosition, HostComponent* NewComponent) override;
  STDMETHODIMP RemoveComponent(int componentPosition) override;
  STDMETHODIMP ExchangeComponents(int position1, int position2) override;
  STDMETHODIMP CopyPropertyPackage(ExtnPropertyPackage* src) override;
  STDMETHODIMP QueryEndBasisChange(VARIANT_BOOL* okayToLeave) override;
  STDMETHODIMP EndBasisChange(VARIANT_BOOL* changed) override;
  STDMETHODIMP GuessBubblePointTemperature(double Pressure, double* Composition, double* Temperature) override;
  STDMETHODIMP InitializeKFactors(int componentPosition, double Temperature, double Pressure, int Phases, double* KFactor) override;
  STDMETHODIMP ComputeKFactors(double T, double P, double** Compositions, int* PhaseTypes, double** KFactors) override;
  STDMETHODIMP ComputeKFactorsVL(double T, double P, double** Compositions, double* KFactors) override;
  STDMETHODIMP ComputeKFactorsLL(double T, double P, double** Compositions, double* KFactors) override;
  STDMETHODIMP ExchangeTwoPhases(int phase1, int phase2, double** Compositions, int* PhaseTypes, double* PhaseFractions) override;
  STDMETHODIMP OrderPhases(double T, double P, double** Compositions, int* PhaseTypes, double* PhaseFractions) override;
  STDMETHODIMP ComputePhaseProperties(double T, double P, double** Compositions, int* PhaseTypes, double* PhaseFractions, double* Enthalpy, double* Entropy, double* HeatCapacity, double* MolarVolume) override;
  STDMETHODIMP ComputePhaseActivity(double T, double P, double** Compositions, int* PhaseTypes, double** Activities) override;
  STDMETHODIMP ComputeHInnerParamsVL(double T, double P, double** Compositions, double* AVapour, double* BVapour, double* ALiquid, double* BLiquid) override;
  STDMETHODIMP ComputeHInnerParamsLL(double T, double P, double** Compositions, double* ALiquid1, double* BLiquid1, double* ALiquid2, double* BLiquid2) override;
  STDMETHODIMP ComputePhaseFugacities(double T, double P, double** Compositions, int* PhaseTypes, double** Fugacities) override;
  STDMETHODIMP DynTreatComponentAsInert(int componentPosition, VARIANT_BOOL* treatAsInert) override;
  STDMETHODIMP ComputeLiquidMolarDensity(double T, double P, double* Composition, double* MolarDensity) override;
  STDMETHODIMP ComputeLiquidSurfaceTension(double T, double P, double** Compositions, double VapourFraction, double* SurfaceTension) override;
  STDMETHODIMP ComputePhaseThermalConductivity(double T, double P, double* Composition, double MolarDensity, int Phase, double* ThermalConductivity) override;
  STDMETHODIMP ComputePhaseViscosity(double T, double P, double* Composition, double MolarDensity, int Phase, double* Viscosity) override;

  // ICapeDiagnostics
  STDMETHODIMP logError(LONG errNumber, BSTR txt) override;
  STDMETHODIMP popUpError(LONG errNumber, BSTR txt) override;
  STDMETHODIMP complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj, VARIANT_BOOL calculating, BSTR additionalInfo) override;

  // IPrivPropPkg
  STDMETHODIMP getThis(hyper* rawPointer) override;
  STDMETHODIMP selectPropPack(IDispatch** capegui) override;
  STDMETHODIMP createPropPackage(IDispatch** pp, IDispatch** capegui) override;
  STDMETHODIMP createMatObject(IDispatch** matObj) override;
  STDMETHODIMP calcProp(IDispatch* pp, IDispatch* mo, VARIANT props, VARIANT phases, BSTR calcType) override;
  STDMETHODIMP getCompConstantDbl(BSTR prop, LONG compPos, double* value) override;
  STDMETHODIMP get_OvVarValue(BSTR varName, VARIANT* value) override;
  STDMETHODIMP put_OvVarValue(BSTR varName, VARIANT value) override;
  STDMETHODIMP PkgSave(BSTR* saveInfo) override;
  STDMETHODIMP PkgRecall(BSTR saveInfo, VARIANT_BOOL* baseChanged) override;
  STDMETHODIMP setup(LONG ownerWindow) override;
  STDMETHODIMP get_recalling(LONG* value) override;
  STDMETHODIMP put_recalling(LONG value) override;
  STDMETHODIMP setComps(VARIANT selectedOvNames) override;
  STDMETHODIMP PrivTerminate() override;
  STDMETHODIMP get_moduleName(BSTR* name) override;
  STDMETHODIMP put_moduleName(BSTR name) override;
};
