#pragma once
// Conversions between the product's narrow texts (UTF-8) and the platform's wide strings.
#include <string>

namespace support {

std::wstring widen(const std::string& s);
std::wstring widen(const char* s);
std::string narrow(const std::wstring& s);
std::string narrow(const wchar_t* s);          // null gives ""
std::string narrow(const wchar_t* s, size_t n);

}  // namespace support
