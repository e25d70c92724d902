// The registered CAPE-OPEN 1.0 type library, read back through the platform's type-library
// API and compared with the interface tables of the published 1.0 library: library identity,
// every interface's IID, flags, base, member names, vtable slots, DISPIDs, invoke kinds and
// parameter types, the HRESULT enum, and the registry entries the marshaler relies on.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/Raii.h"
#include "support/Text.h"

using support::Bstr;
using support::ComPtr;

namespace {

const wchar_t kLibId[] = L"{4A5E2E81-C093-11D4-9F1B-0010A4D198C2}";

// ---------------------------------------------------------------------------------------------
// Expected contents

enum Kind { Get, Put, Method };

struct Member {
  int slot;
  DISPID dispid;
  Kind kind;
  const wchar_t* name;
  // "[flags] type name" per parameter in order; names are compared for methods only, since
  // the names of a property's accessors are read back through the shared DISPID.
  std::vector<const wchar_t*> params;
};

struct Interface {
  const wchar_t* name;
  const wchar_t* iid;
  std::vector<Member> members;
};

const wchar_t kRetBstr[] = L"[out,retval] BSTR*";
const wchar_t kRetVariant[] = L"[out,retval] VARIANT*";
const wchar_t kRetDispatch[] = L"[out,retval] IDispatch**";
const wchar_t kRetLong[] = L"[out,retval] long*";
const wchar_t kRetDouble[] = L"[out,retval] double*";

// The six members shared by ECapeUser and the solver errors.
std::vector<Member> userMembers() {
  return {
      {7, 1, Get, L"code", {kRetLong}},
      {8, 2, Get, L"description", {kRetBstr}},
      {9, 3, Get, L"scope", {kRetBstr}},
      {10, 4, Get, L"interfaceName", {kRetBstr}},
      {11, 5, Get, L"operation", {kRetBstr}},
      {12, 6, Get, L"moreInfo", {kRetBstr}},
  };
}

std::vector<Interface> commonAndThermoInterfaces() {
  return {
      {L"ICapeIdentification", L"{678C0990-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Get, L"ComponentName", {kRetBstr}},
           {8, 1, Put, L"ComponentName", {L"[in] BSTR"}},
           {9, 2, Get, L"ComponentDescription", {kRetBstr}},
           {10, 2, Put, L"ComponentDescription", {L"[in] BSTR"}},
       }},
      {L"ICapeUtilities", L"{678C0A9B-0100-11D2-A67D-00105A42887F}",
       {
           {7, 1, Get, L"parameters", {kRetDispatch}},
           {8, 2, Put, L"simulationContext", {L"[in] IDispatch*"}},
           {9, 3, Method, L"Initialize", {}},
           {10, 4, Method, L"Terminate", {}},
           {11, 5, Method, L"Edit", {}},
       }},
      {L"ICapeCollection", L"{678C099A-0093-11D2-A67D-00105A42887F}",
       {
           {7, 1, Method, L"Item", {L"[in] VARIANT id", kRetDispatch}},
           {8, 2, Method, L"Count", {kRetLong}},
       }},
      {L"ICapeSimulationContext", L"{678C0A9C-0100-11D2-A67D-00105A42887F}", {}},
      {L"ICapeDiagnostic", L"{678C0A9D-0100-11D2-A67D-00105A42887F}",
       {
           {7, 1, Method, L"PopUpMessage", {L"[in] BSTR message"}},
           {8, 2, Method, L"LogMessage", {L"[in] BSTR message"}},
       }},
      {L"ICapeThermoSystem", L"{678C0995-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Method, L"GetPropertyPackages", {kRetVariant}},
           {8, 2, Method, L"ResolvePropertyPackage", {L"[in] BSTR propertyPackage", kRetDispatch}},
       }},
      {L"ICapeThermoPropertyPackage", L"{678C0996-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Method, L"GetPhaseList", {kRetVariant}},
           {8, 2, Method, L"GetComponentList",
            {L"[in,out] VARIANT* compIds", L"[in,out] VARIANT* formulae", L"[in,out] VARIANT* name",
             L"[in,out] VARIANT* boilTemps", L"[in,out] VARIANT* molwt", L"[in,out] VARIANT* casno"}},
           {9, 3, Method, L"GetUniversalConstant",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
           {10, 4, Method, L"GetComponentConstant",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
           {11, 5, Method, L"CalcProp",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", L"[in] VARIANT phases",
             L"[in] BSTR calcType"}},
           {12, 6, Method, L"CalcEquilibrium",
            {L"[in] IDispatch* materialObject", L"[in] BSTR flashType", L"[in] VARIANT props"}},
           {13, 7, Method, L"PropCheck",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
           {14, 8, Method, L"ValidityCheck",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
           {15, 9, Method, L"GetPropList", {kRetVariant}},
       }},
      {L"ICapeThermoMaterialObject", L"{678C0994-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Get, L"ComponentIds", {kRetVariant}},
           {8, 2, Get, L"PhaseIds", {kRetVariant}},
           {9, 3, Method, L"GetUniversalConstant", {L"[in] VARIANT props", kRetVariant}},
           {10, 4, Method, L"GetComponentConstant",
            {L"[in] VARIANT props", L"[in] VARIANT compIds", kRetVariant}},
           {11, 5, Method, L"CalcProp",
            {L"[in] VARIANT props", L"[in] VARIANT phases", L"[in] BSTR calcType"}},
           {12, 6, Method, L"GetProp",
            {L"[in] BSTR property", L"[in] BSTR phase", L"[in] VARIANT compIds",
             L"[in] BSTR calcType", L"[in] BSTR basis", kRetVariant}},
           {13, 7, Method, L"SetProp",
            {L"[in] BSTR property", L"[in] BSTR phase", L"[in] VARIANT compIds",
             L"[in] BSTR calcType", L"[in] BSTR basis", L"[in] VARIANT values"}},
           {14, 8, Method, L"CalcEquilibrium", {L"[in] BSTR flashType", L"[in] VARIANT props"}},
           {15, 9, Method, L"SetIndependentVar", {L"[in] VARIANT indVars", L"[in] VARIANT values"}},
           {16, 10, Method, L"GetIndependentVar", {L"[in] VARIANT indVars", kRetVariant}},
           {17, 11, Method, L"PropCheck", {L"[in] VARIANT props", kRetVariant}},
           {18, 12, Method, L"AvailableProps", {kRetVariant}},
           {19, 13, Method, L"RemoveResults", {L"[in] VARIANT props"}},
           {20, 14, Method, L"CreateMaterialObject", {kRetDispatch}},
           {21, 15, Method, L"Duplicate", {kRetDispatch}},
           {22, 16, Method, L"ValidityCheck", {L"[in] VARIANT props", kRetVariant}},
           {23, 17, Method, L"GetPropList", {kRetVariant}},
           {24, 18, Method, L"GetNumComponents", {kRetLong}},
       }},
      {L"ICapeThermoMaterialTemplate", L"{678C0993-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Method, L"CreateMaterialObject", {kRetDispatch}},
           {8, 2, Method, L"SetProp", {L"[in] BSTR property", L"[in] VARIANT values"}},
       }},
      {L"ICapeThermoCalculationRoutine", L"{678C0991-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 0x60020000, Method, L"CalcProp",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", L"[in] VARIANT phases",
             L"[in] BSTR calcType"}},
           {8, 0x60020001, Method, L"PropCheck",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
           {9, 0x60020002, Method, L"PropList",
            {L"[in,out] VARIANT* props", L"[in,out] VARIANT* phases", L"[in,out] VARIANT* calcType"}},
           {10, 0x60020003, Method, L"ValidityCheck",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
       }},
      {L"ICapeThermoEquilibriumServer", L"{678C0997-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Method, L"CalcEquilibrium",
            {L"[in] IDispatch* materialObject", L"[in] BSTR flashType", L"[in] VARIANT props"}},
           {8, 2, Method, L"PropCheck",
            {L"[in] IDispatch* materialObject", L"[in] BSTR flashType", L"[in] VARIANT props",
             kRetVariant}},
           {9, 3, Method, L"ValidityCheck",
            {L"[in] IDispatch* materialObject", L"[in] VARIANT props", kRetVariant}},
           {10, 4, Method, L"PropList",
            {L"[in,out] VARIANT* flashType", L"[in,out] VARIANT* props", L"[in,out] VARIANT* phases",
             L"[in,out] VARIANT* calcType"}},
       }},
      {L"ICapeThermoReliability", L"{678C0992-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ICapeMaterialTemplateSystem", L"{678C0A9E-0100-11D2-A67D-00105A42887F}",
       {
           {7, 1, Get, L"MaterialTemplates", {kRetVariant}},
           {8, 2, Method, L"CreateMaterialTemplate",
            {L"[in] BSTR materialTemplateName", kRetDispatch}},
       }},
      {L"ICapeCOSEUtilities", L"{678C0A9F-0100-11D2-A67D-00105A42887F}",
       {
           {7, 1, Get, L"NamedValueList", {kRetVariant}},
           {8, 2, Get, L"NamedValue", {L"[in] BSTR", kRetVariant}},
       }},
  };
}

