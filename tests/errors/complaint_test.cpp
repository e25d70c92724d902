// The complaint layer: kind prefixes, the "(code)" rule, levels and switches, the calculation
// context, complaints about COM errors and CAPE-OPEN objects, and the error components.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/errors/ErrorsTestSupport.h"
#include "support/SetGet.h"
#include "support/Text.h"

namespace errors_test {
namespace {

using support::ComPtr;

constexpr HRESULT kCapeUnknown = static_cast<HRESULT>(0x80040501);

CCOError::UtilsFactory handing(FakeUtils* utils) {
  return [utils](ICapeErrorUtils** out) {
    utils->AddRef();
    *out = utils;
    return S_OK;
  };
}

class ComplaintTest : public ErrorTest {
 protected:
  ComplaintTest() {
    m_package = makeObject<FakePackage>(L"Peng Pack");
    m_error.setPackage(m_package.Get());
    m_error.setComponentCount(2);
    clearBoxes();
  }
  // Context of a calculation of enthalpy of the vapour, two components.
  void setCalculation() {
    support::Variant props = stringList({L"enthalpy"});
    support::Variant phases = stringList({L"Vapor"});
    m_error.setCalcContext(props.get(), phases.get(), L"Mixture");
    const double vapour[] = {0.25, 0.75};
    const double* compositions[] = {vapour, nullptr, nullptr};
    const int types[] = {4, 0, 0};
    m_error.setMaterialState(300.0, 101325.0, compositions, types, 3);
  }
  ComPtr<FakePackage> m_package;
  TestError m_error;
};

struct KindCase {
  ComplaintKind kind;
  const char* expected;  // the box for complain(E_FAIL, "doing it", kind, Calculating::no)
};

TEST_F(ComplaintTest, EveryKindHasItsPrefix) {
  const KindCase cases[] = {
      {CkNONE, " ERROR: doing it"},
      {CkINTERNAL, " ERROR: INTERNAL ERROR doing it"},
      {CkNOTALLOWED, " ERROR: It is not allowed doing it"},
      {CkPLAIN3, " ERROR: doing it"},
      {CkPLAIN4, " ERROR: doing it"},
      {CkUNFEASIBLE, " ERROR: The CAPE-OPEN Property Package 'Peng Pack' provided unfeasible thermodynamic values doing it"},
      {CkEXCEPTION, " ERROR: The CAPE-OPEN Property Package 'Peng Pack' raised an exception while doing it"},
      {CkNONSTANDARD, " ERROR: The CAPE-OPEN Property Package 'Peng Pack' did not follow the standard while doing it"},
      {CkNONSTANDARDWARNING, "The CAPE-OPEN Property Package 'Peng Pack' did not follow the standard while doing it"},
      {CkSYSTEM, " ERROR: System Error (normally installation error) 'doing it"},
      {CkHOSTUNFEASIBLE, " ERROR: INTERNAL ERROR: The Simulator provided unfeasible thermodynamic values doing it"},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.kind);
    clearBoxes();
    std::string out;
    const HRESULT hr = m_error.complain(E_FAIL, "doing it", c.kind, Calculating::no, nullptr, &out);
    EXPECT_EQ(hr, c.kind == 8 ? S_OK : E_FAIL);  // kind 8 is a warning
    EXPECT_EQ(onlyBox(), c.expected);
    EXPECT_EQ(boxes()[0].caption, "Brellan ORVEX CAPE-OPEN");
    EXPECT_EQ(out, startsWith(c.expected, " ERROR: ") ? std::string(c.expected).substr(8) : c.expected);
  }
}

TEST_F(ComplaintTest, PackageNameIsReadAtTheTimeOfTheComplaint) {
  m_error.complain(E_FAIL, "x", CkEXCEPTION, Calculating::no);
  m_package->put_ComponentName(support::Bstr(L"Renamed").get());
  clearBoxes();
  m_error.complain(E_FAIL, "x", CkEXCEPTION, Calculating::no);
  EXPECT_EQ(onlyBox(), " ERROR: The CAPE-OPEN Property Package 'Renamed' raised an exception while x");
  EXPECT_EQ(m_package->askedOn.size(), 2u);
}

TEST_F(ComplaintTest, WithoutPackageTheNameSaysSo) {
  m_error.setPackage(nullptr);
  m_error.complain(E_FAIL, "x", CkNONSTANDARD, Calculating::no);
  EXPECT_EQ(onlyBox(), " ERROR: The CAPE-OPEN Property Package '(none selected)' did not follow the standard while x");
}

TEST_F(ComplaintTest, CodeFollowsAPrefixExceptForZeroHundredAndFail) {
  std::string out;
  m_error.complain(kCapeUnknown, "x", CkINTERNAL, Calculating::no, nullptr, &out);
  EXPECT_EQ(out, "INTERNAL ERROR (-2147220223)x");
  EXPECT_TRUE(endsWith(onlyBox(), "(0x80040501)"));
  m_error.complain(5, "x", CkNOTALLOWED, Calculating::no, nullptr, &out);
  EXPECT_EQ(out, "It is not allowed (5)x");
  m_error.complain(0, "x", CkINTERNAL, Calculating::no, nullptr, &out);
  EXPECT_EQ(out, "INTERNAL ERROR x");
  m_error.complain(100, "x", CkINTERNAL, Calculating::no, nullptr, &out);
  EXPECT_EQ(out, "INTERNAL ERROR x");
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::no, nullptr, &out);
  EXPECT_EQ(out, "INTERNAL ERROR x");
  // No prefix, no code.
  m_error.complain(kCapeUnknown, "x", CkPLAIN3, Calculating::no, nullptr, &out);
  EXPECT_EQ(out, "x");
}

