#pragma once
// The calculation requests: handed over from the host's thread (the request shells) and worked
// on the CAPE-OPEN thread (the workers): K-values (call types 1-3), phase properties (4),
// fugacities (5) and the transport properties (6-8).
#include <windows.h>

#include <vector>

#include "adapter/AdapterSide.h"
#include "adapter/PackageAbilities.h"
#include "adapter/RequestOpening.h"
#include "bridge/CallBridge.h"
#include "errors/COVCOError.h"
#include "support/Raii.h"

// Scratch of the calculations, sized with the per-component state.
struct CalcWorkArrays {
  std::vector<double> phase[3][2];  // [phase][0|1]
  support::Variant scratch[3];
  // The first array of each phase's pair always; the second for phases 1 and 2.
  void size(int n);
  void release();
};

class CalcRequests {
 public:
  CalcRequests(AdapterSide& adapter, COVCOError& errors, bridge::CallBridge& bridge, PackageObjects& objects,
               const PackageAbilities& abilities, CalcWorkArrays& work);
  CalcRequests(const CalcRequests&) = delete;
  CalcRequests& operator=(const CalcRequests&) = delete;

  // ---- The hand-overs (host thread) ----
  HRESULT handOverKValues(int callType, double T, double P, double** compositions, const int* types, double** results);
  HRESULT handOverPhaseProperties(double T, double P, double** Compositions, int* PhaseTypes, double* PhaseFractions,
                                  double* Enthalpy, double* Entropy, double* HeatCapacity, double* MolarVolume);
  HRESULT handOverFugacities(double T, double P, double** Compositions, int* PhaseTypes, double** Fugacities);
  HRESULT handOverTransport(int callType, double T, double P, double** compositions, const int* types, double extra,
                            double* result);

  // ---- The workers (CAPE-OPEN thread) ----
  HRESULT computeKValues(int callType, bridge::CallParameters& call);
  HRESULT phasePropertiesWorker(bridge::CallParameters& call);
  HRESULT phaseFugacitiesWorker(bridge::CallParameters& call);
  HRESULT computeTransportProperty(int callType, bridge::CallParameters& call);

 private:
  // K-value requests (KValues.cpp)
  static const char* kValueFailureText(int callType);
  HRESULT kValueRequest(int callType, bridge::CallParameters& call);
  const wchar_t* kValueProperty(int callType, bool liquidLiquid) const;
  HRESULT readKValueResults(const wchar_t* property, int mainLiquid);
  HRESULT readActivityCoefficients(int mainLiquid, int n);
  void writeLogK(bool fromKValues, int j, double* out, int n) const;
  void noteSlotsRead(const wchar_t* property, int mainLiquid, bool read[3]) const;
  HRESULT refusePhaseTypes(const int* types);
  // Phase property requests (PhaseProperties.cpp)
  HRESULT phasePropertiesRequest(bridge::CallParameters& call);
  HRESULT fugacitiesRequest(bridge::CallParameters& call);
  HRESULT transportRequest(int callType, bridge::CallParameters& call);
  HRESULT setTransportInput(int callType, int phaseId, double value);

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  bridge::CallBridge& m_bridge;
  PackageObjects& m_objects;
  const PackageAbilities& m_abilities;
  CalcWorkArrays& m_work;
  RequestOpening m_opening;
};
