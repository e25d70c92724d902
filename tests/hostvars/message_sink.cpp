// Every message box of a host variable test is captured here instead of shown.
#include "tests/hostvars/message_sink.h"

#include "support/Raii.h"
#include "support/Text.h"

namespace {

support::CriticalSection& boxLock() {
  static support::CriticalSection lock;
  return lock;
}

std::vector<std::string>& boxList() {
  static std::vector<std::string> list;
  return list;
}

}  // namespace

std::vector<std::string> shownBoxes() {
  support::Lock lock(boxLock());
  return boxList();
}

void clearBoxes() {
  support::Lock lock(boxLock());
  boxList().clear();
}

extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND, const wchar_t* text, const wchar_t*, unsigned) {
  support::Lock lock(boxLock());
  boxList().push_back(support::narrow(text));
  return IDOK;
}
