// New material objects asked for by the package: CreateMaterialObject gives one of this class
// with the same package and table values, Duplicate also copies identification, status,
// compounds and the stored records.
#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"
#include "tests/matobj/TestPackage.h"

namespace matobj_test {
namespace {

class ObjectsTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    m_package->properties = {L"enthalpyF", L"entropy"};
    ASSERT_EQ(S_OK, m_itf->put_PropertyPackage(m_package->dispatch()));
  }

  // The new object's own address and interfaces.
  void adopt(IDispatch* created) {
    ASSERT_NE(nullptr, created);
    ASSERT_EQ(S_OK, created->QueryInterface(__uuidof(ICapeThermoMaterialObject),
                                            reinterpret_cast<void**>(m_otherMo.ReleaseAndGetAddressOf())));
    ASSERT_EQ(S_OK, created->QueryInterface(__uuidof(IMatObj), reinterpret_cast<void**>(m_otherItf.ReleaseAndGetAddressOf())));
    hyper raw = 0;
    ASSERT_EQ(S_OK, m_otherItf->getThis(&raw));
    m_other = reinterpret_cast<CMatObj*>(static_cast<LONG_PTR>(raw));
    ASSERT_NE(m_self, m_other);
  }
  void put(CMatObj* mo, int property, int variable, int slot, std::vector<double> values, bool moleSet = true) {
    ASSERT_EQ(S_OK, mo->getData(property, variable)->setData(slot, values.data(), -1, moleSet));
  }
  const double* valuesAt(CMatObj* mo, int property, int variable, int slot, bool moleSet = true) {
    return mo->getData(property, variable)->validValues(slot, moleSet);
  }

  support::ComPtr<ICapeThermoMaterialObject> m_otherMo;
  support::ComPtr<IMatObj> m_otherItf;
  CMatObj* m_other = nullptr;
};

