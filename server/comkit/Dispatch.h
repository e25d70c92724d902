#pragma once
// IDispatch for dual interfaces, served from type information (DispGetIDsOfNames / DispInvoke).
//
// Dual<I> implements the four IDispatch methods of the dual interface I from I's type
// information. Without a LIBID it is found in the module's own embedded library (type-library
// resource 1 of the DLL); Dual<I, &LIBID_x, major, minor> takes it from that registered library.
// Type information is loaded on first use and kept for the process.
#include <windows.h>
#include <oaidl.h>

namespace comkit {

// Where a dual interface's type information lives.
struct TypeLibrary {
  const GUID* libid;  // null: the module's own embedded type library
  WORD major;
  WORD minor;
};

// The type information of interface iid: as a client should see it (the dispinterface view of
// a dual interface), or as DispInvoke needs it (the vtable view). AddRef'ed.
HRESULT typeInfoFor(REFIID iid, const TypeLibrary& lib, bool vtableView, ITypeInfo** out);

// The IDispatch methods, shared by every Dual<I>.
HRESULT dispatchGetTypeInfo(REFIID iid, const TypeLibrary& lib, UINT index, ITypeInfo** out);
HRESULT dispatchGetIDsOfNames(REFIID iid, const TypeLibrary& lib, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* ids);
HRESULT dispatchInvoke(void* self, REFIID iid, const TypeLibrary& lib, DISPID member, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError);

template <class I, const GUID* Libid = nullptr, WORD Major = 1, WORD Minor = 0>
class Dual : public I {
 public:
  using Interface = I;

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    return dispatchGetTypeInfo(__uuidof(I), Lib, index, out);
  }
  STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return dispatchGetIDsOfNames(__uuidof(I), Lib, riid, names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override {
    return dispatchInvoke(static_cast<I*>(this), __uuidof(I), Lib, member, riid, flags, params, result, exception,
                          argError);
  }

 private:
  static constexpr TypeLibrary Lib = {Libid, Major, Minor};
};

}  // namespace comkit
