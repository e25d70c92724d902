#include "errors/CCOError.h"

#include <cmath>
#include <cwchar>

#include "ids/COIds.h"
#include "support/Guards.h"
#include "support/Report.h"
#include "support/SetGet.h"
#include "support/Text.h"
#include "support/Trace.h"

using support::Bstr;
using support::ComPtr;
using support::SetGet;
using support::Variant;

namespace {

// The error-utilities component and the CAPE-OPEN error component's interface.
const CLSID kErrorUtilsClass = {0xB03F634F, 0xBCA2, 0x11D5, {0x80, 0xC4, 0x00, 0xA0, 0xC9, 0x8D, 0xE9, 0xCF}};
constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr HRESULT kLibraryCode = 100;  // reports of the support library
constexpr HRESULT kFirstCapeCode = static_cast<HRESULT>(0x80040501);
constexpr HRESULT kLastCapeCode = static_cast<HRESULT>(0x80040517);
constexpr long kCapeErrorLevel = 100;
constexpr int kMaxMaterialPhases = 4;
constexpr int kMaterialLinePhases = 3;
constexpr double kTinyNegative = -1e-4;
constexpr double kNotSetMarker = -32767.0;

constexpr char kPackagePrefix[] = "The CAPE-OPEN Property Package '";
constexpr char kNoPackage[] = "(none selected)";
constexpr char kNameUnavailable[] = "(name not available)";
constexpr char kDefaultInterface[] = "ICapeThermoMaterialObject";
constexpr char kOnceOnlyNote[] =
    "Be aware that, even if this circumstance occurs in the future,  no more messages will be displayed about it. ";
constexpr char kTooManyPhases[] =
    "In SetTPFraction, m_currentPhases is longer than number of phases preallocated.setting to maximum";

using support::hasText;
std::string text(const char* s) { return s ? s : ""; }
std::string utf8(const wchar_t* s) { return support::narrow(s); }

// The calling thread's COM error information, taken once and put back before each composition
// that should show it (composing a text takes it).
class PendingErrorInfo {
 public:
  PendingErrorInfo() {
    if (GetErrorInfo(0, m_info.GetAddressOf()) != S_OK) m_info.Reset();
  }
  void restore() const {
    if (m_info) SetErrorInfo(0, m_info.Get());
  }
  // "\n(description: source)", as a composed text shows it; "" without a description.
  std::string text() const {
    if (!m_info) return {};
    Bstr description;
    Bstr source;
    m_info->GetDescription(description.out());
    m_info->GetSource(source.out());
    if (description.empty()) return {};
    return "\n(" + utf8(description.c_str()) + ": " + utf8(source.c_str()) + ")";
  }

 private:
  ComPtr<IErrorInfo> m_info;
};

// Kind 8 is a warning: its code becomes 0.
HRESULT effectiveCode(HRESULT code, ComplaintKind kind) { return kind == CkNONSTANDARDWARNING ? S_OK : code; }

bool showsCode(HRESULT code) { return code != 0 && code != kLibraryCode && code != E_FAIL; }

// What a value must satisfy to be feasible.
enum class ValueRule { FiniteOnly, NotBelowFloor, Positive, UnitRange };

ValueRule valueRule(int property) {
  switch (property) {
    case PpFRACTION:
    case PpPHASEFRACTION: return ValueRule::UnitRange;
    case PpKVALUES:
    case PpFUGACITYCOEFFICIENT:
    case PpFUGACITY:
    case PpACTIVITY:
    case PpACTIVITYCOEFFICIENT: return ValueRule::NotBelowFloor;
    case PpTEMPERATURE:
    case PpPRESSURE:
    case PpHEATCAPACITY:
    case PpVOLUME:
    case PpHEATCAPACITYCV:
    case PpDENSITY:
    case PpVISCOSITY:
    case PpTHERMALCONDUCTIVITY:
    case PpSURFACETENSION:
    case PpCOMPRESSIBILITYFACTOR:
    case PpVAPORPRESSURE:
    case PpMOLECULARWEIGHT: return ValueRule::Positive;
    default: return ValueRule::FiniteOnly;
  }
}

// False when the value breaks its rule; rule 1 values just below the floor are set to it.
bool checkValue(double& value, ValueRule rule, double floor) {
  if (!std::isfinite(value)) return false;
  switch (rule) {
    case ValueRule::NotBelowFloor:
      if (value >= floor) return true;
      if (value > kTinyNegative) {
        value = floor;
        return true;
      }
      return false;
    case ValueRule::Positive: return value > 0;
    case ValueRule::UnitRange: return value >= 0 && value <= 1;
    case ValueRule::FiniteOnly: return true;
  }
  return true;
}

int examinedCount(int property, int componentCount) {
  return COIds::isCompoundArrayProp(property, 0) ? componentCount : 1;
}

// Whether every value keeps its rule; values that checkValue would set to the floor count as kept.
bool allFeasible(const double* values, int count, ValueRule rule, double floor) {
  for (int i = 0; i < count; ++i) {
    double value = values[i];
    if (!checkValue(value, rule, floor)) return false;
  }
  return true;
}

// Whether a held list already has the content of a list of texts: the requests repeat their
// property and phase lists, and copying one costs several allocations on every request.
bool sameTextList(const VARIANT& held, const VARIANT& list) {
  constexpr VARTYPE kTexts = VT_ARRAY | VT_BSTR;
  if (held.vt != kTexts || list.vt != kTexts || SetGet::dimCount(held) != 1 || SetGet::dimCount(list) != 1 ||
      SetGet::lbound(held) != SetGet::lbound(list) || SetGet::elementCount(held) != SetGet::elementCount(list))
    return false;
  BSTR a = nullptr, b = nullptr;  // borrowed from the arrays
  for (long i = SetGet::lbound(held); SetGet::nextItem(held, i, a) && SetGet::nextItem(list, i, b); ++i) {
    const UINT length = SysStringLen(a);
    if (length != SysStringLen(b) || (length && std::wmemcmp(a, b, length) != 0)) return false;
  }
  return true;
}

}  // namespace

