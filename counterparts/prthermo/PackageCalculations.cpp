// The package members that work on a material object: CalcProp, CalcEquilibrium, the constants,
// PropCheck and ValidityCheck. Each reads the state from the material object, computes, and
// writes only when everything was computed.
#include <algorithm>
#include <cstdio>

#include "counterparts/common/ComArrays.h"
#include "counterparts/prthermo/Constants.h"
#include "counterparts/prthermo/Faults.h"
#include "counterparts/prthermo/MaterialAccess.h"
#include "counterparts/prthermo/Names.h"
#include "counterparts/prthermo/PackageCall.h"
#include "support/Raii.h"

namespace prthermo {

using counterpart::fail;
using counterpart::putBools;
using counterpart::putDoubles;
using counterpart::putStrings;
using counterpart::putVariants;
using counterpart::readStrings;
using counterpart::readWideStrings;
using counterpart::sameWideStrings;

namespace {

const wchar_t kPackageInterface[] = L"ICapeThermoPropertyPackage";
const char kMole[] = "mole";

std::wstring quoted(const std::string& text) { return L"'" + support::widen(text) + L"'"; }

std::string textOf(BSTR text) { return support::narrow(std::wstring(text ? text : L"", SysStringLen(text))); }

// Whether a BSTR is an ASCII name, compared as sameName does, without converting it.
bool isName(BSTR text, const char* name) {
  const UINT length = SysStringLen(text);
  for (UINT i = 0; i < length; ++i) {
    if (!name[i] || text[i] > 0x7F ||
        std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(name[i])))
      return false;
  }
  return !name[length];
}

std::wstring quoted(BSTR text) { return L"'" + std::wstring(text ? text : L"", SysStringLen(text)) + L"'"; }

void checkCalcType(BSTR calcType) {
  if (isName(calcType, "Mixture")) return;
  const std::string type = textOf(calcType);
  if (sameName(type, "Pure")) fail(ECapeLimitedImplHR, L"only Mixture calculations are offered, not Pure");
  fail(ECapeInvalidArgumentHR, L"calculation type " + quoted(type) + L" is not Mixture");
}

std::vector<std::string> namesOf(const VARIANT& list, const wchar_t* what) {
  std::vector<std::string> names;
  if (!readStrings(list, names)) fail(ECapeInvalidArgumentHR, std::wstring(what) + L" must be an array of strings");
  return names;
}

// The two given variables of a flash, in the order Flash::run takes them.
struct FlashInputs {
  double first = 0, second = 0;
};

std::string formatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

}  // namespace

// ---- helpers ----

size_t PropertyPackage::compoundIndex(const std::string& id) const {
  for (size_t i = 0; i < m_compounds.size(); ++i) {
    if (sameName(m_compounds[i].name, id)) return i;
  }
  fail(ECapeInvalidArgumentHR, L"compound " + quoted(id) + L" of the material object is not in package " +
                                   quoted(m_definition.name));
}

const prcore::PengRobinson& PropertyPackage::equationFor(const std::vector<std::wstring>& ids) {
  if (m_eos && ids == m_eosIds) return *m_eos;
  std::vector<size_t> index;
  std::vector<prcore::Compound> compounds;
  for (const auto& id : ids) {
    index.push_back(compoundIndex(support::narrow(id)));
    compounds.push_back(m_compounds[index.back()]);
  }
  std::vector<std::vector<double>> kij(ids.size(), std::vector<double>(ids.size(), 0.0));
  for (size_t i = 0; i < ids.size(); ++i)
    for (size_t j = 0; j < ids.size(); ++j) kij[i][j] = m_kij[index[i]][index[j]];
  m_eos = std::make_unique<prcore::PengRobinson>(std::move(compounds), std::move(kij));
  m_eosIds = ids;
  return *m_eos;
}

const prcore::PengRobinson& PropertyPackage::equationFor(MaterialAccess& material) {
  support::Variant ids;
  material.componentIds(ids);
  if (m_eos && sameWideStrings(ids.get(), m_eosIds)) return *m_eos;
  return equationFor(MaterialAccess::componentIds(ids.get()));
}

const PropertyInfo& PropertyPackage::offeredProperty(const std::string& name) const {
  if (!m_definition.offersProperty(name))
    fail(ECapeInvalidArgumentHR, L"property " + quoted(name) + L" is not offered by package " + quoted(m_definition.name));
  const PropertyInfo* info = findProperty(name);
  if (!info) fail(ECapeNoImplHR, L"property " + quoted(name) + L" cannot be calculated");
  return *info;
}

