// The category browser, the choice of the package, the creation of the package and of the
// material object, the component page, the package's own view, and the teardown.
#include <cstdint>
#include <string>

#include "matobj/CMatObj.h"
#include "adapter/PackageSelection.h"
#include "adapter/CalcRequests.h"
#include "adapter/ComponentBasis.h"
#include "adapter/ComponentCatalogue.h"
#include "support/Guards.h"
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


// Window handles travel as 32-bit values.
long handleValue(HWND window) { return static_cast<long>(reinterpret_cast<intptr_t>(window)); }

// Replaces an in/out interface argument with the calling thread's pointer held by `from`.
template <class I>
HRESULT handOut(support::GlobalizedPointer<I>& from, IDispatch** out) {
  if (!out) return E_POINTER;
  if (*out) (*out)->Release();
  *out = nullptr;
  ComPtr<I> pointer;
  const HRESULT hr = from.get(pointer);
  if (FAILED(hr)) return support::reportUnexpected(hr);
  *out = pointer.Detach();
  return S_OK;
}

// Lets go of a pointer registered by the calling thread: the table entry and the reference.
// A pointer of another thread is left to that thread.
template <class I>
void releaseOwn(support::GlobalizedPointer<I>& pointer) {
  if (pointer.owner() != GetCurrentThreadId()) return;
  const HRESULT hr = pointer.unglobalize();
  if (FAILED(hr)) support::reportUnexpected(hr);
  pointer.globalize(nullptr);  // releases the raw reference
}

}  // namespace

PackageSelection::PackageSelection(AdapterSide& adapter, COVCOError& errors, PkgConfig& config,
                                   bridge::CallBridge& bridge, PackageObjects& objects, PackageAbilities& abilities,
                                   ComponentCatalogue& catalogue, ComponentBasis& basis, CalcWorkArrays& work,
                                   ICapeDiagnostics& diagnostics)
    : m_adapter(adapter),
      m_errors(errors),
      m_config(config),
      m_bridge(bridge),
      m_objects(objects),
      m_abilities(abilities),
      m_catalogue(catalogue),
      m_basis(basis),
      m_work(work),
      m_diagnostics(diagnostics) {}

bool PackageSelection::packageChosen() const {
  return m_chosenPackage.get() && SysStringLen(m_chosenPackage.get()) != 0;
}

// ---- The browser -----------------------------------------------------------------------------

HRESULT PackageSelection::createBrowser(ComPtr<IShowCOCATIDs>& browser) {
  browser.Reset();
  HRESULT hr = CoCreateInstance(CLSID_ShowCOCATIDs, nullptr, kAnyServer, IID_PPV_ARGS(browser.GetAddressOf()));
  if (SUCCEEDED(hr) && !browser) hr = E_NOINTERFACE;
  if (FAILED(hr)) return support::reportUnexpected(hr);
  const ComPtr<ExtnContainer> host = m_adapter.container();
  hr = browser->InitBrowser(handleValue(m_adapter.ownerWindow()), host.Get(), kBrowserOptions);
  if (FAILED(hr)) {
    browser.Reset();
    return support::reportUnexpected(hr);
  }
  hr = publishKitVersion(browser.Get());
  if (FAILED(hr)) browser.Reset();
  return hr;
}

HRESULT PackageSelection::publishKitVersion(IShowCOCATIDs* browser) {
  return support::complainingOfFailure(
      m_errors, {kReadingVersion, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    m_kitVersion.bind(kKitVersionName, &m_config.vars());
    const Bstr version(support::widen(support::versionString(kModuleName)).c_str());
    HRESULT hr = m_kitVersion.setText(version.c_str());
    if (FAILED(hr)) return hr;  // reported by the variable
    hr = browser->SetKitVersion(version.get());
    return FAILED(hr) ? support::reportUnexpected(hr) : S_OK;
  });
}

// ---- Selection (host thread) -----------------------------------------------------------------

HRESULT PackageSelection::selectPackage() {
  return support::complainingOfFailure(m_errors, {kSelectionFailed, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (!m_adapter.recalling()) return showSelection();
    const Bstr& name = m_config.selection().packageName;
    m_chosenPackage.set(name.c_str(), name.length());
    return S_OK;
  });
}

HRESULT PackageSelection::showSelection() {
  return support::complainingOfFailure(
      m_errors, {kShowingBrowser, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
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
    if (name.empty()) return m_errors.complainKind(kCancelled, CkPLAIN3, Calculating::no);
    hr = storeSelection();
    if (FAILED(hr)) return hr;
    m_chosenPackage.set(name.c_str(), name.length());
    return S_OK;
  });
}

