#include "counterparts/coerrors/CapeErrorUtilities.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/coerrors/ErrorKinds.h"
#include "support/Raii.h"
#include "server/comkit/Registrar.h"

namespace coerrors {

namespace {

using support::ComPtr;
using Lines = std::vector<std::wstring>;

const wchar_t kNotAvailable[] = L"not available";
const wchar_t kNotGiven[] = L"not given";

// Fails with `code` and COM error information carrying `text`, for the caller of a method.
HRESULT fail(HRESULT code, const wchar_t* text) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.GetAddressOf()))) {
    create->SetGUID(__uuidof(ICapeErrorUtils));
    create->SetSource(const_cast<LPOLESTR>(L"CapeErrorUtilities"));
    create->SetDescription(const_cast<LPOLESTR>(text));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
  }
  return code;
}

HRESULT putText(const std::wstring& text, BSTR* out) {
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

// The object a VARIANT holds (VT_DISPATCH or VT_UNKNOWN, also by reference), or null.
ComPtr<IUnknown> objectIn(const VARIANT& v) {
  ComPtr<IUnknown> object;
  switch (v.vt) {
    case VT_DISPATCH: object = v.pdispVal; break;
    case VT_UNKNOWN: object = v.punkVal; break;
    case VT_DISPATCH | VT_BYREF: if (v.ppdispVal) object = *v.ppdispVal; break;
    case VT_UNKNOWN | VT_BYREF: if (v.ppunkVal) object = *v.ppunkVal; break;
    case VT_VARIANT | VT_BYREF: if (v.pvarVal) return objectIn(*v.pvarVal); break;
    default: break;
  }
  return object;
}

// One text field of one of the object's error interfaces; false when the object does not have
// the interface or the field cannot be read.
template <class I>
bool readText(IUnknown* object, HRESULT (STDMETHODCALLTYPE I::*getter)(BSTR*), std::wstring& out) {
  ComPtr<I> face;
  if (!object || FAILED(object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(face.GetAddressOf())))) {
    return false;
  }
  support::Bstr text;
  if (FAILED((face.Get()->*getter)(text.out()))) return false;
  out = text.c_str();
  return true;
}

std::wstring fieldLine(const wchar_t* label, bool read, const std::wstring& value) {
  std::wstring line = label;
  line += L": ";
  line += !read ? kNotAvailable : value.empty() ? kNotGiven : value.c_str();
  return line;
}

template <class I>
std::wstring textLine(const wchar_t* label, IUnknown* object, HRESULT (STDMETHODCALLTYPE I::*getter)(BSTR*)) {
  std::wstring value;
  bool read = readText(object, getter, value);
  return fieldLine(label, read, value);
}

std::wstring positionLine(IUnknown* object) {
  ComPtr<ECapeBadArgument> bad;
  short position = 0;
  bool read = object &&
              SUCCEEDED(object->QueryInterface(__uuidof(ECapeBadArgument), reinterpret_cast<void**>(bad.GetAddressOf()))) &&
              SUCCEEDED(bad->get_position(&position));
  return fieldLine(L"Argument position", read, read ? std::to_wstring(position) : std::wstring());
}

std::wstring hexCode(HRESULT code) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// "<kind> (0x<code>)[ while <doing>]": the kind as the object names it through ECapeRoot, else
// from the HRESULT, else "Error".
std::wstring heading(const wchar_t* doing, IUnknown* object, HRESULT code) {
  std::wstring name;
  if (!readText(object, &ECapeRoot::get_name, name) || name.empty()) {
    const ErrorKind* kind = kindOfCode(code);
    name = kind ? kind->name : L"Error";
  }
  std::wstring line = name + L" (" + hexCode(code) + L")";
  if (doing && *doing) line += std::wstring(L" while ") + doing;
  return line;
}

Lines describe(const wchar_t* doing, IUnknown* object, HRESULT code) {
  Lines lines = {
      heading(doing, object, code),
      textLine(L"Description", object, &ECapeUser::get_description),
      textLine(L"Scope", object, &ECapeUser::get_scope),
      textLine(L"Interface", object, &ECapeUser::get_interfaceName),
      textLine(L"Operation", object, &ECapeUser::get_operation),
      textLine(L"More information", object, &ECapeUser::get_moreInfo),
  };
  if (code == ECapeBadArgumentHR) lines.push_back(positionLine(object));
  return lines;
}

