// The COM kit on its own, linked into the test program: module lock rules, object creation and
// interface tables, the class object map, and registry writing into a private key.
#include <windows.h>
#include <oleidl.h>

#include <gtest/gtest.h>

#include "server/comkit/ClassObjectMap.h"
#include "server/comkit/Module.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"
#include "server/comkit/Registrar.h"
#include "tests/server/ServerTestSupport.h"
#include "support/Text.h"

using servertest::keyExists;
using servertest::readString;
using support::ComPtr;

namespace {

const CLSID kSampleId = {0x5E1F3C0A, 0x2B7D, 0x4C55, {0x9A, 0x10, 0x3E, 0x44, 0x71, 0x0B, 0xC2, 0x01}};
const CLSID kOtherId = {0x5E1F3C0A, 0x2B7D, 0x4C55, {0x9A, 0x10, 0x3E, 0x44, 0x71, 0x0B, 0xC2, 0x02}};
const GUID kCategory = {0x5E1F3C0A, 0x2B7D, 0x4C55, {0x9A, 0x10, 0x3E, 0x44, 0x71, 0x0B, 0xC2, 0x03}};

int g_liveSamples = 0;

// Two plain (not dual) interfaces.
class Sample : public comkit::Object<IPersist, IOleWindow> {
 public:
  Sample() { ++g_liveSamples; }
  ~Sample() override { --g_liveSamples; }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = kSampleId;
    return S_OK;
  }
  STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

class FailsAfterConstruction : public Sample {
 protected:
  HRESULT finalConstruct() override { return E_ACCESSDENIED; }
};

LONG liveLocks() { return comkit::module().lockCount(); }

class ComKit : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, liveLocks()); }
  void TearDown() override {
    EXPECT_EQ(0, liveLocks());
    EXPECT_EQ(0, g_liveSamples);
  }
};

}  // namespace

TEST(ComKitModule, UnloadRuleCountsObjectsAndServerLocks) {
  comkit::Module module;
  EXPECT_FALSE(module.initialized());
  EXPECT_EQ(S_OK, module.canUnloadNow());
  module.lock();
  EXPECT_EQ(S_FALSE, module.canUnloadNow());
  module.lockServer();
  module.unlock();
  EXPECT_EQ(S_FALSE, module.canUnloadNow());
  EXPECT_TRUE(module.unlockServer());
  EXPECT_EQ(S_OK, module.canUnloadNow());
  EXPECT_FALSE(module.unlockServer()) << "an unlock without a lock is refused";
  module.lock();
  EXPECT_FALSE(module.unlockServer());
  EXPECT_EQ(S_FALSE, module.canUnloadNow()) << "a refused unlock must not cancel an object's lock";
  module.unlock();
}

TEST(ComKitModule, InitRecordsTheModule) {
  comkit::Module module;
  ASSERT_TRUE(module.init(GetModuleHandleW(nullptr)));
  EXPECT_TRUE(module.initialized());
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  EXPECT_EQ(std::wstring(exe), module.path());
}

TEST_F(ComKit, ObjectAnswersItsTableAndLivesByItsCount) {
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, comkit::createInstance<Sample>(nullptr, IID_IPersist, reinterpret_cast<void**>(persist.GetAddressOf())));
  EXPECT_EQ(1, g_liveSamples);
  EXPECT_EQ(1, liveLocks());
  CLSID clsid = {};
  EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
  EXPECT_EQ(kSampleId, clsid);

  ComPtr<IOleWindow> window;
  ASSERT_EQ(S_OK, persist.As(&window));
  ComPtr<IUnknown> a, b;
  persist.As(&a);
  window.As(&b);
  EXPECT_EQ(a.Get(), b.Get());
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, persist->QueryInterface(IID_IDispatch, &none)) << "no dual interface, no IDispatch";
  EXPECT_EQ(nullptr, none);

  persist.Reset();
  window.Reset();
  a.Reset();
  EXPECT_EQ(1, g_liveSamples);
  b.Reset();
  EXPECT_EQ(0, g_liveSamples);
}

TEST_F(ComKit, CreationFailuresLeaveNothingAlive) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_ACCESSDENIED, comkit::createInstance<FailsAfterConstruction>(nullptr, IID_IPersist, &out));
  EXPECT_EQ(nullptr, out);
  out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, comkit::createInstance<Sample>(nullptr, IID_IDispatch, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, comkit::createInstance<Sample>(nullptr, IID_IPersist, nullptr));
}

TEST_F(ComKit, AggregatedObjectDelegatesToItsOuter) {
  servertest::Outer outer;
  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, comkit::createInstance<Sample>(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
  ComPtr<IOleWindow> window;
  ASSERT_EQ(S_OK, inner->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(window.GetAddressOf())));
  EXPECT_EQ(2u, outer.refs());
  ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, window->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.GetAddressOf())));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
  identity.Reset();
  window.Reset();
  EXPECT_EQ(1u, outer.refs());
  EXPECT_EQ(0u, inner->Release());
  EXPECT_EQ(0, g_liveSamples);
}

