#pragma once
// The identifier table: every CAPE-OPEN name the product exchanges with a package (phases,
// calculation types, bases, flash types, derivative variables, properties, component constants)
// is handled as its position in one process-wide table. The table is filled by a static
// initialiser when the module loads and is read-only afterwards, so any thread may read it.
#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "support/Raii.h"

// Symbolic identifiers, one enumeration per kind. The enumerators are the table positions; the
// table's fill checks every one of them against the position it lands on.
enum COPhaseId : int {
  PhUNDEFINED = 0,
  PhOVERALL,
  PhVAPORLIQUID,
  PhVAPOR,
  PhLIQUID,
  PhHEAVYLIQUID,
  PhWATER,
  PhSOLID,
  PhLIQUIDLIQUID,
  PhLIQUIDSOLID,
  PhVAPORSOLID,
};

enum COCalcTypeId : int { CtMIXTURE = 11, CtPURE };

enum COBasisId : int { BsMOLE = 13, BsMASS };

enum COFlashTypeId : int { FtTP = 15, FtPH, FtTH, FtTVF, FtPVF, FtHVF, FtPS, FtTS };

enum CODerivativeId : int { PdTEMPERATURE = 23, PdPRESSURE, PdMOLFRACTION, PdMOLES };

enum COPropId : int {
  PpTEMPERATURE = 27,
  PpPRESSURE,
  PpFRACTION,
  PpFUGACITYCOEFFICIENT,
  PpLOGFUGACITY,
  PpLOGFUGACITYCOEFFICIENT,
  PpFUGACITY,
  PpKVALUES,
  PpENTHALPY,
  PpENTROPY,
  PpHEATCAPACITY,
  PpVOLUME,
  PpHEATCAPACITYCV,
  PpDENSITY,
  PpFLOW,
  PpENTHALPYDTEMPERATURE,
  PpPHASEFRACTION,
  PpTOTALFLOW,
  PpLOGKVALUES,
  PpCOMPRESSIBILITY,
  PpVISCOSITY,
  PpTHERMALCONDUCTIVITY,
  PpSELFDIFFUSIONCOEFFICIENT,
  PpACTIVITY,
  PpACTIVITYCOEFFICIENT,
  PpSURFACETENSION,
  PpCOMPRESSIBILITYFACTOR,
  PpVAPORPRESSURE,
  PpSUBLIMATIONPRESSURE,
  PpMELTINGPRESSURE,
  PpGLASSTRANSITIONTEMPERATURE,
  PpSOLIDSOLIDPHASETRANSITIONTEMPERATURE,
  PpSOLIDSOLIDPHASETRANSITIONPRESSURE,
  PpVIRIALCOEFFICIENT,
  PpEXPANSIVITY,
  PpJOULETHOMSONCOEFFICIENT,
  PpHEATOFVAPORIZATION,
  PpHEATOFSUBLIMATION,
  PpHEATOFFUSION,
  PpHEATOFSOLIDSOLIDPHASETRANSITION,
  PpVOLUMECHANGEUPONVAPORIZATION,
  PpVOLUMECHANGEUPONSUBLIMATION,
  PpVOLUMECHANGEUPONMELTING,
  PpVOLUMECHANGEUPONSOLIDSOLIDPHASETRANSITION,
  PpIDEALGASHEATCAPACITY,
  PpIDEALGASENTHALPY,
  PpEXCESSENTHALPY,
  PpEXCESSENERGY,
  PpEXCESSGIBBSFREEENERGY,
  PpEXCESSHELMHOLTZFREEENERGY,
  PpEXCESSENTROPY,
  PpEXCESSVOLUME,
  PpENERGY,
  PpGIBBSFREEENERGY,
  PpHELMHOLTZFREEENERGY,
  PpPARTIALMOLARENTHALPY,
  PpPARTIALMOLARENERGY,
  PpPARTIALGIBBSFREEENERGY,
  PpPARTIALHELMHOLTZFREEENERGY,
  PpPARTIALMOLARVOLUME,
  PpBUBBLEPOINTPRESSURE,
  PpBUBBLEPOINTTEMPERATURE,
  PpDEWPOINTPRESSURE,
  PpDEWPOINTTEMPERATURE,
  PpMOLES,
  PpMASS,
  PpMOLECULARWEIGHT,
  PpBOILINGPOINTTEMPERATURE,
};

