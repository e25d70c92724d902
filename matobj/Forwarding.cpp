// Calculation forwarding: every calculation the material object is asked for is done by the
// package, with this object as the material object. Failures go to the adapter's proxy when
// there is one, which decides the code returned.
#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "support/Guards.h"
#include "support/ModuleInfo.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::SetGet;

namespace {

// A package's own computation and solving failures go back to the caller untouched.
bool passedBackUntouched(HRESULT hr) { return hr == ECapeComputationHR || hr == ECapeSolvingErrorHR; }

// The package's own variant of a property name, when the package offers it.
const wchar_t* offeredVariant(BSTR name, bool enthalpyF, bool entropyF) {
  if (enthalpyF && support::sameText(name, L"enthalpy")) return L"enthalpyF";
  if (entropyF && support::sameText(name, L"entropy")) return L"entropyF";
  return nullptr;
}

// The requests whose failure leaves the saturation value for every compound.
bool isFugacityType(BSTR name) {
  return support::sameText(name, L"fugacityCoefficient") || support::sameText(name, L"logFugacity") ||
         support::sameText(name, L"logFugacityCoefficient") || support::sameText(name, L"fugacity");
}

// The single name of a one-name string list, null otherwise.
BSTR singleName(const VARIANT& props) {
  BSTR name = nullptr;
  if (props.vt != (VT_ARRAY | VT_BSTR) || SetGet::elementCount(props) != 1) return nullptr;
  return SetGet::nextItem(props, SetGet::lbound(props), name) ? name : nullptr;
}

// A list as the package should receive it: what a by-reference argument refers to, else as given.
VARIANT followed(const VARIANT& given) {
  VARIANT view;
  return SetGet::argumentView(given, view) ? view : given;
}

std::wstring formatValues(const double* values, int count) {
  return support::widen(SetGet::bufferToStr(VT_R8, values, count));
}

}  // namespace

// ---- Proxy ----

HRESULT CMatObj::complainToProxy(const wchar_t* message, HRESULT code, const wchar_t* additionalInfo) {
  if (!m_proxy) return code;
  support::Bstr action(message), info(additionalInfo ? additionalInfo : L"");
  return m_proxy->complainError(action.get(), code, m_package.Get(), VARIANT_TRUE, info.get());
}

// ---- From the package ----

STDMETHODIMP CMatObj::CalcProp(VARIANT props, VARIANT phases, BSTR calcType) {
  support::MethodMark profile("CalcProp");
  SetErrorInfo(0, nullptr);
  if (!m_package) return raiseError(L"No Property Package has been set", "CalcProp");
  HRESULT hr;
  try {
    hr = m_package->CalcProp(materialDispatch(), followed(props), followed(phases), calcType);
  } catch (...) {
    return raiseError(L"The package crashed when calling PropertyPackage.CalcProp", "CalcProp");
  }
  if (FAILED(hr) && m_proxy) return complainToProxy(L"Call CalProp", hr);
  return hr;
}

STDMETHODIMP CMatObj::CalcEquilibrium(BSTR flashType, VARIANT props) {
  support::MethodMark profile("CalcEquilibrium");
  if (!m_package) return raiseError(L"No Property Package has been set", "CalcEquilibrium");
  try {
    // The package's own enthalpy and entropy flashes, when it offers them.
    const bool useF = ((support::sameText(flashType, L"PH") || support::sameText(flashType, L"TH")) && m_hasEnthalpyF) ||
                      ((support::sameText(flashType, L"PS") || support::sameText(flashType, L"TS")) && m_hasEntropyF);
    const support::Bstr sent(useF ? (std::wstring(flashType) + L"F").c_str() : flashType);
    HRESULT hr;
    try {
      hr = m_package->CalcEquilibrium(materialDispatch(), sent.get(), followed(props));
    } catch (...) {
      hr = E_FAIL;
    }
    if (FAILED(hr) && m_proxy && !passedBackUntouched(hr))
      return complainToProxy((L"while CalcEquilibrium with " + flashConditionsText(flashType)).c_str(), hr);
    return hr;
  } catch (...) {
    return raiseError(support::widen(support::kUnexpectedBare), "CalcEquilibrium");
  }
}

