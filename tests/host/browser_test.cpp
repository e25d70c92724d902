// The category browser, created through COM as the product creates it, against the test fixture
// Thermo System that this test registers for its own run.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "counterparts/browser/BrowserRecord.h"
#include "CAPE-OPENv1-0-0.h"
#include "OvShowCOCATIDs.h"
#include "support/Raii.h"
#include "tests/host/ThermoSystemFixture.h"

using support::Bstr;
using support::ComPtr;

namespace {

using RegisterFn = HRESULT(STDAPICALLTYPE*)();

HRESULT callFixture(const char* entry) {
  HMODULE dll = LoadLibraryW(L"ThermoSystemFixture.dll");
  if (!dll) return HRESULT_FROM_WIN32(GetLastError());
  auto fn = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(dll, entry)));
  HRESULT hr = fn ? fn() : E_NOINTERFACE;
  FreeLibrary(dll);
  return hr;
}

// The fixture system is registered for the whole run and removed at its end.
class FixtureRegistration : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_HRESULT_SUCCEEDED(callFixture("DllRegisterServer")); }
  void TearDown() override { EXPECT_HRESULT_SUCCEEDED(callFixture("DllUnregisterServer")); }
};
[[maybe_unused]] const auto* const g_fixture = ::testing::AddGlobalTestEnvironment(new FixtureRegistration);

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(apartment.result());
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShowCOCATIDs, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                              IID_PPV_ARGS(&browser)));
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", nullptr);
    SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE_FILE", nullptr);
  }

  HRESULT show(const wchar_t* choice, VARIANT_BOOL& accepted, long& result) {
    SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", choice);
    return browser->ShowSelection(&accepted, &result);
  }
  std::wstring read(HRESULT (STDMETHODCALLTYPE IShowCOCATIDs::*getter)(BSTR*)) {
    Bstr value;
    EXPECT_HRESULT_SUCCEEDED((browser.Get()->*getter)(value.out()));
    return value.c_str();
  }
  // The method name of the last recorded call.
  std::wstring lastCall() {
    std::wstring all = calls();
    if (!all.empty()) all.pop_back();
    std::wstring line = all.substr(all.find_last_of(L'\n') + 1);
    return line.substr(0, line.find(L' '));
  }
  // The product calls the dual interface through its vtable: method n sits at slot 6 + n
  // (three IUnknown and four IDispatch methods come first).
  template <class Fn>
  Fn slot(int n) {
    return reinterpret_cast<Fn>((*reinterpret_cast<void***>(browser.Get()))[6 + n]);
  }
  std::wstring calls() {
    ComPtr<IBrowserRecord> record;
    Bstr lines;
    EXPECT_HRESULT_SUCCEEDED(browser.As(&record));
    if (record) {
      EXPECT_HRESULT_SUCCEEDED(record->Calls(lines.out()));
    }
    return lines.c_str();
  }

  support::ComApartment apartment;
  ComPtr<IShowCOCATIDs> browser;
};

TEST_F(BrowserTest, FindsTheRegisteredSystemByCategoryAndTakesTheHostsChoice) {
  VARIANT_BOOL accepted = VARIANT_FALSE;
  long result = 0;
  // By display name and a package name in another case.
  ASSERT_HRESULT_SUCCEEDED(show(L"test fixture thermo system | fixturesrk", accepted, result));
  EXPECT_EQ(VARIANT_TRUE, accepted);
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(kFixtureSystemProgId, read(&IShowCOCATIDs::GetSystemName));
  EXPECT_EQ(kFixtureSystemName, read(&IShowCOCATIDs::GetSystemAlias));
  EXPECT_EQ(kFixturePackageB, read(&IShowCOCATIDs::GetPackageName));
  EXPECT_EQ(kFixturePackageB, read(&IShowCOCATIDs::GetPackageAlias));
  EXPECT_FALSE(read(&IShowCOCATIDs::GetState).empty());
}

TEST_F(BrowserTest, ChoiceFromAFileNamedByTheMainJob) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring file = std::wstring(dir) + L"browser-choice-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const char text[] = "QuellmarTest.ThermoSystemFixture.1|FixtureIdeal\r\n";
  DWORD written = 0;
  WriteFile(h, text, sizeof text - 1, &written, nullptr);
  CloseHandle(h);
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE_FILE", file.c_str());
  VARIANT_BOOL accepted = VARIANT_FALSE;
  long result = 0;
  ASSERT_HRESULT_SUCCEEDED(browser->ShowSelection(&accepted, &result));
  DeleteFileW(file.c_str());
  EXPECT_EQ(VARIANT_TRUE, accepted);
  EXPECT_EQ(kFixturePackageA, read(&IShowCOCATIDs::GetPackageName));
}

