#pragma once
// One property's values for the four phase slots (0 vapour, 1 liquid, 2 second liquid,
// 3 overall) on a mole and a mass basis, each with a valid flag. Values without a basis live in
// the mole set.
#include <windows.h>

#include <vector>

class CPHARR {
 public:
  static constexpr int kSlots = 4;

  CPHARR() = default;
  CPHARR(const CPHARR&) = delete;

  // ---- Virtual operations, in slot order ----
  // Copies property, variable and size, reallocates, copies every valid array of both sets and
  // clears the flags of the others.
  virtual CPHARR& assign(const CPHARR& other);
  virtual ~CPHARR();
  // propValueSize of the property for "Mixture" with the stored size.
  virtual int getSize() const;
  // compPos -1: all `size` values, else the one at compPos. Slot 4 or above: E_FAIL silently;
  // a negative slot, an unallocated array or a bad compPos: reported, E_FAIL.
  virtual HRESULT setData(int slot, const double* values, int compPos, bool moleSet);
  // Reports bad slots, bad compPos and an invalid set ("invalid phase"); copies whenever slot
  // and compPos are within bounds. E_FAIL on any report.
  virtual HRESULT getData(int slot, double* out, int compPos, bool moleSet) const;
  // A slot outside 0-3 reports "bad phase" and gives false.
  virtual bool isValid(int slot, bool moleSet) const;
  virtual HRESULT setValid(int slot, bool flag, bool moleSet);

  // Sets the size for `compoundCount` compounds (the count for compound arrays, else 1) and
  // allocates all eight arrays anew; the flags are left as they were.
  void allocate(int compoundCount);
  void stamp(int property, int variable) {
    m_property = property;
    m_variable = variable;
  }

  int property() const { return m_property; }
  int variable() const { return m_variable; }
  int size() const { return m_size; }
  bool allocated() const { return m_allocated; }
  // Direct read access for the hot path: the slot's array (size() values) or null when the
  // slot is out of range, unallocated or not valid in that set.
  const double* validValues(int slot, bool moleSet) const {
    if (slot < 0 || slot >= kSlots || !m_allocated) return nullptr;
    const Set& s = m_sets[moleSet ? 0 : 1][slot];
    return s.valid ? s.values.data() : nullptr;
  }
  void clearAll();  // every flag false

 private:
  struct Set {
    std::vector<double> values;
    bool valid = false;
  };
  // Reports a slot that cannot be used; true when it is fine.
  bool checkSlot(int slot, const char* origin) const;

  int m_property = 0;
  int m_variable = 0;
  int m_size = 0;
  bool m_allocated = false;
  Set m_sets[2][kSlots];  // [0] mole, [1] mass
};