// "temperature= 300, pressure= 101325, Comp: 0.4, 0.6": the two variables the flash fixes, as this
// object holds them (overall values; the vapour fraction of the vapour phase).
std::wstring CMatObj::flashConditionsText(BSTR flashType) {
  const std::wstring failed = L"Error getting flash conditions for type " + std::wstring(flashType ? flashType : L"");
  std::pair<int, int> fixed{0, 0};
  COIds::flashSpecVariables(flashType, fixed);
  std::wstring text;
  for (int variable : {fixed.first, fixed.second}) {
    if (!isCachedProp(variable)) return failed;
    const int slot = variable == PpPHASEFRACTION ? 0 : 3;
    const double* value = m_table[variable - kFirstCached][0].validValues(slot, true);
    if (!value) return failed;
    text += std::wstring(COIds::getName(variable)) + L"= " + formatValues(value, 1) + L", ";
  }
  const CPHARR& fraction = m_table[PpFRACTION - kFirstCached][0];
  const double* overall = fraction.validValues(3, true);
  if (!overall) return failed;
  return text + L"Comp: " + formatValues(overall, fraction.size());
}

STDMETHODIMP CMatObj::CreateMaterialObject(IDispatch** materialObject) {
  support::MethodMark profile("CreateMaterialObject");
  if (!materialObject) return E_POINTER;
  *materialObject = nullptr;
  try {
    support::ComPtr<ICapeThermoMaterialObject> created;
    HRESULT hr = CoCreateInstance(CLSID_matObj, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ICapeThermoMaterialObject),
                                  reinterpret_cast<void**>(created.GetAddressOf()));
    if (FAILED(hr)) return hr;
    support::ComPtr<IMatObj> own;
    hr = created.As(&own);
    if (FAILED(hr)) return hr;
    if (m_package) {
      hr = own->put_PropertyPackage(m_package.Get());
      if (FAILED(hr)) return hr;
    }
    hyper raw = 0;
    hr = own->getThis(&raw);
    if (FAILED(hr)) return hr;
    CMatObj& other = *reinterpret_cast<CMatObj*>(static_cast<LONG_PTR>(raw));
    // This object's compounds, in its order, with their constants: the package gave the clone
    // all of its own, and the copied tables are sized and ordered for these.
    hr = other.setComps(m_compIds.get(), VARIANT_TRUE);
    if (FAILED(hr)) return hr;
    std::vector<CompConstProp> constants;
    for (const CompConstProp& c : m_compConsts) constants.push_back(c.copy());
    other.m_compConsts = std::move(constants);
    copyTableTo(other);
    hr = other.m_propList.copyFrom(m_propList.get());
    if (FAILED(hr)) return hr;
    *materialObject = created.Detach();
    return S_OK;
  } catch (...) {
    return raiseError(support::widen(support::kUnexpectedBare), "CreateMaterialObject");
  }
}

void CMatObj::copyTableTo(CMatObj& other) const {
  for (int d = 0; d < kDerivatives; ++d)
    for (int property : kCachedProps)
      if (d == 0 || COIds::isCalculatedProp(property))
        other.m_table[property - kFirstCached][d].assign(m_table[property - kFirstCached][d]);
}

STDMETHODIMP CMatObj::Duplicate(IDispatch** clone) {
  support::MethodMark profile("Duplicate");
  if (!clone) return E_POINTER;
  *clone = nullptr;
  try {
    support::ComPtr<IDispatch> created;
    HRESULT hr = CreateMaterialObject(created.GetAddressOf());
    if (FAILED(hr)) return hr;
    support::ComPtr<ICapeIdentification> identification;
    hr = created.As(&identification);
    if (SUCCEEDED(hr)) hr = identification->put_ComponentName(m_name.get());
    if (SUCCEEDED(hr)) hr = identification->put_ComponentDescription(m_description.get());
    support::ComPtr<IMatObj> own;
    if (SUCCEEDED(hr)) hr = created.As(&own);
    hyper raw = 0;
    if (SUCCEEDED(hr)) hr = own->getThis(&raw);
    if (FAILED(hr)) return hr;
    CMatObj& other = *reinterpret_cast<CMatObj*>(static_cast<LONG_PTR>(raw));
    other.m_status = m_status;
    hr = other.m_statusText.copyFrom(m_statusText.get());
    if (FAILED(hr)) return raiseError(L"Unexpected error", "Duplicate", hr);
    for (const auto& record : m_otherProps) {
      auto copy = std::make_unique<GCOProperty>(&other, record->property(), record->phase(), record->calcType(),
                                                record->basis());
      if (record->value().vt != VT_EMPTY) {
        support::Variant none;
        hr = copy->setValue(none.get(), record->value());
        if (FAILED(hr)) return raiseError(support::widen(support::kUnexpectedBare), "Duplicate", hr);
      }
      other.m_otherProps.push_back(std::move(copy));
    }
    *clone = created.Detach();
    return S_OK;
  } catch (...) {
    return raiseError(support::widen(support::kUnexpectedBare), "Duplicate");
  }
}

