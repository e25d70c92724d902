#include "support/Guards.h"

#include <comdef.h>

#include <new>

namespace support {

HRESULT caughtCode() noexcept {
  try {
    throw;
  } catch (const _com_error& error) {
    return FAILED(error.Error()) ? error.Error() : E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT reportUnexpected(HRESULT code) noexcept {
  try {
    return reportError(code, kUnexpected);
  } catch (...) {
    return mapCode(code);
  }
}

}  // namespace support
