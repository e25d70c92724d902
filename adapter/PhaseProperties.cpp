// The phase property requests: phase properties (call type 4), fugacities (5) and the transport
// properties (6-8), handed over from the host's thread and worked on the CAPE-OPEN thread.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "ids/COProperty.h"
#include "adapter/CalcRequests.h"
#include "adapter/RequestRules.h"
#include "support/FloatingPoint.h"
#include "ids/MathUtils.h"
#include "support/ModuleInfo.h"
#include "support/Guards.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "ids/StaticCache.h"
#include "support/Trace.h"
#include "support/Utils.h"

using bridge::CallParameters;

using request_rules::present;
using request_rules::sameComposition;

namespace {

constexpr char kThreeLiquids[] = "Not ready to handle ComputePhaseProperties for 3 liquid phases ";
constexpr char kUnexpectedList[] = "calculating phase props. Unexpected list of props to calculate";
constexpr double kAbsentFugacity = 1e100;

const wchar_t* const kPhasePropertyNames[4] = {L"enthalpy", L"entropy", L"heatCapacity", L"volume"};
const int kPhasePropertyIds[4] = {PpENTHALPY, PpENTROPY, PpHEATCAPACITY, PpVOLUME};

// The property list of the outputs asked for; null for any other combination.
const VARIANT* phasePropertyList(double* const outputs[4]) {
  const CStaticCache& cache = CStaticCache::instance();
  const bool h = outputs[0], s = outputs[1], cp = outputs[2], v = outputs[3];
  if (h && s && cp && v) return &cache.list(CStaticCache::PhaseProps);
  if (v && !h && !s && !cp) return &cache.list(CStaticCache::VolumeProps);
  if (h && cp && !s && !v) return &cache.list(CStaticCache::EnthalpyHeatCapacityProps);
  return nullptr;
}

int transportPropertyId(int callType) {
  switch (callType) {
    case bridge::CALL_COMPUTEPHASEVISCOSITY: return PpVISCOSITY;
    case bridge::CALL_COMPUTEPHASETHERMOCONDUCTIVITY: return PpTHERMALCONDUCTIVITY;
    default: return PpSURFACETENSION;
  }
}

}  // namespace

// ---- ComputePhaseProperties (call type 4) ----

HRESULT CalcRequests::handOverPhaseProperties(double T, double P, double** Compositions, int* PhaseTypes,
                                              double* PhaseFractions, double* Enthalpy, double* Entropy,
                                              double* HeatCapacity, double* MolarVolume) {
  return support::complainingOfFailure(m_errors, {"Internal error computing phase properties", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    support::MethodMark mark("ComputePhaseProperties");
    if (!Compositions || !PhaseTypes || !request_rules::presentRowsGiven(Compositions, PhaseTypes, 3)) return E_POINTER;
    return m_bridge.handOver(bridge::CALL_COMPUTEPHASEPROPERTIES, [&](CallParameters& call) {
      call.temperature = T;
      call.pressure = P;
      call.compositions = Compositions;
      call.phaseTypes = PhaseTypes;
      call.phaseFractions = PhaseFractions;
      call.enthalpy = Enthalpy;
      call.entropy = Entropy;
      call.heatCapacity = HeatCapacity;
      call.molarVolume = MolarVolume;
    });
  });
}

HRESULT CalcRequests::phasePropertiesWorker(CallParameters& call) {
  return support::complainingOfFailure(m_errors, {"Internal error computing phase properties", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    return phasePropertiesRequest(call);
  });
}