std::vector<Interface> errorInterfaces() {
  return {
      {L"ECapeRoot", L"{678C0B10-7D66-11D2-A67D-00105A42887F}", {{7, 1, Get, L"name", {kRetBstr}}}},
      {L"ECapeUser", L"{678C0B11-7D66-11D2-A67D-00105A42887F}", userMembers()},
      {L"ECapeUnknown", L"{678C0B12-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeData", L"{678C0B13-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeLicenceError", L"{678C0B14-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeBadCOParameter", L"{678C0B15-7D66-11D2-A67D-00105A42887F}",
       {{7, 1, Get, L"parameterName", {kRetBstr}}, {8, 2, Get, L"parameter", {kRetDispatch}}}},
      {L"ECapeBadArgument", L"{E29E42B3-E481-45C6-A737-78F4A7FC0391}",
       {{7, 1, Get, L"position", {L"[out,retval] short*"}}}},
      {L"ECapeInvalidArgument", L"{678C0B17-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeOutOfBounds", L"{678C0B18-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeImplementation", L"{678C0B19-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeNoImpl", L"{678C0B1A-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeLimitedImpl", L"{678C0B1B-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeComputation", L"{678C0B1C-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeOutOfResources", L"{678C0B1D-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeNoMemory", L"{678C0B1E-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeTimeOut", L"{678C0B1F-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeFailedInitialisation", L"{678C0B20-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeSolvingError", L"{678C0B21-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeBadInvOrder", L"{678C0B22-7D66-11D2-A67D-00105A42887F}",
       {{7, 1, Get, L"requestedOperation", {kRetBstr}}}},
      {L"ECapeInvalidOperation", L"{678C0B23-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeBoundaries", L"{678C0B29-7D66-11D2-A67D-00105A42887F}",
       {
           {7, 1, Get, L"LowerBound", {kRetDouble}},
           {8, 2, Get, L"UpperBound", {kRetDouble}},
           {9, 3, Get, L"value", {kRetDouble}},
           {10, 4, Get, L"Type", {kRetBstr}},
       }},
      {L"ECapePersistence", L"{678C0B24-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeIllegalAccess", L"{678C0B25-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapePersistenceNotFound", L"{678C0B26-7D66-11D2-A67D-00105A42887F}",
       {{7, 1, Get, L"itemName", {kRetBstr}}}},
      {L"ECapePersistenceSystemError", L"{678C0B27-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapePersistenceOverflow", L"{678C0B28-7D66-11D2-A67D-00105A42887F}", {}},
      {L"ECapeErrorDummy", L"{678C0B07-7D66-11D2-A67D-00105A42887F}",
       {{7, 1, Get, L"dummy", {L"[out,retval] CapeErrorInterfaceHR*"}}}},
      {L"ECapeOutsideSolverScope", L"{678C0B0F-7D66-11D2-A67D-00105A42887F}", userMembers()},
      {L"ECapeHessianInfoNotAvailable", L"{3FF0B24B-4299-4DAC-A46E-7843728AD205}", userMembers()},
  };
}

