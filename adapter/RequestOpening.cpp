// The steps every calculation request shares (CAPE-OPEN thread).
#include "adapter/RequestOpening.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "adapter/CalcRequests.h"
#include "adapter/RequestRules.h"
#include "ids/COIds.h"
#include "ids/StaticCache.h"
#include "matobj/CMatObj.h"
#include "support/SetGet.h"
#include "support/Utils.h"
#include "support/Guards.h"

using bridge::CallParameters;
using request_rules::isKValueProperty;
using support::SetGet;

namespace {

constexpr char kInterpretingPhases[] = "interpreting Phases";
constexpr char kReadBack[] = "Read back from the package.";

// One-element property lists (none: an empty list), built once and shared like the prebuilt lists.
class NameList {
 public:
  explicit NameList(const wchar_t* name) {
    support::SetGet::fromStringList(m_list.get(), name ? std::vector<std::wstring>{name} : std::vector<std::wstring>{});
  }
  const VARIANT& get() const { return m_list.get(); }

 private:
  support::Variant m_list;
};

}  // namespace

bool RequestOpening::refuseWithoutMaterial(HRESULT& refusal) {
  if (m_objects.matObj) return false;
  refusal = calcComplaint(E_FAIL, support::kUnexpected);
  return true;
}

const VARIANT& RequestOpening::singlePropertyList(const wchar_t* name) {
  static const NameList kvalues(L"kvalues"), logkvalues(L"logkvalues"), activity(L"activityCoefficient"),
      fugacity(L"fugacityCoefficient"), logFugacity(L"logFugacityCoefficient"), viscosity(L"viscosity"),
      conductivity(L"thermalConductivity"), surfaceTension(L"surfaceTension");
  const NameList* lists[] = {&kvalues, &logkvalues, &activity, &fugacity, &logFugacity, &viscosity, &conductivity,
                             &surfaceTension};
  for (const NameList* list : lists)
    if (support::sameText(SetGet::getString(list->get(), 0), name)) return list->get();
  throw std::invalid_argument("no property list");
}

// Every phase a request names needs its composition: the material object would otherwise keep
// the previous request's.
void RequestOpening::phaseFlags(const int* types, bool& vapour, bool& liquid, bool& twoLiquids) {
  vapour = liquid = twoLiquids = false;
  int firstLiquid = -1;
  for (int k = 0; k < 3; ++k) {
    vapour = vapour || types[k] == bridge::HOST_PHASE_VAPOUR;
    if (types[k] == bridge::HOST_PHASE_LIQUID && firstLiquid < 0) firstLiquid = k;
  }
  liquid = firstLiquid >= 0;
  twoLiquids = (firstLiquid == 0 || firstLiquid == 1) && types[firstLiquid + 1] == bridge::HOST_PHASE_LIQUID;
}

int RequestOpening::mainLiquidOf(const int* types, int slotsLooked, int pass) {
  int seen = 0;
  for (int k = 0; k < slotsLooked && k < 3; ++k)
    if (types[k] == bridge::HOST_PHASE_LIQUID && ++seen == pass) return k;
  return -1;
}

HRESULT RequestOpening::calcComplaint(HRESULT code, const char* text, ComplaintKind kind) {
  return m_errors.complain(code, text, kind, Calculating::yes);
}

// Phase list of one pass (pass 2 of a request with two liquids and a vapour treats slot 0 as
// absent). K-values of both kinds are two-phase properties, asked on "VaporLiquid".
HRESULT RequestOpening::choosePhaseList(int* types, const wchar_t* property, int pass, const VARIANT*& list) {
  const CStaticCache& cache = CStaticCache::instance();
  bool vapour, liquid, twoLiquids;
  phaseFlags(types, vapour, liquid, twoLiquids);
  if (vapour && liquid) {
    if (isKValueProperty(property)) {
      list = &cache.list(CStaticCache::VaporLiquidTwoPhase);
    } else if (twoLiquids && pass == 2) {
      types[0] = bridge::HOST_PHASE_ABSENT;
      list = &cache.list(CStaticCache::LiquidPhase);
    } else {
      list = &cache.list(CStaticCache::VaporLiquidPhases);
    }
  } else if (vapour) {
    list = &cache.list(CStaticCache::VaporPhase);
  } else if (liquid) {
    list = &cache.list(CStaticCache::LiquidPhase);
  } else {
    const std::string text = std::string(kInterpretingPhases) + " " + std::to_string(vapour) + " " +
                             std::to_string(liquid) + " " + std::to_string(twoLiquids);
    return calcComplaint(E_FAIL, text.c_str());
  }
  return S_OK;
}

int RequestOpening::componentCount() const { return m_objects.matObj ? m_objects.matObj->compoundCount() : 0; }

void RequestOpening::prepareWorkArrays() {
  const size_t n = static_cast<size_t>(std::max(componentCount(), 0));
  for (auto& phase : m_work.phase)
    for (auto& work : phase)
      if (work.size() != n) work.assign(n, 0.0);
  if (m_errors.componentCount() != static_cast<int>(n)) m_errors.setComponentCount(static_cast<int>(n));
}

// Every request starts the complaint context afresh, before anything can refuse it: a message
// names this request's properties, component count and material, never the previous request's.
// The phase list is empty until a pass chooses one.
void RequestOpening::beginRequestContext(const CallParameters& call, const int* types, int slotsLooked,
                                     const VARIANT* properties) {
  static const NameList noPhases(nullptr);
  prepareWorkArrays();
  m_errors.setCalcContext(properties ? *properties : noPhases.get(), noPhases.get(), COIds::getName(CtMIXTURE));
  m_errors.setMaterialState(call.temperature, call.pressure * 1000.0, call.compositions, types, slotsLooked);
}

// The "sets" step: the request state for complaints, the host phases, T, P and compositions.
HRESULT RequestOpening::setRequestMaterial(const CallParameters& call, const int* types, int slotsLooked, int mainLiquid) {
  const double pressurePa = call.pressure * 1000.0;
  m_errors.setMaterialState(call.temperature, pressurePa, call.compositions, types, slotsLooked);
  m_objects.matObj->setHostPhases(types, mainLiquid);
  const HRESULT hr = m_objects.matObj->setHostTPFractions(call.temperature, pressurePa, call.compositions);
  return FAILED(hr) ? calcComplaint(hr, support::kUnexpected) : hr;
}

// The "calcs" step: the package's CalcProp through the material object (which complains of a
// failure through the adapter's diagnostics).
HRESULT RequestOpening::calcOnMaterial(const VARIANT& properties, const VARIANT& phases) {
  m_errors.setCalcContext(properties, phases, COIds::getName(CtMIXTURE));
  return m_objects.matObj->safeCalcProp(properties, phases, COIds::getName(CtMIXTURE));
}

void RequestOpening::validateValues(double* values, int property, const char* step) {
  char reason[80];  // on the stack: this runs for every request
  std::snprintf(reason, sizeof reason, "%s (%s)", kReadBack, step);
  m_errors.checkValues(values, property, true, reason, Calculating::yes);
}
