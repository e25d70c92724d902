// The host fluid package: the preselection of the component page, the import of the selection,
// the hypothetical components made from the package's constants, and the host's basis read back.
#include "adapter/HostImport.h"

#include <cmath>
#include <string>
#include <vector>

#include "adapter/ComponentBasis.h"
#include "adapter/ComponentCatalogue.h"
#include "adapter/ComponentValues.h"
#include "adapter/HostComponentTable.h"
#include "support/Guards.h"
#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Text.h"

using support::Bstr;
using support::ComPtr;
using support::SetGet;
using support::Variant;
using namespace component_values;

namespace {

constexpr char kFluidPackage[] = "getting FluidPackage";


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

// The host's component at index k, with its id and name.
HRESULT itemEntry(HostComponents* components, long k, ComPtr<HostComponent>& component, HostEntry& entry) {
  HRESULT hr = components->get_Item(k, &component);
  if (SUCCEEDED(hr)) hr = readEntry(component.Get(), entry);
  return hr;
}

}  // namespace

HostImport::HostImport(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, ComponentCatalogue& catalogue,
                       ComponentBasis& basis, IPrivPropPkg& setComps)
    : m_adapter(adapter),
      m_errors(errors),
      m_config(config),
      m_catalogue(catalogue),
      m_basis(basis),
      m_setComps(setComps) {}

HRESULT HostImport::answerPreselected(int* IDNumbers) {
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
    if (FAILED(got)) return support::reportUnexpected(got);
    IDNumbers[i - lb] = vt == VT_I2 ? narrow : wide;
  }
  return hr;
}

HRESULT HostImport::refreshHypotheticals() {
  return support::complainingOfFailure(
      m_errors, {"refreshing the hypothetical components", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    ComPtr<HostComponents> components;
    long count = 0;
    HRESULT hr = hostComponents(components, count);
    if (FAILED(hr)) return hr;
    const std::vector<std::wstring> names = readTexts(m_config.m_SelectedCompOvNames, m_catalogue.listCount());
    for (long k = 0; k < count; ++k) {
      ComPtr<HostComponent> component;
      HostEntry entry;
      hr = itemEntry(components.Get(), k, component, entry);
      if (FAILED(hr)) return support::reportUnexpected(hr);
      if (entry.id < kFirstHypotheticalId) continue;
      for (size_t n = 0; n < names.size(); ++n) {
        if (!support::sameText(names[n], entry.name)) continue;
        ComPtr<HostHypoComponent> hypothetical;
        hr = component.As(&hypothetical);
        if (FAILED(hr)) return support::reportUnexpected(hr);
        hr = configureHypothetical(hypothetical.Get(), static_cast<int>(n));
        if (FAILED(hr)) return hr;
        break;
      }
    }
    return S_OK;
  });
}


// ---- Import into the host fluid package (host thread) ----

// Each restart turns one hypothetical flag off, so a selection of n components needs at most n
// restarts; one more round ends the import even if the host kept the flags as they were.
HRESULT HostImport::importSelection() {
  return support::complainingOfFailure(
      m_errors, {"importing the selected components", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    const long rounds = m_catalogue.listCount() + 2;
    for (long round = 0; round < rounds; ++round) {
      bool restart = false;
      const HRESULT hr = importRound(restart);
      if (FAILED(hr) || !restart) return hr;
    }
    return m_errors.complain(E_FAIL, "importing the selected components: the host keeps refusing them", CkINTERNAL,
                             Calculating::no);
  });
}

