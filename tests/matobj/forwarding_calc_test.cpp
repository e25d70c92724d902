// Calculation forwarding: CalcProp, CalcEquilibrium and safeCalcProp reach the package with this
// material object, use the package's own enthalpy and entropy variants, and hand failures to the
// adapter's proxy by its rules.
#include <stdexcept>

#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"
#include "support/SetGet.h"
#include "tests/matobj/TestPackage.h"
#include "support/Text.h"

namespace matobj_test {
namespace {

constexpr HRESULT kUnknownError = static_cast<HRESULT>(0x80040501);
constexpr HRESULT kSolvingError = static_cast<HRESULT>(0x8004050B);
constexpr HRESULT kBoundsError = static_cast<HRESULT>(0x80040510);
constexpr HRESULT kProxyAnswer = static_cast<HRESULT>(0x80040508);
constexpr HRESULT kPackageFailure = static_cast<HRESULT>(0x80040502);

class ForwardingTest : public PackageTest {
 protected:
  void attach(std::vector<std::wstring> properties = {L"enthalpy", L"entropy", L"fugacityCoefficient"}) {
    m_package->properties = std::move(properties);
    ASSERT_EQ(S_OK, m_itf->put_PropertyPackage(m_package->dispatch()));
    m_package->clearCalls();
  }
  void useProxy() {
    m_diagnostics = TestDiagnostics::create();
    ASSERT_EQ(S_OK, m_itf->put_proxyPtr(m_diagnostics->dispatch()));
    m_diagnostics->answer = kProxyAnswer;
  }
  // The one call of that method the package received.
  PackageCall onlyCall(const wchar_t* method) {
    const std::vector<PackageCall> calls = m_package->callsOf(method);
    EXPECT_EQ(1u, calls.size()) << "calls of " << support::narrow(method);
    return calls.empty() ? PackageCall{} : calls.back();
  }
  HRESULT calcEquilibrium(const wchar_t* flashType) {
    support::Bstr type(flashType);
    return m_mo->CalcEquilibrium(type.get(), strings({L"enthalpy"}).get());
  }
  std::vector<std::wstring> sentFlashTypes() {
    std::vector<std::wstring> sent;
    for (const PackageCall& c : m_package->callsOf(L"CalcEquilibrium")) sent.push_back(c.type);
    return sent;
  }
  HRESULT safeCalcProp(std::initializer_list<const wchar_t*> props, std::initializer_list<const wchar_t*> phases) {
    support::Bstr calcType(L"Mixture");
    return m_itf->safeCalcProp(strings(props).get(), strings(phases).get(), calcType.get());
  }
  void put(int property, int slot, std::vector<double> values, bool moleSet = true) {
    ASSERT_EQ(S_OK, m_self->getData(property, 0)->setData(slot, values.data(), -1, moleSet));
  }
  const double* valuesAt(int property, int slot) { return m_self->getData(property, 0)->validValues(slot, true); }
};

// ---- CalcProp from the package ----

TEST_F(ForwardingTest, CalcPropPassesTheArgumentsUnchangedWithThisMaterialObject) {
  attach({L"enthalpy", L"enthalpyF"});
  support::Bstr calcType(L"Pure");
  ASSERT_EQ(S_OK, m_mo->CalcProp(strings({L"enthalpy", L"volume"}).get(), strings({L"Vapor"}).get(), calcType.get()));
  const PackageCall call = onlyCall(L"CalcProp");
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpy", L"volume"}), call.props) << "no substitution for the package";
  EXPECT_EQ(std::vector<std::wstring>{L"Vapor"}, call.phases);
  EXPECT_EQ(L"Pure", call.type);
  EXPECT_EQ(identityOf(m_mo.Get()), call.materialObject);
}

TEST_F(ForwardingTest, ListsPassedByReferenceReachThePackageAsTheListsTheyReferTo) {
  attach({L"enthalpy", L"enthalpyF"});
  support::Variant props = strings({L"enthalpy", L"volume"}), phases = strings({L"Vapor", L"Liquid"});
  VARIANT propsRef, phasesRef;
  propsRef.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  propsRef.pparray = &props.get().parray;
  phasesRef.vt = VT_BYREF | VT_VARIANT;
  phasesRef.pvarVal = &phases.get();
  support::Bstr mixture(L"Mixture");
  ASSERT_EQ(S_OK, m_mo->CalcProp(propsRef, phasesRef, mixture.get()));
  PackageCall call = onlyCall(L"CalcProp");
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpy", L"volume"}), call.props);
  EXPECT_EQ((std::vector<std::wstring>{L"Vapor", L"Liquid"}), call.phases);

  m_package->clearCalls();
  ASSERT_EQ(S_OK, m_itf->safeCalcProp(propsRef, phasesRef, mixture.get()));
  call = onlyCall(L"CalcProp");
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpyF", L"volume"}), call.props) << "the package's own enthalpy";
  EXPECT_EQ((std::vector<std::wstring>{L"Vapor", L"Liquid"}), call.phases);
}

TEST_F(ForwardingTest, CalcPropFailuresGoToTheProxyOnlyWhenThereIsOne) {
  attach();
  m_package->calcProp = [](IDispatch*, const auto&, const auto&, const auto&) { return kPackageFailure; };
  support::Bstr calcType(L"Mixture");
  EXPECT_EQ(kPackageFailure, m_mo->CalcProp(strings({L"enthalpy"}).get(), strings({L"Liquid"}).get(), calcType.get()));

  useProxy();
  EXPECT_EQ(kProxyAnswer, m_mo->CalcProp(strings({L"enthalpy"}).get(), strings({L"Liquid"}).get(), calcType.get()));
  ASSERT_EQ(1u, m_diagnostics->complaints.size());
  const Complaint& c = m_diagnostics->complaints[0];
  EXPECT_EQ(L"Call CalProp", c.doingAction);
  EXPECT_EQ(kPackageFailure, c.code);
  EXPECT_EQ(identityOf(m_package->dispatch()), c.object);
  EXPECT_TRUE(c.calculating);
  EXPECT_EQ(L"", c.additionalInfo);

  // Success never reaches the proxy.
  m_package->calcProp = nullptr;
  EXPECT_EQ(S_OK, m_mo->CalcProp(strings({L"enthalpy"}).get(), strings({L"Liquid"}).get(), calcType.get()));
  EXPECT_EQ(1u, m_diagnostics->complaints.size());
}

TEST_F(ForwardingTest, APackageThatCrashesInCalcPropIsReported) {
  attach();
  useProxy();
  m_package->calcProp = [](IDispatch*, const auto&, const auto&, const auto&) -> HRESULT {
    throw std::runtime_error("package fault");
  };
  support::Bstr calcType(L"Mixture");
  EXPECT_EQ(kUnknownError, m_mo->CalcProp(strings({L"enthalpy"}).get(), strings({L"Liquid"}).get(), calcType.get()));
  EXPECT_EQ(L"The package crashed when calling PropertyPackage.CalcProp (CalcProp)", errorText());
  EXPECT_TRUE(m_diagnostics->complaints.empty());
}

TEST_F(ForwardingTest, APackageCallsBackIntoTheMaterialObjectDuringCalcProp) {
  attach();
  useProxy();
  ASSERT_EQ(S_OK, m_itf->SetTPFraction(320.0, 1.5e5, doubles({0.25, 0.75}).get(), PhLIQUID));
  std::vector<double> seenTemperature, seenConstant;
  m_package->calcProp = [&](IDispatch* materialObject, const auto&, const auto& phases, const auto&) {
    auto mo = TestPackage::materialOf(materialObject);
    if (!mo) return E_NOINTERFACE;
    support::Bstr t(L"temperature"), overall(L"Overall"), mixture(L"Mixture"), enthalpy(L"enthalpy"),
        phase(phases.front().c_str()), mole(L"mole"), none;
    support::Variant noIds, got, constants;
    HRESULT hr = mo->GetProp(t.get(), overall.get(), noIds.get(), mixture.get(), none.get(), got.out());
    if (FAILED(hr)) return hr;
    seenTemperature = readDoubles(got.get());
    hr = mo->GetComponentConstant(strings({L"molecularWeight"}).get(), noIds.get(), constants.out());
    if (FAILED(hr)) return hr;
    VARIANT first = support::SetGet::getVariant(constants.get(), support::SetGet::lbound(constants.get()) + 1);
    seenConstant.push_back(first.vt == VT_R8 ? first.dblVal : -1);
    return mo->SetProp(enthalpy.get(), phase.get(), noIds.get(), mixture.get(), mole.get(), doubles({-2.5e4}).get());
  };
  support::Bstr calcType(L"Mixture");
  ASSERT_EQ(S_OK, m_mo->CalcProp(strings({L"enthalpy"}).get(), strings({L"Liquid"}).get(), calcType.get()));
  EXPECT_EQ(std::vector<double>{320.0}, seenTemperature);
  EXPECT_EQ(std::vector<double>{46.0}, seenConstant);
  ASSERT_NE(nullptr, valuesAt(PpENTHALPY, 1));
  EXPECT_EQ(-2.5e4, valuesAt(PpENTHALPY, 1)[0]);
}

TEST_F(ForwardingTest, WithoutAPackageNothingIsForwarded) {
  support::Bstr calcType(L"Mixture"), flash(L"TP");
  EXPECT_EQ(kUnknownError, m_mo->CalcProp(strings({L"enthalpy"}).get(), strings({L"Vapor"}).get(), calcType.get()));
  EXPECT_EQ(L"No Property Package has been set (CalcProp)", errorText());
  EXPECT_EQ(kUnknownError, m_mo->CalcEquilibrium(flash.get(), strings({L"enthalpy"}).get()));
  EXPECT_EQ(L"No Property Package has been set (CalcEquilibrium)", errorText());
  EXPECT_EQ(kUnknownError, safeCalcProp({L"fugacityCoefficient"}, {L"Vapor"}));
  EXPECT_TRUE(m_package->calls().empty());
}

// ---- CalcEquilibrium from the package ----

TEST_F(ForwardingTest, FlashTypesUseThePackagesOwnVariantsWhenOffered) {
  attach({L"enthalpyF", L"entropyF"});
  for (const wchar_t* type : {L"PH", L"TH", L"PS", L"TS", L"TP", L"PVF", L"ph"}) ASSERT_EQ(S_OK, calcEquilibrium(type));
  EXPECT_EQ((std::vector<std::wstring>{L"PHF", L"THF", L"PSF", L"TSF", L"TP", L"PVF", L"phF"}), sentFlashTypes());
  for (const PackageCall& c : m_package->callsOf(L"CalcEquilibrium")) {
    EXPECT_EQ(std::vector<std::wstring>{L"enthalpy"}, c.props);
    EXPECT_EQ(identityOf(m_mo.Get()), c.materialObject);
  }
}

TEST_F(ForwardingTest, FlashTypesStayAsGivenWhenThePackageOffersOnlyTheOtherVariant) {
  attach({L"enthalpyF"});
  ASSERT_EQ(S_OK, calcEquilibrium(L"PS"));
  ASSERT_EQ(S_OK, calcEquilibrium(L"PH"));
  EXPECT_EQ((std::vector<std::wstring>{L"PS", L"PHF"}), sentFlashTypes());
  attach({L"entropyF", L"enthalpy"});
  ASSERT_EQ(S_OK, calcEquilibrium(L"TH"));
  ASSERT_EQ(S_OK, calcEquilibrium(L"TS"));
  EXPECT_EQ((std::vector<std::wstring>{L"TH", L"TSF"}), sentFlashTypes());
}

TEST_F(ForwardingTest, SolvingAndBoundsCodesAreReturnedWithoutTheProxy) {
  attach();
  useProxy();
  for (HRESULT code : {kSolvingError, kBoundsError}) {
    m_package->calcEquilibrium = [code](IDispatch*, const auto&, const auto&) { return code; };
    EXPECT_EQ(code, calcEquilibrium(L"TP"));
  }
  EXPECT_TRUE(m_diagnostics->complaints.empty());
}

TEST_F(ForwardingTest, OtherFlashFailuresReachTheProxyWithTheFlashConditions) {
  attach();
  m_package->calcEquilibrium = [](IDispatch*, const auto&, const auto&) { return kPackageFailure; };
  EXPECT_EQ(kPackageFailure, calcEquilibrium(L"TP")) << "without a proxy the failure is returned";

  useProxy();
  put(PpTEMPERATURE, 3, {300.5});
  put(PpPRESSURE, 3, {101325});
  put(PpFRACTION, 3, {0.4, 0.6});
  EXPECT_EQ(kProxyAnswer, calcEquilibrium(L"TP"));
  ASSERT_EQ(1u, m_diagnostics->complaints.size());
  EXPECT_EQ(L"while CalcEquilibrium with temperature= 300.5, pressure= 101325, Comp: 0.4, 0.6",
            m_diagnostics->complaints[0].doingAction);
  EXPECT_EQ(kPackageFailure, m_diagnostics->complaints[0].code);
  EXPECT_EQ(identityOf(m_package->dispatch()), m_diagnostics->complaints[0].object);
  EXPECT_TRUE(m_diagnostics->complaints[0].calculating);

  // Enthalpy is not held: the text says the conditions could not be read.
  EXPECT_EQ(kProxyAnswer, calcEquilibrium(L"PH"));
  ASSERT_EQ(2u, m_diagnostics->complaints.size());
  EXPECT_EQ(L"while CalcEquilibrium with Error getting flash conditions for type PH",
            m_diagnostics->complaints[1].doingAction);

  put(PpPHASEFRACTION, 0, {0.25});
  EXPECT_EQ(kProxyAnswer, calcEquilibrium(L"PVF"));
  EXPECT_EQ(L"while CalcEquilibrium with pressure= 101325, phaseFraction= 0.25, Comp: 0.4, 0.6",
            m_diagnostics->complaints[2].doingAction);
}

TEST_F(ForwardingTest, AFlashThatThrowsCountsAsAFailure) {
  attach();
  useProxy();
  m_package->calcEquilibrium = [](IDispatch*, const auto&, const auto&) -> HRESULT {
    throw std::runtime_error("flash fault");
  };
  EXPECT_EQ(kProxyAnswer, calcEquilibrium(L"TP"));
  ASSERT_EQ(1u, m_diagnostics->complaints.size());
  EXPECT_EQ(E_FAIL, m_diagnostics->complaints[0].code);
}

// ---- safeCalcProp from the adapter ----

TEST_F(ForwardingTest, SafeCalcPropSendsThePackagesOwnEnthalpyAndEntropy) {
  attach({L"enthalpyF", L"entropy", L"volume"});
  ASSERT_EQ(S_OK, safeCalcProp({L"enthalpy", L"entropy", L"volume", L"ENTHALPY"}, {L"Vapor", L"Liquid"}));
  const PackageCall call = onlyCall(L"CalcProp");
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpyF", L"entropy", L"volume", L"enthalpyF"}), call.props);
  EXPECT_EQ((std::vector<std::wstring>{L"Vapor", L"Liquid"}), call.phases);
  EXPECT_EQ(L"Mixture", call.type);
  EXPECT_EQ(identityOf(m_mo.Get()), call.materialObject);

  attach({L"entropyF"});
  ASSERT_EQ(S_OK, safeCalcProp({L"enthalpy", L"entropy"}, {L"Vapor"}));
  EXPECT_EQ((std::vector<std::wstring>{L"enthalpy", L"entropyF"}), onlyCall(L"CalcProp").props);
}

TEST_F(ForwardingTest, AFailedFugacityRequestLeavesTheSaturationValueInTheRequestedPhases) {
  attach();
  m_package->calcProp = [](IDispatch*, const auto&, const auto&, const auto&) { return kPackageFailure; };
  EXPECT_EQ(kPackageFailure, safeCalcProp({L"fugacityCoefficient"}, {L"Vapor", L"Liquid"}));
  for (int slot : {0, 1}) {
    const double* values = valuesAt(PpFUGACITYCOEFFICIENT, slot);
    ASSERT_NE(nullptr, values) << "slot " << slot;
    EXPECT_EQ(70.0, values[0]);
    EXPECT_EQ(70.0, values[1]);
  }
  EXPECT_EQ(nullptr, valuesAt(PpFUGACITYCOEFFICIENT, 2));

  for (const wchar_t* name : {L"logFugacity", L"logFugacityCoefficient", L"fugacity"}) {
    support::Bstr n(name);
    const int property = COIds::findId(n.get(), COIds::KProperty);
    EXPECT_EQ(kPackageFailure, safeCalcProp({name}, {L"Liquid"}));
    ASSERT_NE(nullptr, valuesAt(property, 1)) << support::narrow(name);
    EXPECT_EQ(70.0, valuesAt(property, 1)[1]);
  }
}

TEST_F(ForwardingTest, OtherFailedRequestsStoreNothing) {
  attach();
  m_package->calcProp = [](IDispatch*, const auto&, const auto&, const auto&) { return kPackageFailure; };
  EXPECT_EQ(kPackageFailure, safeCalcProp({L"fugacityCoefficient", L"enthalpy"}, {L"Vapor"}));
  EXPECT_EQ(nullptr, valuesAt(PpFUGACITYCOEFFICIENT, 0)) << "two names: no fill";
  EXPECT_EQ(kPackageFailure, safeCalcProp({L"enthalpy"}, {L"Vapor"}));
  EXPECT_EQ(nullptr, valuesAt(PpENTHALPY, 0));

  m_package->calcProp = nullptr;
  ASSERT_EQ(S_OK, safeCalcProp({L"fugacityCoefficient"}, {L"Vapor"}));
  EXPECT_EQ(nullptr, valuesAt(PpFUGACITYCOEFFICIENT, 0)) << "success leaves what the package stored";
}

TEST_F(ForwardingTest, SafeCalcPropFailuresGoToTheProxyWhoseAnswerIsReturned) {
  attach();
  useProxy();
  m_package->calcProp = [](IDispatch*, const auto&, const auto&, const auto&) { return kPackageFailure; };
  EXPECT_EQ(kProxyAnswer, safeCalcProp({L"fugacityCoefficient"}, {L"Vapor"}));
  ASSERT_EQ(1u, m_diagnostics->complaints.size());
  EXPECT_EQ(L"calling CalcProp", m_diagnostics->complaints[0].doingAction);
  EXPECT_EQ(kPackageFailure, m_diagnostics->complaints[0].code);
  ASSERT_NE(nullptr, valuesAt(PpFUGACITYCOEFFICIENT, 0));
  EXPECT_EQ(70.0, valuesAt(PpFUGACITYCOEFFICIENT, 0)[0]);

  // A crashing package fails the request the same way.
  m_package->calcProp = [](IDispatch*, const auto&, const auto&, const auto&) -> HRESULT {
    throw std::runtime_error("package fault");
  };
  EXPECT_EQ(kProxyAnswer, safeCalcProp({L"enthalpy"}, {L"Vapor"}));
  ASSERT_EQ(2u, m_diagnostics->complaints.size());
  EXPECT_EQ(E_FAIL, m_diagnostics->complaints[1].code);
}

// ---- Reading the host phases' properties ----

TEST_F(ForwardingTest, HostPhasePropertiesComeFromTheMoleSetOrConvertedFromTheMassSet) {
  attach();
  const int types[3] = {4, 1, 0};
  m_self->setHostPhases(types, 1);
  put(PpENTHALPY, 0, {-1000.0});
  put(PpENTHALPY, 1, {-500.0}, false);  // J/kg only
  put(PpFRACTION, 1, {0.5, 0.5});
  put(PpVOLUME, 0, {0.02});
  put(PpVOLUME, 1, {0.0001});
  double enthalpy[3] = {0, 0, 7}, volume[3] = {0, 0, 7};
  double* const outputs[4] = {enthalpy, nullptr, nullptr, volume};
  ASSERT_EQ(S_OK, m_self->getHostPhaseProperties(outputs));
  EXPECT_EQ(-1000.0, enthalpy[0]);
  EXPECT_DOUBLE_EQ(-500.0 * (0.5 * 18.0 + 0.5 * 46.0) / 1000.0, enthalpy[1]);
  EXPECT_EQ(7.0, enthalpy[2]) << "an absent host phase is not written";
  EXPECT_EQ(0.02, volume[0]);
  EXPECT_EQ(0.0001, volume[1]);
}

TEST_F(ForwardingTest, AHostPhasePropertyThePackageDidNotSetIsAnError) {
  attach();
  const int types[3] = {4, 1, 0};
  m_self->setHostPhases(types, 1);
  put(PpENTROPY, 0, {10.0});
  double entropy[3] = {0, 0, 0};
  double* const outputs[4] = {nullptr, entropy, nullptr, nullptr};
  EXPECT_EQ(kUnknownError, m_self->getHostPhaseProperties(outputs));
  EXPECT_EQ(L"trying to get property entropy. The Property Package did not set (correctly) its value. (CalcProp)",
            errorText());
}

}  // namespace
}  // namespace matobj_test
