#pragma once
// Message boxes the product shows during a test, captured through the executable's sink (the
// seam finds QuellmarMessageSink exported by the test program, so no real box ever opens). Every
// test program links this one sink; boxes may arrive on any thread.
#include <windows.h>

#include <string>
#include <vector>

namespace test_sink {

struct Box {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  unsigned flags;
};

// The same box with its texts as the product's narrow (UTF-8) strings.
struct NarrowBox {
  HWND owner;
  std::string text;
  std::string caption;
  unsigned flags;
};

// The boxes shown so far, oldest first: a copy, so a box arriving meanwhile cannot disturb it
// (and const, so that clearing the copy by mistake does not compile).
const std::vector<Box> boxes();
const std::vector<NarrowBox> narrowBoxes();
// The narrow texts alone, oldest first.
std::vector<std::string> texts();
void clearBoxes();
// The boxes shown so far, leaving none behind.
std::vector<Box> takeBoxes();
// Called by the sink after each box is recorded, outside the lock (null: none).
void setBoxHook(void (*hook)());

// Captures the boxes shown during its lifetime (earlier ones are dropped).
class BoxCapture {
 public:
  BoxCapture() { clearBoxes(); }
  ~BoxCapture() { clearBoxes(); }
  BoxCapture(const BoxCapture&) = delete;
  BoxCapture& operator=(const BoxCapture&) = delete;
  const std::vector<Box> shown() const { return boxes(); }
  size_t count() const { return boxes().size(); }
  // Text of the only box shown; "" (and a failed expectation in the caller) otherwise.
  std::wstring onlyText() const;
  // Whether any box's text contains `part`.
  bool anyContains(const std::wstring& part) const;
};

}  // namespace test_sink
