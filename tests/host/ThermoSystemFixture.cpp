// TEST FIXTURE, not a product: the smallest CAPE-OPEN 1.0 Thermo System, so the browser test has
// a system to find by category. It offers two packages; each package answers only
// ICapeIdentification, its ComponentName being the package name. An unknown name is refused.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "CAPE-OPENv1-0-0.h"
#include "server/comkit/ClassObjectMap.h"
#include "server/comkit/DllEntry.h"
#include "server/comkit/Dispatch.h"
#include "server/comkit/Module.h"
#include "server/comkit/Object.h"
#include "support/Raii.h"
#include "tests/host/ThermoSystemFixture.h"

namespace {

template <class I>
using CapeDual = comkit::Dual<I, &LIBID_CAPEOPEN100>;

const GUID kCapeOpenComponent = {0x678C09A1, 0x7D66, 0x11D2, {0xA6, 0x7D, 0x00, 0x10, 0x5A, 0x42, 0x88, 0x7F}};
const GUID kThermoSystem = {0x678C09A3, 0x7D66, 0x11D2, {0xA6, 0x7D, 0x00, 0x10, 0x5A, 0x42, 0x88, 0x7F}};
const wchar_t* const kPackages[] = {kFixturePackageA, kFixturePackageB};

class FixturePackage final : public comkit::Object<CapeDual<ICapeIdentification>> {
 public:
  STDMETHODIMP get_ComponentName(BSTR* name) override { return copy(m_name, name); }
  STDMETHODIMP put_ComponentName(BSTR name) override { return assign(m_name, name); }
  STDMETHODIMP get_ComponentDescription(BSTR* desc) override { return copy(m_description, desc); }
  STDMETHODIMP put_ComponentDescription(BSTR desc) override { return assign(m_description, desc); }

 private:
  static HRESULT copy(const std::wstring& s, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocString(s.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  static HRESULT assign(std::wstring& s, BSTR value) {
    try {
      s = value ? value : L"";
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  std::wstring m_name, m_description = L"test fixture package";
};

class FixtureSystem final : public comkit::Object<CapeDual<ICapeThermoSystem>> {
 public:
  STDMETHODIMP GetPropertyPackages(VARIANT* list) override {
    if (!list) return E_POINTER;
    VariantInit(list);
    SAFEARRAY* sa = SafeArrayCreateVector(VT_BSTR, 0, 2);
    if (!sa) return E_OUTOFMEMORY;
    for (long i = 0; i < 2; ++i) SafeArrayPutElement(sa, &i, support::Bstr(kPackages[i]).get());
    list->vt = VT_ARRAY | VT_BSTR;
    list->parray = sa;
    return S_OK;
  }
  STDMETHODIMP ResolvePropertyPackage(BSTR name, IDispatch** package) override {
    if (!package) return E_POINTER;
    *package = nullptr;
    for (const wchar_t* known : kPackages)
      if (name && _wcsicmp(name, known) == 0) {
        support::ComPtr<ICapeIdentification> made;
        HRESULT hr = comkit::createInstance<FixturePackage>(nullptr, IID_PPV_ARGS(&made));
        if (SUCCEEDED(hr)) hr = made->put_ComponentName(support::Bstr(known).get());
        return SUCCEEDED(hr) ? made.CopyTo(reinterpret_cast<ICapeIdentification**>(package)) : hr;
      }
    return E_INVALIDARG;
  }
};

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(
      comkit::module(),
      {{&comkit::createInstance<FixtureSystem>,
        {&kFixtureSystemClsid, L"ThermoSystemFixture", kFixtureSystemProgId, nullptr, nullptr, false, L"Apartment",
         {kCapeOpenComponent, kThermoSystem}}}});
  return map;
}

HRESULT writeDescription() {
  std::wstring key = L"CLSID\\" + comkit::guidText(kFixtureSystemClsid) + L"\\CapeDescription";
  LSTATUS s = RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Name", REG_SZ, kFixtureSystemName,
                              static_cast<DWORD>((wcslen(kFixtureSystemName) + 1) * sizeof(wchar_t)));
  return HRESULT_FROM_WIN32(s);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) { return comkit::attachModule(instance, reason); }

STDAPI DllCanUnloadNow() { return comkit::module().canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return support::answeringFailure([&] { return objectMap().getClassObject(clsid, riid, ppv); });
}

STDAPI DllRegisterServer() {
  return support::answeringFailure([] {
    HRESULT hr = objectMap().registerServer(false);
    return SUCCEEDED(hr) ? writeDescription() : hr;
  });
}

STDAPI DllUnregisterServer() {
  return support::answeringFailure([] { return objectMap().unregisterServer(false); });
}
