#include "adapter/PackageAbilities.h"

#include "support/Utils.h"

namespace {

constexpr wchar_t kPhaseListAction[] = L"requesting GetPhaseList method";
constexpr wchar_t kPropListAction[] = L"requesting GetPropList method";

long positionIn(const VARIANT& list, const wchar_t* name) {
  return support::Utils::findPos(list, name);
}

}  // namespace

HRESULT PackageAbilities::readPackageLists(ICapeThermoPropertyPackage* package) {
  HRESULT hr = package->GetPhaseList(m_phaseList.out());
  if (FAILED(hr)) hr = m_errors.complainError(kPhaseListAction, hr, package, Calculating::no);
  if (FAILED(hr)) return hr;
  hr = package->GetPropList(m_propList.out());
  if (FAILED(hr)) hr = m_errors.complainError(kPropListAction, hr, package, Calculating::no);
  return hr;
}

void PackageAbilities::recordListPositions() {
  const VARIANT& properties = m_propList.get();
  m_positions.fugacityCoefficient = positionIn(properties, L"fugacityCoefficient");
  m_positions.kvalues = positionIn(properties, L"kvalues");
  m_positions.logFugacityCoefficient = positionIn(properties, L"logFugacityCoefficient");
  m_positions.logkvalues = positionIn(properties, L"logkvalues");
  m_positions.activityCoefficient = positionIn(properties, L"activityCoefficient");
  m_positions.vaporLiquid = positionIn(m_phaseList.get(), L"VaporLiquid");
  m_caps.kvalues = m_positions.kvalues >= 0;
  m_caps.fugacityCoefficient = m_positions.fugacityCoefficient >= 0;
  m_caps.activityCoefficient = m_positions.activityCoefficient >= 0;
  m_caps.vaporLiquid = m_positions.vaporLiquid >= 0;
  m_caps.logKValues = m_positions.logkvalues >= 0;
  m_caps.logFugacityCoefficient = m_positions.logFugacityCoefficient >= 0;
}

void PackageAbilities::clear() {
  m_propList.reset();
  m_phaseList.reset();
}
