// The CAPE-OPEN error object and the error utilities through COM: creation by class id, every
// field read back through each ECape interface and through IDispatch, and the description of
// errors held by objects, also by objects that cannot tell.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "CoErrors.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace {

using Lines = std::vector<std::wstring>;

// The texts of a VARIANT holding a list of strings; none when it holds something else.
Lines linesIn(const VARIANT& v) {
  Lines lines;
  if (v.vt != (VT_ARRAY | VT_BSTR)) return lines;
  LONG lb = 0, ub = -1;
  SafeArrayGetLBound(v.parray, 1, &lb);
  SafeArrayGetUBound(v.parray, 1, &ub);
  for (LONG i = lb; i <= ub; ++i) {
    Bstr text;
    if (SUCCEEDED(SafeArrayGetElement(v.parray, &i, text.out()))) lines.push_back(text.c_str());
  }
  return lines;
}

class CoErrors : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(m_apartment.result())); }

  template <class I>
  static ComPtr<I> create(REFCLSID clsid) {
    ComPtr<I> object;
    EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(I),
                                     reinterpret_cast<void**>(object.GetAddressOf())));
    return object;
  }

  template <class I>
  static ComPtr<I> as(IUnknown* object) {
    ComPtr<I> face;
    EXPECT_EQ(S_OK, object->QueryInterface(__uuidof(I), reinterpret_cast<void**>(face.GetAddressOf())));
    return face;
  }

  // A bad-argument error as the material object raises it, with every field filled.
  static ComPtr<ICapeErrorObject> badArgument() {
    ComPtr<ICapeErrorObject> error = create<ICapeErrorObject>(CLSID_CapeError);
    if (!error) return error;
    Bstr operation(L"GetProp"), description(L"Argument cannot be empty"), face(L"ICapeThermoMaterialObject");
    EXPECT_EQ(static_cast<HRESULT>(ECapeBadArgumentHR),
              error->SetError(operation.get(), description.get(), ECapeBadArgumentHR, 100, face.get()));
    Bstr scope(L"Material object"), more(L"Phase name missing");
    EXPECT_EQ(S_OK, error->put_Scope(scope.get()));
    EXPECT_EQ(S_OK, error->put_MoreInfo(more.get()));
    EXPECT_EQ(S_OK, error->SetPosition(2));
    return error;
  }

  static Variant holding(IUnknown* object) {
    Variant v;
    if (object) {
      ComPtr<IDispatch> dispatch = as<IDispatch>(object);
      v.get().vt = VT_DISPATCH;
      v.get().pdispVal = dispatch.Detach();
    }
    return v;
  }

  static Lines linesOf(const VARIANT& v) {
    EXPECT_EQ(VT_ARRAY | VT_BSTR, v.vt);
    if (v.vt == (VT_ARRAY | VT_BSTR)) {
      EXPECT_EQ(1u, SafeArrayGetDim(v.parray));
    }
    return linesIn(v);
  }

  static Lines describe(const wchar_t* doing, IUnknown* object, HRESULT code) {
    ComPtr<ICapeErrorUtils> utils = create<ICapeErrorUtils>(CLSID_CapeErrorUtilities);
    if (!utils) return {};
    Bstr doingText(doing);
    Variant held = holding(object);
    Variant lines;
    EXPECT_EQ(S_OK, utils->DescribeError(doingText.get(), held.get(), code, lines.out()));
    return linesOf(lines.get());
  }

  // A property read through IDispatch::Invoke by name.
  static HRESULT invokeGet(IDispatch* dispatch, const wchar_t* name, Variant& result) {
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    DISPID id = 0;
    HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) return hr;
    DISPPARAMS noArgs = {};
    return dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, result.out(), nullptr, nullptr);
  }

 private:
  support::ComApartment m_apartment;
};