HRESULT CalcRequests::phasePropertiesRequest(CallParameters& call) {
  HRESULT refusal = S_OK;
  if (m_opening.refuseWithoutMaterial(refusal)) return refusal;
  const int n = m_opening.componentCount();
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  double* const outputs[4] = {call.enthalpy, call.entropy, call.heatCapacity, call.molarVolume};
  const double* fractions = call.phaseFractions;
  const VARIANT* properties = phasePropertyList(outputs);
  m_opening.beginRequestContext(call, types, 3, properties);

  // Three liquids: only a duplicate third liquid without amount is handled (folded into slot 1).
  bool fold = false;
  if (types[0] == 1 && types[1] == 1 && types[2] == 1) {
    if (!fractions || fractions[2] != 0.0 || !sameComposition(call.compositions[1], call.compositions[2], n, 0.0))
      return m_opening.calcComplaint(E_FAIL, kThreeLiquids);
    types[2] = bridge::HOST_PHASE_ABSENT;
    fold = true;
  }
  const double pressurePa = call.pressure * 1000.0;
  if (request_rules::outsideCalcRange(call.temperature, pressurePa)) return S_OK;
  if (request_rules::tracingRequests())
    support::traceValues(call.temperature, pressurePa, n, call.compositions, types, fractions, "CPP");
  // Nothing would be written: a failure, never a silent success.
  if (!properties) return m_opening.calcComplaint(E_FAIL, kUnexpectedList);

  bool vapour, liquid, twoLiquids;
  RequestOpening::phaseFlags(types, vapour, liquid, twoLiquids);
  for (int pass = 1; pass <= (twoLiquids ? 2 : 1); ++pass) {
    const VARIANT* phases = nullptr;
    HRESULT hr = m_opening.choosePhaseList(types, L"enthalpy", pass, phases);
    if (FAILED(hr)) return hr;
    hr = m_opening.setRequestMaterial(call, types, 3, RequestOpening::mainLiquidOf(types, 3, pass));  // "CPP sets"
    if (FAILED(hr)) return hr;
    for (const wchar_t* name : kPhasePropertyNames) {  // "CPP calcs"
      support::Bstr removed(name);
      m_objects.matObj->RemoveResult(removed.get(), -1);
    }
    hr = m_opening.calcOnMaterial(*properties, *phases);
    if (FAILED(hr)) return hr;
    hr = m_objects.matObj->getHostPhaseProperties(outputs);  // "CPP gets"
    support::resetFloatingPoint();
    if (FAILED(hr)) return hr;
  }
  types[0] = call.phaseTypes[0];

  for (int k = 0; k < 3; ++k) {
    for (int p = 0; p < 4; ++p) {
      if (!outputs[p]) continue;
      if (!present(types, k)) {
        outputs[p][k] = 0.0;
        continue;
      }
      m_opening.validateValues(&outputs[p][k], kPhasePropertyIds[p], "CPP");
      if (p == 3) outputs[p][k] *= 1000.0;  // m3/mol to m3/kmol
    }
  }
  for (double* out : outputs) {
    if (!out) continue;
    out[3] = 0.0;
    if (fold) out[2] = out[1];
    for (int i = 0; i < 3 && fractions; ++i) out[3] += out[i] * fractions[i];
  }
  return S_OK;
}

// ---- ComputePhaseFugacities (call type 5) ----

HRESULT CalcRequests::handOverFugacities(double T, double P, double** Compositions, int* PhaseTypes,
                                         double** Fugacities) {
  return support::complainingOfFailure(
      m_errors, {"Internal error calculating Phase fugacities", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    support::MethodMark mark("ComputePhaseFugacities");
    if (!Compositions || !PhaseTypes || !Fugacities || !request_rules::presentRowsGiven(Compositions, PhaseTypes, 3))
      return E_POINTER;
    return m_bridge.handOver(bridge::CALL_COMPUTEPHASEFUGACITIES, [&](CallParameters& call) {
      call.temperature = T;
      call.pressure = P;
      call.compositions = Compositions;
      call.phaseTypes = PhaseTypes;
      call.fugacities = Fugacities;
    });
  });
}

