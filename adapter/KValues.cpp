// The K-value requests (call types 1-3), the two estimates that run on the caller's thread, and
// the steps every calculation request shares: the range check, the phase list, setting the
// material object, asking the package and checking what it gave back.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "adapter/CVBPropPkg.h"
#include "ids/MathUtils.h"
#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "ids/StaticCache.h"
#include "support/Trace.h"
#include "support/Utils.h"

using bridge::CallParameters;
using support::SetGet;

namespace {

constexpr double kVapourFill = 1e-100;  // slot 0 absent: no K relative to it
constexpr double kNoPhaseFill = 1e100;  // slot 0 present, nothing to compare it with
constexpr double kCoefficientMin = 1e-100;
constexpr double kCoefficientMax = 1e100;
constexpr double kKMin = 1e-10;
constexpr double kWilsonPressureCap = 15000.0;  // kPa
constexpr double kAtmosphere = 101.325;        // kPa

constexpr char kChoosingProperty[] = "chosing property in CKF calculations.";
constexpr char kInterpretingPhases[] = "interpreting Phases";
constexpr char kUnexpected[] = "Unexpected error ";
constexpr char kGettingProperty[] = "getting property from Material Object";
constexpr char kReadBack[] = "Read back from the package.";

// One-element property lists (none: an empty list), built once and shared like the prebuilt lists.
class NameList {
 public:
  explicit NameList(const wchar_t* name) {
    support::SetGet::fromStringList(m_list.get(), name ? std::vector<std::wstring>{name} : std::vector<std::wstring>{});
  }
  const VARIANT& get() const { return m_list.get(); }

 private:
  support::Variant m_list;
};

bool named(const wchar_t* property, const wchar_t* name) { return property && wcscmp(property, name) == 0; }
// Properties read back as K-values (the others as coefficients of each phase).
bool isKValueProperty(const wchar_t* property) { return named(property, L"kvalues") || named(property, L"logkvalues"); }

double clampCoefficient(double c) { return std::min(std::max(c, kCoefficientMin), kCoefficientMax); }

// ln K as the host gets it: never below ln(1e-10), never -inf, +inf or NaN.
double hostLogK(double k) { return MathUtils::safeLog(k >= kKMin ? k : kKMin); }

void fillArray(double* values, int n, double value) {
  if (values) std::fill(values, values + n, value);
}

// Forgets the request's phase types in the material object when the request ends (the array is
// the request's own).
struct HostPhasesReset {
  CMatObj* matObj;
  ~HostPhasesReset() { matObj->setHostPhases(nullptr, 1); }
};

// The CAPE-OPEN phase of a material-object slot.
int phaseIdOfSlot(int slot) { return slot == 0 ? PhVAPOR : slot == 1 ? PhLIQUID : PhWATER; }

}  // namespace

// ---- Shared steps of the calculation requests ----

// Request tracing (the inputs and results of every request in the trace file) is a build-time
// switch of the product; it is off.
bool CVBPropPkg::tracingRequests() { return false; }

const VARIANT& CVBPropPkg::singlePropertyList(const wchar_t* name) {
  static const NameList kvalues(L"kvalues"), logkvalues(L"logkvalues"), activity(L"activityCoefficient"),
      fugacity(L"fugacityCoefficient"), logFugacity(L"logFugacityCoefficient"), viscosity(L"viscosity"),
      conductivity(L"thermalConductivity"), surfaceTension(L"surfaceTension");
  const NameList* lists[] = {&kvalues, &logkvalues, &activity, &fugacity, &logFugacity, &viscosity, &conductivity,
                             &surfaceTension};
  for (const NameList* list : lists)
    if (support::sameText(SetGet::getString(list->get(), 0), name)) return list->get();
  throw std::invalid_argument("no property list");
}

// Every phase a request names needs its composition: the material object would otherwise keep
// the previous request's.
bool CVBPropPkg::presentRowsGiven(double* const* compositions, const int* types, int slots) {
  for (int k = 0; k < slots; ++k)
    if (types[k] != bridge::HOST_PHASE_ABSENT && !compositions[k]) return false;
  return true;
}

