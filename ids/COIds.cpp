#include "ids/COIds.h"

#include <comdef.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

#include "support/MessageSeam.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Utils.h"

namespace {

// Separator between a property and the variable it is differentiated by.
const wchar_t kDerivativeSeparator[] = L".D";

struct NameEntry {
  int id;
  const wchar_t* name;
  bool isDerivative;  // the name is joined to the separator
};

// Every named position, in table order.
const NameEntry kNames[] = {
    {PhUNDEFINED, nullptr, false},
    {PhOVERALL, L"Overall", false},
    {PhVAPORLIQUID, L"VaporLiquid", false},
    {PhVAPOR, L"Vapor", false},
    {PhLIQUID, L"Liquid", false},
    {PhHEAVYLIQUID, L"HeavyLiquid", false},
    {PhWATER, L"Water", false},
    {PhSOLID, L"Solid", false},
    {PhLIQUIDLIQUID, L"LiquidLiquid", false},
    {PhLIQUIDSOLID, L"LiquidSolid", false},
    {PhVAPORSOLID, L"VaporSolid", false},
    {CtMIXTURE, L"Mixture", false},
    {CtPURE, L"Pure", false},
    {BsMOLE, L"mole", false},
    {BsMASS, L"mass", false},
    {FtTP, L"TP", false},
    {FtPH, L"PH", false},
    {FtTH, L"TH", false},
    {FtTVF, L"TVF", false},
    {FtPVF, L"PVF", false},
    {FtHVF, L"HVF", false},
    {FtPS, L"PS", false},
    {FtTS, L"TS", false},
    {PdTEMPERATURE, L"temperature", true},
    {PdPRESSURE, L"pressure", true},
    {PdMOLFRACTION, L"molFraction", true},
    {PdMOLES, L"moles", true},
    {PpTEMPERATURE, L"temperature", false},
    {PpPRESSURE, L"pressure", false},
    {PpFRACTION, L"fraction", false},
    {PpFUGACITYCOEFFICIENT, L"fugacityCoefficient", false},
    {PpLOGFUGACITY, L"logFugacity", false},
    {PpLOGFUGACITYCOEFFICIENT, L"logFugacityCoefficient", false},
    {PpFUGACITY, L"fugacity", false},
    {PpKVALUES, L"kvalues", false},
    {PpENTHALPY, L"enthalpy", false},
    {PpENTROPY, L"entropy", false},
    {PpHEATCAPACITY, L"heatCapacity", false},
    {PpVOLUME, L"volume", false},
    {PpHEATCAPACITYCV, L"heatCapacityCV", false},
    {PpDENSITY, L"density", false},
    {PpFLOW, L"flow", false},
    {PpENTHALPYDTEMPERATURE, L"enthalpy.Dtemperature", false},
    {PpPHASEFRACTION, L"phaseFraction", false},
    {PpTOTALFLOW, L"totalFlow", false},
    {PpLOGKVALUES, L"logkvalues", false},
    {PpCOMPRESSIBILITY, L"compressibility", false},
    {PpVISCOSITY, L"viscosity", false},
    {PpTHERMALCONDUCTIVITY, L"thermalConductivity", false},
    {PpSELFDIFFUSIONCOEFFICIENT, L"selfDiffusionCoefficient", false},
    {PpACTIVITY, L"activity", false},
    {PpACTIVITYCOEFFICIENT, L"activityCoefficient", false},
    {PpSURFACETENSION, L"surfaceTension", false},
    {PpCOMPRESSIBILITYFACTOR, L"compressibilityFactor", false},
    {PpVAPORPRESSURE, L"vaporPressure", false},
    {PpSUBLIMATIONPRESSURE, L"sublimationPressure", false},
    {PpMELTINGPRESSURE, L"meltingPressure", false},
    {PpGLASSTRANSITIONTEMPERATURE, L"glassTransitionTemperature", false},
    {PpSOLIDSOLIDPHASETRANSITIONTEMPERATURE, L"solidSolidPhaseTransitionTemperature", false},
    {PpSOLIDSOLIDPHASETRANSITIONPRESSURE, L"solidSolidPhaseTransitionPressure", false},
    {PpVIRIALCOEFFICIENT, L"virialCoefficient", false},
    {PpEXPANSIVITY, L"expansivity", false},
    {PpJOULETHOMSONCOEFFICIENT, L"jouleThomsonCoefficient", false},
    {PpHEATOFVAPORIZATION, L"heatOfVaporization", false},
    {PpHEATOFSUBLIMATION, L"heatOfSublimation", false},
    {PpHEATOFFUSION, L"heatOfFusion", false},
    {PpHEATOFSOLIDSOLIDPHASETRANSITION, L"heatOfSolidSolidPhaseTransition", false},
    {PpVOLUMECHANGEUPONVAPORIZATION, L"volumeChangeUponVaporization", false},
    {PpVOLUMECHANGEUPONSUBLIMATION, L"volumeChangeUponSublimation", false},
    {PpVOLUMECHANGEUPONMELTING, L"volumeChangeUponMelting", false},
    {PpVOLUMECHANGEUPONSOLIDSOLIDPHASETRANSITION, L"volumeChangeUponSolidSolidPhaseTransition", false},
    {PpIDEALGASHEATCAPACITY, L"idealGasHeatCapacity", false},
    {PpIDEALGASENTHALPY, L"idealGasEnthalpy", false},
    {PpEXCESSENTHALPY, L"excessEnthalpy", false},
    {PpEXCESSENERGY, L"excessEnergy", false},
    {PpEXCESSGIBBSFREEENERGY, L"excessGibbsFreeEnergy", false},
    {PpEXCESSHELMHOLTZFREEENERGY, L"excessHelmholtzFreeEnergy", false},
    {PpEXCESSENTROPY, L"excessEntropy", false},
    {PpEXCESSVOLUME, L"excessVolume", false},
    {PpENERGY, L"energy", false},
    {PpGIBBSFREEENERGY, L"gibbsFreeEnergy", false},
    {PpHELMHOLTZFREEENERGY, L"helmholtzFreeEnergy", false},
    {PpPARTIALMOLARENTHALPY, L"partialMolarEnthalpy", false},
    {PpPARTIALMOLARENERGY, L"partialMolarEnergy", false},
    {PpPARTIALGIBBSFREEENERGY, L"partialGibbsFreeEnergy", false},
    {PpPARTIALHELMHOLTZFREEENERGY, L"partialHelmholtzFreeEnergy", false},
    {PpPARTIALMOLARVOLUME, L"partialMolarVolume", false},
    {PpBUBBLEPOINTPRESSURE, L"bubblePointPressure", false},
    {PpBUBBLEPOINTTEMPERATURE, L"bubblePointTemperature", false},
    {PpDEWPOINTPRESSURE, L"dewPointPressure", false},
    {PpDEWPOINTTEMPERATURE, L"dewPointTemperature", false},
    {PpMOLES, L"moles", false},
    {PpMASS, L"mass", false},
    {PpMOLECULARWEIGHT, L"molecularWeight", false},
    {PpBOILINGPOINTTEMPERATURE, L"boilingPointTemperature", false},
    {CcCASREGISTRYNUMBER, L"casRegistryNumber", false},
    {CcIUPACNAME, L"iupacName", false},
    {CcCHEMICALFORMULA, L"chemicalFormula", false},
    {CcSTRUCTUREFORMULA, L"structureFormula", false},
    {CcMOLECULARWEIGHT, L"molecularWeight", false},
    {CcCRITICALTEMPERATURE, L"criticalTemperature", false},
    {CcCRITICALPRESSURE, L"criticalPressure", false},
    {CcCRITICALVOLUME, L"criticalVolume", false},
    {CcCRITICALCOMPRESSIBILITYFACTOR, L"criticalCompressibilityFactor", false},
    {CcCRITICALDENSITY, L"criticalDensity", false},
    {CcACENTRICFACTOR, L"acentricFactor", false},
    {CcDIPOLEMOMENT, L"dipoleMoment", false},
    {CcPARACHOR, L"parachor", false},
    {CcGYRATIONRADIUS, L"gyrationRadius", false},
    {CcASSOCIATIONPARAMETER, L"associationParameter", false},
    {CcDIFFUSIONVOLUME, L"diffusionVolume", false},
    {CcDIFFUSIONCOEFFICIENT, L"diffusionCoefficient", false},
    {CcVANDERWAALSVOLUME, L"vanderwaalsVolume", false},
    {CcVANDERWAALSAREA, L"vanderwaalsArea", false},
    {CcENERGYLENNARDJONES, L"energyLennardJones", false},
    {CcLENGTHLENNARDJONES, L"lengthLennardJones", false},
    {CcNORMALBOILINGPOINT, L"normalBoilingPoint", false},
    {CcHEATOFVAPORIZATIONATNORMALBOILINGPOINT, L"heatOfVaporizationAtNormalBoilingPoint", false},
    {CcNORMALFREEZINGPOINT, L"normalFreezingPoint", false},
    {CcHEATOFFUSIONATNORMALFREEZINGPOINT, L"heatOfFusionAtNormalFreezingPoint", false},
    {CcLIQUIDDENSITYAT25C, L"liquidDensityAt25C", false},
    {CcLIQUIDVOLUMEAT25C, L"liquidVolumeAt25C", false},
    {CcIDEALGASGIBBSFREEENERGYOFFORMATIONAT25C, L"idealGasGibbsFreeEnergyOfFormationAt25C", false},
    {CcIDEALGASENTHALPYOFFORMATIONAT25C, L"idealGasEnthalpyOfFormationAt25C", false},
    {CcSTANDARDFORMATIONENTHALPYSOLID, L"standardFormationEnthalpySolid", false},
    {CcSTANDARDFORMATIONENTHALPYLIQUID, L"standardFormationEnthalpyLiquid", false},
    {CcSTANDARDFORMATIONENTHALPYGAS, L"standardFormationEnthalpyGas", false},
    {CcSTANDARDFREEFORMATIONENTHALPYSOLID, L"standardFreeFormationEnthalpySolid", false},
    {CcSTANDARDFREEFORMATIONENTHALPYLIQUID, L"standardFreeFormationEnthalpyLiquid", false},
    {CcSTANDARDFREEFORMATIONENTHALPYGAS, L"standardFreeFormationEnthalpyGas", false},
    {CcSTANDARDENTROPYSOLID, L"standardEntropySolid", false},
    {CcSTANDARDENTROPYLIQUID, L"standardEntropyLiquid", false},
    {CcSTANDARDENTROPYGAS, L"standardEntropyGas", false},
    {CcTRIPLEPOINTTEMPERATURE, L"triplePointTemperature", false},
    {CcTRIPLEPOINTPRESSURE, L"triplePointPressure", false},
};

// The initialisation checks show their own box: the report machinery may not be ready yet.
void showInitError(const std::wstring& text) {
  HWND owner = support::ownerWindow();
  support::showMessage(owner, text.c_str(), L"ERROR", MB_OK | (owner ? 0u : MB_SYSTEMMODAL));
}

std::wstring formatText(const wchar_t* format, ...) {
  wchar_t buffer[512];
  va_list args;
  va_start(args, format);
  _vsnwprintf(buffer, _countof(buffer) - 1, format, args);  // cut, never overrun
  va_end(args);
  buffer[_countof(buffer) - 1] = L'\0';
  return buffer;
}

BSTR allocOrThrow(const wchar_t* s, UINT length) {
  BSTR b = SysAllocStringLen(s, length);
  if (!b) throw _com_error(E_OUTOFMEMORY);
  return b;
}

// The product's ASCII case folding, over n characters.
bool equalNoCase(const wchar_t* a, const wchar_t* b, size_t n) {
  return support::text_detail::asciiFoldedEqual(a, b, static_cast<UINT>(n));
}

bool startsWithNoCase(const wchar_t* s, size_t length, const wchar_t* prefix, size_t prefixLength) {
  return prefixLength <= length && equalNoCase(s, prefix, prefixLength);
}

// Position of the first case-insensitive occurrence of token in s, or -1.
int findNoCase(const wchar_t* s, size_t length, const wchar_t* token) {
  size_t n = wcslen(token);
  for (size_t i = 0; i + n <= length; ++i)
    if (equalNoCase(s + i, token, n)) return static_cast<int>(i);
  return -1;
}

using support::textOf;

// Derivative variables by index; temperature and pressure by their property identifiers.
const int kDerivativeVariables[] = {0, PpTEMPERATURE, PpPRESSURE, PdMOLFRACTION, PdMOLES};
constexpr int kDerivativeVariableCount = 5;

// The order in which a name is tried as a derivative.
const int kDerivativeSearchOrder[] = {PpTEMPERATURE, PpPRESSURE, PdMOLES, PdMOLFRACTION};

void reportMisuse(const char* text, const char* origin) { support::reportFailure(text, origin); }

bool isOneOf(int id, std::initializer_list<int> ids) {
  for (int i : ids)
    if (i == id) return true;
  return false;
}

bool inRange(int id, int first, int last) { return id >= first && id <= last; }

void fillStandardTable(COIdsTable& table) {
  const std::wstring separator = kDerivativeSeparator;
  for (const NameEntry& e : kNames) {
    if (e.isDerivative)
      table.COId(e.id, (separator + e.name).c_str());
    else
      table.COId(e.id, e.name);
  }
  table.COId(CcEND, L"");
  table.COIdsType();
}

// The module's table: filled on construction, freed at module unload.
struct StandardTable : COIdsTable {
  StandardTable() { fillStandardTable(*this); }
};

// Fills the module's table when the module loads. Out of memory there leaves it to the first
// use, which raises it to a caller that can report it.
struct LoadTimeFill {
  LoadTimeFill() {
    try {
      COIds::table();
    } catch (...) {
    }
  }
} loadTimeFill;

}  // namespace

