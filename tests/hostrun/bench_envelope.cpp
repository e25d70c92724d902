// Wall time of the built-in case's phase envelope (run by hand; not a test): the case runner's
// own envelope (its K-value requests through the product, bubble and dew curves over 30
// pressures) on one extension, with the hand-over's fast path and with it switched off, taken in
// turns in the same run so that a busy machine slows both alike. The program exports the spin
// windows hook the product asks on every hand-over; 0 and 0 turn the fast path off. Both paths
// must give the same envelope to the last bit. "@row" lines feed the table of scripts/bench.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/BenchClock.h"
#include "counterparts/hostrun/Case.h"
#include "tests/common/MessageSink.h"
#include "counterparts/hostrun/Operations.h"
#include "support/Raii.h"
#include "counterparts/hostrun/Session.h"

namespace {

std::atomic<bool> g_fastPathOff{false};
unsigned g_waitUs = 0, g_watchUs = 0;  // from QUELLMAR_BENCH_WINDOWS, read once

constexpr int kRounds = 3;

// The progress bar and the summary of each run go to stderr; here they would only repeat.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    m_saved = _dup(_fileno(stderr));
    const int nul = _open("NUL", _O_WRONLY);
    if (nul >= 0) {
      _dup2(nul, _fileno(stderr));
      _close(nul);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;
  ~QuietStderr() {
    std::fflush(stderr);
    if (m_saved >= 0) {
      _dup2(m_saved, _fileno(stderr));
      _close(m_saved);
    }
  }

 private:
  int m_saved = -1;
};

// One envelope; its seconds, and its points for the comparison.
bool runEnvelope(hostrun::Operations& ops, const hostrun::Case& c, double& seconds, hostrun::Envelope& out) {
  hostrun::CaseResults r;
  bool ok;
  {
    QuietStderr quiet;
    const double start = bench::seconds();
    ok = ops.envelope(r, c.envelope.pFrom, c.envelope.pTo, c.envelope.points);
    seconds = bench::seconds() - start;
  }
  out = r.envelope;
  for (const std::string& failure : r.failures) std::printf("  %s\n", failure.c_str());
  return ok;
}

bool samePoints(const hostrun::Envelope& a, const hostrun::Envelope& b) {
  if (a.points.size() != b.points.size()) return false;
  for (size_t i = 0; i < a.points.size(); ++i)
    if (std::memcmp(&a.points[i], &b.points[i], sizeof(hostrun::EnvelopePoint)) != 0) return false;
  return true;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

// QUELLMAR_BENCH_WINDOWS=wait,watch (microseconds) replaces the product's own windows for the
// fast runs, to compare windows by hand.
extern "C" __declspec(dllexport) void __cdecl QuellmarSpinWindows(unsigned* waitUs, unsigned* watchUs) {
  static const bool given = [] {
    const char* text = std::getenv("QUELLMAR_BENCH_WINDOWS");
    return text && std::sscanf(text, "%u,%u", &g_waitUs, &g_watchUs) == 2;
  }();
  const bool off = g_fastPathOff.load(std::memory_order_relaxed);
  if (!off && !given) return;
  *waitUs = off ? 0 : g_waitUs;
  *watchUs = off ? 0 : g_watchUs;
}

int main() {
  support::ComApartment apartment;
  if (FAILED(apartment.result())) return 1;
  const hostrun::Case c = hostrun::defaultCase();
  hostrun::Session session(c);
  std::string error;
  if (!session.startNew(error)) {
    std::printf("the built-in case could not be started: %s\n", error.c_str());
    return 2;
  }
  hostrun::Operations ops(session, c.temperature, c.pressure);
  {
    // As the case runner does: the flash comes first (the host's own start uses the extension's
    // Wilson K-values only after a calculation has read the package's constants).
    hostrun::CaseResults flashed;
    QuietStderr quiet;
    ops.flash(flashed);
  }
  std::vector<double> fast, slow;
  hostrun::Envelope first, fastEnvelope, slowEnvelope;
  double seconds = 0;
  g_fastPathOff = false;
  if (!runEnvelope(ops, c, seconds, first)) {  // warms the package and the caches
    double lnK = 0;
    const HRESULT hr = session.package()->InitializeKFactors(0, 250.0, 3000.0, 0, &lnK);
    std::printf("the envelope failed (InitializeKFactors: 0x%08lX, ln K %g, %d components)\n", static_cast<unsigned long>(hr), lnK,
                session.count());
    for (const auto& box : test_sink::boxes()) std::printf("box: %ls\n", box.text.c_str());
    return 2;
  }
  bool same = true;
  for (int round = 0; round < kRounds; ++round) {
    g_fastPathOff = false;
    if (!runEnvelope(ops, c, seconds, fastEnvelope)) return 2;
    fast.push_back(seconds);
    g_fastPathOff = true;
    if (!runEnvelope(ops, c, seconds, slowEnvelope)) return 2;
    slow.push_back(seconds);
    same = same && samePoints(first, fastEnvelope) && samePoints(first, slowEnvelope);
  }
  g_fastPathOff = false;
  const double fastMs = median(fast) * 1e3, slowMs = median(slow) * 1e3;
  std::printf("built-in case, %d compounds, %d pressures, %d rounds taken in turns (median)\n", session.count(),
              c.envelope.points, kRounds);
  std::printf("  envelope, fast hand-over      %10.1f ms\n", fastMs);
  std::printf("  envelope, fast path off       %10.1f ms\n", slowMs);
  std::printf("  the same envelope to the last bit: %s\n", same ? "yes" : "NO");
  std::printf("@row|built-in case's phase envelope, fast path off / on|%d|%.2f\n", session.count(), slowMs / fastMs);
  std::printf("@row|built-in case's phase envelope with the fast hand-over, ms|%d|%.1f\n", session.count(), fastMs);
  std::printf("@row|built-in case's phase envelope, fast path off, ms|%d|%.1f\n", session.count(), slowMs);
  return same ? 0 : 3;
}