enum COConstId : int {
  CcCASREGISTRYNUMBER = 95,
  CcIUPACNAME,
  CcCHEMICALFORMULA,
  CcSTRUCTUREFORMULA,
  CcMOLECULARWEIGHT,
  CcCRITICALTEMPERATURE,
  CcCRITICALPRESSURE,
  CcCRITICALVOLUME,
  CcCRITICALCOMPRESSIBILITYFACTOR,
  CcCRITICALDENSITY,
  CcACENTRICFACTOR,
  CcDIPOLEMOMENT,
  CcPARACHOR,
  CcGYRATIONRADIUS,
  CcASSOCIATIONPARAMETER,
  CcDIFFUSIONVOLUME,
  CcDIFFUSIONCOEFFICIENT,
  CcVANDERWAALSVOLUME,
  CcVANDERWAALSAREA,
  CcENERGYLENNARDJONES,
  CcLENGTHLENNARDJONES,
  CcNORMALBOILINGPOINT,
  CcHEATOFVAPORIZATIONATNORMALBOILINGPOINT,
  CcNORMALFREEZINGPOINT,
  CcHEATOFFUSIONATNORMALFREEZINGPOINT,
  CcLIQUIDDENSITYAT25C,
  CcLIQUIDVOLUMEAT25C,
  CcIDEALGASGIBBSFREEENERGYOFFORMATIONAT25C,
  CcIDEALGASENTHALPYOFFORMATIONAT25C,
  CcSTANDARDFORMATIONENTHALPYSOLID,
  CcSTANDARDFORMATIONENTHALPYLIQUID,
  CcSTANDARDFORMATIONENTHALPYGAS,
  CcSTANDARDFREEFORMATIONENTHALPYSOLID,
  CcSTANDARDFREEFORMATIONENTHALPYLIQUID,
  CcSTANDARDFREEFORMATIONENTHALPYGAS,
  CcSTANDARDENTROPYSOLID,
  CcSTANDARDENTROPYLIQUID,
  CcSTANDARDENTROPYGAS,
  CcTRIPLEPOINTTEMPERATURE,
  CcTRIPLEPOINTPRESSURE,
  CcEND,  // the end marker: holds the empty string
};

// Storage of the identifier table and its kind table, with the checked fill operations. The
// module has one (COIds::table()); a separate one can be filled to exercise the checks.
class COIdsTable {
 public:
  static constexpr int kSize = 136;
  static constexpr int kMaxNameLength = 45;
  static constexpr int kKindCount = 7;

  COIdsTable();
  ~COIdsTable();
  COIdsTable(const COIdsTable&) = delete;
  COIdsTable& operator=(const COIdsTable&) = delete;

  // Enters a name at the next position; `position` is where the caller expects it to land. A
  // null name leaves the position without a name; the empty string ends the table (count set).
  void COId(int position, const wchar_t* name);
  // Records one kind's end; `kind` is checked against the number of kinds recorded so far.
  void addKind(int kind, int end);
  // Records the ends of the seven kinds.
  void COIdsType();

  BSTR name(int id) const { return id > 0 && id < m_count && id < kSize ? m_names[id] : nullptr; }
  int count() const { return m_count; }
  int kindCount() const { return m_kindCount; }
  int kindEnd(int kind) const { return m_kindEnds[kind]; }

 private:
  BSTR m_names[kSize] = {};
  int m_entered = 0;  // names entered so far (the running position)
  int m_count = 0;
  int m_kindEnds[kKindCount] = {};
  int m_kindCount = 0;
};

class COIds {
 public:
  enum Kind { KPhase = 0, KCalcType, KBasis, KFlashType, KDerivative, KProperty, KConstant };

  // The module's table, filled on first use (a static initialiser uses it at module load).
  static const COIdsTable& table();

  // The table's own string (not to be freed); null for 0, negative and unnamed identifiers.
  static BSTR getName(int id) { return table().name(id); }
  // A new copy of getName (null for an invalid identifier).
  static support::Bstr allocName(int id);
  static int count() { return table().count(); }

  // Identifier of a name (case-insensitive) within a kind, from `start` (0: the kind's first
  // position) to the kind's end, or to the table's end with wholeRange. Empty name 0, none -1.
  static int findId(BSTR name, int kind, int start = 0, bool wholeRange = false);

  // Kind 4 also counts temperature and pressure as members.
  static bool isOfKind(int id, int kind);
  // First and last position of a kind; -1 for an unknown kind.
  static int kindFirst(int kind);
  static int kindLast(int kind);

  // Name of a property's derivative by a variable (a Pd identifier or a property); variable 0
  // gives the property's own name. Always a new string.
  static support::Bstr createDerivative(int property, int variable);
  // Root property (kind 5) of a derivative name by `variable`; 0 when the name is not such a
  // derivative or the root is empty, -1 when the root is not a non-constant property.
  static int getRootProperty(BSTR name, int variable);
  // First of temperature, pressure, moles, mole fraction by which the name is a derivative; 0 if none.
  static int derivativeVariableOf(BSTR name);
  // Root of a derivative name (0 when it is none, -1 when the root is unknown).
  static int rootPropertyOf(BSTR name);
  static bool isDerivativeName(BSTR name) { return rootPropertyOf(name) != 0; }

  // Derivative codes: root + 1000 x index into {0, temperature, pressure, mole fraction, moles}.
  static int encodeDerivative(int root, int variable);
  static int derivativeIndex(int variable);
  static int rootOfCode(int code) { return code % 1000; }
  static int variableOfCode(int code);
  static int variableAt(int index);

  // The two variables a flash type fixes (first, second); a slot whose token is absent is kept.
  static void flashSpecVariables(BSTR name, std::pair<int, int>& fixed);

  // Host phase offsets: Vapor 0, Liquid 1, Water 2, Overall 3 (others reported, 3).
  static int COphaseId2offset(int phase);
  static int offset2COphaseId(int offset);

  // Property classes.
  static bool isTwoPhase(COPhaseId phase);
  static bool isTwoPhase(COPropId property);
  static bool isStringConstProp(int id);
  static bool isCompoundArrayProp(int property, int variable);
  static int propValueSize(int property, int calcType, int count, int variable);
  static bool isBasisDependentProp(int property);
  static bool isCalculatedProp(int property);
  static bool isFlowOrFractionName(BSTR name);
  static bool isFlowOrFraction(int id);
  static bool isFlowFractionOrDensityName(BSTR name);
  static bool isPerAmountName(BSTR name);
};
