// The calculations on the caller's thread: the estimates from the copy of the compound constants,
// and the enthalpy model and the phase ordering through the adapter's own ComputePhaseProperties.
#include "adapter/CallerThreadCalcs.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "adapter/RequestRules.h"
#include "matobj/CMatObj.h"
#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/Trace.h"
#include "support/Guards.h"

using request_rules::present;
using request_rules::sameComposition;

namespace {

constexpr double kWilsonPressureCap = 15000.0;  // kPa
constexpr double kAtmosphere = 101.325;        // kPa
constexpr double kDenseSpecificVolume = 0.002;  // m3/kg
constexpr double kSameValue = 1e-4;
constexpr double kHeavyBoilingCelsius = 230.0;

}  // namespace

CallerThreadCalcs::CallerThreadCalcs(AdapterSide& adapter, COVCOError& errors, PackageObjects& objects,
                                     const ComponentBasis& basis, ExtnPropertyPackage& self)
    : m_adapter(adapter), m_errors(errors), m_objects(objects), m_basis(basis), m_self(self) {}

int CallerThreadCalcs::componentCount() const { return m_objects.matObj ? m_objects.matObj->compoundCount() : 0; }

// ---- Estimates on the caller's thread, from the material object's compound constants ----

HRESULT CallerThreadCalcs::guessBubblePointTemperature(double Pressure, double* Composition, double* Temperature) {
  return support::complainingOfFailure(
      m_errors, {"Internal error guess bubblepoint", CkNONE, Calculating::no, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    support::MethodMark mark("GuessBubblePointTemperature");
    if (!Composition || !Temperature) return E_POINTER;
    const auto cached = m_basis.cachedCompounds();
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
  });
}

// The shape constant s of the rule below is the compound record's eighth constant, the one the
// record keeps beside critical data, acentric factor, molecular weight, boiling point and liquid
// density: nothing fills it, so it stays at the unset mark (-32767) and the (1 + w)^3 factor
// applies only once some source provides it. Host ids 19, 29, 30 and 54 are the components the
// host treats with the halved estimate.
HRESULT CallerThreadCalcs::initializeKFactors(int componentPosition, double Temperature, double Pressure, int Phases,
                                              double* KFactor) {
  return support::complainingOfFailure(
      m_errors, {"Error initializing kvalues", CkNONE, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    support::MethodMark mark("InitializeKFactors");
    if (!KFactor) return E_POINTER;
    const auto cached = m_basis.cachedCompounds();
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
  });
}


// ---- On the caller's thread, through the adapter's own ComputePhaseProperties ----

double CallerThreadCalcs::mixtureWeight(const double* x) const {
  double mw = 0;
  for (int i = 0; i < componentCount(); ++i) mw += x[i] * m_objects.matObj->compound(i).m_molecularWeight;
  return mw;
}

HRESULT CallerThreadCalcs::computeHInnerParamsVL(double T, double P, double** Compositions, double* AVapour,
                                                 double* BVapour, double* ALiquid, double* BLiquid) {
  return support::complainingOfFailure(
      m_errors, {"Internal error calculating HInnerParamsVL", CkNONE, Calculating::yes, 100}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    support::MethodMark mark("ComputeHInnerParamsVL");
    if (request_rules::outsideCalcRange(T, P)) return S_OK;  // P in kPa here
    if (!Compositions || !AVapour || !BVapour || !ALiquid || !BLiquid) return E_POINTER;
    if (!m_objects.matObj) throw std::runtime_error("no material object");
    int types[3] = {bridge::HOST_PHASE_VAPOUR, bridge::HOST_PHASE_LIQUID, bridge::HOST_PHASE_ABSENT};
    double fractions[3] = {0.33333333, 0.33333333, 0.33333333};
    double enthalpy[4] = {}, heatCapacity[4] = {};
    const HRESULT hr = m_self.ComputePhaseProperties(T, P, Compositions, types, fractions, enthalpy, nullptr, heatCapacity, nullptr);
    if (FAILED(hr)) return hr;
    const double mwVapour = mixtureWeight(Compositions[0]), mwLiquid = mixtureWeight(Compositions[1]);
    *BVapour = heatCapacity[0] / mwVapour;
    *BLiquid = heatCapacity[1] / mwLiquid;
    *AVapour = enthalpy[0] / mwVapour - T * *BVapour;
    *ALiquid = enthalpy[1] / mwLiquid - T * *BLiquid;
    return S_OK;
  });
}

HRESULT CallerThreadCalcs::phaseVolumes(double T, double P, double** compositions, int* types, double* fractions,
                                 double volumes[4]) {
  std::fill(volumes, volumes + 4, 0.0);
  return m_self.ComputePhaseProperties(T, P, compositions, types, fractions, nullptr, nullptr, nullptr, volumes);
}

HRESULT CallerThreadCalcs::orderPhases(double T, double P, double** Compositions, int* PhaseTypes,
                                       double* PhaseFractions) {
  return support::complainingOfFailure(
      m_errors, {"Internal error ordering phases. Contact support.", CkNONE, Calculating::no, 101}, [&]() -> HRESULT {
    support::setOwnerWindow(m_adapter.ownerWindow());
    support::MethodMark mark("OrderPhases");
    if (!Compositions || !PhaseTypes || !PhaseFractions) return E_POINTER;
    // The ordering may move any phase into any slot, so every slot needs its row, even one
    // that holds no phase now.
    for (int i = 0; i < 3; ++i)
      if (!Compositions[i]) return E_POINTER;
    if (!m_objects.matObj) throw std::runtime_error("no material object");
    return orderPresentPhases(T, P, Compositions, PhaseTypes, PhaseFractions);
  });
}

HRESULT CallerThreadCalcs::orderPresentPhases(double T, double P, double** x, int* types, double* fractions) {
  const int n = componentCount();
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
  if (request_rules::tracingRequests())
    support::traceValues(T, P * 1000.0, n, x, types, fractions, "OPh");
  return S_OK;
}

// Gas or liquid: a liquid has a small compressibility factor or a small isothermal
// compressibility; a liquid-like first phase moves down when it looks heavy.
HRESULT CallerThreadCalcs::labelFirstPhase(double T, double P, double** x, int* types, double* fractions, double* volumes,
                                    double* specific) {
  const int n = componentCount();
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
    (m_objects.matObj->compound(i).m_normalBoilingPoint - 273.15 > kHeavyBoilingCelsius ? heavy : light) += x[0][i];
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

HRESULT CallerThreadCalcs::exchangePhases(int a, int b, double** x, int* types, double* fractions, double* volumes,
                                   double* specific) {
  return support::complainingOfFailure(
      m_errors, {"Internal error exchanging phases. Contact support.", CkNONE, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (a < 0 || b < 0 || a > 2 || b > 2) return E_FAIL;
    std::swap_ranges(x[a], x[a] + componentCount(), x[b]);
    std::swap(volumes[a], volumes[b]);
    std::swap(types[a], types[b]);
    std::swap(fractions[a], fractions[b]);
    std::swap(specific[a], specific[b]);
    return S_OK;
  });
}
