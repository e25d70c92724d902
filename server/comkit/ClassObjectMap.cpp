#include "server/comkit/ClassObjectMap.h"

#include <new>

namespace comkit {

ClassObjectMap::ClassObjectMap(Module& module, std::vector<ClassEntry> classes)
    : m_module(module), m_classes(std::move(classes)), m_factories(m_classes.size(), nullptr) {}

ClassObjectMap::~ClassObjectMap() {
  for (void* encoded : m_factories) {
    if (encoded) static_cast<ClassFactory*>(DecodePointer(encoded))->Release();
  }
}

ClassFactory* ClassObjectMap::factoryAt(size_t index) {
  support::Lock lock(m_module.guard());
  if (!m_factories[index]) {
    auto* factory = new (std::nothrow) ClassFactory(m_classes[index].create);
    if (!factory) return nullptr;
    m_factories[index] = EncodePointer(factory);
  }
  return static_cast<ClassFactory*>(DecodePointer(m_factories[index]));
}

HRESULT ClassObjectMap::getClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!m_module.initialized()) return E_UNEXPECTED;
  for (size_t i = 0; i < m_classes.size(); ++i) {
    if (*m_classes[i].registration.clsid != clsid) continue;
    ClassFactory* factory = factoryAt(i);
    return factory ? factory->QueryInterface(riid, ppv) : E_OUTOFMEMORY;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ClassObjectMap::registerServer(bool withTypeLib) {
  try {
    const std::wstring path = m_module.path();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    for (const ClassEntry& entry : m_classes) {
      HRESULT hr = registerClass(entry.registration, path);
      if (FAILED(hr)) return hr;
    }
    return withTypeLib ? registerTypeLib(path) : S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ClassObjectMap::unregisterServer(bool withTypeLib) {
  try {
    for (const ClassEntry& entry : m_classes) {
      HRESULT hr = unregisterClass(entry.registration);
      if (FAILED(hr)) return hr;
    }
    return withTypeLib ? unregisterTypeLib(m_module.path()) : S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace comkit