// An error object of another maker: ECapeRoot and ECapeUser, some fields unreadable or empty.
class PartialError : public comkit::Object<comkit::Dual<ECapeRoot, &LIBID_CAPEOPEN100>,
                                           comkit::Dual<ECapeUser, &LIBID_CAPEOPEN100>> {
 public:
  STDMETHODIMP get_name(BSTR* name) override { return give(L"ECapeComputation", name); }
  STDMETHODIMP get_code(LONG* code) override {
    *code = 0;
    return S_OK;
  }
  STDMETHODIMP get_description(BSTR* description) override { return give(L"No convergence", description); }
  STDMETHODIMP get_scope(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_interfaceName(BSTR* name) override { return give(L"", name); }
  STDMETHODIMP get_operation(BSTR* operation) override {
    *operation = nullptr;  // a null BSTR is an empty text
    return S_OK;
  }
  STDMETHODIMP get_moreInfo(BSTR*) override { return E_FAIL; }

 private:
  static HRESULT give(const wchar_t* text, BSTR* out) {
    *out = SysAllocString(text);
    return S_OK;
  }
};

std::wstring registeredServer(REFCLSID clsid) {
  wchar_t guid[40];
  StringFromGUID2(clsid, guid, 40);
  std::wstring key = std::wstring(L"CLSID\\") + guid + L"\\InprocServer32";
  wchar_t path[MAX_PATH] = {};
  DWORD size = sizeof(path);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, path, &size) != ERROR_SUCCESS) {
    return L"";
  }
  return path;
}

