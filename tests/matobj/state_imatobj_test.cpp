// The adapter's interface IMatObj: conditions and compositions, results removal, phase
// presence, the proxy and the simple properties.
#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"
#include "server/comkit/Object.h"
#include "support/SetGet.h"
#include "tests/matobj/TestPackage.h"

namespace matobj_test {
namespace {

class StateIMatObjTest : public MatObjTest {
 protected:
  CPHARR& fraction() { return *m_self->getData(PpFRACTION, 0); }
  CPHARR& enthalpy(int variable = 0) { return *m_self->getData(PpENTHALPY, variable); }
  const double* overall(int property) { return m_self->getData(property, 0)->validValues(3, true); }
};

TEST_F(StateIMatObjTest, SetTPFractionWritesConditionsAndTheComposition) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  support::Variant x = doubles({0.25, 0.75});
  ASSERT_EQ(S_OK, m_itf->SetTPFraction(300.0, 1e5, x.get(), PhLIQUID));
  ASSERT_NE(nullptr, overall(PpTEMPERATURE));
  ASSERT_NE(nullptr, overall(PpPRESSURE));
  EXPECT_EQ(300.0, overall(PpTEMPERATURE)[0]);
  EXPECT_EQ(1e5, overall(PpPRESSURE)[0]);
  ASSERT_NE(nullptr, fraction().validValues(1, true));
  EXPECT_EQ(0.75, fraction().validValues(1, true)[1]);
  EXPECT_FALSE(fraction().isValid(1, false));
  EXPECT_FALSE(fraction().isValid(0, true));

  ASSERT_EQ(S_OK, m_itf->SetTPFraction(310.0, 2e5, x.get(), PhWATER));
  EXPECT_TRUE(fraction().isValid(2, true));
  EXPECT_EQ(310.0, overall(PpTEMPERATURE)[0]);
}

TEST_F(StateIMatObjTest, SetTPFractionOnAnUnsupportedPhaseRaisesAndWritesNothing) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  support::Variant x = doubles({0.25, 0.75});
  EXPECT_EQ(ECapeUnknownHR, m_itf->SetTPFraction(300.0, 1e5, x.get(), PhSOLID));
  EXPECT_EQ(L"Phase not supported", errorText());
  EXPECT_EQ(nullptr, overall(PpTEMPERATURE));
  for (int slot = 0; slot < CPHARR::kSlots; ++slot) EXPECT_FALSE(fraction().isValid(slot, true));
}

TEST_F(StateIMatObjTest, SetTPFractionRefusesCompositionsThatDoNotFit) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  support::Variant shorter = doubles({1.0});
  support::Variant longer = doubles({0.2, 0.3, 0.5});
  support::Variant names = strings({L"x", L"y"});
  support::Variant number = scalar(1.0);
  support::Variant none;
  for (VARIANT* bad : {&shorter.get(), &longer.get(), &names.get(), &number.get(), &none.get()})
    EXPECT_EQ(E_INVALIDARG, m_itf->SetTPFraction(300.0, 1e5, *bad, PhVAPOR));
  VARIANT nowhere;
  VariantInit(&nowhere);
  nowhere.vt = VT_ARRAY | VT_R8 | VT_BYREF;
  EXPECT_EQ(E_INVALIDARG, m_itf->SetTPFraction(300.0, 1e5, nowhere, PhVAPOR));
  EXPECT_EQ(nullptr, overall(PpTEMPERATURE));
  EXPECT_FALSE(fraction().isValid(0, true));
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(StateIMatObjTest, SetTPFractionFollowsAReference) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  support::Variant x = doubles({0.25, 0.75});
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_ARRAY | VT_R8 | VT_BYREF;
  byRef.pparray = &x.get().parray;
  ASSERT_EQ(S_OK, m_itf->SetTPFraction(300.0, 1e5, byRef, PhVAPOR));
  ASSERT_NE(nullptr, fraction().validValues(0, true));
  EXPECT_EQ(0.25, fraction().validValues(0, true)[0]);
}

TEST_F(StateIMatObjTest, GetTPfractionReadsBackWhatWasSet) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  support::Variant x = doubles({0.25, 0.75});
  ASSERT_EQ(S_OK, m_itf->SetTPFraction(300.0, 1e5, x.get(), PhVAPOR));
  double t = 0, p = 0;
  support::Variant comp;
  ASSERT_EQ(S_OK, m_itf->GetTPfraction(&t, &p, comp.out(), PhVAPOR));
  EXPECT_EQ(300.0, t);
  EXPECT_EQ(1e5, p);
  EXPECT_EQ(std::vector<double>({0.25, 0.75}), readDoubles(comp.get()));
  EXPECT_EQ(E_POINTER, m_itf->GetTPfraction(nullptr, &p, comp.out(), PhVAPOR));
}

