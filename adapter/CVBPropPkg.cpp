// Construction, the host interfaces' fixed answers, Initialize and Terminate, the diagnostics
// forwarding, persistence, and the shells of the component and private-interface members.
#include "adapter/CVBPropPkg.h"

#include <comdef.h>

#include <string>
#include <vector>

#include "adapter/ComponentValues.h"
#include "support/Guards.h"
#include "support/ModuleInfo.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Trace.h"
#include "support/Utils.h"

namespace {

constexpr char kInitializing[] = "initializing CAPE-OPEN interface";
constexpr char kTerminating[] = "terminating the Thermo interface object";
constexpr char kModifying[] = "while modifying a variable";
constexpr char kCalcPropObsolete[] =
    "calcProp(ICapeThermoPropertyPackage* pp, ICapeThermoMaterialObject *mo) not supported any more";
constexpr size_t kModuleNameMax = 259;

// The values the adapter writes into the host's initialisation record.
constexpr long kRecordVersion = 3797;
constexpr long kRecordSecond = 0;
constexpr long kRecordThird = 2;

// The name of the variable an event is about ("" when it cannot be read).
support::Bstr variableName(ExtnVariableArgument* variable) {
  support::Bstr name;
  if (variable && FAILED(variable->get_Name(name.out()))) name.reset();
  return name;
}

HRESULT setTrue(VARIANT_BOOL* out) {
  if (!out) return E_POINTER;
  *out = VARIANT_TRUE;
  return S_OK;
}

HRESULT copyText(const wchar_t* text, size_t length, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text, static_cast<UINT>(length));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// Clears the adapter's recalling flag when Initialize returns, whichever way it does.
class RecallingScope {
 public:
  explicit RecallingScope(bool& flag) : m_flag(flag) {}
  ~RecallingScope() { m_flag = false; }
  RecallingScope(const RecallingScope&) = delete;
  RecallingScope& operator=(const RecallingScope&) = delete;

 private:
  bool& m_flag;
};

}  // namespace

CVBPropPkg::CVBPropPkg()
    : m_errors(1e-30),
      m_abilities(m_errors),
      m_catalogue(*this, m_errors, m_config, m_objects, m_basis, m_import),
      m_basis(*this, m_errors, m_config, m_bridge, m_objects, m_catalogue, m_work),
      m_import(*this, m_errors, m_config, m_catalogue, m_basis, *this),
      m_page(*this, m_errors, m_config, m_catalogue),
      m_selection(*this, m_errors, m_config, m_bridge, m_objects, m_abilities, m_catalogue, m_basis, m_work, *this),
      m_requests(*this, m_errors, m_bridge, m_objects, m_abilities, m_work),
      m_callerCalcs(*this, m_errors, m_objects, m_basis, *this),
      m_bridge(*this) {}

// A host may let the adapter go without Terminate: the CAPE-OPEN thread is stopped here, before
// anything it uses goes, and releases the objects it made on its own thread.
CVBPropPkg::~CVBPropPkg() {
  try {
    m_bridge.stop();
  } catch (...) {
  }
  m_selection.releaseRelay();
}

// ---- ExtensionObject ----

STDMETHODIMP CVBPropPkg::StatusQuery(IDispatch*) {
  refreshOwnerWindow();
  return E_NOTIMPL;
}

STDMETHODIMP CVBPropPkg::VariableChanging(ExtnVariableArgument* variable, VARIANT_BOOL* changing) {
  if (!changing) return E_POINTER;
  *changing = VARIANT_TRUE;
  return support::complainingOfFailure(m_errors, {kModifying, CkINTERNAL, Calculating::no}, [&] {
    const support::Bstr name = variableName(variable);
    support::Variant newValue;
    if (variable && FAILED(variable->get_NewValue(newValue.out()))) newValue.reset();
    return m_page.guardVariableChange(std::wstring(name.c_str(), name.length()), newValue.get(), changing);
  });
}

STDMETHODIMP CVBPropPkg::VariableChanged(ExtnVariableArgument* variable) {
  support::Bstr name;
  try {
    name = variableName(variable);
    if (support::sameText(name.get(), L"RefreshHypos"))
      return m_bridge.runExclusive([this] { return m_import.refreshHypotheticals(); });
    if (support::sameText(name.get(), L"CustomView")) return m_bridge.handOver(bridge::CALL_EDIT);
    if (support::sameText(name.get(), L"CloseDefaultView"))
      return m_bridge.runExclusive([this] { return m_import.importSelection(); });
    return S_OK;
  } catch (...) {
    std::string detail;
    try {
      detail = " (" + support::narrow(name.c_str()) + ")";
    } catch (...) {
    }
    detail.insert(0, kModifying);
    return m_errors.complainCaught({detail.c_str(), CkINTERNAL, Calculating::no});
  }
}

