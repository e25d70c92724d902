#include "counterparts/prthermo/ThreadRecord.h"

#include <set>

#include "support/Raii.h"

namespace prthermo {

namespace {

struct Totals {
  support::CriticalSection lock;
  LONG calls = 0;
  LONG refused = 0;
  std::set<DWORD> threads;
};

Totals& totals() {
  static Totals record;
  return record;
}

}  // namespace

void recordThreadCall(bool refused) {
  Totals& record = totals();
  support::Lock lock(record.lock);
  ++record.calls;
  if (refused) ++record.refused;
  try {
    record.threads.insert(GetCurrentThreadId());
  } catch (...) {
  }
}

}  // namespace prthermo

extern "C" void WINAPI PRThermoThreadRecord(LONG* calls, LONG* refused, LONG* threads, BOOL reset) {
  prthermo::Totals& record = prthermo::totals();
  support::Lock lock(record.lock);
  if (calls) *calls = record.calls;
  if (refused) *refused = record.refused;
  if (threads) *threads = static_cast<LONG>(record.threads.size());
  if (!reset) return;
  record.calls = 0;
  record.refused = 0;
  record.threads.clear();
}
