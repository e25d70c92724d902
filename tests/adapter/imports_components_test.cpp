// Component identification and import, end to end: the adapter created through COM on a host
// case, the category browser and the Peng-Robinson thermo system. Expected host names, ids and
// constants come from the host's library (the host counterpart) and from data/components.tsv.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/adapter/AdapterFixture.h"
#include "support/Text.h"

namespace adapter_test {
namespace {

using support::Bstr;
using support::ComPtr;
using support::Variant;

constexpr wchar_t kNaturalGas[] = L"Natural Gas";
constexpr size_t kNaturalGasCount = 14;
// The host's names of the Natural Gas components, in the package's order.
const wchar_t* const kNaturalGasHostNames[kNaturalGasCount] = {
    L"Nitrogen", L"CO2",       L"H2S",       L"Methane",  L"Ethane",    L"Propane",  L"i-Butane",
    L"n-Butane", L"i-Pentane", L"n-Pentane", L"n-Hexane", L"n-Heptane", L"n-Octane", L"H2O"};

constexpr wchar_t kComponentsChanged[] =
    L"The components supported now by the Property Package are not the same, as when the case was saved. Options "
    L"about components have been reset to their default values\n";
constexpr wchar_t kIdsRepeated[] =
    L"The components cannot be uniquely identified since some of their CompId fields have repeated values. ";

std::vector<std::wstring> textsIn(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (v.vt != (VT_ARRAY | VT_BSTR)) return out;
  BSTR* data = static_cast<BSTR*>(v.parray->pvData);
  for (ULONG k = 0; k < v.parray->rgsabound[0].cElements; ++k)
    out.emplace_back(data[k] ? data[k] : L"", data[k] ? SysStringLen(data[k]) : 0);
  return out;
}

std::vector<double> realsIn(const VARIANT& v) {
  std::vector<double> out;
  if (v.vt == (VT_ARRAY | VT_R8)) {
    const double* data = static_cast<const double*>(v.parray->pvData);
    out.assign(data, data + v.parray->rgsabound[0].cElements);
  } else if (v.vt == (VT_ARRAY | VT_I4)) {
    const LONG* data = static_cast<const LONG*>(v.parray->pvData);
    out.assign(data, data + v.parray->rgsabound[0].cElements);
  }
  return out;
}

Variant realArray(const std::vector<double>& values) {
  Variant v;
  v.get().vt = VT_ARRAY | VT_R8;
  v.get().parray = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
  std::copy(values.begin(), values.end(), static_cast<double*>(v.get().parray->pvData));
  return v;
}

Variant textArray(const std::vector<std::wstring>& values) {
  Variant v;
  v.get().vt = VT_ARRAY | VT_BSTR;
  v.get().parray = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(values.size()));
  BSTR* data = static_cast<BSTR*>(v.get().parray->pvData);
  for (size_t k = 0; k < values.size(); ++k) data[k] = SysAllocString(values[k].c_str());
  return v;
}

std::wstring property(const orvexhost::HypoSnapshot& hypo, const wchar_t* name) {
  for (const auto& p : hypo.properties)
    if (p.first == name) return p.second;
  return L"<not set>";
}

// Element i, or a default value when there is none.
template <class T>
T elementOf(const std::vector<T>& values, size_t i) {
  return i < values.size() ? values[i] : T();
}

double numberIn(const std::wstring& text) { return std::wcstod(text.c_str(), nullptr); }

// The host's component library of the build (at the build root, two folders above this program).
std::wstring buildLibrary() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.erase(folder.find_last_of(L'\\') + 1);
  return folder + L"..\\..\\OvpCASnos.txt";
}

class ImportTest : public AdapterTest {
 protected:
  // The host case declares the component page's command variables as well, and has the
  // build's component library.
  void SetUp() override {
    AdapterTest::SetUp();
    container.Reset();
    host = std::make_unique<orvexhost::Host>(orvexhost::propertyPackageDefinition(), buildLibrary());
    ASSERT_GT(host->libraryCount(), 1700u);
    ASSERT_HRESULT_SUCCEEDED(host->container(&container));
  }

