// Construction, the host interfaces' fixed answers, Initialize and Terminate, the diagnostics
// forwarding, persistence and the small members of the private interface.
#include "adapter/CVBPropPkg.h"

#include <comdef.h>

#include <string>

#include "bridge/GlobalTable.h"
#include "support/ModuleInfo.h"
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

// Inside a catch block: complains of the exception being handled with the activity text (and
// the detail after it, when given) and returns its code: E_FAIL, or the code a COM error carries.
HRESULT complainCaught(CCOError& errors, const char* activity, const char* detail = nullptr) noexcept {
  try {
    const std::string text = std::string(activity) + (detail ? detail : "");
    try {
      throw;
    } catch (const _com_error& error) {
      return errors.complainComError(error, text.c_str(), CkINTERNAL, false);
    } catch (...) {
      return errors.complainKind(text.c_str(), CkINTERNAL, false);
    }
  } catch (...) {
    return E_FAIL;
  }
}

// Runs body; an exception is complained of with the activity text.
template <class Body>
HRESULT guarded(CCOError& errors, const char* activity, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return complainCaught(errors, activity);
  }
}

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

CVBPropPkg::CVBPropPkg() : m_errors(1e-30), m_bridge(*this) {}

// A host may let the adapter go without Terminate: the CAPE-OPEN thread is stopped here, before
// anything it uses goes, and releases the objects it made on its own thread.
CVBPropPkg::~CVBPropPkg() {
  try {
    m_bridge.stop();
  } catch (...) {
  }
  releaseRelay();
}

// ---- ExtensionObject ----

STDMETHODIMP CVBPropPkg::StatusQuery(IDispatch*) {
  refreshOwnerWindow();
  return E_NOTIMPL;
}

STDMETHODIMP CVBPropPkg::VariableChanging(ExtnVariableArgument* variable, VARIANT_BOOL* changing) {
  if (!changing) return E_POINTER;
  *changing = VARIANT_TRUE;
  return guarded(m_errors, kModifying, [&] {
    const support::Bstr name = variableName(variable);
    support::Variant newValue;
    if (variable && FAILED(variable->get_NewValue(newValue.out()))) newValue.reset();
    return guardVariableChange(std::wstring(name.c_str(), name.length()), newValue.get(), changing);
  });
}

STDMETHODIMP CVBPropPkg::VariableChanged(ExtnVariableArgument* variable) {
  support::Bstr name;
  try {
    name = variableName(variable);
    if (support::sameText(name.get(), L"RefreshHypos")) return refreshHypotheticals();
    if (support::sameText(name.get(), L"CustomView")) return m_bridge.handOver(bridge::CALL_EDIT);
    if (support::sameText(name.get(), L"CloseDefaultView")) return importSelection();
    return S_OK;
  } catch (...) {
    std::string detail;
    try {
      detail = " (" + support::narrow(name.c_str()) + ")";
    } catch (...) {
    }
    return complainCaught(m_errors, kModifying, detail.c_str());
  }
}

STDMETHODIMP CVBPropPkg::OnView(BSTR, ExtnView*, VARIANT_BOOL* openView) { return setTrue(openView); }

STDMETHODIMP CVBPropPkg::OnHelp(BSTR, VARIANT_BOOL* processed) { return setTrue(processed); }

STDMETHODIMP CVBPropPkg::Save() {
  return guarded(m_errors, "saving", [&] { return m_bridge.handOver(bridge::CALL_SAVE); });
}

