#pragma once
// The COM side of a CAPE-OPEN 1.0 Thermo System: ICapeThermoSystem and ICapeIdentification over
// what the system itself knows, its package names and how it makes a package. Data the system
// cannot read mean it cannot start up its packages: an exception of one of the DataFaults types
// returns ECapeFailedInitialisation, any other ECapeUnknown, and no memory E_OUTOFMEMORY.
#include <windows.h>
#include <oaidl.h>

#include <new>
#include <string>
#include <utility>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/common/ComArrays.h"
#include "counterparts/common/Identification.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"

namespace counterpart {

template <class... DataFaults>
class ThermoSystemShell : public comkit::Object<comkit::Dual<ICapeThermoSystem, &LIBID_CAPEOPEN100>,
                                                Identification<ThermoSystemShell<DataFaults...>>> {
 public:
  STDMETHODIMP GetPropertyPackages(VARIANT* propertyPackageList) override {
    if (!propertyPackageList) return E_POINTER;
    return guarded([&] { return putStrings(propertyPackageList, packageNames()); });
  }
  STDMETHODIMP ResolvePropertyPackage(BSTR propertyPackage, IDispatch** propPackObject) override {
    if (!propPackObject) return E_POINTER;
    *propPackObject = nullptr;
    return guarded([&] { return resolve(propertyPackage, propPackObject); });
  }

 protected:
  explicit ThermoSystemShell(Identity identity) { this->m_identity = std::move(identity); }

  virtual std::vector<std::string> packageNames() const = 0;
  // The package named `name` (compared without regard to case) as IDispatch, one reference;
  // ECapeInvalidArgument for a name the system does not have.
  virtual HRESULT resolve(BSTR name, IDispatch** out) = 0;

 private:
  friend class Identification<ThermoSystemShell>;
  template <class Body>
  HRESULT identificationCall(const wchar_t*, Body body) {
    return guarded(body);
  }

  template <class Body>
  static HRESULT guarded(Body body) {
    try {
      return body();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return currentIsDataFault() ? ECapeFailedInitialisationHR : ECapeUnknownHR;
    }
  }
  // Called in a handler: whether the exception being handled is one of DataFaults.
  static bool currentIsDataFault() { return (currentIs<DataFaults>() || ...); }
  template <class Fault>
  static bool currentIs() {
    try {
      throw;
    } catch (const Fault&) {
      return true;
    } catch (...) {
      return false;
    }
  }
};

}  // namespace counterpart
