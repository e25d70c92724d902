// The host counterpart as the product relies on it: variables, the case store, the component
// library and hypothetical components, views, trace, notify chain, recording, failure injection
// and calls from another apartment.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "counterparts/host/OrvexHost.h"
#include "support/Raii.h"

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace {

const wchar_t kDefinition[] =
    L"# the adapter's variables\n"
    L"text PropPackName\n"
    L"real KitNumber\n"
    L"realarray HypoFlags\n"
    L"textarray SelectedCompIds\n"
    L"text Hidden unusable\n";

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(apartment.result());
    ASSERT_HRESULT_SUCCEEDED(host.container(&container));
  }

  ComPtr<ExtnVariableDefinition> declared(const wchar_t* name) {
    ComPtr<ExtnDefinition> definition;
    ComPtr<ExtnVariableDefinition> variable;
    EXPECT_HRESULT_SUCCEEDED(container->get_ExtensionDefinition(&definition));
    EXPECT_HRESULT_SUCCEEDED(definition->FindVariable(Bstr(name).get(), &variable));
    return variable;
  }
  template <class I>
  ComPtr<I> variable(const wchar_t* name) {
    ComPtr<IDispatch> object;
    ComPtr<I> typed;
    auto def = declared(name);
    if (def) {
      EXPECT_HRESULT_SUCCEEDED(def->get_Variable(&object));
    }
    if (object) {
      EXPECT_HRESULT_SUCCEEDED(object.As(&typed));
    }
    return typed;
  }
  ComPtr<HostFluidPackage> fluidPackage() {
    ComPtr<IDispatch> holderDispatch, packageDispatch;
    ComPtr<HostFluidPackageHolder> holder;
    ComPtr<HostFluidPackage> package;
    EXPECT_HRESULT_SUCCEEDED(container->get_FluidPackageHolder(&holderDispatch));
    EXPECT_HRESULT_SUCCEEDED(holderDispatch.As(&holder));
    EXPECT_HRESULT_SUCCEEDED(holder->get_FluidPackage(&packageDispatch));
    EXPECT_HRESULT_SUCCEEDED(packageDispatch.As(&package));
    return package;
  }
  ComPtr<HostComponents> components() {
    ComPtr<HostComponents> list;
    EXPECT_HRESULT_SUCCEEDED(fluidPackage()->get_Components(&list));
    return list;
  }

  support::ComApartment apartment;
  orvexhost::Host host{kDefinition};
  ComPtr<ExtnContainer> container;
};

Variant doubles(std::initializer_list<double> values) {
  Variant v;
  v.get().vt = VT_ARRAY | VT_R8;
  v.get().parray = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
  long i = 0;
  for (double d : values) SafeArrayPutElement(v.get().parray, &i, &d), ++i;
  return v;
}

Variant texts(std::initializer_list<const wchar_t*> values) {
  Variant v;
  v.get().vt = VT_ARRAY | VT_BSTR;
  v.get().parray = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(values.size()));
  long i = 0;
  for (const wchar_t* s : values) SafeArrayPutElement(v.get().parray, &i, Bstr(s).get()), ++i;
  return v;
}

std::wstring textAt(const VARIANT& v, long i) {
  BSTR b = nullptr;
  if (FAILED(SafeArrayGetElement(v.parray, &i, &b))) return L"<none>";
  std::wstring s(b ? b : L"");
  SysFreeString(b);
  return s;
}

double doubleAt(const VARIANT& v, long i) {
  double d = NAN;
  SafeArrayGetElement(v.parray, &i, &d);
  return d;
}

std::wstring tempFile(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + name + std::to_wstring(GetCurrentProcessId()) + L".txt";
}

// ---- Variables ---------------------------------------------------------------------------

TEST_F(HostTest, DeclaredVariablesAreFoundAndUndeclaredOnesFail) {
  ComPtr<ExtnDefinition> definition;
  ASSERT_HRESULT_SUCCEEDED(container->get_ExtensionDefinition(&definition));
  ComPtr<ExtnVariableDefinition> missing;
  EXPECT_EQ(E_INVALIDARG, definition->FindVariable(Bstr(L"NotDeclared").get(), &missing));
  EXPECT_FALSE(missing);
  EXPECT_EQ(E_POINTER, definition->FindVariable(Bstr(L"PropPackName").get(), nullptr));

  VARIANT_BOOL usable = VARIANT_FALSE;
  ASSERT_HRESULT_SUCCEEDED(declared(L"propPACKname")->get_IsUsable(&usable));
  EXPECT_EQ(VARIANT_TRUE, usable);
  ASSERT_HRESULT_SUCCEEDED(declared(L"Hidden")->get_IsUsable(&usable));
  EXPECT_EQ(VARIANT_FALSE, usable);
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(declared(L"propPACKname")->get_Name(name.out()));
  EXPECT_STREQ(L"PropPackName", name.c_str());
}