TEST_F(ComplaintTest, CodeOnlyWhenSomeChannelTakesTheMessage) {
  m_error.setSwitches(false, false, false);
  std::string out;
  m_error.complain(kCapeUnknown, "x", CkINTERNAL, Calculating::yes, nullptr, &out);
  EXPECT_TRUE(startsWith(out, "INTERNAL ERROR xDetected while ")) << out;
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(m_trace.lines(), 0);
}

TEST_F(ComplaintTest, InternalCodesAreReturnedAsFail) {
  EXPECT_EQ(m_error.complain(5, "x", CkINTERNAL, Calculating::no), E_FAIL);
  EXPECT_EQ(m_error.complain(kCapeUnknown, "x", CkINTERNAL, Calculating::no), kCapeUnknown);
}

TEST_F(ComplaintTest, DoingTextAdditionalInfoAndPackageException) {
  m_error.setLastPackageException(L" [package said: overflow]");
  std::string out;
  m_error.complain(E_FAIL, "reading", CkEXCEPTION, Calculating::no, " more", &out);
  EXPECT_EQ(out, "The CAPE-OPEN Property Package 'Peng Pack' raised an exception while reading more [package said: overflow]");
  m_error.complain(E_FAIL, "reading", CkNONSTANDARD, Calculating::no, " more", &out);
  EXPECT_TRUE(endsWith(out, "reading more [package said: overflow]"));
  m_error.complain(E_FAIL, "reading", CkUNFEASIBLE, Calculating::no, " more", &out);
  EXPECT_TRUE(endsWith(out, "reading more"));  // only kinds 6 and 7 carry it
}

TEST_F(ComplaintTest, CalculatingAddsTheContextAndTheMaterial) {
  setCalculation();
  std::string out;
  m_error.complain(E_FAIL, "reading", CkEXCEPTION, Calculating::yes, nullptr, &out);
  const std::string expectedStart =
      "The CAPE-OPEN Property Package 'Peng Pack' raised an exception while reading"
      "Detected while calculating {(enthalpy), (Vapor), Mixture}. Material Object contents: \nV, T(K), 300.";
  EXPECT_TRUE(startsWith(out, expectedStart)) << out;
  EXPECT_NE(out.find("C, 0.25, 0.75"), std::string::npos) << out;
  EXPECT_EQ(out.find("\nL,"), std::string::npos);  // absent phases are not described
  // Kind 10 is about the host's values: no package context.
  m_error.complain(E_FAIL, "reading", CkHOSTUNFEASIBLE, Calculating::yes, nullptr, &out);
  EXPECT_EQ(out.find("Detected while"), std::string::npos);
}

