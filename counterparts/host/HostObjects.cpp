#include "counterparts/host/HostObjects.h"

#include <cmath>
#include <fstream>
#include <new>
#include <utility>

#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "support/Text.h"

namespace orvexhost {

namespace {

using State = std::shared_ptr<HostState>;

template <class I>
using HostDual = comkit::Dual<I, &LIBID_OrvexHost>;

// Every host object carries the host's state.
template <class... Interfaces>
class HostObject : public comkit::Object<Interfaces...> {
 protected:
  explicit HostObject(State state) : m_host(std::move(state)) {}
  State m_host;
};

template <class T, class I, class... Args>
HRESULT make(I** out, Args&&... args) {
  if (!out) return E_POINTER;
  *out = nullptr;
  T* object = new (std::nothrow) T(std::forward<Args>(args)...);
  if (!object) return E_OUTOFMEMORY;
  return comkit::ObjectBase::finishCreation(object, nullptr, __uuidof(I), reinterpret_cast<void**>(out));
}

HRESULT copyText(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(text.c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

bool isArrayOf(const VARIANT& v, VARTYPE element) {
  return v.vt == (VT_ARRAY | element) && v.parray && SafeArrayGetDim(v.parray) == 1;
}

std::wstring variantArgument(const VARIANT& v) {
  if (!(v.vt & VT_ARRAY) || !v.parray) return L"vt=" + std::to_wstring(v.vt);
  long lb = 0, ub = -1;
  SafeArrayGetLBound(v.parray, 1, &lb);
  SafeArrayGetUBound(v.parray, 1, &ub);
  return L"vt=" + std::to_wstring(v.vt) + L" count=" + std::to_wstring(ub - lb + 1);
}

// ---- Variables ---------------------------------------------------------------------------

// Reading and writing a stored value in the form each variable interface uses.
HRESULT readValue(const Variable& var, BSTR* out) {
  const VARIANT& v = var.value.get();
  return copyText(v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L"", out);
}
HRESULT readValue(const Variable& var, double* out) {
  if (!out) return E_POINTER;
  *out = var.value.vt() == VT_R8 ? var.value.get().dblVal : 0.0;
  return S_OK;
}
HRESULT readValue(const Variable& var, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  return VariantCopy(out, &const_cast<VARIANT&>(var.value.get()));
}

HRESULT writeValue(Variable& var, BSTR value) {
  support::Variant v;
  v.get().vt = VT_BSTR;
  v.get().bstrVal = SysAllocStringLen(value, SysStringLen(value));
  if (!v.get().bstrVal) return E_OUTOFMEMORY;
  var.value = std::move(v);
  return S_OK;
}
HRESULT writeValue(Variable& var, double value) {
  support::Variant v;
  v.get().vt = VT_R8;
  v.get().dblVal = value;
  var.value = std::move(v);
  return S_OK;
}
HRESULT writeValue(Variable& var, VARIANT value) {
  const VARTYPE element = var.kind == VariableKind::RealArray ? VT_R8 : VT_BSTR;
  if (!isArrayOf(value, element)) return E_INVALIDARG;
  support::Variant v;
  HRESULT hr = VariantCopy(&v.get(), &value);
  if (SUCCEEDED(hr)) var.value = std::move(v);
  return hr;
}

std::wstring valueArgument(BSTR value) { return quoted(value); }
std::wstring valueArgument(double value) { return number(value); }
std::wstring valueArgument(const VARIANT& value) { return variantArgument(value); }

// One variable object per declared variable; In/Out are the interface's value types.
template <class I, class In, class Out>
class VariableObject final : public HostObject<HostDual<I>> {
 public:
  VariableObject(State state, std::wstring name) : HostObject<HostDual<I>>(std::move(state)), m_name(std::move(name)) {}

  STDMETHODIMP get_Value(Out* value) override {
    return this->m_host->call(L"GetValue", m_name, [&] { return readValue(variable(), value); });
  }
  STDMETHODIMP put_Value(In value) override {
    return this->m_host->call(L"PutValue", m_name + L" " + valueArgument(value),
                              [&] { return writeValue(variable(), value); });
  }
  STDMETHODIMP get_IsSet(VARIANT_BOOL* isSet) override {
    return this->m_host->call(L"IsSet", m_name, [&] {
      if (!isSet) return E_POINTER;
      *isSet = variable().value.vt() != VT_EMPTY ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    });
  }

 private:
  Variable& variable() { return *this->m_host->findVariable(m_name.c_str()); }
  std::wstring m_name;
};

using TextVariable = VariableObject<ExtnTextVariable, BSTR, BSTR>;
using RealVariable = VariableObject<ExtnRealVariable, double, double>;
using RealArrayVariable = VariableObject<ExtnRealArrayVariable, VARIANT, VARIANT>;
using TextArrayVariable = VariableObject<ExtnTextArrayVariable, VARIANT, VARIANT>;

HRESULT makeVariable(const State& state, const Variable& var, IDispatch** out) {
  switch (var.kind) {
    case VariableKind::Text: return make<TextVariable>(out, state, var.name);
    case VariableKind::Real: return make<RealVariable>(out, state, var.name);
    case VariableKind::RealArray: return make<RealArrayVariable>(out, state, var.name);
    case VariableKind::TextArray: return make<TextArrayVariable>(out, state, var.name);
  }
  return E_UNEXPECTED;
}

// The variable an extension event is about, with the value it is about to take or has.
class VariableArgument final : public HostObject<HostDual<ExtnVariableArgument>> {
 public:
  VariableArgument(State state, std::wstring name, const VARIANT& value)
      : HostObject(std::move(state)), m_name(std::move(name)) {
    VariantCopy(&m_value.get(), const_cast<VARIANT*>(&value));
  }
  STDMETHODIMP get_Name(BSTR* name) override {
    return m_host->call(L"ArgumentName", m_name, [&] { return copyText(m_name, name); });
  }
  STDMETHODIMP get_Variable(IDispatch** variable) override {
    return m_host->call(L"ArgumentVariable", m_name,
                        [&] { return makeVariable(m_host, *m_host->findVariable(m_name.c_str()), variable); });
  }
  STDMETHODIMP get_NewValue(VARIANT* value) override {
    return m_host->call(L"ArgumentNewValue", m_name, [&] {
      if (!value) return E_POINTER;
      VariantInit(value);
      return VariantCopy(value, &m_value.get());
    });
  }

 private:
  std::wstring m_name;
  support::Variant m_value;
};

class VariableDefinition final : public HostObject<HostDual<ExtnVariableDefinition>> {
 public:
  VariableDefinition(State state, std::wstring name) : HostObject(std::move(state)), m_name(std::move(name)) {}

  STDMETHODIMP get_Name(BSTR* name) override {
    return m_host->call(L"DefinitionName", m_name, [&] { return copyText(m_name, name); });
  }
  STDMETHODIMP get_IsUsable(VARIANT_BOOL* usable) override {
    return m_host->call(L"IsUsable", m_name, [&] {
      if (!usable) return E_POINTER;
      *usable = m_host->findVariable(m_name.c_str())->usable ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    });
  }
  STDMETHODIMP get_Variable(IDispatch** variable) override {
    return m_host->call(L"Variable", m_name,
                        [&] { return makeVariable(m_host, *m_host->findVariable(m_name.c_str()), variable); });
  }

 private:
  std::wstring m_name;
};

class Definition final : public HostObject<HostDual<ExtnDefinition>> {
 public:
  explicit Definition(State state) : HostObject(std::move(state)) {}

  STDMETHODIMP FindVariable(BSTR name, ExtnVariableDefinition** definition) override {
    return m_host->call(L"FindVariable", quoted(name), [&] {
      if (!definition) return E_POINTER;
      *definition = nullptr;
      const Variable* var = m_host->findVariable(name);
      if (!var) return E_INVALIDARG;
      return make<VariableDefinition>(definition, m_host, var->name);
    });
  }
};

// ---- Views, trace, notify chain ----------------------------------------------------------

class View final : public HostObject<HostDual<ExtnView>> {
 public:
  explicit View(State state) : HostObject(std::move(state)) {}
  STDMETHODIMP Prepare() override { return m_host->call(L"PrepareViews", L"", [] { return S_OK; }); }
};

class ViewHolder final : public HostObject<HostDual<ExtnViewHolder>> {
 public:
  explicit ViewHolder(State state) : HostObject(std::move(state)) {}
  STDMETHODIMP get_View(ExtnView** view) override {
    return m_host->call(L"View", L"", [&] { return make<View>(view, m_host); });
  }
};

class Solver final : public HostObject<HostDual<HostSolver>> {
 public:
  explicit Solver(State state) : HostObject(std::move(state)) {}
#define RESERVED(n) \
  STDMETHODIMP Reserved##n() override { return m_host->call(L"Solver.Reserved" #n, L"", [] { return E_NOTIMPL; }); }
  RESERVED(1) RESERVED(2) RESERVED(3) RESERVED(4) RESERVED(5) RESERVED(6) RESERVED(7)
  RESERVED(8) RESERVED(9) RESERVED(10) RESERVED(11) RESERVED(12) RESERVED(13) RESERVED(14)
#undef RESERVED
  STDMETHODIMP put_Enabled(long enabled) override {
    return m_host->call(L"SolverEnabled", std::to_wstring(enabled), [&] {
      m_host->solverEnabled = enabled;
      return S_OK;
    });
  }
};

class Case final : public HostObject<HostDual<HostCase>> {
 public:
  explicit Case(State state) : HostObject(std::move(state)) {}
#define RESERVED(n) \
  STDMETHODIMP Reserved##n() override { return m_host->call(L"Case.Reserved" #n, L"", [] { return E_NOTIMPL; }); }
  RESERVED(1) RESERVED(2) RESERVED(3) RESERVED(4) RESERVED(5) RESERVED(6) RESERVED(7)
  RESERVED(8) RESERVED(9) RESERVED(10) RESERVED(11) RESERVED(12) RESERVED(13) RESERVED(14)
  RESERVED(15) RESERVED(16) RESERVED(17) RESERVED(18) RESERVED(19) RESERVED(20) RESERVED(21)
  RESERVED(22) RESERVED(23) RESERVED(24) RESERVED(25) RESERVED(26)
#undef RESERVED
  STDMETHODIMP get_Solver(HostSolver** solver) override {
    return m_host->call(L"Solver", L"", [&] { return make<Solver>(solver, m_host); });
  }
};

// ---- Components --------------------------------------------------------------------------

// One component; a hypothetical one also answers HostHypoComponent.
class Component final : public HostObject<HostDual<HostHypoComponent>> {
 public:
  Component(State state, ComponentPtr data) : HostObject(std::move(state)), m_data(std::move(data)) {}

  STDMETHODIMP get_ID(long* id) override {
    return m_host->call(L"ComponentId", m_data->name, [&] {
      if (!id) return E_POINTER;
      *id = m_data->id;
      return S_OK;
    });
  }
  STDMETHODIMP get_Name(BSTR* name) override {
    return m_host->call(L"ComponentName", std::to_wstring(m_data->id), [&] { return copyText(m_data->name, name); });
  }
  STDMETHODIMP put_CASNumber(BSTR v) override { return setText(L"CASNumber", v); }
  STDMETHODIMP put_Formula(BSTR v) override { return setText(L"Formula", v); }
  STDMETHODIMP put_MolecularWeight(double v) override { return setNumber(L"MolecularWeight", v); }
  STDMETHODIMP put_NormalBoilingPoint(double v) override { return setNumber(L"NormalBoilingPoint", v); }
  STDMETHODIMP put_LiquidDensity(double v) override { return setNumber(L"LiquidDensity", v); }
  STDMETHODIMP put_FormationEnthalpyGas(double v) override { return setNumber(L"FormationEnthalpyGas", v); }
  STDMETHODIMP put_CriticalTemperature(double v) override { return setNumber(L"CriticalTemperature", v); }
  STDMETHODIMP put_CriticalPressure(double v) override { return setNumber(L"CriticalPressure", v); }
  STDMETHODIMP put_CriticalVolume(double v) override { return setNumber(L"CriticalVolume", v); }
  STDMETHODIMP put_AcentricFactor(double v) override { return setNumber(L"AcentricFactor", v); }
  STDMETHODIMP Complete() override {
    return m_host->call(L"Complete", m_data->name, [&] {
      m_data->completed = true;
      return S_OK;
    });
  }

 protected:
  const comkit::InterfaceEntry* interfaceTable(size_t& count) const override {
    static const comkit::InterfaceEntry hypo[] = {
        {&IID_HostHypoComponent, &cast}, {&IID_HostComponent, &cast}, {&IID_IDispatch, &cast}};
    static const comkit::InterfaceEntry native[] = {{&IID_HostComponent, &cast}, {&IID_IDispatch, &cast}};
    count = m_data->hypothetical ? 3 : 2;
    return m_data->hypothetical ? hypo : native;
  }

 private:
  static IUnknown* cast(comkit::ObjectBase* object) {
    return static_cast<HostHypoComponent*>(static_cast<Component*>(object));
  }
  HRESULT setProperty(const wchar_t* property, const std::wstring& value) {
    for (auto& p : m_data->properties)
      if (p.first == property) {
        p.second = value;
        return S_OK;
      }
    m_data->properties.emplace_back(property, value);
    return S_OK;
  }
  HRESULT setText(const wchar_t* property, BSTR value) {
    return m_host->call(property, m_data->name + L" " + quoted(value),
                        [&] { return setProperty(property, value ? value : L""); });
  }
  // A value the host cannot store (not finite) is refused.
  HRESULT setNumber(const wchar_t* property, double value) {
    return m_host->call(property, m_data->name + L" " + number(value), [&] {
      return std::isfinite(value) ? setProperty(property, number(value)) : E_INVALIDARG;
    });
  }

  ComponentPtr m_data;
};

ComponentPtr findIn(const std::vector<ComponentPtr>& list, const wchar_t* name) {
  for (const auto& c : list)
    if (_wcsicmp(c->name.c_str(), name ? name : L"") == 0) return c;
  return nullptr;
}

HRESULT componentObject(const State& state, const ComponentPtr& data, HostComponent** out) {
  if (!data) return S_OK;
  return make<Component>(out, state, data);
}

class Components final : public HostObject<HostDual<HostComponents>> {
 public:
  explicit Components(State state) : HostObject(std::move(state)) {}

  STDMETHODIMP get_Count(long* count) override {
    return m_host->call(L"ComponentsCount", L"", [&] {
      if (!count) return E_POINTER;
      *count = static_cast<long>(m_host->components.size());
      return S_OK;
    });
  }
  STDMETHODIMP get_Item(long index, HostComponent** component) override {
    return m_host->call(L"ComponentsItem", std::to_wstring(index), [&] {
      if (!component) return E_POINTER;
      *component = nullptr;
      if (!validIndex(index)) return E_INVALIDARG;
      return componentObject(m_host, m_host->components[index], component);
    });
  }
  // A library name joins with its library id and spelling; any other name joins as the
  // hypothetical component of that name (made when the group has none).
  STDMETHODIMP Add(BSTR name, HostComponent** component) override {
    return m_host->call(L"ComponentsAdd", quoted(name), [&] {
      if (!component) return E_POINTER;
      *component = nullptr;
      if (SysStringLen(name) == 0 || findIn(m_host->components, name)) return E_INVALIDARG;
      ComponentPtr data = resolve(name);
      if (findIn(m_host->components, data->name.c_str())) return E_INVALIDARG;
      m_host->components.push_back(data);
      return componentObject(m_host, data, component);
    });
  }
  STDMETHODIMP Find(BSTR name, HostComponent** component) override {
    return m_host->call(L"ComponentsFind", quoted(name), [&] {
      if (!component) return E_POINTER;
      *component = nullptr;
      return componentObject(m_host, findIn(m_host->components, name), component);
    });
  }
  STDMETHODIMP Remove(long index) override {
    return m_host->call(L"ComponentsRemove", std::to_wstring(index), [&] {
      if (!validIndex(index)) return E_INVALIDARG;
      m_host->components.erase(m_host->components.begin() + index);
      return S_OK;
    });
  }
  STDMETHODIMP Clear() override {
    return m_host->call(L"ComponentsClear", L"", [&] {
      m_host->components.clear();
      return S_OK;
    });
  }

 private:
  bool validIndex(long index) const { return index >= 0 && static_cast<size_t>(index) < m_host->components.size(); }

  ComponentPtr resolve(BSTR name) {
    if (const LibraryEntry* entry = m_host->findLibrary(name)) {
      auto data = std::make_shared<ComponentData>();
      data->id = entry->id;
      data->name = entry->name;
      return data;
    }
    std::wstring hypoName = name;
    if (hypoName.back() != L'*') hypoName += L'*';
    ComponentPtr hypo = m_host->findHypo(hypoName);
    return hypo ? hypo : m_host->newHypo(hypoName);
  }
};

class HypoGroup final : public HostObject<HostDual<HostHypoGroup>> {
 public:
  explicit HypoGroup(State state) : HostObject(std::move(state)) {}

  STDMETHODIMP Find(BSTR name, HostHypoComponent** component) override {
    return m_host->call(L"HypoFind", quoted(name), [&] { return hypoObject(m_host->findHypo(name ? name : L""), component); });
  }
  STDMETHODIMP Add(BSTR name, HostHypoComponent** component) override {
    return m_host->call(L"HypoAdd", quoted(name), [&] {
      if (SysStringLen(name) == 0) return E_INVALIDARG;
      return hypoObject(m_host->newHypo(name), component);
    });
  }

 private:
  HRESULT hypoObject(const ComponentPtr& data, HostHypoComponent** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return data ? make<Component>(out, m_host, data) : S_OK;
  }
};

class FluidPackage final : public HostObject<HostDual<HostFluidPackage>> {
 public:
  explicit FluidPackage(State state) : HostObject(std::move(state)) {}
  STDMETHODIMP get_Name(BSTR* name) override {
    return m_host->call(L"FluidPackageName", L"", [&] { return copyText(L"Basis-1", name); });
  }
  STDMETHODIMP get_Components(HostComponents** components) override {
    return m_host->call(L"Components", L"", [&] { return make<Components>(components, m_host); });
  }
  STDMETHODIMP get_HypoGroup(HostHypoGroup** group) override {
    return m_host->call(L"HypoGroup", L"", [&] { return make<HypoGroup>(group, m_host); });
  }
};

class FluidPackageHolder final : public HostObject<HostDual<HostFluidPackageHolder>> {
 public:
  explicit FluidPackageHolder(State state) : HostObject(std::move(state)) {}
  STDMETHODIMP get_FluidPackage(IDispatch** fluidPackage) override {
    return m_host->call(L"FluidPackage", L"", [&] { return make<FluidPackage>(fluidPackage, m_host); });
  }
};

// ---- Container ---------------------------------------------------------------------------

HRESULT writeCaseFile(const std::wstring& path, const std::wstring& text) {
  if (path.empty()) return S_OK;
  std::ofstream out(support::narrow(path), std::ios::binary | std::ios::trunc);
  out << support::narrow(text);
  return out.good() ? S_OK : STG_E_CANTSAVE;
}

class Container final : public HostObject<HostDual<ExtnContainer>> {
 public:
  explicit Container(State state) : HostObject(std::move(state)) {}

  STDMETHODIMP get_ComponentCount(long* count) override {
    return m_host->call(L"ComponentCount", L"", [&] {
      if (!count) return E_POINTER;
      *count = static_cast<long>(m_host->components.size());
      return S_OK;
    });
  }
  STDMETHODIMP SetPackageAlias(BSTR alias) override {
    return m_host->call(L"SetPackageAlias", quoted(alias), [&] {
      m_host->alias = alias ? alias : L"";
      return S_OK;
    });
  }
  STDMETHODIMP Save() override {
    return m_host->call(L"Save", m_host->caseFile, [&] { return writeCaseFile(m_host->caseFile, m_host->saveCase()); });
  }
  STDMETHODIMP get_ExtensionDefinition(ExtnDefinition** definition) override {
    return m_host->call(L"ExtensionDefinition", L"", [&] { return make<Definition>(definition, m_host); });
  }
  STDMETHODIMP get_Case(HostCase** owningCase) override {
    return m_host->call(L"Case", L"", [&] { return make<Case>(owningCase, m_host); });
  }
  STDMETHODIMP WriteTrace(BSTR text, unsigned char flag, long extra) override {
    return m_host->call(L"WriteTrace", quoted(text) + L" " + std::to_wstring(flag) + L" " + std::to_wstring(extra),
                        [&] {
                          m_host->trace.push_back(text ? text : L"");
                          return S_OK;
                        });
  }
  STDMETHODIMP get_FluidPackageHolder(IDispatch** holder) override {
    return m_host->call(L"FluidPackageHolder", L"", [&] { return make<FluidPackageHolder>(holder, m_host); });
  }
  STDMETHODIMP get_Views(ExtnViewHolder** views) override {
    return m_host->call(L"Views", L"", [&] { return make<ViewHolder>(views, m_host); });
  }
  STDMETHODIMP ShowView(BSTR viewName) override { return viewCommand(L"ShowView", L"Show ", viewName); }
  STDMETHODIMP RefreshView(BSTR viewName) override { return viewCommand(L"RefreshView", L"Refresh ", viewName); }

 private:
  HRESULT viewCommand(const wchar_t* operation, const wchar_t* verb, BSTR viewName) {
    return m_host->call(operation, quoted(viewName), [&] {
      if (SysStringLen(viewName) == 0) return E_INVALIDARG;
      m_host->views.push_back(verb + std::wstring(viewName));
      return S_OK;
    });
  }
};

}  // namespace

HRESULT makeVariableArgument(const std::shared_ptr<HostState>& state, const std::wstring& name, const VARIANT& value,
                             ExtnVariableArgument** out) {
  const Variable* var = state->findVariable(name.c_str());
  if (!var) return E_INVALIDARG;
  return make<VariableArgument>(out, state, var->name, value);
}

HRESULT makeContainer(const std::shared_ptr<HostState>& state, ExtnContainer** out) {
  return make<Container>(out, state);
}

}  // namespace orvexhost
