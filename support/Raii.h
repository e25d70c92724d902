#pragma once
// Owners for the platform's resources: every BSTR, VARIANT, SAFEARRAY, COM pointer, handle,
// registry key and lock in the product is held by one of these, so error paths leak nothing.
// The owners of values share one idiom: get() to use the value, out() for an [out] argument
// (always releases what was held first), reset() to release or replace, detach() to hand the
// value over. They move but never copy: copying a BSTR or VARIANT can fail, so such a copy is an
// explicit copyFrom that returns the failure. Scope guards (locks, apartments) neither copy nor move.
#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <utility>

namespace support {

template <class T>
using ComPtr = Microsoft::WRL::ComPtr<T>;

// Owns one BSTR. Move-only: a copy allocates and can fail, so it is made by copyFrom only.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const wchar_t* s) : m_s(s ? SysAllocString(s) : nullptr) {}
  Bstr(const wchar_t* s, UINT len) : m_s(SysAllocStringLen(s, len)) {}
  static Bstr attach(BSTR s) { Bstr b; b.m_s = s; return b; }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : m_s(std::exchange(o.m_s, nullptr)) {}
  Bstr& operator=(Bstr&& o) noexcept { reset(std::exchange(o.m_s, nullptr)); return *this; }
  ~Bstr() { SysFreeString(m_s); }

  // Holds a copy of s, embedded nulls included (null stays null); E_OUTOFMEMORY keeps the old text.
  HRESULT copyFrom(BSTR s) {
    BSTR copy = s ? SysAllocStringLen(s, SysStringLen(s)) : nullptr;
    if (s && !copy) return E_OUTOFMEMORY;
    reset(copy);
    return S_OK;
  }

  BSTR get() const { return m_s; }
  BSTR* out() { reset(); return &m_s; }
  BSTR detach() { return std::exchange(m_s, nullptr); }
  void reset(BSTR s = nullptr) { SysFreeString(std::exchange(m_s, s)); }
  UINT length() const { return m_s ? SysStringLen(m_s) : 0; }
  bool empty() const { return length() == 0; }
  const wchar_t* c_str() const { return m_s ? m_s : L""; }

 private:
  BSTR m_s = nullptr;
};

// Owns one VARIANT; cleared on destruction. Move-only: a copy can fail (VariantCopy), so it is
// made by copyFrom only.
class Variant {
 public:
  Variant() { VariantInit(&m_v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& o) noexcept { m_v = o.m_v; VariantInit(&o.m_v); }
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      reset();
      m_v = o.m_v;
      VariantInit(&o.m_v);
    }
    return *this;
  }
  ~Variant() { VariantClear(&m_v); }

  // Holds a deep copy of v (VariantCopy, which the platform does not declare const); the
  // platform's failure is returned.
  HRESULT copyFrom(const VARIANT& v) {
    if (&v == &m_v) return S_OK;
    return VariantCopy(out(), const_cast<VARIANT*>(&v));
  }

  VARIANT& get() { return m_v; }
  const VARIANT& get() const { return m_v; }
  VARIANT* out() { reset(); return &m_v; }
  VARIANT detach() { VARIANT v = m_v; VariantInit(&m_v); return v; }
  void reset() { VariantClear(&m_v); }
  VARTYPE vt() const { return m_v.vt; }

 private:
  VARIANT m_v;
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

namespace raii_detail {

// One owner for the resources that are a plain value with a release function: what Release
// says is held is released exactly once.
template <class T, class Release>
class Unique {
 public:
  Unique() = default;
  explicit Unique(T value) : m_value(value) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& o) noexcept : m_value(std::exchange(o.m_value, T{})) {}
  Unique& operator=(Unique&& o) noexcept { reset(std::exchange(o.m_value, T{})); return *this; }
  ~Unique() { reset(); }

  T get() const { return m_value; }
  T* out() { reset(); return &m_value; }
  T detach() { return std::exchange(m_value, T{}); }
  explicit operator bool() const { return Release::held(m_value); }
  void reset(T value = T{}) {
    const T old = std::exchange(m_value, value);
    if (Release::held(old)) Release::release(old);
  }

 private:
  T m_value{};
};

struct ReleaseSafeArray {
  static bool held(SAFEARRAY* sa) { return sa != nullptr; }
  static void release(SAFEARRAY* sa) { SafeArrayDestroy(sa); }
};

// Null and INVALID_HANDLE_VALUE mean none.
struct ReleaseHandle {
  static bool held(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
  static void release(HANDLE h) { CloseHandle(h); }
};

struct ReleaseRegKey {
  static bool held(HKEY key) { return key != nullptr; }
  static void release(HKEY key) { RegCloseKey(key); }
};

}  // namespace raii_detail

// Owns one SAFEARRAY (destroyed unless detached).
using SafeArray = raii_detail::Unique<SAFEARRAY*, raii_detail::ReleaseSafeArray>;
// Owns a kernel handle (events, threads, files).
using Handle = raii_detail::Unique<HANDLE, raii_detail::ReleaseHandle>;
// Owns an open registry key (RegOpenKeyEx / RegCreateKeyEx).
using RegKey = raii_detail::Unique<HKEY, raii_detail::ReleaseRegKey>;

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
