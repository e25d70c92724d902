#include "ids/COProperty.h"

#include <cmath>
#include <string>

#include "ids/MathUtils.h"
#include "support/Report.h"
#include "support/Text.h"

namespace {

// One row of the descriptor table: a blank conversion is multiplier 1, offset 0, exponent 1.
struct DescriptorRow {
  int propertyId;
  int category;
  const wchar_t* moleUnit;
  const wchar_t* massUnit;
  double multiplier;
  double offset;
  double massExponent;
  int logMode;
  bool bothFlags;
};

using namespace COUnits;
const double kLn1000 = std::log(1000.0);

// The descriptors in creation order (find gives the first of an identifier).
const DescriptorRow kDescriptorTable[] = {
    {PpENTHALPY, 1, kJPerGmole, kJPerKg, 1.0, 0.0, 1.0, 0, false},
    {PpENTROPY, 1, kJPerGmoleK, kJPerKgK, 1.0, 0.0, 1.0, 0, false},
    {PpFRACTION, 8, kNone, kNone, 1.0, 0.0, 1.0, 0, true},
    {PpSURFACETENSION, 4, kNPerM, kNone, 0.001, 0.0, 1.0, 0, false},
    {PpCOMPRESSIBILITY, 4, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpCOMPRESSIBILITYFACTOR, 4, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpHEATCAPACITY, 1, kJPerGmoleK, kJPerKgK, 1.0, 0.0, 1.0, 0, false},
    {PpVISCOSITY, 1, kPaS, kNone, 0.001, 0.0, 1.0, 0, false},
    {PpTHERMALCONDUCTIVITY, 1, kWPerMK, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpVOLUME, 1, kM3PerGmole, kKgPerM3, 0.001, 0.0, -1.0, 0, false},
    {PpDENSITY, 1, kGmolePerM3, kKgPerM3, 1000.0, 0.0, 1.0, 0, false},
    {PpTEMPERATURE, 4, kTemperature, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpPRESSURE, 4, kPressure, kNone, 1000.0, 0.0, 1.0, 0, false},
    {PpKVALUES, 2, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpFUGACITYCOEFFICIENT, 2, kNone, kNone, 1.0, 0.0, 1.0, 1, false},
    {PpFUGACITY, 2, kPressure, kNone, 1000.0, 0.0, 1.0, 1, false},
    {PpLOGFUGACITYCOEFFICIENT, 2, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpLOGFUGACITY, 2, kNone, kNone, 1.0, kLn1000, 1.0, 0, false},
    {PpLOGKVALUES, 2, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpACTIVITY, 2, kNone, kNone, 1.0, 0.0, 1.0, 1, false},
    {PpACTIVITYCOEFFICIENT, 2, kNone, kNone, 1.0, 0.0, 1.0, 1, false},
    {PpHEATCAPACITYCV, 1, kJPerGmoleK, kJPerKgK, 1.0, 0.0, 1.0, 0, false},
    {PpPHASEFRACTION, 4, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpVIRIALCOEFFICIENT, 2, kM3PerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpJOULETHOMSONCOEFFICIENT, 1, kKPerPa, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpHEATOFVAPORIZATION, 2, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpHEATOFFUSION, 2, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpEXCESSENTHALPY, 4, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpEXCESSGIBBSFREEENERGY, 4, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpENERGY, 1, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpGIBBSFREEENERGY, 1, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpHELMHOLTZFREEENERGY, 1, kJPerGmole, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpMOLECULARWEIGHT, 1, kNone, kNone, 1.0, 0.0, 1.0, 0, false},
    {PpENTHALPYDTEMPERATURE, 1, kJPerGmoleK, kJPerKgK, 1.0, 0.0, 1.0, 0, false},
};

// Derivatives by pressure are per kPa on the host and per Pa in CAPE-OPEN.
constexpr double kPressureFactor = 1000.0;

bool isDefaultFactor(double multiplier, double offset) { return multiplier == 1.0 && offset == 0.0; }

// Loads the module's factory at module load, so that threads only ever read it.
struct LoadTimeBuild {
  LoadTimeBuild() {
    try {
      CCOPropertyFactory::shared();
    } catch (...) {
    }
  }
} loadTimeBuild;

}  // namespace

// ---- CCOPropertyTranslator ----

CCOPropertyTranslator::~CCOPropertyTranslator() = default;

double CCOPropertyTranslator::massMoleFactor(const CompConstProp*) const {
  support::reportFailure("Only COTHproperties are allowed to convert mass/mole");
  return 0.0;
}

// ---- CCOProperty ----

void CCOProperty::setIdentity(int propertyId, int category, const wchar_t* moleUnit, const wchar_t* massUnit) {
  m_propertyId = propertyId;
  m_category = category;
  m_moleUnit = m_plainMoleUnit = moleUnit ? moleUnit : kNone;
  m_massUnit = m_plainMassUnit = massUnit ? massUnit : kNone;
}

