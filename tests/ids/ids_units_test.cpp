// Bounded functions, every descriptor's factors both ways, the compound cache check and the
// other-properties record.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "ids/COProperty.h"
#include "ids/CompConstProp.h"
#include "ids/GCOProperty.h"
#include "ids/MathUtils.h"
#include "support/Raii.h"
#include "support/SetGet.h"
#include "support/Utils.h"
#include "tests/ids/FailureText.h"

using ids_test::BoxCapture;
using ids_test::failureText;
using support::Bstr;
using support::SetGet;
using support::Variant;

namespace {

std::wstring text(const wchar_t* s) { return s ? s : L""; }

const CCOProperty& descriptor(int id) {
  const CCOProperty* d = CCOPropertyFactory::shared().find(id);
  if (!d) throw std::runtime_error("no descriptor");
  return *d;
}

}  // namespace

// ---- MathUtils ----

TEST(IdsMath, SafeExpAtAndBeyondItsBounds) {
  EXPECT_EQ(1e-30, MathUtils::safeExp(-70.0));
  EXPECT_EQ(1e-30, MathUtils::safeExp(-71.0));
  EXPECT_EQ(1e-30, MathUtils::safeExp(-1e308));
  EXPECT_EQ(1e-30, MathUtils::safeExp(-std::numeric_limits<double>::infinity()));
  EXPECT_EQ(1e30, MathUtils::safeExp(70.0));
  EXPECT_EQ(1e30, MathUtils::safeExp(1000.0));
  EXPECT_EQ(1e30, MathUtils::safeExp(std::numeric_limits<double>::infinity()));
  EXPECT_DOUBLE_EQ(std::exp(69.999), MathUtils::safeExp(69.999));
  EXPECT_DOUBLE_EQ(std::exp(-69.999), MathUtils::safeExp(-69.999));
  EXPECT_EQ(1.0, MathUtils::safeExp(0.0));
}

TEST(IdsMath, SafeLogAtAndBeyondItsBoundsIsNeverInfinite) {
  EXPECT_EQ(-70.0, MathUtils::safeLog(1e-30));
  EXPECT_EQ(-70.0, MathUtils::safeLog(1e-31));
  EXPECT_EQ(-70.0, MathUtils::safeLog(0.0));
  EXPECT_EQ(-70.0, MathUtils::safeLog(-0.0));
  EXPECT_EQ(-70.0, MathUtils::safeLog(-5.0));
  EXPECT_EQ(-70.0, MathUtils::safeLog(-std::numeric_limits<double>::infinity()));
  EXPECT_EQ(70.0, MathUtils::safeLog(1e30));
  EXPECT_EQ(70.0, MathUtils::safeLog(1e300));
  EXPECT_EQ(70.0, MathUtils::safeLog(std::numeric_limits<double>::infinity()));
  EXPECT_DOUBLE_EQ(std::log(2e-30), MathUtils::safeLog(2e-30));
  EXPECT_DOUBLE_EQ(std::log(9.9e29), MathUtils::safeLog(9.9e29));
  EXPECT_EQ(0.0, MathUtils::safeLog(1.0));
}

TEST(IdsMath, SpecialValues) {
  for (double x : {1e30, 1e-30, 70.0, -70.0}) EXPECT_TRUE(MathUtils::isSpecial(x)) << x;
  for (double x : {0.0, 69.0, -1e30, 1.0000001e30}) EXPECT_FALSE(MathUtils::isSpecial(x)) << x;
  EXPECT_EQ(-32767.0, MathUtils::kUnset);
}

// ---- the descriptor table ----

