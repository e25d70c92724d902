#include "server/comkit/Registrar.h"

#include <oleauto.h>

#include <cwchar>

#include "support/Raii.h"

namespace comkit {

namespace {

using support::RegKey;

// One row of what a class writes: a key, and optionally one string value in it.
struct RegRow {
  std::wstring key;
  const wchar_t* valueName;  // null: the key's default value
  std::wstring data;
  bool hasValue;
};

RegRow value(std::wstring key, std::wstring data) { return {std::move(key), nullptr, std::move(data), true}; }
RegRow namedValue(std::wstring key, const wchar_t* name, std::wstring data) {
  return {std::move(key), name, std::move(data), true};
}
RegRow emptyKey(std::wstring key) { return {std::move(key), nullptr, {}, false}; }

std::wstring classKey(const ClassRegistration& cls) { return L"CLSID\\" + guidText(*cls.clsid); }

void addProgIdRows(std::vector<RegRow>& rows, const ClassRegistration& cls, const std::wstring& description) {
  const std::wstring clsid = guidText(*cls.clsid);
  if (cls.progId) {
    rows.push_back(value(cls.progId, description));
    rows.push_back(value(std::wstring(cls.progId) + L"\\CLSID", clsid));
  }
  if (cls.versionIndependentProgId) {
    const std::wstring vi = cls.versionIndependentProgId;
    rows.push_back(value(vi, description));
    rows.push_back(value(vi + L"\\CLSID", clsid));
    if (cls.progId) rows.push_back(value(vi + L"\\CurVer", cls.progId));
  }
}

void addClassKeyRows(std::vector<RegRow>& rows, const ClassRegistration& cls, const std::wstring& description,
                     const std::wstring& modulePath) {
  const std::wstring key = classKey(cls);
  rows.push_back(value(key, description));
  if (cls.progId) rows.push_back(value(key + L"\\ProgID", cls.progId));
  if (cls.versionIndependentProgId) {
    rows.push_back(value(key + L"\\VersionIndependentProgID", cls.versionIndependentProgId));
  }
  rows.push_back(value(key + L"\\InprocServer32", modulePath));
  rows.push_back(namedValue(key + L"\\InprocServer32", L"ThreadingModel", cls.threadingModel));
  if (cls.typeLib) rows.push_back(value(key + L"\\TypeLib", guidText(*cls.typeLib)));
  if (cls.programmable) rows.push_back(emptyKey(key + L"\\Programmable"));
  for (const GUID& category : cls.implementedCategories) {
    rows.push_back(emptyKey(key + L"\\Implemented Categories\\" + guidText(category)));
  }
}

std::vector<RegRow> rowsOf(const ClassRegistration& cls, const std::wstring& modulePath) {
  const std::wstring description = std::wstring(cls.name) + L" Class";
  std::vector<RegRow> rows;
  addProgIdRows(rows, cls, description);
  addClassKeyRows(rows, cls, description, modulePath);
  return rows;
}

LSTATUS writeRow(HKEY root, const RegRow& row) {
  RegKey key;
  LSTATUS status = RegCreateKeyExW(root, row.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                   nullptr, key.out(), nullptr);
  if (status != ERROR_SUCCESS || !row.hasValue) return status;
  const DWORD bytes = static_cast<DWORD>((row.data.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key.get(), row.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(row.data.c_str()), bytes);
}

// Removes a key with everything below it; a key that is not there is no failure.
LSTATUS deleteTree(HKEY root, const std::wstring& key) {
  LSTATUS status = RegDeleteTreeW(root, key.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// Some platforms' type-library marshaler looks the library up under the neutral locale only, so a
// library of a specific locale is also entered there (same file): proxies can then always be built.
std::wstring neutralLocaleKey(const TLIBATTR& attr) {
  wchar_t version[32] = {};
  swprintf(version, 32, L"%x.%x", attr.wMajorVerNum, attr.wMinorVerNum);
  return L"TypeLib\\" + guidText(attr.guid) + L"\\" + version + L"\\0";
}

HRESULT addNeutralLocale(ITypeLib* lib, const std::wstring& modulePath) {
  TLIBATTR* attr = nullptr;
  HRESULT hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  LSTATUS status = ERROR_SUCCESS;
  if (attr->lcid != LOCALE_NEUTRAL) {
    RegKey key;
    const std::wstring name = neutralLocaleKey(*attr) + (attr->syskind == SYS_WIN64 ? L"\\win64" : L"\\win32");
    status = RegCreateKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.out(), nullptr);
    if (status == ERROR_SUCCESS)
      status = RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(modulePath.c_str()),
                              static_cast<DWORD>((modulePath.size() + 1) * sizeof(wchar_t)));
  }
  lib->ReleaseTLibAttr(attr);
  return HRESULT_FROM_WIN32(status);
}

}  // namespace

std::wstring guidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

HRESULT registerClass(const ClassRegistration& cls, const std::wstring& modulePath, HKEY root) {
  LSTATUS status = deleteTree(root, classKey(cls));
  if (status == ERROR_SUCCESS) {
    for (const RegRow& row : rowsOf(cls, modulePath)) {
      status = writeRow(root, row);
      if (status != ERROR_SUCCESS) break;
    }
  }
  if (status == ERROR_SUCCESS) return S_OK;
  unregisterClass(cls, root);
  return HRESULT_FROM_WIN32(status);
}

HRESULT unregisterClass(const ClassRegistration& cls, HKEY root) {
  LSTATUS status = ERROR_SUCCESS;
  auto remove = [&](const std::wstring& key) {
    LSTATUS s = deleteTree(root, key);
    if (status == ERROR_SUCCESS) status = s;
  };
  if (cls.progId) remove(cls.progId);
  if (cls.versionIndependentProgId) remove(cls.versionIndependentProgId);
  remove(classKey(cls));
  return HRESULT_FROM_WIN32(status);
}

HRESULT registerTypeLib(const std::wstring& modulePath) {
  support::ComPtr<ITypeLib> lib;
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.GetAddressOf());
  if (FAILED(hr)) return hr;
  std::wstring path = modulePath;  // RegisterTypeLib takes a non-const path
  hr = RegisterTypeLib(lib.Get(), path.data(), nullptr);
  return SUCCEEDED(hr) ? addNeutralLocale(lib.Get(), modulePath) : hr;
}

HRESULT unregisterTypeLib(const std::wstring& modulePath) {
  support::ComPtr<ITypeLib> lib;
  HRESULT hr = LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.GetAddressOf());
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  if (attr->lcid != LOCALE_NEUTRAL) deleteTree(HKEY_CLASSES_ROOT, neutralLocaleKey(*attr));
  hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
  lib->ReleaseTLibAttr(attr);
  return hr;
}

}  // namespace comkit
