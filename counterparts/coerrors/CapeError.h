#pragma once
// The CAPE-OPEN error object ("CapeError"): holds one error and lets a CAPE-OPEN client read it
// through ECapeRoot, ECapeUser, ECapeUnknown and ECapeBadArgument, or as COM error information.
#include <windows.h>
#include <oaidl.h>

#include "CAPE-OPENv1-0-0.h"
#include "CoErrors.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"

namespace coerrors {

class CapeError
    : public comkit::Object<comkit::Dual<ICapeErrorObject, &LIBID_CapeErrorComponents>,
                            comkit::Dual<ECapeRoot, &LIBID_CAPEOPEN100>, comkit::Dual<ECapeUser, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeUnknown, &LIBID_CAPEOPEN100>,
                            comkit::Dual<ECapeBadArgument, &LIBID_CAPEOPEN100>, IErrorInfo, ISupportErrorInfo> {
 public:
  // ICapeErrorObject
  STDMETHODIMP get_Code(LONG* code) override;
  STDMETHODIMP get_Level(LONG* level) override;
  STDMETHODIMP Clear() override;
  STDMETHODIMP get_IsSet(VARIANT_BOOL* result) override;
  STDMETHODIMP SetError(BSTR operation, BSTR description, LONG code, LONG level, BSTR interfaceName) override;
  STDMETHODIMP put_Scope(BSTR scope) override;
  STDMETHODIMP SetPosition(short position) override;
  STDMETHODIMP put_MoreInfo(BSTR moreInfo) override;

  // ECapeRoot
  STDMETHODIMP get_name(BSTR* name) override;

  // ECapeUser
  STDMETHODIMP get_code(LONG* code) override;
  STDMETHODIMP get_description(BSTR* description) override;
  STDMETHODIMP get_scope(BSTR* scope) override;
  STDMETHODIMP get_interfaceName(BSTR* interfaceName) override;
  STDMETHODIMP get_operation(BSTR* operation) override;
  STDMETHODIMP get_moreInfo(BSTR* moreInfo) override;

  // ECapeBadArgument
  STDMETHODIMP get_position(short* position) override;

  // IErrorInfo
  STDMETHODIMP GetGUID(GUID* guid) override;
  STDMETHODIMP GetSource(BSTR* source) override;
  STDMETHODIMP GetDescription(BSTR* description) override;
  STDMETHODIMP GetHelpFile(BSTR* helpFile) override;
  STDMETHODIMP GetHelpContext(DWORD* helpContext) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

 private:
  support::Bstr m_operation;
  support::Bstr m_description;
  support::Bstr m_scope;
  support::Bstr m_interfaceName;
  support::Bstr m_moreInfo;
  HRESULT m_code = S_OK;
  LONG m_level = 0;
  short m_position = 0;
};

}  // namespace coerrors
