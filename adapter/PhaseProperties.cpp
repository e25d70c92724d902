// The phase property requests: phase properties (call type 4), fugacities (5), the transport
// properties (6-8) on the CAPE-OPEN thread, and the enthalpy model and the phase ordering on the
// caller's thread through the adapter's own bridged ComputePhaseProperties.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "ids/COProperty.h"
#include "adapter/CVBPropPkg.h"
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

namespace {

constexpr char kThreeLiquids[] = "Not ready to handle ComputePhaseProperties for 3 liquid phases ";
constexpr char kUnexpectedList[] = "calculating phase props. Unexpected list of props to calculate";
constexpr double kAbsentFugacity = 1e100;
constexpr double kDenseSpecificVolume = 0.002;  // m3/kg
constexpr double kSameValue = 1e-4;
constexpr double kHeavyBoilingCelsius = 230.0;

const wchar_t* const kPhasePropertyNames[4] = {L"enthalpy", L"entropy", L"heatCapacity", L"volume"};
const int kPhasePropertyIds[4] = {PpENTHALPY, PpENTROPY, PpHEATCAPACITY, PpVOLUME};

bool present(const int* types, int k) { return types[k] != bridge::HOST_PHASE_ABSENT; }

bool sameComposition(const double* a, const double* b, int n, double tolerance) {
  for (int i = 0; i < n; ++i)
    if (!(std::fabs(a[i] - b[i]) <= tolerance)) return false;
  return true;
}

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

STDMETHODIMP CVBPropPkg::ComputePhaseProperties(double T, double P, double** Compositions, int* PhaseTypes,
                                                double* PhaseFractions, double* Enthalpy, double* Entropy,
                                                double* HeatCapacity, double* MolarVolume) {
  return support::complainingOfFailure(
      m_errors, {"Internal error computing phase properties", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_ownerWindow);
    support::MethodMark mark("ComputePhaseProperties");
    if (!Compositions || !PhaseTypes || !presentRowsGiven(Compositions, PhaseTypes, 3)) return E_POINTER;
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

HRESULT CVBPropPkg::phasePropertiesWorker(CallParameters& call) {
  return support::complainingOfFailure(
      m_errors, {"Internal error computing phase properties", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    return phasePropertiesRequest(call);
  });
}

HRESULT CVBPropPkg::phasePropertiesRequest(CallParameters& call) {
  if (!m_matObj) return calcComplaint(E_FAIL, support::kUnexpected);
  const int n = calcComponentCount();
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  double* const outputs[4] = {call.enthalpy, call.entropy, call.heatCapacity, call.molarVolume};
  const double* fractions = call.phaseFractions;
  const VARIANT* properties = phasePropertyList(outputs);
  beginRequestContext(call, types, 3, properties);

  // Three liquids: only a duplicate third liquid without amount is handled (folded into slot 1).
  bool fold = false;
  if (types[0] == 1 && types[1] == 1 && types[2] == 1) {
    if (!fractions || fractions[2] != 0.0 || !sameComposition(call.compositions[1], call.compositions[2], n, 0.0))
      return calcComplaint(E_FAIL, kThreeLiquids);
    types[2] = bridge::HOST_PHASE_ABSENT;
    fold = true;
  }
  const double pressurePa = call.pressure * 1000.0;
  if (outsideCalcRange(call.temperature, pressurePa)) return S_OK;
  if (tracingRequests())
    support::traceValues(call.temperature, pressurePa, n, call.compositions, types, fractions, "CPP");
  // Nothing would be written: a failure, never a silent success.
  if (!properties) return calcComplaint(E_FAIL, kUnexpectedList);

  bool vapour, liquid, twoLiquids;
  phaseFlags(types, vapour, liquid, twoLiquids);
  for (int pass = 1; pass <= (twoLiquids ? 2 : 1); ++pass) {
    const VARIANT* phases = nullptr;
    HRESULT hr = choosePhaseList(types, L"enthalpy", pass, phases);
    if (FAILED(hr)) return hr;
    hr = setRequestMaterial(call, types, 3, mainLiquidOf(types, 3, pass));  // "CPP sets"
    if (FAILED(hr)) return hr;
    for (const wchar_t* name : kPhasePropertyNames) {  // "CPP calcs"
      support::Bstr removed(name);
      m_matObj->RemoveResult(removed.get(), -1);
    }
    hr = calcOnMaterial(*properties, *phases);
    if (FAILED(hr)) return hr;
    hr = m_matObj->getHostPhaseProperties(outputs);  // "CPP gets"
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
      validateValues(&outputs[p][k], kPhasePropertyIds[p], "CPP");
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

STDMETHODIMP CVBPropPkg::ComputePhaseFugacities(double T, double P, double** Compositions, int* PhaseTypes,
                                                double** Fugacities) {
  return support::complainingOfFailure(
      m_errors, {"Internal error calculating Phase fugacities", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_ownerWindow);
    support::MethodMark mark("ComputePhaseFugacities");
    if (!Compositions || !PhaseTypes || !Fugacities || !presentRowsGiven(Compositions, PhaseTypes, 3))
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
HRESULT CVBPropPkg::phaseFugacitiesWorker(CallParameters& call) {
  return support::complainingOfFailure(
      m_errors, {"Internal error calculating Phase fugacities", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    return fugacitiesRequest(call);
  });
}

HRESULT CVBPropPkg::fugacitiesRequest(CallParameters& call) {
  if (!m_matObj) return calcComplaint(E_FAIL, support::kUnexpected);
  const int n = calcComponentCount();
  const double pressurePa = call.pressure * 1000.0;
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  beginRequestContext(call, types, 3, &CStaticCache::instance().list(CStaticCache::FugacityProps));
  double* const coefficients[3] = {m_phaseWork[0][0].data(), m_phaseWork[1][0].data(), m_phaseWork[2][0].data()};
  support::Bstr property(L"fugacityCoefficient");
  // All three slots are looked at, so that the second pass finds the second liquid as its main
  // liquid.
  for (int pass = 1; pass <= (present(types, 2) ? 2 : 1); ++pass) {
    const VARIANT* phases = nullptr;
    HRESULT hr = choosePhaseList(types, property.get(), pass, phases);
    if (FAILED(hr)) return hr;
    if (tracingRequests())
      support::traceValues(call.temperature, pressurePa, n, call.compositions, types, nullptr, "CPF");
    hr = setRequestMaterial(call, types, 3, mainLiquidOf(types, 3, pass));  // "CPF sets"
    if (FAILED(hr)) return hr;
    // "CPF calcs": earlier results are removed first, so a package that writes nothing is never
    // answered with the values of an earlier request.
    m_matObj->RemoveResult(property.get(), -1);
    hr = calcOnMaterial(CStaticCache::instance().list(CStaticCache::FugacityProps), *phases);
    if (FAILED(hr)) return calcComplaint(hr, support::kUnexpected);
    hr = m_matObj->getHostFugacityCoefficients(coefficients);
    if (FAILED(hr)) return hr;
  }
  types[0] = call.phaseTypes[0];
  for (int l = 0; l < 3; ++l)
    if (present(types, l)) validateValues(coefficients[l], PpFUGACITYCOEFFICIENT, "CPF");
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

STDMETHODIMP CVBPropPkg::ComputePhaseViscosity(double T, double P, double* Composition, double MolarDensity,
                                               int Phase, double* Viscosity) {
  double* compositions[1] = {Composition};
  const int types[3] = {Phase, 0, 0};
  return handOverTransport(bridge::CALL_COMPUTEPHASEVISCOSITY, T, P, compositions, types, MolarDensity, Viscosity);
}

STDMETHODIMP CVBPropPkg::ComputePhaseThermalConductivity(double T, double P, double* Composition,
                                                         double MolarDensity, int Phase,
                                                         double* ThermalConductivity) {
  double* compositions[1] = {Composition};
  const int types[3] = {Phase, 0, 0};
  return handOverTransport(bridge::CALL_COMPUTEPHASETHERMOCONDUCTIVITY, T, P, compositions, types, MolarDensity,
                           ThermalConductivity);
}

STDMETHODIMP CVBPropPkg::ComputeLiquidSurfaceTension(double T, double P, double** Compositions,
                                                     double VapourFraction, double* SurfaceTension) {
  return handOverTransport(bridge::CALL_COMPUTELIQUIDSURFACETENSION, T, P, Compositions,
                           bridge::kVapourLiquidPhaseTypes, VapourFraction, SurfaceTension);
}

HRESULT CVBPropPkg::handOverTransport(int callType, double T, double P, double** compositions, const int* types,
                                      double extra, double* result) {
  return support::complainingOfFailure(
      m_errors, {"EXCEPTION RAISED", CkNONE, Calculating::yes, E_FAIL}, [&]() -> HRESULT {
    support::setOwnerWindow(m_ownerWindow);
    const char* label = nullptr;
    bridge::callTypeLabel(callType, &label);
    support::MethodMark mark(label);
    const int slots = callType == bridge::CALL_COMPUTELIQUIDSURFACETENSION ? 2 : 1;
    if (!compositions || !compositions[0] || !result || !presentRowsGiven(compositions, types, slots)) return E_POINTER;
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

HRESULT CVBPropPkg::computeTransportProperty(int callType, CallParameters& call) {
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
HRESULT CVBPropPkg::setTransportInput(int callType, int phaseId, double value) {
  if (callType == bridge::CALL_COMPUTELIQUIDSURFACETENSION)
    return m_matObj->setPropValues(PpPHASEFRACTION, phaseId, &value, 1);
  const double density = CCOPropertyFactory::shared().find(PpDENSITY)->toCO(value, nullptr, 0);
  return m_matObj->setPropValues(PpDENSITY, phaseId, &density, 1);
}

HRESULT CVBPropPkg::transportRequest(int callType, CallParameters& call) {
  const int propertyId = transportPropertyId(callType);
  BSTR property = COIds::getName(propertyId);
  if (support::Utils::findPos(m_propList.get(), property) < 0) return E_NOTIMPL;
  if (!m_matObj) return calcComplaint(E_FAIL, support::kUnexpected);
  int types[3] = {call.phaseTypes[0], call.phaseTypes[1], call.phaseTypes[2]};
  const bool surfaceTension = callType == bridge::CALL_COMPUTELIQUIDSURFACETENSION;
  beginRequestContext(call, types, surfaceTension ? 2 : 1, &singlePropertyList(property));
  const CStaticCache& cache = CStaticCache::instance();
  const VARIANT* phases = nullptr;
  int phaseId = PhLIQUID;
  if (surfaceTension) {
    // Surface tension is a two-phase property: asked on "VaporLiquid" where the package has it.
    phaseId = m_caps.vaporLiquid ? PhVAPORLIQUID : PhLIQUID;
    phases = &cache.list(m_caps.vaporLiquid ? CStaticCache::VaporLiquidTwoPhase : CStaticCache::LiquidPhase);
  } else {
    HRESULT hr = choosePhaseList(types, property, 1, phases);
    if (FAILED(hr)) return hr;
    phaseId = COIds::findId(support::SetGet::getString(*phases, 0), COIds::KPhase);
  }
  HRESULT hr = setTransportInput(callType, phaseId, call.extraInput);
  if (FAILED(hr)) return calcComplaint(hr, support::kUnexpected);
  const int slotsLooked = surfaceTension ? 2 : 1;
  hr = setRequestMaterial(call, types, slotsLooked, mainLiquidOf(types, slotsLooked, 1));
  if (FAILED(hr)) return hr;
  m_matObj->RemoveResult(property, -1);

  support::ComPtr<ICapeThermoPropertyPackage> package;
  hr = m_package.get(package);
  if (SUCCEEDED(hr) && !package) hr = E_POINTER;
  const VARIANT& properties = singlePropertyList(property);
  m_errors.setCalcContext(properties, *phases, COIds::getName(CtMIXTURE));
  if (SUCCEEDED(hr))
    hr = package->CalcProp(static_cast<ICapeThermoMaterialObject*>(m_matObj), properties, *phases,
                           COIds::getName(CtMIXTURE));
  std::vector<double> values;
  if (SUCCEEDED(hr)) hr = m_matObj->getPropValues(phaseId, propertyId, values);
  if (SUCCEEDED(hr) && values.empty()) hr = E_FAIL;
  if (FAILED(hr)) {
    const std::wstring doing = std::wstring(L"calculating ") + property;
    return m_errors.complainError(doing.c_str(), hr, package.Get(), Calculating::yes);
  }
  *call.singleResult = CCOPropertyFactory::shared().find(propertyId)->toHost(values[0], nullptr, 0);
  return S_OK;
}

// ---- On the caller's thread, through the adapter's own ComputePhaseProperties ----

double CVBPropPkg::mixtureWeight(const double* x) const {
  double mw = 0;
  for (int i = 0; i < calcComponentCount(); ++i) mw += x[i] * m_matObj->compound(i).m_molecularWeight;
  return mw;
}

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsVL(double T, double P, double** Compositions, double* AVapour,
                                               double* BVapour, double* ALiquid, double* BLiquid) {
  return support::complainingOfFailure(
      m_errors, {"Internal error calculating HInnerParamsVL", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_ownerWindow);
    support::MethodMark mark("ComputeHInnerParamsVL");
    if (outsideCalcRange(T, P)) return S_OK;  // P in kPa here
    if (!Compositions || !AVapour || !BVapour || !ALiquid || !BLiquid) return E_POINTER;
    if (!m_matObj) throw std::runtime_error("no material object");
    int types[3] = {bridge::HOST_PHASE_VAPOUR, bridge::HOST_PHASE_LIQUID, bridge::HOST_PHASE_ABSENT};
    double fractions[3] = {0.33333333, 0.33333333, 0.33333333};
    double enthalpy[4] = {}, heatCapacity[4] = {};
    const HRESULT hr = ComputePhaseProperties(T, P, Compositions, types, fractions, enthalpy, nullptr, heatCapacity, nullptr);
    if (FAILED(hr)) return hr;
    const double mwVapour = mixtureWeight(Compositions[0]), mwLiquid = mixtureWeight(Compositions[1]);
    *BVapour = heatCapacity[0] / mwVapour;
    *BLiquid = heatCapacity[1] / mwLiquid;
    *AVapour = enthalpy[0] / mwVapour - T * *BVapour;
    *ALiquid = enthalpy[1] / mwLiquid - T * *BLiquid;
    return S_OK;
  });
}

HRESULT CVBPropPkg::phaseVolumes(double T, double P, double** compositions, int* types, double* fractions,
                                 double volumes[4]) {
  std::fill(volumes, volumes + 4, 0.0);
  return ComputePhaseProperties(T, P, compositions, types, fractions, nullptr, nullptr, nullptr, volumes);
}

STDMETHODIMP CVBPropPkg::OrderPhases(double T, double P, double** Compositions, int* PhaseTypes,
                                     double* PhaseFractions) {
  return support::complainingOfFailure(
      m_errors, {"Internal error ordering phases. Contact support.", CkNONE, Calculating::no, 101}, [&]() -> HRESULT {
    support::setOwnerWindow(m_ownerWindow);
    support::MethodMark mark("OrderPhases");
    if (!Compositions || !PhaseTypes || !PhaseFractions) return E_POINTER;
    // The ordering may move any phase into any slot, so every slot needs its row, even one
    // that holds no phase now.
    for (int i = 0; i < 3; ++i)
      if (!Compositions[i]) return E_POINTER;
    if (!m_matObj) throw std::runtime_error("no material object");
    return orderPhases(T, P, Compositions, PhaseTypes, PhaseFractions);
  });
}

HRESULT CVBPropPkg::orderPhases(double T, double P, double** x, int* types, double* fractions) {
  const int n = calcComponentCount();
  double volumes[4];
  HRESULT hr = phaseVolumes(T, P, x, types, fractions, volumes);
  if (FAILED(hr)) return hr;
  double specific[3];
  for (int i = 0; i < 3; ++i) {
    if (fractions[i] != 0.0) {
      specific[i] = volumes[i] / mixtureWeight(x[i]);
    } else {
      types[i] = bridge::HOST_PHASE_ABSENT;
      specific[i] = volumes[i] = 0.0;
    }
  }
  // Duplicates: the same volume and composition within 1e-4 are one phase.
  for (int j = 0; j < 2; ++j) {
    if (fractions[j] == 0.0) continue;
    for (int k = 2; k > j; --k) {
      if (!present(types, k) || !(std::fabs(volumes[j] - volumes[k]) <= kSameValue) ||
          !sameComposition(x[j], x[k], n, kSameValue))
        continue;
      fractions[j] += fractions[k];
      types[k] = bridge::HOST_PHASE_ABSENT;
      fractions[k] = specific[k] = volumes[k] = 0.0;
    }
  }
  // Lightest first.
  for (int j = 0; j < 3; ++j)
    for (int k = 2; k > j; --k)
      if (specific[k] > specific[j]) {
        if (types[j] == bridge::HOST_PHASE_VAPOUR) types[j] = bridge::HOST_PHASE_LIQUID;
        hr = exchangePhases(j, k, x, types, fractions, volumes, specific);
        if (FAILED(hr)) return hr;
      }
  if (present(types, 2) && present(types, 0) && specific[0] < kDenseSpecificVolume) {
    // Three phases, the lightest of them dense: it joins the next liquid.
    const double b0 = fractions[0], b1 = fractions[1];
    for (int i = 0; i < n; ++i) x[1][i] = (x[1][i] * b1 + x[0][i] * b0) / (b1 + b0);
    fractions[1] = b1 + b0;
    types[0] = bridge::HOST_PHASE_ABSENT;
    fractions[0] = 0.0;
  } else if (present(types, 0)) {
    hr = labelFirstPhase(T, P, x, types, fractions, volumes, specific);
    if (FAILED(hr)) return hr;
  }
  if (tracingRequests())
    support::traceValues(T, P * 1000.0, n, x, types, fractions, "OPh");
  return S_OK;
}

// Gas or liquid: a liquid has a small compressibility factor or a small isothermal
// compressibility; a liquid-like first phase moves down when it looks heavy.
HRESULT CVBPropPkg::labelFirstPhase(double T, double P, double** x, int* types, double* fractions, double* volumes,
                                    double* specific) {
  const int n = calcComponentCount();
  const double z = (P / 101.325) * volumes[0] / (0.082 * T);
  double raised[4], again[4];
  HRESULT hr = phaseVolumes(T, 1.01 * P, x, types, fractions, raised);
  if (SUCCEEDED(hr)) hr = phaseVolumes(T, P, x, types, fractions, again);
  if (FAILED(hr)) return hr;
  const double vPlus = raised[0], v = again[0];
  const double compressibility = (vPlus - v) / ((v + vPlus) / 2.0 * (-0.01) * P);
  if (!(z < 0.25 || compressibility < 0.6 / P)) {
    types[0] = bridge::HOST_PHASE_VAPOUR;
    return S_OK;
  }
  double heavy = 0, light = 0;
  for (int i = 0; i < n; ++i)
    (m_matObj->compound(i).m_normalBoilingPoint - 273.15 > kHeavyBoilingCelsius ? heavy : light) += x[0][i];
  types[0] = bridge::HOST_PHASE_LIQUID;
  if (z < 0.75 || heavy > light || specific[0] < kDenseSpecificVolume) {
    if (present(types, 1)) {
      hr = exchangePhases(2, 1, x, types, fractions, volumes, specific);
      if (SUCCEEDED(hr)) hr = exchangePhases(0, 1, x, types, fractions, volumes, specific);
    } else {
      hr = exchangePhases(0, 1, x, types, fractions, volumes, specific);
    }
  }
  return hr;
}

HRESULT CVBPropPkg::exchangePhases(int a, int b, double** x, int* types, double* fractions, double* volumes,
                                   double* specific) {
  return support::complainingOfFailure(
      m_errors, {"Internal error exchanging phases. Contact support.", CkNONE, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (a < 0 || b < 0 || a > 2 || b > 2) return E_FAIL;
    std::swap_ranges(x[a], x[a] + calcComponentCount(), x[b]);
    std::swap(volumes[a], volumes[b]);
    std::swap(types[a], types[b]);
    std::swap(fractions[a], fractions[b]);
    std::swap(specific[a], specific[b]);
    return S_OK;
  });
}

// ---- Host methods the adapter does not offer ----

STDMETHODIMP CVBPropPkg::ExchangeTwoPhases(int, int, double**, int*, double*) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::ComputePhaseActivity(double, double, double**, int*, double**) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsLL(double, double, double**, double*, double*, double*, double*) {
  return E_NOTIMPL;
}

STDMETHODIMP CVBPropPkg::DynTreatComponentAsInert(int, VARIANT_BOOL*) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::ComputeLiquidMolarDensity(double, double, double*, double*) { return E_NOTIMPL; }
