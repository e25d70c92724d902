#include "counterparts/host/HostState.h"

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <sstream>
#include <utility>

#include "support/Text.h"

namespace orvexhost {

namespace {

bool same(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b ? b : L"") == 0; }

std::wstring besideExecutable(const wchar_t* file) {
  wchar_t path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, n);
  size_t slash = dir.find_last_of(L"\\/");
  return (slash == std::wstring::npos ? std::wstring() : dir.substr(0, slash + 1)) + file;
}

// Records "id, name CAS" as the host's library reads them; malformed lines are skipped.
std::vector<LibraryEntry> readLibrary(const std::wstring& path) {
  std::vector<LibraryEntry> entries;
  std::ifstream in(support::narrow(path));
  std::string line;
  while (std::getline(in, line)) {
    int id = 0;
    char name[64] = {}, cas[64] = {};
    if (std::sscanf(line.c_str(), "%d, %63s %63s", &id, name, cas) != 3) continue;
    std::string n(name);
    if (!n.empty() && n.back() == ',') n.pop_back();
    std::string c(cas);
    entries.push_back({id, support::widen(n), c == "NULL" ? std::wstring() : support::widen(c)});
  }
  return entries;
}

bool parseKind(const std::wstring& word, VariableKind& kind) {
  static const std::pair<const wchar_t*, VariableKind> kinds[] = {{L"text", VariableKind::Text},
                                                                   {L"real", VariableKind::Real},
                                                                   {L"realarray", VariableKind::RealArray},
                                                                   {L"textarray", VariableKind::TextArray}};
  for (const auto& k : kinds)
    if (same(word, k.first)) {
      kind = k.second;
      return true;
    }
  return false;
}

std::vector<Variable> readDefinition(const std::wstring& text) {
  std::vector<Variable> vars;
  std::wistringstream lines(text);
  std::wstring line;
  while (std::getline(lines, line)) {
    std::wistringstream words(line);
    std::wstring kindWord, name, flag;
    if (!(words >> kindWord >> name) || kindWord[0] == L'#') continue;
    Variable v;
    if (!parseKind(kindWord, v.kind)) continue;
    v.name = name;
    v.usable = !(words >> flag && same(flag, L"unusable"));
    vars.push_back(std::move(v));
  }
  return vars;
}

// Case file escaping: one variable per line, fields separated by tabs.
std::wstring escape(const wchar_t* s, UINT n) {
  std::wstring out;
  for (UINT i = 0; i < n; ++i) {
    switch (s[i]) {
      case L'\\': out += L"\\\\"; break;
      case L'\t': out += L"\\t"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      default: out += s[i];
    }
  }
  return out;
}

std::wstring unescape(const std::wstring& s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    wchar_t c = s[++i];
    out += c == L't' ? L'\t' : c == L'n' ? L'\n' : c == L'r' ? L'\r' : c;
  }
  return out;
}

std::vector<std::wstring> splitTabs(const std::wstring& line) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find(L'\t', start);
    fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
    if (tab == std::wstring::npos) return fields;
    start = tab + 1;
  }
}

std::wstring elementText(const VARIANT& v, long i) {
  VARIANT item;
  VariantInit(&item);
  std::wstring text;
  if (v.vt == (VT_ARRAY | VT_R8)) {
    double d = 0;
    SafeArrayGetElement(v.parray, &i, &d);
    text = number(d);
  } else {
    BSTR b = nullptr;
    SafeArrayGetElement(v.parray, &i, &b);
    text = escape(b ? b : L"", SysStringLen(b));
    SysFreeString(b);
  }
  return text;
}

std::wstring valueText(const Variable& var) {
  const VARIANT& v = var.value.get();
  if (v.vt == VT_BSTR) return escape(v.bstrVal ? v.bstrVal : L"", SysStringLen(v.bstrVal));
  if (v.vt == VT_R8) return number(v.dblVal);
  if (!(v.vt & VT_ARRAY) || !v.parray) return L"";
  long lb = 0, ub = -1;
  SafeArrayGetLBound(v.parray, 1, &lb);
  SafeArrayGetUBound(v.parray, 1, &ub);
  std::wstring text = std::to_wstring(ub - lb + 1);
  for (long i = lb; i <= ub; ++i) text += L"\t" + elementText(v, i);
  return text;
}

HRESULT arrayFromText(const std::vector<std::wstring>& fields, VARTYPE vt, VARIANT& out) {
  // fields: name, kind, count, elements...
  long count = std::wcstol(fields[2].c_str(), nullptr, 10);
  if (count < 0 || static_cast<size_t>(count) != fields.size() - 3) return E_INVALIDARG;
  SAFEARRAY* sa = SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count));
  if (!sa) return E_OUTOFMEMORY;
  for (long i = 0; i < count; ++i) {
    const std::wstring& f = fields[3 + i];
    HRESULT hr;
    if (vt == VT_R8) {
      double d = std::wcstod(f.c_str(), nullptr);
      hr = SafeArrayPutElement(sa, &i, &d);
    } else {
      support::Bstr b(unescape(f).c_str());
      hr = SafeArrayPutElement(sa, &i, b.get());
    }
    if (FAILED(hr)) {
      SafeArrayDestroy(sa);
      return hr;
    }
  }
  out.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
  out.parray = sa;
  return S_OK;
}

