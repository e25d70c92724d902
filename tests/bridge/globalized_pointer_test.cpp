// GlobalizedPointer with a dual CAPE-OPEN test object: the owner thread calls it directly, a
// second apartment through a proxy whose calls run back on the owner thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "support/GlobalizedPointer.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"
#include "tests/common/MessageSink.h"

namespace {

bool anyBoxContains(const std::vector<test_sink::Box>& boxes, const wchar_t* text) {
  for (const auto& box : boxes)
    if (box.text.find(text) != std::wstring::npos) return true;
  return false;
}

using Probe = ICapeIdentification;
using ProbePointer = support::GlobalizedPointer<Probe>;

// Answers its name and remembers the thread each call ran on.
class ProbeObject final : public comkit::Object<comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  static std::atomic<DWORD> lastCallThread;

  STDMETHODIMP get_ComponentName(BSTR* name) override {
    lastCallThread = GetCurrentThreadId();
    if (!name) return E_POINTER;
    *name = SysAllocString(L"probe");
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP put_ComponentName(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_ComponentDescription(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_ComponentDescription(BSTR) override { return E_NOTIMPL; }
};
std::atomic<DWORD> ProbeObject::lastCallThread{0};

support::ComPtr<Probe> makeProbe() {
  support::ComPtr<Probe> probe;
  EXPECT_EQ(S_OK, comkit::createInstance<ProbeObject>(nullptr, IID_PPV_ARGS(&probe)));
  return probe;
}

ULONG refCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// Waits for handle while dispatching this thread's messages, so calls into this apartment run.
void pumpUntil(HANDLE handle) {
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return;
    ASSERT_EQ(WAIT_OBJECT_0 + 1, r);
  }
}

// Runs work on a new single-threaded apartment while this thread keeps pumping; the finished
// event, set last by the worker, ends the wait.
void onOtherApartment(const std::function<void()>& work) {
  struct Job {
    const std::function<void()>& work;
    support::Event finished{support::Event::Manual};
  } job{work};
  auto run = [](void* p) -> DWORD {
    auto* j = static_cast<Job*>(p);
    {
      support::ComApartment apartment;
      if (SUCCEEDED(apartment.result())) j->work();
    }
    j->finished.set();
    return 0;
  };
  support::Handle thread(CreateThread(nullptr, 0, run, &job, 0, nullptr));
  ASSERT_TRUE(thread);
  pumpUntil(job.finished.get());
  WaitForSingleObject(thread.get(), INFINITE);
}

struct OtherThreadGet {
  HRESULT hr = E_UNEXPECTED;
  bool gotPointer = false;
  bool samePointer = false;
  HRESULT callHr = E_UNEXPECTED;
  std::wstring name;
  DWORD thread = 0;
};

// Gets the pointer on another apartment and calls it once through what it got.
OtherThreadGet getOnOtherThread(ProbePointer& pointer, Probe* raw) {
  OtherThreadGet seen;
  onOtherApartment([&] {
    seen.thread = GetCurrentThreadId();
    support::ComPtr<Probe> got;
    seen.hr = pointer.get(got);
    seen.gotPointer = got != nullptr;
    seen.samePointer = got.Get() == raw;
    if (!got) return;
    support::Bstr name;
    seen.callHr = got->get_ComponentName(name.out());
    if (name.get()) seen.name = name.get();
  });
  return seen;
}

class GlobalizedPointerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(m_apartment.result()));
    test_sink::takeBoxes();
  }
  support::ComApartment m_apartment;
};

