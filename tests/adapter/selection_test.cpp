// The choice of the package and its creation, with the host case, the category browser and the
// Peng-Robinson thermo system: the browser's calls, the variables the choice is kept in, the
// cancelled and the recalled choice, the objects handed to the host thread, the package's own
// view, and where the package lives and ends.
#include <windows.h>
#include <oleauto.h>
#include <regex>
#include <string>
#include <vector>

#include "tests/adapter/AdapterFixture.h"
#include "counterparts/browser/BrowserRecord.h"
#include "CAPE-OPENv1-0-0.h"
#include "support/ModuleInfo.h"
#include "support/Text.h"

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace adapter_test {
namespace {

// The name the browser gives the thermo system: its ProgID as registered.
constexpr wchar_t kSystem[] = L"Quellmar.PRThermoSystem.1";
constexpr wchar_t kKValuesLine[] =
    L"Since the package does not support 'fugacityCoefficients', 'logfugacityCoefficients' and "
    L"'activityCoefficients', the flash will be performed using 'kValues'. Unfortunately, this property does "
    L"not allow Liquid-Liquid equilibriums. In consequence, the simulator will calculate itself this type of "
    L"equilibriums instead of requesting the package.";
constexpr wchar_t kCancelText[] =
    L"You have just cancelled the creation of a CAPE-OPEN Property Package (PP).\n"
    L" If you want to create again a CAPE-OPEN PP, follow the next steps:\n"
    L"     1.- Select any other non CAPE-OPEN PP (such as Peng Robinson)\n"
    L"     2.- If a dialog box ask you confirmation about deleting the Property Package,\n"
    L"         click on 'Yes'.\n"
    L"     3.- Select again the Property Package called CAPE-OPEN\n"
    L" Otherwise, select directly the non CAPE-OPEN PP that you want to create.";
constexpr wchar_t kNoChoice[] = L"No Such System|No Such Package";  // ShowSelection fails on it

std::vector<std::wstring> stringsIn(const VARIANT& value) {
  std::vector<std::wstring> out;
  if (value.vt != (VT_ARRAY | VT_BSTR) || !value.parray) return out;
  long lb = 0, ub = -1;
  SafeArrayGetLBound(value.parray, 1, &lb);
  SafeArrayGetUBound(value.parray, 1, &ub);
  for (long i = lb; i <= ub; ++i) {
    BSTR element = nullptr;
    SafeArrayGetElement(value.parray, &i, &element);
    Bstr owned = Bstr::attach(element);
    out.emplace_back(owned.c_str(), owned.length());
  }
  return out;
}

std::vector<std::wstring> linesOf(const std::wstring& text) {
  std::vector<std::wstring> out;
  size_t start = 0;
  for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
    out.push_back(text.substr(start, end - start));
  return out;
}

std::wstring quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

// What the browser recorded (it must live in this apartment: its record has no proxy).
std::vector<std::wstring> browserCalls(IDispatch* browser) {
  ComPtr<IBrowserRecord> record;
  EXPECT_EQ(S_OK, browser->QueryInterface(__uuidof(IBrowserRecord), reinterpret_cast<void**>(record.GetAddressOf())));
  Bstr calls;
  if (record) {
    EXPECT_EQ(S_OK, record->Calls(calls.out()));
  }
  return linesOf(std::wstring(calls.c_str(), calls.length()));
}

bool contains(const std::vector<std::wstring>& list, const std::wstring& item) {
  for (const auto& entry : list)
    if (entry == item) return true;
  return false;
}

// A proxy answers IClientSecurity; the object itself (in this apartment) does not.
bool isProxy(IUnknown* object) {
  ComPtr<IClientSecurity> security;
  return SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(security.GetAddressOf())));
}

std::wstring componentName(IDispatch* object, HRESULT& hr) {
  ComPtr<ICapeIdentification> identification;
  hr = object->QueryInterface(IID_PPV_ARGS(identification.GetAddressOf()));
  Bstr name;
  if (SUCCEEDED(hr)) hr = identification->get_ComponentName(name.out());
  return name.c_str();
}


class SelectionTest : public AdapterTest {
 protected:
  std::wstring hostText(const wchar_t* name) { return textIn(hostValue(name).get()); }

  // On an adapter that was not initialised: the choice and the creation run on this thread,
  // so the browser of the creation lives here and its record can be read.
  void createHere(IDispatch** pp, IDispatch** browser) {
    IDispatch* gui = nullptr;
    ASSERT_EQ(S_OK, priv->selectPropPack(&gui));
    EXPECT_EQ(nullptr, gui);
    ASSERT_EQ(S_OK, priv->createPropPackage(pp, browser));
    ASSERT_NE(nullptr, *pp);
    ASSERT_NE(nullptr, *browser);
  }
};

