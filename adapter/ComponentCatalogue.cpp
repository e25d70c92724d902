// The package's component list read, checked and stored with the case, each component
// identified with a host component (by CAS number, then by CompId, else as a hypothetical
// component), and the per-component flags of the component page.
#include "adapter/ComponentCatalogue.h"

#include <string>
#include <vector>

#include "adapter/ComponentBasis.h"
#include "adapter/ComponentValues.h"
#include "adapter/HostComponentTable.h"
#include "adapter/HostImport.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::ComPtr;
using support::SetGet;
using support::Variant;
using namespace component_values;

namespace {

constexpr wchar_t kComponentsChanged[] =
    L"The components supported now by the Property Package are not the same, as when the case was saved. Options "
    L"about components have been reset to their default values";

constexpr double kReplacement = 1e30;        // stands for an invalid value of the package's lists

std::wstring number(double value) { return support::widen(SetGet::valueToStr(VT_R8, &value)); }

}  // namespace

ComponentCatalogue::ComponentCatalogue(AdapterSide& adapter, COVCOError& errors, PkgConfig& config,
                                       PackageObjects& objects, ComponentBasis& basis, HostImport& import)
    : m_adapter(adapter), m_errors(errors), m_config(config), m_objects(objects), m_basis(basis), m_import(import) {}

// ---- Reading the package's component list (CAPE-OPEN thread) ----

HRESULT ComponentCatalogue::readComponentList() {
  return support::complainingOfFailure(
      m_errors, {"reading the package's component list", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    m_recalledOptionsKept = false;
    m_basis.forgetConstants();
    HRESULT hr = requestComponentList();
    if (FAILED(hr)) return hr;
    checkComponentLists();
    m_basis.noteStateSize(static_cast<int>(listCount()));
    replaceInvalidValues(m_lists.boilTemps, L"boilTemps");
    replaceInvalidValues(m_lists.molWts, L"molwt");
    if (m_adapter.recalling()) {
      hr = compareRecalledComponents();
      if (FAILED(hr)) return hr;
    }
    storeComponentLists();
    return identifyAll();
  });
}

HRESULT ComponentCatalogue::requestComponentList() {
  m_lists.clear();
  ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = m_objects.package.get(package);
  if (SUCCEEDED(hr) && !package) hr = E_POINTER;
  if (SUCCEEDED(hr))
    hr = package->GetComponentList(m_lists.ids.out(), m_lists.formulae.out(), m_lists.names.out(),
                                   m_lists.boilTemps.out(), m_lists.molWts.out(), m_lists.casNos.out());
  if (SUCCEEDED(hr)) return hr;
  m_lists.clear();
  hr = m_errors.complainError(L"requesting GetComponentList method", hr, package.Get(), Calculating::no);
  return FAILED(hr) ? hr : S_OK;
}

long ComponentCatalogue::listCount() const { return SetGet::elementCount(m_lists.ids.get()); }

void ComponentCatalogue::checkComponentLists() {
  if (m_lists.ids.vt() != VT_EMPTY) checkList(m_lists.ids, VT_BSTR, SetGet::elementCount(m_lists.ids.get()), "compIds");
  const long n = listCount();
  checkList(m_lists.formulae, VT_BSTR, n, "formulae");
  checkList(m_lists.names, VT_BSTR, n, "name");
  checkList(m_lists.boilTemps, VT_R8, n, "boilTemps");
  checkList(m_lists.molWts, VT_R8, n, "molwt");
  checkList(m_lists.casNos, VT_BSTR, n, "casno");
}

// A list of the wrong type or size is reported and emptied (a package without components may
// leave all of them empty).
void ComponentCatalogue::checkList(Variant& list, VARTYPE vt, long count, const char* name) {
  if (count == 0 && list.vt() == VT_EMPTY) return;
  if (list.vt() == (VT_ARRAY | vt) && SetGet::dimCount(list.get()) == 1 && SetGet::elementCount(list.get()) == count)
    return;
  const std::string text = std::string("importing compound property '") + name + "'. ";
  m_errors.complain(E_FAIL, text.c_str(), CkNONSTANDARD, Calculating::no);
  list.reset();
}

void ComponentCatalogue::replaceInvalidValues(Variant& list, const wchar_t* name) {
  if (list.vt() != (VT_ARRAY | VT_R8)) return;
  const long lb = SetGet::lbound(list.get());
  for (long k = 0; k < SetGet::elementCount(list.get()); ++k) {
    const double old = SetGet::getDouble(list.get(), lb + k);
    if (isValidValue(old)) continue;
    const double replacement = old > 0 ? kReplacement : -kReplacement;
    SetGet::putDouble(list.get(), lb + k, replacement);
    const std::wstring line = L"Compount " + listText(m_lists.ids, k) + L" does not provide a valid value (" +
                              number(old) + L") for property " + name + L". Value " + number(replacement) +
                              L" will be used instead.";
    m_adapter.addReportText(line.c_str(), true);
  }
}

