// The property classes on their boundaries, and the misuse reports of the classifications.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ids/COIds.h"
#include "support/Raii.h"
#include "tests/ids/FailureText.h"

using ids_test::BoxCapture;
using ids_test::failureText;
using support::Bstr;

namespace {

// Every identifier 0..135 against the expected member set (no reports expected).
template <class Pred>
void expectExactly(const std::set<int>& members, Pred pred, const char* what) {
  BoxCapture boxes;
  for (int id = 0; id <= 135; ++id) EXPECT_EQ(members.count(id) == 1, pred(id)) << what << " of " << id;
  EXPECT_EQ(0u, boxes.count()) << what;
}

std::set<int> range(int first, int last) {
  std::set<int> s;
  for (int id = first; id <= last; ++id) s.insert(id);
  return s;
}

std::set<int> unite(std::initializer_list<std::set<int>> parts) {
  std::set<int> s;
  for (const auto& p : parts) s.insert(p.begin(), p.end());
  return s;
}

bool byName(bool (*test)(BSTR), int id) {
  BSTR name = COIds::getName(id);
  return name && test(name);
}

}  // namespace

TEST(IdsClasses, TwoPhasePhases) {
  BoxCapture boxes;
  for (int id = 0; id <= 10; ++id) {
    const bool expected = id == 2 || id == 8 || id == 9 || id == 10;
    EXPECT_EQ(expected, COIds::isTwoPhase(static_cast<COPhaseId>(id))) << id;
  }
  EXPECT_EQ(0u, boxes.count());
}

TEST(IdsClasses, TwoPhaseOfANonPhaseIsReported) {
  for (int id : {11, 27, -1, 135}) {
    BoxCapture boxes;
    EXPECT_FALSE(COIds::isTwoPhase(static_cast<COPhaseId>(id)));
    EXPECT_EQ(failureText(L"Argument must be phase identifier", L"isTwoPhase"), boxes.onlyText()) << id;
  }
}

TEST(IdsClasses, TwoPhaseProperties) {
  BoxCapture boxes;
  for (int id = 27; id <= 94; ++id) {
    const bool expected = id == 34 || id == 45 || id == 52;
    EXPECT_EQ(expected, COIds::isTwoPhase(static_cast<COPropId>(id))) << id;
  }
  EXPECT_EQ(0u, boxes.count());
  EXPECT_TRUE(COIds::isTwoPhase(PpKVALUES));
  EXPECT_TRUE(COIds::isTwoPhase(PhVAPORLIQUID));
}

TEST(IdsClasses, TwoPhaseOfANonPropertyIsReported) {
  for (int id : {26, 95, 2, 0}) {
    BoxCapture boxes;
    EXPECT_FALSE(COIds::isTwoPhase(static_cast<COPropId>(id)));
    EXPECT_EQ(failureText(L"Argument must be non constant property identifier", L"isTwoPhase"), boxes.onlyText())
        << id;
  }
}

TEST(IdsClasses, StringConstants) {
  BoxCapture boxes;
  for (int id = 95; id <= 134; ++id) EXPECT_EQ(id <= 98, COIds::isStringConstProp(id)) << id;
  EXPECT_EQ(0u, boxes.count());
}

TEST(IdsClasses, StringConstantOfANonConstantIsReportedWithItsName) {
  {
    BoxCapture boxes;
    EXPECT_FALSE(COIds::isStringConstProp(94));
    EXPECT_EQ(failureText(L"Argument of isStringConstProp must be constant property identifier",
                          L"boilingPointTemperature"),
              boxes.onlyText());
  }
  {
    BoxCapture boxes;
    EXPECT_FALSE(COIds::isStringConstProp(135));  // no name: no origin
    EXPECT_EQ(failureText(L"Argument of isStringConstProp must be constant property identifier"), boxes.onlyText());
  }
}

