#include "CVBPropPkg.h"

// ExtensionObject

STDMETHODIMP CVBPropPkg::StatusQuery(IDispatch*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::VariableChanging(ExtnVariableArgument*, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::VariableChanged(ExtnVariableArgument*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::OnView(BSTR, ExtnView*, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::OnHelp(BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::Save() {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::Terminate() {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::VariableQuery(ExtnVariableArgument*) {
  return E_NOTIMPL;  // built with the adapter work
}

// ExtnPropertyPackage

STDMETHODIMP CVBPropPkg::Initialize(ExtnContainer*, ExtnPackageInitRecord*, VARIANT_BOOL) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::PreSelectedComponents(int*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::StartBasisChange() {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::IsComponentAllowed(int, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::AddComponent(int, HostComponent*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::ComponentChanged(int, HostComponent*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::RemoveComponent(int) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::ExchangeComponents(int, int) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::CopyPropertyPackage(ExtnPropertyPackage*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::QueryEndBasisChange(VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::EndBasisChange(VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the adapter work
}

STDMETHODIMP CVBPropPkg::GuessBubblePointTemperature(double, double*, double*) {
  return E_NOTIMPL;  // built with the K-value work
}

STDMETHODIMP CVBPropPkg::InitializeKFactors(int, double, double, int, double*) {
  return E_NOTIMPL;  // built with the K-value work
}

STDMETHODIMP CVBPropPkg::ComputeKFactors(double, double, double**, int*, double**) {
  return E_NOTIMPL;  // built with the K-value work
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsVL(double, double, double**, double*) {
  return E_NOTIMPL;  // built with the K-value work
}

STDMETHODIMP CVBPropPkg::ComputeKFactorsLL(double, double, double**, double*) {
  return E_NOTIMPL;  // built with the K-value work
}

STDMETHODIMP CVBPropPkg::ExchangeTwoPhases(int, int, double**, int*, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::OrderPhases(double, double, double**, int*, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputePhaseProperties(double, double, double**, int*, double*, double*, double*, double*, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputePhaseActivity(double, double, double**, int*, double**) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsVL(double, double, double**, double*, double*, double*, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputeHInnerParamsLL(double, double, double**, double*, double*, double*, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputePhaseFugacities(double, double, double**, int*, double**) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::DynTreatComponentAsInert(int, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputeLiquidMolarDensity(double, double, double*, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputeLiquidSurfaceTension(double, double, double**, double, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputePhaseThermalConductivity(double, double, double*, double, int, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

STDMETHODIMP CVBPropPkg::ComputePhaseViscosity(double, double, double*, double, int, double*) {
  return E_NOTIMPL;  // built with the phase property work
}

// ICapeDiagnostics

STDMETHODIMP CVBPropPkg::logError(LONG, BSTR) {
  return E_NOTIMPL;  // built with the error reporting work
}

STDMETHODIMP CVBPropPkg::popUpError(LONG, BSTR) {
  return E_NOTIMPL;  // built with the error reporting work
}

STDMETHODIMP CVBPropPkg::complainError(BSTR, LONG, IDispatch*, VARIANT_BOOL, BSTR) {
  return E_NOTIMPL;  // built with the error reporting work
}

// IPrivPropPkg

STDMETHODIMP CVBPropPkg::getThis(hyper*) {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::selectPropPack(IDispatch**) {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::createPropPackage(IDispatch**, IDispatch**) {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::createMatObject(IDispatch**) {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::calcProp(IDispatch*, IDispatch*, VARIANT, VARIANT, BSTR) {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::getCompConstantDbl(BSTR, LONG, double*) {
  return E_NOTIMPL;  // built with the component import work
}

STDMETHODIMP CVBPropPkg::get_OvVarValue(BSTR, VARIANT*) {
  return E_NOTIMPL;  // built with the configuration persistence work
}

STDMETHODIMP CVBPropPkg::put_OvVarValue(BSTR, VARIANT) {
  return E_NOTIMPL;  // built with the configuration persistence work
}

STDMETHODIMP CVBPropPkg::PkgSave(BSTR*) {
  return E_NOTIMPL;  // built with the configuration persistence work
}

STDMETHODIMP CVBPropPkg::PkgRecall(BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;  // built with the configuration persistence work
}

STDMETHODIMP CVBPropPkg::setup(LONG) {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::get_recalling(LONG*) {
  return E_NOTIMPL;  // built with the configuration persistence work
}

STDMETHODIMP CVBPropPkg::put_recalling(LONG) {
  return E_NOTIMPL;  // built with the configuration persistence work
}

STDMETHODIMP CVBPropPkg::setComps(VARIANT) {
  return E_NOTIMPL;  // built with the component import work
}

STDMETHODIMP CVBPropPkg::PrivTerminate() {
  return E_NOTIMPL;  // built with the package selection work
}

STDMETHODIMP CVBPropPkg::get_moduleName(BSTR*) {
  return E_NOTIMPL;  // built with the module information work
}

STDMETHODIMP CVBPropPkg::put_moduleName(BSTR) {
  return E_NOTIMPL;  // built with the module information work
}
