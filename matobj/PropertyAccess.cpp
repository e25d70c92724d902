// The package's property methods on the material object (GetProp, SetProp and the rest) and the
// adapter's table accessors. GetProp / SetProp of a cached property are the package's hot path:
// they work on the caller's strings and arrays and allocate nothing but the result array.
#include <comdef.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "support/Guards.h"
#include "support/ModuleInfo.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::SetGet;

namespace {

const wchar_t kNotAllowed[] = L"Argument value is not allowed by the standard";
const wchar_t kBasisOnce[] =
    L"Properties such m_T, m_P, kValues, fugac. & fugac. coef. must be used with undefined basis. ";
const char kPureStage[] = "handleConversions (pure";
const char kMixtureStage[] = "handleConversions (CtMIXTURE || propId== PpPHASEFRACTION || propId==PpTOTALFLOW";

// The scalar-instead-of-array warning is given once per process.
std::atomic<bool> g_scalarWarned{false};

// The identifier last found for each of the four names of a request. A package asks for the
// same names over and over, so one comparison with the table's name usually settles a name.
// Only a hint, checked every time: threads sharing it can cost a look-up, never a wrong answer.
std::atomic<int> g_lastFound[4];

int findIdRemembered(BSTR name, int kind, std::atomic<int>& last) {
  const int hint = last.load(std::memory_order_relaxed);
  if (hint > 0 && support::sameText(COIds::getName(hint), name)) return hint;
  const int id = COIds::findId(name, kind);
  if (id > 0) last.store(id, std::memory_order_relaxed);
  return id;
}

// Names the package may use that are not in the identifier table.
struct AliasNames {
  support::Bstr enthalpyF{L"enthalpyF"};
  support::Bstr entropyF{L"entropyF"};
};
const AliasNames& aliasNames() {
  static const AliasNames names;
  return names;
}

// The identifier table's own string (never freed).
BSTR tableName(int id) { return COIds::getName(id); }

using support::textOf;


bool isEmptyArgument(const VARIANT& v) { return v.vt == VT_EMPTY || v.vt == VT_NULL; }
bool isOneDimensional(const VARIANT& v, VARTYPE element) {
  return v.vt == (VT_ARRAY | element) && v.parray && v.parray->cDims == 1;
}
bool isStringArray(const VARIANT& v) { return isOneDimensional(v, VT_BSTR); }
bool isMoleOrMass(int basis) { return basis == BsMOLE || basis == BsMASS; }

// The doubles of a value: a one-dimensional double array or a single double. The caller's
// array lives for the whole call, so its data is read in place.
struct DoubleSpan {
  const double* data = nullptr;
  long count = 0;
};
bool doublesOf(const VARIANT& v, DoubleSpan& span) {
  if (v.vt == VT_R8) {
    span.data = &v.dblVal;
    span.count = 1;
    return true;
  }
  if (!isOneDimensional(v, VT_R8)) return false;
  span.data = static_cast<const double*>(v.parray->pvData);
  span.count = static_cast<long>(v.parray->rgsabound[0].cElements);
  return true;
}

// A new double array of count elements in an empty VARIANT; its data, or null when out of
// memory. One allocation (descriptor and data together), as GetProp's result costs no more.
double* newDoubles(VARIANT* out, long count) {
  SAFEARRAY* sa = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(count));
  if (!sa) return nullptr;
  out->vt = VT_ARRAY | VT_R8;
  out->parray = sa;
  static double none = 0.0;
  return count > 0 ? static_cast<double*>(sa->pvData) : &none;
}

HRESULT makeDoubles(VARIANT* out, const double* values, long count) {
  double* data = newDoubles(out, count);
  if (!data) return E_OUTOFMEMORY;
  if (count > 0) std::copy(values, values + count, data);
  return S_OK;
}

// Values per compound rather than one for the mixture.
bool perCompound(const PropQualif& q) {
  return q.calcTypeId == CtPURE || COIds::isCompoundArrayProp(q.rootProp, q.derVariable);
}

// SetProp's commonest requests, recognised by their names: the identifiers findId would give.
bool recogniseCommonSet(PropQualif& q) {
  if (SysStringLen(q.basis) != 0 || !support::sameText(q.calcType, tableName(CtMIXTURE))) return false;
  if (support::sameText(q.property, tableName(PpFUGACITYCOEFFICIENT))) {
    if (support::sameText(q.phase, tableName(PhVAPOR)))
      q.phaseId = PhVAPOR;
    else if (support::sameText(q.phase, tableName(PhLIQUID)))
      q.phaseId = PhLIQUID;
    else
      return false;
    q.propId = PpFUGACITYCOEFFICIENT;
  } else if (support::sameText(q.property, tableName(PpKVALUES)) &&
             support::sameText(q.phase, tableName(PhVAPORLIQUID))) {
    q.propId = PpKVALUES;
    q.phaseId = PhVAPORLIQUID;
  } else {
    return false;
  }
  q.calcTypeId = CtMIXTURE;
  q.basisId = 0;
  return true;
}

// Where the table keeps a cached property: temperature and pressure only overall, K-values only
// for the two-phase pair, the per-phase properties never for it.
bool phaseFitsTable(int property, int phaseId) {
  switch (property) {
    case PpTEMPERATURE:
    case PpPRESSURE: return phaseId == PhOVERALL;
    case PpKVALUES: return phaseId == PhVAPORLIQUID;
    case PpFRACTION:
    case PpPHASEFRACTION: return true;
    default: return phaseId != PhVAPORLIQUID;
  }
}

