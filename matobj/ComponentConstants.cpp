// Component constants: the compound cache filled from the package when it is attached, and the
// answers to the package's own GetComponentConstant calls on the material object.
#include <atomic>

#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "support/Guards.h"
#include "support/SetGet.h"
#include "support/Utils.h"

using support::SetGet;

namespace {

// Where a constant of the compound cache lives. Densities and volumes are kept one way only;
// the other is served as its reciprocal.
struct CachedConstant {
  int id;
  double CompConstProp::*number;
  support::Bstr CompConstProp::*text;
  bool reciprocal;
};

const CachedConstant kCachedConstants[] = {
    {CcCASREGISTRYNUMBER, nullptr, &CompConstProp::m_casNumber, false},
    {CcIUPACNAME, nullptr, &CompConstProp::m_name, false},
    {CcCHEMICALFORMULA, nullptr, &CompConstProp::m_formula, false},
    {CcMOLECULARWEIGHT, &CompConstProp::m_molecularWeight, nullptr, false},
    {CcCRITICALTEMPERATURE, &CompConstProp::m_criticalTemperature, nullptr, false},
    {CcCRITICALPRESSURE, &CompConstProp::m_criticalPressure, nullptr, false},
    {CcCRITICALVOLUME, &CompConstProp::m_criticalVolume, nullptr, false},
    {CcCRITICALDENSITY, &CompConstProp::m_criticalVolume, nullptr, true},
    {CcACENTRICFACTOR, &CompConstProp::m_acentricFactor, nullptr, false},
    {CcNORMALBOILINGPOINT, &CompConstProp::m_normalBoilingPoint, nullptr, false},
    {CcLIQUIDDENSITYAT25C, &CompConstProp::m_liquidDensity25C, nullptr, false},
    {CcLIQUIDVOLUMEAT25C, &CompConstProp::m_liquidDensity25C, nullptr, true},
};

// The constants that attaching a package reads into the cache, in this order.
const wchar_t* const kFilledConstants[] = {L"criticalTemperature", L"criticalPressure", L"criticalVolume",
                                           L"acentricFactor", L"liquidDensityAt25C"};

const CachedConstant* cachedConstantOf(BSTR name) {
  const int id = COIds::findId(name, COIds::KConstant);
  for (const CachedConstant& c : kCachedConstants)
    if (c.id == id) return &c;
  return nullptr;
}

bool isStringArray(const VARIANT& v) { return v.vt == (VT_ARRAY | VT_BSTR) && v.parray && SetGet::dimCount(v) == 1; }

// Every element is a value of its own: no array (which could hold this very array) and no
// reference into the package's memory.
bool holdsPlainValues(const VARIANT& answer) {
  VARIANT element;
  for (long i = SetGet::lbound(answer); SetGet::nextItem(answer, i, element); ++i)
    if (element.vt & (VT_ARRAY | VT_BYREF)) return false;
  return true;
}

// A one-name string list.
support::Variant nameList(const wchar_t* name) {
  support::Variant list;
  if (SUCCEEDED(SetGet::Create(list.get(), VT_BSTR, 1))) SetGet::putString(list.get(), 0, SysAllocString(name));
  return list;
}

// A cached value of compound `c`: texts as strings, numbers as doubles. False when the number
// was never set (its reciprocal then counts as missing too).
bool cachedValue(const CachedConstant& entry, const CompConstProp& c, VARIANT& out) {
  if (entry.text) {
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocString((c.*entry.text).c_str());
    return true;
  }
  const double value = c.*entry.number;
  if (value == MathUtils::kUnset) return false;
  out.vt = VT_R8;
  out.dblVal = entry.reciprocal ? 1.0 / value : value;
  return true;
}

// Element k (from 0) of a list as text or number; absent or of another type leaves the target.
void readText(const VARIANT& list, long k, support::Bstr& target) {
  BSTR s = nullptr;
  if (isStringArray(list) && SetGet::nextItem(list, SetGet::lbound(list) + k, s)) target = support::Bstr(s);
}

void readNumber(const VARIANT& list, long k, double& target) {
  const long i = SetGet::lbound(list) + k;
  if (k >= SetGet::elementCount(list)) return;
  if (list.vt == (VT_ARRAY | VT_R8)) {
    SetGet::nextItem(list, i, target);
  } else if (list.vt == (VT_ARRAY | VT_VARIANT)) {
    VARIANT element;
    support::Variant number;
    if (SetGet::nextItem(list, i, element) && SUCCEEDED(VariantChangeType(number.out(), &element, 0, VT_R8)))
      target = number.get().dblVal;
  }
}

// The deprecated answer (plain doubles or strings) as the standard array of VARIANTs.
HRESULT toVariantArray(VARIANT& answer) {
  const long n = SetGet::elementCount(answer), lb = SetGet::lbound(answer);
  support::Variant converted;
  HRESULT hr = SetGet::Create(converted.get(), VT_VARIANT, n);
  for (long k = 0; SUCCEEDED(hr) && k < n; ++k) {
    VARIANT element;
    VariantInit(&element);
    element.vt = static_cast<VARTYPE>(answer.vt & ~VT_ARRAY);
    long at = lb + k;
    hr = SafeArrayGetElement(answer.parray, &at, element.vt == VT_R8 ? static_cast<void*>(&element.dblVal)
                                                                      : static_cast<void*>(&element.bstrVal));
    if (SUCCEEDED(hr)) hr = SafeArrayPutElement(converted.get().parray, &k, &element);
    VariantClear(&element);
  }
  if (FAILED(hr)) return hr;
  VariantClear(&answer);
  answer = converted.detach();
  return S_OK;
}

}  // namespace

