// The guards: what each does with a failure that escapes its work, and the code it answers with.
#include <gtest/gtest.h>

#include <comdef.h>

#include <new>
#include <stdexcept>
#include <string>

#include "support/Guards.h"
#include "tests/errors/ErrorsTestSupport.h"

namespace errors_test {
namespace {

using support::ComPtr;

class GuardTest : public ErrorTest {
 protected:
  GuardTest() { clearBoxes(); }  // the error object's own box: no error utilities here
  TestError m_error;
};

TEST_F(GuardTest, WorkThatEndsNormallyPassesItsResultAndShowsNothing) {
  EXPECT_EQ(support::complainingOfFailure(m_error, {"working", CkINTERNAL, Calculating::no}, [] { return S_FALSE; }),
            S_FALSE);
  EXPECT_EQ(support::reportingFailure([] { return E_NOTIMPL; }), E_NOTIMPL);
  EXPECT_EQ(support::answeringFailure([] { return S_OK; }), S_OK);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(GuardTest, ComplainingOfAComErrorUsesItsCodeAndInformation) {
  const ComPtr<IErrorInfo> info = makeErrorInfo(L"bad thing", L"pkg");
  ASSERT_TRUE(info);
  const HRESULT hr = support::complainingOfFailure(m_error, {"saving", CkINTERNAL, Calculating::no}, [&]() -> HRESULT {
    throw _com_error(E_INVALIDARG, info.Get(), true);
  });
  EXPECT_EQ(hr, E_INVALIDARG);
  const std::string box = onlyBox();
  EXPECT_TRUE(startsWith(box, " ERROR: INTERNAL ERROR (-2147024809)saving\n(bad thing: pkg)")) << box;
}

TEST_F(GuardTest, ComplainingOfOtherExceptionsFollowsTheCodeRule) {
  EXPECT_EQ(support::complainingOfFailure(m_error, {"saving", CkINTERNAL, Calculating::no},
                                          []() -> HRESULT { throw std::runtime_error("lost"); }),
            E_FAIL);
  EXPECT_EQ(onlyBox(), " ERROR: INTERNAL ERROR saving");

  clearBoxes();
  EXPECT_EQ(support::complainingOfFailure(m_error, {"saving", CkINTERNAL, Calculating::no},
                                          []() -> HRESULT { throw std::bad_alloc(); }),
            E_OUTOFMEMORY);
  EXPECT_TRUE(startsWith(onlyBox(), " ERROR: INTERNAL ERROR (-2147024882)saving"));

  // A COM error that carries a success is a failure all the same.
  clearBoxes();
  EXPECT_EQ(support::complainingOfFailure(m_error, {"saving", CkINTERNAL, Calculating::no},
                                          []() -> HRESULT { throw _com_error(S_FALSE); }),
            E_FAIL);
}

TEST_F(GuardTest, AComplaintThatNamesItsCodeKeepsItAndAnswersItMapped) {
  support::Variant props = stringList({L"enthalpy"});
  support::Variant phases = stringList({L"Vapor"});
  m_error.setCalcContext(props.get(), phases.get(), L"Mixture");
  // The library's own code 100: shown without a code, answered as E_FAIL, whatever was thrown.
  const HRESULT hr = support::complainingOfFailure(
      m_error, {"Internal error computing phase properties", CkNONE, Calculating::yes, 100},
      []() -> HRESULT { throw _com_error(E_INVALIDARG); });
  EXPECT_EQ(hr, E_FAIL);
  const std::string box = onlyBox();
  EXPECT_NE(box.find("Internal error computing phase propertiesDetected while calculating {(enthalpy), (Vapor), "
                     "Mixture}"),
            std::string::npos)
      << box;
  EXPECT_EQ(box.find("2147024809"), std::string::npos) << box;
}

TEST_F(GuardTest, ReportingShowsTheUnexpectedTextWithTheCode) {
  EXPECT_EQ(support::reportingFailure([]() -> HRESULT { throw std::runtime_error("lost"); }), E_FAIL);
  EXPECT_EQ(onlyBox(), " ERROR: Unexpected error ");

  clearBoxes();
  EXPECT_EQ(support::reportingFailure([]() -> HRESULT { throw _com_error(E_ACCESSDENIED); }, "cannot restore OvVar"),
            E_ACCESSDENIED);
  const std::string box = onlyBox();
  EXPECT_TRUE(startsWith(box, " ERROR: cannot restore OvVar")) << box;
  EXPECT_TRUE(endsWith(box, "(0x80070005)")) << box;
}

TEST_F(GuardTest, AnsweringShowsNothing) {
  EXPECT_EQ(support::answeringFailure([]() -> HRESULT { throw std::bad_alloc(); }), E_OUTOFMEMORY);
  EXPECT_EQ(support::answeringFailure([]() -> HRESULT { throw _com_error(CLASS_E_CLASSNOTAVAILABLE); }),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(support::answeringFailure([]() -> HRESULT { throw 7; }), E_FAIL);
  EXPECT_TRUE(boxes().empty());
}

// What the material object is asked: the message, the origin and the failure's code.
struct RecordingRaiser {
  HRESULT raiseError(const std::wstring& message, const char* origin, HRESULT code) {
    raisedMessage = message;
    raisedOrigin = origin ? origin : "";
    raisedCode = code;
    return code;
  }
  std::wstring raisedMessage;
  std::string raisedOrigin;
  HRESULT raisedCode = S_OK;
};

TEST_F(GuardTest, RaisingHandsTheFailureToTheMaterialObject) {
  RecordingRaiser raiser;
  EXPECT_EQ(support::raisingFailure(raiser, support::kUnexpectedStop, "RemoveResults",
                                    []() -> HRESULT { throw std::bad_alloc(); }),
            E_OUTOFMEMORY);
  EXPECT_EQ(raiser.raisedMessage, L"Unexpected error.");
  EXPECT_EQ(raiser.raisedOrigin, "RemoveResults");
  EXPECT_EQ(raiser.raisedCode, E_OUTOFMEMORY);
  EXPECT_TRUE(boxes().empty());

  RecordingRaiser untouched;
  EXPECT_EQ(support::raisingFailure(untouched, support::kUnexpected, "GetProp", [] { return S_FALSE; }), S_FALSE);
  EXPECT_EQ(untouched.raisedCode, S_OK);
}

}  // namespace
}  // namespace errors_test
