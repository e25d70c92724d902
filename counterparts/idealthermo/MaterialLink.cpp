#include "counterparts/idealthermo/MaterialLink.h"

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/common/ComArrays.h"
#include "counterparts/common/LateBinding.h"
#include "counterparts/common/PackageError.h"
#include "support/Raii.h"

namespace idealthermo {

using counterpart::fail;
using counterpart::null;
using counterpart::omitted;

namespace {

std::wstring hexCode(HRESULT hr) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

std::wstring callText(const wchar_t* method, const wchar_t* property, const wchar_t* phase) {
  std::wstring text = method;
  if (property) text += std::wstring(L"(") + property + L", " + (phase ? phase : L"") + L")";
  return text;
}

std::vector<double> doublesOf(const VARIANT& v, const std::wstring& what) {
  std::vector<double> values;
  if (!counterpart::readDoubles(v, values)) fail(ECapeUnknownHR, what + L" did not give an array of doubles");
  return values;
}

std::vector<std::wstring> idsOf(const VARIANT& v, const std::wstring& what) {
  std::vector<std::wstring> ids;
  if (v.vt == VT_EMPTY) return ids;
  if (!counterpart::readWideStrings(v, ids)) fail(ECapeUnknownHR, what + L" did not give an array of strings");
  return ids;
}

// A VT_ARRAY|VT_R8 of the values.
support::Variant doubleArray(const std::vector<double>& values) {
  support::Variant v;
  const HRESULT hr = counterpart::putDoubles(v.out(), values);
  if (FAILED(hr)) fail(ECapeOutOfResourcesHR, L"cannot make an array of " + std::to_wstring(values.size()) + L" values");
  return v;
}

// ---- early: the vtable ----

class EarlyLink : public MaterialLink {
 public:
  explicit EarlyLink(support::ComPtr<ICapeThermoMaterialObject> object) : m_object(std::move(object)) {}

  std::vector<std::wstring> componentIds() override {
    support::Variant ids;
    check(m_object->get_ComponentIds(ids.out()), callText(L"ComponentIds", nullptr, nullptr));
    return idsOf(ids.get(), L"ComponentIds");
  }

  std::vector<std::wstring> phaseIds() override {
    support::Variant ids;
    check(m_object->get_PhaseIds(ids.out()), callText(L"PhaseIds", nullptr, nullptr));
    return idsOf(ids.get(), L"PhaseIds");
  }

  std::vector<double> readState(const wchar_t* property, const wchar_t* phase, const wchar_t* basis) override {
    support::Bstr name(property), where(phase), on(basis);
    support::Variant all, values;  // all compounds: VT_EMPTY; calcType: a null BSTR
    check(m_object->GetProp(name.get(), where.get(), all.get(), nullptr, on.get(), values.out()),
          callText(L"GetProp", property, phase));
    return doublesOf(values.get(), callText(L"GetProp", property, phase));
  }

  void write(const wchar_t* property, const wchar_t* phase, const wchar_t* calcType, const wchar_t* basis,
             const std::vector<double>& values) override {
    support::Bstr name(property), where(phase), type(calcType), on(basis);
    support::Variant all;
    check(m_object->SetProp(name.get(), where.get(), all.get(), type.get(), on.get(), doubleArray(values).get()),
          callText(L"SetProp", property, phase));
  }

 private:
  // The material object's own account of a failure, read from its CAPE-OPEN error interface.
  void check(HRESULT hr, const std::wstring& call) {
    if (SUCCEEDED(hr)) return;
    std::wstring text = L"the material object failed " + call + L" with " + hexCode(hr);
    support::ComPtr<ECapeUser> error;
    if (SUCCEEDED(m_object.As(&error))) {
      support::Bstr description, scope;
      if (SUCCEEDED(error->get_description(description.out())) && !description.empty())
        text += std::wstring(L": ") + description.c_str();
      if (SUCCEEDED(error->get_scope(scope.out())) && !scope.empty()) text += std::wstring(L" (in ") + scope.c_str() + L")";
    }
    fail(ECapeUnknownHR, text);
  }

