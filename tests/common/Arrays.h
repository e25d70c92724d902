#pragma once
// One-dimensional arrays (lower bound 0) in VARIANTs, built with the platform's own calls as a
// host or a package builds them (not with the product's helpers); an empty VARIANT when out of
// memory.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "support/Raii.h"

namespace test_arrays {

inline support::Variant doubles(const std::vector<double>& values) {
  support::Variant v;
  SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(values.size()));
  if (!array) return v;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i)
    SafeArrayPutElement(array, &i, const_cast<double*>(&values[i]));
  v.get().vt = VT_ARRAY | VT_R8;
  v.get().parray = array;
  return v;
}

inline support::Variant texts(const std::vector<std::wstring>& values) {
  support::Variant v;
  SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(values.size()));
  if (!array) return v;
  for (LONG i = 0; i < static_cast<LONG>(values.size()); ++i) {
    support::Bstr text(values[i].c_str(), static_cast<UINT>(values[i].size()));
    SafeArrayPutElement(array, &i, text.get());
  }
  v.get().vt = VT_ARRAY | VT_BSTR;
  v.get().parray = array;
  return v;
}

}  // namespace test_arrays