  // A failed case shows the boxes it caused.
  void TearDown() override {
    if (HasFailure())
      for (const auto& box : boxes.shown()) ADD_FAILURE() << "box: " << support::narrow(box.text);
    if (HasFailure())
      for (const auto& call : host->calls())
        if (FAILED(call.result)) ADD_FAILURE() << "host call failed: " << support::narrow(call.operation + L" " + call.arguments);
    AdapterTest::TearDown();
  }

  std::vector<std::wstring> texts(const wchar_t* name) { return textsIn(hostValue(name).get()); }
  std::vector<double> reals(const wchar_t* name) { return realsIn(hostValue(name).get()); }
  std::wstring report() { return textIn(hostValue(L"ImportReport").get()); }

  ComPtr<ExtnVariableArgument> argument(const wchar_t* name, const VARIANT& value) {
    ComPtr<ExtnVariableArgument> arg;
    EXPECT_EQ(S_OK, host->variableArgument(name, value, &arg));
    return arg;
  }
  // VariableChanging's answer for a change of name to value.
  VARIANT_BOOL changing(const wchar_t* name, const VARIANT& value) {
    VARIANT_BOOL answer = VARIANT_FALSE;
    EXPECT_EQ(S_OK, extension->VariableChanging(argument(name, value).Get(), &answer));
    return answer;
  }
  HRESULT changed(const wchar_t* name) {
    Variant none;
    return extension->VariableChanged(argument(name, none.get()).Get());
  }

  // The host fluid package's components, in order.
  std::vector<std::pair<long, std::wstring>> hostComponents() {
    std::vector<std::pair<long, std::wstring>> out;
    ComPtr<IDispatch> holderObject, packageObject;
    ComPtr<HostFluidPackageHolder> holder;
    ComPtr<HostFluidPackage> fluidPackage;
    ComPtr<HostComponents> components;
    EXPECT_EQ(S_OK, container->get_FluidPackageHolder(&holderObject));
    EXPECT_EQ(S_OK, holderObject.As(&holder));
    EXPECT_EQ(S_OK, holder->get_FluidPackage(&packageObject));
    EXPECT_EQ(S_OK, packageObject.As(&fluidPackage));
    EXPECT_EQ(S_OK, fluidPackage->get_Components(&components));
    long count = 0;
    EXPECT_EQ(S_OK, components->get_Count(&count));
    for (long k = 0; k < count; ++k) {
      ComPtr<HostComponent> component;
      long id = 0;
      Bstr name;
      EXPECT_EQ(S_OK, components->get_Item(k, &component));
      EXPECT_EQ(S_OK, component->get_ID(&id));
      EXPECT_EQ(S_OK, component->get_Name(name.out()));
      out.emplace_back(id, name.c_str());
    }
    return out;
  }

  // A saved case recalled by a fresh adapter on the same host.
  void recall(const wchar_t* packageName) {
    newAdapter();
    ASSERT_EQ(S_OK, initialize(choiceOf(packageName).c_str(), VARIANT_TRUE));
  }
};

std::vector<double> naturalGasIds(orvexhost::Host& host) {
  std::vector<double> ids;
  for (const wchar_t* name : kNaturalGasHostNames) ids.push_back(host.libraryId(name));
  return ids;
}

// ---- Without Initialize ----

TEST_F(ImportTest, BeforeInitializeNothingIsThereToAnswer) {
  double value = 0.0;
  EXPECT_EQ(E_FAIL, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 0, &value));
  EXPECT_TRUE(std::isinf(value));
  EXPECT_EQ(E_POINTER, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 0, nullptr));
  Variant notAnArray = text(L"Methane");
  EXPECT_EQ(E_INVALIDARG, priv->setComps(notAnArray.get()));
  // No components: the host's array is left as it was.
  int ids[2] = {-7, -7};
  EXPECT_EQ(S_OK, package->PreSelectedComponents(ids));
  EXPECT_EQ(-7, ids[0]);
  EXPECT_EQ(0u, boxes.count());
  // Without a host container there is no fluid package to read the basis from.
  VARIANT_BOOL basisChanged = VARIANT_FALSE;
  EXPECT_EQ(E_FAIL, package->EndBasisChange(&basisChanged));
  EXPECT_EQ(VARIANT_FALSE, basisChanged);
  EXPECT_TRUE(boxes.anyContains(L"getting FluidPackage"));
}