TEST_F(ObjectsTest, CreateMaterialObjectGivesANewObjectWithThePackageAndTheTableValues) {
  put(m_self, PpTEMPERATURE, 0, 3, {350.0});
  put(m_self, PpFRACTION, 0, 1, {0.3, 0.7});
  put(m_self, PpENTHALPY, PdTEMPERATURE, 0, {42.0});
  put(m_self, PpVOLUME, 0, 2, {0.5}, false);
  support::ComPtr<IDispatch> created;
  ASSERT_EQ(S_OK, m_mo->CreateMaterialObject(created.GetAddressOf()));
  adopt(created.Get());

  EXPECT_EQ(m_package, static_cast<TestPackage*>(m_other->package())) << "the same package";
  LONG count = 0;
  ASSERT_EQ(S_OK, m_otherMo->GetNumComponents(&count));
  EXPECT_EQ(2, count);
  ASSERT_NE(nullptr, valuesAt(m_other, PpTEMPERATURE, 0, 3));
  EXPECT_EQ(350.0, valuesAt(m_other, PpTEMPERATURE, 0, 3)[0]);
  ASSERT_NE(nullptr, valuesAt(m_other, PpFRACTION, 0, 1));
  EXPECT_EQ(0.7, valuesAt(m_other, PpFRACTION, 0, 1)[1]);
  ASSERT_NE(nullptr, valuesAt(m_other, PpENTHALPY, PdTEMPERATURE, 0)) << "derivative entries are copied";
  EXPECT_EQ(42.0, valuesAt(m_other, PpENTHALPY, PdTEMPERATURE, 0)[0]);
  ASSERT_NE(nullptr, valuesAt(m_other, PpVOLUME, 0, 2, false)) << "the mass set is copied";
  EXPECT_EQ(nullptr, valuesAt(m_other, PpVOLUME, 0, 2, true));
  EXPECT_EQ(nullptr, valuesAt(m_other, PpFRACTION, 0, 0));
  EXPECT_TRUE(m_other->offersEnthalpyF());

  support::Variant props;
  ASSERT_EQ(S_OK, m_otherMo->GetPropList(props.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpyF", L"entropy"}), readStrings(props.get()));

  // The objects are independent afterwards.
  put(m_self, PpTEMPERATURE, 0, 3, {400.0});
  EXPECT_EQ(350.0, valuesAt(m_other, PpTEMPERATURE, 0, 3)[0]);
  EXPECT_EQ(E_POINTER, m_mo->CreateMaterialObject(nullptr));
}

TEST_F(ObjectsTest, DuplicateCopiesIdentificationAndStoredRecords) {
  support::ComPtr<ICapeIdentification> identification;
  ASSERT_EQ(S_OK, m_mo.As(&identification));
  support::Bstr name(L"Feed"), description(L"Feed stream copy");
  ASSERT_EQ(S_OK, identification->put_ComponentName(name.get()));
  ASSERT_EQ(S_OK, identification->put_ComponentDescription(description.get()));
  ASSERT_EQ(S_OK, setProp(L"totalFlow", L"Overall", nullptr, L"Mixture", L"mole", doubles({12.5}).get()));
  ASSERT_EQ(S_OK, setProp(L"flow", L"Vapor", nullptr, L"Mixture", L"mole", doubles({1.0, 2.0}).get()));
  put(m_self, PpPRESSURE, 0, 3, {2e5});

  support::ComPtr<IDispatch> created;
  ASSERT_EQ(S_OK, m_mo->Duplicate(created.GetAddressOf()));
  adopt(created.Get());

  support::ComPtr<ICapeIdentification> otherId;
  ASSERT_EQ(S_OK, m_otherMo.As(&otherId));
  support::Bstr text;
  ASSERT_EQ(S_OK, otherId->get_ComponentName(text.out()));
  EXPECT_STREQ(L"Feed", text.c_str());
  ASSERT_EQ(S_OK, otherId->get_ComponentDescription(text.out()));
  EXPECT_STREQ(L"Feed stream copy", text.c_str());

  support::Bstr property(L"totalFlow"), overall(L"Overall"), mixture(L"Mixture"), mole(L"mole");
  support::Variant none, result;
  ASSERT_EQ(S_OK, m_otherMo->GetProp(property.get(), overall.get(), none.get(), mixture.get(), mole.get(), result.out()));
  EXPECT_EQ(std::vector<double>{12.5}, readDoubles(result.get()));
  support::Bstr flow(L"flow"), vapor(L"Vapor");
  ASSERT_EQ(S_OK, m_otherMo->GetProp(flow.get(), vapor.get(), none.get(), mixture.get(), mole.get(), result.out()));
  EXPECT_EQ((std::vector<double>{1.0, 2.0}), readDoubles(result.get()));

  ASSERT_EQ(m_self->otherProperties().size(), m_other->otherProperties().size());
  for (const auto& record : m_other->otherProperties())
    EXPECT_EQ(static_cast<const COCompoundList*>(m_other), record->owner()) << "records belong to the clone";
  ASSERT_NE(nullptr, valuesAt(m_other, PpPRESSURE, 0, 3));
  EXPECT_EQ(2e5, valuesAt(m_other, PpPRESSURE, 0, 3)[0]);

  // Changing the original's record leaves the clone's alone.
  ASSERT_EQ(S_OK, setProp(L"totalFlow", L"Overall", nullptr, L"Mixture", L"mole", doubles({99.0}).get()));
  ASSERT_EQ(S_OK, m_otherMo->GetProp(property.get(), overall.get(), none.get(), mixture.get(), mole.get(), result.out()));
  EXPECT_EQ(std::vector<double>{12.5}, readDoubles(result.get()));
  EXPECT_EQ(E_POINTER, m_mo->Duplicate(nullptr));
}

TEST_F(ObjectsTest, DuplicateKeepsTheOriginalsCompoundSelectionAndConstants) {
  // The adapter narrowed the compounds after attaching; the clone follows the original.
  support::Variant selection = strings({L"ethanol", L"water", L"methanol"});
  ASSERT_EQ(S_OK, m_itf->setComps(selection.get(), VARIANT_FALSE));
  m_self->compound(2).m_molecularWeight = 32.0;
  put(m_self, PpFRACTION, 0, 3, {0.2, 0.3, 0.5});

  support::ComPtr<IDispatch> created;
  ASSERT_EQ(S_OK, m_mo->Duplicate(created.GetAddressOf()));
  adopt(created.Get());
  LONG count = 0;
  ASSERT_EQ(S_OK, m_otherMo->GetNumComponents(&count));
  EXPECT_EQ(3, count);
  support::Variant ids;
  ASSERT_EQ(S_OK, m_otherMo->get_ComponentIds(ids.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"ethanol", L"water", L"methanol"}), readStrings(ids.get()));
  EXPECT_EQ(32.0, m_other->compound(2).m_molecularWeight);
  ASSERT_NE(nullptr, valuesAt(m_other, PpFRACTION, 0, 3)) << "values survive the count change";
  EXPECT_EQ(0.5, valuesAt(m_other, PpFRACTION, 0, 3)[2]);
}

TEST_F(ObjectsTest, CreateMaterialObjectKeepsTheOriginalsCompoundsSoValuesStayOnTheirCompounds) {
  // The package lists water, ethanol; the adapter's object holds them the other way round.
  support::Variant selection = strings({L"ethanol", L"water"});
  ASSERT_EQ(S_OK, m_itf->setComps(selection.get(), VARIANT_FALSE));
  ASSERT_EQ(S_OK, setProp(L"fraction", L"Liquid", nullptr, L"Mixture", L"mole", doubles({0.25, 0.75}).get()));
  support::ComPtr<IDispatch> created;
  ASSERT_EQ(S_OK, m_mo->CreateMaterialObject(created.GetAddressOf()));
  adopt(created.Get());

  support::Variant ids;
  ASSERT_EQ(S_OK, m_otherMo->get_ComponentIds(ids.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"ethanol", L"water"}), readStrings(ids.get()));
  support::Bstr fraction(L"fraction"), liquid(L"Liquid"), mixture(L"Mixture"), mole(L"mole");
  support::Variant none, result;
  ASSERT_EQ(S_OK, m_otherMo->GetProp(fraction.get(), liquid.get(), none.get(), mixture.get(), mole.get(), result.out()));
  EXPECT_EQ((std::vector<double>{0.25, 0.75}), readDoubles(result.get()));
  support::Variant water = strings({L"water"});
  ASSERT_EQ(S_OK, m_otherMo->GetProp(fraction.get(), liquid.get(), water.get(), mixture.get(), mole.get(), result.out()));
  EXPECT_EQ(std::vector<double>{0.75}, readDoubles(result.get()));

  // Written by compound id on the clone: that compound's value changes, the other's stays.
  ASSERT_EQ(S_OK, m_otherMo->SetProp(fraction.get(), liquid.get(), water.get(), mixture.get(), mole.get(),
                                     doubles({0.6}).get()));
  ASSERT_EQ(S_OK, m_otherMo->GetProp(fraction.get(), liquid.get(), none.get(), mixture.get(), mole.get(), result.out()));
  EXPECT_EQ((std::vector<double>{0.25, 0.6}), readDoubles(result.get()));
  EXPECT_EQ(46.0, m_other->compound(0).m_molecularWeight) << "constants follow the compounds";
}