// ---- COIdsTable ----

COIdsTable::COIdsTable() = default;

COIdsTable::~COIdsTable() {
  for (BSTR& s : m_names) SysFreeString(std::exchange(s, nullptr));
}

void COIdsTable::COId(int position, const wchar_t* name) {
  const bool endOfTable = name && !*name;
  if (!endOfTable) {
    const size_t length = name ? wcslen(name) : 0;
    if (length > static_cast<size_t>(kMaxNameLength))
      showInitError(formatText(L"COIds::COId: property identifier '%ls' in array pos %d is longer than expected (%d)",
                               name, m_entered, kMaxNameLength));
    else if (position != m_entered || m_entered >= kSize)
      showInitError(formatText(L"COIds::COId: mismatch between array pos (%d: %ls) and id(%d)", m_entered,
                               name ? name : L"", position));
  }
  if (m_entered >= kSize) return;  // never write beyond the table
  if (name) m_names[m_entered] = allocOrThrow(name, static_cast<UINT>(wcslen(name)));
  if (endOfTable) {
    m_count = m_entered;
    return;
  }
  ++m_entered;
}

void COIdsTable::addKind(int kind, int end) {
  if (kind != m_kindCount || m_kindCount >= kKindCount)
    showInitError(formatText(L"COIds::COIdsType: mismatch between array pos (%d) and id(%d)", m_kindCount, kind));
  if (m_kindCount >= kKindCount) return;
  m_kindEnds[m_kindCount++] = end;
}

