#pragma once
// Message boxes the product shows during a test, captured through the executable's sink (the
// seam finds QuellmarMessageSink exported by the test program, so no real box ever opens).
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

std::vector<Box>& boxes();

// Captures the boxes shown during its lifetime (earlier ones are dropped).
class BoxCapture {
 public:
  BoxCapture() { boxes().clear(); }
  ~BoxCapture() { boxes().clear(); }
  const std::vector<Box>& shown() const { return boxes(); }
  size_t count() const { return boxes().size(); }
  // Text of the only box shown; "" (and a failed expectation in the caller) otherwise.
  std::wstring onlyText() const { return boxes().size() == 1 ? boxes()[0].text : std::wstring(); }
  // Whether any box's text contains `part`.
  bool anyContains(const std::wstring& part) const;
};

}  // namespace test_sink
