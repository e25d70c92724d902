// The Thermo System of PRThermo.dll as a client sees it: created by ProgID from the registered
// DLL, its registry entries, its packages and their component, phase and property lists.
#include <windows.h>
#include <comcat.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "tests/prthermo/PackageFixture.h"
#include "counterparts/prthermo/core/Compounds.h"
#include "counterparts/prthermo/core/PackageFile.h"
#include "support/Raii.h"
#include "support/Text.h"

namespace {

using support::Bstr;
using support::ComPtr;
using support::Variant;

const wchar_t kProgId[] = L"Quellmar.PRThermoSystem";
const wchar_t kCatComponent[] = L"{678C09A1-7D66-11D2-A67D-00105A42887F}";
const wchar_t kCatThermoSystem[] = L"{678C09A3-7D66-11D2-A67D-00105A42887F}";

// One row of components.tsv, read by column header so the test does not share the core's reader.
struct TsvCompound {
  std::string name, cas, formula;
  double mw = 0, tb = 0;
};

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  std::string cell;
  while (std::getline(in, cell, '\t')) cells.push_back(cell);
  return cells;
}

std::map<std::string, TsvCompound> componentsByCas() {
  std::ifstream in(prcore::moduleFolder() + "components.tsv");
  std::string line;
  std::getline(in, line);
  const auto header = splitTabs(line);
  auto column = [&](const std::string& prefix) {
    for (size_t i = 0; i < header.size(); ++i)
      if (header[i].rfind(prefix, 0) == 0) return i;
    ADD_FAILURE() << "no column " << prefix;
    return size_t(0);
  };
  const size_t name = column("name"), cas = column("CAS"), formula = column("formula"), mw = column("MW["),
               tb = column("Tb[");
  std::map<std::string, TsvCompound> rows;
  while (std::getline(in, line)) {
    const auto cells = splitTabs(line);
    if (cells.size() <= tb) continue;
    rows[cells[cas]] = {cells[name], cells[cas], cells[formula], std::stod(cells[mw]), std::stod(cells[tb])};
  }
  return rows;
}

std::vector<prcore::PackageDefinition> shippedPackages() {
  return prcore::loadPackages(prcore::moduleFolder() + "packages.txt");
}

std::wstring clsidText(REFCLSID clsid) {
  wchar_t text[40] = {};
  StringFromGUID2(clsid, text, 40);
  return text;
}

using prthermo_test::doublesOf;
using prthermo_test::stringsOf;

std::wstring registryText(const std::wstring& path, const wchar_t* value) {
  wchar_t data[512] = {};
  DWORD bytes = sizeof(data) - sizeof(wchar_t);
  const LONG rc = RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &bytes);
  EXPECT_EQ(rc, ERROR_SUCCESS) << support::narrow(path) << " " << support::narrow(value);
  return rc == ERROR_SUCCESS ? data : L"";
}

bool registryKeyExists(const std::wstring& path) {
  support::RegKey key;
  return RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

class ThermoSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_HRESULT_SUCCEEDED(apartment.result());
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(kProgId, &clsid));
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(system.GetAddressOf())));
  }

  ComPtr<ICapeThermoPropertyPackage> resolve(const wchar_t* name) {
    ComPtr<IDispatch> dispatch;
    Bstr packageName(name);
    EXPECT_HRESULT_SUCCEEDED(system->ResolvePropertyPackage(packageName.get(), dispatch.GetAddressOf()));
    ComPtr<ICapeThermoPropertyPackage> package;
    if (dispatch) {
      EXPECT_HRESULT_SUCCEEDED(dispatch.As(&package));
    }
    return package;
  }

  support::ComApartment apartment;
  CLSID clsid = {};
  ComPtr<ICapeThermoSystem> system;
};

// --- registration ---

