// GetProp / SetProp called the ways packages written elsewhere call them: the calculation type
// left out for the state, "no compound ids" in each of its COM forms, arrays passed by reference,
// arrays that are not what their tag says, and late binding through IDispatch on the registered
// CAPE-OPEN type library.
#include <algorithm>

#include "counterparts/common/LateBinding.h"
#include "tests/matobj/AccessSupport.h"
#include "support/Trace.h"

namespace matobj_test {
namespace {

using support::SetGet;

using counterpart::null;
using counterpart::omitted;

// A VARIANT tagged `tag` holding a one-dimensional array made for `own` elements.
support::Variant mistyped(VARTYPE tag, VARTYPE own, ULONG count) {
  support::Variant v;
  v.get().parray = SafeArrayCreateVector(own, 0, count);
  v.get().vt = static_cast<VARTYPE>(VT_ARRAY | tag);
  return v;
}

class FieldTest : public AccessTest {
 protected:
  void expectRefused(HRESULT hr, const std::wstring& text, short position) {
    EXPECT_EQ(kBadArgument, hr);
    EXPECT_EQ(text, errorText());
    EXPECT_EQ(position, errorPosition());
  }
  std::wstring errorField(HRESULT (STDMETHODCALLTYPE ECapeUser::*getter)(BSTR*)) {
    support::ComPtr<ECapeUser> user;
    if (FAILED(m_mo.As(&user))) return L"<no ECapeUser>";
    support::Bstr text;
    if (FAILED((user.Get()->*getter)(text.out()))) return L"<failed>";
    return text.get() ? text.get() : L"";
  }
};

// ---- The calculation type ----

TEST_F(FieldTest, StateAndAmountsAreReadAndWrittenWithoutACalculationType) {
  ASSERT_EQ(S_OK, set(L"temperature", L"Overall", {310.0}, L"", L""));
  ASSERT_EQ(S_OK, set(L"pressure", L"Overall", {2.5e5}, L"", nullptr));
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid", m_x, L"mole", L""));
  ASSERT_EQ(S_OK, set(L"phaseFraction", L"Vapor", {0.25}, L"mole", nullptr));
  ASSERT_EQ(S_OK, set(L"totalFlow", L"Overall", {8.0}, L"mole", L""));
  ASSERT_EQ(S_OK, set(L"fraction", L"Overall", m_x, L"mole", nullptr));

  EXPECT_EQ(std::vector<double>{310.0}, get(L"temperature", L"Overall", L"", nullptr));
  EXPECT_EQ(std::vector<double>{2.5e5}, get(L"pressure", L"Overall", L"", L""));
  EXPECT_EQ(m_x, get(L"fraction", L"Liquid", L"mole", nullptr));
  EXPECT_EQ(std::vector<double>{0.25}, get(L"phaseFraction", L"Vapor", L"mole", L""));
  // Kept where "Mixture" finds it, and the other way round.
  EXPECT_EQ(std::vector<double>{8.0}, get(L"totalFlow", L"Overall", L"mole", L"Mixture"));
  EXPECT_EQ(std::vector<double>{0.25}, get(L"phaseFraction", L"Vapor", L"mole", L"Mixture"));
  ASSERT_EQ(S_OK, set(L"flow", L"Vapor", {1.0, 2.0, 3.0, 4.0}, L"mole", L"Mixture"));
  EXPECT_EQ((std::vector<double>{1.0, 2.0, 3.0, 4.0}), get(L"flow", L"Vapor", L"mole", L""));
  // A derived flow too: totalFlow x fraction.
  expectNear({3.2, 2.4, 1.6, 0.8}, get(L"flow", L"Overall", L"mole", L""));
}

TEST_F(FieldTest, CalculatedPropertiesStillNeedTheirCalculationTypeAndAWrongOneIsRefused) {
  expectRefused(getProp(L"enthalpy", L"Vapor", nullptr, L"", L"mole", nullptr),
                L"Argument value is not allowed by the standard Arg position: 4", 4);
  expectRefused(set(L"fugacityCoefficient", L"Vapor", m_x, L"", nullptr),
                L"Argument value is not allowed by the standard Arg position: 4", 4);
  expectRefused(getProp(L"temperature", L"Overall", nullptr, L"Blend", L"", nullptr),
                L"Argument value is not allowed by the standard Arg position: 4 Value: Blend", 4);
  expectRefused(set(L"fraction", L"Vapor", m_x, L"mole", L"Average"),
                L"Argument value is not allowed by the standard Arg position: 4 Value: Average", 4);
  // A pure-compound result is written and read under "Pure".
  ASSERT_EQ(S_OK, set(L"vaporPressure", L"Liquid", {1.0, 2.0, 3.0, 4.0}, nullptr, L"Pure"));
  EXPECT_EQ((std::vector<double>{1.0, 2.0, 3.0, 4.0}), get(L"vaporPressure", L"Liquid", nullptr, L"Pure"));
}

// ---- No compound ids ----

TEST_F(FieldTest, EveryFormOfNoCompoundIdsMeansAllCompoundsInEveryStore) {
  support::SafeArray noStrings(SafeArrayCreateVector(VT_BSTR, 0, 0));
  support::Variant emptyStrings;
  emptyStrings.get().vt = VT_ARRAY | VT_BSTR;
  emptyStrings.get().parray = noStrings.detach();
  support::Variant emptyVariants = mistyped(VT_VARIANT, VT_VARIANT, 0);
  support::Variant neverAllocated;  // a caller's dynamic array before it was sized
  neverAllocated.get().vt = VT_ARRAY | VT_BSTR;
  support::Variant none, nullIds = null(), omittedIds = omitted();
  const std::vector<std::pair<const char*, const VARIANT*>> forms = {
      {"VT_EMPTY", &none.get()},
      {"VT_NULL", &nullIds.get()},
      {"omitted", &omittedIds.get()},
      {"no strings", &emptyStrings.get()},
      {"no VARIANTs", &emptyVariants.get()},
      {"never allocated", &neverAllocated.get()}};
  double scale = 1.0;
  for (const auto& [name, ids] : forms) {
    SCOPED_TRACE(name);
    scale += 1.0;
    const std::vector<double> lnK{0.1 * scale, 0.2, -0.3, -0.4 * scale};
    // Table store and other-properties store, written and read with the same form.
    ASSERT_EQ(S_OK, set(L"fraction", L"Vapor", m_x, L"mole", L"Mixture", ids)) << support::narrow(errorText());
    EXPECT_EQ(m_x, get(L"fraction", L"Vapor", L"mole", L"Mixture", ids));
    ASSERT_EQ(S_OK, set(L"logkvalues", L"VaporLiquid", lnK, nullptr, L"Mixture", ids)) << support::narrow(errorText());
    EXPECT_EQ(lnK, get(L"logkvalues", L"VaporLiquid", nullptr, L"Mixture", ids));
    EXPECT_EQ(lnK, get(L"logkvalues", L"VaporLiquid", nullptr, L"Mixture", nullptr));
  }
}

TEST_F(FieldTest, AnErrorOtherThanAnOmittedArgumentIsNotNoCompoundIds) {
  support::Variant failure;
  failure.get().vt = VT_ERROR;
  failure.get().scode = E_FAIL;
  expectRefused(getProp(L"fraction", L"Vapor", &failure.get(), L"Mixture", L"mole", nullptr),
                L"Argument should be empty or string array Arg position: 3", 3);
}

// ---- By reference ----

TEST_F(FieldTest, ArraysPassedByReferenceAreFollowed) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid", m_x));
  support::Variant ids = strings({L"propane", L"METHANE"});
  VARIANT byRef;
  byRef.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  byRef.pparray = &ids.get().parray;
  EXPECT_EQ((std::vector<double>{0.2, 0.4}), get(L"fraction", L"Liquid", L"mole", L"Mixture", &byRef));

