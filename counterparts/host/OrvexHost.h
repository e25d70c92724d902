#pragma once
// The host simulator counterpart: one case with its extension container.
//
// Threading: the thread that constructs a Host is the host thread. It must be a single-threaded
// apartment; every host object lives there. Other apartments reach the container through the
// global interface table (the OrvexHost type library must be registered), and their calls are
// then delivered as window messages: the host thread must pump while it waits for them, which
// pumpUntil does.
//
// Extension definition text: one declared variable per line, "<kind> <name>" with kind one of
// text, real, realarray, textarray, optionally followed by "unusable"; blank lines and lines
// starting with '#' are skipped. Names left out are not declared (FindVariable fails).
//
// Every call into the host is recorded with its operation name, its arguments as text, the
// calling thread and its result. failWith(operation, hr) makes that operation answer hr (without
// doing anything) until it is cleared with S_OK.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

#include "OvHost.h"

namespace orvexhost {

struct HostState;

struct CallRecord {
  std::wstring operation;
  std::wstring arguments;
  DWORD threadId;
  HRESULT result;
};

// A property set on a hypothetical component, as the host received it.
struct HypoSnapshot {
  long id = 0;
  std::wstring name;
  std::vector<std::pair<std::wstring, std::wstring>> properties;  // in the order they were set
  bool completed = false;
};

class Host {
 public:
  // libraryPath: the component library file; empty = OvpCASnos.txt beside the executable.
  explicit Host(const std::wstring& definitionText, const std::wstring& libraryPath = L"");
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The container handed to the extension (AddRef'ed).
  HRESULT container(ExtnContainer** out);
  // The argument of a variable event (VariableChanging / VariableChanged / VariableQuery) about
  // the declared variable name; value is the new or current value. E_INVALIDARG when undeclared.
  HRESULT variableArgument(const std::wstring& name, const VARIANT& value, ExtnVariableArgument** out);

  // Recording and failure injection.
  std::vector<CallRecord> calls() const;
  std::vector<CallRecord> calls(const std::wstring& operation) const;
  void clearCalls();
  void failWith(const std::wstring& operation, HRESULT hr);

  // Case store: Save writes every set variable to the case file; loadCase reads one back, as the
  // host does when it recalls a case (unknown names are ignored).
  void setCaseFile(const std::wstring& path);
  HRESULT loadCase(const std::wstring& path);

  // What the extension did to the host.
  std::size_t libraryCount() const;
  long libraryId(const std::wstring& name) const;  // -1 when the library has no such name
  std::wstring libraryCas(long id) const;
  std::vector<std::wstring> traceLines() const;
  std::vector<std::wstring> shownViews() const;  // "Show <name>" / "Refresh <name>" in order
  std::wstring packageAlias() const;
  long solverEnabled() const;  // -1 until the extension sets it
  std::vector<HypoSnapshot> hypotheticals() const;
  DWORD threadId() const;

 private:
  std::shared_ptr<HostState> m_state;
};

// The extension definition the host declares for a CAPE-OPEN property package extension: the 23
// variables stored with the case (in the extension's binding order), "KitVersion", and the
// component page's command variables "CustomView", "RefreshHypos" and "CloseDefaultView".
std::wstring propertyPackageDefinition();

// Waits for the handle while dispatching the thread's messages (incoming COM calls included).
// Returns false when the wait itself fails.
bool pumpUntil(HANDLE handle);

}  // namespace orvexhost
