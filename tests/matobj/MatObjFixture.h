#pragma once
// A material object for each test, made by this program's own implementation: the class object
// is registered in the process, so objects the material object creates itself (Duplicate,
// CreateMaterialObject) come from the same code.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "matobj/CMatObj.h"
#include "tests/common/MessageSink.h"
#include "support/Raii.h"

namespace matobj_test {

// Arguments as a package would pass them.
support::Variant doubles(std::initializer_list<double> values);
support::Variant doubles(const std::vector<double>& values);
support::Variant strings(std::initializer_list<const wchar_t*> values);
support::Variant strings(const std::vector<std::wstring>& values);
support::Variant scalar(double value);
// The doubles of a double array (empty when it is none).
std::vector<double> readDoubles(const VARIANT& v);
std::vector<std::wstring> readStrings(const VARIANT& v);

class MatObjTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Sets the compounds (count, ids) and their molecular weights (kg/kmol) in the cache.
  void setCompounds(const std::vector<std::wstring>& ids, const std::vector<double>& molecularWeights);

  // GetProp / SetProp through the package's interface; compIds empty when null.
  HRESULT getProp(const wchar_t* property, const wchar_t* phase, const VARIANT* compIds, const wchar_t* calcType,
                  const wchar_t* basis, std::vector<double>* out);
  HRESULT setProp(const wchar_t* property, const wchar_t* phase, const VARIANT* compIds, const wchar_t* calcType,
                  const wchar_t* basis, const VARIANT& values);

  // The error last raised to the package, as the package reads it (ECapeUser / ECapeBadArgument).
  std::wstring errorText();
  short errorPosition();

  support::ComPtr<IMatObj> m_itf;
  support::ComPtr<ICapeThermoMaterialObject> m_mo;
  CMatObj* m_self = nullptr;
  test_sink::BoxCapture m_boxes;
};

}  // namespace matobj_test
