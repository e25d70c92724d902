#pragma once
// The entry points of a counterpart server DLL (DllMain, DllGetClassObject, DllCanUnloadNow,
// DllRegisterServer, DllUnregisterServer) are the same for every one, so they live here and a
// DLL only says what it serves.
#include <windows.h>

#include <functional>
#include <vector>

#include "server/comkit/ClassObjectMap.h"

namespace counterpart {

struct ServedClasses {
  std::vector<comkit::ClassEntry> classes;
  // Registry entries written after the classes (a CAPE-OPEN description); null for none. A
  // server that has them takes its classes back when registration fails, so that no class is
  // left registered without them.
  std::function<HRESULT()> registerMore = {};
};

// Defined by each DLL that links the entry points.
ServedClasses servedClasses();

}  // namespace counterpart
