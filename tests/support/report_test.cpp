// Error reporting, the trace file and module information, in one process whose local
// application-data folder is a private scratch folder (so the user's trace folder is untouched).
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "support/ModuleInfo.h"
#include "support/Raii.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Trace.h"
#include "tests/support/ReportTestSupport.h"

using namespace report_test;

namespace {

constexpr char kInitialTitle[] = "Brellan ORVEX CAPE-OPEN";
constexpr char kTraceSubfolder[] = "\\Kelvaro\\Brellan ORVEX CAPE-OPEN";
constexpr char kNoticeCaption[] = "Brellan Calqueno CAPE-OPEN 1.0 Information message";
constexpr char kTooLong[] = " ERROR: A generated message is too long. Contact support.";
constexpr char kLinePattern[] = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: Quellmar: )";

// The whole process traces into a scratch folder that stands in for local application data.
class TraceFolderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_scratch = std::make_unique<ScratchFolder>("appdata");
    m_redirect = std::make_unique<LocalAppDataRedirect>(m_scratch->path());
    support::setModuleName("Quellmar");
  }
  void TearDown() override {
    m_redirect.reset();
    m_scratch.reset();
  }
  bool ready() const { return m_redirect && m_redirect->ok(); }
  std::string traceFolder() const { return m_scratch->path() + kTraceSubfolder; }

 private:
  std::unique_ptr<ScratchFolder> m_scratch;
  std::unique_ptr<LocalAppDataRedirect> m_redirect;
};

TraceFolderEnvironment* const g_environment =
    static_cast<TraceFolderEnvironment*>(::testing::AddGlobalTestEnvironment(new TraceFolderEnvironment));

std::string traceFileFor(const char* module) { return g_environment->traceFolder() + "\\" + module + ".trc"; }
std::string quellmarTrace() { return traceFileFor("Quellmar"); }

std::string repeated(const std::string& piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

bool matchesWhole(const std::string& text, const std::string& pattern) {
  return std::regex_match(text, std::regex(pattern));
}

void setThreadErrorInfo(const wchar_t* description, const wchar_t* source) {
  support::ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(S_OK, CreateErrorInfo(create.GetAddressOf()));
  create->SetDescription(const_cast<wchar_t*>(description));
  create->SetSource(const_cast<wchar_t*>(source));
  support::ComPtr<IErrorInfo> info;
  ASSERT_EQ(S_OK, create.As(&info));
  ASSERT_EQ(S_OK, SetErrorInfo(0, info.Get()));
}

bool threadHasErrorInfo() {
  support::ComPtr<IErrorInfo> info;
  return GetErrorInfo(0, info.GetAddressOf()) == S_OK && info;
}

// Every test starts with no captured boxes, no trace file, the initial settings and module name.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_environment->ready());
    support::setModuleName("Quellmar");
    support::setTitle(kInitialTitle);
    support::setOwnerWindow(nullptr);
    support::setSystemModal(false);
    support::libSettings().fallbackNoticePending = true;
    SetErrorInfo(0, nullptr);
    DeleteFileW(support::widen(quellmarTrace()).c_str());
    clearBoxes();
  }
  void TearDown() override {
    setBoxHook(nullptr);
    support::setModuleName("Quellmar");
    support::setTitle(kInitialTitle);
    support::setOwnerWindow(nullptr);
    support::setSystemModal(false);
  }

  support::ComApartment m_apartment;
};

// ---------------------------------------------------------------- composition and codes

TEST(MapCode, InternalCodesBecomeEFailOthersStay) {
  EXPECT_EQ(0, support::mapCode(0));
  EXPECT_EQ(1, support::mapCode(1));
  EXPECT_EQ(E_FAIL, support::mapCode(2));
  EXPECT_EQ(E_FAIL, support::mapCode(100));
  EXPECT_EQ(E_FAIL, support::mapCode(999));
  EXPECT_EQ(1000, support::mapCode(1000));
  EXPECT_EQ(E_NOINTERFACE, support::mapCode(E_NOINTERFACE));
  EXPECT_EQ(-2, support::mapCode(-2));
}