TEST_F(HostTest, EachVariableAnswersOnlyItsOwnType) {
  ComPtr<IDispatch> object;
  ASSERT_HRESULT_SUCCEEDED(declared(L"PropPackName")->get_Variable(&object));
  ComPtr<ExtnRealVariable> wrong;
  EXPECT_EQ(E_NOINTERFACE, object.As(&wrong));
  ComPtr<ExtnTextVariable> right;
  EXPECT_HRESULT_SUCCEEDED(object.As(&right));
}

TEST_F(HostTest, ScalarVariablesStartUnsetAndKeepWhatIsPut) {
  auto text = variable<ExtnTextVariable>(L"PropPackName");
  auto real = variable<ExtnRealVariable>(L"KitNumber");
  ASSERT_TRUE(text && real);
  VARIANT_BOOL isSet = VARIANT_TRUE;
  ASSERT_HRESULT_SUCCEEDED(text->get_IsSet(&isSet));
  EXPECT_EQ(VARIANT_FALSE, isSet);
  ASSERT_HRESULT_SUCCEEDED(real->get_IsSet(&isSet));
  EXPECT_EQ(VARIANT_FALSE, isSet);

  ASSERT_HRESULT_SUCCEEDED(text->put_Value(Bstr(L"Peng-Robinson").get()));
  ASSERT_HRESULT_SUCCEEDED(real->put_Value(-2.5e-7));
  Bstr back;
  double number = 0;
  ASSERT_HRESULT_SUCCEEDED(variable<ExtnTextVariable>(L"PropPackName")->get_Value(back.out()));
  ASSERT_HRESULT_SUCCEEDED(real->get_Value(&number));
  EXPECT_STREQ(L"Peng-Robinson", back.c_str());
  EXPECT_EQ(-2.5e-7, number);
  ASSERT_HRESULT_SUCCEEDED(text->get_IsSet(&isSet));
  EXPECT_EQ(VARIANT_TRUE, isSet);
  EXPECT_EQ(E_POINTER, real->get_Value(nullptr));
}

TEST_F(HostTest, ArrayVariablesRefuseValuesOfTheWrongShape) {
  auto reals = variable<ExtnRealArrayVariable>(L"HypoFlags");
  auto strings = variable<ExtnTextArrayVariable>(L"SelectedCompIds");
  ASSERT_TRUE(reals && strings);
  EXPECT_EQ(E_INVALIDARG, reals->put_Value(texts({L"a"}).get()));
  EXPECT_EQ(E_INVALIDARG, strings->put_Value(doubles({1.0}).get()));
  Variant scalar;
  scalar.get().vt = VT_R8;
  EXPECT_EQ(E_INVALIDARG, reals->put_Value(scalar.get()));

  ASSERT_HRESULT_SUCCEEDED(reals->put_Value(doubles({1.0, 0.0, 1.0}).get()));
  ASSERT_HRESULT_SUCCEEDED(strings->put_Value(texts({L"methane", L""}).get()));
  Variant r, s;
  ASSERT_HRESULT_SUCCEEDED(reals->get_Value(r.out()));
  ASSERT_HRESULT_SUCCEEDED(strings->get_Value(s.out()));
  ASSERT_EQ(VT_ARRAY | VT_R8, r.vt());
  EXPECT_EQ(0.0, doubleAt(r.get(), 1));
  EXPECT_EQ(1.0, doubleAt(r.get(), 2));
  ASSERT_EQ(VT_ARRAY | VT_BSTR, s.vt());
  EXPECT_EQ(L"methane", textAt(s.get(), 0));
  EXPECT_EQ(L"", textAt(s.get(), 1));
}

