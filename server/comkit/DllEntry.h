#pragma once
// What every server DLL of the repository does in its entry points, so each DllMain.cpp only
// names its object map.
#include <windows.h>

#include "server/comkit/Module.h"

namespace comkit {

// Runs an entry point's work; an exception becomes E_OUTOFMEMORY, since nothing may throw
// across an export.
template <class F>
HRESULT guarded(F&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// The body of DllMain: initialises the module object at process attach.
inline BOOL attachModule(HINSTANCE instance, DWORD reason) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  DisableThreadLibraryCalls(instance);
  return module().init(instance) ? TRUE : FALSE;
}

}  // namespace comkit
