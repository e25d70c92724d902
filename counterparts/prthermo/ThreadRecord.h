#pragma once
// The calls a threadBound package has seen, process-wide: like an apartment-bound object of
// other vendors, such a package answers only on the thread that created it and refuses every
// other thread with RPC_E_WRONG_THREAD. Tests read the totals through the exported function
// PRThermoThreadRecord (PRThermo.def).
#include <windows.h>

namespace prthermo {

// One call of a threadBound package on the calling thread; refused: off its home thread.
void recordThreadCall(bool refused);

}  // namespace prthermo

// calls: every call recorded; refused: those off the package's thread; threads: the distinct
// threads that made them. reset: start again from zero after reading.
extern "C" void WINAPI PRThermoThreadRecord(LONG* calls, LONG* refused, LONG* threads, BOOL reset);
