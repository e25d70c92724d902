// The material object's state: construction, the property table and its accessors, the compound
// count and ids, identification.
#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"
#include "support/SetGet.h"

namespace matobj_test {
namespace {

using StateTableTest = MatObjTest;

// Every table entry the material object uses: (property, derivative index).
template <class F>
void forEachUsedEntry(F f) {
  for (int property : CMatObj::kCachedProps) {
    const int indexes = COIds::isCalculatedProp(property) ? CMatObj::kDerivatives : 1;
    for (int index = 0; index < indexes; ++index) f(property, index);
  }
}

// Fills both sets of every slot of every used entry.
void fillTable(CMatObj& mo) {
  forEachUsedEntry([&](int property, int index) {
    CPHARR* entry = mo.getData(property, COIds::variableAt(index));
    std::vector<double> values(static_cast<size_t>(entry->size()), 1.5);
    for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
      entry->setData(slot, values.data(), -1, true);
      entry->setData(slot, values.data(), -1, false);
    }
  });
}

int validCount(CMatObj& mo) {
  int valid = 0;
  forEachUsedEntry([&](int property, int index) {
    const CPHARR* entry = mo.getData(property, COIds::variableAt(index));
    for (int slot = 0; slot < CPHARR::kSlots; ++slot) valid += entry->isValid(slot, true) + entry->isValid(slot, false);
  });
  return valid;
}

std::wstring text(const support::Bstr& s) { return s.c_str(); }

TEST_F(StateTableTest, ConstructionStampsEveryEntryAndSetsTheDefaults) {
  EXPECT_EQ(0, m_self->compoundCount());
  forEachUsedEntry([&](int property, int index) {
    const CPHARR* entry = m_self->getData(property, COIds::variableAt(index));
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(property, entry->property());
    EXPECT_EQ(COIds::variableAt(index), entry->variable());
    EXPECT_TRUE(entry->allocated());
    for (int slot = 0; slot < CPHARR::kSlots; ++slot) EXPECT_FALSE(entry->isValid(slot, true));
  });
  support::ComPtr<ICapeIdentification> id;
  ASSERT_EQ(S_OK, m_mo.As(&id));
  support::Bstr name, description, liquid2;
  ASSERT_EQ(S_OK, id->get_ComponentName(name.out()));
  ASSERT_EQ(S_OK, id->get_ComponentDescription(description.out()));
  EXPECT_EQ(L"MO name", text(name));
  EXPECT_EQ(L"MO description", text(description));
  LONG window = -1;
  VARIANT_BOOL popUp = VARIANT_TRUE;
  ASSERT_EQ(S_OK, m_itf->get_ownerHWnd(&window));
  ASSERT_EQ(S_OK, m_itf->get_popUpAnyError(&popUp));
  ASSERT_EQ(S_OK, m_itf->get_liquid2Name(liquid2.out()));
  EXPECT_EQ(0, window);
  EXPECT_EQ(VARIANT_FALSE, popUp);
  EXPECT_EQ(L"", text(liquid2));
  EXPECT_EQ(nullptr, m_self->package());
  EXPECT_FALSE(m_self->offersEnthalpyF());
  EXPECT_FALSE(m_self->offersEntropyF());
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(StateTableTest, CachedPropertiesAreTheFifteen) {
  int cached = 0;
  for (int id = 1; id < 136; ++id) cached += CMatObj::isCachedProp(id);
  EXPECT_EQ(15, cached);
  for (int id : {27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 40, 42, 43})
    EXPECT_TRUE(CMatObj::isCachedProp(id)) << id;
  for (int id : {0, 26, 39, 41, 44, 99}) EXPECT_FALSE(CMatObj::isCachedProp(id)) << id;
}

TEST_F(StateTableTest, ArraysHoldOneValuePerCompoundWhereTheRuleSays) {
  setCompounds({L"methane", L"ethane", L"propane"}, {16.04, 30.07, 44.1});
  EXPECT_EQ(3, m_self->getData(PpENTHALPY, PdMOLES)->size());
  EXPECT_EQ(3, m_self->getData(PpFRACTION, 0)->size());
  EXPECT_EQ(1, m_self->getData(PpENTHALPY, 0)->size());
  EXPECT_EQ(3, m_self->getData(PpFUGACITYCOEFFICIENT, 0)->size());
  EXPECT_EQ(1, m_self->getData(PpTEMPERATURE, 0)->size());
}

TEST_F(StateTableTest, GetDataReportsBadArguments) {
  // An unknown derivative variable is reported and the plain entry is used.
  CPHARR* plain = m_self->getData(PpENTHALPY, 0);
  EXPECT_EQ(plain, m_self->getData(PpENTHALPY, 99));
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(m_boxes.anyContains(L"bad derProp"));
  EXPECT_TRUE(m_boxes.anyContains(L"CMatObj::getDerShift"));

  test_sink::BoxCapture boxes;
  EXPECT_EQ(nullptr, m_self->getData(44, 0));
  ASSERT_EQ(1u, boxes.count());
  EXPECT_TRUE(boxes.anyContains(L"rootProp bad value44"));
  EXPECT_TRUE(boxes.anyContains(L"CMatObj::getData"));

  test_sink::BoxCapture more;
  EXPECT_EQ(nullptr, m_self->getData(PpTEMPERATURE - 1, 0));  // a derivative variable, not a property
  EXPECT_EQ(nullptr, m_self->getData(-5, 0));
  ASSERT_EQ(2u, more.count());
  EXPECT_TRUE(more.anyContains(L"rootProp bad value26"));
  EXPECT_TRUE(more.anyContains(L"rootProp bad value-5"));
}

TEST_F(StateTableTest, EntryOfCodeAddressesOnlyTheUsedEntries) {
  CPHARR* byMoles = m_self->entryOfCode(PpENTHALPY + 4000);
  ASSERT_NE(nullptr, byMoles);
  EXPECT_EQ(PpENTHALPY, byMoles->property());
  EXPECT_EQ(PdMOLES, byMoles->variable());
  EXPECT_EQ(m_self->getData(PpENTHALPY, PdMOLES), byMoles);
  EXPECT_EQ(m_self->getData(PpFRACTION, 0), m_self->entryOfCode(PpFRACTION));
  EXPECT_EQ(m_self->getData(PpENTHALPY, PpTEMPERATURE),
            m_self->entryOfCode(COIds::encodeDerivative(PpENTHALPY, PpTEMPERATURE)));
  EXPECT_EQ(nullptr, m_self->entryOfCode(PpTEMPERATURE + 1000));  // not a calculated property
  EXPECT_EQ(nullptr, m_self->entryOfCode(PpFRACTION + 3000));
  EXPECT_EQ(nullptr, m_self->entryOfCode(39));  // heatCapacityCv is not cached
  EXPECT_EQ(nullptr, m_self->entryOfCode(PpENTHALPY + 5000));
  EXPECT_EQ(nullptr, m_self->entryOfCode(-1));
  EXPECT_EQ(nullptr, m_self->entryOfCode(PpVISCOSITY));
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(StateTableTest, GetSizes) {
  setCompounds({L"a", L"b", L"c", L"d"}, {});
  EXPECT_EQ(4, m_self->getSizes(PpENTHALPY, PdMOLFRACTION));
  EXPECT_EQ(4, m_self->getSizes(PpENTHALPY, PdMOLES));
  EXPECT_EQ(4, m_self->getSizes(PpFRACTION, 0));
  EXPECT_EQ(1, m_self->getSizes(PpENTHALPY, 0));
  EXPECT_EQ(1, m_self->getSizes(PpENTHALPY, PpPRESSURE));
  EXPECT_EQ(0u, m_boxes.count());
  EXPECT_EQ(0, m_self->getSizes(44, 0));
  ASSERT_GE(m_boxes.count(), 1u);
  EXPECT_NE(std::wstring::npos, m_boxes.shown()[0].text.find(L"propId >= NUM_CACHED_PROPS"));
  EXPECT_NE(std::wstring::npos, m_boxes.shown()[0].text.find(L"getSizes"));
}

TEST_F(StateTableTest, CheckReadyToCalc) {
  EXPECT_EQ(E_FAIL, m_self->checkReadyToCalc());
  ASSERT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(m_boxes.anyContains(L"Number of compounds has not been set. Contact support"));
  EXPECT_TRUE(m_boxes.anyContains(L"checkReadyToCalc"));

  setCompounds({L"a", L"b"}, {});
  test_sink::BoxCapture unset;
  EXPECT_EQ(E_FAIL, m_self->checkReadyToCalc());
  ASSERT_EQ(1u, unset.count());
  EXPECT_TRUE(unset.anyContains(L"Compound cache has not been initialized. Contact support"));

  for (int i = 0; i < 2; ++i) {
    m_self->compound(i).m_molecularWeight = 18.0;
    m_self->compound(i).m_criticalTemperature = 600.0;
    m_self->compound(i).m_criticalPressure = 2e7;
  }
  m_self->compound(1).m_criticalPressure = -1.0;
  test_sink::BoxCapture negative;
  EXPECT_EQ(E_FAIL, m_self->checkReadyToCalc());
  ASSERT_EQ(1u, negative.count());
  EXPECT_TRUE(negative.anyContains(L"MW, CT or CP are negative."));

  m_self->compound(1).m_criticalPressure = 3e6;
  test_sink::BoxCapture ready;
  EXPECT_EQ(S_OK, m_self->checkReadyToCalc());
  EXPECT_EQ(0u, ready.count());
}

TEST_F(StateTableTest, PhaseSlots) {
  EXPECT_EQ(3, m_self->phaseSlot(PhOVERALL));
  EXPECT_EQ(1, m_self->phaseSlot(PhVAPORLIQUID));
  EXPECT_EQ(1, m_self->phaseSlot(PhLIQUID));
  EXPECT_EQ(0, m_self->phaseSlot(PhVAPOR));
  EXPECT_EQ(2, m_self->phaseSlot(PhHEAVYLIQUID));
  EXPECT_EQ(2, m_self->phaseSlot(PhWATER));
  for (int phase : {static_cast<int>(PhSOLID), static_cast<int>(PhLIQUIDLIQUID), 0, -1, 11, 500}) {
    EXPECT_EQ(-1, m_self->phaseSlot(phase)) << phase;
    EXPECT_EQ(L"Phase not supported", errorText()) << phase;
  }
  EXPECT_EQ(0u, m_boxes.count());  // raised to the package, not shown
}

TEST_F(StateTableTest, IdentificationTextsAreKept) {
  support::ComPtr<ICapeIdentification> id;
  ASSERT_EQ(S_OK, m_mo.As(&id));
  support::Bstr name(L"Feed material"), description(L"The feed");
  ASSERT_EQ(S_OK, id->put_ComponentName(name.get()));
  ASSERT_EQ(S_OK, id->put_ComponentDescription(description.get()));
  support::Bstr got;
  ASSERT_EQ(S_OK, id->get_ComponentName(got.out()));
  EXPECT_EQ(L"Feed material", text(got));
  ASSERT_EQ(S_OK, id->get_ComponentDescription(got.out()));
  EXPECT_EQ(L"The feed", text(got));
  ASSERT_EQ(S_OK, id->put_ComponentName(nullptr));
  ASSERT_EQ(S_OK, id->get_ComponentName(got.out()));
  EXPECT_EQ(L"", text(got));
  EXPECT_EQ(E_POINTER, id->get_ComponentName(nullptr));
  EXPECT_EQ(E_POINTER, id->get_ComponentDescription(nullptr));
}

TEST_F(StateTableTest, SetNumCompsWithTheSameCountKeepsEveryValue) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  fillTable(*m_self);
  const int filled = validCount(*m_self);
  ASSERT_GT(filled, 0);
  ASSERT_EQ(S_OK, m_itf->SetNumComps(2));
  EXPECT_EQ(filled, validCount(*m_self));
  EXPECT_EQ(18.0, m_self->compound(0).m_molecularWeight);
  EXPECT_EQ(1.5, m_self->getData(PpFRACTION, 0)->validValues(1, true)[1]);
}

TEST_F(StateTableTest, SetNumCompsWithAnotherCountInvalidatesEverything) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  fillTable(*m_self);
  ASSERT_EQ(S_OK, m_itf->SetNumComps(3));
  EXPECT_EQ(3, m_self->compoundCount());
  EXPECT_EQ(0, validCount(*m_self));
  EXPECT_EQ(3, m_self->getData(PpFRACTION, 0)->size());
  EXPECT_EQ(3, m_self->getData(PpENTHALPY, PdMOLFRACTION)->size());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(-32767.0, m_self->compound(i).m_molecularWeight) << i;
  ASSERT_EQ(S_OK, m_itf->SetNumComps(0));
  EXPECT_EQ(0, m_self->getData(PpFRACTION, 0)->size());
  EXPECT_EQ(E_INVALIDARG, m_itf->SetNumComps(-1));
  EXPECT_EQ(0, m_self->compoundCount());
}

TEST_F(StateTableTest, ACountThatCannotBeAllocatedLeavesNoCompounds) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  EXPECT_EQ(E_OUTOFMEMORY, m_itf->SetNumComps(0x7FFFFFFF));
  EXPECT_EQ(0, m_self->compoundCount());
  EXPECT_EQ(0, m_self->getData(PpFRACTION, 0)->size());
  EXPECT_EQ(1, m_self->getData(PpENTHALPY, 0)->size());
  ASSERT_EQ(S_OK, m_itf->SetNumComps(2));
  EXPECT_EQ(2, m_self->getData(PpFRACTION, 0)->size());
}

