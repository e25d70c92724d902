// The CAPE-OPEN thread and the hand-over of host requests, driven through a recording client.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/bridge/BridgeTestSupport.h"
#include "bridge/CallBridge.h"
#include "bridge/PumpingWait.h"

namespace {

using bridge::CallParameters;
using bridge_test::PumpedThread;
using bridge_test::WorkerCall;

constexpr HRESULT kPackageError = static_cast<HRESULT>(0x80040501);

// How the hand-overs of a test signal: always through the events (the fast path off), with the
// product's own spin windows, or with windows so long that the other side is nearly always
// caught spinning.
enum class Windows { Off, Product, Long };

std::string windowsName(const ::testing::TestParamInfo<Windows>& info) {
  switch (info.param) {
    case Windows::Off: return "FastPathOff";
    case Windows::Product: return "ProductWindows";
    default: return "LongWindows";
  }
}

class CallBridgeTest : public ::testing::TestWithParam<Windows> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(m_apartment.result()));
    if (GetParam() == Windows::Off) m_windows = std::make_unique<bridge_test::SpinWindowsScope>(0, 0);
    if (GetParam() == Windows::Long) m_windows = std::make_unique<bridge_test::SpinWindowsScope>(20000, 20000);
  }
  void startBridge() {
    ASSERT_EQ(S_OK, m_bridge.start());
    ASSERT_TRUE(m_bridge.running());
  }
  DWORD coThread() const { return m_bridge.coThreadId(); }
  std::wstring boxText(size_t i) const { return i < m_boxes.count() ? m_boxes.shown()[i].text : L""; }

  std::unique_ptr<bridge_test::SpinWindowsScope> m_windows;  // outlives the bridge's thread
  support::ComApartment m_apartment;
  bridge_test::FakeClient m_client;
  test_sink::BoxCapture m_boxes;  // after the client: its construction box is not counted
  bridge::CallBridge m_bridge{m_client};
};

INSTANTIATE_TEST_SUITE_P(HandOver, CallBridgeTest,
                         ::testing::Values(Windows::Off, Windows::Product, Windows::Long), windowsName);

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// ---- Start and stop ----

TEST_P(CallBridgeTest, TheThreadCreatesItsObjectsOnItsOwnSingleThreadedApartment) {
  startBridge();
  EXPECT_NE(0u, coThread());
  EXPECT_NE(GetCurrentThreadId(), coThread());
  EXPECT_EQ(coThread(), m_client.createThread);
  EXPECT_EQ(coThread(), m_client.deferralThreadSeen) << "complaints of that thread are kept back";
  EXPECT_EQ(S_OK, m_client.apartmentResult);
  EXPECT_TRUE(m_client.apartmentType == APTTYPE_STA || m_client.apartmentType == APTTYPE_MAINSTA);
  EXPECT_EQ(RPC_E_CHANGED_MODE, m_client.multithreadedInit);
  EXPECT_EQ(0u, m_client.basisThread) << "no case is being recalled";
  EXPECT_EQ(0, m_client.releaseCount);
  EXPECT_FALSE(m_bridge.threadFinished());
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_P(CallBridgeTest, StopWithNoCallPendingReturnsAfterTheObjectsWereReleasedOnTheirThread) {
  startBridge();
  const DWORD thread = coThread();
  m_bridge.stop();
  EXPECT_TRUE(m_bridge.threadFinished());
  EXPECT_FALSE(m_bridge.running());
  EXPECT_EQ(1, m_client.releaseCount);
  EXPECT_EQ(thread, m_client.releaseThread);
  EXPECT_FALSE(m_client.probeRegisteredAtRelease) << "the pointers globalized there are revoked there";
  EXPECT_TRUE(m_client.calls.empty());
  m_bridge.stop();  // again: nothing left to stop
  EXPECT_EQ(1, m_client.releaseCount);
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_P(CallBridgeTest, StopWithoutAStartedThreadReturnsAtOnce) {
  m_bridge.stop();
  EXPECT_FALSE(m_bridge.running());
  EXPECT_EQ(0, m_client.releaseCount);
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_P(CallBridgeTest, ACreationFailureEndsTheThreadAndIsReturned) {
  m_client.createResult = E_ABORT;
  EXPECT_EQ(E_ABORT, m_bridge.start());
  EXPECT_TRUE(m_bridge.threadFinished());
  EXPECT_FALSE(m_bridge.running());
  EXPECT_EQ(1, m_client.releaseCount) << "what was created is released";
  EXPECT_EQ(m_client.createThread, m_client.releaseThread);
  EXPECT_FALSE(m_client.probeRegisteredAtRelease);
  EXPECT_EQ(0u, m_boxes.count()) << "the creation reports its own failures";

  // Nobody would answer: the request is refused instead of waiting for ever.
  EXPECT_EQ(E_FAIL, m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS));
  EXPECT_TRUE(m_client.calls.empty());
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"changing to CAPE-OPEN thread"));
}