// ---- A new case ----

TEST_F(ImportTest, NewCaseIdentifiesEveryComponentByItsCasNumber) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  const std::vector<std::wstring> compIds = texts(L"SelectedCompIds");
  ASSERT_EQ(kNaturalGasCount, compIds.size());
  EXPECT_EQ(std::vector<std::wstring>(kNaturalGasCount, L"CASNumber"), texts(L"MatchedBy"));
  EXPECT_EQ(std::vector<std::wstring>(kNaturalGasHostNames, kNaturalGasHostNames + kNaturalGasCount),
            texts(L"SelectedCompOvNames"));
  const std::vector<double> ids = reals(L"SelectedIDNumbers");
  ASSERT_EQ(naturalGasIds(*host), ids);
  const std::vector<std::wstring> cas = texts(L"SelectedCompCASNos");
  ASSERT_EQ(kNaturalGasCount, cas.size());
  for (size_t i = 0; i < kNaturalGasCount; ++i) EXPECT_EQ(host->libraryCas(static_cast<long>(ids[i])), cas[i]) << i;
  EXPECT_EQ(L"7727-37-9", cas[0]);
  EXPECT_EQ(L"CH4", elementOf(texts(L"SelectedCompFormulas"), 3));
  EXPECT_EQ(kNaturalGasCount, texts(L"SelectedCompNames").size());
  EXPECT_NEAR(16.04246, elementOf(reals(L"SelectedCompMolWts"), 3), 1e-9);
  EXPECT_NEAR(111.6672055, elementOf(reals(L"SelectedCompBoilTemps"), 3), 1e-9);
  EXPECT_EQ(std::vector<double>(kNaturalGasCount, 1.0), reals(L"SelectedFlags"));
  EXPECT_EQ(std::vector<double>(kNaturalGasCount, 0.0), reals(L"HypoFlags"));

  // One line per component, each opened with its position and CompId.
  std::wstring expected;
  for (size_t i = 0; i < kNaturalGasCount; ++i)
    expected += L"The " + std::to_wstring(i + 1) + L" component (" + compIds[i] + L") \n";
  EXPECT_EQ(expected, report());

  // "IDNumbers" answers the host ids.
  Variant idNumbers;
  ASSERT_EQ(S_OK, priv->get_OvVarValue(bstr(L"IDNumbers").get(), idNumbers.out()));
  EXPECT_EQ(VT_ARRAY | VT_I4, idNumbers.vt());
  EXPECT_EQ(ids, realsIn(idNumbers.get()));
  EXPECT_EQ(0u, boxes.count()) << boxes.onlyText();
}

TEST_F(ImportTest, ClosingTheComponentPageImportsTheSelectionOnce) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  Variant none;
  EXPECT_EQ(VARIANT_TRUE, changing(L"CloseDefaultView", none.get()));
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));
  const std::vector<double> ids = naturalGasIds(*host);
  auto imported = hostComponents();
  ASSERT_EQ(kNaturalGasCount, imported.size());
  for (size_t i = 0; i < kNaturalGasCount; ++i) {
    EXPECT_EQ(kNaturalGasHostNames[i], imported[i].second);
    EXPECT_EQ(ids[i], imported[i].first);
  }

  // The host has the selection already: nothing is cleared or added again.
  host->clearCalls();
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));
  EXPECT_TRUE(host->calls(L"ComponentsClear").empty());
  EXPECT_TRUE(host->calls(L"ComponentsAdd").empty());

  // Without CO2 the host's components are replaced by the new selection.
  std::vector<double> flags(kNaturalGasCount, 1.0);
  flags[1] = 0.0;
  putHostValue(L"SelectedFlags", realArray(flags).get());
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));
  EXPECT_EQ(1u, host->calls(L"ComponentsClear").size());
  imported = hostComponents();
  ASSERT_EQ(kNaturalGasCount - 1, imported.size());
  EXPECT_EQ(L"H2S", imported[1].second);
  EXPECT_EQ(L"", elementOf(texts(L"SelectedCompOvNames"), 1));

  // The host asks for the preselection: the selected components' ids, in order.
  std::vector<int> preselected(kNaturalGasCount + 1, -7);
  ASSERT_EQ(S_OK, package->PreSelectedComponents(preselected.data()));
  EXPECT_EQ(ids[0], preselected[0]);
  EXPECT_EQ(ids[2], preselected[1]);
  EXPECT_EQ(ids[13], preselected[12]);
  EXPECT_EQ(-7, preselected[13]);

  // The host's new basis reaches the material object and the host-id array.
  VARIANT_BOOL basisChanged = VARIANT_FALSE;
  ASSERT_EQ(S_OK, package->EndBasisChange(&basisChanged));
  EXPECT_EQ(VARIANT_TRUE, basisChanged);
  std::vector<std::wstring> names;
  std::vector<double> hostIds;
  for (const auto& c : imported) names.push_back(c.second), hostIds.push_back(c.first);
  EXPECT_EQ(names, texts(L"UserSelectedCompOvNames"));
  Variant idNumbers;
  ASSERT_EQ(S_OK, priv->get_OvVarValue(bstr(L"idnumbers").get(), idNumbers.out()));
  EXPECT_EQ(hostIds, realsIn(idNumbers.get()));
  EXPECT_EQ(0u, boxes.count()) << boxes.onlyText();
}

