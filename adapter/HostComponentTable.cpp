#include "adapter/HostComponentTable.h"

#include <cstdio>
#include <cwchar>
#include <mutex>

#include "support/ModuleInfo.h"
#include "support/Raii.h"
#include "support/Report.h"
#include "support/Text.h"
#include "support/Trace.h"
#include "support/Utils.h"

namespace host_components {
namespace {

constexpr size_t kMaxName = 15;
constexpr size_t kMaxCas = 11;

struct Table {
  support::Bstr names[kSlots];
  support::Bstr cas[kSlots];
  int stored = 0;
  bool loaded = false;
};

Table& table() {
  static Table t;
  return t;
}

support::CriticalSection& tableLock() {
  static support::CriticalSection cs;
  return cs;
}

void clearTable() {
  Table& t = table();
  for (int i = 0; i < kSlots; ++i) {
    t.names[i] = support::Bstr();
    t.cas[i] = support::Bstr();
  }
  t.stored = 0;
}

// One whitespace-delimited token, bounded: a longer token is read only far enough to know.
enum class Token { Ok, TooLong, Missing };
Token readToken(FILE* f, std::string& out, size_t max) {
  out.clear();
  int c;
  while ((c = fgetc(f)) != EOF && isspace(c)) {}
  if (c == EOF) return Token::Missing;
  bool tooLong = false;
  for (; c != EOF && !isspace(c); c = fgetc(f)) {
    if (out.size() < max) out.push_back(static_cast<char>(c));
    else tooLong = true;
  }
  return tooLong ? Token::TooLong : Token::Ok;
}

void store(int id, const std::string& name, const std::string& cas) {
  const int slot = slotOfId(id);
  if (slot < 0) return;
  Table& t = table();
  t.names[slot] = support::Bstr(support::widen(name).c_str());
  t.cas[slot] = cas == "NULL" ? support::Bstr() : support::Bstr(support::widen(cas).c_str());
  ++t.stored;
}

// Reads records until the end; false when a report stopped reading.
int readRecords(FILE* f) {
  int counter = 1;
  for (;;) {
    int id = 0;
    const int got = fscanf(f, "%d ,", &id);
    if (got == EOF) break;
    std::string name, cas;
    Token nameTok = got == 1 ? readToken(f, name, kMaxName) : Token::Missing;
    Token casTok = nameTok == Token::Missing ? Token::Missing : readToken(f, cas, kMaxCas);
    if (nameTok == Token::Missing || casTok == Token::Missing) {
      support::reportFailure("could not read 3 fields of one line");
      return counter;
    }
    if (nameTok == Token::TooLong) { support::reportFailure("component name too long"); return counter; }
    if (casTok == Token::TooLong) { support::reportFailure("casno name too long"); return counter; }
    if (!name.empty() && name.back() == ',') name.pop_back();
    store(id, name, cas);
    ++counter;
  }
  if (counter < kExpectedRecords) {
    // Captioned with the library title and owned by the host's window, like every report box.
    support::showReportBox(support::formatText("WARNING: only %d compounds (%d were expected) were read from file "
                                               "OvpCASnos.txt. ",
                                               counter, kExpectedRecords)
                               .c_str(),
                           nullptr);
  }
  return counter;
}

int lookup(const support::Bstr* column, const wchar_t* text) {
  if (!text || !*text) return -1;
  for (int slot = 1; slot < kSlots; ++slot)
    if (column[slot].get() && support::sameText(column[slot].get(), text)) return idOfSlot(slot);
  return -1;
}

std::wstring bySlot(const support::Bstr* column, int id) {
  ensureLoaded();
  const int slot = slotOfId(id);
  if (slot < 0 || !column[slot].get()) return std::wstring();
  return column[slot].get();
}

}  // namespace

int slotOfId(int id) {
  if (id >= 1 && id <= 999) return id;
  if (id >= 3000 && id <= 3768) return id - 2000;
  return -1;
}

int idOfSlot(int slot) {
  if (slot >= 1 && slot <= 999) return slot;
  if (slot >= 1000 && slot <= 1768) return slot + 2000;
  return -1;
}

int load(const std::wstring& path) {
  support::Lock guard(tableLock());
  table().loaded = true;
  clearTable();
  FILE* f = _wfopen(path.c_str(), L"rt");
  if (!f) {
    support::reportFailure("Cannot open OvpCASnos.txt");
    return 0;
  }
  int counter = 0;
  try {
    counter = readRecords(f);
  } catch (...) {
    support::reportFailure("problem reading component list");
  }
  fclose(f);
  return counter;
}

// The first load is made once, under the lock: a second first user waits for it instead of
// clearing the table while the first one reads it.
void ensureLoaded() {
  support::Lock guard(tableLock());
  if (!table().loaded) load(support::widen(support::getDllDirectory() + "\\OvpCASnos.txt"));
}

int idByCas(const wchar_t* cas) { ensureLoaded(); return lookup(table().cas, cas); }
int idByName(const wchar_t* name) { ensureLoaded(); return lookup(table().names, name); }
std::wstring nameOfId(int id) { return bySlot(table().names, id); }
std::wstring casOfId(int id) { return bySlot(table().cas, id); }
int storedCount() { ensureLoaded(); return table().stored; }

}  // namespace host_components