// ---- Normalising the package's answers ----

HRESULT CMatObj::normaliseConstants(VARIANT& answer, long expected) {
  static std::atomic<bool> deprecatedWarned{false};
  if (answer.vt == (VT_ARRAY | VT_R8) || answer.vt == (VT_ARRAY | VT_BSTR)) {
    if (firstTime(deprecatedWarned))
      raiseWarning(L"The package returns constant properties using an deprecated standard. ", true);
    const HRESULT hr = toVariantArray(answer);
    if (FAILED(hr)) return hr;
  }
  if (answer.vt != (VT_ARRAY | VT_VARIANT) || SetGet::dimCount(answer) != 1 || !SetGet::elementTypeAgrees(answer) ||
      !holdsPlainValues(answer))
    return raiseError(L"GetComponentConstant should return an array of VARIANTs", "GetComponentConstant");
  if (SetGet::elementCount(answer) != expected)
    return raiseError(L"For each requested property, GetComponentConstant should return one value of each of the "
                      L"components in the passed material object",
                      "GetComponentConstant");
  return S_OK;
}

HRESULT CMatObj::askPackageConstants(const VARIANT& names, support::Variant& answer, bool& callFailed) {
  callFailed = true;
  if (!m_package) return raiseError(L"Error in GetComponentConstant");
  const HRESULT hr = m_package->GetComponentConstant(materialDispatch(), names, answer.out());
  if (FAILED(hr)) return hr;
  callFailed = false;
  return normaliseConstants(answer.get(), SetGet::elementCount(names) * m_numComps);
}

// ---- Filling the cache when the package is attached ----

