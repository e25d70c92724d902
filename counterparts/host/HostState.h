#pragma once
// The host's inner state, shared by the host's COM objects and the Host facade.
#include <windows.h>
#include <oaidl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "counterparts/host/OrvexHost.h"
#include "support/Raii.h"

namespace orvexhost {

enum class VariableKind { Text, Real, RealArray, TextArray };

struct Variable {
  std::wstring name;
  VariableKind kind;
  bool usable = true;
  support::Variant value;  // VT_EMPTY until set
};

struct LibraryEntry {
  long id;
  std::wstring name;
  std::wstring cas;
};

struct ComponentData {
  long id = 0;
  std::wstring name;
  bool hypothetical = false;
  std::vector<std::pair<std::wstring, std::wstring>> properties;
  bool completed = false;
};
using ComponentPtr = std::shared_ptr<ComponentData>;

constexpr long kFirstHypoId = 20000;

struct HostState {
  HostState(const std::wstring& definitionText, const std::wstring& libraryPath);

  // Records the call and answers an injected failure; S_OK means "go on".
  HRESULT enter(const wchar_t* operation, const std::wstring& arguments);
  void finish(HRESULT hr);
  // The common frame of every host method: record, inject, run, catch.
  template <class Body>
  HRESULT call(const wchar_t* operation, const std::wstring& arguments, Body body) {
    HRESULT hr = enter(operation, arguments);
    if (SUCCEEDED(hr)) {
      try {
        hr = body();
      } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
      } catch (...) {
        hr = E_UNEXPECTED;
      }
    }
    finish(hr);
    return hr;
  }

  Variable* findVariable(const wchar_t* name);
  const LibraryEntry* findLibrary(const wchar_t* name) const;
  ComponentPtr findHypo(const std::wstring& name) const;
  ComponentPtr newHypo(const std::wstring& wanted);

  std::wstring saveCase() const;  // the case as text
  HRESULT restoreCase(const std::wstring& text);

  mutable support::CriticalSection guard;
  DWORD hostThread;
  std::vector<CallRecord> calls;
  std::map<std::wstring, HRESULT> failures;
  std::vector<Variable> variables;
  std::vector<LibraryEntry> library;
  std::vector<ComponentPtr> components;  // the fluid package's collection
  std::vector<ComponentPtr> hypos;       // the hypothetical group
  long nextHypoId = kFirstHypoId;
  std::vector<std::wstring> trace;
  std::vector<std::wstring> views;
  std::wstring alias;
  std::wstring caseFile;
  long solverEnabled = -1;
};

// Text helpers shared by the objects.
std::wstring quoted(const wchar_t* text);
std::wstring number(double value);

}  // namespace orvexhost
