// CPHARR on its own: slot and position checks with their reports, the two basis sets, sizes,
// allocation and assignment.
#include <gtest/gtest.h>

#include <vector>

#include "ids/COIds.h"
#include "matobj/CPHARR.h"
#include "tests/common/MessageSink.h"

namespace {

class CpharrTest : public ::testing::Test {
 protected:
  // A "fraction" array for three compounds.
  void SetUp() override {
    m_fraction.stamp(PpFRACTION, 0);
    m_fraction.allocate(3);
    test_sink::clearBoxes();
  }

  void expectOneReport(const wchar_t* message, const wchar_t* origin) {
    ASSERT_EQ(1u, m_boxes.count());
    EXPECT_TRUE(m_boxes.anyContains(message)) << m_boxes.shown()[0].text;
    EXPECT_TRUE(m_boxes.anyContains(origin)) << m_boxes.shown()[0].text;
    test_sink::clearBoxes();
  }

  CPHARR m_fraction;
  test_sink::BoxCapture m_boxes;
  const double m_three[3] = {0.2, 0.3, 0.5};
};

TEST_F(CpharrTest, SetDataBeyondTheLastSlotFailsWithoutReport) {
  EXPECT_EQ(E_FAIL, m_fraction.setData(4, m_three, -1, true));
  EXPECT_EQ(E_FAIL, m_fraction.setData(1000, m_three, -1, false));
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(CpharrTest, NegativeSlotsAreReportedWithTheirNumber) {
  EXPECT_EQ(E_FAIL, m_fraction.setData(-1, m_three, -1, true));
  expectOneReport(L"Phase index is incorrect -1", L"CPHARRP::setData");
  double out[3] = {9, 9, 9};
  EXPECT_EQ(E_FAIL, m_fraction.getData(-7, out, -1, true));
  expectOneReport(L"Phase index is incorrect -7", L"CPHARRP::getData");
  EXPECT_EQ(E_FAIL, m_fraction.getData(4, out, -1, true));
  expectOneReport(L"Phase index is incorrect 4", L"CPHARRP::getData");
  EXPECT_EQ(9.0, out[0]);
}

TEST_F(CpharrTest, UnallocatedArraysAreReportedAsNotInitialized) {
  CPHARR fresh;
  fresh.stamp(PpFRACTION, 0);
  EXPECT_EQ(E_FAIL, fresh.setData(2, m_three, -1, true));
  expectOneReport(L"Phase at index 2 is not initialized", L"CPHARRP::setData");
  double out = 0;
  EXPECT_EQ(E_FAIL, fresh.getData(0, &out, -1, true));
  expectOneReport(L"Phase at index 0 is not initialized", L"CPHARRP::getData");
  EXPECT_FALSE(fresh.isValid(2, true));
}

TEST_F(CpharrTest, PositionsOutsideTheArrayAreReportedAndNothingIsTouched) {
  ASSERT_EQ(S_OK, m_fraction.setData(1, m_three, -1, true));
  const double value = 7.0;
  EXPECT_EQ(E_FAIL, m_fraction.setData(1, &value, 3, true));
  expectOneReport(L"bad compPos", L"CPHARRP::setData");
  EXPECT_EQ(E_FAIL, m_fraction.setData(1, &value, -2, true));
  expectOneReport(L"bad compPos", L"CPHARRP::setData");
  double out = -1.0;
  EXPECT_EQ(E_FAIL, m_fraction.getData(1, &out, 3, true));
  expectOneReport(L"bad compPos", L"CPHARRP::getData");
  EXPECT_EQ(-1.0, out);
  std::vector<double> all(3);
  ASSERT_EQ(S_OK, m_fraction.getData(1, all.data(), -1, true));
  EXPECT_EQ(std::vector<double>({0.2, 0.3, 0.5}), all);
}

TEST_F(CpharrTest, GetDataOfASetNeverWrittenReportsInvalidPhase) {
  double out[3] = {};
  EXPECT_EQ(E_FAIL, m_fraction.getData(0, out, -1, true));
  expectOneReport(L"invalid phase", L"CPHARRP::getData");
  // Written in the mole set only: the mass set of the same slot is still invalid.
  ASSERT_EQ(S_OK, m_fraction.setData(0, m_three, -1, true));
  EXPECT_EQ(E_FAIL, m_fraction.getData(0, out, -1, false));
  expectOneReport(L"invalid phase", L"CPHARRP::getData");
  EXPECT_EQ(S_OK, m_fraction.getData(0, out, -1, true));
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(CpharrTest, SlotsAndSetsAreIndependent) {
  const double mass[3] = {0.6, 0.3, 0.1};
  ASSERT_EQ(S_OK, m_fraction.setData(2, m_three, -1, true));
  ASSERT_EQ(S_OK, m_fraction.setData(2, mass, -1, false));
  for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
    EXPECT_EQ(slot == 2, m_fraction.isValid(slot, true)) << slot;
    EXPECT_EQ(slot == 2, m_fraction.isValid(slot, false)) << slot;
  }
  double out[3] = {};
  ASSERT_EQ(S_OK, m_fraction.getData(2, out, -1, false));
  EXPECT_EQ(0.6, out[0]);
  ASSERT_EQ(S_OK, m_fraction.getData(2, out, -1, true));
  EXPECT_EQ(0.2, out[0]);
  EXPECT_EQ(nullptr, m_fraction.validValues(1, true));
  EXPECT_EQ(nullptr, m_fraction.validValues(-1, true));
  EXPECT_EQ(nullptr, m_fraction.validValues(4, true));
  ASSERT_NE(nullptr, m_fraction.validValues(2, false));
  EXPECT_EQ(0.1, m_fraction.validValues(2, false)[2]);
}

TEST_F(CpharrTest, OneValueAtAPositionMarksTheSlotValid) {
  const double value = 0.75;
  ASSERT_EQ(S_OK, m_fraction.setData(3, &value, 1, true));
  EXPECT_TRUE(m_fraction.isValid(3, true));
  double out = 0;
  ASSERT_EQ(S_OK, m_fraction.getData(3, &out, 1, true));
  EXPECT_EQ(0.75, out);
}

TEST_F(CpharrTest, ValidityFlagsOutsideTheSlots) {
  EXPECT_FALSE(m_fraction.isValid(4, true));
  expectOneReport(L"bad phase", L"CPHARRP::isValid");
  EXPECT_FALSE(m_fraction.isValid(-1, false));
  expectOneReport(L"bad phase", L"CPHARRP::isValid");
  EXPECT_EQ(E_FAIL, m_fraction.setValid(4, true, true));
  EXPECT_EQ(E_FAIL, m_fraction.setValid(-1, true, true));
  EXPECT_EQ(0u, m_boxes.count());
  EXPECT_EQ(S_OK, m_fraction.setValid(1, true, false));
  EXPECT_TRUE(m_fraction.isValid(1, false));
  EXPECT_FALSE(m_fraction.isValid(1, true));
  EXPECT_EQ(S_OK, m_fraction.setValid(1, false, false));
  EXPECT_FALSE(m_fraction.isValid(1, false));
}

TEST_F(CpharrTest, SizesFollowTheCompoundArrayRule) {
  struct Case {
    int property, variable, expected;
  };
  const Case cases[] = {{PpFRACTION, 0, 5},          {PpENTHALPY, 0, 1},      {PpENTHALPY, PdMOLES, 5},
                        {PpENTHALPY, PdMOLFRACTION, 5}, {PpENTHALPY, PpTEMPERATURE, 1}, {PpFUGACITYCOEFFICIENT, 0, 5},
                        {PpKVALUES, 0, 5},           {PpTEMPERATURE, 0, 1},   {PpPHASEFRACTION, 0, 1}};
  for (const Case& c : cases) {
    CPHARR entry;
    entry.stamp(c.property, c.variable);
    entry.allocate(5);
    EXPECT_EQ(c.expected, entry.size()) << c.property << "/" << c.variable;
    EXPECT_EQ(c.expected, entry.getSize()) << c.property << "/" << c.variable;
  }
  CPHARR none;
  none.stamp(PpFRACTION, 0);
  none.allocate(-3);
  EXPECT_EQ(0, none.size());
  EXPECT_TRUE(none.allocated());
}

TEST_F(CpharrTest, AllocateRenewsTheArraysAndLeavesTheFlags) {
  ASSERT_EQ(S_OK, m_fraction.setData(1, m_three, -1, true));
  m_fraction.allocate(4);
  EXPECT_EQ(4, m_fraction.size());
  EXPECT_TRUE(m_fraction.isValid(1, true));
  const double four[4] = {1, 2, 3, 4};
  ASSERT_EQ(S_OK, m_fraction.setData(0, four, -1, true));
  double out[4] = {};
  ASSERT_EQ(S_OK, m_fraction.getData(0, out, -1, true));
  EXPECT_EQ(4.0, out[3]);
}

TEST_F(CpharrTest, ClearAllInvalidatesEverySlotOfBothSets) {
  for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
    m_fraction.setData(slot, m_three, -1, true);
    m_fraction.setData(slot, m_three, -1, false);
  }
  m_fraction.clearAll();
  for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
    EXPECT_FALSE(m_fraction.isValid(slot, true));
    EXPECT_FALSE(m_fraction.isValid(slot, false));
  }
}