TEST_F(ReportTest, ComposeExtraColonThenErrorMarkThenText) {
  // Code 100 is shown as E_FAIL: negative, so " ERROR: " follows "sizeOf: " (two blanks).
  EXPECT_EQ("sizeOf:  ERROR: Bug in SetGet", support::composeErrorText(100, "Bug in SetGet", "sizeOf"));
  EXPECT_EQ("ctx: plain", support::composeErrorText(S_OK, "plain", "ctx"));
  EXPECT_EQ("plain", support::composeErrorText(1, "plain"));
  EXPECT_EQ("plain", support::composeErrorText(1000, "plain"));
  EXPECT_EQ(" ERROR: ??", support::composeErrorText(E_FAIL, nullptr));
  EXPECT_EQ(" ERROR: ??", support::composeErrorText(E_FAIL, "", ""));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ReportTest, EFailNeverShowsHexCode) {
  EXPECT_EQ(" ERROR: failed", support::composeErrorText(E_FAIL, "failed"));
  EXPECT_EQ("x:  ERROR: failed", support::composeErrorText(101, "failed", "x"));
}

TEST_F(ReportTest, OtherFailuresEndWithSystemTextAndUpperCaseHex) {
  const HRESULT codes[] = {static_cast<HRESULT>(0x800401F0), E_INVALIDARG, E_NOINTERFACE, static_cast<HRESULT>(0x8004FFAB)};
  for (HRESULT code : codes) {
    SCOPED_TRACE(code);
    const std::string hex = support::formatText("(0x%X)", static_cast<unsigned>(code));
    const std::string system = support::systemMessage(static_cast<DWORD>(code), LANG_USER_DEFAULT);
    const std::string expected = "ctx:  ERROR: doing" + (system.empty() ? "" : "\n" + system + "\n") + hex;
    EXPECT_EQ(expected, support::composeErrorText(code, "doing", "ctx"));
  }
  EXPECT_TRUE(matchesWhole(support::composeErrorText(static_cast<HRESULT>(0x800401F0), "t"), R"([\s\S]*\(0x800401F0\))"));
}

TEST_F(ReportTest, ComErrorInfoIsAppendedAndCleared) {
  setThreadErrorInfo(L"Bad thing", L"Pkg.Source");
  EXPECT_EQ(" ERROR: doing\n(Bad thing: Pkg.Source)", support::composeErrorText(E_FAIL, "doing"));
  EXPECT_FALSE(threadHasErrorInfo());
  EXPECT_EQ(" ERROR: doing", support::composeErrorText(E_FAIL, "doing"));
}

TEST_F(ReportTest, ComErrorInfoComesBeforeTheSystemText) {
  setThreadErrorInfo(L"Bad thing", L"Src");
  const std::string text = support::composeErrorText(E_NOINTERFACE, "doing");
  EXPECT_EQ(0u, text.find(" ERROR: doing\n(Bad thing: Src)"));
  EXPECT_TRUE(matchesWhole(text, R"([\s\S]*\(0x80004002\))"));
}

TEST_F(ReportTest, ComErrorInfoWithoutDescriptionAddsNothingButIsTaken) {
  setThreadErrorInfo(L"", L"Src");
  EXPECT_EQ("doing", support::composeErrorText(S_OK, "doing"));
  EXPECT_FALSE(threadHasErrorInfo());
}

TEST_F(ReportTest, ComErrorInfoIsLimitedTo1999Characters) {
  const std::wstring description(3000, L'd');
  setThreadErrorInfo(description.c_str(), L"Src");
  const std::string text = support::composeErrorText(E_FAIL, "doing");
  ASSERT_EQ(std::string(" ERROR: doing").size() + 1999, text.size());
  EXPECT_EQ(" ERROR: doing\n(" + std::string(1997, 'd'), text);
}

TEST_F(ReportTest, MessageOfExactly2399CharactersIsNotTooLong) {
  const std::string text(2399 - std::string(" ERROR: ").size(), 't');
  EXPECT_EQ(" ERROR: " + text, support::composeErrorText(E_FAIL, text.c_str()));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ReportTest, TooLongMessageIsReportedWithTraceLineAndCut) {
  const std::string text(2400, 't');
  const std::string composed = support::composeErrorText(E_FAIL, text.c_str(), "extra");
  EXPECT_EQ("extra:  ERROR: " + std::string(2399 - 15, 't'), composed);
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(kTooLong, shown[0].text);
  EXPECT_EQ(kInitialTitle, shown[0].caption);
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()), std::string(kLinePattern) + kTooLong + "\n"));
}

