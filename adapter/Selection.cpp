// The category browser, the choice of the package, the creation of the package and of the
// material object, the component page, the package's own view, and the teardown.
#include <cstdint>
#include <string>

#include "matobj/CMatObj.h"
#include "adapter/CVBPropPkg.h"
#include "bridge/GlobalTable.h"
#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::Bstr;
using support::ComPtr;

namespace {

// The browser and the material object are created in-process, local or remote.
constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr long kBrowserOptions = 12;
constexpr char kModuleName[] = "Quellmar";
constexpr char kKitVersionName[] = "KitVersion";

constexpr char kReadingVersion[] = "reading DLL version.";
constexpr char kShowingBrowser[] = "ERROR_SHOWING_SHOWCOCATID";
constexpr char kSelectionFailed[] =
    "ERROR creating the selected CAPE-OPEN component. Please check that it had been correctly installed. ";
constexpr char kCancelled[] =
    "You have just cancelled the creation of a CAPE-OPEN Property Package (PP).\n"
    " If you want to create again a CAPE-OPEN PP, follow the next steps:\n"
    "     1.- Select any other non CAPE-OPEN PP (such as Peng Robinson)\n"
    "     2.- If a dialog box ask you confirmation about deleting the Property Package,\n"
    "         click on 'Yes'.\n"
    "     3.- Select again the Property Package called CAPE-OPEN\n"
    " Otherwise, select directly the non CAPE-OPEN PP that you want to create.";
constexpr char kNoActiveObject[] = "Didn't register Active Object";
constexpr wchar_t kPhaseListAction[] = L"requesting GetPhaseList method";
constexpr wchar_t kPropListAction[] = L"requesting GetPropList method";
constexpr wchar_t kKValuesOnly[] =
    L"Since the package does not support 'fugacityCoefficients', 'logfugacityCoefficients' and "
    L"'activityCoefficients', the flash will be performed using 'kValues'. Unfortunately, this property does "
    L"not allow Liquid-Liquid equilibriums. In consequence, the simulator will calculate itself this type of "
    L"equilibriums instead of requesting the package.";
constexpr wchar_t kMatObjFailure[] = L"CVBPropPkg::createMatObject()";
constexpr LONG kMatObjFailureCode = 100;
constexpr char kNoCustomView[] = "This CAPE-OPEN property package does not provide any custom view";
constexpr char kShowingView[] = "showing EDF view";
constexpr wchar_t kDefaultView[] = L"DefaultView";

HRESULT unexpected(HRESULT hr) { return bridge::reportUnexpected(hr); }

// Window handles travel as 32-bit values.
long handleValue(HWND window) { return static_cast<long>(reinterpret_cast<intptr_t>(window)); }

long positionIn(const VARIANT& list, const wchar_t* name) {
  return support::Utils::findPos(list, name);
}

// Replaces an in/out interface argument with the calling thread's pointer held by `from`.
template <class I>
HRESULT handOut(bridge::GlobalizedPointer<I>& from, IDispatch** out) {
  if (!out) return E_POINTER;
  if (*out) (*out)->Release();
  *out = nullptr;
  ComPtr<I> pointer;
  const HRESULT hr = from.get(pointer);
  if (FAILED(hr)) return unexpected(hr);
  *out = pointer.Detach();
  return S_OK;
}

// Lets go of a pointer registered by the calling thread: the table entry and the reference.
// A pointer of another thread is left to that thread.
template <class I>
void releaseOwn(bridge::GlobalizedPointer<I>& pointer) {
  if (pointer.owner() != GetCurrentThreadId()) return;
  const HRESULT hr = pointer.unglobalize();
  if (FAILED(hr)) unexpected(hr);
  pointer.globalize(nullptr);  // releases the raw reference
}

}  // namespace

// ---- The browser -----------------------------------------------------------------------------

HRESULT CVBPropPkg::createBrowser(ComPtr<IShowCOCATIDs>& browser) {
  browser.Reset();
  HRESULT hr = CoCreateInstance(CLSID_ShowCOCATIDs, nullptr, kAnyServer, IID_PPV_ARGS(browser.GetAddressOf()));
  if (SUCCEEDED(hr) && !browser) hr = E_NOINTERFACE;
  if (FAILED(hr)) return unexpected(hr);
  const ComPtr<ExtnContainer> host = container();
  hr = browser->InitBrowser(handleValue(m_ownerWindow), host.Get(), kBrowserOptions);
  if (FAILED(hr)) {
    browser.Reset();
    return unexpected(hr);
  }
  hr = publishKitVersion(browser.Get());
  if (FAILED(hr)) browser.Reset();
  return hr;
}

