// Binding all variables: order, the import report emptied at its place, the zeroed view
// variables of a new case, the two help texts, variables the host does not declare, a missing
// host, a failing store and an exception while binding.
#include <algorithm>

#include "support/SetGet.h"
#include "support/Text.h"
#include "tests/adapter/PkgConfigFixture.h"

using support::SetGet;
using support::Variant;

namespace pkgconfig_test {
namespace {

const std::wstring kHelp =
    L"The simulator will try to identify the components through their CASNumber. If this fails, "
    L"it will try to match their CompId with the simulator's internal names. \n\nAll the columns "
    L"displayed in the 'Chemical components' page show information extracted from the CAPE-OPEN "
    L"Property Package. All except 'Sim. Name', which shows the name of the simulator's component "
    L"with which it was matched. This field is NOT updated until the dialog is closed.\n\nBe "
    L"aware that some Property Packages may only support selecting all components\n\nThe 'Treat "
    L"as Hypo' column allows selecting whether the component must be identified as a simulator "
    L"native component, or it must be treated as hypothetical component.\nBe aware that some "
    L"components might only be treated as hypothetical components.\n\nIn this version of Brellan "
    L"Calqueno CAPE-OPEN 1.0, changing the 'Treat as Hypo' flag of a component will discard "
    L"any information previously associated to the component, such as reactions, binary parameters, "
    L"or component composition. ";

const std::wstring kCancelled =
    L"You have just cancelled the creation of a CAPE-OPEN Property Package (PP). \n If you "
    L"want to create again a CAPE-OPEN PP, follow the next steps:\n     1.- Select any other "
    L"non CAPE-OPEN PP (such as Peng Robinson)\n     2.- If a dialog box asks you confirmation "
    L"about deleting the Property Package,\n         click on 'Yes'.\n     3.- Select again "
    L"the Property Package called CAPE-OPEN\n Otherwise, select directly the non CAPE-OPEN "
    L"PP that you want to create.";

std::wstring textIn(const Variant& v) { return v.vt() == VT_BSTR && v.get().bstrVal ? v.get().bstrVal : L""; }

// Position of the first call of that operation about that variable, or -1.
long callIndex(const std::vector<orvexhost::CallRecord>& calls, const std::wstring& operation,
               const std::wstring& argumentStart) {
  for (size_t i = 0; i < calls.size(); ++i)
    if (calls[i].operation == operation && calls[i].arguments.rfind(argumentStart, 0) == 0) return static_cast<long>(i);
  return -1;
}

using BindingTest = PkgConfigTest;

TEST_F(BindingTest, BindsAllVariablesInTableOrderWithoutAComplaint) {
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), false, *errors));
  const std::vector<std::wstring> found = callNames(L"FindVariable");
  ASSERT_EQ(23u, found.size());
  for (size_t i = 0; i < 23; ++i) EXPECT_EQ(support::widen(kNames[i]), found[i]) << i;
  const std::vector<OvVar*>& registered = config.vars().vars();
  ASSERT_EQ(23u, registered.size());
  EXPECT_EQ(&config.m_PropPackName, registered.front());
  EXPECT_EQ(&config.m_ImportReport, registered[12]);
  EXPECT_EQ(&config.m_TextMessage, registered.back());
  for (size_t i = 0; i < 23; ++i) EXPECT_EQ(kNames[i], registered[i]->name());
  EXPECT_TRUE(test_sink::boxes().empty());

  // Binding again rebinds in place: same order, no second registration.
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), true, *errors));
  EXPECT_EQ(23u, config.vars().vars().size());
  EXPECT_EQ(&config.m_TextMessage, config.vars().vars().back());
}

TEST_F(BindingTest, ImportReportIsEmptiedRightAfterItIsBoundAlsoWhenRecalling) {
  putHostValue(L"ImportReport", text(L"an old report\n").get());
  host->clearCalls();
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), true, *errors));
  const std::vector<orvexhost::CallRecord> calls = host->calls();
  const long bound = callIndex(calls, L"FindVariable", L"\"ImportReport\"");
  const long emptied = callIndex(calls, L"PutValue", L"ImportReport \"\"");
  const long next = callIndex(calls, L"FindVariable", L"\"SelectedCompFormulas\"");
  ASSERT_GE(bound, 0);
  EXPECT_LT(bound, emptied);
  EXPECT_LT(emptied, next);
  EXPECT_EQ(L"", textIn(hostValue(L"ImportReport")));
}

TEST_F(BindingTest, NewCaseZeroesValidationModeThenComponentsSourceAfterBinding) {
  putHostValue(L"ComponentsSource", real(2).get());
  putHostValue(L"ValidationMode", real(1).get());
  host->clearCalls();
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), false, *errors));
  EXPECT_EQ(0.0, hostValue(L"ComponentsSource").get().dblVal);
  EXPECT_EQ(0.0, hostValue(L"ValidationMode").get().dblVal);
  const std::vector<orvexhost::CallRecord> calls = host->calls();
  const long lastBinding = callIndex(calls, L"FindVariable", L"\"TextMessage\"");
  const long validation = callIndex(calls, L"PutValue", L"ValidationMode ");
  const long source = callIndex(calls, L"PutValue", L"ComponentsSource ");
  EXPECT_LT(lastBinding, validation);
  EXPECT_LT(validation, source);
}