TEST_F(ReportTest, TooLongReportTakesThePendingComErrorInfo) {
  setThreadErrorInfo(L"Bad thing", L"Src");
  const std::string composed = support::composeErrorText(E_FAIL, std::string(2500, 't').c_str());
  EXPECT_EQ(2399u, composed.size());
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(std::string(kTooLong) + "\n(Bad thing: Src)", shown[0].text);
}

// ---------------------------------------------------------------- reportError and the box

TEST_F(ReportTest, ReportErrorShowsTracesAndReturnsMappedCode) {
  EXPECT_EQ(E_FAIL, support::reportError(100, "Bug in SetGet", "sizeOf", nullptr, true));
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("sizeOf:  ERROR: Bug in SetGet", shown[0].text);
  EXPECT_EQ(kInitialTitle, shown[0].caption);
  EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_SYSTEMMODAL), shown[0].flags);
  EXPECT_EQ(nullptr, shown[0].owner);
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()), std::string(kLinePattern) + "sizeOf:  ERROR: Bug in SetGet\n"));
}

TEST_F(ReportTest, ReportErrorWithoutTraceWritesNoLine) {
  EXPECT_EQ(S_OK, support::reportError(S_OK, "note", nullptr, nullptr, false));
  EXPECT_EQ(1u, boxes().size());
  EXPECT_FALSE(exists(quellmarTrace()));
}

TEST_F(ReportTest, ReportErrorKeepsCodesOutsideTheInternalRange) {
  EXPECT_EQ(1000, support::reportError(1000, "t", nullptr, nullptr, false));
  EXPECT_EQ(E_NOINTERFACE, support::reportError(E_NOINTERFACE, "t", nullptr, nullptr, false));
  EXPECT_EQ(E_FAIL, support::reportError(999, "t", nullptr, nullptr, false));
}

TEST_F(ReportTest, ReportFailureIsReportErrorWithEFail) {
  EXPECT_EQ(E_FAIL, support::reportFailure("it broke", "where"));
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("where:  ERROR: it broke", shown[0].text);
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()), std::string(kLinePattern) + "where:  ERROR: it broke\n"));
}

TEST_F(ReportTest, BoxOwnerAndModality) {
  const HWND given = GetDesktopWindow();
  const HWND processOwner = CreateWindowExW(0, L"STATIC", L"owner", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, processOwner);

  support::showReportBox("given", given);
  support::setOwnerWindow(processOwner);
  support::showReportBox("process-wide", nullptr);
  support::showReportBox("given wins", given);
  support::setSystemModal(true);
  support::showReportBox("switched", given);
  support::setOwnerWindow(nullptr);
  support::setSystemModal(false);
  support::showReportBox("none", nullptr);
  DestroyWindow(processOwner);

  const auto shown = boxes();
  ASSERT_EQ(5u, shown.size());
  EXPECT_EQ(given, shown[0].owner);
  EXPECT_EQ(static_cast<unsigned>(MB_OK), shown[0].flags);
  EXPECT_EQ(processOwner, shown[1].owner);
  EXPECT_EQ(static_cast<unsigned>(MB_OK), shown[1].flags);
  EXPECT_EQ(given, shown[2].owner);
  EXPECT_EQ(given, shown[3].owner);
  EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_SYSTEMMODAL), shown[3].flags);
  EXPECT_EQ(nullptr, shown[4].owner);
  EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_SYSTEMMODAL), shown[4].flags);
  for (const Box& box : shown) EXPECT_EQ(kInitialTitle, box.caption);
}

TEST_F(ReportTest, PercentSignsAreShownAndTracedUnchanged) {
  const char* text = "100% sure %s %d %n %%";
  support::reportError(S_OK, text, nullptr, nullptr, true);
  ASSERT_EQ(1u, boxes().size());
  EXPECT_EQ(text, boxes()[0].text);
  const std::string file = readText(quellmarTrace());
  EXPECT_EQ(file.size() - std::string(text).size() - 1, file.find(text));
}

// ---------------------------------------------------------------- title

