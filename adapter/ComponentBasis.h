#pragma once
// The material object's compounds in the host's order: the host's names mapped to the package's
// components (setComps), the host ids ("IDNumbers") and the package ids per host position, the
// package's constants as doubles, and the copy of the compound constants the caller's threads read.
//
// Positions: the package's lists are in the package's order ("package positions"). The
// material-object ids and the host ids are per host position once the host has given its basis;
// until then both orders are the same.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "adapter/AdapterSide.h"
#include "adapter/PkgConfig.h"
#include "bridge/CallBridge.h"
#include "errors/COVCOError.h"
#include "ids/CompConstProp.h"
#include "support/Raii.h"

class ComponentCatalogue;
struct CalcWorkArrays;

class ComponentBasis {
 public:
  // A copy of the material object's compound constants and of the host ids, made on the
  // CAPE-OPEN thread whenever they change and replaced as a whole: a reader on any thread keeps
  // the copy it took, so it never sees one half-changed or freed by a component change or the
  // teardown.
  struct CachedCompounds {
    std::vector<CompConstProp> compounds;
    std::vector<int> hostIds;  // "IDNumbers" by component position, -1 when none
    // The material object's readiness rule on the copy (failures reported).
    HRESULT checkReady() const;
    int hostIdAt(int position) const;
  };

  ComponentBasis(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, bridge::CallBridge& bridge,
                 PackageObjects& objects, const ComponentCatalogue& catalogue, CalcWorkArrays& work);
  ComponentBasis(const ComponentBasis&) = delete;
  ComponentBasis& operator=(const ComponentBasis&) = delete;

  // setComps on the CAPE-OPEN thread; hostPresent: whether the host gave a container.
  HRESULT applyComponentNames(const std::vector<std::wstring>& names, bool hostPresent);
  // Sizes the per-component state for n components (and tells the material object).
  // materialFollows false: the material object keeps its compounds (the host's until the host
  // ends its basis change).
  void sizeComponentState(int n, bool materialFollows = true);
  // The count the per-component state was last sized for, or read from the package.
  int stateSize() const { return m_stateSize; }
  void noteStateSize(int n) { m_stateSize = n; }
  // After the package's list was read: host positions are the package's until the host gives
  // its basis.
  void followPackageOrder(const std::vector<long>& hostIds, support::Variant packageIds);
  // The teardown's part: the host ids go.
  void clearHostIds() { m_hostIds.reset(); }
  const VARIANT& hostIds() const { return m_hostIds.get(); }
  const VARIANT& materialIds() const { return m_matObjIds.get(); }

  // The package's constant as a double; +inf when it is not available.
  double componentConstant(const wchar_t* property, int position);
  // Constants asked for the material object's former compounds are forgotten.
  void forgetConstants() { m_constants.clear(); }

  // What the caller's thread reads (atomic_load), and its replacement on the CAPE-OPEN thread
  // after the compounds changed (and at the teardown: none).
  std::shared_ptr<const CachedCompounds> cachedCompounds() const;
  void publishCompounds();

 private:
  // The cached (else asked) constant, on the CAPE-OPEN thread.
  double cachedConstant(const wchar_t* property, int position);
  HRESULT askPackageConstant(const wchar_t* property, support::Variant& values);
  long materialPosition(int position) const;
  // The material object's IMatObj for the calling thread (null when there is none).
  HRESULT materialInterface(support::ComPtr<IMatObj>& out);

  AdapterSide& m_adapter;
  COVCOError& m_errors;
  PkgConfig& m_config;
  bridge::CallBridge& m_bridge;
  PackageObjects& m_objects;
  const ComponentCatalogue& m_catalogue;
  CalcWorkArrays& m_work;

  int m_stateSize = 0;
  support::Variant m_hostIds;            // "IDNumbers": 32-bit host ids, one per component
  support::Variant m_matObjIds;          // package ids per host position (IMatObj::setComps)
  std::map<std::wstring, support::Variant> m_constants;  // package constants by property
  std::shared_ptr<const CachedCompounds> m_cached;        // read and replaced with atomic_load/atomic_store
};
