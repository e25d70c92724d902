// The identifier table: every position, the kinds, the lookups, the derivative names and codes,
// the variables of the flash types and the host phase offsets; the fill checks on a table of their own.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ids/COIds.h"
#include "support/Raii.h"
#include "tests/ids/FailureText.h"

using ids_test::BoxCapture;
using ids_test::failureText;
using support::Bstr;

namespace {

struct FieldName {
  const wchar_t* name;
  int kind;
};

// Identifiers that packages and hosts send across the interface (phases, calculation types,
// bases, flash types, derivative suffixes, properties and compound constants), each with the
// kind it is looked up in. The product must know every one under exactly this spelling.
const FieldName kFieldNames[] = {
    {L"Vapor", COIds::KPhase},
    {L"Liquid", COIds::KPhase},
    {L"Solid", COIds::KPhase},
    {L"Overall", COIds::KPhase},
    {L"VaporLiquid", COIds::KPhase},
    {L"Mixture", COIds::KCalcType},
    {L"Pure", COIds::KCalcType},
    {L"mole", COIds::KBasis},
    {L"mass", COIds::KBasis},
    {L"TP", COIds::KFlashType},
    {L"PH", COIds::KFlashType},
    {L"PS", COIds::KFlashType},
    {L"TVF", COIds::KFlashType},
    {L"PVF", COIds::KFlashType},
    {L".Dtemperature", COIds::KDerivative},
    {L".Dpressure", COIds::KDerivative},
    {L".Dmoles", COIds::KDerivative},
    {L"temperature", COIds::KProperty},
    {L"pressure", COIds::KProperty},
    {L"fraction", COIds::KProperty},
    {L"phaseFraction", COIds::KProperty},
    {L"flow", COIds::KProperty},
    {L"totalFlow", COIds::KProperty},
    {L"enthalpy", COIds::KProperty},
    {L"entropy", COIds::KProperty},
    {L"volume", COIds::KProperty},
    {L"density", COIds::KProperty},
    {L"fugacity", COIds::KProperty},
    {L"fugacityCoefficient", COIds::KProperty},
    {L"logFugacityCoefficient", COIds::KProperty},
    {L"heatCapacity", COIds::KProperty},
    {L"gibbsFreeEnergy", COIds::KProperty},
    {L"viscosity", COIds::KProperty},
    {L"thermalConductivity", COIds::KProperty},
    {L"molecularWeight", COIds::KProperty},
    {L"compressibilityFactor", COIds::KProperty},
    {L"surfaceTension", COIds::KProperty},
    {L"enthalpy.Dtemperature", COIds::KProperty},
    {L"molecularWeight", COIds::KConstant},
    {L"criticalTemperature", COIds::KConstant},
    {L"criticalPressure", COIds::KConstant},
    {L"criticalVolume", COIds::KConstant},
    {L"criticalDensity", COIds::KConstant},
    {L"normalBoilingPoint", COIds::KConstant},
    {L"liquidDensityAt25C", COIds::KConstant},
    {L"liquidVolumeAt25C", COIds::KConstant},
    {L"acentricFactor", COIds::KConstant},
    {L"casRegistryNumber", COIds::KConstant},
    {L"chemicalFormula", COIds::KConstant},
};

// Kind of a position by the kind ranges.
int expectedKind(int id) {
  const int ends[] = {11, 13, 15, 23, 27, 95, 135};
  for (int kind = 0; kind < 7; ++kind)
    if (id < ends[kind]) return kind;
  return -1;
}

std::wstring text(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : std::wstring(); }

std::wstring upper(std::wstring s) {
  for (wchar_t& c : s)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
  return s;
}

int find(const wchar_t* name, int kind, int start = 0, bool wholeRange = false) {
  Bstr b(name);
  return COIds::findId(b.get(), kind, start, wholeRange);
}

// Boxes shown before the first test: the module's own table fill must show none.
size_t g_boxesAtStart = 0;
class LoadTimeBoxes : public testing::Environment {
 public:
  void SetUp() override { g_boxesAtStart = ids_test::boxes().size(); }
};
testing::Environment* const g_loadTimeBoxes = testing::AddGlobalTestEnvironment(new LoadTimeBoxes);

}  // namespace

