#pragma once
// One case of the host counterpart with the product's extension in it, driven as the host does:
// Initialize (selection or recall), the component page (the case's components selected, the
// page closed so the extension imports them), the basis change, then the calculations through
// the extension's raw-pointer interface.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "counterparts/hostrun/Case.h"
#include "counterparts/host/OrvexHost.h"
#include "OvHost.h"
#include "support/Raii.h"

namespace hostrun {

class Session {
 public:
  explicit Session(const Case& c);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // A new case: the package is chosen (the case's or the user's), its components imported.
  bool startNew(std::string& error);
  // A recalled case: the host variables come from the save file, then the extension is
  // initialised as recalling and its own save text given back.
  bool startRecalled(const std::string& savePath, std::string& error);
  // Saves the host variables and the extension's save text to path.
  bool save(const std::string& path, std::string& error);
  void terminate();

  // The host fluid package's components in host order (names) and the feed in that order.
  const std::vector<std::wstring>& hostComponents() const { return m_hostNames; }
  const std::vector<double>& feed() const { return m_feed; }
  int count() const { return static_cast<int>(m_feed.size()); }
  std::wstring packageName();
  // The extension's answer in its initialisation record: it can calculate liquid-liquid equilibria.
  bool canCalculateLLE() const { return m_initialised && m_record.CanCalculateLLE != VARIANT_FALSE; }

  ExtnPropertyPackage* package() const { return m_package.Get(); }
  ExtensionObject* extension() const { return m_extension.Get(); }
  orvexhost::Host& host() { return *m_host; }

  // Host variables through the host's own objects.
  std::vector<std::wstring> texts(const wchar_t* name);
  std::wstring text(const wchar_t* name);
  HRESULT putReals(const wchar_t* name, const std::vector<double>& values);

 private:
  bool createExtension(std::string& error);
  bool initialize(VARIANT_BOOL recalling, std::string& error);
  // Marks the case's components selected, closes the component page and ends the basis change.
  bool importComponents(std::string& error);
  bool readHostBasis(std::string& error);
  bool restoreFluidPackage(std::string& error);
  support::ComPtr<IDispatch> variableObject(const wchar_t* name);

  const Case& m_case;
  std::unique_ptr<orvexhost::Host> m_host;
  support::ComPtr<ExtnContainer> m_container;
  support::ComPtr<ExtnPropertyPackage> m_package;
  support::ComPtr<ExtensionObject> m_extension;
  ExtnPackageInitRecord m_record{};
  bool m_initialised = false;
  std::vector<std::wstring> m_hostNames;
  std::vector<double> m_feed;
};

std::string hresultText(HRESULT hr);

}  // namespace hostrun
