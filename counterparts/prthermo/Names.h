#pragma once
// CAPE-OPEN names compare case-insensitively (ASCII).
#include <algorithm>
#include <cctype>
#include <string>

namespace prthermo {

inline bool sameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

inline bool startsWithName(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && sameName(text.substr(0, prefix.size()), prefix);
}

}  // namespace prthermo