namespace {

struct Row {
  int id;
  int category;
  const wchar_t* moleUnit;
  const wchar_t* massUnit;
  double multiplier;
  double offset;
  int logMode;
  double massExponent;
  bool bothFlags;
};

const double kLn1000 = 6.907755278982137;

// The descriptor table as it must be, in creation order.
const Row kTable[] = {
    {35, 1, L"J/gmole", L"J/kg", 1.0, 0.0, 0, 1.0, false},
    {36, 1, L"J/gmole-K", L"J/kg-K", 1.0, 0.0, 0, 1.0, false},
    {29, 8, L"", L"", 1.0, 0.0, 0, 1.0, true},
    {52, 4, L"N/m", L"", 0.001, 0.0, 0, 1.0, false},
    {46, 4, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {53, 4, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {37, 1, L"J/gmole-K", L"J/kg-K", 1.0, 0.0, 0, 1.0, false},
    {47, 1, L"Pa-s", L"", 0.001, 0.0, 0, 1.0, false},
    {48, 1, L"W/m-K", L"", 1.0, 0.0, 0, 1.0, false},
    {38, 1, L"m3/gmole", L"kg/m3", 0.001, 0.0, 0, -1.0, false},
    {40, 1, L"gmole/m3", L"kg/m3", 1000.0, 0.0, 0, 1.0, false},
    {27, 4, L"T", L"", 1.0, 0.0, 0, 1.0, false},
    {28, 4, L"P", L"", 1000.0, 0.0, 0, 1.0, false},
    {34, 2, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {30, 2, L"", L"", 1.0, 0.0, 1, 1.0, false},
    {33, 2, L"P", L"", 1000.0, 0.0, 1, 1.0, false},
    {32, 2, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {31, 2, L"", L"", 1.0, kLn1000, 0, 1.0, false},
    {45, 2, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {50, 2, L"", L"", 1.0, 0.0, 1, 1.0, false},
    {51, 2, L"", L"", 1.0, 0.0, 1, 1.0, false},
    {39, 1, L"J/gmole-K", L"J/kg-K", 1.0, 0.0, 0, 1.0, false},
    {43, 4, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {60, 2, L"m3/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {62, 1, L"K/Pa", L"", 1.0, 0.0, 0, 1.0, false},
    {63, 2, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {65, 2, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {73, 4, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {75, 4, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {79, 1, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {80, 1, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {81, 1, L"J/gmole", L"", 1.0, 0.0, 0, 1.0, false},
    {93, 1, L"", L"", 1.0, 0.0, 0, 1.0, false},
    {42, 1, L"J/gmole-K", L"J/kg-K", 1.0, 0.0, 0, 1.0, false},
};

// Host value 2.5 in CAPE-OPEN units, worked out from the row's factors by hand.
double expectedToCO(const Row& r) {
  const double x = r.logMode == 1 ? std::exp(2.5) : 2.5;
  return r.multiplier * x + r.offset;
}

// CAPE-OPEN value 3.0 in host units.
double expectedToHost(const Row& r) {
  const double x = (3.0 - r.offset) / r.multiplier;
  return r.logMode == 1 ? std::log(x) : x;
}

}  // namespace

TEST(IdsDescriptors, TableInCreationOrderWithEveryField) {
  const auto& list = CCOPropertyFactory::shared().descriptors();
  ASSERT_EQ(sizeof(kTable) / sizeof(kTable[0]), list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    const Row& r = kTable[i];
    const CCOProperty& d = *list[i];
    SCOPED_TRACE("row " + std::to_string(i) + ", property " + std::to_string(r.id));
    EXPECT_EQ(r.id, d.propertyId());
    EXPECT_EQ(r.category, d.category());
    EXPECT_EQ(text(r.moleUnit), text(d.moleUnit()));
    EXPECT_EQ(text(r.massUnit), text(d.massUnit()));
    EXPECT_EQ(r.multiplier, d.moleMultiplier());
    EXPECT_EQ(r.multiplier, d.massMultiplier());
    EXPECT_DOUBLE_EQ(r.offset, d.moleOffset());
    EXPECT_DOUBLE_EQ(r.offset, d.massOffset());
    EXPECT_EQ(1.0, d.moleExponent());
    EXPECT_EQ(r.massExponent, d.massExponent());
    EXPECT_EQ(r.logMode, d.logMode());
    EXPECT_EQ(0, d.mwMode());
    EXPECT_TRUE(d.flag(0));
    EXPECT_EQ(r.bothFlags, d.flag(1));
    const bool plain = r.multiplier == 1.0 && r.offset == 0.0;
    EXPECT_EQ(plain ? text(r.moleUnit) : L"", text(d.plainMoleUnit()));
    EXPECT_EQ(plain ? text(r.massUnit) : L"", text(d.plainMassUnit()));
    EXPECT_EQ(&d, CCOPropertyFactory::shared().find(r.id));
  }
}

TEST(IdsDescriptors, EveryRowConvertsBothWays) {
  for (const Row& r : kTable) {
    SCOPED_TRACE("property " + std::to_string(r.id));
    const CCOProperty& d = descriptor(r.id);
    const double co = d.toCO(2.5, nullptr, 0);
    EXPECT_DOUBLE_EQ(expectedToCO(r), co);
    EXPECT_DOUBLE_EQ(2.5, d.toHost(co, nullptr, 0));
    EXPECT_DOUBLE_EQ(expectedToHost(r), d.toHost(3.0, nullptr, 0));
  }
}

TEST(IdsDescriptors, PropertiesWithoutDescriptor) {
  auto& factory = CCOPropertyFactory::shared();
  for (int id : {0, -1, 41, 44, 94, 99, 135, 136, 5000}) EXPECT_EQ(nullptr, factory.find(id)) << id;
}

TEST(IdsDescriptors, HostUnitExamples) {
  EXPECT_DOUBLE_EQ(101325.0, descriptor(PpPRESSURE).toCO(101.325, nullptr, 0));
  EXPECT_DOUBLE_EQ(101.325, descriptor(PpPRESSURE).toHost(101325.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(50000.0, descriptor(PpFUGACITY).toCO(std::log(50.0), nullptr, 0));
  EXPECT_DOUBLE_EQ(std::log(50.0), descriptor(PpFUGACITY).toHost(50000.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(kLn1000, descriptor(PpLOGFUGACITY).toCO(0.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(0.001, descriptor(PpVISCOSITY).toCO(1.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(0.02, descriptor(PpSURFACETENSION).toCO(20.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(20.0, descriptor(PpSURFACETENSION).toHost(0.02, nullptr, 0));
  EXPECT_DOUBLE_EQ(0.0123, descriptor(PpVOLUME).toCO(12.3, nullptr, 0));
  EXPECT_DOUBLE_EQ(12300.0, descriptor(PpDENSITY).toCO(12.3, nullptr, 0));
  EXPECT_DOUBLE_EQ(std::log(0.25), descriptor(PpFUGACITYCOEFFICIENT).toHost(0.25, nullptr, 0));
}

TEST(IdsDescriptors, DerivativesByPressureArePerPascal) {
  EXPECT_DOUBLE_EQ(0.002, descriptor(PpENTHALPY).toCO(2.0, nullptr, PpPRESSURE));
  EXPECT_DOUBLE_EQ(2.0, descriptor(PpENTHALPY).toHost(0.002, nullptr, PpPRESSURE));
  EXPECT_DOUBLE_EQ(2.0, descriptor(PpENTHALPY).toCO(2.0, nullptr, PpTEMPERATURE));
  EXPECT_DOUBLE_EQ(2.0, descriptor(PpENTHALPY).toCO(2.0, nullptr, PdPRESSURE));
  EXPECT_DOUBLE_EQ(3.0, descriptor(PpVOLUME).toCO(3000.0, nullptr, PpPRESSURE) * 1000.0);
}

TEST(IdsDescriptors, SaturationValuesAreNotScaled) {
  EXPECT_EQ(1e30, descriptor(PpFUGACITY).toCO(80.0, nullptr, 0));
  EXPECT_EQ(1e30, descriptor(PpFUGACITY).toCO(70.0, nullptr, 0));
  EXPECT_EQ(1e-30, descriptor(PpFUGACITY).toCO(-80.0, nullptr, 0));
  EXPECT_EQ(1e30, descriptor(PpFUGACITY).toCO(80.0, nullptr, PpPRESSURE));
  EXPECT_EQ(1e30, descriptor(PpPRESSURE).toCO(1e30, nullptr, 0));
  EXPECT_EQ(1e-30, descriptor(PpVISCOSITY).toCO(1e-30, nullptr, 0));
  EXPECT_EQ(1e30, descriptor(PpENTHALPY).toCO(1e30, nullptr, PpPRESSURE));
  // CAPE-OPEN side: the exponential's bounds pass the scaling, a saturated log stays 70.
  EXPECT_EQ(70.0, descriptor(PpFUGACITY).toHost(1e30, nullptr, 0));
  EXPECT_EQ(-70.0, descriptor(PpFUGACITY).toHost(0.0, nullptr, 0));
  EXPECT_EQ(70.0, descriptor(PpFUGACITY).toHost(1e30, nullptr, PpPRESSURE));
  EXPECT_EQ(1e-30, descriptor(PpENTHALPY).toHost(1e-30, nullptr, PpPRESSURE));
}

TEST(IdsDescriptors, HostValuesEqualToALogBoundAreOrdinaryNumbers) {
  EXPECT_DOUBLE_EQ(70000.0, descriptor(PpPRESSURE).toCO(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(0.07, descriptor(PpSURFACETENSION).toCO(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(-70000.0, descriptor(PpDENSITY).toCO(-70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(70.0 + kLn1000, descriptor(PpLOGFUGACITY).toCO(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(0.07, descriptor(PpENTHALPY).toCO(70.0, nullptr, PpPRESSURE));
}

TEST(IdsDescriptors, PackageValuesEqualToALogBoundAreOrdinaryNumbers) {
  EXPECT_DOUBLE_EQ(0.07, descriptor(PpPRESSURE).toHost(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(-0.07, descriptor(PpPRESSURE).toHost(-70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(0.07, descriptor(PpDENSITY).toHost(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(70000.0, descriptor(PpVISCOSITY).toHost(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(70.0 - kLn1000, descriptor(PpLOGFUGACITY).toHost(70.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(70000.0, descriptor(PpENTHALPY).toHost(70.0, nullptr, PpPRESSURE));
  EXPECT_DOUBLE_EQ(std::log(70.0 / 1000.0), descriptor(PpFUGACITY).toHost(70.0, nullptr, 0));
}

TEST(IdsDescriptors, ConversionsNeverGiveInfinityOrNaNForLogarithmicProperties) {
  for (int id : {PpFUGACITY, PpFUGACITYCOEFFICIENT, PpACTIVITY, PpACTIVITYCOEFFICIENT}) {
    for (double x : {0.0, -1.0, 1e-300, 1e300, std::numeric_limits<double>::infinity()}) {
      const double host = descriptor(id).toHost(x, nullptr, 0);
      EXPECT_TRUE(std::isfinite(host)) << id << " toHost " << x;
    }
    for (double x : {-1e300, 1e300, 700.0, -700.0}) {
      const double co = descriptor(id).toCO(x, nullptr, 0);
      EXPECT_TRUE(std::isfinite(co)) << id << " toCO " << x;
    }
  }
}

// ---- descriptor setters and the mass/mole factor ----

namespace {

// A descriptor that knows the mass per mole (kg/mol) of a compound.
class MassAwareProperty : public CCOProperty {
 public:
  double massMoleFactor(const CompConstProp* c) const override { return c->m_molecularWeight / 1000.0; }
};

}  // namespace

TEST(IdsDescriptorSetters, ZeroMultiplierIsRefusedAndReported) {
  CCOProperty d;
  d.setIdentity(PpPRESSURE, 4, L"P", L"");
  ASSERT_EQ(S_OK, d.setMultipliers(1000.0, 0.0, 1000.0, 0.0));
  for (auto mults : {std::pair<double, double>{0.0, 1.0}, {1.0, 0.0}}) {
    BoxCapture boxes;
    EXPECT_EQ(E_FAIL, d.setMultipliers(mults.first, 5.0, mults.second, 5.0));
    EXPECT_EQ(failureText(L"CCOProperty: m_OV2COMoleMult==0.0 || m_OV2COMassMult==0.0"), boxes.onlyText());
    EXPECT_EQ(1000.0, d.moleMultiplier());
    EXPECT_EQ(1000.0, d.massMultiplier());
    EXPECT_EQ(0.0, d.moleOffset());
  }
}

TEST(IdsDescriptorSetters, PlainUnitsClearedOnlyByNonDefaultFactors) {
  CCOProperty d;
  d.setIdentity(PpENTHALPY, 1, L"J/gmole", L"J/kg");
  EXPECT_EQ(S_OK, d.setMultipliers(1.0, 0.0, 1.0, 0.0));
  EXPECT_EQ(L"J/gmole", text(d.plainMoleUnit()));
  EXPECT_EQ(S_OK, d.setMultipliers(1.0, 0.0, 1.0, 2.0));
  EXPECT_EQ(L"", text(d.plainMoleUnit()));
  EXPECT_EQ(L"", text(d.plainMassUnit()));
  EXPECT_EQ(L"J/gmole", text(d.moleUnit()));
}

TEST(IdsDescriptorSetters, ExponentAndReverseLogarithm) {
  CCOProperty d;
  d.setIdentity(PpVOLUME, 1, L"", L"");
  d.setExponents(2.0, 1.0);
  EXPECT_DOUBLE_EQ(9.0, d.toCO(3.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(3.0, d.toHost(9.0, nullptr, 0));
  CCOProperty lg;
  lg.setIdentity(PpLOGFUGACITYCOEFFICIENT, 2, L"", L"");
  lg.setLogMode(-1);
  EXPECT_DOUBLE_EQ(std::log(4.0), lg.toCO(4.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(4.0, lg.toHost(std::log(4.0), nullptr, 0));
  ASSERT_EQ(S_OK, lg.setMultipliers(1000.0, 0.0, 1000.0, 0.0));
  EXPECT_EQ(70.0, lg.toCO(1e40, nullptr, 0));    // the log's own saturation stays unscaled
  EXPECT_EQ(-70.0, lg.toCO(0.0, nullptr, 0));
  EXPECT_DOUBLE_EQ(1000.0 * std::log(4.0), lg.toCO(4.0, nullptr, 0));
}

TEST(IdsDescriptorSetters, MolecularWeightModeWithoutComponentIsReported) {
  CCOProperty d;
  d.setIdentity(PpENTHALPY, 1, L"", L"");
  d.setMwMode(1);
  {
    BoxCapture boxes;
    EXPECT_EQ(0.0, d.toCO(5.0, nullptr, 0));
    EXPECT_EQ(failureText(L"Property enthalpy requires MW and Component pointer was not provided"), boxes.onlyText());
  }
  {
    BoxCapture boxes;
    CompConstProp c;
    c.m_molecularWeight = 18.0;
    EXPECT_EQ(0.0, d.toCO(5.0, &c, 0));  // the plain descriptor cannot convert mass/mole
    EXPECT_EQ(failureText(L"Only COTHproperties are allowed to convert mass/mole"), boxes.onlyText());
  }
}

TEST(IdsDescriptorSetters, MolecularWeightModeDividesOrMultiplies) {
  BoxCapture boxes;
  CompConstProp water;
  water.m_molecularWeight = 18.0;
  MassAwareProperty d;
  d.setIdentity(PpENTHALPY, 1, L"", L"");
  d.setMwMode(1);
  EXPECT_DOUBLE_EQ(5.0 / 0.018, d.toCO(5.0, &water, 0));
  EXPECT_DOUBLE_EQ(5.0, d.toHost(5.0 / 0.018, &water, 0));
  d.setMwMode(-1);
  EXPECT_DOUBLE_EQ(5.0 * 0.018, d.toCO(5.0, &water, 0));
  EXPECT_DOUBLE_EQ(5.0, d.toHost(5.0 * 0.018, &water, 0));
  EXPECT_EQ(0u, boxes.count());
}

// ---- the factory ----

namespace {

class CountingFactory : public CCOPropertyFactory {
 public:
  CountingFactory() : CCOPropertyFactory(7) {}
  std::unique_ptr<CCOProperty> createDescriptor() override {
    ++created;
    return CCOPropertyFactory::createDescriptor();
  }
  void tableBuilt() override { ++built; }
  int created = 0;
  int built = 0;
};

}  // namespace

TEST(IdsFactory, BuildsOnFirstFindAndOnlyOnce) {
  CountingFactory f;
  EXPECT_EQ(7, f.setting());
  EXPECT_TRUE(f.descriptors().empty());
  const CCOProperty* d = f.find(PpENTHALPYDTEMPERATURE);
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(PpENTHALPYDTEMPERATURE, d->propertyId());
  EXPECT_EQ(34, f.created);
  EXPECT_EQ(1, f.built);
  f.buildTable();
  f.find(PpENTHALPY);
  EXPECT_EQ(34, f.created);
  EXPECT_EQ(34u, f.descriptors().size());
  EXPECT_NE(d, CCOPropertyFactory::shared().find(PpENTHALPYDTEMPERATURE));  // its own descriptors
}

// ---- the compound cache ----

TEST(IdsCompoundCache, ResetMarksEverythingUnset) {
  CompConstProp c;
  c.m_compId = Bstr(L"water");
  c.m_casNumber = Bstr(L"7732-18-5");
  c.m_molecularWeight = 18.0;
  c.m_criticalTemperature = 647.0;
  c.m_spareId = 3;
  c.reset();
  EXPECT_TRUE(c.m_compId.empty());
  EXPECT_TRUE(c.m_formula.empty());
  EXPECT_TRUE(c.m_name.empty());
  EXPECT_TRUE(c.m_casNumber.empty());
  for (double v : {c.m_criticalTemperature, c.m_criticalPressure, c.m_criticalVolume, c.m_acentricFactor,
                   c.m_molecularWeight, c.m_normalBoilingPoint, c.m_liquidDensity25C, c.m_spare})
    EXPECT_EQ(-32767.0, v);
  EXPECT_EQ(-1, c.m_spareId);
}

TEST(IdsCompoundCache, CheckMessages) {
  CompConstProp c;
  {
    BoxCapture boxes;
    EXPECT_EQ(E_FAIL, c.check());
    EXPECT_EQ(failureText(L"Compound cache has not been initialized. Contact support"), boxes.onlyText());
  }
  c.m_molecularWeight = 18.0;
  c.m_criticalTemperature = 647.0;
  c.m_criticalPressure = 22.064e6;
  {
    BoxCapture boxes;
    EXPECT_EQ(S_OK, c.check());
    EXPECT_EQ(0u, boxes.count());
  }
  for (double* field : {&c.m_molecularWeight, &c.m_criticalTemperature, &c.m_criticalPressure}) {
    const double kept = *field;
    *field = -1.0;
    BoxCapture boxes;
    EXPECT_EQ(E_FAIL, c.check());
    EXPECT_EQ(failureText(L"MW, CT or CP are negative. "), boxes.onlyText());
    *field = kept;
  }
  {
    c.m_criticalTemperature = MathUtils::kUnset;  // a set MW with a never-read critical value
    BoxCapture boxes;
    EXPECT_EQ(E_FAIL, c.check());
    EXPECT_EQ(failureText(L"MW, CT or CP are negative. "), boxes.onlyText());
  }
}

// ---- the other-properties record ----

namespace {

class Compounds : public COCompoundList {
 public:
  explicit Compounds(std::vector<std::wstring> ids) : m_ids(std::move(ids)) {}
  int compoundCount() const override { return static_cast<int>(m_ids.size()); }
  int compoundIndex(BSTR id) const override {
    for (size_t i = 0; i < m_ids.size(); ++i)
      if (support::sameText(m_ids[i], id)) return static_cast<int>(i);
    return -1;
  }

 private:
  std::vector<std::wstring> m_ids;
};

Variant doubles(std::vector<double> values, long lb = 0) {
  Variant v;
  SetGet::Create(v.get(), VT_R8, static_cast<long>(values.size()), lb);
  for (size_t i = 0; i < values.size(); ++i) SetGet::putDouble(v.get(), lb + static_cast<long>(i), values[i]);
  return v;
}

Variant strings(std::vector<std::wstring> values, long lb = 0) {
  Variant v;
  SetGet::Create(v.get(), VT_BSTR, static_cast<long>(values.size()), lb);
  for (size_t i = 0; i < values.size(); ++i)
    SetGet::putString(v.get(), lb + static_cast<long>(i), SysAllocString(values[i].c_str()));
  return v;
}

std::vector<double> valuesOf(const VARIANT& v) {
  std::vector<double> out;
  double x;
  for (long i = SetGet::lbound(v); SetGet::nextItem(v, i, x); ++i) out.push_back(x);
  return out;
}

GCOProperty record(const COCompoundList* owner, const wchar_t* property, const wchar_t* calcType,
                   const wchar_t* basis = L"mole") {
  return GCOProperty(owner, Bstr(property).get(), Bstr(L"Vapor").get(), Bstr(calcType).get(), Bstr(basis).get());
}

}  // namespace

TEST(IdsOtherProperty, Matching) {
  GCOProperty r = record(nullptr, L"viscosity", L"Mixture", L"mole");
  auto m = [&](const wchar_t* p, const wchar_t* ph, const wchar_t* ct, const wchar_t* b) {
    return r.matches(Bstr(p).get(), Bstr(ph).get(), Bstr(ct).get(), Bstr(b).get());
  };
  EXPECT_TRUE(m(L"VISCOSITY", L"vapor", L"mixture", L"mole"));
  EXPECT_TRUE(m(L"viscosity", L"Vapor", L"Mixture", L"mass"));  // mole and mass match each other
  EXPECT_FALSE(m(L"viscosity", L"Vapor", L"Mixture", L""));
  EXPECT_FALSE(m(L"viscosity", L"Liquid", L"Mixture", L"mole"));
  EXPECT_FALSE(m(L"viscosit", L"Vapor", L"Mixture", L"mole"));
  EXPECT_FALSE(m(L"viscosity", L"Vapor", L"Pure", L"mole"));
  GCOProperty unbased(nullptr, Bstr(L"kvalues").get(), Bstr(L"VaporLiquid").get(), nullptr, nullptr);
  EXPECT_TRUE(unbased.matches(Bstr(L"kvalues").get(), Bstr(L"VaporLiquid").get(), Bstr(L"").get(), nullptr));
  EXPECT_FALSE(unbased.matches(Bstr(L"kvalues").get(), Bstr(L"VaporLiquid").get(), nullptr, Bstr(L"mole").get()));
}

TEST(IdsOtherProperty, ValueMustBeADoubleArray) {
  GCOProperty r = record(nullptr, L"viscosity", L"Mixture");
  Variant scalar;
  scalar.get().vt = VT_R8;
  scalar.get().dblVal = 1.0;
  Variant none;
  EXPECT_EQ(E_INVALIDARG, r.setValue(none.get(), scalar.get()));
  EXPECT_EQ(E_INVALIDARG, r.setValue(none.get(), strings({L"1"}).get()));
  EXPECT_EQ(VT_EMPTY, r.value().vt);
}

TEST(IdsOtherProperty, StoredAsGivenWithoutIdsOrForMixtureScalars) {
  Compounds owner({L"a", L"b", L"c"});
  GCOProperty r = record(&owner, L"viscosity", L"Mixture");
  Variant none;
  ASSERT_EQ(S_OK, r.setValue(none.get(), doubles({4.5}, 2).get()));
  EXPECT_EQ(2, SetGet::lbound(r.value()));
  EXPECT_EQ(std::vector<double>{4.5}, valuesOf(r.value()));
  ASSERT_EQ(S_OK, r.setValue(strings({L"b"}).get(), doubles({7.0}).get()));  // not a compound array
  EXPECT_EQ(std::vector<double>{7.0}, valuesOf(r.value()));
  Variant copy;
  ASSERT_EQ(S_OK, r.getValue(copy.out()));
  EXPECT_EQ(std::vector<double>{7.0}, valuesOf(copy.get()));
}

TEST(IdsOtherProperty, CompoundValuesGoToTheCompoundsPositions) {
  Compounds owner({L"methane", L"ethane", L"propane"});
  GCOProperty r = record(&owner, L"fugacity", L"Mixture");
  ASSERT_EQ(S_OK, r.setValue(strings({L"PROPANE", L"methane"}, 1).get(), doubles({3.0, 1.0}, 1).get()));
  EXPECT_EQ(0, SetGet::lbound(r.value()));
  EXPECT_EQ((std::vector<double>{1.0, 0.0, 3.0}), valuesOf(r.value()));
  ASSERT_EQ(S_OK, r.setValue(strings({L"ethane"}).get(), doubles({2.0}).get()));  // keeps the others
  EXPECT_EQ((std::vector<double>{1.0, 2.0, 3.0}), valuesOf(r.value()));
  GCOProperty pure = record(&owner, L"viscosity", L"Pure");
  ASSERT_EQ(S_OK, pure.setValue(strings({L"ethane"}).get(), doubles({9.0}).get()));
  EXPECT_EQ((std::vector<double>{0.0, 9.0, 0.0}), valuesOf(pure.value()));
}

TEST(IdsOtherProperty, CompoundValuesAreRefusedAsAWhole) {
  Compounds owner({L"methane", L"ethane"});
  GCOProperty r = record(&owner, L"fraction", L"Mixture");
  ASSERT_EQ(S_OK, r.setValue(strings({L"methane", L"ethane"}).get(), doubles({0.25, 0.75}).get()));
  const std::vector<double> kept{0.25, 0.75};
  EXPECT_EQ(E_INVALIDARG, r.setValue(strings({L"ethane", L"butane"}).get(), doubles({0.5, 0.5}).get()));
  EXPECT_EQ(kept, valuesOf(r.value()));
  EXPECT_EQ(E_INVALIDARG, r.setValue(strings({L"ethane"}).get(), doubles({0.5, 0.5}).get()));
  EXPECT_EQ(E_INVALIDARG, r.setValue(strings({L"ethane", L"methane"}, 1).get(), doubles({0.5, 0.5}).get()));
  EXPECT_EQ(E_INVALIDARG, r.setValue(doubles({1.0, 2.0}).get(), doubles({0.5, 0.5}).get()));
  EXPECT_EQ(kept, valuesOf(r.value()));
  GCOProperty orphan = record(nullptr, L"fraction", L"Mixture");
  EXPECT_EQ(E_INVALIDARG, orphan.setValue(strings({L"methane"}).get(), doubles({1.0}).get()));
}
