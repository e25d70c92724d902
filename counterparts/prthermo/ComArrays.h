#pragma once
// One-dimensional SAFEARRAY results packed into caller-owned VARIANTs.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace prthermo {

// Clears `out` and fills it with VT_ARRAY|VT_BSTR of the UTF-8 texts, in order.
HRESULT putStrings(VARIANT* out, const std::vector<std::string>& texts);
// Clears `out` and fills it with VT_ARRAY|VT_R8 of the values, in order.
HRESULT putDoubles(VARIANT* out, const std::vector<double>& values);

}  // namespace prthermo
