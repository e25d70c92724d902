// The error object with the real, registered error components: an error raised through the
// CAPE-OPEN error component is described by the error utilities inside a complaint.
#include <gtest/gtest.h>

#include "tests/errors/ErrorsTestSupport.h"

namespace errors_test {
namespace {

using support::ComPtr;

const CLSID kCapeErrorClass = {0xB03F634D, 0xBCA2, 0x11D5, {0x80, 0xC4, 0x00, 0xA0, 0xC9, 0x8D, 0xE9, 0xCF}};
constexpr HRESULT kCapeBadArgument = static_cast<HRESULT>(0x80040505);

bool holdsLine(const std::string& text, const std::string& line) {
  return text.find("\n" + line + "\n") != std::string::npos || endsWith(text, "\n" + line);
}

TEST_F(ErrorTest, RegisteredUtilitiesDescribeAnErrorOfTheRegisteredCapeError) {
  ComPtr<ICapeErrorObject> raised;
  ASSERT_EQ(CoCreateInstance(kCapeErrorClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ICapeErrorObject),
                             reinterpret_cast<void**>(raised.GetAddressOf())),
            S_OK);
  EXPECT_EQ(CCOError::raiseCapeError(raised.Get(), L"GetProp", L"Phase name missing", kCapeBadArgument), kCapeBadArgument);
  EXPECT_EQ(CCOError::setCapeErrorPosition(raised.Get(), 2), S_OK);
  LONG level = 0;
  EXPECT_EQ(raised->get_Level(&level), S_OK);
  EXPECT_EQ(level, 100);
  support::Bstr scope(L"Material object");
  EXPECT_EQ(raised->put_Scope(scope.get()), S_OK);
  SetErrorInfo(0, nullptr);  // the package has read the failure; only the object tells it now

  ComPtr<FakePackage> package = makeObject<FakePackage>(L"Peng Pack");
  TestError error(CCOError::createErrorUtils);
  ASSERT_TRUE(error.hasErrorUtils());
  ASSERT_TRUE(boxes().empty());
  error.setPackage(package.Get());
  ComPtr<IDispatch> culprit;
  ASSERT_EQ(raised.As(&culprit), S_OK);
  EXPECT_EQ(error.complainError(L"calling GetProp", kCapeBadArgument, culprit.Get(), Calculating::no), E_FAIL);

  const std::vector<Box> shown = boxes();
  ASSERT_EQ(shown.size(), 1u);
  const std::string& box = shown[0].text;
  EXPECT_TRUE(startsWith(box, " ERROR: The CAPE-OPEN Property Package 'Peng Pack' raised an exception while "
                              "ECapeBadArgument (0x80040505) while calling GetProp\n"))
      << box;
  EXPECT_TRUE(holdsLine(box, "Description: Phase name missing")) << box;
  EXPECT_TRUE(holdsLine(box, "Scope: Material object")) << box;
  EXPECT_TRUE(holdsLine(box, "Interface: ICapeThermoMaterialObject")) << box;
  EXPECT_TRUE(holdsLine(box, "Operation: GetProp")) << box;
  EXPECT_TRUE(holdsLine(box, "Argument position: 2")) << box;
  EXPECT_EQ(box,
            " ERROR: The CAPE-OPEN Property Package 'Peng Pack' raised an exception while "
            "ECapeBadArgument (0x80040505) while calling GetProp\nDescription: Phase name missing\n"
            "Scope: Material object\nInterface: ICapeThermoMaterialObject\nOperation: GetProp\n"
            "More information: not given\nArgument position: 2");
  EXPECT_EQ(" ERROR: " + error.lastMessage(), box);  // the box is the composed complaint
}

}  // namespace
}  // namespace errors_test
