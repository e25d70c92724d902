#include "tests/common/MessageSink.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "support/Text.h"

namespace test_sink {

namespace {

std::mutex& boxLock() {
  static std::mutex lock;
  return lock;
}

std::vector<Box>& boxList() {
  static std::vector<Box> list;
  return list;
}

std::atomic<void (*)()> g_hook{nullptr};

NarrowBox narrowed(const Box& box) {
  return {box.owner, support::narrow(box.text), support::narrow(box.caption), box.flags};
}

}  // namespace

const std::vector<Box> boxes() {
  std::lock_guard<std::mutex> hold(boxLock());
  return boxList();
}

const std::vector<NarrowBox> narrowBoxes() {
  std::vector<NarrowBox> list;
  for (const Box& box : boxes()) list.push_back(narrowed(box));
  return list;
}

std::vector<std::string> texts() {
  std::vector<std::string> list;
  for (const Box& box : boxes()) list.push_back(support::narrow(box.text));
  return list;
}

void clearBoxes() {
  std::lock_guard<std::mutex> hold(boxLock());
  boxList().clear();
}

std::vector<Box> takeBoxes() {
  std::lock_guard<std::mutex> hold(boxLock());
  return std::exchange(boxList(), {});
}

void setBoxHook(void (*hook)()) { g_hook = hook; }

std::wstring BoxCapture::onlyText() const {
  const std::vector<Box> shown = boxes();
  return shown.size() == 1 ? shown[0].text : std::wstring();
}

bool BoxCapture::anyContains(const std::wstring& part) const {
  for (const Box& b : boxes())
    if (b.text.find(part) != std::wstring::npos) return true;
  return false;
}

}  // namespace test_sink

extern "C" __declspec(dllexport) int __cdecl QuellmarMessageSink(HWND owner, const wchar_t* text,
                                                                 const wchar_t* caption, unsigned flags) {
  {
    std::lock_guard<std::mutex> hold(test_sink::boxLock());
    test_sink::boxList().push_back({owner, text ? text : L"", caption ? caption : L"", flags});
  }
  if (auto hook = test_sink::g_hook.load()) hook();
  return IDOK;
}
