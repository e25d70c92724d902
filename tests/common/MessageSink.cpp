#include "tests/common/MessageSink.h"

namespace test_sink {

std::vector<Box>& boxes() {
  static std::vector<Box> shown;
  return shown;
}

bool BoxCapture::anyContains(const std::wstring& part) const {
  for (const Box& b : boxes())
    if (b.text.find(part) != std::wstring::npos) return true;
  return false;
}

}  // namespace test_sink

extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND owner, const wchar_t* text,
                                                                 const wchar_t* caption, unsigned flags) {
  test_sink::boxes().push_back({owner, text ? text : L"", caption ? caption : L"", flags});
  return IDOK;
}
