// Timing, not a test: CalcProp of fugacityCoefficient on Vapor and Liquid through a material
// object, against the same Peng-Robinson routine called directly, for 5, 20, 50 and 100 compounds
// (the 40 compounds of the data file, repeated beyond 40), side by side.
//
// Two material objects: this program's own TestMaterial (a map behind ICapeThermoMaterialObject,
// the package called directly), and the product's Zendrel.MatObj when it is registered (its
// CalcProp forwarding to the package, which reads and writes through the material object's full
// argument checking).
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cmath>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "counterparts/prthermo/core/Compounds.h"
#include "counterparts/prthermo/core/PengRobinson.h"
#include "support/Raii.h"
#include "tests/prthermo/TestMaterial.h"
#include "support/Text.h"
#include "ZendrelLib.h"
#include "tests/common/Arrays.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kT = 300, kP = 2e6;

support::Variant stringArray(const std::vector<std::string>& texts) {
  std::vector<std::wstring> wide;
  for (const std::string& text : texts) wide.push_back(support::widen(text));
  return test_arrays::texts(wide);
}
using test_arrays::doubles;

// The product's material object with the package attached and its compounds set to `ids`; null
// when it is not registered.
support::ComPtr<ICapeThermoMaterialObject> productMaterial(IDispatch* package, const std::vector<std::string>& ids,
                                                           const std::vector<double>& x) {
  CLSID clsid;
  support::ComPtr<ICapeThermoMaterialObject> material;
  support::ComPtr<IMatObj> own;
  if (FAILED(CLSIDFromProgID(L"Zendrel.MatObj", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(material.GetAddressOf()))) ||
      FAILED(material.As(&own)) || FAILED(own->put_PropertyPackage(package)) ||
      FAILED(own->setComps(stringArray(ids).get(), VARIANT_FALSE)))
    return nullptr;
  support::Bstr mixture(L"Mixture"), mole(L"mole"), overall(L"Overall");
  support::Variant all;
  auto set = [&](const wchar_t* property, const wchar_t* phase, BSTR basis, const std::vector<double>& values) {
    support::Bstr p(property), ph(phase);
    return material->SetProp(p.get(), ph.get(), all.get(), mixture.get(), basis, doubles(values).get());
  };
  if (FAILED(set(L"temperature", L"Overall", nullptr, {kT})) || FAILED(set(L"pressure", L"Overall", nullptr, {kP})) ||
      FAILED(set(L"fraction", L"Vapor", mole.get(), x)) || FAILED(set(L"fraction", L"Liquid", mole.get(), x)))
    return nullptr;
  return material;
}

// Microseconds per call of `body`, over as many calls as fit in about half a second.
template <class Body>
double microsecondsPerCall(Body body) {
  body();  // warm up (first-use work such as building the equation of state)
  int calls = 0;
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::milliseconds(500)) {
    for (int k = 0; k < 10; ++k) body();
    calls += 10;
  }
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

