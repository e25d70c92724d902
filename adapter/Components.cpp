// The package's components as the host sees them: reading the package's component list,
// identifying each component with a host component (by CAS number, then by CompId, else as a
// hypothetical component), the guards and actions of the component page, the import of the
// selection into the host fluid package, the hypothetical components made from the package's
// constants, the host's basis handed to the material object (setComps) and the package's
// constants as doubles (getCompConstantDbl).
//
// Positions: the per-component host variables and the package's lists are in the package's
// order ("package positions"). The material-object ids and the host ids ("IDNumbers") are per
// host position once the host has given its basis (setComps); until then both orders are the
// same.
#include "adapter/CVBPropPkg.h"

#include <atomic>
#include <cmath>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "matobj/CMatObj.h"
#include "adapter/HostComponentTable.h"
#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::Bstr;
using support::ComPtr;
using support::SetGet;
using support::Variant;

namespace {

// The match kinds stored in MatchedBy.
constexpr wchar_t kByCas[] = L"CASNumber";
constexpr wchar_t kByCompId[] = L"CompId";
constexpr wchar_t kNoMatching[] = L"No matching";

// The module's string resources 103-106 (the same texts as its string table). 103 is kept with
// the others; no identification text uses it.
constexpr wchar_t kResourceByCompId[] = L"It'll be interpreted through its CompId. ";                  // 103
constexpr wchar_t kResourceAsHypothetical[] = L"It'll be interpreted as a Hypothetical component. ";  // 104
constexpr wchar_t kResourceContactVendor[] = L"Contact this component's vendor. ";                    // 105
constexpr wchar_t kResourceIdsRepeated[] =
    L"The components cannot be uniquely identified since some of their CompId fields have repeated values. ";  // 106

constexpr wchar_t kComponentsChanged[] =
    L"The components supported now by the Property Package are not the same, as when the case was saved. Options "
    L"about components have been reset to their default values";
constexpr wchar_t kUnselectSome[] = L"Unselect some of them and try again. ";
constexpr char kOnlyAsHypothetical[] =
    "This component could not be succesfully identified. It may only be imported as hypothetical component.";
constexpr wchar_t kDeprecatedConstants[] =
    L"Warning: The package returns constant properties using an deprecated standard. Conversion performed "
    L"succesfully";
constexpr char kFluidPackage[] = "getting FluidPackage";
constexpr char kSetCompsFailed[] = "bug in CVBPropPkg::setComps";

constexpr int kFirstHypotheticalId = 20000;  // host ids of hypothetical components start here
constexpr double kNotAvailable = std::numeric_limits<double>::infinity();
constexpr double kHugeConstant = 1e31;       // a cached or answered constant above this is unusable
constexpr double kReplacement = 1e30;        // stands for an invalid value of the package's lists

std::atomic<bool> g_deprecatedConstantsWarned{false};

// Valid: not infinite, not the package's "missing" markers 1e35 and -1e35, and a number at all.
bool isValidValue(double v) { return std::isfinite(v) && v != 1e35 && v != -1e35; }

using support::textOf;

bool endsWithStar(const std::wstring& name) { return !name.empty() && name.back() == L'*'; }

std::wstring number(double value) { return support::widen(SetGet::valueToStr(VT_R8, &value)); }

// A one-dimensional array's elements as texts (strings, or VARIANTs holding strings); anything
// else gives none.
std::vector<std::wstring> textsOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (SetGet::dimCount(v) != 1) return out;
  const long lb = SetGet::lbound(v);
  const long n = SetGet::elementCount(v);
  for (long k = 0; k < n; ++k) {
    if (v.vt == (VT_ARRAY | VT_BSTR)) {
      out.push_back(textOf(SetGet::getString(v, lb + k)));
    } else if (v.vt == (VT_ARRAY | VT_VARIANT)) {
      const VARIANT element = SetGet::getVariant(v, lb + k);  // the array's own
      out.push_back(element.vt == VT_BSTR ? textOf(element.bstrVal) : std::wstring());
    } else {
      return {};
    }
  }
  return out;
}

// A one-dimensional array's elements as doubles (doubles, integers, or VARIANTs convertible to a
// double, NaN where not); anything else gives none.
std::vector<double> realsOf(const VARIANT& v) {
  std::vector<double> out;
  if (SetGet::dimCount(v) != 1) return out;
  const long lb = SetGet::lbound(v);
  const long n = SetGet::elementCount(v);
  for (long k = 0; k < n; ++k) {
    if (v.vt == (VT_ARRAY | VT_R8)) {
      out.push_back(SetGet::getDouble(v, lb + k));
    } else if (v.vt == (VT_ARRAY | VT_I4)) {
      out.push_back(SetGet::getLong(v, lb + k));
    } else if (v.vt == (VT_ARRAY | VT_VARIANT)) {
      VARIANT element = SetGet::getVariant(v, lb + k);
      Variant real;
      const bool ok = SUCCEEDED(VariantChangeType(&real.get(), &element, 0, VT_R8));
      out.push_back(ok ? real.get().dblVal : std::numeric_limits<double>::quiet_NaN());
    } else {
      return {};
    }
  }
  return out;
}

template <class Var>
Variant valueOf(Var& var) {
  Variant value;
  var.getValue(value.out());
  return value;
}

// The variable's elements, made exactly n long (missing ones: fill).
std::vector<std::wstring> readTexts(OvTextFlexVar& var, size_t n) {
  std::vector<std::wstring> values = textsOf(valueOf(var).get());
  values.resize(n);
  return values;
}

std::vector<double> readReals(OvRealFlexVar& var, size_t n, double fill = 0.0) {
  std::vector<double> values = realsOf(valueOf(var).get());
  values.resize(n, fill);
  return values;
}

