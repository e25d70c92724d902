// GetComponentConstant, GetUniversalConstant, PropCheck and ValidityCheck of a package.
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "counterparts/prthermo/core/Compounds.h"
#include "tests/prthermo/PackageFixture.h"
#include "support/Text.h"

namespace prthermo_test {
namespace {

// The cell of components.tsv in the row of `cas` and the column whose header starts with
// `column`; read here so the test does not share the package's reader.
std::string tsvCell(const std::string& cas, const std::string& column) {
  std::ifstream in(prcore::moduleFolder() + "components.tsv");
  auto split = [](const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream s(line);
    std::string cell;
    while (std::getline(s, cell, '\t')) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.push_back("");
    return cells;
  };
  std::string line;
  std::getline(in, line);
  const auto header = split(line);
  size_t col = header.size();
  for (size_t i = 0; i < header.size() && col == header.size(); ++i)
    if (header[i].rfind(column, 0) == 0) col = i;
  while (std::getline(in, line)) {
    const auto cells = split(line);
    if (cells.size() > 1 && cells[1] == cas) return col < cells.size() ? cells[col] : "";
  }
  ADD_FAILURE() << cas << " " << column;
  return "";
}

double tsvNumber(const std::string& cas, const std::string& column) { return std::stod(tsvCell(cas, column)); }

class ConstantsTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    if (!HasFatalFailure()) usePackage(L"Surface Tension");  // methane, propane, n-butane, n-hexane
  }

  HRESULT constants(const std::vector<std::string>& names, support::Variant& out) {
    support::ComPtr<IDispatch> material;
    m_holder.As(&material);
    return m_package->GetComponentConstant(material.Get(), stringArray(names).get(), out.out());
  }

  // The elements of an array of VARIANTs.
  static std::vector<support::Variant> elements(const VARIANT& v) {
    EXPECT_EQ(v.vt, VT_ARRAY | VT_VARIANT);
    std::vector<support::Variant> out;
    if (v.vt != (VT_ARRAY | VT_VARIANT)) return out;
    support::SafeArrayLockGuard lock(v.parray);
    const VARIANT* items = static_cast<const VARIANT*>(lock.data());
    for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) {
      support::Variant copy;
      copy.copyFrom(items[i]);
      out.push_back(std::move(copy));
    }
    return out;
  }
};

const std::vector<std::string> kCas = {"74-82-8", "74-98-6", "106-97-8", "110-54-3"};

TEST_F(ConstantsTest, ConstantByConstantCompoundByCompound) {
  support::Variant answer;
  ASSERT_EQ(constants({"criticalTemperature", "casRegistryNumber", "molecularWeight", "acentricFactor"}, answer), S_OK)
      << packageError().description;
  const auto values = elements(answer.get());
  ASSERT_EQ(values.size(), 4u * 4u);
  for (size_t c = 0; c < 4; ++c) {
    ASSERT_EQ(values[c].vt(), VT_R8);
    EXPECT_EQ(values[c].get().dblVal, tsvNumber(kCas[c], "Tc[")) << c;
    ASSERT_EQ(values[4 + c].vt(), VT_BSTR);
    EXPECT_EQ(support::narrow(values[4 + c].get().bstrVal), kCas[c]);
    EXPECT_EQ(values[8 + c].get().dblVal, tsvNumber(kCas[c], "MW[")) << c;
    EXPECT_EQ(values[12 + c].get().dblVal, tsvNumber(kCas[c], "omega[")) << c;
  }
}

TEST_F(ConstantsTest, DerivedConstantsAndMissingData) {
  support::Variant answer;
  ASSERT_EQ(constants({"criticalVolume", "criticalDensity", "liquidDensityAt25C", "liquidVolumeAt25C",
                       "normalBoilingPoint", "chemicalFormula", "dipoleMoment", "parachor"},
                      answer),
            S_OK);
  const auto v = elements(answer.get());
  ASSERT_EQ(v.size(), 8u * 4u);
  auto at = [&](size_t constant, size_t compound) { return v[constant * 4 + compound].get().dblVal; };
  for (size_t c = 0; c < 4; ++c) {
    EXPECT_NEAR(at(0, c) * at(1, c), 1.0, 1e-14) << c;
    EXPECT_EQ(at(4, c), tsvNumber(kCas[c], "Tb[")) << c;
    EXPECT_EQ(support::narrow(v[5 * 4 + c].get().bstrVal), tsvCell(kCas[c], "formula"));
    EXPECT_NEAR(at(6, c), tsvNumber(kCas[c], "dipole[C.m]") + 0.0, 1e-33) << c;
    EXPECT_NEAR(at(7, c), tsvNumber(kCas[c], "parachor["), 1e-3 * at(7, c)) << c;  // SI parachor
  }
  // Methane is no liquid at 25 C: the file has no density, and the package says NaN.
  EXPECT_TRUE(tsvCell(kCas[0], "rhoL25[mol").empty());
  EXPECT_TRUE(std::isnan(at(2, 0)));
  for (size_t c = 1; c < 4; ++c) {
    EXPECT_EQ(at(2, c), tsvNumber(kCas[c], "rhoL25[mol/m3]")) << c;
    EXPECT_NEAR(at(2, c) * at(3, c), 1.0, 1e-14) << c;
  }
}

