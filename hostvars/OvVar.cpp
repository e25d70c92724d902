#include "hostvars/OvVar.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "support/Guards.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Utils.h"

using support::Bstr;
using support::ComPtr;
using support::SetGet;
using support::Variant;

namespace {

// Separates array elements in persisted text.
constexpr char kSeparator[] = "-.-";

HRESULT textOut(const std::string& text, BSTR* out) {
  if (!out) return E_POINTER;
  const std::wstring wide = support::widen(text);
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// A persisted real reads back as exactly the double that was saved: the shortest text that
// round-trips, parsed as a double (a single-precision read would change saved values).
std::string persistedReal(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return result.ec == std::errc() ? std::string(text, result.ptr) : std::string();
}

// Read as it was written, whatever the user's locale: a decimal comma locale would stop strtod
// at the point. Leading blanks and a plus sign are taken, as the C library's reading takes them.
bool parseReal(const std::string& text, double& out) {
  const char* first = text.c_str();
  const char* const last = first + text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(*first))) ++first;
  if (first < last && *first == '+') ++first;
  double value = 0.0;
  if (std::from_chars(first, last, value).ec != std::errc()) return false;
  out = value;
  return true;
}

std::string realsText(const VARIANT& value) {
  std::string text;
  const long count = SetGet::elementCount(value), first = SetGet::lbound(value);
  for (long k = 0; k < count; ++k) {
    if (k) text += kSeparator;
    text += persistedReal(SetGet::getDouble(value, first + k));
  }
  return text;
}

// A text array of one empty text would read back as no text at all, so it is written as this
// mark (no element of a component list looks like it).
constexpr char kOneEmptyText[] = "<one empty text>";

std::vector<std::string> splitElements(const std::string& text) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  if (text == kOneEmptyText) return {std::string()};
  const std::string separator = kSeparator;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    parts.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string arrayText(const VARIANT& value) {
  std::string text = SetGet::variantToStr(value, kSeparator, true, true);
  if (text.empty() && SetGet::isArray(value) && SetGet::elementCount(value) == 1) text = kOneEmptyText;
  return text;
}

// Index i (from 0) of the value's first dimension, or reports the read past the end.
bool elementAt(const VARIANT& value, long i, const std::string& name, long& absolute) {
  const long count = SetGet::elementCount(value);
  if (i >= 0 && i < count) {
    absolute = SetGet::lbound(value) + i;
    return true;
  }
  const std::string text = "Error getting position " + std::to_string(i) + " of variable '" + name +
                           "'. Variable value has only " + std::to_string(count) + " elements";
  support::reportError(100, text.c_str());
  return false;
}

bool holdsArrayOf(const VARIANT& value, VARTYPE vt) {
  return value.vt == VT_EMPTY || (value.vt == (VT_ARRAY | vt) && SetGet::dimCount(value) == 1);
}

// Shared by both array kinds: their host interfaces have the same shape.
template <class I>
HRESULT readArray(I* host, const Variant& local, VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  if (!host) return VariantCopy(out, const_cast<VARIANT*>(&local.get()));
  const HRESULT hr = host->get_Value(out);
  return FAILED(hr) ? support::reportUnexpected(hr) : hr;
}

template <class I>
HRESULT writeArray(I* host, Variant& local, const VARIANT& value, VARTYPE vt) {
  if (host) {
    const HRESULT hr = host->put_Value(value);
    return FAILED(hr) ? support::reportUnexpected(hr) : hr;
  }
  if (!holdsArrayOf(value, vt)) return support::reportUnexpected(DISP_E_TYPEMISMATCH);
  Variant copy;
  const HRESULT hr = copy.copyFrom(value);
  if (FAILED(hr)) return support::reportUnexpected(hr);
  local = std::move(copy);
  return S_OK;
}

template <class I>
bool arrayIsSet(I* host, const Variant& local) {
  if (!host) return true;
  Variant value;
  return SUCCEEDED(readArray(host, local, value.out())) && SetGet::elementCount(value.get()) > 0;
}

template <class I>
HRESULT arrayToText(I* host, const Variant& local, BSTR* out) {
  return support::reportingFailure([&] {
    Variant value;
    const HRESULT hr = readArray(host, local, value.out());
    return FAILED(hr) ? hr : textOut(arrayText(value.get()), out);
  });
}

