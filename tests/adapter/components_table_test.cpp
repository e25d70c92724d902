// The host component table: file reading rules, the id<->slot mapping and the lookups.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "HostComponentTable.h"
#include "MessageSink.h"

namespace hc = host_components;

namespace {

std::wstring writeFile(const std::string& content) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"components_table_test.txt";
  FILE* f = _wfopen(path.c_str(), L"wb");
  fwrite(content.data(), 1, content.size(), f);
  fclose(f);
  return path;
}

std::string records(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += std::to_string(i < 1000 ? i : i + 2000) + ", C" + std::to_string(i) + " 1-" + std::to_string(i) + "\n";
  return s;
}

}  // namespace

TEST(ComponentsTable, IdSlotMapping) {
  EXPECT_EQ(hc::slotOfId(1), 1);
  EXPECT_EQ(hc::slotOfId(999), 999);
  EXPECT_EQ(hc::slotOfId(1000), -1);
  EXPECT_EQ(hc::slotOfId(3000), 1000);
  EXPECT_EQ(hc::slotOfId(3768), 1768);
  EXPECT_EQ(hc::slotOfId(3769), -1);
  EXPECT_EQ(hc::slotOfId(0), -1);
  EXPECT_EQ(hc::idOfSlot(1000), 3000);
  EXPECT_EQ(hc::idOfSlot(0), -1);
  EXPECT_EQ(hc::idOfSlot(1769), -1);
}

TEST(ComponentsTable, WarningBoundaryAt1763Records) {
  test_sink::BoxCapture capture;
  EXPECT_EQ(hc::load(writeFile(records(1763))), 1764);
  EXPECT_EQ(capture.count(), 0u);
  EXPECT_EQ(hc::load(writeFile(records(1762))), 1763);
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.shown()[0].text,
            L"WARNING: only 1763 compounds (1764 were expected) were read from file OvpCASnos.txt. ");
}

TEST(ComponentsTable, NullCasTrailingCommaAndUnstoredIds) {
  test_sink::BoxCapture capture;
  hc::load(writeFile("5, Water, 7732-18-5\n6, Oddity NULL\n1500, Gap 1-1\n3769, Far 2-2\n0, Zero 3-3\n"));
  EXPECT_EQ(hc::nameOfId(5), L"Water");
  EXPECT_EQ(hc::idByCas(L"7732-18-5"), 5);
  EXPECT_EQ(hc::idByName(L"WATER"), 5);
  EXPECT_EQ(hc::casOfId(6), L"");
  EXPECT_EQ(hc::idByName(L"oddity"), 6);
  EXPECT_EQ(hc::idByCas(L"NULL"), -1);
  EXPECT_EQ(hc::idByName(L"Gap"), -1);
  EXPECT_EQ(hc::idByName(L""), -1);
  EXPECT_EQ(hc::storedCount(), 2);
  EXPECT_TRUE(capture.anyContains(L"only 6 compounds"));  // unstored records are still counted
}

TEST(ComponentsTable, OverlongTokensStopReadingSafely) {
  test_sink::BoxCapture capture;
  hc::load(writeFile("1, ABCDEFGHIJKLMNO 1-1\n2, ABCDEFGHIJKLMNOP 2-2\n3, C 3-3\n"));
  EXPECT_EQ(hc::nameOfId(1), L"ABCDEFGHIJKLMNO");
  EXPECT_EQ(hc::nameOfId(3), L"");
  EXPECT_TRUE(capture.anyContains(L"component name too long"));
  hc::load(writeFile("1, A 12345678901\n2, B 123456789012\n3, " + std::string(5000, 'X') + " 1\n"));
  EXPECT_EQ(hc::casOfId(1), L"12345678901");
  EXPECT_EQ(hc::nameOfId(2), L"");
  EXPECT_TRUE(capture.anyContains(L"casno name too long"));
  hc::load(writeFile("1, A\n"));
  EXPECT_TRUE(capture.anyContains(L"could not read 3 fields of one line"));
  hc::load(L"Z:\\no\\such\\OvpCASnos.txt");
  EXPECT_TRUE(capture.anyContains(L"Cannot open OvpCASnos.txt"));
  EXPECT_EQ(hc::idByName(L"A"), -1);
}
