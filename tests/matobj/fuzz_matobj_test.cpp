// Random arguments, as code we do not control may pass them, fed to every method of the
// package-facing interface; afterwards the object must still answer correctly. The seed is fixed
// so a failure can be replayed.
#include <limits>
#include <random>

#include "tests/matobj/MatObjFixture.h"
#include "support/SetGet.h"

namespace matobj_test {
namespace {

const wchar_t* const kNames[] = {L"fraction", L"temperature", L"pressure", L"enthalpy", L"enthalpyF",
                                 L"fugacityCoefficient", L"kvalues", L"phaseFraction", L"totalFlow", L"flow",
                                 L"enthalpy.Dtemperature", L"fugacityCoefficient.Dmoles", L"volume", L"density",
                                 L"Vapor", L"Liquid", L"Overall", L"VaporLiquid", L"Water", L"Solid", L"Mixture",
                                 L"Pure", L"mole", L"mass", L"", L"nonsense", L"molecularWeight",
                                 L"criticalTemperature", L"casRegistryNumber", L"methane", L"ETHANE", L"TP", L"PH",
                                 L"PS", L"TVF", L"xx.Dtemperature"};

class Fuzzer {
 public:
  explicit Fuzzer(unsigned seed) : m_rng(seed) {}

  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

  // A name from the pool, a null BSTR, or a long random text.
  support::Bstr name() {
    switch (pick(12)) {
      case 0: return support::Bstr();
      case 1: return support::Bstr(std::wstring(static_cast<size_t>(pick(300)), L'a' + pick(26)).c_str());
      default: return support::Bstr(kNames[pick(sizeof(kNames) / sizeof(kNames[0]))]);
    }
  }

  // Any kind of VARIANT: scalars, strings, arrays of every element type with odd bounds and sizes.
  support::Variant variant() {
    support::Variant v;
    VARIANT& x = v.get();
    switch (pick(11)) {
      case 0: break;  // VT_EMPTY
      case 1: x.vt = VT_NULL; break;
      case 2: x.vt = VT_I4; x.lVal = pick(100) - 50; break;
      case 3: x.vt = VT_R8; x.dblVal = value(); break;
      case 4: x.vt = VT_BSTR; x.bstrVal = name().detach(); break;
      case 5: x.vt = VT_DISPATCH; x.pdispVal = nullptr; break;
      case 6: makeArray(x, VT_BSTR); break;
      case 7: makeArray(x, VT_VARIANT); break;
      case 8: makeArray(x, VT_I4); break;
      case 9: makeTwoDimensional(x); break;
      default: makeArray(x, VT_R8); break;
    }
    return v;
  }

  double value() {
    const double specials[] = {0.0, -1.0, 1e300, -1e300, 1e-300, std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::infinity(), 0.25, 300.0, 101325.0};
    return specials[pick(10)];
  }

 private:
  void makeArray(VARIANT& x, VARTYPE vt) {
    const long sizes[] = {0, 1, 2, 3, 4, 5, 40};
    const long n = sizes[pick(7)];
    const long lb = pick(4) == 0 ? pick(2000) - 1000 : 0;
    SAFEARRAYBOUND bound = {static_cast<ULONG>(n), lb};
    SAFEARRAY* sa = SafeArrayCreate(vt, 1, &bound);
    if (!sa) return;
    for (long i = 0; i < n; ++i) {
      long at = lb + i;
      if (vt == VT_R8) {
        double d = value();
        SafeArrayPutElement(sa, &at, &d);
      } else if (vt == VT_BSTR) {
        support::Bstr s = name();
        SafeArrayPutElement(sa, &at, s.get());
      } else if (vt == VT_I4) {
        LONG l = pick(10);
        SafeArrayPutElement(sa, &at, &l);
      } else {
        support::Variant inner;
        if (pick(2)) {
          inner.get().vt = VT_R8;
          inner.get().dblVal = value();
        } else {
          inner.get().vt = VT_BSTR;
          inner.get().bstrVal = name().detach();
        }
        SafeArrayPutElement(sa, &at, &inner.get());
      }
    }
    x.vt = VT_ARRAY | vt;
    x.parray = sa;
  }

  void makeTwoDimensional(VARIANT& x) {
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {3, 0}};
    SAFEARRAY* sa = SafeArrayCreate(VT_R8, 2, bounds);
    if (!sa) return;
    x.vt = VT_ARRAY | VT_R8;
    x.parray = sa;
  }

