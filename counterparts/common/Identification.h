#pragma once
// ICapeIdentification over an Identity, as a base of a comkit::Object. The owner runs each member
// through its own `identificationCall(operation, body)` (a friend of this class), so that its error
// and thread rules hold for these members as for its others.
#include <windows.h>
#include <oaidl.h>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/common/Identity.h"
#include "server/comkit/Dispatch.h"

namespace counterpart {

template <class Owner>
class Identification : public comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100> {
 public:
  STDMETHODIMP get_ComponentName(BSTR* name) override {
    return owner().identificationCall(L"ComponentName", [&] { return copyText(m_identity.name, name); });
  }
  STDMETHODIMP put_ComponentName(BSTR name) override {
    return owner().identificationCall(L"ComponentName", [&] { return replace(m_identity.name, name); });
  }
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override {
    return owner().identificationCall(L"ComponentDescription", [&] { return copyText(m_identity.description, desc); });
  }
  STDMETHODIMP put_ComponentDescription(BSTR desc) override {
    return owner().identificationCall(L"ComponentDescription", [&] { return replace(m_identity.description, desc); });
  }

 protected:
  Identity m_identity;

 private:
  Owner& owner() { return static_cast<Owner&>(*this); }
  static HRESULT replace(std::wstring& to, BSTR from) {
    assignText(to, from);
    return S_OK;
  }
};

}  // namespace counterpart
