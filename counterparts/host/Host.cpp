#include <fstream>
#include <iterator>

#include "counterparts/host/HostObjects.h"
#include "counterparts/host/HostState.h"
#include "support/Text.h"

namespace orvexhost {

Host::Host(const std::wstring& definitionText, const std::wstring& libraryPath)
    : m_state(std::make_shared<HostState>(definitionText, libraryPath)) {}

Host::~Host() = default;

HRESULT Host::container(ExtnContainer** out) { return makeContainer(m_state, out); }

HRESULT Host::variableArgument(const std::wstring& name, const VARIANT& value, ExtnVariableArgument** out) {
  return makeVariableArgument(m_state, name, value, out);
}

std::vector<CallRecord> Host::calls() const {
  support::Lock lock(m_state->guard);
  return m_state->calls;
}

std::vector<CallRecord> Host::calls(const std::wstring& operation) const {
  std::vector<CallRecord> matching;
  for (auto& c : calls())
    if (c.operation == operation) matching.push_back(c);
  return matching;
}

void Host::clearCalls() {
  support::Lock lock(m_state->guard);
  m_state->calls.clear();
}

void Host::failWith(const std::wstring& operation, HRESULT hr) {
  support::Lock lock(m_state->guard);
  if (hr == S_OK)
    m_state->failures.erase(operation);
  else
    m_state->failures[operation] = hr;
}

void Host::setCaseFile(const std::wstring& path) { m_state->caseFile = path; }

HRESULT Host::loadCase(const std::wstring& path) {
  std::ifstream in(support::narrow(path), std::ios::binary);
  if (!in) return STG_E_FILENOTFOUND;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return m_state->restoreCase(support::widen(text));
}

std::size_t Host::libraryCount() const { return m_state->library.size(); }

long Host::libraryId(const std::wstring& name) const {
  const LibraryEntry* e = m_state->findLibrary(name.c_str());
  return e ? e->id : -1;
}

std::wstring Host::libraryCas(long id) const {
  for (const auto& e : m_state->library)
    if (e.id == id) return e.cas;
  return L"";
}

std::vector<std::wstring> Host::traceLines() const { return m_state->trace; }
std::vector<std::wstring> Host::shownViews() const { return m_state->views; }
std::wstring Host::packageAlias() const { return m_state->alias; }
long Host::solverEnabled() const { return m_state->solverEnabled; }
DWORD Host::threadId() const { return m_state->hostThread; }

std::vector<HypoSnapshot> Host::hypotheticals() const {
  std::vector<HypoSnapshot> list;
  for (const auto& h : m_state->hypos) list.push_back({h->id, h->name, h->properties, h->completed});
  return list;
}

bool pumpUntil(HANDLE handle) {
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace orvexhost

namespace orvexhost {

std::wstring propertyPackageDefinition() {
  static const wchar_t* const kDeclarations[] = {
      L"text PropPackName",           L"text PropSysName",
      L"text PropPackAlias",          L"text PropSysAlias",
      L"textarray SelectedProperties", L"textarray SelectedPhases",
      L"textarray SelectedCompIds",   L"real ComponentsSource",
      L"real ValidationMode",         L"realarray SelectedFlags",
      L"realarray HypoFlags",         L"text ComponentsMessage",
      L"text ImportReport",           L"textarray SelectedCompFormulas",
      L"textarray SelectedCompNames", L"textarray SelectedCompCASNos",
      L"realarray SelectedCompBoilTemps", L"realarray SelectedCompMolWts",
      L"textarray MatchedBy",         L"textarray SelectedCompOvNames",
      L"textarray UserSelectedCompOvNames", L"realarray SelectedIDNumbers",
      L"text TextMessage",            L"text KitVersion",
      // The component page's command variables.
      L"text CustomView",             L"text RefreshHypos",
      L"text CloseDefaultView"};
  std::wstring text;
  for (const wchar_t* line : kDeclarations) text += std::wstring(line) + L"\n";
  return text;
}

}  // namespace orvexhost
