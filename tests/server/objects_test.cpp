// The classes of Quellmar.dll through COM: class objects, creation, QueryInterface, IDispatch from
// the type libraries, aggregation, and the DllCanUnloadNow rule.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "OvHost.h"
#include "support/Raii.h"
#include "tests/server/ServerTestSupport.h"
#include "support/Text.h"
#include "ZendrelLib.h"

using support::ComPtr;

namespace {

struct ClassUnderTest {
  const char* name;
  const CLSID* clsid;
  std::vector<const IID*> interfaces;  // declared interfaces, the one that answers IDispatch first
};

const std::vector<ClassUnderTest>& classes() {
  static const std::vector<ClassUnderTest> list = {
      {"VBPropPkg",
       &CLSID_VBPropPkg,
       {&__uuidof(ExtensionObject), &__uuidof(ExtnPropertyPackage), &__uuidof(ICapeDiagnostics),
        &__uuidof(IPrivPropPkg)}},
      {"MatObj",
       &CLSID_matObj,
       // The CAPE-OPEN interface first: it is what a late-bound package gets as IDispatch.
       {&__uuidof(ICapeThermoMaterialObject), &__uuidof(IMatObj), &__uuidof(ICapeIdentification)}},
      {"TPropPack", &CLSID_TPropPack, {&__uuidof(ITPropPack)}},
      {"VBSimuCont",
       &CLSID_VBSimuCont,
       {&__uuidof(IVBSimuCont), &__uuidof(ICapeDiagnostic), &__uuidof(ECapeBadArgument), &__uuidof(ECapeBadCOParameter),
        &__uuidof(ECapeBadInvOrder), &__uuidof(ECapeData), &__uuidof(ECapeImplementation),
        &__uuidof(ECapeInvalidArgument), &__uuidof(ECapeNoImpl), &__uuidof(ECapeRoot), &__uuidof(ECapeUnknown),
        &__uuidof(ECapeUser), &__uuidof(ICapeSimulationContext)}},
  };
  return list;
}

const CLSID kContainerIds[] = {
    CLSID_VBPropPackageContainer,
    {0x89D61535, 0xBCF0, 0x4300, {0x8B, 0xAE, 0xD6, 0x46, 0x43, 0x2D, 0x92, 0x6A}},
    {0x0C426F18, 0x9A97, 0x4271, {0x8A, 0x34, 0xA6, 0x3D, 0xD0, 0xDF, 0x4D, 0xE7}},
};

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

GetClassObjectFn getClassObject() {
  return reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(servertest::dllExport("DllGetClassObject")));
}

HRESULT canUnloadNow() {
  auto entry = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(servertest::dllExport("DllCanUnloadNow")));
  return entry ? entry() : E_UNEXPECTED;
}

ComPtr<IClassFactory> factoryOf(REFCLSID clsid) {
  ComPtr<IClassFactory> factory;
  EXPECT_EQ(S_OK, getClassObject()(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())));
  return factory;
}

IUnknown* identityOf(IUnknown* p) {
  ComPtr<IUnknown> unknown;
  p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
  return unknown.Get();
}

class ServerObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(nullptr, getClassObject());
    // Every test starts and ends with nothing alive in the module.
    ASSERT_EQ(S_OK, canUnloadNow());
  }
  void TearDown() override { EXPECT_EQ(S_OK, canUnloadNow()); }
};

}  // namespace

TEST_F(ServerObjects, ClassObjectsExistOnlyForTheFourClasses) {
  for (const ClassUnderTest& c : classes()) {
    ComPtr<IClassFactory> first = factoryOf(*c.clsid), again = factoryOf(*c.clsid);
    ASSERT_TRUE(first) << c.name;
    EXPECT_EQ(first.Get(), again.Get()) << c.name << ": the factory is made once and kept";
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(S_OK, getClassObject()(*c.clsid, IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf())));
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, getClassObject()(*c.clsid, IID_IDispatch, &other)) << c.name;
    EXPECT_EQ(nullptr, other);
  }
  GUID random = {};
  ASSERT_EQ(S_OK, CoCreateGuid(&random));
  std::vector<CLSID> refused(std::begin(kContainerIds), std::end(kContainerIds));
  refused.push_back(random);
  for (const CLSID& clsid : refused) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject()(clsid, IID_IClassFactory, &out))
        << support::narrow(servertest::guidText(clsid));
    EXPECT_EQ(nullptr, out);
  }
  EXPECT_EQ(E_POINTER, getClassObject()(CLSID_VBSimuCont, IID_IClassFactory, nullptr));
}

