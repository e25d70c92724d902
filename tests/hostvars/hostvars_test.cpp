// The host variable wrappers bound to the host counterpart's variables and unbound: binding and
// its messages, each kind's value, "is set" and persisted text, the case store, failing host
// calls and reads past an array's end.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <initializer_list>
#include <string>

#include "counterparts/host/OrvexHost.h"
#include "hostvars/OvVar.h"
#include "support/Raii.h"
#include "support/SetGet.h"
#include "support/Trace.h"
#include "tests/common/Arrays.h"
#include "tests/common/MessageSink.h"

using support::Bstr;
using support::ComPtr;
using support::SetGet;
using support::Variant;

namespace {

const bool g_named = support::setModuleName("test_hostvars.exe");

const wchar_t kDefinition[] =
    L"text PropPackName\n"
    L"real KitNumber\n"
    L"realarray HypoFlags\n"
    L"textarray SelectedCompIds\n"
    L"text Hidden unusable\n";

using test_arrays::doubles;
using test_arrays::texts;

Variant textValue(const wchar_t* text) {
  Variant v;
  v.get().vt = VT_BSTR;
  v.get().bstrVal = SysAllocString(text);
  return v;
}

// A failure's box: the report's failure mark, then the text.
std::string failureBox(const std::string& text) { return " ERROR: " + text; }

std::wstring textOf(OvVar& var) {
  Bstr text;
  EXPECT_HRESULT_SUCCEEDED(var.toText(text.out()));
  return text.c_str();
}

std::wstring tempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name + std::to_wstring(GetCurrentProcessId()) + L".txt";
}

class HostVarsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_named);
    ASSERT_HRESULT_SUCCEEDED(apartment.result());
    ASSERT_HRESULT_SUCCEEDED(host.container(&container));
    ASSERT_HRESULT_SUCCEEDED(set.attachHost(container.Get()));
    ASSERT_NE(nullptr, set.definition());
    test_sink::clearBoxes();
  }

  // The host's own view of a declared variable.
  template <class I>
  ComPtr<I> hostVariable(const wchar_t* name) {
    ComPtr<ExtnVariableDefinition> declared;
    ComPtr<IDispatch> object;
    ComPtr<I> typed;
    EXPECT_HRESULT_SUCCEEDED(set.definition()->FindVariable(Bstr(name).get(), &declared));
    if (declared) {
      EXPECT_HRESULT_SUCCEEDED(declared->get_Variable(&object));
    }
    if (object) {
      EXPECT_HRESULT_SUCCEEDED(object.As(&typed));
    }
    return typed;
  }

  support::ComApartment apartment;
  orvexhost::Host host{kDefinition};
  ComPtr<ExtnContainer> container;
  OvVarSet set;
};

// ---- Binding --------------------------------------------------------------------------------

TEST_F(HostVarsTest, DeclaredVariablesBindSilentlyToTheirHostInterface) {
  OvTextVar text;
  OvRealVar real;
  OvRealFlexVar reals;
  OvTextFlexVar strings;
  IUnknown* bound[] = {text.bind("PropPackName", &set), real.bind("KitNumber", &set),
                       reals.bind("HypoFlags", &set), strings.bind("SelectedCompIds", &set)};
  for (IUnknown* reference : bound) EXPECT_NE(nullptr, reference);
  ComPtr<ExtnTextVariable> typed;
  EXPECT_HRESULT_SUCCEEDED(bound[0]->QueryInterface(IID_PPV_ARGS(&typed)));
  EXPECT_TRUE(test_sink::texts().empty());
  ASSERT_EQ(4u, set.vars().size());
  EXPECT_EQ(&text, set.vars()[0]);
  EXPECT_EQ(&strings, set.vars()[3]);
}

TEST_F(HostVarsTest, AnUndeclaredVariableIsReportedAndStaysUnboundButRegistered) {
  OvTextVar missing;
  EXPECT_EQ(nullptr, missing.bind("NoSuchVar", &set));
  EXPECT_EQ(std::vector<std::string>{failureBox("finding EDF variable 'NoSuchVar'. Please upgrade and register latest EDF file.")},
            test_sink::texts());
  EXPECT_EQ(&missing, set.find("nosuchvar"));
  // Unbound: the value lives in the wrapper only.
  EXPECT_HRESULT_SUCCEEDED(missing.setText(L"kept here"));
  EXPECT_EQ(L"kept here", textOf(missing));
  EXPECT_TRUE(missing.hasValue());
}