TEST_F(HostTest, AnEventArgumentNamesTheVariableAndCarriesTheNewValue) {
  Variant flags = doubles({0.0, 1.0});
  ComPtr<ExtnVariableArgument> argument;
  EXPECT_EQ(E_INVALIDARG, host.variableArgument(L"NotDeclared", flags.get(), &argument));
  ASSERT_HRESULT_SUCCEEDED(host.variableArgument(L"hypoflags", flags.get(), &argument));
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(argument->get_Name(name.out()));
  EXPECT_STREQ(L"HypoFlags", name.c_str());
  Variant value;
  ASSERT_HRESULT_SUCCEEDED(argument->get_NewValue(value.out()));
  ASSERT_EQ(VT_ARRAY | VT_R8, value.vt());
  EXPECT_EQ(1.0, doubleAt(value.get(), 1));
  ComPtr<IDispatch> object;
  ComPtr<ExtnRealArrayVariable> typed;
  ASSERT_HRESULT_SUCCEEDED(argument->get_Variable(&object));
  EXPECT_HRESULT_SUCCEEDED(object.As(&typed));
}

// ---- Case store --------------------------------------------------------------------------

TEST_F(HostTest, VariablesSavedWithTheCaseComeBackOnRecall) {
  const std::wstring file = tempFile(L"orvexhost-case");
  host.setCaseFile(file);
  const wchar_t* awkward = L"tab\there\nnew line \\ back";
  ASSERT_HRESULT_SUCCEEDED(variable<ExtnTextVariable>(L"PropPackName")->put_Value(Bstr(awkward).get()));
  ASSERT_HRESULT_SUCCEEDED(variable<ExtnRealVariable>(L"KitNumber")->put_Value(0.1 + 0.2));
  ASSERT_HRESULT_SUCCEEDED(variable<ExtnRealArrayVariable>(L"HypoFlags")->put_Value(doubles({1.0, 1e-300}).get()));
  ASSERT_HRESULT_SUCCEEDED(
      variable<ExtnTextArrayVariable>(L"SelectedCompIds")->put_Value(texts({L"a\tb", L"", L"x"}).get()));
  ASSERT_HRESULT_SUCCEEDED(container->Save());

  // The recalled case: a new host with the same definition, one variable left out.
  orvexhost::Host recalled(L"text PropPackName\nreal KitNumber\nrealarray HypoFlags\ntextarray SelectedCompIds\n");
  ASSERT_HRESULT_SUCCEEDED(recalled.loadCase(file));
  ComPtr<ExtnContainer> second;
  ASSERT_HRESULT_SUCCEEDED(recalled.container(&second));
  ComPtr<ExtnDefinition> definition;
  ASSERT_HRESULT_SUCCEEDED(second->get_ExtensionDefinition(&definition));
  auto typed = [&](const wchar_t* name, auto** out) {
    ComPtr<ExtnVariableDefinition> def;
    ComPtr<IDispatch> object;
    ASSERT_HRESULT_SUCCEEDED(definition->FindVariable(Bstr(name).get(), &def));
    ASSERT_HRESULT_SUCCEEDED(def->get_Variable(&object));
    ASSERT_HRESULT_SUCCEEDED(object->QueryInterface(out));
  };
  ComPtr<ExtnTextVariable> text;
  ComPtr<ExtnRealVariable> real;
  ComPtr<ExtnRealArrayVariable> reals;
  ComPtr<ExtnTextArrayVariable> strings;
  typed(L"PropPackName", text.GetAddressOf());
  typed(L"KitNumber", real.GetAddressOf());
  typed(L"HypoFlags", reals.GetAddressOf());
  typed(L"SelectedCompIds", strings.GetAddressOf());
  ASSERT_TRUE(text && real && reals && strings);
  Bstr t;
  double d = 0;
  Variant r, s;
  ASSERT_HRESULT_SUCCEEDED(text->get_Value(t.out()));
  ASSERT_HRESULT_SUCCEEDED(real->get_Value(&d));
  ASSERT_HRESULT_SUCCEEDED(reals->get_Value(r.out()));
  ASSERT_HRESULT_SUCCEEDED(strings->get_Value(s.out()));
  EXPECT_STREQ(awkward, t.c_str());
  EXPECT_EQ(0.1 + 0.2, d);
  EXPECT_EQ(1e-300, doubleAt(r.get(), 1));
  EXPECT_EQ(L"a\tb", textAt(s.get(), 0));
  EXPECT_EQ(L"", textAt(s.get(), 1));
  EXPECT_EQ(L"x", textAt(s.get(), 2));
  DeleteFileW(file.c_str());
}

