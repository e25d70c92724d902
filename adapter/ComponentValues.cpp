#include "adapter/ComponentValues.h"

#include <cmath>

#include "support/SetGet.h"
#include "support/Utils.h"

using support::Bstr;
using support::SetGet;
using support::Variant;

namespace component_values {

bool isValidValue(double v) { return std::isfinite(v) && v != 1e35 && v != -1e35; }

bool endsWithStar(const std::wstring& name) { return !name.empty() && name.back() == L'*'; }

std::vector<std::wstring> textsOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (SetGet::dimCount(v) != 1) return out;
  const long lb = SetGet::lbound(v);
  const long n = SetGet::elementCount(v);
  for (long k = 0; k < n; ++k) {
    if (v.vt == (VT_ARRAY | VT_BSTR)) {
      out.push_back(textOf(SetGet::getString(v, lb + k)));
    } else if (v.vt == (VT_ARRAY | VT_VARIANT)) {
      const VARIANT element = SetGet::getVariant(v, lb + k);  // the array's own
      out.push_back(element.vt == VT_BSTR ? textOf(element.bstrVal) : std::wstring());
    } else {
      return {};
    }
  }
  return out;
}

std::vector<double> realsOf(const VARIANT& v) {
  std::vector<double> out;
  if (SetGet::dimCount(v) != 1) return out;
  const long lb = SetGet::lbound(v);
  const long n = SetGet::elementCount(v);
  for (long k = 0; k < n; ++k) {
    if (v.vt == (VT_ARRAY | VT_R8)) {
      out.push_back(SetGet::getDouble(v, lb + k));
    } else if (v.vt == (VT_ARRAY | VT_I4)) {
      out.push_back(SetGet::getLong(v, lb + k));
    } else if (v.vt == (VT_ARRAY | VT_VARIANT)) {
      VARIANT element = SetGet::getVariant(v, lb + k);
      Variant real;
      const bool ok = SUCCEEDED(VariantChangeType(&real.get(), &element, 0, VT_R8));
      out.push_back(ok ? real.get().dblVal : std::numeric_limits<double>::quiet_NaN());
    } else {
      return {};
    }
  }
  return out;
}

std::vector<std::wstring> readTexts(OvTextFlexVar& var, size_t n) {
  std::vector<std::wstring> values = textsOf(valueOf(var).get());
  values.resize(n);
  return values;
}

std::vector<double> readReals(OvRealFlexVar& var, size_t n, double fill) {
  std::vector<double> values = realsOf(valueOf(var).get());
  values.resize(n, fill);
  return values;
}

HRESULT writeTexts(OvTextFlexVar& var, const std::vector<std::wstring>& values) {
  Variant array;
  const HRESULT hr = SetGet::fromStringList(array.get(), values);
  return FAILED(hr) ? hr : var.setValue(array.get());
}

HRESULT writeReals(OvRealFlexVar& var, const std::vector<double>& values) {
  Variant array;
  const HRESULT hr =
      SetGet::createFromBuffer(array.get(), VT_R8, values.data(), static_cast<long>(values.size()), true);
  return FAILED(hr) ? hr : var.setValue(array.get());
}

Variant longArray(const std::vector<long>& values) {
  Variant array;
  SetGet::createFromBuffer(array.get(), VT_I4, values.data(), static_cast<long>(values.size()), true);
  return array;
}

Variant textArray(const std::vector<std::wstring>& values) {
  Variant array;
  SetGet::fromStringList(array.get(), values);
  return array;
}

std::wstring listText(const Variant& list, long i) {
  if (list.vt() != (VT_ARRAY | VT_BSTR) || i < 0 || i >= SetGet::elementCount(list.get())) return {};
  return textOf(SetGet::getString(list.get(), SetGet::lbound(list.get()) + i));
}

double listReal(const Variant& list, long i) {
  if (list.vt() != (VT_ARRAY | VT_R8) || i < 0 || i >= SetGet::elementCount(list.get())) return kNotAvailable;
  return SetGet::getDouble(list.get(), SetGet::lbound(list.get()) + i);
}

Variant listOrEmpty(const Variant& list, VARTYPE vt) {
  Variant result;
  if (list.vt() != (VT_ARRAY | vt))
    SetGet::Create(result.get(), vt, 0);
  else if (FAILED(result.copyFrom(list.get())))
    throw std::bad_alloc();
  return result;
}

std::vector<long> longsOf(const VARIANT& v) {
  std::vector<long> out;
  for (double d : realsOf(v)) out.push_back(std::isfinite(d) ? static_cast<long>(d) : -1);
  return out;
}

HRESULT readEntry(HostComponent* component, HostEntry& entry) {
  if (!component) return E_POINTER;
  HRESULT hr = component->get_ID(&entry.id);
  Bstr name;
  if (SUCCEEDED(hr)) hr = component->get_Name(name.out());
  entry.name = textOf(name.get());
  return hr;
}

}  // namespace component_values
