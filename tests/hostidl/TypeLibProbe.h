#pragma once
// Reading registered type libraries back: what a caller (the type library marshaler, a
// dispatch client) sees of an interface, independent of the C++ headers.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "support/Raii.h"

namespace probe {

using support::ComPtr;

// Parses "{xxxxxxxx-...}"; GUID_NULL when the text is not a GUID.
GUID guid(const wchar_t* text);
std::wstring text(const GUID& g);

// The library as registered in the Wine prefix (LoadRegTypeLib, version 1.0).
ComPtr<ITypeLib> registeredLibrary(const GUID& libid);

// The type description of an interface id or class id; null when the library has none.
ComPtr<ITypeInfo> typeOf(ITypeLib* lib, const GUID& id);
// The vtable part of an interface: itself for a custom interface, the interface half of a dual.
ComPtr<ITypeInfo> vtablePart(ITypeInfo* info);

TYPEKIND kindOf(ITypeInfo* info);
WORD flagsOf(ITypeInfo* info);
GUID guidOf(ITypeInfo* info);
// The interface this one derives from; null for IUnknown itself.
ComPtr<ITypeInfo> baseOf(ITypeInfo* info);

// One method of a vtable part, described the way the tests compare it.
struct Method {
  std::wstring name;
  MEMBERID memid = 0;
  INVOKEKIND invkind = INVOKE_FUNC;
  int slot = -1;                        // vtable slot, IUnknown's QueryInterface is 0
  std::vector<std::string> params;      // "in BSTR", "out object", ... (see shapeOf)
  std::vector<ComPtr<ITypeInfo>> objectTypes;  // the interface of each object parameter, or null
};

// The interface's own methods (not inherited ones), in declaration order.
std::vector<Method> methodsOf(ITypeInfo* vtable);
const Method* findByName(const std::vector<Method>& methods, const wchar_t* name,
                         INVOKEKIND kind = INVOKE_FUNC);
const Method* findBySlot(const std::vector<Method>& methods, int slot);

// Direction ("in", "out", "inout") and a coarse type: BSTR, bool, integer (32/64-bit),
// byte, double, VARIANT, object, pointer, other. [out, retval] counts as "out".
std::string shapeOf(ITypeInfo* owner, const ELEMDESC& param);

// HKCR\Interface\{iid}\ProxyStubClsid32 and ...\TypeLib; empty when absent.
std::wstring registeredProxyStub(const GUID& iid);
std::wstring registeredTypeLib(const GUID& iid);

// The type library marshaler's class id, as registered for automation interfaces.
constexpr const wchar_t* kTypeLibMarshaler = L"{00020424-0000-0000-C000-000000000046}";

}  // namespace probe
