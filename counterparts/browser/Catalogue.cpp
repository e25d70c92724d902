#include "counterparts/browser/Catalogue.h"

#include <comcat.h>

#include <cwchar>

#include "support/Raii.h"
#include "server/comkit/Registrar.h"

namespace browser {

namespace {

const CATID kThermoSystemCategory = {0x678C09A3, 0x7D66, 0x11D2, {0xA6, 0x7D, 0x00, 0x10, 0x5A, 0x42, 0x88, 0x7F}};

std::wstring progIdOf(REFCLSID clsid) {
  LPOLESTR progId = nullptr;
  if (FAILED(ProgIDFromCLSID(clsid, &progId)) || !progId) return comkit::guidText(clsid);
  std::wstring name(progId);
  CoTaskMemFree(progId);
  return name;
}

std::wstring displayNameOf(REFCLSID clsid, const std::wstring& fallback) {
  std::wstring key = L"CLSID\\" + comkit::guidText(clsid) + L"\\CapeDescription";
  wchar_t value[256] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Name", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS ||
      !value[0])
    return fallback;
  return value;
}

}  // namespace

HRESULT registeredThermoSystems(std::vector<ThermoSystemEntry>& systems) {
  systems.clear();
  support::ComPtr<ICatInformation> categories;
  HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&categories));
  if (FAILED(hr)) return hr;
  support::ComPtr<IEnumCLSID> classes;
  CATID wanted = kThermoSystemCategory;
  hr = categories->EnumClassesOfCategories(1, &wanted, static_cast<ULONG>(-1), nullptr, &classes);
  if (FAILED(hr)) return hr;
  CLSID clsid;
  ULONG fetched = 0;
  while (classes->Next(1, &clsid, &fetched) == S_OK && fetched == 1) {
    std::wstring name = progIdOf(clsid);
    systems.push_back({clsid, name, displayNameOf(clsid, name)});
  }
  return S_OK;
}

const ThermoSystemEntry* findSystem(const std::vector<ThermoSystemEntry>& systems, const std::wstring& text) {
  for (const auto& s : systems)
    if (_wcsicmp(s.name.c_str(), text.c_str()) == 0 || _wcsicmp(s.alias.c_str(), text.c_str()) == 0) return &s;
  // A version-independent ProgID names the same class as the versioned one listed.
  CLSID clsid;
  if (SUCCEEDED(CLSIDFromProgID(text.c_str(), &clsid)))
    for (const auto& s : systems)
      if (IsEqualCLSID(s.clsid, clsid)) return &s;
  return nullptr;
}

HRESULT createThermoSystem(const std::wstring& name, ICapeThermoSystem** system) {
  if (!system) return E_POINTER;
  *system = nullptr;
  CLSID clsid;
  HRESULT hr = name.size() > 1 && name[0] == L'{' ? CLSIDFromString(name.c_str(), &clsid)
                                                   : CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                          __uuidof(ICapeThermoSystem), reinterpret_cast<void**>(system));
}

HRESULT packagesOf(ICapeThermoSystem* system, std::vector<std::wstring>& packages) {
  packages.clear();
  support::Variant list;
  HRESULT hr = system->GetPropertyPackages(list.out());
  if (FAILED(hr)) return hr;
  if (list.vt() != (VT_ARRAY | VT_BSTR) || !list.get().parray) return E_UNEXPECTED;
  SAFEARRAY* sa = list.get().parray;
  long lb = 0, ub = -1;
  SafeArrayGetLBound(sa, 1, &lb);
  SafeArrayGetUBound(sa, 1, &ub);
  for (long i = lb; i <= ub; ++i) {
    support::Bstr name;
    hr = SafeArrayGetElement(sa, &i, name.out());
    if (FAILED(hr)) return hr;
    packages.push_back(name.c_str());
  }
  return S_OK;
}

HRESULT packagesOf(const std::wstring& systemName, std::vector<std::wstring>& packages) {
  support::ComPtr<ICapeThermoSystem> system;
  HRESULT hr = createThermoSystem(systemName, &system);
  return SUCCEEDED(hr) ? packagesOf(system.Get(), packages) : hr;
}

}  // namespace browser
