#include "support/Report.h"

#include <atomic>

#include "support/MessageSeam.h"
#include "support/ModuleInfo.h"
#include "support/Raii.h"
#include "support/Text.h"
#include "support/Trace.h"

namespace support {

namespace {

// The message buffer holds 2400 characters with its terminator.
constexpr size_t kMessageMax = 2399;
constexpr size_t kErrorInfoMax = 1999;
constexpr char kTooLong[] = "A generated message is too long. Contact support.";

std::atomic<HWND> g_ownerWindow{nullptr};
std::atomic<bool> g_systemModal{false};

// Appends what fits into the message buffer; false when part had to be cut.
bool appendBounded(std::string& buffer, const std::string& part) {
  if (buffer.size() + part.size() <= kMessageMax) {
    buffer += part;
    return true;
  }
  std::string fitting = part;
  cutText(fitting, kMessageMax - buffer.size());
  buffer += fitting;
  return false;
}

// Takes (and so clears) the thread's COM error information: "\n(description: source)".
std::string takeErrorInfo() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.GetAddressOf()) != S_OK || !info) return {};
  Bstr description;
  Bstr source;
  info->GetDescription(description.out());
  info->GetSource(source.out());
  if (description.empty()) return {};
  std::string part = "\n(" + narrow(description.get(), description.length()) + ": " +
                     narrow(source.get(), source.length()) + ")";
  cutText(part, kErrorInfoMax);
  return part;
}

bool showsSystemText(HRESULT mapped) { return mapped < 0 && mapped != E_FAIL && mapped != 1; }

// "\n" + the system's text with its line end, when it has one, then "(0x%X)".
std::string systemTextPart(HRESULT mapped) {
  std::string text = systemMessage(static_cast<DWORD>(mapped), LANG_USER_DEFAULT, kMessageMax);
  std::string part = text.empty() ? std::string() : "\n" + text + "\n";
  return part + formatText("(0x%X)", static_cast<unsigned>(mapped));
}

std::string plainText(const char* text) noexcept {
  try {
    std::string plain = hasText(text) ? text : "??";
    cutText(plain, kMessageMax);
    return plain;
  } catch (...) {
    return {};
  }
}

}  // namespace

HRESULT mapCode(HRESULT code) { return code >= 2 && code <= 999 ? E_FAIL : code; }

std::string composeErrorText(HRESULT code, const char* text, const char* extra) {
  try {
    const HRESULT mapped = mapCode(code);
    std::string message;
    bool fits = true;
    if (hasText(extra)) fits = appendBounded(message, std::string(extra) + ": ");
    if (mapped < 0) fits = appendBounded(message, " ERROR: ") && fits;
    fits = appendBounded(message, hasText(text) ? text : "??") && fits;
    if (!fits) reportFailure(kTooLong);
    appendBounded(message, takeErrorInfo());
    if (showsSystemText(mapped)) appendBounded(message, systemTextPart(mapped));
    return message;
  } catch (...) {
    return plainText(text);
  }
}

HRESULT reportError(HRESULT code, const char* text, const char* extra, HWND owner, bool withTrace) {
  try {
    const std::string message = composeErrorText(code, text, extra);
    if (withTrace) writeTrace(message.c_str(), nullptr, false, "\n");
    showReportBox(message.c_str(), owner);
  } catch (...) {
    // Reporting never fails its caller.
  }
  return mapCode(code);
}

HRESULT reportFailure(const char* text, const char* extra, HWND owner, bool withTrace) {
  return reportError(E_FAIL, text, extra, owner, withTrace);
}

void showReportBox(const char* text, HWND owner) {
  try {
    const HWND window = owner ? owner : ownerWindow();
    UINT flags = MB_OK;
    if (!window || systemModal()) flags |= MB_SYSTEMMODAL;
    showMessage(window, text, libSettings().title, flags);
  } catch (...) {
  }
}

void setOwnerWindow(HWND owner) { g_ownerWindow.store(owner); }
HWND ownerWindow() { return g_ownerWindow.load(); }
void setSystemModal(bool on) { g_systemModal.store(on); }
bool systemModal() { return g_systemModal.load(); }

}  // namespace support
