#pragma once
// Shared by the error-object tests: captured message boxes, the trace lines written during a
// test, and small in-test COM objects standing in for the package and the error components.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/CCOError.h"
#include "tests/common/MessageSink.h"
#include "tests/hostidl/DualObject.h"

namespace errors_test {

// Boxes handed to the executable's message sink (any thread), oldest first, narrow texts.
using Box = test_sink::NarrowBox;
inline const std::vector<Box> boxes() { return test_sink::narrowBoxes(); }
using test_sink::clearBoxes;

// The trace file's text written after construction.
class TraceWatch {
 public:
  TraceWatch();
  std::string added() const;
  // Trace lines written (each starts with the module's header).
  int lines() const;

 private:
  size_t m_start;
};

// COM, a clean box list and a trace watch for each test.
class ErrorTest : public ::testing::Test {
 protected:
  ErrorTest() { clearBoxes(); }
  support::ComApartment m_apartment;
  TraceWatch m_trace;
};

// An error object whose host notice is only counted.
class TestError : public CCOError {
 public:
  explicit TestError(const UtilsFactory& utils = noUtils()) : CCOError(1e-30, utils) {}
  HRESULT notifyHost() override {
    ++notices;
    return S_OK;
  }
  static UtilsFactory noUtils() {
    return [](ICapeErrorUtils**) { return REGDB_E_CLASSNOTREG; };
  }
  int notices = 0;
};

// The package as the error object sees it: its name.
class FakePackage : public DualObject<ICapeIdentification> {
 public:
  explicit FakePackage(const wchar_t* name);
  HRESULT STDMETHODCALLTYPE get_ComponentName(BSTR* name) override;
  HRESULT STDMETHODCALLTYPE put_ComponentName(BSTR name) override;
  HRESULT STDMETHODCALLTYPE get_ComponentDescription(BSTR* desc) override;
  HRESULT STDMETHODCALLTYPE put_ComponentDescription(BSTR desc) override;
  std::vector<DWORD> askedOn;  // threads that read the name

 private:
  std::wstring m_name;
};

// The error utilities: DescribeError answers two lines (or fails with error information).
class FakeUtils : public DualObject<ICapeErrorUtils> {
 public:
  FakeUtils();
  HRESULT STDMETHODCALLTYPE ErrorName(LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ErrorCodeOf(BSTR, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsCapeError(LONG, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ErrorInterfaceId(LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE HoldsCapeError(VARIANT, VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ErrorDescription(VARIANT, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DescribeErrorText(BSTR, VARIANT, LONG, BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DescribeError(BSTR doing, VARIANT object, LONG code, VARIANT* lines) override;
  ULONG STDMETHODCALLTYPE Release() override;

  bool fail = false;            // DescribeError fails with error information "no description"
  bool throwOnRelease = false;  // the last Release throws
  int describeCalls = 0;
  std::wstring doing;
  LONG code = 0;
  IDispatch* object = nullptr;  // not held
};

// The CAPE-OPEN error component: records what it is given.
class FakeCapeError : public DualObject<ICapeErrorObject> {
 public:
  FakeCapeError();
  HRESULT STDMETHODCALLTYPE get_Code(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Level(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_IsSet(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetError(BSTR operation, BSTR description, LONG code, LONG level,
                                     BSTR interfaceName) override;
  HRESULT STDMETHODCALLTYPE put_Scope(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPosition(short position) override;
  HRESULT STDMETHODCALLTYPE put_MoreInfo(BSTR) override { return E_NOTIMPL; }

  std::wstring operation, description, interfaceName;
  LONG code = 0, level = 0;
  short position = 0;
};

// A one-dimensional VT_BSTR array VARIANT of the texts.
support::Variant stringList(const std::vector<std::wstring>& items);
bool startsWith(const std::string& s, const std::string& prefix);
bool endsWith(const std::string& s, const std::string& suffix);
// Error information as a component hands it out (null when the platform refuses).
support::ComPtr<IErrorInfo> makeErrorInfo(const wchar_t* description, const wchar_t* source);
// The text of the one box shown since the last clearBoxes (a test failure when not exactly one).
std::string onlyBox();

}  // namespace errors_test