  std::mt19937 m_rng;
};

// What a sound object answers after the storm: a full composition round trip, its compounds.
void expectStillSound(ICapeThermoMaterialObject* mo, CMatObj* self) {
  LONG n = 0;
  ASSERT_EQ(S_OK, mo->GetNumComponents(&n));
  EXPECT_EQ(3, n);
  EXPECT_EQ(3, self->compoundCount());
  support::Variant ids;
  ASSERT_EQ(S_OK, mo->get_ComponentIds(ids.out()));
  EXPECT_EQ((std::vector<std::wstring>{L"methane", L"ethane", L"propane"}), readStrings(ids.get()));
  support::Variant x = doubles({0.5, 0.3, 0.2});
  support::Bstr fraction(L"fraction"), liquid(L"Liquid"), mixture(L"Mixture"), mole(L"mole");
  support::Variant none, out;
  ASSERT_EQ(S_OK, mo->SetProp(fraction.get(), liquid.get(), none.get(), mixture.get(), mole.get(), x.get()));
  ASSERT_EQ(S_OK, mo->GetProp(fraction.get(), liquid.get(), none.get(), mixture.get(), mole.get(), out.out()));
  EXPECT_EQ((std::vector<double>{0.5, 0.3, 0.2}), readDoubles(out.get()));
}

class MatObjFuzz : public MatObjTest {};

TEST_F(MatObjFuzz, ThousandsOfRandomArgumentsLeaveTheObjectSound) {
  setCompounds({L"methane", L"ethane", L"propane"}, {16.043, 30.07, 44.097});
  Fuzzer f(20261208u);
  for (int round = 0; round < 4000; ++round) {
    support::Bstr a = f.name(), b = f.name(), c = f.name(), d = f.name();
    support::Variant v1 = f.variant(), v2 = f.variant();
    support::Variant out;
    switch (round % 14) {
      case 0: m_mo->GetProp(a.get(), b.get(), v1.get(), c.get(), d.get(), out.out()); break;
      case 1: m_mo->SetProp(a.get(), b.get(), v1.get(), c.get(), d.get(), v2.get()); break;
      case 2: m_mo->GetComponentConstant(v1.get(), v2.get(), out.out()); break;
      case 3: m_mo->PropCheck(v1.get(), out.out()); break;
      case 4: m_mo->RemoveResults(v1.get()); break;
      case 5: m_mo->get_PhaseIds(out.out()); break;
      case 6: m_mo->AvailableProps(out.out()); break;
      case 7: m_mo->GetUniversalConstant(v1.get(), out.out()); break;
      case 8: m_mo->SetIndependentVar(v1.get(), v2.get()); break;
      case 9: m_mo->GetIndependentVar(v1.get(), out.out()); break;
      case 10: m_mo->ValidityCheck(v1.get(), out.out()); break;
      case 11: m_mo->CalcProp(v1.get(), v2.get(), a.get()); break;  // no package: refused
      case 12: m_mo->CalcEquilibrium(a.get(), v1.get()); break;
      default: m_mo->GetPropList(out.out()); break;
    }
    // Whatever came back must be a VARIANT the caller can free.
    out.reset();
    if (round % 500 == 499) {
      expectStillSound(m_mo.Get(), m_self);
      if (HasFatalFailure()) return;
    }
  }
  expectStillSound(m_mo.Get(), m_self);
}

TEST_F(MatObjFuzz, RandomAdapterCallsStayInsideTheirArrays) {
  setCompounds({L"methane", L"ethane", L"propane"}, {16.043, 30.07, 44.097});
  Fuzzer f(7u);
  for (int round = 0; round < 2000; ++round) {
    support::Variant v = f.variant(), out;
    const LONG phase = f.pick(14) - 2;
    const LONG prop = f.pick(3) ? 27 + f.pick(20) : f.pick(5000) - 100;
    switch (round % 5) {
      case 0: m_itf->SetTPFraction(f.value(), f.value(), v.get(), phase); break;
      case 1: m_itf->GetPropVal(phase, prop, out.out()); break;
      case 2: m_itf->setPropVal(prop, phase, v.get()); break;
      case 3: {
        double t = 0, p = 0;
        m_itf->GetTPfraction(&t, &p, out.out(), phase);
        break;
      }
      default: {
        support::Bstr name = f.name();
        m_itf->RemoveResult(name.get(), phase);
        break;
      }
    }
    out.reset();
  }
  expectStillSound(m_mo.Get(), m_self);
}

}  // namespace
}  // namespace matobj_test
