#pragma once
// Message boxes the product shows during a test (the shared sink), and the text of a misuse report.
#include <string>

#include "tests/common/MessageSink.h"

namespace ids_test {

using test_sink::Box;
using test_sink::boxes;
using test_sink::BoxCapture;

// The text a misuse report shows: "<origin>:  ERROR: <text>", or " ERROR: <text>" without origin.
std::wstring failureText(const wchar_t* text, const wchar_t* origin = nullptr);

}  // namespace ids_test
