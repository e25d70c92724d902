#pragma once
// The kinds of host request that are handed to the CAPE-OPEN thread, and their labels for
// messages and profiling.
#include <windows.h>

namespace bridge {

enum CALL_TYPE : int {
  CALL_COMPUTEKFACTORS = 1,
  CALL_COMPUTEKFACTORSVL = 2,
  CALL_COMPUTEKFACTORSLL = 3,
  CALL_COMPUTEPHASEPROPERTIES = 4,
  CALL_COMPUTEPHASEFUGACITIES = 5,
  CALL_COMPUTEPHASEVISCOSITY = 6,
  CALL_COMPUTEPHASETHERMOCONDUCTIVITY = 7,
  CALL_COMPUTELIQUIDSURFACETENSION = 8,
  CALL_EDIT = 9,
  CALL_SAVE = 10,
  CALL_COTHEXTENDEDPACKAGE = 11,  // labelled only, never dispatched
  // Not a host request: work of the adapter itself that touches the package or the material
  // object (a component change, a teardown), run on the CAPE-OPEN thread; it has no label.
  CALL_ADAPTER_WORK = 100,
};

// The label of a call type. Any other code is reported as "wrong CALL_TYPE": E_FAIL, and
// *label becomes null.
HRESULT callTypeLabel(int callType, const char** label);

// Whether a call runs as part of a calculation (so its complaints carry the calculation
// context): every dispatched type except the edit, the save and the adapter's own work.
bool isCalculation(int callType);

}  // namespace bridge