TEST_F(StateIMatObjTest, GetTPfractionConvertsAMassOnlyComposition) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  support::Variant x = doubles({0.5, 0.5});
  ASSERT_EQ(S_OK, m_itf->SetTPFraction(300.0, 1e5, x.get(), PhOVERALL));
  const double mass[2] = {0.5, 0.5};
  ASSERT_EQ(S_OK, fraction().setData(0, mass, -1, false));
  double t = 0, p = 0;
  support::Variant comp;
  ASSERT_EQ(S_OK, m_itf->GetTPfraction(&t, &p, comp.out(), PhVAPOR));
  const std::vector<double> mole = readDoubles(comp.get());
  ASSERT_EQ(2u, mole.size());
  EXPECT_DOUBLE_EQ(2.0 / 3.0, mole[0]);
  EXPECT_DOUBLE_EQ(1.0 / 3.0, mole[1]);

  m_self->compound(1).m_molecularWeight = -32767.0;  // a weight never read cannot convert
  EXPECT_EQ(E_FAIL, m_itf->GetTPfraction(&t, &p, comp.out(), PhVAPOR));
}

TEST_F(StateIMatObjTest, GetTPfractionFailsWithoutConditionsOrComposition) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  double t = -1, p = -1;
  support::Variant comp;
  EXPECT_EQ(E_FAIL, m_itf->GetTPfraction(&t, &p, comp.out(), PhVAPOR));
  const double x[2] = {0.5, 0.5};
  ASSERT_EQ(S_OK, fraction().setData(0, x, -1, true));
  EXPECT_EQ(E_FAIL, m_itf->GetTPfraction(&t, &p, comp.out(), PhVAPOR));  // no temperature, no pressure
  support::Variant y = doubles({0.5, 0.5});
  ASSERT_EQ(S_OK, m_itf->SetTPFraction(300.0, 1e5, y.get(), PhOVERALL));
  EXPECT_EQ(E_FAIL, m_itf->GetTPfraction(&t, &p, comp.out(), PhLIQUID));  // nothing in the liquid
  EXPECT_EQ(-1.0, t);
  EXPECT_EQ(VT_EMPTY, comp.vt());
  EXPECT_EQ(ECapeUnknownHR, m_itf->GetTPfraction(&t, &p, comp.out(), PhSOLID));
  EXPECT_EQ(L"Phase not supported", errorText());
}

TEST_F(StateIMatObjTest, RemoveResultClearsEveryDerivativeExceptOneSlot) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  for (int index = 0; index < CMatObj::kDerivatives; ++index) {
    CPHARR& entry = enthalpy(COIds::variableAt(index));
    const std::vector<double> values(static_cast<size_t>(entry.size()), -1234.0);
    for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
      entry.setData(slot, values.data(), -1, true);
      entry.setData(slot, values.data(), -1, false);
    }
  }
  const double x[2] = {0.5, 0.5};
  fraction().setData(0, x, -1, true);

  support::Bstr name(L"ENTHALPY");
  ASSERT_EQ(S_OK, m_itf->RemoveResult(name.get(), 1));
  for (int index = 0; index < CMatObj::kDerivatives; ++index)
    for (int slot = 0; slot < CPHARR::kSlots; ++slot) {
      EXPECT_EQ(slot == 1, enthalpy(COIds::variableAt(index)).isValid(slot, true)) << index << "/" << slot;
      EXPECT_EQ(slot == 1, enthalpy(COIds::variableAt(index)).isValid(slot, false)) << index << "/" << slot;
    }
  EXPECT_TRUE(fraction().isValid(0, true));  // other properties are untouched

  // An offset that is no slot spares nothing.
  ASSERT_EQ(S_OK, m_itf->RemoveResult(name.get(), -1));
  EXPECT_FALSE(enthalpy().isValid(1, true));
  support::Bstr unknown(L"noSuchProperty");
  EXPECT_EQ(S_OK, m_itf->RemoveResult(unknown.get(), 0));
  EXPECT_EQ(S_OK, m_itf->RemoveResult(nullptr, 0));
  EXPECT_TRUE(fraction().isValid(0, true));
  EXPECT_EQ(0u, m_boxes.count());
}

