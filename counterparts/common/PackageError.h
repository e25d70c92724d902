#pragma once
// A failure inside a package call: the CAPE-OPEN code the call returns and the text the client
// reads back through the package's ECapeUser.
#include <windows.h>

#include <string>

namespace counterpart {

struct PackageFailure {
  HRESULT code;
  std::wstring description;
};

// Ends the current call with `code` and `description`.
[[noreturn]] void fail(HRESULT code, const std::wstring& description);

// The error a package holds after its last failed call (code S_OK: none).
struct ErrorRecord {
  HRESULT code = S_OK;
  std::wstring description, operation, interfaceName, scope;
};

// The CAPE-OPEN error interface name of a code ("ECapeUnknown" for codes outside the list).
const wchar_t* errorName(HRESULT code);

}  // namespace counterpart
