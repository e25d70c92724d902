#include "counterparts/common/CapeDescription.h"

#include <string>
#include <utility>

#include "CAPE-OPENv1-0-0.h"

#include "server/comkit/Registrar.h"
#include "support/Raii.h"

namespace counterpart {

const GUID CATID_CapeOpenComponent = {0x678c09a1, 0x7d66, 0x11d2, {0xa6, 0x7d, 0x00, 0x10, 0x5a, 0x42, 0x88, 0x7f}};
const GUID CATID_CapeThermoSystem = {0x678c09a3, 0x7d66, 0x11d2, {0xa6, 0x7d, 0x00, 0x10, 0x5a, 0x42, 0x88, 0x7f}};

namespace {

struct NamedText {
  const wchar_t* name;
  const wchar_t* text;
};

HRESULT setText(HKEY key, const NamedText& value) {
  const DWORD bytes = static_cast<DWORD>((wcslen(value.text) + 1) * sizeof(wchar_t));
  const LONG rc = RegSetValueExW(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text), bytes);
  return HRESULT_FROM_WIN32(rc);
}

}  // namespace

HRESULT registerCapeDescription(REFCLSID clsid, const CapeDescription& texts) {
  const NamedText values[] = {
      {L"Name", texts.name},           {L"Description", texts.description}, {L"CapeVersion", L"1.0"},
      {L"ComponentVersion", L"1.0"},   {L"VendorURL", texts.vendorUrl},     {L"HelpURL", texts.helpUrl},
      {L"About", texts.about},
  };
  const std::wstring path = L"CLSID\\" + comkit::guidText(clsid) + L"\\CapeDescription";
  support::RegKey key;
  LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.out(),
                            nullptr);
  if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  for (const auto& value : values) {
    const HRESULT hr = setText(key.get(), value);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

ServedClasses thermoSystemServer(const ThermoSystemClass& system) {
  comkit::ClassRegistration registration{system.clsid,
                                         system.name,
                                         system.progId,
                                         system.versionIndependentProgId,
                                         &LIBID_CAPEOPEN100,
                                         false,
                                         L"Apartment",
                                         {CATID_CapeOpenComponent, CATID_CapeThermoSystem}};
  const CLSID* clsid = system.clsid;
  const CapeDescription description = system.description;
  return {{{system.create, std::move(registration)}},
          [clsid, description] { return registerCapeDescription(*clsid, description); }};
}

}  // namespace counterpart