void COIdsTable::COIdsType() {
  addKind(COIds::KPhase, PhVAPORSOLID + 1);
  addKind(COIds::KCalcType, CtPURE + 1);
  addKind(COIds::KBasis, BsMASS + 1);
  addKind(COIds::KFlashType, FtTS + 1);
  addKind(COIds::KDerivative, PdMOLES + 1);
  addKind(COIds::KProperty, PpBOILINGPOINTTEMPERATURE + 1);
  addKind(COIds::KConstant, CcTRIPLEPOINTPRESSURE + 1);
}

// ---- COIds: names and kinds ----

const COIdsTable& COIds::table() {
  static const StandardTable t;
  return t;
}

support::Bstr COIds::allocName(int id) {
  BSTR s = getName(id);
  if (!s) return support::Bstr();
  return support::Bstr::attach(allocOrThrow(s, SysStringLen(s)));
}

int COIds::kindFirst(int kind) {
  if (kind < 0 || kind >= table().kindCount()) return -1;
  return kind == 0 ? 0 : table().kindEnd(kind - 1);
}

int COIds::kindLast(int kind) {
  if (kind < 0 || kind >= table().kindCount()) return -1;
  return table().kindEnd(kind) - 1;
}

bool COIds::isOfKind(int id, int kind) {
  if (kindFirst(kind) < 0) return false;
  if (kind == KDerivative && (id == PpTEMPERATURE || id == PpPRESSURE)) return true;
  return inRange(id, kindFirst(kind), kindLast(kind));
}