// Reads the whole array, changes element i through put, writes it back.
template <class I, class Put>
HRESULT writeElement(I* host, Variant& local, long i, const std::string& name, VARTYPE vt, Put put) {
  return support::reportingFailure([&] {
    Variant value;
    HRESULT hr = readArray(host, local, value.out());
    if (FAILED(hr)) return hr;
    long absolute = 0;
    if (!elementAt(value.get(), i, name, absolute)) return E_FAIL;
    if (!put(value.get(), absolute)) return support::reportUnexpected(E_FAIL);
    return writeArray(host, local, value.get(), vt);
  });
}

}  // namespace

// ---- OvVar ---------------------------------------------------------------------------------

OvVar::~OvVar() {
  if (m_set) m_set->remove(this);
}

HRESULT OvVar::bindTo(const char* name, OvVarSet* set, REFIID iid, void** reference) {
  *reference = nullptr;
  m_name = name ? name : "";
  if (m_set != set) {
    if (m_set) m_set->remove(this);
    m_set = set;
    if (m_set) m_set->add(this);
  }
  ExtnDefinition* definition = m_set ? m_set->definition() : nullptr;
  if (!definition) return S_FALSE;
  return support::reportingFailure([&] {
    ComPtr<ExtnVariableDefinition> declared;
    const Bstr wideName(support::widen(m_name).c_str());
    if (FAILED(definition->FindVariable(wideName.get(), &declared)) || !declared) {
      const std::string text =
          "finding EDF variable '" + m_name + "'. Please upgrade and register latest EDF file.";
      support::reportError(E_FAIL, text.c_str());
      return E_FAIL;
    }
    VARIANT_BOOL usable = VARIANT_FALSE;
    HRESULT hr = declared->get_IsUsable(&usable);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    ComPtr<IDispatch> object;
    if (usable != VARIANT_FALSE) {
      hr = declared->get_Variable(&object);
      if (FAILED(hr)) return support::reportUnexpected(hr);
    }
    if (!object) {
      const std::string text = "Variable " + m_name + " not found in the edf";
      support::reportError(E_FAIL, text.c_str());
      return E_FAIL;
    }
    hr = object->QueryInterface(iid, reference);
    return FAILED(hr) ? support::reportUnexpected(hr) : hr;
  });
}

// ---- OvTextVar -----------------------------------------------------------------------------

OvTextVar::~OvTextVar() = default;

IUnknown* OvTextVar::bind(const char* name, OvVarSet* set) {
  m_host.Reset();
  bindTo(name, set, IID_ExtnTextVariable, reinterpret_cast<void**>(m_host.GetAddressOf()));
  return m_host.Get();
}

HRESULT OvTextVar::getText(Bstr& out) {
  if (!m_host) {
    out = Bstr(m_value.c_str(), SysStringLen(m_value.get()));
    return S_OK;
  }
  const HRESULT hr = m_host->get_Value(out.out());
  return FAILED(hr) ? support::reportUnexpected(hr) : hr;
}

HRESULT OvTextVar::setText(const wchar_t* text) {
  return setText(text ? text : L"", text ? static_cast<UINT>(wcslen(text)) : 0);
}

HRESULT OvTextVar::setText(const wchar_t* text, UINT length) {
  return support::reportingFailure([&] {
    if (!m_host) {
      m_value.set(text, length);
      return S_OK;
    }
    const Bstr value(text, length);
    const HRESULT hr = m_host->put_Value(value.get());
    return FAILED(hr) ? support::reportUnexpected(hr) : hr;
  });
}

HRESULT OvTextVar::append(const wchar_t* text, bool newline) {
  return support::reportingFailure([&] {
    Bstr current;
    const HRESULT hr = getText(current);
    if (FAILED(hr)) return hr;
    std::wstring value(current.c_str(), current.length());
    value += text ? text : L"";
    if (newline) value += L'\n';
    return setText(value.data(), static_cast<UINT>(value.size()));
  });
}

HRESULT OvTextVar::toText(BSTR* out) {
  if (!out) return E_POINTER;
  Bstr value;
  const HRESULT hr = getText(value);
  if (SUCCEEDED(hr)) *out = value.detach();
  return hr;
}

HRESULT OvTextVar::fromText(BSTR text) { return setText(text, text ? SysStringLen(text) : 0); }

HRESULT OvTextVar::getValue(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  Bstr value;
  const HRESULT hr = getText(value);
  if (FAILED(hr)) return hr;
  if (!value.get()) value = Bstr(L"");
  out->vt = VT_BSTR;
  out->bstrVal = value.detach();
  return S_OK;
}

HRESULT OvTextVar::setValue(const VARIANT& value) {
  if (value.vt == VT_BSTR) return fromText(value.bstrVal);
  return support::reportingFailure([&] {
    const std::wstring text = support::widen(SetGet::variantToStr(value));
    return setText(text.data(), static_cast<UINT>(text.size()));
  });
}

