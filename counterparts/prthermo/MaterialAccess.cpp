#include "counterparts/prthermo/MaterialAccess.h"

#include <cwchar>
#include <new>

#include "counterparts/common/ComArrays.h"
#include "counterparts/common/PackageError.h"
#include "support/Text.h"

namespace prthermo {

using counterpart::fail;
using counterpart::putDoubles;
using counterpart::readDoubles;
using counterpart::readWideStrings;

namespace {

const char kMixture[] = "Mixture";

std::wstring hex(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

// What the material object says about its last error, when it tells.
std::wstring objectsOwnText(ICapeThermoMaterialObject* object) {
  support::ComPtr<ECapeUser> user;
  support::Bstr text;
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(user.GetAddressOf()))) ||
      FAILED(user->get_description(text.out())) || text.empty())
    return L"";
  return L": " + std::wstring(text.c_str());
}

std::wstring textOf(BSTR text) { return std::wstring(text ? text : L"", SysStringLen(text)); }

}  // namespace

BSTR NameCache::operator()(const std::string& name) {
  auto found = m_names.find(name);
  if (found == m_names.end()) {
    support::Bstr text(support::widen(name).c_str());
    if (!text.get()) throw std::bad_alloc();
    found = m_names.emplace(name, std::move(text)).first;
  }
  return found->second.get();
}

MaterialAccess::MaterialAccess(IDispatch* object, NameCache& names) : m_names(names), m_mixture(names(kMixture)) {
  if (!object) fail(ECapeInvalidArgumentHR, L"no material object was given");
  if (FAILED(object->QueryInterface(IID_PPV_ARGS(m_object.GetAddressOf()))))
    fail(ECapeInvalidArgumentHR, L"the object given is not a CAPE-OPEN 1.0 material object");
}

void MaterialAccess::failed(const wchar_t* call, BSTR property, BSTR phase, HRESULT hr) {
  std::wstring text = L"the material object failed " + std::wstring(call);
  if (property) text += L" of " + textOf(property) + L" on " + textOf(phase);
  fail(ECapeUnknownHR, text + L" (" + hex(hr) + L")" + objectsOwnText(m_object.Get()));
}

void MaterialAccess::componentIds(support::Variant& ids) {
  const HRESULT hr = m_object->get_ComponentIds(ids.out());
  if (FAILED(hr)) failed(L"ComponentIds", nullptr, nullptr, hr);
}

std::vector<std::wstring> MaterialAccess::componentIds(const VARIANT& ids) {
  std::vector<std::wstring> out;
  if (!readWideStrings(ids, out) || out.empty())
    fail(ECapeUnknownHR, L"the material object's ComponentIds is not a list of compound ids");
  return out;
}

std::vector<std::wstring> MaterialAccess::componentIds() {
  support::Variant ids;
  componentIds(ids);
  return componentIds(ids.get());
}

std::vector<double> MaterialAccess::get(BSTR property, BSTR phase, BSTR basis) {
  support::Variant all, values;
  const HRESULT hr = m_object->GetProp(property, phase, all.get(), m_mixture, basis, values.out());
  if (FAILED(hr)) failed(L"GetProp", property, phase, hr);
  std::vector<double> out;
  if (!readDoubles(values.get(), out))
    fail(ECapeUnknownHR, L"GetProp of " + textOf(property) + L" on " + textOf(phase) + L" gave no array of doubles");
  return out;
}

std::vector<double> MaterialAccess::get(const std::string& property, const std::string& phase, const char* basis) {
  return get(m_names(property), m_names(phase), basis ? m_names(basis) : nullptr);
}

double MaterialAccess::getScalar(const std::string& property, const std::string& phase, const char* basis) {
  const auto values = get(property, phase, basis);
  if (values.size() != 1)
    fail(ECapeUnknownHR, L"GetProp of " + support::widen(property) + L" on " + support::widen(phase) +
                             L" gave " + std::to_wstring(values.size()) + L" values instead of one");
  return values.front();
}

void MaterialAccess::set(BSTR property, BSTR phase, BSTR basis, const std::vector<double>& values) {
  support::Variant packed;
  HRESULT hr = putDoubles(packed.out(), values);
  if (FAILED(hr)) fail(hr, L"no memory for the results");
  support::Variant all;
  hr = m_object->SetProp(property, phase, all.get(), m_mixture, basis, packed.get());
  if (FAILED(hr)) failed(L"SetProp", property, phase, hr);
}

void MaterialAccess::set(const std::string& property, const std::string& phase, const char* basis,
                         const std::vector<double>& values) {
  set(m_names(property), m_names(phase), basis ? m_names(basis) : nullptr, values);
}

}  // namespace prthermo
