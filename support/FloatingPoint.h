#pragma once
// The floating-point control state of a thread (x87 control word and SSE control/status
// register), saved and put back. Packages may change it (precision, rounding, unmasked
// exceptions), and the x87 precision changes the last bits of the runtime's exp, log and pow.

namespace support {

struct FloatingPointControl {
  unsigned short x87 = 0x027F;  // 53-bit precision, round to nearest, every exception masked
  unsigned mxcsr = 0x1F80;      // round to nearest, every exception masked, no flags

  // The calling thread's state.
  static FloatingPointControl current();
  // Makes it the calling thread's state, with the pending exception flags cleared.
  void apply() const;
};

// The platform's initial state on the calling thread, as the platform's own reset of the
// floating-point unit leaves it (this compiler's runtime reset gives 64-bit x87 precision
// instead, and with it answers that differ in the last bits from the ones before the reset).
inline void resetFloatingPoint() { FloatingPointControl{}.apply(); }

}  // namespace support
