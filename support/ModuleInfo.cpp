#include "support/ModuleInfo.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "support/MessageSeam.h"
#include "support/Raii.h"
#include "support/Text.h"
#include "support/Trace.h"

namespace support {

namespace {

constexpr char kNotInitialised[] = "ZERovoz must be initialized with setModuleName(<dllName>)";
// A module path is at most 258 characters (with the terminator 259).
constexpr DWORD kPathBuffer = 259;

constexpr const char* kVersionStrings[] = {
    "Comments",         "CompanyName",     "FileDescription", "FileVersion",
    "InternalName",     "LegalCopyright",  "LegalTrademarks", "OriginalFilename",
    "PrivateBuild",     "ProductName",     "ProductVersion",  "SpecialBuild"};

struct LocalDeleter {
  void operator()(wchar_t* p) const noexcept { LocalFree(p); }
};

// One timed method; the table stays empty because timing is not collected.
struct MethodTiming {
  std::string nesting;
  std::string name;
  int calls;
  int totalTime;
};

const std::vector<MethodTiming>& timingTable() {
  static const std::vector<MethodTiming> table;
  return table;
}

const char* ownModuleName() {
  const char* name = moduleName();
  return *name ? name : nullptr;
}

HMODULE loadedModule(const std::string& name) {
  HMODULE module = nullptr;
  std::string failure = "Error getting the dll path for " + name;
  HMODULE found = GetModuleHandleW(widen(name).c_str());
  return checkHandle(module, found, failure.c_str()) == S_OK ? module : nullptr;
}

std::string modulePath(HMODULE module) {
  wchar_t path[kPathBuffer];
  DWORD length = GetModuleFileNameW(module, path, kPathBuffer);
  if (length == 0 || length >= kPathBuffer) return {};  // a longer path was cut: none
  return narrow(path, length);
}

// "1, 2, 3, 4" or "1.2.3.4": split at "." when there is one, else at ","; missing parts are 0.
void parseFileVersion(const std::string& text, int part[4]) {
  const char separator = text.find('.') != std::string::npos ? '.' : ',';
  size_t start = 0;
  for (int i = 0; i < 4 && start <= text.size(); ++i) {
    size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    part[i] = static_cast<int>(strtol(text.substr(start, end - start).c_str(), nullptr, 10));
    start = end + 1;
  }
}

// The resource key of the first translation: "%08X" of language * 65536 + code page.
bool translationKey(const void* data, std::string& key) {
  struct Translation {
    WORD language;
    WORD codePage;
  };
  void* block = nullptr;
  UINT size = 0;
  if (!VerQueryValueW(data, L"\\VarFileInfo\\Translation", &block, &size) || size < sizeof(Translation)) return false;
  const Translation* first = static_cast<const Translation*>(block);
  key = formatText("%08X", static_cast<unsigned>(first->language) * 65536u + first->codePage);
  return true;
}

void readVersionStrings(const void* data, const std::string& key, std::map<std::string, std::string>& out) {
  for (const char* name : kVersionStrings) {
    std::wstring query = widen(formatText("\\StringFileInfo\\%s\\%s", key.c_str(), name));
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data, query.c_str(), &value, &length) && value && length > 0)
      out[name] = narrow(static_cast<const wchar_t*>(value));
  }
}

bool readVersionResource(const std::string& path, std::vector<BYTE>& data) {
  std::wstring file = widen(path);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return false;
  data.resize(size);
  return GetFileVersionInfoW(file.c_str(), 0, size, data.data()) != FALSE;
}

bool readFileVersion(const char* moduleName, FileVersion& out) {
  std::string path = getDllPath(moduleName);
  std::vector<BYTE> data;
  if (path.empty() || !readVersionResource(path, data)) return false;
  void* fixed = nullptr;
  UINT fixedSize = 0;
  std::string key;
  if (!VerQueryValueW(data.data(), L"\\", &fixed, &fixedSize) || !translationKey(data.data(), key)) return false;
  readVersionStrings(data.data(), key, out.strings);
  auto version = out.strings.find("FileVersion");
  if (version == out.strings.end()) return false;
  parseFileVersion(version->second, out.part);
  return true;
}

CriticalSection& directoryLock() {
  static CriticalSection lock;
  return lock;
}

}  // namespace

std::string getDllPath(const char* name) {
  const char* module = name && *name ? name : ownModuleName();
  if (!module) {
    showMessage(nullptr, kNotInitialised, "", MB_OK);
    return {};
  }
  HMODULE handle = loadedModule(module);
  return handle ? modulePath(handle) : std::string();
}

namespace {
std::string& cachedDirectory() {
  static std::string directory;  // kept once found; a failed look-up is tried again
  return directory;
}
}  // namespace

void forgetDllDirectory() {
  Lock lock(directoryLock());
  cachedDirectory().clear();
}

std::string getDllDirectory() {
  Lock lock(directoryLock());
  std::string& directory = cachedDirectory();
  if (directory.empty()) {
    std::string path = getDllPath();
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos) directory = path.substr(0, slash);
  }
  return directory;
}

bool getFileVersion(const char* moduleName, FileVersion& out) {
  out = FileVersion{};
  if (readFileVersion(moduleName, out)) return true;
  out = FileVersion{};
  return false;
}

std::string versionString(const char* moduleName) {
  FileVersion version;
  if (!getFileVersion(moduleName, version)) return {};
  return formatText("%d.%d.%d build %d", version.part[0], version.part[1], version.part[2], version.part[3]);
}

HRESULT checkHandleValue(const void* handle, const char* text, bool failWhenNone) {
  // Only null is none: (HANDLE)-1 is also the current-process pseudo handle.
  if ((handle == nullptr) != failWhenNone) return S_OK;
  const std::string system = systemErrorText();  // before anything can change the last error
  const std::string message = std::string(text ? text : "") + ": " + system;
  showMessage(nullptr, message.c_str(), moduleName(), MB_OK);
  return E_FAIL;
}

std::string systemErrorText() { return systemMessage(GetLastError()); }

std::string systemMessage(DWORD code, DWORD language, size_t max) {
  wchar_t* raw = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, language, reinterpret_cast<wchar_t*>(&raw), 0, nullptr);
  std::unique_ptr<wchar_t, LocalDeleter> owned(raw);
  if (length == 0 || !raw) return {};
  std::string text = narrow(raw, length);
  text.erase(text.find_last_not_of(" \t\r\n") + 1);
  cutText(text, max);
  return text;
}

void saveTimings() {
  for (const MethodTiming& timing : timingTable()) {
    const double average = timing.calls ? static_cast<double>(timing.totalTime) / timing.calls : 0.0;
    std::string line = formatText("%s%s:%d\tT:%d\tA:%5.3f", timing.nesting.c_str(), timing.name.c_str(),
                                  timing.calls, timing.totalTime, average);
    writeTrace(line.c_str(), nullptr, false, "\n");
  }
}

}  // namespace support