// Each request sets its context again, often with the same lists; the message must name the
// latest lists and phases, never a held copy of an earlier request's, and must not depend on the
// caller's arrays living on.
TEST_F(ComplaintTest, AContextSetAgainNamesTheLatestListsAndPhasesOnly) {
  const double vapour[] = {0.25, 0.75}, liquid[] = {0.5, 0.5};
  const double* both[] = {vapour, liquid, nullptr};
  const double* noLiquidGiven[] = {vapour, nullptr, nullptr};
  const int vapourLiquid[] = {4, 1, 0}, vapourOnly[] = {4, 0, 0};
  for (const wchar_t* property : {L"enthalpy", L"enthalpy", L"entropy!"}) {  // same, then same length
    support::Variant props = stringList({property});
    support::Variant phases = stringList({L"Vapor"});
    m_error.setCalcContext(props.get(), phases.get(), L"Mixture");
  }
  m_error.setMaterialState(300.0, 101325.0, both, vapourLiquid, 3);
  m_error.setMaterialState(310.0, 101325.0, both, vapourOnly, 3);
  std::string out;
  m_error.complain(E_FAIL, "reading", CkEXCEPTION, Calculating::yes, nullptr, &out);
  EXPECT_NE(out.find("Detected while calculating {(entropy!), (Vapor), Mixture}"), std::string::npos) << out;
  EXPECT_NE(out.find("T(K), 310."), std::string::npos) << out;
  EXPECT_EQ(out.find("\nL,"), std::string::npos) << "the earlier request's liquid: " << out;
  // A liquid named without its composition shows none, not the earlier request's.
  m_error.setMaterialState(300.0, 101325.0, both, vapourLiquid, 3);
  m_error.setMaterialState(320.0, 101325.0, noLiquidGiven, vapourLiquid, 3);
  m_error.complain(E_FAIL, "reading", CkEXCEPTION, Calculating::yes, nullptr, &out);
  EXPECT_EQ(out.find("0.5, 0.5"), std::string::npos) << "the earlier request's liquid: " << out;
}

TEST_F(ComplaintTest, MoreThanFourPhasesAreCutAndLogged) {
  const double x[] = {0.5, 0.5};
  const double* compositions[] = {x, x, x, x, x};
  const int types[] = {4, 1, 1, 1, 1};
  m_error.setMaterialState(300.0, 1e5, compositions, types, 5);
  EXPECT_EQ(m_trace.lines(), 1);
  EXPECT_NE(m_trace.added().find(" ERROR: In SetTPFraction, m_currentPhases is longer than number of phases "
                                 "preallocated.setting to maximum\n"),
            std::string::npos);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ComplaintTest, BoxesAreOwnedByTheErrorObjectsWindow) {
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::no);
  EXPECT_EQ(boxes()[0].owner, nullptr);
  EXPECT_TRUE(boxes()[0].flags & MB_SYSTEMMODAL);  // no owner at all
  const HWND host = reinterpret_cast<HWND>(0x1234);  // only handed to the sink
  m_error.setOwnerWindow(host);
  clearBoxes();
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::no);
  EXPECT_EQ(boxes()[0].owner, host);
  EXPECT_FALSE(boxes()[0].flags & MB_SYSTEMMODAL);
}

TEST_F(ComplaintTest, TraceValuesWritesOneLinePerPresentPhase) {
  const double vapour[] = {0.25, 0.75};
  const double liquid[] = {0.6, 0.4};
  const double* compositions[] = {vapour, liquid, nullptr};
  const int types[] = {4, 1, 0};
  m_error.setMaterialState(350.0, 2e5, compositions, types, 3);
  m_error.traceValues("state");
  EXPECT_EQ(m_trace.lines(), 2);
  const std::string added = m_trace.added();
  EXPECT_NE(added.find("state, V, T(K), 350.000000, P(Pa), 200000.000000, C, 0.25, 0.75\n"), std::string::npos)
      << added;
  EXPECT_NE(added.find("state, L, T(K), 350.000000, P(Pa), 200000.000000, C, 0.6, 0.4\n"), std::string::npos);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ComplaintTest, LevelOneGivesOneBoxAndOneTraceLine) {
  m_error.setSwitches(false, false, false);  // the switches govern only levels above 1
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::no);
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(m_trace.lines(), 1);
  EXPECT_NE(m_trace.added().find(" ERROR: INTERNAL ERROR x\n"), std::string::npos);
}