TEST_F(BrowserTest, CancelLeavesEveryNameEmptyAndUnknownChoicesFail) {
  VARIANT_BOOL accepted = VARIANT_TRUE;
  long result = 0;
  ASSERT_HRESULT_SUCCEEDED(show(L"cancel", accepted, result));
  EXPECT_EQ(VARIANT_FALSE, accepted);
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(L"", read(&IShowCOCATIDs::GetPackageName));
  EXPECT_EQ(L"", read(&IShowCOCATIDs::GetSystemName));

  EXPECT_EQ(E_INVALIDARG, show(L"QuellmarTest.ThermoSystemFixture.1|NoSuchPackage", accepted, result));
  EXPECT_EQ(E_INVALIDARG, show(L"No.Such.System|FixtureSRK", accepted, result));
  EXPECT_EQ(E_INVALIDARG, show(L"QuellmarTest.ThermoSystemFixture.1", accepted, result));
  EXPECT_EQ(L"", read(&IShowCOCATIDs::GetPackageName));
}

TEST_F(BrowserTest, CreatePackageMakesTheNamedSystemAndResolvesItsPackage) {
  ComPtr<IDispatch> package, system;
  EXPECT_EQ(E_INVALIDARG, browser->CreatePackage(&package, &system));
  ASSERT_HRESULT_SUCCEEDED(browser->SetNames(Bstr(kFixturePackageB).get(), Bstr(kFixtureSystemProgId).get()));
  ASSERT_HRESULT_SUCCEEDED(browser->SetAliases(Bstr(L"PR").get(), Bstr(L"Fixture").get()));
  ASSERT_HRESULT_SUCCEEDED(browser->CreatePackage(&package, &system));
  ASSERT_TRUE(package && system);
  ComPtr<ICapeIdentification> identification;
  ASSERT_HRESULT_SUCCEEDED(package.As(&identification));
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(identification->get_ComponentName(name.out()));
  EXPECT_STREQ(kFixturePackageB, name.c_str());
  ComPtr<ICapeThermoSystem> thermo;
  EXPECT_HRESULT_SUCCEEDED(system.As(&thermo));

  ComPtr<IDispatch> none, noSystem;
  ASSERT_HRESULT_SUCCEEDED(browser->SetNames(Bstr(L"Missing").get(), Bstr(kFixtureSystemProgId).get()));
  EXPECT_EQ(E_INVALIDARG, browser->CreatePackage(&none, &noSystem));
  EXPECT_FALSE(none);
  EXPECT_FALSE(noSystem);
  ASSERT_HRESULT_SUCCEEDED(browser->SetNames(Bstr(kFixturePackageA).get(), Bstr(L"{00000000-0000-0000-0000-000000000001}").get()));
  EXPECT_EQ(REGDB_E_CLASSNOTREG, browser->CreatePackage(&none, &noSystem));
}

TEST_F(BrowserTest, StateRoundTripsIntoAFreshBrowser) {
  VARIANT_BOOL accepted;
  long result;
  ASSERT_HRESULT_SUCCEEDED(show(L"QuellmarTest.ThermoSystemFixture.1|FixtureIdeal", accepted, result));
  std::wstring state = read(&IShowCOCATIDs::GetState);
  ComPtr<IShowCOCATIDs> fresh;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShowCOCATIDs, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&fresh)));
  ASSERT_HRESULT_SUCCEEDED(fresh->SetState(Bstr(state.c_str()).get()));
  Bstr back;
  ASSERT_HRESULT_SUCCEEDED(fresh->GetState(back.out()));
  EXPECT_EQ(state, back.c_str());
  const wchar_t* opaque = L"any\ttext \x00e9\n";
  ASSERT_HRESULT_SUCCEEDED(fresh->SetState(Bstr(opaque).get()));
  ASSERT_HRESULT_SUCCEEDED(fresh->GetState(back.out()));
  EXPECT_STREQ(opaque, back.c_str());
}

