// What the adapter answers before any Initialize: the fixed answers of the host interfaces, the
// diagnostics forwarding, the private interface's small members and its variables by name.
#include "tests/adapter/AdapterFixture.h"

#include <string>

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace adapter_test {
namespace {

using FixedAnswers = AdapterTest;

// The argument of a variable event about a declared variable.
ComPtr<ExtnVariableArgument> argumentOf(orvexhost::Host& host, const wchar_t* name) {
  ComPtr<ExtnVariableArgument> argument;
  EXPECT_EQ(S_OK, host.variableArgument(name, text(L"new").get(), &argument));
  return argument;
}

TEST_F(FixedAnswers, ExtnPropertyPackageAnswersWithoutTouchingAnything) {
  EXPECT_EQ(E_FAIL, package->StartBasisChange());
  VARIANT_BOOL allowed = VARIANT_FALSE;
  EXPECT_EQ(S_OK, package->IsComponentAllowed(17, &allowed));
  EXPECT_EQ(VARIANT_TRUE, allowed);
  EXPECT_EQ(S_OK, package->AddComponent(0, nullptr));
  EXPECT_EQ(S_OK, package->ComponentChanged(0, nullptr));
  EXPECT_EQ(S_OK, package->RemoveComponent(3));
  EXPECT_EQ(S_OK, package->ExchangeComponents(0, 1));
  EXPECT_EQ(S_OK, package->CopyPropertyPackage(nullptr));
  VARIANT_BOOL okay = VARIANT_FALSE;
  EXPECT_EQ(S_OK, package->QueryEndBasisChange(&okay));
  EXPECT_EQ(VARIANT_TRUE, okay);
  EXPECT_EQ(E_POINTER, package->IsComponentAllowed(1, nullptr));
  EXPECT_EQ(S_OK, priv->put_recalling(1));
  EXPECT_EQ(S_OK, package->ComponentChanged(2, nullptr));  // during a recall: nothing
  EXPECT_EQ(S_OK, priv->put_recalling(0));
  EXPECT_EQ(0u, boxes.count());
}

TEST_F(FixedAnswers, ExtensionObjectAnswersAndLeavesOtherVariablesAlone) {
  EXPECT_EQ(E_NOTIMPL, extension->StatusQuery(nullptr));
  VARIANT_BOOL open = VARIANT_FALSE;
  EXPECT_EQ(S_OK, extension->OnView(bstr(L"DefaultView").get(), nullptr, &open));
  EXPECT_EQ(VARIANT_TRUE, open);
  VARIANT_BOOL processed = VARIANT_FALSE;
  EXPECT_EQ(S_OK, extension->OnHelp(bstr(L"panel").get(), &processed));
  EXPECT_EQ(VARIANT_TRUE, processed);

  ComPtr<ExtnVariableArgument> argument = argumentOf(*host, L"TextMessage");
  ASSERT_TRUE(argument);
  VARIANT_BOOL changing = VARIANT_FALSE;
  EXPECT_EQ(S_OK, extension->VariableChanging(argument.Get(), &changing));
  EXPECT_EQ(VARIANT_TRUE, changing);
  EXPECT_EQ(S_OK, extension->VariableChanged(argument.Get()));
  EXPECT_EQ(S_OK, extension->VariableQuery(argument.Get()));
  EXPECT_EQ(0u, boxes.count());
}

// Without a CAPE-OPEN thread nothing can be handed over: the custom view and Save fail at once.
TEST_F(FixedAnswers, HandOversBeforeInitializeFailWithTheThreadText) {
  ComPtr<ExtnVariableArgument> customView = argumentOf(*host, L"CustomView");
  ASSERT_TRUE(customView);
  EXPECT_EQ(E_FAIL, extension->VariableChanged(customView.Get()));
  EXPECT_EQ(L" ERROR: changing to CAPE-OPEN thread", boxes.onlyText());
  test_sink::clearBoxes();
  EXPECT_EQ(E_FAIL, extension->Save());
  EXPECT_EQ(L" ERROR: changing to CAPE-OPEN thread", boxes.onlyText());
  EXPECT_TRUE(host->calls(L"Save").empty());
  EXPECT_EQ(S_OK, extension->Terminate());  // nothing started: returns at once
}

TEST_F(FixedAnswers, PrivateInterfaceFixedMembersAndRecallingFlag) {
  hyper raw = 7;
  EXPECT_EQ(E_NOTIMPL, priv->getThis(&raw));

  Variant none;
  EXPECT_EQ(E_FAIL, priv->calcProp(nullptr, nullptr, none.get(), none.get(), bstr(L"Mixture").get()));
  EXPECT_EQ(L" ERROR: calcProp(ICapeThermoPropertyPackage* pp, ICapeThermoMaterialObject *mo) not supported any more",
            boxes.onlyText());

  LONG recalling = -5;
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(0, recalling);
  EXPECT_EQ(S_OK, priv->put_recalling(5));
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(1, recalling);
  EXPECT_EQ(S_OK, priv->put_recalling(0));
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(0, recalling);
  EXPECT_EQ(S_OK, priv->setup(0));
}

TEST_F(FixedAnswers, DiagnosticsForwardToTheErrorObject) {
  EXPECT_EQ(E_FAIL, diagnostics->popUpError(E_FAIL, bstr(L"the package said no").get()));
  EXPECT_EQ(L" ERROR: the package said no", boxes.onlyText());
  test_sink::clearBoxes();
  EXPECT_EQ(E_FAIL, diagnostics->logError(E_FAIL, bstr(L"logged failure").get()));
  EXPECT_EQ(L" ERROR: logged failure", boxes.onlyText());
  test_sink::clearBoxes();
  // A complaint about a failure outside the CAPE-OPEN range: kind 6, the composed text after it.
  EXPECT_EQ(E_FAIL, diagnostics->complainError(bstr(L"reading").get(), E_FAIL, nullptr, VARIANT_FALSE,
                                               bstr(L"more").get()));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_TRUE(boxes.anyContains(L"reading")) << boxes.onlyText();
}

TEST_F(FixedAnswers, ModuleNameKeepsAtMost259Characters) {
  Bstr original;
  ASSERT_EQ(S_OK, priv->get_moduleName(original.out()));
  EXPECT_FALSE(original.empty());
  const std::wstring longName(300, L'q');
  EXPECT_EQ(S_OK, priv->put_moduleName(bstr(longName).get()));
  Bstr kept;
  EXPECT_EQ(S_OK, priv->get_moduleName(kept.out()));
  EXPECT_EQ(longName.substr(0, 259), std::wstring(kept.c_str(), kept.length()));
  EXPECT_EQ(S_OK, priv->put_moduleName(original.get()));
  EXPECT_EQ(S_OK, priv->get_moduleName(kept.out()));
  EXPECT_STREQ(original.c_str(), kept.c_str());
}

TEST_F(FixedAnswers, VariablesByNameWithoutAHost) {
  // "IDNumbers" in any letter case is the host-id array (none yet), never a variable.
  Variant ids;
  EXPECT_EQ(S_OK, priv->get_OvVarValue(bstr(L"idnumbers").get(), ids.out()));
  EXPECT_EQ(VT_EMPTY, ids.vt());
  Variant missing;
  EXPECT_EQ(E_FAIL, priv->get_OvVarValue(bstr(L"NoSuchVariable").get(), missing.out()));
  EXPECT_EQ(E_FAIL, priv->put_OvVarValue(bstr(L"NoSuchVariable").get(), text(L"x").get()));

  // A recall binds the variables (no host: unbound) and restores them; the save gives them back.
  const std::wstring saved = L"  1 :TextMessage : 5 : hello , ";
  EXPECT_EQ(S_OK, priv->PkgRecall(bstr(saved).get(), nullptr));
  Variant message;
  EXPECT_EQ(S_OK, priv->get_OvVarValue(bstr(L"textmessage").get(), message.out()));
  EXPECT_EQ(L"hello", textIn(message.get()));
  LONG recalling = 0;
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(1, recalling);
  size_t missingReports = 0;
  for (const test_sink::Box& box : boxes.shown())
    if (box.text == L" ERROR: cannot restore OvVar") ++missingReports;
  EXPECT_EQ(22u, missingReports);

  EXPECT_EQ(S_OK, priv->put_OvVarValue(bstr(L"PropPackAlias").get(), text(L"Gas").get()));
  Bstr text;
  ASSERT_EQ(S_OK, priv->PkgSave(text.out()));
  const std::wstring all(text.c_str(), text.length());
  EXPECT_EQ(0u, all.find(L" 23 :PropPackName : 0 :  , "));
  EXPECT_NE(std::wstring::npos, all.find(L"PropPackAlias : 3 : Gas , "));
  EXPECT_NE(std::wstring::npos, all.find(L"TextMessage : 5 : hello , "));
}

}  // namespace
}  // namespace adapter_test