bool OvTextVar::hasValue() {
  if (!m_host) return true;
  VARIANT_BOOL isSet = VARIANT_FALSE;
  const HRESULT hr = m_host->get_IsSet(&isSet);
  if (FAILED(hr)) support::reportUnexpected(hr);
  return SUCCEEDED(hr) && isSet == VARIANT_TRUE;
}

// ---- OvRealVar -----------------------------------------------------------------------------

OvRealVar::~OvRealVar() = default;

IUnknown* OvRealVar::bind(const char* name, OvVarSet* set) {
  m_host.Reset();
  bindTo(name, set, IID_ExtnRealVariable, reinterpret_cast<void**>(m_host.GetAddressOf()));
  return m_host.Get();
}

HRESULT OvRealVar::getReal(double& out) {
  if (!m_host) {
    out = m_value;
    return S_OK;
  }
  const HRESULT hr = m_host->get_Value(&out);
  return FAILED(hr) ? support::reportUnexpected(hr) : hr;
}

HRESULT OvRealVar::setReal(double value) {
  if (!m_host) {
    m_value = value;
    return S_OK;
  }
  const HRESULT hr = m_host->put_Value(value);
  return FAILED(hr) ? support::reportUnexpected(hr) : hr;
}

HRESULT OvRealVar::toText(BSTR* out) {
  return support::reportingFailure([&] {
    Variant value;
    const HRESULT hr = getValue(value.out());
    return FAILED(hr) ? hr : textOut(persistedReal(value.get().dblVal), out);
  });
}

HRESULT OvRealVar::fromText(BSTR text) {
  return support::reportingFailure([&] {
    double value = 0.0;
    if (!parseReal(support::narrow(text), value)) return E_FAIL;
    return setReal(value);
  });
}

HRESULT OvRealVar::getValue(VARIANT* out) {
  if (!out) return E_POINTER;
  VariantInit(out);
  double value = 0.0;
  const HRESULT hr = getReal(value);
  if (FAILED(hr)) return hr;
  out->vt = VT_R8;
  out->dblVal = value;
  return S_OK;
}

HRESULT OvRealVar::setValue(const VARIANT& value) {
  Variant real;
  const HRESULT hr = VariantChangeType(real.out(), const_cast<VARIANT*>(&value), 0, VT_R8);
  if (FAILED(hr)) return support::reportUnexpected(hr);
  return setReal(real.get().dblVal);
}

bool OvRealVar::hasValue() {
  if (!m_host) return true;
  VARIANT_BOOL isSet = VARIANT_FALSE;
  const HRESULT hr = m_host->get_IsSet(&isSet);
  if (FAILED(hr)) support::reportUnexpected(hr);
  return SUCCEEDED(hr) && isSet == VARIANT_TRUE;
}

// ---- OvFlexVar -----------------------------------------------------------------------------

OvFlexVar::~OvFlexVar() = default;

// ---- OvRealFlexVar -------------------------------------------------------------------------

OvRealFlexVar::~OvRealFlexVar() = default;

IUnknown* OvRealFlexVar::bind(const char* name, OvVarSet* set) {
  m_host.Reset();
  bindTo(name, set, IID_ExtnRealArrayVariable, reinterpret_cast<void**>(m_host.GetAddressOf()));
  return m_host.Get();
}

HRESULT OvRealFlexVar::toText(BSTR* out) {
  return support::reportingFailure([&] {
    Variant value;
    const HRESULT hr = readArray(m_host.Get(), m_value, value.out());
    return FAILED(hr) ? hr : textOut(realsText(value.get()), out);
  });
}

HRESULT OvRealFlexVar::fromText(BSTR text) {
  return support::reportingFailure([&] {
    const std::vector<std::string> parts = splitElements(support::narrow(text));
    std::vector<double> reals(parts.size());
    for (size_t k = 0; k < parts.size(); ++k)
      if (!parseReal(parts[k], reals[k])) return E_FAIL;
    Variant value;
    HRESULT hr = SetGet::createFromBuffer(value.get(), VT_R8, reals.data(), static_cast<long>(reals.size()), true);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    return setValue(value.get());
  });
}

HRESULT OvRealFlexVar::getValue(VARIANT* out) { return readArray(m_host.Get(), m_value, out); }

HRESULT OvRealFlexVar::setValue(const VARIANT& value) { return writeArray(m_host.Get(), m_value, value, VT_R8); }