// A listed phase, or "VaporLiquid" (the two-phase properties of the vapour and liquid phases).
PhaseKind PropertyPackage::offeredPhase(const std::string& name) const {
  PhaseKind kind;
  if (!phaseKindOf(name, kind) || (kind != PhaseKind::VaporLiquid && !m_definition.offersPhase(name)))
    fail(ECapeInvalidArgumentHR, L"phase " + quoted(name) + L" is not offered by package " + quoted(m_definition.name));
  return kind;
}

std::vector<PropertyPackage::Requested> PropertyPackage::requestedProperties(const VARIANT& props,
                                                                             bool emptyAllowed) {
  std::vector<Requested> requested;
  if (emptyAllowed && props.vt == VT_EMPTY) return requested;
  for (auto& name : namesOf(props, L"the property list")) {
    const PropertyInfo* info = &offeredProperty(name);
    const BSTR wire = m_names(name);
    requested.push_back({std::move(name), info, wire});
  }
  return requested;
}

const PropertyPackage::CheckedRequest& PropertyPackage::checkedRequest(const VARIANT& props, const VARIANT& phases) {
  if (m_checked.valid && sameWideStrings(props, m_checked.props) && sameWideStrings(phases, m_checked.phases))
    return m_checked;
  CheckedRequest checked;
  checked.requested = requestedProperties(props, false);
  for (const auto& phase : namesOf(phases, L"the phase list")) {
    checked.kinds.push_back(offeredPhase(phase));
    for (const auto& requested : checked.requested) {
      if (!compatible(*requested.info, checked.kinds.back()))
        fail(ECapeInvalidArgumentHR,
             L"property " + quoted(requested.name) + L" cannot be calculated on phase " + quoted(phase));
    }
    checked.phaseNames.push_back(m_names(phase));
  }
  readWideStrings(props, checked.props);
  readWideStrings(phases, checked.phases);
  checked.valid = true;
  m_checked = std::move(checked);
  return m_checked;
}

void PropertyPackage::readPhase(MaterialAccess& material, BSTR phase, PhaseKind kind, PhaseInput& input) {
  const size_t count = m_eos->size();
  const BSTR fraction = m_names("fraction"), mole = m_names(kMole);
  auto read = [&](BSTR name, std::vector<double>& x) {
    x = material.get(fraction, name, mole);
    if (x.size() != count)
      fail(ECapeUnknownHR, L"the material object gave " + std::to_wstring(x.size()) + L" fractions on " +
                               quoted(name) + L" for " + std::to_wstring(count) + L" compounds");
  };
  input.kind = kind;
  if (kind == PhaseKind::VaporLiquid) {
    read(m_names("Liquid"), input.x);
    read(m_names("Vapor"), input.y);
  } else {
    read(phase, input.x);
    input.y.clear();
  }
}

void PropertyPackage::writeResults(MaterialAccess& material, std::vector<Result>& results) {
  if (m_definition.misbehaviour == prcore::Misbehaviour::ResultsNotWritten) return;
  for (auto& result : results) {
    spoilValues(m_definition.misbehaviour, result.values);
    material.set(result.property, result.phase, result.basisDependent ? m_names(kMole) : nullptr, result.values);
  }
}

// ---- CalcProp ----

STDMETHODIMP PropertyPackage::CalcProp(IDispatch* materialObject, VARIANT props, VARIANT phases, BSTR calcType) {
  escapeUncaught(m_definition, L"CalcProp");
  return call(L"CalcProp", kPackageInterface, [&] {
    beginCalculation(L"CalcProp");
    checkCalcType(calcType);
    const CheckedRequest& request = checkedRequest(props, phases);
    if (request.requested.empty() || request.phaseNames.empty()) return S_OK;

    MaterialAccess material(materialObject, m_names);
    const auto& eos = equationFor(material);
    const double t = material.getScalar("temperature", "Overall", nullptr);
    const double p = material.getScalar("pressure", "Overall", nullptr);
    std::vector<Result> results;
    results.reserve(request.phaseNames.size() * request.requested.size());
    PhaseInput input;
    for (size_t k = 0; k < request.phaseNames.size(); ++k) {
      readPhase(material, request.phaseNames[k], request.kinds[k], input);
      for (const auto& requested : request.requested) {
        const PropertyInfo& info = *requested.info;
        results.push_back({requested.wire, request.phaseNames[k], info.basisDependent,
                           propertyValues(eos, info, t, p, input)});
      }
    }
    writeResults(material, results);
    return S_OK;
  });
}

