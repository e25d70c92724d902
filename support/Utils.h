#pragma once
// VARIANT comparison of the support library, and the string-array search.
#include <windows.h>
#include <oleauto.h>

#include <string_view>

#include "support/Text.h"

namespace support {

// Compares two array elements, each seen as a VARIANT (VT_VARIANT elements as themselves).
using ElementCompare = bool (*)(const VARIANT& a, const VARIANT& b);

// Same VARTYPE and value: VT_EMPTY always, VT_I4/VT_I2/VT_BOOL by value, VT_R8 exactly (NaN
// never), VT_BSTR by sameText; arrays of the same bounds element by element (by compare when
// given, VT_VARIANT elements recursively). Any other type is unequal.
bool equals(const VARIANT& a, const VARIANT& b, ElementCompare compare = nullptr);

namespace Utils {

using Match = bool (*)(BSTR element, std::wstring_view text);

// Absolute index of the first string element equal to text (by match when given, else
// sameText), -1 when none. An empty text is looked for only when emptiesAreMatched, which
// cannot be combined with a match function (reported, -1).
long findPos(const VARIANT& arr, TextView text, Match match = nullptr, bool emptiesAreMatched = false);

}  // namespace Utils

}  // namespace support
