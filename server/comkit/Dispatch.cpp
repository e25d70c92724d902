#include "server/comkit/Dispatch.h"

#include <oleauto.h>

#include <cstring>
#include <map>

#include "server/comkit/Module.h"
#include "support/Raii.h"

namespace comkit {

namespace {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct CachedTypeInfo {
  support::ComPtr<ITypeInfo> client;  // what GetTypeInfo hands out
  support::ComPtr<ITypeInfo> vtable;  // what DispInvoke is given
};

// Type information by interface id, for the process; guarded by the module's lock.
std::map<GUID, CachedTypeInfo, GuidLess>& typeInfoCache() {
  static std::map<GUID, CachedTypeInfo, GuidLess> cache;
  return cache;
}

HRESULT loadLibrary(const TypeLibrary& lib, ITypeLib** out) {
  if (lib.libid) return LoadRegTypeLib(*lib.libid, lib.major, lib.minor, LOCALE_NEUTRAL, out);
  const std::wstring path = module().path();
  if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, out);
}

// A dual interface's dispinterface description refers (as implemented type -1) to its vtable
// description; any other interface is its own.
HRESULT vtableViewOf(ITypeInfo* info, ITypeInfo** out) {
  TYPEATTR* attr = nullptr;
  HRESULT hr = info->GetTypeAttr(&attr);
  if (FAILED(hr)) return hr;
  const bool dualDispatch = attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL);
  info->ReleaseTypeAttr(attr);
  if (!dualDispatch) {
    info->AddRef();
    *out = info;
    return S_OK;
  }
  HREFTYPE ref = 0;
  hr = info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref);
  if (FAILED(hr)) return hr;
  return info->GetRefTypeInfo(ref, out);
}

HRESULT loadTypeInfo(REFIID iid, const TypeLibrary& lib, CachedTypeInfo& entry) {
  support::ComPtr<ITypeLib> library;
  HRESULT hr = loadLibrary(lib, library.GetAddressOf());
  if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(iid, entry.client.GetAddressOf());
  if (SUCCEEDED(hr)) hr = vtableViewOf(entry.client.Get(), entry.vtable.GetAddressOf());
  return hr;
}

}  // namespace

HRESULT typeInfoFor(REFIID iid, const TypeLibrary& lib, bool vtableView, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    support::Lock lock(module().guard());
    auto& cache = typeInfoCache();
    auto found = cache.find(iid);
    if (found == cache.end()) {
      CachedTypeInfo entry;
      HRESULT hr = loadTypeInfo(iid, lib, entry);
      if (FAILED(hr)) return hr;  // not cached: a later call may find the library registered
      found = cache.emplace(iid, std::move(entry)).first;
    }
    ITypeInfo* info = vtableView ? found->second.vtable.Get() : found->second.client.Get();
    info->AddRef();
    *out = info;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

HRESULT dispatchGetTypeInfo(REFIID iid, const TypeLibrary& lib, UINT index, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return typeInfoFor(iid, lib, false, out);
}

HRESULT dispatchGetIDsOfNames(REFIID iid, const TypeLibrary& lib, REFIID riid, LPOLESTR* names, UINT count,
                              DISPID* ids) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  support::ComPtr<ITypeInfo> info;
  HRESULT hr = typeInfoFor(iid, lib, false, info.GetAddressOf());
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT dispatchInvoke(void* self, REFIID iid, const TypeLibrary& lib, DISPID member, REFIID riid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  support::ComPtr<ITypeInfo> info;
  HRESULT hr = typeInfoFor(iid, lib, true, info.GetAddressOf());
  if (FAILED(hr)) return hr;
  return DispInvoke(self, info.Get(), member, flags, params, result, exception, argError);
}

}  // namespace comkit