  // A VARIANT by reference, holding the array, as script callers pass their variables.
  VARIANT refToVariant;
  refToVariant.vt = VT_BYREF | VT_VARIANT;
  refToVariant.pvarVal = &ids.get();
  EXPECT_EQ((std::vector<double>{0.2, 0.4}), get(L"fraction", L"Liquid", L"mole", L"Mixture", &refToVariant));

  // Values by reference, set for two named compounds.
  support::Variant values = doubles({0.05, 0.55});
  VARIANT valuesRef;
  valuesRef.vt = VT_BYREF | VT_ARRAY | VT_R8;
  valuesRef.pparray = &values.get().parray;
  support::Bstr fraction(L"fraction"), liquid(L"Liquid"), mixture(L"Mixture"), mole(L"mole");
  ASSERT_EQ(S_OK, m_mo->SetProp(fraction.get(), liquid.get(), byRef, mixture.get(), mole.get(), valuesRef))
      << support::narrow(errorText());
  EXPECT_EQ((std::vector<double>{0.55, 0.3, 0.05, 0.1}), get(L"fraction", L"Liquid"));

  // A single double by reference.
  double temperature = 305.0;
  VARIANT scalarRef;
  scalarRef.vt = VT_BYREF | VT_R8;
  scalarRef.pdblVal = &temperature;
  support::Bstr property(L"temperature"), overall(L"Overall"), none;
  support::Variant noIds;
  ASSERT_EQ(S_OK, m_mo->SetProp(property.get(), overall.get(), noIds.get(), mixture.get(), none.get(), scalarRef));
  EXPECT_EQ(std::vector<double>{305.0}, get(L"temperature", L"Overall", L""));
}

TEST_F(FieldTest, ListsOfVariantsAsScriptsPassThemAreReadAsTheListsTheyHold) {
  ASSERT_EQ(S_OK, set(L"fraction", L"Liquid", m_x));
  // Script arrays are arrays of VARIANTs; an element may itself be a reference.
  support::Variant ids = mistyped(VT_VARIANT, VT_VARIANT, 2);
  VARIANT* slots = static_cast<VARIANT*>(ids.get().parray->pvData);
  slots[0].vt = VT_BSTR;
  slots[0].bstrVal = SysAllocString(L"nbutane");
  BSTR ethane = SysAllocString(L"ethane");
  slots[1].vt = VT_BYREF | VT_BSTR;
  slots[1].pbstrVal = &ethane;
  EXPECT_EQ((std::vector<double>{0.1, 0.3}), get(L"fraction", L"Liquid", L"mole", L"Mixture", &ids.get()));

  support::Variant values = mistyped(VT_VARIANT, VT_VARIANT, 2);
  VARIANT* numbers = static_cast<VARIANT*>(values.get().parray->pvData);
  numbers[0].vt = numbers[1].vt = VT_R8;
  numbers[0].dblVal = 0.15;
  numbers[1].dblVal = 0.05;
  support::Bstr fraction(L"fraction"), liquid(L"Liquid"), mixture(L"Mixture"), mole(L"mole");
  ASSERT_EQ(S_OK, m_mo->SetProp(fraction.get(), liquid.get(), ids.get(), mixture.get(), mole.get(), values.get()))
      << support::narrow(errorText());
  EXPECT_EQ((std::vector<double>{0.4, 0.05, 0.2, 0.15}), get(L"fraction", L"Liquid"));
  slots[1].vt = VT_EMPTY;  // the reference is not the list's to free
  SysFreeString(ethane);

  // A list of VARIANTs with a number among the ids is still no list of ids.
  slots[1].vt = VT_R8;
  slots[1].dblVal = 2.0;
  expectRefused(getProp(L"fraction", L"Liquid", &ids.get(), L"Mixture", L"mole", nullptr),
                L"Argument should be empty or string array Arg position: 3 Value: (nbutane, 2)", 3);
}

TEST_F(FieldTest, AReferenceToNothingIsRefused) {
  VARIANT dangling;
  dangling.vt = VT_BYREF | VT_ARRAY | VT_BSTR;
  dangling.pparray = nullptr;
  expectRefused(getProp(L"fraction", L"Vapor", &dangling, L"Mixture", L"mole", nullptr),
                L"Argument should be empty or string array Arg position: 3", 3);
  support::Bstr fraction(L"fraction"), vapor(L"Vapor"), mixture(L"Mixture"), mole(L"mole");
  support::Variant none;
  dangling.vt = VT_BYREF | VT_VARIANT;
  dangling.pvarVal = nullptr;
  expectRefused(m_mo->SetProp(fraction.get(), vapor.get(), none.get(), mixture.get(), mole.get(), dangling),
                L"Argument should be empty or double array Arg position: 6", 6);
}

// ---- Arrays that are not what their tag says ----

TEST_F(FieldTest, AnArrayWhoseElementTypeDisagreesWithItsTagIsRefusedUnread) {
  // Doubles tagged as strings: read as strings they would be taken for pointers.
  support::Variant doublesAsStrings = mistyped(VT_BSTR, VT_R8, 2);
  expectRefused(getProp(L"fraction", L"Vapor", &doublesAsStrings.get(), L"Mixture", L"mole", nullptr),
                L"Argument should be empty or string array Arg position: 3", 3);
  // Four-byte integers tagged as doubles: read as doubles they run past the array's end.
  support::Variant integersAsDoubles = mistyped(VT_R8, VT_I4, 4);
  for (LONG i = 0; i < 4; ++i) SafeArrayPutElement(integersAsDoubles.get().parray, &i, &i);
  support::Bstr fraction(L"fraction"), vapor(L"Vapor"), mixture(L"Mixture"), mole(L"mole");
  support::Variant none;
  expectRefused(m_mo->SetProp(fraction.get(), vapor.get(), none.get(), mixture.get(), mole.get(),
                              integersAsDoubles.get()),
                L"Argument should be empty or double array Arg position: 6", 6);
  EXPECT_EQ(kUnknownError, getProp(L"fraction", L"Vapor", nullptr, L"Mixture", L"mole", nullptr))
      << "nothing was stored";
}

TEST_F(FieldTest, ACompoundIdListHoldingItselfIsRefusedWithABoundedMessage) {
  support::Variant list = mistyped(VT_VARIANT, VT_VARIANT, 3);
  VARIANT* slots = static_cast<VARIANT*>(list.get().parray->pvData);
  slots[0].vt = VT_ARRAY | VT_VARIANT;
  slots[0].parray = list.get().parray;  // the list itself
  slots[1].vt = VT_BSTR;
  slots[1].bstrVal = SysAllocString(L"methane");
  slots[2] = slots[0];
  const HRESULT hr = getProp(L"fraction", L"Vapor", &list.get(), L"Mixture", L"mole", nullptr);
  slots[0].vt = slots[2].vt = VT_EMPTY;  // so that the list can be freed
  EXPECT_EQ(kBadArgument, hr);
  EXPECT_EQ(3, errorPosition());
  const std::wstring text = errorText();
  EXPECT_EQ(0u, text.find(L"Argument should be empty or string array Arg position: 3 Value: (")) << support::narrow(text);
  EXPECT_NE(std::wstring::npos, text.find(L"methane"));
  EXPECT_LT(text.size(), 1000u);
}

TEST_F(FieldTest, NestedArraysAreNotCompoundIds) {
  support::Variant list = mistyped(VT_VARIANT, VT_VARIANT, 1);
  support::Variant inner = strings({L"methane", L"ethane"});
  LONG at = 0;
  ASSERT_EQ(S_OK, SafeArrayPutElement(list.get().parray, &at, &inner.get()));
  expectRefused(getProp(L"fraction", L"Vapor", &list.get(), L"Mixture", L"mole", nullptr),
                L"Argument should be empty or string array Arg position: 3 Value: ((methane, ethane))", 3);
}

TEST_F(FieldTest, ALongArgumentIsShownByItsBeginning) {
  support::Variant numbers = doubles(std::vector<double>(5000, 1.5));
  EXPECT_EQ(kBadArgument, getProp(L"fraction", L"Vapor", &numbers.get(), L"Mixture", L"mole", nullptr));
  const std::wstring text = errorText();
  EXPECT_EQ(0u, text.find(L"Argument should be empty or string array Arg position: 3 Value: (1.5, 1.5, "));
  ASSERT_GT(text.size(), 3u);
  EXPECT_EQ(L"...", text.substr(text.size() - 3));
  EXPECT_LT(text.size(), 400u);
}

// ---- The error as the package reads it ----

TEST_F(FieldTest, AFailedCallLeavesDescriptionScopeInterfaceAndOperationReadable) {
  // The module's name, as the product's DLL sets it when it is loaded.
  struct NamedModule {
    NamedModule() { support::setModuleName("Quellmar"); }
    ~NamedModule() { support::setModuleName(""); }
  } named;
  EXPECT_EQ(kBadArgument, getProp(L"enthalpy", L"Vapor", nullptr, L"", L"mole", nullptr));
  EXPECT_EQ(L"Argument value is not allowed by the standard Arg position: 4", errorField(&ECapeUser::get_description));
  EXPECT_EQ(L"ICapeThermoMaterialObject", errorField(&ECapeUser::get_interfaceName));
  EXPECT_EQ(L"GetProp", errorField(&ECapeUser::get_operation));
  EXPECT_EQ(L"Quellmar", errorField(&ECapeUser::get_scope));

  support::Variant ids = strings({L"water"});
  EXPECT_EQ(kUnknownError, set(L"fraction", L"Vapor", {1.0}, L"mole", L"Mixture", &ids.get()));
  EXPECT_EQ(L"copyCompValues", errorField(&ECapeUser::get_operation));
  EXPECT_EQ(L"Quellmar", errorField(&ECapeUser::get_scope));
  EXPECT_EQ(L"ICapeThermoMaterialObject", errorField(&ECapeUser::get_interfaceName));
  EXPECT_EQ(0u, errorField(&ECapeUser::get_description).find(L"The Package has requested an operation with a non valid compound: water"));
}

// ---- Late binding ----

class LateBoundTest : public FieldTest {
 protected:
  void SetUp() override {
    FieldTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(S_OK, m_mo->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(m_dispatch.GetAddressOf())));
  }
  DISPID idOf(const wchar_t* name) {
    std::wstring text(name);
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, m_dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << support::narrow(name);
    return id;
  }
  HRESULT call(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result, WORD flags = DISPATCH_METHOD) {
    return counterpart::invokeInOrder(m_dispatch.Get(), idOf(name), flags, std::move(args), result);
  }
  static VARIANT text(const support::Bstr& s) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = s.get();
    return v;
  }
  support::ComPtr<IDispatch> m_dispatch;
};

