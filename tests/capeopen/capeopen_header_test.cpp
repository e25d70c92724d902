// The generated CAPE-OPEN 1.0 header as C++ code uses it: IIDs through __uuidof and the
// IID_ symbols, the library id, and the HRESULT codes as HRESULTs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "CAPE-OPENv1-0-0.h"
#include "support/Text.h"
#include "tests/capeopen/VtableSlots.h"

namespace {

struct InterfaceId {
  const char* name;
  GUID uuidOf;      // __uuidof(T)
  GUID symbol;      // IID_T from the IID library
  const wchar_t* expected;
};

#define CAPE_IID(T, text) {#T, __uuidof(T), IID_##T, text}

const InterfaceId kInterfaceIds[] = {
    CAPE_IID(ICapeIdentification, L"{678C0990-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeUtilities, L"{678C0A9B-0100-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeCollection, L"{678C099A-0093-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeSimulationContext, L"{678C0A9C-0100-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeDiagnostic, L"{678C0A9D-0100-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoSystem, L"{678C0995-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoPropertyPackage, L"{678C0996-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoMaterialObject, L"{678C0994-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoMaterialTemplate, L"{678C0993-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoCalculationRoutine, L"{678C0991-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoEquilibriumServer, L"{678C0997-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeThermoReliability, L"{678C0992-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeMaterialTemplateSystem, L"{678C0A9E-0100-11D2-A67D-00105A42887F}"),
    CAPE_IID(ICapeCOSEUtilities, L"{678C0A9F-0100-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeRoot, L"{678C0B10-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeUser, L"{678C0B11-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeUnknown, L"{678C0B12-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeData, L"{678C0B13-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeLicenceError, L"{678C0B14-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeBadCOParameter, L"{678C0B15-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeBadArgument, L"{E29E42B3-E481-45C6-A737-78F4A7FC0391}"),
    CAPE_IID(ECapeInvalidArgument, L"{678C0B17-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeOutOfBounds, L"{678C0B18-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeImplementation, L"{678C0B19-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeNoImpl, L"{678C0B1A-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeLimitedImpl, L"{678C0B1B-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeComputation, L"{678C0B1C-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeOutOfResources, L"{678C0B1D-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeNoMemory, L"{678C0B1E-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeTimeOut, L"{678C0B1F-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeFailedInitialisation, L"{678C0B20-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeSolvingError, L"{678C0B21-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeBadInvOrder, L"{678C0B22-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeInvalidOperation, L"{678C0B23-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeBoundaries, L"{678C0B29-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapePersistence, L"{678C0B24-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeIllegalAccess, L"{678C0B25-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapePersistenceNotFound, L"{678C0B26-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapePersistenceSystemError, L"{678C0B27-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapePersistenceOverflow, L"{678C0B28-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeErrorDummy, L"{678C0B07-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeOutsideSolverScope, L"{678C0B0F-7D66-11D2-A67D-00105A42887F}"),
    CAPE_IID(ECapeHessianInfoNotAvailable, L"{3FF0B24B-4299-4DAC-A46E-7843728AD205}"),
};

#undef CAPE_IID

GUID guidOf(const wchar_t* text) {
  GUID g{};
  EXPECT_EQ(S_OK, IIDFromString(text, &g)) << support::narrow(text);
  return g;
}

TEST(CapeOpenHeader, UuidofAndIidSymbolsGiveThePublishedIids) {
  for (const InterfaceId& i : kInterfaceIds) {
    SCOPED_TRACE(i.name);
    GUID expected = guidOf(i.expected);
    EXPECT_TRUE(IsEqualGUID(expected, i.uuidOf));
    EXPECT_TRUE(IsEqualGUID(expected, i.symbol));
  }
}

TEST(CapeOpenHeader, LibraryIdIsTheCapeOpenLibid) {
  EXPECT_TRUE(IsEqualGUID(guidOf(L"{4A5E2E81-C093-11D4-9F1B-0010A4D198C2}"), LIBID_CAPEOPEN100));
}

// The codes must behave as HRESULTs: signed, usable as case labels, failures of FACILITY_ITF.
static_assert(std::is_signed<std::underlying_type<eCapeErrorInterfaceHR_tag>::type>::value,
              "CAPE-OPEN codes must not make an unsigned enum");
static_assert(std::is_same<CapeErrorInterfaceHR, eCapeErrorInterfaceHR_tag>::value,
              "CapeErrorInterfaceHR names the enum");

struct Code {
  const char* name;
  HRESULT code;
  unsigned long expected;
};

#define CAPE_HR(name, value) {#name, name, value}

const Code kCodes[] = {
    CAPE_HR(ECapeUnknownHR, 0x80040501),
    CAPE_HR(ECapeDataHR, 0x80040502),
    CAPE_HR(ECapeLicenceErrorHR, 0x80040503),
    CAPE_HR(ECapeBadCOParameterHR, 0x80040504),
    CAPE_HR(ECapeBadArgumentHR, 0x80040505),
    CAPE_HR(ECapeInvalidArgumentHR, 0x80040506),
    CAPE_HR(ECapeOutOfBoundsHR, 0x80040507),
    CAPE_HR(ECapeImplementationHR, 0x80040508),
    CAPE_HR(ECapeNoImplHR, 0x80040509),
    CAPE_HR(ECapeLimitedImplHR, 0x8004050A),
    CAPE_HR(ECapeComputationHR, 0x8004050B),
    CAPE_HR(ECapeOutOfResourcesHR, 0x8004050C),
    CAPE_HR(ECapeNoMemoryHR, 0x8004050D),
    CAPE_HR(ECapeTimeOutHR, 0x8004050E),
    CAPE_HR(ECapeFailedInitialisationHR, 0x8004050F),
    CAPE_HR(ECapeSolvingErrorHR, 0x80040510),
    CAPE_HR(ECapeBadInvOrderHR, 0x80040511),
    CAPE_HR(ECapeInvalidOperationHR, 0x80040512),
    CAPE_HR(ECapePersistenceHR, 0x80040513),
    CAPE_HR(ECapeIllegalAccessHR, 0x80040514),
    CAPE_HR(ECapePersistenceNotFoundHR, 0x80040515),
    CAPE_HR(ECapePersistenceSystemErrorHR, 0x80040516),
    CAPE_HR(ECapePersistenceOverflowHR, 0x80040517),
    CAPE_HR(ECapeOutsideSolverScopeHR, 0x80040518),
    CAPE_HR(ECapeHessianInfoNotAvailableHR, 0x80040519),
};

#undef CAPE_HR

TEST(CapeOpenHeader, ErrorCodesAreTheirHresults) {
  for (const Code& c : kCodes) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(static_cast<HRESULT>(c.expected), c.code);
    EXPECT_TRUE(FAILED(c.code));
    EXPECT_EQ(FACILITY_ITF, HRESULT_FACILITY(c.code));
  }
}

const char* classify(HRESULT hr) {
  switch (hr) {
    case ECapeBadArgumentHR: return "bad argument";
    case ECapeNoImplHR: return "not implemented";
    case S_OK: return "ok";
    default: return "other";
  }
}

TEST(CapeOpenHeader, ErrorCodesServeAsCaseLabelsOnAnHresult) {
  EXPECT_STREQ("bad argument", classify(static_cast<HRESULT>(0x80040505)));
  EXPECT_STREQ("not implemented", classify(static_cast<HRESULT>(0x80040509)));
  EXPECT_STREQ("other", classify(E_FAIL));
}

// The C view of the header (its vtable structs) has the slots of the type library.
TEST(CapeOpenHeader, CVtableStructsHaveTheLibrarySlots) {
  ASSERT_GT(capeVtableSlotCount, 0u);
  for (size_t i = 0; i < capeVtableSlotCount; ++i) {
    const CapeVtableSlot& s = capeVtableSlots[i];
    SCOPED_TRACE(std::string(s.iface) + "::" + s.member);
    EXPECT_EQ(s.slot * sizeof(void*), s.offset);
  }
}

}  // namespace