int COIds::findId(BSTR name, int kind, int start, bool wholeRange) {
  if (SysStringLen(name) == 0) return 0;
  const int first = kindFirst(kind);
  if (first < 0) return -1;
  const int end = wholeRange ? count() : kindLast(kind) + 1;
  const COIdsTable& t = table();
  for (int id = start > 0 ? start : first; id < end; ++id)
    if (support::sameText(t.name(id), name)) return id;
  return -1;
}

// ---- derivatives ----

support::Bstr COIds::createDerivative(int property, int variable) {
  BSTR root = getName(property);
  if (!root) return support::Bstr();
  std::wstring name(root, SysStringLen(root));
  if (inRange(variable, kindFirst(KProperty), kindLast(KProperty))) {
    name += kDerivativeSeparator;
    name += textOf(getName(variable));
  } else if (inRange(variable, kindFirst(KDerivative), kindLast(KDerivative))) {
    name += textOf(getName(variable));
  } else if (variable != 0) {
    reportMisuse("wrong value for createDerivative's 2nd arg. It should start with Pd", nullptr);
  }
  return support::Bstr::attach(allocOrThrow(name.data(), static_cast<UINT>(name.size())));
}

int COIds::getRootProperty(BSTR name, int variable) {
  if (variable == PpTEMPERATURE)
    variable = PdTEMPERATURE;
  else if (variable == PpPRESSURE)
    variable = PdPRESSURE;
  else if (!inRange(variable, kindFirst(KDerivative), kindLast(KDerivative)))
    reportMisuse("getRootProperty works with Pd not with Pp", nullptr);

  BSTR variableName = getName(variable);
  const size_t variableLength = SysStringLen(variableName);
  const size_t length = SysStringLen(name);
  if (variableLength == 0 || length == 0) return 0;
  const wchar_t* dot = wmemchr(name, L'.', length);
  if (!dot) return 0;
  const size_t rootLength = static_cast<size_t>(dot - name);
  if (!startsWithNoCase(dot, length - rootLength, variableName, variableLength)) return 0;
  if (rootLength == 0) return 0;
  support::Bstr root = support::Bstr::attach(allocOrThrow(name, static_cast<UINT>(rootLength)));
  return findId(root.get(), KProperty);
}

