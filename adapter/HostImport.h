#pragma once
// The host side of the components: the host fluid package reached through the container, the
// components preselected on the component page, the import of the selection into the host fluid
// package, the hypothetical components made from the package's constants, and the host's basis
// read back (host thread, and the CAPE-OPEN thread's identification).
#include <windows.h>

#include <string>

#include "adapter/AdapterSide.h"
#include "adapter/PkgConfig.h"
#include "errors/COVCOError.h"
#include "support/Raii.h"

class ComponentBasis;
class ComponentCatalogue;

class HostImport {
 public:
  // setComps: the adapter's own member the host basis is handed to.
  HostImport(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, ComponentCatalogue& catalogue,
             ComponentBasis& basis, IPrivPropPkg& setComps);
  HostImport(const HostImport&) = delete;
  HostImport& operator=(const HostImport&) = delete;

  // PreSelectedComponents: the preselection made, then its ids written to IDNumbers.
  HRESULT answerPreselected(int* IDNumbers);
  HRESULT preselectComponents();
  HRESULT importSelection();
  HRESULT refreshHypotheticals();
  // The host's component basis read again (EndBasisChange, and a recall whose basis is kept).
  HRESULT readHostBasis();
  // Finds or creates the hypothetical component `name` (which the host may rename).
  HRESULT createHypothetical(std::wstring& name, int& hostId);
  // The host fluid package's component of that name; false when there is none.
  bool findHostComponent(const std::wstring& name, int& hostId);

 private:
  // The host fluid package reached through the container; reported as "getting FluidPackage".
  HRESULT hostFluidPackage(support::ComPtr<HostFluidPackage>& out);
  HRESULT hostComponents(support::ComPtr<HostComponents>& out);
  HRESULT hostComponents(support::ComPtr<HostComponents>& out, long& count);  // and their count
  HRESULT configureHypothetical(HostHypoComponent* component, int i);
  HRESULT preselectHypothetical(int i, std::wstring& name, int& hostId);
  HRESULT importRound(bool& restart);

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  PkgConfig& m_config;
  ComponentCatalogue& m_catalogue;
  ComponentBasis& m_basis;
  IPrivPropPkg& m_setComps;

  support::Variant m_preselected;        // host ids to preselect (16- or 32-bit integers)
};