TEST_P(CallBridgeTest, ARecalledCaseHasItsBasisReadAfterTheCreation) {
  m_client.recall = true;
  startBridge();
  EXPECT_EQ(coThread(), m_client.basisThread);
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_P(CallBridgeTest, AFailingRecalledBasisIsReportedAndEndsTheThread) {
  m_client.recall = true;
  m_client.basisResult = E_ACCESSDENIED;
  EXPECT_EQ(E_ACCESSDENIED, m_bridge.start());
  EXPECT_TRUE(m_bridge.threadFinished());
  EXPECT_EQ(1, m_client.releaseCount);
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"Unexpected error "));
}

TEST_P(CallBridgeTest, AnExceptionInTheThreadIsReportedAsProcessingIt) {
  m_client.createThrows = true;
  EXPECT_EQ(E_FAIL, m_bridge.start());
  EXPECT_TRUE(m_bridge.threadFinished());
  EXPECT_EQ(1, m_client.releaseCount);
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"processing CAPE-OPEN thermo thread"));
}

TEST_P(CallBridgeTest, AStoppedBridgeStartsAgain) {
  startBridge();
  m_bridge.stop();
  startBridge();
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_SAVE));
  EXPECT_EQ(1u, m_client.calls.size());
  m_bridge.stop();
  EXPECT_EQ(2, m_client.releaseCount);
}

// ---- The hand-over ----

TEST_P(CallBridgeTest, EveryCallTypeRunsItsWorkerOnTheThreadWithItsArguments) {
  double seenTemperature[11] = {};
  m_client.onCall = [&](const WorkerCall& call) {
    if (call.block) seenTemperature[call.callType] = call.block->temperature;
    return call.callType == bridge::CALL_SAVE ? S_OK : static_cast<HRESULT>(0x80040200 + call.callType);
  };
  startBridge();
  for (int type = 1; type <= 10; ++type) {
    const HRESULT expected = type == bridge::CALL_SAVE ? S_OK : static_cast<HRESULT>(0x80040200 + type);
    const HRESULT result = m_bridge.handOver(type, [&](CallParameters& block) { block.temperature = 10.0 * type; });
    EXPECT_EQ(expected, result) << type;
  }
  ASSERT_EQ(10u, m_client.calls.size());
  for (int type = 1; type <= 10; ++type) {
    const WorkerCall& call = m_client.calls[type - 1];
    EXPECT_EQ(type, call.callType);
    EXPECT_EQ(coThread(), call.thread) << type;
    if (type <= 8) {
      EXPECT_NE(nullptr, call.block) << type;
      EXPECT_EQ(10.0 * type, seenTemperature[type]) << type;
    } else {
      EXPECT_EQ(nullptr, call.block) << "the edit and the save take no arguments";
    }
  }
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_P(CallBridgeTest, ResultsComeBackThroughTheBlockAndItsHostPointersAreDroppedAfter) {
  double vapour[2] = {0.25, 0.75};
  double liquid[2] = {0.5, 0.5};
  double* compositions[3] = {vapour, liquid, nullptr};
  double kValues[2] = {0, 0};
  double* kArrays[1] = {kValues};
  m_client.onCall = [](const WorkerCall& call) {
    const CallParameters& block = *call.block;
    for (int i = 0; i < 2; ++i)
      block.kValues[0][i] = block.compositions[0][i] / block.compositions[1][i] * block.phaseTypes[0];
    return S_OK;
  };
  startBridge();
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_COMPUTEKFACTORSVL, [&](CallParameters& block) {
    block.compositions = compositions;
    block.kValues = kArrays;
    block.phaseTypes = bridge::kVapourLiquidPhaseTypes;
  }));
  EXPECT_EQ(0.5 * 4, kValues[0]);
  EXPECT_EQ(1.5 * 4, kValues[1]);
  const CallParameters& block = m_bridge.parameters();
  EXPECT_EQ(nullptr, block.compositions);
  EXPECT_EQ(nullptr, block.kValues);
  EXPECT_EQ(nullptr, block.phaseTypes);
}

