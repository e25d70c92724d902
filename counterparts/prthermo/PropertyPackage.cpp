#include "PropertyPackage.h"

#include <new>

#include "ComArrays.h"
#include "Raii.h"
#include "Text.h"

namespace prthermo {

namespace {

using PackageDual = comkit::Dual<ICapeThermoPropertyPackage, &LIBID_CAPEOPEN100>;

// Runs body, turning an escaping exception into an HRESULT at the COM boundary.
template <class Body>
HRESULT guarded(Body body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return ECapeUnknownHR;
  }
}

template <class Field>
std::vector<std::string> texts(const std::vector<prcore::Compound>& compounds, Field field) {
  std::vector<std::string> out;
  for (const auto& c : compounds) out.push_back(c.*field);
  return out;
}

template <class Field>
std::vector<double> numbers(const std::vector<prcore::Compound>& compounds, Field field) {
  std::vector<double> out;
  for (const auto& c : compounds) out.push_back(c.*field);
  return out;
}

}  // namespace

HRESULT PropertyPackage::create(const prcore::PackageDefinition& definition, std::vector<prcore::Compound> compounds,
                                IDispatch** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  support::ComPtr<ICapeThermoPropertyPackage> package;
  HRESULT hr = comkit::createInstance<PropertyPackage>(nullptr, IID_ICapeThermoPropertyPackage,
                                                      reinterpret_cast<void**>(package.GetAddressOf()));
  if (FAILED(hr)) return hr;
  auto* self = static_cast<PropertyPackage*>(static_cast<PackageDual*>(package.Get()));
  self->m_definition = definition;
  self->m_compounds = std::move(compounds);
  self->m_identity = {support::widen(definition.name), support::widen(definition.description)};
  return package->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
}

// ICapeThermoPropertyPackage

STDMETHODIMP PropertyPackage::GetPhaseList(VARIANT* phases) {
  return guarded([&] { return putStrings(phases, m_definition.phases); });
}

STDMETHODIMP PropertyPackage::GetPropList(VARIANT* props) {
  return guarded([&] { return putStrings(props, m_definition.properties); });
}

// Compound ids are the short names of components.tsv; numbers in SI (boiling point in K, MW relative).
STDMETHODIMP PropertyPackage::GetComponentList(VARIANT* compIds, VARIANT* formulae, VARIANT* name,
                                               VARIANT* boilTemps, VARIANT* molwt, VARIANT* casno) {
  if (!compIds || !formulae || !name || !boilTemps || !molwt || !casno) return E_POINTER;
  return guarded([&] {
    using prcore::Compound;
    HRESULT hr = putStrings(compIds, texts(m_compounds, &Compound::name));
    if (SUCCEEDED(hr)) hr = putStrings(formulae, texts(m_compounds, &Compound::formula));
    if (SUCCEEDED(hr)) hr = putStrings(name, texts(m_compounds, &Compound::name));
    if (SUCCEEDED(hr)) hr = putDoubles(boilTemps, numbers(m_compounds, &Compound::tb));
    if (SUCCEEDED(hr)) hr = putDoubles(molwt, numbers(m_compounds, &Compound::mw));
    if (SUCCEEDED(hr)) hr = putStrings(casno, texts(m_compounds, &Compound::cas));
    if (FAILED(hr)) {
      for (VARIANT* v : {compIds, formulae, name, boilTemps, molwt, casno}) VariantClear(v);
    }
    return hr;
  });
}

STDMETHODIMP PropertyPackage::GetUniversalConstant(IDispatch*, VARIANT, VARIANT*) {
  // built with the material-object work
  return E_NOTIMPL;
}

STDMETHODIMP PropertyPackage::GetComponentConstant(IDispatch*, VARIANT, VARIANT*) {
  // built with the material-object work
  return E_NOTIMPL;
}

STDMETHODIMP PropertyPackage::CalcProp(IDispatch*, VARIANT, VARIANT, BSTR) {
  // built with the material-object work
  return E_NOTIMPL;
}

STDMETHODIMP PropertyPackage::CalcEquilibrium(IDispatch*, BSTR, VARIANT) {
  // built with the material-object work
  return E_NOTIMPL;
}

STDMETHODIMP PropertyPackage::PropCheck(IDispatch*, VARIANT, VARIANT*) {
  // built with the material-object work
  return E_NOTIMPL;
}

STDMETHODIMP PropertyPackage::ValidityCheck(IDispatch*, VARIANT, VARIANT*) {
  // built with the material-object work
  return E_NOTIMPL;
}

// ICapeIdentification

STDMETHODIMP PropertyPackage::get_ComponentName(BSTR* name) {
  return guarded([&] { return copyText(m_identity.name, name); });
}

STDMETHODIMP PropertyPackage::put_ComponentName(BSTR name) {
  return guarded([&] {
    assignText(m_identity.name, name);
    return S_OK;
  });
}

STDMETHODIMP PropertyPackage::get_ComponentDescription(BSTR* desc) {
  return guarded([&] { return copyText(m_identity.description, desc); });
}

STDMETHODIMP PropertyPackage::put_ComponentDescription(BSTR desc) {
  return guarded([&] {
    assignText(m_identity.description, desc);
    return S_OK;
  });
}

// ICapeUtilities

STDMETHODIMP PropertyPackage::get_parameters(IDispatch** parameters) {
  if (!parameters) return E_POINTER;
  *parameters = nullptr;
  return ECapeNoImplHR;  // the packages have no parameters
}

STDMETHODIMP PropertyPackage::put_simulationContext(IDispatch*) { return S_OK; }

STDMETHODIMP PropertyPackage::Initialize() { return S_OK; }

STDMETHODIMP PropertyPackage::Terminate() { return S_OK; }

STDMETHODIMP PropertyPackage::Edit() { return S_OK; }

}  // namespace prthermo