TEST_F(HostVarsTest, AnUnusableDeclarationIsReportedAsNotFound) {
  OvTextVar hidden;
  EXPECT_EQ(nullptr, hidden.bind("Hidden", &set));
  EXPECT_EQ(std::vector<std::string>{failureBox("Variable Hidden not found in the edf")}, test_sink::texts());
}

TEST_F(HostVarsTest, AVariableOfAnotherKindFailsItsQueryAsUnexpected) {
  OvRealVar wrongKind;
  EXPECT_EQ(nullptr, wrongKind.bind("PropPackName", &set));
  const auto boxes = test_sink::texts();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(0u, boxes[0].find(" ERROR: Unexpected error ")) << boxes[0];
}

TEST_F(HostVarsTest, WithoutAHostDefinitionEveryWrapperStaysUnboundWithoutAMessage) {
  OvVarSet local;
  OvRealVar real;
  EXPECT_EQ(nullptr, real.bind("KitNumber", &local));
  EXPECT_TRUE(test_sink::texts().empty());
  EXPECT_HRESULT_SUCCEEDED(real.setReal(2.5));
  double value = 0;
  EXPECT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(2.5, value);
  EXPECT_TRUE(real.hasValue());
}

TEST_F(HostVarsTest, RebindingKeepsOneEntryAndDestructionUnregisters) {
  {
    OvTextVar text;
    text.bind("PropPackName", &set);
    text.bind("PropPackName", &set);
    EXPECT_EQ(1u, set.vars().size());
  }
  EXPECT_TRUE(set.vars().empty());
  EXPECT_EQ(nullptr, set.find("PropPackName"));
}

TEST_F(HostVarsTest, TheSetFindsTheFirstWrapperOfANameIgnoringCase) {
  OvTextVar first, second;
  first.bind("PropPackName", &set);
  second.bind("PROPPACKNAME", &set);
  EXPECT_EQ(&first, set.find("proppackname"));
  EXPECT_HRESULT_SUCCEEDED(set.setValue("PropPackName", textValue(L"by name").get()));
  Variant value;
  EXPECT_HRESULT_SUCCEEDED(set.getValue("propPackName", value.out()));
  ASSERT_EQ(VT_BSTR, value.vt());
  EXPECT_STREQ(L"by name", value.get().bstrVal);
  EXPECT_EQ(E_FAIL, set.getValue("Other", value.out()));
  EXPECT_EQ(E_FAIL, set.setValue("Other", value.get()));
}

// ---- Values on the host ---------------------------------------------------------------------

TEST_F(HostVarsTest, TextGoesToTheHostAndAppendsWithOrWithoutALineFeed) {
  OvTextVar text;
  ASSERT_NE(nullptr, text.bind("PropPackName", &set));
  EXPECT_FALSE(text.hasValue());
  EXPECT_HRESULT_SUCCEEDED(text.setText(L"first"));
  EXPECT_TRUE(text.hasValue());
  Bstr onHost;
  ASSERT_HRESULT_SUCCEEDED(hostVariable<ExtnTextVariable>(L"PropPackName")->get_Value(onHost.out()));
  EXPECT_STREQ(L"first", onHost.c_str());
  EXPECT_HRESULT_SUCCEEDED(text.append(L" line", true));
  EXPECT_HRESULT_SUCCEEDED(text.append(L"tail", false));
  EXPECT_EQ(L"first line\ntail", textOf(text));
  // A non-text VARIANT is stored as its text.
  Variant number;
  number.get().vt = VT_I4;
  number.get().lVal = 42;
  EXPECT_HRESULT_SUCCEEDED(text.setValue(number.get()));
  EXPECT_EQ(L"42", textOf(text));
  EXPECT_TRUE(test_sink::texts().empty());
}

