#include "CVBPropPkg.h"

STDMETHODIMP CVBPropPkg::GuessBubblePointTemperature(double, double*, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::InitializeKFactors(int, double, double, int, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeKFactors(double, double, double**, int*, double**) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsVL(double, double, double**, double*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsLL(double, double, double**, double*) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::computeKValues(int, bridge::CallParameters&) {
  return E_NOTIMPL;  // placeholder
}
