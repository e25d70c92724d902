/* The generated header compiled as C: its vtable structs, measured member by member, for the
   C++ test to compare with the slots of the type library. */
#include <stddef.h>
#include <windows.h>

#include "CAPE-OPENv1-0-0.h"

#include "tests/capeopen/VtableSlots.h"

#define SLOT(iface, member, slot) {#iface, #member, slot, offsetof(iface##Vtbl, member)}

const struct CapeVtableSlot capeVtableSlots[] = {
    SLOT(ICapeIdentification, get_ComponentName, 7),
    SLOT(ICapeIdentification, put_ComponentDescription, 10),
    SLOT(ICapeUtilities, put_simulationContext, 8),
    SLOT(ICapeUtilities, Edit, 11),
    SLOT(ICapeThermoSystem, ResolvePropertyPackage, 8),
    SLOT(ICapeThermoPropertyPackage, GetComponentList, 8),
    SLOT(ICapeThermoPropertyPackage, CalcProp, 11),
    SLOT(ICapeThermoPropertyPackage, CalcEquilibrium, 12),
    SLOT(ICapeThermoPropertyPackage, GetPropList, 15),
    SLOT(ICapeThermoMaterialObject, get_ComponentIds, 7),
    SLOT(ICapeThermoMaterialObject, GetProp, 12),
    SLOT(ICapeThermoMaterialObject, SetProp, 13),
    SLOT(ICapeThermoMaterialObject, CalcEquilibrium, 14),
    SLOT(ICapeThermoMaterialObject, GetNumComponents, 24),
    SLOT(ICapeThermoCalculationRoutine, PropList, 9),
    SLOT(ECapeRoot, get_name, 7),
    SLOT(ECapeUser, get_code, 7),
    SLOT(ECapeUser, get_moreInfo, 12),
    SLOT(ECapeBadArgument, get_position, 7),
    SLOT(ECapeBoundaries, get_Type, 10),
    SLOT(ICapeSimulationContext, Invoke, 6),
    SLOT(ECapeUnknown, Invoke, 6),
};

const size_t capeVtableSlotCount = sizeof(capeVtableSlots) / sizeof(capeVtableSlots[0]);
