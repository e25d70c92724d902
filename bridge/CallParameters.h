#pragma once
// The arguments and result pointers of the one host request being handed to the CAPE-OPEN
// thread. One block per adapter, reused by every request and guarded by the call lock; the
// CAPE-OPEN thread touches it only between the call event and the done event. The complaint
// kept back during the request lives in the error object, next to the rest of the reporting.
#include <windows.h>

#include <functional>

namespace bridge {

// Phase-type codes of the phase-types array (indexed by phase slot 0, 1, 2).
enum HostPhaseType : int { HOST_PHASE_ABSENT = 0, HOST_PHASE_LIQUID = 1, HOST_PHASE_VAPOUR = 4 };

// The fixed phase types of the vapour/liquid and liquid/liquid K-value requests.
extern const int kVapourLiquidPhaseTypes[3];
extern const int kLiquidLiquidPhaseTypes[3];

struct CallParameters {
  double** kValues = nullptr;        // 1-3: the result arrays
  double temperature = 0;            // 1-8
  double pressure = 0;               // 1-8
  double** compositions = nullptr;   // 1-8: three per-phase mole-fraction arrays
  double* phaseFractions = nullptr;  // 4
  double* enthalpy = nullptr;        // 4
  double* entropy = nullptr;         // 4
  double* heatCapacity = nullptr;    // 4
  double* molarVolume = nullptr;     // 4
  double** fugacities = nullptr;     // 5: three per-phase arrays
  const int* phaseTypes = nullptr;   // 1-8: three codes
  double* singleResult = nullptr;    // 6-8
  double extraInput = 0;             // molar density for 6 and 7, vapour fraction for 8
  int callType = 0;
  HRESULT callResult = S_OK;         // written by the CAPE-OPEN thread
  const std::function<HRESULT()>* work = nullptr;  // the adapter's own work (CALL_ADAPTER_WORK)

  // Before and after every hand-over: the pointers to the host's arrays are dropped, so none
  // outlives the request that gave it. The other fields are overwritten by the next request
  // that uses them.
  void clear() {
    kValues = nullptr;
    compositions = nullptr;
    phaseFractions = nullptr;
    enthalpy = nullptr;
    entropy = nullptr;
    heatCapacity = nullptr;
    molarVolume = nullptr;
    phaseTypes = nullptr;
    work = nullptr;
  }
};

}  // namespace bridge
