// CVBSimuCont through COM: the diagnostic calls without and with a callback, the callback's
// failures reaching the caller, the callback held while kept, and the error-interface stubs.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "OvDiagnostic.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

using support::Bstr;
using support::ComPtr;

namespace {

// The host's callback: records what it is asked to show and log, and can be told to fail.
class RecordingCallback final : public OvDiagnosticCallback {
 public:
  std::vector<std::wstring> popups;
  std::vector<std::wstring> logs;
  HRESULT answer = S_OK;
  const wchar_t* failureText = nullptr;  // error information left with a failing answer
  HRESULT queryAnswer = S_OK;             // what a query for the diagnostic interface gives

  ULONG refs() const { return m_refs.load(); }
  // The context holds the callback: it is told to let go before the callback leaves the stack.
  IVBSimuCont* attachedTo = nullptr;
  ~RecordingCallback() {
    if (attachedTo) attachedTo->put_SimContextCallback(nullptr);
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == __uuidof(OvDiagnosticCallback)) {
      if (FAILED(queryAnswer)) return queryAnswer;
      *ppv = static_cast<OvDiagnosticCallback*>(this);
    } else if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
  STDMETHODIMP_(ULONG) Release() override { return --m_refs; }

  // Only vtable calls are expected from the context.
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  STDMETHODIMP PopUpMessage(BSTR message) override { return record(popups, message); }
  STDMETHODIMP LogMessage(BSTR message) override { return record(logs, message); }

 private:
  HRESULT record(std::vector<std::wstring>& into, BSTR message) {
    into.push_back(message ? message : L"");
    if (failureText) leaveErrorInfo(failureText);
    return answer;
  }
  static void leaveErrorInfo(const wchar_t* text) {
    ComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(S_OK, CreateErrorInfo(create.GetAddressOf()));
    create->SetDescription(const_cast<LPOLESTR>(text));
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, create.As(&info));
    SetErrorInfo(0, info.Get());
  }

  std::atomic<ULONG> m_refs{1};  // the test's own, on the stack
};

class SimulationContext : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(m_apartment.result()));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VBSimuCont, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IVBSimuCont),
                                     reinterpret_cast<void**>(context.GetAddressOf())));
    ASSERT_EQ(S_OK, context.As(&diagnostic));
  }
  void TearDown() override {
    // The context may outlive a callback only without using it again.
    if (context) context->put_SimContextCallback(nullptr);
  }

  HRESULT log(const wchar_t* text) {
    Bstr message(text);
    return diagnostic->LogMessage(message.get());
  }
  HRESULT popUp(const wchar_t* text) {
    Bstr message(text);
    return diagnostic->PopUpMessage(message.get());
  }
  HRESULT attach(RecordingCallback& callback) {
    callback.attachedTo = context.Get();
    return context->put_SimContextCallback(static_cast<IDispatch*>(&callback));
  }

  static std::wstring errorInfoText() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.GetAddressOf()) != S_OK) return L"<none>";
    Bstr text;
    info->GetDescription(text.out());
    return text.c_str();
  }

  support::ComApartment m_apartment;
  ComPtr<IVBSimuCont> context;
  ComPtr<ICapeDiagnostic> diagnostic;
};

TEST_F(SimulationContext, WithoutCallbackBothDiagnosticsFail) {
  EXPECT_EQ(E_FAIL, log(L"Flash did not converge"));
  EXPECT_EQ(E_FAIL, popUp(L"Flash did not converge"));
  // Removing a callback that was never set is no failure.
  EXPECT_EQ(S_OK, context->put_SimContextCallback(nullptr));
  EXPECT_EQ(E_FAIL, log(L"again"));
}

TEST_F(SimulationContext, AnObjectWithoutTheDiagnosticInterfaceLeavesNoCallback) {
  RecordingCallback recorder;
  ASSERT_EQ(S_OK, attach(recorder));
  ComPtr<IDispatch> plain;  // a dispatch object that is no diagnostic callback
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_TPropPack, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(plain.GetAddressOf())));
  EXPECT_EQ(S_OK, context->put_SimContextCallback(plain.Get()));
  EXPECT_EQ(E_FAIL, log(L"lost"));
  EXPECT_TRUE(recorder.logs.empty());
}