TEST_F(HostVarsTest, RealGoesToTheHostAndRestoresExactly) {
  OvRealVar real;
  ASSERT_NE(nullptr, real.bind("KitNumber", &set));
  EXPECT_FALSE(real.hasValue());
  EXPECT_HRESULT_SUCCEEDED(real.setReal(0.1));
  EXPECT_TRUE(real.hasValue());
  double onHost = 0;
  ASSERT_HRESULT_SUCCEEDED(hostVariable<ExtnRealVariable>(L"KitNumber")->get_Value(&onHost));
  EXPECT_EQ(0.1, onHost);
  const std::wstring saved = textOf(real);
  EXPECT_EQ(L"0.1", saved);
  EXPECT_HRESULT_SUCCEEDED(real.fromText(Bstr(saved.c_str()).get()));
  double value = 0;
  EXPECT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(0.1, value);
  // A value that needs all 17 digits comes back bit for bit.
  const double third = 1.0 / 3.0;
  EXPECT_HRESULT_SUCCEEDED(real.setReal(third));
  EXPECT_HRESULT_SUCCEEDED(real.fromText(Bstr(textOf(real).c_str()).get()));
  EXPECT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(third, value);
  // Text that is no number changes nothing.
  EXPECT_EQ(E_FAIL, real.fromText(Bstr(L"abc").get()));
  EXPECT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(third, value);
}

TEST_F(HostVarsTest, RealArrayGoesToTheHostElementByElement) {
  OvRealFlexVar reals;
  ASSERT_NE(nullptr, reals.bind("HypoFlags", &set));
  EXPECT_FALSE(reals.hasValue());
  EXPECT_HRESULT_SUCCEEDED(reals.setValue(doubles({}).get()));
  EXPECT_FALSE(reals.hasValue());  // an empty array is no value
  EXPECT_HRESULT_SUCCEEDED(reals.setValue(doubles({1.5, 2.5, 3.5}).get()));
  EXPECT_TRUE(reals.hasValue());
  EXPECT_HRESULT_SUCCEEDED(reals.setReal(1, 7.25));
  EXPECT_EQ(7.25, reals.getReal(1));
  Variant onHost;
  ASSERT_HRESULT_SUCCEEDED(hostVariable<ExtnRealArrayVariable>(L"HypoFlags")->get_Value(onHost.out()));
  EXPECT_EQ(7.25, SetGet::getDouble(onHost.get(), SetGet::lbound(onHost.get()) + 1));
  EXPECT_EQ(L"1.5-.-7.25-.-3.5", textOf(reals));
  EXPECT_HRESULT_SUCCEEDED(reals.fromText(Bstr(L"0.1-.-4").get()));
  EXPECT_EQ(0.1, reals.getReal(0));
  EXPECT_EQ(4.0, reals.getReal(1));
  EXPECT_EQ(E_FAIL, reals.fromText(Bstr(L"1-.-x-.-3").get()));
  EXPECT_EQ(L"0.1-.-4", textOf(reals));
  EXPECT_TRUE(test_sink::texts().empty());
}

TEST_F(HostVarsTest, TextArrayGoesToTheHostAndSplitsAtTheSeparator) {
  OvTextFlexVar strings;
  ASSERT_NE(nullptr, strings.bind("SelectedCompIds", &set));
  EXPECT_FALSE(strings.hasValue());
  EXPECT_HRESULT_SUCCEEDED(strings.fromText(Bstr(L"methane-.--.-ethane").get()));
  EXPECT_TRUE(strings.hasValue());
  EXPECT_STREQ(L"methane", strings.getText(0).c_str());
  EXPECT_STREQ(L"", strings.getText(1).c_str());
  EXPECT_HRESULT_SUCCEEDED(strings.setText(1, L"water"));
  Variant onHost;
  ASSERT_HRESULT_SUCCEEDED(hostVariable<ExtnTextArrayVariable>(L"SelectedCompIds")->get_Value(onHost.out()));
  EXPECT_EQ(3, SetGet::elementCount(onHost.get()));
  EXPECT_STREQ(L"water", SetGet::getString(onHost.get(), SetGet::lbound(onHost.get()) + 1));
  EXPECT_EQ(L"methane-.-water-.-ethane", textOf(strings));
  EXPECT_TRUE(test_sink::texts().empty());
}

