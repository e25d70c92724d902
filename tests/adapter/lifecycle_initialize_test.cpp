// Initialize with the host case, the browser and the Peng-Robinson thermo system: the record, a
// cancelled selection, the recalling argument, Save through the CAPE-OPEN thread, Terminate with
// host threads waiting in a hand-over, and the configuration through the private interface.
#include "tests/adapter/AdapterFixture.h"

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "support/Text.h"

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace adapter_test {
namespace {

constexpr unsigned char kUntouched = 0x5A;

// Dispatches the messages waiting for this thread.
void dispatchWaiting() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Waits, without dispatching, until a message is there for this thread: the call of another
// apartment into this one. False when none comes within the safety limit.
bool waitForIncomingCall() {
  MSG msg;
  const ULONGLONG limit = GetTickCount64() + 20000;
  while (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    const ULONGLONG now = GetTickCount64();
    if (now >= limit) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(limit - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

// The host's container seen from any thread: every call is forwarded to the container fetched
// for the calling thread from the global interface table, and the thread of each Save is noted.
// It aggregates the free-threaded marshaler, so the adapter's CAPE-OPEN thread calls it directly.
class ForwardingContainer final : public ExtnContainer {
 public:
  explicit ForwardingContainer(ExtnContainer* real) {
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGlobalInterfaceTable, reinterpret_cast<void**>(m_table.GetAddressOf())));
    if (m_table) {
      EXPECT_EQ(S_OK, m_table->RegisterInterfaceInGlobal(real, __uuidof(ExtnContainer), &m_cookie));
    }
    EXPECT_EQ(S_OK, CoCreateFreeThreadedMarshaler(static_cast<IUnknown*>(this), m_marshaler.GetAddressOf()));
  }
  ~ForwardingContainer() {
    if (m_cookie) m_table->RevokeInterfaceFromGlobal(m_cookie);
  }
  std::vector<DWORD> saveThreads() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_saveThreads;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IMarshal && m_marshaler) return m_marshaler->QueryInterface(riid, ppv);
    if (riid != IID_IUnknown && riid != IID_IDispatch && riid != __uuidof(ExtnContainer)) return E_NOINTERFACE;
    *ppv = static_cast<ExtnContainer*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override { return --m_refs; }  // lives on the test's stack
  STDMETHODIMP GetTypeInfoCount(UINT* n) override { return forward([&](ExtnContainer* c) { return c->GetTypeInfoCount(n); }); }
  STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override {
    return forward([&](ExtnContainer* c) { return c->GetTypeInfo(i, l, t); });
  }
  STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override {
    return forward([&](ExtnContainer* real) { return real->GetIDsOfNames(r, n, c, l, d); });
  }
  STDMETHODIMP Invoke(DISPID d, REFIID r, LCID l, WORD f, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e, UINT* a) override {
    return forward([&](ExtnContainer* c) { return c->Invoke(d, r, l, f, p, v, e, a); });
  }
  STDMETHODIMP get_ComponentCount(LONG* n) override { return forward([&](ExtnContainer* c) { return c->get_ComponentCount(n); }); }
  STDMETHODIMP SetPackageAlias(BSTR a) override { return forward([&](ExtnContainer* c) { return c->SetPackageAlias(a); }); }
  STDMETHODIMP Save() override {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_saveThreads.push_back(GetCurrentThreadId());
    }
    return forward([&](ExtnContainer* c) { return c->Save(); });
  }
  STDMETHODIMP get_ExtensionDefinition(ExtnDefinition** d) override {
    return forward([&](ExtnContainer* c) { return c->get_ExtensionDefinition(d); });
  }
  STDMETHODIMP get_Case(HostCase** h) override { return forward([&](ExtnContainer* c) { return c->get_Case(h); }); }
  STDMETHODIMP WriteTrace(BSTR t, unsigned char f, LONG x) override {
    return forward([&](ExtnContainer* c) { return c->WriteTrace(t, f, x); });
  }
  STDMETHODIMP get_FluidPackageHolder(IDispatch** h) override {
    return forward([&](ExtnContainer* c) { return c->get_FluidPackageHolder(h); });
  }
  STDMETHODIMP get_Views(ExtnViewHolder** v) override { return forward([&](ExtnContainer* c) { return c->get_Views(v); }); }
  STDMETHODIMP ShowView(BSTR n) override { return forward([&](ExtnContainer* c) { return c->ShowView(n); }); }
  STDMETHODIMP RefreshView(BSTR n) override { return forward([&](ExtnContainer* c) { return c->RefreshView(n); }); }

 private:
  template <class Call>
  HRESULT forward(Call call) {
    ComPtr<ExtnContainer> real;
    HRESULT hr = m_table ? m_table->GetInterfaceFromGlobal(m_cookie, __uuidof(ExtnContainer),
                                                          reinterpret_cast<void**>(real.GetAddressOf()))
                         : E_FAIL;
    return SUCCEEDED(hr) ? call(real.Get()) : hr;
  }

  std::atomic<ULONG> m_refs{1};
  ComPtr<IGlobalInterfaceTable> m_table;
  DWORD m_cookie = 0;
  ComPtr<IUnknown> m_marshaler;
  mutable std::mutex m_lock;
  std::vector<DWORD> m_saveThreads;
};

// The value text of the entry "<name> : <length> : <value> , " of a save text ("" when absent).
std::wstring entryOf(const std::wstring& saved, const std::wstring& name) {
  const std::wstring start = name + L" : ";
  const size_t at = saved.find(start);
  if (at == std::wstring::npos) return L"";
  size_t next = at + start.size();
  const size_t length = std::wcstoul(saved.c_str() + next, nullptr, 10);
  next = saved.find(L" : ", next);
  return next == std::wstring::npos ? L"" : saved.substr(next + 3, length);
}

class InitializeTest : public AdapterTest {
 protected:
  void SetUp() override {
    AdapterTest::SetUp();
    memset(&record, kUntouched, sizeof record);
    wchar_t folder[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, folder);
    host->setCaseFile(std::wstring(folder) + L"quellmar_lifecycle_case.txt");
  }
};

TEST_F(InitializeTest, FillsTheRecordAndLeavesItsFirstBytes) {
  initializeWith(L"Natural Gas");
  long first = 0;
  memcpy(&first, &record, sizeof first);
  EXPECT_EQ(0x5A5A5A5A, first);
  EXPECT_EQ(3797, record.version);
  EXPECT_EQ(0, record.secondParameter);
  EXPECT_EQ(2, record.thirdParameter);
  EXPECT_EQ(VARIANT_FALSE, record.IsActivityModelType);
  EXPECT_EQ(VARIANT_TRUE, record.CanExchangeComponents);
  EXPECT_EQ(VARIANT_TRUE, record.CanCalculateFugacity);
  EXPECT_EQ(VARIANT_TRUE, record.CanCalculateLLE);
  EXPECT_EQ(VARIANT_TRUE, record.CanHandleOilHypos);
  EXPECT_EQ(VARIANT_FALSE, record.UseGFlashInDynamics);
  EXPECT_EQ(VARIANT_FALSE, record.CanHandleInsideOutPHFlash);
  LONG recalling = 1;
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(0, recalling);

  // "IDNumbers", in any letter case, answers the host-id array (32-bit integers, one per
  // component of the package), not the variable "SelectedIDNumbers" (reals).
  Variant ids;
  ASSERT_EQ(S_OK, priv->get_OvVarValue(bstr(L"IDNUMBERS").get(), ids.out()));
  ASSERT_EQ(VT_ARRAY | VT_I4, ids.vt());
  LONG lower = 0, upper = -1;
  EXPECT_EQ(S_OK, SafeArrayGetLBound(ids.get().parray, 1, &lower));
  EXPECT_EQ(S_OK, SafeArrayGetUBound(ids.get().parray, 1, &upper));
  EXPECT_EQ(14, upper - lower + 1);
  Variant reals;
  ASSERT_EQ(S_OK, priv->get_OvVarValue(bstr(L"SelectedIDNumbers").get(), reals.out()));
  EXPECT_EQ(VT_ARRAY | VT_R8, reals.vt());
}

TEST_F(InitializeTest, CancelledSelectionFailsWithoutAThreadOrRecord) {
  // A first cancelled case makes the process's own lazily started threads exist.
  EXPECT_EQ(E_FAIL, initialize(nullptr));
  newAdapter();
  memset(&record, kUntouched, sizeof record);
  const size_t before = threadCount();
  EXPECT_EQ(E_FAIL, initialize(nullptr));
  EXPECT_EQ(before, threadCount());
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
  for (size_t i = 0; i < sizeof record; ++i) EXPECT_EQ(kUntouched, bytes[i]) << i;
  EXPECT_EQ(S_OK, extension->Terminate());  // nothing to stop: returns at once
}

TEST_F(InitializeTest, TheHostsAnswerToTheAliasDoesNotDecideCreation) {
  host->failWith(L"SetPackageAlias", E_ACCESSDENIED);
  memset(&record, kUntouched, sizeof record);
  EXPECT_EQ(S_OK, initialize(choiceOf(L"Natural Gas").c_str()));
  EXPECT_EQ(1u, host->calls(L"SetPackageAlias").size());
  EXPECT_EQ(0u, boxes.count()) << boxes.onlyText();
  EXPECT_NE(kUntouched, reinterpret_cast<const unsigned char*>(&record)[4]);
  VARIANT_BOOL basisChanged = VARIANT_FALSE;
  EXPECT_EQ(S_OK, package->EndBasisChange(&basisChanged));
}

TEST_F(InitializeTest, ComponentCountComesFirstAndItsFailureEndsInitialize) {
  host->failWith(L"ComponentCount", E_ACCESSDENIED);
  EXPECT_EQ(E_ACCESSDENIED, initialize(choiceOf(L"Natural Gas").c_str()));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_EQ(0u, boxes.onlyText().find(L" ERROR: Unexpected error ")) << boxes.onlyText();
  EXPECT_TRUE(host->calls(L"FindVariable").empty());  // the configuration was not read

  host->failWith(L"ComponentCount", S_OK);
  host->clearCalls();
  newAdapter();
  initializeWith(L"Natural Gas");
  const std::vector<orvexhost::CallRecord> calls = host->calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(L"ComponentCount", calls.front().operation);
}

TEST_F(InitializeTest, OnlyMinusOneMeansRecalling) {
  putHostValue(L"ComponentsSource", real(5).get());
  putHostValue(L"ValidationMode", real(6).get());
  initialize(nullptr, -1);  // a recall of a case without a package: whatever it answers
  EXPECT_EQ(5.0, hostValue(L"ComponentsSource").get().dblVal);
  EXPECT_EQ(6.0, hostValue(L"ValidationMode").get().dblVal);
  LONG recalling = 1;
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(0, recalling);  // only while Initialize runs

  releaseAdapter();
  newAdapter();
  EXPECT_EQ(E_FAIL, initialize(nullptr, 1));  // 1 is a new case: the two values are zeroed
  EXPECT_EQ(0.0, hostValue(L"ComponentsSource").get().dblVal);
  EXPECT_EQ(0.0, hostValue(L"ValidationMode").get().dblVal);
}

TEST_F(InitializeTest, SaveRunsTheHostsSaveOnTheCapeOpenThread) {
  ForwardingContainer forwarding(container.Get());
  SetEnvironmentVariableW(L"ORVEX_BROWSER_CHOICE", choiceOf(L"Natural Gas").c_str());
  ASSERT_EQ(S_OK, package->Initialize(&forwarding, &record, VARIANT_FALSE));
  initialised = true;
  host->clearCalls();
  EXPECT_EQ(S_OK, extension->Save());
  const std::vector<DWORD> threads = forwarding.saveThreads();
  ASSERT_EQ(1u, threads.size());
  EXPECT_NE(GetCurrentThreadId(), threads[0]);
  ASSERT_EQ(1u, host->calls(L"Save").size());
  EXPECT_EQ(S_OK, host->calls(L"Save")[0].result);

  // The host's failure is the answer, and nothing is shown on the CAPE-OPEN thread.
  host->failWith(L"Save", E_ACCESSDENIED);
  EXPECT_EQ(E_ACCESSDENIED, extension->Save());
  host->failWith(L"Save", S_OK);
  EXPECT_EQ(2u, forwarding.saveThreads().size());
  EXPECT_EQ(threads[0], forwarding.saveThreads()[1]);

  // Two host threads at once: one hand-over after the other, both answered, all on that thread.
  ExtensionObject* raw = extension.Get();
  HRESULT results[2] = {E_PENDING, E_PENDING};
  support::Event finished[2] = {support::Event(support::Event::Manual), support::Event(support::Event::Manual)};
  std::vector<std::thread> callers;
  for (int i = 0; i < 2; ++i)
    callers.emplace_back([&, i] {
      results[i] = raw->Save();
      SetEvent(finished[i].get());
    });
  for (auto& event : finished) EXPECT_TRUE(orvexhost::pumpUntil(event.get()));
  for (auto& caller : callers) caller.join();
  EXPECT_EQ(S_OK, results[0]);
  EXPECT_EQ(S_OK, results[1]);
  const std::vector<DWORD> all = forwarding.saveThreads();
  ASSERT_EQ(4u, all.size());
  for (DWORD thread : all) EXPECT_EQ(threads[0], thread);
  EXPECT_EQ(0u, boxes.count());
  releaseAdapter();
}

TEST_F(InitializeTest, TerminateReleasesHostThreadsWaitingInAHandOver) {
  initializeWith(L"Natural Gas");
  ExtensionObject* raw = extension.Get();
  HRESULT first = E_PENDING;
  HRESULT second = E_PENDING;
  // The CAPE-OPEN thread's call of the host's Save waits for this (the host's) thread.
  dispatchWaiting();
  std::thread waiting([&] { first = raw->Save(); });
  EXPECT_TRUE(waitForIncomingCall());  // on failure still go on: the threads must be joined
  std::thread late([&] { second = raw->Save(); });
  EXPECT_TRUE(host->calls(L"Save").empty());  // this thread has not let it in yet
  EXPECT_EQ(S_OK, extension->Terminate());
  initialised = false;
  waiting.join();
  late.join();
  EXPECT_EQ(S_OK, first);
  EXPECT_TRUE(second == S_OK || second == E_FAIL) << std::hex << second;
  EXPECT_GE(host->calls(L"Save").size(), 1u);  // Terminate let the waiting call in
  EXPECT_LE(host->calls(L"Save").size(), 2u);
  // After Terminate a hand-over is refused at once.
  EXPECT_EQ(E_FAIL, extension->Save());
}

TEST_F(InitializeTest, PkgSaveAndPkgRecallRoundTripThroughTheHost) {
  initializeWith(L"Natural Gas");
  Bstr saved;
  ASSERT_EQ(S_OK, priv->PkgSave(saved.out()));
  ASSERT_FALSE(saved.empty());
  const std::wstring before(saved.c_str(), saved.length());
  EXPECT_EQ(0u, before.find(L" 23 :PropPackName : 11 : Natural Gas , "));
  putHostValue(L"PropPackAlias", text(L"changed").get());
  putHostValue(L"TextMessage", text(L"changed too").get());

  test_sink::clearBoxes();
  EXPECT_EQ(S_OK, priv->PkgRecall(saved.get(), nullptr));
  EXPECT_EQ(0u, boxes.count());
  LONG recalling = 0;
  EXPECT_EQ(S_OK, priv->get_recalling(&recalling));
  EXPECT_EQ(1, recalling);
  EXPECT_EQ(L"Natural Gas", textIn(hostValue(L"PropPackAlias").get()));
  Bstr again;
  ASSERT_EQ(S_OK, priv->PkgSave(again.out()));
  const std::wstring after(again.c_str(), again.length());
  for (const wchar_t* name : {L"PropPackName", L"PropSysName", L"PropPackAlias", L"PropSysAlias", L"SelectedCompIds",
                              L"MatchedBy", L"SelectedCompOvNames", L"TextMessage", L"SelectedFlags"})
    EXPECT_EQ(entryOf(before, name), entryOf(after, name)) << support::narrow(name);
}

// Saved reals are restored exactly: a recall must not lose their precision.
TEST_F(InitializeTest, PkgRecallRestoresRealsExactly) {
  initializeWith(L"Natural Gas");
  Bstr saved;
  ASSERT_EQ(S_OK, priv->PkgSave(saved.out()));
  ASSERT_EQ(S_OK, priv->PkgRecall(saved.get(), nullptr));
  Bstr again;
  ASSERT_EQ(S_OK, priv->PkgSave(again.out()));
  const std::wstring before(saved.c_str(), saved.length());
  const std::wstring after(again.c_str(), again.length());
  EXPECT_EQ(entryOf(before, L"SelectedCompMolWts"), entryOf(after, L"SelectedCompMolWts"));
  EXPECT_EQ(entryOf(before, L"SelectedCompBoilTemps"), entryOf(after, L"SelectedCompBoilTemps"));
}

// A host that lets the adapter go without Terminate: the last release stops the CAPE-OPEN thread
// and releases everything the adapter made, so the module may unload.
TEST_F(InitializeTest, ReleaseWithoutTerminateStopsTheThreadAndLetsTheModuleUnload) {
  // A first case makes the threads the process starts on first use exist.
  initializeWith(L"Natural Gas");
  releaseAdapter();
  newAdapter();
  const size_t before = threadCount();
  initializeWith(L"Natural Gas");
  EXPECT_EQ(before + 1, threadCount()) << "the CAPE-OPEN thread";
  initialised = false;  // no Terminate
  diagnostics.Reset();
  priv.Reset();
  extension.Reset();
  package.Reset();
  const size_t after = threadCount();
  const HRESULT unload = canUnload(L"Quellmar.dll");
  std::printf("released without Terminate: threads %zu before Initialize, %zu after the release; "
              "Quellmar.dll DllCanUnloadNow 0x%08lX, PRThermo.dll 0x%08lX\n",
              before, after, static_cast<unsigned long>(unload), static_cast<unsigned long>(canUnload(L"PRThermo.dll")));
  EXPECT_EQ(before, after);
  EXPECT_EQ(S_OK, unload);
  EXPECT_EQ(S_OK, canUnload(L"PRThermo.dll"));
  EXPECT_EQ(0u, boxes.count());
}

}  // namespace
}  // namespace adapter_test
