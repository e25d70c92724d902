// The calculation members of the host's interface: shells over the requests (handed over to
// the CAPE-OPEN thread) and over the calculations that run on the caller's thread.
#include "adapter/CVBPropPkg.h"

#include "bridge/CallParameters.h"
#include "bridge/CallTypes.h"

// ---- K-value requests (call types 1-3) ----

STDMETHODIMP CVBPropPkg::ComputeKFactors(double T, double P, double** Compositions, int* PhaseTypes, double** KFactors) {
  return m_requests.handOverKValues(bridge::CALL_COMPUTEKFACTORS, T, P, Compositions, PhaseTypes, KFactors);
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsVL(double T, double P, double** Compositions, double* KFactors) {
  double* results[2] = {KFactors, nullptr};
  return m_requests.handOverKValues(bridge::CALL_COMPUTEKFACTORSVL, T, P, Compositions, bridge::kVapourLiquidPhaseTypes, results);
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsLL(double T, double P, double** Compositions, double* KFactors) {
  double* results[2] = {KFactors, nullptr};
  return m_requests.handOverKValues(bridge::CALL_COMPUTEKFACTORSLL, T, P, Compositions, bridge::kLiquidLiquidPhaseTypes, results);
}

// ---- Phase properties and fugacities (call types 4 and 5) ----

STDMETHODIMP CVBPropPkg::ComputePhaseProperties(double T, double P, double** Compositions, int* PhaseTypes,
                                                double* PhaseFractions, double* Enthalpy, double* Entropy,
                                                double* HeatCapacity, double* MolarVolume) {
  return m_requests.handOverPhaseProperties(T, P, Compositions, PhaseTypes, PhaseFractions, Enthalpy, Entropy,
                                            HeatCapacity, MolarVolume);
}

HRESULT CVBPropPkg::phasePropertiesWorker(bridge::CallParameters& call) { return m_requests.phasePropertiesWorker(call); }

STDMETHODIMP CVBPropPkg::ComputePhaseFugacities(double T, double P, double** Compositions, int* PhaseTypes,
                                                double** Fugacities) {
  return m_requests.handOverFugacities(T, P, Compositions, PhaseTypes, Fugacities);
}

HRESULT CVBPropPkg::phaseFugacitiesWorker(bridge::CallParameters& call) { return m_requests.phaseFugacitiesWorker(call); }

// ---- Transport properties (call types 6-8) ----

STDMETHODIMP CVBPropPkg::ComputePhaseViscosity(double T, double P, double* Composition, double MolarDensity,
                                               int Phase, double* Viscosity) {
  double* compositions[1] = {Composition};
  const int types[3] = {Phase, 0, 0};
  return m_requests.handOverTransport(bridge::CALL_COMPUTEPHASEVISCOSITY, T, P, compositions, types, MolarDensity, Viscosity);
}

STDMETHODIMP CVBPropPkg::ComputePhaseThermalConductivity(double T, double P, double* Composition,
                                                         double MolarDensity, int Phase,
                                                         double* ThermalConductivity) {
  double* compositions[1] = {Composition};
  const int types[3] = {Phase, 0, 0};
  return m_requests.handOverTransport(bridge::CALL_COMPUTEPHASETHERMOCONDUCTIVITY, T, P, compositions, types, MolarDensity,
                           ThermalConductivity);
}

STDMETHODIMP CVBPropPkg::ComputeLiquidSurfaceTension(double T, double P, double** Compositions,
                                                     double VapourFraction, double* SurfaceTension) {
  return m_requests.handOverTransport(bridge::CALL_COMPUTELIQUIDSURFACETENSION, T, P, Compositions,
                           bridge::kVapourLiquidPhaseTypes, VapourFraction, SurfaceTension);
}

// ---- On the caller's thread ----

STDMETHODIMP CVBPropPkg::GuessBubblePointTemperature(double Pressure, double* Composition, double* Temperature) {
  return m_callerCalcs.guessBubblePointTemperature(Pressure, Composition, Temperature);
}

STDMETHODIMP CVBPropPkg::InitializeKFactors(int componentPosition, double Temperature, double Pressure, int Phases,
                                            double* KFactor) {
  return m_callerCalcs.initializeKFactors(componentPosition, Temperature, Pressure, Phases, KFactor);
}

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsVL(double T, double P, double** Compositions, double* AVapour,
                                               double* BVapour, double* ALiquid, double* BLiquid) {
  return m_callerCalcs.computeHInnerParamsVL(T, P, Compositions, AVapour, BVapour, ALiquid, BLiquid);
}

STDMETHODIMP CVBPropPkg::OrderPhases(double T, double P, double** Compositions, int* PhaseTypes,
                                     double* PhaseFractions) {
  return m_callerCalcs.orderPhases(T, P, Compositions, PhaseTypes, PhaseFractions);
}

// ---- Host methods the adapter does not offer ----

STDMETHODIMP CVBPropPkg::ExchangeTwoPhases(int, int, double**, int*, double*) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::ComputePhaseActivity(double, double, double**, int*, double**) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsLL(double, double, double**, double*, double*, double*, double*) {
  return E_NOTIMPL;
}

STDMETHODIMP CVBPropPkg::DynTreatComponentAsInert(int, VARIANT_BOOL*) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::ComputeLiquidMolarDensity(double, double, double*, double*) { return E_NOTIMPL; }