// ---- CalcEquilibrium ----

void PropertyPackage::flash(MaterialAccess& material, const std::string& flashType,
                            const std::vector<Requested>& props) {
  using prcore::FlashType;
  const FlashType type = prcore::parseFlashType(flashType);
  const auto& eos = equationFor(material);
  const auto z = material.get("fraction", "Overall", kMole);
  if (z.size() != eos.size())
    fail(ECapeUnknownHR, L"the material object gave " + std::to_wstring(z.size()) + L" overall fractions for " +
                             std::to_wstring(eos.size()) + L" compounds");
  // PHF and PSF read the energy under the names this package gives it.
  const bool fNames = sameName(flashType, "PHF") || sameName(flashType, "PSF");
  FlashInputs inputs;
  switch (type) {
    case FlashType::TP:
      inputs = {material.getScalar("temperature", "Overall", nullptr), material.getScalar("pressure", "Overall", nullptr)};
      break;
    case FlashType::PH:
      inputs = {material.getScalar("pressure", "Overall", nullptr),
               material.getScalar(fNames ? "enthalpyF" : "enthalpy", "Overall", kMole)};
      break;
    case FlashType::PS:
      inputs = {material.getScalar("pressure", "Overall", nullptr),
               material.getScalar(fNames ? "entropyF" : "entropy", "Overall", kMole)};
      break;
    case FlashType::TVF:
      inputs = {material.getScalar("temperature", "Overall", nullptr), material.getScalar("phaseFraction", "Vapor", kMole)};
      break;
    case FlashType::PVF:
      inputs = {material.getScalar("pressure", "Overall", nullptr), material.getScalar("phaseFraction", "Vapor", kMole)};
      break;
  }
  const prcore::FlashResult r = prcore::Flash(eos).run(type, inputs.first, inputs.second, z);

  // Every requested property of every present phase is computed before anything is written.
  struct Present {
    const char* name;
    PhaseKind kind;
    bool present;
    double fraction;
    const std::vector<double>& x;
  };
  // At a bubble or dew point the incipient phase has no amount but is the answer sought: it is
  // written with its composition and a phase fraction of 0.
  const bool incipientToo = type == FlashType::TVF || type == FlashType::PVF;
  const Present phases[] = {
      {"Vapor", PhaseKind::Vapour, r.vapourPresent || incipientToo, r.vapourFraction, r.y},
      {"Liquid", PhaseKind::Liquid, r.liquidPresent || incipientToo, 1 - r.vapourFraction, r.x}};
  std::vector<Result> results;
  for (const auto& phase : phases) {
    if (!phase.present) continue;
    for (const auto& requested : props) {
      PhaseInput input;
      input.kind = phase.kind;
      input.x = phase.x;
      results.push_back({requested.wire, m_names(phase.name), requested.info->basisDependent,
                         propertyValues(eos, *requested.info, r.t, r.p, input)});
    }
  }
  material.set("temperature", "Overall", nullptr, {r.t});
  material.set("pressure", "Overall", nullptr, {r.p});
  for (const auto& phase : phases) {
    material.set("phaseFraction", phase.name, kMole, {phase.present ? phase.fraction : 0.0});
    if (phase.present) material.set("fraction", phase.name, kMole, phase.x);
  }
  writeResults(material, results);
}

STDMETHODIMP PropertyPackage::CalcEquilibrium(IDispatch* materialObject, BSTR flashType, VARIANT props) {
  escapeUncaught(m_definition, L"CalcEquilibrium");
  return call(L"CalcEquilibrium", kPackageInterface, [&] {
    beginCalculation(L"CalcEquilibrium");
    const std::string type = textOf(flashType);
    if (!m_definition.offersFlash(type))
      fail(ECapeInvalidArgumentHR, L"flash type " + quoted(type) + L" is not offered by package " +
                                       quoted(m_definition.name));
    const auto names = requestedProperties(props, true);
    for (const auto& requested : names) {
      if (requested.info->twoPhase)
        fail(ECapeInvalidArgumentHR, L"property " + quoted(requested.name) + L" is not a property of one phase");
    }
    MaterialAccess material(materialObject, m_names);
    flash(material, type, names);
    return S_OK;
  });
}

// ---- constants ----

