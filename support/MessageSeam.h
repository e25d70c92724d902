#pragma once
// The one way the product shows a message box.
//
// Every box goes through showMessage(). When the executable that hosts the process exports a
// function named "QuellmarMessageSink" (signature MessageSink), the box is handed to it instead
// of being opened: the test programs and the demo host capture caption, text, flags and owner
// that way, and no test ever opens a real box. Without that export the platform's MessageBoxW
// is called, as under a real host.
#include <windows.h>

namespace support {

using MessageSink = int(__cdecl*)(HWND owner, const wchar_t* text, const wchar_t* caption, unsigned flags);

// Name of the export looked up in the process's executable.
inline constexpr char kMessageSinkExport[] = "QuellmarMessageSink";

// Shows one message box (or hands it to the sink); returns what MessageBoxW would.
int showMessage(HWND owner, const wchar_t* text, const wchar_t* caption, unsigned flags);
// Narrow (UTF-8) form used by the support library.
int showMessage(HWND owner, const char* text, const char* caption, unsigned flags);

}  // namespace support
