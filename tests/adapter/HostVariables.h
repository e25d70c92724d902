#pragma once
// A host case's declared variables read and written through the host's own objects, as a test
// sees what the adapter stored (text, real, real array or text array variables).
#include <windows.h>

#include <string>

#include "OvHost.h"
#include "Raii.h"

namespace host_variables {

// The variable's value (empty when it is not declared).
support::Variant valueOf(ExtnContainer* container, const std::wstring& name);
// Writes value (of the variable's own kind) to the declared variable.
void put(ExtnContainer* container, const std::wstring& name, const VARIANT& value);

}  // namespace host_variables
