#include "tests/matobj/MatObjFixture.h"

#include "server/comkit/ClassFactory.h"
#include "server/comkit/Object.h"
#include "support/SetGet.h"

namespace matobj_test {

namespace {

// The program's apartment and its own class object of the material object.
class MatObjEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    m_factory = new comkit::ClassFactory(&comkit::createInstance<CMatObj>);
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_matObj, m_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &m_cookie));
  }
  void TearDown() override {
    if (m_cookie) CoRevokeClassObject(m_cookie);
    if (m_factory) m_factory->Release();
    CoUninitialize();
  }

 private:
  comkit::ClassFactory* m_factory = nullptr;
  DWORD m_cookie = 0;
};

const ::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MatObjEnvironment);

support::Variant arrayOf(VARTYPE vt, long n) {
  support::Variant v;
  if (FAILED(support::SetGet::Create(v.get(), vt, n))) ADD_FAILURE() << "cannot make an array";
  return v;
}

}  // namespace

support::Variant doubles(const std::vector<double>& values) {
  support::Variant v = arrayOf(VT_R8, static_cast<long>(values.size()));
  for (size_t i = 0; i < values.size(); ++i) support::SetGet::putDouble(v.get(), static_cast<long>(i), values[i]);
  return v;
}
support::Variant doubles(std::initializer_list<double> values) { return doubles(std::vector<double>(values)); }

support::Variant strings(const std::vector<std::wstring>& values) {
  support::Variant v = arrayOf(VT_BSTR, static_cast<long>(values.size()));
  for (size_t i = 0; i < values.size(); ++i) {
    // The array takes the string over.
    support::SetGet::putString(v.get(), static_cast<long>(i), SysAllocString(values[i].c_str()));
  }
  return v;
}
support::Variant strings(std::initializer_list<const wchar_t*> values) {
  std::vector<std::wstring> list;
  for (const wchar_t* s : values) list.emplace_back(s);
  return strings(list);
}

support::Variant scalar(double value) {
  support::Variant v;
  v.get().vt = VT_R8;
  v.get().dblVal = value;
  return v;
}

std::vector<double> readDoubles(const VARIANT& v) {
  std::vector<double> out;
  if (v.vt != (VT_ARRAY | VT_R8)) return out;
  const long lb = support::SetGet::lbound(v), n = support::SetGet::elementCount(v);
  for (long i = 0; i < n; ++i) out.push_back(support::SetGet::getDouble(v, lb + i));
  return out;
}

std::vector<std::wstring> readStrings(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (v.vt != (VT_ARRAY | VT_BSTR)) return out;
  const long lb = support::SetGet::lbound(v), n = support::SetGet::elementCount(v);
  for (long i = 0; i < n; ++i) {
    BSTR s = support::SetGet::getString(v, lb + i);  // still the array's
    out.emplace_back(s ? s : L"");
  }
  return out;
}

void MatObjTest::SetUp() {
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_matObj, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IMatObj),
                                   reinterpret_cast<void**>(m_itf.GetAddressOf())));
  ASSERT_EQ(S_OK, m_itf.As(&m_mo));
  hyper raw = 0;
  ASSERT_EQ(S_OK, m_itf->getThis(&raw));
  m_self = reinterpret_cast<CMatObj*>(static_cast<LONG_PTR>(raw));
  ASSERT_NE(nullptr, m_self);
}

void MatObjTest::TearDown() {
  m_self = nullptr;
  m_mo.Reset();
  m_itf.Reset();
}

void MatObjTest::setCompounds(const std::vector<std::wstring>& ids, const std::vector<double>& molecularWeights) {
  support::Variant list = strings(ids);
  ASSERT_EQ(S_OK, m_itf->setComps(list.get(), VARIANT_FALSE));
  ASSERT_EQ(static_cast<int>(ids.size()), m_self->compoundCount());
  for (size_t i = 0; i < molecularWeights.size() && i < ids.size(); ++i)
    m_self->compound(static_cast<int>(i)).m_molecularWeight = molecularWeights[i];
}

HRESULT MatObjTest::getProp(const wchar_t* property, const wchar_t* phase, const VARIANT* compIds,
                            const wchar_t* calcType, const wchar_t* basis, std::vector<double>* out) {
  support::Bstr p(property), ph(phase), ct(calcType), b(basis);
  support::Variant none, result;
  const HRESULT hr = m_mo->GetProp(p.get(), ph.get(), compIds ? *compIds : none.get(), ct.get(), b.get(), result.out());
  if (out) *out = readDoubles(result.get());
  return hr;
}

HRESULT MatObjTest::setProp(const wchar_t* property, const wchar_t* phase, const VARIANT* compIds,
                            const wchar_t* calcType, const wchar_t* basis, const VARIANT& values) {
  support::Bstr p(property), ph(phase), ct(calcType), b(basis);
  support::Variant none;
  return m_mo->SetProp(p.get(), ph.get(), compIds ? *compIds : none.get(), ct.get(), b.get(), values);
}

std::wstring MatObjTest::errorText() {
  support::ComPtr<ECapeUser> user;
  if (FAILED(m_mo.As(&user))) return L"<no ECapeUser>";
  support::Bstr text;
  if (FAILED(user->get_description(text.out()))) return L"<no description>";
  return text.get() ? text.get() : L"";
}

short MatObjTest::errorPosition() {
  support::ComPtr<ECapeBadArgument> bad;
  short position = -1;
  if (SUCCEEDED(m_mo.As(&bad))) bad->get_position(&position);
  return position;
}

}  // namespace matobj_test
