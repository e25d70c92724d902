#include "tests/prthermo/TestMaterial.h"

#include <algorithm>
#include <cctype>
#include <type_traits>

#include "support/Text.h"

namespace prthermo_test {

namespace {

using Dual = comkit::Dual<ICapeThermoMaterialObject, &LIBID_CAPEOPEN100>;

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

std::string textOf(BSTR s) { return support::narrow(std::wstring(s ? s : L"", SysStringLen(s))); }

template <class T>
HRESULT putArray(VARIANT* out, VARTYPE vt, const std::vector<T>& items) {
  if (!out) return E_POINTER;
  VariantClear(out);
  SAFEARRAY* array = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(items.size()));
  if (!array) return E_OUTOFMEMORY;
  if constexpr (std::is_same_v<T, double>) {
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    std::copy(items.begin(), items.end(), static_cast<double*>(data));
    SafeArrayUnaccessData(array);
  }
  for (LONG i = 0; i < static_cast<LONG>(items.size()); ++i) {
    if constexpr (!std::is_same_v<T, double>) {
      support::Bstr text(support::widen(items[i]).c_str());
      SafeArrayPutElement(array, &i, text.get());
    }
  }
  out->vt = static_cast<VARTYPE>(VT_ARRAY | vt);
  out->parray = array;
  return S_OK;
}

}  // namespace

TestMaterial* TestMaterial::create(const std::vector<std::string>& ids,
                                   support::ComPtr<ICapeThermoMaterialObject>& holder) {
  holder.Reset();
  if (FAILED(comkit::createInstance<TestMaterial>(nullptr, IID_ICapeThermoMaterialObject,
                                                  reinterpret_cast<void**>(holder.GetAddressOf()))))
    return nullptr;
  auto* self = static_cast<TestMaterial*>(static_cast<Dual*>(holder.Get()));
  self->m_ids = ids;
  putArray(self->m_idList.out(), VT_BSTR, ids);
  return self;
}

std::string TestMaterial::key(const std::string& property, const std::string& phase) {
  return lower(property) + "|" + lower(phase);
}

bool TestMaterial::failing(const std::string& property) const {
  return !m_failing.empty() && lower(property) == lower(m_failing);
}

void TestMaterial::put(const std::string& property, const std::string& phase, const std::vector<double>& values) {
  m_values[key(property, phase)] = values;
}

bool TestMaterial::has(const std::string& property, const std::string& phase) const {
  return m_values.count(key(property, phase)) != 0;
}

std::vector<double> TestMaterial::value(const std::string& property, const std::string& phase) const {
  auto it = m_values.find(key(property, phase));
  return it == m_values.end() ? std::vector<double>{} : it->second;
}

void TestMaterial::forget(const std::string& property, const std::string& phase) {
  m_values.erase(key(property, phase));
}

// Kept as one array and copied out, as a material object holding its compound list does.
STDMETHODIMP TestMaterial::get_ComponentIds(VARIANT* compIds) {
  if (!compIds) return E_POINTER;
  VariantInit(compIds);
  return VariantCopy(compIds, &m_idList.get());
}

STDMETHODIMP TestMaterial::GetProp(BSTR property, BSTR phase, VARIANT, BSTR, BSTR, VARIANT* results) {
  ++m_getPropCalls;
  if (failing(textOf(property))) return ECapeUnknownHR;
  auto it = m_values.find(key(textOf(property), textOf(phase)));
  if (it == m_values.end()) return ECapeUnknownHR;
  return putArray(results, VT_R8, it->second);
}

STDMETHODIMP TestMaterial::SetProp(BSTR property, BSTR phase, VARIANT, BSTR calcType, BSTR basis, VARIANT values) {
  if (failing(textOf(property))) return ECapeUnknownHR;
  if (values.vt != (VT_ARRAY | VT_R8)) return ECapeInvalidArgumentHR;
  support::SafeArrayLockGuard lock(values.parray);
  const double* data = static_cast<const double*>(lock.data());
  std::vector<double> v(data, data + values.parray->rgsabound[0].cElements);
  m_writes.push_back({textOf(property), textOf(phase), textOf(calcType), textOf(basis), v});
  m_values[key(textOf(property), textOf(phase))] = v;
  return S_OK;
}

STDMETHODIMP TestMaterial::GetNumComponents(LONG* num) {
  if (!num) return E_POINTER;
  *num = static_cast<LONG>(m_ids.size());
  return S_OK;
}

STDMETHODIMP TestMaterial::get_PhaseIds(VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::GetUniversalConstant(VARIANT, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::GetComponentConstant(VARIANT, VARIANT, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::CalcProp(VARIANT, VARIANT, BSTR) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::CalcEquilibrium(BSTR, VARIANT) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::SetIndependentVar(VARIANT, VARIANT) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::GetIndependentVar(VARIANT, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::PropCheck(VARIANT, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::AvailableProps(VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::RemoveResults(VARIANT) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::CreateMaterialObject(IDispatch**) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::Duplicate(IDispatch**) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::ValidityCheck(VARIANT, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP TestMaterial::GetPropList(VARIANT*) { return E_NOTIMPL; }

}  // namespace prthermo_test
