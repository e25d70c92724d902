#pragma once
// The compound cache: the constants of one compound that the material object keeps so that
// calculations need not ask the package for them again.
#include <windows.h>

#include "ids/MathUtils.h"
#include "support/Raii.h"

struct CompConstProp {
  support::Bstr m_compId;
  support::Bstr m_formula;
  support::Bstr m_name;
  support::Bstr m_casNumber;

  // MathUtils::kUnset until set.
  double m_criticalTemperature = MathUtils::kUnset;  // K
  double m_criticalPressure = MathUtils::kUnset;     // Pa
  double m_criticalVolume = MathUtils::kUnset;       // m3/mol
  double m_acentricFactor = MathUtils::kUnset;
  double m_molecularWeight = MathUtils::kUnset;      // kg/kmol
  double m_normalBoilingPoint = MathUtils::kUnset;   // K
  double m_liquidDensity25C = MathUtils::kUnset;
  double m_spare = MathUtils::kUnset;                // not filled by the product

  int m_spareId = -1;  // not filled by the product

  // Back to the state of a compound whose constants were never read.
  void reset();
  // Whether calculations may use these constants; failures are reported (E_FAIL).
  HRESULT check() const;
};
