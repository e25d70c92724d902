#pragma once
// ECapeRoot and ECapeUser over the owner's ErrorRecord `m_error`, the error of its last failed
// call, as bases of a comkit::Object: a package that is its own error object. The owner's
// `errorAccess()` says whether the error may be read here (S_OK, or the code the getter returns);
// both are reached as a friend of these classes.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/common/Identity.h"
#include "counterparts/common/PackageError.h"
#include "server/comkit/Dispatch.h"

namespace counterpart {

template <class Owner>
class RootError : public comkit::Dual<ECapeRoot, &LIBID_CAPEOPEN100> {
 public:
  STDMETHODIMP get_name(BSTR* name) override {
    const HRESULT access = owner().errorAccess();
    if (FAILED(access)) return access;
    return copyText(errorName(owner().m_error.code), name);
  }

 private:
  Owner& owner() { return static_cast<Owner&>(*this); }
};

template <class Owner>
class UserError : public comkit::Dual<ECapeUser, &LIBID_CAPEOPEN100> {
 public:
  STDMETHODIMP get_code(LONG* code) override {
    const HRESULT access = owner().errorAccess();
    if (FAILED(access)) return access;
    if (!code) return E_POINTER;
    *code = owner().m_error.code;
    return S_OK;
  }
  STDMETHODIMP get_description(BSTR* description) override { return text(&ErrorRecord::description, description); }
  STDMETHODIMP get_scope(BSTR* scope) override { return text(&ErrorRecord::scope, scope); }
  STDMETHODIMP get_interfaceName(BSTR* interfaceName) override {
    return text(&ErrorRecord::interfaceName, interfaceName);
  }
  STDMETHODIMP get_operation(BSTR* operation) override { return text(&ErrorRecord::operation, operation); }
  // No package here has more to tell than the description.
  STDMETHODIMP get_moreInfo(BSTR* moreInfo) override { return copyText(L"", moreInfo); }

 private:
  Owner& owner() { return static_cast<Owner&>(*this); }
  HRESULT text(std::wstring ErrorRecord::*field, BSTR* out) {
    const HRESULT access = owner().errorAccess();
    if (FAILED(access)) return access;
    return copyText(owner().m_error.*field, out);
  }
};

}  // namespace counterpart