TEST_F(ComplaintTest, LevelTwoFollowsTheSwitches) {
  setCalculation();
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::yes);
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(m_trace.lines(), 1);

  clearBoxes();
  TraceWatch boxOff;
  m_error.setSwitches(false, true, false);
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::yes);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(boxOff.lines(), 1);

  TraceWatch secondary;
  m_error.setSwitches(true, true, false);  // the secondary path writes when no box is shown
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::yes);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(secondary.lines(), 2);

  TraceWatch boxOnly;
  m_error.setSwitches(true, false, true);
  m_error.complain(E_FAIL, "x", CkINTERNAL, Calculating::yes);
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxOnly.lines(), 0);
  EXPECT_EQ(m_error.notices, 0);
}

TEST_F(ComplaintTest, ReportAddsExtraTextAndNotifiesTheHostAboveLevelThree) {
  EXPECT_EQ(m_error.report(E_FAIL, "text", "extra", 3), E_FAIL);
  EXPECT_EQ(onlyBox(), " ERROR: text(extra)");
  EXPECT_EQ(m_error.notices, 0);
  m_error.report(E_FAIL, "text", nullptr, 4);
  EXPECT_EQ(m_error.notices, 1);
  m_error.report(100, "text", nullptr, 5);  // a support-library report is level 2
  EXPECT_EQ(m_error.notices, 1);
  EXPECT_EQ(m_trace.lines(), 3);
}

TEST_F(ComplaintTest, ComplainKindUsesFailExceptForPlainKinds) {
  EXPECT_EQ(m_error.complainKind("x", CkINTERNAL, Calculating::no), E_FAIL);
  EXPECT_EQ(onlyBox(), " ERROR: INTERNAL ERROR x");
  for (ComplaintKind kind : {CkNONE, CkPLAIN3, CkPLAIN4}) {
    clearBoxes();
    EXPECT_EQ(m_error.complainKind("note", kind, Calculating::no), S_OK);
    EXPECT_EQ(onlyBox(), "note");
  }
}

TEST_F(ComplaintTest, ComplainComErrorShowsCodeAndErrorInformation) {
  const ComPtr<IErrorInfo> info = makeErrorInfo(L"bad thing", L"pkg");
  ASSERT_TRUE(info);
  const _com_error error(E_INVALIDARG, info.Get(), true);
  EXPECT_EQ(m_error.complainComError(error, "setting", CkINTERNAL, Calculating::no), E_INVALIDARG);
  const std::string box = onlyBox();
  EXPECT_TRUE(startsWith(box, " ERROR: INTERNAL ERROR (-2147024809)setting\n(bad thing: pkg)")) << box;
  EXPECT_TRUE(endsWith(box, "(0x80070057)"));
  // The trace line carries the error information too.
  EXPECT_NE(m_trace.added().find("setting\n(bad thing: pkg)"), std::string::npos);

  clearBoxes();
  EXPECT_EQ(m_error.complainComError(E_POINTER, info.Get(), "reading", CkNOTALLOWED, Calculating::no), E_POINTER);
  EXPECT_TRUE(startsWith(onlyBox(), " ERROR: It is not allowed (-2147467261)reading\n(bad thing: pkg)"));
}

// A package whose name cannot be read without an exception.
class ThrowingPackage : public FakePackage {
 public:
  ThrowingPackage() : FakePackage(L"") {}
  HRESULT STDMETHODCALLTYPE get_ComponentName(BSTR*) override { throw std::runtime_error("name"); }
};

TEST_F(ComplaintTest, AThrowWhileComposingIsAnInternalError) {
  ComPtr<ThrowingPackage> package = makeObject<ThrowingPackage>();
  m_error.setPackage(package.Get());
  EXPECT_EQ(m_error.complain(kCapeUnknown, "x", CkEXCEPTION, Calculating::no), kCapeUnknown);
  EXPECT_EQ(onlyBox(), "complainErrorCore:  ERROR: Internal error");
  EXPECT_EQ(m_trace.lines(), 1);
}

