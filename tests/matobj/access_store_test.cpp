// Where SetProp puts a value (the property table or the other-properties list), how GetProp and
// the adapter's accessors read it back, and compound selection by compIds.
#include "tests/matobj/AccessSupport.h"

namespace matobj_test {
namespace {

using Store = AccessTest;

TEST_F(Store, TemperatureOnlyOverallGoesToTheTable) {
  ASSERT_EQ(S_OK, set(L"temperature", L"Overall", {310.0}, L""));
  EXPECT_TRUE(m_self->otherProperties().empty());
  std::vector<double> t;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhOVERALL, PpTEMPERATURE, t));
  EXPECT_EQ(std::vector<double>{310.0}, t);

  ASSERT_EQ(S_OK, set(L"temperature", L"Vapor", {305.0}, L""));
  ASSERT_EQ(1u, m_self->otherProperties().size());
  EXPECT_EQ(std::wstring(L"Vapor"), m_self->otherProperties()[0]->phase());
  EXPECT_EQ(std::vector<double>{305.0}, get(L"temperature", L"Vapor", L""));
  EXPECT_EQ(std::vector<double>{310.0}, get(L"temperature", L"Overall", L""));
}

TEST_F(Store, KValuesOnlyForVaporLiquid) {
  const std::vector<double> k{3.0, 1.5, 0.5, 0.1};
  ASSERT_EQ(S_OK, set(L"kvalues", L"VaporLiquid", k, L""));
  EXPECT_TRUE(m_self->otherProperties().empty());
  EXPECT_EQ(k, get(L"kvalues", L"VaporLiquid", L""));
  // The pair's values live in the liquid slot of the table.
  std::vector<double> out;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpKVALUES, out));
  EXPECT_EQ(k, out);

  ASSERT_EQ(S_OK, set(L"kvalues", L"Vapor", k, L""));
  EXPECT_EQ(1u, m_self->otherProperties().size());
  // Per-phase properties never take the pair.
  ASSERT_EQ(S_OK, set(L"fugacityCoefficient", L"VaporLiquid", k, L""));
  ASSERT_EQ(S_OK, set(L"enthalpy", L"VaporLiquid", {1.0}));
  EXPECT_EQ(3u, m_self->otherProperties().size());
}

TEST_F(Store, PureValuesAndOtherPhasesGoToTheList) {
  const std::vector<double> h{-10.0, -20.0, -30.0, -40.0};
  ASSERT_EQ(S_OK, set(L"enthalpy", L"Vapor", h, L"mole", L"Pure"));
  ASSERT_EQ(S_OK, set(L"fraction", L"Solid", m_x));
  ASSERT_EQ(S_OK, set(L"viscosity", L"Liquid", {0.001}, L""));
  EXPECT_EQ(3u, m_self->otherProperties().size());
  EXPECT_EQ(h, get(L"enthalpy", L"Vapor", L"mole", L"Pure"));
  EXPECT_EQ(m_x, get(L"fraction", L"Solid"));
  EXPECT_EQ(std::vector<double>{0.001}, get(L"viscosity", L"Liquid", L""));
  // The mixture value of the same phase was never set.
  EXPECT_NE(S_OK, getProp(L"enthalpy", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  // Setting again replaces the record.
  ASSERT_EQ(S_OK, set(L"viscosity", L"liquid", {0.002}, L""));
  EXPECT_EQ(3u, m_self->otherProperties().size());
  EXPECT_EQ(std::vector<double>{0.002}, get(L"viscosity", L"Liquid", L""));
}

TEST_F(Store, DerivativesOfCalculatedPropertiesHaveTableEntries) {
  const std::vector<double> dh{1.0, 2.0, 3.0, 4.0};
  ASSERT_EQ(S_OK, set(L"enthalpy.Dmoles", L"Vapor", dh));
  ASSERT_EQ(S_OK, set(L"enthalpy.Dtemperature", L"Vapor", {29.1}));
  ASSERT_EQ(S_OK, set(L"fugacityCoefficient.Dtemperature", L"Liquid", dh, L""));
  EXPECT_TRUE(m_self->otherProperties().empty());
  EXPECT_EQ(dh, get(L"enthalpy.Dmoles", L"Vapor"));
  std::vector<double> out;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhVAPOR, PpENTHALPY + 4000, out));
  EXPECT_EQ(dh, out);
  ASSERT_EQ(S_OK, m_self->getPropValues(PhVAPOR, PpENTHALPYDTEMPERATURE, out));
  EXPECT_EQ(std::vector<double>{29.1}, out);
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpFUGACITYCOEFFICIENT + 1000, out));
  EXPECT_EQ(dh, out);
  // Fractions have no derivatives in the table.
  ASSERT_EQ(S_OK, set(L"fraction.Dtemperature", L"Vapor", dh));
  EXPECT_EQ(1u, m_self->otherProperties().size());
}