TEST_F(ServerObjects, EachClassAnswersItsDeclaredInterfacesWithOneIdentity) {
  for (const ClassUnderTest& c : classes()) {
    SCOPED_TRACE(c.name);
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, CoCreateInstance(*c.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                     reinterpret_cast<void**>(object.GetAddressOf())));
    for (const IID* iid : c.interfaces) {
      ComPtr<IUnknown> itf;
      ASSERT_EQ(S_OK, object->QueryInterface(*iid, reinterpret_cast<void**>(itf.GetAddressOf())))
          << support::narrow(servertest::guidText(*iid));
      EXPECT_EQ(object.Get(), identityOf(itf.Get()));
    }
    ComPtr<IUnknown> dispatch, first;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf())));
    object->QueryInterface(*c.interfaces.front(), reinterpret_cast<void**>(first.GetAddressOf()));
    EXPECT_EQ(first.Get(), dispatch.Get()) << "IDispatch is the first dual interface";
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IPersist, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
  }
}

TEST_F(ServerObjects, ProgIdsCreateTheirClasses) {
  for (const wchar_t* progId : {L"Zendrel.VBPropPkg", L"Zendrel.MatObj", L"Zendrel.TPropPack", L"Zendrel.VBSimuCont"}) {
    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(progId, &clsid)) << support::narrow(progId);
    ComPtr<IDispatch> object;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(object.GetAddressOf())))
        << support::narrow(progId);
  }
}

// IDispatch of the own library's interfaces comes from the embedded type library.
TEST_F(ServerObjects, DispatchOfOwnInterfacesUsesTheModulesTypeLibrary) {
  ComPtr<IPrivPropPkg> priv;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IPrivPropPkg),
                                   reinterpret_cast<void**>(priv.GetAddressOf())));
  UINT count = 0;
  ASSERT_EQ(S_OK, priv->GetTypeInfoCount(&count));
  EXPECT_EQ(1u, count);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, priv->GetTypeInfo(0, 0, info.GetAddressOf()));
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
  EXPECT_EQ(__uuidof(IPrivPropPkg), attr->guid);
  info->ReleaseTypeAttr(attr);
  ComPtr<ITypeInfo> none;
  EXPECT_EQ(DISP_E_BADINDEX, priv->GetTypeInfo(1, 0, none.GetAddressOf()));

  // getThis of IPrivPropPkg always fails with E_NOTIMPL; through Invoke that is an exception.
  wchar_t name[] = L"getThis";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(S_OK, priv->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(1, id);
  DISPPARAMS noArgs = {};
  support::Variant result;
  EXCEPINFO exception = {};
  EXPECT_EQ(DISP_E_EXCEPTION, priv->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &noArgs, result.out(), &exception, nullptr));
  EXPECT_EQ(E_NOTIMPL, exception.scode);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);

  wchar_t unknownName[] = L"noSuchMember";
  names[0] = unknownName;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, priv->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, priv->Invoke(1, __uuidof(IPrivPropPkg), 0, DISPATCH_METHOD, &noArgs, nullptr,
                                                  nullptr, nullptr));
}

// IDispatch of CAPE-OPEN and host interfaces comes from their registered libraries.
TEST_F(ServerObjects, DispatchOfImportedInterfacesUsesTheirLibraries) {
  ComPtr<ECapeUser> user;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VBSimuCont, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ECapeUser),
                                   reinterpret_cast<void**>(user.GetAddressOf())));
  wchar_t name[] = L"code";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(S_OK, user->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  EXPECT_EQ(1, id);
  DISPPARAMS noArgs = {};
  support::Variant result;
  EXCEPINFO exception = {};
  // Every ECapeUser property of the context answers E_NOTIMPL.
  EXPECT_EQ(DISP_E_EXCEPTION, user->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, result.out(), &exception, nullptr));
  EXPECT_EQ(E_NOTIMPL, exception.scode);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);

  ComPtr<ExtensionObject> extension;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ExtensionObject),
                                   reinterpret_cast<void**>(extension.GetAddressOf())));
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, extension->GetTypeInfo(0, 0, info.GetAddressOf()));
  support::Bstr typeName;
  ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, typeName.out(), nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"ExtensionObject", typeName.c_str());
}

