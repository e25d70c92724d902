#pragma once
// The product's text helpers: conversions between narrow texts (UTF-8) and the platform's wide
// strings, and the one case-insensitive comparison of names (sameText).
#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cwchar>
#include <string>
#include <string_view>

#include "support/Trace.h"

namespace support {

std::wstring widen(const std::string& s);
std::wstring widen(const char* s);
std::string narrow(const std::wstring& s);
std::string narrow(const wchar_t* s);          // null gives ""
std::string narrow(const wchar_t* s, size_t n);

// A narrow text that is there and not empty.
inline bool hasText(const char* s) { return s && *s; }

// A BSTR's whole text, embedded nulls included; null gives "".
inline std::wstring textOf(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

namespace text_detail {

inline UINT bstrLength(BSTR s, bool fromPrefix) {
  if (!s) return 0;
  // The length prefix holds the byte count just before the characters.
  return fromPrefix ? reinterpret_cast<const UINT*>(s)[-1] / sizeof(OLECHAR) : SysStringLen(s);
}

// Equal letter by letter, where only A-Z and a-z match their other-case partner.
inline bool asciiFoldedEqual(const wchar_t* a, const wchar_t* b, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    const unsigned ca = a[k];
    const unsigned cb = b[k];
    if (ca == cb) continue;
    const unsigned lower = ca | 0x20u;
    if ((ca ^ cb) != 0x20u || lower < 'a' || lower > 'z') return false;
  }
  return true;
}

// The platform's case-insensitive comparison of n characters.
bool platformFoldedEqual(const wchar_t* a, const wchar_t* b, size_t n);

}  // namespace text_detail

// A view of a text as sameText sees it. A BSTR (wchar_t*) is seen whole, its length from its
// prefix, so it must be a real BSTR; a literal or other const wchar_t* up to its terminator;
// null is the empty text.
class TextView : public std::wstring_view {
 public:
  TextView() = default;
  TextView(std::nullptr_t) {}
  TextView(BSTR s)
      : std::wstring_view(s ? s : L"", text_detail::bstrLength(s, libSettings().fastStringLength)) {}
  TextView(const wchar_t* s) : std::wstring_view(s ? s : L"") {}
  TextView(std::wstring_view s) : std::wstring_view(s) {}
  TextView(const std::wstring& s) : std::wstring_view(s) {}
};

// Case-insensitive equality (null equals empty), by ASCII folding or, with
// libSettings().asciiCaseFolding off, by the platform's rule. Nothing is allocated.
inline bool sameText(TextView a, TextView b) {
  const size_t n = a.size();
  if (n != b.size()) return false;
  if (n == 0) return true;
  return libSettings().asciiCaseFolding ? text_detail::asciiFoldedEqual(a.data(), b.data(), n)
                                        : text_detail::platformFoldedEqual(a.data(), b.data(), n);
}

}  // namespace support
