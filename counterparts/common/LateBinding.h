#pragma once
// Calls through IDispatch alone, the way a script calls: arguments in their written order, an
// optional one left out as DISP_E_PARAMNOTFOUND, "no value" as Null. Header only, so that a test
// program can call the same way without linking a counterpart.
#include <windows.h>
#include <oaidl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "support/Raii.h"

namespace counterpart {

// An optional argument left out, as late-bound callers and the dispatch machinery pass it.
inline support::Variant omitted() {
  support::Variant v;
  v.get().vt = VT_ERROR;
  v.get().scode = DISP_E_PARAMNOTFOUND;
  return v;
}

inline support::Variant null() {
  support::Variant v;
  v.get().vt = VT_NULL;
  return v;
}

// What a failed Invoke told besides its code.
struct InvokeFault {
  support::Bstr description;  // EXCEPINFO's description
  SCODE scode = 0;            // EXCEPINFO's code (with DISP_E_EXCEPTION)
  UINT argument = 0;          // the argument at fault (with DISP_E_TYPEMISMATCH, DISP_E_PARAMNOTFOUND)
};

// Invokes `member` with `args` given in their written order (DISPPARAMS holds them last first);
// the arguments are borrowed, not cleared. The exception texts are freed unless `fault` takes the
// description.
inline HRESULT invokeInOrder(IDispatch* object, DISPID member, WORD flags, std::vector<VARIANTARG> args,
                             VARIANT* result, InvokeFault* fault = nullptr) {
  std::reverse(args.begin(), args.end());
  DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  EXCEPINFO exception{};
  UINT argument = 0;
  const HRESULT hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &exception, &argument);
  support::Bstr description = support::Bstr::attach(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);
  if (fault) *fault = InvokeFault{std::move(description), exception.scode, argument};
  return hr;
}

}  // namespace counterpart
