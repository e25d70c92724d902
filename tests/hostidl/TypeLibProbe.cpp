#include "tests/hostidl/TypeLibProbe.h"

#include <cwctype>

namespace probe {

GUID guid(const wchar_t* s) {
  GUID g = GUID_NULL;
  if (FAILED(IIDFromString(s, &g))) return GUID_NULL;
  return g;
}

std::wstring text(const GUID& g) {
  wchar_t buf[40] = {};
  StringFromGUID2(g, buf, 40);
  return buf;
}

ComPtr<ITypeLib> registeredLibrary(const GUID& libid) {
  ComPtr<ITypeLib> lib;
  LoadRegTypeLib(libid, 1, 0, LOCALE_NEUTRAL, &lib);
  return lib;
}

ComPtr<ITypeInfo> typeOf(ITypeLib* lib, const GUID& id) {
  ComPtr<ITypeInfo> info;
  if (lib) lib->GetTypeInfoOfGuid(id, &info);
  return info;
}

namespace {

// TYPEATTR for the scope of one read.
class Attr {
 public:
  explicit Attr(ITypeInfo* info) : m_info(info) {
    if (m_info) m_info->GetTypeAttr(&m_attr);
  }
  Attr(const Attr&) = delete;
  Attr& operator=(const Attr&) = delete;
  ~Attr() { if (m_attr) m_info->ReleaseTypeAttr(m_attr); }
  const TYPEATTR* operator->() const { return m_attr; }
  explicit operator bool() const { return m_attr != nullptr; }

 private:
  ITypeInfo* m_info;
  TYPEATTR* m_attr = nullptr;
};

// FUNCDESC for the scope of one read.
class Func {
 public:
  Func(ITypeInfo* info, UINT index) : m_info(info) { m_info->GetFuncDesc(index, &m_desc); }
  Func(const Func&) = delete;
  Func& operator=(const Func&) = delete;
  ~Func() { if (m_desc) m_info->ReleaseFuncDesc(m_desc); }
  const FUNCDESC* operator->() const { return m_desc; }
  explicit operator bool() const { return m_desc != nullptr; }

 private:
  ITypeInfo* m_info;
  FUNCDESC* m_desc = nullptr;
};

ComPtr<ITypeInfo> referenced(ITypeInfo* owner, HREFTYPE ref) {
  ComPtr<ITypeInfo> info;
  owner->GetRefTypeInfo(ref, &info);
  return info;
}

bool isInterface(ITypeInfo* info) {
  TYPEKIND k = kindOf(info);
  return k == TKIND_INTERFACE || k == TKIND_DISPATCH;
}

std::string typeWord(ITypeInfo* owner, const TYPEDESC* t, ComPtr<ITypeInfo>* objectType) {
  switch (t->vt) {
    case VT_BSTR: return "BSTR";
    case VT_BOOL: return "bool";
    case VT_I4: case VT_INT: case VT_UI4: case VT_UINT: case VT_I8: case VT_UI8: return "integer";
    case VT_UI1: return "byte";
    case VT_R8: return "double";
    case VT_VARIANT: return "VARIANT";
    case VT_DISPATCH: case VT_UNKNOWN: return "object";
    case VT_PTR: {
      const TYPEDESC* to = t->lptdesc;
      if (to->vt == VT_USERDEFINED) {
        ComPtr<ITypeInfo> target = referenced(owner, to->hreftype);
        if (isInterface(target.Get())) {
          if (objectType) *objectType = target;
          return "object";
        }
      }
      if (to->vt == VT_DISPATCH || to->vt == VT_UNKNOWN) return "object";
      return "pointer";
    }
    default: return "other";
  }
}

std::string shapeWithType(ITypeInfo* owner, const ELEMDESC& param, ComPtr<ITypeInfo>* objectType) {
  USHORT flags = param.paramdesc.wParamFlags;
  bool out = (flags & PARAMFLAG_FOUT) != 0;
  bool in = (flags & PARAMFLAG_FIN) != 0;
  const char* dir = out ? (in ? "inout " : "out ") : "in ";
  const TYPEDESC* t = &param.tdesc;
  // An output travels through one more level of pointer than its value.
  if (out && t->vt == VT_PTR) t = t->lptdesc;
  return dir + typeWord(owner, t, objectType);
}

}  // namespace

std::string shapeOf(ITypeInfo* owner, const ELEMDESC& param) {
  return shapeWithType(owner, param, nullptr);
}

ComPtr<ITypeInfo> vtablePart(ITypeInfo* info) {
  if (!info) return nullptr;
  if (kindOf(info) == TKIND_DISPATCH && (flagsOf(info) & TYPEFLAG_FDUAL)) {
    HREFTYPE ref = 0;
    if (FAILED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref))) return nullptr;
    return referenced(info, ref);
  }
  return info;
}

TYPEKIND kindOf(ITypeInfo* info) {
  Attr attr(info);
  return attr ? attr->typekind : TKIND_MAX;
}

WORD flagsOf(ITypeInfo* info) {
  Attr attr(info);
  return attr ? attr->wTypeFlags : 0;
}

GUID guidOf(ITypeInfo* info) {
  Attr attr(info);
  return attr ? attr->guid : GUID_NULL;
}

ComPtr<ITypeInfo> baseOf(ITypeInfo* info) {
  Attr attr(info);
  if (!attr || attr->cImplTypes == 0) return nullptr;
  HREFTYPE ref = 0;
  if (FAILED(info->GetRefTypeOfImplType(0, &ref))) return nullptr;
  return referenced(info, ref);
}

std::vector<Method> methodsOf(ITypeInfo* vtable) {
  std::vector<Method> out;
  Attr attr(vtable);
  if (!attr) return out;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    Func f(vtable, i);
    if (!f) continue;
    Method m;
    support::Bstr name;
    vtable->GetDocumentation(f->memid, name.out(), nullptr, nullptr, nullptr);
    m.name = name.c_str();
    m.memid = f->memid;
    m.invkind = f->invkind;
    m.slot = f->oVft / static_cast<int>(sizeof(void*));
    for (SHORT p = 0; p < f->cParams; ++p) {
      ComPtr<ITypeInfo> objectType;
      m.params.push_back(shapeWithType(vtable, f->lprgelemdescParam[p], &objectType));
      m.objectTypes.push_back(objectType);
    }
    out.push_back(std::move(m));
  }
  return out;
}

const Method* findByName(const std::vector<Method>& methods, const wchar_t* name, INVOKEKIND kind) {
  for (const Method& m : methods)
    if (m.name == name && m.invkind == kind) return &m;
  return nullptr;
}

const Method* findBySlot(const std::vector<Method>& methods, int slot) {
  for (const Method& m : methods)
    if (m.slot == slot) return &m;
  return nullptr;
}

namespace {

std::wstring registryDefault(const std::wstring& key) {
  wchar_t buf[100] = {};
  DWORD size = sizeof(buf);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS)
    return L"";
  std::wstring value = buf;
  for (wchar_t& c : value) c = static_cast<wchar_t>(std::towupper(c));
  return value;
}

}  // namespace

std::wstring registeredProxyStub(const GUID& iid) {
  return registryDefault(L"Interface\\" + text(iid) + L"\\ProxyStubClsid32");
}

std::wstring registeredTypeLib(const GUID& iid) {
  return registryDefault(L"Interface\\" + text(iid) + L"\\TypeLib");
}

}  // namespace probe