TEST_F(BindingTest, RecallLeavesComponentsSourceAndValidationModeAlone) {
  putHostValue(L"ComponentsSource", real(2).get());
  putHostValue(L"ValidationMode", real(1).get());
  host->clearCalls();
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), true, *errors));
  EXPECT_EQ(2.0, hostValue(L"ComponentsSource").get().dblVal);
  EXPECT_EQ(1.0, hostValue(L"ValidationMode").get().dblVal);
  const std::vector<std::wstring> puts = callNames(L"PutValue");
  EXPECT_EQ(puts.end(), std::find(puts.begin(), puts.end(), L"ComponentsSource"));
  EXPECT_EQ(puts.end(), std::find(puts.begin(), puts.end(), L"ValidationMode"));
}

TEST_F(BindingTest, EveryBindingWritesBothHelpTextsCharacterForCharacter) {
  for (bool recalling : {false, true}) {
    putHostValue(L"ComponentsMessage", text(L"edited").get());
    putHostValue(L"TextMessage", text(L"edited").get());
    ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), recalling, *errors));
    EXPECT_EQ(kHelp, textIn(hostValue(L"ComponentsMessage"))) << recalling;
    EXPECT_EQ(kCancelled, textIn(hostValue(L"TextMessage"))) << recalling;
  }
  EXPECT_EQ(1004u, kHelp.size());  // each "\n" is one character
  EXPECT_EQ(453u, kCancelled.size());
  // This variant of the cancel instructions, unlike the box shown when cancelling.
  EXPECT_EQ(0u, kCancelled.find(L"You have just cancelled the creation of a CAPE-OPEN Property Package (PP). \n If"));
  EXPECT_NE(std::wstring::npos, kCancelled.find(L"If a dialog box asks you confirmation"));
  EXPECT_EQ(kHelp, PkgConfig::kComponentsHelp);
  EXPECT_EQ(kCancelled, PkgConfig::kCancelledHelp);
}

TEST_F(BindingTest, UndeclaredAndUnusableVariablesAreReportedAndStayLocal) {
  makeHost(definition("HypoFlags", "MatchedBy"));
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), false, *errors));
  ASSERT_EQ(2u, test_sink::boxes().size());
  EXPECT_EQ(failureBox(L"finding EDF variable 'HypoFlags'. Please upgrade and register latest EDF file."),
            test_sink::boxes()[0].text);
  EXPECT_EQ(failureBox(L"Variable MatchedBy not found in the edf"), test_sink::boxes()[1].text);
  // Still registered, so save and restore see them; their values live in the adapter.
  EXPECT_EQ(23u, config.vars().vars().size());
  host->clearCalls();
  ASSERT_HRESULT_SUCCEEDED(config.m_HypoFlags.setValue(doubles({1, 0}).get()));
  EXPECT_EQ(L"1-.-0", textOf(config.m_HypoFlags));
  EXPECT_TRUE(host->calls().empty());
}

TEST_F(BindingTest, WithoutAContainerEveryVariableIsLocal) {
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(nullptr, false, *errors));
  EXPECT_TRUE(test_sink::boxes().empty());
  EXPECT_EQ(23u, config.vars().vars().size());
  EXPECT_EQ(kHelp, textOf(config.m_ComponentsMessage));
  EXPECT_EQ(kCancelled, textOf(config.m_TextMessage));
  double mode = -1;
  ASSERT_HRESULT_SUCCEEDED(config.m_ValidationMode.getReal(mode));
  EXPECT_EQ(0.0, mode);
  EXPECT_TRUE(host->calls().empty());
}

TEST_F(BindingTest, FailingZeroStoreEndsTheBindingWithItsCode) {
  host->failWith(L"PutValue", E_ACCESSDENIED);
  EXPECT_EQ(E_ACCESSDENIED, config.bindAll(container.Get(), false, *errors));
  const std::vector<std::wstring> puts = callNames(L"PutValue");
  // The import report's emptying and ValidationMode were tried; nothing after the failure.
  ASSERT_EQ(2u, puts.size());
  EXPECT_EQ(L"ImportReport", puts[0]);
  EXPECT_EQ(L"ValidationMode", puts[1]);
  ASSERT_EQ(2u, test_sink::boxes().size());
  for (const test_sink::Box& box : test_sink::boxes())
    EXPECT_NE(std::wstring::npos, box.text.find(L"Unexpected error ")) << box.text;
}

TEST_F(BindingTest, FailingHelpTextStoreIsTheResultAfterBothAreTried) {
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), false, *errors));
  host->failWith(L"PutValue", E_ACCESSDENIED);
  host->clearCalls();
  EXPECT_EQ(E_ACCESSDENIED, config.bindAll(container.Get(), true, *errors));
  const std::vector<std::wstring> puts = callNames(L"PutValue");
  ASSERT_EQ(3u, puts.size());
  EXPECT_EQ(L"ComponentsMessage", puts[1]);
  EXPECT_EQ(L"TextMessage", puts[2]);
}

TEST_F(BindingTest, ExceptionWhileBindingIsAnInternalErrorAndLaterBindingsWork) {
  ThrowingContainer broken;
  EXPECT_EQ(E_FAIL, config.bindAll(&broken, false, *errors));
  ASSERT_EQ(1u, test_sink::boxes().size());
  const std::wstring shown = test_sink::boxes()[0].text;
  EXPECT_NE(std::wstring::npos, shown.find(L"INTERNAL ERROR ")) << shown;
  EXPECT_NE(std::wstring::npos, shown.find(L"initializing EDF variables")) << shown;
  EXPECT_EQ("INTERNAL ERROR initializing EDF variables", errors->lastMessage());

  test_sink::clearBoxes();
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), false, *errors));
  EXPECT_TRUE(test_sink::boxes().empty());
  EXPECT_EQ(kHelp, textIn(hostValue(L"ComponentsMessage")));
}

}  // namespace
}  // namespace pkgconfig_test