// Cached properties that carry no basis in the table.
bool isBasisFreeCached(int property) {
  switch (property) {
    case PpTEMPERATURE:
    case PpPRESSURE:
    case PpFUGACITYCOEFFICIENT:
    case PpLOGFUGACITY:
    case PpLOGFUGACITYCOEFFICIENT:
    case PpFUGACITY:
    case PpKVALUES: return true;
    default: return false;
  }
}

// The argument as an error text shows it (its beginning, when it is long); false when it cannot
// be shown.
bool shownValue(const VARIANT& v, std::wstring& text) {
  constexpr size_t kShownLimit = 256;
  if (v.vt == VT_EMPTY) return false;
  std::string s = SetGet::isArray(v) ? SetGet::variantToStr(v) : SetGet::scalarToStr(v);
  if (s.empty()) return false;
  if (s.size() > kShownLimit) s.replace(kShownLimit - 3, std::string::npos, "...");
  text = support::widen(s);
  return true;
}

HRESULT badValue(CMatObj& mo, const wchar_t* message, short position, const VARIANT& value) {
  std::wstring text;
  return shownValue(value, text) ? mo.raiseBadArgument(message, position, &text) : mo.raiseBadArgument(message, position);
}

HRESULT badName(CMatObj& mo, const wchar_t* message, short position, BSTR name) {
  const std::wstring text = textOf(name);
  return text.empty() ? mo.raiseBadArgument(message, position) : mo.raiseBadArgument(message, position, &text);
}

constexpr short kCompIdsPosition = 3;
constexpr short kValuePosition = 6;

// A list of VARIANTs each holding an `element`, as script callers pass lists, read as the plain
// array it stands for (kept in `plain`); anything else stays as it is.
HRESULT scriptList(VARIANT& view, VARTYPE element, support::Variant& plain) {
  const HRESULT hr = SetGet::plainArrayOf(view, element, plain.get());
  if (hr == S_OK) view = plain.get();
  return FAILED(hr) ? hr : S_OK;
}

// The compound ids as the caller passed them, by reference or not, as strings or VARIANTs
// holding strings (kept in `plain`); every form of "no ids" is VT_EMPTY. Anything that cannot
// be read as it claims to be is refused without being shown.
HRESULT compIdsView(CMatObj& mo, const VARIANT& given, VARIANT& ids, support::Variant& plain) {
  if (!SetGet::argumentView(given, ids))
    return mo.raiseBadArgument(L"Argument should be empty or string array", kCompIdsPosition);
  if (SetGet::isOmitted(ids)) VariantInit(&ids);
  return scriptList(ids, VT_BSTR, plain);
}

// A qualifier of another property of the same request (same calculation type and basis), on
// the request's phase or on "Overall".
PropQualif related(const PropQualif& q, int property, bool overall = false) {
  PropQualif r;
  r.property = tableName(property);
  r.propId = r.rootProp = property;
  r.phase = overall ? tableName(PhOVERALL) : q.phase;
  r.phaseId = overall ? static_cast<int>(PhOVERALL) : q.phaseId;
  r.calcType = q.calcType;
  r.calcTypeId = q.calcTypeId;
  r.basis = q.basis;
  r.basisId = q.basisId;
  return r;
}

// The adapter's request of a derivative code on a phase: "Mixture", and "mole" where a basis
// is needed. Stored flows and fractions are found under "Mixture" too, since SetProp accepts no
// other calculation type for them.
void adapterQualifier(PropQualif& q, int root, int variable, int phaseId) {
  q.owned = COIds::createDerivative(root, variable);
  q.property = q.owned.get();
  q.propId = COIds::findId(q.property, COIds::KProperty);
  q.rootProp = root;
  q.derVariable = variable;
  q.phase = tableName(phaseId);
  q.phaseId = phaseId;
  q.calcType = tableName(CtMIXTURE);
  q.calcTypeId = CtMIXTURE;
  if (COIds::isBasisDependentProp(root)) {
    q.basis = tableName(BsMOLE);
    q.basisId = BsMOLE;
  }
}

// Mole fractions from mass fractions with the compounds' molecular weights.
bool massToMoleFractions(const CMatObj& mo, const double* w, long n, std::vector<double>& x) {
  if (n != mo.compoundCount()) return false;
  x.assign(static_cast<size_t>(n), 0.0);
  double sum = 0;
  for (long i = 0; i < n; ++i) {
    const double mw = mo.compound(static_cast<int>(i)).m_molecularWeight;
    if (!(mw > 0)) return false;
    sum += x[static_cast<size_t>(i)] = w[i] / mw;
  }
  if (!(sum > 0)) return false;
  for (double& v : x) v /= sum;
  return true;
}

// An unexpected failure while storing in the other-properties list.
HRESULT unexpectedInSetProp(CMatObj& mo, const PropQualif& q) {
  mo.raiseError(q.text(), "SetPropCol: ERROR_UNEXPECTED");
  return E_FAIL;
}

// Clears the table entry a name stands for; false when the table does not hold it.
bool clearCachedEntry(CMatObj& mo, BSTR name) {
  int root = COIds::findId(name, COIds::KProperty);
  int variable = 0;
  if (root <= 0) {
    root = COIds::rootPropertyOf(name);
    variable = root > 0 ? COIds::derivativeVariableOf(name) : 0;
  }
  if (!CMatObj::isCachedProp(root) || (variable != 0 && !COIds::isCalculatedProp(root))) return false;
  CPHARR* entry = mo.getData(root, variable);
  if (!entry) return false;
  entry->clearAll();
  return true;
}

}  // namespace