// ---- Past an array's end --------------------------------------------------------------------

TEST_F(HostVarsTest, ReadingPastTheEndReportsPositionNameAndCount) {
  OvTextFlexVar strings;
  OvRealFlexVar reals;
  ASSERT_NE(nullptr, strings.bind("SelectedCompIds", &set));
  ASSERT_NE(nullptr, reals.bind("HypoFlags", &set));
  ASSERT_HRESULT_SUCCEEDED(strings.setValue(texts({L"a", L"b", L"c"}).get()));
  ASSERT_HRESULT_SUCCEEDED(reals.setValue(doubles({1, 2, 3}).get()));
  const Bstr text = strings.getText(5);
  EXPECT_NE(nullptr, text.get());
  EXPECT_STREQ(L"", text.c_str());
  EXPECT_TRUE(std::isnan(reals.getReal(3)));
  EXPECT_TRUE(std::isnan(reals.getReal(-1)));
  EXPECT_EQ((std::vector<std::string>{
                failureBox("Error getting position 5 of variable 'SelectedCompIds'. Variable value has only 3 elements"),
                failureBox("Error getting position 3 of variable 'HypoFlags'. Variable value has only 3 elements"),
                failureBox("Error getting position -1 of variable 'HypoFlags'. Variable value has only 3 elements")}),
            test_sink::texts());
  test_sink::clearBoxes();
  EXPECT_EQ(E_FAIL, strings.setText(3, L"d"));
  EXPECT_EQ(1u, test_sink::texts().size());
  EXPECT_EQ(L"a-.-b-.-c", textOf(strings));
}

TEST_F(HostVarsTest, AnUnsetArrayHasNoElementToRead) {
  OvTextFlexVar strings;
  ASSERT_NE(nullptr, strings.bind("SelectedCompIds", &set));
  EXPECT_STREQ(L"", strings.getText(0).c_str());
  EXPECT_EQ(std::vector<std::string>{
                failureBox("Error getting position 0 of variable 'SelectedCompIds'. Variable value has only 0 elements")},
            test_sink::texts());
}

// ---- Failing host calls ---------------------------------------------------------------------

TEST_F(HostVarsTest, AFailingHostCallIsReportedAndItsCodeReturned) {
  OvTextVar text;
  OvRealFlexVar reals;
  ASSERT_NE(nullptr, text.bind("PropPackName", &set));
  ASSERT_NE(nullptr, reals.bind("HypoFlags", &set));
  host.failWith(L"PutValue", E_ACCESSDENIED);
  EXPECT_EQ(E_ACCESSDENIED, text.setText(L"refused"));
  host.failWith(L"PutValue", S_OK);
  host.failWith(L"GetValue", E_ACCESSDENIED);
  Variant value;
  EXPECT_EQ(E_ACCESSDENIED, reals.getValue(value.out()));
  EXPECT_TRUE(std::isnan(reals.getReal(0)));
  Bstr saved;
  EXPECT_EQ(E_ACCESSDENIED, text.toText(saved.out()));
  host.failWith(L"GetValue", S_OK);
  const auto boxes = test_sink::texts();
  ASSERT_EQ(4u, boxes.size());
  for (const std::string& box : boxes) {
    EXPECT_EQ(0u, box.find(" ERROR: Unexpected error ")) << box;
    EXPECT_NE(std::string::npos, box.find("(0x80070005)")) << box;
  }
  EXPECT_FALSE(text.hasValue());
}

TEST_F(HostVarsTest, AFailingIsSetCallAnswersNoValue) {
  OvRealVar real;
  ASSERT_NE(nullptr, real.bind("KitNumber", &set));
  ASSERT_HRESULT_SUCCEEDED(real.setReal(1.0));
  host.failWith(L"IsSet", E_UNEXPECTED);
  EXPECT_FALSE(real.hasValue());
  host.failWith(L"IsSet", S_OK);
  EXPECT_EQ(1u, test_sink::texts().size());
  EXPECT_TRUE(real.hasValue());
}

