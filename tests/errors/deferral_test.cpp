// Complaints made on the CAPE-OPEN thread while calculating are remembered, not shown, and the
// requesting thread makes them again after the request, reading the package (which lives on the
// CAPE-OPEN thread) through the global interface table.
#include <gtest/gtest.h>

#include <thread>

#include "tests/errors/ErrorsTestSupport.h"

namespace errors_test {
namespace {

using support::ComPtr;
using support::Event;

constexpr HRESULT kCapeUnknown = static_cast<HRESULT>(0x80040501);

void setErrorInfo(const wchar_t* description) { SetErrorInfo(0, makeErrorInfo(description, L"pkg").Get()); }

// The CAPE-OPEN thread of the test: records itself as the deferral thread, creates the package
// in its apartment, makes the complaints it is asked for and serves the package until told to end.
class CapeOpenThread {
 public:
  explicit CapeOpenThread(CCOError& error) : m_error(error), m_thread([this] { run(); }) { m_ready.wait(); }
  ~CapeOpenThread() {
    m_finish.set();
    m_thread.join();
  }
  // Runs one complaint there and waits for it.
  HRESULT complain(const char* text, ComplaintKind kind, Calculating calculating, const char* info = nullptr,
                   const wchar_t* errorInfo = nullptr) {
    m_errorInfo = errorInfo;
    m_text = text;
    m_kind = kind;
    m_calculating = calculating;
    m_info = info;
    m_request.set();
    m_done.wait();
    return m_result;
  }
  size_t boxesSeenThere() const { return m_boxesThere; }
  DWORD id() const { return m_id; }

 private:
  struct Signal {
    Event event{Event::Auto};
    void set() { event.set(); }
    void wait() { WaitForSingleObject(event.get(), INFINITE); }
  };

  void run() {
    support::ComApartment apartment;
    m_id = GetCurrentThreadId();
    m_error.setDeferralThread(m_id);
    ComPtr<FakePackage> package = makeObject<FakePackage>(L"Thread Pack");
    m_error.setPackage(package.Get());
    m_ready.set();
    HANDLE handles[] = {m_finish.event.get(), m_request.event.get()};
    for (;;) {
      const DWORD woke = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_ALLINPUT);
      if (woke == WAIT_OBJECT_0) break;
      if (woke == WAIT_OBJECT_0 + 1) {
        const size_t before = boxes().size();
        if (m_errorInfo) setErrorInfo(m_errorInfo);
        m_result = m_error.complain(kCapeUnknown, m_text, m_kind, m_calculating, m_info);
        m_boxesThere = boxes().size() - before;
        m_done.set();
        continue;
      }
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    m_error.setPackage(nullptr);
  }

  CCOError& m_error;
  Signal m_ready, m_request, m_done, m_finish;
  const char* m_text = "";
  const char* m_info = nullptr;
  const wchar_t* m_errorInfo = nullptr;
  ComplaintKind m_kind = CkNONE;
  Calculating m_calculating = Calculating::no;
  HRESULT m_result = S_OK;
  size_t m_boxesThere = 0;
  DWORD m_id = 0;
  std::thread m_thread;  // last: started when everything else exists
};

TEST_F(ErrorTest, CalculatingComplaintOnTheCapeOpenThreadIsShownByTheRequester) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  EXPECT_EQ(error.deferralThread(), cape.id());

  EXPECT_EQ(cape.complain("calling CalcProp", CkEXCEPTION, Calculating::yes, " (more)"), kCapeUnknown);
  EXPECT_EQ(cape.boxesSeenThere(), 0u);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(m_trace.lines(), 0);
  EXPECT_EQ(error.deferredKind(), CkEXCEPTION);
  EXPECT_EQ(error.deferredText(), "calling CalcProp (more)");

