// The host's basis handed to the material object (setComps), the per-component state, the
// package's constants as doubles (getCompConstantDbl) and the copy of the compounds the
// caller's threads read.
#include "adapter/ComponentBasis.h"

#include <atomic>
#include <string>
#include <vector>

#include "adapter/CalcRequests.h"
#include "adapter/ComponentCatalogue.h"
#include "adapter/ComponentValues.h"
#include "adapter/HostComponentTable.h"
#include "matobj/CMatObj.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Guards.h"

using support::ComPtr;
using support::SetGet;
using support::Variant;
using namespace component_values;

namespace {

constexpr wchar_t kDeprecatedConstants[] =
    L"Warning: The package returns constant properties using an deprecated standard. Conversion performed "
    L"succesfully";
constexpr double kHugeConstant = 1e31;       // a cached or answered constant above this is unusable

std::atomic<bool> g_deprecatedConstantsWarned{false};

}  // namespace

ComponentBasis::ComponentBasis(AdapterSide& adapter, COVCOError& errors, PkgConfig& config, bridge::CallBridge& bridge,
                               PackageObjects& objects, const ComponentCatalogue& catalogue, CalcWorkArrays& work)
    : m_adapter(adapter),
      m_errors(errors),
      m_config(config),
      m_bridge(bridge),
      m_objects(objects),
      m_catalogue(catalogue),
      m_work(work) {}

// ---- The host's basis (CAPE-OPEN thread) ----

HRESULT ComponentBasis::applyComponentNames(const std::vector<std::wstring>& names, bool hostPresent) {
  return support::complainingOfFailure(
      m_errors, {kSetCompsFailed, CkINTERNAL, Calculating::no, E_FAIL}, [&]() -> HRESULT {
    if (m_objects.imatObj.registered()) {
      const HRESULT refused = m_bridge.refuseIfQuarantined();
      if (FAILED(refused)) return refused;
    }
    const size_t n = names.size();
    sizeComponentState(static_cast<int>(n));

    const long packageCount = m_catalogue.listCount();
    const std::vector<std::wstring> ovNames = readTexts(m_config.m_SelectedCompOvNames, packageCount);
    const std::vector<double> idNumbers = readReals(m_config.m_SelectedIDNumbers, packageCount, -1.0);
    std::vector<std::wstring> ids(n);
    std::vector<long> hostIds(n, -1);
    for (size_t i = 0; i < n; ++i) {
      // The host's record of position i: its name and, from the host's library, its CAS number.
      const std::wstring& name = names[i];
      const int libraryId = host_components::idByName(name.c_str());
      std::wstring cas = hostPresent ? host_components::casOfId(libraryId) : std::wstring();
      ids[i] = name;
      hostIds[i] = libraryId;
      long k = -1;
      if (!cas.empty())
        for (long p = 0; p < packageCount && k < 0; ++p)
          if (support::sameText(m_catalogue.casAt(p), cas)) k = p;
      if (k < 0)
        for (long p = 0; p < packageCount && k < 0; ++p)
          if (support::sameText(ovNames[p], name)) k = p;
      if (k >= 0) {
        ids[i] = m_catalogue.idAt(k);
        if (cas.empty()) cas = m_catalogue.casAt(k);
        if (idNumbers[k] >= 0) hostIds[i] = static_cast<long>(idNumbers[k]);
        continue;
      }
      if (static_cast<long>(i) < packageCount) ids[i] = m_catalogue.idAt(static_cast<long>(i));
      const std::string text = "Since the component '" + support::narrow(name) +
                               "' does not provide a CASNumber, the package will only work if it is configured with "
                               "ALL the components provided and in the order provided by the package.";
      m_errors.complainKind(text.c_str(), CkPLAIN4, Calculating::no);
    }
    m_matObjIds = textArray(ids);
    m_hostIds = longArray(hostIds);
    m_constants.clear();  // they were asked for the material object's former compounds

    ComPtr<IMatObj> material;
    HRESULT hr = materialInterface(material);
    if (FAILED(hr)) return support::reportUnexpected(hr);
    if (material) hr = material->setComps(m_matObjIds.get(), VARIANT_TRUE);
    publishCompounds();
    if (FAILED(hr)) return hr;
    const Variant userNames = textArray(names);
    return m_config.m_UserSelectedCompOvNames.setValue(userNames.get());
  });
}


// ---- Per-component state ----

void ComponentBasis::sizeComponentState(int n, bool materialFollows) {
  try {
    if (n < 0) n = 0;
    const size_t count = static_cast<size_t>(n);
    m_stateSize = n;
    std::vector<long> hostIds = longsOf(m_hostIds.get());
    hostIds.resize(count, -1);
    m_hostIds = longArray(hostIds);
    std::vector<std::wstring> ids = textsOf(m_matObjIds.get());
    ids.resize(count);
    m_matObjIds = textArray(ids);
    m_work.size(n);
    if (!materialFollows) return;
    ComPtr<IMatObj> material;
    HRESULT hr = materialInterface(material);
    if (SUCCEEDED(hr) && material) hr = material->SetNumComps(n);
    if (FAILED(hr)) support::reportUnexpected(hr);
  } catch (...) {
    m_errors.complain(E_FAIL, "sizing the component arrays", CkINTERNAL, Calculating::no);
  }
}


