#include "counterparts/browser/Browser.h"

#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "counterparts/browser/Catalogue.h"
#include "support/Text.h"

namespace browser {

namespace {

HRESULT copyText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(text.c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring text(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }
std::wstring quoted(BSTR b) { return L"\"" + text(b) + L"\""; }

std::wstring trimmed(std::wstring s) {
  const wchar_t* blanks = L" \t\r\n";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::wstring::npos) return L"";
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::wstring environment(const wchar_t* name) {
  wchar_t value[1024];
  DWORD n = GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

// The host's choice: the variable, else the first line of the file it names, else "".
std::wstring hostChoice() {
  std::wstring choice = environment(kChoiceVariable);
  if (!choice.empty()) return trimmed(choice);
  std::wstring file = environment(kChoiceFileVariable);
  if (file.empty()) return L"";
  std::ifstream in(support::narrow(file));
  std::string line;
  std::getline(in, line);
  return trimmed(support::widen(line));
}

long readNumber() {
  char line[64] = {};
  if (!std::fgets(line, sizeof line, stdin)) return 0;
  return std::strtol(line, nullptr, 10);
}

// Lists the systems and their packages and asks for one of each; "cancel" on 0 or bad input.
std::wstring askOnTerminal() {
  std::vector<ThermoSystemEntry> systems;
  if (FAILED(registeredThermoSystems(systems)) || systems.empty()) {
    std::printf("No CAPE-OPEN Thermo System is registered.\n");
    return L"cancel";
  }
  for (size_t i = 0; i < systems.size(); ++i)
    std::printf("%zu  %s (%s)\n", i + 1, support::narrow(systems[i].alias).c_str(),
                support::narrow(systems[i].name).c_str());
  std::printf("Thermo System number (0 cancels): ");
  std::fflush(stdout);
  long s = readNumber();
  if (s < 1 || static_cast<size_t>(s) > systems.size()) return L"cancel";
  std::vector<std::wstring> packages;
  if (FAILED(packagesOf(systems[s - 1].name, packages)) || packages.empty()) return L"cancel";
  for (size_t i = 0; i < packages.size(); ++i) std::printf("%zu  %s\n", i + 1, support::narrow(packages[i]).c_str());
  std::printf("Property Package number (0 cancels): ");
  std::fflush(stdout);
  long p = readNumber();
  if (p < 1 || static_cast<size_t>(p) > packages.size()) return L"cancel";
  return systems[s - 1].name + L"|" + packages[p - 1];
}

// Asks only when someone can see the question and answer it: input and output both on a
// terminal. Under a test runner output is captured, so a missing choice never waits for input.
bool onTerminal() { return _isatty(_fileno(stdin)) != 0 && _isatty(_fileno(stdout)) != 0; }

}  // namespace

HRESULT Browser::record(const wchar_t* method, const std::wstring& arguments, HRESULT result) {
  try {
    m_calls.push_back(arguments.empty() ? std::wstring(method) : std::wstring(method) + L" " + arguments);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return result;
}

void Browser::cancel() {
  m_packageName.clear();
  m_systemName.clear();
  m_packageAlias.clear();
  m_systemAlias.clear();
  m_state.clear();
}

// Takes a system (by name or alias) and one of its packages, when both exist.
HRESULT Browser::choose(const std::wstring& systemText, const std::wstring& package) {
  std::vector<ThermoSystemEntry> systems;
  HRESULT hr = registeredThermoSystems(systems);
  if (FAILED(hr)) return hr;
  const ThermoSystemEntry* system = findSystem(systems, systemText);
  if (!system) return E_INVALIDARG;
  std::vector<std::wstring> packages;
  hr = packagesOf(system->name, packages);
  if (FAILED(hr)) return hr;
  for (const auto& p : packages)
    if (_wcsicmp(p.c_str(), package.c_str()) == 0) {
      m_systemName = system->name;
      m_systemAlias = system->alias;
      m_packageName = p;
      m_packageAlias = p;
      m_state = L"system=" + m_systemName + L";package=" + m_packageName;
      return S_OK;
    }
  return E_INVALIDARG;
}

HRESULT Browser::select(const std::wstring& choice, VARIANT_BOOL* accepted, long* dialogResult) {
  size_t bar = choice.find(L'|');
  bool cancelled = choice.empty() || _wcsicmp(choice.c_str(), L"cancel") == 0;
  HRESULT hr = S_OK;
  if (!cancelled) {
    if (bar == std::wstring::npos) return E_INVALIDARG;
    hr = choose(trimmed(choice.substr(0, bar)), trimmed(choice.substr(bar + 1)));
    if (FAILED(hr)) return hr;
  } else {
    cancel();
  }
  if (accepted) *accepted = cancelled ? VARIANT_FALSE : VARIANT_TRUE;
  if (dialogResult) *dialogResult = cancelled ? IDCANCEL : IDOK;
  return S_OK;
}

STDMETHODIMP Browser::ShowSelection(VARIANT_BOOL* accepted, long* dialogResult) {
  try {
    std::wstring choice = hostChoice();
    if (choice.empty() && onTerminal()) choice = askOnTerminal();
    return record(L"ShowSelection", L"\"" + choice + L"\"", select(choice, accepted, dialogResult));
  } catch (...) {
    return record(L"ShowSelection", L"", E_UNEXPECTED);
  }
}

STDMETHODIMP Browser::GetPackageName(BSTR* v) { return record(L"GetPackageName", L"", copyText(m_packageName, v)); }
STDMETHODIMP Browser::GetPackageAlias(BSTR* v) { return record(L"GetPackageAlias", L"", copyText(m_packageAlias, v)); }
STDMETHODIMP Browser::GetSystemName(BSTR* v) { return record(L"GetSystemName", L"", copyText(m_systemName, v)); }
STDMETHODIMP Browser::GetSystemAlias(BSTR* v) { return record(L"GetSystemAlias", L"", copyText(m_systemAlias, v)); }
STDMETHODIMP Browser::GetState(BSTR* state) { return record(L"GetState", L"", copyText(m_state, state)); }

STDMETHODIMP Browser::SetRecalling(VARIANT_BOOL recalling) {
  return record(L"SetRecalling", std::to_wstring(recalling), S_OK);
}

STDMETHODIMP Browser::SetState(BSTR state) {
  try {
    m_state = text(state);
    return record(L"SetState", quoted(state), S_OK);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP Browser::SetNames(BSTR packageName, BSTR systemName) {
  try {
    m_packageName = text(packageName);
    m_systemName = text(systemName);
    return record(L"SetNames", quoted(packageName) + L" " + quoted(systemName), S_OK);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP Browser::SetAliases(BSTR packageAlias, BSTR systemAlias) {
  try {
    m_packageAlias = text(packageAlias);
    m_systemAlias = text(systemAlias);
    return record(L"SetAliases", quoted(packageAlias) + L" " + quoted(systemAlias), S_OK);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP Browser::InitBrowser(long ownerWindow, IDispatch* hostContainer, long options) {
  m_host = hostContainer;
  return record(L"InitBrowser",
                std::to_wstring(ownerWindow) + (hostContainer ? L" container " : L" null ") + std::to_wstring(options),
                S_OK);
}

STDMETHODIMP Browser::SetKitVersion(BSTR version) {
  try {
    m_kitVersion = text(version);
    return record(L"SetKitVersion", quoted(version), S_OK);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP Browser::AddReportLine(BSTR piece, VARIANT_BOOL lineComplete) {
  try {
    m_report += text(piece);
    if (lineComplete) m_report += L"\n";
    return record(L"AddReportLine", quoted(piece) + (lineComplete ? L" complete" : L" piece"), S_OK);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// Creates the system named by SetNames and resolves the package from it; the system goes back
// as the second object. Both are kept until ReleaseObjects.
STDMETHODIMP Browser::CreatePackage(IDispatch** propertyPackage, IDispatch** thermoSystem) {
  try {
    if (!propertyPackage) return record(L"CreatePackage", L"", E_POINTER);
    *propertyPackage = nullptr;
    if (thermoSystem) *thermoSystem = nullptr;
    const std::wstring args = L"\"" + m_packageName + L"\" \"" + m_systemName + L"\"";
    if (m_packageName.empty() || m_systemName.empty()) return record(L"CreatePackage", args, E_INVALIDARG);
    support::ComPtr<ICapeThermoSystem> system;
    HRESULT hr = createThermoSystem(m_systemName, &system);
    support::ComPtr<IDispatch> package;
    if (SUCCEEDED(hr)) hr = system->ResolvePropertyPackage(support::Bstr(m_packageName.c_str()).get(), &package);
    if (SUCCEEDED(hr) && !package) hr = E_FAIL;
    if (FAILED(hr)) return record(L"CreatePackage", args, hr);
    m_system = system;
    m_package = package;
    *propertyPackage = package.Detach();
    if (thermoSystem) {
      m_system.CopyTo(reinterpret_cast<ICapeThermoSystem**>(thermoSystem));
    }
    return record(L"CreatePackage", args, S_OK);
  } catch (...) {
    return record(L"CreatePackage", L"", E_UNEXPECTED);
  }
}

STDMETHODIMP Browser::ReleaseObjects() {
  m_package.Reset();
  m_system.Reset();
  m_host.Reset();
  return record(L"ReleaseObjects", L"", S_OK);
}

STDMETHODIMP Browser::Calls(BSTR* lines) {
  try {
    std::wstring all;
    for (const auto& c : m_calls) all += c + L"\n";
    return copyText(all, lines);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP Browser::ReportText(BSTR* report) { return copyText(m_report, report); }

}  // namespace browser
