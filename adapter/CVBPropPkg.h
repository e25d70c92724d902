#pragma once
// The extension object the host creates ("Zendrel.VBPropPkg"): the host's property-package
// extension, backed by an external CAPE-OPEN 1.0 property package.
//
// Threads: the host calls from its own threads. Everything that touches the package, the thermo
// system or the material object runs on the adapter's CAPE-OPEN thread (bridge::CallBridge); the
// host side only parks requests there. References to objects of one thread are kept in
// GlobalizedPointers, so the other thread gets a proxy.
//
// Source files, one concern each:
//   CVBPropPkg.cpp   construction, the host interfaces' fixed answers, Initialize, Terminate,
//                    the diagnostics forwarding, persistence and the small IPrivPropPkg members
//   Selection.cpp    the category browser, selection, package and material-object creation,
//                    the component page, the custom view, teardown
//   Components.cpp   the package's component list, identification, the component-page guards
//                    and actions, import into the host fluid package, hypotheticals, setComps,
//                    component constants
//   KValues.cpp, PhaseProperties.cpp   the calculation requests and their workers
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "errors/COVCOError.h"
#include "bridge/CallBridge.h"
#include "ids/CompConstProp.h"
#include "adapter/DiagnosticsRelay.h"
#include "server/comkit/Dispatch.h"
#include "support/GlobalizedPointer.h"
#include "server/comkit/Object.h"
#include "OvHost.h"
#include "OvShowCOCATIDs.h"
#include "hostvars/OvVar.h"
#include "adapter/PkgConfig.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

class CMatObj;

