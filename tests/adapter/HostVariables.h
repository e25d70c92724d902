#pragma once
// A host case's declared variables read and written through the host's own objects, as a test
// sees what the adapter stored (text, real, real array or text array variables), and the plain
// values tests hand to them.
#include <windows.h>

#include <cstddef>
#include <string>

#include "OvHost.h"
#include "support/Raii.h"

namespace host_variables {

// Plain values as tests write them: a BSTR holding exactly s, a text and a real variant.
support::Bstr bstr(const std::wstring& s);
support::Variant text(const wchar_t* value);
support::Variant real(double value);

// The threads of this process (to see that a thread ended).
size_t threadCount();

// The variable's value (empty when it is not declared).
support::Variant valueOf(ExtnContainer* container, const std::wstring& name);
// Writes value (of the variable's own kind) to the declared variable.
void put(ExtnContainer* container, const std::wstring& name, const VARIANT& value);

}  // namespace host_variables
