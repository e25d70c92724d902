#include "ids/StaticCache.h"

#include <comdef.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "ids/COIds.h"
#include "support/SetGet.h"

using support::SetGet;

namespace {

support::Bstr newText(const wchar_t* text) {
  support::Bstr b(text);
  if (!b.get()) throw _com_error(E_OUTOFMEMORY);
  return b;
}

BSTR tableName(int id) { return COIds::getName(id); }

void buildList(support::Variant& list, std::initializer_list<BSTR> names) {
  std::vector<std::wstring> texts;
  for (BSTR name : names) texts.emplace_back(name, SysStringLen(name));
  const HRESULT hr = SetGet::fromStringList(list.get(), texts);
  if (FAILED(hr)) throw _com_error(hr);
}

// Builds the module's instance when the module loads; on failure the first use tries again
// and raises the failure to its caller.
struct LoadTimeBuild {
  LoadTimeBuild() {
    try {
      CStaticCache::instance();
    } catch (...) {
    }
  }
} loadTimeBuild;

}  // namespace

CStaticCache::CStaticCache()
    : m_flashTP(tableName(FtTP)),
      m_fugacityCoefficientName(tableName(PpFUGACITYCOEFFICIENT)),
      m_enthalpyName(tableName(PpENTHALPY)),
      m_twoLiquidNames{tableName(PhLIQUID), tableName(PhLIQUID)},
      m_vaporName(tableName(PhVAPOR)),
      m_liquidName(tableName(PhLIQUID)),
      m_phasePropNames{tableName(PpENTHALPY), tableName(PpENTROPY), tableName(PpHEATCAPACITY), tableName(PpVOLUME)},
      m_casNumberMode(newText(L"CASNumber")),
      m_compIdMode(newText(L"CompId")),
      m_noMatching(newText(L"No matching")),
      m_defaultView(newText(L"DefaultView")),
      m_customView(newText(L"CustomView")),
      m_refreshHypos(newText(L"RefreshHypos")),
      m_componentsSource(newText(L"ComponentsSource")),
      m_closeDefaultView(newText(L"CloseDefaultView")),
      m_selectedFlags(newText(L"SelectedFlags")),
      m_hypoFlags(newText(L"HypoFlags")) {
  buildList(m_lists[VaporPhase], {m_vaporName});
  buildList(m_lists[LiquidPhase], {m_liquidName});
  buildList(m_lists[VaporLiquidTwoPhase], {tableName(PhVAPORLIQUID)});
  buildList(m_lists[VaporLiquidPhases], {m_vaporName, m_liquidName});
  buildList(m_lists[LiquidLiquidPhase], {tableName(PhLIQUIDLIQUID)});
  buildList(m_lists[TwoLiquidPhases], {m_twoLiquidNames[0], m_twoLiquidNames[1]});
  buildList(m_lists[FugacityProps], {m_fugacityCoefficientName});
  buildList(m_lists[PhaseProps], {m_phasePropNames[0], m_phasePropNames[1], m_phasePropNames[2], m_phasePropNames[3]});
  buildList(m_lists[VolumeProps], {m_phasePropNames[3]});
  buildList(m_lists[EnthalpyHeatCapacityProps], {m_enthalpyName, m_phasePropNames[2]});
}

CStaticCache::~CStaticCache() = default;

const CStaticCache& CStaticCache::instance() {
  static const CStaticCache cache;
  return cache;
}
