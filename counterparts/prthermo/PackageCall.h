#pragma once
// The COM boundary of the package's members (included by the files that implement them).
#include <new>
#include <stdexcept>

#include "counterparts/prthermo/core/Flash.h"
#include "counterparts/prthermo/PropertyPackage.h"
#include "support/Text.h"

namespace prthermo {

template <class Body>
HRESULT PropertyPackage::call(const wchar_t* operation, const wchar_t* interfaceName, Body body) {
  const HRESULT thread = onHomeThread();
  if (FAILED(thread)) return thread;
  if (m_error.code != S_OK || !m_error.description.empty()) m_error = counterpart::ErrorRecord{};
  auto failed = [&](HRESULT code, const std::wstring& text) {
    record(code, text, operation, interfaceName);
    return code;
  };
  try {
    return body();
  } catch (const counterpart::PackageFailure& failure) {
    return failed(failure.code, failure.description);
  } catch (const std::bad_alloc&) {
    return failed(ECapeOutOfResourcesHR, L"out of memory");
  } catch (const prcore::FlashError& e) {
    return failed(ECapeSolvingErrorHR, support::widen(e.what()));
  } catch (const prcore::DataError& e) {
    return failed(ECapeFailedInitialisationHR, support::widen(e.what()));
  } catch (const std::invalid_argument& e) {
    return failed(ECapeComputationHR, support::widen(e.what()));
  } catch (const std::domain_error& e) {
    return failed(ECapeComputationHR, support::widen(e.what()));
  } catch (const std::exception& e) {
    return failed(ECapeUnknownHR, L"unexpected C++ exception: " + support::widen(e.what()));
  } catch (...) {
    return failed(ECapeUnknownHR, L"unexpected exception");
  }
}

template <class Body>
HRESULT PropertyPackage::identificationCall(const wchar_t* operation, Body body) {
  return call(operation, L"ICapeIdentification", body);
}

}  // namespace prthermo
