// Component constants: the compound cache filled when a package is attached, and the answers to
// the package's GetComponentConstant on the material object, with and without the adapter's proxy.
#include <cmath>

#include "tests/matobj/MatObjFixture.h"
#include "support/SetGet.h"
#include "tests/matobj/TestPackage.h"
#include "support/Text.h"

namespace matobj_test {
namespace {

using support::SetGet;

constexpr HRESULT kUnknownError = static_cast<HRESULT>(0x80040501);
constexpr HRESULT kBadArgument = static_cast<HRESULT>(0x80040505);

// Elements of an array of VARIANTs (empty when it is none).
std::vector<support::Variant> elementsOf(const VARIANT& v) {
  std::vector<support::Variant> out;
  if (v.vt != (VT_ARRAY | VT_VARIANT)) return out;
  const long lb = SetGet::lbound(v);
  for (long i = 0; i < SetGet::elementCount(v); ++i) {
    VARIANT e = SetGet::getVariant(v, lb + i);
    out.emplace_back();
    out.back().copyFrom(e);
  }
  return out;
}

std::vector<double> doublesOf(const VARIANT& v) {
  std::vector<double> out;
  for (const support::Variant& e : elementsOf(v)) out.push_back(e.vt() == VT_R8 ? e.get().dblVal : NAN);
  return out;
}

std::vector<std::wstring> textsOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  for (const support::Variant& e : elementsOf(v))
    out.push_back(e.vt() == VT_BSTR && e.get().bstrVal ? e.get().bstrVal : L"<not a string>");
  return out;
}

class ConstantsTest : public PackageTest {
 protected:
  void SetUp() override {
    PackageTest::SetUp();
    m_package->compounds = {{L"methane", L"CH4", L"Methane", 111.66, 16.043, L"74-82-8"},
                            {L"ethane", L"C2H6", L"Ethane", 184.55, 30.07, L"74-84-0"}};
    m_package->constants[L"criticalTemperature"] = ConstantAnswer::variants({190.56, 305.32});
    m_package->constants[L"criticalPressure"] = ConstantAnswer::variants({4.599e6, 4.872e6});
    m_package->constants[L"criticalVolume"] = ConstantAnswer::variants({0.25, 0.1455});
    m_package->constants[L"acentricFactor"] = ConstantAnswer::variants({0.011, 0.099});
    m_package->constants[L"liquidDensityAt25C"] = ConstantAnswer::variants({0.5, 2.0});
    m_package->constants[L"dipoleMoment"] = ConstantAnswer::variants({0.0, 0.1});
  }

  HRESULT attach() { return m_itf->put_PropertyPackage(m_package->dispatch()); }
  void attachWithProxy() {
    ASSERT_EQ(S_OK, attach());
    m_diagnostics = TestDiagnostics::create();
    ASSERT_EQ(S_OK, m_itf->put_proxyPtr(m_diagnostics->dispatch()));
  }

  HRESULT constants(const VARIANT& props, const VARIANT& compIds, support::Variant& out) {
    return m_mo->GetComponentConstant(props, compIds, out.out());
  }
  HRESULT constants(std::initializer_list<const wchar_t*> props, std::initializer_list<const wchar_t*> ids,
                    support::Variant& out) {
    support::Variant none;
    return constants(strings(props).get(), ids.size() ? strings(ids).get() : none.get(), out);
  }

