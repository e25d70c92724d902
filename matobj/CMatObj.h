#pragma once
// The CAPE-OPEN 1.0 material object that the product hands to the external property package
// ("Zendrel.MatObj"), with the adapter's own interface IMatObj. Used only on the CAPE-OPEN
// thread: a package's nested calls arrive on that thread inside the package call, so nothing
// here is locked.
//
// The implementation is split by subject:
//   CMatObj.cpp            state, IMatObj, identification, the adapter's direct methods
//   MatObjErrors.cpp       errors raised to the package, once-only warnings, ECape* interfaces
//   PropertyAccess.cpp     GetProp / SetProp and the other property methods of the package
//   ComponentConstants.cpp the compound cache and GetComponentConstant
//   Forwarding.cpp         CalcProp, CalcEquilibrium, CreateMaterialObject, Duplicate, safeCalcProp
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "matobj/CPHARR.h"
#include "CoErrors.h"
#include "ids/CompConstProp.h"
#include "server/comkit/Dispatch.h"
#include "ids/GCOProperty.h"
#include "server/comkit/Object.h"
#include "matobj/PropQualif.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

// ICapeThermoMaterialObject comes first: it is the object's IDispatch, so a late-bound package
// resolves the standard's names; the adapter reaches IMatObj by its own IID.
class CMatObj : public comkit::Object<comkit::Dual<ICapeThermoMaterialObject, &LIBID_CAPEOPEN100>,
                                      comkit::Dual<IMatObj, &LIBID_ZENDRELLib>,
                                      comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>,
                                      comkit::Dual<ECapeRoot, &LIBID_CAPEOPEN100>,
                                      comkit::Dual<ECapeUser, &LIBID_CAPEOPEN100>,
                                      comkit::Dual<ECapeUnknown, &LIBID_CAPEOPEN100>,
                                      comkit::Dual<ECapeBadArgument, &LIBID_CAPEOPEN100>>,
                public COCompoundList {
 public:
  // The property table: ids 27-43 by derivative index 0-4.
  static constexpr int kFirstCached = 27;
  static constexpr int kLastCached = 43;
  static constexpr int kRows = kLastCached - kFirstCached + 1;
  static constexpr int kDerivatives = 5;
  // The cached properties, in table order.
  static constexpr int kCachedCount = 15;
  static const int kCachedProps[kCachedCount];
  static bool isCachedProp(int property);

  CMatObj();
  ~CMatObj() override;

  // ---- IMatObj ----
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

  // ---- ICapeThermoMaterialObject ----
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

  // ---- ICapeIdentification ----
  STDMETHODIMP get_ComponentName(BSTR* name) override;
  STDMETHODIMP put_ComponentName(BSTR name) override;
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override;
  STDMETHODIMP put_ComponentDescription(BSTR desc) override;

  // ---- The error last raised to the package, read through the CAPE-OPEN error interfaces ----
  STDMETHODIMP get_name(BSTR* name) override;                    // ECapeRoot
  STDMETHODIMP get_code(LONG* code) override;                    // ECapeUser
  STDMETHODIMP get_description(BSTR* description) override;
  STDMETHODIMP get_scope(BSTR* scope) override;
  STDMETHODIMP get_interfaceName(BSTR* interfaceName) override;
  STDMETHODIMP get_operation(BSTR* operation) override;
  STDMETHODIMP get_moreInfo(BSTR* moreInfo) override;
  STDMETHODIMP get_position(short* position) override;           // ECapeBadArgument

  // ---- COCompoundList ----
  int compoundCount() const override { return m_numComps; }
  int compoundIndex(BSTR id) const override;

  // ---- Internal accessors ----
  // The CPHARR of (property, derivative variable); null after a report for a bad property.
  CPHARR* getData(int property, int variable);
  // The entry of a derivative code (root + 1000 x index); null when it is not in the table.
  CPHARR* entryOfCode(int code);
  int getSizes(int property, int variable);
  HRESULT checkReadyToCalc();
  // Slot of a CAPE-OPEN phase identifier; other phases raise "Phase not supported", -1.
  int phaseSlot(int phaseId);
  const CompConstProp& compound(int i) const { return m_compConsts[i]; }
  CompConstProp& compound(int i) { return m_compConsts[i]; }
  const VARIANT& compIds() const { return m_compIds.get(); }
  bool offersEnthalpyF() const { return m_hasEnthalpyF; }
  bool offersEntropyF() const { return m_hasEntropyF; }
  ICapeThermoPropertyPackage* package() const { return m_package.Get(); }
  const std::vector<std::unique_ptr<GCOProperty>>& otherProperties() const { return m_otherProps; }

  // ---- The adapter's direct methods (reached through getThis) ----
  // The host's phase types of its three phases (4 vapour, 1 liquid, 0 absent) and the index of
  // the main liquid; the array stays the adapter's and must outlive the request.
  void setHostPhases(const int* phaseTypes, int mainLiquid);
  // The slot of host phase i (0-2), -1 when it is not mapped.
  int hostSlot(int hostPhase) const;
  // Arrays of the compound count, one per host phase (null where the host has none).
  HRESULT getHostFugacityCoefficients(double* const coefficients[3]);
  HRESULT setHostTPFractions(double temperature, double pressure, const double* const fractions[3]);
  HRESULT getHostKValues(double* const kvalues[3]);
  // outputs: enthalpy, entropy, heatCapacity, volume, each null or an array of the host's
  // three phases (mole basis, CAPE-OPEN units).
  HRESULT getHostPhaseProperties(double* const outputs[4]);
  // Constants of the requested compounds (empty: all), as an array of VARIANTs.
  HRESULT getComponentConstantCore(const VARIANT& props, const VARIANT& compIds, VARIANT* out);

  // Table values for the adapter (mole set; converted from the mass set when only that is valid).
  HRESULT getPropValues(int phaseId, int code, std::vector<double>& out);
  HRESULT setPropValues(int code, int phaseId, const double* values, int count);

  // ---- Errors raised to the package ----
  // Sets the error on the CAPE-OPEN error component (the message followed by the origin when
  // there is one) and returns its result; E_FAIL while the component is missing.
  HRESULT raiseError(const std::wstring& message, const char* origin = nullptr, HRESULT code = ECapeUnknownHR);
  // message + " Arg position: " + position [+ " Value: " + value], code 0x80040505, position set.
  HRESULT raiseBadArgument(const std::wstring& message, short position, const std::wstring* value = nullptr);
  // A warning: raised like an error, but the caller goes on. withOnceNote appends the note.
  void raiseWarning(const std::wstring& message, bool withOnceNote = false);
  // True the first time it is called for `flag` (process-wide flags are static atomics).
  static bool firstTime(std::atomic<bool>& flag) { return !flag.exchange(true); }
  static const wchar_t kOnceNote[];

  // Names the package method being answered, for the errors it raises without an origin; the
  // outer name comes back when a nested call ends.
  class Operation {
   public:
    Operation(CMatObj& mo, const char* name) : m_mo(mo), m_outer(mo.m_operation) { mo.m_operation = name; }
    ~Operation() { m_mo.m_operation = m_outer; }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

   private:
    CMatObj& m_mo;
    const char* m_outer;
  };

 private:
  HRESULT finalConstruct() override;
  HRESULT createErrorComponents();
  void stampTable();
  void reallocateTable();           // every entry for the compound count, all invalid
  void collectNonStandardPhases();  // from the phase list and liquid2Name
  HRESULT setTemperaturePressure(double temperature, double pressure);  // overall slot, mole set
  HRESULT copyToHostPhases(const CPHARR& entry, double* const outputs[3], int first, int fixedSlot) const;

  // Property access (PropertyAccess.cpp)
  HRESULT buildQualifier(PropQualif& q, BSTR property, BSTR phase, const VARIANT& compIds, BSTR calcType, BSTR basis,
                         bool forSet);
  HRESULT validateQualifier(PropQualif& q, const VARIANT* value, bool forSet);
  CPHARR* tableEntryOf(const PropQualif& q);
  HRESULT getFromTable(const PropQualif& q, CPHARR& entry, VARIANT* results);
  HRESULT setIntoTable(const PropQualif& q, CPHARR& entry, const VARIANT& values);
  HRESULT getFromOther(const PropQualif& q, VARIANT* results);
  HRESULT setIntoOther(const PropQualif& q, const VARIANT& values);
  GCOProperty* findOther(BSTR property, BSTR phase, BSTR calcType, BSTR basis, bool anyBasis = false);
  void removeOther(BSTR property, BSTR phase = nullptr, BSTR calcType = nullptr, BSTR basis = nullptr);
  HRESULT deriveFlow(const PropQualif& q, VARIANT* results);
  HRESULT copyCompValues(const VARIANT* compIds, const double* from, double* to, int n, bool toCompoundPositions);
  HRESULT handleConversions(const PropQualif& q, bool fromMole, std::vector<double>& values, int slot);
  // Mole fractions of a slot (mole set, else converted from the mass set); false when none.
  bool moleFractions(int slot, std::vector<double>& x);
  double mixtureFactor(int slot);
  // Values in the qualifier's basis, in compound order: S_FALSE when nothing is stored.
  HRESULT lookupValues(const PropQualif& q, std::vector<double>& all);
  HRESULT lookupOther(const PropQualif& q, std::vector<double>& all);
  // The other-properties answer: stored, else derived flows, else the not-found error raised.
  HRESULT answerFromOther(const PropQualif& q, std::vector<double>& all);
  HRESULT deriveFlowValues(const PropQualif& q, std::vector<double>& all);
  HRESULT totalFlowOf(const PropQualif& q, double& total, bool viaPhaseFraction);
  HRESULT notFound(const PropQualif& q);
  // The values of the qualifier's compIds (all when empty) as a new double array.
  HRESULT selectCompounds(const PropQualif& q, const double* all, long count, VARIANT* results);
  bool idsMatchCompounds(const VARIANT& ids) const;
  // Mole fractions of the qualifier's phase: its slot, else its "fraction" record.
  bool phaseMoleFractions(const PropQualif& q, int slot, std::vector<double>& x);
  double factorOf(const std::vector<double>& x) const;  // kg/mol of a mole composition, 0 if unknown

  // Component constants (ComponentConstants.cpp)
  // The cache again after the compound list changed (nothing without a package).
  HRESULT refillConstants();
  HRESULT getComConstFromCOPP(const VARIANT& ids, const VARIANT& formulae, const VARIANT& names,
                              const VARIANT& boilTemps, const VARIANT& molwts, const VARIANT& casnos);
  // Accepts the package's answer for `expected` values; converts the deprecated forms in place.
  HRESULT normaliseConstants(VARIANT& answer, long expected);
  // The material object as it is passed to the package.
  IDispatch* materialDispatch() { return static_cast<ICapeThermoMaterialObject*>(this); }
  // Material-object positions of the requested compounds (empty: all of them).
  HRESULT requestedCompounds(const VARIANT& compIds, std::vector<int>& positions);
  // The requested constants, constant by constant, compound by compound.
  HRESULT constantsFromCache(const VARIANT& props, const std::vector<int>& positions,
                             std::vector<support::Variant>& values);
  HRESULT constantsFromPackage(const VARIANT& props, const std::vector<int>& positions,
                               std::vector<support::Variant>& values);
  // The package's answer for the names, normalised for every compound of this object.
  HRESULT askPackageConstants(const VARIANT& names, support::Variant& answer, bool& callFailed);
  HRESULT fillCachedConstant(const wchar_t* name);

  // Forwarding (Forwarding.cpp)
  HRESULT complainToProxy(const wchar_t* message, HRESULT code, const wchar_t* additionalInfo = nullptr);
  std::wstring flashConditionsText(BSTR flashType);
  void copyTableTo(CMatObj& other) const;
  // Stores the saturation value 70 for every compound of `property` in each of the phases.
  void fillSaturated(BSTR property, const VARIANT& phases);

  // ---- State ----
  int m_numComps = 0;
  std::vector<CompConstProp> m_compConsts;
  bool m_attachingPackage = false;  // PropertyPackage is filling the constant cache itself
  support::Variant m_compIds;  // string array of the package's compound ids
  CPHARR m_table[kRows][kDerivatives];
  CPHARR* m_temperature = nullptr;  // m_table entries of temperature and pressure
  CPHARR* m_pressure = nullptr;
  std::vector<std::unique_ptr<GCOProperty>> m_otherProps;

  support::ComPtr<ICapeThermoPropertyPackage> m_package;
  support::ComPtr<ICapeDiagnostics> m_proxy;
  LONG m_ownerHWnd = 0;
  support::Variant m_phaseList;
  support::Bstr m_liquid2Name;
  std::vector<support::Bstr> m_nonStandardPhases;
  support::Variant m_propList;
  bool m_hasEnthalpyF = false;
  bool m_hasEntropyF = false;
  bool m_popUpAnyError = false;
  bool m_basisWarned = false;  // the once-per-object basis warning
  const char* m_operation = nullptr;  // the package method being answered

  support::Bstr m_name;
  support::Bstr m_description;
  support::Bstr m_statusText;
  int m_status = 0;

  const int* m_hostPhaseTypes = nullptr;
  int m_mainLiquid = 1;

  support::ComPtr<ICapeErrorObject> m_capeError;
  support::ComPtr<ICapeErrorUtils> m_errorUtils;
};
