#include "matobj/CPHARR.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "ids/COIds.h"
#include "support/Report.h"

namespace {

const char kSetOrigin[] = "CPHARRP::setData";
const char kGetOrigin[] = "CPHARRP::getData";

void reportSlot(const char* format, int slot, const char* origin) {
  char text[64];
  snprintf(text, sizeof text, format, slot);
  support::reportFailure(text, origin);
}

// compPos -1 stands for the whole array; anything else must name one value.
bool compPosFits(int compPos, int size) { return compPos >= -1 && compPos < size; }

}  // namespace

CPHARR& CPHARR::assign(const CPHARR& other) {
  if (&other == this) return *this;
  m_property = other.m_property;
  m_variable = other.m_variable;
  m_size = other.m_size;
  m_allocated = other.m_allocated;
  for (int set = 0; set < 2; ++set) {
    for (int slot = 0; slot < kSlots; ++slot) {
      const Set& from = other.m_sets[set][slot];
      Set& to = m_sets[set][slot];
      to.values.assign(static_cast<size_t>(m_size), 0.0);
      to.valid = from.valid;
      if (from.valid) std::copy(from.values.begin(), from.values.end(), to.values.begin());
    }
  }
  return *this;
}

CPHARR::~CPHARR() = default;

int CPHARR::getSize() const { return COIds::propValueSize(m_property, CtMIXTURE, m_size, m_variable); }

bool CPHARR::checkSlot(int slot, const char* origin) const {
  if (slot < 0 || slot >= kSlots) {
    reportSlot("Phase index is incorrect %i", slot, origin);
    return false;
  }
  if (!m_allocated) {
    reportSlot("Phase at index %i is not initialized", slot, origin);
    return false;
  }
  return true;
}

HRESULT CPHARR::setData(int slot, const double* values, int compPos, bool moleSet) {
  if (slot >= kSlots) return E_FAIL;
  if (!checkSlot(slot, kSetOrigin)) return E_FAIL;
  if (!compPosFits(compPos, m_size)) return support::reportFailure("bad compPos", kSetOrigin);
  if (!values) return E_POINTER;
  Set& s = m_sets[moleSet ? 0 : 1][slot];
  if (compPos < 0)
    std::copy(values, values + m_size, s.values.begin());
  else
    s.values[static_cast<size_t>(compPos)] = values[0];
  s.valid = true;
  return S_OK;
}

HRESULT CPHARR::getData(int slot, double* out, int compPos, bool moleSet) const {
  if (!checkSlot(slot, kGetOrigin)) return E_FAIL;
  if (!compPosFits(compPos, m_size)) return support::reportFailure("bad compPos", kGetOrigin);
  if (!out) return E_POINTER;
  const Set& s = m_sets[moleSet ? 0 : 1][slot];
  HRESULT hr = S_OK;
  if (!s.valid) hr = support::reportFailure("invalid phase", kGetOrigin);
  if (compPos < 0)
    std::copy(s.values.begin(), s.values.end(), out);
  else
    out[0] = s.values[static_cast<size_t>(compPos)];
  return hr;
}

bool CPHARR::isValid(int slot, bool moleSet) const {
  if (slot < 0 || slot >= kSlots) {
    support::reportFailure("bad phase", "CPHARRP::isValid");
    return false;
  }
  return m_sets[moleSet ? 0 : 1][slot].valid;
}

HRESULT CPHARR::setValid(int slot, bool flag, bool moleSet) {
  if (slot < 0 || slot >= kSlots) return E_FAIL;
  m_sets[moleSet ? 0 : 1][slot].valid = flag;
  return S_OK;
}

void CPHARR::allocate(int compoundCount) {
  const int count = std::max(compoundCount, 0);
  m_size = COIds::isCompoundArrayProp(m_property, m_variable) ? count : 1;
  for (auto& set : m_sets)
    for (Set& s : set) std::vector<double>(static_cast<size_t>(m_size), 0.0).swap(s.values);
  m_allocated = true;
}

void CPHARR::clearAll() {
  for (auto& set : m_sets)
    for (Set& s : set) s.valid = false;
}
