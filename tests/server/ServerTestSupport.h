#pragma once
// Helpers shared by the server tests: where Quellmar.dll is, registry reads, the captured
// message boxes, and an outer object for aggregation.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <string>
#include <vector>

namespace servertest {

// Full path of Quellmar.dll in the build folder, with backslashes.
std::wstring dllPath();
// Quellmar.dll loaded into this process (the same module COM loads); never freed.
HMODULE dllModule();
// One of the DLL's exports.
FARPROC dllExport(const char* name);

// The default value (valueName null) or a named string value of root\key; false when absent.
bool readString(HKEY root, const std::wstring& key, const wchar_t* valueName, std::wstring& out);
bool keyExists(HKEY root, const std::wstring& key);
std::wstring guidText(REFGUID guid);
bool sameTextNoCase(const std::wstring& a, const std::wstring& b);

// Message boxes handed to the test's message sink so far.
std::vector<std::wstring> capturedMessages();

// An outer object that aggregates one inner object: interfaces it does not know itself are
// asked of the inner object. It lives on the stack; the count only tells who holds it.
class Outer final : public IUnknown {
 public:
  Outer() = default;
  Outer(const Outer&) = delete;
  Outer& operator=(const Outer&) = delete;
  ~Outer() { releaseInner(); }

  // CoCreateInstance(clsid) as the inner object of this one, asking for riid.
  HRESULT aggregate(REFCLSID clsid, REFIID riid = IID_IUnknown);
  IUnknown* inner() const { return m_inner; }
  void releaseInner();
  ULONG refs() const { return m_refs.load(); }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

 private:
  IUnknown* m_inner = nullptr;
  std::atomic<ULONG> m_refs{1};
};

}  // namespace servertest
