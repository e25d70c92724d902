#pragma once
// The class factory of one creatable class.
//
// The factory is kept by its ClassObjectMap for the module's lifetime; references handed out
// beyond that one count as a module lock (a client holding a factory keeps the DLL loaded), as
// do LockServer(TRUE) calls.
#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace comkit {

// Makes an instance (aggregated when outer is given) and queries riid from it.
using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

class ClassFactory final : public IClassFactory {
 public:
  // The new factory holds one reference: the keeper's.
  explicit ClassFactory(Creator create) : m_create(create) {}
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // An outer object may only ask for IID_IUnknown (CLASS_E_NOAGGREGATION otherwise).
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ~ClassFactory() = default;

  Creator m_create;
  std::atomic<ULONG> m_refs{1};
};

}  // namespace comkit
