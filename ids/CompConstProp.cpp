#include "ids/CompConstProp.h"

#include <new>

#include "support/Report.h"

CompConstProp CompConstProp::copy() const {
  CompConstProp c;
  static_cast<CompConstNumbers&>(c) = *this;
  for (support::Bstr CompConstProp::*text :
       {&CompConstProp::m_compId, &CompConstProp::m_formula, &CompConstProp::m_name, &CompConstProp::m_casNumber})
    if (FAILED((c.*text).copyFrom((this->*text).get()))) throw std::bad_alloc();
  return c;
}

void CompConstProp::reset() { *this = CompConstProp(); }

HRESULT CompConstProp::check() const {
  // The never-set marker is itself negative: test it first so that it gets its own message.
  if (m_molecularWeight == MathUtils::kUnset)
    return support::reportFailure("Compound cache has not been initialized. Contact support");
  if (m_molecularWeight < 0.0 || m_criticalTemperature < 0.0 || m_criticalPressure < 0.0)
    return support::reportFailure("MW, CT or CP are negative. ");
  return S_OK;
}
