// What CoErrors.dll serves: the two outside CAPE-OPEN error components. Their type library is
// registered on its own (outside/coerrors), so registration here writes the classes only.
#include "CoErrors.h"
#include "counterparts/coerrors/CapeError.h"
#include "counterparts/coerrors/CapeErrorUtilities.h"
#include "counterparts/common/ServerEntry.h"

counterpart::ServedClasses counterpart::servedClasses() {
  return {{{&comkit::createInstance<coerrors::CapeErrorUtilities>,
            {&CLSID_CapeErrorUtilities, L"CapeErrorUtilities", L"CapeErrorComponents.CapeErrorUtilities.1",
             L"CapeErrorComponents.CapeErrorUtilities", &LIBID_CapeErrorComponents, false}},
           {&comkit::createInstance<coerrors::CapeError>,
            {&CLSID_CapeError, L"CapeError", L"CapeErrorComponents.CapeError.1", L"CapeErrorComponents.CapeError",
             &LIBID_CapeErrorComponents, false}}}};
}