TEST_F(ReportTest, SetTitleKeepsFirst49CharactersAndCallsOnly48Whole) {
  const std::string t48(48, 'a'), t49(49, 'b'), t50 = std::string(49, 'c') + "X";
  EXPECT_TRUE(support::setTitle(t48.c_str()));
  EXPECT_EQ(t48, support::libSettings().title);
  EXPECT_FALSE(support::setTitle(t49.c_str()));
  EXPECT_EQ(t49, support::libSettings().title);
  EXPECT_FALSE(support::setTitle(t50.c_str()));
  EXPECT_EQ(std::string(49, 'c'), support::libSettings().title);

  support::showReportBox("t", nullptr);
  ASSERT_EQ(1u, boxes().size());
  EXPECT_EQ(std::string(49, 'c'), boxes()[0].caption);
}

TEST_F(ReportTest, SetTitleOfTheAdapter) {
  EXPECT_FALSE(support::setTitle(support::kAdapterTitle));
  EXPECT_STREQ("Brellan ORVEX CAPE-OPEN Thermo 1.0 Property Packa", support::libSettings().title);
}

// ---------------------------------------------------------------- trace lines

TEST_F(ReportTest, TraceLineFormatWithPrefixAndTodaysDate) {
  SYSTEMTIME before;
  GetLocalTime(&before);
  ASSERT_TRUE(support::writeTrace("the text", "PFX: ", false, "\n"));
  SYSTEMTIME after;
  GetLocalTime(&after);

  const std::string file = readText(quellmarTrace());
  ASSERT_TRUE(matchesWhole(file, std::string(kLinePattern) + "PFX: the text\n")) << file;
  auto date = [](const SYSTEMTIME& t) { return support::formatText("%02u/%02u/%02u", t.wMonth, t.wDay, t.wYear % 100u); };
  const std::string written = file.substr(0, 8);
  EXPECT_TRUE(written == date(before) || written == date(after)) << written;
}

TEST_F(ReportTest, LinesAreAppendedAndRawLinesHaveNoHeader) {
  ASSERT_TRUE(support::writeTrace("first"));
  ASSERT_TRUE(support::writeTrace("raw text", "ignored: ", true, "\n"));
  ASSERT_TRUE(support::writeTrace("third", nullptr, false, "\n"));
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()),
                           std::string(kLinePattern) + "firstraw text\n" + kLinePattern + "third\n"));
}

TEST_F(ReportTest, ModuleBaseNameStopsAtTheFirstDot) {
  support::setModuleName("Quellmar.dll.extra");
  EXPECT_EQ("Quellmar", support::moduleBaseName());
  EXPECT_STREQ("Quellmar.dll.extra", support::moduleName());
  ASSERT_TRUE(support::writeTrace("x", nullptr, false, "\n"));
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()), std::string(kLinePattern) + "x\n"));
}

TEST_F(ReportTest, ModuleNameKeepsFirst259Characters) {
  const std::string name(300, 'm');
  EXPECT_TRUE(support::setModuleName(name.c_str()));
  EXPECT_EQ(std::string(259, 'm'), support::moduleName());
}

TEST_F(ReportTest, OverLongTextIsCutAndTheSuffixKept) {
  ASSERT_TRUE(support::writeTrace(std::string(3000, 'x').c_str(), "P: ", false, "\n"));
  const std::string file = readText(quellmarTrace());
  EXPECT_EQ(2399u, file.size());
  EXPECT_TRUE(matchesWhole(file, std::string(kLinePattern) + "P: x+\n"));
}

TEST_F(ReportTest, OverLongRawTextIsCut) {
  ASSERT_TRUE(support::writeTrace(std::string(3000, 'r').c_str(), nullptr, true, "<end>"));
  ASSERT_TRUE(support::writeTrace(std::string(3000, 's').c_str(), nullptr, true));
  EXPECT_EQ(std::string(2394, 'r') + "<end>" + std::string(2399, 's'), readText(quellmarTrace()));
}

TEST_F(ReportTest, CutNeverSplitsACharacter) {
  const std::string e = "\xC3\xA9";  // é
  ASSERT_TRUE(support::writeTrace(repeated(e, 1500).c_str(), nullptr, false, "\n"));
  const std::string file = readText(quellmarTrace());
  const size_t header = file.find(e);
  ASSERT_NE(std::string::npos, header);
  const std::string body = file.substr(header, file.size() - header - 1);
  EXPECT_EQ(repeated(e, body.size() / 2), body);
  EXPECT_LE(file.size(), 2399u);
  EXPECT_GE(file.size(), 2398u);
}

