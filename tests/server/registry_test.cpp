// Quellmar.dll as registered by the scripts: registry entries, type library, resources, exports,
// and a round trip through DllUnregisterServer / DllRegisterServer.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/Raii.h"
#include "tests/server/ServerTestSupport.h"
#include "support/Text.h"

using servertest::guidText;
using servertest::keyExists;
using servertest::readString;
using support::ComPtr;

namespace {

GUID guid(const wchar_t* text) {
  GUID g = {};
  EXPECT_EQ(S_OK, CLSIDFromString(text, &g)) << support::narrow(text);
  return g;
}

struct ExpectedClass {
  const wchar_t* clsid;
  const wchar_t* name;
  const wchar_t* progId;
  const wchar_t* versionIndependentProgId;
  bool programmable;
};

const ExpectedClass kClasses[] = {
    {L"{FC542653-7053-4F0E-827D-4EC3F93891A4}", L"VBPropPkg", L"Zendrel.VBPropPkg.1", L"Zendrel.VBPropPkg", false},
    {L"{26AF6A69-C443-11D4-A43B-00902724BD35}", L"MatObj", L"Zendrel.MatObj.1", L"Zendrel.MatObj", true},
    {L"{38677279-E7A7-11D4-9CC7-0050048B973E}", L"TPropPack", L"Zendrel.TPropPack.1", L"Zendrel.TPropPack", true},
    {L"{16152C67-B39D-4793-BDEB-1BBFB3E7F996}", L"VBSimuCont", L"Zendrel.VBSimuCont.1", L"Zendrel.VBSimuCont", true},
};

const wchar_t* const kContainerIds[] = {
    L"{E2E5EFB7-FCBF-4C76-8DDA-D5052F7E6480}",
    L"{89D61535-BCF0-4300-8BAE-D646432D926A}",
    L"{0C426F18-9A97-4271-8A34-A63DD0DF4DE7}",
};

const wchar_t kLibId[] = L"{1B57873A-16A4-4CE7-B54A-01D5C5D8A0B4}";
const wchar_t kCapeOpenLibId[] = L"{4A5E2E81-C093-11D4-9F1B-0010A4D198C2}";
const wchar_t kHostLibId[] = L"{34FA3BE8-F44E-4DD9-A415-025103322737}";

std::wstring classKey(const ExpectedClass& c) { return std::wstring(L"CLSID\\") + c.clsid; }
std::wstring description(const ExpectedClass& c) { return std::wstring(c.name) + L" Class"; }

// The module's file name as the loader knows it.
std::wstring loadedModulePath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(servertest::dllModule(), path, MAX_PATH);
  return path;
}


void expectRegistered(const ExpectedClass& c) {
  SCOPED_TRACE(support::narrow(c.name));
  std::wstring text;
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, c.progId, nullptr, text));
  EXPECT_EQ(description(c), text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\CLSID", nullptr, text));
  EXPECT_EQ(c.clsid, text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, c.versionIndependentProgId, nullptr, text));
  EXPECT_EQ(description(c), text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, std::wstring(c.versionIndependentProgId) + L"\\CLSID", nullptr, text));
  EXPECT_EQ(c.clsid, text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, std::wstring(c.versionIndependentProgId) + L"\\CurVer", nullptr, text));
  EXPECT_EQ(c.progId, text);

  const std::wstring key = classKey(c);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, key, nullptr, text));
  EXPECT_EQ(description(c), text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, key + L"\\ProgID", nullptr, text));
  EXPECT_EQ(c.progId, text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, key + L"\\VersionIndependentProgID", nullptr, text));
  EXPECT_EQ(c.versionIndependentProgId, text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, text));
  EXPECT_TRUE(servertest::sameTextNoCase(loadedModulePath(), text)) << support::narrow(text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", text));
  EXPECT_EQ(L"Apartment", text);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, text));
  EXPECT_EQ(kLibId, text);
  EXPECT_EQ(c.programmable, keyExists(HKEY_CLASSES_ROOT, key + L"\\Programmable"));

  CLSID resolved = {};
  EXPECT_EQ(S_OK, CLSIDFromProgID(c.progId, &resolved));
  EXPECT_EQ(c.clsid, guidText(resolved));
  EXPECT_EQ(S_OK, CLSIDFromProgID(c.versionIndependentProgId, &resolved));
  EXPECT_EQ(c.clsid, guidText(resolved));
}

