// Attaching the property package: its property and phase lists, the second liquid, the
// compounds it names, and failing package calls.
#include "tests/matobj/MatObjFixture.h"
#include "tests/matobj/TestPackage.h"

namespace matobj_test {
namespace {

class StatePackageTest : public MatObjTest {
 protected:
  void SetUp() override {
    MatObjTest::SetUp();
    m_holder = TestPackage::create(&m_package);
    m_package->compounds = {{L"Methane", L"CH4", L"methane", 111.7, 16.04, L"74-82-8"},
                            {L"Water", L"H2O", L"water", 373.15, 18.015, L"7732-18-5"}};
  }
  HRESULT attach() { return m_itf->put_PropertyPackage(m_package->dispatch()); }
  std::wstring liquid2() {
    support::Bstr name;
    EXPECT_EQ(S_OK, m_itf->get_liquid2Name(name.out()));
    return name.c_str();
  }
  std::wstring liquid2Of(std::vector<std::wstring> phases) {
    m_package->phases = std::move(phases);
    EXPECT_EQ(S_OK, attach());
    return liquid2();
  }

  support::ComPtr<TestPackage> m_holder;
  TestPackage* m_package = nullptr;
};

TEST_F(StatePackageTest, EnthalpyFAndEntropyFFlagsFollowThePropertyList) {
  m_package->properties = {L"enthalpy", L"ENTHALPYF", L"entropyf"};
  ASSERT_EQ(S_OK, attach());
  EXPECT_TRUE(m_self->offersEnthalpyF());
  EXPECT_TRUE(m_self->offersEntropyF());
  EXPECT_EQ(m_package->dispatch(), static_cast<IDispatch*>(m_self->package()));

  m_package->properties = {L"enthalpy", L"entropy", L"enthalpyFlow"};
  ASSERT_EQ(S_OK, attach());
  EXPECT_FALSE(m_self->offersEnthalpyF());
  EXPECT_FALSE(m_self->offersEntropyF());
}

TEST_F(StatePackageTest, SecondLiquidIsWaterFirst) {
  EXPECT_EQ(L"water", liquid2Of({L"Vapor", L"Liquid", L"Liquid2", L"water"}));
  EXPECT_EQ(L"HeavyLiquid", liquid2Of({L"Vapor", L"Liquid", L"HeavyLiquid"}));
  EXPECT_EQ(L"lightOil", liquid2Of({L"Vapor", L"LIQUID", L"lightOil", L"Liquid2"}));
  EXPECT_EQ(L"Liquid2", liquid2Of({L"Liquid2", L"HeavyLiquid"}));  // the first that qualifies
  EXPECT_EQ(L"", liquid2Of({L"Vapor", L"Liquid"}));
  EXPECT_EQ(L"", liquid2Of({}));
}

TEST_F(StatePackageTest, CompoundIdsOfThePackageBecomeTheCompounds) {
  ASSERT_EQ(S_OK, attach());
  EXPECT_EQ(2, m_self->compoundCount());
  EXPECT_EQ(0, m_self->compoundIndex(support::Bstr(L"methane").get()));
  EXPECT_EQ(1, m_self->compoundIndex(support::Bstr(L"WATER").get()));
  EXPECT_EQ(1u, m_package->callsOf(L"GetComponentList").size());
  EXPECT_EQ(1u, m_package->callsOf(L"GetPhaseList").size());
  EXPECT_EQ(1u, m_package->callsOf(L"GetPropList").size());
  // The constants come from the same answer.
  EXPECT_EQ(18.015, m_self->compound(1).m_molecularWeight);
  EXPECT_EQ(111.7, m_self->compound(0).m_normalBoilingPoint);

  // Another package with other compounds replaces them and the values stored for the old ones.
  const double x[2] = {0.5, 0.5};
  m_self->getData(29, 0)->setData(0, x, -1, true);
  m_package->compounds.push_back({L"Ethane", L"C2H6", L"ethane", 184.6, 30.07, L"74-84-0"});
  ASSERT_EQ(S_OK, attach());
  EXPECT_EQ(3, m_self->compoundCount());
  EXPECT_FALSE(m_self->getData(29, 0)->isValid(0, true));
}

TEST_F(StatePackageTest, AFailingPackageCallIsReportedAndReturned) {
  for (const wchar_t* method : {L"GetPropList", L"GetPhaseList", L"GetComponentList"}) {
    m_package->failures = {{method, ECapeUnknownHR}};
    test_sink::BoxCapture boxes;
    EXPECT_EQ(ECapeUnknownHR, attach()) << method;
    ASSERT_EQ(1u, boxes.count()) << method;
    EXPECT_TRUE(boxes.anyContains(L"Unexpected error ")) << method;
  }
  EXPECT_EQ(0, m_self->compoundCount());
}

TEST_F(StatePackageTest, AnObjectThatIsNoPackageIsRefused) {
  support::ComPtr<TestDiagnostics> notAPackage = TestDiagnostics::create();
  EXPECT_EQ(E_NOINTERFACE, m_itf->put_PropertyPackage(notAPackage->dispatch()));
  EXPECT_TRUE(m_boxes.anyContains(L"Unexpected error "));
  EXPECT_EQ(nullptr, m_self->package());
  EXPECT_EQ(S_OK, m_itf->put_PropertyPackage(nullptr));
  EXPECT_EQ(nullptr, m_self->package());
}

}  // namespace
}  // namespace matobj_test