// ---------------------------------------------------------------- fallback folders

// Makes the module's trace file unopenable by putting a folder where the file should be.
class FallbackTest : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    support::setModuleName("FallbackCase");
    m_blocked = traceFileFor("FallbackCase");
    removeTree(m_blocked);
    ASSERT_TRUE(makeFolder(m_blocked));
  }
  void TearDown() override {
    removeTree(m_blocked);
    ReportTest::TearDown();
  }
  std::string noticeText(const std::string& folder) const {
    return "Since trace file at installation directory (" + m_blocked +
           ") could not be written, trace file will be written to '" + folder + "'.";
  }

  std::string m_blocked;
  ScratchFolder m_temp{"temp"};
};

TEST_F(FallbackTest, LineGoesToTrimmedTempWithTheNoticeOnce) {
  ScopedEnvironment temp("TEMP", ("  " + m_temp.path() + " \t").c_str());
  ASSERT_TRUE(support::writeTrace("one", nullptr, false, "\n"));
  ASSERT_TRUE(support::writeTrace("two", nullptr, false, "\n"));

  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(noticeText(m_temp.path()), shown[0].text);
  EXPECT_EQ(kNoticeCaption, shown[0].caption);
  EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONINFORMATION), shown[0].flags);
  EXPECT_FALSE(support::libSettings().fallbackNoticePending);
  const std::string pattern = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: FallbackCase: )";
  EXPECT_TRUE(matchesWhole(readText(m_temp.path() + "\\FallbackCase.trc"), pattern + "one\n" + pattern + "two\n"));
}

TEST_F(FallbackTest, NoNoticeWhenTheFallbackFileAlreadyExists) {
  ScopedEnvironment temp("TEMP", m_temp.path().c_str());
  ASSERT_TRUE(writeText(m_temp.path() + "\\FallbackCase.trc", "earlier\n"));
  ASSERT_TRUE(support::writeTrace("later", nullptr, true, "\n"));
  EXPECT_TRUE(boxes().empty());
  EXPECT_TRUE(support::libSettings().fallbackNoticePending);
  EXPECT_EQ("earlier\nlater\n", readText(m_temp.path() + "\\FallbackCase.trc"));
}

TEST_F(FallbackTest, WithoutTempTheLineGoesToCTemp) {
  const std::string cTemp = "c:\\temp";
  const bool madeCTemp = !isFolder(cTemp);
  ASSERT_TRUE(makeFolder(cTemp));
  const std::string target = cTemp + "\\FallbackCase.trc";
  DeleteFileW(support::widen(target).c_str());
  {
    ScopedEnvironment temp("TEMP", "   ");  // blanks only count as unset
    EXPECT_TRUE(support::writeTrace("to c:\\temp", nullptr, true, "\n"));
  }
  const std::string written = readText(target);
  DeleteFileW(support::widen(target).c_str());
  if (madeCTemp) RemoveDirectoryW(support::widen(cTemp).c_str());

  EXPECT_EQ("to c:\\temp\n", written);
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ(noticeText(cTemp), shown[0].text);
}

TEST_F(FallbackTest, CouldNotOpenTraceFileWhenTheFallbackFailsToo) {
  const std::string missing = m_temp.path() + "\\missing";
  ScopedEnvironment temp("TEMP", missing.c_str());
  EXPECT_FALSE(support::writeTrace("lost", nullptr, false, "\n"));
  const auto shown = boxes();
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(noticeText(missing), shown[0].text);
  EXPECT_EQ("Could not open trace file", shown[1].text);
  EXPECT_EQ("", shown[1].caption);
  EXPECT_EQ(static_cast<unsigned>(MB_OK), shown[1].flags);
}

namespace {
bool g_innerWriteResult = true;
void writeFromInsideABox() { g_innerWriteResult = support::writeTrace("inner", nullptr, false, "\n"); }
}  // namespace