STDMETHODIMP CVBPropPkg::OnView(BSTR, ExtnView*, VARIANT_BOOL* openView) { return setTrue(openView); }

STDMETHODIMP CVBPropPkg::OnHelp(BSTR, VARIANT_BOOL* processed) { return setTrue(processed); }

STDMETHODIMP CVBPropPkg::Save() {
  return support::complainingOfFailure(m_errors, {"saving", CkINTERNAL, Calculating::no}, [&] {
    return m_bridge.handOver(bridge::CALL_SAVE);
  });
}

STDMETHODIMP CVBPropPkg::Terminate() {
  support::complainingOfFailure(m_errors, {kTerminating, CkINTERNAL, Calculating::no}, [&] {
    support::saveTimings();
    m_bridge.stop();
    return S_OK;
  });
  return S_OK;
}

STDMETHODIMP CVBPropPkg::VariableQuery(ExtnVariableArgument*) { return S_OK; }

// ---- ExtnPropertyPackage ----

STDMETHODIMP CVBPropPkg::Initialize(ExtnContainer* container, ExtnPackageInitRecord* record, VARIANT_BOOL isRecalling) {
  RecallingScope recallingScope(m_recalling);
  return support::complainingOfFailure(m_errors, {kInitializing, CkINTERNAL, Calculating::no}, [&]() -> HRESULT {
    // The owner window, the recalling flag, the record, the host thread; the container given to
    // the error object and globalized.
    refreshOwnerWindow();
    m_recalling = isRecalling == VARIANT_TRUE;
    m_initRecord = record;
    m_hostThreadId = GetCurrentThreadId();
    if (!container) return support::reportUnexpected(E_POINTER);
    HRESULT hr = m_errors.setContainer(container);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    hr = m_container.unglobalize();
    if (SUCCEEDED(hr)) hr = m_container.globalize(support::ComPtr<ExtnContainer>(container));
    if (FAILED(hr)) return hr;
    // The host's component count.
    LONG count = 0;
    hr = container->get_ComponentCount(&count);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    m_componentCount = count;
    // The persisted configuration bound (and loaded when recalling), then the package selected.
    hr = m_config.bindAll(container, m_recalling, m_errors);
    if (SUCCEEDED(hr) && m_recalling) hr = m_config.loadSelection();
    if (SUCCEEDED(hr)) hr = m_selection.selectPackage();
    if (FAILED(hr)) return hr;
    // Nothing selected: no thread.
    if (!m_selection.packageChosen()) return E_FAIL;
    // The CAPE-OPEN thread starts and creates the package, the thermo system and the material
    // object.
    const HRESULT started = m_bridge.start();
    if (FAILED(started)) return started;
    // The component page and the initialisation record; a failure there leaves no thread behind.
    hr = finishInitialize();
    if (FAILED(hr)) {
      m_bridge.stop();
      return hr;
    }
    // The thread's start result (recalling is cleared by the scope).
    return started;
  });
}

STDMETHODIMP CVBPropPkg::StartBasisChange() { return E_FAIL; }

STDMETHODIMP CVBPropPkg::IsComponentAllowed(int, VARIANT_BOOL* isAllowed) { return setTrue(isAllowed); }

STDMETHODIMP CVBPropPkg::AddComponent(int, HostComponent*) { return S_OK; }

STDMETHODIMP CVBPropPkg::ComponentChanged(int componentPosition, HostComponent* NewComponent) {
  return support::complainingOfFailure(m_errors, {"changing a component", CkINTERNAL, Calculating::no}, [&] {
    refreshOwnerWindow();
    if (m_recalling) return S_OK;
    const HRESULT hr = AddComponent(componentPosition, NewComponent);
    return FAILED(hr) ? support::reportUnexpected(hr) : hr;
  });
}

STDMETHODIMP CVBPropPkg::RemoveComponent(int) { return S_OK; }

STDMETHODIMP CVBPropPkg::ExchangeComponents(int, int) { return S_OK; }

STDMETHODIMP CVBPropPkg::CopyPropertyPackage(ExtnPropertyPackage*) { return S_OK; }

STDMETHODIMP CVBPropPkg::QueryEndBasisChange(VARIANT_BOOL* okayToLeave) { return setTrue(okayToLeave); }

// ---- ICapeDiagnostics ----