TEST_F(BrowserTest, RecordsWhatTheAdapterToldItAndCollectsTheReport) {
  ASSERT_HRESULT_SUCCEEDED(browser->InitBrowser(4660, nullptr, 12));
  ASSERT_HRESULT_SUCCEEDED(browser->SetKitVersion(Bstr(L"1.0.0.7").get()));
  ASSERT_HRESULT_SUCCEEDED(browser->SetRecalling(VARIANT_TRUE));
  ASSERT_HRESULT_SUCCEEDED(browser->AddReportLine(Bstr(L"The 1 component ").get(), VARIANT_FALSE));
  ASSERT_HRESULT_SUCCEEDED(browser->AddReportLine(Bstr(L"matched.").get(), VARIANT_TRUE));
  ASSERT_HRESULT_SUCCEEDED(browser->ReleaseObjects());
  EXPECT_EQ(E_NOTIMPL, browser->Reserved2());
  EXPECT_EQ(L"InitBrowser 4660 null 12\n"
            L"SetKitVersion \"1.0.0.7\"\n"
            L"SetRecalling -1\n"
            L"AddReportLine \"The 1 component \" piece\n"
            L"AddReportLine \"matched.\" complete\n"
            L"ReleaseObjects\n"
            L"Reserved2\n",
            calls());
  ComPtr<IBrowserRecord> record;
  ASSERT_HRESULT_SUCCEEDED(browser.As(&record));
  Bstr report;
  ASSERT_HRESULT_SUCCEEDED(record->ReportText(report.out()));
  EXPECT_STREQ(L"The 1 component matched.\n", report.c_str());
}

TEST_F(BrowserTest, AutomationSeesEveryMethodAtItsNumber) {
  const std::pair<const wchar_t*, DISPID> methods[] = {
      {L"ShowSelection", 1}, {L"GetPackageName", 3}, {L"GetPackageAlias", 4}, {L"GetSystemName", 6},
      {L"GetSystemAlias", 7}, {L"SetRecalling", 12}, {L"CreatePackage", 13}, {L"InitBrowser", 15},
      {L"SetNames", 16}, {L"ReleaseObjects", 17}, {L"SetAliases", 19}, {L"GetState", 20},
      {L"SetState", 21}, {L"AddReportLine", 31}, {L"SetKitVersion", 36}};
  for (const auto& m : methods) {
    LPOLESTR name = const_cast<LPOLESTR>(m.first);
    DISPID id = 0;
    ASSERT_HRESULT_SUCCEEDED(browser->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id)) << m.first;
    EXPECT_EQ(m.second, id) << m.first;
  }
  // SetNames through Invoke reaches the same method (arguments go in reverse order).
  VARIANT args[2];
  args[1].vt = VT_BSTR;
  args[1].bstrVal = SysAllocString(L"P");
  args[0].vt = VT_BSTR;
  args[0].bstrVal = SysAllocString(L"S");
  DISPPARAMS params = {args, nullptr, 2, 0};
  ASSERT_HRESULT_SUCCEEDED(browser->Invoke(16, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                           nullptr, nullptr));
  VariantClear(&args[0]);
  VariantClear(&args[1]);
  EXPECT_EQ(L"P", read(&IShowCOCATIDs::GetPackageName));
  EXPECT_EQ(L"S", read(&IShowCOCATIDs::GetSystemName));
}

TEST_F(BrowserTest, ClassInterfaceAndLibraryCarryTheHostsIdentity) {
  CLSID clsid;
  IID iid;
  ASSERT_HRESULT_SUCCEEDED(CLSIDFromString(L"{B086B465-F0EA-11D2-9710-00A0C98C26CE}", &clsid));
  ASSERT_HRESULT_SUCCEEDED(IIDFromString(L"{B086B464-F0EA-11D2-9710-00A0C98C26CE}", &iid));
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_ShowCOCATIDs));
  ComPtr<IUnknown> byId;
  EXPECT_HRESULT_SUCCEEDED(browser->QueryInterface(iid, reinterpret_cast<void**>(byId.GetAddressOf())));
  ComPtr<ITypeInfo> info;
  ComPtr<ITypeLib> library;
  UINT index = 0;
  ASSERT_HRESULT_SUCCEEDED(browser->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
  ASSERT_HRESULT_SUCCEEDED(info->GetContainingTypeLib(&library, &index));
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(library->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"OvShowCOCATIDs", name.c_str());
}

