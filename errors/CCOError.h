#pragma once
// The error object: every complaint of the product passes through it. It adds the CAPE-OPEN
// context to a message (which package, what was being calculated, the state of the material),
// applies the level rules, the switches and the once-only warnings, and keeps back complaints
// made on the CAPE-OPEN thread during a calculation, so that the requesting thread, where
// windows may be opened, makes them again after the request.
#include <windows.h>
#include <objidl.h>
#include <comdef.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "CAPE-OPENv1-0-0.h"
#include "CoErrors.h"
#include "support/GlobalizedPointer.h"
#include "support/Raii.h"

// Complaint kinds: they choose the message's prefix (and kind 8 turns the code into 0).
enum ComplaintKind : int {
  CkNONE = 0,
  CkINTERNAL = 1,
  CkNOTALLOWED = 2,
  CkPLAIN3 = 3,
  CkPLAIN4 = 4,
  CkUNFEASIBLE = 5,
  CkEXCEPTION = 6,
  CkNONSTANDARD = 7,
  CkNONSTANDARDWARNING = 8,
  CkSYSTEM = 9,
  CkHOSTUNFEASIBLE = 10,
};

// Whether a complaint is made while a calculation of the host runs: its level (2, else 1), the
// "Detected while calculating" context, and keeping it back on the CAPE-OPEN thread follow it.
enum class Calculating : bool { no = false, yes = true };

inline Calculating calculatingIf(bool running) { return running ? Calculating::yes : Calculating::no; }

class CCOError {
 public:
  // Makes the error-utilities component; the product's default creates the registered class.
  using UtilsFactory = std::function<HRESULT(ICapeErrorUtils** out)>;
  static HRESULT createErrorUtils(ICapeErrorUtils** out);

  // What a guard complains of when its work fails (support/Guards.h): the activity, the kind,
  // whether a calculation runs, and the code (0: the failure's own code, see caughtCode).
  struct Complaint {
    const char* text;
    ComplaintKind kind = CkINTERNAL;
    Calculating calculating = Calculating::no;
    HRESULT code = S_OK;
  };

  explicit CCOError(double floorValue, const UtilsFactory& createUtils = createErrorUtils);
  CCOError(const CCOError&) = delete;
  CCOError& operator=(const CCOError&) = delete;

  // ---- Virtual operations, in slot order ----
  virtual ~CCOError();
  // The complaint: prefix of the kind, "(code)", doing text, additional information, the
  // package's exception text, the calculation context; then report(). Returns the code (0
  // for kind 8). On the deferral thread while calculating, only remembered.
  virtual HRESULT complainErrorCore(HRESULT code, const wchar_t* doing, ComplaintKind kind, Calculating calculating,
                                    const wchar_t* additionalInfo = nullptr, std::wstring* outText = nullptr);
  // A trace line with the text composed as a failure.
  virtual void logText(const wchar_t* text);
  // The material state as trace lines, one per present phase.
  virtual void traceValues(const char* label = nullptr);
  // Tells the host about a severe error (levels above 3).
  virtual HRESULT notifyHost() = 0;
  // The unfeasible-value check of `values` of property `property` (an identifier of COIds):
  // 0 when feasible or from the package, else E_FAIL; unfeasible values get the floor value.
  virtual HRESULT checkValues(double* values, int property, bool fromPackage, const char* reason,
                              Calculating calculating = Calculating::yes, const char* additionalInfo = nullptr);
  virtual HRESULT showFailure(const char* text, const char* extra = nullptr, int level = 1);
  // The message box of a report: at level 1, or above with the box switch on.
  virtual HRESULT show(HRESULT code, const char* text, const char* extra = nullptr, int level = 1);
  // A trace line only.
  virtual void logFailure(const char* text, const char* extra = nullptr);
  virtual HRESULT reportWide(HRESULT code, const wchar_t* text, int level = 1);

  // ---- The complaint layer ----
  HRESULT complain(HRESULT code, const char* text, ComplaintKind kind, Calculating calculating,
                   const char* additionalInfo = nullptr, std::string* outText = nullptr);
  // E_FAIL, or 0 for kinds 0, 3 and 4.
  HRESULT complainKind(const char* text, ComplaintKind kind, Calculating calculating,
                       const char* additionalInfo = nullptr);
  // The code (and error information) of a caught COM error.
  HRESULT complainComError(const _com_error& error, const char* text, ComplaintKind kind, Calculating calculating);
  HRESULT complainComError(HRESULT code, IErrorInfo* info, const char* text, ComplaintKind kind,
                           Calculating calculating);
  // A failure of a CAPE-OPEN object, described by the error utilities for CAPE-OPEN codes.
  HRESULT complainError(const wchar_t* doingAction, HRESULT hrFromCOobj, IDispatch* COobj, Calculating calculating,
                        const wchar_t* additionalInfo = nullptr);
  // Inside a catch block: complains of the failure being handled (a COM error with its code and
  // error information) and returns the complaint's answer. Never throws.
  HRESULT complainCaught(const Complaint& complaint) noexcept;
  // After a calculation request to the package: success passes; failures are complained of.
  HRESULT checkCalcResult(HRESULT code);
  // The report rule: switches, levels, host notice, box and trace line.
  HRESULT report(HRESULT code, const char* text, const char* extra, int level);