HRESULT ComponentCatalogue::compareRecalledComponents() {
  const Variant ids = valueOf(m_config.m_SelectedCompIds);
  const Variant casNos = valueOf(m_config.m_SelectedCompCASNos);
  if (support::equals(ids.get(), m_lists.ids.get()) && support::equals(casNos.get(), m_lists.casNos.get())) {
    m_recalledOptionsKept = true;
    return S_OK;
  }
  m_componentsChanged = true;
  return m_adapter.addReportText(kComponentsChanged, true);
}

// The lists as host variables; a failing store is reported by the variable and the import goes on.
// The component ids are stored too, so that a list read again after the package's own view is
// the one a later recall compares with.
void ComponentCatalogue::storeComponentLists() {
  m_config.m_SelectedCompIds.setValue(listOrEmpty(m_lists.ids, VT_BSTR).get());
  m_config.m_SelectedCompFormulas.setValue(listOrEmpty(m_lists.formulae, VT_BSTR).get());
  m_config.m_SelectedCompNames.setValue(listOrEmpty(m_lists.names, VT_BSTR).get());
  m_config.m_SelectedCompCASNos.setValue(listOrEmpty(m_lists.casNos, VT_BSTR).get());
  m_config.m_SelectedCompBoilTemps.setValue(listOrEmpty(m_lists.boilTemps, VT_R8).get());
  m_config.m_SelectedCompMolWts.setValue(listOrEmpty(m_lists.molWts, VT_R8).get());
}

HRESULT ComponentCatalogue::identifyAll() {
  const long n = listCount();
  const bool kept = m_recalledOptionsKept;
  if (!kept) {
    writeTexts(m_config.m_SelectedCompOvNames, std::vector<std::wstring>(n));
    writeTexts(m_config.m_MatchedBy, std::vector<std::wstring>(n));
  }
  HRESULT hr = writeReals(m_config.m_SelectedIDNumbers, std::vector<double>(n, 0.0));
  if (FAILED(hr)) return hr;
  std::vector<long> hostIds(n, -1);
  for (long i = 0; i < n; ++i) {
    std::wstring kind;
    const int id = identifyComponent(i, true, kind);
    hostIds[i] = id;
    m_config.m_SelectedIDNumbers.setReal(i, id);
    if (kept) continue;
    m_config.m_MatchedBy.setText(i, kind.c_str());
    const std::wstring hostName = host_components::nameOfId(id);
    if (!hostName.empty()) m_config.m_SelectedCompOvNames.setText(i, hostName.c_str());
  }
  if (m_componentsChanged) m_config.m_UserSelectedCompOvNames.setValue(valueOf(m_config.m_SelectedCompOvNames).get());
  // Until the host gives its basis, host positions are the package's.
  m_basis.followPackageOrder(hostIds, listOrEmpty(m_lists.ids, VT_BSTR));
  // A package whose components changed (a recall, or its own view) gets flags of its new size.
  const size_t count = static_cast<size_t>(n);
  if (realsOf(valueOf(m_config.m_SelectedFlags).get()).size() != count ||
      realsOf(valueOf(m_config.m_HypoFlags).get()).size() != count)
    return setDefaultFlags();
  return S_OK;
}

// ---- Identification ----

void ComponentCatalogue::sendReport(std::wstring& text, bool lineComplete) {
  m_adapter.addReportText(text.c_str(), lineComplete);
  text.clear();
}

int ComponentCatalogue::identifyComponent(int i, bool verbose, std::wstring& kind) {
  try {
    const std::wstring compId = listText(m_lists.ids, i);
    const std::wstring cas = listText(m_lists.casNos, i);
    const std::vector<double> idNumbers = readReals(m_config.m_SelectedIDNumbers, listCount());
    std::wstring text;
    if (verbose) text = L"The " + std::to_wstring(i + 1) + L" component (" + compId + L") ";

    kind = kNoMatching;
    int id = host_components::idByCas(cas.c_str());
    const bool casFound = id >= 0;
    if (casFound) {
      kind = kByCas;
      duplicateRuleKeeps(i, id, verbose, text, kind, idNumbers);
    }
    if (kind != kByCas) {
      if (verbose && !casFound) {
        text += L"does not provide a supported CASNumber (" + cas + L"). ";
        sendReport(text, false);
      }
      id = host_components::idByName(compId.c_str());
      if (id >= 0) {
        kind = kByCompId;
        if (duplicateRuleKeeps(i, id, verbose, text, kind, idNumbers)) text += L"Identified through its CompId. ";
      } else {
        id = identifyOutsideLibrary(i, text, kind, idNumbers);
      }
    }
    if (kind == kNoMatching) {
      text += L"Its CompId '" + compId + L"' not supported either. " + kResourceAsHypothetical;
      id = -1;
    }
    if (verbose && !text.empty()) sendReport(text, true);
    return id;
  } catch (...) {
    m_errors.complain(E_FAIL, "identifying a component", CkINTERNAL, Calculating::no);
    kind = kNoMatching;
    return -1;
  }
}

