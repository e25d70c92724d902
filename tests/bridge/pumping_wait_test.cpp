// Waits that keep dispatching messages, the dispatcher loop, and reported event sets.
#include <windows.h>
#include <comdef.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/bridge/BridgeTestSupport.h"
#include "bridge/CallBridge.h"
#include "bridge/PumpingWait.h"

namespace {

using bridge::WaitEnd;
using bridge_test::PumpedThread;

const UINT kSetEvent = WM_APP + 1;  // lParam: the event to set
const HANDLE kBogusHandle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x4ffffff0));

// A message-only window of this thread, of a class registered once per name.
HWND createMessageWindow(WNDPROC procedure, const wchar_t* className) {
  WNDCLASSW type{};
  type.lpfnWndProc = procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = className;
  RegisterClassW(&type);
  HWND window = CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
  EXPECT_NE(nullptr, window);
  return window;
}

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
    m_window = createMessageWindow(setterProc, L"BridgeTestSetter");
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

constexpr int kBackToBackCalls = 3 * bridge::QueueLooks::kCallsBetweenLooks;

// Each call asks for the next one at once, as busy host threads do; a message queued before the
// first is dispatched before a full round of calls between looks has run. busyUs: how long each
// call keeps the thread.
void backToBackCalls(unsigned busyUs, int callCount, int allowedCallsBeforeMessage) {
  SetterWindow window;
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  support::Event seen(support::Event::Manual);
  window.post(seen);
  call.set();
  int calls = 0, callsBeforeMessage = -1;
  const auto runCall = [&] {
    if (callsBeforeMessage < 0 && window.dispatched) callsBeforeMessage = calls;
    bridge_test::keepBusy(busyUs);
    if (++calls < callCount)
      call.set();
    else
      terminate.set();
  };
  EXPECT_EQ(bridge::DispatchEnd::Terminated, bridge::dispatchCalls(terminate.get(), call.get(), runCall));
  EXPECT_GE(callsBeforeMessage, 0) << "the message waited for all calls; busy " << busyUs;
  EXPECT_LE(callsBeforeMessage, allowedCallsBeforeMessage) << "busy " << busyUs;
}

TEST(DispatchCalls, BackToBackCallsDoNotKeepMessagesWaiting) {
  backToBackCalls(0, kBackToBackCalls, bridge::QueueLooks::kCallsBetweenLooks);
}

// Calls longer than the time between looks: the queue is looked at after every one.
TEST(DispatchCalls, AfterACallLongerThanTheTimeBetweenLooksTheQueueIsLookedAt) {
  backToBackCalls(bridge::QueueLooks::kMicrosecondsBetweenLooks + 100, 3, 1);
}

TEST(DispatchCalls, AFailingWaitIsReportedAndEndsTheLoop) {
  test_sink::BoxCapture boxes;
  support::Event call(support::Event::Auto);
  int calls = 0;
  EXPECT_EQ(bridge::DispatchEnd::WaitFailed, bridge::dispatchCalls(kBogusHandle, call.get(), [&] { ++calls; }));
  EXPECT_EQ(0, calls);
  EXPECT_EQ(1u, boxes.count());
}

// ---- The fast signal ----

TEST(SpinSignal, APostToAReceiverThatDoesNotSleepLeavesTheEventAlone) {
  support::Event event(support::Event::Auto);
  bridge::SpinSignal signal;
  EXPECT_FALSE(signal.take()) << "nothing posted yet";
  signal.post(event.get());
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0));
  EXPECT_FALSE(signal.announceSleep()) << "a posted signal is taken, not slept on";
  EXPECT_TRUE(signal.take());
  EXPECT_FALSE(signal.take()) << "taken once only";
}

TEST(SpinSignal, APostToASleepingReceiverSetsTheEvent) {
  support::Event event(support::Event::Auto);
  bridge::SpinSignal signal;
  EXPECT_TRUE(signal.announceSleep());
  EXPECT_TRUE(signal.announceSleep()) << "announced again after a wait that a message woke";
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0));
  signal.post(event.get());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event.get(), 0));
  EXPECT_TRUE(signal.take());
  signal.post(event.get());  // the receiver is awake now
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0));
}

TEST(SpinSignal, ASpinTakesAPostedSignalEndsWithoutOneAndGivesUpWhenAsked) {
  support::Event event(support::Event::Auto);
  bridge::SpinSignal signal;
  signal.post(event.get());
  EXPECT_TRUE(signal.spin(1000));
  EXPECT_FALSE(signal.spin(50)) << "the window ends";
  EXPECT_FALSE(signal.spin(0));
  signal.post(event.get());
  EXPECT_FALSE(signal.spin(0)) << "no window: no look";
  const std::atomic<bool> giveUp{true};
  EXPECT_FALSE(signal.spin(60u * 1000 * 1000, &giveUp)) << "giving up wins over a posted signal";
  EXPECT_TRUE(signal.take());
}

