// The category browser's registered type library, read back as a caller sees it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OvShowCOCATIDs.h"
#include "tests/hostidl/TypeLibProbe.h"

namespace {

const wchar_t kBrowserClass[] = L"{B086B465-F0EA-11D2-9710-00A0C98C26CE}";
const wchar_t kBrowserInterface[] = L"{B086B464-F0EA-11D2-9710-00A0C98C26CE}";

// Methods the adapter calls, numbered from the first method after IDispatch's; "out *" is an
// output of any type.
struct BrowserMethod {
  int number;
  const wchar_t* name;
  std::vector<std::string> params;
};

const BrowserMethod kBrowserMethods[] = {
    {1, L"ShowSelection", {"out *", "out *"}},
    {3, L"GetPackageName", {"out BSTR"}},
    {4, L"GetPackageAlias", {"out BSTR"}},
    {6, L"GetSystemName", {"out BSTR"}},
    {7, L"GetSystemAlias", {"out BSTR"}},
    {12, L"SetRecalling", {"in bool"}},
    {13, L"CreatePackage", {"out object", "out object"}},
    {15, L"InitBrowser", {"in integer", "in object", "in integer"}},
    {16, L"SetNames", {"in BSTR", "in BSTR"}},
    {17, L"ReleaseObjects", {}},
    {19, L"SetAliases", {"in BSTR", "in BSTR"}},
    {20, L"GetState", {"out BSTR"}},
    {21, L"SetState", {"in BSTR"}},
    {31, L"AddReportLine", {"in BSTR", "in bool"}},
    {36, L"SetKitVersion", {"in BSTR"}},
};

bool shapeMatches(const std::string& expected, const std::string& actual) {
  if (expected == "out *") return actual.rfind("out ", 0) == 0;
  return expected == actual;
}

std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const std::string& i : items) s += (s.empty() ? "" : ", ") + i;
  return s;
}

class BrowserTypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(m_com.result()));
    m_lib = probe::registeredLibrary(LIBID_OvShowCOCATIDs);
    ASSERT_TRUE(m_lib) << "OvShowCOCATIDs is not registered";
    m_interface = probe::typeOf(m_lib.Get(), probe::guid(kBrowserInterface));
    ASSERT_TRUE(m_interface) << "no browser interface in the library";
  }

  support::ComApartment m_com;
  probe::ComPtr<ITypeLib> m_lib;
  probe::ComPtr<ITypeInfo> m_interface;
};

}  // namespace

TEST_F(BrowserTypeLibrary, ClassOffersTheBrowserInterfaceByDefault) {
  EXPECT_EQ(probe::guid(kBrowserClass), CLSID_ShowCOCATIDs);
  EXPECT_EQ(probe::guid(kBrowserInterface), __uuidof(IShowCOCATIDs));

  probe::ComPtr<ITypeInfo> coclass = probe::typeOf(m_lib.Get(), probe::guid(kBrowserClass));
  ASSERT_TRUE(coclass);
  EXPECT_EQ(TKIND_COCLASS, probe::kindOf(coclass.Get()));
  probe::ComPtr<ITypeInfo> byDefault = probe::baseOf(coclass.Get());
  ASSERT_TRUE(byDefault);
  EXPECT_EQ(probe::guid(kBrowserInterface), probe::guidOf(byDefault.Get()));
}

// The browser may live in another apartment or process (class context 21).
TEST_F(BrowserTypeLibrary, InterfaceIsDualAndMarshaledByItsTypeLibrary) {
  EXPECT_TRUE(probe::flagsOf(m_interface.Get()) & TYPEFLAG_FDUAL);
  EXPECT_EQ(probe::kTypeLibMarshaler, probe::registeredProxyStub(probe::guid(kBrowserInterface)));
  EXPECT_EQ(probe::text(LIBID_OvShowCOCATIDs), probe::registeredTypeLib(probe::guid(kBrowserInterface)));
}

TEST_F(BrowserTypeLibrary, MethodsSitAtTheirNumbersAsDispatchIdsAndSlots) {
  const std::vector<probe::Method> methods = probe::methodsOf(probe::vtablePart(m_interface.Get()).Get());
  for (const BrowserMethod& expected : kBrowserMethods) {
    SCOPED_TRACE(testing::Message() << "method " << expected.number);
    MEMBERID id = MEMBERID_NIL;
    LPOLESTR name = const_cast<LPOLESTR>(expected.name);
    ASSERT_EQ(S_OK, m_interface->GetIDsOfNames(&name, 1, &id));
    EXPECT_EQ(expected.number, id);

    const probe::Method* m = probe::findByName(methods, expected.name);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(6 + expected.number, m->slot);
    ASSERT_EQ(expected.params.size(), m->params.size()) << joined(m->params);
    for (size_t i = 0; i < expected.params.size(); ++i)
      EXPECT_TRUE(shapeMatches(expected.params[i], m->params[i]))
          << "argument " << i + 1 << ": " << m->params[i];
  }
}

// Every number up to the last one used is taken, so no later method shifts.
TEST_F(BrowserTypeLibrary, NumbersAreContiguousUpToTheLastMethodUsed) {
  const std::vector<probe::Method> methods = probe::methodsOf(probe::vtablePart(m_interface.Get()).Get());
  for (int number = 1; number <= 36; ++number) {
    const probe::Method* m = probe::findBySlot(methods, 6 + number);
    ASSERT_NE(nullptr, m) << "no method at number " << number;
    EXPECT_EQ(number, m->memid) << "method " << number;
  }
}