TEST_F(GlobalizedPointerTest, OwnerThreadGetsTheRawPointerWithAReference) {
  auto probe = makeProbe();
  ULONG start = refCount(probe.Get());
  ProbePointer pointer;
  ASSERT_EQ(S_OK, pointer.globalize(probe));
  EXPECT_TRUE(pointer.registered());
  EXPECT_EQ(GetCurrentThreadId(), pointer.owner());

  ULONG registered = refCount(probe.Get());
  support::ComPtr<Probe> got;
  ASSERT_EQ(S_OK, pointer.get(got));
  EXPECT_EQ(probe.Get(), got.Get());
  EXPECT_EQ(registered + 1, refCount(probe.Get()));
  got.Reset();

  EXPECT_EQ(S_OK, pointer.unglobalize());
  EXPECT_FALSE(pointer.registered());
  EXPECT_EQ(start + 1, refCount(probe.Get())) << "the raw reference stays until destruction";
  EXPECT_TRUE(test_sink::takeBoxes().empty());
}

TEST_F(GlobalizedPointerTest, OtherApartmentGetsAProxyWhoseCallsRunOnTheOwnerThread) {
  auto probe = makeProbe();
  ProbePointer pointer;
  ASSERT_EQ(S_OK, pointer.globalize(probe));
  ProbeObject::lastCallThread = 0;

  OtherThreadGet seen = getOnOtherThread(pointer, probe.Get());
  EXPECT_EQ(S_OK, seen.hr);
  EXPECT_TRUE(seen.gotPointer);
  EXPECT_FALSE(seen.samePointer) << "another apartment must get a proxy, not the raw pointer";
  EXPECT_EQ(S_OK, seen.callHr);
  EXPECT_EQ(L"probe", seen.name);
  EXPECT_EQ(GetCurrentThreadId(), ProbeObject::lastCallThread.load());
  EXPECT_NE(seen.thread, ProbeObject::lastCallThread.load());
  EXPECT_EQ(S_OK, pointer.unglobalize());
  EXPECT_TRUE(test_sink::takeBoxes().empty());
}

TEST_F(GlobalizedPointerTest, UnglobalizeRevokesForEveryThread) {
  auto probe = makeProbe();
  ProbePointer pointer;
  ASSERT_EQ(S_OK, pointer.globalize(probe));
  ASSERT_EQ(S_OK, pointer.unglobalize());
  EXPECT_EQ(S_OK, pointer.unglobalize()) << "nothing registered: nothing to do";

  OtherThreadGet seen = getOnOtherThread(pointer, probe.Get());
  EXPECT_EQ(E_FAIL, seen.hr);
  EXPECT_FALSE(seen.gotPointer);

  support::ComPtr<Probe> got;
  EXPECT_EQ(E_FAIL, pointer.get(got));
  EXPECT_EQ(nullptr, got.Get());
  EXPECT_TRUE(test_sink::takeBoxes().empty());
}

TEST_F(GlobalizedPointerTest, ReferenceCountsReturnToTheirStart) {
  auto probe = makeProbe();
  ULONG start = refCount(probe.Get());
  {
    ProbePointer pointer;
    ASSERT_EQ(S_OK, pointer.globalize(probe));
    support::ComPtr<Probe> got;
    ASSERT_EQ(S_OK, pointer.get(got));
    got.Reset();
    EXPECT_EQ(S_OK, getOnOtherThread(pointer, probe.Get()).callHr);
    ASSERT_EQ(S_OK, pointer.unglobalize());
  }
  EXPECT_EQ(start, refCount(probe.Get()));
  {
    ProbePointer destroyedRegistered;
    ASSERT_EQ(S_OK, destroyedRegistered.globalize(probe));
    EXPECT_GT(refCount(probe.Get()), start + 1) << "the table holds a reference of its own";
  }
  EXPECT_EQ(start, refCount(probe.Get())) << "the destructor revokes and releases";
  EXPECT_TRUE(test_sink::takeBoxes().empty());
}