TEST(IdsTable, EveryPositionHoldsAShortNameWithoutBlanks) {
  for (int id = 1; id < COIds::count(); ++id) {
    BSTR name = COIds::getName(id);
    ASSERT_NE(nullptr, name) << "position " << id;
    const std::wstring shown = text(name);
    EXPECT_EQ(wcslen(name), SysStringLen(name)) << "position " << id;
    EXPECT_FALSE(shown.empty()) << "position " << id;
    EXPECT_LE(shown.size(), 45u) << "position " << id;
    EXPECT_EQ(std::wstring::npos, shown.find_first_of(L" \t\r\n")) << "position " << id << ": " << shown;
  }
}

// Lookups are case-insensitive and stop at the first match: a name written twice in one kind
// (in any case) would hide the later position, and a kind range off by one would lose its ends.
TEST(IdsTable, EveryNameIsFoundAtItsPositionWithinItsKind) {
  for (int id = 1; id < COIds::count(); ++id) {
    const int kind = expectedKind(id);
    const std::wstring name = text(COIds::getName(id));
    EXPECT_EQ(id, find(name.c_str(), kind)) << "position " << id << ": " << name;
    EXPECT_EQ(id, find(upper(name).c_str(), kind)) << "case-insensitive, position " << id;
    EXPECT_TRUE(COIds::isOfKind(id, kind)) << id;
  }
}

TEST(IdsTable, TheNamesPackagesAndHostsSendAreKnownInTheirKind) {
  for (const FieldName& field : kFieldNames) {
    const int id = find(field.name, field.kind);
    ASSERT_GT(id, 0) << "not known: " << text(Bstr(field.name).get());
    EXPECT_EQ(std::wstring(field.name), text(COIds::getName(id))) << "spelled otherwise at position " << id;
    EXPECT_EQ(id, find(upper(field.name).c_str(), field.kind)) << text(Bstr(field.name).get());
  }
}

TEST(IdsTable, CountAndUnnamedPositions) {
  EXPECT_EQ(135, COIds::count());
  EXPECT_EQ(nullptr, COIds::getName(0));
  EXPECT_EQ(nullptr, COIds::getName(135));
  EXPECT_EQ(nullptr, COIds::getName(136));
  EXPECT_EQ(nullptr, COIds::getName(-1));
  EXPECT_EQ(L"triplePointPressure", text(COIds::getName(134)));
  EXPECT_EQ(L"Overall", text(COIds::getName(1)));
  EXPECT_EQ(0u, g_boxesAtStart) << "the module's table fill showed a box";
}

TEST(IdsTable, SymbolicConstantsAreThePositions) {
  EXPECT_EQ(L"VaporSolid", text(COIds::getName(PhVAPORSOLID)));
  EXPECT_EQ(L"Mixture", text(COIds::getName(CtMIXTURE)));
  EXPECT_EQ(L"mass", text(COIds::getName(BsMASS)));
  EXPECT_EQ(L"TS", text(COIds::getName(FtTS)));
  EXPECT_EQ(L".Dmoles", text(COIds::getName(PdMOLES)));
  EXPECT_EQ(L"phaseFraction", text(COIds::getName(PpPHASEFRACTION)));
  EXPECT_EQ(L"totalFlow", text(COIds::getName(PpTOTALFLOW)));
  EXPECT_EQ(L"boilingPointTemperature", text(COIds::getName(PpBOILINGPOINTTEMPERATURE)));
  EXPECT_EQ(L"casRegistryNumber", text(COIds::getName(CcCASREGISTRYNUMBER)));
  EXPECT_EQ(L"triplePointPressure", text(COIds::getName(CcTRIPLEPOINTPRESSURE)));
  EXPECT_EQ(COIds::count(), CcEND);  // the last constant ends the table
}

TEST(IdsTable, AllocNameIsAnOwnedCopy) {
  Bstr copy = COIds::allocName(PpENTHALPY);
  ASSERT_NE(nullptr, copy.get());
  EXPECT_NE(COIds::getName(PpENTHALPY), copy.get());
  EXPECT_EQ(L"enthalpy", text(copy.get()));
  EXPECT_EQ(nullptr, COIds::allocName(0).get());
  EXPECT_EQ(nullptr, COIds::allocName(135).get());
  EXPECT_EQ(nullptr, COIds::allocName(-7).get());
}

