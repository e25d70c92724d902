// Lists what the product has put into the registry: its classes (ProgID, CLSID, server path,
// threading model), its type library and the version of the module that serves them.
// Exit code 0 only when every class, the type library and the version were found.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "support/Raii.h"
#include "support/Text.h"

namespace {

const wchar_t* const kProgIds[] = {L"Zendrel.VBPropPkg", L"Zendrel.MatObj", L"Zendrel.TPropPack", L"Zendrel.VBSimuCont"};
const GUID kLibId = {0x1B57873A, 0x16A4, 0x4CE7, {0xB5, 0x4A, 0x01, 0xD5, 0xC5, 0xD8, 0xA0, 0xB4}};
const wchar_t* const kVersionStrings[] = {L"FileVersion", L"ProductVersion", L"CompanyName", L"ProductName",
                                          L"FileDescription"};
const char kMissing[] = "(missing)";

using Row = std::vector<std::string>;

// Prints rows as columns, the first row being the heading.
void printTable(const std::vector<Row>& rows) {
  std::vector<size_t> widths;
  for (const Row& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const Row& row : rows) {
    std::string line = " ";
    for (size_t i = 0; i < row.size(); ++i) {
      line += " " + row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size(), ' ');
    }
    std::printf("%s\n", line.c_str());
  }
}

void printSection(const char* title) { std::printf("\n%s\n", title); }

std::string guidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return support::narrow(text);
}

// A string value of HKEY_CLASSES_ROOT\key (the default value when name is null); "" when absent.
std::wstring readClassesString(const std::wstring& key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
    return {};
  }
  return value.c_str();
}

std::string orMissing(const std::wstring& text, bool& complete) {
  if (text.empty()) {
    complete = false;
    return kMissing;
  }
  return support::narrow(text);
}

struct ClassesFound {
  bool complete = true;
  std::wstring serverPath;  // InprocServer32 of the first class found
};

ClassesFound listClasses() {
  ClassesFound found;
  std::vector<Row> rows = {{"ProgID", "CurVer", "CLSID", "ThreadingModel", "InprocServer32"}};
  for (const wchar_t* progId : kProgIds) {
    const std::wstring current = readClassesString(std::wstring(progId) + L"\\CurVer", nullptr);
    CLSID clsid = {};
    if (FAILED(CLSIDFromProgID(progId, &clsid))) {
      rows.push_back({support::narrow(progId), kMissing, "", "", ""});
      found.complete = false;
      continue;
    }
    const std::wstring key = L"CLSID\\" + support::widen(guidText(clsid)) + L"\\InprocServer32";
    const std::wstring server = readClassesString(key, nullptr);
    if (found.serverPath.empty()) found.serverPath = server;
    rows.push_back({support::narrow(progId), orMissing(current, found.complete), guidText(clsid),
                    orMissing(readClassesString(key, L"ThreadingModel"), found.complete),
                    orMissing(server, found.complete)});
  }
  printSection("Registered classes");
  printTable(rows);
  return found;
}

// Where the registry says the library is: HKCR\TypeLib\{LIBID}\<version> with its help text
// as the default value and a <lcid>\win64 subkey naming the file.
struct RegisteredLibrary {
  WORD major = 0, minor = 0;
  LCID lcid = 0;
  std::wstring helpText, path;
  bool found = false;
};

std::wstring subkeyAt(HKEY key, DWORD index) {
  wchar_t name[256] = {};
  DWORD length = 256;
  return RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS ? name : L"";
}

