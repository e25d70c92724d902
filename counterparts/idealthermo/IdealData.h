#pragma once
// Pure-compound data of the ideal-solution system (ideal_compounds.tsv beside the DLL) and the
// temperature functions built on it: vapour pressure (Lee-Kesler), heat of vaporization from the
// same correlation (Clausius-Clapeyron), saturated liquid volume (Rackett), ideal-gas Cp, H, S.
#include <stdexcept>
#include <string>
#include <vector>

namespace idealthermo {

constexpr double kGasConstant = 8.314462618;  // J/mol/K
constexpr double kReferenceT = 298.15;        // K: ideal gas at this T and kReferenceP has H = S = 0
constexpr double kReferenceP = 101325.0;      // Pa

// A data file that cannot be read, or a row that does not make sense.
struct DataFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct PureCompound {
  std::string id, name, cas, formula;
  double mw = 0, tc = 0, pc = 0, zc = 0, omega = 0, tb = 0, hf = 0;
  double cp[5] = {0, 0, 0, 0, 0};  // Cp_ig / R polynomial in T

  double vapourPressure(double t) const;           // Pa
  double vaporizationEnthalpy(double t) const;     // J/mol
  double vaporizationEnthalpySlope(double t) const;  // J/mol/K, d(vaporizationEnthalpy)/dT
  double liquidVolume(double t) const;             // m3/mol
  double idealGasCp(double t) const;               // J/mol/K
  double idealGasEnthalpy(double t) const;         // J/mol, relative to kReferenceT
  double idealGasEntropy(double t) const;          // J/mol/K at kReferenceP, relative to kReferenceT
};

// Reads the file; throws DataFileError naming the file and line.
std::vector<PureCompound> readCompoundFile(const std::string& path);

// The folder of this DLL, with a trailing separator.
std::string dllFolder();

}  // namespace idealthermo