// The failure is complained of like every other one on this thread (kept back and shown by the
// host thread after the request), not logged from here.
HRESULT CalcRequests::phaseFugacitiesWorker(CallParameters& call) {
  return support::complainingOfFailure(m_errors, {"Internal error calculating Phase fugacities", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    return fugacitiesRequest(call);
  });
}

HRESULT CalcRequests::fugacitiesRequest(CallParameters& call) {
  HRESULT refusal = S_OK;
  if (m_opening.refuseWithoutMaterial(refusal)) return refusal;
  const int n = m_opening.componentCount();
  const double pressurePa = call.pressure * 1000.0;
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  m_opening.beginRequestContext(call, types, 3, &CStaticCache::instance().list(CStaticCache::FugacityProps));
  double* const coefficients[3] = {m_work.phase[0][0].data(), m_work.phase[1][0].data(), m_work.phase[2][0].data()};
  support::Bstr property(L"fugacityCoefficient");
  // All three slots are looked at, so that the second pass finds the second liquid as its main
  // liquid.
  for (int pass = 1; pass <= (present(types, 2) ? 2 : 1); ++pass) {
    const VARIANT* phases = nullptr;
    HRESULT hr = m_opening.choosePhaseList(types, property.get(), pass, phases);
    if (FAILED(hr)) return hr;
    if (request_rules::tracingRequests())
      support::traceValues(call.temperature, pressurePa, n, call.compositions, types, nullptr, "CPF");
    hr = m_opening.setRequestMaterial(call, types, 3, RequestOpening::mainLiquidOf(types, 3, pass));  // "CPF sets"
    if (FAILED(hr)) return hr;
    // "CPF calcs": earlier results are removed first, so a package that writes nothing is never
    // answered with the values of an earlier request.
    m_objects.matObj->RemoveResult(property.get(), -1);
    hr = m_opening.calcOnMaterial(CStaticCache::instance().list(CStaticCache::FugacityProps), *phases);
    if (FAILED(hr)) return m_opening.calcComplaint(hr, support::kUnexpected);
    hr = m_objects.matObj->getHostFugacityCoefficients(coefficients);
    if (FAILED(hr)) return hr;
  }
  types[0] = call.phaseTypes[0];
  for (int l = 0; l < 3; ++l)
    if (present(types, l)) m_opening.validateValues(coefficients[l], PpFUGACITYCOEFFICIENT, "CPF");
  for (int l = 0; l < 3; ++l) {
    double* out = call.fugacities[l];
    if (!out) continue;
    for (int i = 0; i < n; ++i)
      out[i] = present(types, l)
                   ? MathUtils::safeLog(pressurePa * coefficients[l][i] / 1000.0 * call.compositions[l][i])
                   : kAbsentFugacity;
  }
  return S_OK;
}

// ---- Transport properties (call types 6-8) ----

HRESULT CalcRequests::handOverTransport(int callType, double T, double P, double** compositions, const int* types,
                                      double extra, double* result) {
  return support::complainingOfFailure(
      m_errors, {"EXCEPTION RAISED", CkNONE, Calculating::yes, E_FAIL}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    const char* label = nullptr;
    bridge::callTypeLabel(callType, &label);
    support::MethodMark mark(label);
    const int slots = callType == bridge::CALL_COMPUTELIQUIDSURFACETENSION ? 2 : 1;
    if (!compositions || !compositions[0] || !result || !request_rules::presentRowsGiven(compositions, types, slots)) return E_POINTER;
    return m_bridge.handOver(callType, [&](CallParameters& call) {
      call.temperature = T;
      call.pressure = P;
      call.compositions = compositions;
      call.phaseTypes = types;
      call.extraInput = extra;
      call.singleResult = result;
    });
  });
}

HRESULT CalcRequests::computeTransportProperty(int callType, CallParameters& call) {
  try {
    return transportRequest(callType, call);
  } catch (const _com_error& error) {
    const std::wstring doing = std::wstring(L"calculating ") + COIds::getName(transportPropertyId(callType));
    return m_errors.complainError(doing.c_str(), error.Error(), nullptr, Calculating::yes);
  } catch (...) {
    return m_errors.complainCaught({"EXCEPTION RAISED", CkNONE, Calculating::yes, E_FAIL});
  }
}

