#include "tests/adapter/CalcReference.h"

#include <cstdio>
#include <numeric>

#include "tests/adapter/HostCase.h"
#include "support/SetGet.h"
#include "support/Text.h"

// The test material object of the package tests, compiled into this program.
#include "tests/prthermo/TestMaterial.cpp"

using support::Bstr;
using support::ComPtr;
using support::Variant;

namespace calc_test {

namespace {

Variant strings(const std::vector<std::string>& texts) {
  Variant v;
  std::vector<std::wstring> wide;
  for (const auto& t : texts) wide.push_back(support::widen(t));
  support::SetGet::fromStringList(v.get(), wide);
  return v;
}

std::vector<std::string> stringsIn(const VARIANT& v) {
  std::vector<std::string> out;
  BSTR s = nullptr;
  for (long i = support::SetGet::lbound(v); support::SetGet::nextItem(v, i, s); ++i) out.push_back(support::narrow(s));
  return out;
}

// The host library's name of a CAS number (the library file beside this program), else the CAS
// number itself (the host then takes it as a hypothetical component).
std::wstring libraryName(const std::string& cas) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring file(path);
  file = file.substr(0, file.find_last_of(L'\\') + 1) + L"OvpCASnos.txt";
  FILE* in = _wfopen(file.c_str(), L"r");
  char line[512];
  std::string found;
  while (in && found.empty() && std::fgets(line, sizeof line, in)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    const size_t comma = text.find(", "), blank = text.find_last_of(' ');
    if (comma != std::string::npos && blank > comma + 2 && text.substr(blank + 1) == cas)
      found = text.substr(comma + 2, blank - comma - 2);
  }
  if (in) fclose(in);
  return support::widen(found.empty() ? cas : found);
}

}  // namespace

Reference::Reference(const wchar_t* package) {
  CLSID clsid;
  EXPECT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Quellmar.PRThermoSystem", &clsid));
  EXPECT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(m_system.GetAddressOf())));
  ComPtr<IDispatch> dispatch;
  if (m_system) {
    EXPECT_HRESULT_SUCCEEDED(m_system->ResolvePropertyPackage(Bstr(package).get(), dispatch.GetAddressOf()));
  }
  if (dispatch) {
    EXPECT_HRESULT_SUCCEEDED(dispatch.As(&m_package));
  }
  if (!m_package) return;
  Variant ids, formulae, names, boiling, weights, cas;
  EXPECT_HRESULT_SUCCEEDED(
      m_package->GetComponentList(ids.out(), formulae.out(), names.out(), boiling.out(), weights.out(), cas.out()));
  m_ids = stringsIn(ids.get());
  m_cas = stringsIn(cas.get());
  m_material = prthermo_test::TestMaterial::create(m_ids, m_holder);
}

Reference::~Reference() = default;

std::vector<double> Reference::calc(const std::string& property, double t, double p, const Fractions& fractions,
                                    const std::vector<std::string>& phases, const std::string& resultPhase) {
  if (!m_material) return {};
  m_material->put("temperature", "Overall", {t});
  m_material->put("pressure", "Overall", {p});
  for (const auto& [phase, x] : fractions) m_material->put("fraction", phase, x);
  m_material->forget(property, resultPhase);
  ComPtr<IDispatch> material;
  m_holder.As(&material);
  EXPECT_HRESULT_SUCCEEDED(m_package->CalcProp(material.Get(), strings({property}).get(), strings(phases).get(),
                                               Bstr(L"Mixture").get()));
  return m_material->value(property, resultPhase);
}

std::vector<double> Reference::constant(const wchar_t* name) {
  Variant values;
  ComPtr<IDispatch> material;
  m_holder.As(&material);
  EXPECT_HRESULT_SUCCEEDED(
      m_package->GetComponentConstant(material.Get(), strings({support::narrow(name)}).get(), values.out()));
  std::vector<double> out;
  VARIANT item;
  for (long i = support::SetGet::lbound(values.get()); support::SetGet::nextItem(values.get(), i, item); ++i) {
    Variant copy;
    EXPECT_HRESULT_SUCCEEDED(VariantChangeType(copy.out(), &item, 0, VT_R8));
    out.push_back(copy.get().dblVal);
  }
  return out;
}

void addToHostFluidPackage(ExtnContainer* container, const std::vector<std::string>& casNumbers) {
  std::vector<std::wstring> names;
  for (const std::string& cas : casNumbers) names.push_back(libraryName(cas));
  ASSERT_HRESULT_SUCCEEDED(host_case::addComponents(container, names));
}

void CalcTest::use(const wchar_t* package) {
  reference = std::make_unique<Reference>(package);
  addToHostFluidPackage(container.Get(), reference->casNumbers());
  initializeWith(package);
  n = reference->count();
  ASSERT_GT(n, 0);
}

void CalcTest::TearDown() {
  if (HasFailure())
    for (const auto& box : boxes.shown()) std::printf("box: %s\n", support::narrow(box.text).c_str());
  AdapterTest::TearDown();
}

CalcTest::Compositions::Compositions(const std::vector<double>& a, const std::vector<double>& b,
                                     const std::vector<double>& c)
    : x{a, b.empty() ? a : b, c.empty() ? a : c}, rows{x[0].data(), x[1].data(), x[2].data()} {}

std::vector<double> CalcTest::mixture(const std::vector<double>& weights) const {
  std::vector<double> x(n);
  for (int i = 0; i < n; ++i) x[i] = weights[i % weights.size()];
  const double sum = std::accumulate(x.begin(), x.end(), 0.0);
  for (double& v : x) v /= sum;
  return x;
}

void expectNear(const std::vector<double>& expected, const double* actual, double relative) {
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(actual[i], expected[i], relative * std::max(1.0, std::fabs(expected[i]))) << "element " << i;
}

}  // namespace calc_test
