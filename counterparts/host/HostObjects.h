#pragma once
// Factories of the host's COM objects.
#include <memory>

#include "counterparts/host/HostState.h"

namespace orvexhost {

HRESULT makeContainer(const std::shared_ptr<HostState>& state, ExtnContainer** out);
// Fails with E_INVALIDARG for an undeclared name.
HRESULT makeVariableArgument(const std::shared_ptr<HostState>& state, const std::wstring& name, const VARIANT& value,
                             ExtnVariableArgument** out);

}  // namespace orvexhost
