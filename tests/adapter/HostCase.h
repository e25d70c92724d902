#pragma once
// A host case's fluid package filled with components by their host names (a name the host
// library lacks becomes a hypothetical component), for tests and benchmarks alike.
#include <windows.h>

#include <string>
#include <vector>

#include "OvHost.h"
#include "support/Raii.h"

namespace host_case {

inline HRESULT addComponents(ExtnContainer* container, const std::vector<std::wstring>& names) {
  support::ComPtr<IDispatch> holderObject, fluidObject;
  support::ComPtr<HostFluidPackageHolder> holder;
  support::ComPtr<HostFluidPackage> fluid;
  support::ComPtr<HostComponents> components;
  HRESULT hr = container->get_FluidPackageHolder(&holderObject);
  if (SUCCEEDED(hr)) hr = holderObject.As(&holder);
  if (SUCCEEDED(hr)) hr = holder->get_FluidPackage(&fluidObject);
  if (SUCCEEDED(hr)) hr = fluidObject.As(&fluid);
  if (SUCCEEDED(hr)) hr = fluid->get_Components(&components);
  for (const std::wstring& name : names) {
    support::ComPtr<HostComponent> added;
    if (SUCCEEDED(hr)) hr = components->Add(support::Bstr(name.data(), static_cast<UINT>(name.size())).get(), &added);
  }
  return hr;
}

}  // namespace host_case
