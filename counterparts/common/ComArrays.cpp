#include "counterparts/common/ComArrays.h"

#include "support/Raii.h"
#include "support/Text.h"

namespace counterpart {

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

const VARIANT& followed(const VARIANT& in) {
  return in.vt == (VT_BYREF | VT_VARIANT) && in.pvarVal ? *in.pvarVal : in;
}

// Copies the elements of a one-dimensional array of type vt, converted by `take`.
template <class T, class Take>
bool readArray(const VARIANT& in, VARTYPE vt, std::vector<T>& out, Take take) {
  out.clear();
  if (in.vt != (VT_ARRAY | vt) || !in.parray || SafeArrayGetDim(in.parray) != 1) return false;
  support::SafeArrayLockGuard lock(in.parray);
  if (FAILED(lock.result())) return false;
  const ULONG count = in.parray->rgsabound[0].cElements;
  out.reserve(count);
  for (ULONG i = 0; i < count; ++i) out.push_back(take(lock.data(), i));
  return true;
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

HRESULT putBools(VARIANT* out, const std::vector<bool>& values) {
  return putArray(out, VT_BOOL, values.size(), [&](void* data) {
    VARIANT_BOOL* slots = static_cast<VARIANT_BOOL*>(data);
    for (size_t i = 0; i < values.size(); ++i) slots[i] = values[i] ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
}

HRESULT putVariants(VARIANT* out, const std::vector<VARIANT>& values) {
  return putArray(out, VT_VARIANT, values.size(), [&](void* data) {
    VARIANT* slots = static_cast<VARIANT*>(data);
    for (size_t i = 0; i < values.size(); ++i) {
      const HRESULT hr = VariantCopy(&slots[i], const_cast<VARIANT*>(&values[i]));
      if (FAILED(hr)) return hr;
    }
    return S_OK;
  });
}

bool readStrings(const VARIANT& in, std::vector<std::string>& texts) {
  return readArray(followed(in), VT_BSTR, texts, [](void* data, ULONG i) {
    const BSTR text = static_cast<BSTR*>(data)[i];
    return support::narrow(std::wstring(text ? text : L"", SysStringLen(text)));
  });
}

bool readWideStrings(const VARIANT& in, std::vector<std::wstring>& texts) {
  return readArray(followed(in), VT_BSTR, texts, [](void* data, ULONG i) {
    const BSTR text = static_cast<BSTR*>(data)[i];
    return std::wstring(text ? text : L"", SysStringLen(text));
  });
}

bool sameWideStrings(const VARIANT& given, const std::vector<std::wstring>& texts) {
  const VARIANT& in = followed(given);
  if (in.vt != (VT_ARRAY | VT_BSTR) || !in.parray || SafeArrayGetDim(in.parray) != 1 ||
      in.parray->rgsabound[0].cElements != texts.size())
    return false;
  support::SafeArrayLockGuard lock(in.parray);
  if (FAILED(lock.result())) return false;
  const BSTR* slots = static_cast<const BSTR*>(lock.data());
  for (size_t i = 0; i < texts.size(); ++i) {
    const UINT length = SysStringLen(slots[i]);
    if (length != texts[i].size() || (length && texts[i].compare(0, length, slots[i], length) != 0)) return false;
  }
  return true;
}

bool readDoubles(const VARIANT& in, std::vector<double>& values) {
  const VARIANT& v = followed(in);
  if (v.vt == VT_R8) {
    values.assign(1, v.dblVal);
    return true;
  }
  return readArray(v, VT_R8, values, [](void* data, ULONG i) { return static_cast<double*>(data)[i]; });
}

}  // namespace counterpart
