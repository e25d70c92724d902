// Errors raised to the package: the CAPE-OPEN error component carries them, and the package
// reads them back through the material object's ECape* interfaces, which forward to it.
#include <comdef.h>

#include "errors/CCOError.h"
#include "matobj/CMatObj.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Trace.h"

namespace {

const wchar_t kInterfaceName[] = L"ICapeThermoMaterialObject";

// Calls a getter of one of the error component's CAPE-OPEN interfaces.
template <class I, class T>
HRESULT forwardGet(ICapeErrorObject* component, HRESULT (STDMETHODCALLTYPE I::*getter)(T*), T* out) {
  if (!out) return E_POINTER;
  if (!component) return E_FAIL;
  support::ComPtr<I> face;
  HRESULT hr = component->QueryInterface(__uuidof(I), reinterpret_cast<void**>(face.GetAddressOf()));
  if (FAILED(hr)) return hr;
  return (face.Get()->*getter)(out);
}

}  // namespace

const wchar_t CMatObj::kOnceNote[] =
    L"Although this circumstance occurs in the future,  no more messages will be displayed about it";

HRESULT CMatObj::createErrorComponents() {
  HRESULT hr = CoCreateInstance(CLSID_CapeError, nullptr, CLSCTX_SERVER, __uuidof(ICapeErrorObject),
                                reinterpret_cast<void**>(m_capeError.ReleaseAndGetAddressOf()));
  if (FAILED(hr)) return hr;
  return CoCreateInstance(CLSID_CapeErrorUtilities, nullptr, CLSCTX_SERVER, __uuidof(ICapeErrorUtils),
                          reinterpret_cast<void**>(m_errorUtils.ReleaseAndGetAddressOf()));
}

HRESULT CMatObj::raiseError(const std::wstring& message, const char* origin, HRESULT code) {
  if (!m_capeError) return E_FAIL;
  try {
    std::wstring text = message;
    if (origin && *origin) text += L" (" + support::widen(origin) + L")";
    const std::string narrow = support::narrow(text);
    support::writeTrace(narrow.c_str(), "Raised to the package: ");
    if (m_popUpAnyError) support::reportError(code, narrow.c_str(), nullptr, reinterpret_cast<HWND>(static_cast<LONG_PTR>(m_ownerHWnd)), false);
    const char* performed = origin && *origin ? origin : m_operation;
    const std::wstring operation = performed ? support::widen(performed) : std::wstring();
    const HRESULT hr = CCOError::raiseCapeError(m_capeError.Get(), operation.c_str(), text.c_str(), code, kInterfaceName);
    // After SetError, which starts the error afresh.
    support::Bstr scope(support::widen(support::moduleName()).c_str());
    m_capeError->put_Scope(scope.get());
    return hr;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CMatObj::raiseBadArgument(const std::wstring& message, short position, const std::wstring* value) {
  std::wstring text = message + L" Arg position: " + std::to_wstring(position);
  if (value) text += L" Value: " + *value;
  const HRESULT hr = raiseError(text, nullptr, ECapeBadArgumentHR);
  if (m_capeError) {
    try {
      CCOError::setCapeErrorPosition(m_capeError.Get(), position);
    } catch (...) {
    }
  }
  return hr;
}

void CMatObj::raiseWarning(const std::wstring& message, bool withOnceNote) {
  raiseError(withOnceNote ? message + L" " + kOnceNote : message);
}

// ECapeRoot / ECapeUser / ECapeBadArgument: the error last raised.

STDMETHODIMP CMatObj::get_name(BSTR* name) {
  return forwardGet<ECapeRoot>(m_capeError.Get(), &ECapeRoot::get_name, name);
}
STDMETHODIMP CMatObj::get_code(LONG* code) {
  return forwardGet<ECapeUser>(m_capeError.Get(), &ECapeUser::get_code, code);
}
STDMETHODIMP CMatObj::get_description(BSTR* description) {
  return forwardGet<ECapeUser>(m_capeError.Get(), &ECapeUser::get_description, description);
}
STDMETHODIMP CMatObj::get_scope(BSTR* scope) {
  return forwardGet<ECapeUser>(m_capeError.Get(), &ECapeUser::get_scope, scope);
}
STDMETHODIMP CMatObj::get_interfaceName(BSTR* interfaceName) {
  return forwardGet<ECapeUser>(m_capeError.Get(), &ECapeUser::get_interfaceName, interfaceName);
}
STDMETHODIMP CMatObj::get_operation(BSTR* operation) {
  return forwardGet<ECapeUser>(m_capeError.Get(), &ECapeUser::get_operation, operation);
}
STDMETHODIMP CMatObj::get_moreInfo(BSTR* moreInfo) {
  return forwardGet<ECapeUser>(m_capeError.Get(), &ECapeUser::get_moreInfo, moreInfo);
}
STDMETHODIMP CMatObj::get_position(short* position) {
  return forwardGet<ECapeBadArgument>(m_capeError.Get(), &ECapeBadArgument::get_position, position);
}