std::wstring PropQualif::text() const {
  std::wstring joined;
  for (BSTR name : {property, phase, calcType, basis}) {
    if (SysStringLen(name) == 0) continue;
    if (!joined.empty()) joined += L", ";
    joined += textOf(name);
  }
  return joined;
}

// ---- The qualifier ----

HRESULT CMatObj::buildQualifier(PropQualif& q, BSTR property, BSTR phase, const VARIANT& compIds, BSTR calcType,
                                BSTR basis, bool forSet) {
  const UINT length = SysStringLen(property);
  if (length > 0 && (property[length - 1] | 0x20) == L'f') {  // only the aliases can be meant
    if (support::sameText(property, aliasNames().enthalpyF.get()))
      property = tableName(PpENTHALPY);
    else if (support::sameText(property, aliasNames().entropyF.get()))
      property = tableName(PpENTROPY);
  }
  q.property = property;
  q.phase = phase;
  q.calcType = calcType;
  q.basis = basis;
  q.compIds = &compIds;
  if (!forSet || !recogniseCommonSet(q)) {
    q.propId = findIdRemembered(property, COIds::KProperty, g_lastFound[0]);
    q.phaseId = findIdRemembered(phase, COIds::KPhase, g_lastFound[1]);
    q.calcTypeId = findIdRemembered(calcType, COIds::KCalcType, g_lastFound[2]);
    q.basisId = findIdRemembered(basis, COIds::KBasis, g_lastFound[3]);
  }
  if (q.propId > 0) {
    q.rootProp = q.propId;
    q.derVariable = 0;
  } else {
    q.rootProp = COIds::rootPropertyOf(property);
    q.derVariable = q.rootProp > 0 ? COIds::derivativeVariableOf(property) : 0;
  }
  // Packages leave the calculation type out for the state and the amounts they read and
  // write: their values are the same for any type, and they are kept under "Mixture".
  if (q.calcTypeId == 0 && q.propId > 0 && !COIds::isCalculatedProp(q.propId)) {
    q.calcType = tableName(CtMIXTURE);
    q.calcTypeId = CtMIXTURE;
  }
  if (q.rootProp <= 0) return S_OK;  // an unknown name: nothing to say about its basis
  const bool dependent = COIds::isBasisDependentProp(q.rootProp);
  if (!dependent && SysStringLen(q.basis) != 0) {
    q.basis = nullptr;
    q.basisId = 0;
    raiseWarning(L"Basis argument should be NULL");
  } else if (dependent && SysStringLen(q.basis) == 0) {
    q.basis = tableName(BsMOLE);
    q.basisId = BsMOLE;
    raiseWarning(L"Basis argument should be MOLE or MASS");
  }
  return S_OK;
}

HRESULT CMatObj::validateQualifier(PropQualif& q, const VARIANT* value, bool forSet) {
  if (q.phaseId < 0 && !m_liquid2Name.empty() && support::sameText(q.phase, m_liquid2Name.get())) q.phaseId = PhWATER;
  // findId gives 0 exactly for an empty name, so a found one needs no second look.
  if (q.propId == 0 && SysStringLen(q.property) == 0) return raiseBadArgument(L"Argument cannot be empty", 1);
  if (q.phaseId == 0 && SysStringLen(q.phase) == 0) return raiseBadArgument(L"Argument cannot be empty", 2);
  if (!isEmptyArgument(*q.compIds) && !isStringArray(*q.compIds))
    return badValue(*this, L"Argument should be empty or string array", kCompIdsPosition, *q.compIds);
  if (q.rootProp == PpPHASEFRACTION && q.phaseId == PhOVERALL)
    return badName(*this, L"Specified phase and property are incompatible", 2, q.phase);
  if (q.basisId != 0 && !isMoleOrMass(q.basisId)) return badName(*this, kNotAllowed, 5, q.basis);
  if (q.calcTypeId != CtMIXTURE && q.calcTypeId != CtPURE) return badName(*this, kNotAllowed, 4, q.calcType);
  if (!forSet) return S_OK;

  DoubleSpan values;
  if (!value || !doublesOf(*value, values))
    return badValue(*this, L"Argument should be empty or double array", kValuePosition, value ? *value : VARIANT{});
  if (value->vt == VT_R8 && firstTime(g_scalarWarned))
    raiseWarning(L"The value of property " + q.text() + L" should be an array of doubles instead of a double", true);
  if ((q.propId == PpTEMPERATURE || q.propId == PpPRESSURE) && values.count > 0 && values.data[0] == 0.0)
    raiseWarning(L"The value of property " + q.text() + L" shouldn't be 0");
  // Named compounds size a per-compound value; a mixture value is one value however it is asked.
  const bool byIds = q.hasCompIds() && perCompound(q);
  const long n = q.hasCompIds() ? q.idCount() : m_numComps;
  if (values.count != COIds::propValueSize(q.rootProp, q.calcTypeId, n, q.derVariable))
    return badValue(*this,
                    byIds ? L"Argument size should equal size of argument 'compIds'"
                          : L"Argument size should equal number of Material Object compounds",
                    kValuePosition, *value);
  return S_OK;
}

