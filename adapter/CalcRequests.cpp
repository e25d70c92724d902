// The calculation requests' part and their scratch arrays; the requests themselves are in
// KValues.cpp and PhaseProperties.cpp.
#include "adapter/CalcRequests.h"

#include "support/SetGet.h"

void CalcWorkArrays::size(int n) {
  const size_t count = static_cast<size_t>(n);
  for (int p = 0; p < 3; ++p) {
    phase[p][0].assign(count, 0.0);
    if (p > 0)
      phase[p][1].assign(count, 0.0);
    else
      phase[p][1].clear();
  }
  for (support::Variant& array : scratch) support::SetGet::Create(array.get(), VT_R8, n);
}

void CalcWorkArrays::release() {
  for (auto& pair : phase)
    for (auto& work : pair) std::vector<double>().swap(work);
  for (auto& array : scratch) array.reset();
}

CalcRequests::CalcRequests(AdapterSide& adapter, COVCOError& errors, bridge::CallBridge& bridge,
                           PackageObjects& objects, const PackageAbilities& abilities, CalcWorkArrays& work)
    : m_adapter(adapter),
      m_errors(errors),
      m_bridge(bridge),
      m_objects(objects),
      m_abilities(abilities),
      m_work(work),
      m_opening(errors, objects, work) {}
