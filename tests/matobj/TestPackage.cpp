#include "tests/matobj/TestPackage.h"

#include <algorithm>

#include "support/SetGet.h"
#include "support/Text.h"

namespace matobj_test {

namespace {

using support::SetGet;

std::wstring textOf(const VARIANT& v) { return support::widen(SetGet::variantToStr(v)); }
std::wstring textOf(BSTR s) { return s ? s : L""; }

HRESULT putStrings(VARIANT* out, const std::vector<std::wstring>& texts) {
  if (!out) return E_POINTER;
  VariantClear(out);
  return SetGet::fromStringList(*out, texts);
}

HRESULT putDoubles(VARIANT* out, const std::vector<double>& values) {
  if (!out) return E_POINTER;
  VariantClear(out);
  HRESULT hr = SetGet::Create(*out, VT_R8, static_cast<long>(values.size()));
  for (size_t i = 0; SUCCEEDED(hr) && i < values.size(); ++i) SetGet::putDouble(*out, static_cast<long>(i), values[i]);
  return hr;
}

// An array of VARIANTs, element i made by fill(i, element).
template <class Fill>
support::Variant variantArray(size_t count, Fill fill) {
  support::Variant v;
  if (FAILED(SetGet::Create(v.get(), VT_VARIANT, static_cast<long>(count)))) return v;
  support::SafeArrayLockGuard lock(v.get().parray);
  auto* elements = static_cast<VARIANT*>(lock.data());
  for (size_t i = 0; elements && i < count; ++i) fill(i, elements[i]);
  return v;
}

// Element i of a one-dimensional array as a new VARIANT.
support::Variant elementAt(const VARIANT& arr, long i) {
  support::Variant out;
  const VARTYPE vt = static_cast<VARTYPE>(arr.vt & ~VT_ARRAY);
  VARIANT& v = out.get();
  HRESULT hr = E_FAIL;
  switch (vt) {
    case VT_VARIANT: hr = SafeArrayGetElement(arr.parray, &i, &v); break;
    case VT_R8: hr = SafeArrayGetElement(arr.parray, &i, &v.dblVal); break;
    case VT_I4: hr = SafeArrayGetElement(arr.parray, &i, &v.lVal); break;
    case VT_BSTR: hr = SafeArrayGetElement(arr.parray, &i, &v.bstrVal); break;
    default: break;
  }
  if (SUCCEEDED(hr) && vt != VT_VARIANT) v.vt = vt;
  return out;
}

// The answers of several names joined, constant by constant: an array of their common type,
// or of VARIANTs when they differ.
HRESULT joinAnswers(const std::vector<const VARIANT*>& parts, VARIANT* out) {
  std::vector<support::Variant> elements;
  VARTYPE common = parts.empty() ? VARTYPE(VT_ARRAY | VT_VARIANT) : parts.front()->vt;
  for (const VARIANT* part : parts) {
    if (!(part->vt & VT_ARRAY) || !part->parray) return E_UNEXPECTED;  // a joined answer must be arrays
    if (part->vt != common) common = VT_ARRAY | VT_VARIANT;
    const long lb = SetGet::lbound(*part);
    for (long i = 0; i < SetGet::elementCount(*part); ++i) elements.push_back(elementAt(*part, lb + i));
  }
  const VARTYPE vt = static_cast<VARTYPE>(common & ~VT_ARRAY);
  HRESULT hr = SetGet::Create(*out, vt, static_cast<long>(elements.size()));
  for (long i = 0; SUCCEEDED(hr) && i < static_cast<long>(elements.size()); ++i) {
    VARIANT& e = elements[i].get();
    switch (vt) {
      case VT_VARIANT: hr = SafeArrayPutElement(out->parray, &i, &e); break;
      case VT_R8: hr = SafeArrayPutElement(out->parray, &i, &e.dblVal); break;
      case VT_I4: hr = SafeArrayPutElement(out->parray, &i, &e.lVal); break;
      case VT_BSTR: hr = SafeArrayPutElement(out->parray, &i, e.bstrVal); break;
      default: hr = E_UNEXPECTED; break;
    }
  }
  return hr;
}

template <class Body>
HRESULT guarded(Body body) {
  try {
    return body();
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

// ---- ConstantAnswer ----

ConstantAnswer ConstantAnswer::variants(const std::vector<double>& values) {
  ConstantAnswer a;
  a.values = variantArray(values.size(), [&](size_t i, VARIANT& e) {
    e.vt = VT_R8;
    e.dblVal = values[i];
  });
  return a;
}

ConstantAnswer ConstantAnswer::variantStrings(const std::vector<std::wstring>& values) {
  ConstantAnswer a;
  a.values = variantArray(values.size(), [&](size_t i, VARIANT& e) {
    e.vt = VT_BSTR;
    e.bstrVal = SysAllocString(values[i].c_str());
  });
  return a;
}

ConstantAnswer ConstantAnswer::plainDoubles(const std::vector<double>& values) {
  ConstantAnswer a;
  putDoubles(a.values.out(), values);
  return a;
}

ConstantAnswer ConstantAnswer::plainStrings(const std::vector<std::wstring>& values) {
  ConstantAnswer a;
  putStrings(a.values.out(), values);
  return a;
}

ConstantAnswer ConstantAnswer::failure(HRESULT code) {
  ConstantAnswer a;
  a.code = code;
  return a;
}

ConstantAnswer ConstantAnswer::raw(const VARIANT& value) {
  ConstantAnswer a;
  a.values.copyFrom(value);
  return a;
}

// ---- TestPackage ----

support::ComPtr<TestPackage> TestPackage::create(TestPackage** raw) {
  support::ComPtr<ICapeThermoPropertyPackage> package;
  support::ComPtr<TestPackage> self;
  if (SUCCEEDED(comkit::createInstance<TestPackage>(nullptr, __uuidof(ICapeThermoPropertyPackage),
                                                    reinterpret_cast<void**>(package.GetAddressOf()))))
    self = static_cast<TestPackage*>(package.Get());
  if (raw) *raw = self.Get();
  return self;
}

support::ComPtr<ICapeThermoMaterialObject> TestPackage::materialOf(IDispatch* materialObject) {
  support::ComPtr<ICapeThermoMaterialObject> mo;
  if (materialObject)
    materialObject->QueryInterface(__uuidof(ICapeThermoMaterialObject), reinterpret_cast<void**>(mo.GetAddressOf()));
  return mo;
}

std::vector<PackageCall> TestPackage::callsOf(const std::wstring& method) const {
  std::vector<PackageCall> out;
  std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(out),
               [&](const PackageCall& c) { return c.method == method; });
  return out;
}

HRESULT TestPackage::record(PackageCall call) {
  const std::wstring method = call.method;
  m_calls.push_back(std::move(call));
  const auto failure = failures.find(method);
  return failure == failures.end() ? S_OK : failure->second;
}

STDMETHODIMP TestPackage::GetPhaseList(VARIANT* out) {
  return guarded([&] {
    HRESULT hr = record({L"GetPhaseList", L"", {}, {}, L"", nullptr});
    return FAILED(hr) ? hr : putStrings(out, phases);
  });
}

STDMETHODIMP TestPackage::GetPropList(VARIANT* out) {
  return guarded([&] {
    HRESULT hr = record({L"GetPropList", L"", {}, {}, L"", nullptr});
    return FAILED(hr) ? hr : putStrings(out, properties);
  });
}

STDMETHODIMP TestPackage::GetComponentList(VARIANT* compIds, VARIANT* formulae, VARIANT* names, VARIANT* boilTemps,
                                           VARIANT* molwt, VARIANT* casno) {
  return guarded([&] {
    HRESULT hr = record({L"GetComponentList", L"", {}, {}, L"", nullptr});
    if (FAILED(hr)) return hr;
    auto texts = [&](std::wstring TestCompound::*field) {
      std::vector<std::wstring> out;
      for (const auto& c : compounds) out.push_back(c.*field);
      return out;
    };
    auto numbers = [&](double TestCompound::*field) {
      std::vector<double> out;
      for (const auto& c : compounds) out.push_back(c.*field);
      return out;
    };
    hr = putStrings(compIds, texts(&TestCompound::id));
    if (SUCCEEDED(hr)) hr = putStrings(formulae, texts(&TestCompound::formula));
    if (SUCCEEDED(hr)) hr = putStrings(names, texts(&TestCompound::name));
    if (SUCCEEDED(hr)) hr = putDoubles(boilTemps, numbers(&TestCompound::boilingTemperature));
    if (SUCCEEDED(hr)) hr = putDoubles(molwt, numbers(&TestCompound::molecularWeight));
    if (SUCCEEDED(hr)) hr = putStrings(casno, texts(&TestCompound::casNumber));
    return hr;
  });
}

STDMETHODIMP TestPackage::GetUniversalConstant(IDispatch* materialObject, VARIANT props, VARIANT*) {
  return guarded([&] {
    HRESULT hr = record({L"GetUniversalConstant", L"props=" + textOf(props), readStrings(props), {}, L"",
                         identityOf(materialObject)});
    return FAILED(hr) ? hr : E_NOTIMPL;
  });
}

STDMETHODIMP TestPackage::GetComponentConstant(IDispatch* materialObject, VARIANT props, VARIANT* propVals) {
  if (!propVals) return E_POINTER;
  return guarded([&] {
    const std::vector<std::wstring> names = readStrings(props);
    HRESULT hr = record({L"GetComponentConstant", L"props=" + textOf(props), names, {}, L"",
                         identityOf(materialObject)});
    if (FAILED(hr)) return hr;
    VariantClear(propVals);
    return componentConstant ? componentConstant(materialObject, names, propVals) : answerConstants(names, propVals);
  });
}

HRESULT TestPackage::answerConstants(const std::vector<std::wstring>& names, VARIANT* out) const {
  std::vector<const VARIANT*> parts;
  for (const std::wstring& n : names) {
    const auto answer = constants.find(n);
    if (answer == constants.end()) return unknownConstantCode;
    if (FAILED(answer->second.code)) return answer->second.code;
    parts.push_back(&answer->second.values.get());
  }
  if (parts.size() == 1) return VariantCopy(out, const_cast<VARIANT*>(parts.front()));
  return joinAnswers(parts, out);
}

// Exceptions of the behaviours pass on to the caller on purpose (a crashing package).
STDMETHODIMP TestPackage::CalcProp(IDispatch* materialObject, VARIANT props, VARIANT phaseList, BSTR calcType) {
  const std::vector<std::wstring> names = readStrings(props), phaseNames = readStrings(phaseList);
  HRESULT hr = record({L"CalcProp",
                       L"props=" + textOf(props) + L" phases=" + textOf(phaseList) + L" calcType=" + textOf(calcType),
                       names, phaseNames, textOf(calcType), identityOf(materialObject)});
  if (FAILED(hr)) return hr;
  return calcProp ? calcProp(materialObject, names, phaseNames, textOf(calcType)) : S_OK;
}

STDMETHODIMP TestPackage::CalcEquilibrium(IDispatch* materialObject, BSTR flashType, VARIANT props) {
  const std::vector<std::wstring> names = readStrings(props);
  HRESULT hr = record({L"CalcEquilibrium", L"flashType=" + textOf(flashType) + L" props=" + textOf(props), names, {},
                       textOf(flashType), identityOf(materialObject)});
  if (FAILED(hr)) return hr;
  return calcEquilibrium ? calcEquilibrium(materialObject, textOf(flashType), names) : S_OK;
}

STDMETHODIMP TestPackage::PropCheck(IDispatch* materialObject, VARIANT props, VARIANT* valid) {
  if (!valid) return E_POINTER;
  return guarded([&] {
    const std::vector<std::wstring> names = readStrings(props);
    HRESULT hr = record({L"PropCheck", L"props=" + textOf(props), names, {}, L"", identityOf(materialObject)});
    if (FAILED(hr)) return hr;
    VariantClear(valid);
    const support::Variant answer = variantArray(names.size(), [&](size_t i, VARIANT& e) {
      e.vt = VT_BOOL;
      e.boolVal = std::find(properties.begin(), properties.end(), names[i]) != properties.end() ? VARIANT_TRUE
                                                                                               : VARIANT_FALSE;
    });
    return VariantCopy(valid, const_cast<VARIANT*>(&answer.get()));
  });
}

STDMETHODIMP TestPackage::ValidityCheck(IDispatch* materialObject, VARIANT props, VARIANT*) {
  return guarded([&] {
    HRESULT hr =
        record({L"ValidityCheck", L"props=" + textOf(props), readStrings(props), {}, L"", identityOf(materialObject)});
    return FAILED(hr) ? hr : E_NOTIMPL;
  });
}

STDMETHODIMP TestPackage::get_ComponentName(BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(name.c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TestPackage::put_ComponentName(BSTR value) {
  return guarded([&] {
    name = textOf(value);
    return S_OK;
  });
}

STDMETHODIMP TestPackage::get_ComponentDescription(BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(description.c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP TestPackage::put_ComponentDescription(BSTR value) {
  return guarded([&] {
    description = textOf(value);
    return S_OK;
  });
}

// ---- TestDiagnostics ----

support::ComPtr<TestDiagnostics> TestDiagnostics::create() {
  support::ComPtr<ICapeDiagnostics> itf;
  support::ComPtr<TestDiagnostics> self;
  if (SUCCEEDED(comkit::createInstance<TestDiagnostics>(nullptr, __uuidof(ICapeDiagnostics),
                                                        reinterpret_cast<void**>(itf.GetAddressOf()))))
    self = static_cast<TestDiagnostics*>(itf.Get());
  return self;
}

STDMETHODIMP TestDiagnostics::logError(LONG, BSTR txt) {
  return guarded([&] {
    logged.push_back(textOf(txt));
    return S_OK;
  });
}

STDMETHODIMP TestDiagnostics::popUpError(LONG, BSTR txt) {
  return guarded([&] {
    logged.push_back(textOf(txt));
    return S_OK;
  });
}

STDMETHODIMP TestDiagnostics::complainError(BSTR doingAction, LONG hrFromCOobj, IDispatch* COobj,
                                            VARIANT_BOOL calculating, BSTR additionalInfo) {
  return guarded([&] {
    complaints.push_back({textOf(doingAction), static_cast<HRESULT>(hrFromCOobj), identityOf(COobj),
                          calculating != VARIANT_FALSE, textOf(additionalInfo)});
    return answer ? *answer : static_cast<HRESULT>(hrFromCOobj);
  });
}

IUnknown* identityOf(IUnknown* object) {
  if (!object) return nullptr;
  support::ComPtr<IUnknown> unknown;
  object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
  return unknown.Get();
}

void PackageTest::SetUp() {
  MatObjTest::SetUp();
  m_holder = TestPackage::create(&m_package);
  ASSERT_NE(nullptr, m_package);
  m_package->compounds = {{L"water", L"H2O", L"Water", 373.15, 18.0, L"7732-18-5"},
                          {L"ethanol", L"C2H6O", L"Ethanol", 351.4, 46.0, L"64-17-5"}};
}

void PackageTest::TearDown() {
  m_itf->Terminate();
  m_holder.Reset();
  MatObjTest::TearDown();
}

}  // namespace matobj_test
