#pragma once
// Text and VARIANT comparisons of the support library, and the string-array search.
#include <windows.h>
#include <oleauto.h>

#include <cwchar>

#include "support/Trace.h"

namespace support {

namespace text_detail {

inline UINT bstrLength(BSTR s, bool fromPrefix) {
  if (!s) return 0;
  // The length prefix holds the byte count just before the characters.
  return fromPrefix ? reinterpret_cast<const UINT*>(s)[-1] / sizeof(OLECHAR) : SysStringLen(s);
}

// Equal letter by letter, where only A-Z and a-z match their other-case partner.
inline bool asciiFoldedEqual(const OLECHAR* a, const OLECHAR* b, UINT n) {
  for (UINT k = 0; k < n; ++k) {
    const unsigned ca = a[k];
    const unsigned cb = b[k];
    if (ca == cb) continue;
    const unsigned lower = ca | 0x20u;
    if ((ca ^ cb) != 0x20u || lower < 'a' || lower > 'z') return false;
  }
  return true;
}

// The platform's case-insensitive comparison of n characters.
bool platformFoldedEqual(const OLECHAR* a, const OLECHAR* b, UINT n);

}  // namespace text_detail

// Case-insensitive equality of two BSTRs (null equals empty), by ASCII folding or, with
// libSettings().asciiCaseFolding off, by the platform's rule. Both must be real BSTRs.
inline bool sameText(BSTR a, BSTR b) {
  const LibSettings& settings = libSettings();
  const UINT n = text_detail::bstrLength(a, settings.fastStringLength);
  if (n != text_detail::bstrLength(b, settings.fastStringLength)) return false;
  if (n == 0) return true;
  return settings.asciiCaseFolding ? text_detail::asciiFoldedEqual(a, b, n)
                                   : text_detail::platformFoldedEqual(a, b, n);
}

// sameText of a BSTR and a literal; no string is made for the literal.
inline bool sameTextAs(BSTR a, const wchar_t* b) {
  const LibSettings& settings = libSettings();
  const UINT n = text_detail::bstrLength(a, settings.fastStringLength);
  if (n != (b ? static_cast<UINT>(wcslen(b)) : 0u)) return false;
  if (n == 0) return true;
  return settings.asciiCaseFolding ? text_detail::asciiFoldedEqual(a, b, n)
                                   : text_detail::platformFoldedEqual(a, b, n);
}

// Compares two array elements, each seen as a VARIANT (VT_VARIANT elements as themselves).
using ElementCompare = bool (*)(const VARIANT& a, const VARIANT& b);

// Same VARTYPE and value: VT_EMPTY always, VT_I4/VT_I2/VT_BOOL by value, VT_R8 exactly (NaN
// never), VT_BSTR by sameText; arrays of the same bounds element by element (by compare when
// given, VT_VARIANT elements recursively). Any other type is unequal.
bool equals(const VARIANT& a, const VARIANT& b, ElementCompare compare = nullptr);

namespace Utils {

using Match = bool (*)(BSTR element, BSTR text);

// Absolute index of the first string element equal to text (by match when given, else
// sameText), -1 when none. An empty text is looked for only when emptiesAreMatched, which
// cannot be combined with a match function (reported, -1).
long findPos(const VARIANT& arr, BSTR text, Match match = nullptr, bool emptiesAreMatched = false);

}  // namespace Utils

}  // namespace support
