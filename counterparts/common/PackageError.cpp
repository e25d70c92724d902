#include "counterparts/common/PackageError.h"

#include <new>

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

PackageFailure currentFailure(ExceptionDescriber describe) {
  try {
    throw;
  } catch (const PackageFailure& failure) {
    return failure;
  } catch (const std::bad_alloc&) {
    return {ECapeOutOfResourcesHR, L"out of memory"};
  } catch (const std::exception& e) {
    return describe(e);
  } catch (...) {
    return {ECapeUnknownHR, L"unexpected exception"};
  }
}

}  // namespace counterpart
