#pragma once
// Helpers of the component parts: the package's lists and the per-component host variables
// read and written as plain vectors, names compared as the host compares them, and the host's
// component records.
#include <windows.h>

#include <limits>
#include <string>
#include <vector>

#include "OvHost.h"
#include "hostvars/OvVar.h"
#include "support/Raii.h"
#include "support/Text.h"

namespace component_values {

// The match kinds stored in MatchedBy.
constexpr wchar_t kByCas[] = L"CASNumber";
constexpr wchar_t kByCompId[] = L"CompId";
constexpr wchar_t kNoMatching[] = L"No matching";

// The module's string resources 103-106 (the same texts as its string table). 103 is kept with
// the others; no identification text uses it.
constexpr wchar_t kResourceByCompId[] = L"It'll be interpreted through its CompId. ";                  // 103
constexpr wchar_t kResourceAsHypothetical[] = L"It'll be interpreted as a Hypothetical component. ";  // 104
constexpr wchar_t kResourceContactVendor[] = L"Contact this component's vendor. ";                    // 105
constexpr wchar_t kResourceIdsRepeated[] =
    L"The components cannot be uniquely identified since some of their CompId fields have repeated values. ";  // 106

// What a failing setComps complains of.
constexpr char kSetCompsFailed[] = "bug in CVBPropPkg::setComps";

constexpr int kFirstHypotheticalId = 20000;  // host ids of hypothetical components start here
constexpr double kNotAvailable = std::numeric_limits<double>::infinity();

// Valid: not infinite, not the package's "missing" markers 1e35 and -1e35, and a number at all.
bool isValidValue(double v);

using support::textOf;


bool endsWithStar(const std::wstring& name);

// A one-dimensional array's elements as texts (strings, or VARIANTs holding strings); anything
// else gives none.
std::vector<std::wstring> textsOf(const VARIANT& v);
// A one-dimensional array's elements as doubles (doubles, integers, or VARIANTs convertible to a
// double, NaN where not); anything else gives none.
std::vector<double> realsOf(const VARIANT& v);
std::vector<long> longsOf(const VARIANT& v);

template <class Var>
support::Variant valueOf(Var& var) {
  support::Variant value;
  var.getValue(value.out());
  return value;
}

// The variable's elements, made exactly n long (missing ones: fill).
std::vector<std::wstring> readTexts(OvTextFlexVar& var, size_t n);
std::vector<double> readReals(OvRealFlexVar& var, size_t n, double fill = 0.0);
HRESULT writeTexts(OvTextFlexVar& var, const std::vector<std::wstring>& values);
HRESULT writeReals(OvRealFlexVar& var, const std::vector<double>& values);

support::Variant longArray(const std::vector<long>& values);
support::Variant textArray(const std::vector<std::wstring>& values);

template <class T>
T elementOr(const std::vector<T>& values, size_t i, T fallback) {
  return i < values.size() ? values[i] : fallback;
}

// Element i (from the first) of one of the package's lists; "" or +inf when it has none.
std::wstring listText(const support::Variant& list, long i);
double listReal(const support::Variant& list, long i);
// An empty array of the list's type stands for a list that was emptied.
support::Variant listOrEmpty(const support::Variant& list, VARTYPE vt);

struct HostEntry {
  long id = -1;
  std::wstring name;
};

HRESULT readEntry(HostComponent* component, HostEntry& entry);

}  // namespace component_values