TEST_F(ObjectsTest, CreateMaterialObjectOfANarrowedObjectHasItsCompoundsAndTableSizes) {
  support::Variant selection = strings({L"ethanol"});
  ASSERT_EQ(S_OK, m_itf->setComps(selection.get(), VARIANT_FALSE));
  put(m_self, PpFRACTION, 0, 0, {1.0});
  put(m_self, PpFUGACITYCOEFFICIENT, 0, 0, {0.9});
  support::ComPtr<IDispatch> created;
  ASSERT_EQ(S_OK, m_mo->CreateMaterialObject(created.GetAddressOf()));
  adopt(created.Get());
  LONG count = 0;
  ASSERT_EQ(S_OK, m_otherMo->GetNumComponents(&count));
  EXPECT_EQ(1, count);
  EXPECT_EQ(1, m_other->getData(PpFRACTION, 0)->size());
  EXPECT_EQ(1, m_other->getData(PpFUGACITYCOEFFICIENT, 0)->size());
  // A second compound named on the clone is not one of its compounds.
  support::Bstr fraction(L"fraction"), vapor(L"Vapor"), mixture(L"Mixture"), mole(L"mole");
  support::Variant both = strings({L"ethanol", L"water"});
  EXPECT_NE(S_OK, m_otherMo->SetProp(fraction.get(), vapor.get(), both.get(), mixture.get(), mole.get(),
                                     doubles({0.5, 0.5}).get()));
  ASSERT_NE(nullptr, valuesAt(m_other, PpFRACTION, 0, 0));
  EXPECT_EQ(1.0, valuesAt(m_other, PpFRACTION, 0, 0)[0]);
}

}  // namespace
}  // namespace matobj_test