STDMETHODIMP CVBPropPkg::logError(LONG errNumber, BSTR txt) {
  return support::complainingOfFailure(m_errors, {"logging an error", CkINTERNAL, Calculating::no}, [&] {
    return m_errors.reportWide(errNumber, txt, 1);
  });
}

STDMETHODIMP CVBPropPkg::popUpError(LONG errNumber, BSTR txt) {
  return support::complainingOfFailure(m_errors, {"showing an error", CkINTERNAL, Calculating::no}, [&] {
    return m_errors.show(errNumber, support::narrow(txt).c_str(), nullptr, 1);
  });
}

STDMETHODIMP CVBPropPkg::complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj, VARIANT_BOOL calculating,
                                       BSTR additionalInfo) {
  return support::complainingOfFailure(m_errors, {"reporting an error", CkINTERNAL, Calculating::no}, [&] {
    return m_errors.complainError(doingAction, hrFromCOobj, COobj, calculatingIf(calculating != VARIANT_FALSE),
                                  additionalInfo);
  });
}

// ---- IPrivPropPkg ----

STDMETHODIMP CVBPropPkg::getThis(hyper*) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::calcProp(IDispatch*, IDispatch*, VARIANT, VARIANT, BSTR) {
  return support::complainingOfFailure(m_errors, {"calcProp", CkINTERNAL, Calculating::no}, [&] {
    const support::Bstr text = support::Bstr(support::widen(kCalcPropObsolete).c_str());
    return popUpError(E_FAIL, text.get());
  });
}

STDMETHODIMP CVBPropPkg::get_OvVarValue(BSTR varName, VARIANT* value) {
  return support::complainingOfFailure(m_errors, {"reading a variable", CkINTERNAL, Calculating::no}, [&] { return m_config.getValue(varName, value, &m_basis.hostIds()); });
}

STDMETHODIMP CVBPropPkg::put_OvVarValue(BSTR varName, VARIANT value) {
  return support::complainingOfFailure(m_errors, {"writing a variable", CkINTERNAL, Calculating::no}, [&] { return m_config.setValue(varName, value); });
}

STDMETHODIMP CVBPropPkg::PkgSave(BSTR* saveInfo) {
  if (!saveInfo) return E_POINTER;
  return support::complainingOfFailure(m_errors, {"saving the configuration", CkINTERNAL, Calculating::no}, [&] {
    return m_bridge.runExclusive([&] { return m_config.saveInto(saveInfo); });
  });
}

STDMETHODIMP CVBPropPkg::PkgRecall(BSTR saveInfo, VARIANT_BOOL*) {
  return support::complainingOfFailure(m_errors, {"recalling the configuration", CkINTERNAL, Calculating::no}, [&] {
    put_recalling(1);
    return m_config.recall(container().Get(), saveInfo, m_errors);
  });
}

STDMETHODIMP CVBPropPkg::setup(LONG ownerWindow) {
  m_ownerWindow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(ownerWindow));
  m_errors.setOwnerWindow(m_ownerWindow);
  return S_OK;
}

STDMETHODIMP CVBPropPkg::get_recalling(LONG* value) {
  if (!value) return E_POINTER;
  *value = m_recalling ? 1 : 0;
  return S_OK;
}

STDMETHODIMP CVBPropPkg::put_recalling(LONG value) {
  m_recalling = value != 0;
  return S_OK;
}

STDMETHODIMP CVBPropPkg::get_moduleName(BSTR* name) {
  return support::complainingOfFailure(m_errors, {"reading the module name", CkINTERNAL, Calculating::no}, [&] {
    const std::wstring text = support::widen(support::moduleName());
    return copyText(text.data(), text.size(), name);
  });
}

STDMETHODIMP CVBPropPkg::put_moduleName(BSTR name) {
  return support::complainingOfFailure(m_errors, {"setting the module name", CkINTERNAL, Calculating::no}, [&] {
    std::wstring text(name ? name : L"", name ? SysStringLen(name) : 0);
    if (text.size() > kModuleNameMax) text.resize(kModuleNameMax);
    support::setModuleName(support::narrow(text).c_str());
    support::forgetDllDirectory();
    return S_OK;
  });
}

STDMETHODIMP CVBPropPkg::selectPropPack(IDispatch** capegui) { return m_selection.selectPropPack(capegui); }

STDMETHODIMP CVBPropPkg::createPropPackage(IDispatch** pp, IDispatch** capegui) {
  return m_selection.createPropPackage(pp, capegui);
}

STDMETHODIMP CVBPropPkg::createMatObject(IDispatch** matObj) { return m_selection.createMatObject(matObj); }

STDMETHODIMP CVBPropPkg::PrivTerminate() { return m_selection.privTerminate(); }