int COIds::derivativeVariableOf(BSTR name) {
  for (int variable : kDerivativeSearchOrder)
    if (getRootProperty(name, variable) != 0) return variable;
  return 0;
}

int COIds::rootPropertyOf(BSTR name) {
  const size_t length = SysStringLen(name);
  if (length < 2 || !wcsstr(name, kDerivativeSeparator)) return 0;
  for (int variable : kDerivativeSearchOrder)
    if (int root = getRootProperty(name, variable)) return root;
  return 0;
}

int COIds::derivativeIndex(int variable) {
  for (int i = 0; i < kDerivativeVariableCount; ++i)
    if (kDerivativeVariables[i] == variable) return i;
  return -1;
}

int COIds::encodeDerivative(int root, int variable) { return root + 1000 * derivativeIndex(variable); }

int COIds::variableOfCode(int code) { return code >= 0 && code < 5000 ? kDerivativeVariables[code / 1000] : -1; }

int COIds::variableAt(int index) {
  return index >= 0 && index < kDerivativeVariableCount ? kDerivativeVariables[index] : -1;
}

// ---- flash types and host phases ----

void COIds::flashSpecVariables(BSTR name, std::pair<int, int>& fixed) {
  struct Token {
    const wchar_t* text;
    int variable;
  };
  static const Token kTokens[] = {{L"T", PpTEMPERATURE}, {L"P", PpPRESSURE}, {L"H", PpENTHALPY},
                                  {L"VF", PpPHASEFRACTION}, {L"S", PpENTROPY}};
  const size_t length = SysStringLen(name);
  for (const Token& token : kTokens) {
    const int at = findNoCase(name, length, token.text);
    if (at == 0)
      fixed.first = token.variable;
    else if (at > 0)
      fixed.second = token.variable;
  }
}

