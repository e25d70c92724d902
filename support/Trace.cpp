#include "support/Trace.h"

#include <shlobj.h>
#include <knownfolders.h>

#include <atomic>
#include <cstdarg>
#include <cstring>

#include "support/MessageSeam.h"
#include "support/Raii.h"
#include "support/SetGet.h"
#include "support/Text.h"

namespace support {

namespace {

LibSettings g_settings = {"Brellan ORVEX CAPE-OPEN", true, true, true};
char g_moduleName[260] = "";
// Set while one thread writes a line; a second writer is dropped rather than made to wait.
std::atomic<bool> g_writing{false};

constexpr char kTraceFolderSuffix[] = "\\Kelvaro\\Brellan ORVEX CAPE-OPEN";
constexpr char kTraceProblem[] = "problem writing trace file";
constexpr char kNoticeCaption[] = "Brellan Calqueno CAPE-OPEN 1.0 Information message";
constexpr char kDefaultTempFolder[] = "c:\\temp";
constexpr DWORD kEnvironmentBuffer = 260;
constexpr int kTracePrecision = 10;
constexpr int kCompositionPrecision = 6;
constexpr int kPhaseTypeVapour = 4;
constexpr int kPhaseSlots = 3;

// Boxes of the trace file have no caption; showing one never throws.

void showPlain(const char* text) noexcept {
  try {
    showMessage(nullptr, text, "", MB_OK);
  } catch (...) {
  }
}

struct CoTaskMemDeleter {
  void operator()(wchar_t* p) const noexcept { CoTaskMemFree(p); }
};

std::string localAppDataFolder() {
  PWSTR raw = nullptr;
  HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &raw);
  std::unique_ptr<wchar_t, CoTaskMemDeleter> owned(raw);
  if (FAILED(hr) || !raw) return {};
  return narrow(raw);
}

bool isFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::string& path) {
  return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates the folder and its missing parents; true when it exists afterwards.
bool makeFolder(const std::string& path) {
  std::wstring wide = widen(path);
  if (isFolder(wide)) return true;
  SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr);
  return isFolder(wide);  // another process may have made it meanwhile
}

CriticalSection& folderLock() {
  static CriticalSection lock;
  return lock;
}

// The trace folder once it has been made; empty until then.
std::string& knownTraceFolder() {
  static std::string folder;
  return folder;
}

bool resolveTraceFolder(std::string& out) {
  Lock lock(folderLock());
  std::string& known = knownTraceFolder();
  if (known.empty()) {
    std::string base = localAppDataFolder();
    if (base.empty() || !makeFolder(base + kTraceFolderSuffix)) return false;
    known = base + kTraceFolderSuffix;
  }
  out = known;
  return true;
}

std::string trimBlanks(const std::string& s) {
  const char* blanks = " \t";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::string fileNameOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TraceFile openForAppend(const std::string& path) { return TraceFile(_wfopen(widen(path).c_str(), L"a+")); }

void showFallbackNotice(const std::string& firstPath, const std::string& folder) {
  std::string text = "Since trace file at installation directory (" + firstPath +
                     ") could not be written, trace file will be written to '" + folder + "'.";
  showMessage(nullptr, text.c_str(), kNoticeCaption, MB_OK | MB_ICONINFORMATION);
}

// "MM/DD/YY HH:MM:SS: <module>: <prefix>"
std::string lineHeader(const char* prefix) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[16];
  char time[16];
  snprintf(date, sizeof date, "%02u/%02u/%02u", now.wMonth, now.wDay, now.wYear % 100u);
  snprintf(time, sizeof time, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
  return formatText("%s %s: %s: %s", date, time, moduleBaseName().c_str(), prefix ? prefix : "");
}

// Header (unless raw), text and suffix within kTraceLineMax; the text gives way first.
std::string composeLine(const char* text, const char* prefix, bool raw, const char* suffix) {
  std::string tail = suffix ? suffix : "";
  cutText(tail, kTraceLineMax);
  std::string line = raw ? std::string() : lineHeader(prefix);
  cutText(line, kTraceLineMax - tail.size());
  std::string body = text ? text : "";
  cutText(body, kTraceLineMax - tail.size() - line.size());
  return line + body + tail;
}

// Claims the process-wide in-progress flag for a scope.
class WriteClaim {
 public:
  WriteClaim() : m_owned(!g_writing.exchange(true)) {}
  WriteClaim(const WriteClaim&) = delete;
  WriteClaim& operator=(const WriteClaim&) = delete;
  ~WriteClaim() {
    if (m_owned) g_writing.store(false);
  }
  bool owned() const { return m_owned; }

 private:
  bool m_owned;
};

bool appendLine(const char* text, const char* prefix, bool raw, const char* suffix) {
  std::string path = traceFilePath();
  if (path.empty()) return false;
  TraceFile file = openTrace(path.c_str());
  if (!file) return false;
  std::string line = composeLine(text, prefix, raw, suffix);
  return fwrite(line.data(), 1, line.size(), file.get()) == line.size() && fflush(file.get()) == 0;
}

// "[label, ]V|L, T(K), t, P(Pa), p, [Fr, f, ]C, x1, x2, ..."
std::string materialLine(const char* label, int phaseType, double temperature, double pressure,
                         const double* fraction, const std::string& composition) {
  const std::string labelPart = hasText(label) ? std::string(label) + ", " : std::string();
  const std::string fractionPart = fraction ? formatText("Fr, %f, ", *fraction) : std::string();
  return formatText("%s%s, T(K), %f, P(Pa), %f, %sC, %s", labelPart.c_str(), phaseType == kPhaseTypeVapour ? "V" : "L",
                    temperature, pressure, fractionPart.c_str(), composition.c_str());
}

}  // namespace