TEST_F(ConstantsTest, FollowsTheMaterialObjectsCompoundsAndRefusesOthers) {
  TestMaterial::create({"n-hexane", "METHANE"}, m_holder);
  support::Variant answer;
  ASSERT_EQ(constants({"criticalPressure"}, answer), S_OK);
  const auto v = elements(answer.get());
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].get().dblVal, tsvNumber(kCas[3], "Pc["));
  EXPECT_EQ(v[1].get().dblVal, tsvNumber(kCas[0], "Pc["));

  TestMaterial::create({"methane", "water"}, m_holder);
  EXPECT_EQ(constants({"criticalPressure"}, answer), ECapeInvalidArgumentHR);
  EXPECT_EQ(packageError().description, "compound 'water' of the material object is not in package 'Surface Tension'");
  EXPECT_EQ(answer.vt(), VT_EMPTY);
}

TEST_F(ConstantsTest, BadRequests) {
  support::Variant answer;
  EXPECT_EQ(constants({"criticalTemperature", "heatOfNothing"}, answer), ECapeInvalidArgumentHR);
  EXPECT_EQ(packageError().description, "constant 'heatOfNothing' is not known to this package");
  EXPECT_EQ(packageError().operation, "GetComponentConstant");
  EXPECT_EQ(answer.vt(), VT_EMPTY);
  support::Variant single;
  single.get().vt = VT_BSTR;
  single.get().bstrVal = SysAllocString(L"criticalTemperature");
  support::ComPtr<IDispatch> material;
  ASSERT_HRESULT_SUCCEEDED(m_holder.As(&material));
  EXPECT_EQ(m_package->GetComponentConstant(material.Get(), single.get(), answer.out()), ECapeInvalidArgumentHR);
  EXPECT_EQ(m_package->GetComponentConstant(nullptr, stringArray({"criticalTemperature"}).get(), answer.out()),
            ECapeInvalidArgumentHR);
  EXPECT_EQ(m_package->GetComponentConstant(material.Get(), stringArray({"criticalTemperature"}).get(), nullptr),
            E_POINTER);
}

TEST_F(ConstantsTest, UniversalConstants) {
  support::Variant answer;
  ASSERT_EQ(m_package->GetUniversalConstant(nullptr, stringArray({"molarGasConstant", "avogadroConstant"}).get(),
                                            answer.out()),
            S_OK);
  const auto v = elements(answer.get());
  ASSERT_EQ(v.size(), 2u);
  EXPECT_NEAR(v[0].get().dblVal, 8.314462618, 1e-9);
  EXPECT_EQ(v[1].get().dblVal, 6.02214076e23);
  EXPECT_EQ(m_package->GetUniversalConstant(nullptr, stringArray({"planckConstant"}).get(), answer.out()),
            ECapeInvalidArgumentHR);
}

TEST_F(ConstantsTest, PropCheckSaysWhichPropertiesAreOffered) {
  support::Variant answer;
  ASSERT_EQ(m_package->PropCheck(nullptr, stringArray({"surfaceTension", "kvalues", "ENTHALPY", "temperature"}).get(),
                                 answer.out()),
            S_OK);
  ASSERT_EQ(answer.vt(), VT_ARRAY | VT_BOOL);
  support::SafeArrayLockGuard lock(answer.get().parray);
  const VARIANT_BOOL* flags = static_cast<const VARIANT_BOOL*>(lock.data());
  ASSERT_EQ(answer.get().parray->rgsabound[0].cElements, 4u);
  EXPECT_EQ(flags[0], VARIANT_TRUE);
  EXPECT_EQ(flags[1], VARIANT_FALSE);
  EXPECT_EQ(flags[2], VARIANT_TRUE);
  EXPECT_EQ(flags[3], VARIANT_FALSE);
  support::Variant none;
  support::Variant out;
  EXPECT_EQ(m_package->PropCheck(nullptr, none.get(), out.out()), ECapeInvalidArgumentHR);
}

TEST_F(ConstantsTest, ValidityCheckIsNotImplemented) {
  support::Variant answer;
  EXPECT_EQ(m_package->ValidityCheck(nullptr, stringArray({"enthalpy"}).get(), answer.out()), ECapeNoImplHR);
  EXPECT_EQ(packageError().name, "ECapeNoImpl");
  EXPECT_EQ(answer.vt(), VT_EMPTY);
}

}  // namespace
}  // namespace prthermo_test
