#include "message_sink.h"

namespace ids_test {

std::vector<Box>& boxes() {
  static std::vector<Box> shown;
  return shown;
}

std::wstring failureText(const wchar_t* text, const wchar_t* origin) {
  std::wstring s = origin ? std::wstring(origin) + L": " : std::wstring();
  return s + L" ERROR: " + text;
}

}  // namespace ids_test

extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND owner, const wchar_t* text,
                                                                 const wchar_t* caption, unsigned flags) {
  ids_test::boxes().push_back({owner, text ? text : L"", caption ? caption : L"", flags});
  return IDOK;
}
