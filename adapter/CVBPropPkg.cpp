#include "CVBPropPkg.h"

CVBPropPkg::CVBPropPkg() : m_errors(1e-30), m_bridge(*this) {}

CVBPropPkg::~CVBPropPkg() = default;

STDMETHODIMP CVBPropPkg::StatusQuery(IDispatch*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::VariableChanging(ExtnVariableArgument*, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::VariableChanged(ExtnVariableArgument*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::OnView(BSTR, ExtnView*, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::OnHelp(BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::Save() {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::Terminate() {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::VariableQuery(ExtnVariableArgument*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::Initialize(ExtnContainer*, ExtnPackageInitRecord*, VARIANT_BOOL) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::StartBasisChange() {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::IsComponentAllowed(int, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::AddComponent(int, HostComponent*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ComponentChanged(int, HostComponent*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::RemoveComponent(int) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::ExchangeComponents(int, int) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::CopyPropertyPackage(ExtnPropertyPackage*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::QueryEndBasisChange(VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::logError(LONG, BSTR) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::popUpError(LONG, BSTR) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::complainError(BSTR, LONG, IDispatch*, VARIANT_BOOL, BSTR) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::getThis(hyper*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::calcProp(IDispatch*, IDispatch*, VARIANT, VARIANT, BSTR) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::get_OvVarValue(BSTR, VARIANT*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::put_OvVarValue(BSTR, VARIANT) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::PkgSave(BSTR*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::PkgRecall(BSTR, VARIANT_BOOL*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::setup(LONG) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::get_recalling(LONG*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::put_recalling(LONG) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::PrivTerminate() {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::get_moduleName(BSTR*) {
  return E_NOTIMPL;  // placeholder
}

STDMETHODIMP CVBPropPkg::put_moduleName(BSTR) {
  return E_NOTIMPL;  // placeholder
}

HRESULT CVBPropPkg::saveToHost() {
  return E_NOTIMPL;  // placeholder
}

void CVBPropPkg::refreshOwnerWindow() {
  // placeholder
}

HRESULT CVBPropPkg::finishInitialize() {
  return E_NOTIMPL;  // placeholder
}

void CVBPropPkg::fillInitRecord(ExtnPackageInitRecord*) {
  // placeholder
}

support::ComPtr<ExtnContainer> CVBPropPkg::container() {
  return {};  // placeholder
}

HRESULT CVBPropPkg::addReportText(const wchar_t*, bool) {
  return E_NOTIMPL;  // placeholder
}

