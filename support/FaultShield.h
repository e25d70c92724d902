#pragma once
// A shield against hardware faults of foreign code: an access violation (or a division by zero,
// an illegal instruction...) raised on this thread while shielded work runs, and not handled by
// any handler of the code that raised it, ends that work instead of the process. The shield sits
// behind every frame-based handler (it is the process's unhandled-exception filter, chained to
// the one before), so a package's own __try blocks and the system's guarded calls work as usual.
//
// The frames between the shield and the fault are abandoned without unwinding, so a shield
// belongs only around calls into code that may be broken (a package), with nothing of ours
// holding a lock in between, and not around code that shows windows (a jump out of a window
// procedure skips the system's callback return). A fault while the thread holds the loader lock
// (inside a DllMain) is not taken: abandoning it would hang the process later instead.
#include <windows.h>

#include <string>

namespace support {

struct HardwareFault {
  DWORD code = 0;            // the exception code, e.g. EXCEPTION_ACCESS_VIOLATION
  void* address = nullptr;   // where it happened
};

// Runs work(context); true when it ran to its end (a C++ exception from it passes through), false
// when a hardware fault stopped it, described in fault. Shields nest. The floating-point control
// state is the one at entry again after a fault.
bool runShieldedCall(void (*work)(void*), void* context, HardwareFault& fault);

// The same for any callable, without an allocation (the hand-over's hot path runs through it).
template <class Work>
bool runShielded(Work&& work, HardwareFault& fault) {
  auto* target = &work;  // a function pointer when work is a function
  using Target = decltype(target);
  return runShieldedCall([](void* context) { (**static_cast<Target*>(context))(); }, &target, fault);
}

// Takes the shield's filter out of the process: gives the unhandled-exception filter back to the
// one found and frees the shield's thread slot; true when done. False while another filter sits
// on top of ours (it calls ours on): ours must stay, and so must the module's code.
bool releaseFaultShield();
// Whether releaseFaultShield would succeed now (nothing installed, or ours on top); the module
// may be unloaded only then.
bool faultShieldRemovable();

// "access violation (exception code 0xC0000005)".
std::string faultText(const HardwareFault& fault);

// Whether the fault happened in the code of the module that holds this function.
bool faultInThisModule(const HardwareFault& fault);

}  // namespace support
