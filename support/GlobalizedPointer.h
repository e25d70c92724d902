#pragma once
// One interface pointer usable from every thread of the process. The thread that globalizes it
// owns the raw pointer and calls it directly; any other thread gets a proxy for its own apartment
// from the global interface table. Nothing here throws.
#include <windows.h>
#include <objidl.h>

#include <atomic>
#include <utility>

#include "support/Guards.h"
#include "support/Raii.h"
#include "support/Report.h"

namespace support {

// Creates the process's standard global interface table; a failure (or no table) is reported
// as kUnexpected and answered with E_FAIL.
HRESULT createGlobalTable(ComPtr<IGlobalInterfaceTable>& table);

template <class I>
class GlobalizedPointer {
 public:
  // releaseAfterRegistering: the table's reference is the only one kept while registered, so
  // the object lives exactly as long as its registration.
  explicit GlobalizedPointer(bool releaseAfterRegistering = false) : m_releaseAfterRegistering(releaseAfterRegistering) {}
  GlobalizedPointer(const GlobalizedPointer&) = delete;
  GlobalizedPointer& operator=(const GlobalizedPointer&) = delete;

  ~GlobalizedPointer() {
    if (FAILED(unglobalize())) reportUnexpected(E_FAIL);
    releaseOwnedRaw();
  }

  // On the owning thread: takes over the given reference and registers it. A null pointer is
  // kept as null (S_OK). Refused while a registration is held, so the registered pointer and its
  // owner are never replaced behind the table's back.
  HRESULT globalize(ComPtr<I> pointer) {
    if (m_cookie) return reportUnexpected(E_FAIL);
    releaseOwnedRaw();
    m_owner = GetCurrentThreadId();
    m_raw = pointer.Detach();
    if (!m_raw) return S_OK;
    if (FAILED(createGlobalTable(m_table))) return E_FAIL;
    HRESULT hr = m_table->RegisterInterfaceInGlobal(m_raw, __uuidof(I), &m_cookie);
    if (FAILED(hr)) {
      m_cookie = 0;
      m_table.Reset();
      return reportUnexpected(hr);
    }
    if (m_releaseAfterRegistering) m_raw->Release();
    return S_OK;
  }

  // On the owning thread: lets go of what is held and globalizes the object's interface I (null:
  // nothing held). A failing query leaves nothing held and is returned.
  HRESULT replace(IUnknown* object) {
    HRESULT hr = unglobalize();
    if (FAILED(hr)) return hr;
    ComPtr<I> typed;
    if (object) hr = object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(typed.GetAddressOf()));
    if (FAILED(hr)) {
      globalize(nullptr);
      return hr;
    }
    return globalize(std::move(typed));
  }

  // The pointer for the calling thread, with a reference the caller releases.
  HRESULT get(I** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!m_raw) return S_OK;
    if (!m_table || !m_cookie) return E_FAIL;
    if (GetCurrentThreadId() != m_owner) {
      I* fetched = nullptr;
      HRESULT hr = m_table->GetInterfaceFromGlobal(m_cookie, __uuidof(I), reinterpret_cast<void**>(&fetched));
      m_lastFetched.store(fetched);
      *out = fetched;
      return hr;
    }
    m_raw->AddRef();
    *out = m_raw;
    return S_OK;
  }
  HRESULT get(ComPtr<I>& out) { return get(out.ReleaseAndGetAddressOf()); }

  // On the owning thread only: revokes the registration and lets go of the table.
  HRESULT unglobalize() {
    if (!m_cookie) return S_OK;
    if (GetCurrentThreadId() != m_owner) return reportFailure("Unglobalizing pointer in different thread");
    HRESULT hr = m_table->RevokeInterfaceFromGlobal(m_cookie);
    m_table.Reset();
    m_cookie = 0;
    // The table held the last reference this object relied on: the raw pointer may be gone.
    if (m_releaseAfterRegistering) m_raw = nullptr;
    return hr;
  }

  DWORD owner() const { return m_owner; }
  bool registered() const { return m_cookie != 0; }

 private:
  // The raw reference is ours unless it was handed to the table on registering.
  void releaseOwnedRaw() {
    I* raw = std::exchange(m_raw, nullptr);
    if (raw && !(m_releaseAfterRegistering && m_cookie)) raw->Release();
  }

  DWORD m_owner = 0;
  DWORD m_cookie = 0;
  ComPtr<IGlobalInterfaceTable> m_table;
  bool m_releaseAfterRegistering;
  std::atomic<I*> m_lastFetched{nullptr};  // a record only: the caller owns what it got
  I* m_raw = nullptr;
};

}  // namespace support