TEST_F(ImportTest, HypotheticalComponentsAreMadeFromThePackagesConstants) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  std::vector<double> hypo(kNaturalGasCount, 0.0);
  hypo[3] = 1.0;  // methane
  hypo[5] = 1.0;  // propane
  Variant flags = realArray(hypo);
  EXPECT_EQ(VARIANT_TRUE, changing(L"HypoFlags", flags.get()));
  putHostValue(L"HypoFlags", flags.get());
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));

  const std::vector<std::wstring> names = texts(L"SelectedCompOvNames");
  ASSERT_EQ(kNaturalGasCount, names.size());
  EXPECT_EQ(L"methane*", names[3]);
  EXPECT_EQ(L"propane*", names[5]);
  EXPECT_EQ(L"Ethane", names[4]);
  const std::vector<double> ids = reals(L"SelectedIDNumbers");
  ASSERT_EQ(kNaturalGasCount, ids.size());
  EXPECT_GE(ids[3], 20000);
  EXPECT_GE(ids[5], 20000);
  const auto imported = hostComponents();
  ASSERT_EQ(kNaturalGasCount, imported.size());
  EXPECT_EQ(L"methane*", imported[3].second);
  EXPECT_EQ(ids[3], imported[3].first);

  const auto hypotheticals = host->hypotheticals();
  ASSERT_EQ(2u, hypotheticals.size());
  const orvexhost::HypoSnapshot& methane = hypotheticals[0];
  EXPECT_EQ(L"methane*", methane.name);
  EXPECT_TRUE(methane.completed);
  // In the order set, host units; methane has no liquid density at 25 C and the package no
  // formation enthalpy: both are left to the host.
  std::vector<std::wstring> order;
  for (const auto& p : methane.properties) order.push_back(p.first);
  EXPECT_EQ((std::vector<std::wstring>{L"CASNumber", L"Formula", L"MolecularWeight", L"NormalBoilingPoint",
                                       L"CriticalTemperature", L"CriticalPressure", L"CriticalVolume",
                                       L"AcentricFactor"}),
            order);
  EXPECT_EQ(L"74-82-8", property(methane, L"CASNumber"));
  EXPECT_EQ(L"CH4", property(methane, L"Formula"));
  EXPECT_NEAR(16.04246, numberIn(property(methane, L"MolecularWeight")), 1e-9);
  EXPECT_NEAR(111.6672055 - 273.15, numberIn(property(methane, L"NormalBoilingPoint")), 1e-9);
  EXPECT_NEAR(190.564 - 273.15, numberIn(property(methane, L"CriticalTemperature")), 1e-9);
  EXPECT_NEAR(4599.2, numberIn(property(methane, L"CriticalPressure")), 1e-9);
  EXPECT_NEAR(0.09862781099, numberIn(property(methane, L"CriticalVolume")), 1e-12);
  EXPECT_NEAR(0.01142, numberIn(property(methane, L"AcentricFactor")), 1e-12);
  const orvexhost::HypoSnapshot& propane = hypotheticals[1];
  EXPECT_EQ(L"propane*", propane.name);
  EXPECT_NEAR(11135.9 * 44.09562 / 1000, numberIn(property(propane, L"LiquidDensity")), 1e-9);

  // RefreshHypos configures the host's hypothetical components again.
  host->clearCalls();
  ASSERT_EQ(S_OK, changed(L"RefreshHypos"));
  const auto completions = host->calls(L"Complete");
  ASSERT_EQ(2u, completions.size());
  EXPECT_EQ(L"methane*", completions[0].arguments);
  EXPECT_EQ(L"propane*", completions[1].arguments);
  EXPECT_EQ(0u, boxes.count()) << boxes.onlyText();
}

