#pragma once
// Shared set-up of the package tests: the registered Thermo System created by ProgID, one of its
// packages, and a test material object holding that package's compounds.
#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "support/Raii.h"
#include "tests/prthermo/TestMaterial.h"

namespace prthermo_test {

extern const wchar_t kProgId[];

support::Variant stringArray(const std::vector<std::string>& texts);
std::vector<std::string> stringsOf(const VARIANT& v);
std::vector<double> doublesOf(const VARIANT& v);

// The error a package holds, read through its own error interfaces.
struct HeldError {
  LONG code = 0;
  std::string name, description, interfaceName, operation, scope;
};
HeldError heldError(IUnknown* object);

class PackageTest : public ::testing::Test {
 protected:
  void SetUp() override;

  support::ComPtr<ICapeThermoPropertyPackage> resolve(const wchar_t* name);
  // Resolves the package and gives the test material object its compounds in the package's order.
  void usePackage(const wchar_t* name);
  std::vector<std::string> packageIds();

  void setState(double t, double p);
  void setFractions(const std::string& phase, const std::vector<double>& x);
  HRESULT calcProp(const std::vector<std::string>& props, const std::vector<std::string>& phases,
                   const wchar_t* calcType = L"Mixture");
  HRESULT calcEquilibrium(const wchar_t* flashType, const std::vector<std::string>& props = {});
  // A value the package wrote (or the test put), empty when there is none.
  std::vector<double> result(const std::string& property, const std::string& phase) const;
  double scalar(const std::string& property, const std::string& phase) const;
  HeldError packageError() { return heldError(m_package.Get()); }

  support::ComApartment m_apartment;
  support::ComPtr<ICapeThermoSystem> m_system;
  support::ComPtr<ICapeThermoPropertyPackage> m_package;
  support::ComPtr<ICapeThermoMaterialObject> m_holder;
  TestMaterial* m_material = nullptr;
};

}  // namespace prthermo_test
