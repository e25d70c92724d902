// Package definitions read from a text file beside the module.
//
// Format, one statement a line ("key = value"); blank lines and lines starting with '#' are
// ignored; a line holds at most 1024 characters. "package = <name>" starts a package; the
// keys after it, up to the next "package" line, belong to it:
//   description   free text (optional)
//   model         PengRobinson (required; the only model)
//   compounds     CAS numbers separated by commas, in the package's order (required)
//   properties    property names offered, separated by commas (required)
//   phases        phase names offered, e.g. Vapor, Liquid, Liquid2, Overall, VaporLiquid (required)
//   flashes       flash types offered: TP, PH, PS, TVF, PVF, PHF, PSF (optional)
//   misbehaviour  none (default) or one fault mode, see misbehaviourName()
//   delay         milliseconds a slowCall package waits per call (optional, 0..600000)
//   editCompounds CAS numbers an editChangesComponents package switches to in Edit (optional)
// Names compare case-insensitively; a key may appear once per package.
#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace prcore {

// Deliberate faults a test package shows to its client.
enum class Misbehaviour {
    None,
    ErrorWithDetails,       // calls fail with E_FAIL and an error description
    CppException,           // a C++ exception inside the call, caught at its COM boundary
    AccessViolation,        // the call dereferences an invalid pointer
    NaNValues,              // results are NaN
    InfValues,              // results are infinite
    NegativeValues,         // results are negative
    ResultsNotWritten,      // success without writing the requested results
    WrongArraySize,         // result arrays one element short
    DeprecatedConstants,    // constants as a plain array of doubles, or of strings when a text is asked
    HugeBoilingPoints,      // boiling temperatures of 1e35 K in the component list
    DuplicateIds,           // the component list repeats a compound id
    SlowCall,               // each call waits `delayMs` before answering
    EditChangesComponents,  // Edit replaces the compound list with `editCompounds`
    UncaughtException,      // a C++ exception leaves the call (no COM boundary)
    CalcPropAccessViolation,  // only CalcProp dereferences an invalid pointer
    ThreadBound,            // answers only on the thread that created it (else RPC_E_WRONG_THREAD)
};

// The file's name for each mode ("none", "errorWithDetails", ...).
const char* misbehaviourName(Misbehaviour m);

struct PackageFileError : std::runtime_error {
    PackageFileError(const std::string& source, size_t line, const std::string& what);
    size_t line;
};

struct PackageDefinition {
    std::string name, description, model;
    std::vector<std::string> compounds, properties, phases, flashes, editCompounds;
    Misbehaviour misbehaviour = Misbehaviour::None;
    unsigned delayMs = 0;
    size_t line = 0;   // where the package starts

    bool offersProperty(const std::string& property) const;
    bool offersPhase(const std::string& phase) const;
    bool offersFlash(const std::string& flash) const;
};

// Parses a whole file; `source` names it in error texts ("packages.txt line 7: ...").
std::vector<PackageDefinition> parsePackages(std::istream& in, const std::string& source);
std::vector<PackageDefinition> loadPackages(const std::string& path);

// Whether a CAS number is well formed (2-7 digits, 2 digits, check digit) and its check digit right.
bool validCas(const std::string& cas);

}  // namespace prcore
