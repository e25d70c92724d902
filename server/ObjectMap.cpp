#include "server/ObjectMap.h"

#include "matobj/CMatObj.h"
#include "errors/CTPropPack.h"
#include "adapter/CVBPropPkg.h"
#include "errors/CVBSimuCont.h"
#include "server/comkit/Object.h"
#include "ZendrelLib.h"

namespace server {

namespace {

// The second and third VBPropPackageContainer variants (the first is the coclass's own id).
const CLSID kContainerVariant2 = {0x89D61535, 0xBCF0, 0x4300, {0x8B, 0xAE, 0xD6, 0x46, 0x43, 0x2D, 0x92, 0x6A}};
const CLSID kContainerVariant3 = {0x0C426F18, 0x9A97, 0x4271, {0x8D, 0xDA, 0xA6, 0x3D, 0xD0, 0xDF, 0x4D, 0xE7}};

comkit::ClassRegistration containerRegistration(const CLSID* clsid) {
  return {clsid, L"VBPropPackageContainer", L"Zendrel.VBPropPackageContainer.1", L"Zendrel.VBPropPackageContainer",
          &LIBID_ZENDRELLib, false};
}

}  // namespace

comkit::ClassObjectMap& objectMap() {
  static comkit::ClassObjectMap map(
      comkit::module(),
      {
          {&comkit::createInstance<CVBPropPkg>,
           {&CLSID_VBPropPkg, L"VBPropPkg", L"Zendrel.VBPropPkg.1", L"Zendrel.VBPropPkg", &LIBID_ZENDRELLib, false}},
          {&comkit::createInstance<CMatObj>,
           {&CLSID_matObj, L"MatObj", L"Zendrel.MatObj.1", L"Zendrel.MatObj", &LIBID_ZENDRELLib, true}},
          {&comkit::createInstance<CTPropPack>,
           {&CLSID_TPropPack, L"TPropPack", L"Zendrel.TPropPack.1", L"Zendrel.TPropPack", &LIBID_ZENDRELLib, true}},
          {&comkit::createInstance<CVBSimuCont>,
           {&CLSID_VBSimuCont, L"VBSimuCont", L"Zendrel.VBSimuCont.1", L"Zendrel.VBSimuCont", &LIBID_ZENDRELLib,
            true}},
      });
  return map;
}

const comkit::ClassRegistration containerRegistrations[3] = {
    containerRegistration(&CLSID_VBPropPackageContainer),
    containerRegistration(&kContainerVariant2),
    containerRegistration(&kContainerVariant3),
};

}  // namespace server
