#pragma once
// The support-library layer of error reporting: compose a message, show it in a box captioned
// with the library title, optionally write it to the trace file, and return the mapped code.
// Reporting never throws.
#include <windows.h>

#include <string>

namespace support {

// Internal codes (2 to 999) are shown and returned as E_FAIL; every other code stays.
HRESULT mapCode(HRESULT code);

// Extra text + ": ", " ERROR: " for failures, the text (or "??"), the thread's COM error
// information, and for failures other than E_FAIL the system text and "(0x%X)".
std::string composeErrorText(HRESULT code, const char* text, const char* extra = nullptr);

// Composes, traces (with "\n") when writeTrace, shows the box, returns mapCode(code).
HRESULT reportError(HRESULT code, const char* text, const char* extra = nullptr, HWND owner = nullptr,
                    bool writeTrace = true);
// reportError with E_FAIL.
HRESULT reportFailure(const char* text, const char* extra = nullptr, HWND owner = nullptr, bool writeTrace = true);

// The message box of every report: caption = library title, OK button, owner = the given
// window else the process-wide owner window; system-modal without an owner or when switched on.
void showReportBox(const char* text, HWND owner);

// Process-wide owner window (set at the start of every host calculation request) and the
// system-modal switch (off by default).
void setOwnerWindow(HWND owner);
HWND ownerWindow();
void setSystemModal(bool on);
bool systemModal();

}  // namespace support
