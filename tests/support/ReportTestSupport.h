#pragma once
// Shared by the reporting tests: captured message boxes, a private local application-data
// folder for the test process, and small file helpers.
#include <windows.h>

#include <string>
#include <vector>

#include "tests/common/MessageSink.h"

namespace report_test {

// Boxes handed to the process's message sink, oldest first, narrow texts; the hook is called
// inside the sink for every box (e.g. to write a trace line while one is being written).
using Box = test_sink::NarrowBox;
inline const std::vector<Box> boxes() { return test_sink::narrowBoxes(); }
using test_sink::clearBoxes;
using test_sink::setBoxHook;

// Points FOLDERID_LocalAppData of this process at folder (existing or not) by overriding
// HKEY_CURRENT_USER with a volatile private key; the override and the key end with the object.
class LocalAppDataRedirect {
 public:
  explicit LocalAppDataRedirect(const std::string& folder);
  LocalAppDataRedirect(const LocalAppDataRedirect&) = delete;
  LocalAppDataRedirect& operator=(const LocalAppDataRedirect&) = delete;
  ~LocalAppDataRedirect();
  bool ok() const { return m_ok; }

 private:
  std::wstring m_keyPath;
  bool m_ok = false;
};

// A fresh empty folder under the process's temp folder, removed with its contents at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* name);
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

bool exists(const std::string& path);
bool isFolder(const std::string& path);
// Whole file read in text mode ("" when missing).
std::string readText(const std::string& path);
bool writeText(const std::string& path, const std::string& text);
void removeTree(const std::string& path);
bool makeFolder(const std::string& path);

// Sets (or with null removes) a variable of the process environment for a scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value);
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment();

 private:
  std::wstring m_name;
  std::wstring m_old;
  bool m_had;
};

}  // namespace report_test
