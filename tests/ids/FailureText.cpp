#include "tests/ids/FailureText.h"

namespace ids_test {

std::wstring failureText(const wchar_t* text, const wchar_t* origin) {
  std::wstring s = origin ? std::wstring(origin) + L": " : std::wstring();
  return s + L" ERROR: " + text;
}

}  // namespace ids_test