TEST_P(CallBridgeTest, AnUnknownCallTypeIsReportedAndNotAnsweredWithTheLastResult) {
  startBridge();
  ASSERT_EQ(S_OK, m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS));
  for (int type : {0, 11, 12, -3}) {
    test_sink::BoxCapture boxes;
    EXPECT_EQ(E_FAIL, m_bridge.handOver(type)) << type;
    ASSERT_EQ(1u, boxes.count()) << type;
    EXPECT_TRUE(boxes.anyContains(L"changing to CAPE-OPEN thread")) << type;
  }
  EXPECT_EQ(1u, m_client.calls.size()) << "no worker runs for an unknown type";
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_SAVE)) << "the thread goes on serving";
}

TEST_P(CallBridgeTest, AThrowingWorkerIsReportedAndTheWaiterGetsAFailure) {
  m_client.onCall = [](const WorkerCall& call) -> HRESULT {
    if (call.callType == bridge::CALL_EDIT) throw std::runtime_error("view broke");
    return S_OK;
  };
  startBridge();
  EXPECT_EQ(E_FAIL, m_bridge.handOver(bridge::CALL_EDIT));
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"processing CAPE-OPEN thermo thread"));
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_SAVE));
}

TEST_P(CallBridgeTest, AfterStopARequestIsRefusedAtOnce) {
  startBridge();
  m_bridge.stop();
  EXPECT_EQ(E_FAIL, m_bridge.handOver(bridge::CALL_COMPUTEPHASEPROPERTIES));
  EXPECT_TRUE(m_client.calls.empty());
  EXPECT_TRUE(m_boxes.anyContains(L"changing to CAPE-OPEN thread"));
}

// ---- Complaints kept back on the CAPE-OPEN thread ----

TEST_P(CallBridgeTest, AComplaintDuringACalculationIsShownAfterwardsOnTheHostThreadWithTheCallsCode) {
  const HRESULT callCode = static_cast<HRESULT>(0x80040505);
  size_t boxesDuringCall = 99;
  m_client.onCall = [&](const WorkerCall& call) {
    if (call.callType != bridge::CALL_COMPUTEKFACTORS) return S_OK;
    m_client.error.complain(kPackageError, "calculating the test property", CkEXCEPTION, Calculating::yes);
    boxesDuringCall = test_sink::boxes().size();
    return callCode;
  };
  startBridge();
  EXPECT_EQ(callCode, m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS));
  EXPECT_EQ(0u, boxesDuringCall) << "no window is opened on the CAPE-OPEN thread";
  ASSERT_EQ(1u, m_boxes.count());
  const std::wstring text = boxText(0);
  EXPECT_TRUE(contains(text, L"raised an exception while (")) << text;
  EXPECT_TRUE(contains(text, L"calculating the test property")) << text;
  EXPECT_TRUE(contains(text, L"(" + std::to_wstring(static_cast<long>(callCode)) + L")")) << text;
  EXPECT_TRUE(contains(text, L"Detected while ")) << "shown as part of a calculation: " << text;
  ASSERT_EQ(1u, m_client.error.shownOn.size());
  EXPECT_EQ(GetCurrentThreadId(), m_client.error.shownOn[0]);

  // Made once only: a following request without complaint shows nothing.
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_COMPUTEPHASEVISCOSITY));
  EXPECT_EQ(1u, m_boxes.count());
}