CPHARR* CMatObj::tableEntryOf(const PropQualif& q) {
  const int property = q.rootProp;
  if (!isCachedProp(property) || (q.derVariable != 0 && !COIds::isCalculatedProp(property))) return nullptr;
  if (q.phaseId < PhOVERALL || q.phaseId > PhWATER || q.calcTypeId == CtPURE) return nullptr;
  if (!phaseFitsTable(property, q.phaseId)) return nullptr;
  if (isBasisFreeCached(property)) {
    if (q.basisId != 0 && !m_basisWarned) {
      m_basisWarned = true;
      raiseWarning(kBasisOnce, true);
    }
  } else if (!isMoleOrMass(q.basisId)) {
    return nullptr;
  }
  return q.derVariable == 0 ? &m_table[property - kFirstCached][0] : getData(property, q.derVariable);
}

// ---- Compound values ----

bool CMatObj::idsMatchCompounds(const VARIANT& ids) const {
  const VARIANT& own = m_compIds.get();
  if (!isStringArray(ids) || !isStringArray(own) || SetGet::elementCount(ids) != m_numComps ||
      SetGet::elementCount(own) < m_numComps)
    return false;
  if (ids.parray == own.parray) return true;
  const BSTR* a = static_cast<const BSTR*>(ids.parray->pvData);
  const BSTR* b = static_cast<const BSTR*>(own.parray->pvData);
  for (int i = 0; i < m_numComps; ++i)
    if (a[i] != b[i] && !support::sameText(a[i], b[i])) return false;
  return true;
}

HRESULT CMatObj::copyCompValues(const VARIANT* compIds, const double* from, double* to, int n,
                                bool toCompoundPositions) {
  if (!compIds || !isStringArray(*compIds) || SetGet::elementCount(*compIds) == 0 || idsMatchCompounds(*compIds)) {
    std::copy(from, from + n, to);
    return S_OK;
  }
  const long lb = SetGet::lbound(*compIds);
  for (int k = 0; k < n; ++k) {
    BSTR id = nullptr;
    SetGet::noCopyVariantGetV(*compIds, lb + k, id);
    const int at = compoundIndex(id);
    if (at < 0)
      return raiseError(L"The Package has requested an operation with a non valid compound: " + textOf(id),
                        "copyCompValues");
    if (toCompoundPositions)
      to[at] = from[k];
    else
      to[k] = from[at];
  }
  return S_OK;
}

HRESULT CMatObj::selectCompounds(const PropQualif& q, const double* all, long count, VARIANT* results) {
  if (!q.hasCompIds() || !perCompound(q) || count != m_numComps) return makeDoubles(results, all, count);
  const long n = q.idCount();
  support::Variant out;
  double* data = newDoubles(&out.get(), n);
  if (!data) return E_OUTOFMEMORY;
  const HRESULT hr = copyCompValues(q.compIds, all, data, static_cast<int>(n), false);
  if (FAILED(hr)) return hr;
  *results = out.detach();
  return S_OK;
}

// ---- Compositions and basis conversion ----

bool CMatObj::moleFractions(int slot, std::vector<double>& x) {
  if (slot < 0 || slot >= CPHARR::kSlots) return false;
  const CPHARR& entry = m_table[PpFRACTION - kFirstCached][0];
  if (const double* v = entry.validValues(slot, true)) {
    x.assign(v, v + entry.size());
    return !x.empty();
  }
  const double* w = entry.validValues(slot, false);
  return w && massToMoleFractions(*this, w, entry.size(), x);
}

bool CMatObj::phaseMoleFractions(const PropQualif& q, int slot, std::vector<double>& x) {
  if (slot >= 0) return moleFractions(slot, x);
  const GCOProperty* record = findOther(tableName(PpFRACTION), q.phase, tableName(CtMIXTURE), tableName(BsMOLE));
  DoubleSpan v;
  if (!record || !doublesOf(record->value(), v) || v.count != m_numComps) return false;
  if (COIds::findId(record->basis(), COIds::KBasis) == BsMASS) return massToMoleFractions(*this, v.data, v.count, x);
  x.assign(v.data, v.data + v.count);
  return !x.empty();
}

double CMatObj::factorOf(const std::vector<double>& x) const {
  if (static_cast<int>(x.size()) != m_numComps) return 0;
  double factor = 0;
  for (int i = 0; i < m_numComps; ++i) {
    const double mw = m_compConsts[static_cast<size_t>(i)].m_molecularWeight;
    if (!(mw > 0)) return 0;
    factor += x[static_cast<size_t>(i)] * mw / 1000.0;
  }
  return factor;
}

double CMatObj::mixtureFactor(int slot) {
  std::vector<double> x;
  return moleFractions(slot, x) ? factorOf(x) : 0.0;
}

HRESULT CMatObj::handleConversions(const PropQualif& q, bool fromMole, std::vector<double>& values, int slot) {
  try {
    const int root = q.rootProp;
    const bool amountLike =
        COIds::isFlowFractionOrDensityName(q.property) || COIds::isFlowOrFraction(root) || root == PpDENSITY;
    const bool perAmount = !amountLike && (COIds::isPerAmountName(q.property) || COIds::isBasisDependentProp(root));
    if (!amountLike && !perAmount) return S_OK;  // the value does not depend on the basis
    // Amounts grow from mole to mass (kg/mol > 0 multiplies), values per amount shrink.
    const bool multiply = amountLike == fromMole;
    if (perCompound(q)) {
      if (static_cast<int>(values.size()) != m_numComps) return raiseError(q.text(), kPureStage);
      double sum = 0;
      for (int i = 0; i < m_numComps; ++i) {
        const double factor = m_compConsts[static_cast<size_t>(i)].m_molecularWeight / 1000.0;
        if (!(factor > 0)) return raiseError(q.text(), kPureStage);
        double& v = values[static_cast<size_t>(i)];
        v = multiply ? v * factor : v / factor;
        sum += v;
      }
      if (root == PpFRACTION) {
        if (!(sum > 0)) return raiseError(q.text(), kPureStage);
        for (double& v : values) v /= sum;
      }
      return S_OK;
    }
    std::vector<double> x;
    double factor = phaseMoleFractions(q, slot, x) ? factorOf(x) : 0.0;
    if (root == PpPHASEFRACTION) {
      const double overall = mixtureFactor(COIds::COphaseId2offset(PhOVERALL));
      factor = overall > 0 ? factor / overall : 0.0;
    }
    if (!(factor > 0)) return raiseError(q.text(), kMixtureStage);
    for (double& v : values) v = multiply ? v * factor : v / factor;
    return S_OK;
  } catch (...) {
    return raiseError(L"Unexpected Error in handleConversions");
  }
}

