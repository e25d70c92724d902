#pragma once
// The category browser: lists the registered Thermo Systems and their packages, takes the
// host's choice, and creates the chosen system and package.
#include <windows.h>

#include <string>
#include <vector>

#include "counterparts/browser/BrowserRecord.h"
#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "OvShowCOCATIDs.h"
#include "support/Raii.h"

namespace browser {

// Where ShowSelection takes its choice from (see README.md): the environment variable, or the
// file that the second one names. The text is "<system>|<package>" or "cancel".
constexpr wchar_t kChoiceVariable[] = L"ORVEX_BROWSER_CHOICE";
constexpr wchar_t kChoiceFileVariable[] = L"ORVEX_BROWSER_CHOICE_FILE";

class Browser final
    : public comkit::Object<comkit::Dual<IShowCOCATIDs, &LIBID_OvShowCOCATIDs>, IBrowserRecord> {
 public:
  STDMETHODIMP ShowSelection(VARIANT_BOOL* accepted, long* dialogResult) override;
  STDMETHODIMP GetPackageName(BSTR* packageName) override;
  STDMETHODIMP GetPackageAlias(BSTR* packageAlias) override;
  STDMETHODIMP GetSystemName(BSTR* systemName) override;
  STDMETHODIMP GetSystemAlias(BSTR* systemAlias) override;
  STDMETHODIMP SetRecalling(VARIANT_BOOL recalling) override;
  STDMETHODIMP CreatePackage(IDispatch** propertyPackage, IDispatch** thermoSystem) override;
  STDMETHODIMP InitBrowser(long ownerWindow, IDispatch* hostContainer, long options) override;
  STDMETHODIMP SetNames(BSTR packageName, BSTR systemName) override;
  STDMETHODIMP ReleaseObjects() override;
  STDMETHODIMP SetAliases(BSTR packageAlias, BSTR systemAlias) override;
  STDMETHODIMP GetState(BSTR* state) override;
  STDMETHODIMP SetState(BSTR state) override;
  STDMETHODIMP AddReportLine(BSTR text, VARIANT_BOOL lineComplete) override;
  STDMETHODIMP SetKitVersion(BSTR version) override;

#define BROWSER_RESERVED(n) \
  STDMETHODIMP Reserved##n() override { return record(L"Reserved" #n, L"", E_NOTIMPL); }
  BROWSER_RESERVED(2) BROWSER_RESERVED(5) BROWSER_RESERVED(8) BROWSER_RESERVED(9) BROWSER_RESERVED(10)
  BROWSER_RESERVED(11) BROWSER_RESERVED(14) BROWSER_RESERVED(18) BROWSER_RESERVED(22) BROWSER_RESERVED(23)
  BROWSER_RESERVED(24) BROWSER_RESERVED(25) BROWSER_RESERVED(26) BROWSER_RESERVED(27) BROWSER_RESERVED(28)
  BROWSER_RESERVED(29) BROWSER_RESERVED(30) BROWSER_RESERVED(32) BROWSER_RESERVED(33) BROWSER_RESERVED(34)
  BROWSER_RESERVED(35)
#undef BROWSER_RESERVED

  // IBrowserRecord
  STDMETHODIMP Calls(BSTR* lines) override;
  STDMETHODIMP ReportText(BSTR* text) override;

 private:
  HRESULT record(const wchar_t* method, const std::wstring& arguments, HRESULT result);
  HRESULT select(const std::wstring& choice, VARIANT_BOOL* accepted, long* dialogResult);
  HRESULT choose(const std::wstring& systemText, const std::wstring& package);
  void cancel();

  std::wstring m_packageName, m_systemName, m_packageAlias, m_systemAlias;
  std::wstring m_state, m_kitVersion, m_report;
  std::vector<std::wstring> m_calls;
  support::ComPtr<IDispatch> m_host;
  support::ComPtr<IDispatch> m_package;
  support::ComPtr<ICapeThermoSystem> m_system;
};

}  // namespace browser
