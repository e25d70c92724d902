#pragma once
// The calculation requests as the host makes them, checked against the package's own answers:
// the same Peng-Robinson package resolved a second time and asked directly through a material
// object of the test (never through the product's code).
#include <windows.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/adapter/AdapterFixture.h"
#include "CAPE-OPENv1-0-0.h"
#include "support/Raii.h"
#include "tests/prthermo/TestMaterial.h"

namespace calc_test {

using Fractions = std::map<std::string, std::vector<double>>;

class Reference {
 public:
  explicit Reference(const wchar_t* package);
  ~Reference();
  int count() const { return static_cast<int>(m_ids.size()); }
  // One CalcProp of `property` on `phases` ("Mixture") at t (K) and p (Pa) with the given phase
  // fractions; the values the package wrote on resultPhase (empty when it wrote none).
  std::vector<double> calc(const std::string& property, double t, double p, const Fractions& fractions,
                           const std::vector<std::string>& phases, const std::string& resultPhase);
  // The package's CAS numbers, in its order.
  const std::vector<std::string>& casNumbers() const { return m_cas; }
  // A constant of every compound, in the package's order.
  std::vector<double> constant(const wchar_t* name);

 private:
  support::ComPtr<ICapeThermoSystem> m_system;
  support::ComPtr<ICapeThermoPropertyPackage> m_package;
  support::ComPtr<ICapeThermoMaterialObject> m_holder;
  prthermo_test::TestMaterial* m_material = nullptr;  // held by m_holder
  std::vector<std::string> m_ids;
  std::vector<std::string> m_cas;
};

// The host case's fluid package gets the compounds of the CAS numbers, by their host library names.
void addToHostFluidPackage(ExtnContainer* container, const std::vector<std::string>& casNumbers);

// The adapter initialised on a package, with the package's reference beside it.
class CalcTest : public adapter_test::AdapterTest {
 protected:
  // The case's fluid package gets the package's compounds (by their host library names, in the
  // package's order), then the adapter is initialised on the package.
  void use(const wchar_t* package);
  // A failed case also shows the boxes it captured.
  void TearDown() override;
  // Host composition arrays: three phases of n values each.
  struct Compositions {
    std::vector<double> x[3];
    double* rows[3];
    explicit Compositions(const std::vector<double>& a, const std::vector<double>& b = {},
                          const std::vector<double>& c = {});
    double** get() { return rows; }
  };
  // n values, all equal to v.
  std::vector<double> filled(double v) const { return std::vector<double>(n, v); }
  // A normalised composition from positive weights (n of them, cycled).
  std::vector<double> mixture(const std::vector<double>& weights) const;

  std::unique_ptr<Reference> reference;
  int n = 0;
};

// Expects every element of actual to equal expected within a relative tolerance.
void expectNear(const std::vector<double>& expected, const double* actual, double relative = 1e-9);

}  // namespace calc_test
