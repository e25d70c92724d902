#include "support/FloatingPoint.h"

namespace support {

FloatingPointControl FloatingPointControl::current() {
  FloatingPointControl state;
  __asm__ volatile("fnstcw %0" : "=m"(state.x87));
  __asm__ volatile("stmxcsr %0" : "=m"(state.mxcsr));
  return state;
}

void FloatingPointControl::apply() const {
  const unsigned controlOnly = mxcsr & ~0x3Fu;  // without the sticky exception flags
  __asm__ volatile("fnclex");
  __asm__ volatile("fldcw %0" : : "m"(x87));
  __asm__ volatile("ldmxcsr %0" : : "m"(controlOnly));
}

}  // namespace support