TEST_F(ThermoSystemTest, RegisteredAsCapeOpenThermoSystem) {
  const std::wstring classKey = L"CLSID\\" + clsidText(clsid);
  EXPECT_TRUE(registryKeyExists(classKey + L"\\Implemented Categories\\" + kCatComponent));
  EXPECT_TRUE(registryKeyExists(classKey + L"\\Implemented Categories\\" + kCatThermoSystem));
  EXPECT_EQ(registryText(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
  EXPECT_EQ(registryText(classKey + L"\\ProgID", nullptr), L"Quellmar.PRThermoSystem.1");
}

TEST_F(ThermoSystemTest, FoundByTheComponentCategoriesManager) {
  ComPtr<ICatInformation> categories;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_PPV_ARGS(categories.GetAddressOf())));
  CATID wanted = {};
  ASSERT_HRESULT_SUCCEEDED(CLSIDFromString(kCatThermoSystem, &wanted));
  ComPtr<IEnumCLSID> found;
  ASSERT_HRESULT_SUCCEEDED(categories->EnumClassesOfCategories(1, &wanted, 0, nullptr, found.GetAddressOf()));
  bool listed = false;
  CLSID next;
  while (found->Next(1, &next, nullptr) == S_OK) listed = listed || IsEqualCLSID(next, clsid);
  EXPECT_TRUE(listed);
}

TEST_F(ThermoSystemTest, CapeDescriptionValues) {
  const std::wstring key = L"CLSID\\" + clsidText(clsid) + L"\\CapeDescription";
  EXPECT_EQ(registryText(key, L"Name"), L"PR Thermo System");
  EXPECT_EQ(registryText(key, L"Description"), L"Peng-Robinson property packages defined in packages.txt");
  EXPECT_EQ(registryText(key, L"CapeVersion"), L"1.0");
  EXPECT_EQ(registryText(key, L"ComponentVersion"), L"1.0");
  for (const wchar_t* name : {L"VendorURL", L"HelpURL", L"About"}) EXPECT_FALSE(registryText(key, name).empty());
}

// --- the system ---

TEST_F(ThermoSystemTest, IdentificationNamesTheSystemAndKeepsWhatIsSet) {
  ComPtr<ICapeIdentification> identification;
  ASSERT_HRESULT_SUCCEEDED(system.As(&identification));
  Bstr name;
  ASSERT_HRESULT_SUCCEEDED(identification->get_ComponentName(name.out()));
  EXPECT_STREQ(name.c_str(), L"PR Thermo System");
  Bstr renamed(L"my thermo");
  ASSERT_HRESULT_SUCCEEDED(identification->put_ComponentName(renamed.get()));
  ASSERT_HRESULT_SUCCEEDED(identification->get_ComponentName(name.out()));
  EXPECT_STREQ(name.c_str(), L"my thermo");
  ASSERT_HRESULT_SUCCEEDED(identification->put_ComponentDescription(nullptr));
  Bstr description;
  ASSERT_HRESULT_SUCCEEDED(identification->get_ComponentDescription(description.out()));
  EXPECT_STREQ(description.c_str(), L"");
  EXPECT_EQ(identification->get_ComponentName(nullptr), E_POINTER);
}

TEST_F(ThermoSystemTest, PackageNamesAreThoseOfThePackageFile) {
  Variant names;
  ASSERT_HRESULT_SUCCEEDED(system->GetPropertyPackages(names.out()));
  std::vector<std::string> expected;
  for (const auto& definition : shippedPackages()) expected.push_back(definition.name);
  ASSERT_GE(expected.size(), 6u);
  EXPECT_EQ(stringsOf(names.get()), expected);
  EXPECT_EQ(expected.front(), "Natural Gas");
  EXPECT_EQ(system->GetPropertyPackages(nullptr), E_POINTER);
}