  support::ComPtr<ICapeThermoMaterialObject> m_object;
};

// ---- late: IDispatch only ----

// An argument as a script passes it.
support::Variant text(const wchar_t* value) {
  support::Variant v;
  if (!value) return v;  // Empty, an unassigned script variable
  v.get().vt = VT_BSTR;
  v.get().bstrVal = SysAllocString(value);
  if (!v.get().bstrVal) fail(ECapeOutOfResourcesHR, L"out of memory");
  return v;
}

class LateLink : public MaterialLink {
 public:
  explicit LateLink(support::ComPtr<IDispatch> object) : m_object(std::move(object)) {}

  std::vector<std::wstring> componentIds() override {
    support::Variant ids = invoke(L"ComponentIds", DISPATCH_PROPERTYGET, {}, L"ComponentIds");
    return idsOf(ids.get(), L"ComponentIds");
  }

  std::vector<std::wstring> phaseIds() override {
    support::Variant ids = invoke(L"PhaseIds", DISPATCH_PROPERTYGET, {}, L"PhaseIds");
    return idsOf(ids.get(), L"PhaseIds");
  }

  std::vector<double> readState(const wchar_t* property, const wchar_t* phase, const wchar_t* basis) override {
    std::vector<support::Variant> args;
    args.push_back(text(property));
    args.push_back(text(phase));
    args.push_back(omitted());  // compIds left out
    args.push_back(text(nullptr));
    args.push_back(text(basis));
    const std::wstring call = callText(L"GetProp", property, phase);
    support::Variant values = invoke(L"GetProp", DISPATCH_METHOD, args, call);
    return doublesOf(values.get(), call);
  }

  // The values go by reference, as Visual Basic passes an array variable.
  void write(const wchar_t* property, const wchar_t* phase, const wchar_t* calcType, const wchar_t* basis,
             const std::vector<double>& values) override {
    support::Variant array = doubleArray(values);
    support::Variant byRef;
    byRef.get().vt = VT_BYREF | VT_ARRAY | VT_R8;
    byRef.get().pparray = &array.get().parray;  // borrowed: byRef owns nothing
    std::vector<support::Variant> args;
    args.push_back(text(property));
    args.push_back(text(phase));
    args.push_back(null());  // no compound ids
    args.push_back(text(calcType));
    args.push_back(text(basis));
    args.push_back(std::move(byRef));
    invoke(L"SetProp", DISPATCH_METHOD, args, callText(L"SetProp", property, phase));
  }

 private:
  // Calls `name` with the arguments in their written order.
  support::Variant invoke(const wchar_t* name, WORD flags, std::vector<support::Variant>& args, const std::wstring& call) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = m_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) fail(ECapeUnknownHR, std::wstring(L"the material object has no member ") + name + L" (" + hexCode(hr) + L")");
    std::vector<VARIANTARG> borrowed;
    for (auto& arg : args) borrowed.push_back(arg.get());
    support::Variant result;
    counterpart::InvokeFault fault;
    hr = counterpart::invokeInOrder(m_object.Get(), id, flags, std::move(borrowed), result.out(), &fault);
    if (FAILED(hr)) {
      std::wstring text = L"the material object failed " + call + L" with " + hexCode(hr);
      if (hr == DISP_E_EXCEPTION && fault.scode) text += L" (" + hexCode(fault.scode) + L")";
      if (!fault.description.empty()) text += std::wstring(L": ") + fault.description.c_str();
      if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) text += L" at argument " + std::to_wstring(fault.argument);
      fail(ECapeUnknownHR, text);
    }
    return result;
  }
  support::Variant invoke(const wchar_t* name, WORD flags, std::vector<support::Variant>&& args, const std::wstring& call) {
    return invoke(name, flags, args, call);
  }

  support::ComPtr<IDispatch> m_object;
};

}  // namespace

std::unique_ptr<MaterialLink> linkMaterial(IDispatch* object, LinkManner manner) {
  if (!object) fail(ECapeInvalidArgumentHR, L"no material object was given");
  if (manner == LinkManner::Early) {
    support::ComPtr<ICapeThermoMaterialObject> material;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(material.GetAddressOf()))) || !material)
      fail(ECapeInvalidArgumentHR, L"the material object does not offer ICapeThermoMaterialObject");
    return std::make_unique<EarlyLink>(std::move(material));
  }
  support::ComPtr<IDispatch> dispatch;
  if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()))) || !dispatch)
    fail(ECapeInvalidArgumentHR, L"the material object does not offer IDispatch");
  return std::make_unique<LateLink>(std::move(dispatch));
}

}  // namespace idealthermo
