#include "tests/server/ServerTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <optional>

#include "support/Raii.h"
#include "support/Text.h"

namespace servertest {

namespace {

std::mutex& messagesLock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::wstring>& messages() {
  static std::vector<std::wstring> list;
  return list;
}

}  // namespace

std::wstring dllPath() {
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(QUELLMAR_DLL, MAX_PATH, full, nullptr);
  return full;
}

HMODULE dllModule() {
  static const HMODULE module = LoadLibraryW(dllPath().c_str());
  return module;
}

FARPROC dllExport(const char* name) {
  HMODULE module = dllModule();
  return module ? GetProcAddress(module, name) : nullptr;
}

bool readString(HKEY root, const std::wstring& key, const wchar_t* valueName, std::wstring& out) {
  DWORD bytes = 0;
  if (RegGetValueW(root, key.c_str(), valueName, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) {
    return false;
  }
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(root, key.c_str(), valueName, RRF_RT_REG_SZ, nullptr, buffer.data(), &bytes) != ERROR_SUCCESS) {
    return false;
  }
  out.assign(buffer.c_str());
  return true;
}

bool keyExists(HKEY root, const std::wstring& key) {
  support::RegKey opened;
  return RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, opened.out()) == ERROR_SUCCESS;
}

std::wstring guidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

bool sameTextNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::vector<std::wstring> capturedMessages() {
  std::lock_guard<std::mutex> hold(messagesLock());
  return messages();
}

HRESULT Outer::aggregate(REFCLSID clsid, REFIID riid) {
  releaseInner();
  return CoCreateInstance(clsid, this, CLSCTX_INPROC_SERVER, riid, reinterpret_cast<void**>(&m_inner));
}

void Outer::releaseInner() {
  if (m_inner) m_inner->Release();
  m_inner = nullptr;
}

STDMETHODIMP Outer::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown) {
    *ppv = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  if (m_inner) return m_inner->QueryInterface(riid, ppv);
  *ppv = nullptr;
  return E_NOINTERFACE;
}

}  // namespace servertest

// Every message box of the product lands here; no test opens a real one.
extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND, const wchar_t* text, const wchar_t*, unsigned) {
  std::lock_guard<std::mutex> hold(servertest::messagesLock());
  servertest::messages().emplace_back(text ? text : L"");
  return IDOK;
}

namespace {

// One apartment for the whole run, and a check that nothing showed a message box.
class ServerTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(m_apartment.emplace().result())); }
  void TearDown() override {
    const auto shown = servertest::capturedMessages();
    EXPECT_TRUE(shown.empty()) << shown.size() << " message box(es), the first: "
                               << std::string(shown.empty() ? "" : support::narrow(shown.front()));
    m_apartment.reset();
  }

 private:
  std::optional<support::ComApartment> m_apartment;
};

const ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new ServerTestEnvironment);

}  // namespace
