// GetProp / SetProp argument checks: every refusal carries its message, its argument position and
// the bad-argument code, as the package reads them back; the basis corrections go on.
#include "tests/matobj/AccessSupport.h"

namespace matobj_test {
namespace {

class Validation : public AccessTest {
 protected:
  // Expects a bad-argument refusal with exactly this text at this position.
  void expectRefused(HRESULT hr, const std::wstring& text, short position) {
    EXPECT_EQ(kBadArgument, hr);
    EXPECT_EQ(text, errorText());
    EXPECT_EQ(position, errorPosition());
  }
};

TEST_F(Validation, EmptyPropertyAndPhaseAreRefusedAtTheirPositions) {
  expectRefused(getProp(L"", L"Vapor", nullptr, L"Mixture", L"mole", nullptr),
                L"Argument cannot be empty Arg position: 1", 1);
  expectRefused(getProp(L"fraction", L"", nullptr, L"Mixture", L"mole", nullptr),
                L"Argument cannot be empty Arg position: 2", 2);
  // The property is checked first.
  expectRefused(getProp(nullptr, nullptr, nullptr, L"Mixture", L"mole", nullptr),
                L"Argument cannot be empty Arg position: 1", 1);
  expectRefused(set(L"", L"Vapor", m_x), L"Argument cannot be empty Arg position: 1", 1);
}

TEST_F(Validation, CompIdsMustBeEmptyOrAStringArray) {
  support::Variant number = integer(5);
  expectRefused(getProp(L"fraction", L"Vapor", &number.get(), L"Mixture", L"mole", nullptr),
                L"Argument should be empty or string array Arg position: 3 Value: 5", 3);
  support::Variant numbers = doubles({1.0});
  expectRefused(set(L"fraction", L"Vapor", m_x, L"mole", L"Mixture", &numbers.get()),
                L"Argument should be empty or string array Arg position: 3 Value: (1)", 3);
}

TEST_F(Validation, PhaseFractionOfTheOverallPhaseIsIncompatible) {
  expectRefused(getProp(L"phaseFraction", L"Overall", nullptr, L"Mixture", L"mole", nullptr),
                L"Specified phase and property are incompatible Arg position: 2 Value: Overall", 2);
  expectRefused(set(L"phaseFraction", L"overall", {1.0}),
                L"Specified phase and property are incompatible Arg position: 2 Value: overall", 2);
}

TEST_F(Validation, BasisIsCheckedBeforeCalculationType) {
  expectRefused(getProp(L"fraction", L"Vapor", nullptr, L"Blend", L"volume", nullptr),
                L"Argument value is not allowed by the standard Arg position: 5 Value: volume", 5);
  expectRefused(getProp(L"fraction", L"Vapor", nullptr, L"Blend", L"mole", nullptr),
                L"Argument value is not allowed by the standard Arg position: 4 Value: Blend", 4);
  expectRefused(getProp(L"enthalpy", L"Overall", nullptr, L"", L"mole", nullptr),
                L"Argument value is not allowed by the standard Arg position: 4", 4);
}

TEST_F(Validation, SetPropValueMustBeDoubles) {
  support::Variant text;
  text.get().vt = VT_BSTR;
  text.get().bstrVal = SysAllocString(L"abc");
  expectRefused(setProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", text.get()),
                L"Argument should be empty or double array Arg position: 6 Value: abc", 6);
  support::Variant none;
  expectRefused(setProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", none.get()),
                L"Argument should be empty or double array Arg position: 6", 6);
  support::Variant names = strings({L"a"});
  expectRefused(setProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", names.get()),
                L"Argument should be empty or double array Arg position: 6 Value: (a)", 6);
}

TEST_F(Validation, ValueSizeMustMatchCompoundsOrCompIds) {
  // Three doubles for the four compounds' fractions.
  expectRefused(set(L"fraction", L"Vapor", {0.5, 0.25, 0.25}),
                L"Argument size should equal number of Material Object compounds Arg position: 6 Value: (0.5, 0.25, 0.25)",
                6);
  support::Variant two = strings({L"methane", L"propane"});
  expectRefused(set(L"fraction", L"Vapor", {0.5, 0.25, 0.25}, L"mole", L"Mixture", &two.get()),
                L"Argument size should equal size of argument 'compIds' Arg position: 6 Value: (0.5, 0.25, 0.25)", 6);
  // A mixture value is one value.
  expectRefused(set(L"enthalpy", L"Vapor", {1.0, 2.0}),
                L"Argument size should equal number of Material Object compounds Arg position: 6 Value: (1, 2)", 6);
  // Nothing was stored by the refusals.
  EXPECT_NE(S_OK, getProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
}

TEST_F(Validation, MixtureValueWithCompIdsIsOneValue) {
  support::Variant all = strings(fourIds());
  EXPECT_EQ(S_OK, set(L"enthalpy", L"Vapor", {-1200.0}, L"mole", L"Mixture", &all.get())) << support::narrow(errorText());
  EXPECT_EQ(std::vector<double>{-1200.0}, get(L"enthalpy", L"Vapor", L"mole", L"Mixture", &all.get()));
}

TEST_F(Validation, BasisIsCorrectedAndReported) {
  // A basis for a property without one is dropped.
  ASSERT_EQ(S_OK, set(L"temperature", L"Overall", {300.0}, L"mole"));
  EXPECT_EQ(L"Basis argument should be NULL", errorText());
  EXPECT_EQ(std::vector<double>{300.0}, get(L"temperature", L"Overall", L""));
  // A missing basis for a basis-dependent property becomes "mole".
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x, L""));
  EXPECT_EQ(L"Basis argument should be MOLE or MASS", errorText());
  EXPECT_EQ(m_x, get(L"fraction", L"Vapor", L"mole"));
}

TEST_F(Validation, ZeroTemperatureOrPressureIsWarnedAndStored) {
  ASSERT_EQ(S_OK, set(L"temperature", L"Overall", {0.0}, L""));
  EXPECT_EQ(L"The value of property temperature, Overall, Mixture shouldn't be 0", errorText());
  ASSERT_EQ(S_OK, set(L"pressure", L"Overall", {0.0}, L""));
  EXPECT_EQ(L"The value of property pressure, Overall, Mixture shouldn't be 0", errorText());
  EXPECT_EQ(std::vector<double>{0.0}, get(L"pressure", L"Overall", L""));
}

TEST_F(Validation, EnthalpyFAndEntropyFAreTheirProperties) {
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Vapor", {-4200.5}));
  EXPECT_EQ(std::vector<double>{-4200.5}, get(L"enthalpyF", L"Vapor"));
  ASSERT_EQ(S_OK, set(L"ENTROPYF", L"Liquid", {12.5}));
  EXPECT_EQ(std::vector<double>{12.5}, get(L"entropy", L"Liquid"));
  EXPECT_TRUE(m_self->otherProperties().empty());
}

TEST_F(Validation, SecondLiquidNameIsTheWaterSlot) {
  support::Bstr aqueous(L"Aqueous");
  ASSERT_EQ(S_OK, m_itf->put_liquid2Name(aqueous.get()));
  ASSERT_EQ(S_OK, set(L"fraction", L"aqueous", m_x));
  EXPECT_EQ(m_x, get(L"fraction", L"Water"));
  EXPECT_EQ(m_x, get(L"fraction", L"HeavyLiquid"));
  EXPECT_TRUE(m_self->otherProperties().empty());
}

}  // namespace
}  // namespace matobj_test
