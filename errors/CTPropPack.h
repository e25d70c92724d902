#pragma once
// A creatable, aggregatable dispatch object with no members of its own ("Zendrel.TPropPack").
#include <windows.h>

#include "Dispatch.h"
#include "Object.h"
#include "ZendrelLib.h"

class CTPropPack : public comkit::Object<comkit::Dual<ITPropPack>> {};
