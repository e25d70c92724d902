#include "tests/adapter/AdapterFixture.h"

#include <oleauto.h>

#include "tests/adapter/HostVariables.h"
#include "support/Text.h"

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace adapter_test {

const wchar_t kSystemName[] = L"Quellmar.PRThermoSystem.1";
const wchar_t kSystemAlias[] = L"PR Thermo System";

std::wstring choiceOf(const wchar_t* package) { return std::wstring(kSystemName) + L"|" + package; }

std::wstring fullDefinition() { return orvexhost::propertyPackageDefinition(); }

std::wstring textIn(const VARIANT& value) {
  return value.vt == VT_BSTR && value.bstrVal ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal)) : L"";
}

HRESULT canUnload(const wchar_t* module) {
  HMODULE loaded = GetModuleHandleW(module);
  if (!loaded) return E_UNEXPECTED;
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  const auto entry = reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(loaded, "DllCanUnloadNow")));
  return entry ? entry() : E_UNEXPECTED;
}

void AdapterTest::SetUp() {
  ASSERT_HRESULT_SUCCEEDED(apartment.result());
  host = std::make_unique<orvexhost::Host>(fullDefinition());
  ASSERT_HRESULT_SUCCEEDED(host->container(&container));
  createAdapter();
}

void AdapterTest::TearDown() {
  releaseAdapter();
  container.Reset();
  host.reset();
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", nullptr);
}

void AdapterTest::createAdapter() {
  releaseAdapter();
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ExtnPropertyPackage),
                                   reinterpret_cast<void**>(package.GetAddressOf())));
  ASSERT_EQ(S_OK, package.As(&extension));
  ASSERT_EQ(S_OK, package.As(&priv));
  ASSERT_EQ(S_OK, package.As(&diagnostics));
}

void AdapterTest::releaseAdapter() {
  if (initialised && extension) {
    EXPECT_EQ(S_OK, extension->Terminate());
  }
  initialised = false;
  diagnostics.Reset();
  priv.Reset();
  extension.Reset();
  package.Reset();
}

HRESULT AdapterTest::initialize(const wchar_t* choice, VARIANT_BOOL recalling) {
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", choice ? choice : L"cancel");
  const HRESULT hr = package->Initialize(container.Get(), &record, recalling);
  if (SUCCEEDED(hr)) initialised = true;
  return hr;
}

void AdapterTest::initializeWith(const wchar_t* package) {
  const HRESULT hr = initialize(choiceOf(package).c_str());
  std::string shown;
  for (const test_sink::Box& box : boxes.shown()) shown += support::narrow(box.text) + "\n";
  ASSERT_EQ(S_OK, hr) << "boxes shown:\n" << shown;
}

Variant AdapterTest::hostValue(const wchar_t* name) { return host_variables::valueOf(container.Get(), name); }

void AdapterTest::putHostValue(const wchar_t* name, const VARIANT& value) {
  host_variables::put(container.Get(), name, value);
}

void AdapterTest::newAdapter() {
  createAdapter();
  record = ExtnPackageInitRecord{};
}

}  // namespace adapter_test