void expectUnregistered(const ExpectedClass& c) {
  SCOPED_TRACE(support::narrow(c.name));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.progId));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, c.versionIndependentProgId));
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, classKey(c)));
  CLSID resolved = {};
  EXPECT_NE(S_OK, CLSIDFromProgID(c.progId, &resolved));
}

HRESULT callEntryPoint(const char* name) {
  auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(servertest::dllExport(name)));
  return entry ? entry() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

// Puts the registration back however the test leaves, so later tests and programs find it.
class ReregisterOnExit {
 public:
  ReregisterOnExit() = default;
  ReregisterOnExit(const ReregisterOnExit&) = delete;
  ReregisterOnExit& operator=(const ReregisterOnExit&) = delete;
  ~ReregisterOnExit() { EXPECT_EQ(S_OK, callEntryPoint("DllRegisterServer")); }
};

ComPtr<ITypeLib> registeredLibrary() {
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(S_OK, LoadRegTypeLib(guid(kLibId), 1, 0, 0x409, lib.GetAddressOf()));
  return lib;
}

std::wstring typeName(ITypeInfo* info) {
  support::Bstr name;
  info->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr);
  return name.c_str();
}

// The function names of an interface in vtable-slot order, from its vtable description.
std::vector<std::wstring> functionNames(ITypeInfo* info) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return {};
  std::vector<std::pair<SHORT, std::wstring>> slots;
  for (UINT i = 0; i < attr->cFuncs; ++i) {
    FUNCDESC* func = nullptr;
    if (FAILED(info->GetFuncDesc(i, &func))) continue;
    support::Bstr name;
    info->GetDocumentation(func->memid, name.out(), nullptr, nullptr, nullptr);
    const wchar_t* prefix = (func->invkind & INVOKE_PROPERTYGET) ? L"get " : (func->invkind & INVOKE_PROPERTYPUT) ? L"put " : L"";
    slots.emplace_back(func->oVft, prefix + std::wstring(name.c_str()));
    info->ReleaseFuncDesc(func);
  }
  info->ReleaseTypeAttr(attr);
  std::sort(slots.begin(), slots.end());
  std::vector<std::wstring> names;
  for (auto& slot : slots) names.push_back(slot.second);
  return names;
}

// The first vtable slot of an interface's own functions (7 for dual interfaces).
SHORT firstSlot(ITypeInfo* info) {
  FUNCDESC* func = nullptr;
  if (FAILED(info->GetFuncDesc(0, &func))) return -1;
  SHORT slot = static_cast<SHORT>(func->oVft / sizeof(void*));
  info->ReleaseFuncDesc(func);
  return slot;
}

// The vtable description of a dual interface of the library.
ComPtr<ITypeInfo> vtableView(ITypeLib* lib, const wchar_t* iid) {
  ComPtr<ITypeInfo> dispatch, vtable;
  EXPECT_EQ(S_OK, lib->GetTypeInfoOfGuid(guid(iid), dispatch.GetAddressOf()));
  if (!dispatch) return {};
  HREFTYPE ref = 0;
  EXPECT_EQ(S_OK, dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
  EXPECT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, vtable.GetAddressOf()));
  return vtable;
}

}  // namespace

TEST(Registration, EveryClassHasItsProgIdsAndClassKey) {
  for (const ExpectedClass& c : kClasses) expectRegistered(c);
}

TEST(Registration, SimulationContextProgIdResolvesToItsModule) {
  CLSID clsid = {};
  ASSERT_EQ(S_OK, CLSIDFromProgID(L"Zendrel.VBSimuCont", &clsid));
  EXPECT_EQ(L"{16152C67-B39D-4793-BDEB-1BBFB3E7F996}", guidText(clsid));
  std::wstring server, model;
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, L"CLSID\\" + guidText(clsid) + L"\\InprocServer32", nullptr, server));
  EXPECT_TRUE(servertest::sameTextNoCase(servertest::dllPath(), server)) << support::narrow(server);
  ASSERT_TRUE(readString(HKEY_CLASSES_ROOT, L"CLSID\\" + guidText(clsid) + L"\\InprocServer32", L"ThreadingModel", model));
  EXPECT_EQ(L"Apartment", model);
}

