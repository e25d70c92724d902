// Waits that keep dispatching messages, the dispatcher loop, and reported event sets.
#include <windows.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include <string>

#include "BridgeTestSupport.h"
#include "CallBridge.h"
#include "PumpingWait.h"

namespace {

using bridge::WaitEnd;
using bridge_test::PumpedThread;

const UINT kSetEvent = WM_APP + 1;  // lParam: the event to set
const HANDLE kBogusHandle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4ffffff0));

LRESULT CALLBACK setterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kSetEvent) return DefWindowProcW(window, message, wParam, lParam);
  ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  SetEvent(reinterpret_cast<HANDLE>(lParam));
  return 0;
}

// A message-only window of this thread that sets the event named by a kSetEvent message.
class SetterWindow {
 public:
  SetterWindow() {
    WNDCLASSW type{};
    type.lpfnWndProc = setterProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"BridgeTestSetter";
    RegisterClassW(&type);
    m_window = CreateWindowExW(0, type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                               nullptr);
    EXPECT_NE(nullptr, m_window);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dispatched));
  }
  ~SetterWindow() { DestroyWindow(m_window); }
  void post(const support::Event& event) const {
    PostMessageW(m_window, kSetEvent, 0, reinterpret_cast<LPARAM>(event.get()));
  }
  int dispatched = 0;

 private:
  HWND m_window = nullptr;
};

// Whether this thread's queue holds WM_QUIT (removed when found), with its exit code.
bool takeQuit(WPARAM& code) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message == WM_QUIT) {
      code = msg.wParam;
      return true;
    }
  return false;
}

TEST(PumpingWait, ASignalledHandleEndsTheWait) {
  support::Event event(support::Event::Manual);
  event.set();
  EXPECT_EQ(WaitEnd::Signalled, bridge::waitPumping(event.get()));
}

TEST(PumpingWait, MessagesAreDispatchedWhileWaiting) {
  // Only the window procedure sets the event, so the wait can end only by dispatching.
  SetterWindow window;
  support::Event event(support::Event::Auto);
  window.post(event);
  EXPECT_EQ(WaitEnd::Signalled, bridge::waitPumping(event.get()));
  EXPECT_EQ(1, window.dispatched);
}

TEST(PumpingWait, QuitPostedToAWaitingThreadEndsItsWait) {
  support::Event queueReady(support::Event::Manual);
  support::Event never(support::Event::Manual);
  DWORD waiterId = 0;
  WaitEnd end = WaitEnd::Signalled;
  WPARAM code = 0;
  PumpedThread waiter([&] {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue the quit is posted to
    waiterId = GetCurrentThreadId();
    queueReady.set();
    end = bridge::waitPumping(never.get(), &code);
  });
  bridge_test::waitFor(queueReady);
  ASSERT_TRUE(PostThreadMessageW(waiterId, WM_QUIT, 7, 0));
  waiter.join();
  EXPECT_EQ(WaitEnd::Quit, end);
  EXPECT_EQ(7u, code);
}

TEST(PumpingWait, AFailingWaitRaisesTheSystemTextUnderTheLockLabel) {
  try {
    bridge::waitPumping(kBogusHandle);
    FAIL() << "the wait on a bogus handle returned";
  } catch (const _com_error& error) {
    EXPECT_TRUE(FAILED(error.Error()));
    support::ComPtr<IErrorInfo> info;
    info.Attach(error.ErrorInfo());
    ASSERT_NE(nullptr, info.Get());
    support::Bstr source;
    info->GetSource(source.out());
    EXPECT_STREQ(L"CLightLock::lock", source.c_str());
  }
}

TEST(PumpingWait, ToEndIgnoresQuitUntilTheHandleAndPostsItAgain) {
  SetterWindow window;
  support::Event event(support::Event::Auto);
  PostQuitMessage(3);
  window.post(event);
  bridge::waitPumpingToEnd(event.get());
  EXPECT_EQ(1, window.dispatched);
  WPARAM code = 0;
  ASSERT_TRUE(takeQuit(code)) << "the quit must reach the thread's own loop";
  EXPECT_EQ(3u, code);
}

TEST(SetEventReported, AFailureIsReportedWithTheSystemCodeAndTheCallerGoesOn) {
  test_sink::BoxCapture boxes;
  bridge::setEventReported(kBogusHandle);
  ASSERT_EQ(1u, boxes.count());
  EXPECT_TRUE(boxes.anyContains(L"error setEvent"));
  EXPECT_TRUE(boxes.anyContains(L"(0x8007")) << "the last-error code as a Win32 HRESULT";

  support::Event event(support::Event::Manual);
  bridge::setEventReported(event.get());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
  EXPECT_EQ(1u, boxes.count());
}

// ---- The dispatcher loop ----

TEST(DispatchCalls, TheTerminateEventWinsOverAPendingCall) {
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  terminate.set();
  call.set();
  int calls = 0;
  EXPECT_EQ(bridge::DispatchEnd::Terminated, bridge::dispatchCalls(terminate.get(), call.get(), [&] { ++calls; }));
  EXPECT_EQ(0, calls);
}

TEST(DispatchCalls, EveryCallEventRunsOneCallUntilTerminated) {
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  call.set();
  int calls = 0;
  // The second call asks to stop; the loop must not run a third.
  const auto runCall = [&] {
    if (++calls == 1)
      call.set();
    else
      terminate.set();
  };
  EXPECT_EQ(bridge::DispatchEnd::Terminated, bridge::dispatchCalls(terminate.get(), call.get(), runCall));
  EXPECT_EQ(2, calls);
}

TEST(DispatchCalls, MessagesAreDispatchedAndQuitEndsTheLoop) {
  SetterWindow window;
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  int calls = 0;
  window.post(call);  // dispatched, the call it wakes posts the quit
  const auto runCall = [&] {
    ++calls;
    PostQuitMessage(0);
  };
  EXPECT_EQ(bridge::DispatchEnd::Quit, bridge::dispatchCalls(terminate.get(), call.get(), runCall));
  EXPECT_EQ(1, window.dispatched);
  EXPECT_EQ(1, calls);
}

TEST(DispatchCalls, BackToBackCallsDoNotKeepMessagesWaiting) {
  SetterWindow window;
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  support::Event seen(support::Event::Manual);
  window.post(seen);
  call.set();
  int calls = 0, callsBeforeMessage = -1;
  // Each call asks for the next one at once, as busy host threads do.
  const auto runCall = [&] {
    if (callsBeforeMessage < 0 && window.dispatched) callsBeforeMessage = calls;
    if (++calls < 100)
      call.set();
    else
      terminate.set();
  };
  EXPECT_EQ(bridge::DispatchEnd::Terminated, bridge::dispatchCalls(terminate.get(), call.get(), runCall));
  EXPECT_GE(callsBeforeMessage, 0) << "the message waited for all 100 calls";
  EXPECT_LE(callsBeforeMessage, 8);
}

TEST(DispatchCalls, AFailingWaitIsReportedAndEndsTheLoop) {
  test_sink::BoxCapture boxes;
  support::Event call(support::Event::Auto);
  int calls = 0;
  EXPECT_EQ(bridge::DispatchEnd::WaitFailed, bridge::dispatchCalls(kBogusHandle, call.get(), [&] { ++calls; }));
  EXPECT_EQ(0, calls);
  EXPECT_EQ(1u, boxes.count());
}

}  // namespace