TEST_P(CallBridgeTest, AComplaintDuringASaveIsShownAfterwardsOutsideACalculation) {
  m_client.onCall = [&](const WorkerCall&) {
    return m_client.error.complain(kPackageError, "saving the test case", CkEXCEPTION, Calculating::yes);
  };
  startBridge();
  EXPECT_EQ(kPackageError, m_bridge.handOver(bridge::CALL_SAVE));
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"saving the test case"));
  EXPECT_FALSE(contains(boxText(0), L"Detected while ")) << boxText(0);
}

TEST_P(CallBridgeTest, AKeptBackNoteWithoutAKindIsShownToo) {
  m_client.onCall = [&](const WorkerCall&) {
    m_client.error.complain(S_OK, "a note from the calculation", CkNONE, Calculating::yes);
    return S_OK;
  };
  startBridge();
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_COMPUTEPHASEFUGACITIES));
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"a note from the calculation"));
}

TEST_P(CallBridgeTest, ACallWithoutComplaintShowsNothing) {
  startBridge();
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_COMPUTEKFACTORSLL));
  EXPECT_EQ(0u, m_boxes.count());
  EXPECT_EQ(CkNONE, m_client.error.deferredKind());
  EXPECT_TRUE(m_client.error.deferredText().empty());
}

// ---- Several host threads, quit and stop while a call waits ----

TEST_P(CallBridgeTest, TwoHostThreadsHandOverOneAfterTheOther) {
  support::Event firstInWorker(support::Event::Manual);
  support::Event secondCalling(support::Event::Manual);
  double firstTemperatureAtEnd = 0;
  std::atomic<bool> firstDone{false};
  bool firstDoneWhenSecondWrote = false;
  m_client.onCall = [&](const WorkerCall& call) {
    if (call.block->temperature == 1) {
      firstInWorker.set();
      bridge::waitPumpingToEnd(secondCalling.get());
      firstTemperatureAtEnd = call.block->temperature;  // the second caller must not have written yet
      firstDone = true;
    }
    return static_cast<HRESULT>(call.block->temperature);
  };
  startBridge();
  HRESULT firstResult = E_UNEXPECTED;
  HRESULT secondResult = E_UNEXPECTED;
  PumpedThread first([&] {
    firstResult = m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS, [](CallParameters& b) { b.temperature = 1; });
  });
  bridge_test::waitFor(firstInWorker);
  PumpedThread second([&] {
    secondCalling.set();
    secondResult = m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS, [&](CallParameters& b) {
      firstDoneWhenSecondWrote = firstDone;
      b.temperature = 2;
    });
  });
  first.join();
  second.join();
  EXPECT_EQ(1, firstResult);
  EXPECT_EQ(2, secondResult);
  EXPECT_EQ(1, firstTemperatureAtEnd);
  EXPECT_TRUE(firstDoneWhenSecondWrote) << "the second request is parked only after the first has finished";
  ASSERT_EQ(2u, m_client.calls.size());
  EXPECT_EQ(coThread(), m_client.calls[1].thread);
}

