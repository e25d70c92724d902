#include "MatObjFixture.h"

namespace matobj_test {
namespace {

TEST_F(MatObjTest, ObjectComesFromThisProgramAndAnswersItsInterfaces) {
  support::ComPtr<ICapeIdentification> id;
  EXPECT_EQ(S_OK, m_mo.As(&id));
  support::ComPtr<ECapeUser> user;
  EXPECT_EQ(S_OK, m_mo.As(&user));
}

}  // namespace
}  // namespace matobj_test