std::vector<Interface> allInterfaces() {
  std::vector<Interface> all = commonAndThermoInterfaces();
  for (Interface& i : errorInterfaces()) all.push_back(std::move(i));
  return all;
}

struct Code {
  const wchar_t* name;
  unsigned long value;
};

const Code kCodes[] = {
    {L"ECapeUnknownHR", 0x80040501},
    {L"ECapeDataHR", 0x80040502},
    {L"ECapeLicenceErrorHR", 0x80040503},
    {L"ECapeBadCOParameterHR", 0x80040504},
    {L"ECapeBadArgumentHR", 0x80040505},
    {L"ECapeInvalidArgumentHR", 0x80040506},
    {L"ECapeOutOfBoundsHR", 0x80040507},
    {L"ECapeImplementationHR", 0x80040508},
    {L"ECapeNoImplHR", 0x80040509},
    {L"ECapeLimitedImplHR", 0x8004050A},
    {L"ECapeComputationHR", 0x8004050B},
    {L"ECapeOutOfResourcesHR", 0x8004050C},
    {L"ECapeNoMemoryHR", 0x8004050D},
    {L"ECapeTimeOutHR", 0x8004050E},
    {L"ECapeFailedInitialisationHR", 0x8004050F},
    {L"ECapeSolvingErrorHR", 0x80040510},
    {L"ECapeBadInvOrderHR", 0x80040511},
    {L"ECapeInvalidOperationHR", 0x80040512},
    {L"ECapePersistenceHR", 0x80040513},
    {L"ECapeIllegalAccessHR", 0x80040514},
    {L"ECapePersistenceNotFoundHR", 0x80040515},
    {L"ECapePersistenceSystemErrorHR", 0x80040516},
    {L"ECapePersistenceOverflowHR", 0x80040517},
    {L"ECapeOutsideSolverScopeHR", 0x80040518},
    {L"ECapeHessianInfoNotAvailableHR", 0x80040519},
};