HRESULT writeTexts(OvTextFlexVar& var, const std::vector<std::wstring>& values) {
  Variant array;
  const HRESULT hr = SetGet::fromStringList(array.get(), values);
  return FAILED(hr) ? hr : var.setValue(array.get());
}

HRESULT writeReals(OvRealFlexVar& var, const std::vector<double>& values) {
  Variant array;
  const HRESULT hr =
      SetGet::createFromBuffer(array.get(), VT_R8, values.data(), static_cast<long>(values.size()), true);
  return FAILED(hr) ? hr : var.setValue(array.get());
}

Variant longArray(const std::vector<long>& values) {
  Variant array;
  SetGet::createFromBuffer(array.get(), VT_I4, values.data(), static_cast<long>(values.size()), true);
  return array;
}

Variant textArray(const std::vector<std::wstring>& values) {
  Variant array;
  SetGet::fromStringList(array.get(), values);
  return array;
}

template <class T>
T elementOr(const std::vector<T>& values, size_t i, T fallback) {
  return i < values.size() ? values[i] : fallback;
}

// Element i (from the first) of one of the package's lists; "" or +inf when it has none.
std::wstring listText(const Variant& list, long i) {
  if (list.vt() != (VT_ARRAY | VT_BSTR) || i < 0 || i >= SetGet::elementCount(list.get())) return {};
  return textOf(SetGet::getString(list.get(), SetGet::lbound(list.get()) + i));
}

double listReal(const Variant& list, long i) {
  if (list.vt() != (VT_ARRAY | VT_R8) || i < 0 || i >= SetGet::elementCount(list.get())) return kNotAvailable;
  return SetGet::getDouble(list.get(), SetGet::lbound(list.get()) + i);
}

// A copy of the list, where an empty array of the list's type stands for a list that was emptied.
Variant listOrEmpty(const Variant& list, VARTYPE vt) {
  Variant result;
  if (list.vt() != (VT_ARRAY | vt))
    SetGet::Create(result.get(), vt, 0);
  else if (FAILED(result.copyFrom(list.get())))
    throw std::bad_alloc();
  return result;
}

std::vector<long> longsOf(const VARIANT& v) {
  std::vector<long> out;
  for (double d : realsOf(v)) out.push_back(std::isfinite(d) ? static_cast<long>(d) : -1);
  return out;
}

struct HostEntry {
  long id = -1;
  std::wstring name;
};

HRESULT readEntry(HostComponent* component, HostEntry& entry) {
  if (!component) return E_POINTER;
  HRESULT hr = component->get_ID(&entry.id);
  Bstr name;
  if (SUCCEEDED(hr)) hr = component->get_Name(name.out());
  entry.name = textOf(name.get());
  return hr;
}

// How a package constant becomes a property of the host's hypothetical component (host units:
// degrees C, kPa, m3/kmol, kg/m3).
struct ConstantSetting {
  const wchar_t* constant;
  double factor;
  double offset;
  bool timesMolecularWeight;
  HRESULT (STDMETHODCALLTYPE HostHypoComponent::*put)(double);
};

const ConstantSetting kConstantSettings[] = {
    {L"liquidDensityAt25C", 1e-3, 0.0, true, &HostHypoComponent::put_LiquidDensity},
    {L"standardFormationEnthalpyGas", 1.0, 0.0, false, &HostHypoComponent::put_FormationEnthalpyGas},
    {L"criticalTemperature", 1.0, -273.15, false, &HostHypoComponent::put_CriticalTemperature},
    {L"criticalPressure", 1e-3, 0.0, false, &HostHypoComponent::put_CriticalPressure},
    {L"criticalVolume", 1e3, 0.0, false, &HostHypoComponent::put_CriticalVolume},
    {L"acentricFactor", 1.0, 0.0, false, &HostHypoComponent::put_AcentricFactor},
};

}  // namespace

// ---- ExtnPropertyPackage and IPrivPropPkg members ----

STDMETHODIMP CVBPropPkg::PreSelectedComponents(int* IDNumbers) {
  try {
    const HRESULT hr = preselectComponents();
    const VARIANT& stored = m_preselected.get();
    if (!IDNumbers || SetGet::dimCount(stored) != 1) return hr;
    const VARTYPE vt = static_cast<VARTYPE>(stored.vt & ~VT_ARRAY);
    if (vt != VT_I2 && vt != VT_I4) return hr;
    const long lb = SetGet::lbound(stored);
    for (long i = lb; i <= SetGet::ubound(stored); ++i) {
      LONG index = i;
      LONG wide = 0;
      SHORT narrow = 0;
      const HRESULT got = SafeArrayGetElement(stored.parray, &index, vt == VT_I2 ? static_cast<void*>(&narrow) : &wide);
      if (FAILED(got)) return bridge::reportUnexpected(got);
      IDNumbers[i - lb] = vt == VT_I2 ? narrow : wide;
    }
    return hr;
  } catch (...) {
    return m_errors.complain(E_FAIL, "answering the preselected components", CkINTERNAL, false);
  }
}

STDMETHODIMP CVBPropPkg::EndBasisChange(VARIANT_BOOL* changed) {
  try {
    const HRESULT hr = readHostBasis();
    if (FAILED(hr)) return hr;
    if (changed) *changed = VARIANT_TRUE;
    return S_OK;
  } catch (...) {
    return m_errors.complain(E_FAIL, "reading the host's components", CkINTERNAL, false);
  }
}

STDMETHODIMP CVBPropPkg::getCompConstantDbl(BSTR prop, LONG compPos, double* value) {
  if (!value) return E_POINTER;
  try {
    *value = componentConstant(textOf(prop).c_str(), compPos);
    return isValidValue(*value) ? S_OK : E_FAIL;
  } catch (...) {
    return m_errors.complain(E_FAIL, "getCompConstantDbl", CkINTERNAL, false);
  }
}

