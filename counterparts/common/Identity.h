#pragma once
// The name and description an object shows through ICapeIdentification.
#include <windows.h>

#include <string>

namespace counterpart {

struct Identity {
  std::wstring name, description;
};

// Copies `text` into a new BSTR at *out; E_POINTER for a null out.
HRESULT copyText(const std::wstring& text, BSTR* out);
// Replaces `to` with the BSTR's text; a null BSTR is empty.
void assignText(std::wstring& to, BSTR from);

}  // namespace counterpart