TEST_F(HostTest, UnsetVariablesStayUnsetAfterRecallAndAMissingCaseFails) {
  const std::wstring file = tempFile(L"orvexhost-unset");
  host.setCaseFile(file);
  ASSERT_HRESULT_SUCCEEDED(container->Save());
  orvexhost::Host recalled(kDefinition);
  ASSERT_HRESULT_SUCCEEDED(recalled.loadCase(file));
  DeleteFileW(file.c_str());
  EXPECT_EQ(STG_E_FILENOTFOUND, recalled.loadCase(file));
}

TEST_F(HostTest, ACorruptCaseFileChangesNoVariable) {
  const std::wstring file = tempFile(L"orvexhost-corrupt");
  HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  const char text[] = "PropPackName\ttext\tRecalled\nHypoFlags\trealarray\t3\t1\t0\n";  // 3 announced, 2 given
  DWORD written = 0;
  WriteFile(h, text, sizeof text - 1, &written, nullptr);
  CloseHandle(h);
  EXPECT_EQ(E_INVALIDARG, host.loadCase(file));
  DeleteFileW(file.c_str());
  VARIANT_BOOL isSet = VARIANT_TRUE;
  ASSERT_HRESULT_SUCCEEDED(variable<ExtnTextVariable>(L"PropPackName")->get_IsSet(&isSet));
  EXPECT_EQ(VARIANT_FALSE, isSet);
}

TEST_F(HostTest, ASaveThatCannotWriteTheCaseFails) {
  host.setCaseFile(L"Z:\\no\\such\\folder\\case.txt");
  ASSERT_HRESULT_SUCCEEDED(variable<ExtnRealVariable>(L"KitNumber")->put_Value(1.0));
  EXPECT_EQ(STG_E_CANTSAVE, container->Save());
  EXPECT_EQ(STG_E_CANTSAVE, host.calls(L"Save").back().result);
}

// ---- Component library and the fluid package ---------------------------------------------

TEST_F(HostTest, ComponentLibraryIsReadFromTheDataFile) {
  EXPECT_EQ(1768u, host.libraryCount());
  EXPECT_EQ(1, host.libraryId(L"Methane"));
  EXPECT_EQ(L"74-82-8", host.libraryCas(1));
  EXPECT_EQ(18, host.libraryId(L"h2o"));
  EXPECT_EQ(L"7732-18-5", host.libraryCas(18));
  EXPECT_EQ(3768, host.libraryId(L"24-DiMThiophene"));
  EXPECT_EQ(-1, host.libraryId(L"Unobtainium"));
}

TEST_F(HostTest, LibraryNamesGetTheirNativeIdsAndOthersBecomeHypothetical) {
  auto list = components();
  ComPtr<HostComponent> methane, water, hypo, again;
  ASSERT_HRESULT_SUCCEEDED(list->Add(Bstr(L"methane").get(), &methane));
  ASSERT_HRESULT_SUCCEEDED(list->Add(Bstr(L"H2O").get(), &water));
  ASSERT_HRESULT_SUCCEEDED(list->Add(Bstr(L"MyOil").get(), &hypo));
  long id = 0;
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(methane->get_ID(&id));
  ASSERT_HRESULT_SUCCEEDED(methane->get_Name(name.out()));
  EXPECT_EQ(1, id);
  EXPECT_STREQ(L"Methane", name.c_str());
  ASSERT_HRESULT_SUCCEEDED(water->get_ID(&id));
  EXPECT_EQ(18, id);
  ASSERT_HRESULT_SUCCEEDED(hypo->get_ID(&id));
  ASSERT_HRESULT_SUCCEEDED(hypo->get_Name(name.out()));
  EXPECT_GE(id, 20000);
  EXPECT_STREQ(L"MyOil*", name.c_str());
  ComPtr<HostHypoComponent> asHypo;
  EXPECT_HRESULT_SUCCEEDED(hypo.As(&asHypo));
  EXPECT_EQ(E_NOINTERFACE, methane.As(&asHypo));

  long count = 0;
  ASSERT_HRESULT_SUCCEEDED(list->get_Count(&count));
  EXPECT_EQ(3, count);
  ASSERT_HRESULT_SUCCEEDED(container->get_ComponentCount(&count));
  EXPECT_EQ(3, count);
  ASSERT_HRESULT_SUCCEEDED(list->get_Item(2, &again));
  ASSERT_HRESULT_SUCCEEDED(again->get_Name(name.out()));
  EXPECT_STREQ(L"MyOil*", name.c_str());
}

