// The shield against hardware faults: a fault inside ends the shielded work only, the thread goes
// on, shields nest, and C++ exceptions keep their own way.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

#include "support/FaultShield.h"

namespace {

// A write the optimiser cannot remove or foresee.
__attribute__((noinline)) void writeThroughInvalidPointer() {
  int* volatile invalid = reinterpret_cast<int*>(static_cast<uintptr_t>(0x10));
  *invalid = 1;
}

__attribute__((noinline)) int divide(volatile int a, volatile int b) { return a / b; }

TEST(FaultShield, AnAccessViolationEndsTheWorkAndIsDescribed) {
  support::HardwareFault fault;
  int reached = 0;
  for (int round = 0; round < 3; ++round) {  // the thread stays usable after each fault
    EXPECT_FALSE(support::runShielded(
        [&] {
          ++reached;
          writeThroughInvalidPointer();
          reached += 100;  // never
        },
        fault));
    EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), fault.code);
  }
  EXPECT_EQ(3, reached);
  EXPECT_EQ("access violation (exception code 0xC0000005)", support::faultText(fault));
  EXPECT_TRUE(support::faultInThisModule(fault));  // the faulting code is in this program
}

TEST(FaultShield, CompletedWorkAndDivisionByZero) {
  support::HardwareFault fault;
  int value = 0;
  EXPECT_TRUE(support::runShielded([&] { value = divide(6, 3); }, fault));
  EXPECT_EQ(2, value);
  EXPECT_FALSE(support::runShielded([&] { value = divide(1, 0); }, fault));
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_INT_DIVIDE_BY_ZERO), fault.code);
  EXPECT_EQ("division by zero (exception code 0xC0000094)", support::faultText(fault));
}

TEST(FaultShield, ShieldsNestAndTheInnerOneTakesTheFault) {
  support::HardwareFault inner, outer;
  bool innerCompleted = true, afterInner = false;
  EXPECT_TRUE(support::runShielded(
      [&] {
        innerCompleted = support::runShielded(writeThroughInvalidPointer, inner);
        afterInner = true;
      },
      outer));
  EXPECT_FALSE(innerCompleted);
  EXPECT_TRUE(afterInner);
  // Once the inner shield is gone, the outer one takes the next fault.
  EXPECT_FALSE(support::runShielded(
      [&] {
        support::runShielded([] {}, inner);
        writeThroughInvalidPointer();
      },
      outer));
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), outer.code);
}

TEST(FaultShield, CppExceptionsPassThroughAndLeaveNoShieldBehind) {
  support::HardwareFault inner, outer;
  bool caught = false, afterFault = false;
  EXPECT_FALSE(support::runShielded(
      [&] {
        try {
          support::runShielded([] { throw std::runtime_error("thrown"); }, inner);
        } catch (const std::runtime_error& e) {
          caught = std::string(e.what()) == "thrown";
        }
        // The inner shield is gone: this fault ends the outer work.
        writeThroughInvalidPointer();
        afterFault = true;
      },
      outer));
  EXPECT_TRUE(caught);
  EXPECT_FALSE(afterFault);
  EXPECT_EQ(static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION), outer.code);
}

// A fault the faulting code handles itself never reaches the shield: the system's guarded calls
// (and a package's own handlers) keep working inside it.
TEST(FaultShield, FaultsHandledWhereTheyHappenStayThere) {
  support::HardwareFault fault;
  int length = -1;
  EXPECT_TRUE(support::runShielded(
      [&] { length = lstrlenW(reinterpret_cast<LPCWSTR>(static_cast<uintptr_t>(0x10))); }, fault));
  EXPECT_EQ(0, length);  // lstrlenW catches the access violation itself
}

// After a fault the floating-point control state is the one the shield was entered with.
TEST(FaultShield, FloatingPointControlIsRestoredAfterAFault) {
  unsigned before = 0, after = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(before));
  support::HardwareFault fault;
  EXPECT_FALSE(support::runShielded(
      [] {
        unsigned changed = 0;
        __asm__ volatile("stmxcsr %0" : "=m"(changed));
        changed = (changed & ~0x6000u) | 0x6000u;  // round toward zero, as a package might set it
        __asm__ volatile("ldmxcsr %0" : : "m"(changed));
        writeThroughInvalidPointer();
      },
      fault));
  __asm__ volatile("stmxcsr %0" : "=m"(after));
  EXPECT_EQ(before & 0xFFC0u, after & 0xFFC0u);  // control bits; the low six are sticky flags
}

TEST(FaultShield, EachThreadHasItsOwnShields) {
  int faults = 0;
  std::thread other([&] {
    support::HardwareFault fault;
    for (int i = 0; i < 100; ++i) faults += support::runShielded(writeThroughInvalidPointer, fault) ? 0 : 1;
  });
  support::HardwareFault fault;
  int here = 0;
  for (int i = 0; i < 100; ++i) here += support::runShielded(writeThroughInvalidPointer, fault) ? 0 : 1;
  other.join();
  EXPECT_EQ(100, faults);
  EXPECT_EQ(100, here);
}

LONG WINAPI laterFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// Taken out for the module's unloading: the process's filter is the one found before, unless
// another filter came on top of the shield's (it calls ours on): then ours stays, and says so.
TEST(FaultShield, ItsFilterIsTakenOutUnlessAnotherOneCameAfterIt) {
  ASSERT_TRUE(support::releaseFaultShield());
  const LPTOP_LEVEL_EXCEPTION_FILTER before = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(before);
  support::HardwareFault fault;
  EXPECT_FALSE(support::runShielded([] { writeThroughInvalidPointer(); }, fault));
  const LPTOP_LEVEL_EXCEPTION_FILTER shield = SetUnhandledExceptionFilter(laterFilter);
  EXPECT_NE(before, shield);
  EXPECT_FALSE(support::faultShieldRemovable());
  EXPECT_FALSE(support::releaseFaultShield());
  EXPECT_EQ(laterFilter, SetUnhandledExceptionFilter(shield)) << "the later filter is left in place";
  EXPECT_TRUE(support::faultShieldRemovable());
  EXPECT_TRUE(support::releaseFaultShield());
  EXPECT_EQ(before, SetUnhandledExceptionFilter(before));
  // A shield after the release installs the filter again.
  EXPECT_FALSE(support::runShielded([] { writeThroughInvalidPointer(); }, fault));
  EXPECT_TRUE(support::releaseFaultShield());
}

}  // namespace
