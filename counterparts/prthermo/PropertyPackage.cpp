// The package object: creation, its lists, identification, utilities and its error interfaces.
// The members that call back into a material object are in PackageCalculations.cpp.
#include "counterparts/prthermo/PropertyPackage.h"

#include "counterparts/common/ComArrays.h"
#include "counterparts/common/PackageCreation.h"
#include "counterparts/prthermo/Faults.h"
#include "counterparts/prthermo/PackageCall.h"
#include "support/Raii.h"
#include "counterparts/prthermo/ThreadRecord.h"

namespace prthermo {

using counterpart::fail;
using counterpart::putStrings;

namespace {

const wchar_t kPackageInterface[] = L"ICapeThermoPropertyPackage";
const wchar_t kUtilitiesInterface[] = L"ICapeUtilities";

template <class Field>
std::vector<std::string> texts(const std::vector<prcore::Compound>& compounds, Field field) {
  std::vector<std::string> out;
  for (const auto& c : compounds) out.push_back(c.*field);
  return out;
}

template <class Field>
std::vector<double> numbers(const std::vector<prcore::Compound>& compounds, Field field) {
  std::vector<double> out;
  for (const auto& c : compounds) out.push_back(c.*field);
  return out;
}

// The error as COM error information too, for clients that look there.
void setErrorInfo(const counterpart::ErrorRecord& error) {
  support::ComPtr<ICreateErrorInfo> create;
  if (FAILED(CreateErrorInfo(create.GetAddressOf()))) return;
  create->SetGUID(IID_ICapeThermoPropertyPackage);
  create->SetSource(const_cast<LPOLESTR>(error.scope.c_str()));
  create->SetDescription(const_cast<LPOLESTR>(error.description.c_str()));
  support::ComPtr<IErrorInfo> info;
  if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
}

}  // namespace

HRESULT PropertyPackage::create(const prcore::PackageDefinition& definition, std::vector<prcore::Compound> compounds,
                                std::vector<std::vector<double>> kij, IDispatch** out) {
  return counterpart::createPackage<PropertyPackage>(out, [&](PropertyPackage& package) {
    package.m_definition = definition;
    package.m_compounds = std::move(compounds);
    package.m_kij = std::move(kij);
    package.m_identity = {support::widen(definition.name), support::widen(definition.description)};
  });
}

PropertyPackage::~PropertyPackage() {
  // The last release counts as a call: an object released off its thread is a fault too.
  onHomeThread();
}

HRESULT PropertyPackage::onHomeThread() const {
  if (m_definition.misbehaviour != prcore::Misbehaviour::ThreadBound) return S_OK;
  const bool home = GetCurrentThreadId() == m_homeThread;
  recordThreadCall(!home);
  return home ? S_OK : RPC_E_WRONG_THREAD;
}

void PropertyPackage::record(HRESULT code, const std::wstring& description, const wchar_t* operation,
                             const wchar_t* interfaceName) {
  try {
    m_error = {code, description, operation, interfaceName, m_identity.name};
    setErrorInfo(m_error);
  } catch (...) {
    m_error.code = code;  // the texts could not be kept; the code still tells
  }
}

void PropertyPackage::beginCalculation(const wchar_t* operation) {
  if (m_terminated) fail(ECapeBadInvOrderHR, std::wstring(operation) + L" was called after Terminate");
  enterFaultyCall(m_definition, operation);
}

// ICapeThermoPropertyPackage: the lists

STDMETHODIMP PropertyPackage::GetPhaseList(VARIANT* phases) {
  return call(L"GetPhaseList", kPackageInterface, [&] { return putStrings(phases, m_definition.phases); });
}

STDMETHODIMP PropertyPackage::GetPropList(VARIANT* props) {
  return call(L"GetPropList", kPackageInterface, [&] { return putStrings(props, m_definition.properties); });
}

// Compound ids are the short names of components.tsv; numbers in SI (boiling point in K, MW
// relative). The hugeBoilingPoints and duplicateIds packages show their faults here.
STDMETHODIMP PropertyPackage::GetComponentList(VARIANT* compIds, VARIANT* formulae, VARIANT* name,
                                               VARIANT* boilTemps, VARIANT* molwt, VARIANT* casno) {
  if (!compIds || !formulae || !name || !boilTemps || !molwt || !casno) return E_POINTER;
  return call(L"GetComponentList", kPackageInterface, [&] {
    using prcore::Compound;
    using prcore::Misbehaviour;
    auto ids = texts(m_compounds, &Compound::name);
    auto boiling = numbers(m_compounds, &Compound::tb);
    if (m_definition.misbehaviour == Misbehaviour::DuplicateIds && ids.size() > 1) ids.back() = ids.front();
    if (m_definition.misbehaviour == Misbehaviour::HugeBoilingPoints) boiling.assign(boiling.size(), kHugeBoilingPoint);
    HRESULT hr = putStrings(compIds, ids);
    if (SUCCEEDED(hr)) hr = putStrings(formulae, texts(m_compounds, &Compound::formula));
    if (SUCCEEDED(hr)) hr = putStrings(name, texts(m_compounds, &Compound::name));
    if (SUCCEEDED(hr)) hr = counterpart::putDoubles(boilTemps, boiling);
    if (SUCCEEDED(hr)) hr = counterpart::putDoubles(molwt, numbers(m_compounds, &Compound::mw));
    if (SUCCEEDED(hr)) hr = putStrings(casno, texts(m_compounds, &Compound::cas));
    if (FAILED(hr)) {
      for (VARIANT* v : {compIds, formulae, name, boilTemps, molwt, casno}) VariantClear(v);
    }
    return hr;
  });
}

// ICapeUtilities

STDMETHODIMP PropertyPackage::get_parameters(IDispatch** parameters) {
  if (!parameters) return E_POINTER;
  *parameters = nullptr;
  return call(L"parameters", kUtilitiesInterface,
              [&]() -> HRESULT { fail(ECapeNoImplHR, L"the package has no parameters"); });
}

STDMETHODIMP PropertyPackage::put_simulationContext(IDispatch*) { return onHomeThread(); }

STDMETHODIMP PropertyPackage::Initialize() { return onHomeThread(); }

STDMETHODIMP PropertyPackage::Terminate() {
  if (FAILED(onHomeThread())) return RPC_E_WRONG_THREAD;
  m_terminated = true;
  m_eos.reset();
  m_eosIds.clear();
  return S_OK;
}

// The packages have no view of their own. An editChangesComponents package switches to its
// other compound list here, as if the user had edited it.
STDMETHODIMP PropertyPackage::Edit() {
  return call(L"Edit", kUtilitiesInterface, [&] {
    if (m_definition.misbehaviour != prcore::Misbehaviour::EditChangesComponents) return S_OK;
    const auto database = prcore::CompoundDatabase::load(prcore::moduleFolder());
    auto compounds = database.select(m_definition.editCompounds);
    m_kij = database.kijMatrix(compounds);
    m_compounds = std::move(compounds);
    m_eos.reset();
    m_eosIds.clear();
    return S_OK;
  });
}

// ECapeBadInvOrder: the operation of the last failed call, kept until the next call.

STDMETHODIMP PropertyPackage::get_requestedOperation(BSTR* requestedOperation) {
  if (FAILED(onHomeThread())) return RPC_E_WRONG_THREAD;
  return counterpart::copyText(m_error.operation, requestedOperation);
}

STDMETHODIMP PropertyPackage::InterfaceSupportsErrorInfo(REFIID riid) {
  return InlineIsEqualGUID(riid, IID_ICapeThermoPropertyPackage) ? S_OK : S_FALSE;
}

}  // namespace prthermo
