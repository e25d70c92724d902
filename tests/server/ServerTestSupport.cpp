#include "tests/server/ServerTestSupport.h"

#include <gtest/gtest.h>

#include <optional>

#include "support/Raii.h"
#include "support/Text.h"
#include "tests/common/MessageSink.h"

namespace servertest {

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
  std::vector<std::wstring> texts;
  for (const test_sink::Box& box : test_sink::boxes()) texts.push_back(box.text);
  return texts;
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