bool OvRealFlexVar::hasValue() { return arrayIsSet(m_host.Get(), m_value); }

double OvRealFlexVar::getReal(long i) {
  const double none = std::numeric_limits<double>::quiet_NaN();
  try {
    Variant value;
    if (FAILED(readArray(m_host.Get(), m_value, value.out()))) return none;
    long absolute = 0;
    if (!elementAt(value.get(), i, name(), absolute)) return none;
    return SetGet::getDouble(value.get(), absolute);
  } catch (...) {
    support::reportUnexpected(E_FAIL);
    return none;
  }
}

HRESULT OvRealFlexVar::setReal(long i, double value) {
  return writeElement(m_host.Get(), m_value, i, name(), VT_R8,
                      [value](VARIANT& array, long at) { return SetGet::putDouble(array, at, value); });
}

// ---- OvTextFlexVar -------------------------------------------------------------------------

OvTextFlexVar::~OvTextFlexVar() = default;

IUnknown* OvTextFlexVar::bind(const char* name, OvVarSet* set) {
  m_host.Reset();
  bindTo(name, set, IID_ExtnTextArrayVariable, reinterpret_cast<void**>(m_host.GetAddressOf()));
  return m_host.Get();
}

HRESULT OvTextFlexVar::toText(BSTR* out) { return arrayToText(m_host.Get(), m_value, out); }

HRESULT OvTextFlexVar::fromText(BSTR text) {
  return support::reportingFailure([&] {
    Variant value;
    HRESULT hr = SetGet::fromStringList(value.get(), splitElements(support::narrow(text)));
    if (FAILED(hr)) return support::reportUnexpected(hr);
    return setValue(value.get());
  });
}

HRESULT OvTextFlexVar::getValue(VARIANT* out) { return readArray(m_host.Get(), m_value, out); }

HRESULT OvTextFlexVar::setValue(const VARIANT& value) { return writeArray(m_host.Get(), m_value, value, VT_BSTR); }

bool OvTextFlexVar::hasValue() { return arrayIsSet(m_host.Get(), m_value); }

Bstr OvTextFlexVar::getText(long i) {
  try {
    Variant value;
    if (FAILED(readArray(m_host.Get(), m_value, value.out()))) return Bstr(L"");
    long absolute = 0;
    if (!elementAt(value.get(), i, name(), absolute)) return Bstr(L"");
    const BSTR element = SetGet::getString(value.get(), absolute);
    return Bstr(element ? element : L"", element ? SysStringLen(element) : 0);
  } catch (...) {
    support::reportUnexpected(E_FAIL);
    return Bstr(L"");
  }
}

HRESULT OvTextFlexVar::setText(long i, const wchar_t* value) {
  return writeElement(m_host.Get(), m_value, i, name(), VT_BSTR, [value](VARIANT& array, long at) {
    BSTR copy = SysAllocString(value ? value : L"");
    if (!copy) return false;
    const BSTR old = SetGet::getString(array, at);
    if (!SetGet::putString(array, at, copy)) {
      SysFreeString(copy);
      return false;
    }
    SysFreeString(old);  // putString leaves the replaced element to us
    return true;
  });
}

// ---- OvVarSet ------------------------------------------------------------------------------

OvVarSet::~OvVarSet() {
  for (OvVar* var : m_vars) var->m_set = nullptr;
}

HRESULT OvVarSet::attachHost(ExtnContainer* container) {
  m_definition.Reset();
  if (!container) return S_FALSE;
  const HRESULT hr = container->get_ExtensionDefinition(&m_definition);
  if (FAILED(hr)) {
    m_definition.Reset();
    return support::reportUnexpected(hr);
  }
  return hr;
}

OvVar* OvVarSet::find(const char* name) const {
  const std::wstring wanted = support::widen(name ? name : "");
  for (OvVar* var : m_vars) {
    const std::wstring candidate = support::widen(var->name());
    if (support::sameText(wanted, candidate)) return var;
  }
  return nullptr;
}

HRESULT OvVarSet::getValue(const char* name, VARIANT* out) const {
  OvVar* var = find(name);
  return var ? var->getValue(out) : E_FAIL;
}

HRESULT OvVarSet::setValue(const char* name, const VARIANT& value) const {
  OvVar* var = find(name);
  return var ? var->setValue(value) : E_FAIL;
}

void OvVarSet::add(OvVar* var) { m_vars.push_back(var); }

void OvVarSet::remove(OvVar* var) { m_vars.erase(std::remove(m_vars.begin(), m_vars.end(), var), m_vars.end()); }