const wchar_t kEnumGuid[] = L"{678C0B01-7D66-11D2-A67D-00105A42887F}";
const wchar_t kEnumName[] = L"eCapeErrorInterfaceHR_tag";
const wchar_t kAliasName[] = L"CapeErrorInterfaceHR";

// ---------------------------------------------------------------------------------------------
// Type-library reading helpers

GUID guidOf(const wchar_t* text) {
  GUID g{};
  EXPECT_EQ(S_OK, IIDFromString(text, &g)) << support::narrow(text);
  return g;
}

// Releases a TLIBATTR / TYPEATTR / FUNCDESC / VARDESC with its owner's release method.
struct LibAttrRelease {
  ITypeLib* owner;
  void operator()(TLIBATTR* p) const { owner->ReleaseTLibAttr(p); }
};
struct TypeAttrRelease {
  ITypeInfo* owner;
  void operator()(TYPEATTR* p) const { owner->ReleaseTypeAttr(p); }
};
struct FuncDescRelease {
  ITypeInfo* owner;
  void operator()(FUNCDESC* p) const { owner->ReleaseFuncDesc(p); }
};
struct VarDescRelease {
  ITypeInfo* owner;
  void operator()(VARDESC* p) const { owner->ReleaseVarDesc(p); }
};
using LibAttr = std::unique_ptr<TLIBATTR, LibAttrRelease>;
using TypeAttr = std::unique_ptr<TYPEATTR, TypeAttrRelease>;
using FuncDesc = std::unique_ptr<FUNCDESC, FuncDescRelease>;
using VarDesc = std::unique_ptr<VARDESC, VarDescRelease>;

LibAttr libAttr(ITypeLib* lib) {
  TLIBATTR* p = nullptr;
  EXPECT_EQ(S_OK, lib->GetLibAttr(&p));
  return LibAttr(p, LibAttrRelease{lib});
}