HRESULT valueFromText(VariableKind kind, const std::vector<std::wstring>& fields, VARIANT& out) {
  switch (kind) {
    case VariableKind::Text:
      out.vt = VT_BSTR;
      out.bstrVal = SysAllocString(unescape(fields[2]).c_str());
      return S_OK;
    case VariableKind::Real:
      out.vt = VT_R8;
      out.dblVal = std::wcstod(fields[2].c_str(), nullptr);
      return S_OK;
    case VariableKind::RealArray: return arrayFromText(fields, VT_R8, out);
    case VariableKind::TextArray: return arrayFromText(fields, VT_BSTR, out);
  }
  return E_INVALIDARG;
}

const wchar_t* kindName(VariableKind kind) {
  switch (kind) {
    case VariableKind::Text: return L"text";
    case VariableKind::Real: return L"real";
    case VariableKind::RealArray: return L"realarray";
    case VariableKind::TextArray: return L"textarray";
  }
  return L"";
}

}  // namespace

std::wstring quoted(const wchar_t* text) { return L"\"" + std::wstring(text ? text : L"") + L"\""; }

std::wstring number(double value) {
  wchar_t buf[40];
  swprintf(buf, 40, L"%.17g", value);
  return buf;
}

HostState::HostState(const std::wstring& definitionText, const std::wstring& libraryPath)
    : hostThread(GetCurrentThreadId()),
      variables(readDefinition(definitionText)),
      library(readLibrary(libraryPath.empty() ? besideExecutable(L"OvpCASnos.txt") : libraryPath)) {}

HRESULT HostState::enter(const wchar_t* operation, const std::wstring& arguments) {
  support::Lock lock(guard);
  calls.push_back({operation, arguments, GetCurrentThreadId(), S_OK});
  auto failure = failures.find(operation);
  return failure == failures.end() ? S_OK : failure->second;
}

void HostState::finish(HRESULT hr) {
  support::Lock lock(guard);
  if (!calls.empty()) calls.back().result = hr;
}

Variable* HostState::findVariable(const wchar_t* name) {
  for (auto& v : variables)
    if (same(v.name, name)) return &v;
  return nullptr;
}

const LibraryEntry* HostState::findLibrary(const wchar_t* name) const {
  for (const auto& e : library)
    if (same(e.name, name)) return &e;
  return nullptr;
}

ComponentPtr HostState::findHypo(const std::wstring& name) const {
  for (const auto& h : hypos)
    if (same(h->name, name.c_str())) return h;
  return nullptr;
}

// A new hypothetical component; a name already taken (by a hypothetical or a library
// component) gets a number before its "*", as the host renames duplicates.
ComponentPtr HostState::newHypo(const std::wstring& wanted) {
  std::wstring base = wanted;
  if (!base.empty() && base.back() == L'*') base.pop_back();
  std::wstring name = base + L"*";
  for (int n = 1; findHypo(name) || findLibrary(name.c_str()); ++n) name = base + L"-" + std::to_wstring(n) + L"*";
  auto hypo = std::make_shared<ComponentData>();
  hypo->id = nextHypoId++;
  hypo->name = name;
  hypo->hypothetical = true;
  hypos.push_back(hypo);
  return hypo;
}

std::wstring HostState::saveCase() const {
  std::wstring text;
  for (const auto& v : variables) {
    if (v.value.vt() == VT_EMPTY) continue;
    text += escape(v.name.c_str(), static_cast<UINT>(v.name.size())) + L"\t" + kindName(v.kind) + L"\t" +
            valueText(v) + L"\n";
  }
  return text;
}

// All or nothing: a case file that fails on any line leaves every variable as it was.
HRESULT HostState::restoreCase(const std::wstring& text) {
  std::vector<std::pair<Variable*, support::Variant>> restored;
  std::wistringstream lines(text);
  std::wstring line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::vector<std::wstring> fields = splitTabs(line);
    VariableKind kind;
    if (fields.size() < 3 || !parseKind(fields[1], kind)) return E_INVALIDARG;
    Variable* var = findVariable(unescape(fields[0]).c_str());
    if (!var || var->kind != kind) continue;
    support::Variant value;
    HRESULT hr = valueFromText(kind, fields, *value.out());
    if (FAILED(hr)) return hr;
    restored.emplace_back(var, std::move(value));
  }
  for (auto& r : restored) r.first->value = std::move(r.second);
  return S_OK;
}

}  // namespace orvexhost
