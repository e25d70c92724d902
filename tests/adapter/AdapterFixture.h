#pragma once
// The adapter as the host uses it: the registered Quellmar.dll created through COM on a host case
// of the host counterpart, with the category browser and the Peng-Robinson thermo system.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/adapter/HostVariables.h"
#include "tests/common/MessageSink.h"
#include "tests/common/StackObject.h"
#include "counterparts/host/OrvexHost.h"
#include "OvHost.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

namespace adapter_test {

// The thermo counterpart's system as the browser names it: the ProgID its class gives
// (the versioned one, "Quellmar.PRThermoSystem.1"), and its alias (CapeDescription\Name).
extern const wchar_t kSystemName[];
extern const wchar_t kSystemAlias[];
// "<kSystemName>|<package>": the browser choice of a package of the thermo counterpart.
std::wstring choiceOf(const wchar_t* package);
// Host extension definition text declaring the 23 persisted variables, "KitVersion" and the view
// variables "RefreshHypos", "CustomView" and "CloseDefaultView" (so the host can make event
// arguments about them).
std::wstring fullDefinition();
using host_variables::bstr;
using host_variables::real;
using host_variables::text;
using host_variables::threadCount;
// DllCanUnloadNow of a loaded module (E_UNEXPECTED when it is not loaded).
HRESULT canUnload(const wchar_t* module);
// The text a variant holds ("" when it holds no text).
std::wstring textIn(const VARIANT& value);

// The argument of a variable event about a variable the case does not declare: only its name.
class NamedArgument final : public StackObject<ExtnVariableArgument> {
 public:
  explicit NamedArgument(const wchar_t* name) : m_name(name) {}
  STDMETHODIMP get_Name(BSTR* name) override { return (*name = SysAllocString(m_name)) ? S_OK : E_OUTOFMEMORY; }
  STDMETHODIMP get_Variable(IDispatch** variable) override {
    *variable = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP get_NewValue(VARIANT* value) override {
    VariantInit(value);
    return S_OK;
  }

 private:
  const wchar_t* m_name;
};

class AdapterTest : public ::testing::Test {
 protected:
  void SetUp() override;     // STA, host case (fullDefinition()), adapter created through COM
                             // (CLSID_VBPropPkg, the registered Quellmar.dll)
  void TearDown() override;  // Terminate when initialised; the host goes last
  // Sets ORVEX_BROWSER_CHOICE (null: "cancel") and calls Initialize(container, &record, recalling).
  HRESULT initialize(const wchar_t* choice, VARIANT_BOOL recalling = VARIANT_FALSE);
  // Initialize with choiceOf(package), expecting S_OK.
  void initializeWith(const wchar_t* package);
  // A host variable's value through the host's own objects, and a write to it.
  support::Variant hostValue(const wchar_t* name);
  void putHostValue(const wchar_t* name, const VARIANT& value);
  // A fresh adapter (after Terminate of the current one) on the same host, e.g. for a recall.
  void newAdapter();
  // Creates the adapter's interfaces (released first when there are some).
  void createAdapter();
  // Terminates the current adapter when it was initialised and releases its interfaces.
  void releaseAdapter();

  support::ComApartment apartment;
  std::unique_ptr<orvexhost::Host> host;
  support::ComPtr<ExtnContainer> container;
  support::ComPtr<ExtnPropertyPackage> package;
  support::ComPtr<ExtensionObject> extension;
  support::ComPtr<IPrivPropPkg> priv;
  support::ComPtr<ICapeDiagnostics> diagnostics;
  ExtnPackageInitRecord record{};
  test_sink::BoxCapture boxes;
  bool initialised = false;
};

}  // namespace adapter_test
