#pragma once
// How a package of this system talks to the material object it is handed. Two manners, both seen
// in packages written elsewhere:
//  - early: through the ICapeThermoMaterialObject vtable, the state read with an empty calcType
//    and no compound ids (VT_EMPTY), results written with the calcType of the request;
//  - late: through IDispatch only (QueryInterface(IID_IDispatch), GetIDsOfNames, Invoke with
//    positional arguments), as a scripting-language package does: omitted arguments as
//    VT_ERROR / DISP_E_PARAMNOTFOUND, "no compound ids" as Null, result arrays passed by reference.
// A failure of the material object ends the package call with ECapeUnknown; its text quotes
// what the material object says about the failure.
#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <string>
#include <vector>

namespace idealthermo {

class MaterialLink {
 public:
  virtual ~MaterialLink() = default;
  virtual std::vector<std::wstring> componentIds() = 0;
  virtual std::vector<std::wstring> phaseIds() = 0;
  // A state property (temperature, pressure, fraction, phaseFraction): no calcType, all compounds.
  virtual std::vector<double> readState(const wchar_t* property, const wchar_t* phase, const wchar_t* basis) = 0;
  // A result for all compounds; basis null for none.
  virtual void write(const wchar_t* property, const wchar_t* phase, const wchar_t* calcType, const wchar_t* basis,
                     const std::vector<double>& values) = 0;
};

enum class LinkManner { Early, Late };

// Fails with ECapeInvalidArgument when the object is null or cannot be reached in that manner.
std::unique_ptr<MaterialLink> linkMaterial(IDispatch* object, LinkManner manner);

}  // namespace idealthermo