bool CVBPropPkg::outsideCalcRange(double temperature, double pressurePa) {
  return !(temperature >= 8.0 && temperature <= 5000.0 && pressurePa >= 0.01);
}

void CVBPropPkg::phaseFlags(const int* types, bool& vapour, bool& liquid, bool& twoLiquids) {
  vapour = liquid = twoLiquids = false;
  int firstLiquid = -1;
  for (int k = 0; k < 3; ++k) {
    vapour = vapour || types[k] == bridge::HOST_PHASE_VAPOUR;
    if (types[k] == bridge::HOST_PHASE_LIQUID && firstLiquid < 0) firstLiquid = k;
  }
  liquid = firstLiquid >= 0;
  twoLiquids = (firstLiquid == 0 || firstLiquid == 1) && types[firstLiquid + 1] == bridge::HOST_PHASE_LIQUID;
}

int CVBPropPkg::mainLiquidOf(const int* types, int slotsLooked, int pass) {
  int seen = 0;
  for (int k = 0; k < slotsLooked && k < 3; ++k)
    if (types[k] == bridge::HOST_PHASE_LIQUID && ++seen == pass) return k;
  return -1;
}

HRESULT CVBPropPkg::calcComplaint(HRESULT code, const char* text, int kind) {
  return m_errors.complain(code, text, kind, true);
}

// Phase list of one pass (pass 2 of a request with two liquids and a vapour treats slot 0 as
// absent). K-values of both kinds are two-phase properties, asked on "VaporLiquid".
HRESULT CVBPropPkg::choosePhaseList(int* types, const wchar_t* property, int pass, const VARIANT*& list) {
  const CStaticCache& cache = CStaticCache::instance();
  bool vapour, liquid, twoLiquids;
  phaseFlags(types, vapour, liquid, twoLiquids);
  if (vapour && liquid) {
    if (isKValueProperty(property)) {
      list = &cache.list(CStaticCache::VaporLiquidTwoPhase);
    } else if (twoLiquids && pass == 2) {
      types[0] = bridge::HOST_PHASE_ABSENT;
      list = &cache.list(CStaticCache::LiquidPhase);
    } else {
      list = &cache.list(CStaticCache::VaporLiquidPhases);
    }
  } else if (vapour) {
    list = &cache.list(CStaticCache::VaporPhase);
  } else if (liquid) {
    list = &cache.list(CStaticCache::LiquidPhase);
  } else {
    const std::string text = std::string(kInterpretingPhases) + " " + std::to_string(vapour) + " " +
                             std::to_string(liquid) + " " + std::to_string(twoLiquids);
    return calcComplaint(E_FAIL, text.c_str());
  }
  return S_OK;
}

int CVBPropPkg::calcComponentCount() const { return m_matObj ? m_matObj->compoundCount() : 0; }

void CVBPropPkg::prepareWorkArrays() {
  const size_t n = static_cast<size_t>(std::max(calcComponentCount(), 0));
  for (auto& phase : m_phaseWork)
    for (auto& work : phase)
      if (work.size() != n) work.assign(n, 0.0);
  if (m_errors.componentCount() != static_cast<int>(n)) m_errors.setComponentCount(static_cast<int>(n));
}

// Every request starts the complaint context afresh, before anything can refuse it: a message
// names this request's properties, component count and material, never the previous request's.
// The phase list is empty until a pass chooses one.
void CVBPropPkg::beginRequestContext(const CallParameters& call, const int* types, int slotsLooked,
                                     const VARIANT* properties) {
  static const NameList noPhases(nullptr);
  prepareWorkArrays();
  m_errors.setCalcContext(properties ? *properties : noPhases.get(), noPhases.get(), COIds::getName(CtMIXTURE));
  m_errors.setMaterialState(call.temperature, call.pressure * 1000.0, call.compositions, types, slotsLooked);
}

