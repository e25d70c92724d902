#pragma once
// The module's object map: its creatable classes in order, their class factories and their
// registration. This is what the four DLL entry points of a server delegate to.
#include <windows.h>

#include <vector>

#include "server/comkit/ClassFactory.h"
#include "server/comkit/Module.h"
#include "server/comkit/Registrar.h"

namespace comkit {

struct ClassEntry {
  Creator create;
  ClassRegistration registration;
};

class ClassObjectMap {
 public:
  ClassObjectMap(Module& module, std::vector<ClassEntry> classes);
  ClassObjectMap(const ClassObjectMap&) = delete;
  ClassObjectMap& operator=(const ClassObjectMap&) = delete;
  ~ClassObjectMap();

  const std::vector<ClassEntry>& classes() const { return m_classes; }

  // DllGetClassObject: the class's factory, made on first request under the module's lock and
  // kept; CLASS_E_CLASSNOTAVAILABLE for a class not in the map; E_UNEXPECTED before the
  // module is initialised.
  HRESULT getClassObject(REFCLSID clsid, REFIID riid, void** ppv);

  // DllRegisterServer: every class in map order, then the type library from the module's own
  // path; stops at the first failure and returns it.
  HRESULT registerServer(bool withTypeLib);
  // DllUnregisterServer: the classes' entries, then the type library.
  HRESULT unregisterServer(bool withTypeLib);

 private:
  ClassFactory* factoryAt(size_t index);

  Module& m_module;
  std::vector<ClassEntry> m_classes;
  std::vector<void*> m_factories;  // EncodePointer'ed ClassFactory*, null until first request
};

}  // namespace comkit
