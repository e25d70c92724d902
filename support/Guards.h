#pragma once
// What the product does with a failure that escapes a piece of work, in one place. Each guard
// runs its work and, when the work throws, does one thing with the failure:
//   complainingOfFailure  complains of it to the user through the error object,
//   raisingFailure        raises it to the package through the material object's error component,
//   reportingFailure      reports it at once (message box and trace line),
//   answeringFailure      only answers with its code (where nothing may be shown: DLL exports).
// Nothing escapes a guard.
//
// The code rule. A caught failure's code is the code a COM error carries (E_FAIL when it
// carries none), E_OUTOFMEMORY for a failed allocation and E_FAIL for anything else
// (caughtCode). A guard returns what its channel answers for that code: complaining and
// reporting return it mapped (internal codes 2 to 999 become E_FAIL, see mapCode), raising
// returns the error component's answer, answering returns it as it is. A complaint that names
// its own code is complained of with that code, and the mapped code is returned.
//
// The unexpected-failure texts. kUnexpected is the one text of an unexpected failure; the others
// are texts the package reads back from particular methods, kept as they are.
#include <windows.h>

#include <string>
#include <utility>

#include "support/Report.h"
#include "support/Text.h"

namespace support {

inline constexpr char kUnexpected[] = "Unexpected error ";
// Raised by the forwarding methods of the material object (creating, duplicating, calculating).
inline constexpr char kUnexpectedBare[] = "Unexpected error";
// Raised by RemoveResults.
inline constexpr char kUnexpectedStop[] = "Unexpected error.";
// Raised by PropCheck.
inline constexpr char kUnexpectedTagged[] = "ERROR_UNEXPECTED: ";

// Inside a catch block: the code of the failure being handled (the rule above).
HRESULT caughtCode() noexcept;

// Reports code with kUnexpected (box and trace line) and returns it mapped.
HRESULT reportUnexpected(HRESULT code) noexcept;

template <class Work>
HRESULT answeringFailure(Work&& work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (...) {
    return caughtCode();
  }
}

// text: what the box says before the code's description (kUnexpected when not given).
template <class Work>
HRESULT reportingFailure(Work&& work, const char* text = kUnexpected) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (...) {
    const HRESULT code = caughtCode();
    try {
      return reportError(code, text);
    } catch (...) {
      return mapCode(code);
    }
  }
}

// The raiser is the material object: raiseError(message, origin, code) hands the failure to
// its error component, where the package reads it back.
template <class Raiser, class Work>
HRESULT raisingFailure(Raiser& raiser, const char* message, const char* origin, Work&& work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (...) {
    const HRESULT code = caughtCode();
    try {
      return raiser.raiseError(widen(message), origin, code);
    } catch (...) {
      return code;
    }
  }
}

// The error object says how: complainCaught(complaint) complains of the failure being handled
// (the complaint names the activity, the kind and whether a calculation runs) and answers.
template <class ErrorObject, class Work>
HRESULT complainingOfFailure(ErrorObject& errors, const typename ErrorObject::Complaint& complaint,
                             Work&& work) noexcept {
  try {
    return std::forward<Work>(work)();
  } catch (...) {
    return errors.complainCaught(complaint);
  }
}

}  // namespace support
