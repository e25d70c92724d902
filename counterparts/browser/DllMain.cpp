// What the category browser DLL serves. Its type library OvShowCOCATIDs is registered on its own,
// so registration writes only the class.
#include "counterparts/browser/Browser.h"
#include "counterparts/common/ServerEntry.h"

counterpart::ServedClasses counterpart::servedClasses() {
  return {{{&comkit::createInstance<browser::Browser>,
            {&CLSID_ShowCOCATIDs, L"ShowCOCATIDs", L"OvShowCOCATIDs.ShowCOCATIDs.1", L"OvShowCOCATIDs.ShowCOCATIDs",
             &LIBID_OvShowCOCATIDs, false}}}};
}