TEST_F(ThermoSystemTest, LateBoundCallsGoThroughTheCapeOpenTypeLibrary) {
  ComPtr<IDispatch> dispatch;
  ASSERT_HRESULT_SUCCEEDED(system.As(&dispatch));
  LPOLESTR member = const_cast<LPOLESTR>(L"GetPropertyPackages");
  DISPID id = 0;
  ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id));
  EXPECT_EQ(id, 1);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  Variant result;
  ASSERT_HRESULT_SUCCEEDED(
      dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.out(), nullptr, nullptr));
  EXPECT_EQ(stringsOf(result.get()).size(), shippedPackages().size());
}

TEST_F(ThermoSystemTest, UnknownOrMissingPackageNameIsAnInvalidArgument) {
  for (const wchar_t* name : {L"No Such Package", L"", L"Natural Gas "}) {
    Bstr packageName(name);
    IDispatch* package = reinterpret_cast<IDispatch*>(1);
    EXPECT_EQ(system->ResolvePropertyPackage(packageName.get(), &package), ECapeInvalidArgumentHR)
        << support::narrow(name);
    EXPECT_EQ(package, nullptr);
  }
  IDispatch* package = nullptr;
  EXPECT_EQ(system->ResolvePropertyPackage(nullptr, &package), ECapeInvalidArgumentHR);
  Bstr known(L"Natural Gas");
  EXPECT_EQ(system->ResolvePropertyPackage(known.get(), nullptr), E_POINTER);
}

TEST_F(ThermoSystemTest, EveryShippedPackageResolvesCaseInsensitivelyToAFreshObject) {
  for (const auto& definition : shippedPackages()) {
    const std::wstring name = support::widen(definition.name);
    auto first = resolve(name.c_str());
    std::wstring upper = name;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    auto second = resolve(upper.c_str());
    ASSERT_TRUE(first && second) << definition.name;
    EXPECT_NE(first.Get(), second.Get());
    ComPtr<ICapeIdentification> identification;
    ASSERT_HRESULT_SUCCEEDED(first.As(&identification));
    Bstr shown, description;
    ASSERT_HRESULT_SUCCEEDED(identification->get_ComponentName(shown.out()));
    ASSERT_HRESULT_SUCCEEDED(identification->get_ComponentDescription(description.out()));
    EXPECT_EQ(support::narrow(shown.c_str()), definition.name);
    EXPECT_EQ(support::narrow(description.c_str()), definition.description);
  }
}

// --- a package ---

TEST_F(ThermoSystemTest, ComponentListMatchesTheCompoundData) {
  const auto data = componentsByCas();
  for (const auto& definition : shippedPackages()) {
    // these two spoil their lists on purpose (tested with the faults)
    if (definition.misbehaviour == prcore::Misbehaviour::HugeBoilingPoints ||
        definition.misbehaviour == prcore::Misbehaviour::DuplicateIds)
      continue;
    auto package = resolve(support::widen(definition.name).c_str());
    ASSERT_TRUE(package);
    Variant ids, formulae, names, boiling, weights, cas;
    ids.get().vt = VT_I4;  // whatever the caller held is replaced
    ASSERT_HRESULT_SUCCEEDED(package->GetComponentList(&ids.get(), formulae.out(), names.out(), boiling.out(),
                                                       weights.out(), cas.out()));
    const auto casList = stringsOf(cas.get());
    EXPECT_EQ(casList, definition.compounds) << definition.name;
    const auto idList = stringsOf(ids.get()), formulaList = stringsOf(formulae.get()),
               nameList = stringsOf(names.get());
    const auto tbList = doublesOf(boiling.get()), mwList = doublesOf(weights.get());
    ASSERT_EQ(idList.size(), casList.size());
    ASSERT_EQ(formulaList.size(), casList.size());
    ASSERT_EQ(nameList.size(), casList.size());
    ASSERT_EQ(tbList.size(), casList.size());
    ASSERT_EQ(mwList.size(), casList.size());
    for (size_t i = 0; i < casList.size(); ++i) {
      const auto row = data.find(casList[i]);
      ASSERT_NE(row, data.end()) << casList[i];
      EXPECT_EQ(idList[i], row->second.name);
      EXPECT_EQ(nameList[i], row->second.name);
      EXPECT_EQ(formulaList[i], row->second.formula);
      EXPECT_EQ(mwList[i], row->second.mw) << casList[i];
      EXPECT_EQ(tbList[i], row->second.tb) << casList[i];
    }
  }
}

