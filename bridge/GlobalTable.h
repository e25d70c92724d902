#pragma once
// The process's standard global interface table and the one report every globalized-pointer
// failure shares. Both report on failure and never throw.
#include <windows.h>
#include <objidl.h>

#include "support/Raii.h"

namespace bridge {

// Creates the standard global interface table; a failure (or no table) is reported as
// "Unexpected error " and answered with E_FAIL.
HRESULT createGlobalTable(support::ComPtr<IGlobalInterfaceTable>& table);

// Reports code as "Unexpected error " and returns the mapped code.
HRESULT reportUnexpected(HRESULT code);

}  // namespace bridge