TEST(IdsKinds, RangesOfTheSevenKinds) {
  const int first[] = {0, 11, 13, 15, 23, 27, 95};
  const int last[] = {10, 12, 14, 22, 26, 94, 134};
  for (int kind = 0; kind < 7; ++kind) {
    EXPECT_EQ(first[kind], COIds::kindFirst(kind)) << kind;
    EXPECT_EQ(last[kind], COIds::kindLast(kind)) << kind;
    EXPECT_TRUE(COIds::isOfKind(first[kind], kind));
    EXPECT_TRUE(COIds::isOfKind(last[kind], kind));
    if (kind != COIds::KDerivative) {  // temperature (27) counts as a derivative variable
      EXPECT_FALSE(COIds::isOfKind(last[kind] + 1, kind)) << kind;
    }
    if (first[kind] > 0) {
      EXPECT_FALSE(COIds::isOfKind(first[kind] - 1, kind)) << kind;
    }
  }
  EXPECT_EQ(-1, COIds::kindFirst(7));
  EXPECT_EQ(-1, COIds::kindLast(-1));
  EXPECT_FALSE(COIds::isOfKind(5, 7));
  EXPECT_FALSE(COIds::isOfKind(-1, -1));
}

TEST(IdsKinds, TemperatureAndPressureCountAsDerivativeVariables) {
  EXPECT_TRUE(COIds::isOfKind(27, COIds::KDerivative));
  EXPECT_TRUE(COIds::isOfKind(28, COIds::KDerivative));
  EXPECT_FALSE(COIds::isOfKind(29, COIds::KDerivative));
  EXPECT_TRUE(COIds::isOfKind(27, COIds::KProperty));
}

TEST(IdsFind, NamesThatOccurTwiceAreFoundInTheirKind) {
  EXPECT_EQ(14, find(L"MASS", 2));
  EXPECT_EQ(92, find(L"mass", 5));
  EXPECT_EQ(93, find(L"molecularWeight", 5));
  EXPECT_EQ(99, find(L"molecularWeight", 6));
  EXPECT_EQ(-1, find(L"mass", 6));
}

TEST(IdsFind, EmptyUnknownAndOutOfKind) {
  for (int kind = 0; kind < 7; ++kind) {
    EXPECT_EQ(0, find(L"", kind));
    EXPECT_EQ(0, COIds::findId(nullptr, kind));
  }
  EXPECT_EQ(-1, find(L"Vapour", 0));
  EXPECT_EQ(-1, find(L"Vapor", 5));
  EXPECT_EQ(-1, find(L"Vap", 0));
  EXPECT_EQ(-1, find(L"VaporX", 0));
  EXPECT_EQ(-1, find(L"enthalpy", 9));
}

TEST(IdsFind, StartAndWholeRange) {
  EXPECT_EQ(-1, find(L"temperature", 5, 35));
  EXPECT_EQ(42, find(L"enthalpy.Dtemperature", 5, 35));
  EXPECT_EQ(35, find(L"enthalpy", 5, 35));
  EXPECT_EQ(-1, find(L"casRegistryNumber", 5));
  EXPECT_EQ(95, find(L"casRegistryNumber", 5, 0, true));
  EXPECT_EQ(92, find(L"mass", 2, 15, true));
  EXPECT_EQ(-1, find(L"triplePointPressure", 5, 0, false));
  EXPECT_EQ(134, find(L"triplePointPressure", 0, 0, true));
}

TEST(IdsDerivatives, CreateDerivative) {
  EXPECT_EQ(L"enthalpy", text(COIds::createDerivative(35, 0).get()));
  EXPECT_EQ(L"enthalpy.Dtemperature", text(COIds::createDerivative(35, 23).get()));
  EXPECT_EQ(L"enthalpy.Dtemperature", text(COIds::createDerivative(35, 27).get()));
  EXPECT_EQ(L"enthalpy.Dpressure", text(COIds::createDerivative(35, 24).get()));
  EXPECT_EQ(L"enthalpy.Dpressure", text(COIds::createDerivative(35, 28).get()));
  EXPECT_EQ(L"fugacity.DmolFraction", text(COIds::createDerivative(33, PdMOLFRACTION).get()));
  EXPECT_EQ(L"fugacity.Dmoles", text(COIds::createDerivative(33, PdMOLES).get()));
}

