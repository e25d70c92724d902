// The K-value requests (call types 1-3): handed over from the host's thread and worked on the
// CAPE-OPEN thread.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "adapter/CalcRequests.h"
#include "adapter/RequestRules.h"
#include "ids/COIds.h"
#include "ids/MathUtils.h"
#include "matobj/CMatObj.h"
#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Trace.h"
#include "support/Utils.h"
#include "support/Guards.h"

using bridge::CallParameters;
using request_rules::isKValueProperty;
using request_rules::named;
using support::SetGet;

namespace {

constexpr double kVapourFill = 1e-100;  // slot 0 absent: no K relative to it
constexpr double kNoPhaseFill = 1e100;  // slot 0 present, nothing to compare it with
constexpr double kCoefficientMin = 1e-100;
constexpr double kCoefficientMax = 1e100;
constexpr double kKMin = 1e-10;

constexpr char kChoosingProperty[] = "chosing property in CKF calculations.";
constexpr char kGettingProperty[] = "getting property from Material Object";

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

const char* CalcRequests::kValueFailureText(int callType) {
  return callType == bridge::CALL_COMPUTEKFACTORS ? "Internal error calculating kvalues"
                                                  : "Internal error calculating VL or LL kvalues";
}

HRESULT CalcRequests::handOverKValues(int callType, double T, double P, double** compositions, const int* types,
                                    double** results) {
  return support::complainingOfFailure(
      m_errors, {kValueFailureText(callType), CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    const char* label = nullptr;
    bridge::callTypeLabel(callType, &label);
    support::MethodMark mark(label);
    if (!compositions || !types || !results) return E_POINTER;
    if (!request_rules::presentRowsGiven(compositions, types, 3)) return E_POINTER;
    return m_bridge.handOver(callType, [&](CallParameters& call) {
      call.temperature = T;
      call.pressure = P;
      call.compositions = compositions;
      call.phaseTypes = types;
      call.kValues = results;
    });
  });
}

HRESULT CalcRequests::computeKValues(int callType, CallParameters& call) {
  return support::complainingOfFailure(m_errors, {kValueFailureText(callType), CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    return kValueRequest(callType, call);
  });
}

// The property a K-value request asks the package for: K-values (plain, else logarithmic) unless
// the phases are liquid-liquid, then activity coefficients for ComputeKFactorsLL, then fugacity
// coefficients (plain, else logarithmic); none when the package offers none that fits.
const wchar_t* CalcRequests::kValueProperty(int callType, bool liquidLiquid) const {
  if (m_abilities.caps().kvalues && !liquidLiquid) return L"kvalues";
  if (m_abilities.caps().logKValues && !liquidLiquid) return L"logkvalues";
  if (callType == bridge::CALL_COMPUTEKFACTORSLL && m_abilities.caps().activityCoefficient) return L"activityCoefficient";
  if (m_abilities.caps().fugacityCoefficient) return L"fugacityCoefficient";
  if (m_abilities.caps().logFugacityCoefficient) return L"logFugacityCoefficient";
  return nullptr;
}

HRESULT CalcRequests::kValueRequest(int callType, CallParameters& call) {
  HRESULT refusal = S_OK;
  if (m_opening.refuseWithoutMaterial(refusal)) return refusal;
  const int n = m_opening.componentCount();
  double* const results[2] = {call.kValues[0], callType == bridge::CALL_COMPUTEKFACTORS ? call.kValues[1] : nullptr};
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  bool vapour, liquid, twoLiquids;
  RequestOpening::phaseFlags(types, vapour, liquid, twoLiquids);
  const double pressurePa = call.pressure * 1000.0;
  if (request_rules::tracingRequests())
    support::traceValues(call.temperature, pressurePa, n, call.compositions, types, nullptr, "CKF");

  // Pre-check
  if (request_rules::outsideCalcRange(call.temperature, pressurePa)) return S_OK;
  const bool liquidLiquid = !vapour && liquid && twoLiquids;
  const wchar_t* property = kValueProperty(callType, liquidLiquid);
  const int slotsLooked = callType == bridge::CALL_COMPUTEKFACTORS ? 3 : 2;
  m_opening.beginRequestContext(call, types, slotsLooked, property ? &RequestOpening::singlePropertyList(property) : nullptr);
  if (liquidLiquid && ((callType == bridge::CALL_COMPUTEKFACTORS && !m_abilities.caps().fugacityCoefficient) ||
                       (callType == bridge::CALL_COMPUTEKFACTORSLL && !m_abilities.caps().activityCoefficient)))
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

  if (!property) return m_opening.calcComplaint(E_FAIL, kChoosingProperty);

  const int passes = callType == bridge::CALL_COMPUTEKFACTORSLL || (callType == bridge::CALL_COMPUTEKFACTORS && twoLiquids) ? 2 : 1;
  HostPhasesReset reset{m_objects.matObj};
  // Which host slots this request's passes read values for: only those may be written.
  bool read[3] = {false, false, false};
  for (int pass = 1; pass <= passes; ++pass) {
    const VARIANT* phases = nullptr;
    HRESULT hr = m_opening.choosePhaseList(types, property, pass, phases);
    if (FAILED(hr)) return hr;
    const int mainLiquid = RequestOpening::mainLiquidOf(types, slotsLooked, pass);
    hr = m_opening.setRequestMaterial(call, types, slotsLooked, mainLiquid);  // "CKF sets"
    if (FAILED(hr)) return hr;
    const VARIANT& asked = RequestOpening::singlePropertyList(property);  // "CKF calcs"
    m_objects.matObj->RemoveResult(SetGet::getString(asked, 0), -1);  // the list's own name, no copy
    hr = m_opening.calcOnMaterial(asked, *phases);
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
    if (types[k] != bridge::HOST_PHASE_ABSENT) m_opening.validateValues(m_work.phase[k][kValues ? 1 : 0].data(), checked, "CKF");

  for (int j = 1; j <= 2; ++j) {
    double* out = results[callType == bridge::CALL_COMPUTEKFACTORS ? j - 1 : 0];
    if (types[j] == bridge::HOST_PHASE_ABSENT || !out) continue;
    writeLogK(kValues, j, out, n);
    if (request_rules::tracingRequests()) support::traceBuffer(VT_R8, out, n, "kvalues: ");
  }
  return S_OK;
}

// The slots whose values one pass read: activity coefficients belong to the pass's main liquid,
// everything else to the host slots the material object mapped.
void CalcRequests::noteSlotsRead(const wchar_t* property, int mainLiquid, bool read[3]) const {
  if (named(property, L"activityCoefficient")) {
    if (mainLiquid >= 0 && mainLiquid < 3) read[mainLiquid] = true;
    return;
  }
  for (int k = 0; k < 3; ++k)
    if (m_objects.matObj->hostSlot(k) >= 0) read[k] = true;
}

// A present phase no pass asked the package about (three liquids, for one) gets no invented
// values: the request fails.
HRESULT CalcRequests::refusePhaseTypes(const int* types) {
  const std::string text = support::formatText("Not ready to handle ComputeKFactors for phase types %d %d %d ",
                                               types[0], types[1], types[2]);
  return m_opening.calcComplaint(E_FAIL, text.c_str());
}

// The host's answer for phase slot j: ln K of slot j relative to slot 0.
void CalcRequests::writeLogK(bool fromKValues, int j, double* out, int n) const {
  const std::vector<double>& kv = m_work.phase[j][1];
  const std::vector<double>& cj = m_work.phase[j][0];
  const std::vector<double>& c0 = m_work.phase[0][0];
  for (int i = 0; i < n; ++i) {
    const double k = fromKValues ? kv[i] : clampCoefficient(cj[i]) / clampCoefficient(c0[i]);
    out[i] = hostLogK(k);
  }
}

// The results of one pass, read back from the material object into the work arrays.
//  - "kvalues" and "logkvalues": into the K-value arrays of the host phases 1 and 2 that are
//    mapped (the logarithms taken back to plain values), so writeLogK always receives plain K.
//  - "fugacityCoefficient" and "logFugacityCoefficient": into the coefficient arrays of the
//    mapped host phases (the vapour and the pass's main liquid).
//  - "activityCoefficient": the package's values for "Liquid" belong to the pass's main liquid;
//    they go into the coefficient array of that liquid's host slot (pass 1: the first liquid,
//    slot 0 of a liquid-liquid request; pass 2: the second liquid), so writeLogK divides the second
//    liquid's coefficients by the first liquid's.
HRESULT CalcRequests::readKValueResults(const wchar_t* property, int mainLiquid) {
  const int n = m_opening.componentCount();
  if (named(property, L"kvalues")) {
    double* const arrays[3] = {nullptr, m_work.phase[1][1].data(), m_work.phase[2][1].data()};
    return m_objects.matObj->getHostKValues(arrays);
  }
  if (named(property, L"fugacityCoefficient")) {
    double* const arrays[3] = {m_work.phase[0][0].data(), m_work.phase[1][0].data(), m_work.phase[2][0].data()};
    return m_objects.matObj->getHostFugacityCoefficients(arrays);
  }
  if (named(property, L"activityCoefficient")) return readActivityCoefficients(mainLiquid, n);
  const bool kValues = named(property, L"logkvalues");
  for (int k = kValues ? 1 : 0; k < 3; ++k) {
    const int slot = m_objects.matObj->hostSlot(k);
    if (slot < 0) continue;
    std::vector<double> logs;
    const HRESULT hr = m_objects.matObj->getPropValues(kValues ? PhVAPORLIQUID : phaseIdOfSlot(slot),
                                               kValues ? PpLOGKVALUES : PpLOGFUGACITYCOEFFICIENT, logs);
    if (FAILED(hr)) return hr;
    if (static_cast<int>(logs.size()) != n) return E_FAIL;
    std::vector<double>& target = m_work.phase[k][kValues ? 1 : 0];
    std::transform(logs.begin(), logs.end(), target.begin(), [](double v) { return std::exp(v); });
  }
  return S_OK;
}

HRESULT CalcRequests::readActivityCoefficients(int mainLiquid, int n) {
  if (mainLiquid < 0) return S_OK;
  support::Variant values;
  const HRESULT hr = m_objects.matObj->GetProp(COIds::getName(PpACTIVITYCOEFFICIENT), COIds::getName(PhLIQUID),
                                       m_objects.matObj->compIds(), COIds::getName(CtMIXTURE), nullptr, values.out());
  if (FAILED(hr))
    return m_errors.complainError(L"getting property from Material Object", hr,
                                  static_cast<ICapeThermoMaterialObject*>(m_objects.matObj), Calculating::yes);
  if (SetGet::elementCount(values.get()) != n) return m_opening.calcComplaint(E_FAIL, kGettingProperty);
  std::vector<double>& target = m_work.phase[mainLiquid][0];
  const long lb = SetGet::lbound(values.get());
  for (int i = 0; i < n; ++i) target[i] = SetGet::getDouble(values.get(), lb + i);
  return S_OK;
}
