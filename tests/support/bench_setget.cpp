// Times SetGet's one-dimensional typed access and sameText against the platform calls they
// replace, measured side by side in one run, and prints the ratios. Not a test.
#include <windows.h>
#include <oleauto.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "support/Raii.h"
#include "support/SetGet.h"
#include "support/Utils.h"

using support::SetGet;

namespace {

constexpr long kElements = 64;
constexpr int kRounds = 20000;  // kElements * kRounds operations per measurement

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Nanoseconds per operation of body(), which performs kElements operations.
template <class Body>
double nsPerOp(Body body) {
  LARGE_INTEGER start, stop;
  QueryPerformanceCounter(&start);
  for (int r = 0; r < kRounds; ++r) body();
  QueryPerformanceCounter(&stop);
  return seconds(start, stop) * 1e9 / (double(kRounds) * kElements);
}

void line(const char* what, double ours, double platform) {
  std::printf("%-34s %9.2f ns %9.2f ns   platform/ours = %6.1f\n", what, ours, platform, platform / ours);
}

volatile double g_sink;
volatile int g_count;

}  // namespace

int main() {
  support::Variant v;
  SetGet::Create(v.get(), VT_R8, kElements, 1);
  SAFEARRAY* sa = v.get().parray;

  std::printf("%-34s %12s %12s\n", "operation", "SetGet", "platform");
  const double getOurs = nsPerOp([&] {
    double sum = 0;
    for (long i = 1; i <= kElements; ++i) sum += SetGet::getDouble(v.get(), i);
    g_sink = sum;
  });
  const double getPlatform = nsPerOp([&] {
    double sum = 0, d;
    for (LONG i = 1; i <= kElements; ++i) {
      SafeArrayGetElement(sa, &i, &d);
      sum += d;
    }
    g_sink = sum;
  });
  line("getDouble / SafeArrayGetElement", getOurs, getPlatform);

  const double putOurs = nsPerOp([&] {
    for (long i = 1; i <= kElements; ++i) SetGet::putDouble(v.get(), i, double(i));
  });
  const double putPlatform = nsPerOp([&] {
    for (LONG i = 1; i <= kElements; ++i) {
      double d = double(i);
      SafeArrayPutElement(sa, &i, &d);
    }
  });
  line("putDouble / SafeArrayPutElement", putOurs, putPlatform);

  // Mostly equal names differing in case, as property and phase lookups see them.
  const wchar_t* names[] = {L"fugacityCoefficient", L"logFugacityCoefficient", L"kvalues", L"VaporLiquid"};
  std::vector<support::Bstr> left, right;
  for (long i = 0; i < kElements; ++i) {
    std::wstring a = names[i % 4], b = a;
    for (wchar_t& c : b) c = (c >= L'a' && c <= L'z' && i % 2) ? wchar_t(c - 32) : c;
    left.emplace_back(a.c_str());
    right.emplace_back(b.c_str());
  }
  const double sameOurs = nsPerOp([&] {
    int n = 0;
    for (long i = 0; i < kElements; ++i) n += support::sameText(left[i].get(), right[i].get());
    g_count = n;
  });
  const double sameCompare = nsPerOp([&] {
    int n = 0;
    for (long i = 0; i < kElements; ++i)
      n += CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left[i].get(), int(left[i].length()), right[i].get(),
                          int(right[i].length())) == CSTR_EQUAL;
    g_count = n;
  });
  const double sameWcsicmp = nsPerOp([&] {
    int n = 0;
    for (long i = 0; i < kElements; ++i) n += _wcsicmp(left[i].c_str(), right[i].c_str()) == 0;
    g_count = n;
  });
  line("sameText / CompareStringW", sameOurs, sameCompare);
  line("sameText / _wcsicmp", sameOurs, sameWcsicmp);
  return 0;
}
