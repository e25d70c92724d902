#pragma once
// The package's component list and the identification of each component with a host component
// (by CAS number, then by CompId, else as a hypothetical component), with the per-component
// flags of the component page. Read on the CAPE-OPEN thread.
#include <windows.h>

#include <string>
#include <vector>

#include "adapter/AdapterSide.h"
#include "adapter/PkgConfig.h"
#include "errors/COVCOError.h"
#include "support/Raii.h"

class ComponentBasis;
class HostImport;

class ComponentCatalogue {
 public:
  ComponentCatalogue(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, PackageObjects& objects,
                     ComponentBasis& basis, HostImport& import);
  ComponentCatalogue(const ComponentCatalogue&) = delete;
  ComponentCatalogue& operator=(const ComponentCatalogue&) = delete;

  // Reads the package's component list and identifies each component (CAPE-OPEN thread).
  HRESULT readComponentList();
  // The host id of component i, -1 when none; kind: "CASNumber", "CompId" or "No matching".
  int identifyComponent(int i, bool verbose, std::wstring& kind);
  HRESULT setDefaultFlags();
  // The report line when two components share a component id; S_OK when none do.
  HRESULT checkRepeatedIds();
  // The teardown's part: the lists go.
  void clear() { m_lists.clear(); }

  // A recalled case's components differ from the package's.
  bool componentsChanged() const { return m_componentsChanged; }
  long listCount() const;
  // The package's component ids (an array of strings, or empty).
  const VARIANT& ids() const { return m_lists.ids.get(); }
  // Element i of the package's lists; "" or +inf when it has none.
  std::wstring idAt(long i) const;
  std::wstring casAt(long i) const;
  std::wstring formulaAt(long i) const;
  double molecularWeightAt(long i) const;
  double boilingPointAt(long i) const;

 private:
  HRESULT requestComponentList();
  void checkComponentLists();
  void checkList(support::Variant& list, VARTYPE vt, long count, const char* name);
  void replaceInvalidValues(support::Variant& list, const wchar_t* name);
  HRESULT compareRecalledComponents();
  void storeComponentLists();
  HRESULT identifyAll();
  // The report text of an identification sent as a piece (or a line), then emptied.
  void sendReport(std::wstring& text, bool lineComplete);
  bool duplicateRuleKeeps(int i, int id, bool verbose, std::wstring& text, std::wstring& kind,
                          const std::vector<double>& idNumbers);
  int identifyOutsideLibrary(int i, std::wstring& text, std::wstring& kind, const std::vector<double>& idNumbers);

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  PkgConfig& m_config;
  PackageObjects& m_objects;
  ComponentBasis& m_basis;
  HostImport& m_import;

  // The package's component lists, in its order.
  struct ComponentLists {
    support::Variant ids, formulae, names, boilTemps, molWts, casNos;
    void clear();
  } m_lists;
  bool m_componentsChanged = false;      // a recalled case's components differ from the package's
  bool m_recalledOptionsKept = false;    // recalled per-component options survived the comparison
};
