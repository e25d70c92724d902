#pragma once
// Aggregatable COM objects.
//
// A class derives from Object<I1, I2, ...> (each I an interface, or Dual<I> for a dual interface
// served from type information) and implements the interfaces' own methods. Object supplies:
//   - the delegating IUnknown of every interface, forwarding to the controlling unknown (the
//     outer object when aggregated, else the object's own non-delegating unknown);
//   - the non-delegating IUnknown, which owns the reference count and answers QueryInterface
//     from the interface table built from I1, I2, ... (IDispatch goes to the first interface
//     that derives from it);
//   - a module lock for the object's lifetime.
// Objects are made with createInstance<T>, normally through a ClassFactory.
#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <new>
#include <type_traits>

#include "server/comkit/Module.h"

namespace comkit {

class ObjectBase;

// One row of an interface table: the IID and how to reach that interface from the object.
struct InterfaceEntry {
  const IID* iid;
  IUnknown* (*cast)(ObjectBase* object);
};

// The interface a base class stands for: itself, or T::Interface (Dual<I> gives I).
template <class T, class = void>
struct InterfaceOf {
  using type = T;
};
template <class T>
struct InterfaceOf<T, std::void_t<typename T::Interface>> {
  using type = typename T::Interface;
};

class ObjectBase {
 public:
  ObjectBase(const ObjectBase&) = delete;
  ObjectBase& operator=(const ObjectBase&) = delete;

  // The non-delegating IUnknown: the object's identity when it is not aggregated, and the
  // inner unknown that an outer object holds when it is.
  IUnknown* nonDelegating() { return &m_inner; }
  // Where the interfaces' IUnknown methods go.
  IUnknown* controlling() const { return m_controlling; }

  // Completes a freshly constructed object: sets the controlling unknown, runs finalConstruct
  // and queries riid through the non-delegating unknown. The object is destroyed when that
  // fails. Aggregation rules (outer only with IID_IUnknown) are the caller's.
  static HRESULT finishCreation(ObjectBase* object, IUnknown* outer, REFIID riid, void** ppv);

 protected:
  ObjectBase();
  virtual ~ObjectBase();

  // Work that can fail after construction; a failure is returned from creation.
  virtual HRESULT finalConstruct() { return S_OK; }
  // The class's interface table and its length.
  virtual const InterfaceEntry* interfaceTable(size_t& count) const = 0;

 private:
  class Inner final : public IUnknown {
   public:
    explicit Inner(ObjectBase& owner) : m_owner(owner) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    ObjectBase& m_owner;
  };

  IUnknown* findInterface(REFIID riid);

  Inner m_inner{*this};
  IUnknown* m_controlling = &m_inner;
  std::atomic<ULONG> m_refs{0};
};

template <class... Interfaces>
class Object : public Interfaces..., public ObjectBase {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override { return controlling()->QueryInterface(riid, ppv); }
  STDMETHODIMP_(ULONG) AddRef() override { return controlling()->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return controlling()->Release(); }

 protected:
  Object() = default;

  const InterfaceEntry* interfaceTable(size_t& count) const override {
    count = sizeof(kTable) / sizeof(kTable[0]);
    return kTable;
  }

 private:
  template <class T>
  static IUnknown* castTo(ObjectBase* object) {
    return static_cast<typename InterfaceOf<T>::type*>(static_cast<T*>(static_cast<Object*>(object)));
  }
  template <class T>
  static InterfaceEntry entry() {
    using I = typename InterfaceOf<T>::type;
    return {&__uuidof(I), &castTo<T>};
  }

  // The first base whose interface derives from IDispatch answers IID_IDispatch.
  template <class T, class... Rest>
  static constexpr auto firstDispatchCast() {
    if constexpr (std::is_base_of_v<IDispatch, typename InterfaceOf<T>::type>) {
      return &castTo<T>;
    } else if constexpr (sizeof...(Rest) > 0) {
      return firstDispatchCast<Rest...>();
    } else {
      return static_cast<IUnknown* (*)(ObjectBase*)>(nullptr);
    }
  }
  static constexpr IUnknown* (*kDispatchCast)(ObjectBase*) = firstDispatchCast<Interfaces...>();

  static inline const InterfaceEntry kTable[] = {
      entry<Interfaces>()..., {kDispatchCast ? &IID_IDispatch : &IID_NULL, kDispatchCast}};
};

// Creates a T (alone, or as the inner object of outer) and queries riid from it.
template <class T>
HRESULT createInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  try {
    T* object = new (std::nothrow) T;
    if (!object) return E_OUTOFMEMORY;
    return ObjectBase::finishCreation(object, outer, riid, ppv);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace comkit