STDMETHODIMP CVBPropPkg::setComps(VARIANT selectedOvNames) {
  try {
    const VARIANT& given =
        selectedOvNames.vt == (VT_BYREF | VT_VARIANT) && selectedOvNames.pvarVal ? *selectedOvNames.pvarVal
                                                                                : selectedOvNames;
    if (SetGet::dimCount(given) != 1) return E_INVALIDARG;
    const std::vector<std::wstring> names = textsOf(given);
    if (names.size() != static_cast<size_t>(SetGet::elementCount(given))) return E_INVALIDARG;
    const bool hostPresent = static_cast<bool>(container());
    // The material object asks the package for the constants of new compounds: on its thread,
    // never while a request is running.
    return m_bridge.runOnThread([&] { return applyComponentNames(names, hostPresent); });
  } catch (...) {
    return m_errors.complain(E_FAIL, kSetCompsFailed, CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::applyComponentNames(const std::vector<std::wstring>& names, bool hostPresent) {
  try {
    if (m_imatObj.registered()) {
      const HRESULT refused = m_bridge.refuseIfQuarantined();
      if (FAILED(refused)) return refused;
    }
    const size_t n = names.size();
    sizeComponentState(static_cast<int>(n));

    const long packageCount = listCount();
    const std::vector<std::wstring> ovNames = readTexts(m_config.m_SelectedCompOvNames, packageCount);
    const std::vector<double> idNumbers = readReals(m_config.m_SelectedIDNumbers, packageCount, -1.0);
    std::vector<std::wstring> ids(n);
    std::vector<long> hostIds(n, -1);
    for (size_t i = 0; i < n; ++i) {
      // The host's record of position i: its name and, from the host's library, its CAS number.
      const std::wstring& name = names[i];
      const int libraryId = host_components::idByName(name.c_str());
      std::wstring cas = hostPresent ? host_components::casOfId(libraryId) : std::wstring();
      ids[i] = name;
      hostIds[i] = libraryId;
      long k = -1;
      if (!cas.empty())
        for (long p = 0; p < packageCount && k < 0; ++p)
          if (support::sameText(listText(m_lists.casNos, p), cas)) k = p;
      if (k < 0)
        for (long p = 0; p < packageCount && k < 0; ++p)
          if (support::sameText(ovNames[p], name)) k = p;
      if (k >= 0) {
        ids[i] = listText(m_lists.ids, k);
        if (cas.empty()) cas = listText(m_lists.casNos, k);
        if (idNumbers[k] >= 0) hostIds[i] = static_cast<long>(idNumbers[k]);
        continue;
      }
      if (static_cast<long>(i) < packageCount) ids[i] = listText(m_lists.ids, static_cast<long>(i));
      const std::string text = "Since the component '" + support::narrow(name) +
                               "' does not provide a CASNumber, the package will only work if it is configured with "
                               "ALL the components provided and in the order provided by the package.";
      m_errors.complainKind(text.c_str(), CkPLAIN4, false);
    }
    m_matObjIds = textArray(ids);
    m_hostIds = longArray(hostIds);
    m_constants.clear();  // they were asked for the material object's former compounds

    ComPtr<IMatObj> material;
    HRESULT hr = materialInterface(material);
    if (FAILED(hr)) return bridge::reportUnexpected(hr);
    if (material) hr = material->setComps(m_matObjIds.get(), VARIANT_TRUE);
    publishCompounds();
    if (FAILED(hr)) return hr;
    const Variant userNames = textArray(names);
    return m_config.m_UserSelectedCompOvNames.setValue(userNames.get());
  } catch (...) {
    return m_errors.complain(E_FAIL, kSetCompsFailed, CkINTERNAL, false);
  }
}

// ---- What the CAPE-OPEN thread asks ----

bool CVBPropPkg::recallBasisNeeded() { return m_recalling && m_package.registered() && !m_componentsChanged; }

HRESULT CVBPropPkg::readRecalledBasis() { return readHostBasis(); }

// ---- Reading the package's component list (CAPE-OPEN thread) ----

HRESULT CVBPropPkg::readComponentList() {
  try {
    m_recalledOptionsKept = false;
    m_constants.clear();
    HRESULT hr = requestComponentList();
    if (FAILED(hr)) return hr;
    checkComponentLists();
    m_packageComponents = static_cast<int>(listCount());
    replaceInvalidValues(m_lists.boilTemps, L"boilTemps");
    replaceInvalidValues(m_lists.molWts, L"molwt");
    if (m_recalling) {
      hr = compareRecalledComponents();
      if (FAILED(hr)) return hr;
    }
    storeComponentLists();
    return identifyAll();
  } catch (...) {
    return m_errors.complain(E_FAIL, "reading the package's component list", CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::requestComponentList() {
  m_lists.clear();
  ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = m_package.get(package);
  if (SUCCEEDED(hr) && !package) hr = E_POINTER;
  if (SUCCEEDED(hr))
    hr = package->GetComponentList(m_lists.ids.out(), m_lists.formulae.out(), m_lists.names.out(),
                                   m_lists.boilTemps.out(), m_lists.molWts.out(), m_lists.casNos.out());
  if (SUCCEEDED(hr)) return hr;
  m_lists.clear();
  hr = m_errors.complainError(L"requesting GetComponentList method", hr, package.Get(), false);
  return FAILED(hr) ? hr : S_OK;
}

long CVBPropPkg::listCount() const { return SetGet::elementCount(m_lists.ids.get()); }

void CVBPropPkg::checkComponentLists() {
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
void CVBPropPkg::checkList(Variant& list, VARTYPE vt, long count, const char* name) {
  if (count == 0 && list.vt() == VT_EMPTY) return;
  if (list.vt() == (VT_ARRAY | vt) && SetGet::dimCount(list.get()) == 1 && SetGet::elementCount(list.get()) == count)
    return;
  const std::string text = std::string("importing compound property '") + name + "'. ";
  m_errors.complain(E_FAIL, text.c_str(), CkNONSTANDARD, false);
  list.reset();
}

void CVBPropPkg::replaceInvalidValues(Variant& list, const wchar_t* name) {
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
    addReportText(line.c_str(), true);
  }
}

HRESULT CVBPropPkg::compareRecalledComponents() {
  const Variant ids = valueOf(m_config.m_SelectedCompIds);
  const Variant casNos = valueOf(m_config.m_SelectedCompCASNos);
  if (support::equals(ids.get(), m_lists.ids.get()) && support::equals(casNos.get(), m_lists.casNos.get())) {
    m_recalledOptionsKept = true;
    return S_OK;
  }
  m_componentsChanged = true;
  return addReportText(kComponentsChanged, true);
}

// The lists as host variables; a failing store is reported by the variable and the import goes on.
// The component ids are stored too, so that a list read again after the package's own view is
// the one a later recall compares with.
void CVBPropPkg::storeComponentLists() {
  m_config.m_SelectedCompIds.setValue(listOrEmpty(m_lists.ids, VT_BSTR).get());
  m_config.m_SelectedCompFormulas.setValue(listOrEmpty(m_lists.formulae, VT_BSTR).get());
  m_config.m_SelectedCompNames.setValue(listOrEmpty(m_lists.names, VT_BSTR).get());
  m_config.m_SelectedCompCASNos.setValue(listOrEmpty(m_lists.casNos, VT_BSTR).get());
  m_config.m_SelectedCompBoilTemps.setValue(listOrEmpty(m_lists.boilTemps, VT_R8).get());
  m_config.m_SelectedCompMolWts.setValue(listOrEmpty(m_lists.molWts, VT_R8).get());
}

HRESULT CVBPropPkg::identifyAll() {
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
  m_hostIds = longArray(hostIds);
  m_matObjIds = listOrEmpty(m_lists.ids, VT_BSTR);
  // A package whose components changed (a recall, or its own view) gets flags of its new size.
  const size_t count = static_cast<size_t>(n);
  if (realsOf(valueOf(m_config.m_SelectedFlags).get()).size() != count ||
      realsOf(valueOf(m_config.m_HypoFlags).get()).size() != count)
    return setDefaultFlags();
  return S_OK;
}

// ---- Identification ----

void CVBPropPkg::sendReport(std::wstring& text, bool lineComplete) {
  addReportText(text.c_str(), lineComplete);
  text.clear();
}

int CVBPropPkg::identifyComponent(int i, bool verbose, std::wstring& kind) {
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
    m_errors.complain(E_FAIL, "identifying a component", CkINTERNAL, false);
    kind = kNoMatching;
    return -1;
  }
}

bool CVBPropPkg::duplicateRuleKeeps(int i, int id, bool verbose, std::wstring& text, std::wstring& kind,
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
int CVBPropPkg::identifyOutsideLibrary(int i, std::wstring& text, std::wstring& kind,
                                       const std::vector<double>& idNumbers) {
  const size_t n = static_cast<size_t>(listCount());
  const std::wstring stored = elementOr(readTexts(m_config.m_SelectedCompOvNames, n), i, std::wstring());
  const double hypoFlag = elementOr(readReals(m_config.m_HypoFlags, n), i, 0.0);
  const bool agrees = (elementOr(idNumbers, i, 0.0) >= kFirstHypotheticalId) == (hypoFlag != 0);
  int hostId = -1;
  if (!stored.empty() && agrees && findHostComponent(stored, hostId)) {
    kind = elementOr(readTexts(m_config.m_MatchedBy, n), i, std::wstring(kNoMatching));
    return hostId;
  }
  std::wstring name = listText(m_lists.ids, i);
  if (!endsWithStar(name)) name += L'*';
  hostId = -1;
  createHypothetical(name, hostId);
  m_config.m_SelectedCompOvNames.setText(i, name.c_str());
  if (hostId < 0) return -1;
  text += L"Identified through its CompId as a component added to ORVEX databank. ";
  kind = kByCompId;
  return hostId;
}

// The host fluid package's component of that name; false when there is none.
bool CVBPropPkg::findHostComponent(const std::wstring& name, int& hostId) {
  ComPtr<HostComponents> components;
  if (FAILED(hostComponents(components))) return false;
  ComPtr<HostComponent> component;
  const Bstr text(name.c_str());
  HRESULT hr = components->Find(text.get(), &component);
  if (FAILED(hr)) return bridge::reportUnexpected(hr), false;
  HostEntry entry;
  if (!component || FAILED(readEntry(component.Get(), entry))) return false;
  hostId = entry.id;
  return true;
}

// ---- Per-component state ----

void CVBPropPkg::sizeComponentState(int n, bool materialFollows) {
  try {
    if (n < 0) n = 0;
    const size_t count = static_cast<size_t>(n);
    m_packageComponents = n;
    std::vector<long> hostIds = longsOf(m_hostIds.get());
    hostIds.resize(count, -1);
    m_hostIds = longArray(hostIds);
    std::vector<std::wstring> ids = textsOf(m_matObjIds.get());
    ids.resize(count);
    m_matObjIds = textArray(ids);
    // The first array of each phase's pair always; the second for phases 1 and 2.
    for (int phase = 0; phase < 3; ++phase) {
      m_phaseWork[phase][0].assign(count, 0.0);
      if (phase > 0)
        m_phaseWork[phase][1].assign(count, 0.0);
      else
        m_phaseWork[phase][1].clear();
    }
    for (Variant& scratch : m_scratch) SetGet::Create(scratch.get(), VT_R8, n);
    if (!materialFollows) return;
    ComPtr<IMatObj> material;
    HRESULT hr = materialInterface(material);
    if (SUCCEEDED(hr) && material) hr = material->SetNumComps(n);
    if (FAILED(hr)) bridge::reportUnexpected(hr);
  } catch (...) {
    m_errors.complain(E_FAIL, "sizing the component arrays", CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::setDefaultFlags() {
  try {
    const size_t n = static_cast<size_t>(listCount());
    const std::vector<double> recalledSelection = realsOf(valueOf(m_config.m_SelectedFlags).get());
    std::vector<double> hypo(n, 0.0);
    HRESULT hr = S_OK;
    if (!m_recalling || recalledSelection.empty() || recalledSelection.size() != n || m_componentsChanged) {
      hr = writeReals(m_config.m_SelectedFlags, std::vector<double>(n, 1.0));
    } else {
      hypo = readReals(m_config.m_HypoFlags, n, 0.0);
    }
    if (FAILED(hr)) return hr;
    const std::vector<std::wstring> matchedBy = readTexts(m_config.m_MatchedBy, n);
    for (size_t i = 0; i < n; ++i)
      if (support::sameText(matchedBy[i], kNoMatching)) hypo[i] = 1.0;
    return writeReals(m_config.m_HypoFlags, hypo);
  } catch (...) {
    return m_errors.complain(E_FAIL, "setting the component flags", CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::checkRepeatedIds() {
  const std::vector<std::wstring> ids = textsOf(m_lists.ids.get());
  for (size_t i = 0; i < ids.size(); ++i)
    for (size_t j = 0; j < i; ++j)
      if (support::sameText(ids[i], ids[j])) {
        const std::wstring line = std::wstring(kResourceIdsRepeated) + kResourceContactVendor;
        return addReportText(line.c_str(), true);
      }
  return S_OK;
}

// ---- The component page (host thread) ----

HRESULT CVBPropPkg::guardVariableChange(const std::wstring& name, const VARIANT& newValue, VARIANT_BOOL* changing) {
  try {
    if (support::sameText(name, L"HypoFlags")) return guardHypoFlags(newValue, changing);
    if (support::sameText(name, L"CloseDefaultView")) return guardCloseView(changing);
    return S_OK;  // SelectedFlags and every other variable may change
  } catch (...) {
    return m_errors.complain(E_FAIL, "checking a variable change", CkINTERNAL, false);
  }
}

// A component that could not be identified stays hypothetical.
HRESULT CVBPropPkg::guardHypoFlags(const VARIANT& newValue, VARIANT_BOOL* changing) {
  const std::vector<double> flags = realsOf(newValue);
  const std::vector<std::wstring> matchedBy = readTexts(m_config.m_MatchedBy, flags.size());
  for (size_t i = 0; i < flags.size(); ++i) {
    if (flags[i] != 0 || !support::sameText(matchedBy[i], kNoMatching)) continue;
    if (changing) *changing = VARIANT_FALSE;
    support::showReportBox(kOnlyAsHypothetical, m_ownerWindow);
    return S_OK;
  }
  return S_OK;
}

// The page may close only when no two selected components share a component id.
HRESULT CVBPropPkg::guardCloseView(VARIANT_BOOL* changing) {
  const std::vector<std::wstring> ids = textsOf(m_lists.ids.get());
  const std::vector<double> selected = readReals(m_config.m_SelectedFlags, ids.size());
  for (size_t i = 0; i < ids.size(); ++i) {
    if (selected[i] != 1.0) continue;
    for (size_t j = 0; j < i; ++j) {
      if (selected[j] != 1.0 || !support::sameText(ids[i], ids[j])) continue;
      if (changing) *changing = VARIANT_FALSE;
      const std::string text = support::narrow(std::wstring(kResourceIdsRepeated) + kUnselectSome);
      m_errors.complainKind(text.c_str(), CkPLAIN4, false);
      return S_OK;
    }
  }
  return S_OK;
}

HRESULT CVBPropPkg::refreshHypotheticals() {
  try {
    ComPtr<HostComponents> components;
    long count = 0;
    HRESULT hr = hostComponents(components, count);
    if (FAILED(hr)) return hr;
    const std::vector<std::wstring> names = readTexts(m_config.m_SelectedCompOvNames, listCount());
    for (long k = 0; k < count; ++k) {
      ComPtr<HostComponent> component;
      HostEntry entry;
      hr = components->get_Item(k, &component);
      if (SUCCEEDED(hr)) hr = readEntry(component.Get(), entry);
      if (FAILED(hr)) return bridge::reportUnexpected(hr);
      if (entry.id < kFirstHypotheticalId) continue;
      for (size_t n = 0; n < names.size(); ++n) {
        if (!support::sameText(names[n], entry.name)) continue;
        ComPtr<HostHypoComponent> hypothetical;
        hr = component.As(&hypothetical);
        if (FAILED(hr)) return bridge::reportUnexpected(hr);
        hr = configureHypothetical(hypothetical.Get(), static_cast<int>(n));
        if (FAILED(hr)) return hr;
        break;
      }
    }
    return S_OK;
  } catch (...) {
    return m_errors.complain(E_FAIL, "refreshing the hypothetical components", CkINTERNAL, false);
  }
}

// ---- Import into the host fluid package (host thread) ----

// Each restart turns one hypothetical flag off, so a selection of n components needs at most n
// restarts; one more round ends the import even if the host kept the flags as they were.
HRESULT CVBPropPkg::importSelection() {
  try {
    const long rounds = listCount() + 2;
    for (long round = 0; round < rounds; ++round) {
      bool restart = false;
      const HRESULT hr = importRound(restart);
      if (FAILED(hr) || !restart) return hr;
    }
    return m_errors.complain(E_FAIL, "importing the selected components: the host keeps refusing them", CkINTERNAL,
                             false);
  } catch (...) {
    return m_errors.complain(E_FAIL, "importing the selected components", CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::importRound(bool& restart) {
  restart = false;
  ComPtr<HostComponents> components;
  HRESULT hr = hostComponents(components);
  if (FAILED(hr)) return hr;
  preselectComponents();
  const size_t n = static_cast<size_t>(listCount());
  const std::vector<double> selected = readReals(m_config.m_SelectedFlags, n);
  const std::vector<std::wstring> names = readTexts(m_config.m_SelectedCompOvNames, n);
  std::vector<double> hypo = readReals(m_config.m_HypoFlags, n);

  long count = 0;
  hr = components->get_Count(&count);
  if (FAILED(hr)) return bridge::reportUnexpected(hr);
  if (count > 0) {
    long compared = 0;
    bool matching = true;
    for (size_t i = 0; i < n && matching; ++i) {
      if (!(selected[i] > 0)) continue;
      ComPtr<HostComponent> component;
      HostEntry entry;
      matching = compared < count && SUCCEEDED(components->get_Item(compared, &component)) &&
                 SUCCEEDED(readEntry(component.Get(), entry)) && support::sameText(names[i], entry.name);
      ++compared;
    }
    if (matching && compared == count) return S_OK;  // the host has the selection already
    hr = components->Clear();
    if (FAILED(hr)) return bridge::reportUnexpected(hr);
  }
  for (size_t i = 0; i < n; ++i) {
    if (!(selected[i] > 0)) continue;
    ComPtr<HostComponent> component;
    HostEntry entry;
    const Bstr name(names[i].c_str());
    hr = components->Add(name.get(), &component);
    if (SUCCEEDED(hr)) hr = readEntry(component.Get(), entry);
    if (FAILED(hr)) return bridge::reportUnexpected(hr);
    if (hypo[i] == 0 || entry.id >= kFirstHypotheticalId) continue;
    // The host has a library component of that name: it is imported as that one.
    hypo[i] = 0.0;
    hr = writeReals(m_config.m_HypoFlags, hypo);
    if (FAILED(hr)) return hr;
    const std::string text = "importing compound '" + support::narrow(names[i]) +
                             "'. It cannot be treated as hypo since a component with same name has been added to "
                             "ORVEX library. " +
                             ". ORVEX will try to identify as a native component. ";
    m_errors.complain(E_FAIL, text.c_str(), CkNOTALLOWED, false);
    restart = true;
    return S_OK;
  }
  return S_OK;
}

HRESULT CVBPropPkg::preselectComponents() {
  support::MethodMark mark("GetPreSelectedCompIDs");
  try {
    const size_t n = static_cast<size_t>(listCount());
    const std::vector<double> hypo = readReals(m_config.m_HypoFlags, n);
    const std::vector<double> selected = readReals(m_config.m_SelectedFlags, n);
    // Every element written below exists.
    HRESULT hr = writeTexts(m_config.m_SelectedCompOvNames, readTexts(m_config.m_SelectedCompOvNames, n));
    if (SUCCEEDED(hr)) hr = writeReals(m_config.m_SelectedIDNumbers, readReals(m_config.m_SelectedIDNumbers, n, -1.0));
    if (FAILED(hr)) return hr;
    std::vector<long> preselected;
    HRESULT result = S_OK;
    for (size_t b = 0; b < n; ++b) {
      const long position = static_cast<long>(b);
      if (selected[b] == 0) {
        m_config.m_SelectedCompOvNames.setText(position, L"");
        continue;
      }
      int id = -1;
      std::wstring name;
      if (!(hypo[b] > 0)) {
        std::wstring kind;
        id = identifyComponent(position, false, kind);
      }
      if (id != -1) {
        name = host_components::nameOfId(id);
        // A hypothetical component the identification found keeps the name it stored.
        if (name.empty()) name = readTexts(m_config.m_SelectedCompOvNames, n)[b];
      } else {
        hr = preselectHypothetical(position, name, id);
        if (FAILED(hr)) {
          result = hr;
          continue;
        }
      }
      m_config.m_SelectedIDNumbers.setReal(position, id);
      m_config.m_SelectedCompOvNames.setText(position, name.c_str());
      preselected.push_back(id);
    }
    m_preselected = longArray(preselected);
    return result;
  } catch (...) {
    return m_errors.complain(E_FAIL, "GetPreSelectedCompIDs", CkINTERNAL, false);
  }
}

// The hypothetical component of package position i in the host's group: the one named after
// its CompId with a final "*", else a new one (the host may rename it when the name is taken by
// one of its own), configured from the package.
HRESULT CVBPropPkg::preselectHypothetical(int i, std::wstring& name, int& hostId) {
  hostId = -1;
  name = listText(m_lists.ids, i);
  if (!endsWithStar(name)) name += L'*';
  ComPtr<HostFluidPackage> fluidPackage;
  HRESULT hr = hostFluidPackage(fluidPackage);
  if (FAILED(hr)) return hr;
  ComPtr<HostHypoGroup> group;
  ComPtr<HostHypoComponent> hypothetical;
  const Bstr wanted(name.c_str());
  hr = fluidPackage->get_HypoGroup(&group);
  if (SUCCEEDED(hr) && !group) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = group->Find(wanted.get(), &hypothetical);
  if (FAILED(hr)) return bridge::reportUnexpected(hr);
  const bool added = !hypothetical;
  if (added) {
    hr = group->Add(wanted.get(), &hypothetical);
    if (SUCCEEDED(hr) && !hypothetical) hr = E_POINTER;
    if (FAILED(hr)) return bridge::reportUnexpected(hr);
  }
  HostEntry entry;
  hr = readEntry(hypothetical.Get(), entry);
  if (FAILED(hr)) return bridge::reportUnexpected(hr);
  name = entry.name;
  hostId = entry.id;
  return added ? configureHypothetical(hypothetical.Get(), i) : S_OK;
}

// ---- Host objects ----

HRESULT CVBPropPkg::hostFluidPackage(ComPtr<HostFluidPackage>& out) {
  out.Reset();
  try {
    const ComPtr<ExtnContainer> host = container();
    if (!host) return m_errors.complain(E_FAIL, kFluidPackage, CkINTERNAL, false);
    ComPtr<IDispatch> holderObject;
    HRESULT hr = host->get_FluidPackageHolder(&holderObject);
    ComPtr<HostFluidPackageHolder> holder;
    if (SUCCEEDED(hr) && holderObject) hr = holderObject.As(&holder);
    ComPtr<IDispatch> packageObject;
    if (SUCCEEDED(hr) && holder) hr = holder->get_FluidPackage(&packageObject);
    if (SUCCEEDED(hr) && packageObject) hr = packageObject.As(&out);
    if (FAILED(hr)) {
      out.Reset();
      return m_errors.complain(hr, kFluidPackage, CkINTERNAL, false);
    }
    if (!out) return m_errors.complain(E_FAIL, kFluidPackage, CkINTERNAL, false);
    return S_OK;
  } catch (...) {
    out.Reset();
    return m_errors.complain(E_FAIL, kFluidPackage, CkINTERNAL, false);
  }
}

HRESULT CVBPropPkg::hostComponents(ComPtr<HostComponents>& out) {
  out.Reset();
  ComPtr<HostFluidPackage> fluidPackage;
  HRESULT hr = hostFluidPackage(fluidPackage);
  if (FAILED(hr)) return hr;
  hr = fluidPackage->get_Components(&out);
  if (SUCCEEDED(hr) && !out) hr = E_POINTER;
  return FAILED(hr) ? bridge::reportUnexpected(hr) : S_OK;
}

HRESULT CVBPropPkg::hostComponents(ComPtr<HostComponents>& out, long& count) {
  count = 0;
  HRESULT hr = hostComponents(out);
  if (FAILED(hr)) return hr;
  hr = out->get_Count(&count);
  return FAILED(hr) ? bridge::reportUnexpected(hr) : S_OK;
}

HRESULT CVBPropPkg::createHypothetical(std::wstring& name, int& hostId) {
  try {
    ComPtr<HostComponents> components;
    long count = 0;
    HRESULT hr = hostComponents(components, count);
    if (FAILED(hr)) return hr;
    if (count > 0 && endsWithStar(name)) {
      // A host position whose package component is this one, with a fitting hypothetical state.
      const std::wstring base = name.substr(0, name.size() - 1);
      const std::vector<std::wstring> matObjIds = textsOf(m_matObjIds.get());
      const std::vector<long> hostIds = longsOf(m_hostIds.get());
      const size_t n = static_cast<size_t>(listCount());
      const std::vector<double> idNumbers = readReals(m_config.m_SelectedIDNumbers, n);
      const std::vector<double> hypo = readReals(m_config.m_HypoFlags, n);
      for (size_t p = 0; p < matObjIds.size(); ++p) {
        if (matObjIds[p].size() + 1 != name.size() || !support::sameText(matObjIds[p], base)) continue;
        const bool agrees = (elementOr(idNumbers, p, 0.0) >= kFirstHypotheticalId) == (elementOr(hypo, p, 0.0) != 0);
        if (agrees && p < hostIds.size()) {
          hostId = hostIds[p];
          return S_OK;
        }
      }
    }
    const Bstr wanted(name.c_str());
    ComPtr<HostComponent> component;
    hr = components->Find(wanted.get(), &component);
    if (SUCCEEDED(hr) && !component) hr = components->Add(wanted.get(), &component);
    HostEntry entry;
    if (SUCCEEDED(hr)) hr = readEntry(component.Get(), entry);
    if (FAILED(hr)) {
      const std::string text = "assigning a new hypo name for component " + support::narrow(name);
      return m_errors.complain(hr, text.c_str(), CkINTERNAL, false);
    }
    hostId = entry.id;
    if (!entry.name.empty() && entry.name != name) name = entry.name;
    return S_OK;
  } catch (...) {
    return m_errors.complain(E_FAIL, "creating a hypothetical component", CkINTERNAL, false);
  }
}

// The package's data of position i on the host's hypothetical component; a value the package
// does not have (not finite) is left to the host's estimate.
HRESULT CVBPropPkg::configureHypothetical(HostHypoComponent* component, int i) {
  try {
    if (!component) return bridge::reportUnexpected(E_POINTER);
    const std::wstring cas = listText(m_lists.casNos, i);
    const std::wstring formula = listText(m_lists.formulae, i);
    const double molecularWeight = listReal(m_lists.molWts, i);
    const double boiling = listReal(m_lists.boilTemps, i);
    HRESULT hr = S_OK;
    if (!cas.empty()) hr = component->put_CASNumber(Bstr(cas.c_str()).get());
    if (SUCCEEDED(hr) && !formula.empty()) hr = component->put_Formula(Bstr(formula.c_str()).get());
    if (SUCCEEDED(hr) && std::isfinite(molecularWeight)) hr = component->put_MolecularWeight(molecularWeight);
    if (SUCCEEDED(hr) && std::isfinite(boiling)) hr = component->put_NormalBoilingPoint(boiling - 273.15);
    for (const ConstantSetting& setting : kConstantSettings) {
      if (FAILED(hr)) break;
      double value = componentConstant(setting.constant, i);
      if (setting.timesMolecularWeight) value *= molecularWeight;
      value = value * setting.factor + setting.offset;
      if (std::isfinite(value)) hr = (component->*setting.put)(value);
    }
    if (SUCCEEDED(hr)) hr = component->Complete();
    return FAILED(hr) ? bridge::reportUnexpected(hr) : S_OK;
  } catch (...) {
    return m_errors.complain(E_FAIL, "Internal error getting configuring hypo", CkINTERNAL, false);
  }
}

// The host's basis is read from the host fluid package: the names of its components, in the
// host's order, are handed to setComps, which maps them to the package's components for the
// material object. A fluid package without components leaves the material object as it is.
HRESULT CVBPropPkg::readHostBasis() {
  try {
    ComPtr<HostComponents> components;
    long count = 0;
    HRESULT hr = hostComponents(components, count);
    if (FAILED(hr)) return hr;
    std::vector<std::wstring> names;
    for (long k = 0; k < count; ++k) {
      ComPtr<HostComponent> component;
      HostEntry entry;
      hr = components->get_Item(k, &component);
      if (SUCCEEDED(hr)) hr = readEntry(component.Get(), entry);
      if (FAILED(hr)) return bridge::reportUnexpected(hr);
      names.push_back(entry.name);
    }
    if (names.empty()) return S_OK;
    Variant list = textArray(names);
    return setComps(list.get());
  } catch (...) {
    return m_errors.complain(E_FAIL, "reading the host's components", CkINTERNAL, false);
  }
}

// ---- Package constants ----

// Asked of the package on its own thread, under the call lock; the cache is kept there too.
double CVBPropPkg::componentConstant(const wchar_t* property, int position) {
  double value = kNotAvailable;
  const HRESULT hr = m_bridge.runOnThread([&] {
    value = cachedConstant(property, position);
    return S_OK;
  });
  return SUCCEEDED(hr) ? value : kNotAvailable;
}

double CVBPropPkg::cachedConstant(const wchar_t* property, int position) {
  Variant& values = m_constants[property ? property : L""];
  const std::vector<double> first = realsOf(values.get());
  if (!SetGet::isArray(values.get()) || (!first.empty() && first.front() > kHugeConstant)) {
    values.reset();
    askPackageConstant(property, values);
  }
  const long k = materialPosition(position);
  if (!SetGet::isArray(values.get()) || k < 0 || k >= SetGet::elementCount(values.get())) return kNotAvailable;
  const long at = SetGet::lbound(values.get()) + k;
  if (values.vt() == (VT_ARRAY | VT_R8)) {
    if (!g_deprecatedConstantsWarned.exchange(true)) addReportText(kDeprecatedConstants, true);
    return SetGet::getDouble(values.get(), at);
  }
  if (values.vt() != (VT_ARRAY | VT_VARIANT)) return kNotAvailable;
  const VARIANT element = SetGet::getVariant(values.get(), at);  // the array's own
  if (element.vt == VT_R8) return element.dblVal > kHugeConstant ? kNotAvailable : element.dblVal;
  const std::string text = "The package returned an unexpected value (or in an unexpected format) (" +
                           (SetGet::isArray(element) ? SetGet::variantToStr(element) : SetGet::scalarToStr(element)) +
                           ") when requested the constant property";
  m_errors.complain(E_FAIL, text.c_str(), CkNONSTANDARD, false);
  return kNotAvailable;
}

// The package's answer for its material object's compounds; a failing request leaves none.
HRESULT CVBPropPkg::askPackageConstant(const wchar_t* property, Variant& values) {
  HRESULT hr = m_bridge.refuseIfQuarantined();
  if (FAILED(hr)) return hr;
  ComPtr<ICapeThermoPropertyPackage> package;
  ComPtr<ICapeThermoMaterialObject> material;
  hr = m_package.get(package);
  if (SUCCEEDED(hr)) hr = m_materialObject.get(material);
  if (FAILED(hr) || !package || !material) return FAILED(hr) ? hr : E_POINTER;
  const Variant names = textArray({property ? property : L""});
  hr = package->GetComponentConstant(material.Get(), names.get(), values.out());
  if (FAILED(hr)) values.reset();
  return hr;
}

// The material object's position of the package's component at position (-1 when it has none).
long CVBPropPkg::materialPosition(int position) const {
  const std::wstring id = listText(m_lists.ids, position);
  const std::vector<std::wstring> ids = textsOf(m_matObjIds.get());
  if (ids.empty()) return position;
  for (size_t k = 0; k < ids.size(); ++k)
    if (support::sameText(ids[k], id)) return static_cast<long>(k);
  return -1;
}

// Every use runs on the CAPE-OPEN thread (handed over from a host thread), where this is the
// object itself.
HRESULT CVBPropPkg::materialInterface(ComPtr<IMatObj>& out) { return m_imatObj.get(out); }

// ---- What the caller's thread reads ----

std::shared_ptr<const CVBPropPkg::CachedCompounds> CVBPropPkg::cachedCompounds() const {
  return std::atomic_load(&m_cached);
}

void CVBPropPkg::publishCompounds() {
  std::shared_ptr<CachedCompounds> cached;
  if (m_matObj) {
    cached = std::make_shared<CachedCompounds>();
    for (int i = 0; i < m_matObj->compoundCount(); ++i) cached->compounds.push_back(m_matObj->compound(i).copy());
    for (long id : longsOf(m_hostIds.get())) cached->hostIds.push_back(static_cast<int>(id));
  }
  std::atomic_store(&m_cached, std::shared_ptr<const CachedCompounds>(std::move(cached)));
}

// The material object's readiness rule (CMatObj::checkReadyToCalc) on the copy.
HRESULT CVBPropPkg::CachedCompounds::checkReady() const {
  if (compounds.empty())
    return support::reportFailure("Number of compounds has not been set. Contact support", "checkReadyToCalc");
  for (const CompConstProp& constants : compounds) {
    const HRESULT hr = constants.check();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

int CVBPropPkg::CachedCompounds::hostIdAt(int position) const {
  return position >= 0 && static_cast<size_t>(position) < hostIds.size() ? hostIds[position] : -1;
}

void CVBPropPkg::ComponentLists::clear() {
  ids.reset();
  formulae.reset();
  names.reset();
  boilTemps.reset();
  molWts.reset();
  casNos.reset();
}