TEST_F(ServerObjects, EachClassCanBeAggregated) {
  for (const ClassUnderTest& c : classes()) {
    SCOPED_TRACE(c.name);
    servertest::Outer outer;
    ASSERT_EQ(S_OK, outer.aggregate(*c.clsid));
    ASSERT_NE(nullptr, outer.inner());
    EXPECT_EQ(S_FALSE, canUnloadNow());
    const ULONG baseline = outer.refs();
    for (const IID* iid : c.interfaces) {
      ComPtr<IUnknown> viaOuter, viaInner;
      ASSERT_EQ(S_OK, outer.QueryInterface(*iid, reinterpret_cast<void**>(viaOuter.GetAddressOf())));
      ASSERT_EQ(S_OK, outer.inner()->QueryInterface(*iid, reinterpret_cast<void**>(viaInner.GetAddressOf())));
      EXPECT_EQ(viaInner.Get(), viaOuter.Get());
      // The inner interfaces delegate identity and counting to the outer object.
      EXPECT_EQ(static_cast<IUnknown*>(&outer), identityOf(viaOuter.Get()));
      EXPECT_EQ(baseline + 2, outer.refs());
    }
    EXPECT_EQ(baseline, outer.refs());
    // The inner unknown itself is not delegating.
    ComPtr<IUnknown> innerIdentity;
    ASSERT_EQ(S_OK, outer.inner()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(innerIdentity.GetAddressOf())));
    EXPECT_EQ(outer.inner(), innerIdentity.Get());
    innerIdentity.Reset();
    EXPECT_EQ(baseline, outer.refs());
    outer.releaseInner();
    EXPECT_EQ(S_OK, canUnloadNow());
    EXPECT_EQ(1u, outer.refs());
  }
}

TEST_F(ServerObjects, AggregationAsksForIUnknownOnly) {
  for (const ClassUnderTest& c : classes()) {
    SCOPED_TRACE(c.name);
    servertest::Outer outer;
    ComPtr<IClassFactory> factory = factoryOf(*c.clsid);
    ASSERT_TRUE(factory);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, *c.interfaces.front(), &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IDispatch, &out));
    EXPECT_EQ(CLASS_E_NOAGGREGATION, outer.aggregate(*c.clsid, IID_IDispatch));
    EXPECT_EQ(1u, outer.refs());
  }
}

TEST_F(ServerObjects, ModuleStaysWhileAnObjectOrALockLives) {
  ComPtr<IUnknown> object;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_matObj, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(object.GetAddressOf())));
  EXPECT_EQ(S_FALSE, canUnloadNow());
  object.Reset();
  EXPECT_EQ(S_OK, canUnloadNow());

  ComPtr<IClassFactory> factory = factoryOf(CLSID_TPropPack);
  ASSERT_TRUE(factory);
  EXPECT_EQ(S_FALSE, canUnloadNow()) << "a factory handed out keeps the module";
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  ComPtr<IClassFactory> held = factory;
  factory.Reset();
  held.Reset();
  EXPECT_EQ(S_FALSE, canUnloadNow()) << "a server lock keeps the module";
  factory = factoryOf(CLSID_TPropPack);
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  factory.Reset();
  EXPECT_EQ(S_OK, canUnloadNow());

  // An unlock without a lock is refused and cannot hide a live object.
  factory = factoryOf(CLSID_TPropPack);
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf())));
  EXPECT_EQ(E_UNEXPECTED, factory->LockServer(FALSE));
  factory.Reset();
  EXPECT_EQ(S_FALSE, canUnloadNow());
  object.Reset();
}
