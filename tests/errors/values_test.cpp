// The unfeasible-value check: the rule of each property class, the floor value, the surface
// tension marker and the once-only complaint about package values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ids/COIds.h"
#include "tests/errors/ErrorsTestSupport.h"

namespace errors_test {
namespace {

using support::ComPtr;

constexpr double kFloor = 1e-30;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class ValuesTest : public ErrorTest {
 protected:
  ValuesTest() {
    m_error.setComponentCount(3);
    clearBoxes();
  }
  TestError m_error;
};

constexpr char kHostPrefix[] = " ERROR: INTERNAL ERROR: The Simulator provided unfeasible thermodynamic values (";

TEST_F(ValuesTest, FeasibleValuesPassUntouched) {
  double k[] = {0.5, 2.0, 1e-30};
  EXPECT_EQ(m_error.checkValues(k, PpKVALUES, false, "r"), S_OK);
  double fraction[] = {0.0, 1.0, 0.5};
  EXPECT_EQ(m_error.checkValues(fraction, PpFRACTION, false, "r"), S_OK);
  double volume = 1e-300;
  EXPECT_EQ(m_error.checkValues(&volume, PpVOLUME, false, "r"), S_OK);
  double enthalpy = -1e10;
  EXPECT_EQ(m_error.checkValues(&enthalpy, PpENTHALPY, false, "r"), S_OK);
  EXPECT_EQ(k[2], 1e-30);
  EXPECT_EQ(fraction[1], 1.0);
  EXPECT_EQ(volume, 1e-300);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ValuesTest, RuleOneSnapsTinyValuesToTheFloorSilently) {
  double k[] = {1e-31, -0.99e-4, 0.0};
  EXPECT_EQ(m_error.checkValues(k, PpFUGACITYCOEFFICIENT, false, "r"), S_OK);
  EXPECT_EQ(k[0], kFloor);
  EXPECT_EQ(k[1], kFloor);
  EXPECT_EQ(k[2], kFloor);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ValuesTest, RuleOneRefusesMinusOneTenThousandth) {
  double k[] = {0.5, -1e-4, 2.0};
  EXPECT_EQ(m_error.checkValues(k, PpKVALUES, false, "Bad K. "), E_FAIL);
  ASSERT_EQ(boxes().size(), 1u);
  const std::string box = boxes()[0].text;
  EXPECT_TRUE(startsWith(box, kHostPrefix)) << box;
  EXPECT_TRUE(endsWith(box, ") for property 'kvalues'. Bad K. ")) << box;
  EXPECT_EQ(k[0], 0.5);
  EXPECT_EQ(k[1], kFloor);
  EXPECT_EQ(k[2], 2.0);
}

TEST_F(ValuesTest, RuleTwoNeedsPositiveValues) {
  double volume = 0.0;
  EXPECT_EQ(m_error.checkValues(&volume, PpVOLUME, false, "r"), E_FAIL);
  EXPECT_EQ(volume, kFloor);
  double viscosity = -1e-40;  // no tolerance below zero here
  EXPECT_EQ(m_error.checkValues(&viscosity, PpVISCOSITY, false, "r"), E_FAIL);
  EXPECT_EQ(boxes().size(), 2u);
  EXPECT_TRUE(endsWith(boxes()[1].text, ") for property 'viscosity'. r"));
}

TEST_F(ValuesTest, RuleThreeNeedsTheUnitRange) {
  double fraction[] = {0.2, 1.0000001, 0.3};
  EXPECT_EQ(m_error.checkValues(fraction, PpFRACTION, false, "r"), E_FAIL);
  EXPECT_EQ(fraction[1], kFloor);
  double phaseFraction = -0.1;
  EXPECT_EQ(m_error.checkValues(&phaseFraction, PpPHASEFRACTION, false, "r"), E_FAIL);
  EXPECT_EQ(boxes().size(), 2u);
}

TEST_F(ValuesTest, OtherPropertiesNeedOnlyFiniteValues) {
  double entropy = std::numeric_limits<double>::infinity();
  EXPECT_EQ(m_error.checkValues(&entropy, PpENTROPY, false, "r"), E_FAIL);
  EXPECT_EQ(entropy, kFloor);
  ASSERT_EQ(boxes().size(), 1u);
}

TEST_F(ValuesTest, ScalarPropertiesExamineOneValue) {
  double volume[] = {1.0, kNaN};  // the second is not looked at
  EXPECT_EQ(m_error.checkValues(volume, PpVOLUME, false, "r"), S_OK);
  EXPECT_TRUE(std::isnan(volume[1]));
}

TEST_F(ValuesTest, SurfaceTensionIsMarkedNotSet) {
  double tension = kNaN;
  EXPECT_EQ(m_error.checkValues(&tension, PpSURFACETENSION, true, "r"), S_OK);
  EXPECT_EQ(tension, -32767.0);
  EXPECT_EQ(boxes().size(), 1u);
}

TEST_F(ValuesTest, PackageNaNIsComplainedOfOnceOnly) {
  ComPtr<FakePackage> package = makeObject<FakePackage>(L"Peng Pack");
  m_error.setPackage(package.Get());
  double fug[] = {0.9, kNaN, 0.8};
  EXPECT_EQ(m_error.checkValues(fug, PpFUGACITYCOEFFICIENT, true, "Check the package. ", Calculating::no), S_OK);
  ASSERT_EQ(boxes().size(), 1u);
  const std::string box = boxes()[0].text;
  EXPECT_TRUE(startsWith(box, " ERROR: The CAPE-OPEN Property Package 'Peng Pack' provided unfeasible "
                              "thermodynamic values (0.9, "))
      << box;
  EXPECT_TRUE(endsWith(box, ", 0.8) for property 'fugacityCoefficient'. Check the package. Be aware that, even if "
                            "this circumstance occurs in the future,  no more messages will be displayed about it. "))
      << box;
  EXPECT_EQ(fug[1], kFloor);
  EXPECT_EQ(m_trace.lines(), 1);
  EXPECT_TRUE(m_error.warnedOnce(PpFUGACITYCOEFFICIENT));

  double again[] = {kNaN, 0.5, 0.5};
  EXPECT_EQ(m_error.checkValues(again, PpFUGACITYCOEFFICIENT, true, "r", Calculating::no), E_FAIL);
  EXPECT_EQ(again[0], kFloor);  // silent, yet replaced: the host never gets an unfeasible value
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(m_trace.lines(), 1);
}

TEST_F(ValuesTest, HostValuesAreComplainedOfEveryTime) {
  double t = -5.0;
  EXPECT_EQ(m_error.checkValues(&t, PpTEMPERATURE, false, "r", Calculating::no), E_FAIL);
  t = -5.0;
  EXPECT_EQ(m_error.checkValues(&t, PpTEMPERATURE, false, "r", Calculating::no), E_FAIL);
  EXPECT_EQ(boxes().size(), 2u);
}

TEST_F(ValuesTest, WhileCalculatingPackageComplaintsCarryTheContext) {
  ComPtr<FakePackage> package = makeObject<FakePackage>(L"P");
  m_error.setPackage(package.Get());
  double h = kNaN;
  m_error.checkValues(&h, PpENTHALPY, true, "r", Calculating::yes);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_NE(boxes()[0].text.find("Detected while calculating {"), std::string::npos);
}

}  // namespace
}  // namespace errors_test
