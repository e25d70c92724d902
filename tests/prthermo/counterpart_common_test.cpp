// What the counterpart DLLs share, tested on its own: the rule a package call follows when it
// fails, the Thermo System shell's codes, and the order in which a late-bound call hands over its
// arguments.
#include <windows.h>
#include <oaidl.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/common/LateBinding.h"
#include "counterparts/common/PackageError.h"
#include "counterparts/common/ThermoSystemShell.h"
#include "support/Raii.h"

namespace {

using support::Bstr;
using support::ComPtr;
using support::Variant;

// ---- The package call rule ----

struct Recorded {
  int calls = 0;
  HRESULT code = S_OK;
  std::wstring text;
};

counterpart::PackageFailure describeAsComputation(const std::exception& e) {
  const std::string what = e.what();
  return {ECapeComputationHR, L"described: " + std::wstring(what.begin(), what.end())};
}

counterpart::PackageFailure describeWithoutMemory(const std::exception&) { throw std::bad_alloc(); }

template <class Body>
HRESULT runRecorded(Recorded& recorded, Body body,
                    counterpart::ExceptionDescriber describe = &describeAsComputation) {
  return counterpart::runPackageCall(
      body,
      [&](HRESULT code, const std::wstring& text) {
        ++recorded.calls;
        recorded.code = code;
        recorded.text = text;
      },
      describe);
}

TEST(PackageCallRule, ASuccessfulBodyReturnsItsOwnCodeAndRecordsNothing) {
  Recorded recorded;
  EXPECT_EQ(S_FALSE, runRecorded(recorded, [] { return S_FALSE; }));
  EXPECT_EQ(0, recorded.calls);
}

TEST(PackageCallRule, AFailureKeepsTheCodeAndTextItWasGiven) {
  Recorded recorded;
  const HRESULT hr =
      runRecorded(recorded, []() -> HRESULT { counterpart::fail(ECapeInvalidArgumentHR, L"phase Solid is not offered"); });
  EXPECT_EQ(ECapeInvalidArgumentHR, hr);
  EXPECT_EQ(1, recorded.calls);
  EXPECT_EQ(ECapeInvalidArgumentHR, recorded.code);
  EXPECT_EQ(L"phase Solid is not offered", recorded.text);
}

TEST(PackageCallRule, NoMemoryIsOutOfResources) {
  Recorded recorded;
  EXPECT_EQ(ECapeOutOfResourcesHR, runRecorded(recorded, []() -> HRESULT { throw std::bad_alloc(); }));
  EXPECT_EQ(ECapeOutOfResourcesHR, recorded.code);
  EXPECT_EQ(L"out of memory", recorded.text);
}

TEST(PackageCallRule, ACppExceptionIsWhatThePackageSaysOfIt) {
  Recorded recorded;
  EXPECT_EQ(ECapeComputationHR, runRecorded(recorded, []() -> HRESULT { throw std::domain_error("T below 0 K"); }));
  EXPECT_EQ(L"described: T below 0 K", recorded.text);
}

TEST(PackageCallRule, AnythingElseIsAnUnexpectedException) {
  Recorded recorded;
  EXPECT_EQ(ECapeUnknownHR, runRecorded(recorded, []() -> HRESULT { throw 42; }));
  EXPECT_EQ(L"unexpected exception", recorded.text);
}

TEST(PackageCallRule, NoMemoryWhileDescribingStillEndsTheCallWithACode) {
  Recorded recorded;
  const HRESULT hr =
      runRecorded(recorded, []() -> HRESULT { throw std::runtime_error("lost"); }, &describeWithoutMemory);
  EXPECT_EQ(ECapeOutOfResourcesHR, hr);
  EXPECT_EQ(1, recorded.calls);
  EXPECT_EQ(ECapeOutOfResourcesHR, recorded.code);
  EXPECT_TRUE(recorded.text.empty());
}

// ---- The Thermo System shell ----

struct DataFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A system whose package making fails the way the test sets.
class ShellSystem : public counterpart::ThermoSystemShell<DataFault> {
 public:
  enum class Resolving { Made, DataFault, OtherFault, NoMemory };
  static Resolving resolving;
  static std::wstring lastName;

  ShellSystem() : ThermoSystemShell({L"Shell System", L"packages of the test"}) {}

 private:
  std::vector<std::string> packageNames() const override { return {"First", "Second"}; }
  HRESULT resolve(BSTR name, IDispatch** out) override {
    lastName = name ? name : L"";
    switch (resolving) {
      case Resolving::DataFault:
        throw DataFault("packages.txt line 3: no compounds");
      case Resolving::OtherFault:
        throw std::logic_error("not a data fault");
      case Resolving::NoMemory:
        throw std::bad_alloc();
      case Resolving::Made:
        break;
    }
    return QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
  }
};
ShellSystem::Resolving ShellSystem::resolving = ShellSystem::Resolving::Made;
std::wstring ShellSystem::lastName;

class ThermoSystemShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShellSystem::resolving = ShellSystem::Resolving::Made;
    ASSERT_EQ(S_OK, comkit::createInstance<ShellSystem>(nullptr, IID_ICapeThermoSystem,
                                                        reinterpret_cast<void**>(m_system.GetAddressOf())));
  }
  HRESULT resolve(const wchar_t* name, ComPtr<IDispatch>& out) {
    out.Reset();
    IDispatch* sentinel = reinterpret_cast<IDispatch*>(static_cast<intptr_t>(1));
    IDispatch* raw = sentinel;
    const HRESULT hr = m_system->ResolvePropertyPackage(Bstr(name).get(), &raw);
    if (raw == sentinel) return E_UNEXPECTED;  // the out pointer must be set on every path
    out.Attach(raw);
    return hr;
  }
  ComPtr<ICapeThermoSystem> m_system;
};