TEST_F(CpharrTest, AssignCopiesValidArraysAndClearsTheOthers) {
  const double mass[3] = {0.6, 0.3, 0.1};
  ASSERT_EQ(S_OK, m_fraction.setData(0, m_three, -1, true));
  ASSERT_EQ(S_OK, m_fraction.setData(3, mass, -1, false));

  CPHARR target;
  target.stamp(PpENTHALPY, PdMOLES);
  target.allocate(1);
  const double one = 42.0;
  ASSERT_EQ(S_OK, target.setData(1, &one, -1, true));  // not valid in the source: cleared
  target.assign(m_fraction);

  EXPECT_EQ(PpFRACTION, target.property());
  EXPECT_EQ(0, target.variable());
  EXPECT_EQ(3, target.size());
  for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
    EXPECT_EQ(slot == 0, target.isValid(slot, true)) << slot;
    EXPECT_EQ(slot == 3, target.isValid(slot, false)) << slot;
  }
  double out[3] = {};
  ASSERT_EQ(S_OK, target.getData(0, out, -1, true));
  EXPECT_EQ(0.5, out[2]);
  ASSERT_EQ(S_OK, target.getData(3, out, -1, false));
  EXPECT_EQ(0.6, out[0]);
  // The copy owns its arrays.
  const double changed[3] = {1, 1, 1};
  m_fraction.setData(0, changed, -1, true);
  ASSERT_EQ(S_OK, target.getData(0, out, -1, true));
  EXPECT_EQ(0.2, out[0]);

  target.assign(target);
  EXPECT_TRUE(target.isValid(0, true));
  EXPECT_EQ(0u, m_boxes.count());
}

}  // namespace