TEST_F(StateTableTest, SetCompsWithNewIdsResetsTheConstants) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  support::Variant other = strings({L"c", L"d"});
  ASSERT_EQ(S_OK, m_itf->setComps(other.get(), VARIANT_FALSE));
  EXPECT_EQ(-32767.0, m_self->compound(0).m_molecularWeight);
  EXPECT_EQ(1, m_self->compoundIndex(support::Bstr(L"d").get()));
  EXPECT_EQ(-1, m_self->compoundIndex(support::Bstr(L"a").get()));
}

TEST_F(StateTableTest, SetCompsWithTheSameIdsKeepsConstantsAndValues) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  fillTable(*m_self);
  const int filled = validCount(*m_self);
  support::Variant same = strings({L"A", L"b"});  // ids compare case-insensitively
  ASSERT_EQ(S_OK, m_itf->setComps(same.get(), VARIANT_FALSE));
  EXPECT_EQ(18.0, m_self->compound(0).m_molecularWeight);
  EXPECT_EQ(filled, validCount(*m_self));
  EXPECT_EQ(0, m_self->compoundIndex(support::Bstr(L"a").get()));
  EXPECT_EQ(1, m_self->compoundIndex(support::Bstr(L"B").get()));
}

TEST_F(StateTableTest, SetCompsPreservingKeepsStateWhenTheCountIsUnchanged) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  fillTable(*m_self);
  const int filled = validCount(*m_self);
  support::Variant renamed = strings({L"x", L"y"});
  ASSERT_EQ(S_OK, m_itf->setComps(renamed.get(), VARIANT_TRUE));
  EXPECT_EQ(filled, validCount(*m_self));
  EXPECT_EQ(44.0, m_self->compound(1).m_molecularWeight);
  EXPECT_EQ(0, m_self->compoundIndex(support::Bstr(L"X").get()));

  support::Variant longer = strings({L"x", L"y", L"z"});
  ASSERT_EQ(S_OK, m_itf->setComps(longer.get(), VARIANT_TRUE));
  EXPECT_EQ(3, m_self->compoundCount());
  EXPECT_EQ(0, validCount(*m_self));
  EXPECT_EQ(-32767.0, m_self->compound(1).m_molecularWeight);
}

