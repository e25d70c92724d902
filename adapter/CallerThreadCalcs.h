#pragma once
// The calculations that run on the caller's thread: the two estimates from the copy of the
// compound constants (bubble point, initial K-values), and the enthalpy model and the phase
// ordering through the adapter's own (bridged) ComputePhaseProperties.
#include <windows.h>

#include "adapter/AdapterSide.h"
#include "adapter/ComponentBasis.h"
#include "errors/COVCOError.h"

class CallerThreadCalcs {
 public:
  // self: the adapter, whose ComputePhaseProperties gives the phase volumes and enthalpies.
  CallerThreadCalcs(AdapterSide& adapter, COVCOError& errors, PackageObjects& objects, const ComponentBasis& basis,
                    ExtnPropertyPackage& self);
  CallerThreadCalcs(const CallerThreadCalcs&) = delete;
  CallerThreadCalcs& operator=(const CallerThreadCalcs&) = delete;

  HRESULT guessBubblePointTemperature(double Pressure, double* Composition, double* Temperature);
  HRESULT initializeKFactors(int componentPosition, double Temperature, double Pressure, int Phases, double* KFactor);
  HRESULT computeHInnerParamsVL(double T, double P, double** Compositions, double* AVapour, double* BVapour,
                                double* ALiquid, double* BLiquid);
  HRESULT orderPhases(double T, double P, double** Compositions, int* PhaseTypes, double* PhaseFractions);

 private:
  int componentCount() const;
  // Mass per mole (kg/kmol) of a mole composition.
  double mixtureWeight(const double* x) const;
  // Molar volumes (m3/kmol) of the host phases and the overall value, through the hand-over.
  HRESULT phaseVolumes(double T, double P, double** compositions, int* types, double* fractions, double volumes[4]);
  HRESULT orderPresentPhases(double T, double P, double** compositions, int* types, double* fractions);
  HRESULT exchangePhases(int a, int b, double** compositions, int* types, double* fractions, double* volumes,
                         double* specific);
  // Slot 0, once the phases are in order, judged as gas or liquid.
  HRESULT labelFirstPhase(double T, double P, double** compositions, int* types, double* fractions, double* volumes,
                          double* specific);

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  PackageObjects& m_objects;
  const ComponentBasis& m_basis;
  ExtnPropertyPackage& m_self;
};