STDMETHODIMP CVBPropPkg::Terminate() {
  guarded(m_errors, kTerminating, [&] {
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
  return guarded(m_errors, kInitializing, [&]() -> HRESULT {
    // Steps 1-3: owner window, recalling, record, host thread, the container in its places.
    refreshOwnerWindow();
    m_recalling = isRecalling == VARIANT_TRUE;
    m_initRecord = record;
    m_hostThreadId = GetCurrentThreadId();
    if (!container) return bridge::reportUnexpected(E_POINTER);
    HRESULT hr = m_errors.setContainer(container);
    if (FAILED(hr)) return bridge::reportUnexpected(hr);
    hr = m_container.unglobalize();
    if (SUCCEEDED(hr)) hr = m_container.globalize(support::ComPtr<ExtnContainer>(container));
    if (FAILED(hr)) return hr;
    // Step 4: the host's component count.
    LONG count = 0;
    hr = container->get_ComponentCount(&count);
    if (FAILED(hr)) return bridge::reportUnexpected(hr);
    m_componentCount = count;
    // Step 5: the persisted configuration, then the selection.
    hr = m_config.bindAll(container, m_recalling, m_errors);
    if (SUCCEEDED(hr) && m_recalling) hr = m_config.loadSelection();
    if (SUCCEEDED(hr)) hr = selectPackage();
    if (FAILED(hr)) return hr;
    // Step 6: nothing selected, no thread.
    if (!m_chosenPackage.get() || SysStringLen(m_chosenPackage.get()) == 0) return E_FAIL;
    // Steps 7-9: the CAPE-OPEN thread creates the objects.
    const HRESULT started = m_bridge.start();
    if (FAILED(started)) return started;
    // Step 10; a failure there leaves no thread behind.
    hr = finishInitialize();
    if (FAILED(hr)) {
      m_bridge.stop();
      return hr;
    }
    // Step 11 (recalling is cleared by the scope).
    return started;
  });
}

STDMETHODIMP CVBPropPkg::StartBasisChange() { return E_FAIL; }

STDMETHODIMP CVBPropPkg::IsComponentAllowed(int, VARIANT_BOOL* isAllowed) { return setTrue(isAllowed); }

STDMETHODIMP CVBPropPkg::AddComponent(int, HostComponent*) { return S_OK; }

STDMETHODIMP CVBPropPkg::ComponentChanged(int componentPosition, HostComponent* NewComponent) {
  return guarded(m_errors, "changing a component", [&] {
    refreshOwnerWindow();
    if (m_recalling) return S_OK;
    const HRESULT hr = AddComponent(componentPosition, NewComponent);
    return FAILED(hr) ? bridge::reportUnexpected(hr) : hr;
  });
}

STDMETHODIMP CVBPropPkg::RemoveComponent(int) { return S_OK; }

STDMETHODIMP CVBPropPkg::ExchangeComponents(int, int) { return S_OK; }

STDMETHODIMP CVBPropPkg::CopyPropertyPackage(ExtnPropertyPackage*) { return S_OK; }

STDMETHODIMP CVBPropPkg::QueryEndBasisChange(VARIANT_BOOL* okayToLeave) { return setTrue(okayToLeave); }

// ---- ICapeDiagnostics ----

STDMETHODIMP CVBPropPkg::logError(LONG errNumber, BSTR txt) {
  return guarded(m_errors, "logging an error", [&] { return m_errors.reportWide(errNumber, txt, 1); });
}

STDMETHODIMP CVBPropPkg::popUpError(LONG errNumber, BSTR txt) {
  return guarded(m_errors, "showing an error",
                 [&] { return m_errors.show(errNumber, support::narrow(txt).c_str(), nullptr, 1); });
}

STDMETHODIMP CVBPropPkg::complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj, VARIANT_BOOL calculating,
                                       BSTR additionalInfo) {
  return guarded(m_errors, "reporting an error", [&] {
    return m_errors.complainError(doingAction, hrFromCOobj, COobj, calculating != VARIANT_FALSE, additionalInfo);
  });
}

// ---- IPrivPropPkg ----

STDMETHODIMP CVBPropPkg::getThis(hyper*) { return E_NOTIMPL; }

STDMETHODIMP CVBPropPkg::calcProp(IDispatch*, IDispatch*, VARIANT, VARIANT, BSTR) {
  return guarded(m_errors, "calcProp", [&] {
    const support::Bstr text = support::Bstr(support::widen(kCalcPropObsolete).c_str());
    return popUpError(E_FAIL, text.get());
  });
}

STDMETHODIMP CVBPropPkg::get_OvVarValue(BSTR varName, VARIANT* value) {
  return guarded(m_errors, "reading a variable", [&] { return m_config.getValue(varName, value, &m_hostIds.get()); });
}

STDMETHODIMP CVBPropPkg::put_OvVarValue(BSTR varName, VARIANT value) {
  return guarded(m_errors, "writing a variable", [&] { return m_config.setValue(varName, value); });
}

STDMETHODIMP CVBPropPkg::PkgSave(BSTR* saveInfo) {
  if (!saveInfo) return E_POINTER;
  return guarded(m_errors, "saving the configuration", [&] { return m_config.saveInto(saveInfo); });
}

STDMETHODIMP CVBPropPkg::PkgRecall(BSTR saveInfo, VARIANT_BOOL*) {
  return guarded(m_errors, "recalling the configuration", [&] {
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
  return guarded(m_errors, "reading the module name", [&] {
    const std::wstring text = support::widen(support::moduleName());
    return copyText(text.data(), text.size(), name);
  });
}

STDMETHODIMP CVBPropPkg::put_moduleName(BSTR name) {
  return guarded(m_errors, "setting the module name", [&] {
    std::wstring text(name ? name : L"", name ? SysStringLen(name) : 0);
    if (text.size() > kModuleNameMax) text.resize(kModuleNameMax);
    support::setModuleName(support::narrow(text).c_str());
    support::forgetDllDirectory();
    return S_OK;
  });
}

// ---- Work of the CAPE-OPEN thread ----

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
  if (!(m_recalling && !m_componentsChanged)) {
    const HRESULT hr = openComponentPage();
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
  if (SUCCEEDED(m_browser.get(browser)) && browser) {
    const HRESULT shown = browser->AddReportLine(piece.get(), lineComplete ? VARIANT_TRUE : VARIANT_FALSE);
    if (SUCCEEDED(hr)) hr = shown;
  }
  return hr;
}
