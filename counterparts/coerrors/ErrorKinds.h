#pragma once
// The CAPE-OPEN 1.0 error kinds: HRESULT, interface name and interface id of each.
#include <windows.h>

namespace coerrors {

struct ErrorKind {
  HRESULT code;
  const wchar_t* name;  // the error interface, e.g. "ECapeBadArgument"
  const IID* iid;
};

// The kind of a CAPE-OPEN error HRESULT, or null outside 0x80040501..0x80040519.
const ErrorKind* kindOfCode(HRESULT code);
// The kind named so (case-insensitive), or null.
const ErrorKind* kindNamed(const wchar_t* name);

}  // namespace coerrors