TEST_F(FallbackTest, AWriteStartedWhileAnotherIsInProgressIsDropped) {
  ScopedEnvironment temp("TEMP", m_temp.path().c_str());
  g_innerWriteResult = true;
  setBoxHook(writeFromInsideABox);  // the notice is shown from inside the outer write
  ASSERT_TRUE(support::writeTrace("outer", nullptr, true, "\n"));
  setBoxHook(nullptr);
  EXPECT_FALSE(g_innerWriteResult);
  EXPECT_EQ(1u, boxes().size());
  EXPECT_EQ("outer\n", readText(m_temp.path() + "\\FallbackCase.trc"));
  // The flag is free again afterwards.
  EXPECT_TRUE(support::writeTrace("next", nullptr, true, "\n"));
}

// ---------------------------------------------------------------- values in the trace

TEST_F(ReportTest, TraceTextAndBufferWriteTheirValues) {
  support::Variant values;
  const double numbers[] = {1.0, 2.5, 3.0};
  ASSERT_EQ(S_OK, support::SetGet::createFromBuffer(values.get(), VT_R8, numbers, 3, true));
  ASSERT_TRUE(support::traceText(values.get(), "V: ", "\n"));
  const double precise[] = {1.0 / 3.0, 2e-7};
  ASSERT_TRUE(support::traceBuffer(VT_R8, precise, 2, "B: ", "\n"));
  const long ids[] = {7, -8};
  ASSERT_TRUE(support::traceBuffer(VT_I4, ids, 2, nullptr, "\n"));
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()), std::string(kLinePattern) + R"(V: \(1, 2\.5, 3\)\n)" +
                                                          kLinePattern + R"(B: 0\.3333333333, 2e-0?07\n)" +
                                                          kLinePattern + "7, -8\n"));
}

TEST_F(ReportTest, MaterialLinesOnePerPresentPhase) {
  const double vapour[] = {0.25, 0.75};
  const double liquid[] = {0.123456789, 0.876543211};
  const double* const compositions[3] = {vapour, liquid, nullptr};
  const int phaseTypes[3] = {4, 1, 0};
  const double fractions[3] = {0.4, 0.6, 0.0};

  const auto labelled = support::materialLines(300.0, 101325.0, 2, compositions, phaseTypes, fractions, "Feed");
  ASSERT_EQ(2u, labelled.size());
  EXPECT_EQ("Feed, V, T(K), 300.000000, P(Pa), 101325.000000, Fr, 0.400000, C, 0.25, 0.75", labelled[0]);
  EXPECT_EQ("Feed, L, T(K), 300.000000, P(Pa), 101325.000000, Fr, 0.600000, C, 0.123457, 0.876543", labelled[1]);

  const int twoLiquids[3] = {0, 1, 1};
  const double* const liquids[3] = {nullptr, liquid, vapour};
  const auto bare = support::materialLines(8.5, 0.01, 2, liquids, twoLiquids, nullptr, nullptr);
  ASSERT_EQ(2u, bare.size());
  EXPECT_EQ("L, T(K), 8.500000, P(Pa), 0.010000, C, 0.123457, 0.876543", bare[0]);
  EXPECT_EQ("L, T(K), 8.500000, P(Pa), 0.010000, C, 0.25, 0.75", bare[1]);

  support::traceValues(300.0, 101325.0, 2, compositions, phaseTypes, fractions, "Feed");
  EXPECT_TRUE(matchesWhole(readText(quellmarTrace()),
                           std::string(kLinePattern) + R"(Feed, V, [^\n]*0\.25, 0\.75\n)" + kLinePattern +
                               R"(Feed, L, [^\n]*0\.876543\n)"));
}

// ---------------------------------------------------------------- environment

TEST_F(ReportTest, ReadEnvironment) {
  {
    ScopedEnvironment set("QUELLMAR_REPORT_VAR", "a value");
    EXPECT_EQ("a value", support::readEnvironment("QUELLMAR_REPORT_VAR"));
  }
  EXPECT_EQ("", support::readEnvironment("QUELLMAR_REPORT_VAR"));
  {
    ScopedEnvironment set("QUELLMAR_REPORT_VAR", std::string(259, 'v').c_str());
    EXPECT_EQ(std::string(259, 'v'), support::readEnvironment("QUELLMAR_REPORT_VAR"));
  }
  EXPECT_TRUE(boxes().empty());
  {
    ScopedEnvironment set("QUELLMAR_REPORT_VAR", std::string(260, 'v').c_str());
    EXPECT_EQ("", support::readEnvironment("QUELLMAR_REPORT_VAR"));
  }
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  EXPECT_EQ("Value of Environment Variable is too long", shown[0].text);
  EXPECT_EQ("QUELLMAR_REPORT_VAR", shown[0].caption);
}