TEST_F(ImportTest, AComponentTheHostHasAsItsOwnIsImportedAsThatOne) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  std::vector<double> hypo(kNaturalGasCount, 0.0);
  hypo[3] = 1.0;  // methane
  putHostValue(L"HypoFlags", realArray(hypo).get());
  // Without its group of hypothetical components the host takes its own Methane.
  host->failWith(L"HypoFind", E_FAIL);
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));
  EXPECT_EQ(std::vector<double>(kNaturalGasCount, 0.0), reals(L"HypoFlags"));
  EXPECT_TRUE(boxes.anyContains(L"importing compound 'Methane'. It cannot be treated as hypo since a component with "
                                L"same name has been added to ORVEX library. . ORVEX will try to identify as a "
                                L"native component. "));
  const auto imported = hostComponents();
  ASSERT_EQ(kNaturalGasCount, imported.size());
  EXPECT_EQ(L"Methane", imported[3].second);
  EXPECT_EQ(host->libraryId(L"Methane"), imported[3].first);
  EXPECT_EQ(1u, host->calls(L"ComponentsClear").size());
  EXPECT_TRUE(host->hypotheticals().empty());
}

TEST_F(ImportTest, GuardsOfTheComponentPage) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  // A component that could not be identified may only be hypothetical.
  std::vector<std::wstring> matched(kNaturalGasCount, L"CASNumber");
  matched[2] = L"No matching";
  putHostValue(L"MatchedBy", textArray(matched).get());
  std::vector<double> hypo(kNaturalGasCount, 0.0);
  EXPECT_EQ(VARIANT_FALSE, changing(L"HypoFlags", realArray(hypo).get()));
  EXPECT_EQ(L"This component could not be succesfully identified. It may only be imported as hypothetical component.",
            boxes.onlyText());
  hypo[2] = 1.0;
  EXPECT_EQ(VARIANT_TRUE, changing(L"HypoFlags", realArray(hypo).get()));
  EXPECT_EQ(VARIANT_TRUE, changing(L"SelectedFlags", realArray(std::vector<double>(kNaturalGasCount, 0.0)).get()));
  EXPECT_EQ(1u, boxes.count());
}

TEST_F(ImportTest, RepeatedCompIdsAreReportedAndBlockThePage) {
  ASSERT_EQ(S_OK, initialize(choiceOf(L"Faulty Duplicate Ids").c_str()));
  EXPECT_EQ((std::vector<std::wstring>{L"methane", L"methane"}), texts(L"SelectedCompIds"));
  EXPECT_NE(std::wstring::npos,
            report().find(std::wstring(kIdsRepeated) + L"Contact this component's vendor. \n"));
  Variant none;
  EXPECT_EQ(VARIANT_FALSE, changing(L"CloseDefaultView", none.get()));
  EXPECT_TRUE(boxes.anyContains(std::wstring(kIdsRepeated) + L"Unselect some of them and try again. "));
  putHostValue(L"SelectedFlags", realArray({1.0, 0.0}).get());
  const size_t shown = boxes.count();
  EXPECT_EQ(VARIANT_TRUE, changing(L"CloseDefaultView", none.get()));
  EXPECT_EQ(shown, boxes.count());
}

