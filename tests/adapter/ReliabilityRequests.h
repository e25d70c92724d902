#pragma once
// The mix of host requests the reliability suite makes: every calculation member of the host
// interface on a grid of conditions, with each answer (code and every value written) collected
// so that two runs of the same request can be compared exactly.
#include <windows.h>

#include <functional>
#include <vector>

#include "OvHost.h"

namespace reliability_test {

struct Request {
  int kind = 0;        // which member, 0 .. kKinds - 1
  double t = 300;      // K
  double p = 2000;     // kPa
};

constexpr int kKinds = 9;
// Kinds below this are handed over to the CAPE-OPEN thread; the bubble-point guess (7) and the
// Wilson estimate (8) are answered on the caller's thread.
constexpr int kHandedOverKinds = 7;

// kKinds members on 4 temperatures and 3 pressures.
std::vector<Request> requestMix();

// The request made on package with vapour y and liquid x (n compounds each): the HRESULT
// followed by every value the member wrote.
std::vector<double> perform(ExtnPropertyPackage* package, const Request& request, const std::vector<double>& y,
                            const std::vector<double>& x);

// Runs each body on a thread of its own, in the multithreaded apartment as a host's worker
// threads are, and waits for them all while this (single-threaded) apartment keeps dispatching
// the calls the CAPE-OPEN thread makes into it.
void runOnHostThreads(const std::vector<std::function<void()>>& bodies);

}  // namespace reliability_test