TypeAttr typeAttr(ITypeInfo* ti) {
  TYPEATTR* p = nullptr;
  EXPECT_EQ(S_OK, ti->GetTypeAttr(&p));
  return TypeAttr(p, TypeAttrRelease{ti});
}

FuncDesc funcDesc(ITypeInfo* ti, UINT index) {
  FUNCDESC* p = nullptr;
  EXPECT_EQ(S_OK, ti->GetFuncDesc(index, &p));
  return FuncDesc(p, FuncDescRelease{ti});
}

VarDesc varDesc(ITypeInfo* ti, UINT index) {
  VARDESC* p = nullptr;
  EXPECT_EQ(S_OK, ti->GetVarDesc(index, &p));
  return VarDesc(p, VarDescRelease{ti});
}

std::wstring typeName(ITypeInfo* ti) {
  Bstr name;
  EXPECT_EQ(S_OK, ti->GetDocumentation(MEMBERID_NIL, name.out(), nullptr, nullptr, nullptr));
  return name.c_str();
}

ComPtr<ITypeInfo> referencedType(ITypeInfo* ti, HREFTYPE ref) {
  ComPtr<ITypeInfo> target;
  EXPECT_EQ(S_OK, ti->GetRefTypeInfo(ref, &target));
  return target;
}

// A TYPEDESC as it would be written in IDL ("VARIANT*", "IDispatch**", "CapeErrorInterfaceHR*").
std::wstring typeText(ITypeInfo* ti, const TYPEDESC& td) {
  switch (td.vt) {
    case VT_PTR: return typeText(ti, *td.lptdesc) + L"*";
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> target = referencedType(ti, td.hreftype);
      return target ? typeName(target.Get()) : L"?";
    }
    case VT_BSTR: return L"BSTR";
    case VT_VARIANT: return L"VARIANT";
    case VT_DISPATCH: return L"IDispatch*";
    case VT_I4: return L"long";
    case VT_I2: return L"short";
    case VT_R8: return L"double";
    case VT_BOOL: return L"VARIANT_BOOL";
    case VT_HRESULT: return L"HRESULT";
    default: return L"vt" + std::to_wstring(td.vt);
  }
}

std::wstring flagText(USHORT flags) {
  std::wstring text;
  auto add = [&](USHORT bit, const wchar_t* word) {
    if (!(flags & bit)) return;
    text += text.empty() ? L"" : L",";
    text += word;
  };
  add(PARAMFLAG_FIN, L"in");
  add(PARAMFLAG_FOUT, L"out");
  add(PARAMFLAG_FRETVAL, L"retval");
  add(PARAMFLAG_FOPT, L"optional");
  add(PARAMFLAG_FLCID, L"lcid");
  return L"[" + text + L"]";
}

// Names of a member and its parameters, as the type library reports them for its DISPID.
std::vector<std::wstring> memberNames(ITypeInfo* ti, MEMBERID id) {
  BSTR raw[16] = {};
  UINT count = 0;
  EXPECT_EQ(S_OK, ti->GetNames(id, raw, 16, &count));
  std::vector<std::wstring> names;
  for (UINT i = 0; i < count; ++i) names.push_back(Bstr::attach(raw[i]).c_str());
  return names;
}

// Parameters rendered like the expectation table: "[flags] type name".
std::vector<std::wstring> paramTexts(ITypeInfo* ti, const FUNCDESC& fd, bool withNames) {
  std::vector<std::wstring> names = memberNames(ti, fd.memid);
  std::vector<std::wstring> texts;
  for (SHORT i = 0; i < fd.cParams; ++i) {
    const ELEMDESC& e = fd.lprgelemdescParam[i];
    USHORT flags = e.paramdesc.wParamFlags;
    std::wstring text = flagText(flags) + L" " + typeText(ti, e.tdesc);
    size_t nameAt = static_cast<size_t>(i) + 1;
    bool named = withNames && !(flags & PARAMFLAG_FRETVAL) && nameAt < names.size();
    if (named) text += L" " + names[nameAt];
    texts.push_back(text);
  }
  return texts;
}