TEST_F(BrowserTest, EachMethodSitsAtItsNumberInTheVtable) {
  using Getter = HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, BSTR*);
  using Setter = HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, BSTR);
  using Pair = HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, BSTR, BSTR);
  IShowCOCATIDs* b = browser.Get();
  const std::pair<int, const wchar_t*> getters[] = {
      {3, L"GetPackageName"}, {4, L"GetPackageAlias"}, {6, L"GetSystemName"}, {7, L"GetSystemAlias"}, {20, L"GetState"}};
  for (const auto& g : getters) {
    Bstr value;
    EXPECT_HRESULT_SUCCEEDED(slot<Getter>(g.first)(b, value.out())) << g.second;
    EXPECT_EQ(g.second, lastCall()) << g.first;
  }
  const std::pair<int, const wchar_t*> setters[] = {{21, L"SetState"}, {36, L"SetKitVersion"}};
  for (const auto& s : setters) {
    EXPECT_HRESULT_SUCCEEDED(slot<Setter>(s.first)(b, Bstr(L"x").get())) << s.second;
    EXPECT_EQ(s.second, lastCall()) << s.first;
  }
  const std::pair<int, const wchar_t*> pairs[] = {{16, L"SetNames"}, {19, L"SetAliases"}};
  for (const auto& p : pairs) {
    EXPECT_HRESULT_SUCCEEDED(slot<Pair>(p.first)(b, Bstr(L"P").get(), Bstr(L"S").get())) << p.second;
    EXPECT_EQ(p.second, lastCall()) << p.first;
  }
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", L"cancel");
  VARIANT_BOOL accepted = VARIANT_TRUE;
  long result = 0;
  EXPECT_HRESULT_SUCCEEDED(
      slot<HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, VARIANT_BOOL*, long*)>(1)(b, &accepted, &result));
  EXPECT_EQ(L"ShowSelection", lastCall());
  EXPECT_HRESULT_SUCCEEDED(slot<HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, VARIANT_BOOL)>(12)(b, VARIANT_FALSE));
  EXPECT_EQ(L"SetRecalling", lastCall());
  IDispatch* package = nullptr;
  IDispatch* system = nullptr;
  // The cancel emptied the names, so there is nothing to create.
  EXPECT_EQ(E_INVALIDARG,
            slot<HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, IDispatch**, IDispatch**)>(13)(b, &package, &system));
  EXPECT_EQ(L"CreatePackage", lastCall());
  EXPECT_HRESULT_SUCCEEDED(
      slot<HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, long, IDispatch*, long)>(15)(b, 0, nullptr, 12));
  EXPECT_EQ(L"InitBrowser", lastCall());
  EXPECT_HRESULT_SUCCEEDED(slot<HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*)>(17)(b));
  EXPECT_EQ(L"ReleaseObjects", lastCall());
  EXPECT_HRESULT_SUCCEEDED(
      slot<HRESULT(STDMETHODCALLTYPE*)(IShowCOCATIDs*, BSTR, VARIANT_BOOL)>(31)(b, Bstr(L"line").get(), VARIANT_TRUE));
  EXPECT_EQ(L"AddReportLine", lastCall());
}

// With no choice given, nobody to ask and input at its end, the selection is a cancel and the
// call returns at once (a test whose input is closed or not a terminal never waits).
TEST_F(BrowserTest, NoChoiceAndNoAnswerCancelsWithoutWaiting) {
  ASSERT_NE(nullptr, std::freopen("NUL", "r", stdin));
  VARIANT_BOOL accepted = VARIANT_TRUE;
  long result = 0;
  ASSERT_HRESULT_SUCCEEDED(show(nullptr, accepted, result));
  EXPECT_EQ(VARIANT_FALSE, accepted);
  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(L"", read(&IShowCOCATIDs::GetPackageName));
  // A choice file that cannot be read gives no choice either.
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE_FILE", L"C:\\no such folder\\choice.txt");
  accepted = VARIANT_TRUE;
  ASSERT_HRESULT_SUCCEEDED(browser->ShowSelection(&accepted, &result));
  EXPECT_EQ(VARIANT_FALSE, accepted);
  EXPECT_EQ(L"", read(&IShowCOCATIDs::GetSystemName));
}

}  // namespace
