#pragma once
// The package's side of the conversation with a CAPE-OPEN 1.0 material object: it reads the
// compound ids and the state with GetProp and writes results with SetProp. Every failure of the
// material object ends the package call with ECapeUnknown and a text naming what was asked.
#include <windows.h>
#include <oaidl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "support/Raii.h"

namespace prthermo {

// The names a package passes to its material object, made into BSTRs once: a calculation passes
// the same few names on every call, and making them anew costs more than a small calculation.
class NameCache {
 public:
  // The BSTR of a UTF-8 name, kept for the cache's life (callees receive it as [in] only).
  BSTR operator()(const std::string& name);

 private:
  std::unordered_map<std::string, support::Bstr> m_names;
};

class MaterialAccess {
 public:
  // Fails with ECapeInvalidArgument when `object` is null or no ICapeThermoMaterialObject.
  MaterialAccess(IDispatch* object, NameCache& names);

  // As the material object spells them (no conversion, so that a repeated list is cheap to compare).
  std::vector<std::wstring> componentIds();
  // The ComponentIds VARIANT itself, unchecked (fails only when the material object does).
  void componentIds(support::Variant& ids);
  // The ids of such a VARIANT; fails unless it is a non-empty list of strings.
  static std::vector<std::wstring> componentIds(const VARIANT& ids);
  // GetProp(property, phase, all compounds, "Mixture", basis); basis empty for none.
  std::vector<double> get(const std::string& property, const std::string& phase, const char* basis);
  // The one value of a scalar property.
  double getScalar(const std::string& property, const std::string& phase, const char* basis);
  // SetProp(property, phase, all compounds, "Mixture", basis, values).
  void set(const std::string& property, const std::string& phase, const char* basis,
           const std::vector<double>& values);
  // The same with the names already made BSTRs (basis null for none).
  std::vector<double> get(BSTR property, BSTR phase, BSTR basis);
  void set(BSTR property, BSTR phase, BSTR basis, const std::vector<double>& values);

 private:
  [[noreturn]] void failed(const wchar_t* call, BSTR property, BSTR phase, HRESULT hr);

  support::ComPtr<ICapeThermoMaterialObject> m_object;
  NameCache& m_names;
  BSTR m_mixture;
};

}  // namespace prthermo