TEST_F(SelectionTest, NewCaseKeepsTheChoiceTheListsAndTellsTheHost) {
  initializeWith(L"K-values Only");
  EXPECT_EQ(L"K-values Only", hostText(L"PropPackName"));
  EXPECT_EQ(kSystem, hostText(L"PropSysName"));
  EXPECT_EQ(L"K-values Only", hostText(L"PropPackAlias"));
  EXPECT_EQ(L"PR Thermo System", hostText(L"PropSysAlias"));
  EXPECT_EQ(L"K-values Only", host->packageAlias());
  EXPECT_EQ(std::vector<std::wstring>{L"kvalues"}, stringsIn(hostValue(L"SelectedProperties").get()));
  EXPECT_EQ((std::vector<std::wstring>{L"Vapor", L"Liquid", L"Overall"}),
            stringsIn(hostValue(L"SelectedPhases").get()));
  EXPECT_EQ(5u, stringsIn(hostValue(L"SelectedCompIds").get()).size());
  EXPECT_TRUE(std::regex_match(hostText(L"KitVersion"), std::wregex(L"\\d+\\.\\d+\\.\\d+ build \\d+")))
      << hostText(L"KitVersion");
  // Only fugacity-less packages get the line: K-values Only has none of the three.
  EXPECT_NE(std::wstring::npos, hostText(L"ImportReport").find(std::wstring(kKValuesLine) + L"\n"));
  EXPECT_EQ((std::vector<std::wstring>{L"Show DefaultView", L"Refresh DefaultView"}), host->shownViews());
  hyper raw = 1;
  EXPECT_EQ(E_NOTIMPL, priv->getThis(&raw));
}

TEST_F(SelectionTest, PackageWithFugacitiesGetsNoKValuesLine) {
  initializeWith(L"Natural Gas");
  EXPECT_EQ(L"Natural Gas", hostText(L"PropPackName"));
  EXPECT_EQ(15u, stringsIn(hostValue(L"SelectedProperties").get()).size());
  EXPECT_EQ(std::wstring::npos, hostText(L"ImportReport").find(kKValuesLine));
}

TEST_F(SelectionTest, CancelShowsItsTextAndKeepsTheVariables) {
  putHostValue(L"PropPackName", text(L"Earlier Package").get());
  putHostValue(L"PropSysName", text(L"Earlier System").get());
  EXPECT_EQ(E_FAIL, initialize(nullptr));
  EXPECT_EQ(kCancelText, boxes.onlyText());
  EXPECT_EQ(L"Earlier Package", hostText(L"PropPackName"));
  EXPECT_EQ(L"Earlier System", hostText(L"PropSysName"));
  EXPECT_EQ(L"", hostText(L"PropPackAlias"));
  EXPECT_EQ(L"", host->packageAlias());
  EXPECT_EQ(0, record.version);
  // A dialog that fails ends the selection with its code, the variables still untouched.
  newAdapter();
  EXPECT_EQ(E_INVALIDARG, initialize(kNoChoice));
  EXPECT_EQ(L"Earlier Package", hostText(L"PropPackName"));
}

TEST_F(SelectionTest, BrowserIsUsedInItsOrderAndReleasedAtTeardown) {
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", choiceOf(L"K-values Only").c_str());
  ComPtr<IDispatch> pp, browser;
  createHere(pp.GetAddressOf(), browser.GetAddressOf());
  EXPECT_FALSE(isProxy(pp.Get()));
  HRESULT hr = E_FAIL;
  EXPECT_EQ(L"K-values Only", componentName(pp.Get(), hr));
  const std::wstring version = quoted(support::widen(support::versionString("Quellmar")));
  std::vector<std::wstring> calls = browserCalls(browser.Get());
  const std::vector<std::wstring> expected = {
      L"InitBrowser 0 null 12",
      L"SetKitVersion " + version,
      L"SetState " + quoted(std::wstring(L"system=") + kSystem + L";package=K-values Only"),
      L"SetNames \"K-values Only\" " + quoted(kSystem),
      L"SetAliases \"K-values Only\" \"PR Thermo System\"",
      L"CreatePackage \"K-values Only\" " + quoted(kSystem),
      L"SetRecalling 0"};
  ASSERT_GE(calls.size(), expected.size());
  EXPECT_EQ(expected, std::vector<std::wstring>(calls.begin(), calls.begin() + expected.size()));
  EXPECT_TRUE(contains(calls, L"AddReportLine " + quoted(kKValuesLine) + L" complete"));
  EXPECT_FALSE(contains(calls, L"ReleaseObjects"));
  EXPECT_EQ(S_OK, priv->PrivTerminate());
  calls = browserCalls(browser.Get());
  EXPECT_EQ(L"ReleaseObjects", calls.back());
  pp.Reset();
  EXPECT_EQ(S_OK, canUnload(L"PRThermo.dll"));
}