HRESULT CCOProperty::setMultipliers(double moleMult, double moleOffset, double massMult, double massOffset) {
  if (moleMult == 0.0 || massMult == 0.0)
    return support::reportError(E_FAIL, "CCOProperty: m_OV2COMoleMult==0.0 || m_OV2COMassMult==0.0");
  m_OV2COMoleMult = moleMult;
  m_moleOffset = moleOffset;
  m_OV2COMassMult = massMult;
  m_massOffset = massOffset;
  if (!isDefaultFactor(moleMult, moleOffset) || !isDefaultFactor(massMult, massOffset))
    m_plainMoleUnit = m_plainMassUnit = kNone;
  return S_OK;
}

void CCOProperty::setExponents(double mole, double mass) {
  m_moleExponent = mole;
  m_massExponent = mass;
}

double CCOProperty::mwFactor(const CompConstProp* component) const {
  if (!component) {
    const std::string text = "Property " + support::narrow(COIds::getName(m_propertyId)) +
                             " requires MW and Component pointer was not provided";
    support::reportFailure(text.c_str());
    return 0.0;
  }
  return massMoleFactor(component);
}

double CCOProperty::toCO(double x, const CompConstProp* component, int variable) const {
  if (m_mwMode != 0) {
    const double factor = mwFactor(component);
    if (factor == 0.0) return 0.0;  // no factor: no value rather than a division by zero
    x = m_mwMode == 1 ? x / factor : x * factor;
  }
  // Host values that happen to equal 70 or -70 are ordinary numbers; only the logarithm's
  // own saturation (and the exponential's bounds) must stay unscaled.
  bool saturated = false;
  if (m_logMode == -1) {
    x = MathUtils::safeLog(x);
    saturated = x == MathUtils::kLogMax || x == MathUtils::kLogMin;
  } else if (m_logMode == 1) {
    x = MathUtils::safeExp(x);
  }
  if (m_moleExponent != 1.0) x = std::pow(x, m_moleExponent);
  const bool marker = MathUtils::isExpBound(x) || (saturated && MathUtils::isSpecial(x));
  if (marker) return x;
  x = m_OV2COMoleMult * x + m_moleOffset;
  if (variable == PpPRESSURE) x /= kPressureFactor;
  return x;
}

double CCOProperty::toHost(double x, const CompConstProp* component, int variable) const {
  // As in toCO: package values equal to 70 or -70 are ordinary numbers (70 Pa is 0.07 kPa);
  // only the exponential's bounds and the logarithm's own saturation stay unscaled.
  if (!MathUtils::isExpBound(x)) x = m_OV2COMoleMult != 0.0 ? (x - m_moleOffset) / m_OV2COMoleMult : 0.0;
  if (m_moleExponent != 1.0) x = std::pow(x, 1.0 / m_moleExponent);
  if (m_mwMode != 0) {
    const double factor = mwFactor(component);
    if (m_mwMode == 1)
      x *= factor;
    else
      x = factor != 0.0 ? x / factor : 0.0;
  }
  bool saturated = false;
  if (m_logMode == -1) {
    x = MathUtils::safeExp(x);
  } else if (m_logMode == 1) {
    x = MathUtils::safeLog(x);
    saturated = x == MathUtils::kLogMax || x == MathUtils::kLogMin;
  }
  if (variable == PpPRESSURE && !MathUtils::isExpBound(x) && !saturated) x *= kPressureFactor;
  return x;
}

// ---- CCOPropertyFactory ----

CCOPropertyFactory::~CCOPropertyFactory() = default;

std::unique_ptr<CCOProperty> CCOPropertyFactory::createDescriptor() { return std::make_unique<CCOProperty>(); }

void CCOPropertyFactory::buildTable() {
  if (!m_descriptors.empty()) return;
  for (const DescriptorRow& row : kDescriptorTable) {
    std::unique_ptr<CCOProperty> d = createDescriptor();
    d->setIdentity(row.propertyId, row.category, row.moleUnit, row.massUnit);
    d->setMultipliers(row.multiplier, row.offset, row.multiplier, row.offset);
    d->setExponents(1.0, row.massExponent);
    d->setLogMode(row.logMode);
    if (row.bothFlags) d->setFlags(true, true);
    if (row.propertyId > 0 && row.propertyId < COIdsTable::kSize && !m_byId[row.propertyId])
      m_byId[row.propertyId] = d.get();
    m_descriptors.push_back(std::move(d));
  }
  tableBuilt();
}

const CCOProperty* CCOPropertyFactory::find(int propertyId) {
  buildTable();
  return propertyId > 0 && propertyId < COIdsTable::kSize ? m_byId[propertyId] : nullptr;
}

CCOPropertyFactory& CCOPropertyFactory::shared() {
  struct Built : CCOPropertyFactory {
    Built() { buildTable(); }
  };
  static Built factory;
  return factory;
}
