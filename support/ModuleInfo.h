#pragma once
// Facts about the module the product runs in: where its DLL lies, its file version, and the
// platform's text for the last error. Failures are shown in a message box and give an empty
// result; nothing is thrown.
#include <windows.h>

#include <map>
#include <string>

namespace support {

// Full path of the loaded module of that name (the setModuleName name when null); "" on failure.
std::string getDllPath(const char* moduleName = nullptr);
// Folder of the product's own module, without the trailing "\"; computed once and kept.
std::string getDllDirectory();
// The next getDllDirectory looks the directory up again (after the module name changed).
void forgetDllDirectory();

struct FileVersion {
  int part[4] = {0, 0, 0, 0};                  // major, minor, third, fourth of "FileVersion"
  std::map<std::string, std::string> strings;  // the standard version strings that are present
};
// Reads the version resource of the module (the own module when null); false (all zeros) when
// it cannot be read.
bool getFileVersion(const char* moduleName, FileVersion& out);
// "%d.%d.%d build %d" of the module's version, "" when it cannot be read.
std::string versionString(const char* moduleName = nullptr);

// Stores handle in out. When the handle is null (or, with failWhenNone false, when it is not),
// shows text + ": " + systemErrorText() captioned with the module name and returns E_FAIL;
// otherwise 0.
HRESULT checkHandleValue(const void* handle, const char* text, bool failWhenNone);
template <class H>
HRESULT checkHandle(H& out, H handle, const char* text, bool failWhenNone = true) {
  out = handle;
  return checkHandleValue(handle, text, failWhenNone);
}

// The platform's message for the calling thread's last error (at most 2399 characters).
std::string systemErrorText();
// The platform's message for a code in the given language (0: the platform's choice), without
// its line end, at most max characters; "" when the platform has none.
std::string systemMessage(DWORD code, DWORD language = 0, size_t max = 2399);

// Writes one trace line per timed method. Method timing is not collected, so the table is
// empty and nothing is written.
void saveTimings();
// Profiling markers around a host method; they record nothing.
inline void methodStart(const char* /*name*/) {}
inline void methodEnd(const char* /*name*/) {}

// The two markers around the scope of one method.
class MethodMark {
 public:
  explicit MethodMark(const char* name) : m_name(name) { methodStart(name); }
  ~MethodMark() { methodEnd(m_name); }
  MethodMark(const MethodMark&) = delete;
  MethodMark& operator=(const MethodMark&) = delete;

 private:
  const char* m_name;
};

}  // namespace support
