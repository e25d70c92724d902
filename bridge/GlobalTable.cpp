#include "bridge/GlobalTable.h"

#include "support/Report.h"

namespace bridge {

namespace {
const char* const kUnexpected = "Unexpected error ";
}

HRESULT reportUnexpected(HRESULT code) { return support::reportError(code, kUnexpected); }

HRESULT createGlobalTable(support::ComPtr<IGlobalInterfaceTable>& table) {
  table.Reset();
  HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&table));
  if (SUCCEEDED(hr) && table) return S_OK;
  table.Reset();
  reportUnexpected(FAILED(hr) ? hr : E_FAIL);
  return E_FAIL;
}

}  // namespace bridge
