#pragma once
// What every server DLL of the repository does in its entry points, so each DllMain.cpp only
// names its object map. Their work runs under support::answeringFailure: nothing may throw across
// an export, and nothing is shown from one.
#include <windows.h>

#include "server/comkit/Module.h"
#include "support/Guards.h"

namespace comkit {

// The body of DllMain: initialises the module object at process attach.
inline BOOL attachModule(HINSTANCE instance, DWORD reason) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  DisableThreadLibraryCalls(instance);
  return module().init(instance) ? TRUE : FALSE;
}

}  // namespace comkit