void ComponentBasis::followPackageOrder(const std::vector<long>& hostIds, Variant packageIds) {
  m_hostIds = longArray(hostIds);
  m_matObjIds = std::move(packageIds);
}

// ---- Package constants ----

// Asked of the package on its own thread, under the call lock; the cache is kept there too.
double ComponentBasis::componentConstant(const wchar_t* property, int position) {
  double value = kNotAvailable;
  const HRESULT hr = m_bridge.runOnThread([&] {
    value = cachedConstant(property, position);
    return S_OK;
  });
  return SUCCEEDED(hr) ? value : kNotAvailable;
}

double ComponentBasis::cachedConstant(const wchar_t* property, int position) {
  Variant& values = m_constants[property ? property : L""];
  const std::vector<double> first = realsOf(values.get());
  if (!SetGet::isArray(values.get()) || (!first.empty() && first.front() > kHugeConstant)) {
    values.reset();
    askPackageConstant(property, values);
  }
  const long k = materialPosition(position);
  if (!SetGet::isArray(values.get()) || k < 0 || k >= SetGet::elementCount(values.get())) return kNotAvailable;
  const long at = SetGet::lbound(values.get()) + k;
  if (values.vt() == (VT_ARRAY | VT_R8)) {
    if (!g_deprecatedConstantsWarned.exchange(true)) m_adapter.addReportText(kDeprecatedConstants, true);
    return SetGet::getDouble(values.get(), at);
  }
  if (values.vt() != (VT_ARRAY | VT_VARIANT)) return kNotAvailable;
  const VARIANT element = SetGet::getVariant(values.get(), at);  // the array's own
  if (element.vt == VT_R8) return element.dblVal > kHugeConstant ? kNotAvailable : element.dblVal;
  const std::string text = "The package returned an unexpected value (or in an unexpected format) (" +
                           (SetGet::isArray(element) ? SetGet::variantToStr(element) : SetGet::scalarToStr(element)) +
                           ") when requested the constant property";
  m_errors.complain(E_FAIL, text.c_str(), CkNONSTANDARD, Calculating::no);
  return kNotAvailable;
}

// The package's answer for its material object's compounds; a failing request leaves none.
HRESULT ComponentBasis::askPackageConstant(const wchar_t* property, Variant& values) {
  HRESULT hr = m_bridge.refuseIfQuarantined();
  if (FAILED(hr)) return hr;
  ComPtr<ICapeThermoPropertyPackage> package;
  ComPtr<ICapeThermoMaterialObject> material;
  hr = m_objects.package.get(package);
  if (SUCCEEDED(hr)) hr = m_objects.materialObject.get(material);
  if (FAILED(hr) || !package || !material) return FAILED(hr) ? hr : E_POINTER;
  const Variant names = textArray({property ? property : L""});
  hr = package->GetComponentConstant(material.Get(), names.get(), values.out());
  if (FAILED(hr)) values.reset();
  return hr;
}

// The material object's position of the package's component at position (-1 when it has none).
long ComponentBasis::materialPosition(int position) const {
  const std::wstring id = m_catalogue.idAt(position);
  const std::vector<std::wstring> ids = textsOf(m_matObjIds.get());
  if (ids.empty()) return position;
  for (size_t k = 0; k < ids.size(); ++k)
    if (support::sameText(ids[k], id)) return static_cast<long>(k);
  return -1;
}

// Every use runs on the CAPE-OPEN thread (handed over from a host thread), where this is the
// object itself.
HRESULT ComponentBasis::materialInterface(ComPtr<IMatObj>& out) { return m_objects.imatObj.get(out); }

// ---- What the caller's thread reads ----

std::shared_ptr<const ComponentBasis::CachedCompounds> ComponentBasis::cachedCompounds() const {
  return std::atomic_load(&m_cached);
}

void ComponentBasis::publishCompounds() {
  std::shared_ptr<CachedCompounds> cached;
  if (m_objects.matObj) {
    cached = std::make_shared<CachedCompounds>();
    for (int i = 0; i < m_objects.matObj->compoundCount(); ++i) cached->compounds.push_back(m_objects.matObj->compound(i).copy());
    for (long id : longsOf(m_hostIds.get())) cached->hostIds.push_back(static_cast<int>(id));
  }
  std::atomic_store(&m_cached, std::shared_ptr<const CachedCompounds>(std::move(cached)));
}

// The material object's readiness rule (CMatObj::checkReadyToCalc) on the copy.
HRESULT ComponentBasis::CachedCompounds::checkReady() const {
  if (compounds.empty())
    return support::reportFailure("Number of compounds has not been set. Contact support", "checkReadyToCalc");
  for (const CompConstProp& constants : compounds) {
    const HRESULT hr = constants.check();
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

int ComponentBasis::CachedCompounds::hostIdAt(int position) const {
  return position >= 0 && static_cast<size_t>(position) < hostIds.size() ? hostIds[position] : -1;
}