TEST_F(ComplaintTest, CheckCalcResult) {
  setCalculation();
  EXPECT_EQ(m_error.checkCalcResult(S_OK), S_OK);
  EXPECT_EQ(m_error.checkCalcResult(S_FALSE), S_FALSE);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(m_trace.lines(), 0);

  EXPECT_EQ(m_error.checkCalcResult(E_FAIL), E_FAIL);
  EXPECT_TRUE(startsWith(onlyBox(),
                         " ERROR: The CAPE-OPEN Property Package 'Peng Pack' did not follow the standard while "
                         "calculating {(enthalpy), (Vapor), Mixture}. The values of some of these properties were "
                         "not set. Detected while calculating {"));
  clearBoxes();
  EXPECT_EQ(m_error.checkCalcResult(E_INVALIDARG), E_INVALIDARG);
  EXPECT_TRUE(startsWith(onlyBox(), " ERROR: INTERNAL ERROR (-2147024809)calculating {(enthalpy), (Vapor), Mixture}. "
                                    "The values of some of these properties were not set. Detected while "));
}

TEST_F(ComplaintTest, ShowLogAndReportWide) {
  EXPECT_EQ(m_error.show(E_FAIL, "popped", nullptr, 1), E_FAIL);
  EXPECT_EQ(onlyBox(), " ERROR: popped");
  EXPECT_EQ(m_trace.lines(), 0);
  clearBoxes();
  m_error.logFailure("logged", "where");
  m_error.logText(L"wide \u00e9");
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(m_trace.lines(), 2);
  EXPECT_NE(m_trace.added().find("where:  ERROR: logged\n"), std::string::npos);
  EXPECT_NE(m_trace.added().find(" ERROR: wide \xc3\xa9\n"), std::string::npos);
  EXPECT_EQ(m_error.reportWide(0, L"both", 1), S_OK);
  EXPECT_EQ(onlyBox(), "both");
  EXPECT_EQ(m_trace.lines(), 3);
}

TEST_F(ComplaintTest, OverlongComplaintsAreCutToTheBufferAndNeverThrow) {
  const std::string doing(3000, 'd');
  std::string out;
  EXPECT_EQ(m_error.complain(E_FAIL, doing.c_str(), CkEXCEPTION, Calculating::no, "more", &out), E_FAIL);
  const std::string prefix = " ERROR: The CAPE-OPEN Property Package 'Peng Pack' raised an exception while ";
  EXPECT_EQ(out, prefix.substr(8) + doing + "more");  // the composed complaint is whole
  int cut = 0;
  int tooLong = 0;
  for (const Box& box : boxes()) {
    EXPECT_LE(box.text.size(), 2399u);
    if (box.text == " ERROR: A generated message is too long. Contact support.") ++tooLong;
    if (box.text == prefix + std::string(2399 - prefix.size(), 'd')) ++cut;
  }
  EXPECT_EQ(cut, 1);
  EXPECT_GE(tooLong, 1);
}

// ---- The error components ----

TEST_F(ErrorTest, MissingUtilitiesAreReportedOnceAndTheObjectWorks) {
  TestError error(TestError::noUtils());
  EXPECT_FALSE(error.hasErrorUtils());
  EXPECT_EQ(onlyBox(), " ERROR: error creating capeErrorUtils");
  EXPECT_EQ(m_trace.lines(), 0);  // shown only
  clearBoxes();
  error.complainError(L"calling CalcProp", kCapeUnknown, nullptr, Calculating::no);
  EXPECT_TRUE(startsWith(onlyBox(), " ERROR: The CAPE-OPEN Property Package '(none selected)' raised an exception while "
                                    " ERROR: calling CalcProp"));
}

TEST_F(ErrorTest, RegisteredUtilitiesAreCreatedSilently) {
  TestError error(CCOError::createErrorUtils);
  EXPECT_TRUE(error.hasErrorUtils());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ErrorTest, AnUnregisteredClassGivesTheReport) {
  const CLSID nowhere = {0x5D1C0E77, 0x2B8E, 0x4F6C, {0x9A, 0x11, 0x3C, 0x6E, 0x0D, 0x44, 0x71, 0x20}};
  TestError error([&nowhere](ICapeErrorUtils** out) {
    return CoCreateInstance(nowhere, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                            __uuidof(ICapeErrorUtils), reinterpret_cast<void**>(out));
  });
  EXPECT_FALSE(error.hasErrorUtils());
  EXPECT_EQ(onlyBox(), " ERROR: error creating capeErrorUtils");
}