RegisteredLibrary findRegisteredLibrary() {
  RegisteredLibrary lib;
  const std::wstring libKey = L"TypeLib\\" + support::widen(guidText(kLibId));
  support::RegKey versions;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, libKey.c_str(), 0, KEY_READ, versions.out()) != ERROR_SUCCESS) return lib;
  const std::wstring version = subkeyAt(versions.get(), 0);
  unsigned major = 0, minor = 0;
  if (std::swscanf(version.c_str(), L"%x.%x", &major, &minor) != 2) return lib;
  lib.major = static_cast<WORD>(major);
  lib.minor = static_cast<WORD>(minor);
  const std::wstring versionKey = libKey + L"\\" + version;
  lib.helpText = readClassesString(versionKey, nullptr);
  support::RegKey locales;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, versionKey.c_str(), 0, KEY_READ, locales.out()) != ERROR_SUCCESS) return lib;
  for (DWORD i = 0;; ++i) {
    const std::wstring name = subkeyAt(locales.get(), i);
    if (name.empty()) break;
    wchar_t* end = nullptr;
    const unsigned long lcid = std::wcstoul(name.c_str(), &end, 16);
    if (*end != L'\0') continue;  // FLAGS, HELPDIR
    lib.lcid = static_cast<LCID>(lcid);
    lib.path = readClassesString(versionKey + L"\\" + name + L"\\win64", nullptr);
    lib.found = true;
    break;
  }
  return lib;
}

bool listTypeLibrary() {
  printSection("Type library");
  const RegisteredLibrary registered = findRegisteredLibrary();
  if (!registered.found) {
    std::printf("  %s %s: not registered\n", guidText(kLibId).c_str(), kMissing);
    return false;
  }
  support::ComPtr<ITypeLib> lib;
  const HRESULT hr = LoadRegTypeLib(kLibId, registered.major, registered.minor, registered.lcid, lib.GetAddressOf());
  if (FAILED(hr)) {
    std::printf("  %s: registered but not loadable (0x%08lX)\n", guidText(kLibId).c_str(), static_cast<unsigned long>(hr));
    return false;
  }
  support::Bstr name;
  lib->GetDocumentation(-1, name.out(), nullptr, nullptr, nullptr);
  char lcid[16] = {};
  std::snprintf(lcid, sizeof lcid, "0x%lX", static_cast<unsigned long>(registered.lcid));
  bool complete = true;
  printTable({{"LIBID", guidText(kLibId)},
              {"Name", orMissing(name.c_str(), complete)},
              {"Help text", orMissing(registered.helpText, complete)},
              {"Version", std::to_string(registered.major) + "." + std::to_string(registered.minor)},
              {"LCID", lcid},
              {"Type descriptions", std::to_string(lib->GetTypeInfoCount())},
              {"Registered path", orMissing(registered.path, complete)}});
  return complete;
}

// One string of the version resource's first translation; "" when absent.
std::wstring versionString(const std::vector<BYTE>& data, const wchar_t* key) {
  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 2 * sizeof(WORD)) {
    return {};
  }
  wchar_t query[128] = {};
  std::swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], key);
  wchar_t* value = nullptr;
  if (!VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &length) || length == 0) return {};
  return value;
}

bool listModuleVersion(const std::wstring& modulePath) {
  printSection("Module version");
  DWORD handle = 0;
  const DWORD size = modulePath.empty() ? 0 : GetFileVersionInfoSizeW(modulePath.c_str(), &handle);
  std::vector<BYTE> data(size);
  if (size == 0 || !GetFileVersionInfoW(modulePath.c_str(), 0, size, data.data())) {
    std::printf("  %s: no version resource found\n", modulePath.empty() ? kMissing : support::narrow(modulePath).c_str());
    return false;
  }
  bool complete = true;
  std::vector<Row> rows = {{"Module", support::narrow(modulePath)}};
  for (const wchar_t* key : kVersionStrings) rows.push_back({support::narrow(key), orMissing(versionString(data, key), complete)});
  printTable(rows);
  return complete;
}

}  // namespace

int wmain() {
  support::ComApartment apartment;
  if (FAILED(apartment.result())) {
    std::printf("COM could not be initialised (0x%08lX)\n", static_cast<unsigned long>(apartment.result()));
    return 2;
  }
  std::printf("Quellmar COM server: registration\n");
  const ClassesFound classes = listClasses();
  const bool library = listTypeLibrary();
  const bool version = listModuleVersion(classes.serverPath);
  const bool complete = classes.complete && library && version;
  std::printf("\n%s\n", complete ? "Everything was found." : "Some entries are missing.");
  return complete ? 0 : 1;
}
