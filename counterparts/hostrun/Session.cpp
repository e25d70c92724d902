#include "counterparts/hostrun/Session.h"

#include <cstdio>
#include <algorithm>
#include <fstream>

#include "support/Text.h"
#include "ZendrelLib.h"

namespace hostrun {

namespace {

using support::Bstr;
using support::ComPtr;
using support::Variant;

std::wstring wide(const std::string& s) { return support::widen(s); }

bool sameName(const wchar_t* a, const wchar_t* b) { return _wcsicmp(a, b) == 0; }

bool failed(HRESULT hr, const char* what, std::string& error) {
  if (SUCCEEDED(hr)) return false;
  error = std::string(what) + " failed: " + hresultText(hr);
  return true;
}

std::vector<std::wstring> stringsOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (v.vt != (VT_ARRAY | VT_BSTR) || !v.parray || v.parray->cDims != 1) return out;
  BSTR* data = nullptr;
  if (FAILED(SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data)))) return out;
  for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) out.emplace_back(data[i] ? data[i] : L"");
  SafeArrayUnaccessData(v.parray);
  return out;
}

ComPtr<HostComponents> fluidPackageComponents(ExtnContainer* container) {
  ComPtr<IDispatch> holderDispatch, packageDispatch;
  ComPtr<HostFluidPackageHolder> holder;
  ComPtr<HostFluidPackage> package;
  ComPtr<HostComponents> components;
  if (SUCCEEDED(container->get_FluidPackageHolder(&holderDispatch)) && holderDispatch &&
      SUCCEEDED(holderDispatch->QueryInterface(IID_PPV_ARGS(holder.GetAddressOf()))) &&
      SUCCEEDED(holder->get_FluidPackage(&packageDispatch)) && packageDispatch &&
      SUCCEEDED(packageDispatch->QueryInterface(IID_PPV_ARGS(package.GetAddressOf()))))
    package->get_Components(&components);
  return components;
}

}  // namespace

std::string hresultText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

Session::Session(const Case& c) : m_case(c) {
  m_host = std::make_unique<orvexhost::Host>(orvexhost::propertyPackageDefinition());
  m_host->container(&m_container);
}

Session::~Session() { terminate(); }

void Session::terminate() {
  if (m_extension && m_initialised) m_extension->Terminate();
  m_initialised = false;
  m_extension.Reset();
  m_package.Reset();
}

bool Session::createExtension(std::string& error) {
  const HRESULT hr = CoCreateInstance(CLSID_VBPropPkg, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(m_package.GetAddressOf()));
  if (failed(hr, "creating the CAPE-OPEN property package extension (is Quellmar.dll registered?)", error))
    return false;
  return !failed(m_package->QueryInterface(IID_PPV_ARGS(m_extension.GetAddressOf())), "ExtensionObject", error);
}

bool Session::initialize(VARIANT_BOOL recalling, std::string& error) {
  if (m_case.asksForPackage())
    SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", nullptr);
  else
    SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", wide(m_case.system + "|" + m_case.package).c_str());
  const HRESULT hr = m_package->Initialize(m_container.Get(), &m_record, recalling);
  m_initialised = true;  // Terminate is owed whatever Initialize answered
  return !failed(hr, "Initialize", error);
}

bool Session::startNew(std::string& error) {
  return createExtension(error) && initialize(VARIANT_FALSE, error) && importComponents(error) && readHostBasis(error);
}

bool Session::startRecalled(const std::string& savePath, std::string& error) {
  if (failed(m_host->loadCase(wide(savePath)), ("loading the saved case " + savePath).c_str(), error)) return false;
  return restoreFluidPackage(error) && createExtension(error) && initialize(VARIANT_TRUE, error) &&
         readHostBasis(error);
}

// The host keeps its fluid package with the case; this host's case store keeps only the
// variables, so the components the extension imported are put back from them.
bool Session::restoreFluidPackage(std::string& error) {
  const std::vector<std::wstring> names = texts(L"SelectedCompOvNames");
  ComPtr<IDispatch> variable = variableObject(L"SelectedFlags");
  ComPtr<ExtnRealArrayVariable> typed;
  Variant flags;
  if (variable && SUCCEEDED(variable->QueryInterface(IID_PPV_ARGS(typed.GetAddressOf())))) typed->get_Value(flags.out());
  ComPtr<HostComponents> components = fluidPackageComponents(m_container.Get());
  if (!components || flags.get().vt != (VT_ARRAY | VT_R8) || !flags.get().parray) {
    error = "the saved case holds no component selection";
    return false;
  }
  double* selected = nullptr;
  SafeArrayAccessData(flags.get().parray, reinterpret_cast<void**>(&selected));
  const size_t count = std::min<size_t>(names.size(), flags.get().parray->rgsabound[0].cElements);
  bool ok = true;
  for (size_t i = 0; i < count && ok; ++i) {
    ComPtr<HostComponent> added;
    if (selected[i] > 0) ok = SUCCEEDED(components->Add(Bstr(names[i].c_str()).get(), &added));
  }
  SafeArrayUnaccessData(flags.get().parray);
  if (!ok) error = "the host refused a saved component";
  return ok;
}