TEST_F(SelectionTest, RecallShowsNoDialogAndTellsTheBrowser) {
  initializeWith(L"Natural Gas");
  Bstr saved;
  ASSERT_EQ(S_OK, priv->PkgSave(saved.out()));
  // A new adapter that was not initialised recalls the text: its choice is the recalled one.
  newAdapter();
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", kNoChoice);
  VARIANT_BOOL changed = VARIANT_FALSE;
  ASSERT_HRESULT_SUCCEEDED(priv->PkgRecall(saved.get(), &changed));
  ComPtr<IDispatch> pp, browser;
  createHere(pp.GetAddressOf(), browser.GetAddressOf());
  const std::vector<std::wstring> calls = browserCalls(browser.Get());
  EXPECT_TRUE(contains(calls, L"SetState \"\""));  // no state after a recall
  EXPECT_TRUE(contains(calls, L"SetNames \"Natural Gas\" " + quoted(kSystem)));
  EXPECT_TRUE(contains(calls, L"SetRecalling -1"));
  EXPECT_EQ(S_OK, priv->PrivTerminate());
  // Through Initialize: a recall with a choice that would fail if the dialog were shown.
  newAdapter();
  EXPECT_EQ(S_OK, initialize(kNoChoice, VARIANT_TRUE));
  EXPECT_EQ(L"Natural Gas", host->packageAlias());
}

TEST_F(SelectionTest, PackageLivesAndEndsOnTheCapeOpenThread) {
  initializeWith(L"Natural Gas");
  ComPtr<IDispatch> pp, browser, matObj;
  ASSERT_EQ(S_OK, priv->createPropPackage(pp.GetAddressOf(), browser.GetAddressOf()));
  ASSERT_EQ(S_OK, priv->createMatObject(matObj.GetAddressOf()));
  ASSERT_TRUE(pp && browser && matObj);
  // Made on another apartment's thread: this one only gets proxies, the browser's record has none.
  EXPECT_TRUE(isProxy(pp.Get()));
  EXPECT_TRUE(isProxy(browser.Get()));
  EXPECT_TRUE(isProxy(matObj.Get()));
  ComPtr<IBrowserRecord> record;
  EXPECT_EQ(E_NOINTERFACE, browser->QueryInterface(__uuidof(IBrowserRecord), reinterpret_cast<void**>(record.GetAddressOf())));
  HRESULT hr = E_FAIL;
  EXPECT_EQ(L"Natural Gas", componentName(pp.Get(), hr));
  EXPECT_EQ(S_OK, hr);
  // Asked for off that thread, the teardown is handed to it: the adapter lets go of the package
  // there and then; only this test's proxy keeps it.
  EXPECT_EQ(S_OK, priv->PrivTerminate());
  EXPECT_EQ(S_FALSE, canUnload(L"PRThermo.dll"));
  pp.Reset();
  browser.Reset();
  matObj.Reset();
  EXPECT_EQ(S_OK, canUnload(L"PRThermo.dll")) << "the thread still runs; the package is gone";
  std::vector<double> k(14, 0.0), v(14, 1.0 / 14);
  double* rows[3] = {v.data(), v.data(), v.data()};
  EXPECT_EQ(E_FAIL, package->ComputeKFactorsVL(300, 2000, rows, k.data())) << "nothing left to ask";
  EXPECT_EQ(S_OK, extension->Terminate());
  initialised = false;
}

TEST_F(SelectionTest, CustomViewRunsThePackagesEditAndReadsItsComponentsAgain) {
  initializeWith(L"Faulty Edit");
  EXPECT_EQ((std::vector<std::wstring>{L"74-82-8", L"74-98-6"}), stringsIn(hostValue(L"SelectedCompCASNos").get()));
  NamedArgument customView(L"CustomView");
  EXPECT_EQ(S_OK, extension->VariableChanged(&customView));
  EXPECT_EQ(0u, boxes.count()) << (boxes.count() ? boxes.shown()[0].text : L"");
  // The package's view switched it from two compounds to three.
  EXPECT_EQ((std::vector<std::wstring>{L"74-82-8", L"74-84-0", L"74-98-6"}),
            stringsIn(hostValue(L"SelectedCompCASNos").get()));
}

TEST_F(SelectionTest, FailingCreationEndsInitializeAndReleasesEverything) {
  putHostValue(L"PropPackName", text(L"No Such Package").get());
  putHostValue(L"PropSysName", text(kSystem).get());
  putHostValue(L"PropPackAlias", text(L"No Such Package").get());
  putHostValue(L"PropSysAlias", text(L"PR Thermo System").get());
  const HRESULT hr = initialize(nullptr, VARIANT_TRUE);
  EXPECT_TRUE(FAILED(hr));
  EXPECT_TRUE(boxes.anyContains(L"Unexpected error ")) << boxes.count();
  EXPECT_FALSE(boxes.anyContains(L"cancelled"));
  EXPECT_EQ(0, record.version);
  EXPECT_EQ(L"", host->packageAlias());
  // Only the CAPE-OPEN thread loaded the thermo system: with its apartment gone, the module
  // is unloaded, or at least holds no object.
  const HRESULT unload = canUnload(L"PRThermo.dll");
  EXPECT_TRUE(unload == S_OK || unload == E_UNEXPECTED) << unload;
  // Once more, now that the platform's own helper threads for calls between apartments exist:
  // the failed creation leaves no thread behind.
  newAdapter();
  const size_t threadsBefore = threadCount();
  EXPECT_EQ(hr, initialize(nullptr, VARIANT_TRUE));
  EXPECT_EQ(threadsBefore, threadCount());
}

}  // namespace
}  // namespace adapter_test
