#pragma once
// The error-utilities component ("CapeErrorUtilities"): names CAPE-OPEN error HRESULTs and turns
// the error an object holds into lines of text.
#include <windows.h>
#include <oaidl.h>

#include "CoErrors.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"

namespace coerrors {

class CapeErrorUtilities
    : public comkit::Object<comkit::Dual<ICapeErrorUtils, &LIBID_CapeErrorComponents>, ISupportErrorInfo> {
 public:
  // ICapeErrorUtils
  STDMETHODIMP ErrorName(LONG code, BSTR* name) override;
  STDMETHODIMP ErrorCodeOf(BSTR name, LONG* code) override;
  STDMETHODIMP IsCapeError(LONG code, VARIANT_BOOL* result) override;
  STDMETHODIMP ErrorInterfaceId(LONG code, BSTR* iid) override;
  STDMETHODIMP HoldsCapeError(VARIANT object, VARIANT_BOOL* result) override;
  STDMETHODIMP ErrorDescription(VARIANT object, BSTR* description) override;
  STDMETHODIMP DescribeErrorText(BSTR doing, VARIANT object, LONG code, BSTR* text) override;
  STDMETHODIMP DescribeError(BSTR doing, VARIANT object, LONG code, VARIANT* lines) override;

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;
};

}  // namespace coerrors