TEST(IdsDerivatives, CreateDerivativeByAWrongVariableIsReported) {
  for (int variable : {13, 22, 95, -1}) {
    BoxCapture boxes;
    EXPECT_EQ(L"enthalpy", text(COIds::createDerivative(35, variable).get())) << variable;
    EXPECT_EQ(failureText(L"wrong value for createDerivative's 2nd arg. It should start with Pd"), boxes.onlyText())
        << variable;
  }
}

TEST(IdsDerivatives, GetRootProperty) {
  BoxCapture boxes;
  EXPECT_EQ(35, COIds::getRootProperty(Bstr(L"enthalpy.Dtemperature").get(), 27));
  EXPECT_EQ(35, COIds::getRootProperty(Bstr(L"enthalpy.Dtemperature").get(), 23));
  EXPECT_EQ(35, COIds::getRootProperty(Bstr(L"ENTHALPY.DTEMPERATURE").get(), 23));
  EXPECT_EQ(37, COIds::getRootProperty(Bstr(L"heatCapacity.Dpressure").get(), 28));
  EXPECT_EQ(33, COIds::getRootProperty(Bstr(L"fugacity.Dmoles").get(), 26));
  EXPECT_EQ(0, COIds::getRootProperty(Bstr(L"enthalpy").get(), 27));
  EXPECT_EQ(0, COIds::getRootProperty(Bstr(L".Dtemperature").get(), 23));
  EXPECT_EQ(0, COIds::getRootProperty(Bstr(L"enthalpy.Dpressure").get(), 27));
  EXPECT_EQ(0, COIds::getRootProperty(Bstr(L"enthalpy.Dtemp").get(), 27));
  EXPECT_EQ(0, COIds::getRootProperty(nullptr, 27));
  EXPECT_EQ(-1, COIds::getRootProperty(Bstr(L"casRegistryNumber.Dtemperature").get(), 27));
  EXPECT_EQ(-1, COIds::getRootProperty(Bstr(L"nonsense.Dmoles").get(), 26));
  EXPECT_EQ(0u, boxes.count());
}

TEST(IdsDerivatives, GetRootPropertyWithAPropertyVariableIsReported) {
  BoxCapture boxes;
  EXPECT_EQ(0, COIds::getRootProperty(Bstr(L"enthalpy.Dtemperature").get(), 35));
  EXPECT_EQ(failureText(L"getRootProperty works with Pd not with Pp"), boxes.onlyText());
}

TEST(IdsDerivatives, DerivativeVariableAndRootOfNames) {
  BoxCapture boxes;
  EXPECT_EQ(26, COIds::derivativeVariableOf(Bstr(L"fugacity.Dmoles").get()));
  EXPECT_EQ(25, COIds::derivativeVariableOf(Bstr(L"fugacity.DmolFraction").get()));
  EXPECT_EQ(27, COIds::derivativeVariableOf(Bstr(L"enthalpy.Dtemperature").get()));
  EXPECT_EQ(28, COIds::derivativeVariableOf(Bstr(L"volume.Dpressure").get()));
  EXPECT_EQ(0, COIds::derivativeVariableOf(Bstr(L"fugacity").get()));
  EXPECT_EQ(0, COIds::rootPropertyOf(Bstr(L"fugacity").get()));
  EXPECT_EQ(33, COIds::rootPropertyOf(Bstr(L"fugacity.Dmoles").get()));
  EXPECT_EQ(35, COIds::rootPropertyOf(Bstr(L"enthalpy.Dtemperature").get()));
  EXPECT_EQ(-1, COIds::rootPropertyOf(Bstr(L"bogus.Dpressure").get()));
  EXPECT_EQ(0, COIds::rootPropertyOf(Bstr(L"enthalpy.Dvolume").get()));
  EXPECT_EQ(0, COIds::rootPropertyOf(nullptr));
  EXPECT_TRUE(COIds::isDerivativeName(Bstr(L"fugacity.Dmoles").get()));
  EXPECT_TRUE(COIds::isDerivativeName(Bstr(L"bogus.Dpressure").get()));
  EXPECT_FALSE(COIds::isDerivativeName(Bstr(L"enthalpy").get()));
  EXPECT_FALSE(COIds::isDerivativeName(Bstr(L"").get()));
  EXPECT_EQ(0u, boxes.count());
}