TEST_F(ComKit, ClassObjectMapServesFactoriesOnceInitialised) {
  comkit::Module module;
  comkit::ClassObjectMap map(module, {{&comkit::createInstance<Sample>, {&kSampleId, L"Sample", nullptr, nullptr, nullptr, false}}});
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_UNEXPECTED, map.getClassObject(kSampleId, IID_IClassFactory, &out));
  EXPECT_EQ(nullptr, out);

  ASSERT_TRUE(module.init(GetModuleHandleW(nullptr)));
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, map.getClassObject(kOtherId, IID_IClassFactory, &out));
  ComPtr<IClassFactory> factory, again;
  ASSERT_EQ(S_OK, map.getClassObject(kSampleId, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())));
  ASSERT_EQ(S_OK, map.getClassObject(kSampleId, IID_IClassFactory, reinterpret_cast<void**>(again.GetAddressOf())));
  EXPECT_EQ(factory.Get(), again.Get());
  EXPECT_EQ(1, liveLocks()) << "factories handed out hold one module lock";

  servertest::Outer outer;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, IID_IPersist, &out));
  EXPECT_EQ(nullptr, out);
  ComPtr<IPersist> persist;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPersist, reinterpret_cast<void**>(persist.GetAddressOf())));
  EXPECT_EQ(2, liveLocks());
  persist.Reset();
  again.Reset();
  factory.Reset();
}

namespace {

// A private registry root under the current user, removed after each test.
class Registrar : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kRoot, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             m_rootKey.out(), nullptr));
    m_root = m_rootKey.get();
    ASSERT_TRUE(createKey(L"CLSID"));
  }
  void TearDown() override {
    m_rootKey.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
  }

  bool createKey(const std::wstring& path, DWORD options = 0) {
    support::RegKey key;
    return RegCreateKeyExW(m_root, path.c_str(), 0, nullptr, options, KEY_WRITE, nullptr, key.out(), nullptr) ==
           ERROR_SUCCESS;
  }

  static comkit::ClassRegistration sample() {
    return {&kSampleId, L"Sample", L"Kit.Sample.1", L"Kit.Sample", &kOtherId, true, L"Both", {kCategory}};
  }
  std::wstring classKey() const { return L"CLSID\\" + comkit::guidText(kSampleId); }

  static constexpr const wchar_t* kRoot = L"Software\\QuellmarComKitTest";
  support::RegKey m_rootKey;
  HKEY m_root = nullptr;
};

}  // namespace

TEST_F(Registrar, WritesTheProgIdsAndTheClassKey) {
  ASSERT_EQ(S_OK, comkit::registerClass(sample(), L"C:\\dir\\kit.dll", m_root));
  const std::wstring clsid = comkit::guidText(kSampleId);
  const std::pair<std::wstring, std::wstring> defaults[] = {
      {L"Kit.Sample.1", L"Sample Class"},
      {L"Kit.Sample.1\\CLSID", clsid},
      {L"Kit.Sample", L"Sample Class"},
      {L"Kit.Sample\\CLSID", clsid},
      {L"Kit.Sample\\CurVer", L"Kit.Sample.1"},
      {classKey(), L"Sample Class"},
      {classKey() + L"\\ProgID", L"Kit.Sample.1"},
      {classKey() + L"\\VersionIndependentProgID", L"Kit.Sample"},
      {classKey() + L"\\InprocServer32", L"C:\\dir\\kit.dll"},
      {classKey() + L"\\TypeLib", comkit::guidText(kOtherId)},
  };
  for (const auto& [key, expected] : defaults) {
    std::wstring text;
    ASSERT_TRUE(readString(m_root, key, nullptr, text)) << support::narrow(key);
    EXPECT_EQ(expected, text) << support::narrow(key);
  }
  std::wstring model;
  ASSERT_TRUE(readString(m_root, classKey() + L"\\InprocServer32", L"ThreadingModel", model));
  EXPECT_EQ(L"Both", model);
  EXPECT_TRUE(keyExists(m_root, classKey() + L"\\Programmable"));
  EXPECT_TRUE(keyExists(m_root, classKey() + L"\\Implemented Categories\\" + comkit::guidText(kCategory)));
  EXPECT_EQ(L"{5E1F3C0A-2B7D-4C55-9A10-3E44710BC201}", clsid);
}

TEST_F(Registrar, ReplacesTheClassKeyWhole) {
  ASSERT_TRUE(createKey(classKey() + L"\\Stale"));
  comkit::ClassRegistration plain = sample();
  plain.programmable = false;
  ASSERT_EQ(S_OK, comkit::registerClass(plain, L"C:\\kit.dll", m_root));
  EXPECT_FALSE(keyExists(m_root, classKey() + L"\\Stale"));
  EXPECT_FALSE(keyExists(m_root, classKey() + L"\\Programmable"));
  EXPECT_TRUE(keyExists(m_root, classKey() + L"\\InprocServer32"));
}

TEST_F(Registrar, UnregisterRemovesEverythingButTheClsidRoot) {
  ASSERT_EQ(S_OK, comkit::registerClass(sample(), L"C:\\kit.dll", m_root));
  ASSERT_EQ(S_OK, comkit::unregisterClass(sample(), m_root));
  EXPECT_FALSE(keyExists(m_root, L"Kit.Sample.1"));
  EXPECT_FALSE(keyExists(m_root, L"Kit.Sample"));
  EXPECT_FALSE(keyExists(m_root, classKey()));
  EXPECT_TRUE(keyExists(m_root, L"CLSID"));
  EXPECT_EQ(S_OK, comkit::unregisterClass(sample(), m_root)) << "keys already gone are no failure";
}

// A non-volatile key cannot be made below a volatile one: the registration fails after it has
// written the versioned ProgID, and must take that back.
TEST_F(Registrar, FailureMidWayLeavesNoHalfWrittenClass) {
  ASSERT_TRUE(createKey(L"Kit.Sample", REG_OPTION_VOLATILE));
  const HRESULT hr = comkit::registerClass(sample(), L"C:\\kit.dll", m_root);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE), hr);
  EXPECT_FALSE(keyExists(m_root, L"Kit.Sample.1"));
  EXPECT_FALSE(keyExists(m_root, L"Kit.Sample"));
  EXPECT_FALSE(keyExists(m_root, classKey()));
  EXPECT_TRUE(keyExists(m_root, L"CLSID"));
}
