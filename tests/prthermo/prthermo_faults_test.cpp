// The misbehaving packages of packages.txt, each showing its fault to a client.
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "tests/prthermo/PackageFixture.h"
#include "support/Text.h"

namespace prthermo_test {
namespace {

class FaultTest : public PackageTest {
 protected:
  // Resolves the package (methane and propane, except where noted) with a two-phase state.
  void use(const wchar_t* name) {
    usePackage(name);
    if (HasFatalFailure()) return;
    const size_t n = packageIds().size();
    std::vector<double> vapour(n, 0.0), liquid(n, 0.0);
    vapour[0] = 0.9, vapour[1] = 0.1, liquid[0] = 0.2, liquid[1] = 0.8;
    setState(250, 3e6);
    setFractions("Vapor", vapour);
    setFractions("Liquid", liquid);
    setFractions("Overall", {0.5, 0.5});
  }

  HRESULT constants(const std::vector<std::string>& names, support::Variant& out) {
    support::ComPtr<IDispatch> material;
    m_holder.As(&material);
    return m_package->GetComponentConstant(material.Get(), stringArray(names).get(), out.out());
  }

  void expectAllWritten(bool (*check)(double)) {
    ASSERT_EQ(m_material->writes().size(), 4u);
    for (const auto& write : m_material->writes())
      for (double v : write.values) EXPECT_TRUE(check(v)) << write.property << " " << v;
  }
};

TEST_F(FaultTest, ErrorWithDetailsFailsEveryCalculationWithEFail) {
  use(L"Faulty Error");
  EXPECT_EQ(calcProp({"fugacityCoefficient"}, {"Vapor"}), E_FAIL);
  HeldError error = packageError();
  EXPECT_EQ(error.code, E_FAIL);
  EXPECT_EQ(error.description, "Faulty Error fails CalcProp on purpose");
  EXPECT_EQ(error.operation, "CalcProp");
  EXPECT_EQ(error.interfaceName, "ICapeThermoPropertyPackage");
  EXPECT_EQ(calcEquilibrium(L"TP"), E_FAIL);
  EXPECT_EQ(packageError().description, "Faulty Error fails CalcEquilibrium on purpose");
  support::Variant answer;
  EXPECT_EQ(constants({"criticalTemperature"}, answer), E_FAIL);
  EXPECT_TRUE(m_material->writes().empty());
  EXPECT_EQ(packageIds().size(), 2u);  // the lists still answer
}

TEST_F(FaultTest, CppExceptionIsCaughtAtTheComBoundary) {
  use(L"Faulty Exception");
  EXPECT_EQ(calcProp({"enthalpy"}, {"Vapor"}), ECapeUnknownHR);
  EXPECT_EQ(packageError().description, "unexpected C++ exception: Faulty Exception throws from CalcProp on purpose");
  EXPECT_EQ(packageError().name, "ECapeUnknown");
  EXPECT_EQ(calcEquilibrium(L"TP"), ECapeUnknownHR);
  EXPECT_TRUE(m_material->writes().empty());
}

TEST_F(FaultTest, NaNInfiniteAndNegativeValues) {
  use(L"Faulty NaN");
  ASSERT_EQ(calcProp({"fugacityCoefficient", "enthalpy"}, {"Vapor", "Liquid"}), S_OK);
  expectAllWritten([](double v) { return std::isnan(v); });
  use(L"Faulty Infinite");
  ASSERT_EQ(calcProp({"fugacityCoefficient", "enthalpy"}, {"Vapor", "Liquid"}), S_OK);
  expectAllWritten([](double v) { return std::isinf(v) && v > 0; });
  use(L"Faulty Negative");
  ASSERT_EQ(calcProp({"fugacityCoefficient", "volume"}, {"Vapor", "Liquid"}), S_OK);
  expectAllWritten([](double v) { return v < 0; });
  support::Variant answer;
  ASSERT_EQ(constants({"criticalTemperature"}, answer), S_OK);
  support::SafeArrayLockGuard lock(answer.get().parray);
  EXPECT_LT(static_cast<const VARIANT*>(lock.data())[0].dblVal, 0);
}

TEST_F(FaultTest, ResultsNotWrittenYetSuccess) {
  use(L"Faulty Not Written");
  EXPECT_EQ(calcProp({"fugacityCoefficient", "enthalpy"}, {"Vapor", "Liquid"}), S_OK);
  EXPECT_TRUE(m_material->writes().empty());
  EXPECT_GT(m_material->getPropCalls(), 0);  // it did read the state
  ASSERT_EQ(calcEquilibrium(L"TP", {"enthalpy"}), S_OK);
  EXPECT_FALSE(m_material->writes().empty());  // the flash state is written, the properties not
  for (const auto& write : m_material->writes()) EXPECT_NE(write.property, "enthalpy");
  support::Variant answer;
  EXPECT_EQ(constants({"criticalTemperature"}, answer), S_OK);
  EXPECT_EQ(answer.vt(), VT_EMPTY);
}

TEST_F(FaultTest, WrongArraySizesOneElementShort) {
  use(L"Faulty Array Size");  // methane, propane, n-butane
  ASSERT_EQ(calcProp({"fugacityCoefficient", "enthalpy"}, {"Vapor"}), S_OK);
  ASSERT_EQ(m_material->writes().size(), 2u);
  EXPECT_EQ(m_material->writes()[0].values.size(), 2u);
  EXPECT_EQ(m_material->writes()[1].values.size(), 0u);
  support::Variant answer;
  ASSERT_EQ(constants({"criticalTemperature", "criticalPressure"}, answer), S_OK);
  ASSERT_EQ(answer.vt(), VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(answer.get().parray->rgsabound[0].cElements, 5u);
}

TEST_F(FaultTest, DeprecatedConstantForms) {
  use(L"Faulty Deprecated Constants");
  support::Variant answer;
  ASSERT_EQ(constants({"criticalTemperature", "molecularWeight"}, answer), S_OK);
  const auto numbers = doublesOf(answer.get());
  ASSERT_EQ(numbers.size(), 4u);
  EXPECT_NEAR(numbers[0], 190.564, 1e-9);
  EXPECT_NEAR(numbers[2], 16.04246, 1e-9);
  ASSERT_EQ(constants({"criticalTemperature", "casRegistryNumber"}, answer), S_OK);
  const auto texts = stringsOf(answer.get());
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(std::strtod(texts[0].c_str(), nullptr), 190.564);
  EXPECT_EQ(texts[2], "74-82-8");
  EXPECT_EQ(texts[3], "74-98-6");
}

TEST_F(FaultTest, HugeBoilingPoints) {
  use(L"Faulty Boiling Points");
  support::Variant ids, formulae, names, boiling, weights, cas;
  ASSERT_HRESULT_SUCCEEDED(
      m_package->GetComponentList(ids.out(), formulae.out(), names.out(), boiling.out(), weights.out(), cas.out()));
  for (double tb : doublesOf(boiling.get())) EXPECT_EQ(tb, 1e35);
  EXPECT_EQ(doublesOf(weights.get())[0], 16.04246);
  support::Variant answer;
  ASSERT_EQ(constants({"normalBoilingPoint"}, answer), S_OK);
  support::SafeArrayLockGuard lock(answer.get().parray);
  EXPECT_EQ(static_cast<const VARIANT*>(lock.data())[1].dblVal, 1e35);
}

TEST_F(FaultTest, DuplicateIds) {
  use(L"Faulty Duplicate Ids");
  support::Variant ids, formulae, names, boiling, weights, cas;
  ASSERT_HRESULT_SUCCEEDED(
      m_package->GetComponentList(ids.out(), formulae.out(), names.out(), boiling.out(), weights.out(), cas.out()));
  EXPECT_EQ(stringsOf(ids.get()), (std::vector<std::string>{"methane", "methane"}));
  EXPECT_EQ(stringsOf(cas.get()), (std::vector<std::string>{"74-82-8", "74-98-6"}));
}

TEST_F(FaultTest, SlowCallStillAnswers) {
  use(L"Faulty Slow");
  ASSERT_EQ(calcProp({"fugacityCoefficient"}, {"Vapor"}), S_OK);
  const auto phi = result("fugacityCoefficient", "Vapor");
  ASSERT_EQ(phi.size(), 2u);
  EXPECT_GT(phi[0], 0.5);
  EXPECT_LT(phi[0], 1.0);
}

TEST_F(FaultTest, EditChangesTheComponentList) {
  use(L"Faulty Edit");
  EXPECT_EQ(packageIds(), (std::vector<std::string>{"methane", "propane"}));
  support::ComPtr<ICapeUtilities> utilities;
  ASSERT_HRESULT_SUCCEEDED(m_package.As(&utilities));
  ASSERT_EQ(utilities->Edit(), S_OK);
  EXPECT_EQ(packageIds(), (std::vector<std::string>{"methane", "ethane", "propane"}));
  // The old material object now names a compound in the wrong place; a new one works.
  m_material = TestMaterial::create(packageIds(), m_holder);
  setState(250, 3e6);
  setFractions("Vapor", {0.8, 0.1, 0.1});
  ASSERT_EQ(calcProp({"fugacityCoefficient"}, {"Vapor"}), S_OK);
  EXPECT_EQ(result("fugacityCoefficient", "Vapor").size(), 3u);
}

// The exception leaves the package's member; a client with a handler of its own sees it.
TEST_F(FaultTest, UncaughtExceptionLeavesTheCall) {
  use(L"Faulty Uncaught Exception");
  std::string caught;
  try {
    calcProp({"enthalpy"}, {"Vapor"});
  } catch (const std::exception& e) {
    caught = e.what();
  } catch (...) {
    caught = "?";
  }
  EXPECT_EQ(caught, "Faulty Uncaught Exception lets an exception out of CalcProp");
  EXPECT_TRUE(m_material->writes().empty());
}

// Nothing catches the access violation: the client's process ends.
TEST_F(FaultTest, AccessViolationEndsTheProcess) {
  use(L"Faulty Access Violation");
  EXPECT_EXIT(calcProp({"enthalpy"}, {"Vapor"}), [](int code) { return code != 0; }, "");
}

}  // namespace
}  // namespace prthermo_test
