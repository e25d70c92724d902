// State operations that meet the other-properties list and the package's phase names: results
// removal, phase presence by name, the non-standard phases, the fugacity coefficients.
#include <algorithm>

#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"
#include "support/SetGet.h"
#include "tests/matobj/TestPackage.h"

namespace matobj_test {
namespace {

class StateRecordsTest : public MatObjTest {
 protected:
  void SetUp() override {
    MatObjTest::SetUp();
    setCompounds({L"a", L"b"}, {2.0, 4.0});
  }
  HRESULT setOther(const wchar_t* property, const wchar_t* phase, const wchar_t* basis, std::vector<double> values) {
    support::Variant v = doubles(values);
    return setProp(property, phase, nullptr, L"Mixture", basis, v.get());
  }
  size_t recordsNamed(const wchar_t* property) {
    size_t n = 0;
    for (const auto& record : m_self->otherProperties())
      n += record->property() && std::wstring(record->property()) == property;
    return n;
  }
  std::vector<std::wstring> phaseIds() {
    support::Variant ids;
    EXPECT_EQ(S_OK, m_mo->get_PhaseIds(ids.out()));
    return readStrings(ids.get());
  }
};

TEST_F(StateRecordsTest, RemoveResultAlsoDropsTheRecordsOfThatName) {
  ASSERT_EQ(S_OK, setOther(L"temperature", L"Vapor", nullptr, {300.0}));
  ASSERT_EQ(S_OK, setOther(L"pressure", L"Vapor", nullptr, {1e5}));
  ASSERT_EQ(1u, recordsNamed(L"temperature"));
  support::Bstr name(L"Temperature");
  ASSERT_EQ(S_OK, m_itf->RemoveResult(name.get(), 3));
  EXPECT_EQ(0u, recordsNamed(L"temperature"));
  EXPECT_EQ(1u, recordsNamed(L"pressure"));
}

TEST_F(StateRecordsTest, PhaseExistsByNameLooksForAStoredComposition) {
  VARIANT_BOOL exists = VARIANT_TRUE;
  support::Bstr organic(L"Organic");
  ASSERT_EQ(S_OK, setOther(L"temperature", L"Organic", nullptr, {300.0}));
  ASSERT_EQ(S_OK, m_itf->phaseExists(0, organic.get(), &exists));
  EXPECT_EQ(VARIANT_FALSE, exists);  // a record, but no composition
  ASSERT_EQ(S_OK, setOther(L"fraction", L"Organic", L"mass", {0.4, 0.6}));
  ASSERT_EQ(S_OK, m_itf->phaseExists(0, organic.get(), &exists));
  EXPECT_EQ(VARIANT_TRUE, exists);
  support::Bstr other(L"organic2");
  ASSERT_EQ(S_OK, m_itf->phaseExists(-1, other.get(), &exists));
  EXPECT_EQ(VARIANT_FALSE, exists);
}

TEST_F(StateRecordsTest, NonStandardPhasesOfThePackageAreListedWhenTheyHoldAComposition) {
  TestPackage* raw = nullptr;
  support::ComPtr<TestPackage> package = TestPackage::create(&raw);
  raw->phases = {L"Vapor", L"Liquid", L"Liquid2", L"Organic", L"Tar"};
  raw->compounds = {{L"a", L"", L"", 300.0, 2.0, L""}, {L"b", L"", L"", 400.0, 4.0, L""}};
  ASSERT_EQ(S_OK, m_itf->put_PropertyPackage(raw->dispatch()));
  ASSERT_EQ(S_OK, setOther(L"fraction", L"Organic", L"mole", {0.5, 0.5}));
  ASSERT_EQ(S_OK, setOther(L"fraction", L"Mystery", L"mole", {0.5, 0.5}));  // not one of the package's
  ASSERT_EQ(S_OK, setOther(L"temperature", L"Tar", nullptr, {300.0}));    // no composition
  EXPECT_EQ(std::vector<std::wstring>({L"Organic"}), phaseIds());

  // The second liquid is a slot, never a non-standard phase: it is listed once, by its slot.
  ASSERT_EQ(S_OK, setOther(L"fraction", L"Liquid2", L"mole", {0.1, 0.9}));
  const std::vector<std::wstring> listed = phaseIds();
  EXPECT_EQ(2u, listed.size());
  EXPECT_EQ(1, std::count(listed.begin(), listed.end(), L"Organic"));
}

TEST_F(StateRecordsTest, GetFugCoefsReadsTheFugacityCoefficientsOfAPhase) {
  const double phi[2] = {0.97, 0.85};
  ASSERT_EQ(S_OK, m_self->getData(PpFUGACITYCOEFFICIENT, 0)->setData(0, phi, -1, true));
  support::Variant out;
  ASSERT_EQ(S_OK, m_itf->GetFugCoefs(PhVAPOR, out.out()));
  EXPECT_EQ(std::vector<double>({0.97, 0.85}), readDoubles(out.get()));
  EXPECT_TRUE(FAILED(m_itf->GetFugCoefs(PhLIQUID, out.out())));
}

}  // namespace
}  // namespace matobj_test
