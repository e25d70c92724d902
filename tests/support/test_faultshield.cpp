// The shield against hardware faults: a fault inside ends the shielded work only, the thread goes
// on, shields nest, and C++ exceptions keep their own way.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "FaultShield.h"

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
  support::HardwareFault fault;
  bool completed = false;
  EXPECT_TRUE(support::runShielded(
      [&] {
        try {
          support::runShielded([] { throw std::runtime_error("thrown"); }, fault);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ("thrown", e.what());
        }
        // The inner shield is gone: this fault is the outer shield's.
        completed = !support::runShielded(writeThroughInvalidPointer, fault);
      },
      fault));
  EXPECT_TRUE(completed);
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

}  // namespace
