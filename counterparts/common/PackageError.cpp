#include "counterparts/common/PackageError.h"

#include "CAPE-OPENv1-0-0.h"

namespace counterpart {

void fail(HRESULT code, const std::wstring& description) { throw PackageFailure{code, description}; }

const wchar_t* errorName(HRESULT code) {
  struct Named {
    HRESULT code;
    const wchar_t* name;
  };
  static const Named kNames[] = {
      {ECapeUnknownHR, L"ECapeUnknown"},
      {ECapeInvalidArgumentHR, L"ECapeInvalidArgument"},
      {ECapeNoImplHR, L"ECapeNoImpl"},
      {ECapeLimitedImplHR, L"ECapeLimitedImpl"},
      {ECapeComputationHR, L"ECapeComputation"},
      {ECapeFailedInitialisationHR, L"ECapeFailedInitialisation"},
      {ECapeSolvingErrorHR, L"ECapeSolvingError"},
      {ECapeBadInvOrderHR, L"ECapeBadInvOrder"},
      {ECapeOutOfResourcesHR, L"ECapeOutOfResources"},
  };
  for (const auto& named : kNames) {
    if (named.code == code) return named.name;
  }
  return L"ECapeUnknown";
}

}  // namespace counterpart