int COIds::COphaseId2offset(int phase) {
  switch (phase) {
    case PhVAPOR: return 0;
    case PhLIQUID: return 1;
    case PhWATER: return 2;
    case PhOVERALL: return 3;
    default: break;
  }
  const std::string text = "Brellan ORVEX does not support phase = " + support::narrow(textOf(getName(phase))) +
                           ". This phase will be ignored.";
  reportMisuse(text.c_str(), "COIds::COphaseId2offset");
  return 3;
}

int COIds::offset2COphaseId(int offset) {
  static const int kPhases[] = {PhVAPOR, PhLIQUID, PhWATER, PhOVERALL};
  return offset >= 0 && offset < 4 ? kPhases[offset] : PhUNDEFINED;
}

// ---- property classes ----

bool COIds::isTwoPhase(COPhaseId phase) {
  if (!isOfKind(phase, KPhase)) {
    reportMisuse("Argument must be phase identifier", "isTwoPhase");
    return false;
  }
  return isOneOf(phase, {PhVAPORLIQUID, PhLIQUIDLIQUID, PhLIQUIDSOLID, PhVAPORSOLID});
}

bool COIds::isTwoPhase(COPropId property) {
  if (!isOfKind(property, KProperty)) {
    reportMisuse("Argument must be non constant property identifier", "isTwoPhase");
    return false;
  }
  return isOneOf(property, {PpKVALUES, PpLOGKVALUES, PpSURFACETENSION});
}

bool COIds::isStringConstProp(int id) {
  if (!isOfKind(id, KConstant)) {
    BSTR name = getName(id);
    const std::string origin = support::narrow(textOf(name));
    reportMisuse("Argument of isStringConstProp must be constant property identifier",
                 origin.empty() ? nullptr : origin.c_str());
    return false;
  }
  return inRange(id, CcCASREGISTRYNUMBER, CcSTRUCTUREFORMULA);
}

bool COIds::isCompoundArrayProp(int property, int variable) {
  return variable == PdMOLFRACTION || variable == PdMOLES || inRange(property, PpFRACTION, PpKVALUES) ||
         property == PpFLOW || property == PpLOGKVALUES ||
         inRange(property, PpSELFDIFFUSIONCOEFFICIENT, PpACTIVITYCOEFFICIENT) || property == CcDIFFUSIONCOEFFICIENT;
}

int COIds::propValueSize(int property, int calcType, int count, int variable) {
  const bool perCompound = calcType == CtPURE || isCompoundArrayProp(property, variable);
  return perCompound ? count : 1;
}

bool COIds::isBasisDependentProp(int property) {
  return property == PpFRACTION || inRange(property, PpENTHALPY, PpTOTALFLOW) ||
         inRange(property, PpEXCESSENTHALPY, PpEXCESSVOLUME) || property == PpGIBBSFREEENERGY ||
         property == PpHELMHOLTZFREEENERGY;
}

bool COIds::isCalculatedProp(int property) {
  return isOfKind(property, KProperty) &&
         !isOneOf(property, {PpTEMPERATURE, PpPRESSURE, PpFRACTION, PpFLOW, PpPHASEFRACTION, PpTOTALFLOW, PpMOLES,
                             PpMASS});
}

bool COIds::isFlowOrFraction(int id) { return isOneOf(id, {PpFRACTION, PpFLOW, PpPHASEFRACTION, PpTOTALFLOW}); }

bool COIds::isFlowOrFractionName(BSTR name) { return isFlowOrFraction(findId(name, KProperty)); }

bool COIds::isFlowFractionOrDensityName(BSTR name) {
  const int id = findId(name, KProperty);
  return id == PpDENSITY || isFlowOrFraction(id);
}

bool COIds::isPerAmountName(BSTR name) {
  const int id = findId(name, KProperty);
  if (inRange(id, PpENTHALPY, PpENTHALPYDTEMPERATURE) && id != PpFLOW) return true;
  const size_t length = SysStringLen(name);
  for (const wchar_t* prefix : {L"volume", L"enthalpy", L"entropy"})
    if (startsWithNoCase(name, length, prefix, wcslen(prefix))) return true;
  return false;
}