// Two threads hand a counter back and forth through two signals; every hand-over must carry
// the data written before it, whichever way (spinning or sleeping) each side was woken.
void pingPong(unsigned spinUs) {
  support::Event pingEvent(support::Event::Auto), pongEvent(support::Event::Auto);
  bridge::SpinSignal ping, pong;
  constexpr int kRounds = 3000;
  long long counter = 0;  // plain data, ordered only by the signals
  bool partnerSawAll = true, hostSawAll = true;
  {
    PumpedThread partner([&] {
      for (int i = 0; i < kRounds; ++i) {
        bridge::waitSignalPumpingToEnd(ping, pingEvent.get(), spinUs);
        partnerSawAll = partnerSawAll && counter == 2LL * i + 1;
        ++counter;
        pong.post(pongEvent.get());
      }
    });
    for (int i = 0; i < kRounds; ++i) {
      ++counter;
      ping.post(pingEvent.get());
      bridge::waitSignalPumpingToEnd(pong, pongEvent.get(), spinUs);
      hostSawAll = hostSawAll && counter == 2LL * i + 2;
    }
  }
  EXPECT_TRUE(hostSawAll) << "spin " << spinUs;
  EXPECT_TRUE(partnerSawAll) << "spin " << spinUs;
  EXPECT_FALSE(ping.take());
  EXPECT_FALSE(pong.take());
}

TEST(SpinSignal, HandOversCarryTheirDataWhetherTheWaiterSpinsOrSleeps) {
  for (unsigned spinUs : {0u, 1u, 200u, 100000u}) pingPong(spinUs);
}

LRESULT CALLBACK posterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kSetEvent) return DefWindowProcW(window, message, wParam, lParam);
  reinterpret_cast<bridge::SpinSignal*>(wParam)->post(reinterpret_cast<HANDLE>(lParam));
  return 0;
}

// A message-only window of this thread that posts a signal when its message is dispatched.
class PosterWindow {
 public:
  PosterWindow() {
    m_window = createMessageWindow(posterProc, L"BridgeTestPoster");
  }
  ~PosterWindow() { DestroyWindow(m_window); }
  void post(bridge::SpinSignal& signal, const support::Event& event) const {
    PostMessageW(m_window, kSetEvent, reinterpret_cast<WPARAM>(&signal), reinterpret_cast<LPARAM>(event.get()));
  }

 private:
  HWND m_window = nullptr;
};

// The wait sleeps, and says so once to the program that asks to be told.
TEST(WaitSignalPumpingToEnd, MessagesAreDispatchedWhileTheWaitSleeps) {
  for (unsigned spinUs : {0u, 200u}) {
    PosterWindow window;
    support::Event event(support::Event::Auto);
    bridge::SpinSignal signal;
    const long hostSleeps = bridge_test::sleepsNoted(bridge::Sleeper::HostThread);
    const long threadSleeps = bridge_test::sleepsNoted(bridge::Sleeper::CapeOpenThread);
    window.post(signal, event);  // only a dispatched message can end this wait
    bridge::waitSignalPumpingToEnd(signal, event.get(), spinUs);
    EXPECT_FALSE(signal.take()) << spinUs;
    EXPECT_EQ(hostSleeps + 1, bridge_test::sleepsNoted(bridge::Sleeper::HostThread)) << spinUs;
    EXPECT_EQ(threadSleeps, bridge_test::sleepsNoted(bridge::Sleeper::CapeOpenThread)) << spinUs;
  }
}

// A wait whose signal was posted first never sleeps: nothing is told.
TEST(WaitSignalPumpingToEnd, ASignalPostedFirstIsTakenWithoutASleep) {
  support::Event event(support::Event::Auto);
  bridge::SpinSignal signal;
  const long hostSleeps = bridge_test::sleepsNoted(bridge::Sleeper::HostThread);
  signal.post(event.get());
  bridge::waitSignalPumpingToEnd(signal, event.get(), 0);
  EXPECT_EQ(hostSleeps, bridge_test::sleepsNoted(bridge::Sleeper::HostThread));
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event.get(), 0)) << "the event was set for nobody";
}

TEST(WaitSignalPumpingToEnd, AQuitSeenOnTheWayIsKeptForTheThreadsLoop) {
  PosterWindow window;
  support::Event event(support::Event::Auto);
  bridge::SpinSignal signal;
  window.post(signal, event);
  PostQuitMessage(4);
  bridge::waitSignalPumpingToEnd(signal, event.get(), 0);
  WPARAM code = 0;
  ASSERT_TRUE(takeQuit(code)) << "the quit must reach the thread's own loop";
  EXPECT_EQ(4u, code);
}