TEST_P(CallBridgeTest, HostThreadsHandingOverBackToBackEachGetTheirOwnAnswer) {
  // The worker answers from the block it is handed; a hand-over that let a caller read the
  // block or the result before the worker finished with it gives a wrong answer here.
  m_client.onCall = [](const WorkerCall& call) {
    *call.block->singleResult = call.block->temperature * 3 + call.block->pressure;
    return static_cast<HRESULT>(call.block->pressure);
  };
  startBridge();
  constexpr int kThreads = 4, kCalls = 400;
  std::atomic<int> wrong{0};
  {
    std::vector<std::unique_ptr<PumpedThread>> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.push_back(std::make_unique<PumpedThread>([&, t] {
        for (int i = 0; i < kCalls; ++i) {
          double answer = -1;
          const double temperature = 1000.0 * t + i;
          const HRESULT result = m_bridge.handOver(bridge::CALL_COMPUTEPHASEVISCOSITY, [&](CallParameters& b) {
            b.temperature = temperature;
            b.pressure = t + 1;
            b.singleResult = &answer;
          });
          if (result != t + 1 || answer != temperature * 3 + t + 1) ++wrong;
        }
      }));
  }
  EXPECT_EQ(0, wrong.load());
  EXPECT_EQ(static_cast<size_t>(kThreads * kCalls), m_client.calls.size());
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_P(CallBridgeTest, StopWhileACallRunsReleasesTheWaiterOnlyAfterTheCall) {
  // The worker goes on after stop() through calls into this (stopping, pumping) apartment,
  // which gives a waiter released too early every chance to be back before the result.
  auto hostProbe = bridge_test::makeProbe();
  support::GlobalizedPointer<ICapeIdentification> hostPointer;
  ASSERT_EQ(S_OK, hostPointer.globalize(support::ComPtr<ICapeIdentification>(hostProbe.Get())));
  m_client.foreignObject = &hostPointer;
  support::Event inWorker(support::Event::Manual);
  std::atomic<bool> waiterBack{false};
  bool waiterBackBeforeResult = true;
  HRESULT roundTrips = E_UNEXPECTED;
  double result = 0;
  double* results[1] = {&result};
  m_client.onCall = [&](const WorkerCall& call) {
    inWorker.set();
    // Stop has set the done event by now; the waiter must still wait for this result.
    bridge::waitPumpingToEnd(m_bridge.terminateEvent());
    roundTrips = m_client.callForeignObject(20);
    waiterBackBeforeResult = waiterBack;
    call.block->kValues[0][0] = 42;
    return static_cast<HRESULT>(0x80040277);
  };
  startBridge();
  HRESULT waiterResult = E_UNEXPECTED;
  double resultSeen = 0;
  PumpedThread waiter([&] {
    waiterResult = m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS, [&](CallParameters& b) { b.kValues = results; });
    waiterBack = true;
    resultSeen = result;
  });
  bridge_test::waitFor(inWorker);
  m_bridge.stop();
  EXPECT_TRUE(m_bridge.threadFinished());
  waiter.join();
  EXPECT_EQ(S_OK, roundTrips);
  EXPECT_FALSE(waiterBackBeforeResult);
  EXPECT_EQ(static_cast<HRESULT>(0x80040277), waiterResult);
  EXPECT_EQ(42, resultSeen);
  EXPECT_EQ(1, m_client.releaseCount);
  EXPECT_EQ(S_OK, hostPointer.unglobalize());
}

TEST_P(CallBridgeTest, QuitDuringAHandOverWaitsForTheResultAndReachesTheHostLoop) {
  const DWORD host = GetCurrentThreadId();
  m_client.onCall = [&](const WorkerCall&) {
    PostThreadMessageW(host, WM_QUIT, 9, 0);
    return static_cast<HRESULT>(0x80040288);
  };
  startBridge();
  EXPECT_EQ(static_cast<HRESULT>(0x80040288), m_bridge.handOver(bridge::CALL_COMPUTEPHASEVISCOSITY));
  MSG msg;
  bool quit = false;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message == WM_QUIT) quit = msg.wParam == 9;
  EXPECT_TRUE(quit);
}

// ---- Pointers shared between the threads ----