TEST_F(HostTest, CollectionFindRemoveClearAndBadInput) {
  auto list = components();
  ComPtr<HostComponent> c;
  EXPECT_EQ(E_INVALIDARG, list->Add(Bstr(L"").get(), &c));
  ASSERT_HRESULT_SUCCEEDED(list->Add(Bstr(L"Ethane").get(), &c));
  EXPECT_EQ(E_INVALIDARG, list->Add(Bstr(L"ETHANE").get(), &c));
  ASSERT_HRESULT_SUCCEEDED(list->Add(Bstr(L"Propane").get(), &c));

  ComPtr<HostComponent> found;
  ASSERT_HRESULT_SUCCEEDED(list->Find(Bstr(L"Nitrogen").get(), &found));
  EXPECT_FALSE(found);
  ASSERT_HRESULT_SUCCEEDED(list->Find(Bstr(L"propane").get(), &found));
  ASSERT_TRUE(found);
  EXPECT_EQ(E_INVALIDARG, list->get_Item(2, &found));
  EXPECT_EQ(E_INVALIDARG, list->get_Item(-1, &found));
  EXPECT_EQ(E_INVALIDARG, list->Remove(2));

  ASSERT_HRESULT_SUCCEEDED(list->Remove(0));
  long id = 0;
  ASSERT_HRESULT_SUCCEEDED(list->get_Item(0, &found));
  ASSERT_HRESULT_SUCCEEDED(found->get_ID(&id));
  EXPECT_EQ(3, id);
  ASSERT_HRESULT_SUCCEEDED(list->Clear());
  long count = -1;
  ASSERT_HRESULT_SUCCEEDED(list->get_Count(&count));
  EXPECT_EQ(0, count);
}

TEST_F(HostTest, HypoGroupAddsFindsRenamesAndTakesEveryProperty) {
  ComPtr<HostHypoGroup> group;
  ASSERT_HRESULT_SUCCEEDED(fluidPackage()->get_HypoGroup(&group));
  ComPtr<HostHypoComponent> none, hypo, twin;
  ASSERT_HRESULT_SUCCEEDED(group->Find(Bstr(L"Pseudo1*").get(), &none));
  EXPECT_FALSE(none);
  ASSERT_HRESULT_SUCCEEDED(group->Add(Bstr(L"Pseudo1*").get(), &hypo));
  ASSERT_HRESULT_SUCCEEDED(group->Add(Bstr(L"Pseudo1*").get(), &twin));
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(twin->get_Name(name.out()));
  EXPECT_STREQ(L"Pseudo1-1*", name.c_str());
  long id1 = 0, id2 = 0;
  ASSERT_HRESULT_SUCCEEDED(hypo->get_ID(&id1));
  ASSERT_HRESULT_SUCCEEDED(twin->get_ID(&id2));
  EXPECT_GE(id1, 20000);
  EXPECT_NE(id1, id2);
  ASSERT_HRESULT_SUCCEEDED(group->Find(Bstr(L"pseudo1*").get(), &none));
  EXPECT_TRUE(none);

  ASSERT_HRESULT_SUCCEEDED(hypo->put_CASNumber(Bstr(L"123-45-6").get()));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_Formula(Bstr(L"C7H16").get()));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_MolecularWeight(100.2));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_NormalBoilingPoint(98.4));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_LiquidDensity(679.5));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_FormationEnthalpyGas(-187800));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_CriticalTemperature(267.0));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_CriticalPressure(2736.0));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_CriticalVolume(0.428));
  ASSERT_HRESULT_SUCCEEDED(hypo->put_AcentricFactor(0.35));
  EXPECT_EQ(E_INVALIDARG, hypo->put_AcentricFactor(INFINITY));
  ASSERT_HRESULT_SUCCEEDED(hypo->Complete());

  auto hypos = host.hypotheticals();
  ASSERT_EQ(2u, hypos.size());
  EXPECT_TRUE(hypos[0].completed);
  EXPECT_FALSE(hypos[1].completed);
  ASSERT_EQ(10u, hypos[0].properties.size());
  EXPECT_EQ(L"CASNumber", hypos[0].properties[0].first);
  EXPECT_EQ(L"123-45-6", hypos[0].properties[0].second);
  EXPECT_EQ(L"AcentricFactor", hypos[0].properties[9].first);
  EXPECT_EQ(L"0.34999999999999998", hypos[0].properties[9].second);

  // The group's component joins the collection under its own id.
  ComPtr<HostComponent> added;
  ASSERT_HRESULT_SUCCEEDED(components()->Add(Bstr(L"Pseudo1*").get(), &added));
  long id = 0;
  ASSERT_HRESULT_SUCCEEDED(added->get_ID(&id));
  EXPECT_EQ(id1, id);
}