TEST(IdsDerivatives, Codes) {
  EXPECT_EQ(4033, COIds::encodeDerivative(33, 26));
  EXPECT_EQ(35, COIds::encodeDerivative(35, 0));
  EXPECT_EQ(1035, COIds::encodeDerivative(35, 27));
  EXPECT_EQ(2035, COIds::encodeDerivative(35, 28));
  EXPECT_EQ(3035, COIds::encodeDerivative(35, 25));
  EXPECT_EQ(35 - 1000, COIds::encodeDerivative(35, 23));
  EXPECT_EQ(33, COIds::rootOfCode(4033));
  EXPECT_EQ(26, COIds::variableOfCode(4033));
  EXPECT_EQ(0, COIds::variableOfCode(35));
  EXPECT_EQ(27, COIds::variableOfCode(1035));
  EXPECT_EQ(28, COIds::variableOfCode(2999));
  EXPECT_EQ(25, COIds::variableOfCode(3035));
  EXPECT_EQ(-1, COIds::variableOfCode(5000));
  EXPECT_EQ(-1, COIds::variableOfCode(-965));
  const int table[] = {0, 27, 28, 25, 26};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(table[i], COIds::variableAt(i));
    EXPECT_EQ(i, COIds::derivativeIndex(table[i]));
  }
  EXPECT_EQ(-1, COIds::variableAt(5));
  EXPECT_EQ(-1, COIds::variableAt(-1));
  EXPECT_EQ(-1, COIds::derivativeIndex(23));
  EXPECT_EQ(-1, COIds::derivativeIndex(35));
}

TEST(IdsFlash, FixedVariablesOfEveryFlashType) {
  struct Case {
    const wchar_t* name;
    int first;
    int second;
  };
  const Case cases[] = {{L"TP", 27, 28},  {L"PH", 28, 35},  {L"TH", 27, 35}, {L"TVF", 27, 43},
                        {L"PVF", 28, 43}, {L"HVF", 35, 43}, {L"PS", 28, 36}, {L"TS", 27, 36},
                        {L"tp", 27, 28},  {L"pvf", 28, 43}};
  for (const Case& c : cases) {
    std::pair<int, int> fixed{-5, -6};
    COIds::flashSpecVariables(Bstr(c.name).get(), fixed);
    EXPECT_EQ(c.first, fixed.first) << text(Bstr(c.name).get());
    EXPECT_EQ(c.second, fixed.second) << text(Bstr(c.name).get());
  }
}

TEST(IdsFlash, AbsentTokensKeepTheirSlots) {
  std::pair<int, int> fixed{-5, -6};
  COIds::flashSpecVariables(Bstr(L"T").get(), fixed);
  EXPECT_EQ(27, fixed.first);
  EXPECT_EQ(-6, fixed.second);
  fixed = {-5, -6};
  COIds::flashSpecVariables(Bstr(L"XS").get(), fixed);
  EXPECT_EQ(-5, fixed.first);
  EXPECT_EQ(36, fixed.second);
  fixed = {-5, -6};
  COIds::flashSpecVariables(nullptr, fixed);
  EXPECT_EQ(-5, fixed.first);
  EXPECT_EQ(-6, fixed.second);
}

TEST(IdsPhaseOffsets, BothWays) {
  BoxCapture boxes;
  EXPECT_EQ(0, COIds::COphaseId2offset(3));
  EXPECT_EQ(1, COIds::COphaseId2offset(4));
  EXPECT_EQ(2, COIds::COphaseId2offset(6));
  EXPECT_EQ(3, COIds::COphaseId2offset(1));
  EXPECT_EQ(3, COIds::offset2COphaseId(0));
  EXPECT_EQ(4, COIds::offset2COphaseId(1));
  EXPECT_EQ(6, COIds::offset2COphaseId(2));
  EXPECT_EQ(1, COIds::offset2COphaseId(3));
  EXPECT_EQ(0, COIds::offset2COphaseId(4));
  EXPECT_EQ(0, COIds::offset2COphaseId(-1));
  for (int offset = 0; offset < 4; ++offset)
    EXPECT_EQ(offset, COIds::COphaseId2offset(COIds::offset2COphaseId(offset)));
  EXPECT_EQ(0u, boxes.count());
}

