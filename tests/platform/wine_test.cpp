#include <windows.h>
#include <objbase.h>
#include <gtest/gtest.h>
TEST(Platform, ComInitialises) {
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  CoUninitialize();
}