TEST_F(ErrorTest, CapeErrorsAreDescribedByTheUtilities) {
  ComPtr<FakeUtils> utils = makeObject<FakeUtils>();
  ComPtr<FakePackage> culprit = makeObject<FakePackage>(L"P");
  TestError error(handing(utils.Get()));
  ASSERT_TRUE(error.hasErrorUtils());
  error.setPackage(culprit.Get());
  EXPECT_EQ(error.complainError(L"calling CalcProp", kCapeUnknown, culprit.Get(), Calculating::no, L"hint"), E_FAIL);
  EXPECT_EQ(utils->describeCalls, 1);
  EXPECT_EQ(utils->doing, L"calling CalcProp");
  EXPECT_EQ(utils->code, kCapeUnknown);
  EXPECT_EQ(utils->object, static_cast<IDispatch*>(culprit.Get()));
  EXPECT_EQ(onlyBox(),
            " ERROR: The CAPE-OPEN Property Package 'P' raised an exception while ECapeUnknown while calling CalcProp\n"
            "Description: it broke\nhint");

  // Outside the CAPE-OPEN range the composed text is used.
  clearBoxes();
  error.complainError(L"calling CalcProp", E_INVALIDARG, culprit.Get(), Calculating::no, L"hint");
  EXPECT_EQ(utils->describeCalls, 1);
  EXPECT_TRUE(startsWith(onlyBox(), " ERROR: The CAPE-OPEN Property Package 'P' raised an exception while "
                                    "hint:  ERROR: calling CalcProp"));
  EXPECT_TRUE(endsWith(boxes()[0].text, "(0x80070057)"));
}

TEST_F(ErrorTest, AFailingDescriptionFallsBackWithTheUtilitiesErrorInformation) {
  ComPtr<FakeUtils> utils = makeObject<FakeUtils>();
  utils->fail = true;
  TestError error(handing(utils.Get()));
  error.complainError(L"calling CalcProp", static_cast<HRESULT>(0x80040517), nullptr, Calculating::no);
  const std::string box = onlyBox();
  EXPECT_NE(box.find(" ERROR: calling CalcProp\n(no description: utils)"), std::string::npos) << box;
  EXPECT_TRUE(endsWith(box, "(0x80040517)"));
}

TEST_F(ErrorTest, ReleasingUtilitiesThatThrowIsTracedOnly) {
  ComPtr<FakeUtils> utils = makeObject<FakeUtils>();
  {
    TestError error(handing(utils.Get()));
    utils->throwOnRelease = true;
  }
  EXPECT_NE(m_trace.added().find("test_errors: Crash releasing capeErrorUtils\n"), std::string::npos);
  EXPECT_EQ(m_trace.lines(), 1);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ErrorTest, RaiseCapeErrorSetsTheErrorAndReturnsItsResult) {
  ComPtr<FakeCapeError> component = makeObject<FakeCapeError>();
  EXPECT_EQ(CCOError::raiseCapeError(component.Get(), nullptr, L"Phase not supported", kCapeUnknown), kCapeUnknown);
  EXPECT_EQ(component->operation, L"");
  EXPECT_EQ(component->description, L"Phase not supported");
  EXPECT_EQ(component->code, kCapeUnknown);
  EXPECT_EQ(component->level, 100);
  EXPECT_EQ(component->interfaceName, L"ICapeThermoMaterialObject");
  CCOError::raiseCapeError(component.Get(), L"GetProp", L"bad", static_cast<HRESULT>(0x80040505), L"ICapeX");
  EXPECT_EQ(component->operation, L"GetProp");
  EXPECT_EQ(component->interfaceName, L"ICapeX");
  EXPECT_EQ(CCOError::setCapeErrorPosition(component.Get(), 3), S_OK);
  EXPECT_EQ(component->position, 3);
}

TEST_F(ErrorTest, RaiseCapeErrorWithoutComponentThrowsPointerError) {
  try {
    CCOError::raiseCapeError(nullptr, L"", L"x", kCapeUnknown);
    FAIL() << "no exception";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
}

}  // namespace
}  // namespace errors_test