// ---- Views, trace, notify chain, alias ---------------------------------------------------

TEST_F(HostTest, ViewsTraceNotifyChainAndAlias) {
  ComPtr<ExtnViewHolder> holder;
  ComPtr<ExtnView> view;
  ASSERT_HRESULT_SUCCEEDED(container->get_Views(&holder));
  ASSERT_HRESULT_SUCCEEDED(holder->get_View(&view));
  ASSERT_HRESULT_SUCCEEDED(view->Prepare());
  ASSERT_HRESULT_SUCCEEDED(container->ShowView(Bstr(L"DefaultView").get()));
  ASSERT_HRESULT_SUCCEEDED(container->RefreshView(Bstr(L"DefaultView").get()));
  EXPECT_EQ(E_INVALIDARG, container->ShowView(nullptr));
  EXPECT_EQ((std::vector<std::wstring>{L"Show DefaultView", L"Refresh DefaultView"}), host.shownViews());
  EXPECT_EQ(1u, host.calls(L"PrepareViews").size());

  ASSERT_HRESULT_SUCCEEDED(container->WriteTrace(Bstr(L"one line").get(), 1, 0));
  EXPECT_EQ(std::vector<std::wstring>{L"one line"}, host.traceLines());

  ComPtr<HostCase> owningCase;
  ComPtr<HostSolver> solver;
  EXPECT_EQ(-1, host.solverEnabled());
  ASSERT_HRESULT_SUCCEEDED(container->get_Case(&owningCase));
  ASSERT_HRESULT_SUCCEEDED(owningCase->get_Solver(&solver));
  ASSERT_HRESULT_SUCCEEDED(solver->put_Enabled(0));
  EXPECT_EQ(0, host.solverEnabled());
  EXPECT_EQ(E_NOTIMPL, owningCase->Reserved3());

  ASSERT_HRESULT_SUCCEEDED(container->SetPackageAlias(Bstr(L"PR-1").get()));
  EXPECT_EQ(L"PR-1", host.packageAlias());
}

// The product reaches these container methods by vtable slot, not by name.
TEST_F(HostTest, AliasAndCaseSitAtTheSlotsTheProductCalls) {
  using SetAlias = HRESULT(STDMETHODCALLTYPE*)(ExtnContainer*, BSTR);
  using GetCase = HRESULT(STDMETHODCALLTYPE*)(ExtnContainer*, HostCase**);
  void** vtable = *reinterpret_cast<void***>(container.Get());
  ASSERT_HRESULT_SUCCEEDED(reinterpret_cast<SetAlias>(vtable[8])(container.Get(), Bstr(L"by slot").get()));
  EXPECT_EQ(L"by slot", host.packageAlias());
  ComPtr<HostCase> owningCase;
  ASSERT_HRESULT_SUCCEEDED(reinterpret_cast<GetCase>(vtable[11])(container.Get(), &owningCase));
  EXPECT_TRUE(owningCase);
}

// logToHost and notifyHost count methods after the dispatch methods: the trace is the
// container's sixth, the case its fifth; the case's twenty-seventh gives the solver, whose
// fifteenth takes the 0. Method n after IDispatch sits at vtable slot 6 + n.
TEST_F(HostTest, TraceAndNotifyChainSitAtTheMethodNumbersTheProductCalls) {
  auto method = [](void* object, int n) { return (*reinterpret_cast<void***>(object))[6 + n]; };
  using Trace = HRESULT(STDMETHODCALLTYPE*)(ExtnContainer*, BSTR, unsigned char, long);
  using GetChild = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, IUnknown**);
  using PutLong = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, long);
  auto trace = reinterpret_cast<Trace>(method(container.Get(), 6));
  ASSERT_HRESULT_SUCCEEDED(trace(container.Get(), Bstr(L"traced").get(), 1, 0));
  EXPECT_EQ(std::vector<std::wstring>{L"traced"}, host.traceLines());

  host.clearCalls();
  ComPtr<IUnknown> owningCase, solver;
  ASSERT_HRESULT_SUCCEEDED(reinterpret_cast<GetChild>(method(container.Get(), 5))(container.Get(), &owningCase));
  ASSERT_TRUE(owningCase);
  ASSERT_HRESULT_SUCCEEDED(reinterpret_cast<GetChild>(method(owningCase.Get(), 27))(owningCase.Get(), &solver));
  ASSERT_TRUE(solver);
  ASSERT_HRESULT_SUCCEEDED(reinterpret_cast<PutLong>(method(solver.Get(), 15))(solver.Get(), 0));
  EXPECT_EQ(0, host.solverEnabled());
  auto calls = host.calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ(L"Case", calls[0].operation);
  EXPECT_EQ(L"Solver", calls[1].operation);
  EXPECT_EQ(L"SolverEnabled", calls[2].operation);
  EXPECT_EQ(L"0", calls[2].arguments);
}

