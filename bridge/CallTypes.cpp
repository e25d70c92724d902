#include "bridge/CallTypes.h"

#include "support/Report.h"

namespace bridge {

namespace {
const char* const kLabels[] = {
    "ComputeKFactors",
    "ComputeKFactorsVL",
    "ComputeKFactorsLL",
    "ComputePhaseProperties",
    "ComputePhaseFugacities",
    "ComputePhaseViscosity",
    "ComputePhaseThermoConductivity",
    "ComputeLiquidSurfaceTension",
    "Edit",
    "save",
    "COTHExtendedPackage",
};
constexpr int kLabelCount = static_cast<int>(sizeof(kLabels) / sizeof(kLabels[0]));
}  // namespace

HRESULT callTypeLabel(int callType, const char** label) {
  if (label) *label = nullptr;
  if (callType < CALL_COMPUTEKFACTORS || callType > kLabelCount) return support::reportFailure("wrong CALL_TYPE");
  if (label) *label = kLabels[callType - 1];
  return S_OK;
}

bool isCalculation(int callType) {
  return callType != CALL_EDIT && callType != CALL_SAVE && callType != CALL_ADAPTER_WORK;
}

}  // namespace bridge
