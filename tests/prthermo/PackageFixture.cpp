#include "tests/prthermo/PackageFixture.h"

#include "support/Text.h"
#include "tests/common/Arrays.h"

namespace prthermo_test {

const wchar_t kProgId[] = L"Quellmar.PRThermoSystem";

support::Variant stringArray(const std::vector<std::string>& texts) {
  std::vector<std::wstring> wide;
  for (const std::string& text : texts) wide.push_back(support::widen(text));
  return test_arrays::texts(wide);
}

std::vector<std::string> stringsOf(const VARIANT& v) {
  EXPECT_EQ(v.vt, VT_ARRAY | VT_BSTR);
  std::vector<std::string> out;
  if (v.vt != (VT_ARRAY | VT_BSTR) || SafeArrayGetDim(v.parray) != 1) return out;
  support::SafeArrayLockGuard lock(v.parray);
  const BSTR* items = static_cast<const BSTR*>(lock.data());
  for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) out.push_back(support::narrow(items[i]));
  return out;
}

std::vector<double> doublesOf(const VARIANT& v) {
  EXPECT_EQ(v.vt, VT_ARRAY | VT_R8);
  std::vector<double> out;
  if (v.vt != (VT_ARRAY | VT_R8) || SafeArrayGetDim(v.parray) != 1) return out;
  support::SafeArrayLockGuard lock(v.parray);
  const double* items = static_cast<const double*>(lock.data());
  out.assign(items, items + v.parray->rgsabound[0].cElements);
  return out;
}

HeldError heldError(IUnknown* object) {
  HeldError error;
  support::ComPtr<ECapeUser> user;
  support::ComPtr<ECapeRoot> root;
  EXPECT_HRESULT_SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(user.GetAddressOf())));
  EXPECT_HRESULT_SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(root.GetAddressOf())));
  if (!user || !root) return error;
  support::Bstr text;
  user->get_code(&error.code);
  if (SUCCEEDED(root->get_name(text.out()))) error.name = support::narrow(text.c_str());
  if (SUCCEEDED(user->get_description(text.out()))) error.description = support::narrow(text.c_str());
  if (SUCCEEDED(user->get_interfaceName(text.out()))) error.interfaceName = support::narrow(text.c_str());
  if (SUCCEEDED(user->get_operation(text.out()))) error.operation = support::narrow(text.c_str());
  if (SUCCEEDED(user->get_scope(text.out()))) error.scope = support::narrow(text.c_str());
  return error;
}

void PackageTest::SetUp() {
  ASSERT_HRESULT_SUCCEEDED(m_apartment.result());
  CLSID clsid;
  ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(kProgId, &clsid));
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(m_system.GetAddressOf())));
}

support::ComPtr<ICapeThermoPropertyPackage> PackageTest::resolve(const wchar_t* name) {
  support::ComPtr<IDispatch> dispatch;
  support::Bstr packageName(name);
  EXPECT_HRESULT_SUCCEEDED(m_system->ResolvePropertyPackage(packageName.get(), dispatch.GetAddressOf()));
  support::ComPtr<ICapeThermoPropertyPackage> package;
  if (dispatch) {
    EXPECT_HRESULT_SUCCEEDED(dispatch.As(&package));
  }
  return package;
}

std::vector<std::string> PackageTest::packageIds() {
  support::Variant ids, formulae, names, boiling, weights, cas;
  EXPECT_HRESULT_SUCCEEDED(
      m_package->GetComponentList(ids.out(), formulae.out(), names.out(), boiling.out(), weights.out(), cas.out()));
  return stringsOf(ids.get());
}

void PackageTest::usePackage(const wchar_t* name) {
  m_package = resolve(name);
  ASSERT_TRUE(m_package);
  m_material = TestMaterial::create(packageIds(), m_holder);
  ASSERT_NE(m_material, nullptr);
}

void PackageTest::setState(double t, double p) {
  m_material->put("temperature", "Overall", {t});
  m_material->put("pressure", "Overall", {p});
}

void PackageTest::setFractions(const std::string& phase, const std::vector<double>& x) {
  m_material->put("fraction", phase, x);
}

HRESULT PackageTest::calcProp(const std::vector<std::string>& props, const std::vector<std::string>& phases,
                              const wchar_t* calcType) {
  support::Bstr type(calcType);
  support::ComPtr<IDispatch> material;
  m_holder.As(&material);
  return m_package->CalcProp(material.Get(), stringArray(props).get(), stringArray(phases).get(), type.get());
}

HRESULT PackageTest::calcEquilibrium(const wchar_t* flashType, const std::vector<std::string>& props) {
  support::Bstr type(flashType);
  support::ComPtr<IDispatch> material;
  m_holder.As(&material);
  support::Variant list;
  if (!props.empty()) list = stringArray(props);
  return m_package->CalcEquilibrium(material.Get(), type.get(), list.get());
}

std::vector<double> PackageTest::result(const std::string& property, const std::string& phase) const {
  return m_material->value(property, phase);
}

double PackageTest::scalar(const std::string& property, const std::string& phase) const {
  const auto values = result(property, phase);
  EXPECT_EQ(values.size(), 1u) << property << " on " << phase;
  return values.empty() ? 0.0 : values.front();
}

}  // namespace prthermo_test
