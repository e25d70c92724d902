// The call-type labels and the call parameter block.
#include <gtest/gtest.h>

#include <string>

#include "bridge/CallParameters.h"
#include "bridge/CallTypes.h"
#include "tests/common/MessageSink.h"

namespace {

using bridge::callTypeLabel;

TEST(CallTypeLabel, EveryDispatchedTypeAndTheExtendedPackageHaveTheirLabel) {
  const char* const expected[] = {"ComputeKFactors",        "ComputeKFactorsVL",
                                  "ComputeKFactorsLL",      "ComputePhaseProperties",
                                  "ComputePhaseFugacities", "ComputePhaseViscosity",
                                  "ComputePhaseThermoConductivity", "ComputeLiquidSurfaceTension",
                                  "Edit",                   "save",
                                  "COTHExtendedPackage"};
  test_sink::BoxCapture boxes;
  for (int code = 1; code <= 11; ++code) {
    const char* label = nullptr;
    EXPECT_EQ(S_OK, callTypeLabel(code, &label)) << code;
    ASSERT_NE(nullptr, label) << code;
    EXPECT_STREQ(expected[code - 1], label) << code;
  }
  EXPECT_EQ(0u, boxes.count());
}

TEST(CallTypeLabel, AnyOtherCodeIsReportedAsWrongAndGetsNoLabel) {
  for (int code : {0, -1, 12, 1000}) {
    test_sink::BoxCapture boxes;
    const char* label = "stale";
    EXPECT_EQ(E_FAIL, callTypeLabel(code, &label)) << code;
    EXPECT_EQ(nullptr, label) << code;
    ASSERT_EQ(1u, boxes.count()) << code;
    EXPECT_NE(std::wstring::npos, boxes.shown()[0].text.find(L"wrong CALL_TYPE")) << code;
  }
}

TEST(CallTypeLabel, OnlyEditAndSaveRunOutsideACalculation) {
  for (int code = 1; code <= 8; ++code) EXPECT_TRUE(bridge::isCalculation(code)) << code;
  EXPECT_FALSE(bridge::isCalculation(bridge::CALL_EDIT));
  EXPECT_FALSE(bridge::isCalculation(bridge::CALL_SAVE));
}

TEST(CallParameters, ClearDropsTheHostArraysAndKeepsTheRest) {
  double value = 1;
  double* array = &value;
  const int types[3] = {4, 1, 0};
  bridge::CallParameters block;
  block.kValues = &array;
  block.compositions = &array;
  block.phaseFractions = &value;
  block.enthalpy = &value;
  block.entropy = &value;
  block.heatCapacity = &value;
  block.molarVolume = &value;
  block.phaseTypes = types;
  block.fugacities = &array;
  block.singleResult = &value;
  block.temperature = 300;
  block.pressure = 101.325;
  block.extraInput = 0.5;
  block.callType = 4;
  block.callResult = E_ABORT;

  block.clear();
  EXPECT_EQ(nullptr, block.kValues);
  EXPECT_EQ(nullptr, block.compositions);
  EXPECT_EQ(nullptr, block.phaseFractions);
  EXPECT_EQ(nullptr, block.enthalpy);
  EXPECT_EQ(nullptr, block.entropy);
  EXPECT_EQ(nullptr, block.heatCapacity);
  EXPECT_EQ(nullptr, block.molarVolume);
  EXPECT_EQ(nullptr, block.phaseTypes);
  // Overwritten by the next request that uses them.
  EXPECT_EQ(&array, block.fugacities);
  EXPECT_EQ(&value, block.singleResult);
  EXPECT_EQ(300, block.temperature);
  EXPECT_EQ(101.325, block.pressure);
  EXPECT_EQ(0.5, block.extraInput);
  EXPECT_EQ(4, block.callType);
  EXPECT_EQ(E_ABORT, block.callResult);
}

TEST(CallParameters, FixedPhaseTypesOfTheTwoPhaseKValueRequests) {
  EXPECT_EQ(4, bridge::kVapourLiquidPhaseTypes[0]);
  EXPECT_EQ(1, bridge::kVapourLiquidPhaseTypes[1]);
  EXPECT_EQ(0, bridge::kVapourLiquidPhaseTypes[2]);
  EXPECT_EQ(1, bridge::kLiquidLiquidPhaseTypes[0]);
  EXPECT_EQ(1, bridge::kLiquidLiquidPhaseTypes[1]);
  EXPECT_EQ(0, bridge::kLiquidLiquidPhaseTypes[2]);
}

}  // namespace
