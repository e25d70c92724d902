// Pure-compound data for the Peng-Robinson core, read from components.tsv and pr_kij.tsv.
#pragma once

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace prcore {

constexpr double R = 8.314462618;      // J/mol/K, as used for the Cp polynomials
constexpr double Tref = 298.15;        // K, ideal-gas reference state
constexpr double Pref = 101325.0;      // Pa

// A data file that cannot be read or has a bad row; the text names file and line.
struct DataError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Compound {
    std::string name, cas, formula;
    double mw = 0;                      // g/mol
    double tc = 0, pc = 0, vc = 0, omega = 0, tb = 0;
    double zc = NAN;                    // critical compressibility factor
    double rhoL25 = NAN;                // liquid density at 25 C, mol/m3 (NaN: not a liquid there)
    double hf = NAN;                    // ideal-gas enthalpy of formation at 298.15 K, J/mol
    double dipole = NAN;                // dipole moment, debye
    double cpA[5] = {0, 0, 0, 0, 0};    // Cp/R polynomial in T
    double cpTmin = 0, cpTmax = 0;      // 0,0 = valid everywhere
    double parachor = 0;                // (cm3/mol)(dyn/cm)^0.25
    // DIPPR 106 surface tension; sigmaTc == 0 when not tabulated
    double sigmaTc = 0, sigmaA = 0, sigmaB = 0, sigmaC = 0, sigmaD = 0, sigmaE = 0;

    // Ideal-gas Cp (J/mol/K), H(T) - H(Tref) (J/mol) and S(T) - S(Tref) at constant P (J/mol/K).
    // Outside the polynomial's range Cp is held at its boundary value.
    double idealCp(double t) const;
    double idealH(double t) const;
    double idealS(double t) const;
    // DIPPR 106 surface tension (N/m); 0 at and above sigmaTc, -1 when not tabulated.
    double vdiSurfaceTension(double t) const;
};

// All compounds of components.tsv and the kij of pr_kij.tsv, keyed by CAS.
class CompoundDatabase {
public:
    // Reads <folder>/components.tsv and <folder>/pr_kij.tsv; throws DataError.
    static CompoundDatabase load(const std::string& folder);
    static CompoundDatabase loadFiles(const std::string& componentsPath, const std::string& kijPath);

    const Compound* findByCas(const std::string& cas) const;
    const Compound* findByName(const std::string& name) const;   // case-insensitive
    const std::vector<Compound>& all() const { return m_compounds; }
    double kij(const std::string& casI, const std::string& casJ) const;   // 0 where absent

    // Selects compounds (by CAS or name) in the given order; throws DataError for unknown ones.
    std::vector<Compound> select(const std::vector<std::string>& keys) const;
    // Symmetric kij matrix for a selection.
    std::vector<std::vector<double>> kijMatrix(const std::vector<Compound>& compounds) const;

private:
    std::vector<Compound> m_compounds;
    std::map<std::pair<std::string, std::string>, double> m_kij;
};

// Folder of the module (DLL or exe) that contains this code, with a trailing separator.
std::string moduleFolder();

}  // namespace prcore