bool ComponentCatalogue::duplicateRuleKeeps(int i, int id, bool verbose, std::wstring& text, std::wstring& kind,
                                    const std::vector<double>& idNumbers) {
  if (id == -1) return true;
  for (int j = 0; j < i && static_cast<size_t>(j) < idNumbers.size(); ++j) {
    if (idNumbers[j] != id) continue;
    if (verbose) {
      text += L" has the same " + kind + L" as the " + std::to_wstring(j + 1) + L" component. ";
      sendReport(text, false);
    }
    kind = kNoMatching;
    return false;
  }
  return true;
}

// Neither the CAS number nor the CompId is in the host's library: the host component stored
// for the position when it still fits, else a hypothetical component named after the CompId.
int ComponentCatalogue::identifyOutsideLibrary(int i, std::wstring& text, std::wstring& kind,
                                       const std::vector<double>& idNumbers) {
  const size_t n = static_cast<size_t>(listCount());
  const std::wstring stored = elementOr(readTexts(m_config.m_SelectedCompOvNames, n), i, std::wstring());
  const double hypoFlag = elementOr(readReals(m_config.m_HypoFlags, n), i, 0.0);
  const bool agrees = (elementOr(idNumbers, i, 0.0) >= kFirstHypotheticalId) == (hypoFlag != 0);
  int hostId = -1;
  if (!stored.empty() && agrees && m_import.findHostComponent(stored, hostId)) {
    kind = elementOr(readTexts(m_config.m_MatchedBy, n), i, std::wstring(kNoMatching));
    return hostId;
  }
  std::wstring name = listText(m_lists.ids, i);
  if (!endsWithStar(name)) name += L'*';
  hostId = -1;
  m_import.createHypothetical(name, hostId);
  m_config.m_SelectedCompOvNames.setText(i, name.c_str());
  if (hostId < 0) return -1;
  text += L"Identified through its CompId as a component added to ORVEX databank. ";
  kind = kByCompId;
  return hostId;
}

// The host fluid package's component of that name; false when there is none.

// ---- Flags ----

HRESULT ComponentCatalogue::setDefaultFlags() {
  return support::complainingOfFailure(
      m_errors, {"setting the component flags", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    const size_t n = static_cast<size_t>(listCount());
    const std::vector<double> recalledSelection = realsOf(valueOf(m_config.m_SelectedFlags).get());
    std::vector<double> hypo(n, 0.0);
    HRESULT hr = S_OK;
    if (!m_adapter.recalling() || recalledSelection.empty() || recalledSelection.size() != n || m_componentsChanged) {
      hr = writeReals(m_config.m_SelectedFlags, std::vector<double>(n, 1.0));
    } else {
      hypo = readReals(m_config.m_HypoFlags, n, 0.0);
    }
    if (FAILED(hr)) return hr;
    const std::vector<std::wstring> matchedBy = readTexts(m_config.m_MatchedBy, n);
    for (size_t i = 0; i < n; ++i)
      if (support::sameText(matchedBy[i], kNoMatching)) hypo[i] = 1.0;
    return writeReals(m_config.m_HypoFlags, hypo);
  });
}

HRESULT ComponentCatalogue::checkRepeatedIds() {
  const std::vector<std::wstring> ids = textsOf(m_lists.ids.get());
  for (size_t i = 0; i < ids.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (support::sameText(ids[i], ids[j])) {
        const std::wstring line = std::wstring(kResourceIdsRepeated) + kResourceContactVendor;
        return m_adapter.addReportText(line.c_str(), true);
      }
  return S_OK;
}


// ---- The lists ----

std::wstring ComponentCatalogue::idAt(long i) const { return listText(m_lists.ids, i); }
std::wstring ComponentCatalogue::casAt(long i) const { return listText(m_lists.casNos, i); }
std::wstring ComponentCatalogue::formulaAt(long i) const { return listText(m_lists.formulae, i); }
double ComponentCatalogue::molecularWeightAt(long i) const { return listReal(m_lists.molWts, i); }
double ComponentCatalogue::boilingPointAt(long i) const { return listReal(m_lists.boilTemps, i); }

void ComponentCatalogue::ComponentLists::clear() {
  ids.reset();
  formulae.reset();
  names.reset();
  boilTemps.reset();
  molWts.reset();
  casNos.reset();
}