TEST(IdsClasses, CompoundArrays) {
  const std::set<int> members = unite({range(29, 34), {41, 45}, range(49, 51), {111}});
  expectExactly(members, [](int id) { return COIds::isCompoundArrayProp(id, 0); }, "isCompoundArrayProp");
  for (int variable : {25, 26}) {
    expectExactly(range(0, 135), [variable](int id) { return COIds::isCompoundArrayProp(id, variable); },
                  "isCompoundArrayProp by mole fraction or moles");
  }
  for (int variable : {23, 24, 27, 28})
    expectExactly(members, [variable](int id) { return COIds::isCompoundArrayProp(id, variable); },
                  "isCompoundArrayProp by temperature or pressure");
}

TEST(IdsClasses, ValueSizes) {
  EXPECT_EQ(1, COIds::propValueSize(35, 11, 5, 0));
  EXPECT_EQ(5, COIds::propValueSize(35, 12, 5, 0));
  EXPECT_EQ(5, COIds::propValueSize(35, 11, 5, 26));
  EXPECT_EQ(5, COIds::propValueSize(35, 11, 5, 25));
  EXPECT_EQ(1, COIds::propValueSize(35, 11, 5, 27));
  EXPECT_EQ(5, COIds::propValueSize(29, 11, 5, 0));
  EXPECT_EQ(5, COIds::propValueSize(111, 0, 5, 0));
  EXPECT_EQ(1, COIds::propValueSize(43, 11, 5, 0));
  EXPECT_EQ(1, COIds::propValueSize(44, 0, 5, 0));
  EXPECT_EQ(0, COIds::propValueSize(34, 11, 0, 0));
}

TEST(IdsClasses, BasisDependence) {
  const std::set<int> members = unite({{29}, range(35, 44), range(73, 78), {80, 81}});
  expectExactly(members, COIds::isBasisDependentProp, "isBasisDependentProp");
}

TEST(IdsClasses, CalculatedProperties) {
  std::set<int> members = range(27, 94);
  for (int state : {27, 28, 29, 41, 43, 44, 91, 92}) members.erase(state);
  expectExactly(members, COIds::isCalculatedProp, "isCalculatedProp");
}

TEST(IdsClasses, FlowsAndFractions) {
  const std::set<int> flows = {29, 41, 43, 44};
  expectExactly(flows, COIds::isFlowOrFraction, "isFlowOrFraction");
  expectExactly(flows, [](int id) { return byName(COIds::isFlowOrFractionName, id); }, "isFlowOrFractionName");
  expectExactly(unite({flows, {40}}), [](int id) { return byName(COIds::isFlowFractionOrDensityName, id); },
                "isFlowFractionOrDensityName");
  EXPECT_TRUE(COIds::isFlowOrFractionName(Bstr(L"TOTALFLOW").get()));
  EXPECT_FALSE(COIds::isFlowOrFractionName(Bstr(L"flows").get()));
  EXPECT_FALSE(COIds::isFlowOrFractionName(nullptr));
  EXPECT_TRUE(COIds::isFlowFractionOrDensityName(Bstr(L"Density").get()));
}

TEST(IdsClasses, PerAmountNames) {
  // By identifier 35-42 except 41, and by the prefixes volume, enthalpy, entropy.
  const std::set<int> members = {35, 36, 37, 38, 39, 40, 42, 67, 68, 69, 70};
  expectExactly(members, [](int id) { return byName(COIds::isPerAmountName, id); }, "isPerAmountName");
  EXPECT_TRUE(COIds::isPerAmountName(Bstr(L"VOLUMEtric").get()));
  EXPECT_TRUE(COIds::isPerAmountName(Bstr(L"Entropy.Dpressure").get()));
  EXPECT_TRUE(COIds::isPerAmountName(Bstr(L"enthalpyF").get()));
  EXPECT_FALSE(COIds::isPerAmountName(Bstr(L"volum").get()));
  EXPECT_FALSE(COIds::isPerAmountName(Bstr(L"excessVolume").get()));
  EXPECT_FALSE(COIds::isPerAmountName(nullptr));
}