// The "sets" step: the request state for complaints, the host phases, T, P and compositions.
HRESULT CVBPropPkg::setRequestMaterial(const CallParameters& call, const int* types, int slotsLooked, int mainLiquid) {
  const double pressurePa = call.pressure * 1000.0;
  m_errors.setMaterialState(call.temperature, pressurePa, call.compositions, types, slotsLooked);
  m_matObj->setHostPhases(types, mainLiquid);
  const HRESULT hr = m_matObj->setHostTPFractions(call.temperature, pressurePa, call.compositions);
  return FAILED(hr) ? calcComplaint(hr, kUnexpected) : hr;
}

// The "calcs" step: the package's CalcProp through the material object (which complains of a
// failure through the adapter's diagnostics).
HRESULT CVBPropPkg::calcOnMaterial(const VARIANT& properties, const VARIANT& phases) {
  m_errors.setCalcContext(properties, phases, COIds::getName(CtMIXTURE));
  return m_matObj->safeCalcProp(properties, phases, COIds::getName(CtMIXTURE));
}

void CVBPropPkg::validateValues(double* values, int property, const char* step) {
  const std::string reason = std::string(kReadBack) + " (" + step + ")";
  m_errors.checkValues(values, property, true, reason.c_str(), true);
}

// ---- K-value requests ----