bool Session::save(const std::string& path, std::string& error) {
  m_host->setCaseFile(wide(path));
  return !failed(m_extension->Save(), "Save", error);
}

ComPtr<IDispatch> Session::variableObject(const wchar_t* name) {
  ComPtr<ExtnDefinition> definition;
  ComPtr<ExtnVariableDefinition> declared;
  ComPtr<IDispatch> variable;
  if (SUCCEEDED(m_container->get_ExtensionDefinition(&definition)) && definition &&
      SUCCEEDED(definition->FindVariable(Bstr(name).get(), &declared)) && declared)
    declared->get_Variable(&variable);
  return variable;
}

std::vector<std::wstring> Session::texts(const wchar_t* name) {
  ComPtr<IDispatch> variable = variableObject(name);
  ComPtr<ExtnTextArrayVariable> typed;
  Variant value;
  if (variable && SUCCEEDED(variable->QueryInterface(IID_PPV_ARGS(typed.GetAddressOf()))))
    typed->get_Value(value.out());
  return stringsOf(value.get());
}

std::wstring Session::text(const wchar_t* name) {
  ComPtr<IDispatch> variable = variableObject(name);
  ComPtr<ExtnTextVariable> typed;
  Bstr value;
  if (variable && SUCCEEDED(variable->QueryInterface(IID_PPV_ARGS(typed.GetAddressOf()))))
    typed->get_Value(value.out());
  return value.c_str();
}

HRESULT Session::putReals(const wchar_t* name, const std::vector<double>& values) {
  ComPtr<IDispatch> variable = variableObject(name);
  ComPtr<ExtnRealArrayVariable> typed;
  if (!variable || FAILED(variable->QueryInterface(IID_PPV_ARGS(typed.GetAddressOf())))) return E_FAIL;
  Variant v;
  SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
  if (!array) return E_OUTOFMEMORY;
  double* data = nullptr;
  SafeArrayAccessData(array, reinterpret_cast<void**>(&data));
  std::copy(values.begin(), values.end(), data);
  SafeArrayUnaccessData(array);
  v.get().vt = VT_ARRAY | VT_R8;
  v.get().parray = array;
  return typed->put_Value(v.get());
}

bool Session::importComponents(std::string& error) {
  const std::vector<std::wstring> names = texts(L"SelectedCompOvNames");
  const std::vector<std::wstring> cas = texts(L"SelectedCompCASNos");
  std::vector<double> flags(names.size(), 0.0);
  for (const CaseComponent& c : m_case.components) {
    bool found = false;
    for (size_t i = 0; i < names.size() && !found; ++i) {
      const bool byName = !c.name.empty() && sameName(names[i].c_str(), wide(c.name).c_str());
      const bool byCas = !c.cas.empty() && i < cas.size() && cas[i] == wide(c.cas);
      if (byName || byCas) flags[i] = 1.0, found = true;
    }
    if (!found) {
      error = "the package offers no component " + (c.name.empty() ? c.cas : c.name);
      return false;
    }
  }
  if (failed(putReals(L"SelectedFlags", flags), "selecting the case's components", error)) return false;
  // The user closes the component page: the extension imports the selection into the host.
  ComPtr<ExtnVariableArgument> closing;
  Variant none;
  if (failed(m_host->variableArgument(L"CloseDefaultView", none.get(), &closing), "the page's close command", error))
    return false;
  if (failed(m_extension->VariableChanged(closing.Get()), "closing the component page", error)) return false;
  VARIANT_BOOL changed = VARIANT_FALSE;
  return !failed(m_package->EndBasisChange(&changed), "EndBasisChange", error);
}

bool Session::readHostBasis(std::string& error) {
  m_hostNames.clear();
  m_feed.clear();
  ComPtr<HostComponents> components = fluidPackageComponents(m_container.Get());
  long n = 0;
  if (!components || FAILED(components->get_Count(&n)) || n <= 0) {
    error = "the host fluid package has no components after the import";
    return false;
  }
  for (long i = 0; i < n; ++i) {
    ComPtr<HostComponent> component;
    Bstr name;
    long id = -1;
    if (FAILED(components->get_Item(i, &component)) || !component || FAILED(component->get_Name(name.out())) ||
        FAILED(component->get_ID(&id))) {
      error = "cannot read host component " + std::to_string(i);
      return false;
    }
    m_hostNames.emplace_back(name.c_str());
    double x = 0;
    const std::wstring cas = m_host->libraryCas(id);
    for (const CaseComponent& c : m_case.components)
      if ((!c.name.empty() && sameName(name.c_str(), wide(c.name).c_str())) || (!c.cas.empty() && cas == wide(c.cas)))
        x = c.x;
    m_feed.push_back(x);
  }
  return true;
}

std::wstring Session::packageName() { return text(L"PropPackName"); }

}  // namespace hostrun
