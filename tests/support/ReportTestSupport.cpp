#include "tests/support/ReportTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "support/Raii.h"
#include "support/Text.h"

namespace report_test {

namespace {

using Key = support::RegKey;

struct FileCloser {
  void operator()(FILE* f) const noexcept { fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

Key createVolatileKey(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr))
    return Key();
  return Key(key);
}

constexpr wchar_t kExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";

std::filesystem::path fsPath(const std::string& path) { return std::filesystem::path(support::widen(path)); }

}  // namespace

LocalAppDataRedirect::LocalAppDataRedirect(const std::string& folder) {
  static int count = 0;
  m_keyPath = L"Software\\QuellmarReportTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++count);
  Key root = createVolatileKey(HKEY_CURRENT_USER, m_keyPath);
  if (!root) return;
  // Both keys must exist: the shell writes the resolved path to "Shell Folders".
  Key userFolders = createVolatileKey(root.get(), std::wstring(kExplorerKey) + L"User Shell Folders");
  Key shellFolders = createVolatileKey(root.get(), std::wstring(kExplorerKey) + L"Shell Folders");
  if (!userFolders || !shellFolders) return;
  const std::wstring value = support::widen(folder);
  if (RegSetValueExW(userFolders.get(), L"Local AppData", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))))
    return;
  m_ok = RegOverridePredefKey(HKEY_CURRENT_USER, root.get()) == ERROR_SUCCESS;
}

LocalAppDataRedirect::~LocalAppDataRedirect() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (!m_keyPath.empty()) RegDeleteTreeW(HKEY_CURRENT_USER, m_keyPath.c_str());
}

ScratchFolder::ScratchFolder(const char* name) {
  wchar_t temp[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  m_path = support::narrow(temp, length) + "quellmar-report-" + std::to_string(GetCurrentProcessId()) + "-" + name;
  removeTree(m_path);
  makeFolder(m_path);
}

ScratchFolder::~ScratchFolder() { removeTree(m_path); }

bool exists(const std::string& path) { return GetFileAttributesW(support::widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesW(support::widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string readText(const std::string& path) {
  File file(_wfopen(support::widen(path).c_str(), L"rt"));
  std::string text;
  if (!file) return text;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file.get())) > 0) text.append(chunk, n);
  return text;
}

bool writeText(const std::string& path, const std::string& text) {
  File file(_wfopen(support::widen(path).c_str(), L"wt"));
  return file && fwrite(text.data(), 1, text.size(), file.get()) == text.size();
}

void removeTree(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove_all(fsPath(path), ignored);
}

bool makeFolder(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(fsPath(path), ignored);
  return isFolder(path);
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value) : m_name(support::widen(name)) {
  std::vector<wchar_t> old(32768);
  DWORD length = GetEnvironmentVariableW(m_name.c_str(), old.data(), static_cast<DWORD>(old.size()));
  m_had = length > 0 && length < old.size();
  if (m_had) m_old.assign(old.data(), length);
  SetEnvironmentVariableW(m_name.c_str(), value ? support::widen(value).c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }

}  // namespace report_test
