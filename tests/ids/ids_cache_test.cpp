// The prebuilt request lists and the shared names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
}

// The names go out as BSTR arguments: a package reads their length from the prefix, so each
// must be a whole BSTR with the name the packages know.
TEST(IdsStaticCache, NamesSentWithRequestsAreWholeStringsOfTheirNames) {
  const CStaticCache& c = CStaticCache::instance();
  const struct {
    BSTR sent;
    const wchar_t* name;
  } names[] = {
      {c.m_flashTP, L"TP"},
      {c.m_fugacityCoefficientName, L"fugacityCoefficient"},
      {c.m_enthalpyName, L"enthalpy"},
      {c.m_twoLiquidNames[0], L"Liquid"},
      {c.m_twoLiquidNames[1], L"Liquid"},
      {c.m_vaporName, L"Vapor"},
      {c.m_liquidName, L"Liquid"},
      {c.m_phasePropNames[0], L"enthalpy"},
      {c.m_phasePropNames[1], L"entropy"},
      {c.m_phasePropNames[2], L"heatCapacity"},
      {c.m_phasePropNames[3], L"volume"},
  };
  for (const auto& n : names) {
    ASSERT_NE(nullptr, n.sent) << text(Bstr(n.name).get());
    EXPECT_EQ(std::wstring(n.name), text(n.sent));
    EXPECT_EQ(wcslen(n.sent), SysStringLen(n.sent)) << text(n.sent);
  }
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
