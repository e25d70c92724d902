// The C++ view of the host interfaces the extension implements: a class written against the
// generated header must land each method at the slot the host calls, with the host's arguments.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <type_traits>

#include "tests/hostidl/HostSlots.h"

namespace {

// Calls vtable slot `slot` of p as a method taking A..., with zero/null arguments. The
// static_assert fails the build when the header declares the method with other arguments.
template <class Itf, class Declared, class F>
struct Slot;
template <class Itf, class Declared, class... A>
struct Slot<Itf, Declared, HRESULT(A...)> {
  static_assert(std::is_same_v<Declared, HRESULT (STDMETHODCALLTYPE Itf::*)(A...)>,
                "declared arguments differ from the host's");
  static HRESULT call(Itf* p, int slot) {
    using Fn = HRESULT(STDMETHODCALLTYPE*)(Itf*, A...);
    void** vtable = *reinterpret_cast<void***>(p);
    return reinterpret_cast<Fn>(vtable[slot])(p, A{}...);
  }
};

template <class Itf>
struct SlotRow {
  int slot;
  const char* name;
  HRESULT (*call)(Itf*, int);
};

#define SLOT_ROW(Itf, slot, method, args) {slot, #method, &Slot<Itf, decltype(&Itf::method), HRESULT args>::call},
#define PACKAGE_ROW(slot, method, args) SLOT_ROW(ExtnPropertyPackage, slot, method, args)
#define EXTENSION_ROW(slot, method, args) SLOT_ROW(ExtensionObject, slot, method, args)

// Records which method a call reached; every method answers S_FALSE so a call that lands in
// IUnknown or IDispatch instead is told apart.
template <class Itf>
class Recorder : public Itf {
 public:
  std::string reached;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    if (out) *out = nullptr;
    reached = "QueryInterface";
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

 protected:
  HRESULT hit(const char* method) {
    reached = method;
    return S_FALSE;
  }
};

#define RECORDING_METHOD(slot, method, args) \
  HRESULT STDMETHODCALLTYPE method args override { return hit(#method); }

class RecordingPackage : public Recorder<ExtnPropertyPackage> {
 public:
  PROPERTY_PACKAGE_SLOTS(RECORDING_METHOD)
};

class RecordingExtension : public Recorder<ExtensionObject> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return hit("GetTypeInfoCount"); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return hit("GetTypeInfo"); }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return hit("GetIDsOfNames");
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return hit("Invoke");
  }
  EXTENSION_OBJECT_SLOTS(RECORDING_METHOD)
};

template <class Itf, class Impl, size_t N>
void expectEachMethodAtItsSlot(Impl& impl, const SlotRow<Itf> (&rows)[N]) {
  Itf* itf = &impl;
  for (const SlotRow<Itf>& row : rows) {
    impl.reached.clear();
    EXPECT_EQ(S_FALSE, row.call(itf, row.slot)) << "slot " << row.slot;
    EXPECT_EQ(row.name, impl.reached) << "slot " << row.slot;
  }
}

}  // namespace

TEST(HostVtables, PropertyPackageMethodsSitAtTheHostsSlots) {
  const SlotRow<ExtnPropertyPackage> rows[] = {PROPERTY_PACKAGE_SLOTS(PACKAGE_ROW)};
  ASSERT_EQ(28u, std::size(rows));  // slots 3 to 30, nothing in between left out
  RecordingPackage package;
  expectEachMethodAtItsSlot(package, rows);
}

TEST(HostVtables, ExtensionObjectMethodsFollowTheDispatchSlots) {
  const SlotRow<ExtensionObject> rows[] = {EXTENSION_OBJECT_SLOTS(EXTENSION_ROW)};
  ASSERT_EQ(8u, std::size(rows));
  RecordingExtension extension;
  expectEachMethodAtItsSlot(extension, rows);
}

// The record the host hands to Initialize, at the byte offsets the host reads; bytes 0-3 are
// the host's.
static_assert(offsetof(ExtnPackageInitRecord, version) == 4);
static_assert(offsetof(ExtnPackageInitRecord, secondParameter) == 8);
static_assert(offsetof(ExtnPackageInitRecord, thirdParameter) == 12);
static_assert(offsetof(ExtnPackageInitRecord, IsActivityModelType) == 16);
static_assert(offsetof(ExtnPackageInitRecord, CanExchangeComponents) == 18);
static_assert(offsetof(ExtnPackageInitRecord, CanCalculateFugacity) == 20);
static_assert(offsetof(ExtnPackageInitRecord, CanCalculateLLE) == 22);
static_assert(offsetof(ExtnPackageInitRecord, CanHandleOilHypos) == 24);
static_assert(offsetof(ExtnPackageInitRecord, UseGFlashInDynamics) == 26);
static_assert(offsetof(ExtnPackageInitRecord, CanHandleInsideOutPHFlash) == 28);
static_assert(sizeof(ExtnPackageInitRecord::version) == 4);
static_assert(sizeof(ExtnPackageInitRecord::secondParameter) == 4);
static_assert(sizeof(ExtnPackageInitRecord::thirdParameter) == 4);
static_assert(sizeof(ExtnPackageInitRecord::CanHandleInsideOutPHFlash) == 2);

// The raw-pointer interface has no dispatch slots; the extension interface has.
static_assert(std::is_base_of_v<IUnknown, ExtnPropertyPackage>);
static_assert(!std::is_base_of_v<IDispatch, ExtnPropertyPackage>);
static_assert(std::is_base_of_v<IDispatch, ExtensionObject>);