HRESULT PackageSelection::readChoice(IShowCOCATIDs* browser) {
  PkgConfig::Selection& chosen = m_config.selection();
  HRESULT hr = browser->GetState(m_browserState.out());
  if (SUCCEEDED(hr)) hr = browser->GetSystemName(chosen.systemName.out());
  if (SUCCEEDED(hr)) hr = browser->GetPackageName(chosen.packageName.out());
  if (SUCCEEDED(hr)) hr = browser->GetPackageAlias(chosen.packageAlias.out());
  if (SUCCEEDED(hr)) hr = browser->GetSystemAlias(chosen.systemAlias.out());
  return FAILED(hr) ? support::reportUnexpected(hr) : S_OK;
}

HRESULT PackageSelection::storeSelection() {
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

HRESULT PackageSelection::selectPropPack(IDispatch** capegui) {
  return support::complainingOfFailure(
      m_errors, {kSelectionFailed, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (!m_adapter.recalling()) {
      const HRESULT bound = m_config.bindAll(m_adapter.container().Get(), false, m_errors);
      if (FAILED(bound)) return bound;
    }
    const HRESULT hr = selectPackage();
    if (SUCCEEDED(hr) && capegui) {
      if (*capegui) (*capegui)->Release();
      *capegui = nullptr;
    }
    return hr;
  });
}

// ---- Package creation (CAPE-OPEN thread) -----------------------------------------------------

HRESULT PackageSelection::createObjects() {
  HRESULT hr = createPackage();
  if (SUCCEEDED(hr)) hr = createMaterialObject();
  m_basis.publishCompounds();
  return hr;
}

HRESULT PackageSelection::createPackage() {
  ComPtr<IShowCOCATIDs> browser;
  HRESULT hr = createBrowser(browser);
  if (FAILED(hr)) return hr;
  hr = browser->SetState(m_browserState.get());
  if (FAILED(hr)) return support::reportUnexpected(hr);
  hr = m_browser.globalize(browser);
  if (FAILED(hr)) return hr;
  hr = registerActiveBrowser(browser.Get());
  if (SUCCEEDED(hr)) hr = createPackageObjects(browser.Get());
  if (SUCCEEDED(hr)) hr = passAliasToHost();
  if (FAILED(hr)) return hr;
  hr = m_catalogue.readComponentList();
  if (FAILED(hr)) return hr;
  m_basis.sizeComponentState(m_basis.stateSize());
  hr = readPackageLists();
  if (FAILED(hr)) return hr;
  m_abilities.recordListPositions();
  hr = checkAbilities();
  if (SUCCEEDED(hr)) hr = storeListsInHost();
  return FAILED(hr) ? hr : m_catalogue.setDefaultFlags();
}

HRESULT PackageSelection::registerActiveBrowser(IShowCOCATIDs* browser) {
  const HRESULT hr = RegisterActiveObject(browser, CLSID_ShowCOCATIDs, ACTIVEOBJECT_WEAK, &m_rotCookie);
  if (SUCCEEDED(hr)) return hr;
  m_rotCookie = 0;
  support::reportFailure(kNoActiveObject);
  return hr;
}

HRESULT PackageSelection::createPackageObjects(IShowCOCATIDs* browser) {
  const PkgConfig::Selection& chosen = m_config.selection();
  HRESULT hr = browser->SetNames(chosen.packageName.get(), chosen.systemName.get());
  if (SUCCEEDED(hr)) hr = browser->SetAliases(chosen.packageAlias.get(), chosen.systemAlias.get());
  if (FAILED(hr)) return support::reportUnexpected(hr);
  ComPtr<IDispatch> packageObject, systemObject;
  hr = browser->CreatePackage(packageObject.GetAddressOf(), systemObject.GetAddressOf());
  if (SUCCEEDED(hr) && !packageObject) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = browser->SetRecalling(m_adapter.recalling() ? VARIANT_TRUE : VARIANT_FALSE);
  if (FAILED(hr)) return support::reportUnexpected(hr);
  ComPtr<ICapeThermoPropertyPackage> package;
  ComPtr<ICapeThermoSystem> system;
  hr = packageObject.As(&package);
  if (SUCCEEDED(hr) && systemObject) hr = systemObject.As(&system);
  if (FAILED(hr)) return support::reportUnexpected(hr);
  m_errors.setPackage(package.Get());
  hr = m_objects.package.globalize(package);
  return FAILED(hr) ? hr : m_objects.system.globalize(system);
}

// What the host does with the alias is its own affair: its answer does not decide creation.
HRESULT PackageSelection::passAliasToHost() {
  const ComPtr<ExtnContainer> host = m_adapter.container();
  if (host) host->SetPackageAlias(m_config.selection().packageAlias.get());
  return S_OK;
}

HRESULT PackageSelection::readPackageLists() {
  ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = m_objects.package.get(package);
  if (FAILED(hr) || !package) return support::reportUnexpected(FAILED(hr) ? hr : E_POINTER);
  return m_abilities.readPackageLists(package.Get());
}

HRESULT PackageSelection::checkAbilities() {
  if (!m_abilities.caps().fugacityCoefficient && !m_abilities.caps().activityCoefficient && !m_abilities.caps().logFugacityCoefficient) {
    const HRESULT hr = m_adapter.addReportText(kKValuesOnly, true);
    if (FAILED(hr)) return hr;
  }
  return m_catalogue.checkRepeatedIds();
}

HRESULT PackageSelection::storeListsInHost() {
  HRESULT hr = m_config.m_SelectedCompIds.setValue(m_catalogue.ids());
  if (SUCCEEDED(hr)) hr = m_config.m_SelectedProperties.setValue(m_abilities.propertyList());
  if (SUCCEEDED(hr)) hr = m_config.m_SelectedPhases.setValue(m_abilities.phaseList());
  return hr;
}

HRESULT PackageSelection::createPropPackage(IDispatch** pp, IDispatch** capegui) {
  return support::complainingOfFailure(
      m_errors, {kSelectionFailed, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (!pp || !capegui) return E_POINTER;
    // Created once: a package that exists (made by the CAPE-OPEN thread) is handed out as it is.
    // Made here, it is made on that thread when there is one.
    if (!m_objects.package.registered()) {
      const HRESULT hr = m_bridge.runOnThread([this] { return createPackage(); });
      if (FAILED(hr)) return hr;
    }
    const HRESULT hr = handOut(m_objects.package, pp);
    return FAILED(hr) ? hr : handOut(m_browser, capegui);
  });
}

// ---- Material object -------------------------------------------------------------------------

HRESULT PackageSelection::createMaterialObject() {
  try {
    ComPtr<ICapeThermoMaterialObject> material;
    HRESULT hr = CoCreateInstance(CLSID_matObj, nullptr, kAnyServer, IID_PPV_ARGS(material.GetAddressOf()));
    if (SUCCEEDED(hr) && !material) hr = E_NOINTERFACE;
    ComPtr<IMatObj> matObj;
    if (SUCCEEDED(hr)) hr = material.As(&matObj);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    hr = m_objects.materialObject.globalize(material);
    if (SUCCEEDED(hr)) hr = m_objects.imatObj.globalize(matObj);
    return FAILED(hr) ? hr : connectMaterialObject(matObj.Get());
  } catch (...) {
    Bstr text(kMatObjFailure);
    return m_diagnostics.popUpError(kMatObjFailureCode, text.get());
  }
}

HRESULT PackageSelection::connectMaterialObject(IMatObj* matObj) {
  ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = m_objects.package.get(package);
  if (SUCCEEDED(hr) && !m_relay) hr = DiagnosticsRelay::create(&m_diagnostics, m_relay.GetAddressOf());
  if (SUCCEEDED(hr)) hr = matObj->put_proxyPtr(static_cast<ICapeDiagnostics*>(m_relay.Get()));
  if (SUCCEEDED(hr)) hr = matObj->put_PropertyPackage(package.Get());
  if (SUCCEEDED(hr)) hr = matObj->put_ownerHWnd(handleValue(m_adapter.ownerWindow()));
  if (FAILED(hr)) return support::reportUnexpected(hr);
  hyper raw = 0;
  matObj->getThis(&raw);  // not checked: on failure the raw pointer stays null
  m_objects.matObj = reinterpret_cast<CMatObj*>(static_cast<intptr_t>(raw));
  hr = matObj->SetNumComps(m_adapter.hostComponentCount());
  return FAILED(hr) ? support::reportUnexpected(hr) : S_OK;
}

HRESULT PackageSelection::createMatObject(IDispatch** matObj) {
  try {
    if (!matObj) return E_POINTER;
    // Created once, like the package, and where the package is.
    if (!m_objects.materialObject.registered()) {
      const HRESULT hr = m_bridge.runOnThread([this] {
        const HRESULT created = createMaterialObject();
        m_basis.publishCompounds();
        return created;
      });
      if (FAILED(hr)) return hr;
    }
    return handOut(m_objects.materialObject, matObj);
  } catch (...) {
    Bstr text(kMatObjFailure);
    return m_diagnostics.popUpError(kMatObjFailureCode, text.get());
  }
}

// ---- The component page (host thread) -------------------------------------------------------

HRESULT PackageSelection::openComponentPage() {
  return support::complainingOfFailure(m_errors, {kShowingView, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (m_adapter.recalling() && !m_catalogue.componentsChanged()) return S_OK;
    const ComPtr<ExtnContainer> host = m_adapter.container();
    if (!host) return S_OK;
    ComPtr<ExtnViewHolder> views;
    ComPtr<ExtnView> view;
    HRESULT hr = host->get_Views(views.GetAddressOf());
    if (SUCCEEDED(hr) && !views) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = views->get_View(view.GetAddressOf());
    if (SUCCEEDED(hr) && !view) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = view->Prepare();
    if (FAILED(hr)) return support::reportUnexpected(hr);
    m_viewRequested = true;
    const Bstr name(kDefaultView);
    hr = host->ShowView(name.get());
    if (SUCCEEDED(hr)) hr = host->RefreshView(name.get());
    return FAILED(hr) ? support::reportUnexpected(hr) : hr;
  });
}

// ---- The package's own view (CAPE-OPEN thread, call type "Edit") -------------------------

HRESULT PackageSelection::showEditView() {
  ComPtr<ICapeThermoPropertyPackage> package;
  ComPtr<ICapeUtilities> utilities;
  if (SUCCEEDED(m_objects.package.get(package)) && package) package.As(&utilities);
  if (!utilities) {
    m_errors.complainKind(kNoCustomView, CkPLAIN3, Calculating::no);
    return S_OK;
  }
  try {
    utilities->Edit();
  } catch (...) {
    // Whatever the package's view throws ends the view, not the adapter.
  }
  // A failed reading has made its own report. A successful one is not complained of: the
  // view ended as it should, and a message after every successful edit would only mislead.
  const int before = m_basis.stateSize();
  const HRESULT hr = m_catalogue.readComponentList();
  if (FAILED(hr)) return hr;
  // The view may have changed the package's components: the per-component state follows, but
  // the material object keeps the host's components, whose arrays every request until the
  // host's EndBasisChange is given.
  if (m_basis.stateSize() != before) m_basis.sizeComponentState(m_basis.stateSize(), false);
  m_basis.publishCompounds();
  return hr;
}

// ---- Teardown ----------------------------------------------------------------------------

void PackageSelection::releaseObjects() {
  m_catalogue.clear();
  m_basis.clearHostIds();
  m_abilities.clear();
  // The material object lets go of the package and of the adapter's diagnostics: nothing it
  // holds keeps the adapter or the package alive.
  ComPtr<IMatObj> matObj;
  if (m_objects.imatObj.owner() == GetCurrentThreadId() && SUCCEEDED(m_objects.imatObj.get(matObj)) && matObj) {
    matObj->Terminate();
    matObj->put_proxyPtr(nullptr);
  }
  matObj.Reset();
  ComPtr<IShowCOCATIDs> browser;
  if (m_browser.owner() == GetCurrentThreadId() && SUCCEEDED(m_browser.get(browser)) && browser)
    browser->ReleaseObjects();
  browser.Reset();
  if (m_objects.package.owner() == GetCurrentThreadId()) m_errors.setPackage(nullptr);
  m_objects.matObj = nullptr;
  m_basis.publishCompounds();
  releaseOwn(m_objects.materialObject);
  releaseOwn(m_objects.imatObj);
  releaseRelay();
  releaseOwn(m_objects.package);
  releaseOwn(m_objects.system);
  revokeActiveBrowser();
  if (m_rotCookie) return;  // the registration could not be revoked: the browser stays
  releaseOwn(m_browser);
  m_work.release();
}

void PackageSelection::releaseRelay() {
  if (!m_relay) return;
  m_relay->detach();
  m_relay.Reset();
}

void PackageSelection::revokeActiveBrowser() {
  if (!m_rotCookie || m_browser.owner() != GetCurrentThreadId()) return;
  const HRESULT hr = RevokeActiveObject(m_rotCookie, nullptr);
  if (FAILED(hr)) {
    support::reportUnexpected(hr);
    return;
  }
  m_rotCookie = 0;
}

// The teardown runs where the objects live: handed to the CAPE-OPEN thread from a host thread.
// The thread itself goes on (Terminate ends it); requests find no objects and are refused.
HRESULT PackageSelection::privTerminate() {
  try {
    m_bridge.runOnThread([this] {
      releaseObjects();
      return S_OK;
    });
  } catch (...) {
    support::reportUnexpected(E_FAIL);
  }
  return S_OK;
}