HRESULT CVBPropPkg::publishKitVersion(IShowCOCATIDs* browser) {
  try {
    m_kitVersion.bind(kKitVersionName, &m_config.vars());
    const Bstr version(support::widen(support::versionString(kModuleName)).c_str());
    HRESULT hr = m_kitVersion.setText(version.c_str());
    if (FAILED(hr)) return hr;  // reported by the variable
    hr = browser->SetKitVersion(version.get());
    return FAILED(hr) ? unexpected(hr) : S_OK;
  } catch (...) {
    return m_errors.complain(E_FAIL, kReadingVersion, CkINTERNAL, false);
  }
}

// ---- Selection (host thread) -----------------------------------------------------------------

HRESULT CVBPropPkg::selectPackage() {
  try {
    if (!m_recalling) return showSelection();
    const Bstr& name = m_config.selection().packageName;
    m_chosenPackage.set(name.c_str(), name.length());
    return S_OK;
  } catch (...) {
    return m_errors.complainKind(kSelectionFailed, CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::showSelection() {
  try {
    ComPtr<IShowCOCATIDs> browser;
    HRESULT hr = createBrowser(browser);
    if (FAILED(hr)) return hr;
    VARIANT_BOOL accepted = VARIANT_FALSE;
    long dialogResult = 0;
    hr = browser->ShowSelection(&accepted, &dialogResult);
    if (FAILED(hr)) return hr;
    hr = readChoice(browser.Get());
    browser.Reset();
    if (FAILED(hr)) return hr;
    const Bstr& name = m_config.selection().packageName;
    if (name.empty()) return m_errors.complainKind(kCancelled, CkPLAIN3, false);
    hr = storeSelection();
    if (FAILED(hr)) return hr;
    m_chosenPackage.set(name.c_str(), name.length());
    return S_OK;
  } catch (...) {
    return m_errors.complainKind(kShowingBrowser, CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::readChoice(IShowCOCATIDs* browser) {
  PkgConfig::Selection& chosen = m_config.selection();
  HRESULT hr = browser->GetState(m_browserState.out());
  if (SUCCEEDED(hr)) hr = browser->GetSystemName(chosen.systemName.out());
  if (SUCCEEDED(hr)) hr = browser->GetPackageName(chosen.packageName.out());
  if (SUCCEEDED(hr)) hr = browser->GetPackageAlias(chosen.packageAlias.out());
  if (SUCCEEDED(hr)) hr = browser->GetSystemAlias(chosen.systemAlias.out());
  return FAILED(hr) ? unexpected(hr) : S_OK;
}

HRESULT CVBPropPkg::storeSelection() {
  const PkgConfig::Selection& chosen = m_config.selection();
  const std::pair<OvTextVar*, const Bstr*> targets[] = {{&m_config.m_PropPackName, &chosen.packageName},
                                                        {&m_config.m_PropSysName, &chosen.systemName},
                                                        {&m_config.m_PropPackAlias, &chosen.packageAlias},
                                                        {&m_config.m_PropSysAlias, &chosen.systemAlias}};
  for (const auto& [variable, text] : targets) {
    const HRESULT hr = variable->setText(text->c_str(), text->length());
    if (FAILED(hr)) return hr;  // reported by the variable
  }
  return S_OK;
}

STDMETHODIMP CVBPropPkg::selectPropPack(IDispatch** capegui) {
  try {
    if (!m_recalling) {
      const HRESULT bound = m_config.bindAll(container().Get(), false, m_errors);
      if (FAILED(bound)) return bound;
    }
    const HRESULT hr = selectPackage();
    if (SUCCEEDED(hr) && capegui) {
      if (*capegui) (*capegui)->Release();
      *capegui = nullptr;
    }
    return hr;
  } catch (...) {
    return m_errors.complainKind(kSelectionFailed, CkINTERNAL, false);
  }
}

// ---- Package creation (CAPE-OPEN thread) -----------------------------------------------------

HRESULT CVBPropPkg::createObjects() {
  HRESULT hr = createPackage();
  if (SUCCEEDED(hr)) hr = createMaterialObject();
  publishCompounds();
  return hr;
}

HRESULT CVBPropPkg::createPackage() {
  ComPtr<IShowCOCATIDs> browser;
  HRESULT hr = createBrowser(browser);
  if (FAILED(hr)) return hr;
  hr = browser->SetState(m_browserState.get());
  if (FAILED(hr)) return unexpected(hr);
  hr = m_browser.globalize(browser);
  if (FAILED(hr)) return hr;
  hr = registerActiveBrowser(browser.Get());
  if (SUCCEEDED(hr)) hr = createPackageObjects(browser.Get());
  if (SUCCEEDED(hr)) hr = passAliasToHost();
  if (FAILED(hr)) return hr;
  hr = readComponentList();
  if (FAILED(hr)) return hr;
  sizeComponentState(m_packageComponents);
  hr = readPackageLists();
  if (FAILED(hr)) return hr;
  recordListPositions();
  hr = checkAbilities();
  if (SUCCEEDED(hr)) hr = storeListsInHost();
  return FAILED(hr) ? hr : setDefaultFlags();
}

HRESULT CVBPropPkg::registerActiveBrowser(IShowCOCATIDs* browser) {
  const HRESULT hr = RegisterActiveObject(browser, CLSID_ShowCOCATIDs, ACTIVEOBJECT_WEAK, &m_rotCookie);
  if (SUCCEEDED(hr)) return hr;
  m_rotCookie = 0;
  support::reportFailure(kNoActiveObject);
  return hr;
}

HRESULT CVBPropPkg::createPackageObjects(IShowCOCATIDs* browser) {
  const PkgConfig::Selection& chosen = m_config.selection();
  HRESULT hr = browser->SetNames(chosen.packageName.get(), chosen.systemName.get());
  if (SUCCEEDED(hr)) hr = browser->SetAliases(chosen.packageAlias.get(), chosen.systemAlias.get());
  if (FAILED(hr)) return unexpected(hr);
  ComPtr<IDispatch> packageObject, systemObject;
  hr = browser->CreatePackage(packageObject.GetAddressOf(), systemObject.GetAddressOf());
  if (SUCCEEDED(hr) && !packageObject) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = browser->SetRecalling(m_recalling ? VARIANT_TRUE : VARIANT_FALSE);
  if (FAILED(hr)) return unexpected(hr);
  ComPtr<ICapeThermoPropertyPackage> package;
  ComPtr<ICapeThermoSystem> system;
  hr = packageObject.As(&package);
  if (SUCCEEDED(hr) && systemObject) hr = systemObject.As(&system);
  if (FAILED(hr)) return unexpected(hr);
  m_errors.setPackage(package.Get());
  hr = m_package.globalize(package);
  return FAILED(hr) ? hr : m_system.globalize(system);
}

// What the host does with the alias is its own affair: its answer does not decide creation.
HRESULT CVBPropPkg::passAliasToHost() {
  const ComPtr<ExtnContainer> host = container();
  if (host) host->SetPackageAlias(m_config.selection().packageAlias.get());
  return S_OK;
}

HRESULT CVBPropPkg::readPackageLists() {
  ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = m_package.get(package);
  if (FAILED(hr) || !package) return unexpected(FAILED(hr) ? hr : E_POINTER);
  hr = package->GetPhaseList(m_phaseList.out());
  if (FAILED(hr)) hr = m_errors.complainError(kPhaseListAction, hr, package.Get(), false);
  if (FAILED(hr)) return hr;
  hr = package->GetPropList(m_propList.out());
  if (FAILED(hr)) hr = m_errors.complainError(kPropListAction, hr, package.Get(), false);
  return hr;
}

void CVBPropPkg::recordListPositions() {
  const VARIANT& properties = m_propList.get();
  m_positions.fugacityCoefficient = positionIn(properties, L"fugacityCoefficient");
  m_positions.kvalues = positionIn(properties, L"kvalues");
  m_positions.logFugacityCoefficient = positionIn(properties, L"logFugacityCoefficient");
  m_positions.logkvalues = positionIn(properties, L"logkvalues");
  m_positions.activityCoefficient = positionIn(properties, L"activityCoefficient");
  m_positions.vaporLiquid = positionIn(m_phaseList.get(), L"VaporLiquid");
  m_caps.kvalues = m_positions.kvalues >= 0;
  m_caps.fugacityCoefficient = m_positions.fugacityCoefficient >= 0;
  m_caps.activityCoefficient = m_positions.activityCoefficient >= 0;
  m_caps.vaporLiquid = m_positions.vaporLiquid >= 0;
  m_caps.logKValues = m_positions.logkvalues >= 0;
  m_caps.logFugacityCoefficient = m_positions.logFugacityCoefficient >= 0;
}

HRESULT CVBPropPkg::checkAbilities() {
  if (!m_caps.fugacityCoefficient && !m_caps.activityCoefficient && !m_caps.logFugacityCoefficient) {
    const HRESULT hr = addReportText(kKValuesOnly, true);
    if (FAILED(hr)) return hr;
  }
  return checkRepeatedIds();
}

HRESULT CVBPropPkg::storeListsInHost() {
  HRESULT hr = m_config.m_SelectedCompIds.setValue(m_lists.ids.get());
  if (SUCCEEDED(hr)) hr = m_config.m_SelectedProperties.setValue(m_propList.get());
  if (SUCCEEDED(hr)) hr = m_config.m_SelectedPhases.setValue(m_phaseList.get());
  return hr;
}

STDMETHODIMP CVBPropPkg::createPropPackage(IDispatch** pp, IDispatch** capegui) {
  try {
    if (!pp || !capegui) return E_POINTER;
    // Created once: a package that exists (made by the CAPE-OPEN thread) is handed out as it is.
    // Made here, it is made on that thread when there is one.
    if (!m_package.registered()) {
      const HRESULT hr = m_bridge.runOnThread([this] { return createPackage(); });
      if (FAILED(hr)) return hr;
    }
    const HRESULT hr = handOut(m_package, pp);
    return FAILED(hr) ? hr : handOut(m_browser, capegui);
  } catch (...) {
    return m_errors.complainKind(kSelectionFailed, CkINTERNAL, false);
  }
}

// ---- Material object -------------------------------------------------------------------------

HRESULT CVBPropPkg::createMaterialObject() {
  try {
    ComPtr<ICapeThermoMaterialObject> material;
    HRESULT hr = CoCreateInstance(CLSID_matObj, nullptr, kAnyServer, IID_PPV_ARGS(material.GetAddressOf()));
    if (SUCCEEDED(hr) && !material) hr = E_NOINTERFACE;
    ComPtr<IMatObj> matObj;
    if (SUCCEEDED(hr)) hr = material.As(&matObj);
    if (FAILED(hr)) return unexpected(hr);
    hr = m_materialObject.globalize(material);
    if (SUCCEEDED(hr)) hr = m_imatObj.globalize(matObj);
    return FAILED(hr) ? hr : connectMaterialObject(matObj.Get());
  } catch (...) {
    Bstr text(kMatObjFailure);
    return popUpError(kMatObjFailureCode, text.get());
  }
}

HRESULT CVBPropPkg::connectMaterialObject(IMatObj* matObj) {
  ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = m_package.get(package);
  if (SUCCEEDED(hr) && !m_relay) hr = DiagnosticsRelay::create(this, m_relay.GetAddressOf());
  if (SUCCEEDED(hr)) hr = matObj->put_proxyPtr(static_cast<ICapeDiagnostics*>(m_relay.Get()));
  if (SUCCEEDED(hr)) hr = matObj->put_PropertyPackage(package.Get());
  if (SUCCEEDED(hr)) hr = matObj->put_ownerHWnd(handleValue(m_ownerWindow));
  if (FAILED(hr)) return unexpected(hr);
  hyper raw = 0;
  matObj->getThis(&raw);  // not checked: on failure the raw pointer stays null
  m_matObj = reinterpret_cast<CMatObj*>(static_cast<intptr_t>(raw));
  hr = matObj->SetNumComps(m_componentCount);
  return FAILED(hr) ? unexpected(hr) : S_OK;
}

STDMETHODIMP CVBPropPkg::createMatObject(IDispatch** matObj) {
  try {
    if (!matObj) return E_POINTER;
    // Created once, like the package, and where the package is.
    if (!m_materialObject.registered()) {
      const HRESULT hr = m_bridge.runOnThread([this] {
        const HRESULT created = createMaterialObject();
        publishCompounds();
        return created;
      });
      if (FAILED(hr)) return hr;
    }
    return handOut(m_materialObject, matObj);
  } catch (...) {
    Bstr text(kMatObjFailure);
    return popUpError(kMatObjFailureCode, text.get());
  }
}

// ---- The component page (host thread) -------------------------------------------------------

HRESULT CVBPropPkg::openComponentPage() {
  try {
    if (m_recalling && !m_componentsChanged) return S_OK;
    const ComPtr<ExtnContainer> host = container();
    if (!host) return S_OK;
    ComPtr<ExtnViewHolder> views;
    ComPtr<ExtnView> view;
    HRESULT hr = host->get_Views(views.GetAddressOf());
    if (SUCCEEDED(hr) && !views) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = views->get_View(view.GetAddressOf());
    if (SUCCEEDED(hr) && !view) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = view->Prepare();
    if (FAILED(hr)) return unexpected(hr);
    m_viewRequested = true;
    const Bstr name(kDefaultView);
    hr = host->ShowView(name.get());
    if (SUCCEEDED(hr)) hr = host->RefreshView(name.get());
    return FAILED(hr) ? unexpected(hr) : hr;
  } catch (...) {
    return m_errors.complain(E_FAIL, kShowingView, CkINTERNAL, false);
  }
}

// ---- The package's own view (CAPE-OPEN thread, call type "Edit") -------------------------

HRESULT CVBPropPkg::showEditView() {
  ComPtr<ICapeThermoPropertyPackage> package;
  ComPtr<ICapeUtilities> utilities;
  if (SUCCEEDED(m_package.get(package)) && package) package.As(&utilities);
  if (!utilities) {
    m_errors.complainKind(kNoCustomView, CkPLAIN3, false);
    return S_OK;
  }
  try {
    utilities->Edit();
  } catch (...) {
    // Whatever the package's view throws ends the view, not the adapter.
  }
  // A failed reading has made its own report. A successful one is not complained of: the
  // view ended as it should, and a message after every successful edit would only mislead.
  const int before = m_packageComponents;
  const HRESULT hr = readComponentList();
  if (FAILED(hr)) return hr;
  // The view may have changed the package's components: the per-component state follows, but
  // the material object keeps the host's components, whose arrays every request until the
  // host's EndBasisChange is given.
  if (m_packageComponents != before) sizeComponentState(m_packageComponents, false);
  publishCompounds();
  return hr;
}

// ---- Teardown ----------------------------------------------------------------------------

void CVBPropPkg::releaseObjects() {
  m_lists.clear();
  m_hostIds.reset();
  m_propList.reset();
  m_phaseList.reset();
  // The material object lets go of the package and of the adapter's diagnostics: nothing it
  // holds keeps the adapter or the package alive.
  ComPtr<IMatObj> matObj;
  if (m_imatObj.owner() == GetCurrentThreadId() && SUCCEEDED(m_imatObj.get(matObj)) && matObj) {
    matObj->Terminate();
    matObj->put_proxyPtr(nullptr);
  }
  matObj.Reset();
  ComPtr<IShowCOCATIDs> browser;
  if (m_browser.owner() == GetCurrentThreadId() && SUCCEEDED(m_browser.get(browser)) && browser)
    browser->ReleaseObjects();
  browser.Reset();
  if (m_package.owner() == GetCurrentThreadId()) m_errors.setPackage(nullptr);
  m_matObj = nullptr;
  publishCompounds();
  releaseOwn(m_materialObject);
  releaseOwn(m_imatObj);
  releaseRelay();
  releaseOwn(m_package);
  releaseOwn(m_system);
  revokeActiveBrowser();
  if (m_rotCookie) return;  // the registration could not be revoked: the browser stays
  releaseOwn(m_browser);
  for (auto& phase : m_phaseWork)
    for (auto& work : phase) std::vector<double>().swap(work);
  for (auto& scratch : m_scratch) scratch.reset();
}

void CVBPropPkg::releaseRelay() {
  if (!m_relay) return;
  m_relay->detach();
  m_relay.Reset();
}

void CVBPropPkg::revokeActiveBrowser() {
  if (!m_rotCookie || m_browser.owner() != GetCurrentThreadId()) return;
  const HRESULT hr = RevokeActiveObject(m_rotCookie, nullptr);
  if (FAILED(hr)) {
    unexpected(hr);
    return;
  }
  m_rotCookie = 0;
}

// The teardown runs where the objects live: handed to the CAPE-OPEN thread from a host thread.
// The thread itself goes on (Terminate ends it); requests find no objects and are refused.
STDMETHODIMP CVBPropPkg::PrivTerminate() {
  try {
    m_bridge.runOnThread([this] {
      releaseObjects();
      return S_OK;
    });
  } catch (...) {
    unexpected(E_FAIL);
  }
  return S_OK;
}
