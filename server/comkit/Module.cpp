#include "server/comkit/Module.h"

namespace comkit {

bool Module::init(HINSTANCE instance) {
  if (!m_guard.ok()) {
    OutputDebugStringA("ERROR : Unable to initialize critical section in CAtlBaseModule\n");
    return false;
  }
  m_instance = instance;
  m_initialized = true;
  return true;
}

std::wstring Module::path() const {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(m_instance, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return buffer.substr(0, n);
    buffer.resize(buffer.size() * 2);  // truncated: try a larger buffer
  }
}

bool Module::unlockServer() {
  LONG current = m_serverLocks.load();
  while (current > 0) {
    if (m_serverLocks.compare_exchange_weak(current, current - 1)) return true;
  }
  return false;
}

Module& module() {
  static Module theModule;
  return theModule;
}

}  // namespace comkit
