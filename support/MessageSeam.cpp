#include "support/MessageSeam.h"

#include "support/Text.h"

namespace support {

namespace {

// Looked up once: the executable cannot change while the process runs.
MessageSink findSink() {
  static const MessageSink sink = [] {
    FARPROC p = GetProcAddress(GetModuleHandleW(nullptr), kMessageSinkExport);
    return reinterpret_cast<MessageSink>(reinterpret_cast<void*>(p));
  }();
  return sink;
}

}  // namespace

int showMessage(HWND owner, const wchar_t* text, const wchar_t* caption, unsigned flags) {
  if (MessageSink sink = findSink()) return sink(owner, text ? text : L"", caption ? caption : L"", flags);
  return MessageBoxW(owner, text ? text : L"", caption ? caption : L"", flags);
}

int showMessage(HWND owner, const char* text, const char* caption, unsigned flags) {
  return showMessage(owner, widen(text ? text : "").c_str(), widen(caption ? caption : "").c_str(), flags);
}

}  // namespace support