TEST_F(GlobalizedPointerTest, ReleaseAfterRegisteringLeavesOnlyTheTablesReference) {
  auto probe = makeProbe();
  auto twin = makeProbe();
  ULONG start = refCount(probe.Get());
  ASSERT_EQ(start, refCount(twin.Get()));
  ProbePointer pointer(true);
  ProbePointer ownedRaw;
  ASSERT_EQ(S_OK, pointer.globalize(probe));
  ASSERT_EQ(S_OK, ownedRaw.globalize(twin));
  EXPECT_GT(refCount(probe.Get()), start) << "the table holds a reference of its own";
  EXPECT_EQ(refCount(probe.Get()) + 1, refCount(twin.Get())) << "without the flag the raw reference is kept";

  support::ComPtr<Probe> got;
  ASSERT_EQ(S_OK, pointer.get(got));
  EXPECT_EQ(probe.Get(), got.Get());
  got.Reset();
  EXPECT_EQ(S_OK, getOnOtherThread(pointer, probe.Get()).callHr);

  ASSERT_EQ(S_OK, pointer.unglobalize());
  EXPECT_EQ(start, refCount(probe.Get()));
  // Without its registration the released raw pointer is not handed out any more.
  EXPECT_EQ(S_OK, pointer.get(got));
  EXPECT_EQ(nullptr, got.Get());
  EXPECT_TRUE(test_sink::takeBoxes().empty());
}

TEST_F(GlobalizedPointerTest, NullPointerGivesNullAndSuccessOnEveryThread) {
  ProbePointer pointer;
  EXPECT_EQ(S_OK, pointer.globalize(nullptr));
  EXPECT_FALSE(pointer.registered());
  support::ComPtr<Probe> got;
  EXPECT_EQ(S_OK, pointer.get(got));
  EXPECT_EQ(nullptr, got.Get());
  OtherThreadGet seen = getOnOtherThread(pointer, nullptr);
  EXPECT_EQ(S_OK, seen.hr);
  EXPECT_FALSE(seen.gotPointer);
  EXPECT_EQ(E_POINTER, pointer.get(static_cast<Probe**>(nullptr)));
  EXPECT_TRUE(test_sink::takeBoxes().empty());
}

TEST_F(GlobalizedPointerTest, UnglobalizeOnAForeignThreadIsReportedAndKeepsTheRegistration) {
  auto probe = makeProbe();
  ProbePointer pointer;
  ASSERT_EQ(S_OK, pointer.globalize(probe));
  HRESULT foreign = S_OK;
  onOtherApartment([&] { foreign = pointer.unglobalize(); });
  EXPECT_EQ(E_FAIL, foreign);
  auto boxes = test_sink::takeBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_TRUE(anyBoxContains(boxes, L"Unglobalizing pointer in different thread")) << boxes[0].text;

  EXPECT_TRUE(pointer.registered());
  EXPECT_EQ(S_OK, getOnOtherThread(pointer, probe.Get()).callHr);
  EXPECT_EQ(S_OK, pointer.unglobalize());
}

TEST_F(GlobalizedPointerTest, GlobalizeWhileRegisteredIsReportedAndKeepsTheFirstPointer) {
  auto first = makeProbe();
  auto second = makeProbe();
  ULONG secondStart = refCount(second.Get());
  ProbePointer pointer;
  ASSERT_EQ(S_OK, pointer.globalize(first));
  EXPECT_EQ(E_FAIL, pointer.globalize(second));
  auto boxes = test_sink::takeBoxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_TRUE(anyBoxContains(boxes, L"Unexpected error ")) << boxes[0].text;
  EXPECT_EQ(secondStart, refCount(second.Get())) << "the refused pointer is not kept";

  support::ComPtr<Probe> got;
  ASSERT_EQ(S_OK, pointer.get(got));
  EXPECT_EQ(first.Get(), got.Get());
}

TEST_F(GlobalizedPointerTest, DestructionOnAForeignThreadReportsBothFailures) {
  auto probe = makeProbe();
  auto* pointer = new ProbePointer(true);
  ASSERT_EQ(S_OK, pointer->globalize(probe));
  onOtherApartment([&] { delete pointer; });
  auto boxes = test_sink::takeBoxes();
  EXPECT_EQ(2u, boxes.size());
  EXPECT_TRUE(anyBoxContains(boxes, L"Unglobalizing pointer in different thread"));
  EXPECT_TRUE(anyBoxContains(boxes, L"Unexpected error "));
}

}  // namespace
