#include "counterparts/coerrors/CapeError.h"

#include "counterparts/coerrors/ErrorKinds.h"

namespace coerrors {

namespace {

// Hands out a copy of a held text; a null BSTR reads as "".
HRESULT copyText(const support::Bstr& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocString(text.c_str());
  return *out ? S_OK : E_OUTOFMEMORY;
}

template <class T>
HRESULT copyValue(T value, T* out) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

// A text given by the caller, kept as our own copy (null stays null).
support::Bstr keep(BSTR text) { return support::Bstr(text, text ? SysStringLen(text) : 0); }

}  // namespace

// ICapeErrorObject

STDMETHODIMP CapeError::get_Code(LONG* code) { return copyValue<LONG>(m_code, code); }

STDMETHODIMP CapeError::get_Level(LONG* level) { return copyValue(m_level, level); }

STDMETHODIMP CapeError::Clear() {
  for (support::Bstr* text : {&m_operation, &m_description, &m_scope, &m_interfaceName, &m_moreInfo}) text->reset();
  m_code = S_OK;
  m_level = 0;
  m_position = 0;
  return S_OK;
}

STDMETHODIMP CapeError::get_IsSet(VARIANT_BOOL* result) {
  return copyValue<VARIANT_BOOL>(FAILED(m_code) ? VARIANT_TRUE : VARIANT_FALSE, result);
}

STDMETHODIMP CapeError::SetError(BSTR operation, BSTR description, LONG code, LONG level, BSTR interfaceName) {
  try {
    Clear();
    m_operation = keep(operation);
    m_description = keep(description);
    m_interfaceName = keep(interfaceName);
    m_code = code;
    m_level = level;
    // A failure becomes the thread's error information, so the client of the failing call
    // finds this object through GetErrorInfo as well as through the failing object.
    if (FAILED(code)) SetErrorInfo(0, static_cast<IErrorInfo*>(this));
    return code;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP CapeError::put_Scope(BSTR scope) {
  try {
    m_scope = keep(scope);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP CapeError::SetPosition(short position) {
  m_position = position;
  return S_OK;
}

STDMETHODIMP CapeError::put_MoreInfo(BSTR moreInfo) {
  try {
    m_moreInfo = keep(moreInfo);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// ECapeRoot: the name of the error kind; a code outside the CAPE-OPEN list reads as ECapeUnknown.

STDMETHODIMP CapeError::get_name(BSTR* name) {
  if (!name) return E_POINTER;
  const ErrorKind* kind = kindOfCode(m_code);
  *name = SysAllocString(kind ? kind->name : L"ECapeUnknown");
  return *name ? S_OK : E_OUTOFMEMORY;
}

// ECapeUser

STDMETHODIMP CapeError::get_code(LONG* code) { return copyValue<LONG>(m_code, code); }

STDMETHODIMP CapeError::get_description(BSTR* description) { return copyText(m_description, description); }

STDMETHODIMP CapeError::get_scope(BSTR* scope) { return copyText(m_scope, scope); }

STDMETHODIMP CapeError::get_interfaceName(BSTR* interfaceName) { return copyText(m_interfaceName, interfaceName); }

STDMETHODIMP CapeError::get_operation(BSTR* operation) { return copyText(m_operation, operation); }

STDMETHODIMP CapeError::get_moreInfo(BSTR* moreInfo) { return copyText(m_moreInfo, moreInfo); }

// ECapeBadArgument

STDMETHODIMP CapeError::get_position(short* position) { return copyValue(m_position, position); }

// IErrorInfo: the same error for clients that only know COM error information.

STDMETHODIMP CapeError::GetGUID(GUID* guid) { return copyValue(GUID_NULL, guid); }

STDMETHODIMP CapeError::GetSource(BSTR* source) { return copyText(m_interfaceName, source); }

STDMETHODIMP CapeError::GetDescription(BSTR* description) { return copyText(m_description, description); }

STDMETHODIMP CapeError::GetHelpFile(BSTR* helpFile) {
  if (!helpFile) return E_POINTER;
  *helpFile = nullptr;
  return S_OK;
}

STDMETHODIMP CapeError::GetHelpContext(DWORD* helpContext) { return copyValue<DWORD>(0, helpContext); }

// ISupportErrorInfo: SetError reports through error information on the object's own interface.

STDMETHODIMP CapeError::InterfaceSupportsErrorInfo(REFIID riid) {
  return InlineIsEqualGUID(riid, __uuidof(ICapeErrorObject)) ? S_OK : S_FALSE;
}

}  // namespace coerrors
