#include "bridge/CallParameters.h"

namespace bridge {

const int kVapourLiquidPhaseTypes[3] = {HOST_PHASE_VAPOUR, HOST_PHASE_LIQUID, HOST_PHASE_ABSENT};
const int kLiquidLiquidPhaseTypes[3] = {HOST_PHASE_LIQUID, HOST_PHASE_LIQUID, HOST_PHASE_ABSENT};

}  // namespace bridge
