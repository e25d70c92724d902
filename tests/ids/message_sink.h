#pragma once
// Message boxes the product shows during a test, captured through the executable's sink.
#include <windows.h>

#include <string>
#include <vector>

namespace ids_test {

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
};

// The text a misuse report shows: "<origin>:  ERROR: <text>", or " ERROR: <text>" without origin.
std::wstring failureText(const wchar_t* text, const wchar_t* origin = nullptr);

}  // namespace ids_test