TEST_F(Store, CompIdsSelectAndPlaceCompounds) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  support::Variant picked = strings({L"PROPANE", L"methane"});
  EXPECT_EQ((std::vector<double>{0.2, 0.4}), get(L"fraction", L"Vapor", L"mole", L"Mixture", &picked.get()));
  // Setting some compounds keeps the others.
  support::Variant one = strings({L"ethane"});
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", {0.9}, L"mole", L"Mixture", &one.get()));
  EXPECT_EQ((std::vector<double>{0.4, 0.9, 0.2, 0.1}), get(L"fraction", L"Vapor"));
  // All compounds in their order, and an empty list, stand for all.
  support::Variant all = strings(fourIds());
  EXPECT_EQ((std::vector<double>{0.4, 0.9, 0.2, 0.1}), get(L"fraction", L"Vapor", L"mole", L"Mixture", &all.get()));
  support::Variant empty = strings(std::vector<std::wstring>{});
  EXPECT_EQ((std::vector<double>{0.4, 0.9, 0.2, 0.1}), get(L"fraction", L"Vapor", L"mole", L"Mixture", &empty.get()));
}

TEST_F(Store, CompIdsWithOddLowerBoundAreReadFromTheirBound) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid", m_x));
  SAFEARRAYBOUND bound{2, 7};
  support::Variant ids;
  ids.get().vt = VT_ARRAY | VT_BSTR;
  ids.get().parray = SafeArrayCreate(VT_BSTR, 1, &bound);
  ASSERT_NE(nullptr, ids.get().parray);
  support::Bstr a(L"nbutane"), b(L"ethane");
  LONG at = 7;
  SafeArrayPutElement(ids.get().parray, &at, a.get());
  at = 8;
  SafeArrayPutElement(ids.get().parray, &at, b.get());
  EXPECT_EQ((std::vector<double>{0.1, 0.3}), get(L"fraction", L"Liquid", L"mole", L"Mixture", &ids.get()));
}

TEST_F(Store, UnknownCompoundFailsTheRequest) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x));
  support::Variant ids = strings({L"methane", L"water"});
  EXPECT_EQ(kUnknownError, getProp(L"fraction", L"Vapor", &ids.get(), L"Mixture", L"mole", nullptr));
  EXPECT_EQ(L"The Package has requested an operation with a non valid compound: water (copyCompValues)", errorText());
  EXPECT_EQ(kUnknownError, set(L"fraction", L"Vapor", {0.5, 0.5}, L"mole", L"Mixture", &ids.get()));
  // The stored value is untouched.
  EXPECT_EQ(m_x, get(L"fraction", L"Vapor"));
}

TEST_F(Store, ScalarsAreOneElementArrays) {
  ASSERT_EQ(S_OK, setProp(L"pressure", L"Overall", nullptr, L"Mixture", nullptr, scalar(101325.0).get()));
  EXPECT_EQ(std::vector<double>{101325.0}, get(L"pressure", L"Overall", L""));
  ASSERT_EQ(S_OK, setProp(L"viscosity", L"Vapor", nullptr, L"Mixture", nullptr, scalar(1e-5).get()));
  EXPECT_EQ(std::vector<double>{1e-5}, get(L"viscosity", L"Vapor", L""));
  // Four fractions are not one.
  EXPECT_EQ(kBadArgument, setProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", scalar(1.0).get()));
}

TEST_F(Store, AdapterAccessorsUseTheMoleSet) {
  support::Variant x = doubles(m_x);
  ASSERT_EQ(S_OK, m_itf->setPropVal(PpFRACTION, PhVAPOR, x.get()));
  EXPECT_EQ(m_x, get(L"fraction", L"Vapor"));
  support::Variant out;
  ASSERT_EQ(S_OK, m_itf->GetPropVal(PhVAPOR, PpFRACTION, out.out()));
  EXPECT_EQ(m_x, readDoubles(out.get()));
  const double phi[] = {0.9, 0.8, 0.7, 0.6};
  ASSERT_EQ(S_OK, m_self->setPropValues(PpFUGACITYCOEFFICIENT, PhLIQUID, phi, 4));
  EXPECT_EQ((std::vector<double>{0.9, 0.8, 0.7, 0.6}), get(L"fugacityCoefficient", L"Liquid", L""));
  ASSERT_EQ(S_OK, m_itf->GetFugCoefs(PhLIQUID, out.out()));
  EXPECT_EQ((std::vector<double>{0.9, 0.8, 0.7, 0.6}), readDoubles(out.get()));
}

TEST_F(Store, AdapterAccessorsRefuseWhatTheTableCannotHold) {
  const double values[] = {1, 2, 3, 4, 5};
  EXPECT_EQ(E_INVALIDARG, m_self->setPropValues(PpFRACTION, PhVAPOR, values, 3));  // wrong size
  EXPECT_EQ(E_INVALIDARG, m_self->setPropValues(PpVISCOSITY, PhVAPOR, values, 1));  // not cached
  EXPECT_EQ(E_INVALIDARG, m_self->setPropValues(PpFRACTION + 1000, PhVAPOR, values, 4));  // no derivative
  EXPECT_EQ(kUnknownError, m_self->setPropValues(PpFRACTION, PhSOLID, values, 4));
  EXPECT_EQ(L"Phase not supported", errorText());
  support::Variant text = strings({L"x"});
  EXPECT_EQ(E_INVALIDARG, m_itf->setPropVal(PpFRACTION, PhVAPOR, text.get()));
  std::vector<double> out;
  EXPECT_EQ(E_INVALIDARG, m_self->getPropValues(PhVAPOR, -5, out));
  EXPECT_EQ(E_INVALIDARG, m_self->getPropValues(PhVAPOR, 5029, out));
  EXPECT_EQ(kUnknownError, m_self->getPropValues(PhSOLID, PpFRACTION, out));
  EXPECT_EQ(L"Phase not supported", errorText());
}

TEST_F(Store, AdapterReadsTheListForPropertiesOutsideTheTable) {
  ASSERT_EQ(S_OK, set(L"viscosity", L"Liquid", {0.0012}, L""));
  ASSERT_EQ(S_OK, set(L"flow", L"Liquid", {1.0, 2.0, 3.0, 4.0}));
  std::vector<double> out;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpVISCOSITY, out)) << support::narrow(errorText());
  EXPECT_EQ(std::vector<double>{0.0012}, out);
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpFLOW, out)) << support::narrow(errorText());
  EXPECT_EQ((std::vector<double>{1.0, 2.0, 3.0, 4.0}), out);
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpTOTALFLOW, out)) << support::narrow(errorText());
  EXPECT_EQ(std::vector<double>{10.0}, out);
  EXPECT_EQ(kUnknownError, m_self->getPropValues(PhVAPOR, PpVISCOSITY, out));
}