HRESULT CCOError::createErrorUtils(ICapeErrorUtils** out) {
  return CoCreateInstance(kErrorUtilsClass, nullptr, kAnyServer, __uuidof(ICapeErrorUtils),
                          reinterpret_cast<void**>(out));
}

CCOError::CCOError(double floorValue, const UtilsFactory& createUtils) : m_floorValue(floorValue) {
  HRESULT hr = E_POINTER;
  try {
    if (createUtils) hr = createUtils(m_errorUtils.ReleaseAndGetAddressOf());
  } catch (...) {
    hr = E_FAIL;
  }
  if (FAILED(hr) || !m_errorUtils) {
    m_errorUtils.Reset();
    show(E_FAIL, "error creating capeErrorUtils", nullptr, 1);
  }
}

CCOError::~CCOError() {
  // Released by hand: ComPtr's release may not throw, and a crashing component must not end
  // the process.
  ICapeErrorUtils* utils = m_errorUtils.Detach();
  try {
    if (utils) utils->Release();
  } catch (...) {
    traceLine("Crash releasing capeErrorUtils");
  }
}

// ---- Composition ----

std::string CCOError::packageName() {
  if (!m_package.registered()) return kNoPackage;
  ComPtr<ICapeIdentification> package;
  Bstr name;
  if (m_package.get(package) == S_OK && package && SUCCEEDED(package->get_ComponentName(name.out())) &&
      !name.empty())
    m_packageName = utf8(name.c_str());
  return m_packageName.empty() ? kNameUnavailable : m_packageName;
}

std::string CCOError::kindPrefix(ComplaintKind kind) {
  switch (kind) {
    case CkINTERNAL: return "INTERNAL ERROR ";
    case CkNOTALLOWED: return "It is not allowed ";
    case CkUNFEASIBLE: return kPackagePrefix + packageName() + "' provided unfeasible thermodynamic values ";
    case CkEXCEPTION: return kPackagePrefix + packageName() + "' raised an exception while ";
    case CkNONSTANDARD:
    case CkNONSTANDARDWARNING: return kPackagePrefix + packageName() + "' did not follow the standard while ";
    case CkSYSTEM: return "System Error (normally installation error) '";
    case CkHOSTUNFEASIBLE: return "INTERNAL ERROR: The Simulator provided unfeasible thermodynamic values ";
    default: return {};
  }
}

bool CCOError::passesAnyChannel(int level) const {
  return level <= 1 || m_boxAbove1 || m_traceAbove1 || m_secondaryTraceAbove1;
}

std::string CCOError::calcContextText() const {
  return "calculating {" + SetGet::variantToStr(m_calcProperties.get()) + ", " +
         SetGet::variantToStr(m_calcPhases.get()) + ", " + m_calcType + "}";
}