TEST(Registration, ContainerClassIsHeldButNeverRegistered) {
  for (const wchar_t* id : kContainerIds) EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + id)) << support::narrow(id);
  EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, L"Zendrel.VBPropPackageContainer"));
}

TEST(Registration, UnregisterRemovesEntriesAndRegisterRestoresThem) {
  ReregisterOnExit restore;
  ASSERT_EQ(S_OK, callEntryPoint("DllUnregisterServer"));
  for (const ExpectedClass& c : kClasses) expectUnregistered(c);
  EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  ComPtr<ITypeLib> lib;
  EXPECT_NE(S_OK, LoadRegTypeLib(guid(kLibId), 1, 0, 0x409, lib.GetAddressOf()));

  ASSERT_EQ(S_OK, callEntryPoint("DllRegisterServer"));
  for (const ExpectedClass& c : kClasses) expectRegistered(c);
  EXPECT_EQ(S_OK, LoadRegTypeLib(guid(kLibId), 1, 0, 0x409, lib.ReleaseAndGetAddressOf()));
}

TEST(TypeLibrary, RegisteredFromTheModuleWithItsAttributes) {
  ComPtr<ITypeLib> lib = registeredLibrary();
  ASSERT_TRUE(lib);
  support::Bstr name, help;
  ASSERT_EQ(S_OK, lib->GetDocumentation(-1, name.out(), help.out(), nullptr, nullptr));
  EXPECT_STREQ(L"ZENDRELLib", name.c_str());
  EXPECT_STREQ(L"Zendrel 1.0 Type Library", help.c_str());
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
  EXPECT_EQ(kLibId, guidText(attr->guid));
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  EXPECT_EQ(0x409u, attr->lcid);
  lib->ReleaseTLibAttr(attr);

  support::Bstr path;
  ASSERT_EQ(S_OK, QueryPathOfRegTypeLib(guid(kLibId), 1, 0, 0x409, path.out()));
  EXPECT_TRUE(servertest::sameTextNoCase(servertest::dllPath(), path.c_str())) << support::narrow(path.c_str());
}

TEST(TypeLibrary, HoldsExactlyItsNineDualInterfacesAndFiveCoclasses) {
  ComPtr<ITypeLib> lib = registeredLibrary();
  ASSERT_TRUE(lib);
  ASSERT_EQ(14u, lib->GetTypeInfoCount());
  std::vector<std::wstring> interfaces, coclasses;
  for (UINT i = 0; i < 14; ++i) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, lib->GetTypeInfo(i, info.GetAddressOf()));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    const std::wstring name = typeName(info.Get());
    if (attr->typekind == TKIND_COCLASS) {
      coclasses.push_back(name);
    } else {
      interfaces.push_back(name);
      EXPECT_EQ(TKIND_DISPATCH, attr->typekind) << support::narrow(name);
      EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL) << support::narrow(name);
    }
    info->ReleaseTypeAttr(attr);
  }
  std::sort(interfaces.begin(), interfaces.end());
  std::sort(coclasses.begin(), coclasses.end());
  EXPECT_EQ((std::vector<std::wstring>{L"ICapeDiagnostics", L"IMatObj", L"IPrivPropPkg", L"ITPropPack",
                                       L"IVBPropPackageCalc", L"IVBPropPackageContainer", L"IVBPropPackageUI",
                                       L"IVBSimuCont", L"PrivatePropertyPackage"}),
            interfaces);
  EXPECT_EQ((std::vector<std::wstring>{L"TPropPack", L"VBPropPackageContainer", L"VBPropPkg", L"VBSimuCont", L"matObj"}),
            coclasses);
}

TEST(TypeLibrary, CoclassesCarryTheClassIds) {
  ComPtr<ITypeLib> lib = registeredLibrary();
  ASSERT_TRUE(lib);
  const std::pair<const wchar_t*, const wchar_t*> coclasses[] = {
      {L"VBPropPkg", kClasses[0].clsid}, {L"matObj", kClasses[1].clsid},         {L"TPropPack", kClasses[2].clsid},
      {L"VBSimuCont", kClasses[3].clsid}, {L"VBPropPackageContainer", kContainerIds[0]},
  };
  for (const auto& [name, clsid] : coclasses) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, lib->GetTypeInfoOfGuid(guid(clsid), info.GetAddressOf())) << support::narrow(name);
    EXPECT_EQ(name, typeName(info.Get()));
  }
}