STDMETHODIMP CVBPropPkg::ComputeKFactors(double T, double P, double** Compositions, int* PhaseTypes, double** KFactors) {
  return handOverKValues(bridge::CALL_COMPUTEKFACTORS, T, P, Compositions, PhaseTypes, KFactors);
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsVL(double T, double P, double** Compositions, double* KFactors) {
  double* results[2] = {KFactors, nullptr};
  return handOverKValues(bridge::CALL_COMPUTEKFACTORSVL, T, P, Compositions, bridge::kVapourLiquidPhaseTypes, results);
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsLL(double T, double P, double** Compositions, double* KFactors) {
  double* results[2] = {KFactors, nullptr};
  return handOverKValues(bridge::CALL_COMPUTEKFACTORSLL, T, P, Compositions, bridge::kLiquidLiquidPhaseTypes, results);
}

const char* CVBPropPkg::kValueFailureText(int callType) {
  return callType == bridge::CALL_COMPUTEKFACTORS ? "Internal error calculating kvalues"
                                                  : "Internal error calculating VL or LL kvalues";
}

HRESULT CVBPropPkg::handOverKValues(int callType, double T, double P, double** compositions, const int* types,
                                    double** results) {
  try {
    support::setOwnerWindow(m_ownerWindow);
    const char* label = nullptr;
    bridge::callTypeLabel(callType, &label);
    support::MethodMark mark(label);
    if (!compositions || !types || !results) return E_POINTER;
    if (!presentRowsGiven(compositions, types, 3)) return E_POINTER;
    return m_bridge.handOver(callType, [&](CallParameters& call) {
      call.temperature = T;
      call.pressure = P;
      call.compositions = compositions;
      call.phaseTypes = types;
      call.kValues = results;
    });
  } catch (...) {
    m_errors.complain(100, kValueFailureText(callType), CkNONE, true);
    return E_FAIL;
  }
}

HRESULT CVBPropPkg::computeKValues(int callType, CallParameters& call) {
  try {
    return kValueRequest(callType, call);
  } catch (...) {
    m_errors.complain(100, kValueFailureText(callType), CkNONE, true);
    return E_FAIL;
  }
}

// Step 4: the property asked for.
const wchar_t* CVBPropPkg::kValueProperty(int callType, bool liquidLiquid) const {
  if (m_caps.kvalues && !liquidLiquid) return L"kvalues";
  if (m_caps.logKValues && !liquidLiquid) return L"logkvalues";
  if (callType == bridge::CALL_COMPUTEKFACTORSLL && m_caps.activityCoefficient) return L"activityCoefficient";
  if (m_caps.fugacityCoefficient) return L"fugacityCoefficient";
  if (m_caps.logFugacityCoefficient) return L"logFugacityCoefficient";
  return nullptr;
}

HRESULT CVBPropPkg::kValueRequest(int callType, CallParameters& call) {
  if (!m_matObj) return calcComplaint(E_FAIL, kUnexpected);
  const int n = calcComponentCount();
  double* const results[2] = {call.kValues[0], callType == bridge::CALL_COMPUTEKFACTORS ? call.kValues[1] : nullptr};
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  bool vapour, liquid, twoLiquids;
  phaseFlags(types, vapour, liquid, twoLiquids);
  const double pressurePa = call.pressure * 1000.0;
  if (tracingRequests())
    support::traceValues(call.temperature, pressurePa, n, call.compositions, types, nullptr, "CKF");

  // Pre-check
  if (outsideCalcRange(call.temperature, pressurePa)) return S_OK;
  const bool liquidLiquid = !vapour && liquid && twoLiquids;
  const wchar_t* property = kValueProperty(callType, liquidLiquid);
  const int slotsLooked = callType == bridge::CALL_COMPUTEKFACTORS ? 3 : 2;
  beginRequestContext(call, types, slotsLooked, property ? &singlePropertyList(property) : nullptr);
  if (liquidLiquid && ((callType == bridge::CALL_COMPUTEKFACTORS && !m_caps.fugacityCoefficient) ||
                       (callType == bridge::CALL_COMPUTEKFACTORSLL && !m_caps.activityCoefficient)))
    return S_OK;  // the host computes this equilibrium itself
  const bool otherSlots = types[1] != bridge::HOST_PHASE_ABSENT || types[2] != bridge::HOST_PHASE_ABSENT;
  if (callType == bridge::CALL_COMPUTEKFACTORSLL || types[0] != bridge::HOST_PHASE_ABSENT) {
    if (!otherSlots) {
      for (double* r : results) fillArray(r, n, kNoPhaseFill);
      return S_OK;
    }
  } else {
    for (double* r : results) fillArray(r, n, kVapourFill);
    return S_OK;
  }

  if (!property) return calcComplaint(E_FAIL, kChoosingProperty);

  const int passes = callType == bridge::CALL_COMPUTEKFACTORSLL || (callType == bridge::CALL_COMPUTEKFACTORS && twoLiquids) ? 2 : 1;
  HostPhasesReset reset{m_matObj};
  // Which host slots this request's passes read values for: only those may be written.
  bool read[3] = {false, false, false};
  for (int pass = 1; pass <= passes; ++pass) {
    const VARIANT* phases = nullptr;
    HRESULT hr = choosePhaseList(types, property, pass, phases);
    if (FAILED(hr)) return hr;
    const int mainLiquid = mainLiquidOf(types, slotsLooked, pass);
    hr = setRequestMaterial(call, types, slotsLooked, mainLiquid);  // "CKF sets"
    if (FAILED(hr)) return hr;
    support::Bstr name(property);  // "CKF calcs"
    m_matObj->RemoveResult(name.get(), -1);
    hr = calcOnMaterial(singlePropertyList(property), *phases);
    if (FAILED(hr)) return hr;
    hr = readKValueResults(property, mainLiquid);  // "CKF gets"
    if (FAILED(hr)) return hr;
    noteSlotsRead(property, mainLiquid, read);
  }
  types[0] = call.phaseTypes[0];

  const bool kValues = isKValueProperty(property);
  for (int j = 1; j <= 2; ++j) {
    const bool written = types[j] != bridge::HOST_PHASE_ABSENT && results[callType == bridge::CALL_COMPUTEKFACTORS ? j - 1 : 0];
    if (written && !(read[j] && (kValues || read[0]))) return refusePhaseTypes(types);
  }
  const int checked = kValues ? PpKVALUES : named(property, L"activityCoefficient") ? PpACTIVITYCOEFFICIENT : PpFUGACITYCOEFFICIENT;
  for (int k = kValues ? 1 : 0; k < 3; ++k)
    if (types[k] != bridge::HOST_PHASE_ABSENT) validateValues(m_phaseWork[k][kValues ? 1 : 0].data(), checked, "CKF");

  for (int j = 1; j <= 2; ++j) {
    double* out = results[callType == bridge::CALL_COMPUTEKFACTORS ? j - 1 : 0];
    if (types[j] == bridge::HOST_PHASE_ABSENT || !out) continue;
    writeLogK(kValues, j, out, n);
    if (tracingRequests()) support::traceBuffer(VT_R8, out, n, "kvalues: ");
  }
  return S_OK;
}

// The slots whose values one pass read: activity coefficients belong to the pass's main liquid,
// everything else to the host slots the material object mapped.
void CVBPropPkg::noteSlotsRead(const wchar_t* property, int mainLiquid, bool read[3]) const {
  if (named(property, L"activityCoefficient")) {
    if (mainLiquid >= 0 && mainLiquid < 3) read[mainLiquid] = true;
    return;
  }
  for (int k = 0; k < 3; ++k)
    if (m_matObj->hostSlot(k) >= 0) read[k] = true;
}

// A present phase no pass asked the package about (three liquids, for one) gets no invented
// values: the request fails.
HRESULT CVBPropPkg::refusePhaseTypes(const int* types) {
  const std::string text = support::formatText("Not ready to handle ComputeKFactors for phase types %d %d %d ",
                                               types[0], types[1], types[2]);
  return calcComplaint(E_FAIL, text.c_str());
}

// Step 8 for one phase slot j: ln K of slot j relative to slot 0.
void CVBPropPkg::writeLogK(bool fromKValues, int j, double* out, int n) const {
  const std::vector<double>& kv = m_phaseWork[j][1];
  const std::vector<double>& cj = m_phaseWork[j][0];
  const std::vector<double>& c0 = m_phaseWork[0][0];
  for (int i = 0; i < n; ++i) {
    const double k = fromKValues ? kv[i] : clampCoefficient(cj[i]) / clampCoefficient(c0[i]);
    out[i] = hostLogK(k);
  }
}

// Step 5.4, the results of one pass into the work arrays.
//  - "kvalues" and "logkvalues": into the K-value arrays of the host phases 1 and 2 that are
//    mapped (the logarithms taken back to plain values), so step 8 always receives plain K.
//  - "fugacityCoefficient" and "logFugacityCoefficient": into the coefficient arrays of the
//    mapped host phases (the vapour and the pass's main liquid).
//  - "activityCoefficient": the package's values for "Liquid" belong to the pass's main liquid;
//    they go into the coefficient array of that liquid's host slot (pass 1: the first liquid,
//    slot 0 of a liquid-liquid request; pass 2: the second liquid), so step 8 divides the second
//    liquid's coefficients by the first liquid's.
HRESULT CVBPropPkg::readKValueResults(const wchar_t* property, int mainLiquid) {
  const int n = calcComponentCount();
  if (named(property, L"kvalues")) {
    double* const arrays[3] = {nullptr, m_phaseWork[1][1].data(), m_phaseWork[2][1].data()};
    return m_matObj->getHostKValues(arrays);
  }
  if (named(property, L"fugacityCoefficient")) {
    double* const arrays[3] = {m_phaseWork[0][0].data(), m_phaseWork[1][0].data(), m_phaseWork[2][0].data()};
    return m_matObj->getHostFugacityCoefficients(arrays);
  }
  if (named(property, L"activityCoefficient")) return readActivityCoefficients(mainLiquid, n);
  const bool kValues = named(property, L"logkvalues");
  for (int k = kValues ? 1 : 0; k < 3; ++k) {
    const int slot = m_matObj->hostSlot(k);
    if (slot < 0) continue;
    std::vector<double> logs;
    const HRESULT hr = m_matObj->getPropValues(kValues ? PhVAPORLIQUID : phaseIdOfSlot(slot),
                                               kValues ? PpLOGKVALUES : PpLOGFUGACITYCOEFFICIENT, logs);
    if (FAILED(hr)) return hr;
    if (static_cast<int>(logs.size()) != n) return E_FAIL;
    std::vector<double>& target = m_phaseWork[k][kValues ? 1 : 0];
    std::transform(logs.begin(), logs.end(), target.begin(), [](double v) { return std::exp(v); });
  }
  return S_OK;
}

HRESULT CVBPropPkg::readActivityCoefficients(int mainLiquid, int n) {
  if (mainLiquid < 0) return S_OK;
  support::Variant values;
  const HRESULT hr = m_matObj->GetProp(COIds::getName(PpACTIVITYCOEFFICIENT), COIds::getName(PhLIQUID),
                                       m_matObj->compIds(), COIds::getName(CtMIXTURE), nullptr, values.out());
  if (FAILED(hr))
    return m_errors.complainError(L"getting property from Material Object", hr,
                                  static_cast<ICapeThermoMaterialObject*>(m_matObj), true);
  if (SetGet::elementCount(values.get()) != n) return calcComplaint(E_FAIL, kGettingProperty);
  std::vector<double>& target = m_phaseWork[mainLiquid][0];
  const long lb = SetGet::lbound(values.get());
  for (int i = 0; i < n; ++i) target[i] = SetGet::getDouble(values.get(), lb + i);
  return S_OK;
}

// ---- Estimates on the caller's thread, from the material object's compound constants ----

STDMETHODIMP CVBPropPkg::GuessBubblePointTemperature(double Pressure, double* Composition, double* Temperature) {
  try {
    support::setOwnerWindow(m_ownerWindow);
    support::MethodMark mark("GuessBubblePointTemperature");
    if (!Composition || !Temperature) return E_POINTER;
    const auto cached = cachedCompounds();
    if (!cached) throw std::runtime_error("no material object");
    double pcm = 0, tbm = 0, tcm = 0;
    const std::vector<CompConstProp>& compounds = cached->compounds;
    for (size_t i = 0; i < compounds.size(); ++i) {
      const CompConstProp& c = compounds[i];
      pcm += Composition[i] * c.m_criticalPressure / 1000.0;  // kPa
      tbm += Composition[i] * c.m_normalBoilingPoint;
      tcm += Composition[i] * c.m_criticalTemperature;
    }
    const double inverse = 1.0 / tbm + std::log(Pressure / kAtmosphere) * (1.0 / tcm - 1.0 / tbm) / std::log(pcm / kAtmosphere);
    if (!std::isfinite(inverse) || inverse == 0) throw std::domain_error("bubble point line");
    *Temperature = 1.0 / inverse;
    return S_OK;
  } catch (...) {
    m_errors.complain(100, "Internal error guess bubblepoint", CkNONE, false);
    return E_FAIL;
  }
}

// The shape constant s of the rule below is the compound record's eighth constant, the one the
// record keeps beside critical data, acentric factor, molecular weight, boiling point and liquid
// density: nothing fills it, so it stays at the unset mark (-32767) and the (1 + w)^3 factor
// applies only once some source provides it. Host ids 19, 29, 30 and 54 are the components the
// host treats with the halved estimate.
STDMETHODIMP CVBPropPkg::InitializeKFactors(int componentPosition, double Temperature, double Pressure, int Phases,
                                            double* KFactor) {
  try {
    support::setOwnerWindow(m_ownerWindow);
    support::MethodMark mark("InitializeKFactors");
    if (!KFactor) return E_POINTER;
    const auto cached = cachedCompounds();
    if (!cached || FAILED(cached->checkReady())) return E_FAIL;
    if (componentPosition < 0 || static_cast<size_t>(componentPosition) >= cached->compounds.size())
      throw std::out_of_range("component");
    const CompConstProp& c = cached->compounds[componentPosition];
    const double pc = c.m_criticalPressure / 1000.0;  // kPa
    const double w = c.m_acentricFactor, tc = c.m_criticalTemperature;
    const double lnK = std::log(pc / std::min(Pressure, kWilsonPressureCap)) + 5.3727 * (1.0 + w) * (1.0 - tc / Temperature);
    double result = lnK;
    const int hostId = cached->hostIdAt(componentPosition);
    if (hostId == 19 || hostId == 29 || hostId == 30 || hostId == 54) {
      if (Phases == 1) result = 0.5 * lnK + 3.912023005;
    } else if (Phases == 2) {
      const double lnK2 = std::log(Pressure / pc * 1e6 * tc / Temperature);
      result = c.m_spare > 0.25 ? lnK2 * std::pow(1.0 + w, 3) : lnK2;
    }
    if (!std::isfinite(result)) throw std::domain_error("Wilson estimate");
    *KFactor = result;
    return S_OK;
  } catch (...) {
    m_errors.complain(E_FAIL, "Error initializing kvalues", CkNONE, false);
    return E_FAIL;
  }
}

