// The guards of the component page (host thread).
#include "adapter/ComponentPage.h"

#include <string>
#include <vector>

#include "adapter/ComponentCatalogue.h"
#include "adapter/ComponentValues.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Guards.h"

using support::Variant;
using namespace component_values;

namespace {

constexpr wchar_t kUnselectSome[] = L"Unselect some of them and try again. ";
constexpr char kOnlyAsHypothetical[] =
    "This component could not be succesfully identified. It may only be imported as hypothetical component.";

}  // namespace

ComponentPage::ComponentPage(AdapterSide& adapter, COVCOError& errors, PkgConfig& config,
                             const ComponentCatalogue& catalogue)
    : m_adapter(adapter), m_errors(errors), m_config(config), m_catalogue(catalogue) {}

HRESULT ComponentPage::guardVariableChange(const std::wstring& name, const VARIANT& newValue, VARIANT_BOOL* changing) {
  return support::complainingOfFailure(
      m_errors, {"checking a variable change", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (support::sameText(name, L"HypoFlags")) return guardHypoFlags(newValue, changing);
    if (support::sameText(name, L"CloseDefaultView")) return guardCloseView(changing);
    return S_OK;  // SelectedFlags and every other variable may change
  });
}

// A component that could not be identified stays hypothetical.
HRESULT ComponentPage::guardHypoFlags(const VARIANT& newValue, VARIANT_BOOL* changing) {
  const std::vector<double> flags = realsOf(newValue);
  const std::vector<std::wstring> matchedBy = readTexts(m_config.m_MatchedBy, flags.size());
  for (size_t i = 0; i < flags.size(); ++i) {
    if (flags[i] != 0 || !support::sameText(matchedBy[i], kNoMatching)) continue;
    if (changing) *changing = VARIANT_FALSE;
    support::showReportBox(kOnlyAsHypothetical, m_adapter.ownerWindow());
    return S_OK;
  }
  return S_OK;
}

// The page may close only when no two selected components share a component id.
HRESULT ComponentPage::guardCloseView(VARIANT_BOOL* changing) {
  const std::vector<std::wstring> ids = textsOf(m_catalogue.ids());
  const std::vector<double> selected = readReals(m_config.m_SelectedFlags, ids.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    if (selected[i] != 1.0) continue;
    for (size_t j = 0; j < i; ++j) {
      if (selected[j] != 1.0 || !support::sameText(ids[i], ids[j])) continue;
      if (changing) *changing = VARIANT_FALSE;
      const std::string text = support::narrow(std::wstring(kResourceIdsRepeated) + kUnselectSome);
      m_errors.complainKind(text.c_str(), CkPLAIN4, Calculating::no);
      return S_OK;
    }
  }
  return S_OK;
}