TEST(TypeLibrary, InterfaceSlotsFollowTheirOwners) {
  ComPtr<ITypeLib> lib = registeredLibrary();
  ASSERT_TRUE(lib);
  ComPtr<ITypeInfo> matObj = vtableView(lib.Get(), L"{26AF6A68-C443-11D4-A43B-00902724BD35}");
  ASSERT_TRUE(matObj);
  EXPECT_EQ(7, firstSlot(matObj.Get()));
  EXPECT_EQ((std::vector<std::wstring>{L"put proxyPtr", L"getThis", L"put PropertyPackage", L"Terminate", L"setComps",
                                       L"SetNumComps", L"GetFugCoefs", L"get ownerHWnd", L"put ownerHWnd",
                                       L"SetTPFraction", L"GetPropVal", L"setPropVal", L"get popUpAnyError",
                                       L"put popUpAnyError", L"safeCalcProp", L"GetTPfraction", L"get liquid2Name",
                                       L"put liquid2Name", L"RemoveResult", L"phaseExists"}),
            functionNames(matObj.Get()));

  ComPtr<ITypeInfo> diagnostics = vtableView(lib.Get(), L"{6AC6E850-19E4-11D5-9D1D-0050048B973E}");
  ASSERT_TRUE(diagnostics);
  EXPECT_EQ(7, firstSlot(diagnostics.Get()));
  EXPECT_EQ((std::vector<std::wstring>{L"logError", L"popUpError", L"complainError"}), functionNames(diagnostics.Get()));

  ComPtr<ITypeInfo> priv = vtableView(lib.Get(), L"{30077C3B-91B2-42FE-BB03-9575A8945AB3}");
  ASSERT_TRUE(priv);
  EXPECT_EQ(7, firstSlot(priv.Get()));
  EXPECT_EQ((std::vector<std::wstring>{L"getThis", L"selectPropPack", L"createPropPackage", L"createMatObject",
                                       L"calcProp", L"getCompConstantDbl", L"get OvVarValue", L"put OvVarValue",
                                       L"PkgSave", L"PkgRecall", L"setup", L"get recalling", L"put recalling",
                                       L"setComps", L"PrivTerminate", L"get moduleName", L"put moduleName"}),
            functionNames(priv.Get()));
}

// IVBPropPackageCalc carries the host interface's calculation methods (slots 14-30), in order.
TEST(TypeLibrary, CalculationInterfaceMatchesTheHostSlots) {
  ComPtr<ITypeLib> lib = registeredLibrary();
  ASSERT_TRUE(lib);
  ComPtr<ITypeInfo> calc = vtableView(lib.Get(), L"{BEDCA549-6D54-41B5-96AE-EC66FAB141D6}");
  ASSERT_TRUE(calc);
  ComPtr<ITypeLib> hostLib;
  ASSERT_EQ(S_OK, LoadRegTypeLib(guid(kHostLibId), 1, 0, 0, hostLib.GetAddressOf()));
  ComPtr<ITypeInfo> host;
  ASSERT_EQ(S_OK, hostLib->GetTypeInfoOfGuid(guid(L"{84933DD7-89C8-434F-895A-4461FB271690}"), host.GetAddressOf()));
  std::vector<std::wstring> hostNames = functionNames(host.Get());
  ASSERT_EQ(28u, hostNames.size());  // slots 3-30
  hostNames.erase(hostNames.begin(), hostNames.begin() + 11);
  EXPECT_EQ(hostNames, functionNames(calc.Get()));
}

