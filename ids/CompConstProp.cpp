#include "ids/CompConstProp.h"

#include "support/Report.h"

void CompConstProp::reset() { *this = CompConstProp(); }

HRESULT CompConstProp::check() const {
  // The never-set marker is itself negative: test it first so that it gets its own message.
  if (m_molecularWeight == MathUtils::kUnset)
    return support::reportFailure("Compound cache has not been initialized. Contact support");
  if (m_molecularWeight < 0.0 || m_criticalTemperature < 0.0 || m_criticalPressure < 0.0)
    return support::reportFailure("MW, CT or CP are negative. ");
  return S_OK;
}
