#include "counterparts/common/Identity.h"

namespace counterpart {

HRESULT copyText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

void assignText(std::wstring& to, BSTR from) { to.assign(from ? from : L"", SysStringLen(from)); }

}  // namespace counterpart
