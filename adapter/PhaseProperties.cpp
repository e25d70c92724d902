#include "CVBPropPkg.h"

HRESULT CVBPropPkg::phaseFugacitiesWorker(bridge::CallParameters&) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::phasePropertiesWorker(bridge::CallParameters&) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ExchangeTwoPhases(int, int, double**, int*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::OrderPhases(double, double, double**, int*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputePhaseProperties(double, double, double**, int*, double*, double*, double*, double*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputePhaseActivity(double, double, double**, int*, double**) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsVL(double, double, double**, double*, double*, double*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsLL(double, double, double**, double*, double*, double*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputePhaseFugacities(double, double, double**, int*, double**) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::DynTreatComponentAsInert(int, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeLiquidMolarDensity(double, double, double*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeLiquidSurfaceTension(double, double, double**, double, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputePhaseThermalConductivity(double, double, double*, double, int, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputePhaseViscosity(double, double, double*, double, int, double*) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::computeTransportProperty(int, bridge::CallParameters&) {
  return E_NOTIMPL;  // placeholder
}
