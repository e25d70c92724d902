#include "support/Text.h"

#include <windows.h>

namespace support {

namespace text_detail {

bool platformFoldedEqual(const wchar_t* a, const wchar_t* b, size_t n) {
  return CompareStringOrdinal(a, static_cast<int>(n), b, static_cast<int>(n), TRUE) == CSTR_EQUAL;
}

}  // namespace text_detail

std::wstring widen(const char* s) {
  if (!s || !*s) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring out(static_cast<size_t>(n - 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s, -1, out.data(), n);
  return out;
}

std::wstring widen(const std::string& s) { return widen(s.c_str()); }

std::string narrow(const wchar_t* s, size_t n) {
  if (!s || n == 0) return {};
  int len = WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  if (len <= 0) return {};
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, s, static_cast<int>(n), out.data(), len, nullptr, nullptr);
  return out;
}

std::string narrow(const wchar_t* s) { return s ? narrow(s, wcslen(s)) : std::string(); }
std::string narrow(const std::wstring& s) { return narrow(s.data(), s.size()); }

}  // namespace support
