#pragma once
// A failure inside a package call: the CAPE-OPEN code the call returns and the text the client
// reads back through the package's ECapeUser.
#include <windows.h>

#include "CAPE-OPENv1-0-0.h"

#include <exception>
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

// How a package names a C++ exception that left one of its calculations.
using ExceptionDescriber = PackageFailure (*)(const std::exception& e);

// The failure being handled (call it in a handler): a PackageFailure as thrown, no memory as
// ECapeOutOfResources "out of memory", another C++ exception as `describe` says, anything else as
// ECapeUnknown "unexpected exception".
PackageFailure currentFailure(ExceptionDescriber describe);

// Runs a package member's body and returns its code. A failure is handed to `record(code, text)`,
// which keeps it as the package's error, and its code is returned; nothing leaves the call.
template <class Body, class Record>
HRESULT runPackageCall(Body body, Record record, ExceptionDescriber describe) {
  try {
    return body();
  } catch (...) {
    try {
      const PackageFailure failure = currentFailure(describe);
      record(failure.code, failure.description);
      return failure.code;
    } catch (...) {
      // No memory even for the text: the code alone.
      record(ECapeOutOfResourcesHR, std::wstring());
      return ECapeOutOfResourcesHR;
    }
  }
}

}  // namespace counterpart