TEST_F(SimulationContext, ForwardsMessagesToTheCallbackWithExactTexts) {
  RecordingCallback recorder;
  ASSERT_EQ(S_OK, attach(recorder));
  EXPECT_EQ(S_OK, popUp(L"Property package: missing binary parameters"));
  EXPECT_EQ(S_OK, log(L"Using ideal gas for the vapour"));
  EXPECT_EQ(S_OK, log(L""));
  EXPECT_EQ(std::vector<std::wstring>{L"Property package: missing binary parameters"}, recorder.popups);
  EXPECT_EQ((std::vector<std::wstring>{L"Using ideal gas for the vapour", L""}), recorder.logs);
  // The callback's own success code is handed on.
  recorder.answer = S_FALSE;
  EXPECT_EQ(S_FALSE, log(L"noted"));
}

TEST_F(SimulationContext, DiagnosticsThroughIDispatchReachTheCallback) {
  RecordingCallback recorder;
  ASSERT_EQ(S_OK, attach(recorder));
  wchar_t name[] = L"LogMessage";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  ASSERT_EQ(S_OK, diagnostic->GetIDsOfNames(IID_NULL, names, 1, 0, &id));
  support::Variant arg;
  arg.get().vt = VT_BSTR;
  arg.get().bstrVal = SysAllocString(L"from a late-bound package");
  DISPPARAMS params = {&arg.get(), nullptr, 1, 0};
  EXPECT_EQ(S_OK, diagnostic->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::vector<std::wstring>{L"from a late-bound package"}, recorder.logs);
}

TEST_F(SimulationContext, TheCallbacksFailureAndErrorInfoReachTheCaller) {
  RecordingCallback recorder;
  ASSERT_EQ(S_OK, attach(recorder));
  recorder.answer = 0x80040501;
  recorder.failureText = L"Trace window is closed";
  EXPECT_EQ(static_cast<HRESULT>(0x80040501), log(L"first"));
  EXPECT_EQ(L"Trace window is closed", errorInfoText());

  recorder.answer = E_ACCESSDENIED;
  recorder.failureText = L"No desktop";
  EXPECT_EQ(E_ACCESSDENIED, popUp(L"second"));
  EXPECT_EQ(L"No desktop", errorInfoText());

  // A failure without error information leaves none behind, not a stale one.
  recorder.failureText = nullptr;
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(E_ACCESSDENIED, log(L"third"));
  EXPECT_EQ(L"<none>", errorInfoText());
  EXPECT_EQ((std::vector<std::wstring>{L"first", L"third"}), recorder.logs);
}

// A package may log after the host let go of its callback: the context keeps its own reference
// for as long as it keeps the callback, and returns it when the callback is replaced or cleared.
TEST_F(SimulationContext, TheCallbackIsHeldWhileKept) {
  RecordingCallback recorder;
  const ULONG before = recorder.refs();
  ASSERT_EQ(S_OK, attach(recorder));
  EXPECT_EQ(before + 1, recorder.refs());
  recorder.Release();  // the host lets go
  EXPECT_EQ(S_OK, log(L"still reached"));
  EXPECT_EQ((std::vector<std::wstring>{L"still reached"}), recorder.logs);
  recorder.AddRef();
  RecordingCallback second;
  ASSERT_EQ(S_OK, attach(second));
  EXPECT_EQ(before, recorder.refs()) << "the replaced callback is returned";
  EXPECT_EQ(before + 1, second.refs());
  EXPECT_EQ(S_OK, log(L"to the second"));
  EXPECT_TRUE(recorder.logs.size() == 1 && second.logs.size() == 1);
  ASSERT_EQ(S_OK, context->put_SimContextCallback(nullptr));
  EXPECT_EQ(before, second.refs());
}

TEST_F(SimulationContext, AFailingQueryIsRaisedAndLeavesNoCallback) {
  RecordingCallback recorder;
  recorder.queryAnswer = E_UNEXPECTED;
  EXPECT_EQ(E_UNEXPECTED, attach(recorder));
  EXPECT_EQ(E_FAIL, log(L"nowhere"));
  EXPECT_TRUE(recorder.logs.empty());
  EXPECT_EQ(1u, recorder.refs()) << "nothing held";
}