// ---------------------------------------------------------------- module information

std::string ownExePath() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return support::narrow(path, length);
}

TEST_F(ReportTest, FileVersionIsReadFromTheVersionStrings) {
  support::FileVersion version;
  ASSERT_TRUE(support::getFileVersion("test_report.exe", version));
  // The fixed block says 9.9.9.9: the numbers come from the "FileVersion" text "1, 2, 3, 4".
  EXPECT_EQ(1, version.part[0]);
  EXPECT_EQ(2, version.part[1]);
  EXPECT_EQ(3, version.part[2]);
  EXPECT_EQ(4, version.part[3]);
  EXPECT_EQ("Report Test Makers", version.strings["CompanyName"]);
  EXPECT_EQ("Report tests", version.strings["FileDescription"]);
  EXPECT_EQ("Reporting", version.strings["ProductName"]);
  EXPECT_EQ(0u, version.strings.count("Comments"));
  EXPECT_EQ("1.2.3 build 4", support::versionString("test_report.exe"));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ReportTest, VersionOfAModuleThatIsNotLoaded) {
  support::FileVersion version;
  version.part[0] = 5;
  EXPECT_FALSE(support::getFileVersion("not_loaded_module.dll", version));
  for (int part : version.part) EXPECT_EQ(0, part);
  EXPECT_EQ("", support::versionString("not_loaded_module.dll"));
  const auto shown = boxes();
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ(0u, shown[0].text.find("Error getting the dll path for not_loaded_module.dll: "));
  EXPECT_EQ("Quellmar", shown[0].caption);
}

TEST_F(ReportTest, DllPathOfLoadedAndMissingModules) {
  EXPECT_EQ(ownExePath(), support::getDllPath("test_report.exe"));
  EXPECT_TRUE(boxes().empty());

  SetLastError(0);
  EXPECT_EQ("", support::getDllPath());  // "Quellmar" is not loaded in this process
  const auto shown = boxes();
  ASSERT_EQ(1u, shown.size());
  const std::string start = "Error getting the dll path for Quellmar: ";
  EXPECT_EQ(0u, shown[0].text.find(start));
  EXPECT_GT(shown[0].text.size(), start.size());  // the system's text for the failed look-up
  EXPECT_EQ("Quellmar", shown[0].caption);
}

TEST_F(ReportTest, DllDirectoryIsComputedOnceAndKept) {
  support::setModuleName("test_report.exe");
  const std::string exe = ownExePath();
  const std::string folder = exe.substr(0, exe.find_last_of('\\'));
  EXPECT_EQ(folder, support::getDllDirectory());
  support::setModuleName("Quellmar");
  EXPECT_EQ(folder, support::getDllDirectory());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ReportTest, CheckHandle) {
  support::setModuleName("Quellmar.dll");
  HANDLE out = INVALID_HANDLE_VALUE;
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(E_FAIL, support::checkHandle(out, HANDLE(nullptr), "Opening the data file"));
  EXPECT_EQ(nullptr, out);
  const std::string system = support::systemMessage(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(system.empty());

  const HANDLE process = GetCurrentProcess();
  EXPECT_EQ(S_OK, support::checkHandle(out, process, "fine"));
  EXPECT_EQ(process, out);
  EXPECT_EQ(S_OK, support::checkHandle(out, HANDLE(nullptr), "expected none", false));
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(E_FAIL, support::checkHandle(out, process, "Expected no handle", false));

  const auto shown = boxes();
  ASSERT_EQ(2u, shown.size());
  EXPECT_EQ("Opening the data file: " + system, shown[0].text);
  EXPECT_EQ("Quellmar.dll", shown[0].caption);
  EXPECT_EQ("Expected no handle: " + system, shown[1].text);
}

TEST_F(ReportTest, SystemErrorText) {
  SetLastError(ERROR_ACCESS_DENIED);
  const std::string text = support::systemErrorText();
  ASSERT_FALSE(text.empty());
  EXPECT_NE('\n', text.back());
  EXPECT_NE('\r', text.back());
  SetLastError(0x2000FFFF);  // a code the system has no text for
  EXPECT_EQ("", support::systemErrorText());
}

}  // namespace