INVOKEKIND invokeKind(Kind k) {
  switch (k) {
    case Get: return INVOKE_PROPERTYGET;
    case Put: return INVOKE_PROPERTYPUT;
    default: return INVOKE_FUNC;
  }
}

// The library, loaded the way a client finds it: through the registry by LIBID and version.
class RegisteredLibrary : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_apartment.emplace();
    ASSERT_EQ(S_OK, s_apartment->result());
    HRESULT hr = LoadRegTypeLib(guidOf(kLibId), 1, 0, LOCALE_NEUTRAL, &s_lib);
    ASSERT_EQ(S_OK, hr) << "CAPE-OPEN 1.0 type library is not registered";
  }
  static void TearDownTestSuite() {
    s_lib.Reset();
    s_apartment.reset();
  }
  void SetUp() override { ASSERT_TRUE(s_lib) << "library did not load"; }

  static ComPtr<ITypeInfo> typeOfGuid(const wchar_t* guid) {
    ComPtr<ITypeInfo> ti;
    EXPECT_EQ(S_OK, s_lib->GetTypeInfoOfGuid(guidOf(guid), &ti)) << support::narrow(guid);
    return ti;
  }

  static std::optional<support::ComApartment> s_apartment;
  static ComPtr<ITypeLib> s_lib;
};
std::optional<support::ComApartment> RegisteredLibrary::s_apartment;
ComPtr<ITypeLib> RegisteredLibrary::s_lib;

// The vtable half of a dual interface.
ComPtr<ITypeInfo> vtableHalf(ITypeInfo* dispatchHalf) {
  HREFTYPE ref = 0;
  EXPECT_EQ(S_OK, dispatchHalf->GetRefTypeOfImplType(static_cast<UINT>(-1), &ref));
  return referencedType(dispatchHalf, ref);
}

GUID baseInterface(ITypeInfo* ti) {
  HREFTYPE ref = 0;
  EXPECT_EQ(S_OK, ti->GetRefTypeOfImplType(0, &ref));
  ComPtr<ITypeInfo> base = referencedType(ti, ref);
  if (!base) return GUID_NULL;
  return typeAttr(base.Get())->guid;
}

void expectMember(ITypeInfo* vtbl, UINT index, const Member& m) {
  SCOPED_TRACE(support::narrow(m.name));
  FuncDesc fd = funcDesc(vtbl, index);
  ASSERT_TRUE(fd);
  EXPECT_EQ(m.dispid, fd->memid);
  EXPECT_EQ(invokeKind(m.kind), fd->invkind);
  EXPECT_EQ(m.slot * static_cast<int>(sizeof(void*)), fd->oVft);
  EXPECT_EQ(FUNC_PUREVIRTUAL, fd->funckind);
  EXPECT_EQ(CC_STDCALL, fd->callconv);
  EXPECT_EQ(L"HRESULT", typeText(vtbl, fd->elemdescFunc.tdesc));
  EXPECT_EQ(0, fd->cParamsOpt);
  std::vector<std::wstring> names = memberNames(vtbl, fd->memid);
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(m.name, names[0]);
  EXPECT_EQ(std::vector<std::wstring>(m.params.begin(), m.params.end()),
            paramTexts(vtbl, *fd, m.kind == Method));
}

void expectInterface(ITypeInfo* dispatchHalf, const Interface& expected) {
  TypeAttr dattr = typeAttr(dispatchHalf);
  ASSERT_TRUE(dattr);
  EXPECT_EQ(TKIND_DISPATCH, dattr->typekind);
  EXPECT_EQ(TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE, dattr->wTypeFlags);
  EXPECT_EQ(expected.name, typeName(dispatchHalf));

  ComPtr<ITypeInfo> vtbl = vtableHalf(dispatchHalf);
  ASSERT_TRUE(vtbl);
  TypeAttr vattr = typeAttr(vtbl.Get());
  ASSERT_TRUE(vattr);
  EXPECT_EQ(TKIND_INTERFACE, vattr->typekind);
  // The platform derives this half's flags from the dispatch half (and may add oleautomation).
  EXPECT_TRUE(vattr->wTypeFlags & TYPEFLAG_FDUAL);
  EXPECT_TRUE(IsEqualGUID(guidOf(expected.iid), vattr->guid));
  EXPECT_EQ(1, vattr->cImplTypes);
  EXPECT_TRUE(IsEqualGUID(IID_IDispatch, baseInterface(vtbl.Get()))) << "must derive from IDispatch";
  EXPECT_EQ(0, vattr->cVars);
  EXPECT_EQ((7 + expected.members.size()) * sizeof(void*), vattr->cbSizeVft);
  ASSERT_EQ(expected.members.size(), vattr->cFuncs);
  for (UINT i = 0; i < expected.members.size(); ++i) expectMember(vtbl.Get(), i, expected.members[i]);
}

