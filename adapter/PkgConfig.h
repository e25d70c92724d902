#pragma once
// The adapter's configuration: the 23 host variables the host stores with the case, their
// binding to the host container, the save text that holds all of them in one string, and the
// access to single variables by name. Owned by the adapter; used on the host thread.
//
// Save text: "%3d :" (the entry count), then for every persisted variable in registration order
// "<name> : <length of value text> : <value text> , ". Nothing here throws.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <utility>
#include <vector>

#include "errors/CCOError.h"
#include "OvHost.h"
#include "hostvars/OvVar.h"
#include "support/Raii.h"

class PkgConfig {
 public:
  // The package and Thermo System the configuration names (variables 1-4).
  struct Selection {
    support::Bstr packageName;
    support::Bstr systemName;
    support::Bstr packageAlias;
    support::Bstr systemAlias;
  };

  PkgConfig();
  PkgConfig(const PkgConfig&) = delete;
  PkgConfig& operator=(const PkgConfig&) = delete;

  // Binds every variable through the container's extension definition (none: all stay unbound),
  // empties the import report, zeroes ComponentsSource and ValidationMode unless recalling, and
  // writes the two help texts. An exception is complained of through errors.
  HRESULT bindAll(ExtnContainer* container, bool recalling, CCOError& errors);

  // The save text of all persisted variables (null when there is none).
  HRESULT save(BSTR* out);
  // The same into an [in,out] string: the caller's text is freed and replaced when saving
  // succeeded, and left as it was when it failed.
  HRESULT saveInto(BSTR* inOut);
  // Gives each persisted variable its entry's value; a missing entry is reported and the
  // variable keeps its value. The last restore's result; E_FAIL when nothing could be restored.
  HRESULT restore(BSTR text);
  // A recall of a saved text: bind all (recalling), restore, load the selection.
  HRESULT recall(ExtnContainer* container, BSTR text, CCOError& errors);
  // Reads variables 1-4 into the selection; the first failure is returned after all four.
  HRESULT loadSelection();
  const Selection& selection() const { return m_selection; }
  Selection& selection() { return m_selection; }

  // The value of the variable of that name; "IDNumbers" (any case) answers a copy of hostIds
  // (null: an empty VARIANT). E_FAIL for names without a variable.
  HRESULT getValue(BSTR name, VARIANT* out, const VARIANT* hostIds) const;
  HRESULT setValue(BSTR name, const VARIANT& value);

  // The value text of the entry called name (compared case-insensitively) in a save text;
  // false when the text holds no such entry or is malformed before it.
  static bool findEntry(const wchar_t* text, UINT length, const std::string& name, std::wstring& value);

  OvVarSet& vars() { return m_set; }

  // The persisted variables, in binding order.
  OvTextVar m_PropPackName;
  OvTextVar m_PropSysName;
  OvTextVar m_PropPackAlias;
  OvTextVar m_PropSysAlias;
  OvTextFlexVar m_SelectedProperties;
  OvTextFlexVar m_SelectedPhases;
  OvTextFlexVar m_SelectedCompIds;
  OvRealVar m_ComponentsSource;
  OvRealVar m_ValidationMode;
  OvRealFlexVar m_SelectedFlags;
  OvRealFlexVar m_HypoFlags;
  OvTextVar m_ComponentsMessage;
  OvTextVar m_ImportReport;
  OvTextFlexVar m_SelectedCompFormulas;
  OvTextFlexVar m_SelectedCompNames;
  OvTextFlexVar m_SelectedCompCASNos;
  OvRealFlexVar m_SelectedCompBoilTemps;
  OvRealFlexVar m_SelectedCompMolWts;
  OvTextFlexVar m_MatchedBy;
  OvTextFlexVar m_SelectedCompOvNames;
  OvTextFlexVar m_UserSelectedCompOvNames;
  OvRealFlexVar m_SelectedIDNumbers;
  OvTextVar m_TextMessage;

  // The help texts written at every binding.
  static const wchar_t kComponentsHelp[];
  static const wchar_t kCancelledHelp[];

 private:
  HRESULT bindSteps(ExtnContainer* container, bool recalling);
  void bindVariables();

  // Declared last: the wrappers unregister from it, or it detaches them, whichever goes first.
  OvVarSet m_set;
  std::vector<std::pair<OvVar*, const char*>> m_table;
  Selection m_selection;
};
