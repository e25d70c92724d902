#pragma once
// The module object of an in-process server: its instance handle, its lock and its lock count.
// The lock count is the number of live objects (class factories handed out included) plus the
// outstanding server locks; the DLL may be unloaded only while it is zero.
#include <windows.h>

#include <atomic>
#include <string>

#include "support/Raii.h"

namespace comkit {

class Module {
 public:
  Module() = default;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Called once from DllMain at process attach. False when the module's lock could not be set
  // up; the DLL must then refuse to load.
  bool init(HINSTANCE instance);
  bool initialized() const { return m_initialized.load(); }
  HINSTANCE instance() const { return m_instance; }
  // Full path of the module file (GetModuleFileNameW); "" when it cannot be read.
  std::wstring path() const;

  // Live objects.
  void lock() { ++m_locks; }
  void unlock() { --m_locks; }
  // Server locks (IClassFactory::LockServer). An unlock without a matching lock is refused
  // (false), so that it cannot cancel an object's lock and let the DLL unload under it.
  void lockServer() { ++m_serverLocks; }
  bool unlockServer();
  LONG lockCount() const { return m_locks.load() + m_serverLocks.load(); }
  // The DllCanUnloadNow rule.
  HRESULT canUnloadNow() const { return lockCount() == 0 ? S_OK : S_FALSE; }

  // Serialises the module's own one-time work (class factories, type information).
  support::CriticalSection& guard() { return m_guard; }

 private:
  support::CriticalSection m_guard;
  HINSTANCE m_instance = nullptr;
  std::atomic<bool> m_initialized{false};
  std::atomic<LONG> m_locks{0};
  std::atomic<LONG> m_serverLocks{0};
};

// The module of the binary this library is linked into (each DLL has its own).
Module& module();

}  // namespace comkit
