#pragma once
// One-dimensional SAFEARRAY results packed into caller-owned VARIANTs.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

namespace counterpart {

// Clears `out` and fills it with VT_ARRAY|VT_BSTR of the UTF-8 texts, in order.
HRESULT putStrings(VARIANT* out, const std::vector<std::string>& texts);
// Clears `out` and fills it with VT_ARRAY|VT_R8 of the values, in order.
HRESULT putDoubles(VARIANT* out, const std::vector<double>& values);
// Clears `out` and fills it with VT_ARRAY|VT_BOOL (VARIANT_TRUE / VARIANT_FALSE).
HRESULT putBools(VARIANT* out, const std::vector<bool>& values);
// Clears `out` and fills it with VT_ARRAY|VT_VARIANT of copies of the values.
HRESULT putVariants(VARIANT* out, const std::vector<VARIANT>& values);

// The texts of a one-dimensional VT_ARRAY|VT_BSTR (a VARIANT by reference is followed); false
// for anything else.
bool readStrings(const VARIANT& in, std::vector<std::string>& texts);
bool readWideStrings(const VARIANT& in, std::vector<std::wstring>& texts);
// Whether `in` is a one-dimensional VT_ARRAY|VT_BSTR holding exactly `texts` (compared as
// given, without copying the array's strings).
bool sameWideStrings(const VARIANT& in, const std::vector<std::wstring>& texts);
// The values of a one-dimensional VT_ARRAY|VT_R8, or of a lone VT_R8; false for anything else.
bool readDoubles(const VARIANT& in, std::vector<double>& values);

}  // namespace counterpart