TEST_F(SimulationContext, ReadingTheCallbackSucceedsWithoutExposingIt) {
  RecordingCallback recorder;
  ASSERT_EQ(S_OK, attach(recorder));
  IDispatch* out = reinterpret_cast<IDispatch*>(&recorder);
  EXPECT_EQ(S_OK, context->get_SimContextCallback(&out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(E_POINTER, context->get_SimContextCallback(nullptr));
}

TEST_F(SimulationContext, ErrorInterfaceStubsAnswerNotImplemented) {
  ComPtr<ECapeUser> user;
  ASSERT_EQ(S_OK, context.As(&user));
  Bstr text;
  LONG code = 7;
  EXPECT_EQ(E_NOTIMPL, user->get_code(&code));
  EXPECT_EQ(E_POINTER, user->get_code(nullptr));
  for (auto get : {&ECapeUser::get_description, &ECapeUser::get_scope, &ECapeUser::get_interfaceName,
                   &ECapeUser::get_operation, &ECapeUser::get_moreInfo}) {
    EXPECT_EQ(E_NOTIMPL, (user.Get()->*get)(text.out()));
    EXPECT_EQ(E_POINTER, (user.Get()->*get)(nullptr));
  }
  ComPtr<ECapeRoot> root;
  ASSERT_EQ(S_OK, context.As(&root));
  EXPECT_EQ(E_NOTIMPL, root->get_name(text.out()));
  EXPECT_EQ(E_POINTER, root->get_name(nullptr));

  ComPtr<ECapeBadArgument> bad;
  ASSERT_EQ(S_OK, context.As(&bad));
  short position = 0;
  EXPECT_EQ(E_NOTIMPL, bad->get_position(&position));
  EXPECT_EQ(E_POINTER, bad->get_position(nullptr));

  ComPtr<ECapeBadCOParameter> parameter;
  ASSERT_EQ(S_OK, context.As(&parameter));
  EXPECT_EQ(E_NOTIMPL, parameter->get_parameterName(text.out()));
  EXPECT_EQ(E_POINTER, parameter->get_parameterName(nullptr));
  IDispatch* object = nullptr;
  EXPECT_EQ(E_NOTIMPL, parameter->get_parameter(&object));
  EXPECT_EQ(nullptr, object);
  EXPECT_EQ(E_POINTER, parameter->get_parameter(nullptr));

  ComPtr<ECapeBadInvOrder> order;
  ASSERT_EQ(S_OK, context.As(&order));
  EXPECT_EQ(E_NOTIMPL, order->get_requestedOperation(text.out()));
  EXPECT_EQ(E_POINTER, order->get_requestedOperation(nullptr));

  for (const IID* iid : {&__uuidof(ECapeData), &__uuidof(ECapeImplementation), &__uuidof(ECapeInvalidArgument),
                         &__uuidof(ECapeNoImpl), &__uuidof(ECapeUnknown), &__uuidof(ICapeSimulationContext)}) {
    ComPtr<IUnknown> face;
    EXPECT_EQ(S_OK, context->QueryInterface(*iid, reinterpret_cast<void**>(face.GetAddressOf())));
  }
}

// The callback's library is registered, and it leaves the marshaling of the interface id it
// shares with ICapeDiagnostic to the CAPE-OPEN library.
TEST_F(SimulationContext, CallbackLibraryIsRegisteredWithoutTakingOverTheInterface) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_OrvexDiagnostic, 1, 0, LOCALE_NEUTRAL, library.GetAddressOf()));
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(__uuidof(OvDiagnosticCallback), info.GetAddressOf()));
  wchar_t key[] = L"Interface\\{678C0A9D-0100-11D2-A67D-00105A42887F}\\TypeLib";
  wchar_t value[64] = {};
  DWORD size = sizeof(value);
  ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, value, &size));
  EXPECT_STREQ(L"{4A5E2E81-C093-11D4-9F1B-0010A4D198C2}", value);
}

}  // namespace
