// Timing of the package's hot path on the material object (run by hand; not a test): GetProp and
// SetProp of "fraction" for 5, 20 and 100 compounds through the CAPE-OPEN interface, side by side
// with the bare build of the same SAFEARRAY VARIANT and with the identifier look-up of the four
// names. Prints nanoseconds per call (best of several rounds), the ratios, and "@row" lines for
// the table of scripts/bench.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/common/BenchClock.h"
#include "matobj/CMatObj.h"
#include "ids/COIds.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"
#include "support/SetGet.h"

namespace {

constexpr int kCalls = 100000;
constexpr int kRounds = 7;

// Nanoseconds per call of one batch; negative when a call failed.
template <class Call>
double batchNanos(Call& call) {
  const double start = bench::seconds();
  for (int i = 0; i < kCalls; ++i)
    if (!call()) return -1;
  return (bench::seconds() - start) / kCalls * 1e9;
}

// Best nanoseconds per call of each candidate, the candidates taking turns round by round so
// that a busy machine slows them alike.
template <class... Calls>
std::vector<double> bestNanos(Calls&... calls) {
  std::vector<double> best(sizeof...(Calls), 1e300);
  for (int round = 0; round < kRounds; ++round) {
    size_t k = 0;
    for (double t : {batchNanos(calls)...}) {
      best[k] = t < 0 || best[k] < 0 ? -1 : std::min(best[k], t);
      ++k;
    }
  }
  return best;
}

support::Variant doubleArray(const std::vector<double>& values) {
  support::Variant v;
  support::SetGet::createFromBuffer(v.get(), VT_R8, values.data(), static_cast<long>(values.size()), true);
  return v;
}

}  // namespace

// One size; false when a call failed.
bool measure(int kCompounds) {
  support::ComPtr<IMatObj> itf;
  if (FAILED(comkit::createInstance<CMatObj>(nullptr, __uuidof(IMatObj), reinterpret_cast<void**>(itf.GetAddressOf())))) {
    std::fprintf(stderr, "cannot create the material object\n");
    return false;
  }
  support::ComPtr<ICapeThermoMaterialObject> mo;
  if (FAILED(itf.As(&mo))) return false;

  std::vector<std::wstring> names;
  std::vector<double> fractions;
  for (int i = 0; i < kCompounds; ++i) {
    names.push_back(L"compound" + std::to_wstring(i + 1));
    fractions.push_back(1.0 / kCompounds);
  }
  support::Variant ids;
  support::SetGet::fromStringList(ids.get(), names);
  if (FAILED(itf->setComps(ids.get(), VARIANT_FALSE))) return false;

  support::Bstr fraction(L"fraction"), vapor(L"Vapor"), mixture(L"Mixture"), mole(L"mole");
  support::Variant none;
  support::Variant values = doubleArray(fractions);
  if (FAILED(mo->SetProp(fraction.get(), vapor.get(), none.get(), mixture.get(), mole.get(), values.get()))) {
    std::fprintf(stderr, "SetProp failed\n");
    return false;
  }

  auto getPropCall = [&] {
    VARIANT out;
    VariantInit(&out);
    const bool ok = SUCCEEDED(mo->GetProp(fraction.get(), vapor.get(), none.get(), mixture.get(), mole.get(), &out));
    VariantClear(&out);
    return ok;
  };
  auto setPropCall = [&] {
    return SUCCEEDED(mo->SetProp(fraction.get(), vapor.get(), none.get(), mixture.get(), mole.get(), values.get()));
  };
  auto bareArrayCall = [&] {
    VARIANT out;
    VariantInit(&out);
    SAFEARRAY* sa = SafeArrayCreateVector(VT_R8, 0, kCompounds);
    if (!sa) return false;
    double* data = static_cast<double*>(sa->pvData);
    for (int i = 0; i < kCompounds; ++i) data[i] = fractions[static_cast<size_t>(i)];
    out.vt = VT_ARRAY | VT_R8;
    out.parray = sa;
    VariantClear(&out);
    return true;
  };
  auto componentIdsCall = [&] {
    VARIANT out;
    VariantInit(&out);
    const bool ok = SUCCEEDED(mo->get_ComponentIds(&out));
    VariantClear(&out);
    return ok;
  };
  volatile int sink = 0;
  auto lookUpCall = [&] {
    sink = sink + COIds::findId(fraction.get(), COIds::KProperty) + COIds::findId(vapor.get(), COIds::KPhase) +
           COIds::findId(mixture.get(), COIds::KCalcType) + COIds::findId(mole.get(), COIds::KBasis);
    return true;
  };

  const std::vector<double> best = bestNanos(getPropCall, setPropCall, bareArrayCall, lookUpCall, componentIdsCall);
  const double getProp = best[0], setProp = best[1], bareArray = best[2], lookUp = best[3], componentIds = best[4];
  std::printf("fraction of %d compounds, best of %d rounds of %d calls (ns per call)\n", kCompounds, kRounds, kCalls);
  std::printf("  GetProp                    %8.1f   x%.2f of the bare array\n", getProp, getProp / bareArray);
  std::printf("  SetProp                    %8.1f   x%.2f of the bare array\n", setProp, setProp / bareArray);
  std::printf("  bare SAFEARRAY VARIANT     %8.1f\n", bareArray);
  std::printf("  findId of the four names   %8.1f   x%.2f of the bare array\n", lookUp, lookUp / bareArray);
  std::printf("  ComponentIds               %8.1f\n", componentIds);
  std::printf("@row|material object GetProp / bare SAFEARRAY|%d|%.2f\n", kCompounds, getProp / bareArray);
  std::printf("@row|material object SetProp / bare SAFEARRAY|%d|%.2f\n", kCompounds, setProp / bareArray);
  std::printf("@row|material object GetProp, ns|%d|%.0f\n", kCompounds, getProp);
  std::printf("@row|bare SAFEARRAY VARIANT, ns|%d|%.0f\n", kCompounds, bareArray);
  std::printf("@row|material object ComponentIds, ns|%d|%.0f\n", kCompounds, componentIds);
  return getProp >= 0 && setProp >= 0;
}

int main() {
  support::ComApartment apartment;
  if (FAILED(apartment.result())) return 1;
  bool ok = true;
  for (int compounds : {5, 20, 100}) ok = measure(compounds) && ok;
  return ok ? 0 : 1;
}
