#pragma once
// Owns an open registry key (support/Raii.h has no owner for HKEY).
#include <windows.h>

#include <utility>

namespace comkit {

class RegKey {
 public:
  RegKey() = default;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  RegKey(RegKey&& o) noexcept : m_key(std::exchange(o.m_key, nullptr)) {}
  ~RegKey() { reset(); }

  // For the HKEY* out argument of RegOpenKeyEx / RegCreateKeyEx.
  HKEY* out() {
    reset();
    return &m_key;
  }
  HKEY get() const { return m_key; }
  explicit operator bool() const { return m_key != nullptr; }
  void reset() {
    if (m_key) RegCloseKey(std::exchange(m_key, nullptr));
  }

 private:
  HKEY m_key = nullptr;
};

}  // namespace comkit