TEST(SpinWindows, TheProgramsHookSetsTheWindowsAndZeroTurnsSpinningOff) {
  const bridge::SpinWindows product = bridge::spinWindows();
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  if (info.dwNumberOfProcessors > 1) {
    EXPECT_GT(product.waitUs, 0u);
    EXPECT_GT(product.watchUs, 0u);
  } else {
    EXPECT_EQ(0u, product.waitUs) << "no spinning on one processor";
    EXPECT_EQ(0u, product.watchUs);
  }
  {
    bridge_test::SpinWindowsScope off(0, 0);
    EXPECT_EQ(0u, bridge::spinWindows().waitUs);
    EXPECT_EQ(0u, bridge::spinWindows().watchUs);
  }
  if (info.dwNumberOfProcessors > 1) {
    bridge_test::SpinWindowsScope other(7, 9);
    EXPECT_EQ(7u, bridge::spinWindows().waitUs);
    EXPECT_EQ(9u, bridge::spinWindows().watchUs);
  }
  EXPECT_EQ(product.waitUs, bridge::spinWindows().waitUs);
}

// ---- The dispatcher's fast path ----

TEST(DispatchCallsWatching, AStopAskedForWinsOverACallPostedInTheWord) {
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  bridge::SpinSignal posted;
  std::atomic<bool> stopping{true};
  posted.post(call.get());
  terminate.set();
  const bridge::CallWatch watch{posted, stopping};
  int calls = 0;
  EXPECT_EQ(bridge::DispatchEnd::Terminated,
            bridge::dispatchCalls(terminate.get(), call.get(), [&] { ++calls; }, &watch));
  EXPECT_EQ(0, calls);
}

// A post that found the dispatcher announced asleep sets the event; when the dispatcher then took
// that call from the word (it was dispatching messages, not waiting), the event stays set. Waking
// on it later must not run a call nobody posted.
TEST(DispatchCallsWatching, AnEventLeftSetByACallAlreadyTakenRunsNothing) {
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  bridge::SpinSignal posted;
  std::atomic<bool> stopping{false};
  ASSERT_TRUE(posted.announceSleep());
  posted.post(call.get());
  ASSERT_TRUE(posted.take());
  // The queued quit ends the dispatcher once it waits again; the set event is seen before it.
  PostQuitMessage(3);
  const bridge::CallWatch watch{posted, stopping};
  int calls = 0;
  EXPECT_EQ(bridge::DispatchEnd::Quit, bridge::dispatchCalls(terminate.get(), call.get(), [&] { ++calls; }, &watch));
  EXPECT_EQ(0, calls) << "a call ran that was never posted";
}

// After a call that found nothing posted next, the dispatcher goes to sleep and says so once.
TEST(DispatchCallsWatching, ASleepAfterACallIsToldToTheProgram) {
  bridge_test::SpinWindowsScope windows(0, 0);
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  bridge::SpinSignal posted;
  std::atomic<bool> stopping{false};
  posted.post(call.get());
  const long threadSleeps = bridge_test::sleepsNoted(bridge::Sleeper::CapeOpenThread);
  const long hostSleeps = bridge_test::sleepsNoted(bridge::Sleeper::HostThread);
  int calls = 0;
  const auto runCall = [&] {
    ++calls;
    PostQuitMessage(0);  // seen once the dispatcher waits
  };
  const bridge::CallWatch watch{posted, stopping};
  EXPECT_EQ(bridge::DispatchEnd::Quit, bridge::dispatchCalls(terminate.get(), call.get(), runCall, &watch));
  EXPECT_EQ(1, calls);
  EXPECT_EQ(threadSleeps + 1, bridge_test::sleepsNoted(bridge::Sleeper::CapeOpenThread));
  EXPECT_EQ(hostSleeps, bridge_test::sleepsNoted(bridge::Sleeper::HostThread));
}

// Each call posts the next one the way the bridge's host side does (the event is set only for
// a sleeping dispatcher): all run, and a queued message is not kept waiting for them.
void backToBackPostedCalls(unsigned watchUs) {
  bridge_test::SpinWindowsScope windows(0, watchUs);
  SetterWindow window;
  support::Event terminate(support::Event::Manual);
  support::Event call(support::Event::Auto);
  support::Event seen(support::Event::Manual);
  bridge::SpinSignal posted;
  std::atomic<bool> stopping{false};
  window.post(seen);
  posted.post(call.get());
  int calls = 0, callsBeforeMessage = -1;
  const auto runCall = [&] {
    if (callsBeforeMessage < 0 && window.dispatched) callsBeforeMessage = calls;
    if (++calls < kBackToBackCalls) {
      posted.post(call.get());
    } else {
      stopping = true;
      terminate.set();
    }
  };
  const bridge::CallWatch watch{posted, stopping};
  EXPECT_EQ(bridge::DispatchEnd::Terminated, bridge::dispatchCalls(terminate.get(), call.get(), runCall, &watch));
  EXPECT_EQ(kBackToBackCalls, calls) << "watch " << watchUs;
  EXPECT_GE(callsBeforeMessage, 0) << "the message waited for all calls; watch " << watchUs;
  EXPECT_LE(callsBeforeMessage, bridge::QueueLooks::kCallsBetweenLooks) << "watch " << watchUs;
  EXPECT_FALSE(posted.take());
}

TEST(DispatchCallsWatching, CallsPostedInTheWordRunAndMessagesAreNotKeptWaiting) {
  for (unsigned watchUs : {0u, 300u, 100000u}) backToBackPostedCalls(watchUs);
}

}  // namespace