TEST_F(ThermoSystemTest, NaturalGasListsKnownCompoundsInFileOrder) {
  auto package = resolve(L"Natural Gas");
  ASSERT_TRUE(package);
  Variant ids, formulae, names, boiling, weights, cas;
  ASSERT_HRESULT_SUCCEEDED(
      package->GetComponentList(ids.out(), formulae.out(), names.out(), boiling.out(), weights.out(), cas.out()));
  const auto casList = stringsOf(cas.get());
  ASSERT_EQ(casList.size(), 14u);
  EXPECT_EQ(casList[0], "7727-37-9");
  EXPECT_EQ(casList[3], "74-82-8");
  EXPECT_EQ(casList[13], "7732-18-5");
  EXPECT_EQ(stringsOf(ids.get())[3], "methane");
  EXPECT_EQ(stringsOf(formulae.get())[3], "CH4");
  EXPECT_DOUBLE_EQ(doublesOf(weights.get())[3], 16.04246);
  EXPECT_EQ(package->GetComponentList(ids.out(), formulae.out(), nullptr, boiling.out(), weights.out(), cas.out()),
            E_POINTER);
}

TEST_F(ThermoSystemTest, PhaseAndPropertyListsAreThoseOfTheDefinition) {
  for (const auto& definition : shippedPackages()) {
    auto package = resolve(support::widen(definition.name).c_str());
    ASSERT_TRUE(package);
    Variant phases, properties;
    ASSERT_HRESULT_SUCCEEDED(package->GetPhaseList(phases.out()));
    ASSERT_HRESULT_SUCCEEDED(package->GetPropList(properties.out()));
    EXPECT_EQ(stringsOf(phases.get()), definition.phases) << definition.name;
    EXPECT_EQ(stringsOf(properties.get()), definition.properties) << definition.name;
  }
  auto kvalues = resolve(L"K-values Only");
  ASSERT_TRUE(kvalues);
  Variant properties, phases;
  ASSERT_HRESULT_SUCCEEDED(kvalues->GetPropList(properties.out()));
  ASSERT_HRESULT_SUCCEEDED(kvalues->GetPhaseList(phases.out()));
  EXPECT_EQ(stringsOf(properties.get()), std::vector<std::string>{"kvalues"});
  EXPECT_EQ(stringsOf(phases.get()), (std::vector<std::string>{"Vapor", "Liquid", "Overall"}));
  EXPECT_EQ(kvalues->GetPhaseList(nullptr), E_POINTER);
}

TEST_F(ThermoSystemTest, UtilitiesOfAPackage) {
  auto package = resolve(L"Natural Gas");
  ASSERT_TRUE(package);
  ComPtr<ICapeUtilities> utilities;
  ASSERT_HRESULT_SUCCEEDED(package.As(&utilities));
  EXPECT_EQ(utilities->Initialize(), S_OK);
  EXPECT_EQ(utilities->Edit(), S_OK);
  EXPECT_EQ(utilities->Terminate(), S_OK);
}

TEST_F(ThermoSystemTest, MaterialObjectMembersCheckTheirOutPointers) {
  auto package = resolve(L"Natural Gas");
  ASSERT_TRUE(package);
  Variant empty;
  EXPECT_EQ(package->GetComponentConstant(nullptr, empty.get(), nullptr), E_POINTER);
  EXPECT_EQ(package->GetUniversalConstant(nullptr, empty.get(), nullptr), E_POINTER);
  EXPECT_EQ(package->PropCheck(nullptr, empty.get(), nullptr), E_POINTER);
  EXPECT_EQ(package->ValidityCheck(nullptr, empty.get(), nullptr), E_POINTER);
}

}  // namespace
