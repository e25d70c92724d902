// The category browser, created through COM as the product creates it, against the test fixture
// Thermo System that this test registers for its own run.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

#include "BrowserRecord.h"
#include "CAPE-OPENv1-0-0.h"
#include "OvShowCOCATIDs.h"
#include "Raii.h"
#include "ThermoSystemFixture.h"

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

}  // namespace
