#include "tests/adapter/PkgConfigFixture.h"

#include <oleauto.h>

#include <new>

#include "tests/adapter/HostVariables.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Trace.h"

using support::Bstr;
using support::ComPtr;
using support::SetGet;
using support::Variant;

namespace pkgconfig_test {

namespace {
const bool g_named = support::setModuleName("test_adapter_pkgconfig.exe");

// The host's kind of each name, in binding order.
const char* const kKinds[23] = {"text",      "text",      "text",      "text",     "textarray", "textarray",
                                "textarray", "real",      "real",      "realarray", "realarray", "text",
                                "text",      "textarray", "textarray", "textarray", "realarray", "realarray",
                                "textarray", "textarray", "textarray", "realarray", "text"};
}  // namespace

const char* const kNames[23] = {"PropPackName",        "PropSysName",          "PropPackAlias",
                                "PropSysAlias",        "SelectedProperties",   "SelectedPhases",
                                "SelectedCompIds",     "ComponentsSource",     "ValidationMode",
                                "SelectedFlags",       "HypoFlags",            "ComponentsMessage",
                                "ImportReport",        "SelectedCompFormulas", "SelectedCompNames",
                                "SelectedCompCASNos",  "SelectedCompBoilTemps", "SelectedCompMolWts",
                                "MatchedBy",           "SelectedCompOvNames",  "UserSelectedCompOvNames",
                                "SelectedIDNumbers",   "TextMessage"};

std::wstring definition(const std::string& skipped, const std::string& unusable) {
  std::wstring text;
  for (int i = 0; i < 23; ++i) {
    const std::string name = kNames[i];
    if (name == skipped) continue;
    text += support::widen(std::string(kKinds[i]) + " " + name + (name == unusable ? " unusable" : "") + "\n");
  }
  return text;
}

std::wstring textOf(OvVar& var) {
  Bstr value;
  EXPECT_HRESULT_SUCCEEDED(var.toText(value.out())) << var.name();
  return std::wstring(value.c_str(), value.length());
}

std::wstring failureBox(const std::wstring& text) { return L" ERROR: " + text; }

size_t boxesWith(const std::wstring& text) {
  size_t n = 0;
  for (const test_sink::Box& box : test_sink::boxes())
    if (box.text == text) ++n;
  return n;
}

STDMETHODIMP ThrowingContainer::get_ExtensionDefinition(ExtnDefinition**) { throw std::bad_alloc(); }

void PkgConfigTest::SetUp() {
  ASSERT_TRUE(g_named);
  ASSERT_HRESULT_SUCCEEDED(apartment.result());
  errors = std::make_unique<COVCOError>(1e-30);
  makeHost(definition());
  test_sink::clearBoxes();
}

void PkgConfigTest::makeHost(const std::wstring& definitionText) {
  container.Reset();
  host = std::make_unique<orvexhost::Host>(definitionText);
  ASSERT_HRESULT_SUCCEEDED(host->container(&container));
}

void PkgConfigTest::bindNewCase() {
  ASSERT_HRESULT_SUCCEEDED(config.bindAll(container.Get(), false, *errors));
  host->clearCalls();
  test_sink::clearBoxes();
}

std::vector<std::wstring> PkgConfigTest::callNames(const std::wstring& operation) const {
  std::vector<std::wstring> names;
  for (const orvexhost::CallRecord& call : host->calls(operation)) {
    std::wstring name = call.arguments;
    if (!name.empty() && name[0] == L'"') name.erase(0, 1);  // FindVariable quotes its argument
    names.push_back(name.substr(0, name.find_first_of(L"\" ")));
  }
  return names;
}

Variant PkgConfigTest::hostValue(const std::wstring& name) { return host_variables::valueOf(container.Get(), name); }

void PkgConfigTest::putHostValue(const std::wstring& name, const VARIANT& value) {
  host_variables::put(container.Get(), name, value);
}

}  // namespace pkgconfig_test
