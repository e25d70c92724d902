// No test of the host opens a real message box: every box is counted and dropped.
#include <windows.h>

#include <atomic>

std::atomic<int> g_boxesShown{0};

extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND, const wchar_t*, const wchar_t*, unsigned) {
  ++g_boxesShown;
  return IDOK;
}