// ---- Recording and failure injection -----------------------------------------------------

TEST_F(HostTest, EveryCallIsRecordedWithArgumentsThreadAndResult) {
  host.clearCalls();
  long count = 0;
  ASSERT_HRESULT_SUCCEEDED(container->get_ComponentCount(&count));
  ComPtr<ExtnDefinition> definition;
  ComPtr<ExtnVariableDefinition> missing;
  ASSERT_HRESULT_SUCCEEDED(container->get_ExtensionDefinition(&definition));
  EXPECT_EQ(E_INVALIDARG, definition->FindVariable(Bstr(L"Nope").get(), &missing));
  auto calls = host.calls();
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ(L"ComponentCount", calls[0].operation);
  EXPECT_EQ(S_OK, calls[0].result);
  EXPECT_EQ(GetCurrentThreadId(), calls[0].threadId);
  EXPECT_EQ(L"FindVariable", calls[2].operation);
  EXPECT_EQ(L"\"Nope\"", calls[2].arguments);
  EXPECT_EQ(E_INVALIDARG, calls[2].result);
}

TEST_F(HostTest, AnInjectedFailureIsAnsweredUntilCleared) {
  host.failWith(L"ComponentCount", E_ACCESSDENIED);
  host.failWith(L"PutValue", DISP_E_TYPEMISMATCH);
  long count = 7;
  EXPECT_EQ(E_ACCESSDENIED, container->get_ComponentCount(&count));
  EXPECT_EQ(7, count);
  auto text = variable<ExtnTextVariable>(L"PropPackName");
  EXPECT_EQ(DISP_E_TYPEMISMATCH, text->put_Value(Bstr(L"x").get()));
  VARIANT_BOOL isSet = VARIANT_TRUE;
  ASSERT_HRESULT_SUCCEEDED(text->get_IsSet(&isSet));
  EXPECT_EQ(VARIANT_FALSE, isSet);
  EXPECT_EQ(E_ACCESSDENIED, host.calls(L"ComponentCount").back().result);

  host.failWith(L"ComponentCount", S_OK);
  EXPECT_HRESULT_SUCCEEDED(container->get_ComponentCount(&count));
  EXPECT_EQ(0, count);
}

// ---- Interface ids -----------------------------------------------------------------------

IID iidOf(const wchar_t* text) {
  IID iid = IID_NULL;
  EXPECT_HRESULT_SUCCEEDED(IIDFromString(text, &iid)) << text;
  return iid;
}

bool answers(IUnknown* object, const wchar_t* iidText) {
  ComPtr<IUnknown> typed;
  return object && SUCCEEDED(object->QueryInterface(iidOf(iidText), reinterpret_cast<void**>(typed.GetAddressOf())));
}

// The product queries the host's objects by these fixed ids, not by the headers' names.
TEST_F(HostTest, HostObjectsAnswerTheIdsTheProductQueries) {
  const std::pair<const wchar_t*, const wchar_t*> variables[] = {
      {L"PropPackName", L"{DFC1C582-AE9F-11CF-8EB2-0020AF119B90}"},
      {L"KitNumber", L"{63F789C0-3804-11D5-8036-0090271CEA01}"},
      {L"HypoFlags", L"{63F789C1-3804-11D5-8036-0090271CEA01}"},
      {L"SelectedCompIds", L"{2B420854-7105-11D1-B928-00A0C90064F1}"}};
  for (const auto& v : variables) {
    ComPtr<IDispatch> object;
    ASSERT_HRESULT_SUCCEEDED(declared(v.first)->get_Variable(&object)) << v.first;
    EXPECT_TRUE(answers(object.Get(), v.second)) << v.first;
  }
  ComPtr<IDispatch> holder, package;
  ASSERT_HRESULT_SUCCEEDED(container->get_FluidPackageHolder(&holder));
  ASSERT_TRUE(answers(holder.Get(), L"{11B50FB2-9CA0-11CF-A774-B466A40A9881}"));
  ASSERT_HRESULT_SUCCEEDED(fluidPackage().As(&package));
  EXPECT_TRUE(answers(package.Get(), L"{BB8C8791-4E4F-11D6-B214-00D0B775BD53}"));
  ComPtr<HostHypoGroup> group;
  ComPtr<HostHypoComponent> hypo;
  ASSERT_HRESULT_SUCCEEDED(fluidPackage()->get_HypoGroup(&group));
  EXPECT_TRUE(answers(group.Get(), L"{9CB7BB80-A5BF-11D2-A59B-009027139CAD}"));
  ASSERT_HRESULT_SUCCEEDED(group->Add(Bstr(L"Resin").get(), &hypo));
  EXPECT_TRUE(answers(hypo.Get(), L"{EBF2AA30-9123-11D1-B1F6-080009B37DAC}"));
}