// Viscosity and thermal conductivity get the host's molar density, surface tension the vapour
// fraction, on the phase of the request.
HRESULT CalcRequests::setTransportInput(int callType, int phaseId, double value) {
  if (callType == bridge::CALL_COMPUTELIQUIDSURFACETENSION)
    return m_objects.matObj->setPropValues(PpPHASEFRACTION, phaseId, &value, 1);
  const double density = CCOPropertyFactory::shared().find(PpDENSITY)->toCO(value, nullptr, 0);
  return m_objects.matObj->setPropValues(PpDENSITY, phaseId, &density, 1);
}

HRESULT CalcRequests::transportRequest(int callType, CallParameters& call) {
  const int propertyId = transportPropertyId(callType);
  BSTR property = COIds::getName(propertyId);
  if (support::Utils::findPos(m_abilities.propertyList(), property) < 0) return E_NOTIMPL;
  HRESULT refusal = S_OK;
  if (m_opening.refuseWithoutMaterial(refusal)) return refusal;
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  const bool surfaceTension = callType == bridge::CALL_COMPUTELIQUIDSURFACETENSION;
  m_opening.beginRequestContext(call, types, surfaceTension ? 2 : 1, &RequestOpening::singlePropertyList(property));
  const CStaticCache& cache = CStaticCache::instance();
  const VARIANT* phases = nullptr;
  int phaseId = PhLIQUID;
  if (surfaceTension) {
    // Surface tension is a two-phase property: asked on "VaporLiquid" where the package has it.
    phaseId = m_abilities.caps().vaporLiquid ? PhVAPORLIQUID : PhLIQUID;
    phases = &cache.list(m_abilities.caps().vaporLiquid ? CStaticCache::VaporLiquidTwoPhase : CStaticCache::LiquidPhase);
  } else {
    HRESULT hr = m_opening.choosePhaseList(types, property, 1, phases);
    if (FAILED(hr)) return hr;
    phaseId = COIds::findId(support::SetGet::getString(*phases, 0), COIds::KPhase);
  }
  HRESULT hr = setTransportInput(callType, phaseId, call.extraInput);
  if (FAILED(hr)) return m_opening.calcComplaint(hr, support::kUnexpected);
  const int slotsLooked = surfaceTension ? 2 : 1;
  hr = m_opening.setRequestMaterial(call, types, slotsLooked, RequestOpening::mainLiquidOf(types, slotsLooked, 1));
  if (FAILED(hr)) return hr;
  m_objects.matObj->RemoveResult(property, -1);

  support::ComPtr<ICapeThermoPropertyPackage> package;
  hr = m_objects.package.get(package);
  if (SUCCEEDED(hr) && !package) hr = E_POINTER;
  const VARIANT& properties = RequestOpening::singlePropertyList(property);
  m_errors.setCalcContext(properties, *phases, COIds::getName(CtMIXTURE));
  if (SUCCEEDED(hr))
    hr = package->CalcProp(static_cast<ICapeThermoMaterialObject*>(m_objects.matObj), properties, *phases,
                           COIds::getName(CtMIXTURE));
  std::vector<double> values;
  if (SUCCEEDED(hr)) hr = m_objects.matObj->getPropValues(phaseId, propertyId, values);
  if (SUCCEEDED(hr) && values.empty()) hr = E_FAIL;
  if (FAILED(hr)) {
    const std::wstring doing = std::wstring(L"calculating ") + property;
    return m_errors.complainError(doing.c_str(), hr, package.Get(), Calculating::yes);
  }
  *call.singleResult = CCOPropertyFactory::shared().find(propertyId)->toHost(values[0], nullptr, 0);
  return S_OK;
}
