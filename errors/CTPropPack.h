#pragma once
// A creatable, aggregatable dispatch object with no members of its own ("Zendrel.TPropPack").
#include <windows.h>

#include "server/comkit/Dispatch.h"
#include "server/comkit/Object.h"
#include "ZendrelLib.h"

class CTPropPack : public comkit::Object<comkit::Dual<ITPropPack>> {};
