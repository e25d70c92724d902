// The not-found errors, and the list methods: PropCheck, GetPropList, PhaseIds, AvailableProps,
// RemoveResults.
#include "tests/matobj/AccessSupport.h"

namespace matobj_test {
namespace {

using Lists = AccessTest;

TEST_F(Lists, PropertyNeverStoredIsNotAvailable) {
  EXPECT_EQ(kUnknownError, getProp(L"viscosity", L"Vapor", nullptr, L"Mixture", nullptr, nullptr));
  EXPECT_EQ(L"Property not available in the Material Object", errorText());
  EXPECT_EQ(kUnknownError, getProp(L"enthalpy", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_EQ(L"Property not available in the Material Object", errorText());
  EXPECT_EQ(kUnknownError, getProp(L"noSuchThing", L"Vapor", nullptr, L"Mixture", nullptr, nullptr));
  EXPECT_EQ(L"Property not available in the Material Object", errorText());
}

TEST_F(Lists, PhaseOutsideThePackagesListIsNotAvailable) {
  attachPackage({L"Vapor", L"Liquid"}, {L"enthalpy"});
  EXPECT_EQ(kUnknownError, getProp(L"fraction", L"Solid", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_EQ(L"Phase not available in the Material Object", errorText());
  ASSERT_EQ(S_OK, set(L"viscosity", L"Vapor", {1e-5}, L""));
  EXPECT_EQ(kUnknownError, getProp(L"viscosity", L"Aqueous", nullptr, L"Mixture", nullptr, nullptr));
  EXPECT_EQ(L"Phase not available in the Material Object", errorText());
}

TEST_F(Lists, KnownPropertyAndPhaseNotYetSetSaySo) {
  attachPackage({L"Vapor", L"Liquid"}, {L"enthalpy"});
  EXPECT_EQ(kUnknownError, getProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_EQ(L"fraction, Vapor, Mixture, mole: Property value has not been previously set", errorText());
  EXPECT_EQ(kUnknownError, getProp(L"totalFlow", L"liquid", nullptr, L"Mixture", L"mass", nullptr));
  EXPECT_EQ(L"totalFlow, liquid, Mixture, mass: Property value has not been previously set", errorText());
  ASSERT_EQ(S_OK, set(L"viscosity", L"Vapor", {1e-5}, L""));
  EXPECT_EQ(kUnknownError, getProp(L"viscosity", L"Liquid", nullptr, L"Mixture", nullptr, nullptr));
  EXPECT_EQ(L"viscosity, Liquid, Mixture: Property value has not been previously set", errorText());
}

TEST_F(Lists, PropCheckAnswersFromThePackagesList) {
  attachPackage({L"Vapor", L"Liquid"}, {L"enthalpy", L"entropy", L"fugacityCoefficient"});
  support::Variant asked = strings({L"ENTHALPY", L"viscosity", L"fugacityCoefficient", L""});
  support::Variant valid;
  ASSERT_EQ(S_OK, m_mo->PropCheck(asked.get(), valid.out()));
  ASSERT_EQ(VT_ARRAY | VT_BOOL, valid.vt());
  ASSERT_EQ(4, support::SetGet::elementCount(valid.get()));
  const VARIANT_BOOL* flags = static_cast<const VARIANT_BOOL*>(valid.get().parray->pvData);
  EXPECT_EQ(VARIANT_TRUE, flags[0]);
  EXPECT_EQ(VARIANT_FALSE, flags[1]);
  EXPECT_EQ(VARIANT_TRUE, flags[2]);
  EXPECT_EQ(VARIANT_FALSE, flags[3]);

  support::Variant list;
  ASSERT_EQ(S_OK, m_mo->GetPropList(list.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpy", L"entropy", L"fugacityCoefficient"}), stringsIn(list.get()));
}

TEST_F(Lists, PropCheckWantsAStringArray) {
  support::Variant number = integer(7), valid;
  EXPECT_EQ(kBadArgument, m_mo->PropCheck(number.get(), valid.out()));
  EXPECT_EQ(L"Not a correct string array passed to PropCheck Arg position: 1 Value: 7", errorText());
  EXPECT_EQ(1, errorPosition());
  support::Variant none;
  EXPECT_EQ(kBadArgument, m_mo->PropCheck(none.get(), valid.out()));
  EXPECT_EQ(L"Not a correct string array passed to PropCheck Arg position: 1", errorText());
  // Without a package nothing is offered.
  support::Variant asked = strings({L"enthalpy"});
  ASSERT_EQ(S_OK, m_mo->PropCheck(asked.get(), valid.out()));
  EXPECT_EQ(VARIANT_FALSE, static_cast<const VARIANT_BOOL*>(valid.get().parray->pvData)[0]);
}

TEST_F(Lists, PhaseIdsAreThePhasesWithACompositionInOrder) {
  attachPackage({L"Vapor", L"Liquid", L"Liquid2", L"Aqueous", L"Solidish"}, {L"enthalpy"});
  support::Variant phases;
  ASSERT_EQ(S_OK, m_mo->get_PhaseIds(phases.out()));
  EXPECT_TRUE(stringsIn(phases.get()).empty());

  // The second liquid alone stands in the liquid's place.
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid2", m_x, L"mass"));
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  ASSERT_EQ(S_OK, m_mo->get_PhaseIds(phases.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"Vapor", L"Liquid2"}), stringsIn(phases.get()));

  // The package's own phases with a stored composition follow.
  ASSERT_EQ(S_OK, set(L"fraction", L"Aqueous", m_x));
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Solidish", {1.0}));
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid", m_x));
  ASSERT_EQ(S_OK, m_mo->get_PhaseIds(phases.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"Vapor", L"Liquid", L"Liquid2", L"Aqueous"}), stringsIn(phases.get()));
}

TEST_F(Lists, AvailablePropsListsStoredNamesThenCachedOnes) {
  ASSERT_EQ(S_OK, set(L"viscosity", L"Vapor", {1e-5}, L""));
  ASSERT_EQ(S_OK, set(L"viscosity", L"Liquid", {1e-3}, L""));
  ASSERT_EQ(S_OK, set(L"thermalConductivity", L"Liquid", {0.1}, L""));
  support::Variant props;
  ASSERT_EQ(S_OK, m_mo->AvailableProps(props.out()));
  const std::vector<std::wstring> names = stringsIn(props.get());
  ASSERT_EQ(17u, names.size());
  EXPECT_EQ(L"viscosity", names[0]);
  EXPECT_EQ(L"thermalConductivity", names[1]);
  EXPECT_EQ(L"temperature", names[2]);
  EXPECT_EQ(L"density", names[16]);
}

TEST_F(Lists, RemoveResultsWithNoNamesClearsEverything) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  ASSERT_EQ(S_OK, set(L"enthalpy.Dmoles", L"Vapor", {1, 2, 3, 4}));
  ASSERT_EQ(S_OK, set(L"viscosity", L"Vapor", {1e-5}, L""));
  support::Variant none;
  ASSERT_EQ(S_OK, m_mo->RemoveResults(none.get()));
  EXPECT_TRUE(m_self->otherProperties().empty());
  EXPECT_EQ(kUnknownError, getProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_EQ(kUnknownError, getProp(L"enthalpy.Dmoles", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
}

TEST_F(Lists, RemoveResultsByNameClearsOnlyThose) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Vapor", {-1.0}));
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Liquid", {-2.0}, L"mass"));
  ASSERT_EQ(S_OK, set(L"enthalpy.Dtemperature", L"Vapor", {3.0}));
  ASSERT_EQ(S_OK, set(L"viscosity", L"Vapor", {1e-5}, L""));
  ASSERT_EQ(S_OK, set(L"thermalConductivity", L"Vapor", {0.02}, L""));

  // Names all in the table leave the list alone.
  support::Variant cached = strings({L"Enthalpy", L"enthalpy.Dtemperature"});
  ASSERT_EQ(S_OK, m_mo->RemoveResults(cached.get()));
  EXPECT_NE(S_OK, getProp(L"enthalpy", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_NE(S_OK, getProp(L"enthalpy", L"Liquid", nullptr, L"Mixture", L"mass", nullptr));
  EXPECT_NE(S_OK, getProp(L"enthalpy.Dtemperature", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  EXPECT_EQ(m_x, get(L"fraction", L"Vapor"));
  EXPECT_EQ(2u, m_self->otherProperties().size());

  support::Variant mixed = strings({L"fraction", L"viscosity"});
  ASSERT_EQ(S_OK, m_mo->RemoveResults(mixed.get()));
  EXPECT_NE(S_OK, getProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  ASSERT_EQ(1u, m_self->otherProperties().size());
  EXPECT_EQ(std::wstring(L"thermalConductivity"), m_self->otherProperties()[0]->property());
}

TEST_F(Lists, RemoveResultsRefusesOtherArguments) {
  support::Variant number = integer(3);
  EXPECT_EQ(kBadArgument, m_mo->RemoveResults(number.get()));
  EXPECT_EQ(L"Argument should be empty or string array Arg position: 1 Value: 3", errorText());
}

}  // namespace
}  // namespace matobj_test
