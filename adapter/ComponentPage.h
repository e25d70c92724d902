#pragma once
// The guards of the component page: the changes of its variables the adapter refuses
// (VariableChanging, host thread).
#include <windows.h>

#include <string>

#include "adapter/AdapterSide.h"
#include "adapter/PkgConfig.h"
#include "errors/COVCOError.h"

class ComponentCatalogue;

class ComponentPage {
 public:
  ComponentPage(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, const ComponentCatalogue& catalogue);
  ComponentPage(const ComponentPage&) = delete;
  ComponentPage& operator=(const ComponentPage&) = delete;

  // May refuse the change (*changing = FALSE).
  HRESULT guardVariableChange(const std::wstring& name, const VARIANT& newValue, VARIANT_BOOL* changing);

 private:
  HRESULT guardHypoFlags(const VARIANT& newValue, VARIANT_BOOL* changing);
  HRESULT guardCloseView(VARIANT_BOOL* changing);

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  PkgConfig& m_config;
  const ComponentCatalogue& m_catalogue;
};
