#include "matobj/CMatObj.h"

#include <algorithm>
#include <new>
#include <string>

#include "ids/COIds.h"
#include "support/Guards.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Utils.h"

using support::SetGet;

const int CMatObj::kCachedProps[CMatObj::kCachedCount] = {27, 28, 29, 35, 36, 37, 38, 34, 30, 33, 43, 31, 32, 42, 40};

namespace {


// The code returned after "Phase not supported" was raised.
constexpr HRESULT kPhaseNotSupported = ECapeUnknownHR;

// `in` without its by-reference level; a reference to nothing is refused.
HRESULT directCopy(const VARIANT& in, support::Variant& out) {
  if ((in.vt & VT_BYREF) && !in.byref) return E_INVALIDARG;
  return VariantCopyInd(&out.get(), const_cast<VARIANT*>(&in));
}

// One dimension, and elements of the size the type says (an array may lie about its type).
bool isOneDimensional(const VARIANT& v, VARTYPE element, UINT elementSize) {
  return v.vt == (VT_ARRAY | element) && v.parray && SafeArrayGetDim(v.parray) == 1 &&
         SafeArrayGetElemsize(v.parray) == elementSize && SetGet::elementTypeAgrees(v);
}

bool isStringList(const VARIANT& list) { return isOneDimensional(list, VT_BSTR, sizeof(BSTR)); }

// Copies the n strings of a locked array, by position, into `to` (a string array of n).
HRESULT copyStrings(SAFEARRAY* from, long n, VARIANT& to) {
  support::SafeArrayLockGuard lock(from);
  if (FAILED(lock.result())) return lock.result();
  const BSTR* items = static_cast<const BSTR*>(lock.data());
  for (long i = 0; i < n; ++i) {
    support::Bstr element(items[i], SysStringLen(items[i]));
    if (!element.get()) return E_OUTOFMEMORY;
    SetGet::putString(to, i, element.detach());
  }
  return S_OK;
}

// A one-dimensional string array with lower bound 0 holding copies of `in`'s strings (by-reference
// arguments followed, any bounds); VT_EMPTY gives an empty array. E_INVALIDARG for anything else.
HRESULT copyStringArray(const VARIANT& in, support::Variant& out) {
  support::Variant direct;
  HRESULT hr = directCopy(in, direct);
  if (FAILED(hr)) return hr;
  const VARIANT& v = direct.get();
  if (v.vt != VT_EMPTY && !isStringList(v)) return E_INVALIDARG;
  const long n = v.vt == VT_EMPTY ? 0 : static_cast<long>(v.parray->rgsabound[0].cElements);
  support::Variant copy;
  hr = SetGet::Create(copy.get(), VT_BSTR, n);
  if (SUCCEEDED(hr) && n > 0) hr = copyStrings(v.parray, n, copy.get());
  if (SUCCEEDED(hr)) out = std::move(copy);
  return hr;
}

// A package's list of names, kept with lower bound 0; a list that is not one of strings names nothing.
void keepStringList(const VARIANT& list, support::Variant& kept) {
  if (FAILED(copyStringArray(list, kept))) SetGet::Create(*kept.out(), VT_BSTR, 0);
}

// Whether a string list holds `name` (case-insensitively); other lists hold nothing.
bool listHolds(const VARIANT& list, const wchar_t* name) {
  if (!isStringList(list)) return false;
  return support::Utils::findPos(list, name) >= 0;
}

bool nameIs(BSTR name, const wchar_t* text) {
  return support::sameText(name, text);
}

// The second liquid of a phase list: "Water" first, else the first "HeavyLiquid" or name beginning
// with "L" / "l" that is not "Liquid"; null when none.
BSTR secondLiquidOf(const VARIANT& phases) {
  if (!isStringList(phases)) return nullptr;
  const long lb = SetGet::lbound(phases);
  BSTR s = nullptr;
  for (long i = lb; SetGet::nextItem(phases, i, s); ++i)
    if (nameIs(s, L"Water")) return s;
  for (long i = lb; SetGet::nextItem(phases, i, s); ++i) {
    const bool beginsWithL = SysStringLen(s) > 0 && (s[0] == L'L' || s[0] == L'l');
    if (nameIs(s, L"HeavyLiquid") || (beginsWithL && !nameIs(s, L"Liquid"))) return s;
  }
  return nullptr;
}

HRESULT unexpected(HRESULT hr, LONG owner) {
  return support::reportError(hr, support::kUnexpected, nullptr, reinterpret_cast<HWND>(static_cast<LONG_PTR>(owner)));
}

HRESULT copyOut(BSTR from, BSTR* to) {
  if (!to) return E_POINTER;
  *to = SysAllocStringLen(from, SysStringLen(from));
  return *to || !from ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

bool CMatObj::isCachedProp(int property) {
  return std::find(std::begin(kCachedProps), std::end(kCachedProps), property) != std::end(kCachedProps);
}

CMatObj::CMatObj() = default;
CMatObj::~CMatObj() = default;

HRESULT CMatObj::finalConstruct() {
  try {
    stampTable();
    m_temperature = &m_table[PpTEMPERATURE - kFirstCached][0];
    m_pressure = &m_table[PpPRESSURE - kFirstCached][0];
    HRESULT hr = SetGet::Create(m_phaseList.get(), VT_BSTR, 0);
    if (FAILED(hr)) return hr;
    m_name = support::Bstr(L"MO name");
    m_description = support::Bstr(L"MO description");
    m_statusText = support::Bstr(L"Conversion performed succesfully. ");
    m_status = 0;
    return createErrorComponents();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

void CMatObj::stampTable() {
  for (int row = 0; row < kRows; ++row)
    for (int index = 0; index < kDerivatives; ++index) {
      CPHARR& entry = m_table[row][index];
      entry.stamp(kFirstCached + row, COIds::variableAt(index));
      entry.allocate(m_numComps);
    }
}

int CMatObj::compoundIndex(BSTR id) const {
  if (!isStringList(m_compIds.get())) return -1;
  const long at = support::Utils::findPos(m_compIds.get(), id);
  if (at < 0) return -1;
  const long position = at - SetGet::lbound(m_compIds.get());
  return position < m_numComps ? static_cast<int>(position) : -1;
}

CPHARR* CMatObj::getData(int property, int variable) {
  int index = COIds::derivativeIndex(variable);
  if (index < 0) {
    support::reportFailure("bad derProp", "CMatObj::getDerShift");
    index = 0;
  }
  if (property > kLastCached || !COIds::isOfKind(property, COIds::KProperty)) {
    const std::string text = "rootProp bad value" + std::to_string(property);
    support::reportFailure(text.c_str(), "CMatObj::getData");
    return nullptr;
  }
  return &m_table[property - kFirstCached][index];
}

CPHARR* CMatObj::entryOfCode(int code) {
  if (code < 0) return nullptr;
  const int root = COIds::rootOfCode(code);
  const int index = code / 1000;
  if (index >= kDerivatives || !isCachedProp(root)) return nullptr;
  if (index > 0 && !COIds::isCalculatedProp(root)) return nullptr;
  return &m_table[root - kFirstCached][index];
}

int CMatObj::getSizes(int property, int variable) {
  if (property < 1 || property > kLastCached) support::reportFailure("propId >= NUM_CACHED_PROPS", "getSizes");
  if (variable == PdMOLFRACTION || variable == PdMOLES) return m_numComps;
  const CPHARR* entry = getData(property, variable);
  return entry ? entry->getSize() : 0;
}

HRESULT CMatObj::checkReadyToCalc() {
  if (m_numComps <= 0)
    return support::reportFailure("Number of compounds has not been set. Contact support", "checkReadyToCalc");
  for (const CompConstProp& constants : m_compConsts) {
    const HRESULT hr = constants.check();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

int CMatObj::phaseSlot(int phaseId) {
  switch (phaseId) {
    case PhOVERALL: return 3;
    case PhVAPORLIQUID:
    case PhLIQUID: return 1;
    case PhVAPOR: return 0;
    case PhHEAVYLIQUID:
    case PhWATER: return 2;
    default: break;
  }
  raiseError(L"Phase not supported");
  return -1;
}

// ---- ICapeIdentification ----

STDMETHODIMP CMatObj::get_ComponentName(BSTR* name) { return copyOut(m_name.get(), name); }

STDMETHODIMP CMatObj::put_ComponentName(BSTR name) {
  try {
    m_name = support::Bstr(name, SysStringLen(name));
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::get_ComponentDescription(BSTR* desc) { return copyOut(m_description.get(), desc); }

STDMETHODIMP CMatObj::put_ComponentDescription(BSTR desc) {
  try {
    m_description = support::Bstr(desc, SysStringLen(desc));
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

// ---- IMatObj ----

STDMETHODIMP CMatObj::put_proxyPtr(IDispatch* proxy) {
  try {
    m_proxy.Reset();
    if (!proxy) return S_OK;
    const HRESULT hr =
        proxy->QueryInterface(__uuidof(ICapeDiagnostics), reinterpret_cast<void**>(m_proxy.GetAddressOf()));
    if (hr == E_NOINTERFACE) return S_OK;
    return hr;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::getThis(hyper* rawPointer) {
  if (!rawPointer) return E_POINTER;
  *rawPointer = static_cast<hyper>(reinterpret_cast<LONG_PTR>(this));
  return S_OK;
}

STDMETHODIMP CMatObj::put_PropertyPackage(IDispatch* package) {
  try {
    m_package.Reset();
    if (!package) return S_OK;
    HRESULT hr = package->QueryInterface(__uuidof(ICapeThermoPropertyPackage),
                                         reinterpret_cast<void**>(m_package.GetAddressOf()));
    if (FAILED(hr)) return unexpected(hr, m_ownerHWnd);

    support::Variant props;
    hr = m_package->GetPropList(props.out());
    if (FAILED(hr)) return unexpected(hr, m_ownerHWnd);
    keepStringList(props.get(), m_propList);
    m_hasEnthalpyF = listHolds(m_propList.get(), L"enthalpyF");
    m_hasEntropyF = listHolds(m_propList.get(), L"entropyF");

    support::Variant phases;
    hr = m_package->GetPhaseList(phases.out());
    if (FAILED(hr)) return unexpected(hr, m_ownerHWnd);
    keepStringList(phases.get(), m_phaseList);
    BSTR second = secondLiquidOf(m_phaseList.get());
    m_liquid2Name = support::Bstr(second ? second : L"");
    collectNonStandardPhases();

    support::Variant ids, formulae, names, boilTemps, molwts, casnos;
    hr = m_package->GetComponentList(ids.out(), formulae.out(), names.out(), boilTemps.out(), molwts.out(),
                                     casnos.out());
    if (FAILED(hr)) return unexpected(hr, m_ownerHWnd);
    m_attachingPackage = true;  // the cache is filled below, from these very lists
    hr = setComps(ids.get(), VARIANT_FALSE);
    m_attachingPackage = false;
    if (FAILED(hr)) return unexpected(hr, m_ownerHWnd);
    return getComConstFromCOPP(ids.get(), formulae.get(), names.get(), boilTemps.get(), molwts.get(), casnos.get());
  } catch (const std::bad_alloc&) {
    return unexpected(E_OUTOFMEMORY, m_ownerHWnd);
  } catch (...) {
    return unexpected(E_FAIL, m_ownerHWnd);
  }
}

void CMatObj::collectNonStandardPhases() {
  m_nonStandardPhases.clear();
  BSTR s = nullptr;
  for (long i = SetGet::lbound(m_phaseList.get()); SetGet::nextItem(m_phaseList.get(), i, s); ++i) {
    if (SysStringLen(s) == 0 || COIds::findId(s, COIds::KPhase) > 0) continue;
    if (support::sameText(s, m_liquid2Name.get())) continue;
    m_nonStandardPhases.emplace_back(s, SysStringLen(s));
  }
}

STDMETHODIMP CMatObj::Terminate() {
  m_package.Reset();
  return S_OK;
}

STDMETHODIMP CMatObj::setComps(VARIANT newVal, VARIANT_BOOL preserveIfPossible) {
  try {
    support::Variant ids;
    HRESULT hr = copyStringArray(newVal, ids);
    if (FAILED(hr)) return hr;
    const long count = SetGet::elementCount(ids.get());
    const bool changed = !support::equals(ids.get(), m_compIds.get());
    m_compIds = std::move(ids);
    const bool keep = count == m_numComps && preserveIfPossible;
    if (!keep) {
      hr = SetNumComps(count);
      if (FAILED(hr)) return hr;
      if (changed)
        for (CompConstProp& constants : m_compConsts) constants.reset();
    }
    // With a package attached the constants follow the compounds: new compounds, or compounds
    // sized but never filled, are asked of the package again.
    const bool unfilled = std::any_of(m_compConsts.begin(), m_compConsts.end(), [](const CompConstProp& c) {
      return c.m_molecularWeight == MathUtils::kUnset;
    });
    if (!m_package || m_attachingPackage || (!changed && !unfilled)) return S_OK;
    return refillConstants();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::SetNumComps(LONG nComps) {
  if (nComps < 0) return E_INVALIDARG;
  if (nComps == m_numComps) return S_OK;
  HRESULT hr = E_FAIL;
  try {
    std::vector<CompConstProp>(static_cast<size_t>(nComps)).swap(m_compConsts);
    m_numComps = nComps;
    reallocateTable();
    return S_OK;
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  } catch (...) {
  }
  // Never leave the count ahead of the arrays.
  try {
    m_compConsts.clear();
    m_numComps = 0;
    reallocateTable();
  } catch (...) {
  }
  return hr;
}

void CMatObj::reallocateTable() {
  for (auto& row : m_table)
    for (CPHARR& entry : row) {
      entry.allocate(m_numComps);
      entry.clearAll();
    }
}

STDMETHODIMP CMatObj::GetFugCoefs(LONG COphase, VARIANT* afugCoef) {
  return GetPropVal(COphase, PpFUGACITYCOEFFICIENT, afugCoef);
}

STDMETHODIMP CMatObj::get_ownerHWnd(LONG* window) {
  if (!window) return E_POINTER;
  *window = m_ownerHWnd;
  return S_OK;
}

STDMETHODIMP CMatObj::put_ownerHWnd(LONG window) {
  m_ownerHWnd = window;
  return S_OK;
}

STDMETHODIMP CMatObj::SetTPFraction(double aT, double aP, VARIANT comp, LONG COphase) {
  try {
    const int slot = phaseSlot(COphase);
    if (slot < 0) return kPhaseNotSupported;
    support::Variant direct;
    HRESULT hr = directCopy(comp, direct);
    if (FAILED(hr)) return hr;
    const VARIANT& v = direct.get();
    if (!isOneDimensional(v, VT_R8, sizeof(double)) ||
        v.parray->rgsabound[0].cElements != static_cast<ULONG>(m_numComps))
      return E_INVALIDARG;
    support::SafeArrayLockGuard lock(v.parray);
    if (FAILED(lock.result())) return lock.result();
    hr = setTemperaturePressure(aT, aP);
    if (FAILED(hr)) return hr;
    return m_table[PpFRACTION - kFirstCached][0].setData(slot, static_cast<const double*>(lock.data()), -1, true);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CMatObj::setTemperaturePressure(double temperature, double pressure) {
  const HRESULT hr = m_temperature->setData(3, &temperature, -1, true);
  return FAILED(hr) ? hr : m_pressure->setData(3, &pressure, -1, true);
}

STDMETHODIMP CMatObj::get_popUpAnyError(VARIANT_BOOL* value) {
  if (!value) return E_POINTER;
  *value = m_popUpAnyError ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP CMatObj::put_popUpAnyError(VARIANT_BOOL value) {
  m_popUpAnyError = value != VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP CMatObj::GetTPfraction(double* aT, double* aP, VARIANT* comp, LONG COphase) {
  if (!aT || !aP || !comp) return E_POINTER;
  try {
    const int slot = phaseSlot(COphase);
    if (slot < 0) return kPhaseNotSupported;
    const double* t = m_temperature->validValues(3, true);
    const double* p = m_pressure->validValues(3, true);
    std::vector<double> x;
    if (!t || !p || !moleFractions(slot, x)) return E_FAIL;
    support::Variant out;
    HRESULT hr = SetGet::createFromBuffer(out.get(), VT_R8, x.data(), static_cast<long>(x.size()), true);
    if (FAILED(hr)) return hr;
    VariantClear(comp);
    *comp = out.detach();
    *aT = *t;
    *aP = *p;
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::get_liquid2Name(BSTR* name) { return copyOut(m_liquid2Name.get(), name); }

STDMETHODIMP CMatObj::put_liquid2Name(BSTR name) {
  try {
    m_liquid2Name = support::Bstr(name, SysStringLen(name));
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::RemoveResult(BSTR COpropName, LONG exceptPhaseOffset) {
  try {
    const int property = COIds::findId(COpropName, COIds::KProperty);
    if (isCachedProp(property)) {
      const int indexes = COIds::isCalculatedProp(property) ? kDerivatives : 1;
      for (int index = 0; index < indexes; ++index) {
        CPHARR& entry = m_table[property - kFirstCached][index];
        for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
          if (slot == exceptPhaseOffset) continue;
          entry.setValid(slot, false, true);
          entry.setValid(slot, false, false);
        }
      }
    }
    if (!m_otherProps.empty()) removeOther(COpropName);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::phaseExists(LONG COphase, BSTR COphaseName, VARIANT_BOOL* pVal) {
  if (!pVal) return E_POINTER;
  try {
    bool exists = false;
    if (COphase >= 1) {
      const CPHARR& fraction = m_table[PpFRACTION - kFirstCached][0];
      const int slot = COIds::COphaseId2offset(COphase);
      exists = fraction.validValues(slot, true) || fraction.validValues(slot, false);
    } else {
      exists = std::any_of(m_otherProps.begin(), m_otherProps.end(), [&](const std::unique_ptr<GCOProperty>& record) {
        return nameIs(record->property(), L"fraction") && support::sameText(record->phase(), COphaseName) &&
               (nameIs(record->basis(), L"mole") || nameIs(record->basis(), L"mass"));
      });
    }
    *pVal = exists ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

// ---- The adapter's direct methods ----

void CMatObj::setHostPhases(const int* phaseTypes, int mainLiquid) {
  m_hostPhaseTypes = phaseTypes;
  m_mainLiquid = mainLiquid;
}

int CMatObj::hostSlot(int hostPhase) const {
  if (!m_hostPhaseTypes || hostPhase < 0 || hostPhase > 2) return -1;
  switch (m_hostPhaseTypes[hostPhase]) {
    case 0: return -1;
    case 1: return hostPhase == m_mainLiquid ? 1 : -1;
    case 4: return 0;
    default: return hostPhase;
  }
}

// Copies the compound values of `entry` at the slot of each host phase from `first` on
// (`fixedSlot` >= 0: that slot for all of them) into the phase's array; E_FAIL when one of
// them holds no valid values.
HRESULT CMatObj::copyToHostPhases(const CPHARR& entry, double* const outputs[3], int first, int fixedSlot) const {
  HRESULT hr = S_OK;
  for (int i = first; i < 3; ++i) {
    const int slot = hostSlot(i);
    if (slot < 0 || !outputs[i]) continue;
    const double* values = entry.validValues(fixedSlot >= 0 ? fixedSlot : slot, true);
    if (!values) {
      hr = E_FAIL;
      continue;
    }
    std::copy(values, values + entry.size(), outputs[i]);
  }
  return hr;
}

HRESULT CMatObj::getHostFugacityCoefficients(double* const coefficients[3]) {
  if (!coefficients) return E_POINTER;
  return copyToHostPhases(m_table[PpFUGACITYCOEFFICIENT - kFirstCached][0], coefficients, 0, -1);
}

HRESULT CMatObj::setHostTPFractions(double temperature, double pressure, const double* const fractions[3]) {
  HRESULT hr = setTemperaturePressure(temperature, pressure);
  CPHARR& fraction = m_table[PpFRACTION - kFirstCached][0];
  for (int i = 0; i < 3 && SUCCEEDED(hr); ++i) {
    const int slot = hostSlot(i);
    if (slot >= 0 && fractions && fractions[i]) hr = fraction.setData(slot, fractions[i], -1, true);
  }
  return hr;
}

// K-values are set on "VaporLiquid", which is the liquid slot, for every liquid in turn.
HRESULT CMatObj::getHostKValues(double* const kvalues[3]) {
  if (!kvalues) return E_POINTER;
  return copyToHostPhases(m_table[PpKVALUES - kFirstCached][0], kvalues, 1, 1);
}
