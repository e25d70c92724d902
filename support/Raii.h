#pragma once
// Owners for the platform's resources: every BSTR, VARIANT, SAFEARRAY, COM pointer, handle and
// lock in the product is held by one of these, so error paths leak nothing.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <utility>

namespace support {

template <class T>
using ComPtr = Microsoft::WRL::ComPtr<T>;

// Owns one BSTR.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* s) : m_s(s ? SysAllocString(s) : nullptr) {}
  Bstr(const wchar_t* s, UINT len) : m_s(SysAllocStringLen(s, len)) {}
  static Bstr attach(BSTR s) { Bstr b; b.m_s = s; return b; }
  Bstr(const Bstr& o) : m_s(o.m_s ? SysAllocStringLen(o.m_s, SysStringLen(o.m_s)) : nullptr) {}
  Bstr(Bstr&& o) noexcept : m_s(std::exchange(o.m_s, nullptr)) {}
  Bstr& operator=(Bstr o) noexcept { std::swap(m_s, o.m_s); return *this; }
  ~Bstr() { SysFreeString(m_s); }

  BSTR get() const { return m_s; }
  BSTR* out() { reset(); return &m_s; }          // for [out] BSTR* arguments
  BSTR detach() { return std::exchange(m_s, nullptr); }
  void reset(BSTR s = nullptr) { SysFreeString(std::exchange(m_s, s)); }
  UINT length() const { return m_s ? SysStringLen(m_s) : 0; }
  bool empty() const { return length() == 0; }
  const wchar_t* c_str() const { return m_s ? m_s : L""; }

 private:
  BSTR m_s = nullptr;
};

// Owns one VARIANT; cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&m_v); }
  Variant(const Variant& o) { VariantInit(&m_v); VariantCopy(&m_v, const_cast<VARIANT*>(&o.m_v)); }
  Variant(Variant&& o) noexcept { m_v = o.m_v; VariantInit(&o.m_v); }
  Variant& operator=(Variant o) noexcept { std::swap(m_v, o.m_v); return *this; }
  ~Variant() { VariantClear(&m_v); }

  VARIANT& get() { return m_v; }
  const VARIANT& get() const { return m_v; }
  VARIANT* operator&() { return &m_v; }
  VARIANT* out() { VariantClear(&m_v); return &m_v; }   // for [out] VARIANT* arguments
  VARIANT detach() { VARIANT v = m_v; VariantInit(&m_v); return v; }
  void clear() { VariantClear(&m_v); }
  VARTYPE vt() const { return m_v.vt; }

 private:
  VARIANT m_v;
};

// Owns one SAFEARRAY (destroyed unless detached).
class SafeArray {
 public:
  SafeArray() = default;
  explicit SafeArray(SAFEARRAY* sa) : m_sa(sa) {}
  SafeArray(const SafeArray&) = delete;
  SafeArray& operator=(const SafeArray&) = delete;
  SafeArray(SafeArray&& o) noexcept : m_sa(std::exchange(o.m_sa, nullptr)) {}
  ~SafeArray() { if (m_sa) SafeArrayDestroy(m_sa); }
  SAFEARRAY* get() const { return m_sa; }
  SAFEARRAY* detach() { return std::exchange(m_sa, nullptr); }

 private:
  SAFEARRAY* m_sa = nullptr;
};

// Holds a SAFEARRAY's lock for a scope (SafeArrayLock / SafeArrayUnlock).
class SafeArrayLockGuard {
 public:
  explicit SafeArrayLockGuard(SAFEARRAY* sa) : m_sa(sa), m_hr(sa ? SafeArrayLock(sa) : E_INVALIDARG) {}
  SafeArrayLockGuard(const SafeArrayLockGuard&) = delete;
  SafeArrayLockGuard& operator=(const SafeArrayLockGuard&) = delete;
  ~SafeArrayLockGuard() { if (SUCCEEDED(m_hr)) SafeArrayUnlock(m_sa); }
  HRESULT result() const { return m_hr; }
  void* data() const { return SUCCEEDED(m_hr) ? m_sa->pvData : nullptr; }

 private:
  SAFEARRAY* m_sa;
  HRESULT m_hr;
};

// Owns a kernel handle (events, threads, files); null and INVALID_HANDLE_VALUE mean none.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : m_h(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& o) noexcept : m_h(std::exchange(o.m_h, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept { reset(std::exchange(o.m_h, nullptr)); return *this; }
  ~Handle() { reset(); }
  HANDLE get() const { return m_h; }
  explicit operator bool() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
  void reset(HANDLE h = nullptr) {
    HANDLE old = std::exchange(m_h, h);
    if (old && old != INVALID_HANDLE_VALUE) CloseHandle(old);
  }

 private:
  HANDLE m_h = nullptr;
};

// An unnamed event: auto-reset or manual-reset, initially clear.
class Event : public Handle {
 public:
  enum Reset { Auto, Manual };
  explicit Event(Reset r) : Handle(CreateEventW(nullptr, r == Manual, FALSE, nullptr)) {}
  bool set() const { return SetEvent(get()) != FALSE; }
  bool clear() const { return ResetEvent(get()) != FALSE; }
};

// A critical section with spin count 0; creation failure is reported through ok().
class CriticalSection {
 public:
  CriticalSection() : m_ok(InitializeCriticalSectionAndSpinCount(&m_cs, 0) != FALSE) {}
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { if (m_ok) DeleteCriticalSection(&m_cs); }
  bool ok() const { return m_ok; }
  void enter() { EnterCriticalSection(&m_cs); }
  void leave() { LeaveCriticalSection(&m_cs); }

 private:
  CRITICAL_SECTION m_cs;
  bool m_ok;
};

// Holds a CriticalSection for a scope.
class Lock {
 public:
  explicit Lock(CriticalSection& cs) : m_cs(cs) { m_cs.enter(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() { m_cs.leave(); }

 private:
  CriticalSection& m_cs;
};

// CoInitializeEx / CoUninitialize for a scope.
class ComApartment {
 public:
  explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED) : m_hr(CoInitializeEx(nullptr, model)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() { if (SUCCEEDED(m_hr)) CoUninitialize(); }
  HRESULT result() const { return m_hr; }

 private:
  HRESULT m_hr;
};

}  // namespace support