TEST_P(CallBridgeTest, APointerGlobalizedOnTheThreadReachesTheHostAsAProxy) {
  startBridge();
  support::ComPtr<ICapeIdentification> got;
  ASSERT_EQ(S_OK, m_client.sharedProbe.get(got));
  ASSERT_NE(nullptr, got.Get());
  EXPECT_NE(static_cast<ICapeIdentification*>(m_client.probe.Get()), got.Get()) << "a proxy, not the object";
  support::Bstr name;
  EXPECT_EQ(S_OK, got->get_ComponentName(name.out()));
  EXPECT_STREQ(L"probe", name.c_str());
  EXPECT_EQ(coThread(), m_client.probe->lastCallThread.load()) << "the call ran on the object's thread";
  got.Reset();
  m_bridge.stop();
  EXPECT_FALSE(m_client.sharedProbe.registered());
}

TEST_P(CallBridgeTest, StopCompletesWhenTheThreadReleasesAProxyToTheHostApartment) {
  auto hostProbe = bridge_test::makeProbe();
  support::GlobalizedPointer<ICapeIdentification> hostPointer;
  ASSERT_EQ(S_OK, hostPointer.globalize(support::ComPtr<ICapeIdentification>(hostProbe.Get())));
  m_client.foreignObject = &hostPointer;
  startBridge();
  m_bridge.stop();
  EXPECT_TRUE(m_bridge.threadFinished());
  EXPECT_EQ(1, m_client.releaseCount);
  EXPECT_EQ(S_OK, hostPointer.unglobalize());
}

// A host call that this thread's wait dispatches (here: the CAPE-OPEN thread's call into this
// apartment during a save) and that hands over again would overwrite the block of the request
// still running: it is refused with a clear message, and the running request ends normally.
TEST_F(CallBridgeTest, ARequestDispatchedWhileThisThreadWaitsInAHandOverIsRefused) {
  auto hostProbe = bridge_test::makeProbe();
  support::GlobalizedPointer<ICapeIdentification> hostPointer;
  ASSERT_EQ(S_OK, hostPointer.globalize(support::ComPtr<ICapeIdentification>(hostProbe.Get())));
  m_client.foreignObject = &hostPointer;
  HRESULT nested = S_OK;
  DWORD nestedOn = 0;
  hostProbe->onCall = [&] {
    nestedOn = GetCurrentThreadId();
    nested = m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS);
  };
  m_client.onCall = [&](const WorkerCall& call) {
    return call.callType == bridge::CALL_SAVE ? m_client.callForeignObject(1) : S_OK;
  };
  startBridge();
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_SAVE));
  EXPECT_EQ(GetCurrentThreadId(), nestedOn) << "dispatched by this thread's wait";
  EXPECT_EQ(E_FAIL, nested);
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(contains(boxText(0), L"A request of the host was refused")) << boxText(0);
  EXPECT_TRUE(contains(boxText(0), L"(ComputeKFactors)")) << boxText(0);
  EXPECT_EQ(1u, m_client.calls.size()) << "only the save ran";
  hostProbe->onCall = nullptr;
  EXPECT_EQ(S_OK, m_bridge.handOver(bridge::CALL_COMPUTEKFACTORS)) << "after the save, requests run";
  m_bridge.stop();
  EXPECT_EQ(S_OK, hostPointer.unglobalize());
}

TEST_F(CallBridgeTest, TheAdaptersOwnWorkRunsOnTheThreadWhenThereIsOne) {
  DWORD ranOn = 0;
  const auto work = [&] {
    ranOn = GetCurrentThreadId();
    return S_FALSE;
  };
  EXPECT_EQ(S_FALSE, m_bridge.runOnThread(work));
  EXPECT_EQ(GetCurrentThreadId(), ranOn) << "no thread yet: at once, here";
  startBridge();
  EXPECT_EQ(S_FALSE, m_bridge.runOnThread(work));
  EXPECT_EQ(coThread(), ranOn);
  EXPECT_EQ(0u, m_boxes.count());
  EXPECT_TRUE(m_client.calls.empty()) << "no request worker ran";
}

}  // namespace