TEST_F(LateBoundTest, IDispatchIsTheMaterialObjectsAndIMatObjStaysReachable) {
  EXPECT_EQ(static_cast<void*>(m_mo.Get()), static_cast<void*>(m_dispatch.Get()))
      << "IDispatch is the ICapeThermoMaterialObject interface";
  support::ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, m_dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.GetAddressOf()));
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(__uuidof(ICapeThermoMaterialObject), attributes->guid));
  info->ReleaseTypeAttr(attributes);

  support::ComPtr<IMatObj> own;
  ASSERT_EQ(S_OK, m_dispatch.As(&own));
  hyper raw = 0;
  ASSERT_EQ(S_OK, own->getThis(&raw));
  EXPECT_EQ(m_self, reinterpret_cast<CMatObj*>(static_cast<LONG_PTR>(raw)));
}

TEST_F(LateBoundTest, TheStandardsNamesResolveAndAnswerThroughInvoke) {
  for (const wchar_t* name : {L"ComponentIds", L"PhaseIds", L"GetComponentConstant", L"CalcProp", L"GetProp",
                              L"SetProp", L"CalcEquilibrium", L"RemoveResults", L"GetNumComponents"})
    EXPECT_NE(DISPID_UNKNOWN, idOf(name));

  // SetProp(property, phase, compIds omitted, calcType, basis, values), then GetProp back.
  support::Bstr fraction(L"fraction"), vapor(L"Vapor"), mixture(L"Mixture"), mole(L"mole"), empty(L"");
  support::Variant values = doubles(m_x);
  support::Variant result;
  ASSERT_EQ(S_OK, call(L"SetProp", {text(fraction), text(vapor), omitted().get(), text(mixture), text(mole), values.get()},
                       nullptr))
      << support::narrow(errorText());
  ASSERT_EQ(S_OK, call(L"GetProp", {text(fraction), text(vapor), omitted().get(), text(empty), text(mole)}, result.out()));
  EXPECT_EQ(m_x, readDoubles(result.get()));

  // Compound ids by reference to a VARIANT that holds the array, as a script passes its variable.
  support::Variant ids = strings({L"nbutane", L"ethane"});
  VARIANT byRef;
  byRef.vt = VT_BYREF | VT_VARIANT;
  byRef.pvarVal = &ids.get();
  ASSERT_EQ(S_OK, call(L"GetProp", {text(fraction), text(vapor), byRef, text(mixture), text(mole)}, result.out()))
      << support::narrow(errorText());
  EXPECT_EQ((std::vector<double>{0.1, 0.3}), readDoubles(result.get()));

  ASSERT_EQ(S_OK, call(L"GetNumComponents", {}, result.out()));
  ASSERT_EQ(VT_I4, result.vt());
  EXPECT_EQ(4, result.get().lVal);
  ASSERT_EQ(S_OK, call(L"ComponentIds", {}, result.out(), DISPATCH_PROPERTYGET));
  EXPECT_EQ(fourIds(), readStrings(result.get()));

  // A refusal comes back as an exception of the dispatch call, the details on the object.
  EXPECT_EQ(DISP_E_EXCEPTION,
            call(L"GetProp", {text(fraction), text(empty), omitted().get(), text(mixture), text(mole)}, result.out()));
  EXPECT_EQ(L"Argument cannot be empty Arg position: 2", errorText());
}

}  // namespace
}  // namespace matobj_test