// ---- The other-properties list ----

GCOProperty* CMatObj::findOther(BSTR property, BSTR phase, BSTR calcType, BSTR basis, bool anyBasis) {
  for (const std::unique_ptr<GCOProperty>& record : m_otherProps) {
    const bool found = anyBasis ? support::sameText(record->property(), property) &&
                                      support::sameText(record->phase(), phase) &&
                                      support::sameText(record->calcType(), calcType)
                                : record->matches(property, phase, calcType, basis);
    if (found) return record.get();
  }
  return nullptr;
}

void CMatObj::removeOther(BSTR property, BSTR phase, BSTR calcType, BSTR basis) {
  const auto gone = [&](const std::unique_ptr<GCOProperty>& record) {
    return phase ? record->matches(property, phase, calcType, basis) : support::sameText(record->property(), property);
  };
  m_otherProps.erase(std::remove_if(m_otherProps.begin(), m_otherProps.end(), gone), m_otherProps.end());
}

HRESULT CMatObj::lookupOther(const PropQualif& q, std::vector<double>& all) {
  const GCOProperty* record = m_otherProps.empty() ? nullptr : findOther(q.property, q.phase, q.calcType, q.basis);
  DoubleSpan v;
  if (!record || !doublesOf(record->value(), v)) return S_FALSE;
  all.assign(v.data, v.data + v.count);
  const int stored = COIds::findId(record->basis(), COIds::KBasis);
  if (!isMoleOrMass(stored) || !isMoleOrMass(q.basisId) || stored == q.basisId) return S_OK;
  const int slot = q.phaseId >= PhOVERALL && q.phaseId <= PhWATER ? phaseSlot(q.phaseId) : -1;
  return handleConversions(q, stored == BsMOLE, all, slot);
}

HRESULT CMatObj::lookupValues(const PropQualif& q, std::vector<double>& all) {
  if (CPHARR* entry = tableEntryOf(q)) {
    const int slot = phaseSlot(q.phaseId);
    const bool mole = q.basisId != BsMASS;
    if (const double* v = entry->validValues(slot, mole)) {
      all.assign(v, v + entry->size());
      return S_OK;
    }
    if (const double* v = entry->validValues(slot, !mole)) {
      all.assign(v, v + entry->size());
      return handleConversions(q, !mole, all, slot);
    }
  }
  return lookupOther(q, all);
}