TEST_F(StateIMatObjTest, PhaseExistsByTheCompositionOfItsSlot) {
  setCompounds({L"a", L"b"}, {2.0, 4.0});
  VARIANT_BOOL exists = VARIANT_TRUE;
  ASSERT_EQ(S_OK, m_itf->phaseExists(PhVAPOR, nullptr, &exists));
  EXPECT_EQ(VARIANT_FALSE, exists);
  const double x[2] = {0.5, 0.5};
  fraction().setData(0, x, -1, true);
  ASSERT_EQ(S_OK, m_itf->phaseExists(PhVAPOR, nullptr, &exists));
  EXPECT_EQ(VARIANT_TRUE, exists);

  // Water lives in the second-liquid slot; a mass composition is enough.
  ASSERT_EQ(S_OK, m_itf->phaseExists(PhWATER, nullptr, &exists));
  EXPECT_EQ(VARIANT_FALSE, exists);
  fraction().setData(2, x, -1, false);
  ASSERT_EQ(S_OK, m_itf->phaseExists(PhWATER, nullptr, &exists));
  EXPECT_EQ(VARIANT_TRUE, exists);
  ASSERT_EQ(S_OK, m_itf->phaseExists(PhLIQUID, nullptr, &exists));
  EXPECT_EQ(VARIANT_FALSE, exists);

  // Without an identifier the other-properties list is asked: nothing is stored there.
  support::Bstr organic(L"Organic");
  exists = VARIANT_TRUE;
  ASSERT_EQ(S_OK, m_itf->phaseExists(0, organic.get(), &exists));
  EXPECT_EQ(VARIANT_FALSE, exists);
  EXPECT_EQ(E_POINTER, m_itf->phaseExists(PhVAPOR, nullptr, nullptr));
}

TEST_F(StateIMatObjTest, SimplePropertiesRoundTrip) {
  ASSERT_EQ(S_OK, m_itf->put_ownerHWnd(0x1234));
  LONG window = 0;
  ASSERT_EQ(S_OK, m_itf->get_ownerHWnd(&window));
  EXPECT_EQ(0x1234, window);
  ASSERT_EQ(S_OK, m_itf->put_popUpAnyError(VARIANT_TRUE));
  VARIANT_BOOL popUp = VARIANT_FALSE;
  ASSERT_EQ(S_OK, m_itf->get_popUpAnyError(&popUp));
  EXPECT_EQ(VARIANT_TRUE, popUp);
  support::Bstr name(L"Aqueous"), got;
  ASSERT_EQ(S_OK, m_itf->put_liquid2Name(name.get()));
  ASSERT_EQ(S_OK, m_itf->get_liquid2Name(got.out()));
  EXPECT_STREQ(L"Aqueous", got.c_str());
  EXPECT_EQ(E_POINTER, m_itf->get_ownerHWnd(nullptr));
  EXPECT_EQ(E_POINTER, m_itf->get_popUpAnyError(nullptr));
  EXPECT_EQ(E_POINTER, m_itf->get_liquid2Name(nullptr));
  EXPECT_EQ(E_POINTER, m_itf->getThis(nullptr));
}

// A dispatch object whose QueryInterface fails with a chosen code for anything but itself.
class Refusing : public comkit::Object<comkit::Dual<ICapeIdentification, &LIBID_CAPEOPEN100>> {
 public:
  HRESULT refusal = E_NOINTERFACE;
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (riid == __uuidof(ICapeDiagnostics)) {
      *ppv = nullptr;
      return refusal;
    }
    return Object::QueryInterface(riid, ppv);
  }
  STDMETHODIMP get_ComponentName(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_ComponentName(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_ComponentDescription(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP put_ComponentDescription(BSTR) override { return E_NOTIMPL; }
};

TEST_F(StateIMatObjTest, ProxyIsTakenWhenOfferedAndOtherwiseNone) {
  support::ComPtr<TestDiagnostics> diagnostics = TestDiagnostics::create();
  EXPECT_EQ(S_OK, m_itf->put_proxyPtr(diagnostics->dispatch()));
  EXPECT_EQ(S_OK, m_itf->put_proxyPtr(nullptr));

  support::ComPtr<ICapeIdentification> refusing;
  ASSERT_EQ(S_OK, comkit::createInstance<Refusing>(nullptr, __uuidof(ICapeIdentification),
                                                   reinterpret_cast<void**>(refusing.GetAddressOf())));
  support::ComPtr<IDispatch> asDispatch;
  ASSERT_EQ(S_OK, refusing.As(&asDispatch));
  EXPECT_EQ(S_OK, m_itf->put_proxyPtr(asDispatch.Get()));
  static_cast<Refusing*>(refusing.Get())->refusal = E_UNEXPECTED;
  EXPECT_EQ(E_UNEXPECTED, m_itf->put_proxyPtr(asDispatch.Get()));
}

TEST_F(StateIMatObjTest, TerminateReleasesThePackage) {
  TestPackage* raw = nullptr;
  support::ComPtr<TestPackage> package = TestPackage::create(&raw);
  ASSERT_EQ(S_OK, m_itf->put_PropertyPackage(raw->dispatch()));
  EXPECT_NE(nullptr, m_self->package());
  ASSERT_EQ(S_OK, m_itf->Terminate());
  EXPECT_EQ(nullptr, m_self->package());
  EXPECT_EQ(S_OK, m_itf->Terminate());
}

}  // namespace
}  // namespace matobj_test