// ---- Calls from another apartment --------------------------------------------------------

struct WorkerResults {
  HRESULT countResult = E_UNEXPECTED, traceResult = E_UNEXPECTED, addResult = E_UNEXPECTED;
  long count = -1, hypoId = -1;
  DWORD threadId = 0;
};

// What the CAPE-OPEN thread does with the container, from its own apartment. Every proxy is
// released on return, while the host thread still pumps.
void callFromAnotherApartment(IGlobalInterfaceTable* git, DWORD cookie, WorkerResults& r) {
  r.threadId = GetCurrentThreadId();
  ComPtr<ExtnContainer> proxy;
  if (FAILED(git->GetInterfaceFromGlobal(cookie, IID_PPV_ARGS(&proxy)))) return;
  r.countResult = proxy->get_ComponentCount(&r.count);
  r.traceResult = proxy->WriteTrace(Bstr(L"from the CAPE-OPEN thread").get(), 0, 0);
  ComPtr<IDispatch> holderDispatch, packageDispatch;
  ComPtr<HostFluidPackageHolder> holder;
  ComPtr<HostFluidPackage> package;
  ComPtr<HostComponents> list;
  ComPtr<HostComponent> added;
  HRESULT hr = proxy->get_FluidPackageHolder(&holderDispatch);
  if (SUCCEEDED(hr)) hr = holderDispatch.As(&holder);
  if (SUCCEEDED(hr)) hr = holder->get_FluidPackage(&packageDispatch);
  if (SUCCEEDED(hr)) hr = packageDispatch.As(&package);
  if (SUCCEEDED(hr)) hr = package->get_Components(&list);
  if (SUCCEEDED(hr)) hr = list->Add(Bstr(L"Tar").get(), &added);
  if (SUCCEEDED(hr)) hr = added->get_ID(&r.hypoId);
  r.addResult = hr;
}

TEST_F(HostTest, AnotherApartmentCallsThroughTheGlobalInterfaceTable) {
  ComPtr<IGlobalInterfaceTable> git;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_PPV_ARGS(&git)));
  DWORD cookie = 0;
  ASSERT_HRESULT_SUCCEEDED(git->RegisterInterfaceInGlobal(container.Get(), __uuidof(ExtnContainer), &cookie));
  ASSERT_HRESULT_SUCCEEDED(container->WriteTrace(Bstr(L"first").get(), 0, 0));

  WorkerResults r;
  support::Event done(support::Event::Manual);
  std::thread worker([&] {
    {
      support::ComApartment sta;
      callFromAnotherApartment(git.Get(), cookie, r);
    }
    done.set();
  });
  EXPECT_TRUE(orvexhost::pumpUntil(done.get()));
  worker.join();
  git->RevokeInterfaceFromGlobal(cookie);

  EXPECT_EQ(S_OK, r.countResult);
  EXPECT_EQ(0, r.count);
  EXPECT_EQ(S_OK, r.traceResult);
  EXPECT_EQ(S_OK, r.addResult);
  EXPECT_GE(r.hypoId, 20000);
  EXPECT_EQ((std::vector<std::wstring>{L"first", L"from the CAPE-OPEN thread"}), host.traceLines());
  // The host ran every call on its own thread, not on the caller's.
  auto traced = host.calls(L"WriteTrace");
  ASSERT_EQ(2u, traced.size());
  EXPECT_EQ(host.threadId(), traced[1].threadId);
  EXPECT_NE(r.threadId, traced[1].threadId);
}

}  // namespace
