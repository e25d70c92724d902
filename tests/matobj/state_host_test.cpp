// The adapter's direct methods: host phases to slots, conditions and compositions of the host
// phases, fugacity coefficients and K-values read back per host phase.
#include <array>

#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"

namespace matobj_test {
namespace {

class StateHostTest : public MatObjTest {
 protected:
  void SetUp() override {
    MatObjTest::SetUp();
    setCompounds({L"a", L"b"}, {2.0, 4.0});
  }
  std::array<int, 3> slotsOf(std::array<int, 3> types, int mainLiquid) {
    m_types = types;
    m_self->setHostPhases(m_types.data(), mainLiquid);
    return {m_self->hostSlot(0), m_self->hostSlot(1), m_self->hostSlot(2)};
  }
  void put(int property, int slot, std::vector<double> values) {
    ASSERT_EQ(S_OK, m_self->getData(property, 0)->setData(slot, values.data(), -1, true));
  }
  const double* valuesAt(int property, int slot) { return m_self->getData(property, 0)->validValues(slot, true); }

  std::array<int, 3> m_types{};
};

using Slots = std::array<int, 3>;

TEST_F(StateHostTest, HostPhasesMapToSlots) {
  EXPECT_EQ(Slots({0, 1, -1}), slotsOf({4, 1, 1}, 1));
  EXPECT_EQ(Slots({0, -1, 1}), slotsOf({4, 1, 1}, 2));  // second pass: the other liquid is the main one
  EXPECT_EQ(Slots({-1, 1, -1}), slotsOf({0, 1, 0}, 1));
  EXPECT_EQ(Slots({-1, -1, -1}), slotsOf({0, 1, 0}, -1));
  EXPECT_EQ(Slots({1, 0, -1}), slotsOf({1, 4, 0}, 0));
  EXPECT_EQ(Slots({0, 0, -1}), slotsOf({4, 4, 0}, 1));
  EXPECT_EQ(Slots({-1, 1, 2}), slotsOf({0, 2, 3}, 1));  // other types keep their own position
  EXPECT_EQ(Slots({0, 1, 2}), slotsOf({2, 7, -1}, 0));
  EXPECT_EQ(-1, m_self->hostSlot(3));
  EXPECT_EQ(-1, m_self->hostSlot(-1));
  // The adapter's array is read, never written.
  EXPECT_EQ((std::array<int, 3>{2, 7, -1}), m_types);
}

TEST_F(StateHostTest, NoHostPhasesMapNothing) {
  m_self->setHostPhases(nullptr, 1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(-1, m_self->hostSlot(i));
}

TEST_F(StateHostTest, SetHostTPFractionsWritesTheMappedPhases) {
  slotsOf({4, 1, 1}, 1);
  const double vapour[2] = {0.9, 0.1}, liquid[2] = {0.2, 0.8}, other[2] = {0.5, 0.5};
  const double* const fractions[3] = {vapour, liquid, other};
  ASSERT_EQ(S_OK, m_self->setHostTPFractions(350.0, 2e5, fractions));
  ASSERT_NE(nullptr, valuesAt(PpTEMPERATURE, 3));
  EXPECT_EQ(350.0, valuesAt(PpTEMPERATURE, 3)[0]);
  EXPECT_EQ(2e5, valuesAt(PpPRESSURE, 3)[0]);
  ASSERT_NE(nullptr, valuesAt(PpFRACTION, 0));
  ASSERT_NE(nullptr, valuesAt(PpFRACTION, 1));
  EXPECT_EQ(0.9, valuesAt(PpFRACTION, 0)[0]);
  EXPECT_EQ(0.8, valuesAt(PpFRACTION, 1)[1]);
  EXPECT_EQ(nullptr, valuesAt(PpFRACTION, 2));  // the liquid that is not the main one
  EXPECT_EQ(nullptr, valuesAt(PpFRACTION, 3));

  // Second pass: the other liquid goes into the liquid slot.
  slotsOf({4, 1, 1}, 2);
  ASSERT_EQ(S_OK, m_self->setHostTPFractions(350.0, 2e5, fractions));
  EXPECT_EQ(0.5, valuesAt(PpFRACTION, 1)[1]);
}

TEST_F(StateHostTest, SetHostTPFractionsSkipsMissingArrays) {
  slotsOf({4, 1, 0}, 1);
  const double liquid[2] = {0.2, 0.8};
  const double* const fractions[3] = {nullptr, liquid, nullptr};
  ASSERT_EQ(S_OK, m_self->setHostTPFractions(350.0, 2e5, fractions));
  EXPECT_EQ(nullptr, valuesAt(PpFRACTION, 0));
  EXPECT_NE(nullptr, valuesAt(PpFRACTION, 1));
  ASSERT_EQ(S_OK, m_self->setHostTPFractions(360.0, 2e5, nullptr));
  EXPECT_EQ(360.0, valuesAt(PpTEMPERATURE, 3)[0]);
}

TEST_F(StateHostTest, FugacityCoefficientsOfTheMappedPhases) {
  slotsOf({4, 1, 0}, 1);
  put(PpFUGACITYCOEFFICIENT, 0, {0.95, 0.9});
  put(PpFUGACITYCOEFFICIENT, 1, {3.0, 0.1});
  put(PpFUGACITYCOEFFICIENT, 2, {7.0, 7.0});
  double vapour[2] = {}, liquid[2] = {}, absent[2] = {-1, -1};
  double* const out[3] = {vapour, liquid, absent};
  ASSERT_EQ(S_OK, m_self->getHostFugacityCoefficients(out));
  EXPECT_EQ(0.9, vapour[1]);
  EXPECT_EQ(3.0, liquid[0]);
  EXPECT_EQ(-1.0, absent[0]);
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(StateHostTest, FugacityCoefficientsFailWhenAMappedPhaseHasNone) {
  slotsOf({4, 1, 0}, 1);
  put(PpFUGACITYCOEFFICIENT, 1, {3.0, 0.1});
  double vapour[2] = {-1, -1}, liquid[2] = {};
  double* const out[3] = {vapour, liquid, nullptr};
  EXPECT_EQ(E_FAIL, m_self->getHostFugacityCoefficients(out));
  EXPECT_EQ(-1.0, vapour[0]);
  EXPECT_EQ(3.0, liquid[0]);  // what is there is still read
}

TEST_F(StateHostTest, KValuesComeFromTheLiquidSlotForEveryPhaseButTheFirst) {
  slotsOf({4, 1, 1}, 2);
  put(PpKVALUES, 1, {2.5, 0.4});
  double first[2] = {-1, -1}, notMain[2] = {-1, -1}, main[2] = {};
  double* const out[3] = {first, notMain, main};
  ASSERT_EQ(S_OK, m_self->getHostKValues(out));
  EXPECT_EQ(2.5, main[0]);
  EXPECT_EQ(0.4, main[1]);
  EXPECT_EQ(-1.0, first[0]);
  EXPECT_EQ(-1.0, notMain[0]);
}

TEST_F(StateHostTest, KValuesFailWhenTheLiquidSlotHoldsNone) {
  slotsOf({4, 1, 0}, 1);
  put(PpKVALUES, 0, {2.5, 0.4});
  double vapour[2] = {}, liquid[2] = {-1, -1};
  double* const out[3] = {vapour, liquid, nullptr};
  EXPECT_EQ(E_FAIL, m_self->getHostKValues(out));
  EXPECT_EQ(-1.0, liquid[0]);
  EXPECT_EQ(E_POINTER, m_self->getHostKValues(nullptr));
  EXPECT_EQ(E_POINTER, m_self->getHostFugacityCoefficients(nullptr));
}

}  // namespace
}  // namespace matobj_test
