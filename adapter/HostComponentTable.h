#pragma once
// The host's component library as read from OvpCASnos.txt: names and CAS numbers by slot,
// filled once per process on first use.
#include <windows.h>

#include <string>

namespace host_components {

constexpr int kSlots = 1769;          // slot 0 never filled
constexpr int kExpectedRecords = 1764;

// Host id -> slot (-1 when the id has none) and back.
int slotOfId(int id);
int idOfSlot(int slot);

// Clears the table and reads `path`; reports go through reportFailure. Returns the counter
// (records read + 1), 0 when the file could not be opened.
int load(const std::wstring& path);
// Loads OvpCASnos.txt beside the module unless some load already happened.
void ensureLoaded();

int idByCas(const wchar_t* cas);
int idByName(const wchar_t* name);
std::wstring nameOfId(int id);
std::wstring casOfId(int id);
int storedCount();

}  // namespace host_components
