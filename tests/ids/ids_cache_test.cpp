// The prebuilt request lists and the shared names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ids/COIds.h"
#include "support/Raii.h"
#include "support/SetGet.h"
#include "ids/StaticCache.h"
#include "support/Utils.h"

using support::Bstr;
using support::SetGet;

namespace {

std::vector<std::wstring> namesOf(const VARIANT& v) {
  std::vector<std::wstring> out;
  BSTR s;
  for (long i = SetGet::lbound(v); SetGet::nextItem(v, i, s); ++i) out.emplace_back(s, SysStringLen(s));
  return out;
}

std::wstring text(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

using Names = std::vector<std::wstring>;

}  // namespace

TEST(IdsStaticCache, TheTenLists) {
  const CStaticCache& c = CStaticCache::instance();
  const Names expected[] = {
      {L"Vapor", L"Liquid"},
      {L"Vapor"},
      {L"Liquid"},
      {L"VaporLiquid"},
      {L"Liquid", L"Liquid"},
      {L"LiquidLiquid"},
      {L"fugacityCoefficient"},
      {L"enthalpy", L"entropy", L"heatCapacity", L"volume"},
      {L"volume"},
      {L"enthalpy", L"heatCapacity"},
  };
  ASSERT_EQ(10, CStaticCache::kListCount);
  for (int i = 0; i < CStaticCache::kListCount; ++i) {
    const VARIANT& list = c.list(static_cast<CStaticCache::List>(i));
    EXPECT_EQ(VT_ARRAY | VT_BSTR, list.vt) << "list " << i;
    EXPECT_EQ(1, SetGet::dimCount(list)) << "list " << i;
    EXPECT_EQ(0, SetGet::lbound(list)) << "list " << i;
    EXPECT_EQ(expected[i], namesOf(list)) << "list " << i;
  }
  EXPECT_EQ(&c.m_lists[CStaticCache::PhaseProps].get(), &c.list(CStaticCache::PhaseProps));
  EXPECT_EQ(0, c.m_reserved);
}

TEST(IdsStaticCache, ListsAreTheSameArraysOnEveryUse) {
  const VARIANT& a = CStaticCache::instance().list(CStaticCache::VaporLiquidPhases);
  const VARIANT& b = CStaticCache::instance().list(CStaticCache::VaporLiquidPhases);
  EXPECT_EQ(a.parray, b.parray);
  EXPECT_EQ(&CStaticCache::instance(), &CStaticCache::instance());
}

TEST(IdsStaticCache, NameReferencesAreTheIdentifierTablesStrings) {
  const CStaticCache& c = CStaticCache::instance();
  EXPECT_EQ(COIds::getName(FtTP), c.m_flashTP);
  EXPECT_EQ(COIds::getName(PpFUGACITYCOEFFICIENT), c.m_fugacityCoefficientName);
  EXPECT_EQ(COIds::getName(PpENTHALPY), c.m_enthalpyName);
  EXPECT_EQ(COIds::getName(PhLIQUID), c.m_twoLiquidNames[0]);
  EXPECT_EQ(COIds::getName(PhLIQUID), c.m_twoLiquidNames[1]);
  EXPECT_EQ(COIds::getName(PhVAPOR), c.m_vaporName);
  EXPECT_EQ(COIds::getName(PhLIQUID), c.m_liquidName);
  const int props[] = {PpENTHALPY, PpENTROPY, PpHEATCAPACITY, PpVOLUME};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(COIds::getName(props[i]), c.m_phasePropNames[i]) << i;
  EXPECT_EQ(L"TP", text(c.m_flashTP));
}

TEST(IdsStaticCache, MatchingModesAndViewVariableNames) {
  const CStaticCache& c = CStaticCache::instance();
  EXPECT_EQ(L"CASNumber", text(c.m_casNumberMode.get()));
  EXPECT_EQ(L"CompId", text(c.m_compIdMode.get()));
  EXPECT_EQ(L"No matching", text(c.m_noMatching.get()));
  EXPECT_EQ(L"DefaultView", text(c.m_defaultView.get()));
  EXPECT_EQ(L"CustomView", text(c.m_customView.get()));
  EXPECT_EQ(L"RefreshHypos", text(c.m_refreshHypos.get()));
  EXPECT_EQ(L"ComponentsSource", text(c.m_componentsSource.get()));
  EXPECT_EQ(L"CloseDefaultView", text(c.m_closeDefaultView.get()));
  EXPECT_EQ(L"SelectedFlags", text(c.m_selectedFlags.get()));
  EXPECT_EQ(L"HypoFlags", text(c.m_hypoFlags.get()));
  // The names the adapter's variable events compare with.
  EXPECT_TRUE(support::sameText(c.m_refreshHypos.get(), L"refreshhypos"));
  EXPECT_TRUE(support::sameText(c.m_customView.get(), L"CustomView"));
  EXPECT_TRUE(support::sameText(c.m_closeDefaultView.get(), L"CLOSEDEFAULTVIEW"));
}
