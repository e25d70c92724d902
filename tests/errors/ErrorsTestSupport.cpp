#include "tests/errors/ErrorsTestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Trace.h"

namespace errors_test {

namespace {

// The trace file is named after the module: this executable's own name keeps it apart.
constexpr char kModule[] = "test_errors.exe";
const bool g_named = support::setModuleName(kModule);

std::string traceText() {
  // Text mode: the file ends its lines with CR LF.
  std::ifstream in(support::widen(support::traceFilePath()).c_str());
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

}  // namespace

TraceWatch::TraceWatch() : m_start(g_named ? traceText().size() : 0) {}

std::string TraceWatch::added() const {
  const std::string all = traceText();
  return all.size() > m_start ? all.substr(m_start) : std::string();
}

int TraceWatch::lines() const {
  const std::string header = std::string(": ") + support::moduleBaseName() + ": ";
  const std::string text = added();
  int count = 0;
  for (size_t at = text.find(header); at != std::string::npos; at = text.find(header, at + 1)) ++count;
  return count;
}

FakePackage::FakePackage(const wchar_t* name) : DualObject(LIBID_CAPEOPEN100), m_name(name) {}

HRESULT FakePackage::get_ComponentName(BSTR* name) {
  askedOn.push_back(GetCurrentThreadId());
  *name = SysAllocString(m_name.c_str());
  return S_OK;
}
HRESULT FakePackage::put_ComponentName(BSTR name) {
  m_name = name ? name : L"";
  return S_OK;
}
HRESULT FakePackage::get_ComponentDescription(BSTR* desc) {
  *desc = SysAllocString(L"");
  return S_OK;
}
HRESULT FakePackage::put_ComponentDescription(BSTR) { return E_NOTIMPL; }

FakeUtils::FakeUtils() : DualObject(LIBID_CapeErrorComponents) {}

HRESULT FakeUtils::DescribeError(BSTR doingText, VARIANT target, LONG errorCode, VARIANT* lines) {
  ++describeCalls;
  doing = doingText ? doingText : L"";
  code = errorCode;
  object = target.vt == VT_DISPATCH ? target.pdispVal : nullptr;
  if (fail) {
    support::ComPtr<ICreateErrorInfo> create;
    support::ComPtr<IErrorInfo> info;
    CreateErrorInfo(&create);
    create->SetDescription(const_cast<LPOLESTR>(L"no description"));
    create->SetSource(const_cast<LPOLESTR>(L"utils"));
    create.As(&info);
    SetErrorInfo(0, info.Get());
    return E_UNEXPECTED;
  }
  VariantInit(lines);
  support::Variant list = stringList({L"ECapeUnknown while " + doing, L"Description: it broke"});
  *lines = list.detach();
  return S_OK;
}

ULONG FakeUtils::Release() {
  if (throwOnRelease) {
    throwOnRelease = false;  // leaked: the error object must survive the throw
    throw std::runtime_error("release");
  }
  return DualObject::Release();
}

FakeCapeError::FakeCapeError() : DualObject(LIBID_CapeErrorComponents) {}

HRESULT FakeCapeError::SetError(BSTR op, BSTR desc, LONG errorCode, LONG errorLevel, BSTR itf) {
  operation = op ? op : L"";
  description = desc ? desc : L"";
  interfaceName = itf ? itf : L"";
  code = errorCode;
  level = errorLevel;
  return errorCode;
}

HRESULT FakeCapeError::SetPosition(short argumentPosition) {
  position = argumentPosition;
  return S_OK;
}

support::Variant stringList(const std::vector<std::wstring>& items) {
  support::Variant list;
  support::SetGet::CreateReuse(list.get(), VT_BSTR, static_cast<long>(items.size()));
  for (size_t i = 0; i < items.size(); ++i)
    support::SetGet::putString(list.get(), static_cast<long>(i), SysAllocString(items[i].c_str()));
  return list;
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

support::ComPtr<IErrorInfo> makeErrorInfo(const wchar_t* description, const wchar_t* source) {
  support::ComPtr<ICreateErrorInfo> create;
  support::ComPtr<IErrorInfo> info;
  if (FAILED(CreateErrorInfo(&create))) return info;
  create->SetDescription(const_cast<LPOLESTR>(description));
  create->SetSource(const_cast<LPOLESTR>(source));
  create.As(&info);
  return info;
}

std::string onlyBox() {
  const std::vector<Box> shown = boxes();
  EXPECT_EQ(shown.size(), 1u);
  return shown.size() == 1 ? shown[0].text : std::string();
}

}  // namespace errors_test