class CVBPropPkg : public comkit::Object<comkit::Dual<ExtensionObject, &LIBID_OrvexHost>, ExtnPropertyPackage,
                                         comkit::Dual<ICapeDiagnostics>, comkit::Dual<IPrivPropPkg>>,
                   private bridge::BridgeClient {
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
  HRESULT createObjects() override;                                             // Selection.cpp
  bool recallBasisNeeded() override;                                            // Components.cpp
  HRESULT readRecalledBasis() override;                                         // Components.cpp
  HRESULT computeKValues(int callType, bridge::CallParameters& call) override;  // KValues.cpp
  HRESULT computePhaseProperties(bridge::CallParameters& call) override { return phasePropertiesWorker(call); }
  HRESULT computePhaseFugacities(bridge::CallParameters& call) override { return phaseFugacitiesWorker(call); }
  HRESULT computeTransportProperty(int callType, bridge::CallParameters& call) override;  // PhaseProperties.cpp
  HRESULT showEditView() override;                                              // Selection.cpp
  HRESULT saveToHost() override;                                                // CVBPropPkg.cpp
  void releaseObjects() override;                                               // Selection.cpp

  // ---- What the caller's thread reads (GuessBubblePointTemperature, InitializeKFactors) ----
  // A copy of the material object's compound constants and of the host ids, made on the
  // CAPE-OPEN thread whenever they change and replaced as a whole: a reader on any thread keeps
  // the copy it took, so it never sees one half-changed or freed by a component change or the
  // teardown.
  struct CachedCompounds {
    std::vector<CompConstProp> compounds;
    std::vector<int> hostIds;  // "IDNumbers" by component position, -1 when none
    // The material object's readiness rule on the copy (failures reported).
    HRESULT checkReady() const;
    int hostIdAt(int position) const;
  };
  std::shared_ptr<const CachedCompounds> cachedCompounds() const;
  // On the CAPE-OPEN thread after the compounds changed (and at the teardown: none).
  void publishCompounds();

  // ---- CVBPropPkg.cpp ----
  // Refreshes the owner window from the host's active window (kept when there is none).
  void refreshOwnerWindow();
  // Initialize step 10 onwards: the component page unless a recall kept the components, then
  // the initialisation record.
  HRESULT finishInitialize();
  static void fillInitRecord(ExtnPackageInitRecord* record);
  // The host container for the calling thread (null when none was given).
  support::ComPtr<ExtnContainer> container();
  // Adds a piece of the import report: to ImportReport and to the browser's AddReportLine.
  HRESULT addReportText(const wchar_t* text, bool lineComplete);

  // ---- Selection.cpp ----
  // A new browser: created, InitBrowser, the version published to it and to "KitVersion".
  HRESULT createBrowser(support::ComPtr<IShowCOCATIDs>& browser);
  // The selection step on the host thread (recall: no dialog).
  HRESULT selectPackage();
  HRESULT showSelection();
  // Package creation, then material-object creation, on the CAPE-OPEN thread.
  HRESULT createPackage();
  HRESULT createMaterialObject();
  void recordListPositions();
  // The ability check of package creation, with the repeated-id check.
  HRESULT checkAbilities();
  // The component page of Initialize (host thread).
  HRESULT openComponentPage();
  // Binds "KitVersion", stores this module's version in it and gives it to the browser.
  HRESULT publishKitVersion(IShowCOCATIDs* browser);
  // The browser's answers after ShowSelection: its state and the four names.
  HRESULT readChoice(IShowCOCATIDs* browser);
  // The four names into PropPackName, PropSysName, PropPackAlias, PropSysAlias.
  HRESULT storeSelection();
  // Package creation steps: the running-object registration, the package and system objects,
  // the alias for the host, the phase and property lists, the lists kept with the case.
  HRESULT registerActiveBrowser(IShowCOCATIDs* browser);
  HRESULT createPackageObjects(IShowCOCATIDs* browser);
  HRESULT passAliasToHost();
  HRESULT readPackageLists();
  HRESULT storeListsInHost();
  // Material-object creation steps after the object exists.
  HRESULT connectMaterialObject(IMatObj* matObj);
  // Teardown: the browser's running-object registration, revoked by the thread that made it.
  void revokeActiveBrowser();
  // The material object's diagnostics no longer reach the adapter.
  void releaseRelay();

  // ---- Components.cpp ----
  // Reads the package's component list and identifies each component (CAPE-OPEN thread).
  HRESULT readComponentList();
  // The host id of component i, -1 when none; kind: "CASNumber", "CompId" or "No matching".
  int identifyComponent(int i, bool verbose, std::wstring& kind);
  // Sizes the per-component state for n components (and tells the material object).
  // materialFollows false: the material object keeps its compounds (the host's until the host
  // ends its basis change).
  void sizeComponentState(int n, bool materialFollows = true);
  HRESULT setDefaultFlags();
  // The report line when two components share a component id; S_OK when none do.
  HRESULT checkRepeatedIds();
  // VariableChanging: may refuse the change (*changing = FALSE).
  HRESULT guardVariableChange(const std::wstring& name, const VARIANT& newValue, VARIANT_BOOL* changing);
  HRESULT refreshHypotheticals();
  HRESULT importSelection();
  HRESULT preselectComponents();
  // The host fluid package reached through the container; reported as "getting FluidPackage".
  HRESULT hostFluidPackage(support::ComPtr<HostFluidPackage>& out);
  // Finds or creates the hypothetical component `name` (which the host may rename).
  HRESULT createHypothetical(std::wstring& name, int& hostId);
  HRESULT configureHypothetical(HostHypoComponent* component, int i);
  // The host's component basis read again (EndBasisChange, and a recall whose basis is kept).
  HRESULT readHostBasis();
  // The package's constant as a double; +inf when it is not available.
  double componentConstant(const wchar_t* property, int position);
  // Steps of the above.
  HRESULT requestComponentList();
  void checkComponentLists();
  void checkList(support::Variant& list, VARTYPE vt, long count, const char* name);
  void replaceInvalidValues(support::Variant& list, const wchar_t* name);
  HRESULT compareRecalledComponents();
  void storeComponentLists();
  HRESULT identifyAll();
  long listCount() const;
  // The report text of an identification sent as a piece (or a line), then emptied.
  void sendReport(std::wstring& text, bool lineComplete);
  bool duplicateRuleKeeps(int i, int id, bool verbose, std::wstring& text, std::wstring& kind,
                          const std::vector<double>& idNumbers);
  int identifyOutsideLibrary(int i, std::wstring& text, std::wstring& kind, const std::vector<double>& idNumbers);
  bool findHostComponent(const std::wstring& name, int& hostId);
  HRESULT hostComponents(support::ComPtr<HostComponents>& out);
  HRESULT hostComponents(support::ComPtr<HostComponents>& out, long& count);  // and their count
  HRESULT preselectHypothetical(int i, std::wstring& name, int& hostId);
  HRESULT importRound(bool& restart);
  HRESULT guardHypoFlags(const VARIANT& newValue, VARIANT_BOOL* changing);
  HRESULT guardCloseView(VARIANT_BOOL* changing);
  HRESULT askPackageConstant(const wchar_t* property, support::Variant& values);
  long materialPosition(int position) const;
  // The material object's IMatObj for the calling thread (null when there is none).
  HRESULT materialInterface(support::ComPtr<IMatObj>& out);
  // setComps on the CAPE-OPEN thread; hostPresent: whether the host gave a container.
  HRESULT applyComponentNames(const std::vector<std::wstring>& names, bool hostPresent);
  // The cached (else asked) constant, on the CAPE-OPEN thread.
  double cachedConstant(const wchar_t* property, int position);

  // ---- KValues.cpp / PhaseProperties.cpp ----
  // Steps shared by the calculation requests (KValues.cpp); the static ones are plain rules, the
  // others run on the CAPE-OPEN thread.
  static bool tracingRequests();
  static bool outsideCalcRange(double temperature, double pressurePa);
  static bool presentRowsGiven(double* const* compositions, const int* types, int slots);
  static void phaseFlags(const int* types, bool& vapour, bool& liquid, bool& twoLiquids);
  static int mainLiquidOf(const int* types, int slotsLooked, int pass);
  // The one-element property list of a property name.
  static const VARIANT& singlePropertyList(const wchar_t* name);
  HRESULT calcComplaint(HRESULT code, const char* text, ComplaintKind kind = CkNONE);
  HRESULT choosePhaseList(int* types, const wchar_t* property, int pass, const VARIANT*& list);
  int calcComponentCount() const;
  void prepareWorkArrays();
  void beginRequestContext(const bridge::CallParameters& call, const int* types, int slotsLooked,
                           const VARIANT* properties);
  HRESULT setRequestMaterial(const bridge::CallParameters& call, const int* types, int slotsLooked, int mainLiquid);
  HRESULT calcOnMaterial(const VARIANT& properties, const VARIANT& phases);
  void validateValues(double* values, int property, const char* step);
  // K-value requests and estimates (KValues.cpp)
  static const char* kValueFailureText(int callType);
  HRESULT handOverKValues(int callType, double T, double P, double** compositions, const int* types, double** results);
  HRESULT kValueRequest(int callType, bridge::CallParameters& call);
  const wchar_t* kValueProperty(int callType, bool liquidLiquid) const;
  HRESULT readKValueResults(const wchar_t* property, int mainLiquid);
  HRESULT readActivityCoefficients(int mainLiquid, int n);
  void writeLogK(bool fromKValues, int j, double* out, int n) const;
  void noteSlotsRead(const wchar_t* property, int mainLiquid, bool read[3]) const;
  HRESULT refusePhaseTypes(const int* types);
  // Phase property requests (PhaseProperties.cpp)
  HRESULT phasePropertiesRequest(bridge::CallParameters& call);
  HRESULT fugacitiesRequest(bridge::CallParameters& call);
  HRESULT handOverTransport(int callType, double T, double P, double** compositions, const int* types, double extra,
                            double* result);
  HRESULT transportRequest(int callType, bridge::CallParameters& call);
  HRESULT setTransportInput(int callType, int phaseId, double value);
  // Mass per mole (kg/kmol) of a mole composition.
  double mixtureWeight(const double* x) const;
  // Molar volumes (m3/kmol) of the host phases and the overall value, through the hand-over.
  HRESULT phaseVolumes(double T, double P, double** compositions, int* types, double* fractions, double volumes[4]);
  HRESULT orderPhases(double T, double P, double** compositions, int* types, double* fractions);
  HRESULT exchangePhases(int a, int b, double** compositions, int* types, double* fractions, double* volumes,
                         double* specific);
  // Slot 0 judged as gas or liquid (OrderPhases step 6).
  HRESULT labelFirstPhase(double T, double P, double** compositions, int* types, double* fractions, double* volumes,
                          double* specific);

  // ---- Fields (declared in the order of the adapter's record; the bridge last, so that the
  // CAPE-OPEN thread is stopped before anything it uses goes) ----
  ExtnPackageInitRecord* m_initRecord = nullptr;
  COvBSTR m_chosenPackage;               // the selected package; empty: nothing selected
  int m_componentCount = 0;              // host components, read at Initialize
  support::Variant m_preselected;        // host ids to preselect (16- or 32-bit integers)
  bool m_recalling = false;
  DWORD m_hostThreadId = 0;
  HWND m_ownerWindow = nullptr;

  // The package's abilities, from its property and phase lists.
  struct Capabilities {
    bool kvalues = false;
    bool fugacityCoefficient = false;
    bool activityCoefficient = false;
    bool vaporLiquid = false;
    bool logKValues = false;
    bool logFugacityCoefficient = false;
  } m_caps;

  PkgConfig m_config;                    // the persisted host variables
  OvTextVar m_kitVersion{false};         // "KitVersion", not persisted

  CMatObj* m_matObj = nullptr;           // raw pointer of the material object (its own thread)
  support::ComPtr<DiagnosticsRelay> m_relay;  // the material object's diagnostics (Selection.cpp)
  std::shared_ptr<const CachedCompounds> m_cached;  // read and replaced with atomic_load/atomic_store
  support::GlobalizedPointer<ICapeThermoMaterialObject> m_materialObject;
  support::GlobalizedPointer<IMatObj> m_imatObj;
  support::GlobalizedPointer<ICapeThermoPropertyPackage> m_package;
  support::GlobalizedPointer<ICapeThermoSystem> m_system;
  support::GlobalizedPointer<ExtnContainer> m_container;

  // Selection (the four names are kept in the configuration: m_config.selection())
  support::Bstr m_browserState;          // the browser's opaque state after a selection
  support::GlobalizedPointer<IShowCOCATIDs> m_browser;
  DWORD m_rotCookie = 0;
  support::Variant m_phaseList;
  support::Variant m_propList;

  // Positions in the property list (phase list for vaporLiquid), -1 when absent.
  struct ListPositions {
    int fugacityCoefficient = -1;
    int kvalues = -1;
    int logFugacityCoefficient = -1;
    int logkvalues = -1;
    int activityCoefficient = -1;
    int vaporLiquid = -1;
  } m_positions;

  // The package's component lists, in its order.
  struct ComponentLists {
    support::Variant ids, formulae, names, boilTemps, molWts, casNos;
    void clear();
  } m_lists;

  // Per-component state
  int m_packageComponents = 0;           // n: the package's component count
  bool m_componentsChanged = false;      // a recalled case's components differ from the package's
  bool m_recalledOptionsKept = false;    // recalled per-component options survived the comparison
  bool m_viewRequested = false;
  support::Variant m_hostIds;            // "IDNumbers": 32-bit host ids, one per component
  support::Variant m_matObjIds;          // package ids per host position (IMatObj::setComps)
  std::vector<double> m_phaseWork[3][2]; // scratch of the calculations: [phase][0|1]
  support::Variant m_scratch[3];         // scratch arrays of the calculations
  std::map<std::wstring, support::Variant> m_constants;  // package constants by property

  COVCOError m_errors;
  bridge::CallBridge m_bridge;
};