std::vector<std::string> CCOError::materialLines(const char* label) const {
  const double* compositions[kMaterialLinePhases];
  for (int i = 0; i < kMaterialLinePhases; ++i)
    compositions[i] = m_material.compositions[i].empty() ? nullptr : m_material.compositions[i].data();
  return support::materialLines(m_material.temperature, m_material.pressure, m_componentCount, compositions,
                                m_material.phaseTypes, nullptr, label ? label : m_materialLabel.c_str());
}

std::string CCOError::materialText() const {
  std::string out;
  for (const std::string& line : materialLines(nullptr)) out += "\n" + line;
  return out;
}

std::string CCOError::composeComplaint(HRESULT code, const std::string& doing, ComplaintKind kind,
                                       Calculating calculating,
                                       const std::string& additionalInfo) {
  const bool running = calculating == Calculating::yes;
  const int level = running ? 2 : 1;
  std::string message = kindPrefix(kind);
  if (!message.empty() && passesAnyChannel(level) && showsCode(code))
    message += "(" + std::to_string(static_cast<long>(code)) + ")";
  message += doing + additionalInfo;
  if (kind == CkEXCEPTION || kind == CkNONSTANDARD) message += m_lastPackageException;
  if (running && kind != CkHOSTUNFEASIBLE)
    message += "Detected while " + calcContextText() + ". Material Object contents: " + materialText();
  return message;
}

HRESULT CCOError::complainErrorCore(HRESULT code, const wchar_t* doing, ComplaintKind kind, Calculating calculating,
                                    const wchar_t* additionalInfo, std::wstring* outText) {
  code = effectiveCode(code, kind);
  try {
    PendingErrorInfo pending;
    const bool running = calculating == Calculating::yes;
    if (running && m_deferralThread && GetCurrentThreadId() == m_deferralThread) {
      // Kept whole (with the additional information and the COM error information, which
      // would otherwise be lost) so that making it again gives the same message.
      m_deferredKind = kind;
      m_deferredText = utf8(doing) + utf8(additionalInfo) + pending.text();
      return support::mapCode(code);
    }
    m_lastMessage = composeComplaint(code, utf8(doing), kind, calculating, utf8(additionalInfo));
    if (outText) *outText = support::widen(m_lastMessage);
    pending.restore();
    return report(code, m_lastMessage.c_str(), nullptr, running ? 2 : 1);
  } catch (...) {
    support::reportError(E_FAIL, "Internal error", "complainErrorCore", m_ownerWindow, true);
    return support::mapCode(code);
  }
}

HRESULT CCOError::complain(HRESULT code, const char* text, ComplaintKind kind, Calculating calculating,
                           const char* additionalInfo, std::string* outText) {
  try {
    std::wstring wideOut;
    const HRESULT hr = complainErrorCore(code, support::widen(::text(text)).c_str(), kind, calculating,
                                         support::widen(::text(additionalInfo)).c_str(), outText ? &wideOut : nullptr);
    if (outText) *outText = support::narrow(wideOut);
    return hr;
  } catch (...) {
    return support::mapCode(effectiveCode(code, kind));
  }
}

HRESULT CCOError::complainKind(const char* text, ComplaintKind kind, Calculating calculating,
                               const char* additionalInfo) {
  const bool warning = kind == CkNONE || kind == CkPLAIN3 || kind == CkPLAIN4;
  return complain(warning ? S_OK : E_FAIL, text, kind, calculating, additionalInfo);
}

HRESULT CCOError::complainComError(const _com_error& error, const char* text, ComplaintKind kind,
                                   Calculating calculating) {
  ComPtr<IErrorInfo> info;
  info.Attach(error.ErrorInfo());  // ErrorInfo() adds a reference
  return complainComError(error.Error(), info.Get(), text, kind, calculating);
}

HRESULT CCOError::complainComError(HRESULT code, IErrorInfo* info, const char* text, ComplaintKind kind,
                                   Calculating calculating) {
  if (info) SetErrorInfo(0, info);  // composing the message shows it
  return complain(code, text, kind, calculating);
}

std::string CCOError::describeWithUtils(const wchar_t* doingAction, HRESULT code, IDispatch* object) {
  if (!m_errorUtils || code < kFirstCapeCode || code > kLastCapeCode) return {};
  Variant target;
  target.get().vt = VT_DISPATCH;
  target.get().pdispVal = object;
  if (object) object->AddRef();
  Variant lines;
  const Bstr doing(doingAction ? doingAction : L"");
  if (FAILED(m_errorUtils->DescribeError(doing.get(), target.get(), code, lines.out()))) return {};
  return SetGet::variantToStr(lines.get(), "\n", true);
}

