#include "adapter/PkgConfig.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <limits>
#include <new>
#include <string_view>

#include "support/Guards.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::Bstr;

const wchar_t PkgConfig::kComponentsHelp[] =
    L"The simulator will try to identify the components through their CASNumber. If this fails, it will try to match their CompId with the simulator's internal names. \n"
    L"\n"
    L"All the columns displayed in the 'Chemical components' page show information extracted from the CAPE-OPEN Property Package. All except 'Sim. Name', which shows the name of the simulator's component with which it was matched. This field is NOT updated until the dialog is closed.\n"
    L"\n"
    L"Be aware that some Property Packages may only support selecting all components\n"
    L"\n"
    L"The 'Treat as Hypo' column allows selecting whether the component must be identified as a simulator native component, or it must be treated as hypothetical component.\n"
    L"Be aware that some components might only be treated as hypothetical components.\n"
    L"\n"
    L"In this version of Brellan Calqueno CAPE-OPEN 1.0, changing the 'Treat as Hypo' flag of a component will discard any information previously associated to the component, such as reactions, binary parameters, or component composition. ";

// Differs from the message shown when the selection is cancelled: a blank before the first
// line feed, and "asks".
const wchar_t PkgConfig::kCancelledHelp[] =
    L"You have just cancelled the creation of a CAPE-OPEN Property Package (PP). \n"
    L" If you want to create again a CAPE-OPEN PP, follow the next steps:\n"
    L"     1.- Select any other non CAPE-OPEN PP (such as Peng Robinson)\n"
    L"     2.- If a dialog box asks you confirmation about deleting the Property Package,\n"
    L"         click on 'Yes'.\n"
    L"     3.- Select again the Property Package called CAPE-OPEN\n"
    L" Otherwise, select directly the non CAPE-OPEN PP that you want to create.";

namespace {

constexpr char kMissing[] = "cannot restore OvVar";
constexpr char kBinding[] = "initializing EDF variables";
constexpr std::wstring_view kField = L" : ";
constexpr std::wstring_view kEnd = L" , ";

// Reads a save text without ever leaving it: every step checks what is left.
class SaveTextReader {
 public:
  SaveTextReader(const wchar_t* text, UINT length) : m_text(text ? text : L"", text ? length : 0) {}

  // The count at the start, then the position after the first ':'. A text without either
  // holds no entry.
  long header() {
    long count = 0;
    if (!integer(count)) count = 0;
    const size_t colon = m_text.find(L':');
    if (colon == std::wstring_view::npos) return 0;
    m_pos = colon + 1;
    return count;
  }

  // "<name> : <length> : <value>"; false when the text does not hold one here.
  bool entry(std::wstring_view& name, std::wstring_view& value) {
    long length = 0;
    if (!token(name) || !fieldSeparator() || !integer(length) || !valueSeparator()) return false;
    if (length < 0 || static_cast<size_t>(length) > m_text.size() - m_pos) return false;
    value = m_text.substr(m_pos, static_cast<size_t>(length));
    m_pos += value.size();
    return true;
  }

  // The " , " after a value.
  bool entryEnd() { return literal(kEnd); }

 private:
  void skipBlanks() {
    while (m_pos < m_text.size() && std::iswspace(m_text[m_pos])) ++m_pos;
  }

  // A run of non-blank characters, after blanks.
  bool token(std::wstring_view& out) {
    skipBlanks();
    const size_t start = m_pos;
    while (m_pos < m_text.size() && !std::iswspace(m_text[m_pos])) ++m_pos;
    out = m_text.substr(start, m_pos - start);
    return !out.empty();
  }

  // A signed decimal after blanks; values beyond the long range saturate.
  bool integer(long& out) {
    skipBlanks();
    bool negative = false;
    if (m_pos < m_text.size() && (m_text[m_pos] == L'-' || m_text[m_pos] == L'+')) negative = m_text[m_pos++] == L'-';
    const size_t start = m_pos;
    long long value = 0;
    constexpr long long kLimit = std::numeric_limits<long>::max();
    for (; m_pos < m_text.size() && m_text[m_pos] >= L'0' && m_text[m_pos] <= L'9'; ++m_pos)
      value = std::min(kLimit, value * 10 + (m_text[m_pos] - L'0'));
    out = static_cast<long>(negative ? -value : value);
    return m_pos > start;
  }

