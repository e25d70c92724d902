#pragma once
// A reference-counted COM object implementing one dual interface, with IDispatch served from
// the interface's registered type information: the base of the stand-in host objects.
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <utility>

#include "support/Raii.h"

template <class Itf>
class DualObject : public Itf {
 public:
  explicit DualObject(const GUID& libid) {
    support::ComPtr<ITypeLib> lib;
    support::ComPtr<ITypeInfo> info;
    if (SUCCEEDED(LoadRegTypeLib(libid, 1, 0, LOCALE_NEUTRAL, &lib)) &&
        SUCCEEDED(lib->GetTypeInfoOfGuid(__uuidof(Itf), &info)))
      m_info = vtablePart(info.Get());
  }
  DualObject(const DualObject&) = delete;
  DualObject& operator=(const DualObject&) = delete;
  virtual ~DualObject() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Itf)) {
      *out = static_cast<Itf*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = m_info ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0 || !m_info) return DISP_E_BADINDEX;
    return m_info.CopyTo(out);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!m_info) return E_UNEXPECTED;
    return DispGetIDsOfNames(m_info.Get(), names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* error, UINT* badArg) override {
    if (!m_info) return E_UNEXPECTED;
    return DispInvoke(static_cast<Itf*>(this), m_info.Get(), id, flags, params, result, error, badArg);
  }

 private:
  static support::ComPtr<ITypeInfo> vtablePart(ITypeInfo* info) {
    HREFTYPE ref = 0;
    support::ComPtr<ITypeInfo> part;
    if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref)) &&
        SUCCEEDED(info->GetRefTypeInfo(ref, &part)))
      return part;
    return info;
  }

  std::atomic<ULONG> m_refs{1};
  support::ComPtr<ITypeInfo> m_info;
};

// Creates a stand-in object; the returned pointer holds the only reference.
template <class T, class... A>
support::ComPtr<T> makeObject(A&&... args) {
  support::ComPtr<T> p;
  p.Attach(new T(std::forward<A>(args)...));
  return p;
}