// CAPE-OPEN types are referenced in the imported CAPE-OPEN library, never copied into this one.
TEST(TypeLibrary, CapeOpenTypesComeFromTheImportedLibrary) {
  ComPtr<ITypeLib> lib = registeredLibrary();
  ASSERT_TRUE(lib);
  ComPtr<ITypeInfo> priv = vtableView(lib.Get(), L"{7293EC93-E3D3-44D0-A249-1A21AE3035F2}");
  ASSERT_TRUE(priv);
  FUNCDESC* func = nullptr;
  ASSERT_EQ(S_OK, priv->GetFuncDesc(0, &func));  // get COPropPack([out, retval] ICapeThermoPropertyPackage**)
  ASSERT_EQ(1, func->cParams);
  const TYPEDESC* type = &func->lprgelemdescParam[0].tdesc;
  while (type->vt == VT_PTR) type = type->lptdesc;
  ASSERT_EQ(VT_USERDEFINED, type->vt);
  ComPtr<ITypeInfo> referenced;
  ASSERT_EQ(S_OK, priv->GetRefTypeInfo(type->hreftype, referenced.GetAddressOf()));
  priv->ReleaseFuncDesc(func);
  EXPECT_EQ(L"ICapeThermoPropertyPackage", typeName(referenced.Get()));
  ComPtr<ITypeLib> owner;
  UINT index = 0;
  ASSERT_EQ(S_OK, referenced->GetContainingTypeLib(owner.GetAddressOf(), &index));
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, owner->GetLibAttr(&attr));
  EXPECT_EQ(kCapeOpenLibId, guidText(attr->guid));
  owner->ReleaseTLibAttr(attr);
}

TEST(Resources, TypeLibraryIsResourceOne) {
  HMODULE module = servertest::dllModule();
  ASSERT_NE(nullptr, module);
  EXPECT_NE(nullptr, FindResourceW(module, MAKEINTRESOURCEW(1), L"TYPELIB"));
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(S_OK, LoadTypeLibEx(servertest::dllPath().c_str(), REGKIND_NONE, lib.GetAddressOf()));
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(S_OK, lib->GetLibAttr(&attr));
  EXPECT_EQ(kLibId, guidText(attr->guid));
  lib->ReleaseTLibAttr(attr);
}

TEST(Resources, StringTableInUsEnglish) {
  HMODULE module = servertest::dllModule();
  ASSERT_NE(nullptr, module);
  // Strings 96-111 live in block 7.
  EXPECT_NE(nullptr, FindResourceExW(module, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(7),
                                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)));
  const std::pair<UINT, const wchar_t*> strings[] = {
      {100, L"Zendrel"},
      {102, L"VBPropPackageContainer Class"},
      {103, L"It'll be interpreted through its CompId. "},
      {104, L"It'll be interpreted as a Hypothetical component. "},
      {105, L"Contact this component's vendor. "},
      {106, L"The components cannot be uniquely identified since some of their CompId fields have repeated values. "},
  };
  for (const auto& [id, text] : strings) {
    wchar_t buffer[512] = {};
    EXPECT_GT(LoadStringW(module, id, buffer, 512), 0) << id;
    EXPECT_STREQ(text, buffer) << id;
  }
  wchar_t none[16] = {};
  EXPECT_EQ(0, LoadStringW(module, 101, none, 16));
}

TEST(Resources, VersionNamesTheProduct) {
  const std::wstring path = servertest::dllPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
  EXPECT_EQ(static_cast<DWORD>(VFT_DLL), fixed->dwFileType);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(0x0409, translation[0]);
  EXPECT_EQ(1200, translation[1]);

  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"FileVersion", L"1.0.0.1"},      {L"ProductVersion", L"1.0.0.1"},
      {L"CompanyName", L"Zendrel"},      {L"ProductName", L"Brellan ORVEX CAPE-OPEN"},
      {L"InternalName", L"Quellmar"},    {L"OriginalFilename", L"Quellmar.dll"},
  };
  for (const auto& [key, expected] : strings) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + key;
    ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << support::narrow(key);
    EXPECT_STREQ(expected, value) << support::narrow(key);
  }
}

// The module exports the four entry points and nothing else.
TEST(Exports, OnlyTheFourEntryPoints) {
  auto* base = reinterpret_cast<const BYTE*>(servertest::dllModule());
  ASSERT_NE(nullptr, base);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(0u, dir.VirtualAddress);
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  std::vector<std::string> found;
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) found.emplace_back(reinterpret_cast<const char*>(base + names[i]));
  std::sort(found.begin(), found.end());
  EXPECT_EQ((std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}),
            found);
}
