// The host's registered type library, read back as a caller and the type library marshaler
// see it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/hostidl/HostSlots.h"
#include "tests/hostidl/TypeLibProbe.h"

namespace {

// Interface ids that the host fixes.
struct HostId {
  const char* what;
  const wchar_t* id;
  GUID declared;
};

const HostId kHostIds[] = {
    {"text variable", L"{DFC1C582-AE9F-11CF-8EB2-0020AF119B90}", __uuidof(ExtnTextVariable)},
    {"real variable", L"{63F789C0-3804-11D5-8036-0090271CEA01}", __uuidof(ExtnRealVariable)},
    {"real-array variable", L"{63F789C1-3804-11D5-8036-0090271CEA01}", __uuidof(ExtnRealArrayVariable)},
    {"text-array variable", L"{2B420854-7105-11D1-B928-00A0C90064F1}", __uuidof(ExtnTextArrayVariable)},
    {"fluid package holder", L"{11B50FB2-9CA0-11CF-A774-B466A40A9881}", __uuidof(HostFluidPackageHolder)},
    {"fluid package", L"{BB8C8791-4E4F-11D6-B214-00D0B775BD53}", __uuidof(HostFluidPackage)},
    {"hypothetical group", L"{9CB7BB80-A5BF-11D2-A59B-009027139CAD}", __uuidof(HostHypoGroup)},
    {"hypothetical component", L"{EBF2AA30-9123-11D1-B1F6-080009B37DAC}", __uuidof(HostHypoComponent)},
};

struct SlotName {
  int slot;
  const wchar_t* name;
};

#define WIDE_TEXT(s) L##s
#define WIDE(s) WIDE_TEXT(s)
#define SLOT_NAME(slot, method, args) {slot, WIDE(#method)},

std::string narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

class HostTypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(m_com.result()));
    m_lib = probe::registeredLibrary(LIBID_OrvexHost);
    ASSERT_TRUE(m_lib) << "OrvexHost is not registered";
  }

  probe::ComPtr<ITypeInfo> vtableOf(const GUID& iid) {
    return probe::vtablePart(probe::typeOf(m_lib.Get(), iid).Get());
  }

  std::vector<probe::Method> methodsOf(const GUID& iid) {
    return probe::methodsOf(vtableOf(iid).Get());
  }

  // Marshalable by the type library marshaler once the library is registered.
  void expectMarshaledByTypeLibrary(const GUID& iid, const std::string& what) {
    SCOPED_TRACE(what);
    probe::ComPtr<ITypeInfo> info = probe::typeOf(m_lib.Get(), iid);
    ASSERT_TRUE(info) << "not in the library";
    EXPECT_TRUE(probe::flagsOf(info.Get()) & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION));
    EXPECT_EQ(probe::kTypeLibMarshaler, probe::registeredProxyStub(iid));
    EXPECT_EQ(probe::text(LIBID_OrvexHost), probe::registeredTypeLib(iid));
  }

  void expectSlots(const GUID& iid, const std::vector<SlotName>& expected) {
    const std::vector<probe::Method> methods = methodsOf(iid);
    EXPECT_EQ(expected.size(), methods.size()) << "the interface has other methods too";
    for (const SlotName& e : expected) {
      const probe::Method* m = probe::findByName(methods, e.name);
      ASSERT_NE(nullptr, m) << "slot " << e.slot;
      EXPECT_EQ(e.slot, m->slot);
    }
  }

  support::ComApartment m_com;
  probe::ComPtr<ITypeLib> m_lib;
};

const probe::Method* atSlot(const std::vector<probe::Method>& methods, int slot) {
  const probe::Method* m = probe::findBySlot(methods, slot);
  EXPECT_NE(nullptr, m) << "nothing at slot " << slot;
  return m;
}

}  // namespace

TEST_F(HostTypeLibrary, InterfaceIdsGivenByTheHost) {
  for (const HostId& h : kHostIds) {
    EXPECT_EQ(probe::guid(h.id), h.declared) << h.what;
    expectMarshaledByTypeLibrary(probe::guid(h.id), h.what);
  }
}

