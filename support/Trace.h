#pragma once
// The trace file (the product's only log), the support library's process-wide settings and the
// module name that names the trace file. A trace failure is shown in a message box and the line
// is lost; it never fails the caller.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace support {

// Process-wide settings of the support library.
struct LibSettings {
  char title[50];              // message-box caption, at most 49 characters
  bool fastStringLength;       // read string lengths from the length prefix
  bool asciiCaseFolding;       // comparison rule of sameText
  bool fallbackNoticePending;  // the trace-folder fallback notice has not been shown yet
};
LibSettings& libSettings();

// Longest line of the trace file including its suffix (the buffer holds one more character).
inline constexpr size_t kTraceLineMax = 2399;

// printf-style formatting into a string of any length ("" when the format fails).
std::string formatText(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)));
// Cuts s to at most max bytes without splitting a UTF-8 character.
void cutText(std::string& s, size_t max);

// Stores the module name (first 259 characters); returns true.
bool setModuleName(const char* name);
// The name set by setModuleName ("" when none was set).
const char* moduleName();
// The module name up to its first ".".
std::string moduleBaseName();

// Keeps the first 49 characters; true when the whole title fitted (at most 48 characters).
bool setTitle(const char* title);
// The caption the adapter gives every message box once its module is loaded (cut to 49).
inline constexpr char kAdapterTitle[] = "Brellan ORVEX CAPE-OPEN Thermo 1.0 Property Package Adapter";

struct FileCloser {
  void operator()(FILE* f) const noexcept { fclose(f); }
};
using TraceFile = std::unique_ptr<FILE, FileCloser>;

// The trace folder (local application data + "\Kelvaro\Brellan ORVEX CAPE-OPEN"), created when
// missing; once it has been made it is not looked at again. Empty (after a message box) on failure.
std::string traceFolder();
// The folder's trace file: "<folder>\<module base name>.trc".
std::string traceFilePath();

// Opens the path for appending, falling back to TEMP (or "c:\temp") with a once-only notice.
TraceFile openTrace(const char* path);

// Writes one line: "<date> <time>: <module>: <prefix>" + text (cut to fit) + suffix, or with
// raw the text alone. False when nothing was written, also when another write is in progress.
bool writeTrace(const char* text, const char* prefix = nullptr, bool raw = false, const char* suffix = nullptr);

// variantToStr / bufferToStr with precision 10, then writeTrace.
bool traceText(const VARIANT& value, const char* prefix = nullptr, const char* suffix = nullptr);
bool traceBuffer(VARTYPE type, const void* buffer, long count, const char* prefix = nullptr,
                 const char* suffix = nullptr);

// The material lines, one per present phase (at most three): "[label, ]V|L, T(K), t, P(Pa), p,
// [Fr, f, ]C, x1, x2, ...". compositions[i] holds componentCount values of phase i; fractions
// may be null.
std::vector<std::string> materialLines(double temperature, double pressure, int componentCount,
                                       const double* const compositions[3], const int phaseTypes[3],
                                       const double* fractions, const char* label);
// One trace line with suffix "\n" per material line.
void traceValues(double temperature, double pressure, int componentCount, const double* const compositions[3],
                 const int phaseTypes[3], const double* fractions, const char* label);

// The value of an environment variable; a value too long for 260 characters is reported and
// gives "".
std::string readEnvironment(const char* name);

}  // namespace support