HRESULT HostImport::importRound(bool& restart) {
  restart = false;
  ComPtr<HostComponents> components;
  HRESULT hr = hostComponents(components);
  if (FAILED(hr)) return hr;
  preselectComponents();
  const size_t n = static_cast<size_t>(m_catalogue.listCount());
  const std::vector<double> selected = readReals(m_config.m_SelectedFlags, n);
  const std::vector<std::wstring> names = readTexts(m_config.m_SelectedCompOvNames, n);
  std::vector<double> hypo = readReals(m_config.m_HypoFlags, n);

  long count = 0;
  hr = components->get_Count(&count);
  if (FAILED(hr)) return support::reportUnexpected(hr);
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
    if (FAILED(hr)) return support::reportUnexpected(hr);
  }
  for (size_t i = 0; i < n; ++i) {
    if (!(selected[i] > 0)) continue;
    ComPtr<HostComponent> component;
    HostEntry entry;
    const Bstr name(names[i].c_str());
    hr = components->Add(name.get(), &component);
    if (SUCCEEDED(hr)) hr = readEntry(component.Get(), entry);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    if (hypo[i] == 0 || entry.id >= kFirstHypotheticalId) continue;
    // The host has a library component of that name: it is imported as that one.
    hypo[i] = 0.0;
    hr = writeReals(m_config.m_HypoFlags, hypo);
    if (FAILED(hr)) return hr;
    const std::string text = "importing compound '" + support::narrow(names[i]) +
                             "'. It cannot be treated as hypo since a component with same name has been added to "
                             "ORVEX library. " +
                             ". ORVEX will try to identify as a native component. ";
    m_errors.complain(E_FAIL, text.c_str(), CkNOTALLOWED, Calculating::no);
    restart = true;
    return S_OK;
  }
  return S_OK;
}

HRESULT HostImport::preselectComponents() {
  support::MethodMark mark("GetPreSelectedCompIDs");
  return support::complainingOfFailure(
      m_errors, {"GetPreSelectedCompIDs", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    const size_t n = static_cast<size_t>(m_catalogue.listCount());
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
        id = m_catalogue.identifyComponent(position, false, kind);
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
  });
}

// The hypothetical component of package position i in the host's group: the one named after
// its CompId with a final "*", else a new one (the host may rename it when the name is taken by
// one of its own), configured from the package.
HRESULT HostImport::preselectHypothetical(int i, std::wstring& name, int& hostId) {
  hostId = -1;
  name = m_catalogue.idAt(i);
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
  if (FAILED(hr)) return support::reportUnexpected(hr);
  const bool added = !hypothetical;
  if (added) {
    hr = group->Add(wanted.get(), &hypothetical);
    if (SUCCEEDED(hr) && !hypothetical) hr = E_POINTER;
    if (FAILED(hr)) return support::reportUnexpected(hr);
  }
  HostEntry entry;
  hr = readEntry(hypothetical.Get(), entry);
  if (FAILED(hr)) return support::reportUnexpected(hr);
  name = entry.name;
  hostId = entry.id;
  return added ? configureHypothetical(hypothetical.Get(), i) : S_OK;
}

// ---- Host objects ----

HRESULT HostImport::hostFluidPackage(ComPtr<HostFluidPackage>& out) {
  out.Reset();
  try {
    const ComPtr<ExtnContainer> host = m_adapter.container();
    if (!host) return m_errors.complain(E_FAIL, kFluidPackage, CkINTERNAL, Calculating::no);
    ComPtr<IDispatch> holderObject;
    HRESULT hr = host->get_FluidPackageHolder(&holderObject);
    ComPtr<HostFluidPackageHolder> holder;
    if (SUCCEEDED(hr) && holderObject) hr = holderObject.As(&holder);
    ComPtr<IDispatch> packageObject;
    if (SUCCEEDED(hr) && holder) hr = holder->get_FluidPackage(&packageObject);
    if (SUCCEEDED(hr) && packageObject) hr = packageObject.As(&out);
    if (FAILED(hr)) {
      out.Reset();
      return m_errors.complain(hr, kFluidPackage, CkINTERNAL, Calculating::no);
    }
    if (!out) return m_errors.complain(E_FAIL, kFluidPackage, CkINTERNAL, Calculating::no);
    return S_OK;
  } catch (...) {
    out.Reset();
    return m_errors.complain(E_FAIL, kFluidPackage, CkINTERNAL, Calculating::no);
  }
}

HRESULT HostImport::hostComponents(ComPtr<HostComponents>& out) {
  out.Reset();
  ComPtr<HostFluidPackage> fluidPackage;
  HRESULT hr = hostFluidPackage(fluidPackage);
  if (FAILED(hr)) return hr;
  hr = fluidPackage->get_Components(&out);
  if (SUCCEEDED(hr) && !out) hr = E_POINTER;
  return FAILED(hr) ? support::reportUnexpected(hr) : S_OK;
}

