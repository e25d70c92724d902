#include "tests/adapter/HostVariables.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

namespace host_variables {

namespace {

using support::ComPtr;

// The host's object of a declared variable (null when it is not declared).
ComPtr<IDispatch> objectOf(ExtnContainer* container, const std::wstring& name) {
  ComPtr<ExtnDefinition> definition;
  ComPtr<ExtnVariableDefinition> declared;
  ComPtr<IDispatch> object;
  EXPECT_HRESULT_SUCCEEDED(container->get_ExtensionDefinition(&definition));
  if (definition) {
    EXPECT_HRESULT_SUCCEEDED(definition->FindVariable(bstr(name).get(), &declared));
  }
  if (declared) {
    EXPECT_HRESULT_SUCCEEDED(declared->get_Variable(&object));
  }
  return object;
}

}  // namespace

support::Bstr bstr(const std::wstring& s) { return support::Bstr(s.data(), static_cast<UINT>(s.size())); }

support::Variant text(const wchar_t* value) {
  support::Variant v;
  v.get().vt = VT_BSTR;
  v.get().bstrVal = SysAllocString(value);
  return v;
}

support::Variant real(double value) {
  support::Variant v;
  v.get().vt = VT_R8;
  v.get().dblVal = value;
  return v;
}

size_t threadCount() {
  support::Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  size_t n = 0;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  return n;
}

support::Variant valueOf(ExtnContainer* container, const std::wstring& name) {
  support::Variant value;
  ComPtr<IDispatch> object = objectOf(container, name);
  ComPtr<ExtnTextVariable> textVar;
  ComPtr<ExtnRealVariable> realVar;
  ComPtr<ExtnRealArrayVariable> reals;
  ComPtr<ExtnTextArrayVariable> strings;
  if (!object) return value;
  if (SUCCEEDED(object.As(&textVar))) {
    value.get().vt = VT_BSTR;
    EXPECT_HRESULT_SUCCEEDED(textVar->get_Value(&value.get().bstrVal));
  } else if (SUCCEEDED(object.As(&realVar))) {
    value.get().vt = VT_R8;
    EXPECT_HRESULT_SUCCEEDED(realVar->get_Value(&value.get().dblVal));
  } else if (SUCCEEDED(object.As(&reals))) {
    EXPECT_HRESULT_SUCCEEDED(reals->get_Value(value.out()));
  } else if (SUCCEEDED(object.As(&strings))) {
    EXPECT_HRESULT_SUCCEEDED(strings->get_Value(value.out()));
  }
  return value;
}

void put(ExtnContainer* container, const std::wstring& name, const VARIANT& value) {
  ComPtr<IDispatch> object = objectOf(container, name);
  ComPtr<ExtnTextVariable> textVar;
  ComPtr<ExtnRealVariable> realVar;
  ComPtr<ExtnRealArrayVariable> reals;
  ComPtr<ExtnTextArrayVariable> strings;
  ASSERT_TRUE(object);
  if (SUCCEEDED(object.As(&textVar))) {
    ASSERT_HRESULT_SUCCEEDED(textVar->put_Value(value.bstrVal));
  } else if (SUCCEEDED(object.As(&realVar))) {
    ASSERT_HRESULT_SUCCEEDED(realVar->put_Value(value.dblVal));
  } else if (SUCCEEDED(object.As(&reals))) {
    ASSERT_HRESULT_SUCCEEDED(reals->put_Value(value));
  } else {
    ASSERT_TRUE(SUCCEEDED(object.As(&strings)));
    ASSERT_HRESULT_SUCCEEDED(strings->put_Value(value));
  }
}

}  // namespace host_variables
