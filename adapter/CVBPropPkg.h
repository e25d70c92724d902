#pragma once
// The extension object the host creates ("Zendrel.VBPropPkg"): the host's property-package
// extension, backed by an external CAPE-OPEN 1.0 property package. Its interface methods are
// shells over the parts it owns; the parts reach each other only through their own members.
//
// Threads: the host calls from its own threads. Everything that touches the package, the thermo
// system or the material object runs on the adapter's CAPE-OPEN thread (bridge::CallBridge); the
// host side only parks requests there. References to objects of one thread are kept in
// GlobalizedPointers (PackageObjects), so the other thread gets a proxy. The caller's threads read
// the compound constants only from the copy ComponentBasis publishes (CachedCompounds), never
// from the material object while the CAPE-OPEN thread may change it.
//
// The parts, one concern each:
//   PackageSelection     the category browser, selection, package and material-object creation,
//                        the component page opened by Initialize, the custom view, teardown
//   PackageAbilities     the package's phase and property lists and what they offer
//   ComponentCatalogue   the package's component list and the identification of its components
//   ComponentBasis       the host's basis for the material object (setComps), host ids, the
//                        package's constants, the copy of the compounds for the caller's threads
//   HostImport           the host fluid package: preselection, import, hypothetical components
//   ComponentPage        the guards of the component page
//   CalcRequests         the calculation requests: hand-overs and their workers, with the steps
//                        every request shares (RequestOpening)
//   CallerThreadCalcs    the estimates, the enthalpy model and the phase ordering
// Source files of the adapter itself: CVBPropPkg.cpp (construction, the host interfaces' fixed
// answers, Initialize, Terminate, diagnostics, persistence, the private interface) and
// CalcShells.cpp (the calculation members).
#include <windows.h>

#include <string>

#include "CAPE-OPENv1-0-0.h"
#include "adapter/AdapterSide.h"
#include "adapter/CalcRequests.h"
#include "adapter/CallerThreadCalcs.h"
#include "adapter/ComponentBasis.h"
#include "adapter/ComponentCatalogue.h"
#include "adapter/ComponentPage.h"
#include "adapter/HostImport.h"
#include "adapter/PackageAbilities.h"
#include "adapter/PackageSelection.h"
#include "adapter/PkgConfig.h"
#include "bridge/CallBridge.h"
#include "support/GlobalizedPointer.h"
#include "errors/COVCOError.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "OvHost.h"
#include "OvShowCOCATIDs.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

class CVBPropPkg : public comkit::Object<comkit::Dual<ExtensionObject, &LIBID_OrvexHost>, ExtnPropertyPackage,
                                         comkit::Dual<ICapeDiagnostics>, comkit::Dual<IPrivPropPkg>>,
                   private bridge::BridgeClient,
                   private AdapterSide {
 public:
  CVBPropPkg();
  ~CVBPropPkg() override;
  CVBPropPkg(const CVBPropPkg&) = delete;
  CVBPropPkg& operator=(const CVBPropPkg&) = delete;

  // ExtensionObject
  STDMETHODIMP StatusQuery(IDispatch* status) override;
  STDMETHODIMP VariableChanging(ExtnVariableArgument* variable, VARIANT_BOOL* changing) override;
  STDMETHODIMP VariableChanged(ExtnVariableArgument* variable) override;
  STDMETHODIMP OnView(BSTR viewName, ExtnView* view, VARIANT_BOOL* openView) override;
  STDMETHODIMP OnHelp(BSTR HelpPanel, VARIANT_BOOL* processed) override;
  STDMETHODIMP Save() override;
  STDMETHODIMP Terminate() override;
  STDMETHODIMP VariableQuery(ExtnVariableArgument* variable) override;

  // The two workers the CAPE-OPEN thread runs through the object (bodies of
  // ComputePhaseFugacities and ComputePhaseProperties, reading the call parameter block).
  virtual HRESULT phaseFugacitiesWorker(bridge::CallParameters& call);
  virtual HRESULT phasePropertiesWorker(bridge::CallParameters& call);

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

 private:
  // ---- What the CAPE-OPEN thread does for the adapter (bridge::BridgeClient) ----
  CCOError& errorObject() override { return m_errors; }
  HRESULT createObjects() override { return m_selection.createObjects(); }
  bool recallBasisNeeded() override;
  HRESULT readRecalledBasis() override { return m_import.readHostBasis(); }
  HRESULT computeKValues(int callType, bridge::CallParameters& call) override {
    return m_requests.computeKValues(callType, call);
  }
  HRESULT computePhaseProperties(bridge::CallParameters& call) override { return phasePropertiesWorker(call); }
  HRESULT computePhaseFugacities(bridge::CallParameters& call) override { return phaseFugacitiesWorker(call); }
  HRESULT computeTransportProperty(int callType, bridge::CallParameters& call) override {
    return m_requests.computeTransportProperty(callType, call);
  }
  HRESULT showEditView() override { return m_selection.showEditView(); }
  HRESULT saveToHost() override;
  void releaseObjects() override { m_selection.releaseObjects(); }

  // ---- What the parts ask of the adapter (AdapterSide) ----
  support::ComPtr<ExtnContainer> container() override;
  bool recalling() const override { return m_recalling; }
  HWND ownerWindow() const override { return m_ownerWindow; }
  int hostComponentCount() const override { return m_componentCount; }
  HRESULT addReportText(const wchar_t* text, bool lineComplete) override;

  // Refreshes the owner window from the host's active window (kept when there is none).
  void refreshOwnerWindow();
  // The end of Initialize: the component page unless a recall kept the components, then the
  // initialisation record.
  HRESULT finishInitialize();
  static void fillInitRecord(ExtnPackageInitRecord* record);

  // ---- Fields (the bridge last, so that the CAPE-OPEN thread is stopped before anything it
  // uses goes; the globalized pointers go in the order browser, container, system, package,
  // material object) ----
  ExtnPackageInitRecord* m_initRecord = nullptr;
  int m_componentCount = 0;              // host components, read at Initialize
  bool m_recalling = false;
  DWORD m_hostThreadId = 0;
  HWND m_ownerWindow = nullptr;

  PkgConfig m_config;                    // the persisted host variables
  PackageObjects m_objects;
  support::GlobalizedPointer<ExtnContainer> m_container;
  COVCOError m_errors;                   // before the parts, which keep a reference to it

  PackageAbilities m_abilities;
  CalcWorkArrays m_work;
  ComponentCatalogue m_catalogue;
  ComponentBasis m_basis;
  HostImport m_import;
  ComponentPage m_page;
  PackageSelection m_selection;
  CalcRequests m_requests;
  CallerThreadCalcs m_callerCalcs;

  bridge::CallBridge m_bridge;
};
