#include "ComArrays.h"

#include "Raii.h"
#include "Text.h"

namespace prthermo {

namespace {

// A locked new vector of `count` elements of type vt, moved into `out` on success.
template <class Fill>
HRESULT putArray(VARIANT* out, VARTYPE vt, size_t count, Fill fill) {
  if (!out) return E_POINTER;
  HRESULT hr = VariantClear(out);
  if (FAILED(hr)) return hr;
  support::SafeArray array(SafeArrayCreateVector(vt, 0, static_cast<ULONG>(count)));
  if (!array.get()) return E_OUTOFMEMORY;
  {
    support::SafeArrayLockGuard lock(array.get());
    if (FAILED(lock.result())) return lock.result();
    hr = fill(lock.data());
    if (FAILED(hr)) return hr;
  }
  out->vt = static_cast<VARTYPE>(VT_ARRAY | vt);
  out->parray = array.detach();
  return S_OK;
}

}  // namespace

HRESULT putStrings(VARIANT* out, const std::vector<std::string>& texts) {
  return putArray(out, VT_BSTR, texts.size(), [&](void* data) {
    BSTR* slots = static_cast<BSTR*>(data);
    for (size_t i = 0; i < texts.size(); ++i) {
      slots[i] = SysAllocString(support::widen(texts[i]).c_str());
      if (!slots[i]) return E_OUTOFMEMORY;  // the array's destruction frees those already made
    }
    return S_OK;
  });
}

HRESULT putDoubles(VARIANT* out, const std::vector<double>& values) {
  return putArray(out, VT_R8, values.size(), [&](void* data) {
    double* slots = static_cast<double*>(data);
    for (size_t i = 0; i < values.size(); ++i) slots[i] = values[i];
    return S_OK;
  });
}

}  // namespace prthermo