HRESULT HostImport::hostComponents(ComPtr<HostComponents>& out, long& count) {
  count = 0;
  HRESULT hr = hostComponents(out);
  if (FAILED(hr)) return hr;
  hr = out->get_Count(&count);
  return FAILED(hr) ? support::reportUnexpected(hr) : S_OK;
}

HRESULT HostImport::createHypothetical(std::wstring& name, int& hostId) {
  return support::complainingOfFailure(
      m_errors, {"creating a hypothetical component", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    ComPtr<HostComponents> components;
    long count = 0;
    HRESULT hr = hostComponents(components, count);
    if (FAILED(hr)) return hr;
    if (count > 0 && endsWithStar(name)) {
      // A host position whose package component is this one, with a fitting hypothetical state.
      const std::wstring base = name.substr(0, name.size() - 1);
      const std::vector<std::wstring> matObjIds = textsOf(m_basis.materialIds());
      const std::vector<long> hostIds = longsOf(m_basis.hostIds());
      const size_t n = static_cast<size_t>(m_catalogue.listCount());
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
      return m_errors.complain(hr, text.c_str(), CkINTERNAL, Calculating::no);
    }
    hostId = entry.id;
    if (!entry.name.empty() && entry.name != name) name = entry.name;
    return S_OK;
  });
}

// The package's data of position i on the host's hypothetical component; a value the package
// does not have (not finite) is left to the host's estimate.
HRESULT HostImport::configureHypothetical(HostHypoComponent* component, int i) {
  return support::complainingOfFailure(
      m_errors, {"Internal error getting configuring hypo", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (!component) return support::reportUnexpected(E_POINTER);
    const std::wstring cas = m_catalogue.casAt(i);
    const std::wstring formula = m_catalogue.formulaAt(i);
    const double molecularWeight = m_catalogue.molecularWeightAt(i);
    const double boiling = m_catalogue.boilingPointAt(i);
    HRESULT hr = S_OK;
    if (!cas.empty()) hr = component->put_CASNumber(Bstr(cas.c_str()).get());
    if (SUCCEEDED(hr) && !formula.empty()) hr = component->put_Formula(Bstr(formula.c_str()).get());
    if (SUCCEEDED(hr) && std::isfinite(molecularWeight)) hr = component->put_MolecularWeight(molecularWeight);
    if (SUCCEEDED(hr) && std::isfinite(boiling)) hr = component->put_NormalBoilingPoint(boiling - 273.15);
    for (const ConstantSetting& setting : kConstantSettings) {
      if (FAILED(hr)) break;
      double value = m_basis.componentConstant(setting.constant, i);
      if (setting.timesMolecularWeight) value *= molecularWeight;
      value = value * setting.factor + setting.offset;
      if (std::isfinite(value)) hr = (component->*setting.put)(value);
    }
    if (SUCCEEDED(hr)) hr = component->Complete();
    return FAILED(hr) ? support::reportUnexpected(hr) : S_OK;
  });
}

// The host's basis is read from the host fluid package: the names of its components, in the
// host's order, are handed to setComps, which maps them to the package's components for the
// material object. A fluid package without components leaves the material object as it is.
HRESULT HostImport::readHostBasis() {
  return support::complainingOfFailure(m_errors, {"reading the host's components", CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    ComPtr<HostComponents> components;
    long count = 0;
    HRESULT hr = hostComponents(components, count);
    if (FAILED(hr)) return hr;
    std::vector<std::wstring> names;
    for (long k = 0; k < count; ++k) {
      ComPtr<HostComponent> component;
      HostEntry entry;
      hr = itemEntry(components.Get(), k, component, entry);
      if (FAILED(hr)) return support::reportUnexpected(hr);
      names.push_back(entry.name);
    }
    if (names.empty()) return S_OK;
    Variant list = textArray(names);
    return m_setComps.setComps(list.get());
  });
}

// The host fluid package's component of that name; false when there is none.
bool HostImport::findHostComponent(const std::wstring& name, int& hostId) {
  ComPtr<HostComponents> components;
  if (FAILED(hostComponents(components))) return false;
  ComPtr<HostComponent> component;
  const Bstr text(name.c_str());
  HRESULT hr = components->Find(text.get(), &component);
  if (FAILED(hr)) return support::reportUnexpected(hr), false;
  HostEntry entry;
  if (!component || FAILED(readEntry(component.Get(), entry))) return false;
  hostId = entry.id;
  return true;
}
