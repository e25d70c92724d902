#pragma once
// The choice of the package and the objects made for it: the category browser and the user's
// selection (host thread), the creation of the package and of the material object (CAPE-OPEN
// thread), the component page opened by Initialize, the package's own view, and the teardown.
#include <windows.h>

#include "adapter/AdapterSide.h"
#include "adapter/DiagnosticsRelay.h"
#include "adapter/PackageAbilities.h"
#include "adapter/PkgConfig.h"
#include "bridge/CallBridge.h"
#include "errors/COVCOError.h"
#include "hostvars/OvVar.h"
#include "OvShowCOCATIDs.h"
#include "support/Raii.h"

class ComponentBasis;
class ComponentCatalogue;
struct CalcWorkArrays;

class PackageSelection {
 public:
  // diagnostics: the adapter's own, given to the material object through a relay.
  PackageSelection(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, bridge::CallBridge& bridge,
                   PackageObjects& objects, PackageAbilities& abilities, ComponentCatalogue& catalogue,
                   ComponentBasis& basis, CalcWorkArrays& work, ICapeDiagnostics& diagnostics);
  PackageSelection(const PackageSelection&) = delete;
  PackageSelection& operator=(const PackageSelection&) = delete;

  // ---- Host thread ----
  // The selection step (recall: no dialog).
  HRESULT selectPackage();
  bool packageChosen() const;
  // The component page of Initialize.
  HRESULT openComponentPage();
  // The browser for the calling thread (null when there is none).
  HRESULT browser(support::ComPtr<IShowCOCATIDs>& out) { return m_browser.get(out); }
  // The private interface's members.
  HRESULT selectPropPack(IDispatch** capegui);
  HRESULT createPropPackage(IDispatch** pp, IDispatch** capegui);
  HRESULT createMatObject(IDispatch** matObj);
  HRESULT privTerminate();

  // ---- CAPE-OPEN thread ----
  // Package creation, then material-object creation, then the copy of the compounds.
  HRESULT createObjects();
  HRESULT showEditView();
  void releaseObjects();
  // The material object's diagnostics no longer reach the adapter.
  void releaseRelay();

 private:
  // A new browser: created, InitBrowser, the version published to it and to "KitVersion".
  HRESULT createBrowser(support::ComPtr<IShowCOCATIDs>& browser);
  HRESULT showSelection();
  HRESULT createPackage();
  HRESULT createMaterialObject();
  // The ability check of package creation, with the repeated-id check.
  HRESULT checkAbilities();
  // Binds "KitVersion", stores this module's version in it and gives it to the browser.
  HRESULT publishKitVersion(IShowCOCATIDs* browser);
  // The browser's answers after ShowSelection: its state and the four names.
  HRESULT readChoice(IShowCOCATIDs* browser);
  // The four names into PropPackName, PropSysName, PropPackAlias, PropSysAlias.
  HRESULT storeSelection();
  // Package creation steps: the running-object registration, the package and system objects,
  // the alias for the host, the phase and property lists, the lists kept with the case.
  HRESULT registerActiveBrowser(IShowCOCATIDs* browser);
  HRESULT createPackageObjects(IShowCOCATIDs* browser);
  HRESULT passAliasToHost();
  HRESULT readPackageLists();
  HRESULT storeListsInHost();
  // Material-object creation steps after the object exists.
  HRESULT connectMaterialObject(IMatObj* matObj);
  // Teardown: the browser's running-object registration, revoked by the thread that made it.
  void revokeActiveBrowser();

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  PkgConfig& m_config;
  bridge::CallBridge& m_bridge;
  PackageObjects& m_objects;
  PackageAbilities& m_abilities;
  ComponentCatalogue& m_catalogue;
  ComponentBasis& m_basis;
  CalcWorkArrays& m_work;
  ICapeDiagnostics& m_diagnostics;

  COvBSTR m_chosenPackage;               // the selected package; empty: nothing selected
  OvTextVar m_kitVersion{false};         // "KitVersion", not persisted
  support::ComPtr<DiagnosticsRelay> m_relay;  // the material object's diagnostics
  // Selection (the four names are kept in the configuration: m_config.selection())
  support::Bstr m_browserState;          // the browser's opaque state after a selection
  support::GlobalizedPointer<IShowCOCATIDs> m_browser;
  DWORD m_rotCookie = 0;
  bool m_viewRequested = false;
};