TEST_F(Store, FugacityCoefficientsOfVaporAndLiquidGoToTheTable) {
  const std::vector<double> vapor{0.99, 0.97, 0.95, 0.9}, liquid{3.0, 1.2, 0.4, 0.1};
  ASSERT_EQ(S_OK, set(L"fugacityCoefficient", L"Vapor", vapor, L""));
  ASSERT_EQ(S_OK, set(L"FugacityCoefficient", L"liquid", liquid, L""));
  EXPECT_TRUE(m_self->otherProperties().empty());
  std::vector<double> out;
  ASSERT_EQ(S_OK, m_self->getPropValues(PhVAPOR, PpFUGACITYCOEFFICIENT, out));
  EXPECT_EQ(vapor, out);
  ASSERT_EQ(S_OK, m_self->getPropValues(PhLIQUID, PpFUGACITYCOEFFICIENT, out));
  EXPECT_EQ(liquid, out);
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(Store, ListRefusesValuesForUnknownCompounds) {
  support::Variant ids = strings({L"methane", L"argon"});
  EXPECT_EQ(kUnknownError, set(L"flow", L"Solid", {1.0, 2.0}, L"mole", L"Mixture", &ids.get()));
  EXPECT_EQ(L"flow, Solid, Mixture, mole (SetProp: ERROR_CATCH_WRONGVALUES)", errorText());
  EXPECT_TRUE(m_self->otherProperties().empty());
  // Known compounds land at their positions.
  support::Variant two = strings({L"propane", L"methane"});
  ASSERT_EQ(S_OK, set(L"flow", L"Solid", {3.0, 1.0}, L"mole", L"Mixture", &two.get()));
  EXPECT_EQ((std::vector<double>{1.0, 0.0, 3.0, 0.0}), get(L"flow", L"Solid"));
  EXPECT_EQ((std::vector<double>{3.0}), get(L"flow", L"Solid", L"mole", L"Mixture", &strings({L"propane"}).get()));
}

TEST_F(Store, ComponentIdsAndCount) {
  support::Variant ids;
  ASSERT_EQ(S_OK, m_mo->get_ComponentIds(ids.out()));
  EXPECT_EQ(fourIds(), stringsIn(ids.get()));
  LONG n = 0;
  ASSERT_EQ(S_OK, m_mo->GetNumComponents(&n));
  EXPECT_EQ(4, n);
}

TEST_F(Store, UnimplementedMethodsSayNotImplemented) {
  support::Variant none, out;
  EXPECT_EQ(E_NOTIMPL, m_mo->GetUniversalConstant(none.get(), out.out()));
  EXPECT_EQ(VT_EMPTY, out.vt());
  EXPECT_EQ(E_NOTIMPL, m_mo->SetIndependentVar(none.get(), none.get()));
  EXPECT_EQ(E_NOTIMPL, m_mo->GetIndependentVar(none.get(), out.out()));
  EXPECT_EQ(E_NOTIMPL, m_mo->ValidityCheck(none.get(), out.out()));
}

}  // namespace
}  // namespace matobj_test