bool endsWithNoCase(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() &&
         CompareStringOrdinal(text.c_str() + text.size() - end.size(), -1, end.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// ---------------------------------------------------------------------------------------------

TEST_F(CoErrors, BothClassesComeFromTheRegisteredCounterpartDll) {
  for (const CLSID* clsid : {&CLSID_CapeErrorUtilities, &CLSID_CapeError}) {
    EXPECT_TRUE(endsWithNoCase(registeredServer(*clsid), L"\\CoErrors.dll")) << registeredServer(*clsid).c_str();
  }
  EXPECT_TRUE(create<ICapeErrorUtils>(CLSID_CapeErrorUtilities));
  ComPtr<ICapeErrorObject> error = create<ICapeErrorObject>(CLSID_CapeError);
  ASSERT_TRUE(error);
  // The error object answers the CAPE-OPEN error interfaces a package reads.
  for (const IID* iid : {&__uuidof(ECapeRoot), &__uuidof(ECapeUser), &__uuidof(ECapeUnknown),
                         &__uuidof(ECapeBadArgument), &IID_IErrorInfo, &IID_ISupportErrorInfo}) {
    ComPtr<IUnknown> face;
    EXPECT_EQ(S_OK, error->QueryInterface(*iid, reinterpret_cast<void**>(face.GetAddressOf())));
  }
}

TEST_F(CoErrors, EveryFieldReadsBackThroughTheCapeInterfaces) {
  ComPtr<ICapeErrorObject> error = badArgument();
  ASSERT_TRUE(error);
  Bstr text;
  ASSERT_EQ(S_OK, as<ECapeRoot>(error.Get())->get_name(text.out()));
  EXPECT_STREQ(L"ECapeBadArgument", text.c_str());

  ComPtr<ECapeUser> user = as<ECapeUser>(error.Get());
  LONG code = 0;
  EXPECT_EQ(S_OK, user->get_code(&code));
  EXPECT_EQ(static_cast<LONG>(ECapeBadArgumentHR), code);
  struct Field {
    HRESULT (STDMETHODCALLTYPE ECapeUser::*get)(BSTR*);
    const wchar_t* expected;
  };
  for (const Field& field : {Field{&ECapeUser::get_description, L"Argument cannot be empty"},
                             Field{&ECapeUser::get_scope, L"Material object"},
                             Field{&ECapeUser::get_interfaceName, L"ICapeThermoMaterialObject"},
                             Field{&ECapeUser::get_operation, L"GetProp"},
                             Field{&ECapeUser::get_moreInfo, L"Phase name missing"}}) {
    EXPECT_EQ(S_OK, (user.Get()->*field.get)(text.out()));
    EXPECT_STREQ(field.expected, text.c_str());
    EXPECT_EQ(E_POINTER, (user.Get()->*field.get)(nullptr));
  }
  short position = 0;
  EXPECT_EQ(S_OK, as<ECapeBadArgument>(error.Get())->get_position(&position));
  EXPECT_EQ(2, position);
  EXPECT_EQ(E_POINTER, as<ECapeBadArgument>(error.Get())->get_position(nullptr));

  LONG level = 0;
  EXPECT_EQ(S_OK, error->get_Level(&level));
  EXPECT_EQ(100, level);
}

TEST_F(CoErrors, EveryFieldReadsBackThroughIDispatch) {
  ComPtr<ICapeErrorObject> error = badArgument();
  ASSERT_TRUE(error);
  ComPtr<ECapeUser> user = as<ECapeUser>(error.Get());
  struct Field {
    const wchar_t* name;
    const wchar_t* expected;
  };
  for (const Field& field : {Field{L"description", L"Argument cannot be empty"}, Field{L"scope", L"Material object"},
                             Field{L"interfaceName", L"ICapeThermoMaterialObject"}, Field{L"operation", L"GetProp"},
                             Field{L"moreInfo", L"Phase name missing"}}) {
    Variant value;
    ASSERT_EQ(S_OK, invokeGet(user.Get(), field.name, value)) << field.name;
    ASSERT_EQ(VT_BSTR, value.vt());
    EXPECT_STREQ(field.expected, value.get().bstrVal);
  }
  Variant code;
  ASSERT_EQ(S_OK, invokeGet(user.Get(), L"code", code));
  ASSERT_EQ(VT_I4, code.vt());
  EXPECT_EQ(static_cast<LONG>(ECapeBadArgumentHR), code.get().lVal);

  Variant name;
  ASSERT_EQ(S_OK, invokeGet(as<ECapeRoot>(error.Get()).Get(), L"name", name));
  ASSERT_EQ(VT_BSTR, name.vt());
  EXPECT_STREQ(L"ECapeBadArgument", name.get().bstrVal);

  Variant position;
  ASSERT_EQ(S_OK, invokeGet(as<ECapeBadArgument>(error.Get()).Get(), L"position", position));
  ASSERT_EQ(VT_I2, position.vt());
  EXPECT_EQ(2, position.get().iVal);

  // The object's own interface is the default IDispatch and is described by its own library.
  Variant level;
  ASSERT_EQ(S_OK, invokeGet(as<IDispatch>(error.Get()).Get(), L"Level", level));
  EXPECT_EQ(100, level.get().lVal);
}

TEST_F(CoErrors, SettingAFailureRaisesItAsErrorInfoAndClearForgetsIt) {
  ComPtr<ICapeErrorObject> error = badArgument();
  ASSERT_TRUE(error);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(S_OK, GetErrorInfo(0, info.GetAddressOf()));
  Bstr text;
  EXPECT_EQ(S_OK, info->GetDescription(text.out()));
  EXPECT_STREQ(L"Argument cannot be empty", text.c_str());
  EXPECT_EQ(S_OK, info->GetSource(text.out()));
  EXPECT_STREQ(L"ICapeThermoMaterialObject", text.c_str());
  // The error information is the error object itself, so a package reaches its ECape fields.
  EXPECT_EQ(S_OK, as<ECapeUser>(info.Get())->get_operation(text.out()));
  EXPECT_STREQ(L"GetProp", text.c_str());
  EXPECT_EQ(S_OK, as<ISupportErrorInfo>(error.Get())->InterfaceSupportsErrorInfo(__uuidof(ICapeErrorObject)));

  VARIANT_BOOL set = VARIANT_FALSE;
  EXPECT_EQ(S_OK, error->get_IsSet(&set));
  EXPECT_EQ(VARIANT_TRUE, set);
  EXPECT_EQ(S_OK, error->Clear());
  EXPECT_EQ(S_OK, error->get_IsSet(&set));
  EXPECT_EQ(VARIANT_FALSE, set);
  short position = -1;
  EXPECT_EQ(S_OK, as<ECapeBadArgument>(error.Get())->get_position(&position));
  EXPECT_EQ(0, position);
  EXPECT_EQ(S_OK, as<ECapeUser>(error.Get())->get_description(text.out()));
  EXPECT_STREQ(L"", text.c_str());
}

TEST_F(CoErrors, SetErrorHandsBackTheCodeAndNamesItsKind) {
  ComPtr<ICapeErrorObject> error = create<ICapeErrorObject>(CLSID_CapeError);
  ASSERT_TRUE(error);
  Bstr text;
  // Null texts are empty texts.
  EXPECT_EQ(static_cast<HRESULT>(ECapeUnknownHR), error->SetError(nullptr, nullptr, ECapeUnknownHR, 100, nullptr));
  EXPECT_EQ(S_OK, as<ECapeUser>(error.Get())->get_operation(text.out()));
  EXPECT_STREQ(L"", text.c_str());
  EXPECT_EQ(S_OK, as<ECapeRoot>(error.Get())->get_name(text.out()));
  EXPECT_STREQ(L"ECapeUnknown", text.c_str());
  // A code outside the CAPE-OPEN list is still an unknown CAPE-OPEN error to a package.
  EXPECT_EQ(E_FAIL, error->SetError(nullptr, nullptr, E_FAIL, 1, nullptr));
  EXPECT_EQ(S_OK, as<ECapeRoot>(error.Get())->get_name(text.out()));
  EXPECT_STREQ(L"ECapeUnknown", text.c_str());
  EXPECT_EQ(E_POINTER, as<ECapeRoot>(error.Get())->get_name(nullptr));
  // A success code sets nothing to raise.
  EXPECT_EQ(S_OK, error->SetError(nullptr, nullptr, S_OK, 1, nullptr));
  VARIANT_BOOL set = VARIANT_TRUE;
  EXPECT_EQ(S_OK, error->get_IsSet(&set));
  EXPECT_EQ(VARIANT_FALSE, set);
}

TEST_F(CoErrors, DescribesAnErrorHeldByAnObjectLineByLine) {
  ComPtr<ICapeErrorObject> error = badArgument();
  ASSERT_TRUE(error);
  const Lines expected = {
      L"ECapeBadArgument (0x80040505) while reading a property",
      L"Description: Argument cannot be empty",
      L"Scope: Material object",
      L"Interface: ICapeThermoMaterialObject",
      L"Operation: GetProp",
      L"More information: Phase name missing",
      L"Argument position: 2",
  };
  EXPECT_EQ(expected, describe(L"reading a property", error.Get(), ECapeBadArgumentHR));

  // The same error as one text, one line each.
  ComPtr<ICapeErrorUtils> utils = create<ICapeErrorUtils>(CLSID_CapeErrorUtilities);
  Bstr doing(L"reading a property"), text;
  Variant held = holding(error.Get());
  ASSERT_EQ(S_OK, utils->DescribeErrorText(doing.get(), held.get(), ECapeBadArgumentHR, text.out()));
  std::wstring joined;
  for (const std::wstring& line : expected) joined += (joined.empty() ? L"" : L"\n") + line;
  EXPECT_EQ(joined, text.c_str());
}

TEST_F(CoErrors, FieldsAnObjectCannotGiveReadAsSoundLines) {
  ComPtr<ECapeRoot> partial;
  ASSERT_EQ(S_OK, comkit::createInstance<PartialError>(nullptr, __uuidof(ECapeRoot),
                                                        reinterpret_cast<void**>(partial.GetAddressOf())));
  const Lines expected = {
      L"ECapeComputation (0x8004050B)",
      L"Description: No convergence",
      L"Scope: not available",
      L"Interface: not given",
      L"Operation: not given",
      L"More information: not available",
  };
  EXPECT_EQ(expected, describe(L"", partial.Get(), ECapeComputationHR));
  // A bad-argument code on an object without ECapeBadArgument.
  Lines lines = describe(nullptr, partial.Get(), ECapeBadArgumentHR);
  ASSERT_EQ(7u, lines.size());
  EXPECT_EQ(L"Argument position: not available", lines[6]);
}

TEST_F(CoErrors, ObjectsWithoutErrorInterfacesAreDescribedWithoutFailing) {
  ComPtr<ICapeErrorUtils> other = create<ICapeErrorUtils>(CLSID_CapeErrorUtilities);
  ASSERT_TRUE(other);
  const Lines expected = {
      L"ECapeUnknown (0x80040501) while calculating",
      L"Description: not available",
      L"Scope: not available",
      L"Interface: not available",
      L"Operation: not available",
      L"More information: not available",
  };
  EXPECT_EQ(expected, describe(L"calculating", other.Get(), ECapeUnknownHR));
  // No object at all, and a code that is no CAPE-OPEN code.
  Lines lines = describe(L"calculating", nullptr, E_FAIL);
  ASSERT_EQ(6u, lines.size());
  EXPECT_EQ(L"Error (0x80004005) while calculating", lines[0]);
  EXPECT_EQ(L"Description: not available", lines[1]);

  ComPtr<ICapeErrorUtils> utils = create<ICapeErrorUtils>(CLSID_CapeErrorUtilities);
  Variant none;
  VARIANT_BOOL holds = VARIANT_TRUE;
  EXPECT_EQ(S_OK, utils->HoldsCapeError(holding(other.Get()).get(), &holds));
  EXPECT_EQ(VARIANT_FALSE, holds);
  EXPECT_EQ(S_OK, utils->HoldsCapeError(none.get(), &holds));
  EXPECT_EQ(VARIANT_FALSE, holds);
  Bstr description(L"stale");
  EXPECT_EQ(S_OK, utils->ErrorDescription(none.get(), description.out()));
  EXPECT_STREQ(L"", description.c_str());
  EXPECT_EQ(E_POINTER, utils->DescribeError(nullptr, none.get(), ECapeUnknownHR, nullptr));
  EXPECT_EQ(E_POINTER, utils->DescribeErrorText(nullptr, none.get(), ECapeUnknownHR, nullptr));
}

TEST_F(CoErrors, UtilitiesNameTheCapeOpenCodes) {
  ComPtr<ICapeErrorUtils> utils = create<ICapeErrorUtils>(CLSID_CapeErrorUtilities);
  ASSERT_TRUE(utils);
  Bstr text;
  EXPECT_EQ(S_OK, utils->ErrorName(ECapeSolvingErrorHR, text.out()));
  EXPECT_STREQ(L"ECapeSolvingError", text.c_str());
  EXPECT_EQ(S_OK, utils->ErrorName(ECapeHessianInfoNotAvailableHR, text.out()));
  EXPECT_STREQ(L"ECapeHessianInfoNotAvailable", text.c_str());
  EXPECT_EQ(E_INVALIDARG, utils->ErrorName(0x8004051A, text.out()));
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(S_OK, GetErrorInfo(0, info.GetAddressOf()));
  EXPECT_EQ(S_OK, info->GetDescription(text.out()));
  EXPECT_STREQ(L"The code is not a CAPE-OPEN error code", text.c_str());

  LONG code = 0;
  Bstr name(L"ecapebadargument");
  EXPECT_EQ(S_OK, utils->ErrorCodeOf(name.get(), &code));
  EXPECT_EQ(static_cast<LONG>(ECapeBadArgumentHR), code);
  Bstr unknown(L"ECapeNothing");
  EXPECT_EQ(S_OK, utils->ErrorCodeOf(unknown.get(), &code));
  EXPECT_EQ(0, code);

  VARIANT_BOOL isCape = VARIANT_FALSE;
  EXPECT_EQ(S_OK, utils->IsCapeError(0x80040501, &isCape));
  EXPECT_EQ(VARIANT_TRUE, isCape);
  EXPECT_EQ(S_OK, utils->IsCapeError(0x80040500, &isCape));
  EXPECT_EQ(VARIANT_FALSE, isCape);
  EXPECT_EQ(S_OK, utils->IsCapeError(0x8004051A, &isCape));
  EXPECT_EQ(VARIANT_FALSE, isCape);

  EXPECT_EQ(S_OK, utils->ErrorInterfaceId(ECapeBadArgumentHR, text.out()));
  EXPECT_STREQ(L"{E29E42B3-E481-45C6-A737-78F4A7FC0391}", text.c_str());
  EXPECT_EQ(S_OK, utils->ErrorInterfaceId(ECapeUnknownHR, text.out()));
  EXPECT_STREQ(L"{678C0B12-7D66-11D2-A67D-00105A42887F}", text.c_str());
}

// What the extension does: the eighth method of the utilities through IDispatch by DISPID.
TEST_F(CoErrors, DescribeErrorAnswersThroughIDispatch) {
  ComPtr<ICapeErrorObject> error = badArgument();
  ComPtr<ICapeErrorUtils> utils = create<ICapeErrorUtils>(CLSID_CapeErrorUtilities);
  ASSERT_TRUE(error && utils);
  Variant args[3];  // reversed: code, object, doing
  args[0].get().vt = VT_I4;
  args[0].get().lVal = ECapeBadArgumentHR;
  args[1] = holding(error.Get());
  args[2].get().vt = VT_BSTR;
  args[2].get().bstrVal = SysAllocString(L"reading");
  VARIANT raw[3] = {args[0].get(), args[1].get(), args[2].get()};
  DISPPARAMS params = {raw, nullptr, 3, 0};
  Variant result;
  ASSERT_EQ(S_OK, utils->Invoke(8, IID_NULL, 0, DISPATCH_METHOD, &params, result.out(), nullptr, nullptr));
  Lines lines = linesOf(result.get());
  ASSERT_EQ(7u, lines.size());
  EXPECT_EQ(L"ECapeBadArgument (0x80040505) while reading", lines[0]);
  EXPECT_EQ(L"Operation: GetProp", lines[4]);
}

// From a multithreaded apartment the apartment-threaded components live in another apartment:
// every call goes through the type library marshaler of the registered libraries.
TEST(CoErrorsAcrossApartments, ErrorAndDescriptionTravelThroughProxies) {
  Lines lines;
  HRESULT setResult = S_OK;
  std::wstring description;
  std::thread worker([&] {
    support::ComApartment mta(COINIT_MULTITHREADED);
    ASSERT_TRUE(SUCCEEDED(mta.result()));
    ComPtr<ICapeErrorObject> error;
    ComPtr<ICapeErrorUtils> utils;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CapeError, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ICapeErrorObject),
                                     reinterpret_cast<void**>(error.GetAddressOf())));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CapeErrorUtilities, nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(ICapeErrorUtils), reinterpret_cast<void**>(utils.GetAddressOf())));
    Bstr operation(L"CalcProp"), text(L"Phase not supported"), face(L"ICapeThermoPropertyPackage");
    setResult = error->SetError(operation.get(), text.get(), ECapeUnknownHR, 100, face.get());
    ComPtr<ECapeUser> user;
    ASSERT_EQ(S_OK, error.As(&user));
    Bstr read;
    ASSERT_EQ(S_OK, user->get_description(read.out()));
    description = read.c_str();
    Variant held;
    held.get().vt = VT_DISPATCH;
    held.get().pdispVal = error.Get();
    error->AddRef();
    Bstr doing(L"calculating");
    Variant result;
    ASSERT_EQ(S_OK, utils->DescribeError(doing.get(), held.get(), ECapeUnknownHR, result.out()));
    lines = linesIn(result.get());
  });
  worker.join();
  EXPECT_EQ(static_cast<HRESULT>(ECapeUnknownHR), setResult);
  EXPECT_EQ(L"Phase not supported", description);
  const Lines expected = {
      L"ECapeUnknown (0x80040501) while calculating",
      L"Description: Phase not supported",
      L"Scope: not given",
      L"Interface: ICapeThermoPropertyPackage",
      L"Operation: CalcProp",
      L"More information: not given",
  };
  EXPECT_EQ(expected, lines);
}

}  // namespace
