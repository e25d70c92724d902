#pragma once
// The host interfaces the extension implements, slot by slot as the host calls them:
// X(vtable slot, method, argument types). Slot 0 is IUnknown::QueryInterface.
#include "OvHost.h"

#define EXTENSION_OBJECT_SLOTS(X)                                 \
  X(7, StatusQuery, (IDispatch*))                                 \
  X(8, VariableChanging, (ExtnVariableArgument*, VARIANT_BOOL*))  \
  X(9, VariableChanged, (ExtnVariableArgument*))                  \
  X(10, OnView, (BSTR, ExtnView*, VARIANT_BOOL*))                 \
  X(11, OnHelp, (BSTR, VARIANT_BOOL*))                            \
  X(12, Save, ())                                                 \
  X(13, Terminate, ())                                            \
  X(14, VariableQuery, (ExtnVariableArgument*))

// Temperatures and pressures are doubles, compositions three per-phase arrays (double**),
// phase types three ints, results double arrays written in place.
#define PROPERTY_PACKAGE_SLOTS(X)                                                              \
  X(3, Initialize, (ExtnContainer*, ExtnPackageInitRecord*, VARIANT_BOOL))                     \
  X(4, PreSelectedComponents, (int*))                                                          \
  X(5, StartBasisChange, ())                                                                   \
  X(6, IsComponentAllowed, (int, VARIANT_BOOL*))                                               \
  X(7, AddComponent, (int, HostComponent*))                                                    \
  X(8, ComponentChanged, (int, HostComponent*))                                                \
  X(9, RemoveComponent, (int))                                                                 \
  X(10, ExchangeComponents, (int, int))                                                        \
  X(11, CopyPropertyPackage, (ExtnPropertyPackage*))                                           \
  X(12, QueryEndBasisChange, (VARIANT_BOOL*))                                                  \
  X(13, EndBasisChange, (VARIANT_BOOL*))                                                       \
  X(14, GuessBubblePointTemperature, (double, double*, double*))                               \
  X(15, InitializeKFactors, (int, double, double, int, double*))                               \
  X(16, ComputeKFactors, (double, double, double**, int*, double**))                           \
  X(17, ComputeKFactorsVL, (double, double, double**, double*))                                \
  X(18, ComputeKFactorsLL, (double, double, double**, double*))                                \
  X(19, ExchangeTwoPhases, (int, int, double**, int*, double*))                                \
  X(20, OrderPhases, (double, double, double**, int*, double*))                                \
  X(21, ComputePhaseProperties,                                                                \
    (double, double, double**, int*, double*, double*, double*, double*, double*))             \
  X(22, ComputePhaseActivity, (double, double, double**, int*, double**))                      \
  X(23, ComputeHInnerParamsVL, (double, double, double**, double*, double*, double*, double*)) \
  X(24, ComputeHInnerParamsLL, (double, double, double**, double*, double*, double*, double*)) \
  X(25, ComputePhaseFugacities, (double, double, double**, int*, double**))                    \
  X(26, DynTreatComponentAsInert, (int, VARIANT_BOOL*))                                        \
  X(27, ComputeLiquidMolarDensity, (double, double, double*, double*))                         \
  X(28, ComputeLiquidSurfaceTension, (double, double, double**, double, double*))              \
  X(29, ComputePhaseThermalConductivity, (double, double, double*, double, int, double*))      \
  X(30, ComputePhaseViscosity, (double, double, double*, double, int, double*))

// The reserved slots of the host's solver and case, for in-test stand-ins: the product never
// calls them, so they only answer E_NOTIMPL.
#define HOST_RESERVED_SLOT(n) \
  HRESULT STDMETHODCALLTYPE Reserved##n() override { return E_NOTIMPL; }
#define HOST_SOLVER_RESERVED_SLOTS                                                                           \
  HOST_RESERVED_SLOT(1) HOST_RESERVED_SLOT(2) HOST_RESERVED_SLOT(3) HOST_RESERVED_SLOT(4) HOST_RESERVED_SLOT(5) \
  HOST_RESERVED_SLOT(6) HOST_RESERVED_SLOT(7) HOST_RESERVED_SLOT(8) HOST_RESERVED_SLOT(9)                     \
  HOST_RESERVED_SLOT(10) HOST_RESERVED_SLOT(11) HOST_RESERVED_SLOT(12) HOST_RESERVED_SLOT(13)                 \
  HOST_RESERVED_SLOT(14)
#define HOST_CASE_RESERVED_SLOTS                                                                           \
  HOST_SOLVER_RESERVED_SLOTS                                                                               \
  HOST_RESERVED_SLOT(15) HOST_RESERVED_SLOT(16) HOST_RESERVED_SLOT(17) HOST_RESERVED_SLOT(18)                 \
  HOST_RESERVED_SLOT(19) HOST_RESERVED_SLOT(20) HOST_RESERVED_SLOT(21) HOST_RESERVED_SLOT(22)                 \
  HOST_RESERVED_SLOT(23) HOST_RESERVED_SLOT(24) HOST_RESERVED_SLOT(25) HOST_RESERVED_SLOT(26)