  bool literal(std::wstring_view expected) {
    if (m_text.substr(m_pos, expected.size()) != expected) return false;
    m_pos += expected.size();
    return true;
  }

  // Between name and length: ":" with any blanks around it.
  bool fieldSeparator() {
    skipBlanks();
    return literal(L":");
  }

  // Between length and value: blanks, ":" and exactly one blank, so that a value may itself
  // start with blanks.
  bool valueSeparator() {
    skipBlanks();
    return literal(kField.substr(1));
  }

  std::wstring_view m_text;
  size_t m_pos = 0;
};

bool sameName(std::wstring_view a, const std::string& b) { return support::sameText(a, support::widen(b)); }

std::wstring entryText(const std::string& name, const Bstr& value) {
  std::wstring entry = support::widen(name);
  entry += kField;
  entry += std::to_wstring(value.length());
  entry += kField;
  entry.append(value.c_str(), value.length());
  entry += kEnd;
  return entry;
}

std::wstring headerText(int count) {
  wchar_t header[16] = {};
  std::swprintf(header, sizeof(header) / sizeof(header[0]), L"%3d :", count);
  return header;
}


}  // namespace

PkgConfig::PkgConfig()
    : m_table{{&m_PropPackName, "PropPackName"},
              {&m_PropSysName, "PropSysName"},
              {&m_PropPackAlias, "PropPackAlias"},
              {&m_PropSysAlias, "PropSysAlias"},
              {&m_SelectedProperties, "SelectedProperties"},
              {&m_SelectedPhases, "SelectedPhases"},
              {&m_SelectedCompIds, "SelectedCompIds"},
              {&m_ComponentsSource, "ComponentsSource"},
              {&m_ValidationMode, "ValidationMode"},
              {&m_SelectedFlags, "SelectedFlags"},
              {&m_HypoFlags, "HypoFlags"},
              {&m_ComponentsMessage, "ComponentsMessage"},
              {&m_ImportReport, "ImportReport"},
              {&m_SelectedCompFormulas, "SelectedCompFormulas"},
              {&m_SelectedCompNames, "SelectedCompNames"},
              {&m_SelectedCompCASNos, "SelectedCompCASNos"},
              {&m_SelectedCompBoilTemps, "SelectedCompBoilTemps"},
              {&m_SelectedCompMolWts, "SelectedCompMolWts"},
              {&m_MatchedBy, "MatchedBy"},
              {&m_SelectedCompOvNames, "SelectedCompOvNames"},
              {&m_UserSelectedCompOvNames, "UserSelectedCompOvNames"},
              {&m_SelectedIDNumbers, "SelectedIDNumbers"},
              {&m_TextMessage, "TextMessage"}} {}

// ---- Binding -------------------------------------------------------------------------------

HRESULT PkgConfig::bindAll(ExtnContainer* container, bool recalling, CCOError& errors) {
  return support::complainingOfFailure(errors, {kBinding, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    return bindSteps(container, recalling);
  });
}

HRESULT PkgConfig::bindSteps(ExtnContainer* container, bool recalling) {
  m_set.attachHost(container);  // a failure is reported and leaves every variable unbound
  bindVariables();
  HRESULT hr = S_OK;
  if (!recalling) {
    hr = m_ValidationMode.setReal(0.0);
    if (SUCCEEDED(hr)) hr = m_ComponentsSource.setReal(0.0);
    if (FAILED(hr)) return hr;
  }
  // Both texts are written even when the first store fails; its failure is the result.
  hr = m_ComponentsMessage.setText(kComponentsHelp);
  const HRESULT text = m_TextMessage.setText(kCancelledHelp);
  const HRESULT hook = m_TextMessage.notify(0);
  if (FAILED(hr)) return hr;
  return FAILED(text) ? text : hook;
}

