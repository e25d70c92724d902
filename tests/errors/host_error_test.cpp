// The adapter's error object and the host: the notice chain container -> case -> solver and the
// host's trace window, with stand-in host objects that record calls and fail on request.
#include <gtest/gtest.h>

#include "errors/COVCOError.h"
#include "tests/errors/ErrorsTestSupport.h"
#include "tests/hostidl/HostSlots.h"

namespace errors_test {
namespace {

using support::ComPtr;

// What the stand-in host received, and which step fails (with which result).
struct HostScript {
  HRESULT caseResult = S_OK;
  bool caseNull = false;
  HRESULT solverResult = S_OK;
  HRESULT enableResult = S_OK;
  HRESULT traceResult = S_OK;
  int caseCalls = 0, solverCalls = 0;
  long enabled = -1;
  std::wstring traceText;
  unsigned traceFlag = 0;
  long traceExtra = 0;
};

template <class Itf>
class HostObject : public DualObject<Itf> {
 public:
  explicit HostObject(HostScript& script) : DualObject<Itf>(LIBID_OrvexHost), m_script(script) {}

 protected:
  HostScript& m_script;
};

class FakeSolver : public HostObject<HostSolver> {
 public:
  using HostObject::HostObject;
  HOST_SOLVER_RESERVED_SLOTS
  HRESULT STDMETHODCALLTYPE put_Enabled(LONG enabled) override {
    m_script.enabled = enabled;
    return m_script.enableResult;
  }
};

class FakeCase : public HostObject<HostCase> {
 public:
  using HostObject::HostObject;
  HOST_CASE_RESERVED_SLOTS
  HRESULT STDMETHODCALLTYPE get_Solver(HostSolver** solver) override {
    ++m_script.solverCalls;
    if (FAILED(m_script.solverResult)) return m_script.solverResult;
    *solver = makeObject<FakeSolver>(m_script).Detach();
    return S_OK;
  }
};

class FakeContainer : public HostObject<ExtnContainer> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_ComponentCount(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPackageAlias(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ExtensionDefinition(ExtnDefinition**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Case(HostCase** owningCase) override {
    ++m_script.caseCalls;
    *owningCase = nullptr;
    if (FAILED(m_script.caseResult) || m_script.caseNull) return m_script.caseResult;
    *owningCase = makeObject<FakeCase>(m_script).Detach();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WriteTrace(BSTR text, unsigned char flag, LONG extra) override {
    m_script.traceText = text ? text : L"";
    m_script.traceFlag = flag;
    m_script.traceExtra = extra;
    return m_script.traceResult;
  }
  HRESULT STDMETHODCALLTYPE get_FluidPackageHolder(IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Views(ExtnViewHolder**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ShowView(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RefreshView(BSTR) override { return E_NOTIMPL; }
};

class HostErrorTest : public ErrorTest {
 protected:
  HostErrorTest() : m_error(1e-30, TestError::noUtils()) {
    m_container = makeObject<FakeContainer>(m_script);
    EXPECT_EQ(m_error.setContainer(m_container.Get()), S_OK);
    clearBoxes();
  }
  // The box of a failed chain step: "Unexpected error " and the step's code.
  void expectStepReport(const char* code) {
    const std::vector<Box> shown = boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(startsWith(shown[0].text, " ERROR: Unexpected error ")) << shown[0].text;
    EXPECT_TRUE(endsWith(shown[0].text, code)) << shown[0].text;
    EXPECT_EQ(m_trace.lines(), 1);
  }
  HostScript m_script;
  ComPtr<FakeContainer> m_container;
  COVCOError m_error;
};

TEST_F(HostErrorTest, NotifyHostDisablesTheSolver) {
  EXPECT_EQ(m_error.notifyHost(), S_OK);
  EXPECT_EQ(m_script.caseCalls, 1);
  EXPECT_EQ(m_script.solverCalls, 1);
  EXPECT_EQ(m_script.enabled, 0);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(m_trace.lines(), 0);
}

TEST_F(HostErrorTest, FailingCaseEndsTheChain) {
  m_script.caseResult = E_ACCESSDENIED;
  EXPECT_EQ(m_error.notifyHost(), E_ACCESSDENIED);
  EXPECT_EQ(m_script.solverCalls, 0);
  expectStepReport("(0x80070005)");
}

TEST_F(HostErrorTest, MissingCaseIsAPointerError) {
  m_script.caseNull = true;
  EXPECT_EQ(m_error.notifyHost(), E_POINTER);
  EXPECT_EQ(m_script.solverCalls, 0);
  expectStepReport("(0x80004003)");
}

TEST_F(HostErrorTest, FailingSolverEndsTheChain) {
  m_script.solverResult = E_NOINTERFACE;
  EXPECT_EQ(m_error.notifyHost(), E_NOINTERFACE);
  EXPECT_EQ(m_script.enabled, -1);
  expectStepReport("(0x80004002)");
}

TEST_F(HostErrorTest, FailingDisableIsReported) {
  m_script.enableResult = E_UNEXPECTED;
  EXPECT_EQ(m_error.notifyHost(), E_UNEXPECTED);
  EXPECT_EQ(m_script.enabled, 0);
  expectStepReport("(0x8000FFFF)");
}

TEST_F(HostErrorTest, SevereComplaintsReachTheHost) {
  m_error.report(E_FAIL, "severe", nullptr, 4);
  EXPECT_EQ(m_script.enabled, 0);
  EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(HostErrorTest, WithoutContainerNothingHappens) {
  COVCOError lone(1e-30, TestError::noUtils());
  clearBoxes();
  EXPECT_EQ(lone.notifyHost(), S_FALSE);
  EXPECT_EQ(lone.logToHost(L"x", 1, 2), 1);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(HostErrorTest, LogToHostWritesToTheTraceWindow) {
  EXPECT_EQ(m_error.logToHost(L"line one", 0xA5, -7), 0);
  EXPECT_EQ(m_script.traceText, L"line one");
  EXPECT_EQ(m_script.traceFlag, 0xA5u);
  EXPECT_EQ(m_script.traceExtra, -7);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(HostErrorTest, LogToHostFailureIsShown) {
  m_script.traceResult = E_ACCESSDENIED;
  EXPECT_EQ(m_error.logToHost(L"line", 1, 0), 1);
  const std::vector<Box> shown = boxes();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(startsWith(shown[0].text, " ERROR: Problem logging to simulator's trace window. ")) << shown[0].text;
  EXPECT_TRUE(endsWith(shown[0].text, "(0x80070005)"));
}

}  // namespace
}  // namespace errors_test
