#pragma once
// Property descriptors: how one property's value converts between the host's units and the
// CAPE-OPEN SI units, and the process-wide table of them.
#include <memory>
#include <vector>

#include <windows.h>

#include "ids/COIds.h"
#include "ids/CompConstProp.h"

// CAPE-OPEN unit labels.
namespace COUnits {
inline constexpr wchar_t kJPerGmole[] = L"J/gmole";
inline constexpr wchar_t kTemperature[] = L"T";
inline constexpr wchar_t kPressure[] = L"P";
inline constexpr wchar_t kM3PerGmole[] = L"m3/gmole";
inline constexpr wchar_t kM3PerKg[] = L"m3/kg";
inline constexpr wchar_t kGmolePerM3[] = L"gmole/m3";
inline constexpr wchar_t kKgmolePerM3[] = L"kgmole/m3";
inline constexpr wchar_t kKgPerM3[] = L"kg/m3";
inline constexpr wchar_t kJPerKg[] = L"J/kg";
inline constexpr wchar_t kJPerGmoleK[] = L"J/gmole-K";
inline constexpr wchar_t kJPerKgK[] = L"J/kg-K";
inline constexpr wchar_t kGmolePerS[] = L"gmole/s";
inline constexpr wchar_t kKgmolePerS[] = L"kgmole/s";
inline constexpr wchar_t kKgPerS[] = L"kg/s";
inline constexpr wchar_t kNPerM[] = L"N/m";
inline constexpr wchar_t kDynePerCm[] = L"dyne/cm";
inline constexpr wchar_t kPaS[] = L"Pa-s";
inline constexpr wchar_t kKPerPa[] = L"K/Pa";
inline constexpr wchar_t kWPerMK[] = L"W/m-K";
inline constexpr wchar_t kPa[] = L"Pa";
inline constexpr wchar_t kThermalConductivity[] = L"thermalConductivity";
inline constexpr wchar_t kNone[] = L"";
}  // namespace COUnits

class CCOPropertyTranslator {
 public:
  virtual ~CCOPropertyTranslator();
  // Mass per mole of a compound; only thermo-aware descriptors know it: reported, 0.
  virtual double massMoleFactor(const CompConstProp* component) const;
  // CAPE-OPEN value to host value.
  virtual double toHost(double x, const CompConstProp* component, int variable) const = 0;
  // Host value to CAPE-OPEN value.
  virtual double toCO(double x, const CompConstProp* component, int variable) const = 0;
};

class CCOProperty : public CCOPropertyTranslator {
 public:
  CCOProperty() = default;

  double toHost(double x, const CompConstProp* component, int variable) const override;
  double toCO(double x, const CompConstProp* component, int variable) const override;

  // Multipliers (host to CAPE-OPEN) and offsets of both bases; a zero multiplier is refused
  // (reported, E_FAIL, nothing changed).
  HRESULT setMultipliers(double moleMult, double moleOffset, double massMult, double massOffset);
  void setExponents(double mole, double mass);
  // 0 none; 1 the host holds ln of the CAPE-OPEN value; -1 the reverse.
  void setLogMode(int mode) { m_logMode = mode; }
  // 0 none; 1 divide, -1 multiply by the mass/mole factor on the way to CAPE-OPEN.
  void setMwMode(int mode) { m_mwMode = mode; }
  void setIdentity(int propertyId, int category, const wchar_t* moleUnit, const wchar_t* massUnit);
  void setFlags(bool first, bool second) { m_flags[0] = first; m_flags[1] = second; }

  int propertyId() const { return m_propertyId; }
  int category() const { return m_category; }
  double moleMultiplier() const { return m_OV2COMoleMult; }
  double massMultiplier() const { return m_OV2COMassMult; }
  double moleOffset() const { return m_moleOffset; }
  double massOffset() const { return m_massOffset; }
  double moleExponent() const { return m_moleExponent; }
  double massExponent() const { return m_massExponent; }
  int logMode() const { return m_logMode; }
  int mwMode() const { return m_mwMode; }
  const wchar_t* moleUnit() const { return m_moleUnit; }
  const wchar_t* massUnit() const { return m_massUnit; }
  // The labels that still describe the value (cleared once a factor or offset is set).
  const wchar_t* plainMoleUnit() const { return m_plainMoleUnit; }
  const wchar_t* plainMassUnit() const { return m_plainMassUnit; }
  bool flag(int i) const { return m_flags[i]; }

 private:
  // The mass/mole factor, reported and 0 when there is no component.
  double mwFactor(const CompConstProp* component) const;

  double m_OV2COMoleMult = 1.0;
  double m_OV2COMassMult = 1.0;
  double m_moleExponent = 1.0;
  double m_massExponent = 1.0;
  double m_moleOffset = 0.0;
  double m_massOffset = 0.0;
  int m_logMode = 0;
  int m_mwMode = 0;
  int m_propertyId = 0;
  int m_category = 0;
  const wchar_t* m_moleUnit = COUnits::kNone;
  const wchar_t* m_massUnit = COUnits::kNone;
  const wchar_t* m_plainMoleUnit = COUnits::kNone;
  const wchar_t* m_plainMassUnit = COUnits::kNone;
  bool m_flags[2] = {true, false};
};

class CCOPropertyFactory {
 public:
  explicit CCOPropertyFactory(int setting = 0) : m_setting(setting) {}
  virtual ~CCOPropertyFactory();
  CCOPropertyFactory(const CCOPropertyFactory&) = delete;
  CCOPropertyFactory& operator=(const CCOPropertyFactory&) = delete;

  // Called when the table has been built; does nothing here.
  virtual void tableBuilt() {}
  // Builds the descriptor table (only while the list is empty).
  virtual void buildTable();
  virtual std::unique_ptr<CCOProperty> createDescriptor();

  // The first descriptor of a property (the table is built first), or null.
  const CCOProperty* find(int propertyId);
  const std::vector<std::unique_ptr<CCOProperty>>& descriptors() const { return m_descriptors; }
  int setting() const { return m_setting; }

  // The module's factory, built at module load (or first use) and read-only afterwards.
  static CCOPropertyFactory& shared();

 private:
  std::vector<std::unique_ptr<CCOProperty>> m_descriptors;
  const CCOProperty* m_byId[COIdsTable::kSize] = {};  // first descriptor of each identifier
  int m_setting;
};