TEST_F(StateTableTest, SetCompsRefusesWhatIsNotAStringList) {
  setCompounds({L"a", L"b"}, {18.0, 44.0});
  support::Variant numbers = doubles({1.0, 2.0});
  support::Variant number = scalar(3.0);
  support::Variant square;
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  square.get().vt = VT_ARRAY | VT_BSTR;
  square.get().parray = SafeArrayCreate(VT_BSTR, 2, bounds);
  for (VARIANT* bad : {&numbers.get(), &number.get(), &square.get()}) {
    EXPECT_EQ(E_INVALIDARG, m_itf->setComps(*bad, VARIANT_FALSE));
    EXPECT_EQ(2, m_self->compoundCount());
    EXPECT_EQ(18.0, m_self->compound(0).m_molecularWeight);
  }
  VARIANT nowhere;
  VariantInit(&nowhere);
  nowhere.vt = VT_ARRAY | VT_BSTR | VT_BYREF;  // a reference to nothing
  EXPECT_EQ(E_INVALIDARG, m_itf->setComps(nowhere, VARIANT_FALSE));
  EXPECT_EQ(2, m_self->compoundCount());
  support::Variant none;
  ASSERT_EQ(S_OK, m_itf->setComps(none.get(), VARIANT_FALSE));
  EXPECT_EQ(0, m_self->compoundCount());
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(StateTableTest, CompoundIdsFromAnyLowerBoundOrByReference) {
  SAFEARRAYBOUND bound = {2, 5};
  support::Variant ids;
  ids.get().vt = VT_ARRAY | VT_BSTR;
  ids.get().parray = SafeArrayCreate(VT_BSTR, 1, &bound);
  support::SetGet::putString(ids.get(), 5, SysAllocString(L"water"));
  support::SetGet::putString(ids.get(), 6, SysAllocString(L"ethanol"));
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_ARRAY | VT_BSTR | VT_BYREF;
  byRef.pparray = &ids.get().parray;
  ASSERT_EQ(S_OK, m_itf->setComps(byRef, VARIANT_FALSE));
  EXPECT_EQ(2, m_self->compoundCount());
  EXPECT_EQ(0, m_self->compoundIndex(support::Bstr(L"WATER").get()));
  EXPECT_EQ(1, m_self->compoundIndex(support::Bstr(L"Ethanol").get()));
  EXPECT_EQ(-1, m_self->compoundIndex(support::Bstr(L"methanol").get()));
  EXPECT_EQ(-1, m_self->compoundIndex(nullptr));
  // The ids are a copy: changing the caller's array changes nothing.
  SysFreeString(support::SetGet::getString(ids.get(), 5));
  support::SetGet::putString(ids.get(), 5, SysAllocString(L"other"));
  EXPECT_EQ(0, m_self->compoundIndex(support::Bstr(L"water").get()));
}

TEST_F(StateTableTest, CompoundIdsWithBoundsAtTheEndOfTheRange) {
  SAFEARRAYBOUND bound = {2, 0x7FFFFFFE};
  support::Variant ids;
  ids.get().vt = VT_ARRAY | VT_BSTR;
  ids.get().parray = SafeArrayCreate(VT_BSTR, 1, &bound);
  ASSERT_NE(nullptr, ids.get().parray);
  {
    support::SafeArrayLockGuard lock(ids.get().parray);
    BSTR* items = static_cast<BSTR*>(lock.data());
    items[0] = SysAllocString(L"first");
    items[1] = SysAllocString(L"second");
  }
  ASSERT_EQ(S_OK, m_itf->setComps(ids.get(), VARIANT_FALSE));
  EXPECT_EQ(2, m_self->compoundCount());
  EXPECT_EQ(1, m_self->compoundIndex(support::Bstr(L"SECOND").get()));
}

}  // namespace
}  // namespace matobj_test