HRESULT toStringArray(const Lines& lines, VARIANT* out) {
  support::SafeArray array(SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(lines.size())));
  if (!array.get()) return E_OUTOFMEMORY;
  for (LONG i = 0; i < static_cast<LONG>(lines.size()); ++i) {
    support::Bstr text(lines[i].c_str());
    if (!text.get()) return E_OUTOFMEMORY;
    HRESULT hr = SafeArrayPutElement(array.get(), &i, text.get());  // copies the text
    if (FAILED(hr)) return hr;
  }
  VariantInit(out);
  out->vt = VT_ARRAY | VT_BSTR;
  out->parray = array.detach();
  return S_OK;
}

std::wstring joined(const Lines& lines) {
  std::wstring text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += L"\n";
    text += lines[i];
  }
  return text;
}

HRESULT nullResult() { return fail(E_POINTER, L"The result pointer is null"); }

}  // namespace

STDMETHODIMP CapeErrorUtilities::ErrorName(LONG code, BSTR* name) {
  if (!name) return nullResult();
  *name = nullptr;
  const ErrorKind* kind = kindOfCode(code);
  if (!kind) return fail(E_INVALIDARG, L"The code is not a CAPE-OPEN error code");
  return putText(kind->name, name);
}

STDMETHODIMP CapeErrorUtilities::ErrorCodeOf(BSTR name, LONG* code) {
  if (!code) return nullResult();
  const ErrorKind* kind = kindNamed(name);
  *code = kind ? kind->code : 0;
  return S_OK;
}

STDMETHODIMP CapeErrorUtilities::IsCapeError(LONG code, VARIANT_BOOL* result) {
  if (!result) return nullResult();
  *result = kindOfCode(code) ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP CapeErrorUtilities::ErrorInterfaceId(LONG code, BSTR* iid) {
  if (!iid) return nullResult();
  *iid = nullptr;
  const ErrorKind* kind = kindOfCode(code);
  if (!kind) return fail(E_INVALIDARG, L"The code is not a CAPE-OPEN error code");
  try {
    return putText(comkit::guidText(*kind->iid), iid);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP CapeErrorUtilities::HoldsCapeError(VARIANT object, VARIANT_BOOL* result) {
  if (!result) return nullResult();
  ComPtr<IUnknown> held = objectIn(object);
  ComPtr<ECapeRoot> root;
  bool holds = held && SUCCEEDED(held->QueryInterface(__uuidof(ECapeRoot), reinterpret_cast<void**>(root.GetAddressOf())));
  *result = holds ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP CapeErrorUtilities::ErrorDescription(VARIANT object, BSTR* description) {
  if (!description) return nullResult();
  *description = nullptr;
  try {
    std::wstring text;
    readText(objectIn(object).Get(), &ECapeUser::get_description, text);
    return putText(text, description);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP CapeErrorUtilities::DescribeErrorText(BSTR doing, VARIANT object, LONG code, BSTR* text) {
  if (!text) return nullResult();
  *text = nullptr;
  try {
    return putText(joined(describe(doing, objectIn(object).Get(), code)), text);
  } catch (...) {
    return fail(E_OUTOFMEMORY, L"Out of memory describing an error");
  }
}

STDMETHODIMP CapeErrorUtilities::DescribeError(BSTR doing, VARIANT object, LONG code, VARIANT* lines) {
  if (!lines) return nullResult();
  VariantInit(lines);
  try {
    return toStringArray(describe(doing, objectIn(object).Get(), code), lines);
  } catch (...) {
    return fail(E_OUTOFMEMORY, L"Out of memory describing an error");
  }
}

STDMETHODIMP CapeErrorUtilities::InterfaceSupportsErrorInfo(REFIID riid) {
  return InlineIsEqualGUID(riid, __uuidof(ICapeErrorUtils)) ? S_OK : S_FALSE;
}

}  // namespace coerrors
