#pragma once
// Names of the test fixture Thermo System, shared by the fixture DLL and the browser test.
#include <windows.h>

// {8E1D2C55-6B7A-4F21-A3C9-2E5B7D4F9A10}
inline const CLSID kFixtureSystemClsid = {0x8E1D2C55, 0x6B7A, 0x4F21, {0xA3, 0xC9, 0x2E, 0x5B, 0x7D, 0x4F, 0x9A, 0x10}};
inline const wchar_t kFixtureSystemProgId[] = L"QuellmarTest.ThermoSystemFixture.1";
inline const wchar_t kFixtureSystemName[] = L"Test Fixture Thermo System";
inline const wchar_t kFixturePackageA[] = L"FixtureIdeal";
inline const wchar_t kFixturePackageB[] = L"FixtureSRK";
