#include "server/comkit/ClassFactory.h"

#include "server/comkit/Module.h"

namespace comkit {

STDMETHODIMP ClassFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
  ULONG refs = ++m_refs;
  if (refs == 2) module().lock();  // the first reference beyond the keeper's
  return refs;
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  ULONG refs = --m_refs;
  if (refs == 1) module().unlock();
  if (refs == 0) delete this;
  return refs;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  return m_create(outer, riid, ppv);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    module().lockServer();
    return S_OK;
  }
  return module().unlockServer() ? S_OK : E_UNEXPECTED;
}

}  // namespace comkit