MEMBERID dispidOfName(ITypeInfo* dispatchHalf, std::wstring name) {
  LPOLESTR names[] = {&name[0]};
  MEMBERID id = DISPID_UNKNOWN;
  EXPECT_EQ(S_OK, dispatchHalf->GetIDsOfNames(names, 1, &id)) << support::narrow(name);
  return id;
}

std::wstring upperCase(std::wstring s) {
  CharUpperBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

// IDispatch clients find each member's DISPID by name, in any letter case.
void expectDispatchNames(ITypeInfo* dispatchHalf, const Interface& expected) {
  for (const Member& m : expected.members) {
    SCOPED_TRACE(support::narrow(m.name));
    EXPECT_EQ(m.dispid, dispidOfName(dispatchHalf, m.name));
    EXPECT_EQ(m.dispid, dispidOfName(dispatchHalf, upperCase(m.name)));
  }
}

std::wstring registryText(const std::wstring& key, const wchar_t* value) {
  wchar_t buffer[256] = {};
  DWORD size = sizeof(buffer);
  LSTATUS rc = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size);
  return rc == ERROR_SUCCESS ? buffer : L"<missing>";
}

// ---------------------------------------------------------------------------------------------

TEST_F(RegisteredLibrary, IsCapeOpen100Version1_0) {
  LibAttr attr = libAttr(s_lib.Get());
  ASSERT_TRUE(attr);
  EXPECT_TRUE(IsEqualGUID(guidOf(kLibId), attr->guid));
  EXPECT_EQ(1, attr->wMajorVerNum);
  EXPECT_EQ(0, attr->wMinorVerNum);
  EXPECT_EQ(LOCALE_NEUTRAL, attr->lcid);
  EXPECT_EQ(SYS_WIN64, attr->syskind);

  Bstr name;
  ASSERT_EQ(S_OK, s_lib->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"CAPEOPEN100", name.c_str());
}

TEST_F(RegisteredLibrary, IsRegisteredAsTheDistributedFileName) {
  Bstr path;
  ASSERT_EQ(S_OK, QueryPathOfRegTypeLib(guidOf(kLibId), 1, 0, LOCALE_NEUTRAL, path.out()));
  std::wstring p = path.c_str();
  const std::wstring file = L"\\CAPE-OPENv1-0-0.tlb";
  ASSERT_GE(p.size(), file.size());
  EXPECT_EQ(file, p.substr(p.size() - file.size())) << support::narrow(p);
}

TEST_F(RegisteredLibrary, HoldsExactlyTheInterfacesAndTheErrorEnum) {
  std::set<std::wstring> expected = {kEnumName, kAliasName};
  for (const Interface& i : allInterfaces()) expected.insert(i.name);
  std::set<std::wstring> found;
  for (UINT i = 0; i < s_lib->GetTypeInfoCount(); ++i) {
    ComPtr<ITypeInfo> ti;
    ASSERT_EQ(S_OK, s_lib->GetTypeInfo(i, &ti));
    found.insert(typeName(ti.Get()));
  }
  EXPECT_EQ(expected, found);
  EXPECT_EQ(expected.size(), s_lib->GetTypeInfoCount()) << "a type appears twice";
}

