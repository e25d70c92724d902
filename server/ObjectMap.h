#pragma once
// The module's creatable classes, in object-map order, with their registry entries.
#include "server/comkit/ClassObjectMap.h"

namespace server {

// VBPropPkg, MatObj, TPropPack, VBSimuCont.
comkit::ClassObjectMap& objectMap();

// Registry entries of the three variants of the VBPropPackageContainer class. No class of the
// module implements it: the entries are held but never applied, and the class factory knows
// none of these class ids.
extern const comkit::ClassRegistration containerRegistrations[3];

}  // namespace server
