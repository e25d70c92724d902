#pragma once
// The adapter's configuration against the host counterpart: a case whose extension definition
// declares the 23 variables, the adapter's error object, and the boxes shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "errors/COVCOError.h"
#include "tests/adapter/HostVariables.h"
#include "tests/common/Arrays.h"
#include "tests/common/MessageSink.h"
#include "tests/common/StackObject.h"
#include "counterparts/host/OrvexHost.h"
#include "adapter/PkgConfig.h"
#include "support/Raii.h"

namespace pkgconfig_test {

// The names in binding order.
extern const char* const kNames[23];

// An extension definition declaring every name; `skipped` is left out, `unusable` is declared
// unusable.
std::wstring definition(const std::string& skipped = "", const std::string& unusable = "");

using test_arrays::doubles;
using test_arrays::texts;
using host_variables::bstr;
using host_variables::real;
using host_variables::text;

// The persisted text of a variable.
std::wstring textOf(OvVar& var);
// The text of a box reporting a plain failure.
std::wstring failureBox(const std::wstring& text);
// How many boxes have exactly that text.
size_t boxesWith(const std::wstring& text);

// A container whose extension definition cannot be read without an exception (a C++ exception
// inside this one program, never across a real COM boundary): every other call is E_NOTIMPL.
class ThrowingContainer final : public StackObject<ExtnContainer> {
 public:
  STDMETHODIMP get_ComponentCount(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP SetPackageAlias(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP Save() override { return E_NOTIMPL; }
  STDMETHODIMP get_ExtensionDefinition(ExtnDefinition**) override;
  STDMETHODIMP get_Case(HostCase**) override { return E_NOTIMPL; }
  STDMETHODIMP WriteTrace(BSTR, unsigned char, LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_FluidPackageHolder(IDispatch**) override { return E_NOTIMPL; }
  STDMETHODIMP get_Views(ExtnViewHolder**) override { return E_NOTIMPL; }
  STDMETHODIMP ShowView(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP RefreshView(BSTR) override { return E_NOTIMPL; }
};

class PkgConfigTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // A host case with that extension definition, replacing the current one.
  void makeHost(const std::wstring& definitionText);
  // Binds a new case (not recalling) and forgets its calls and boxes.
  void bindNewCase();
  // The variable names of the host calls of that operation, in order.
  std::vector<std::wstring> callNames(const std::wstring& operation) const;
  // The host variable's value through the host's own objects.
  support::Variant hostValue(const std::wstring& name);
  void putHostValue(const std::wstring& name, const VARIANT& value);

  support::ComApartment apartment;
  std::unique_ptr<orvexhost::Host> host;
  support::ComPtr<ExtnContainer> container;
  std::unique_ptr<COVCOError> errors;
  PkgConfig config;
};

}  // namespace pkgconfig_test
