#pragma once
// The compound cache: the constants of one compound that the material object keeps so that
// calculations need not ask the package for them again.
#include <windows.h>

#include "ids/MathUtils.h"
#include "support/Raii.h"

// The numeric constants of one compound: plain values, copied freely.
struct CompConstNumbers {
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
};

struct CompConstProp : CompConstNumbers {
  support::Bstr m_compId;
  support::Bstr m_formula;
  support::Bstr m_name;
  support::Bstr m_casNumber;

  // Every constant of this compound; throws std::bad_alloc when a text cannot be copied, so that
  // no copy goes on without its names.
  CompConstProp copy() const;
  // Back to the state of a compound whose constants were never read.
  void reset();
  // Whether calculations may use these constants; failures are reported (E_FAIL).
  HRESULT check() const;
};
