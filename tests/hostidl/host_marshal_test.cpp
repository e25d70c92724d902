// Stand-in host objects living in one apartment, called from another through the global
// interface table, as the extension's CAPE-OPEN thread calls the real host: every call the
// extension makes on the container and what it reaches must survive the type library marshaler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/hostidl/DualObject.h"
#include "tests/hostidl/HostSlots.h"
#include "OvHost.h"

namespace {

using support::Bstr;
using support::ComPtr;
using support::Variant;

// What the host side received, and on which thread.
struct HostLog {
  std::vector<DWORD> threads;
  std::wstring alias;
  std::wstring traceText;
  unsigned traceFlag = 0;
  long traceExtra = 0;
  long solverValue = -1;
  std::wstring variableAsked;
  Variant stored;
  bool prepared = false;
  std::wstring shown;
  std::wstring refreshed;

  void called() { threads.push_back(GetCurrentThreadId()); }
};

template <class Itf>
class HostObject : public DualObject<Itf> {
 public:
  explicit HostObject(HostLog& log) : DualObject<Itf>(LIBID_OrvexHost), m_log(log) {}

 protected:
  HostLog& log() {
    m_log.called();
    return m_log;
  }

 private:
  HostLog& m_log;
};

template <class T, class Out>
HRESULT handOut(HostLog& log, Out** out) {
  if (!out) return E_POINTER;
  *out = makeObject<T>(log).Detach();
  return S_OK;
}

class FakeSolver : public HostObject<HostSolver> {
 public:
  using HostObject::HostObject;
  HOST_SOLVER_RESERVED_SLOTS
  HRESULT STDMETHODCALLTYPE put_Enabled(LONG enabled) override {
    log().solverValue = enabled;
    return S_OK;
  }
};

class FakeCase : public HostObject<HostCase> {
 public:
  using HostObject::HostObject;
  HOST_CASE_RESERVED_SLOTS
  HRESULT STDMETHODCALLTYPE get_Solver(HostSolver** solver) override {
    return handOut<FakeSolver>(log(), solver);
  }
};

class FakeTextArray : public HostObject<ExtnTextArrayVariable> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_Value(VARIANT* values) override {
    return VariantCopy(values, &log().stored.get());
  }
  HRESULT STDMETHODCALLTYPE put_Value(VARIANT values) override {
    return VariantCopy(log().stored.out(), &values);
  }
  HRESULT STDMETHODCALLTYPE get_IsSet(VARIANT_BOOL* isSet) override {
    *isSet = (log().stored.vt() & VT_ARRAY) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
};

class FakeVariableDefinition : public HostObject<ExtnVariableDefinition> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
    *name = SysAllocString(log().variableAsked.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_IsUsable(VARIANT_BOOL* usable) override {
    *usable = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Variable(IDispatch** variable) override {
    return handOut<FakeTextArray>(log(), variable);
  }
};

class FakeDefinition : public HostObject<ExtnDefinition> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE FindVariable(BSTR name, ExtnVariableDefinition** definition) override {
    log().variableAsked = name ? name : L"";
    return handOut<FakeVariableDefinition>(log(), definition);
  }
};

class FakeFluidPackage : public HostObject<HostFluidPackage> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
    log();
    *name = SysAllocString(L"Basis-1");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Components(HostComponents**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_HypoGroup(HostHypoGroup**) override { return E_NOTIMPL; }
};

class FakeFluidPackageHolder : public HostObject<HostFluidPackageHolder> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_FluidPackage(IDispatch** fluidPackage) override {
    return handOut<FakeFluidPackage>(log(), fluidPackage);
  }
};

class FakeView : public HostObject<ExtnView> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE Prepare() override {
    log().prepared = true;
    return S_OK;
  }
};

class FakeViewHolder : public HostObject<ExtnViewHolder> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_View(ExtnView** view) override { return handOut<FakeView>(log(), view); }
};