  // ---- Errors raised to the package through the CAPE-OPEN error component ----
  // The component's result; without a component E_POINTER is thrown as a _com_error.
  static HRESULT raiseCapeError(ICapeErrorObject* component, const wchar_t* operation, const wchar_t* description,
                                HRESULT code, const wchar_t* interfaceName = nullptr);
  static HRESULT setCapeErrorPosition(ICapeErrorObject* component, short position);

  // ---- Complaints kept back on the CAPE-OPEN thread ----
  void setDeferralThread(DWORD threadId) { m_deferralThread = threadId; }
  DWORD deferralThread() const { return m_deferralThread; }
  // Called when a new request is handed to the CAPE-OPEN thread.
  void clearDeferredComplaint();
  ComplaintKind deferredKind() const { return m_deferredKind; }
  const std::string& deferredText() const { return m_deferredText; }
  // On the requesting thread after the request: makes the remembered complaint again, with the
  // request's result as its code, and forgets it. A complaint of kind 0 is remembered too (its
  // text tells it from none). The request's result stays what the request returned.
  void repeatDeferredComplaint(HRESULT callResult, Calculating calculating);

  // ---- Context ----
  // The package whose name the messages give (null: none); set on the package's thread.
  HRESULT setPackage(IUnknown* package);
  void setComponentCount(int count) { m_componentCount = count; }
  int componentCount() const { return m_componentCount; }
  double floorValue() const { return m_floorValue; }
  void setOwnerWindow(HWND owner) { m_ownerWindow = owner; }
  HWND ownerWindow() const { return m_ownerWindow; }
  // Replaced before every calculation request to the package.
  void setCalcContext(const VARIANT& properties, const VARIANT& phases, const wchar_t* calcType);
  // "calculating {<properties>, <phases>, <calculation type>}"
  std::string calcContextText() const;
  // Temperature, pressure and the compositions (componentCount values each) and types of up
  // to four phases; more phases are cut to four and logged.
  void setMaterialState(double temperature, double pressure, const double* const compositions[],
                        const int phaseTypes[], int phaseCount);
  // The exception text last read from the package, added to kind 6 and 7 complaints.
  void setLastPackageException(const wchar_t* text);
  // The three switches (all on at construction).
  void setSwitches(bool secondaryTraceAbove1, bool traceAbove1, bool boxAbove1);
  bool hasErrorUtils() const { return static_cast<bool>(m_errorUtils); }
  bool warnedOnce(int property) const { return m_warnedProperties.count(property) != 0; }
  // Put before every material line of messages and traces ("" for none).
  void setMaterialLabel(const char* label) { m_materialLabel = label ? label : ""; }
  // The last complaint composed (not one that was only remembered).
  const std::string& lastMessage() const { return m_lastMessage; }

 protected:
  // The package name for the kind prefixes, read now.
  std::string packageName();

 private:
  struct MaterialState {
    double temperature = 0;
    double pressure = 0;
    int phaseCount = 0;
    int phaseTypes[4] = {0, 0, 0, 0};
    std::vector<double> compositions[4];
  };

  bool passesAnyChannel(int level) const;
  std::string kindPrefix(ComplaintKind kind);
  // One line per present phase of the material state (at most three).
  std::vector<std::string> materialLines(const char* label) const;
  std::string materialText() const;
  std::string composeComplaint(HRESULT code, const std::string& doing, ComplaintKind kind, Calculating calculating,
                               const std::string& additionalInfo);
  std::string describeWithUtils(const wchar_t* doingAction, HRESULT code, IDispatch* object);
  void traceLine(const std::string& text);

  std::set<int> m_warnedProperties;          // properties already complained of once
  std::string m_packageName;                 // the name last read from the package
  std::string m_lastPackageException;
  std::string m_materialLabel;               // put before every material line ("" for none)
  std::string m_lastMessage;                 // the last complaint composed
  support::GlobalizedPointer<ICapeIdentification> m_package;
  DWORD m_deferralThread = 0;
  ComplaintKind m_deferredKind = CkNONE;
  std::string m_deferredText;
  int m_componentCount = 0;
  double m_floorValue;
  HWND m_ownerWindow = nullptr;
  support::Variant m_calcProperties;
  support::Variant m_calcPhases;
  std::string m_calcType;
  MaterialState m_material;
  support::ComPtr<ICapeErrorUtils> m_errorUtils;
  bool m_secondaryTraceAbove1 = true;
  bool m_traceAbove1 = true;
  bool m_boxAbove1 = true;
};