HRESULT CCOError::complainError(const wchar_t* doingAction, HRESULT hrFromCOobj, IDispatch* COobj,
                                Calculating calculating,
                                const wchar_t* additionalInfo) {
  try {
    std::string described = describeWithUtils(doingAction, hrFromCOobj, COobj);
    if (described.empty()) {
      // No utilities, another code, or the description failed: then the composed text
      // carries the component's error information.
      described = support::composeErrorText(hrFromCOobj, utf8(doingAction).c_str(), utf8(additionalInfo).c_str());
    } else if (additionalInfo && *additionalInfo) {
      described += "\n" + utf8(additionalInfo);
    }
    return complain(E_FAIL, "", CkEXCEPTION, calculating, described.c_str());
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT CCOError::checkCalcResult(HRESULT code) {
  if (SUCCEEDED(code)) return code;
  try {
    const std::string message = calcContextText() + ". The values of some of these properties were not set. ";
    return complain(code, message.c_str(), code == E_FAIL ? CkNONSTANDARD : CkINTERNAL, Calculating::yes);
  } catch (...) {
    return support::mapCode(code);
  }
}

HRESULT CCOError::complainCaught(const Complaint& complaint) noexcept {
  try {
    try {
      throw;
    } catch (const _com_error& error) {
      if (complaint.code == S_OK) {
        ComPtr<IErrorInfo> info;
        info.Attach(error.ErrorInfo());  // ErrorInfo() adds a reference
        return complainComError(support::caughtCode(), info.Get(), complaint.text, complaint.kind,
                                complaint.calculating);
      }
    } catch (...) {
    }
    const HRESULT code = complaint.code != S_OK ? complaint.code : support::caughtCode();
    return complain(code, complaint.text, complaint.kind, complaint.calculating);
  } catch (...) {
    return E_FAIL;
  }
}

// ---- The report rule ----

HRESULT CCOError::report(HRESULT code, const char* text, const char* extra, int level) {
  try {
    std::string full = ::text(text);
    if (hasText(extra)) full += "(" + std::string(extra) + ")";
    if (code == kLibraryCode && level > 1) level = 2;
    PendingErrorInfo pending;
    if (level > 1 && m_secondaryTraceAbove1 && !m_boxAbove1) {
      pending.restore();
      logText(support::widen(full).c_str());
    }
    if (level > 3) notifyHost();
    pending.restore();
    show(code, full.c_str(), nullptr, level);
    if (level <= 1 || m_traceAbove1) {
      pending.restore();
      traceLine(support::composeErrorText(code, full.c_str()));
    }
  } catch (...) {
    // Reporting never fails its caller.
  }
  return support::mapCode(code);
}

HRESULT CCOError::show(HRESULT code, const char* text, const char* extra, int level) {
  if (level > 1 && !m_boxAbove1) return support::mapCode(code);
  return support::reportError(code, text, extra, m_ownerWindow, false);
}

HRESULT CCOError::showFailure(const char* text, const char* extra, int level) {
  return show(E_FAIL, text, extra, level);
}

void CCOError::logText(const wchar_t* text) {
  try {
    traceLine(support::composeErrorText(E_FAIL, utf8(text).c_str()));
  } catch (...) {
  }
}

void CCOError::logFailure(const char* text, const char* extra) {
  try {
    traceLine(support::composeErrorText(E_FAIL, text, extra));
  } catch (...) {
  }
}

HRESULT CCOError::reportWide(HRESULT code, const wchar_t* text, int level) {
  try {
    return report(code, utf8(text).c_str(), nullptr, level);
  } catch (...) {
    return support::mapCode(code);
  }
}

void CCOError::traceLine(const std::string& line) { support::writeTrace(line.c_str(), nullptr, false, "\n"); }

void CCOError::traceValues(const char* label) {
  try {
    for (const std::string& line : materialLines(label)) traceLine(line);
  } catch (...) {
  }
}

// ---- Unfeasible values ----

HRESULT CCOError::checkValues(double* values, int property, bool fromPackage, const char* reason,
                              Calculating calculating,
                              const char* additionalInfo) {
  try {
    const int count = values ? examinedCount(property, m_componentCount) : 0;
    const ValueRule rule = valueRule(property);
    if (allFeasible(values, count, rule, m_floorValue)) {  // the usual case, without allocations
      for (int i = 0; i < count; ++i) checkValue(values[i], rule, m_floorValue);
      return S_OK;
    }
    const std::vector<double> original(values, values + count);
    std::vector<bool> unfeasible(count, false);
    bool anyUnfeasible = false;
    for (int i = 0; i < count; ++i) {
      unfeasible[i] = !checkValue(values[i], rule, m_floorValue);
      anyUnfeasible = anyUnfeasible || unfeasible[i];
    }
    if (!anyUnfeasible) return S_OK;
    const bool marked = property == PpSURFACETENSION;
    if (marked) values[0] = kNotSetMarker;  // the host's mark of a value never set
    // After the once-only warning the package's values are still replaced, silently: the host
    // must never get a value that was found unfeasible.
    const bool silent = fromPackage && warnedOnce(property);
    if (!silent) {
      m_warnedProperties.insert(property);
      const Bstr name = COIds::allocName(property);
      std::string message = "(" + SetGet::bufferToStr(VT_R8, original.data(), count, nullptr, -1, ", ") +
                            ") for property '" + utf8(name.c_str()) + "'. " + ::text(reason);
      if (fromPackage) message += kOnceOnlyNote;
      complain(E_FAIL, message.c_str(), fromPackage ? CkUNFEASIBLE : CkHOSTUNFEASIBLE, calculating, additionalInfo);
    }
    for (int i = marked ? 1 : 0; i < count; ++i)
      if (unfeasible[i]) values[i] = m_floorValue;
    return fromPackage && !silent ? S_OK : E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

// ---- Deferral ----

void CCOError::clearDeferredComplaint() {
  m_deferredKind = CkNONE;
  m_deferredText.clear();
}

void CCOError::repeatDeferredComplaint(HRESULT callResult, Calculating calculating) {
  if (m_deferredKind == CkNONE && m_deferredText.empty()) return;
  const ComplaintKind kind = m_deferredKind;
  const std::string text = m_deferredText;
  clearDeferredComplaint();
  complain(callResult, text.c_str(), kind, calculating);
}

// ---- Context ----

HRESULT CCOError::setPackage(IUnknown* package) {
  m_packageName.clear();
  return m_package.replace(package);
}

void CCOError::setCalcContext(const VARIANT& properties, const VARIANT& phases, const wchar_t* calcType) {
  if (!sameTextList(m_calcProperties.get(), properties))
    VariantCopy(m_calcProperties.out(), const_cast<VARIANT*>(&properties));
  if (!sameTextList(m_calcPhases.get(), phases)) VariantCopy(m_calcPhases.out(), const_cast<VARIANT*>(&phases));
  m_calcType = utf8(calcType);
}

void CCOError::setMaterialState(double temperature, double pressure, const double* const compositions[],
                                const int phaseTypes[], int phaseCount) {
  if (phaseCount > kMaxMaterialPhases) {
    logText(support::widen(kTooManyPhases).c_str());
    phaseCount = kMaxMaterialPhases;
  }
  m_material.temperature = temperature;
  m_material.pressure = pressure;
  m_material.phaseCount = phaseCount;
  const size_t n = m_componentCount > 0 ? static_cast<size_t>(m_componentCount) : 0;
  // The vectors keep their storage from request to request.
  for (int i = 0; i < kMaxMaterialPhases; ++i) {
    const bool given = i < phaseCount;
    m_material.phaseTypes[i] = given && phaseTypes ? phaseTypes[i] : 0;
    // Copied: the host's arrays need not outlive the request, the deferred message does.
    if (given && compositions && compositions[i])
      m_material.compositions[i].assign(compositions[i], compositions[i] + n);
    else
      m_material.compositions[i].clear();
  }
}

void CCOError::setLastPackageException(const wchar_t* text) { m_lastPackageException = utf8(text); }

void CCOError::setSwitches(bool secondaryTraceAbove1, bool traceAbove1, bool boxAbove1) {
  m_secondaryTraceAbove1 = secondaryTraceAbove1;
  m_traceAbove1 = traceAbove1;
  m_boxAbove1 = boxAbove1;
}

// ---- Raising errors to the package ----

HRESULT CCOError::raiseCapeError(ICapeErrorObject* component, const wchar_t* operation, const wchar_t* description,
                                 HRESULT code, const wchar_t* interfaceName) {
  if (!component) throw _com_error(E_POINTER);
  const Bstr op(operation ? operation : L"");
  const Bstr desc(description ? description : L"");
  const Bstr itf(interfaceName && *interfaceName ? interfaceName : support::widen(kDefaultInterface).c_str());
  return component->SetError(op.get(), desc.get(), code, kCapeErrorLevel, itf.get());
}

HRESULT CCOError::setCapeErrorPosition(ICapeErrorObject* component, short position) {
  if (!component) throw _com_error(E_POINTER);
  return component->SetPosition(position);
}
