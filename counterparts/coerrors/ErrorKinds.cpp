#include "counterparts/coerrors/ErrorKinds.h"

#include <iterator>

#include "CAPE-OPENv1-0-0.h"

namespace coerrors {

namespace {

#define KIND(n) {n##HR, L## #n, &__uuidof(n)}
const ErrorKind kKinds[] = {
    KIND(ECapeUnknown),          KIND(ECapeData),
    KIND(ECapeLicenceError),     KIND(ECapeBadCOParameter),
    KIND(ECapeBadArgument),      KIND(ECapeInvalidArgument),
    KIND(ECapeOutOfBounds),      KIND(ECapeImplementation),
    KIND(ECapeNoImpl),           KIND(ECapeLimitedImpl),
    KIND(ECapeComputation),      KIND(ECapeOutOfResources),
    KIND(ECapeNoMemory),         KIND(ECapeTimeOut),
    KIND(ECapeFailedInitialisation), KIND(ECapeSolvingError),
    KIND(ECapeBadInvOrder),      KIND(ECapeInvalidOperation),
    KIND(ECapePersistence),      KIND(ECapeIllegalAccess),
    KIND(ECapePersistenceNotFound), KIND(ECapePersistenceSystemError),
    KIND(ECapePersistenceOverflow), KIND(ECapeOutsideSolverScope),
    KIND(ECapeHessianInfoNotAvailable),
};
#undef KIND

}  // namespace

const ErrorKind* kindOfCode(HRESULT code) {
  for (const ErrorKind& kind : kKinds) {
    if (kind.code == code) return &kind;
  }
  return nullptr;
}

const ErrorKind* kindNamed(const wchar_t* name) {
  if (!name) return nullptr;
  for (const ErrorKind& kind : kKinds) {
    if (CompareStringOrdinal(kind.name, -1, name, -1, TRUE) == CSTR_EQUAL) return &kind;
  }
  return nullptr;
}

}  // namespace coerrors