class FakeContainer : public HostObject<ExtnContainer> {
 public:
  using HostObject::HostObject;
  HRESULT STDMETHODCALLTYPE get_ComponentCount(LONG* count) override {
    log();
    *count = 3;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPackageAlias(BSTR alias) override {
    log().alias = alias ? alias : L"";
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Save() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ExtensionDefinition(ExtnDefinition** definition) override {
    return handOut<FakeDefinition>(log(), definition);
  }
  HRESULT STDMETHODCALLTYPE get_Case(HostCase** owningCase) override {
    return handOut<FakeCase>(log(), owningCase);
  }
  HRESULT STDMETHODCALLTYPE WriteTrace(BSTR text, unsigned char flag, LONG extra) override {
    HostLog& l = log();
    l.traceText = text ? text : L"";
    l.traceFlag = flag;
    l.traceExtra = extra;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_FluidPackageHolder(IDispatch** holder) override {
    return handOut<FakeFluidPackageHolder>(log(), holder);
  }
  HRESULT STDMETHODCALLTYPE get_Views(ExtnViewHolder** views) override {
    return handOut<FakeViewHolder>(log(), views);
  }
  HRESULT STDMETHODCALLTYPE ShowView(BSTR viewName) override {
    log().shown = viewName ? viewName : L"";
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RefreshView(BSTR viewName) override {
    log().refreshed = viewName ? viewName : L"";
    return S_OK;
  }
};

// What the calling apartment saw.
struct CallerSide {
  DWORD thread = 0;
  HRESULT proxy = E_FAIL;
  HRESULT count = E_FAIL;
  long componentCount = 0;
  HRESULT alias = E_FAIL;
  HRESULT trace = E_FAIL;
  HRESULT notify = E_FAIL;
  HRESULT variable = E_FAIL;
  std::vector<std::wstring> readBack;
  VARIANT_BOOL isSet = VARIANT_FALSE;
  HRESULT fluidPackage = E_FAIL;
  std::wstring fluidPackageName;
  HRESULT views = E_FAIL;
};

HRESULT notifyChain(ExtnContainer* container) {
  ComPtr<HostCase> owningCase;
  HRESULT hr = container->get_Case(&owningCase);
  if (FAILED(hr)) return hr;
  ComPtr<HostSolver> solver;
  hr = owningCase->get_Solver(&solver);
  if (FAILED(hr)) return hr;
  return solver->put_Enabled(0);
}

Variant textArray(const std::vector<const wchar_t*>& items) {
  Variant v;
  SAFEARRAY* sa = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(items.size()));
  for (LONG i = 0; sa && i < static_cast<LONG>(items.size()); ++i) {
    Bstr item(items[i]);
    SafeArrayPutElement(sa, &i, item.get());
  }
  v.get().vt = VT_ARRAY | VT_BSTR;
  v.get().parray = sa;
  return v;
}

std::vector<std::wstring> textsOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (v.vt != (VT_ARRAY | VT_BSTR) || !v.parray) return out;
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(v.parray, 1, &lower);
  SafeArrayGetUBound(v.parray, 1, &upper);
  for (LONG i = lower; i <= upper; ++i) {
    Bstr item;
    SafeArrayGetElement(v.parray, &i, item.out());
    out.push_back(item.c_str());
  }
  return out;
}

HRESULT variableRoundTrip(ExtnContainer* container, CallerSide& side) {
  ComPtr<ExtnDefinition> definition;
  HRESULT hr = container->get_ExtensionDefinition(&definition);
  if (FAILED(hr)) return hr;
  ComPtr<ExtnVariableDefinition> declared;
  hr = definition->FindVariable(Bstr(L"SelectedCompIds").get(), &declared);
  if (FAILED(hr)) return hr;
  ComPtr<IDispatch> variable;
  hr = declared->get_Variable(&variable);
  if (FAILED(hr)) return hr;
  ComPtr<ExtnTextArrayVariable> texts;
  hr = variable.As(&texts);
  if (FAILED(hr)) return hr;
  hr = texts->put_Value(textArray({L"water", L"ethanol"}).get());
  if (FAILED(hr)) return hr;
  Variant back;
  hr = texts->get_Value(back.out());
  if (FAILED(hr)) return hr;
  side.readBack = textsOf(back.get());
  return texts->get_IsSet(&side.isSet);
}

HRESULT fluidPackageByQuery(ExtnContainer* container, CallerSide& side) {
  ComPtr<IDispatch> holderObject;
  HRESULT hr = container->get_FluidPackageHolder(&holderObject);
  if (FAILED(hr)) return hr;
  ComPtr<HostFluidPackageHolder> holder;
  hr = holderObject.As(&holder);
  if (FAILED(hr)) return hr;
  ComPtr<IDispatch> packageObject;
  hr = holder->get_FluidPackage(&packageObject);
  if (FAILED(hr)) return hr;
  ComPtr<HostFluidPackage> package;
  hr = packageObject.As(&package);
  if (FAILED(hr)) return hr;
  Bstr name;
  hr = package->get_Name(name.out());
  side.fluidPackageName = name.c_str();
  return hr;
}

HRESULT prepareAndShowViews(ExtnContainer* container) {
  ComPtr<ExtnViewHolder> holder;
  HRESULT hr = container->get_Views(&holder);
  if (FAILED(hr)) return hr;
  ComPtr<ExtnView> view;
  hr = holder->get_View(&view);
  if (FAILED(hr)) return hr;
  hr = view->Prepare();
  if (FAILED(hr)) return hr;
  hr = container->ShowView(Bstr(L"DefaultView").get());
  if (FAILED(hr)) return hr;
  return container->RefreshView(Bstr(L"DefaultView").get());
}

struct Job {
  DWORD cookie = 0;
  CallerSide side;
};

void callThroughProxy(ExtnContainer* container, CallerSide& side) {
  side.count = container->get_ComponentCount(&side.componentCount);
  side.alias = container->SetPackageAlias(Bstr(L"CO-PP alias").get());
  side.trace = container->WriteTrace(Bstr(L"trace line").get(), 1, 7);
  side.notify = notifyChain(container);
  side.variable = variableRoundTrip(container, side);
  side.fluidPackage = fluidPackageByQuery(container, side);
  side.views = prepareAndShowViews(container);
}

DWORD WINAPI callerThread(void* arg) {
  Job& job = *static_cast<Job*>(arg);
  job.side.thread = GetCurrentThreadId();
  support::ComApartment com;
  if (FAILED(com.result())) return 1;
  ComPtr<IGlobalInterfaceTable> git;
  job.side.proxy = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(&git));
  if (FAILED(job.side.proxy)) return 1;
  ComPtr<ExtnContainer> container;
  job.side.proxy = git->GetInterfaceFromGlobal(job.cookie, IID_PPV_ARGS(&container));
  if (SUCCEEDED(job.side.proxy)) callThroughProxy(container.Get(), job.side);
  return 0;
}

// Waits for a thread while serving this apartment's incoming calls.
void waitServing(HANDLE thread) {
  for (;;) {
    DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
    if (r != WAIT_OBJECT_0 + 1) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

}  // namespace

TEST(HostMarshaling, ContainerAndWhatItReachesWorkFromAnotherApartment) {
  support::ComApartment com;
  ASSERT_TRUE(SUCCEEDED(com.result()));
  HostLog log;
  ComPtr<FakeContainer> container = makeObject<FakeContainer>(log);
  ComPtr<IGlobalInterfaceTable> git;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(&git)));
  Job job;
  ASSERT_EQ(S_OK, git->RegisterInterfaceInGlobal(static_cast<ExtnContainer*>(container.Get()),
                                                 __uuidof(ExtnContainer), &job.cookie));
  support::Handle thread(CreateThread(nullptr, 0, callerThread, &job, 0, nullptr));
  ASSERT_TRUE(thread);
  waitServing(thread.get());
  git->RevokeInterfaceFromGlobal(job.cookie);

