// Once-only warnings of property access. This program starts with the process-wide flags clear,
// so the first scalar SetProp here is the process's first.
#include "tests/matobj/AccessSupport.h"

namespace matobj_test {
namespace {

using Once = AccessTest;

const wchar_t kScalarWarning[] =
    L"The value of property temperature, Overall, Mixture should be an array of doubles instead of a double "
    L"Although this circumstance occurs in the future,  no more messages will be displayed about it";

TEST_F(Once, ScalarInsteadOfArrayIsWarnedOncePerProcess) {
  ASSERT_EQ(S_OK, setProp(L"temperature", L"Overall", nullptr, L"Mixture", nullptr, scalar(300.0).get()));
  EXPECT_EQ(kScalarWarning, errorText());
  EXPECT_EQ(std::vector<double>{300.0}, get(L"temperature", L"Overall", L""));

  // Another error in between, then a second scalar: the error stays the last one raised.
  EXPECT_EQ(kBadArgument, getProp(L"", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  ASSERT_EQ(S_OK, setProp(L"pressure", L"Overall", nullptr, L"Mixture", nullptr, scalar(2e5).get()));
  EXPECT_EQ(L"Argument cannot be empty Arg position: 1", errorText());
  EXPECT_EQ(std::vector<double>{2e5}, get(L"pressure", L"Overall", L""));

  // Not for another material object either.
  support::ComPtr<ICapeThermoMaterialObject> other;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_matObj, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ICapeThermoMaterialObject),
                                   reinterpret_cast<void**>(other.GetAddressOf())));
  support::Bstr t(L"temperature"), overall(L"Overall"), mixture(L"Mixture");
  support::Variant none;
  ASSERT_EQ(S_OK, other->SetProp(t.get(), overall.get(), none.get(), mixture.get(), nullptr, scalar(310.0).get()));
  support::ComPtr<ECapeUser> user;
  ASSERT_EQ(S_OK, other.As(&user));
  support::Bstr text;
  user->get_description(text.out());
  EXPECT_EQ(std::wstring::npos, std::wstring(text.c_str()).find(L"should be an array of doubles"));
}

// The per-object warning for a basis given with temperature, pressure, K-values or fugacities is
// never reached through the package's methods: building the request drops such a basis first
// and says so, every time.
TEST_F(Once, BasisOnBasisFreePropertiesIsDroppedEveryTime) {
  ASSERT_EQ(S_OK, set(L"kvalues", L"VaporLiquid", {2.0, 1.0, 0.5, 0.2}, L"mole"));
  EXPECT_EQ(L"Basis argument should be NULL", errorText());
  EXPECT_EQ(kBadArgument, getProp(L"", L"Vapor", nullptr, L"Mixture", L"mole", nullptr));
  std::vector<double> k;
  ASSERT_EQ(S_OK, getProp(L"kvalues", L"VaporLiquid", nullptr, L"Mixture", L"mass", &k));
  EXPECT_EQ(L"Basis argument should be NULL", errorText());
  EXPECT_EQ((std::vector<double>{2.0, 1.0, 0.5, 0.2}), k);
}

}  // namespace
}  // namespace matobj_test