TEST(IdsPhaseOffsets, UnsupportedPhasesAreReportedAndGiveOverall) {
  struct Case {
    int phase;
    const wchar_t* name;
  };
  for (const Case& c : {Case{7, L"Solid"}, Case{2, L"VaporLiquid"}, Case{5, L"HeavyLiquid"}, Case{0, L""}}) {
    BoxCapture boxes;
    EXPECT_EQ(3, COIds::COphaseId2offset(c.phase));
    const std::wstring expected = std::wstring(L"Brellan ORVEX does not support phase = ") + c.name +
                                  L". This phase will be ignored.";
    EXPECT_EQ(failureText(expected.c_str(), L"COIds::COphaseId2offset"), boxes.onlyText()) << c.phase;
  }
}

// ---- the fill checks, on a table of their own ----

namespace {

// The only box shown, or none when there were more or fewer.
std::optional<ids_test::Box> onlyBox(const BoxCapture& boxes) {
  const auto shown = boxes.shown();
  if (shown.size() != 1) return std::nullopt;
  return shown[0];
}

}  // namespace

TEST(IdsFill, InOrderShowsNothingAndSetsTheCount) {
  BoxCapture boxes;
  COIdsTable t;
  t.COId(0, nullptr);
  t.COId(1, L"first");
  t.COId(2, L"second");
  t.COId(77, L"");
  EXPECT_EQ(3, t.count());
  EXPECT_EQ(nullptr, t.name(0));
  EXPECT_EQ(L"second", text(t.name(2)));
  EXPECT_EQ(nullptr, t.name(3));
  EXPECT_EQ(0u, boxes.count());
}

TEST(IdsFill, PositionMismatchIsShownInAnErrorBox) {
  BoxCapture boxes;
  COIdsTable t;
  t.COId(0, nullptr);
  t.COId(2, L"second");
  const auto box = onlyBox(boxes);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(L"COIds::COId: mismatch between array pos (1: second) and id(2)", box->text);
  EXPECT_EQ(L"ERROR", box->caption);
  EXPECT_TRUE(box->flags & MB_SYSTEMMODAL);  // no owner window
  t.COId(3, L"");
  EXPECT_EQ(2, t.count());
  EXPECT_EQ(L"second", text(t.name(1)));  // entered at the next position all the same
}

TEST(IdsFill, OverlongNameIsShownAndStillEntered) {
  BoxCapture boxes;
  COIdsTable t;
  t.COId(0, nullptr);
  const std::wstring longName(46, L'x');
  t.COId(5, longName.c_str());  // both faults: the length message wins
  EXPECT_EQ(L"COIds::COId: property identifier '" + longName + L"' in array pos 1 is longer than expected (45)",
            boxes.onlyText());
  t.COId(2, std::wstring(45, L'y').c_str());
  EXPECT_EQ(1u, boxes.count());
  t.COId(3, L"");
  EXPECT_EQ(longName, text(t.name(1)));
}

TEST(IdsFill, TooManyNamesNeverWriteBeyondTheTable) {
  BoxCapture boxes;
  COIdsTable t;
  for (int i = 0; i < COIdsTable::kSize; ++i) t.COId(i, L"n");
  EXPECT_EQ(0u, boxes.count());
  t.COId(COIdsTable::kSize, L"extra");
  EXPECT_EQ(1u, boxes.count());
}

TEST(IdsFill, KindMismatchIsShownInAnErrorBox) {
  BoxCapture boxes;
  COIdsTable t;
  t.addKind(0, 11);
  t.addKind(2, 13);
  EXPECT_EQ(L"COIds::COIdsType: mismatch between array pos (1) and id(2)", boxes.onlyText());
  EXPECT_EQ(2, t.kindCount());
}

TEST(IdsFill, KindTableOfTheModule) {
  const int ends[] = {11, 13, 15, 23, 27, 95, 135};
  ASSERT_EQ(7, COIds::table().kindCount());
  for (int kind = 0; kind < 7; ++kind) EXPECT_EQ(ends[kind], COIds::table().kindEnd(kind));
}