  const CallerSide& side = job.side;
  ASSERT_EQ(S_OK, side.proxy);
  EXPECT_EQ(S_OK, side.count);
  EXPECT_EQ(3, side.componentCount);
  EXPECT_EQ(S_OK, side.alias);
  EXPECT_EQ(L"CO-PP alias", log.alias);
  EXPECT_EQ(S_OK, side.trace);
  EXPECT_EQ(L"trace line", log.traceText);
  EXPECT_EQ(1u, log.traceFlag);
  EXPECT_EQ(7, log.traceExtra);
  EXPECT_EQ(S_OK, side.notify);
  EXPECT_EQ(0, log.solverValue);
  EXPECT_EQ(S_OK, side.variable);
  EXPECT_EQ(L"SelectedCompIds", log.variableAsked);
  EXPECT_EQ((std::vector<std::wstring>{L"water", L"ethanol"}), side.readBack);
  EXPECT_EQ(VARIANT_TRUE, side.isSet);
  EXPECT_EQ(S_OK, side.fluidPackage);
  EXPECT_EQ(L"Basis-1", side.fluidPackageName);
  EXPECT_EQ(S_OK, side.views);
  EXPECT_TRUE(log.prepared);
  EXPECT_EQ(L"DefaultView", log.shown);
  EXPECT_EQ(L"DefaultView", log.refreshed);

  // Every call ran in the host's apartment, not on the caller's thread.
  ASSERT_FALSE(log.threads.empty());
  for (DWORD t : log.threads) EXPECT_EQ(GetCurrentThreadId(), t);
  EXPECT_NE(GetCurrentThreadId(), side.thread);
}
