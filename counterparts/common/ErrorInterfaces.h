#pragma once
// ECapeRoot and ECapeUser over the owner's ErrorRecord `m_error`, the error of its last failed
// call, as bases of a comkit::Object: a package that is its own error object. The owner's
// `errorAccess()` says whether the error may be read here (S_OK, or the code the getter returns);
// both are reached as a friend of UserError.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/common/Identity.h"
#include "counterparts/common/PackageError.h"
#include "server/comkit/Dispatch.h"

namespace counterpart {

template <class Owner>
class UserError : public comkit::Dual<ECapeUser, &LIBID_CAPEOPEN100> {
 public:
  STDMETHODIMP get_code(LONG* code) override {
    return readError([&](const ErrorRecord& error) {
      if (!code) return E_POINTER;
      *code = error.code;
      return S_OK;
    });
  }
  STDMETHODIMP get_description(BSTR* description) override { return text(&ErrorRecord::description, description); }
  STDMETHODIMP get_scope(BSTR* scope) override { return text(&ErrorRecord::scope, scope); }
  STDMETHODIMP get_interfaceName(BSTR* interfaceName) override {
    return text(&ErrorRecord::interfaceName, interfaceName);
  }
  STDMETHODIMP get_operation(BSTR* operation) override { return text(&ErrorRecord::operation, operation); }
  // No package here has more to tell than the description.
  STDMETHODIMP get_moreInfo(BSTR* moreInfo) override { return copyText(L"", moreInfo); }

  // Runs `read` on the owner's error where its errorAccess allows; that code otherwise.
  template <class Read>
  HRESULT readError(Read read) {
    Owner& owner = static_cast<Owner&>(*this);
    const HRESULT access = owner.errorAccess();
    return FAILED(access) ? access : read(static_cast<const ErrorRecord&>(owner.m_error));
  }

 private:
  HRESULT text(std::wstring ErrorRecord::*field, BSTR* out) {
    return readError([&](const ErrorRecord& error) { return copyText(error.*field, out); });
  }
};

// ECapeRoot: the name of the error's kind. The owner derives from UserError<Owner> too.
template <class Owner>
class RootError : public comkit::Dual<ECapeRoot, &LIBID_CAPEOPEN100> {
 public:
  STDMETHODIMP get_name(BSTR* name) override {
    UserError<Owner>& user = static_cast<Owner&>(*this);
    return user.readError([&](const ErrorRecord& error) { return copyText(errorName(error.code), name); });
  }
};

}  // namespace counterpart