// Everything that may be called across apartments: the extension object (the host calls it
// from any thread) and what the CAPE-OPEN thread reaches from the container through the global
// interface table: the interfaces named in their signatures, transitively, and those the host
// fixes (queried from plain IDispatch results).
TEST_F(HostTypeLibrary, EverythingReachedAcrossApartmentsIsMarshalable) {
  std::vector<probe::ComPtr<ITypeInfo>> pending = {vtableOf(__uuidof(ExtnContainer)),
                                                   vtableOf(__uuidof(ExtensionObject))};
  ASSERT_TRUE(pending[0] && pending[1]);
  std::set<std::wstring> seen;
  while (!pending.empty()) {
    probe::ComPtr<ITypeInfo> info = pending.back();
    pending.pop_back();
    GUID iid = probe::guidOf(info.Get());
    if (iid == IID_IDispatch || iid == IID_IUnknown || !seen.insert(probe::text(iid)).second) continue;
    expectMarshaledByTypeLibrary(iid, "reached " + narrow(probe::text(iid)));
    for (const probe::Method& m : probe::methodsOf(probe::vtablePart(info.Get()).Get()))
      for (const probe::ComPtr<ITypeInfo>& t : m.objectTypes)
        if (t) pending.push_back(probe::vtablePart(t.Get()));
  }
  EXPECT_GE(seen.size(), 8u) << "definition, variables, views, the case and event arguments are reached";
  for (const HostId& h : kHostIds) expectMarshaledByTypeLibrary(probe::guid(h.id), h.what);
}

TEST_F(HostTypeLibrary, ExtensionObjectIsDualWithMethodsAtSlotsSevenToFourteen) {
  probe::ComPtr<ITypeInfo> info = probe::typeOf(m_lib.Get(), __uuidof(ExtensionObject));
  ASSERT_TRUE(info);
  EXPECT_TRUE(probe::flagsOf(info.Get()) & TYPEFLAG_FDUAL);
  expectSlots(__uuidof(ExtensionObject), {EXTENSION_OBJECT_SLOTS(SLOT_NAME)});
}

TEST_F(HostTypeLibrary, PropertyPackageIsCustomDirectlyOnIUnknown) {
  probe::ComPtr<ITypeInfo> info = probe::typeOf(m_lib.Get(), __uuidof(ExtnPropertyPackage));
  ASSERT_TRUE(info);
  EXPECT_EQ(TKIND_INTERFACE, probe::kindOf(info.Get()));
  EXPECT_FALSE(probe::flagsOf(info.Get()) & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE));
  probe::ComPtr<ITypeInfo> base = probe::baseOf(info.Get());
  ASSERT_TRUE(base);
  EXPECT_EQ(IID_IUnknown, probe::guidOf(base.Get()));
  // Called in the extension's own apartment only: no marshaler is registered for it.
  EXPECT_EQ(L"", probe::registeredProxyStub(__uuidof(ExtnPropertyPackage)));
  expectSlots(__uuidof(ExtnPropertyPackage), {PROPERTY_PACKAGE_SLOTS(SLOT_NAME)});
}

// The container methods the extension calls by position.
TEST_F(HostTypeLibrary, ContainerTakesThePackageAliasAtSlotEight) {
  const std::vector<probe::Method> container = methodsOf(__uuidof(ExtnContainer));
  const probe::Method* alias = atSlot(container, 8);
  ASSERT_NE(nullptr, alias);
  EXPECT_EQ(std::vector<std::string>{"in BSTR"}, alias->params);
}

TEST_F(HostTypeLibrary, ContainerWritesTheTraceWindowWithItsSixthMethod) {
  const std::vector<probe::Method> container = methodsOf(__uuidof(ExtnContainer));
  const probe::Method* trace = atSlot(container, 6 + 6);
  ASSERT_NE(nullptr, trace);
  ASSERT_EQ(3u, trace->params.size());
  EXPECT_EQ("in BSTR", trace->params[0]);
  EXPECT_EQ("in byte", trace->params[1]);
  EXPECT_EQ("in", trace->params[2].substr(0, 2));
}

// Container method 5 yields an object, its method 27 a second object, whose method 15 takes 0.
TEST_F(HostTypeLibrary, NotifyChainFollowsTheHostsMethodNumbers) {
  const std::vector<probe::Method> container = methodsOf(__uuidof(ExtnContainer));
  const probe::Method* first = atSlot(container, 6 + 5);
  ASSERT_NE(nullptr, first);
  ASSERT_EQ(std::vector<std::string>{"out object"}, first->params);
  ASSERT_TRUE(first->objectTypes[0]) << "the object's interface is not described";

  const std::vector<probe::Method> firstObject =
      probe::methodsOf(probe::vtablePart(first->objectTypes[0].Get()).Get());
  const probe::Method* second = atSlot(firstObject, 6 + 27);
  ASSERT_NE(nullptr, second);
  ASSERT_EQ(std::vector<std::string>{"out object"}, second->params);
  ASSERT_TRUE(second->objectTypes[0]);

  const std::vector<probe::Method> secondObject =
      probe::methodsOf(probe::vtablePart(second->objectTypes[0].Get()).Get());
  const probe::Method* last = atSlot(secondObject, 6 + 15);
  ASSERT_NE(nullptr, last);
  EXPECT_EQ(std::vector<std::string>{"in integer"}, last->params);
}
