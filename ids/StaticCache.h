#pragma once
// The fixed phase and property name lists sent with calculation requests, and the names the
// adapter compares with its own persisted variables. Built once when the module loads and
// shared read-only by every adapter and thread.
#include <windows.h>
#include <oleauto.h>

#include "support/Raii.h"

class CStaticCache {
 public:
  // The ten string-array lists (lower bound 0).
  enum List {
    VaporLiquidPhases = 0,  // "Vapor", "Liquid"
    VaporPhase,             // "Vapor"
    LiquidPhase,            // "Liquid"
    VaporLiquidTwoPhase,    // "VaporLiquid"
    TwoLiquidPhases,        // "Liquid", "Liquid"
    LiquidLiquidPhase,      // "LiquidLiquid"
    FugacityProps,          // "fugacityCoefficient"
    PhaseProps,             // "enthalpy", "entropy", "heatCapacity", "volume"
    VolumeProps,            // "volume"
    EnthalpyHeatCapacityProps,  // "enthalpy", "heatCapacity"
    kListCount
  };

  CStaticCache();
  virtual ~CStaticCache();
  CStaticCache(const CStaticCache&) = delete;
  CStaticCache& operator=(const CStaticCache&) = delete;

  // The module's instance. Out of memory while building raises _com_error(E_OUTOFMEMORY).
  static const CStaticCache& instance();

  // A request passes a bitwise copy of the list; the array stays owned here.
  const VARIANT& list(List which) const { return m_lists[which].get(); }

  support::Variant m_lists[kListCount];
  int m_reserved = 0;

  // Names of the identifier table (its own strings, not to be freed).
  BSTR m_flashTP;
  BSTR m_fugacityCoefficientName;
  BSTR m_enthalpyName;
  BSTR m_twoLiquidNames[2];
  BSTR m_vaporName;
  BSTR m_liquidName;
  BSTR m_phasePropNames[4];

  // Component matching modes and the no-match text.
  support::Bstr m_casNumberMode;
  support::Bstr m_compIdMode;
  support::Bstr m_noMatching;

  // Names of the adapter's persisted view variables.
  support::Bstr m_defaultView;
  support::Bstr m_customView;
  support::Bstr m_refreshHypos;
  support::Bstr m_componentsSource;
  support::Bstr m_closeDefaultView;
  support::Bstr m_selectedFlags;
  support::Bstr m_hypoFlags;
};