// ---- From the adapter ----

STDMETHODIMP CMatObj::safeCalcProp(VARIANT givenProps, VARIANT givenPhases, BSTR calcType) {
  if (!m_package) return raiseError(L"No Property Package has been set", "safeCalcProp");
  const VARIANT props = followed(givenProps), Phases = followed(givenPhases);
  try {
    // The list sent: the package's own enthalpy and entropy where it offers them. The host's list
    // is copied only when a name is replaced (every request passes here).
    support::Variant replacedList;
    const VARIANT* sent = &props;
    HRESULT hr = S_OK;
    BSTR name = nullptr;
    for (long i = SetGet::lbound(props); props.vt == (VT_ARRAY | VT_BSTR) && SetGet::nextItem(props, i, name); ++i)
      if (const wchar_t* variant = offeredVariant(name, m_hasEnthalpyF, m_hasEntropyF)) {
        if (sent == &props) {
          hr = replacedList.copyFrom(props);
          if (FAILED(hr)) return hr;
          sent = &replacedList.get();
        }
        BSTR replaced = SysAllocString(variant);
        BSTR old = nullptr;
        SetGet::nextItem(replacedList.get(), i, old);
        SetGet::putString(replacedList.get(), i, replaced);
        SysFreeString(old);
      }
    try {
      hr = m_package->CalcProp(materialDispatch(), *sent, Phases, calcType);
    } catch (...) {
      hr = E_FAIL;  // a crashing package fails the request like a failing one
    }
    if (SUCCEEDED(hr)) return hr;
    if (m_proxy) hr = complainToProxy(L"calling CalcProp", hr);
    if (BSTR single = singleName(props); single && isFugacityType(single)) fillSaturated(single, Phases);
    return hr;
  } catch (...) {
    return raiseError(support::widen(support::kUnexpectedBare), "safeCalcProp");
  }
}

// 70 for every compound in every requested phase, so the host reads the saturation value.
void CMatObj::fillSaturated(BSTR property, const VARIANT& phases) {
  const int code = COIds::findId(property, COIds::KProperty);
  const std::vector<double> saturated(m_numComps > 0 ? m_numComps : 0, MathUtils::kLogMax);
  BSTR phase = nullptr;
  for (long i = SetGet::lbound(phases); phases.vt == (VT_ARRAY | VT_BSTR) && SetGet::nextItem(phases, i, phase); ++i) {
    int phaseId = COIds::findId(phase, COIds::KPhase);
    if (phaseId <= 0 && support::sameText(phase, m_liquid2Name.get())) phaseId = PhWATER;
    if (phaseId > 0) setPropValues(code, phaseId, saturated.data(), m_numComps);
  }
}

// Enthalpy, entropy, heat capacity and volume of each mapped host phase, on a mole basis.
HRESULT CMatObj::getHostPhaseProperties(double* const outputs[4]) {
  if (!outputs) return E_POINTER;
  static const int kProperties[4] = {PpENTHALPY, PpENTROPY, PpHEATCAPACITY, PpVOLUME};
  try {
    for (int hostPhase = 0; hostPhase < 3; ++hostPhase) {
      const int slot = hostSlot(hostPhase);
      if (slot < 0) continue;
      for (int k = 0; k < 4; ++k) {
        if (!outputs[k]) continue;
        const CPHARR& entry = m_table[kProperties[k] - kFirstCached][0];
        if (const double* mole = entry.validValues(slot, true)) {
          outputs[k][hostPhase] = *mole;
        } else if (const double* mass = entry.validValues(slot, false)) {
          outputs[k][hostPhase] = *mass * mixtureFactor(slot);
        } else {
          return raiseError(L"trying to get property " + std::wstring(COIds::getName(kProperties[k])) +
                                L". The Property Package did not set (correctly) its value.",
                            "CalcProp");
        }
      }
    }
    return S_OK;
  } catch (...) {
    return raiseError(support::widen(support::kUnexpectedBare), "CalcProp");
  }
}