TEST_F(ImportTest, InvalidBoilingPointsAreReplaced) {
  ASSERT_EQ(S_OK, initialize(choiceOf(L"Faulty Boiling Points").c_str()));
  EXPECT_EQ((std::vector<double>{1e30, 1e30}), reals(L"SelectedCompBoilTemps"));
  const std::wstring text = report();
  EXPECT_NE(std::wstring::npos, text.find(L"Compount methane does not provide a valid value (1e+35) for property "
                                          L"boilTemps. Value 1e+30 will be used instead.\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"Compount propane does not provide a valid value (1e+35)"));
}

TEST_F(ImportTest, ThePackagesOwnViewMayChangeTheComponents) {
  ASSERT_EQ(S_OK, initialize(choiceOf(L"Faulty Edit").c_str()));
  ASSERT_EQ(2u, texts(L"SelectedCompIds").size());
  ASSERT_EQ(S_OK, changed(L"CustomView"));
  EXPECT_EQ((std::vector<std::wstring>{L"methane", L"ethane", L"propane"}), texts(L"SelectedCompIds"));
  EXPECT_EQ((std::vector<std::wstring>{L"Methane", L"Ethane", L"Propane"}), texts(L"SelectedCompOvNames"));
  EXPECT_EQ(std::vector<double>(3, 1.0), reals(L"SelectedFlags"));
  EXPECT_EQ(std::vector<double>(3, 0.0), reals(L"HypoFlags"));
  EXPECT_EQ(3u, reals(L"SelectedIDNumbers").size());
}

TEST_F(ImportTest, AfterTheViewChangedTheComponentsRequestsKeepToTheHostsArrays) {
  ASSERT_EQ(S_OK, initialize(choiceOf(L"Faulty Edit").c_str()));
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));  // the host takes the package's two components
  VARIANT_BOOL basisChanged = VARIANT_FALSE;
  ASSERT_EQ(S_OK, package->EndBasisChange(&basisChanged));
  const int n = static_cast<int>(hostComponents().size());
  ASSERT_EQ(2, n);
  ASSERT_EQ(S_OK, changed(L"CustomView"));  // the package has three components now
  ASSERT_EQ(3u, texts(L"SelectedCompIds").size());

  // Host arrays of the host's two components, with marked values on both sides.
  constexpr double kMark = -777.0;
  constexpr int kGuard = 4;
  std::vector<double> y(n + 2 * kGuard, kMark), x(n + 2 * kGuard, kMark), k(n + 2 * kGuard, kMark);
  const double vapour[2] = {0.9, 0.1}, liquid[2] = {0.2, 0.8};
  std::copy(vapour, vapour + n, y.begin() + kGuard);
  std::copy(liquid, liquid + n, x.begin() + kGuard);
  double* compositions[3] = {y.data() + kGuard, x.data() + kGuard, nullptr};
  EXPECT_EQ(S_OK, package->ComputeKFactorsVL(250.0, 2000.0, compositions, k.data() + kGuard));
  for (int i = 0; i < kGuard; ++i) {
    EXPECT_EQ(kMark, k[i]) << i;
    EXPECT_EQ(kMark, k[kGuard + n + i]) << i;
  }
  for (int i = 0; i < n; ++i) EXPECT_TRUE(std::isfinite(k[kGuard + i]) && k[kGuard + i] != kMark) << i;
}

// The host component table is filled once per process, so a process that never finds the
// library is a child run of this program, limited to this case.
constexpr wchar_t kChildRun[] = L"QUELLMAR_IMPORTS_WITHOUT_LIBRARY";

bool runThisCaseInAChild(const wchar_t* filter) {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_brief=1 --gtest_filter=" + filter;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  SetEnvironmentVariableW(kChildRun, L"1");
  const BOOL started =
      CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
  SetEnvironmentVariableW(kChildRun, nullptr);
  if (!started) return false;
  support::Handle process(child.hProcess), thread(child.hThread);
  DWORD code = 1;
  return WaitForSingleObject(child.hProcess, 90000) == WAIT_OBJECT_0 && GetExitCodeProcess(child.hProcess, &code) &&
         code == 0;
}