TEST_F(HostVarsTest, AFailingLookupOfTheDefinitionLeavesTheWrapperUnbound) {
  host.failWith(L"FindVariable", E_UNEXPECTED);
  OvTextVar text;
  EXPECT_EQ(nullptr, text.bind("PropPackName", &set));
  host.failWith(L"FindVariable", S_OK);
  EXPECT_EQ(std::vector<std::string>{failureBox("finding EDF variable 'PropPackName'. Please upgrade and register latest EDF file.")},
            test_sink::texts());
  EXPECT_HRESULT_SUCCEEDED(text.setText(L"local"));
  Bstr onHost;
  ASSERT_HRESULT_SUCCEEDED(hostVariable<ExtnTextVariable>(L"PropPackName")->get_Value(onHost.out()));
  EXPECT_STREQ(L"", onHost.c_str());
}

// ---- The case store -------------------------------------------------------------------------

TEST_F(HostVarsTest, ValuesSurviveTheHostsCaseSaveAndRecall) {
  const std::wstring file = tempFile(L"hostvars-case");
  host.setCaseFile(file);
  {
    OvTextVar text;
    OvRealVar real;
    OvRealFlexVar reals;
    OvTextFlexVar strings;
    ASSERT_NE(nullptr, text.bind("PropPackName", &set));
    ASSERT_NE(nullptr, real.bind("KitNumber", &set));
    ASSERT_NE(nullptr, reals.bind("HypoFlags", &set));
    ASSERT_NE(nullptr, strings.bind("SelectedCompIds", &set));
    ASSERT_HRESULT_SUCCEEDED(text.setText(L"Peng\tRobinson\n"));
    ASSERT_HRESULT_SUCCEEDED(real.setReal(0.1 + 0.2));
    ASSERT_HRESULT_SUCCEEDED(reals.setValue(doubles({1.0, 1e-300}).get()));
    ASSERT_HRESULT_SUCCEEDED(strings.setValue(texts({L"CH4", L"", L"H2O"}).get()));
    ASSERT_HRESULT_SUCCEEDED(container->Save());
  }

  orvexhost::Host recalled(kDefinition);
  ASSERT_HRESULT_SUCCEEDED(recalled.loadCase(file));
  DeleteFileW(file.c_str());
  ComPtr<ExtnContainer> second;
  ASSERT_HRESULT_SUCCEEDED(recalled.container(&second));
  OvVarSet again;
  ASSERT_HRESULT_SUCCEEDED(again.attachHost(second.Get()));
  OvTextVar text;
  OvRealVar real;
  OvRealFlexVar reals;
  OvTextFlexVar strings;
  ASSERT_NE(nullptr, text.bind("PropPackName", &again));
  ASSERT_NE(nullptr, real.bind("KitNumber", &again));
  ASSERT_NE(nullptr, reals.bind("HypoFlags", &again));
  ASSERT_NE(nullptr, strings.bind("SelectedCompIds", &again));
  EXPECT_TRUE(text.hasValue() && real.hasValue() && reals.hasValue() && strings.hasValue());
  EXPECT_EQ(L"Peng\tRobinson\n", textOf(text));
  double value = 0;
  EXPECT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(0.1 + 0.2, value);
  EXPECT_EQ(1e-300, reals.getReal(1));
  EXPECT_EQ(L"CH4-.--.-H2O", textOf(strings));
  EXPECT_TRUE(test_sink::texts().empty());
}

// ---- Unbound wrappers -----------------------------------------------------------------------

TEST(UnboundVarTest, LocalValuesRoundTripThroughTheirText) {
  OvTextVar text(false);
  EXPECT_FALSE(text.persisted());
  EXPECT_HRESULT_SUCCEEDED(text.setText(L"one"));
  EXPECT_HRESULT_SUCCEEDED(text.setText(L"two"));
  EXPECT_EQ(L"two", textOf(text));
  EXPECT_TRUE(text.hasValue());
  EXPECT_HRESULT_SUCCEEDED(text.append(L"!", false));
  EXPECT_EQ(L"two!", textOf(text));

  OvRealVar real;
  EXPECT_HRESULT_SUCCEEDED(real.setReal(0.1));
  EXPECT_HRESULT_SUCCEEDED(real.fromText(Bstr(textOf(real).c_str()).get()));
  double value = 0;
  EXPECT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(0.1, value);

  OvTextFlexVar strings;
  EXPECT_HRESULT_SUCCEEDED(strings.fromText(Bstr(L"x-.-y").get()));
  EXPECT_STREQ(L"y", strings.getText(1).c_str());
  EXPECT_TRUE(strings.hasValue());
}