TEST_F(ThermoSystemShellTest, ListsThePackageNamesAsAnArrayOfStrings) {
  Variant list;
  ASSERT_EQ(S_OK, m_system->GetPropertyPackages(list.out()));
  std::vector<std::wstring> names;
  ASSERT_TRUE(counterpart::readWideStrings(list.get(), names));
  EXPECT_EQ((std::vector<std::wstring>{L"First", L"Second"}), names);
  EXPECT_EQ(E_POINTER, m_system->GetPropertyPackages(nullptr));
}

TEST_F(ThermoSystemShellTest, UnreadableDataIsAFailedInitialisationAndOtherFaultsAreUnknown) {
  ComPtr<IDispatch> package;
  EXPECT_EQ(S_OK, resolve(L"First", package));
  EXPECT_TRUE(package);
  EXPECT_EQ(L"First", ShellSystem::lastName);

  ShellSystem::resolving = ShellSystem::Resolving::DataFault;
  EXPECT_EQ(ECapeFailedInitialisationHR, resolve(L"Second", package));
  EXPECT_FALSE(package);
  ShellSystem::resolving = ShellSystem::Resolving::OtherFault;
  EXPECT_EQ(ECapeUnknownHR, resolve(L"Second", package));
  EXPECT_FALSE(package);
  ShellSystem::resolving = ShellSystem::Resolving::NoMemory;
  EXPECT_EQ(E_OUTOFMEMORY, resolve(L"Second", package));
  EXPECT_EQ(E_POINTER, m_system->ResolvePropertyPackage(Bstr(L"First").get(), nullptr));
}

TEST_F(ThermoSystemShellTest, IdentificationKeepsWhatIsWrittenAndANullNameReadsEmpty) {
  ComPtr<ICapeIdentification> identification;
  ASSERT_EQ(S_OK, m_system.As(&identification));
  Bstr name;
  ASSERT_EQ(S_OK, identification->get_ComponentName(name.out()));
  EXPECT_STREQ(L"Shell System", name.c_str());
  ASSERT_EQ(S_OK, identification->put_ComponentDescription(Bstr(L"renamed by the host").get()));
  Bstr description;
  ASSERT_EQ(S_OK, identification->get_ComponentDescription(description.out()));
  EXPECT_STREQ(L"renamed by the host", description.c_str());
  ASSERT_EQ(S_OK, identification->put_ComponentName(nullptr));
  ASSERT_EQ(S_OK, identification->get_ComponentName(name.out()));
  EXPECT_EQ(0u, SysStringLen(name.get()));
  EXPECT_EQ(E_POINTER, identification->get_ComponentName(nullptr));
}

// ---- Late-bound calls ----

// IDispatch that keeps the arguments it was given (DISPPARAMS order) and fails as told.
class RecordingDispatch final : public IDispatch {
 public:
  std::vector<VARTYPE> received;
  HRESULT answer = S_OK;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) ? this : nullptr;
    return *ppv ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO* exception,
                      UINT* argError) override {
    received.clear();
    for (UINT i = 0; i < params->cArgs; ++i) received.push_back(params->rgvarg[i].vt);
    if (answer == DISP_E_EXCEPTION) {
      exception->scode = ECapeInvalidArgumentHR;
      exception->bstrDescription = SysAllocString(L"phase is not known");
      exception->bstrSource = SysAllocString(L"material object");
    }
    if (answer == DISP_E_TYPEMISMATCH) *argError = 1;
    return answer;
  }
};

TEST(LateBinding, ArgumentsGoLastFirstAsDispparamsHoldsThem) {
  RecordingDispatch object;
  Variant text;
  text.get().vt = VT_BSTR;
  text.get().bstrVal = SysAllocString(L"fraction");
  const Variant left = counterpart::omitted(), none = counterpart::null();
  EXPECT_EQ(S_OK, counterpart::invokeInOrder(&object, 7, DISPATCH_METHOD, {text.get(), left.get(), none.get()}, nullptr));
  EXPECT_EQ((std::vector<VARTYPE>{VT_NULL, VT_ERROR, VT_BSTR}), object.received);
  EXPECT_EQ(DISP_E_PARAMNOTFOUND, left.get().scode);
  EXPECT_STREQ(L"fraction", text.get().bstrVal) << "arguments are borrowed, not cleared";
}

TEST(LateBinding, AFailedInvokeTellsItsExceptionAndTheArgumentAtFault) {
  RecordingDispatch object;
  counterpart::InvokeFault fault;
  object.answer = DISP_E_EXCEPTION;
  EXPECT_EQ(DISP_E_EXCEPTION, counterpart::invokeInOrder(&object, 7, DISPATCH_METHOD, {}, nullptr, &fault));
  EXPECT_EQ(ECapeInvalidArgumentHR, fault.scode);
  EXPECT_STREQ(L"phase is not known", fault.description.c_str());
  object.answer = DISP_E_TYPEMISMATCH;
  EXPECT_EQ(DISP_E_TYPEMISMATCH, counterpart::invokeInOrder(&object, 7, DISPATCH_METHOD, {}, nullptr, &fault));
  EXPECT_EQ(1u, fault.argument);
  EXPECT_TRUE(fault.description.empty());
}

}  // namespace
