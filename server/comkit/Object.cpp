#include "server/comkit/Object.h"

namespace comkit {

ObjectBase::ObjectBase() { module().lock(); }

ObjectBase::~ObjectBase() { module().unlock(); }

IUnknown* ObjectBase::findInterface(REFIID riid) {
  if (riid == IID_IUnknown) return &m_inner;
  size_t count = 0;
  const InterfaceEntry* table = interfaceTable(count);
  for (size_t i = 0; i < count; ++i) {
    if (table[i].cast && *table[i].iid == riid) return table[i].cast(this);
  }
  return nullptr;
}

HRESULT ObjectBase::finishCreation(ObjectBase* object, IUnknown* outer, REFIID riid, void** ppv) {
  if (outer) object->m_controlling = outer;
  // Hold the object while it completes, so that references taken and dropped inside
  // finalConstruct cannot destroy it early.
  object->m_inner.AddRef();
  HRESULT hr = object->finalConstruct();
  if (SUCCEEDED(hr)) hr = object->m_inner.QueryInterface(riid, ppv);
  object->m_inner.Release();
  return hr;
}

STDMETHODIMP ObjectBase::Inner::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  IUnknown* found = m_owner.findInterface(riid);
  *ppv = found;
  if (!found) return E_NOINTERFACE;
  // For IUnknown this is the inner count; for the others it reaches the controlling unknown.
  found->AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) ObjectBase::Inner::AddRef() { return ++m_owner.m_refs; }

STDMETHODIMP_(ULONG) ObjectBase::Inner::Release() {
  ULONG left = --m_owner.m_refs;
  if (left == 0) {
    // References taken and dropped by the destructor must not reach zero a second time.
    m_owner.m_refs = 0x40000000;
    delete &m_owner;
  }
  return left;
}

}  // namespace comkit