TEST(UnboundVarTest, OneEmptyTextAndNoTextRestoreAsTheyWere) {
  OvTextFlexVar one, none;
  ASSERT_HRESULT_SUCCEEDED(one.setValue(texts({L""}).get()));
  ASSERT_HRESULT_SUCCEEDED(none.setValue(texts({}).get()));
  OvTextFlexVar oneBack, noneBack;
  ASSERT_HRESULT_SUCCEEDED(oneBack.fromText(Bstr(textOf(one).c_str()).get()));
  ASSERT_HRESULT_SUCCEEDED(noneBack.fromText(Bstr(textOf(none).c_str()).get()));
  Variant value;
  ASSERT_HRESULT_SUCCEEDED(oneBack.getValue(value.out()));
  EXPECT_EQ(1, SetGet::elementCount(value.get()));
  EXPECT_EQ(std::wstring(), std::wstring(oneBack.getText(0).c_str()));
  ASSERT_HRESULT_SUCCEEDED(noneBack.getValue(value.out()));
  EXPECT_EQ(0, SetGet::elementCount(value.get()));
  // Two empty texts were never ambiguous.
  OvTextFlexVar two, twoBack;
  ASSERT_HRESULT_SUCCEEDED(two.setValue(texts({L"", L""}).get()));
  ASSERT_HRESULT_SUCCEEDED(twoBack.fromText(Bstr(textOf(two).c_str()).get()));
  ASSERT_HRESULT_SUCCEEDED(twoBack.getValue(value.out()));
  EXPECT_EQ(2, SetGet::elementCount(value.get()));
}

// The C library's numeric locale of this program (the product's own, linked in) for one test.
class NumericLocale {
 public:
  explicit NumericLocale(const char* name) : m_before(setlocale(LC_NUMERIC, nullptr)) {
    m_set = setlocale(LC_NUMERIC, name) != nullptr;
  }
  ~NumericLocale() { setlocale(LC_NUMERIC, m_before.c_str()); }
  bool set() const { return m_set; }

 private:
  std::string m_before;
  bool m_set = false;
};

TEST(UnboundVarTest, RealsReadBackWhateverTheUsersDecimalMark) {
  NumericLocale german("German_Germany.1252");
  ASSERT_TRUE(german.set());
  ASSERT_EQ(',', *localeconv()->decimal_point);  // the locale reads "0.5" as 0 with strtod
  OvRealVar real;
  ASSERT_HRESULT_SUCCEEDED(real.fromText(Bstr(L"0.5").get()));
  double value = 0;
  ASSERT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(0.5, value);
  ASSERT_HRESULT_SUCCEEDED(real.fromText(Bstr(L" +1e-3").get()));
  ASSERT_HRESULT_SUCCEEDED(real.getReal(value));
  EXPECT_EQ(1e-3, value);
  OvRealFlexVar reals;
  ASSERT_HRESULT_SUCCEEDED(reals.setValue(doubles({0.1 + 0.2, -2.5e-300}).get()));
  OvRealFlexVar back;
  ASSERT_HRESULT_SUCCEEDED(back.fromText(Bstr(textOf(reals).c_str()).get()));
  EXPECT_EQ(0.1 + 0.2, back.getReal(0));
  EXPECT_EQ(-2.5e-300, back.getReal(1));
  EXPECT_EQ(E_FAIL, real.fromText(Bstr(L"x1").get()));
}

TEST(UnboundVarTest, AnUnboundArrayRefusesAValueOfTheWrongType) {
  test_sink::clearBoxes();
  OvRealFlexVar reals;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, reals.setValue(texts({L"a"}).get()));
  EXPECT_EQ(1u, test_sink::texts().size());
  EXPECT_HRESULT_SUCCEEDED(reals.setValue(doubles({2.0}).get()));
  EXPECT_EQ(2.0, reals.getReal(0));
}

}  // namespace