// ---- The components ----

STDMETHODIMP CVBPropPkg::PreSelectedComponents(int* IDNumbers) {
  return support::complainingOfFailure(
      m_errors, {"answering the preselected components", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    return m_bridge.runExclusive([&] { return m_import.answerPreselected(IDNumbers); });
  });
}

STDMETHODIMP CVBPropPkg::EndBasisChange(VARIANT_BOOL* changed) {
  return support::complainingOfFailure(m_errors, {"reading the host's components", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    const HRESULT hr = m_bridge.runExclusive([this] { return m_import.readHostBasis(); });
    if (FAILED(hr)) return hr;
    if (changed) *changed = VARIANT_TRUE;
    return S_OK;
  });
}

STDMETHODIMP CVBPropPkg::getCompConstantDbl(BSTR prop, LONG compPos, double* value) {
  if (!value) return E_POINTER;
  return support::complainingOfFailure(m_errors, {"getCompConstantDbl", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    *value = m_basis.componentConstant(component_values::textOf(prop).c_str(), compPos);
    return component_values::isValidValue(*value) ? S_OK : E_FAIL;
  });
}

STDMETHODIMP CVBPropPkg::setComps(VARIANT selectedOvNames) {
  return support::complainingOfFailure(m_errors, {component_values::kSetCompsFailed, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    const VARIANT& given =
        selectedOvNames.vt == (VT_BYREF | VT_VARIANT) && selectedOvNames.pvarVal ? *selectedOvNames.pvarVal
                                                                                : selectedOvNames;
    if (support::SetGet::dimCount(given) != 1) return E_INVALIDARG;
    const std::vector<std::wstring> names = component_values::textsOf(given);
    if (names.size() != static_cast<size_t>(support::SetGet::elementCount(given))) return E_INVALIDARG;
    const bool hostPresent = static_cast<bool>(container());
    // The material object asks the package for the constants of new compounds: on its thread,
    // never while a request is running.
    return m_bridge.runOnThread([&] { return m_basis.applyComponentNames(names, hostPresent); });
  });
}

// ---- Work of the CAPE-OPEN thread ----

bool CVBPropPkg::recallBasisNeeded() {
  return m_recalling && m_objects.package.registered() && !m_catalogue.componentsChanged();
}

// The host's answer is the answer; nothing is shown here, on the CAPE-OPEN thread.
HRESULT CVBPropPkg::saveToHost() {
  const support::ComPtr<ExtnContainer> host = container();
  return host ? host->Save() : E_POINTER;
}

// ---- Helpers ----

void CVBPropPkg::refreshOwnerWindow() {
  if (HWND active = GetActiveWindow()) {
    m_ownerWindow = active;
    m_errors.setOwnerWindow(active);
  }
}

HRESULT CVBPropPkg::finishInitialize() {
  if (!(m_recalling && !m_catalogue.componentsChanged())) {
    const HRESULT hr = m_selection.openComponentPage();
    if (FAILED(hr)) return hr;
  }
  fillInitRecord(m_initRecord);
  return S_OK;
}

void CVBPropPkg::fillInitRecord(ExtnPackageInitRecord* record) {
  if (!record) return;
  record->version = kRecordVersion;
  record->secondParameter = kRecordSecond;
  record->thirdParameter = kRecordThird;
  record->IsActivityModelType = VARIANT_FALSE;
  record->CanExchangeComponents = VARIANT_TRUE;
  record->CanCalculateFugacity = VARIANT_TRUE;
  record->CanCalculateLLE = VARIANT_TRUE;
  record->CanHandleOilHypos = VARIANT_TRUE;
  record->UseGFlashInDynamics = VARIANT_FALSE;
  record->CanHandleInsideOutPHFlash = VARIANT_FALSE;
}

support::ComPtr<ExtnContainer> CVBPropPkg::container() {
  support::ComPtr<ExtnContainer> host;
  if (FAILED(m_container.get(host))) host.Reset();
  return host;
}

HRESULT CVBPropPkg::addReportText(const wchar_t* text, bool lineComplete) {
  const support::Bstr piece(text ? text : L"");
  HRESULT hr = m_config.m_ImportReport.append(piece.c_str(), lineComplete);
  support::ComPtr<IShowCOCATIDs> browser;
  if (SUCCEEDED(m_selection.browser(browser)) && browser) {
    const HRESULT shown = browser->AddReportLine(piece.get(), lineComplete ? VARIANT_TRUE : VARIANT_FALSE);
    if (SUCCEEDED(hr)) hr = shown;
  }
  return hr;
}
