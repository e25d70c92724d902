#pragma once
// A shield against hardware faults of foreign code: an access violation (or a division by zero,
// an illegal instruction...) raised on this thread while a shielded piece of work runs ends that
// work instead of the process. The frames between the shield and the fault are abandoned without
// unwinding, so a shield belongs only around calls into code that may be broken (a package), with
// nothing of ours holding a lock in between.
#include <windows.h>

#include <string>

namespace support {

struct HardwareFault {
  DWORD code = 0;            // the exception code, e.g. EXCEPTION_ACCESS_VIOLATION
  void* address = nullptr;   // where it happened
};

// Runs work(context); true when it ran to its end (a C++ exception from it passes through), false
// when a hardware fault stopped it, described in fault. Shields nest.
bool runShieldedCall(void (*work)(void*), void* context, HardwareFault& fault);

// The same for any callable, without an allocation (the hand-over's hot path runs through it).
template <class Work>
bool runShielded(Work&& work, HardwareFault& fault) {
  auto* target = &work;  // a function pointer when work is a function
  using Target = decltype(target);
  return runShieldedCall([](void* context) { (**static_cast<Target*>(context))(); }, &target, fault);
}

// "access violation (exception code 0xC0000005)".
std::string faultText(const HardwareFault& fault);

// Whether the fault happened in the code of the module that holds this function.
bool faultInThisModule(const HardwareFault& fault);

}  // namespace support
