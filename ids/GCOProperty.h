#pragma once
// A property value that the package stored outside the material object's property table,
// keyed by property, phase, calculation type and basis names.
#include <windows.h>
#include <oleauto.h>

#include "support/Raii.h"

// What a record needs of the material object that owns it.
class COCompoundList {
 public:
  virtual int compoundCount() const = 0;
  // Position of a compound id (case-insensitive), -1 when it is not one of the compounds.
  virtual int compoundIndex(BSTR id) const = 0;

 protected:
  ~COCompoundList() = default;
};

class GCOProperty {
 public:
  GCOProperty(const COCompoundList* owner, BSTR property, BSTR phase, BSTR calcType, BSTR basis);

  // Names compare case-insensitively (empty equals empty); "mole" and "mass" match each other.
  bool matches(BSTR property, BSTR phase, BSTR calcType, BSTR basis) const;

  // Stores a double array as given, or, for per-compound values named by compound ids, at
  // the compounds' positions in an array of the compound count. E_INVALIDARG when refused
  // (not a double array, ids not a string array of the value's bounds, an unknown compound);
  // the stored value is then unchanged.
  HRESULT setValue(const VARIANT& compIds, const VARIANT& value);
  const VARIANT& value() const { return m_value.get(); }
  // A copy of the value into an empty VARIANT.
  HRESULT getValue(VARIANT* out) const;

  BSTR property() const { return m_property.get(); }
  BSTR phase() const { return m_phase.get(); }
  BSTR calcType() const { return m_calcType.get(); }
  BSTR basis() const { return m_basis.get(); }
  const COCompoundList* owner() const { return m_owner; }

 private:
  bool storesPerCompound(const VARIANT& compIds) const;
  HRESULT placeByCompound(const VARIANT& compIds, const VARIANT& value);

  support::Bstr m_property;
  support::Bstr m_phase;
  support::Bstr m_calcType;
  support::Bstr m_basis;
  const COCompoundList* m_owner;
  support::Variant m_value;
};
