#include "support/GlobalizedPointer.h"

namespace support {

HRESULT createGlobalTable(ComPtr<IGlobalInterfaceTable>& table) {
  table.Reset();
  HRESULT hr = CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&table));
  if (SUCCEEDED(hr) && table) return S_OK;
  table.Reset();
  reportUnexpected(FAILED(hr) ? hr : E_FAIL);
  return E_FAIL;
}

}  // namespace support
