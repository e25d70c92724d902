#pragma once
// What the adapter's parts share: the adapter's own state that Initialize and the host set
// (AdapterSide, answered by the adapter), and the objects the CAPE-OPEN thread made
// (PackageObjects, filled by the package creation and emptied by the teardown).
#include <windows.h>

#include "CAPE-OPENv1-0-0.h"
#include "support/GlobalizedPointer.h"
#include "OvHost.h"
#include "support/Raii.h"
#include "ZendrelLib.h"

class CMatObj;

class AdapterSide {
 public:
  virtual ~AdapterSide() = default;
  // The host container for the calling thread (null when none was given).
  virtual support::ComPtr<ExtnContainer> container() = 0;
  virtual bool recalling() const = 0;
  virtual HWND ownerWindow() const = 0;
  // The host's component count, read at Initialize.
  virtual int hostComponentCount() const = 0;
  // Adds a piece of the import report: to ImportReport and to the browser's AddReportLine.
  virtual HRESULT addReportText(const wchar_t* text, bool lineComplete) = 0;
};

// References to objects of one thread are kept globalized, so the other thread gets a proxy;
// the raw material object is used only where its own thread (or a copy made there) is safe.
struct PackageObjects {
  CMatObj* matObj = nullptr;  // raw pointer of the material object (its own thread)
  support::GlobalizedPointer<ICapeThermoMaterialObject> materialObject;
  support::GlobalizedPointer<IMatObj> imatObj;
  support::GlobalizedPointer<ICapeThermoPropertyPackage> package;
  support::GlobalizedPointer<ICapeThermoSystem> system;
};