TEST_F(ImportTest, WithoutTheHostLibraryEveryComponentIsHypothetical) {
  if (!GetEnvironmentVariableW(kChildRun, nullptr, 0)) {
    EXPECT_TRUE(runThisCaseInAChild(L"ImportTest.WithoutTheHostLibrary*"));
    return;
  }
  // The table is looked for beside this program, where there is none.
  ASSERT_EQ(S_OK, priv->put_moduleName(bstr(L"test_adapter_imports.exe").get()));
  // The host refuses new components while the package is created.
  host->failWith(L"ComponentsAdd", E_FAIL);
  ASSERT_EQ(S_OK, initialize(choiceOf(L"K-values Only").c_str()));
  EXPECT_TRUE(boxes.anyContains(L"Cannot open OvpCASnos.txt"));
  EXPECT_TRUE(boxes.anyContains(L"assigning a new hypo name for component methane*"));
  EXPECT_EQ(std::vector<std::wstring>(5, L"No matching"), texts(L"MatchedBy"));
  EXPECT_EQ(std::vector<double>(5, -1.0), reals(L"SelectedIDNumbers"));
  EXPECT_EQ(std::vector<double>(5, 1.0), reals(L"HypoFlags"));
  EXPECT_EQ(L"methane*", elementOf(texts(L"SelectedCompOvNames"), 0));
  EXPECT_EQ(0u, report().find(L"The 1 component (methane) does not provide a supported CASNumber (74-82-8). Its "
                              L"CompId 'methane' not supported either. It'll be interpreted as a Hypothetical "
                              L"component. \n"));
  // Such a component may only be hypothetical.
  const size_t shown = boxes.count();
  EXPECT_EQ(VARIANT_FALSE, changing(L"HypoFlags", realArray(std::vector<double>(5, 0.0)).get()));
  EXPECT_EQ(shown + 1, boxes.count());

  // Imported, every one becomes a hypothetical component of the host.
  host->failWith(L"ComponentsAdd", S_OK);
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));
  const auto imported = hostComponents();
  ASSERT_EQ(5u, imported.size());
  EXPECT_EQ(L"methane*", imported[0].second);
  EXPECT_GE(imported[0].first, 20000);
  EXPECT_EQ(5u, host->hypotheticals().size());
  EXPECT_EQ(static_cast<double>(imported[4].first), elementOf(reals(L"SelectedIDNumbers"), 4));
}

// ---- Recalled cases ----

TEST_F(ImportTest, RecallWithTheSameComponentsKeepsTheOptions) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  std::vector<double> flags(kNaturalGasCount, 1.0);
  flags[1] = 0.0;
  putHostValue(L"SelectedFlags", realArray(flags).get());
  std::vector<double> hypo(kNaturalGasCount, 0.0);
  hypo[4] = 1.0;
  putHostValue(L"HypoFlags", realArray(hypo).get());
  std::vector<std::wstring> matched = texts(L"MatchedBy");
  ASSERT_EQ(kNaturalGasCount, matched.size());
  matched[0] = L"CompId";
  putHostValue(L"MatchedBy", textArray(matched).get());
  ASSERT_EQ(S_OK, changed(L"CloseDefaultView"));
  std::vector<std::wstring> basis;
  for (const auto& c : hostComponents()) basis.push_back(c.second);
  ASSERT_EQ(kNaturalGasCount - 1, basis.size());
  EXPECT_EQ(L"ethane*", basis[3]);

  ASSERT_NO_FATAL_FAILURE(recall(kNaturalGas));
  // The host's basis is taken over on the CAPE-OPEN thread while the case is recalled.
  EXPECT_EQ(basis, texts(L"UserSelectedCompOvNames"));
  EXPECT_EQ(flags, reals(L"SelectedFlags"));
  EXPECT_EQ(hypo, reals(L"HypoFlags"));
  EXPECT_EQ(matched, texts(L"MatchedBy"));
  EXPECT_EQ(naturalGasIds(*host), reals(L"SelectedIDNumbers"));
  EXPECT_EQ(std::wstring::npos, report().find(kComponentsChanged));
  EXPECT_EQ(0u, boxes.count()) << boxes.onlyText();
}

