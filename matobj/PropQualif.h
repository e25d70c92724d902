#pragma once
// The request of one property value, as the package names it in GetProp / SetProp, with the
// names resolved to identifiers. Built per call on the caller's strings: nothing is copied on
// the way in.
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "support/Raii.h"

struct PropQualif {
  // The names as given (borrowed from the caller or from the identifier table, or held in
  // `owned` when the qualifier made them); `basis` changes when the basis is corrected.
  BSTR property = nullptr;
  BSTR phase = nullptr;
  BSTR calcType = nullptr;
  BSTR basis = nullptr;
  // Identifiers: -1 when a name is not found, 0 when it is empty.
  int propId = 0;
  int phaseId = 0;
  int calcTypeId = 0;
  int basisId = 0;
  // Empty or a string array (borrowed).
  const VARIANT* compIds = nullptr;
  // The property itself and 0 for a plain property, else the derivative's root and variable.
  int rootProp = 0;
  int derVariable = 0;

  support::Bstr owned;  // a name the qualifier made itself

  // The names given joined, for messages: "property, phase, calcType, basis" (empty ones left out).
  std::wstring text() const;

  // compIds names at least one compound (an empty array stands for all of them).
  bool hasCompIds() const {
    return compIds && compIds->vt == (VT_ARRAY | VT_BSTR) && compIds->parray && compIds->parray->cDims == 1 &&
           compIds->parray->rgsabound[0].cElements > 0;
  }
  long idCount() const { return hasCompIds() ? static_cast<long>(compIds->parray->rgsabound[0].cElements) : 0; }
};
