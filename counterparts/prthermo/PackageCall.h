#pragma once
// The COM boundary of the package's members (included by the files that implement them).
#include <stdexcept>
#include <utility>

#include "counterparts/prthermo/core/Flash.h"
#include "counterparts/prthermo/PropertyPackage.h"
#include "support/Text.h"

namespace prthermo {

// A calculation's own exceptions: a flash that did not converge, data the core cannot use, and
// arguments or results outside its range.
inline counterpart::PackageFailure describeException(const std::exception& e) {
  std::wstring text = support::widen(e.what());
  if (dynamic_cast<const prcore::FlashError*>(&e)) return {ECapeSolvingErrorHR, std::move(text)};
  if (dynamic_cast<const prcore::DataError*>(&e)) return {ECapeFailedInitialisationHR, std::move(text)};
  if (dynamic_cast<const std::invalid_argument*>(&e) || dynamic_cast<const std::domain_error*>(&e))
    return {ECapeComputationHR, std::move(text)};
  return {ECapeUnknownHR, L"unexpected C++ exception: " + text};
}

template <class Body>
HRESULT PropertyPackage::call(const wchar_t* operation, const wchar_t* interfaceName, Body body) {
  const HRESULT thread = onHomeThread();
  if (FAILED(thread)) return thread;
  if (m_error.code != S_OK || !m_error.description.empty()) m_error = counterpart::ErrorRecord{};
  auto record = [&](HRESULT code, const std::wstring& text) { this->record(code, text, operation, interfaceName); };
  return counterpart::runPackageCall(body, record, &describeException);
}

template <class Body>
HRESULT PropertyPackage::identificationCall(const wchar_t* operation, Body body) {
  return call(operation, L"ICapeIdentification", body);
}

}  // namespace prthermo