  // The requesting thread, after the request: the complaint carries the request's result.
  error.repeatDeferredComplaint(kCapeUnknown, Calculating::yes);
  const std::vector<Box> shown = boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(startsWith(shown[0].text,
                         " ERROR: The CAPE-OPEN Property Package 'Thread Pack' raised an exception while "
                         "(-2147220223)calling CalcProp (more)Detected while calculating {"))
      << shown[0].text;
  EXPECT_EQ(m_trace.lines(), 1);
  EXPECT_EQ(error.deferredKind(), CkNONE);
  EXPECT_TRUE(error.deferredText().empty());

  // Made once only; nothing remembered shows nothing.
  clearBoxes();
  error.repeatDeferredComplaint(E_ABORT, Calculating::yes);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ErrorTest, RepeatedComplaintShowsTheRequestsResultNotTheRememberedCode) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  cape.complain("calling CalcProp", CkEXCEPTION, Calculating::yes);
  // The package's call failed with one code, the request ended with another: the host hears of
  // the one it is answered with.
  error.repeatDeferredComplaint(E_INVALIDARG, Calculating::yes);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_NE(boxes()[0].text.find("raised an exception while (-2147024809)calling CalcProp"), std::string::npos)
      << boxes()[0].text;
  EXPECT_EQ(boxes()[0].text.find("-2147220223"), std::string::npos) << boxes()[0].text;
}

TEST_F(ErrorTest, RememberedNoteOfKindZeroIsMadeAgainToo) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  EXPECT_EQ(cape.complain("a note from the calculation", CkNONE, Calculating::yes), kCapeUnknown);
  EXPECT_EQ(cape.boxesSeenThere(), 0u);
  EXPECT_EQ(error.deferredKind(), CkNONE);
  EXPECT_EQ(error.deferredText(), "a note from the calculation");
  error.repeatDeferredComplaint(S_OK, Calculating::yes);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_NE(boxes()[0].text.find("a note from the calculationDetected while calculating {"), std::string::npos)
      << boxes()[0].text;
  EXPECT_TRUE(error.deferredText().empty());
}

TEST_F(ErrorTest, RememberedComplaintKeepsTheErrorInformation) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  cape.complain("calling CalcProp", CkEXCEPTION, Calculating::yes, nullptr, L"overflow");
  EXPECT_EQ(error.deferredText(), "calling CalcProp\n(overflow: pkg)");
  error.repeatDeferredComplaint(kCapeUnknown, Calculating::yes);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_NE(boxes()[0].text.find("calling CalcProp\n(overflow: pkg)Detected while"), std::string::npos);
}

TEST_F(ErrorTest, LaterComplaintReplacesTheRememberedOneAndClearingForgetsIt) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  cape.complain("first", CkINTERNAL, Calculating::yes);
  cape.complain("second", CkNONSTANDARD, Calculating::yes);
  EXPECT_EQ(error.deferredKind(), CkNONSTANDARD);
  EXPECT_EQ(error.deferredText(), "second");
  error.clearDeferredComplaint();
  error.repeatDeferredComplaint(kCapeUnknown, Calculating::yes);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ErrorTest, EditAndSaveRequestsAreMadeAgainWithoutCalculating) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  cape.complain("editing", CkINTERNAL, Calculating::yes);
  error.repeatDeferredComplaint(E_FAIL, Calculating::no);
  const std::vector<Box> shown = boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text.find("Detected while"), std::string::npos);
}

TEST_F(ErrorTest, ComplaintsOutsideACalculationAreShownOnTheCapeOpenThread) {
  TestError error;
  clearBoxes();
  CapeOpenThread cape(error);
  EXPECT_EQ(cape.complain("creating", CkEXCEPTION, Calculating::no), kCapeUnknown);
  EXPECT_EQ(cape.boxesSeenThere(), 1u);
  EXPECT_EQ(error.deferredKind(), CkNONE);
  EXPECT_TRUE(error.deferredText().empty());
  // The requester's complaints while calculating are never kept back.
  clearBoxes();
  error.complain(E_FAIL, "here", CkINTERNAL, Calculating::yes);
  EXPECT_EQ(boxes().size(), 1u);
}

}  // namespace
}  // namespace errors_test