LibSettings& libSettings() { return g_settings; }

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int length = vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string out;
  if (length > 0) {
    out.resize(static_cast<size_t>(length));
    vsnprintf(out.data(), out.size() + 1, format, args);
  }
  va_end(args);
  return out;
}

void cutText(std::string& s, size_t max) {
  if (s.size() <= max) return;
  size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  s.resize(end);
}

bool setModuleName(const char* name) {
  std::string kept = name ? name : "";
  cutText(kept, sizeof g_moduleName - 1);
  memcpy(g_moduleName, kept.c_str(), kept.size() + 1);
  return true;
}

const char* moduleName() { return g_moduleName; }

std::string moduleBaseName() {
  std::string name = g_moduleName;
  return name.substr(0, name.find('.'));
}

bool setTitle(const char* title) {
  std::string kept = title ? title : "";
  const bool whole = kept.size() < sizeof g_settings.title - 1;
  cutText(kept, sizeof g_settings.title - 1);
  memcpy(g_settings.title, kept.c_str(), kept.size() + 1);
  return whole;
}

std::string traceFolder() {
  std::string folder;
  if (resolveTraceFolder(folder)) return folder;
  showPlain(kTraceProblem);
  return {};
}

std::string traceFilePath() {
  std::string folder = traceFolder();
  if (folder.empty()) return {};
  return formatText("%s\\%s.trc", folder.c_str(), moduleBaseName().c_str());
}

TraceFile openTrace(const char* path) {
  const std::string firstPath = path ? path : "";
  if (TraceFile file = openForAppend(firstPath)) return file;

  std::string folder = trimBlanks(readEnvironment("TEMP"));
  if (folder.empty()) folder = kDefaultTempFolder;
  const std::string fallback = folder + "\\" + fileNameOf(firstPath);
  LibSettings& settings = libSettings();
  if (settings.fallbackNoticePending && !isFile(fallback)) {
    showFallbackNotice(firstPath, folder);
    settings.fallbackNoticePending = false;
  }
  if (TraceFile file = openForAppend(fallback)) return file;
  showPlain("Could not open trace file");
  return nullptr;
}

bool writeTrace(const char* text, const char* prefix, bool raw, const char* suffix) {
  WriteClaim claim;
  if (!claim.owned()) return false;
  try {
    return appendLine(text, prefix, raw, suffix);
  } catch (...) {
    showPlain(kTraceProblem);  // the file was closed while unwinding
    return false;
  }
}

std::string readEnvironment(const char* name) {
  wchar_t value[kEnvironmentBuffer];
  DWORD length = GetEnvironmentVariableW(widen(name).c_str(), value, kEnvironmentBuffer);
  if (length == 0) return {};
  if (length >= kEnvironmentBuffer) {  // the size it would need: the value does not fit
    showMessage(nullptr, "Value of Environment Variable is too long", name, MB_OK);
    return {};
  }
  return narrow(value, length);
}

bool traceText(const VARIANT& value, const char* prefix, const char* suffix) {
  const std::string text = SetGet::variantToStr(value, nullptr, false, false, kTracePrecision);
  return writeTrace(text.c_str(), prefix, false, suffix);
}

bool traceBuffer(VARTYPE type, const void* buffer, long count, const char* prefix, const char* suffix) {
  const std::string text = SetGet::bufferToStr(type, buffer, count, nullptr, kTracePrecision);
  return writeTrace(text.c_str(), prefix, false, suffix);
}

std::vector<std::string> materialLines(double temperature, double pressure, int componentCount,
                                       const double* const compositions[3], const int phaseTypes[3],
                                       const double* fractions, const char* label) {
  std::vector<std::string> lines;
  if (!phaseTypes) return lines;
  for (int phase = 0; phase < kPhaseSlots; ++phase) {
    if (phaseTypes[phase] == 0) continue;  // absent
    const double* values = compositions ? compositions[phase] : nullptr;
    const std::string composition =
        values ? SetGet::bufferToStr(VT_R8, values, componentCount, nullptr, kCompositionPrecision, ", ") : "";
    lines.push_back(materialLine(label, phaseTypes[phase], temperature, pressure,
                                 fractions ? &fractions[phase] : nullptr, composition));
  }
  return lines;
}

void traceValues(double temperature, double pressure, int componentCount, const double* const compositions[3],
                 const int phaseTypes[3], const double* fractions, const char* label) {
  for (const std::string& line :
       materialLines(temperature, pressure, componentCount, compositions, phaseTypes, fractions, label))
    writeTrace(line.c_str(), nullptr, false, "\n");
}

}  // namespace support
