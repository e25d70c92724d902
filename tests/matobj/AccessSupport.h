#pragma once
// Shared pieces of the property-access tests: four compounds with their molecular weights,
// the CAPE-OPEN codes, short forms of SetProp / GetProp, and a package for the lists it owns.
#include <cmath>
#include <initializer_list>
#include <numeric>
#include <string>
#include <vector>

#include "ids/COIds.h"
#include "tests/matobj/MatObjFixture.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "tests/matobj/TestPackage.h"

namespace matobj_test {

constexpr HRESULT kBadArgument = static_cast<HRESULT>(0x80040505);
constexpr HRESULT kUnknownError = static_cast<HRESULT>(0x80040501);

inline const std::vector<std::wstring>& fourIds() {
  static const std::vector<std::wstring> ids{L"methane", L"ethane", L"propane", L"nbutane"};
  return ids;
}
inline const std::vector<double>& fourWeights() {
  static const std::vector<double> weights{16.043, 30.07, 44.097, 58.123};
  return weights;
}

// The strings of a string array, read in place.
inline std::vector<std::wstring> stringsIn(const VARIANT& v) {
  std::vector<std::wstring> out;
  if (v.vt != (VT_ARRAY | VT_BSTR)) return out;
  BSTR s = nullptr;
  for (long i = support::SetGet::lbound(v); support::SetGet::nextItem(v, i, s); ++i)
    out.emplace_back(s ? std::wstring(s, SysStringLen(s)) : std::wstring());
  return out;
}

// A string array the package would pass (each element owned by the array).
inline support::Variant integer(LONG value) {
  support::Variant v;
  v.get().vt = VT_I4;
  v.get().lVal = value;
  return v;
}

// Mass fractions of mole fractions x with molecular weights mw, and back.
inline std::vector<double> massOf(const std::vector<double>& x, const std::vector<double>& mw) {
  std::vector<double> w(x.size());
  for (size_t i = 0; i < x.size(); ++i) w[i] = x[i] * mw[i];
  const double sum = std::accumulate(w.begin(), w.end(), 0.0);
  for (double& v : w) v /= sum;
  return w;
}
inline std::vector<double> moleOf(const std::vector<double>& w, const std::vector<double>& mw) {
  std::vector<double> x(w.size());
  for (size_t i = 0; i < w.size(); ++i) x[i] = w[i] / mw[i];
  const double sum = std::accumulate(x.begin(), x.end(), 0.0);
  for (double& v : x) v /= sum;
  return x;
}
// kg/mol of a mole composition.
inline double kgPerMol(const std::vector<double>& x, const std::vector<double>& mw) {
  double f = 0;
  for (size_t i = 0; i < x.size(); ++i) f += x[i] * mw[i] / 1000.0;
  return f;
}

inline void expectNear(const std::vector<double>& expected, const std::vector<double>& actual, double tolerance = 1e-12) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(expected[i], actual[i], tolerance) << "at " << i;
}

// A material object with the four compounds.
class AccessTest : public MatObjTest {
 protected:
  void SetUp() override {
    MatObjTest::SetUp();
    if (HasFatalFailure()) return;
    useFourCompounds();
  }

  void useFourCompounds() {
    support::Variant ids = strings(fourIds());
    ASSERT_EQ(S_OK, m_itf->setComps(ids.get(), VARIANT_FALSE));
    ASSERT_EQ(4, m_self->compoundCount());
    for (int i = 0; i < 4; ++i) m_self->compound(i).m_molecularWeight = fourWeights()[static_cast<size_t>(i)];
  }

  HRESULT set(const wchar_t* property, const wchar_t* phase, const std::vector<double>& values,
              const wchar_t* basis = L"mole", const wchar_t* calcType = L"Mixture", const VARIANT* ids = nullptr) {
    return setProp(property, phase, ids, calcType, basis, doubles(values).get());
  }
  // GetProp's values; a failure is recorded and gives no values.
  std::vector<double> get(const wchar_t* property, const wchar_t* phase, const wchar_t* basis = L"mole",
                          const wchar_t* calcType = L"Mixture", const VARIANT* ids = nullptr) {
    std::vector<double> out;
    const HRESULT hr = getProp(property, phase, ids, calcType, basis, &out);
    EXPECT_EQ(S_OK, hr) << "GetProp " << support::narrow(property) << ": " << support::narrow(errorText());
    return out;
  }

  // Attaches a package with these phases and properties (and the four compounds), then puts the
  // molecular weights back.
  void attachPackage(const std::vector<std::wstring>& phases, const std::vector<std::wstring>& properties) {
    m_package = TestPackage::create();
    m_package->phases = phases;
    m_package->properties = properties;
    for (size_t i = 0; i < fourIds().size(); ++i)
      m_package->compounds.push_back({fourIds()[i], L"", fourIds()[i], 100.0, fourWeights()[i], L""});
    m_itf->put_PropertyPackage(m_package->dispatch());
    useFourCompounds();
  }

  const std::vector<double> m_x{0.4, 0.3, 0.2, 0.1};
  support::ComPtr<TestPackage> m_package;
};

}  // namespace matobj_test