  LONG errorCode() {
    support::ComPtr<ECapeUser> user;
    LONG code = 0;
    if (SUCCEEDED(m_mo.As(&user))) user->get_code(&code);
    return code;
  }
};

// ---- Filling the cache ----

TEST_F(ConstantsTest, AttachingFillsTheCacheFromTheListsAndFiveOneNameRequests) {
  ASSERT_EQ(S_OK, attach());
  const CompConstProp& methane = m_self->compound(0);
  const CompConstProp& ethane = m_self->compound(1);
  EXPECT_STREQ(L"CH4", methane.m_formula.c_str());
  EXPECT_STREQ(L"74-84-0", ethane.m_casNumber.c_str());
  EXPECT_DOUBLE_EQ(16.043, methane.m_molecularWeight);
  EXPECT_DOUBLE_EQ(184.55, ethane.m_normalBoilingPoint);
  EXPECT_DOUBLE_EQ(305.32, ethane.m_criticalTemperature);
  EXPECT_DOUBLE_EQ(4.599e6, methane.m_criticalPressure);
  EXPECT_DOUBLE_EQ(0.1455, ethane.m_criticalVolume);
  EXPECT_DOUBLE_EQ(0.011, methane.m_acentricFactor);
  EXPECT_DOUBLE_EQ(2.0, ethane.m_liquidDensity25C);

  const std::vector<PackageCall> asked = m_package->callsOf(L"GetComponentConstant");
  const std::vector<std::wstring> expected = {L"criticalTemperature", L"criticalPressure", L"criticalVolume",
                                              L"acentricFactor", L"liquidDensityAt25C"};
  ASSERT_EQ(expected.size(), asked.size());
  for (size_t i = 0; i < asked.size(); ++i) {
    EXPECT_EQ(std::vector<std::wstring>{expected[i]}, asked[i].props);
    EXPECT_EQ(identityOf(m_mo.Get()), asked[i].materialObject) << "the package is given this material object";
  }
}

TEST_F(ConstantsTest, AConstantThePackageCannotGiveStaysUnsetAndTheOthersAreStillRead) {
  m_package->constants[L"criticalPressure"] = ConstantAnswer::failure(E_FAIL);
  ASSERT_EQ(S_OK, attach());
  EXPECT_EQ(MathUtils::kUnset, m_self->compound(0).m_criticalPressure);
  EXPECT_EQ(MathUtils::kUnset, m_self->compound(1).m_criticalPressure);
  EXPECT_DOUBLE_EQ(0.25, m_self->compound(0).m_criticalVolume);
  EXPECT_DOUBLE_EQ(0.5, m_self->compound(0).m_liquidDensity25C);
}

TEST_F(ConstantsTest, AnAnswerOfStringsStopsTheFillingWithTheDoublesMessage) {
  m_package->constants[L"criticalPressure"] = ConstantAnswer::variantStrings({L"high", L"higher"});
  EXPECT_TRUE(FAILED(attach()));
  EXPECT_EQ(L"Individual values returned by GetComponentConstant should be doubles packed in VARIANTs "
            L"(GetComponentConstant)",
            errorText());
  EXPECT_DOUBLE_EQ(190.56, m_self->compound(0).m_criticalTemperature);
  EXPECT_EQ(MathUtils::kUnset, m_self->compound(0).m_criticalVolume) << "the filling ended";
}

TEST_F(ConstantsTest, AnAnswerWithOneValueTooFewIsRefused) {
  m_package->constants[L"criticalTemperature"] = ConstantAnswer::variants({190.56});
  EXPECT_TRUE(FAILED(attach()));
  EXPECT_EQ(L"For each requested property, GetComponentConstant should return one value of each of the components "
            L"in the passed material object (GetComponentConstant)",
            errorText());
}

// The deprecated forms are the only ones this program ever sees once, so the once-per-process
// warning is observed here from its start.
TEST_F(ConstantsTest, DeprecatedFormsAreAcceptedWithOneWarningPerProcess) {
  ASSERT_EQ(S_OK, m_itf->put_popUpAnyError(VARIANT_TRUE));
  m_package->constants[L"criticalTemperature"] = ConstantAnswer::plainDoubles({190.56, 305.32});
  ASSERT_EQ(S_OK, attach());
  EXPECT_DOUBLE_EQ(305.32, m_self->compound(1).m_criticalTemperature);
  const std::wstring warning =
      L"The package returns constant properties using an deprecated standard.  Although this circumstance occurs in "
      L"the future,  no more messages will be displayed about it";
  EXPECT_EQ(1u, m_boxes.count());
  EXPECT_TRUE(m_boxes.anyContains(warning));

  // Again when attaching anew, and as plain strings: no second warning.
  ASSERT_EQ(S_OK, attach());
  m_package->constants[L"iupacName"] = ConstantAnswer::plainStrings({L"Methane", L"Ethane"});
  support::Variant out;
  ASSERT_EQ(S_OK, constants({L"iupacName"}, {}, out));
  EXPECT_EQ((std::vector<std::wstring>{L"Methane", L"Ethane"}), textsOf(out.get()));
  EXPECT_EQ(1u, m_boxes.count());
  EXPECT_FALSE(m_boxes.anyContains(L"Individual values")) << "the converted answer holds doubles in VARIANTs";
}

// ---- Arguments ----

TEST_F(ConstantsTest, ArgumentsOfTheWrongKindFailAtTheirPositions) {
  attachWithProxy();
  support::Variant text;
  text.get().vt = VT_BSTR;
  text.get().bstrVal = SysAllocString(L"criticalTemperature");
  support::Variant none, out;

  EXPECT_EQ(kBadArgument, constants(text.get(), none.get(), out));
  EXPECT_EQ(1, errorPosition());
  EXPECT_EQ(L"GetCOmponentConstant's 'Props' argument is not a valid array of strings Arg position: 1", errorText());
  EXPECT_EQ(VT_EMPTY, out.vt());

  EXPECT_EQ(kBadArgument, constants(strings({L"criticalTemperature"}).get(), scalar(1.0).get(), out));
  EXPECT_EQ(2, errorPosition());
  EXPECT_EQ(L"GetCOmponentConstant's 'compIds' argument is not a valid array of string Arg position: 2", errorText());

  EXPECT_EQ(kBadArgument, constants(doubles({1.0}).get(), none.get(), out));
  EXPECT_EQ(1, errorPosition());
  EXPECT_EQ(E_POINTER, m_mo->GetComponentConstant(strings({L"criticalTemperature"}).get(), none.get(), nullptr));
}

TEST_F(ConstantsTest, EveryFormOfNoCompoundIdsAsksForAllCompounds) {
  attachWithProxy();
  support::Variant nullIds, omittedIds, noStrings, neverAllocated;
  nullIds.get().vt = VT_NULL;
  omittedIds.get().vt = VT_ERROR;
  omittedIds.get().scode = DISP_E_PARAMNOTFOUND;
  noStrings.get().vt = VT_ARRAY | VT_BSTR;
  noStrings.get().parray = SafeArrayCreateVector(VT_BSTR, 0, 0);
  neverAllocated.get().vt = VT_ARRAY | VT_BSTR;
  for (const VARIANT* ids : {&nullIds.get(), &omittedIds.get(), &noStrings.get(), &neverAllocated.get()}) {
    support::Variant out;
    ASSERT_EQ(S_OK, constants(strings({L"criticalTemperature"}).get(), *ids, out)) << "vt " << ids->vt;
    EXPECT_EQ((std::vector<double>{190.56, 305.32}), doublesOf(out.get()));
  }
  support::Variant failure, out;
  failure.get().vt = VT_ERROR;
  failure.get().scode = E_FAIL;
  EXPECT_EQ(kBadArgument, constants(strings({L"criticalTemperature"}).get(), failure.get(), out));
  EXPECT_EQ(2, errorPosition());
}

TEST_F(ConstantsTest, ArgumentsByReferenceAreFollowedNotMisread) {
  attachWithProxy();
  support::Variant props = strings({L"criticalTemperature", L"acentricFactor"});
  support::Variant ids = strings({L"ethane"});
  VARIANT propsRef, idsRef;
  propsRef.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  propsRef.pparray = &props.get().parray;
  idsRef.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  idsRef.pparray = &ids.get().parray;
  support::Variant out;
  ASSERT_EQ(S_OK, constants(propsRef, idsRef, out)) << support::narrow(errorText());
  EXPECT_EQ((std::vector<double>{305.32, 0.099}), doublesOf(out.get()));

  // A VARIANT by reference holding the list.
  VARIANT variantRef;
  variantRef.vt = VT_BYREF | VT_VARIANT;
  variantRef.pvarVal = &ids.get();
  ASSERT_EQ(S_OK, constants(props.get(), variantRef, out));
  EXPECT_EQ((std::vector<double>{305.32, 0.099}), doublesOf(out.get()));

  // Lists of VARIANTs holding strings, as scripts pass them.
  support::Variant scriptProps, scriptIds;
  scriptProps.get().parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  scriptProps.get().vt = VT_ARRAY | VT_VARIANT;
  VARIANT* name = static_cast<VARIANT*>(scriptProps.get().parray->pvData);
  name->vt = VT_BSTR;
  name->bstrVal = SysAllocString(L"acentricFactor");
  scriptIds.get().parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  scriptIds.get().vt = VT_ARRAY | VT_VARIANT;
  VARIANT* id = static_cast<VARIANT*>(scriptIds.get().parray->pvData);
  id->vt = VT_BSTR;
  id->bstrVal = SysAllocString(L"methane");
  ASSERT_EQ(S_OK, constants(scriptProps.get(), scriptIds.get(), out)) << support::narrow(errorText());
  EXPECT_EQ(std::vector<double>{0.011}, doublesOf(out.get()));

  // Doubles tagged as strings are no list of ids.
  support::Variant mistyped;
  mistyped.get().parray = SafeArrayCreateVector(VT_R8, 0, 1);
  mistyped.get().vt = VT_ARRAY | VT_BSTR;
  EXPECT_EQ(kBadArgument, constants(props.get(), mistyped.get(), out));
  EXPECT_EQ(2, errorPosition());
  EXPECT_EQ(kBadArgument, constants(mistyped.get(), ids.get(), out));
  EXPECT_EQ(1, errorPosition());
}

TEST_F(ConstantsTest, AnAnswerHoldingArraysIsRefused) {
  ASSERT_EQ(S_OK, attach());
  // The package's answer holds an array as its first value.
  m_package->componentConstant = [](IDispatch*, const std::vector<std::wstring>&, VARIANT* out) -> HRESULT {
    SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT* slots = static_cast<VARIANT*>(sa->pvData);
    slots[0].vt = VT_ARRAY | VT_VARIANT;
    slots[0].parray = SafeArrayCreateVector(VT_VARIANT, 0, 2);  // a nested array
    slots[1].vt = VT_R8;
    slots[1].dblVal = 1.0;
    out->vt = VT_ARRAY | VT_VARIANT;
    out->parray = sa;
    return S_OK;
  };
  support::Variant out;
  EXPECT_EQ(kUnknownError, constants({L"parachor"}, {}, out));
  EXPECT_EQ(L"GetComponentConstant should return an array of VARIANTs (GetComponentConstant)", errorText());
  EXPECT_EQ(VT_EMPTY, out.vt());
}

TEST_F(ConstantsTest, ACompoundThatIsNotOneOfTheObjectsIsNotSupported) {
  attachWithProxy();
  support::Variant out;
  EXPECT_EQ(kUnknownError, constants({L"criticalTemperature"}, {L"ethane", L"propane"}, out));
  EXPECT_EQ(L"Component not supported by property package", errorText());
  EXPECT_EQ(kUnknownError, errorCode());
  EXPECT_EQ(VT_EMPTY, out.vt());
}

// ---- The adapter's object: served from the cache ----

TEST_F(ConstantsTest, TheCacheAnswersConstantByConstantCompoundByCompound) {
  attachWithProxy();
  m_package->clearCalls();
  support::Variant out;
  ASSERT_EQ(S_OK, constants({L"criticalTemperature", L"molecularWeight", L"acentricFactor"}, {L"ETHANE", L"methane"},
                            out));
  EXPECT_EQ((std::vector<double>{305.32, 190.56, 30.07, 16.043, 0.099, 0.011}), doublesOf(out.get()));
  EXPECT_TRUE(m_package->callsOf(L"GetComponentConstant").empty()) << "cached constants are not asked again";

  ASSERT_EQ(S_OK, constants({L"casRegistryNumber", L"chemicalFormula", L"iupacName"}, {}, out));
  EXPECT_EQ((std::vector<std::wstring>{L"74-82-8", L"74-84-0", L"CH4", L"C2H6", L"Methane", L"Ethane"}),
            textsOf(out.get()));
  ASSERT_EQ(S_OK, constants({L"normalBoilingPoint", L"criticalPressure", L"criticalVolume"}, {L"methane"}, out));
  EXPECT_EQ((std::vector<double>{111.66, 4.599e6, 0.25}), doublesOf(out.get()));
}

TEST_F(ConstantsTest, DensitiesAndVolumesAreServedAsReciprocals) {
  attachWithProxy();
  support::Variant out;
  ASSERT_EQ(S_OK, constants({L"criticalDensity", L"liquidVolumeAt25C"}, {}, out));
  const std::vector<double> values = doublesOf(out.get());
  ASSERT_EQ(4u, values.size());
  EXPECT_DOUBLE_EQ(4.0, values[0]);
  EXPECT_DOUBLE_EQ(1.0 / 0.1455, values[1]);
  EXPECT_DOUBLE_EQ(2.0, values[2]);
  EXPECT_DOUBLE_EQ(0.5, values[3]);
}

TEST_F(ConstantsTest, AnUnsetCachedConstantOrItsReciprocalFailsTheRequest) {
  m_package->constants[L"criticalVolume"] = ConstantAnswer::failure(E_FAIL);
  m_package->constants[L"criticalTemperature"] = ConstantAnswer::failure(E_FAIL);
  attachWithProxy();
  support::Variant out;
  EXPECT_EQ(E_FAIL, constants({L"criticalTemperature"}, {L"methane"}, out));
  EXPECT_EQ(E_FAIL, constants({L"criticalDensity"}, {}, out));
  EXPECT_EQ(E_FAIL, constants({L"acentricFactor", L"criticalVolume"}, {}, out)) << "one missing constant fails all";
  EXPECT_EQ(VT_EMPTY, out.vt());
  EXPECT_EQ(S_OK, constants({L"acentricFactor"}, {}, out));
}

TEST_F(ConstantsTest, OtherConstantsAreAskedOfThePackageOneNameAtATime) {
  attachWithProxy();
  m_package->constants[L"normalFreezingPoint"] = ConstantAnswer::variants({90.7, 90.4});
  m_package->clearCalls();
  support::Variant out;
  ASSERT_EQ(S_OK, constants({L"dipoleMoment", L"molecularWeight", L"normalFreezingPoint"}, {L"ethane"}, out));
  EXPECT_EQ((std::vector<double>{0.1, 30.07, 90.4}), doublesOf(out.get()));
  const std::vector<PackageCall> asked = m_package->callsOf(L"GetComponentConstant");
  ASSERT_EQ(2u, asked.size());
  EXPECT_EQ(std::vector<std::wstring>{L"dipoleMoment"}, asked[0].props);
  EXPECT_EQ(std::vector<std::wstring>{L"normalFreezingPoint"}, asked[1].props);
  EXPECT_TRUE(m_diagnostics->complaints.empty());
}

TEST_F(ConstantsTest, APackageFailureForAnOtherConstantGoesToTheProxyWhoseAnswerIsReturned) {
  attachWithProxy();
  m_package->constants[L"parachor"] = ConstantAnswer::failure(static_cast<HRESULT>(0x80040502));
  m_diagnostics->answer = static_cast<HRESULT>(0x80040508);
  support::Variant out;
  EXPECT_EQ(static_cast<HRESULT>(0x80040508), constants({L"parachor"}, {}, out));
  ASSERT_EQ(1u, m_diagnostics->complaints.size());
  const Complaint& c = m_diagnostics->complaints[0];
  EXPECT_EQ(L"calling GetComponentConstant", c.doingAction);
  EXPECT_EQ(static_cast<HRESULT>(0x80040502), c.code);
  EXPECT_EQ(identityOf(m_package->dispatch()), c.object);
  EXPECT_TRUE(c.calculating);
  EXPECT_EQ(L"", c.additionalInfo);

  // A proxy that calls the complaint handled still leaves the value missing.
  m_diagnostics->answer = S_OK;
  EXPECT_EQ(E_FAIL, constants({L"parachor"}, {}, out));
  EXPECT_EQ(VT_EMPTY, out.vt());
}

TEST_F(ConstantsTest, TheAdaptersDirectCallAnswersLikeThePackageCall) {
  attachWithProxy();
  support::Variant out, none;
  ASSERT_EQ(S_OK, m_self->getComponentConstantCore(strings({L"criticalDensity"}).get(), none.get(), out.out()));
  EXPECT_EQ((std::vector<double>{4.0, 1.0 / 0.1455}), doublesOf(out.get()));
}

// ---- Any other material object: the whole request goes to the package ----

TEST_F(ConstantsTest, WithoutAProxyTheWholeRequestIsAskedAndTheRequestedCompoundsPicked) {
  ASSERT_EQ(S_OK, attach());
  m_package->clearCalls();
  support::Variant out;
  ASSERT_EQ(S_OK, constants({L"criticalTemperature", L"dipoleMoment"}, {}, out));
  EXPECT_EQ((std::vector<double>{190.56, 305.32, 0.0, 0.1}), doublesOf(out.get()));
  ASSERT_EQ(1u, m_package->callsOf(L"GetComponentConstant").size());
  EXPECT_EQ((std::vector<std::wstring>{L"criticalTemperature", L"dipoleMoment"}),
            m_package->callsOf(L"GetComponentConstant")[0].props);

  ASSERT_EQ(S_OK, constants({L"criticalTemperature", L"dipoleMoment"}, {L"ethane"}, out));
  EXPECT_EQ((std::vector<double>{305.32, 0.1}), doublesOf(out.get()));
}

TEST_F(ConstantsTest, WithoutAProxyTheAnswerIsCheckedAndAFailureReturned) {
  ASSERT_EQ(S_OK, attach());
  support::Variant out;
  m_package->constants[L"parachor"] = ConstantAnswer::failure(static_cast<HRESULT>(0x80040502));
  EXPECT_EQ(static_cast<HRESULT>(0x80040502), constants({L"parachor"}, {}, out));

  m_package->constants[L"parachor"] = ConstantAnswer::raw(scalar(3.0).get());
  EXPECT_EQ(kUnknownError, constants({L"parachor"}, {}, out));
  EXPECT_EQ(L"GetComponentConstant should return an array of VARIANTs (GetComponentConstant)", errorText());

  m_package->constants[L"parachor"] = ConstantAnswer::variants({1.0, 2.0, 3.0});
  EXPECT_EQ(kUnknownError, constants({L"parachor"}, {}, out));
  EXPECT_NE(std::wstring::npos, errorText().find(L"one value of each of the components"));
  EXPECT_EQ(VT_EMPTY, out.vt());
}

}  // namespace
}  // namespace matobj_test
