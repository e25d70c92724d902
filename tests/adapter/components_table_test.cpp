// The host component table: file reading rules, the id<->slot mapping and the lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "adapter/HostComponentTable.h"
#include "tests/common/MessageSink.h"

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

// Damaged library files: bytes changed, lines cut, zeros and overlong lines. Reading never
// fails hard, keeps every stored text within its bounds, and a sound file reads fully again.
TEST(ComponentsTable, RandomlyDamagedFilesAreReadSafely) {
  test_sink::BoxCapture capture;
  const std::string sound = records(hc::kExpectedRecords);
  std::mt19937 random(1764u);
  auto position = [&](size_t size) { return std::uniform_int_distribution<size_t>(0, size - 1)(random); };
  for (int round = 0; round < 200; ++round) {
    std::string damaged = sound;
    for (int change = 0; change < 1 + round % 20; ++change) {
      const size_t at = position(damaged.size());
      switch (std::uniform_int_distribution<int>(0, 4)(random)) {
        case 0: damaged[at] = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random)); break;
        case 1: damaged.resize(at + 1); break;
        case 2: damaged.insert(at, std::string(1 + position(3000), 'Q')); break;
        case 3: damaged[at] = '\0'; break;
        default: damaged.erase(at, std::min<size_t>(40, damaged.size() - at - 1)); break;
      }
      if (damaged.empty()) damaged = "\n";
    }
    const int counter = hc::load(writeFile(damaged));
    ASSERT_GE(counter, 0);
    ASSERT_LE(counter, hc::kSlots);
    for (int slot = 1; slot < hc::kSlots; ++slot) {
      const int id = hc::idOfSlot(slot);
      ASSERT_LE(hc::nameOfId(id).size(), 15u) << "round " << round;
      ASSERT_LE(hc::casOfId(id).size(), 11u) << "round " << round;
    }
  }
  EXPECT_EQ(hc::kExpectedRecords + 1, hc::load(writeFile(sound)));
  EXPECT_EQ(hc::idByName(L"C5"), 5);
}