void PkgConfig::bindVariables() {
  for (const auto& [var, name] : m_table) {
    var->bind(name, &m_set);  // failures are reported by the wrapper, which stays unbound
    // Every binding starts a new import report.
    if (var == &m_ImportReport) m_ImportReport.setText(L"");
  }
}

// ---- Save text -----------------------------------------------------------------------------

HRESULT PkgConfig::save(BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return support::reportingFailure([&]() -> HRESULT {
    std::wstring entries;
    int count = 0;
    for (OvVar* var : m_set.vars()) {
      if (!var->persisted()) continue;
      Bstr value;
      const HRESULT hr = var->toText(value.out());
      if (FAILED(hr)) return support::reportUnexpected(hr);
      entries += entryText(var->name(), value);
      ++count;
    }
    if (count == 0) return S_OK;
    const std::wstring text = headerText(count) + entries;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : support::reportUnexpected(E_OUTOFMEMORY);
  });
}

HRESULT PkgConfig::saveInto(BSTR* inOut) {
  if (!inOut) return E_POINTER;
  Bstr text;
  const HRESULT hr = save(text.out());
  if (FAILED(hr)) return hr;
  SysFreeString(*inOut);
  *inOut = text.detach();
  return hr;
}

bool PkgConfig::findEntry(const wchar_t* text, UINT length, const std::string& name, std::wstring& value) {
  SaveTextReader reader(text, length);
  const long count = reader.header();
  for (long k = 0; k < count; ++k) {
    std::wstring_view entryName, entryValue;
    if (!reader.entry(entryName, entryValue)) return false;
    if (sameName(entryName, name)) {
      value.assign(entryValue);
      return true;
    }
    if (!reader.entryEnd()) return false;
  }
  return false;
}

HRESULT PkgConfig::restore(BSTR text) {
  return support::reportingFailure([&]() -> HRESULT {
    const UINT length = text ? SysStringLen(text) : 0;
    HRESULT result = E_FAIL;  // stays so when not a single variable is found
    for (OvVar* var : m_set.vars()) {
      if (!var->persisted()) continue;
      std::wstring value;
      if (!findEntry(text, length, var->name(), value)) {
        support::reportError(E_FAIL, kMissing);
        continue;
      }
      const Bstr valueText(value.data(), static_cast<UINT>(value.size()));
      result = var->fromText(valueText.get());
      if (FAILED(result)) support::reportUnexpected(result);
    }
    return result;
  });
}

HRESULT PkgConfig::recall(ExtnContainer* container, BSTR text, CCOError& errors) {
  HRESULT hr = bindAll(container, true, errors);
  if (FAILED(hr)) return hr;
  hr = restore(text);
  const HRESULT loaded = loadSelection();
  return FAILED(hr) ? hr : loaded;
}

HRESULT PkgConfig::loadSelection() {
  const std::pair<OvTextVar*, Bstr*> sources[] = {{&m_PropPackName, &m_selection.packageName},
                                                  {&m_PropSysName, &m_selection.systemName},
                                                  {&m_PropPackAlias, &m_selection.packageAlias},
                                                  {&m_PropSysAlias, &m_selection.systemAlias}};
  HRESULT result = S_OK;
  for (const auto& [var, target] : sources) {
    const HRESULT hr = var->getText(*target);
    if (FAILED(hr) && SUCCEEDED(result)) result = hr;
  }
  return result;
}

// ---- Single variables ----------------------------------------------------------------------

HRESULT PkgConfig::getValue(BSTR name, VARIANT* out, const VARIANT* hostIds) const {
  if (!out) return E_POINTER;
  VariantInit(out);
  return support::reportingFailure([&]() -> HRESULT {
    if (support::sameText(name, L"IDNumbers")) return hostIds ? VariantCopy(out, const_cast<VARIANT*>(hostIds)) : S_OK;
    return m_set.getValue(support::narrow(name).c_str(), out);
  });
}

HRESULT PkgConfig::setValue(BSTR name, const VARIANT& value) {
  return support::reportingFailure([&]() -> HRESULT {
    return m_set.setValue(support::narrow(name).c_str(), value);
  });
}