VARIANT PropertyPackage::constantValue(const std::string& constant, const prcore::Compound& compound) const {
  const ConstantInfo* info = findConstant(constant);
  if (!info) fail(ECapeInvalidArgumentHR, L"constant " + quoted(constant) + L" is not known to this package");
  VARIANT value;
  VariantInit(&value);
  if (info->text) {
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(support::widen(info->text(compound)).c_str());
    if (!value.bstrVal) throw std::bad_alloc();
    return value;
  }
  const bool huge = m_definition.misbehaviour == prcore::Misbehaviour::HugeBoilingPoints &&
                    sameName(constant, "normalBoilingPoint");
  std::vector<double> number{huge ? kHugeBoilingPoint : info->number(compound)};
  if (m_definition.misbehaviour != prcore::Misbehaviour::WrongArraySize) spoilValues(m_definition.misbehaviour, number);
  value.vt = VT_R8;
  value.dblVal = number.front();
  return value;
}

// Constant by constant, compound by compound, for the material object's compounds, as VARIANTs.
// A deprecatedConstants package answers with a plain array of doubles when every constant asked
// is a number, else with an array of strings (numbers written out).
STDMETHODIMP PropertyPackage::GetComponentConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) {
  if (!propVals) return E_POINTER;
  return call(L"GetComponentConstant", kPackageInterface, [&] {
    VariantClear(propVals);
    beginCalculation(L"GetComponentConstant");
    const auto names = namesOf(props, L"the constant list");
    MaterialAccess material(materialObject, m_names);
    std::vector<const prcore::Compound*> compounds;
    for (const auto& id : material.componentIds()) compounds.push_back(&m_compounds[compoundIndex(support::narrow(id))]);

    std::vector<support::Variant> values;
    for (const auto& name : names) {
      for (const auto* compound : compounds) {
        support::Variant v;
        v.get() = constantValue(name, *compound);
        values.push_back(std::move(v));
      }
    }
    using prcore::Misbehaviour;
    if (m_definition.misbehaviour == Misbehaviour::ResultsNotWritten) return S_OK;
    if (m_definition.misbehaviour == Misbehaviour::WrongArraySize && !values.empty()) values.pop_back();
    if (m_definition.misbehaviour == Misbehaviour::DeprecatedConstants) {
      const bool allNumbers =
          std::all_of(values.begin(), values.end(), [](const support::Variant& v) { return v.vt() == VT_R8; });
      std::vector<double> numbers;
      std::vector<std::string> texts;
      for (const auto& v : values) {
        if (v.vt() == VT_R8) numbers.push_back(v.get().dblVal), texts.push_back(formatNumber(v.get().dblVal));
        else texts.push_back(textOf(v.get().bstrVal));
      }
      return allNumbers ? putDoubles(propVals, numbers) : putStrings(propVals, texts);
    }
    std::vector<VARIANT> raw;
    for (const auto& v : values) raw.push_back(v.get());
    return putVariants(propVals, raw);
  });
}

STDMETHODIMP PropertyPackage::GetUniversalConstant(IDispatch*, VARIANT props, VARIANT* propVals) {
  if (!propVals) return E_POINTER;
  return call(L"GetUniversalConstant", kPackageInterface, [&] {
    VariantClear(propVals);
    std::vector<VARIANT> values;
    for (const auto& name : namesOf(props, L"the constant list")) {
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_R8;
      if (!universalConstant(name, v.dblVal))
        fail(ECapeInvalidArgumentHR, L"universal constant " + quoted(name) + L" is not known to this package");
      values.push_back(v);
    }
    return putVariants(propVals, values);
  });
}

// ---- checks ----

// One VARIANT_BOOL a name: whether the package offers that property.
STDMETHODIMP PropertyPackage::PropCheck(IDispatch*, VARIANT props, VARIANT* valid) {
  if (!valid) return E_POINTER;
  return call(L"PropCheck", kPackageInterface, [&] {
    VariantClear(valid);
    if (m_terminated) fail(ECapeBadInvOrderHR, L"PropCheck was called after Terminate");
    std::vector<bool> offered;
    for (const auto& name : namesOf(props, L"the property list"))
      offered.push_back(m_definition.offersProperty(name) && findProperty(name));
    return putBools(valid, offered);
  });
}

// The reliability type this should return is not defined by CAPE-OPEN 1.0.
STDMETHODIMP PropertyPackage::ValidityCheck(IDispatch*, VARIANT, VARIANT* relList) {
  if (!relList) return E_POINTER;
  return call(L"ValidityCheck", kPackageInterface, [&]() -> HRESULT {
    VariantClear(relList);
    fail(ECapeNoImplHR, L"ValidityCheck is not implemented: CAPE-OPEN 1.0 defines no reliability values");
  });
}

}  // namespace prthermo
