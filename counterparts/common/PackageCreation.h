#pragma once
// A new package object, filled in by its Thermo System before anyone else holds it, and handed
// out as IDispatch (one reference). The package's first base must be its dual
// ICapeThermoPropertyPackage.
#include <windows.h>
#include <oaidl.h>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"

namespace counterpart {

template <class Package, class Fill>
HRESULT createPackage(IDispatch** out, Fill fill) {
  if (!out) return E_POINTER;
  *out = nullptr;
  support::ComPtr<ICapeThermoPropertyPackage> package;
  const HRESULT hr = comkit::createInstance<Package>(nullptr, IID_ICapeThermoPropertyPackage,
                                                     reinterpret_cast<void**>(package.GetAddressOf()));
  if (FAILED(hr)) return hr;
  using PackageDual = comkit::Dual<ICapeThermoPropertyPackage, &LIBID_CAPEOPEN100>;
  fill(*static_cast<Package*>(static_cast<PackageDual*>(package.Get())));
  return package->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
}

}  // namespace counterpart