HRESULT CMatObj::totalFlowOf(const PropQualif& q, double& total, bool viaPhaseFraction) {
  std::vector<double> v;
  HRESULT hr = lookupValues(q, v);
  if (hr == S_OK && !v.empty()) {
    total = v[0];
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  hr = lookupValues(related(q, PpFLOW), v);
  if (hr == S_OK) {
    total = 0;
    for (double flow : v) total += flow;
    return S_OK;
  }
  if (FAILED(hr) || !viaPhaseFraction || q.phaseId == PhOVERALL) return hr;
  hr = lookupValues(related(q, PpPHASEFRACTION), v);
  if (hr != S_OK || v.empty()) return FAILED(hr) ? hr : S_FALSE;
  const double fraction = v[0];
  double overall = 0;
  hr = totalFlowOf(related(q, PpTOTALFLOW, true), overall, false);
  if (hr != S_OK) return hr;
  total = fraction * overall;
  return S_OK;
}

HRESULT CMatObj::deriveFlowValues(const PropQualif& q, std::vector<double>& all) {
  double total = 0;
  if (q.propId == PpTOTALFLOW) {
    const HRESULT hr = totalFlowOf(q, total, true);
    if (hr == S_OK) all.assign(1, total);
    return hr;
  }
  if (q.propId != PpFLOW) return S_FALSE;
  HRESULT hr = totalFlowOf(related(q, PpTOTALFLOW), total, true);
  if (hr != S_OK) return hr;
  hr = lookupValues(related(q, PpFRACTION), all);
  if (hr != S_OK) return hr;
  for (double& v : all) v *= total;
  return S_OK;
}

HRESULT CMatObj::deriveFlow(const PropQualif& q, VARIANT* results) {
  std::vector<double> all;
  const HRESULT hr = deriveFlowValues(q, all);
  if (hr == S_FALSE) return notFound(q);
  if (FAILED(hr)) return hr;
  return selectCompounds(q, all.data(), static_cast<long>(all.size()), results);
}

HRESULT CMatObj::notFound(const PropQualif& q) {
  const bool named = std::any_of(m_otherProps.begin(), m_otherProps.end(), [&](const std::unique_ptr<GCOProperty>& r) {
    return support::sameText(r->property(), q.property);
  });
  if (!named && !COIds::isFlowOrFraction(q.propId)) return raiseError(L"Property not available in the Material Object");
  if (support::Utils::findPos(m_phaseList.get(), q.phase) < 0)
    return raiseError(L"Phase not available in the Material Object");
  return raiseError(q.text() + L": Property value has not been previously set");
}

HRESULT CMatObj::answerFromOther(const PropQualif& q, std::vector<double>& all) {
  HRESULT hr = lookupOther(q, all);
  if (hr == S_FALSE) hr = deriveFlowValues(q, all);
  return hr == S_FALSE ? notFound(q) : hr;
}

HRESULT CMatObj::getFromOther(const PropQualif& q, VARIANT* results) {
  std::vector<double> all;
  const HRESULT hr = lookupOther(q, all);
  if (hr == S_FALSE) return deriveFlow(q, results);
  if (FAILED(hr)) return hr;
  return selectCompounds(q, all.data(), static_cast<long>(all.size()), results);
}

HRESULT CMatObj::setIntoOther(const PropQualif& q, const VARIANT& values) {
  try {
    GCOProperty* record = findOther(q.property, q.phase, q.calcType, q.basis);
    support::Variant array, none;
    const VARIANT* value = &values;
    const VARIANT* ids = q.compIds;
    DoubleSpan v;
    doublesOf(values, v);  // validated
    if (values.vt == VT_R8) {
      HRESULT hr = makeDoubles(&array.get(), v.data, v.count);
      if (FAILED(hr)) return unexpectedInSetProp(*this, q);
      value = &array.get();
    }
    const int storedBasis = record ? COIds::findId(record->basis(), COIds::KBasis) : 0;
    if (record && isMoleOrMass(storedBasis) && isMoleOrMass(q.basisId) && storedBasis != q.basisId) {
      if (perCompound(q) && q.hasCompIds() && !idsMatchCompounds(*q.compIds)) {
        // Part of a composition cannot be converted alone: it replaces the record.
        removeOther(q.property, q.phase, q.calcType, q.basis);
        record = nullptr;
      } else {
        std::vector<double> converted(v.data, v.data + v.count);
        const int slot = q.phaseId >= PhOVERALL && q.phaseId <= PhWATER ? phaseSlot(q.phaseId) : -1;
        HRESULT hr = handleConversions(q, q.basisId == BsMOLE, converted, slot);
        if (FAILED(hr)) return hr;
        array.reset();
        hr = makeDoubles(&array.get(), converted.data(), static_cast<long>(converted.size()));
        if (FAILED(hr)) return unexpectedInSetProp(*this, q);
        value = &array.get();
        ids = &none.get();
      }
    }
    bool added = false;
    if (!record) {
      m_otherProps.push_back(std::make_unique<GCOProperty>(this, q.property, q.phase, q.calcType, q.basis));
      record = m_otherProps.back().get();
      added = true;
    }
    if (FAILED(record->setValue(*ids, *value))) {
      if (added) m_otherProps.pop_back();
      return raiseError(q.text(), "SetProp: ERROR_CATCH_WRONGVALUES");
    }
    return S_OK;
  } catch (...) {
    return unexpectedInSetProp(*this, q);
  }
}

// ---- The property table ----

HRESULT CMatObj::getFromTable(const PropQualif& q, CPHARR& entry, VARIANT* results) {
  const int slot = phaseSlot(q.phaseId);
  const bool mole = q.basisId != BsMASS;
  if (const double* stored = entry.validValues(slot, mole)) {
    if (!q.hasCompIds() || entry.size() <= 1) return makeDoubles(results, stored, entry.size());
    return selectCompounds(q, stored, entry.size(), results);
  }
  if (!entry.validValues(slot, !mole)) return getFromOther(q, results);
  std::vector<double> all;
  const HRESULT hr = lookupValues(q, all);
  if (FAILED(hr)) return hr;
  return selectCompounds(q, all.data(), static_cast<long>(all.size()), results);
}

HRESULT CMatObj::setIntoTable(const PropQualif& q, CPHARR& entry, const VARIANT& values) {
  const int slot = phaseSlot(q.phaseId);
  if (slot < 0) return ECapeUnknownHR;
  const bool mole = q.basisId != BsMASS;
  DoubleSpan v;
  doublesOf(values, v);  // validated
  static const double none = 0.0;
  HRESULT hr;
  if (!q.hasCompIds() || entry.size() <= 1 || idsMatchCompounds(*q.compIds)) {
    if (v.count != entry.size()) return raiseError(q.text(), "SetProp: ERROR_CATCH_WRONGVALUES");
    hr = entry.setData(slot, v.data ? v.data : &none, -1, mole);
  } else {
    // Some compounds: the others keep their values. Positions are this object's compounds'.
    if (entry.size() != m_numComps) return raiseError(q.text(), "SetProp: ERROR_CATCH_WRONGVALUES");
    std::vector<double> merged(static_cast<size_t>(entry.size()), 0.0);
    if (const double* old = entry.validValues(slot, mole)) std::copy(old, old + entry.size(), merged.begin());
    hr = copyCompValues(q.compIds, v.data, merged.data(), static_cast<int>(v.count), true);
    if (SUCCEEDED(hr)) hr = entry.setData(slot, merged.data(), -1, mole);
  }
  if (FAILED(hr)) return hr;
  // A value set in one basis outdates the other basis of the same phase.
  entry.setValid(slot, false, !mole);
  if (!m_otherProps.empty()) removeOther(q.property, q.phase, q.calcType, q.basis);
  return S_OK;
}

// ---- ICapeThermoMaterialObject ----

STDMETHODIMP CMatObj::GetProp(BSTR property, BSTR phase, VARIANT compIds, BSTR calcType, BSTR basis,
                              VARIANT* results) {
  support::MethodMark profiled("GetProp");
  if (!results) return E_POINTER;
  VariantInit(results);
  const Operation operation(*this, "GetProp");
  return support::raisingFailure(*this, support::kUnexpected, "GetProp", [&]() -> HRESULT {
    VARIANT ids;
    support::Variant plainIds;
    HRESULT hr = compIdsView(*this, compIds, ids, plainIds);
    if (FAILED(hr)) return hr;
    PropQualif q;
    hr = buildQualifier(q, property, phase, ids, calcType, basis, false);
    if (SUCCEEDED(hr)) hr = validateQualifier(q, nullptr, false);
    if (FAILED(hr)) return hr;
    if (CPHARR* entry = tableEntryOf(q)) return getFromTable(q, *entry, results);
    return getFromOther(q, results);
  });
}

STDMETHODIMP CMatObj::SetProp(BSTR property, BSTR phase, VARIANT compIds, BSTR calcType, BSTR basis, VARIANT values) {
  support::MethodMark profiled("SetProp");
  const Operation operation(*this, "SetProp");
  return support::raisingFailure(*this, support::kUnexpected, "SetProp", [&]() -> HRESULT {
    VARIANT ids, value;
    support::Variant plainIds, plainValues;
    HRESULT hr = compIdsView(*this, compIds, ids, plainIds);
    if (FAILED(hr)) return hr;
    if (!SetGet::argumentView(values, value))
      return raiseBadArgument(L"Argument should be empty or double array", kValuePosition);
    hr = scriptList(value, VT_R8, plainValues);
    if (FAILED(hr)) return hr;
    PropQualif q;
    hr = buildQualifier(q, property, phase, ids, calcType, basis, true);
    if (SUCCEEDED(hr)) hr = validateQualifier(q, &value, true);
    if (FAILED(hr)) return hr;
    if (CPHARR* entry = tableEntryOf(q)) return setIntoTable(q, *entry, value);
    return setIntoOther(q, value);
  });
}

STDMETHODIMP CMatObj::get_ComponentIds(VARIANT* compIds) {
  if (!compIds) return E_POINTER;
  VariantInit(compIds);
  if (SetGet::elementCount(m_compIds.get()) == 0) return S_OK;
  return VariantCopy(compIds, &m_compIds.get());
}

STDMETHODIMP CMatObj::get_PhaseIds(VARIANT* phaseIds) {
  if (!phaseIds) return E_POINTER;
  VariantInit(phaseIds);
  const Operation operation(*this, "PhaseIds");
  return support::raisingFailure(*this, support::kUnexpected, "PhaseIds", [&]() -> HRESULT {
    const CPHARR& fraction = m_table[PpFRACTION - kFirstCached][0];
    const auto present = [&](int slot) { return fraction.validValues(slot, true) || fraction.validValues(slot, false); };
    std::vector<std::wstring> names;
    if (present(0)) names.push_back(textOf(tableName(PhVAPOR)));
    if (present(1)) names.push_back(textOf(tableName(PhLIQUID)));
    if (present(2)) names.push_back(m_liquid2Name.empty() ? textOf(tableName(PhWATER)) : textOf(m_liquid2Name.get()));
    for (const support::Bstr& phase : m_nonStandardPhases) {
      const bool stored = std::any_of(m_otherProps.begin(), m_otherProps.end(), [&](const std::unique_ptr<GCOProperty>& r) {
        return support::sameText(r->property(), tableName(PpFRACTION)) && support::sameText(r->phase(), phase.get()) &&
               isMoleOrMass(COIds::findId(r->basis(), COIds::KBasis));
      });
      if (stored) names.push_back(textOf(phase.get()));
    }
    return SetGet::fromStringList(*phaseIds, names);
  });
}

STDMETHODIMP CMatObj::GetUniversalConstant(VARIANT, VARIANT* propVals) {
  if (propVals) VariantInit(propVals);
  return E_NOTIMPL;
}

STDMETHODIMP CMatObj::SetIndependentVar(VARIANT, VARIANT) { return E_NOTIMPL; }

STDMETHODIMP CMatObj::GetIndependentVar(VARIANT, VARIANT* values) {
  if (values) VariantInit(values);
  return E_NOTIMPL;
}

STDMETHODIMP CMatObj::ValidityCheck(VARIANT, VARIANT* relList) {
  if (relList) VariantInit(relList);
  return E_NOTIMPL;
}

STDMETHODIMP CMatObj::PropCheck(VARIANT given, VARIANT* valid) {
  support::MethodMark profiled("PropCheck");
  const Operation operation(*this, "PropCheck");
  if (!valid) return E_POINTER;
  VariantInit(valid);
  VARIANT props;
  if (!SetGet::argumentView(given, props)) return raiseBadArgument(L"Not a correct string array passed to PropCheck", 1);
  if (!isStringArray(props)) return badValue(*this, L"Not a correct string array passed to PropCheck", 1, props);
  return support::raisingFailure(*this, support::kUnexpectedTagged, "PropCheck", [&]() -> HRESULT {
    const long n = SetGet::elementCount(props), lb = SetGet::lbound(props);
    support::SafeArray flags(SafeArrayCreateVector(VT_BOOL, 0, static_cast<ULONG>(n)));
    if (!flags.get()) return raiseError(support::widen(support::kUnexpectedTagged), "PropCheck", E_OUTOFMEMORY);
    support::Variant out;
    out.get().vt = VT_ARRAY | VT_BOOL;
    out.get().parray = flags.detach();
    const bool haveList = isStringArray(m_propList.get());
    BSTR name = nullptr;
    for (long i = 0; SetGet::nextItem(props, lb + i, name); ++i)
      SetGet::putBool(out.get(), i, haveList && support::Utils::findPos(m_propList.get(), name) >= 0);
    *valid = out.detach();
    return S_OK;
  });
}

STDMETHODIMP CMatObj::AvailableProps(VARIANT* props) {
  if (!props) return E_POINTER;
  VariantInit(props);
  const Operation operation(*this, "AvailableProps");
  return support::raisingFailure(*this, support::kUnexpected, "AvailableProps", [&]() -> HRESULT {
    std::vector<BSTR> seen;
    std::vector<std::wstring> names;
    for (const std::unique_ptr<GCOProperty>& record : m_otherProps) {
      BSTR name = record->property();
      if (std::none_of(seen.begin(), seen.end(), [&](BSTR s) { return support::sameText(s, name); })) {
        seen.push_back(name);
        names.push_back(textOf(name));
      }
    }
    for (int property : kCachedProps) names.push_back(textOf(tableName(property)));
    return SetGet::fromStringList(*props, names);
  });
}

STDMETHODIMP CMatObj::RemoveResults(VARIANT given) {
  support::MethodMark profiled("RemoveResults");
  const Operation operation(*this, "RemoveResults");
  return support::raisingFailure(*this, support::kUnexpectedStop, "RemoveResults", [&]() -> HRESULT {
    VARIANT props;
    if (!SetGet::argumentView(given, props)) return raiseBadArgument(L"Argument should be empty or string array", 1);
    // No list removes everything; an empty list names nothing to remove.
    if (isEmptyArgument(props) || (props.vt == VT_ERROR && SetGet::isOmitted(props))) {
      for (auto& row : m_table)
        for (CPHARR& entry : row) entry.clearAll();
      m_otherProps.clear();
      return S_OK;
    }
    if (!isStringArray(props) && !SetGet::isOmitted(props))
      return badValue(*this, L"Argument should be empty or string array", 1, props);
    const long lb = SetGet::lbound(props);
    bool allInTable = true;
    BSTR name = nullptr;
    for (long i = lb; SetGet::nextItem(props, i, name); ++i)
      if (!clearCachedEntry(*this, name)) allInTable = false;
    if (!allInTable)
      for (long i = lb; SetGet::nextItem(props, i, name); ++i) removeOther(name);
    return S_OK;
  });
}

STDMETHODIMP CMatObj::GetPropList(VARIANT* props) {
  if (!props) return E_POINTER;
  VariantInit(props);
  return VariantCopy(props, &m_propList.get());
}

STDMETHODIMP CMatObj::GetNumComponents(LONG* num) {
  if (!num) return E_POINTER;
  *num = m_numComps;
  return S_OK;
}

// ---- The adapter's table accessors ----

HRESULT CMatObj::getPropValues(int phaseId, int code, std::vector<double>& out) {
  if (code < 0) return E_INVALIDARG;
  const int root = COIds::rootOfCode(code);
  const int variable = COIds::variableOfCode(code);
  if (variable < 0 || !COIds::isOfKind(root, COIds::KProperty)) return E_INVALIDARG;
  if (CPHARR* entry = entryOfCode(code)) {
    const int slot = phaseSlot(phaseId);
    if (slot < 0) return ECapeUnknownHR;  // "Phase not supported" was raised
    if (const double* v = entry->validValues(slot, true)) {
      out.assign(v, v + entry->size());
      return S_OK;
    }
    if (const double* v = entry->validValues(slot, false)) {
      out.assign(v, v + entry->size());
      PropQualif q;
      adapterQualifier(q, root, variable, phaseId);
      return handleConversions(q, false, out, slot);
    }
  }
  PropQualif q;
  adapterQualifier(q, root, variable, phaseId);
  return answerFromOther(q, out);
}

HRESULT CMatObj::setPropValues(int code, int phaseId, const double* values, int count) {
  CPHARR* entry = entryOfCode(code);
  if (!entry || count != entry->size() || (count > 0 && !values)) return E_INVALIDARG;
  const int slot = phaseSlot(phaseId);
  if (slot < 0) return ECapeUnknownHR;  // "Phase not supported" was raised
  static const double none = 0.0;
  const HRESULT hr = entry->setData(slot, values ? values : &none, -1, true);
  if (SUCCEEDED(hr)) entry->setValid(slot, false, false);
  return hr;
}

STDMETHODIMP CMatObj::GetPropVal(LONG COphase, LONG COprop, VARIANT* vals) {
  if (!vals) return E_POINTER;
  VariantInit(vals);
  try {
    std::vector<double> values;
    const HRESULT hr = getPropValues(COphase, COprop, values);
    if (FAILED(hr)) return hr;
    return makeDoubles(vals, values.data(), static_cast<long>(values.size()));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

STDMETHODIMP CMatObj::setPropVal(LONG COprop, LONG COphase, VARIANT given) {
  try {
    VARIANT vals;
    DoubleSpan v;
    if (!SetGet::argumentView(given, vals) || !doublesOf(vals, v)) return E_INVALIDARG;
    return setPropValues(COprop, COphase, v.data, static_cast<int>(v.count));
  } catch (...) {
    return E_FAIL;
  }
}