HRESULT CMatObj::getComConstFromCOPP(const VARIANT& ids, const VARIANT& formulae, const VARIANT& names,
                                     const VARIANT& boilTemps, const VARIANT& molwts, const VARIANT& casnos) {
  try {
    for (int i = 0; i < m_numComps; ++i) {
      CompConstProp& c = m_compConsts[i];
      readText(ids, i, c.m_compId);
      readText(formulae, i, c.m_formula);
      readText(names, i, c.m_name);
      readText(casnos, i, c.m_casNumber);
      readNumber(molwts, i, c.m_molecularWeight);
      readNumber(boilTemps, i, c.m_normalBoilingPoint);
    }
    for (const wchar_t* name : kFilledConstants) {
      const HRESULT hr = fillCachedConstant(name);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  } catch (...) {
    return raiseError(L"bug in getComConstFromCOPP");
  }
}

// A constant the package cannot give stays unset; an answer of the wrong shape stops the filling.
// After the compound list changed: the cache filled again, each compound's texts and numbers
// taken from the package's lists at that compound's own position there (the host may have
// chosen fewer compounds, or another order), then the constants asked of the package again.
HRESULT CMatObj::refillConstants() {
  if (!m_package || m_numComps <= 0) return S_OK;
  try {
    support::Variant ids, formulae, names, boilTemps, molwts, casnos;
    HRESULT hr = m_package->GetComponentList(&ids.get(), &formulae.get(), &names.get(), &boilTemps.get(),
                                             &molwts.get(), &casnos.get());
    if (FAILED(hr)) return hr;
    const long packageCount = SetGet::elementCount(ids.get());
    for (int i = 0; i < m_numComps; ++i) {
      BSTR own = nullptr;
      if (!SetGet::nextItem(m_compIds.get(), SetGet::lbound(m_compIds.get()) + i, own)) continue;
      for (long k = 0; k < packageCount; ++k) {
        BSTR theirs = nullptr;
        if (!SetGet::nextItem(ids.get(), SetGet::lbound(ids.get()) + k, theirs) || !support::sameText(own, theirs)) continue;
        CompConstProp& c = m_compConsts[i];
        readText(ids.get(), k, c.m_compId);
        readText(formulae.get(), k, c.m_formula);
        readText(names.get(), k, c.m_name);
        readText(casnos.get(), k, c.m_casNumber);
        readNumber(molwts.get(), k, c.m_molecularWeight);
        readNumber(boilTemps.get(), k, c.m_normalBoilingPoint);
        break;
      }
    }
    for (const wchar_t* name : kFilledConstants) {
      hr = fillCachedConstant(name);
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  } catch (...) {
    return raiseError(L"bug in getComConstFromCOPP");
  }
}

HRESULT CMatObj::fillCachedConstant(const wchar_t* name) {
  support::Bstr text(name);
  double CompConstProp::*field = cachedConstantOf(text.get())->number;
  support::Variant answer;
  bool callFailed = false;
  const HRESULT hr = askPackageConstants(nameList(name).get(), answer, callFailed);
  if (callFailed) {
    for (CompConstProp& c : m_compConsts) c.*field = MathUtils::kUnset;
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  const long lb = SetGet::lbound(answer.get());
  for (int i = 0; i < m_numComps; ++i) {
    const VARIANT value = SetGet::getVariant(answer.get(), lb + i);
    if (value.vt != VT_R8)
      return raiseError(L"Individual values returned by GetComponentConstant should be doubles packed in VARIANTs",
                        "GetComponentConstant");
    m_compConsts[i].*field = value.dblVal;
  }
  return S_OK;
}

// ---- Answering the package ----

STDMETHODIMP CMatObj::GetComponentConstant(VARIANT givenProps, VARIANT givenIds, VARIANT* propVals) {
  if (!propVals) return E_POINTER;
  const Operation operation(*this, "GetComponentConstant");
  try {
    VariantInit(propVals);
    // Arguments passed by reference are read where they are; every form of "no ids" is all.
    // Script callers' lists of VARIANTs holding strings are read as the string lists they are.
    VARIANT props, compIds;
    support::Variant plainProps, plainIds;
    const bool idsRead = SetGet::argumentView(givenIds, compIds) &&
                         (SetGet::isOmitted(compIds) || SUCCEEDED(SetGet::plainArrayOf(compIds, VT_BSTR, plainIds.get())));
    if (plainIds.vt() != VT_EMPTY) compIds = plainIds.get();
    if (!idsRead || (!SetGet::isOmitted(compIds) && !isStringArray(compIds)))
      return raiseBadArgument(L"GetCOmponentConstant's 'compIds' argument is not a valid array of string", 2);
    if (SetGet::isOmitted(compIds)) VariantInit(&compIds);
    const bool propsRead =
        SetGet::argumentView(givenProps, props) && SUCCEEDED(SetGet::plainArrayOf(props, VT_BSTR, plainProps.get()));
    if (plainProps.vt() != VT_EMPTY) props = plainProps.get();
    if (!propsRead || !isStringArray(props))
      return raiseBadArgument(L"GetCOmponentConstant's 'Props' argument is not a valid array of strings", 1);
    return getComponentConstantCore(props, compIds, propVals);
  } catch (...) {
    return raiseError(L"Error in GetComponentConstant");
  }
}

HRESULT CMatObj::getComponentConstantCore(const VARIANT& props, const VARIANT& compIds, VARIANT* out) {
  if (!out) return E_POINTER;
  try {
    if (!isStringArray(props)) return raiseError(L"Error in GetComponentConstant");
    std::vector<int> positions;
    HRESULT hr = requestedCompounds(compIds, positions);
    if (FAILED(hr)) return hr;
    std::vector<support::Variant> values;
    hr = m_proxy ? constantsFromCache(props, positions, values) : constantsFromPackage(props, positions, values);
    if (FAILED(hr)) return hr;

    support::Variant result;
    hr = SetGet::Create(result.get(), VT_VARIANT, static_cast<long>(values.size()));
    if (FAILED(hr)) return raiseError(support::widen(support::kUnexpected), nullptr, hr);
    for (long k = 0; k < static_cast<long>(values.size()); ++k) {
      hr = SafeArrayPutElement(result.get().parray, &k, &values[k]);
      if (FAILED(hr)) return raiseError(support::widen(support::kUnexpected), nullptr, hr);
    }
    VariantClear(out);
    *out = result.detach();
    return S_OK;
  } catch (...) {
    return raiseError(L"Error in GetComponentConstant");
  }
}

HRESULT CMatObj::requestedCompounds(const VARIANT& compIds, std::vector<int>& positions) {
  positions.clear();
  if (SetGet::isOmitted(compIds)) {
    for (int i = 0; i < m_numComps; ++i) positions.push_back(i);
    return S_OK;
  }
  BSTR id = nullptr;
  for (long i = SetGet::lbound(compIds); SetGet::nextItem(compIds, i, id); ++i) {
    const int at = compoundIndex(id);
    if (at < 0) return raiseError(L"Component not supported by property package");
    positions.push_back(at);
  }
  return S_OK;
}

// The adapter's own object: its cache answers what it holds, the package the rest.
HRESULT CMatObj::constantsFromCache(const VARIANT& props, const std::vector<int>& positions,
                                    std::vector<support::Variant>& values) {
  BSTR name = nullptr;
  for (long i = SetGet::lbound(props); SetGet::nextItem(props, i, name); ++i) {
    if (const CachedConstant* entry = cachedConstantOf(name)) {
      for (int at : positions) {
        values.emplace_back();
        if (!cachedValue(*entry, m_compConsts[at], values.back().get())) return E_FAIL;
      }
      continue;
    }
    support::Variant answer;
    bool callFailed = false;
    HRESULT hr = askPackageConstants(nameList(name).get(), answer, callFailed);
    if (callFailed) {
      hr = complainToProxy(L"calling GetComponentConstant", hr);
      return FAILED(hr) ? hr : E_FAIL;  // a handled complaint still leaves the value missing
    }
    if (FAILED(hr)) return hr;
    const long lb = SetGet::lbound(answer.get());
    for (int at : positions) {
      values.emplace_back();
      VARIANT element = SetGet::getVariant(answer.get(), lb + at);
      hr = values.back().copyFrom(element);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

// Any other material object asks the package for the whole request. The package answers for
// every compound of the object, so the requested ones are picked from that answer.
HRESULT CMatObj::constantsFromPackage(const VARIANT& props, const std::vector<int>& positions,
                                      std::vector<support::Variant>& values) {
  support::Variant answer;
  bool callFailed = false;
  HRESULT hr = askPackageConstants(props, answer, callFailed);
  if (FAILED(hr)) return hr;
  const long lb = SetGet::lbound(answer.get());
  for (long c = 0; c < SetGet::elementCount(props); ++c) {
    for (int at : positions) {
      values.emplace_back();
      VARIANT element = SetGet::getVariant(answer.get(), lb + c * m_numComps + at);
      hr = values.back().copyFrom(element);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}
