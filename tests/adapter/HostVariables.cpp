#include "HostVariables.h"

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
    const support::Bstr text(name.data(), static_cast<UINT>(name.size()));
    EXPECT_HRESULT_SUCCEEDED(definition->FindVariable(text.get(), &declared));
  }
  if (declared) {
    EXPECT_HRESULT_SUCCEEDED(declared->get_Variable(&object));
  }
  return object;
}

}  // namespace

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