TEST_F(RegisteredLibrary, CommonAndThermoInterfacesMatchTheirTables) {
  for (const Interface& i : commonAndThermoInterfaces()) {
    SCOPED_TRACE(support::narrow(i.name));
    ComPtr<ITypeInfo> ti = typeOfGuid(i.iid);
    ASSERT_TRUE(ti);
    expectInterface(ti.Get(), i);
  }
}

TEST_F(RegisteredLibrary, ErrorInterfacesMatchTheirTables) {
  for (const Interface& i : errorInterfaces()) {
    SCOPED_TRACE(support::narrow(i.name));
    ComPtr<ITypeInfo> ti = typeOfGuid(i.iid);
    ASSERT_TRUE(ti);
    expectInterface(ti.Get(), i);
  }
}

TEST_F(RegisteredLibrary, OnlyThe1_0BadArgumentIsDeclared) {
  ComPtr<ITypeInfo> old;
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND,
            s_lib->GetTypeInfoOfGuid(guidOf(L"{678C0B16-7D66-11D2-A67D-00105A42887F}"), &old));
}

TEST_F(RegisteredLibrary, DispatchNamesGiveTheDispids) {
  for (const Interface& i : allInterfaces()) {
    SCOPED_TRACE(support::narrow(i.name));
    ComPtr<ITypeInfo> ti = typeOfGuid(i.iid);
    ASSERT_TRUE(ti);
    expectDispatchNames(ti.Get(), i);
  }
}

TEST_F(RegisteredLibrary, ErrorCodesAreAnEnumWithItsGuid) {
  ComPtr<ITypeInfo> ti = typeOfGuid(kEnumGuid);
  ASSERT_TRUE(ti);
  EXPECT_EQ(kEnumName, typeName(ti.Get()));
  TypeAttr attr = typeAttr(ti.Get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(TKIND_ENUM, attr->typekind);
  ASSERT_EQ(std::size(kCodes), attr->cVars);
  for (UINT i = 0; i < attr->cVars; ++i) {
    VarDesc vd = varDesc(ti.Get(), i);
    ASSERT_TRUE(vd);
    ASSERT_EQ(VAR_CONST, vd->varkind);
    std::vector<std::wstring> names = memberNames(ti.Get(), vd->memid);
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ(kCodes[i].name, names[0]);
    support::Variant value;
    ASSERT_EQ(S_OK, VariantChangeType(value.out(), vd->lpvarValue, 0, VT_I4));
    EXPECT_EQ(static_cast<LONG>(kCodes[i].value), value.get().lVal) << support::narrow(names[0]);
  }
}

TEST_F(RegisteredLibrary, ErrorCodeAliasNamesTheEnum) {
  ComPtr<ITypeInfo> alias;
  for (UINT i = 0; i < s_lib->GetTypeInfoCount() && !alias; ++i) {
    ComPtr<ITypeInfo> ti;
    ASSERT_EQ(S_OK, s_lib->GetTypeInfo(i, &ti));
    if (typeName(ti.Get()) == kAliasName) alias = ti;
  }
  ASSERT_TRUE(alias) << "no CapeErrorInterfaceHR";
  TypeAttr attr = typeAttr(alias.Get());
  ASSERT_TRUE(attr);
  EXPECT_EQ(TKIND_ALIAS, attr->typekind);
  EXPECT_EQ(kEnumName, typeText(alias.Get(), attr->tdescAlias));
}

TEST_F(RegisteredLibrary, InterfacesAreRegisteredForTheTypeLibraryMarshaler) {
  const std::wstring marshaler = L"{00020424-0000-0000-C000-000000000046}";
  for (const Interface& i : allInterfaces()) {
    SCOPED_TRACE(support::narrow(i.name));
    const std::wstring key = std::wstring(L"Interface\\") + i.iid;
    EXPECT_EQ(i.name, registryText(key, nullptr));
    EXPECT_EQ(marshaler, registryText(key + L"\\ProxyStubClsid32", nullptr));
    EXPECT_EQ(kLibId, registryText(key + L"\\TypeLib", nullptr));
    EXPECT_EQ(L"1.0", registryText(key + L"\\TypeLib", L"Version"));
  }
}

}  // namespace