int run() {
  support::ComApartment apartment;
  if (FAILED(apartment.result())) return 1;
  CLSID clsid;
  support::ComPtr<ICapeThermoSystem> system;
  if (FAILED(CLSIDFromProgID(L"Quellmar.PRThermoSystem", &clsid)) ||
      FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(system.GetAddressOf())))) {
    std::fprintf(stderr, "bench_prthermo: the Thermo System is not registered\n");
    return 1;
  }
  support::Bstr name(L"All Compounds");
  support::ComPtr<IDispatch> dispatch;
  support::ComPtr<ICapeThermoPropertyPackage> package;
  if (FAILED(system->ResolvePropertyPackage(name.get(), dispatch.GetAddressOf())) || FAILED(dispatch.As(&package))) {
    std::fprintf(stderr, "bench_prthermo: no package 'All Compounds'\n");
    return 1;
  }
  const auto db = prcore::CompoundDatabase::load(prcore::moduleFolder());
  const auto props = stringArray({"fugacityCoefficient"}), phases = stringArray({"Vapor", "Liquid"});
  support::Bstr mixture(L"Mixture");

  std::printf("CalcProp of fugacityCoefficient on Vapor and Liquid, T = %.0f K, P = %.0f Pa, equimolar\n", kT, kP);
  std::printf("own: the benchmark's TestMaterial, package called directly; product: Zendrel.MatObj's CalcProp\n\n");
  std::printf("%10s %12s %12s %8s %14s %8s\n", "compounds", "direct [us]", "own MO [us]", "ratio", "product [us]",
              "ratio");
  std::vector<double> directTimes, comTimes, productTimes;
  const std::vector<size_t> sizes = {5, 20, 50, 100};
  for (size_t n : sizes) {
    std::vector<prcore::Compound> compounds;
    std::vector<std::string> ids;
    for (size_t i = 0; i < n; ++i) {
      compounds.push_back(db.all()[i % db.all().size()]);
      ids.push_back(compounds.back().name);
    }
    const std::vector<double> x(n, 1.0 / double(n));

    // Direct: what the package computes, ln phi of both roots and the exponentials.
    prcore::PengRobinson eos(compounds, db.kijMatrix(compounds));
    std::vector<double> lnPhi, phi(n);
    double sink = 0;
    const double direct = microsecondsPerCall([&] {
      for (auto root : {prcore::Root::Vapour, prcore::Root::Liquid}) {
        eos.lnPhi(kT, kP, x, root, lnPhi);
        for (size_t i = 0; i < n; ++i) phi[i] = std::exp(lnPhi[i]);
        sink += phi[0];
      }
    });

    support::ComPtr<ICapeThermoMaterialObject> holder;
    prthermo_test::TestMaterial* material = prthermo_test::TestMaterial::create(ids, holder);
    material->put("temperature", "Overall", {kT});
    material->put("pressure", "Overall", {kP});
    material->put("fraction", "Vapor", x);
    material->put("fraction", "Liquid", x);
    support::ComPtr<IDispatch> materialDispatch;
    holder.As(&materialDispatch);
    HRESULT hr = S_OK;
    const double com = microsecondsPerCall([&] {
      hr = package->CalcProp(materialDispatch.Get(), props.get(), phases.get(), mixture.get());
      material->clearWrites();
    });
    if (FAILED(hr)) {
      std::fprintf(stderr, "bench_prthermo: CalcProp failed with 0x%08lX\n", static_cast<unsigned long>(hr));
      return 1;
    }
    const auto through = material->value("fugacityCoefficient", "Liquid");
    if (through.size() != n || std::fabs(through[0] - phi[0]) > 1e-12 * phi[0]) {
      std::fprintf(stderr, "bench_prthermo: the two paths disagree\n");
      return 1;
    }
    double product = NAN;
    if (auto real = productMaterial(dispatch.Get(), ids, x)) {
      HRESULT productHr = S_OK;
      product = microsecondsPerCall([&] { productHr = real->CalcProp(props.get(), phases.get(), mixture.get()); });
      if (FAILED(productHr)) product = NAN;
    }
    std::printf("%10zu %12.2f %12.2f %8.2f %14.2f %8.2f   (check %.3g)\n", n, direct, com, com / direct, product,
                product / direct, sink);
    std::printf("@row|fugacity CalcProp through the product's material object / direct PR|%zu|%.2f\n", n, product / direct);
    std::printf("@row|fugacity CalcProp through a bare material object / direct PR|%zu|%.2f\n", n, com / direct);
    std::printf("@row|fugacity CalcProp through the product's material object, us|%zu|%.1f\n", n, product);
    std::printf("@row|direct PR fugacity coefficients of two phases, us|%zu|%.1f\n", n, direct);
    directTimes.push_back(direct);
    comTimes.push_back(com);
    productTimes.push_back(product);
  }
  // Growth exponents between the sizes: cost ~ n^k.
  for (size_t k = 1; k < sizes.size(); ++k) {
    const double span = std::log(double(sizes[k]) / double(sizes[k - 1]));
    std::printf("growth %zu -> %zu compounds: direct n^%.2f, own MO n^%.2f, product n^%.2f\n", sizes[k - 1],
                sizes[k], std::log(directTimes[k] / directTimes[k - 1]) / span,
                std::log(comTimes[k] / comTimes[k - 1]) / span, std::log(productTimes[k] / productTimes[k - 1]) / span);
  }
  return 0;
}

}  // namespace

int main() {
  try {
    return run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_prthermo: %s\n", e.what());
    return 1;
  }
}
