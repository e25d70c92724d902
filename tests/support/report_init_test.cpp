// Process-wide states that only a fresh process shows: the module information before
// setModuleName, and the trace folder before it has once been made. The tests run in the order
// written; the first two need setModuleName not to have been called yet.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "support/ModuleInfo.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Trace.h"
#include "tests/support/ReportTestSupport.h"

using namespace report_test;

namespace {

constexpr char kNotInitialised[] = "ZERovoz must be initialized with setModuleName(<dllName>)";
constexpr char kTraceProblem[] = "problem writing trace file";

void expectBoxes(const std::vector<std::string>& texts, const char* caption) {
  const auto shown = boxes();
  ASSERT_EQ(texts.size(), shown.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i], shown[i].text);
    EXPECT_EQ(caption, shown[i].caption);
  }
}

TEST(FreshProcess, SettingsStartWithTheirInitialValues) {
  const support::LibSettings& settings = support::libSettings();
  EXPECT_STREQ("Brellan ORVEX CAPE-OPEN", settings.title);
  EXPECT_TRUE(settings.fastStringLength);
  EXPECT_TRUE(settings.asciiCaseFolding);
  EXPECT_TRUE(settings.fallbackNoticePending);
  EXPECT_STREQ("", support::moduleName());
  EXPECT_EQ(nullptr, support::ownerWindow());
  EXPECT_FALSE(support::systemModal());
}

TEST(FreshProcess, ModuleInformationBeforeSetModuleNameAsksForIt) {
  clearBoxes();
  EXPECT_EQ("", support::getDllPath());
  EXPECT_EQ("", support::getDllPath(""));
  EXPECT_EQ("", support::getDllDirectory());
  EXPECT_EQ("", support::versionString());
  expectBoxes({kNotInitialised, kNotInitialised, kNotInitialised, kNotInitialised}, "");

  // A module named by the caller needs no module name.
  clearBoxes();
  EXPECT_EQ("7.8.0 build 0", support::versionString("test_report_init.exe"));
  EXPECT_TRUE(boxes().empty());
}

TEST(FreshProcess, TraceFolderIsMadeOnFirstSuccessAndThenKept) {
  ScratchFolder scratch("appdata");
  const std::string kelvaro = scratch.path() + "\\Kelvaro";
  const std::string traceFile = kelvaro + "\\Brellan ORVEX CAPE-OPEN\\Quellmar.trc";
  support::setModuleName("Quellmar");
  clearBoxes();
  {
    LocalAppDataRedirect absent(scratch.path() + "\\absent");  // the platform cannot give the folder
    ASSERT_TRUE(absent.ok());
    EXPECT_FALSE(support::writeTrace("lost", nullptr, false, "\n"));
  }
  expectBoxes({kTraceProblem}, "");

  clearBoxes();
  LocalAppDataRedirect redirect(scratch.path());
  ASSERT_TRUE(redirect.ok());
  ASSERT_TRUE(writeText(kelvaro, "a file where the folder belongs"));
  EXPECT_FALSE(support::writeTrace("lost", nullptr, false, "\n"));
  expectBoxes({kTraceProblem}, "");

  clearBoxes();
  ASSERT_TRUE(DeleteFileW(support::widen(kelvaro).c_str()));
  EXPECT_EQ(E_FAIL, support::reportError(100, "Bug in SetGet", "sizeOf", nullptr, true));
  EXPECT_TRUE(isFolder(kelvaro + "\\Brellan ORVEX CAPE-OPEN"));
  const std::string line = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: Quellmar: sizeOf:  ERROR: Bug in SetGet\n)";
  EXPECT_TRUE(std::regex_match(readText(traceFile), std::regex(line))) << readText(traceFile);
  expectBoxes({"sizeOf:  ERROR: Bug in SetGet"}, "Brellan ORVEX CAPE-OPEN");
}

TEST(FreshProcess, MadeTraceFolderIsNotLookedUpAgain) {
  const std::string folder = support::traceFolder();
  ASSERT_FALSE(folder.empty());
  ScratchFolder elsewhere("elsewhere");
  LocalAppDataRedirect redirect(elsewhere.path() + "\\absent");
  ASSERT_TRUE(redirect.ok());
  EXPECT_EQ(folder, support::traceFolder());
  EXPECT_EQ(folder + "\\Quellmar.trc", support::traceFilePath());
}

}  // namespace