TEST_F(ImportTest, RecallWithChangedCasNumbersResetsTheOptions) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  std::vector<double> flags(kNaturalGasCount, 1.0);
  flags[1] = 0.0;
  putHostValue(L"SelectedFlags", realArray(flags).get());
  std::vector<std::wstring> cas = texts(L"SelectedCompCASNos");
  ASSERT_EQ(kNaturalGasCount, cas.size());
  const std::wstring nitrogen = cas[0];
  cas[0] = L"1-11-1";
  putHostValue(L"SelectedCompCASNos", textArray(cas).get());

  ASSERT_NO_FATAL_FAILURE(recall(kNaturalGas));
  EXPECT_NE(std::wstring::npos, report().find(kComponentsChanged));
  EXPECT_EQ(std::vector<double>(kNaturalGasCount, 1.0), reals(L"SelectedFlags"));
  EXPECT_EQ(std::vector<double>(kNaturalGasCount, 0.0), reals(L"HypoFlags"));
  EXPECT_EQ(nitrogen, elementOf(texts(L"SelectedCompCASNos"), 0));
  EXPECT_EQ(std::vector<std::wstring>(kNaturalGasCount, L"CASNumber"), texts(L"MatchedBy"));
  EXPECT_EQ(texts(L"SelectedCompOvNames"), texts(L"UserSelectedCompOvNames"));
}

// ---- IPrivPropPkg ----

TEST_F(ImportTest, ConstantsAndTheHostBasisThroughThePrivateInterface) {
  ASSERT_EQ(S_OK, initialize(choiceOf(kNaturalGas).c_str()));
  double value = 0.0;
  ASSERT_EQ(S_OK, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 0, &value));
  EXPECT_NEAR(126.192, value, 1e-9);  // nitrogen
  ASSERT_EQ(S_OK, priv->getCompConstantDbl(bstr(L"criticalPressure").get(), 3, &value));
  EXPECT_NEAR(4599200, value, 1e-6);  // methane
  EXPECT_EQ(E_FAIL, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 14, &value));
  EXPECT_EQ(E_FAIL, priv->getCompConstantDbl(bstr(L"noSuchConstant").get(), 0, &value));

  // The material object takes the host's basis; constants follow the package's positions.
  ASSERT_EQ(S_OK, priv->setComps(textArray({L"Methane", L"Ethane", L"Nitrogen"}).get()));
  EXPECT_EQ((std::vector<std::wstring>{L"Methane", L"Ethane", L"Nitrogen"}), texts(L"UserSelectedCompOvNames"));
  Variant idNumbers;
  ASSERT_EQ(S_OK, priv->get_OvVarValue(bstr(L"IDNumbers").get(), idNumbers.out()));
  EXPECT_EQ((std::vector<double>{1, 2, 15}), realsIn(idNumbers.get()));
  ASSERT_EQ(S_OK, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 0, &value));
  EXPECT_NEAR(126.192, value, 1e-9);
  ASSERT_EQ(S_OK, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 3, &value));
  EXPECT_NEAR(190.564, value, 1e-9);
  EXPECT_EQ(E_FAIL, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 1, &value));  // not in the basis
  EXPECT_EQ(0u, boxes.count()) << boxes.onlyText();

  // A host name the package cannot place is taken at its position, with a warning.
  ASSERT_EQ(S_OK, priv->setComps(textArray({L"Methane", L"Mystery"}).get()));
  EXPECT_EQ(1u, boxes.count());
  EXPECT_TRUE(boxes.anyContains(L"Since the component 'Mystery' does not provide a CASNumber, the package will only "
                                L"work if it is configured with ALL the components provided and in the order "
                                L"provided by the package."));
}

TEST_F(ImportTest, DeprecatedConstantsAreConvertedWithOneWarning) {
  ASSERT_EQ(S_OK, initialize(choiceOf(L"Faulty Deprecated Constants").c_str()));
  double value = 0.0;
  ASSERT_EQ(S_OK, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 0, &value));
  EXPECT_NEAR(190.564, value, 1e-9);
  ASSERT_EQ(S_OK, priv->getCompConstantDbl(bstr(L"criticalTemperature").get(), 1, &value));
  EXPECT_NEAR(369.89, value, 1e-9);
  const std::wstring warning =
      L"Warning: The package returns constant properties using an deprecated standard. Conversion performed "
      L"succesfully\n";
  const std::wstring text = report();
  const size_t first = text.find(warning);
  ASSERT_NE(std::wstring::npos, first);
  EXPECT_EQ(std::wstring::npos, text.find(warning, first + 1));
}

}  // namespace
}  // namespace adapter_test
