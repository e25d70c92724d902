// The ideal-solution package. CalcProp works the way the example package published with the
// 1.0 standard does: the conditions are read once, every requested value is computed, and only
// then are the results written; "Mixture" properties on Vapor/Liquid from the phase's own
// composition, on Overall from the phases present and their fractions; K-values only on
// VaporLiquid; temperature functions of the pure compounds only with "Pure".
#include "counterparts/idealthermo/IdealPackage.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "counterparts/common/ComArrays.h"
#include "counterparts/common/PackageCreation.h"
#include "support/Raii.h"
#include "support/Text.h"

namespace idealthermo {

using counterpart::fail;

namespace {

const wchar_t kPackageInterface[] = L"ICapeThermoPropertyPackage";
const wchar_t kUtilitiesInterface[] = L"ICapeUtilities";
const wchar_t kIdentificationInterface[] = L"ICapeIdentification";
const wchar_t kVapor[] = L"Vapor";
const wchar_t kLiquid[] = L"Liquid";
const wchar_t kOverall[] = L"Overall";
const wchar_t kVaporLiquid[] = L"VaporLiquid";

bool same(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

std::vector<std::string> stringList(const VARIANT& v, const wchar_t* what) {
  std::vector<std::string> list;
  if (!counterpart::readStrings(v, list)) fail(ECapeInvalidArgumentHR, std::wstring(what) + L" must be an array of strings");
  return list;
}

std::vector<std::wstring> wideList(const VARIANT& v, const wchar_t* what) {
  std::vector<std::wstring> list;
  if (!counterpart::readWideStrings(v, list)) fail(ECapeInvalidArgumentHR, std::wstring(what) + L" must be an array of strings");
  return list;
}

double scalarOf(const std::vector<double>& values, const wchar_t* what) {
  if (values.size() != 1 || !std::isfinite(values[0]))
    fail(ECapeUnknownHR, std::wstring(L"the material object gave no single finite ") + what);
  return values[0];
}

// Universal constants (CODATA 2018 values).
bool universalConstant(const std::string& name, double& value) {
  static const struct {
    const char* name;
    double value;
  } kConstants[] = {{"molarGasConstant", kGasConstant},
                    {"avogadroConstant", 6.02214076e23},
                    {"boltzmannConstant", 1.380649e-23},
                    {"speedOfLightInVacuum", 299792458.0},
                    {"standardAccelerationOfGravity", 9.80665}};
  for (const auto& c : kConstants)
    if (sameWord(c.name, name)) return value = c.value, true;
  return false;
}

// A compound constant as a VARIANT; false for a name this system does not know.
bool compoundConstant(const std::string& name, const PureCompound& c, support::Variant& out) {
  VARIANT& v = out.get();
  v.vt = VT_R8;
  if (sameWord(name, "molecularWeight")) v.dblVal = c.mw;
  else if (sameWord(name, "criticalTemperature")) v.dblVal = c.tc;
  else if (sameWord(name, "criticalPressure")) v.dblVal = c.pc;
  else if (sameWord(name, "criticalVolume")) v.dblVal = c.zc * kGasConstant * c.tc / c.pc;
  else if (sameWord(name, "criticalCompressibilityFactor")) v.dblVal = c.zc;
  else if (sameWord(name, "acentricFactor")) v.dblVal = c.omega;
  else if (sameWord(name, "normalBoilingPoint")) v.dblVal = c.tb;
  else if (sameWord(name, "liquidVolumeAt25C")) v.dblVal = c.liquidVolume(kReferenceT);
  else if (sameWord(name, "idealGasEnthalpyOfFormationAt25C")) v.dblVal = c.hf;
  else if (sameWord(name, "casRegistryNumber") || sameWord(name, "chemicalFormula")) {
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(support::widen(sameWord(name, "casRegistryNumber") ? c.cas : c.formula).c_str());
    if (!v.bstrVal) throw std::bad_alloc();
  } else {
    v.vt = VT_EMPTY;
    return false;
  }
  return true;
}

// Bad arguments found inside a calculation are the caller's; a domain error is the calculation's.
counterpart::PackageFailure describeException(const std::exception& e) {
  std::wstring text = support::widen(e.what());
  if (dynamic_cast<const std::invalid_argument*>(&e)) return {ECapeInvalidArgumentHR, std::move(text)};
  if (dynamic_cast<const std::domain_error*>(&e)) return {ECapeComputationHR, std::move(text)};
  return {ECapeUnknownHR, std::move(text)};
}

}  // namespace

template <class Body>
HRESULT IdealPackage::call(const wchar_t* operation, const wchar_t* interfaceName, Body body) {
  m_error = counterpart::ErrorRecord{};
  auto record = [&](HRESULT code, const std::wstring& text) {
    try {
      m_error = {code, text, operation, interfaceName, m_identity.name};
    } catch (...) {
      m_error.code = code;
    }
  };
  return counterpart::runPackageCall(body, record, &describeException);
}

template <class Body>
HRESULT IdealPackage::identificationCall(const wchar_t* operation, Body body) {
  return call(operation, kIdentificationInterface, body);
}

HRESULT IdealPackage::create(const PackageDefinition& definition, const std::vector<PureCompound>& all,
                             IDispatch** out) {
  std::vector<PureCompound> compounds;
  for (const auto& id : definition.compoundIds) {
    auto found = std::find_if(all.begin(), all.end(), [&](const PureCompound& c) { return c.id == id; });
    if (found == all.end()) throw DataFileError("compound " + id + " is missing from ideal_compounds.tsv");
    compounds.push_back(*found);
  }
  return counterpart::createPackage<IdealPackage>(out, [&](IdealPackage& package) {
    package.m_definition = definition;
    package.m_compounds = std::move(compounds);
    package.m_identity = {definition.name, definition.description};
  });
}

void IdealPackage::requireLive(const wchar_t* operation) const {
  if (m_terminated) fail(ECapeBadInvOrderHR, std::wstring(operation) + L" was called after Terminate");
}

std::vector<PureCompound> IdealPackage::compoundsOf(const std::vector<std::wstring>& ids) const {
  if (ids.empty()) fail(ECapeInvalidArgumentHR, L"the material object has no compounds");
  std::vector<PureCompound> out;
  for (const auto& id : ids) {
    auto found = std::find_if(m_compounds.begin(), m_compounds.end(),
                              [&](const PureCompound& c) { return same(support::widen(c.id), id.c_str()); });
    if (found == m_compounds.end()) fail(ECapeInvalidArgumentHR, L"compound " + id + L" is not in this package");
    out.push_back(*found);
  }
  return out;
}

IdealPackage::Material IdealPackage::open(IDispatch* materialObject) {
  Material m;
  m.link = linkMaterial(materialObject, m_definition.manner);
  m.solution = std::make_unique<IdealSolution>(compoundsOf(m.link->componentIds()));
  m.conditions.t = scalarOf(m.link->readState(L"temperature", kOverall, nullptr), L"temperature");
  m.conditions.p = scalarOf(m.link->readState(L"pressure", kOverall, nullptr), L"pressure");
  return m;
}

const PropertyRule& IdealPackage::offered(const std::string& name) const {
  const PropertyRule* rule = findProperty(name);
  const bool listed = std::any_of(m_definition.properties.begin(), m_definition.properties.end(),
                                  [&](const std::string& p) { return sameWord(p, name); });
  if (!rule || !listed) fail(ECapeInvalidArgumentHR, L"property " + support::widen(name) + L" is not supported");
  return *rule;
}

const std::vector<double>& IdealPackage::composition(Material& m, const std::wstring& phase) {
  auto found = m.compositions.find(phase);
  if (found != m.compositions.end()) return found->second;
  auto x = m.link->readState(L"fraction", phase.c_str(), L"mole");
  if (x.size() != m.solution->size())
    fail(ECapeUnknownHR, L"the material object gave " + std::to_wstring(x.size()) + L" fractions of " + phase + L" for " +
                             std::to_wstring(m.solution->size()) + L" compounds");
  return m.compositions.emplace(phase, std::move(x)).first->second;
}

// Overall enthalpy, entropy, heat capacity and volume: the present phases weighted by their
// fractions (density from the weighted volume).
std::vector<double> IdealPackage::overall(Material& m, const PropertyRule& rule) {
  static const PropertyRule kVolume = *findProperty("volume");
  const bool density = sameWord(rule.name, "density");
  double sum = 0, fractions = 0;
  for (const auto& phase : m.link->phaseIds()) {
    const bool vapour = same(phase, kVapor);
    if (!vapour && !same(phase, kLiquid)) continue;
    const double beta = scalarOf(m.link->readState(L"phaseFraction", phase.c_str(), L"mole"), L"phaseFraction");
    const auto value = m.solution->evaluate(density ? kVolume : rule, vapour ? Phase::Vapour : Phase::Liquid,
                                            m.conditions, composition(m, phase));
    sum += beta * value[0];
    fractions += beta;
  }
  if (!(fractions > 0)) fail(ECapeComputationHR, L"no phase with a fraction is present for an Overall property");
  return {density ? 1 / sum : sum};
}

IdealPackage::Result IdealPackage::evaluate(Material& m, const std::string& property, const std::wstring& phase,
                                            bool pure) {
  const PropertyRule& rule = offered(property);
  Result result{support::widen(property), phase, rule.molarBasis, {}};
  const std::wstring name = support::widen(property);
  if ((rule.shape == Shape::Pure) != pure)
    fail(ECapeInvalidArgumentHR, name + (pure ? L" cannot be calculated with calcType Pure" : L" needs calcType Pure"));
  if ((rule.shape == Shape::TwoPhase) != same(phase, kVaporLiquid))
    fail(ECapeInvalidArgumentHR, name + L" cannot be calculated on phase " + phase);
  if (rule.shape == Shape::TwoPhase || rule.shape == Shape::Pure) {
    result.values = m.solution->evaluate(rule, Phase::Vapour, m.conditions, {});
  } else if (same(phase, kOverall)) {
    if (!rule.overall) fail(ECapeInvalidArgumentHR, name + L" cannot be calculated on phase Overall");
    result.values = overall(m, rule);
  } else if (same(phase, kVapor) || same(phase, kLiquid)) {
    result.values = m.solution->evaluate(rule, same(phase, kVapor) ? Phase::Vapour : Phase::Liquid, m.conditions,
                                         composition(m, phase));
  } else {
    fail(ECapeInvalidArgumentHR, L"phase " + phase + L" is not supported");
  }
  for (double v : result.values)
    if (!std::isfinite(v)) fail(ECapeComputationHR, name + L" is not finite at these conditions");
  return result;
}

void IdealPackage::writeAll(MaterialLink& link, const std::vector<Result>& results, const wchar_t* calcType) {
  for (const auto& r : results)
    link.write(r.property.c_str(), r.phase.c_str(), calcType, r.molarBasis ? L"mole" : nullptr, r.values);
}

// ---- ICapeThermoPropertyPackage ----

STDMETHODIMP IdealPackage::GetPhaseList(VARIANT* phases) {
  return call(L"GetPhaseList", kPackageInterface,
              [&] { return counterpart::putStrings(phases, {"Vapor", "Liquid", "Overall", "VaporLiquid"}); });
}

STDMETHODIMP IdealPackage::GetPropList(VARIANT* props) {
  return call(L"GetPropList", kPackageInterface, [&] { return counterpart::putStrings(props, m_definition.properties); });
}

STDMETHODIMP IdealPackage::GetComponentList(VARIANT* compIds, VARIANT* formulae, VARIANT* names, VARIANT* boilTemps,
                                            VARIANT* molwt, VARIANT* casno) {
  if (!compIds || !formulae || !names || !boilTemps || !molwt || !casno) return E_POINTER;
  return call(L"GetComponentList", kPackageInterface, [&] {
    std::vector<std::string> ids, formula, name, cas;
    std::vector<double> tb, mw;
    for (const auto& c : m_compounds) {
      ids.push_back(c.id), formula.push_back(c.formula), name.push_back(c.name), cas.push_back(c.cas);
      tb.push_back(c.tb), mw.push_back(c.mw);
    }
    HRESULT hr = counterpart::putStrings(compIds, ids);
    if (SUCCEEDED(hr)) hr = counterpart::putStrings(formulae, formula);
    if (SUCCEEDED(hr)) hr = counterpart::putStrings(names, name);
    if (SUCCEEDED(hr)) hr = counterpart::putDoubles(boilTemps, tb);
    if (SUCCEEDED(hr)) hr = counterpart::putDoubles(molwt, mw);
    if (SUCCEEDED(hr)) hr = counterpart::putStrings(casno, cas);
    if (FAILED(hr))
      for (VARIANT* v : {compIds, formulae, names, boilTemps, molwt, casno}) VariantClear(v);
    return hr;
  });
}

STDMETHODIMP IdealPackage::GetUniversalConstant(IDispatch*, VARIANT props, VARIANT* propVals) {
  if (!propVals) return E_POINTER;
  return call(L"GetUniversalConstant", kPackageInterface, [&] {
    std::vector<support::Variant> values;
    for (const auto& name : stringList(props, L"props")) {
      support::Variant v;
      v.get().vt = VT_R8;
      if (!universalConstant(name, v.get().dblVal))
        fail(ECapeInvalidArgumentHR, L"universal constant " + support::widen(name) + L" is not supported");
      values.push_back(std::move(v));
    }
    std::vector<VARIANT> plain;
    for (auto& v : values) plain.push_back(v.get());
    return counterpart::putVariants(propVals, plain);
  });
}

// The compounds are those of the material object, in its order; property-major result.
STDMETHODIMP IdealPackage::GetComponentConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) {
  if (!propVals) return E_POINTER;
  return call(L"GetComponentConstant", kPackageInterface, [&] {
    requireLive(L"GetComponentConstant");
    const auto names = stringList(props, L"props");
    const auto compounds = compoundsOf(linkMaterial(materialObject, m_definition.manner)->componentIds());
    std::vector<support::Variant> values;
    for (const auto& name : names)
      for (const auto& c : compounds) {
        values.emplace_back();
        if (!compoundConstant(name, c, values.back()))
          fail(ECapeInvalidArgumentHR, L"compound constant " + support::widen(name) + L" is not supported");
      }
    std::vector<VARIANT> plain;
    for (auto& v : values) plain.push_back(v.get());
    return counterpart::putVariants(propVals, plain);
  });
}

STDMETHODIMP IdealPackage::CalcProp(IDispatch* materialObject, VARIANT props, VARIANT phases, BSTR calcType) {
  return call(L"CalcProp", kPackageInterface, [&] {
    requireLive(L"CalcProp");
    const auto propList = stringList(props, L"props");
    const auto phaseList = wideList(phases, L"phases");
    const std::wstring type(calcType ? calcType : L"", SysStringLen(calcType));
    const bool pure = same(type, L"Pure");
    if (!pure && !same(type, L"Mixture")) fail(ECapeInvalidArgumentHR, L"calcType must be Mixture or Pure, not " + type);
    if (propList.empty() || phaseList.empty()) return S_OK;
    Material m = open(materialObject);
    std::vector<Result> results;
    for (const auto& phase : phaseList)
      for (const auto& property : propList) results.push_back(evaluate(m, property, phase, pure));
    writeAll(*m.link, results, pure ? L"Pure" : L"Mixture");
    return S_OK;
  });
}

// TP only: the feed from Overall, then the phases present, their fractions and compositions, and
// the requested properties of each.
STDMETHODIMP IdealPackage::CalcEquilibrium(IDispatch* materialObject, BSTR flashType, VARIANT props) {
  return call(L"CalcEquilibrium", kPackageInterface, [&] {
    requireLive(L"CalcEquilibrium");
    const std::wstring type(flashType ? flashType : L"", SysStringLen(flashType));
    if (!same(type, L"TP") && !same(type, L"PT")) fail(ECapeInvalidArgumentHR, L"flash type " + type + L" is not supported");
    const auto propList = props.vt == VT_EMPTY ? std::vector<std::string>{} : stringList(props, L"props");
    Material m = open(materialObject);
    const auto split = m.solution->flash(m.conditions, composition(m, kOverall));
    std::vector<Result> results;
    auto phaseResults = [&](const wchar_t* phase, double fraction, const std::vector<double>& x) {
      results.push_back({L"phaseFraction", phase, true, {fraction}});
      if (fraction <= 0) return;
      results.push_back({L"fraction", phase, true, x});
      m.compositions[phase] = x;
      for (const auto& property : propList) results.push_back(evaluate(m, property, phase, false));
    };
    phaseResults(kVapor, split.vapour, split.y);
    phaseResults(kLiquid, 1 - split.vapour, split.x);
    writeAll(*m.link, results, L"Mixture");
    return S_OK;
  });
}

STDMETHODIMP IdealPackage::PropCheck(IDispatch*, VARIANT props, VARIANT* valid) {
  if (!valid) return E_POINTER;
  return call(L"PropCheck", kPackageInterface, [&] {
    std::vector<bool> flags;
    for (const auto& name : stringList(props, L"props"))
      flags.push_back(findProperty(name) && std::any_of(m_definition.properties.begin(), m_definition.properties.end(),
                                                        [&](const std::string& p) { return sameWord(p, name); }));
    return counterpart::putBools(valid, flags);
  });
}

STDMETHODIMP IdealPackage::ValidityCheck(IDispatch*, VARIANT, VARIANT* relList) {
  if (relList) VariantInit(relList);
  return call(L"ValidityCheck", kPackageInterface,
              [&]() -> HRESULT { fail(ECapeNoImplHR, L"ValidityCheck is not implemented"); });
}

// ---- ICapeUtilities ----

STDMETHODIMP IdealPackage::get_parameters(IDispatch** parameters) {
  if (!parameters) return E_POINTER;
  *parameters = nullptr;
  return call(L"parameters", kUtilitiesInterface, [&]() -> HRESULT { fail(ECapeNoImplHR, L"the package has no parameters"); });
}

STDMETHODIMP IdealPackage::put_simulationContext(IDispatch*) { return S_OK; }
STDMETHODIMP IdealPackage::Initialize() { return S_OK; }
STDMETHODIMP IdealPackage::Edit() { return S_OK; }

STDMETHODIMP IdealPackage::Terminate() {
  m_terminated = true;
  return S_OK;
}

}  // namespace idealthermo
