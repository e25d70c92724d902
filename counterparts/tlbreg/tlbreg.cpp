// Registers or unregisters a stand-alone type library file: the outside type libraries are not
// installed on this machine and are no part of the product module, so they get this tool.
//   tlbreg /r <file.tlb>     register (exit 0 on success)
//   tlbreg /u <file.tlb>     unregister
#include <windows.h>
#include <oleauto.h>
#include <cstdio>
#include <cwchar>

namespace {

int fail(const wchar_t* what, const wchar_t* path, HRESULT hr) {
  fwprintf(stderr, L"tlbreg: %ls %ls failed: 0x%08lX\n", what, path, static_cast<unsigned long>(hr));
  return 2;
}

int registerLib(const wchar_t* path) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_REGISTER, &lib);
  if (FAILED(hr)) return fail(L"registering", path, hr);
  lib->Release();
  return 0;
}

int unregisterLib(const wchar_t* path) {
  ITypeLib* lib = nullptr;
  HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
  if (FAILED(hr)) return fail(L"loading", path, hr);
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (SUCCEEDED(hr)) {
    hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    lib->ReleaseTLibAttr(attr);
  }
  lib->Release();
  return FAILED(hr) ? fail(L"unregistering", path, hr) : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 || (wcscmp(argv[1], L"/r") != 0 && wcscmp(argv[1], L"/u") != 0)) {
    fwprintf(stderr, L"usage: tlbreg /r|/u <file.tlb>\n");
    return 1;
  }
  return wcscmp(argv[1], L"/r") == 0 ? registerLib(argv[2]) : unregisterLib(argv[2]);
}
