#include "counterparts/prthermo/core/PackageFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>

namespace prcore {
namespace {

constexpr size_t maxLine = 1024;
constexpr size_t maxItems = 100;
constexpr size_t maxName = 64;
constexpr size_t maxPackages = 64;
constexpr unsigned maxDelayMs = 600000;

const char* const misbehaviourNames[] = {
    "none", "errorWithDetails", "cppException", "accessViolation", "nanValues", "infValues", "negativeValues",
    "resultsNotWritten", "wrongArraySize", "deprecatedConstants", "hugeBoilingPoints", "duplicateIds", "slowCall",
    "editChangesComponents", "uncaughtException", "calcPropAccessViolation", "threadBound"};

const char* const knownProperties[] = {
    "fugacityCoefficient", "logFugacityCoefficient", "fugacity", "kvalues", "logkvalues", "activityCoefficient",
    "enthalpy", "entropy", "enthalpyF", "entropyF", "heatCapacity", "volume", "density", "compressibilityFactor",
    "viscosity", "thermalConductivity", "surfaceTension", "molecularWeight"};

const char* const knownPhases[] = {"Vapor", "Liquid", "Liquid2", "Water", "HeavyLiquid", "Overall", "VaporLiquid"};

const char* const knownFlashes[] = {"TP", "PH", "PS", "TVF", "PVF", "PHF", "PSF"};

bool same(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

template <size_t N>
const char* findName(const char* const (&names)[N], const std::string& s) {
    for (const char* n : names)
        if (same(n, s)) return n;
    return nullptr;
}

bool containsName(const std::vector<std::string>& list, const std::string& s) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& e) { return same(e, s); });
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Reads one line of at most maxLine characters; false at end of input. A longer line is
// consumed and reported through `tooLong`.
bool readLine(std::istream& in, std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    int c;
    bool any = false;
    while ((c = in.get()) != EOF) {
        any = true;
        if (c == '\n') return true;
        if (line.size() < maxLine) line += char(c);
        else tooLong = true;
    }
    return any;
}

class Parser {
public:
    explicit Parser(const std::string& source) : m_source(source) {}

    [[noreturn]] void fail(const std::string& what) const { throw PackageFileError(m_source, m_line, what); }

    void statement(const std::string& raw, size_t lineNumber) {
        m_line = lineNumber;
        std::string text = trim(raw);
        if (text.empty() || text[0] == '#') return;
        size_t eq = text.find('=');
        if (eq == std::string::npos) fail("expected 'key = value'");
        std::string key = trim(text.substr(0, eq)), value = trim(text.substr(eq + 1));
        if (value.empty()) fail("no value for '" + key + "'");
        if (same(key, "package")) return startPackage(value);
        if (m_packages.empty()) fail("'" + key + "' before the first 'package' line");
        setKey(key, value);
    }

    std::vector<PackageDefinition> finish() {
        if (!m_packages.empty()) checkComplete();
        if (m_packages.empty()) throw PackageFileError(m_source, m_line, "no package defined");
        return std::move(m_packages);
    }

private:
    PackageDefinition& current() { return m_packages.back(); }

    void startPackage(const std::string& name) {
        if (!m_packages.empty()) checkComplete();
        if (name.size() > maxName) fail("package name longer than " + std::to_string(maxName) + " characters");
        for (auto& p : m_packages)
            if (same(p.name, name)) fail("duplicate package '" + name + "'");
        if (m_packages.size() == maxPackages) fail("more than " + std::to_string(maxPackages) + " packages");
        m_packages.emplace_back();
        current().name = name;
        current().line = m_line;
        m_seen.clear();
    }

    void checkComplete() {
        auto& p = current();
        const char* missing = p.model.empty()        ? "model"
                              : p.compounds.empty()  ? "compounds"
                              : p.properties.empty() ? "properties"
                              : p.phases.empty()     ? "phases"
                                                     : nullptr;
        if (missing) throw PackageFileError(m_source, p.line, "package '" + p.name + "' has no " + missing);
        if (p.misbehaviour == Misbehaviour::EditChangesComponents && p.editCompounds.empty())
            throw PackageFileError(m_source, p.line, "package '" + p.name + "' needs editCompounds");
    }

    std::vector<std::string> list(const std::string& value) {
        std::vector<std::string> items;
        size_t start = 0;
        for (;;) {
            size_t comma = value.find(',', start);
            std::string item = trim(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (item.empty()) fail("empty list entry");
            if (item.size() > maxName) fail("entry '" + item.substr(0, maxName) + "...' is too long");
            if (containsName(items, item)) fail("'" + item + "' listed twice");
            items.push_back(item);
            if (items.size() > maxItems) fail("more than " + std::to_string(maxItems) + " entries");
            if (comma == std::string::npos) return items;
            start = comma + 1;
        }
    }

    template <size_t N>
    std::vector<std::string> namedList(const std::string& value, const char* const (&names)[N], const char* kind) {
        std::vector<std::string> out;
        for (auto& item : list(value)) {
            const char* known = findName(names, item);
            if (!known) fail(std::string("unknown ") + kind + " '" + item + "'");
            out.push_back(known);
        }
        return out;
    }

    std::vector<std::string> casList(const std::string& value) {
        auto items = list(value);
        for (auto& cas : items)
            if (!validCas(cas)) fail("'" + cas + "' is not a valid CAS number");
        return items;
    }

    void setKey(const std::string& key, const std::string& value) {
        std::string k;
        for (char c : key) k += char(std::tolower(static_cast<unsigned char>(c)));
        if (!m_seen.insert(k).second) fail("'" + key + "' given twice for package '" + current().name + "'");
        auto& p = current();
        if (k == "description") p.description = value;
        else if (k == "model") {
            if (!same(value, "PengRobinson")) fail("unknown model '" + value + "'");
            p.model = "PengRobinson";
        } else if (k == "compounds") p.compounds = casList(value);
        else if (k == "editcompounds") p.editCompounds = casList(value);
        else if (k == "properties") p.properties = namedList(value, knownProperties, "property");
        else if (k == "phases") p.phases = namedList(value, knownPhases, "phase");
        else if (k == "flashes") p.flashes = namedList(value, knownFlashes, "flash type");
        else if (k == "misbehaviour") p.misbehaviour = misbehaviour(value);
        else if (k == "delay") p.delayMs = delay(value);
        else fail("unknown key '" + key + "'");
    }

    Misbehaviour misbehaviour(const std::string& value) {
        for (size_t i = 0; i < std::size(misbehaviourNames); ++i)
            if (same(misbehaviourNames[i], value)) return Misbehaviour(i);
        fail("unknown misbehaviour '" + value + "'");
    }

    unsigned delay(const std::string& value) {
        if (value.size() > 6 || !std::all_of(value.begin(), value.end(), ::isdigit)) fail("delay must be a number of milliseconds");
        unsigned ms = unsigned(std::stoul(value));
        if (ms > maxDelayMs) fail("delay above " + std::to_string(maxDelayMs) + " ms");
        return ms;
    }

    std::string m_source;
    size_t m_line = 0;
    std::vector<PackageDefinition> m_packages;
    std::set<std::string> m_seen;
};

}  // namespace

const char* misbehaviourName(Misbehaviour m) {
    size_t i = size_t(m);
    return i < std::size(misbehaviourNames) ? misbehaviourNames[i] : "?";
}

PackageFileError::PackageFileError(const std::string& source, size_t l, const std::string& what)
    : std::runtime_error(source + " line " + std::to_string(l) + ": " + what), line(l) {}

bool PackageDefinition::offersProperty(const std::string& property) const { return containsName(properties, property); }
bool PackageDefinition::offersPhase(const std::string& phase) const { return containsName(phases, phase); }
bool PackageDefinition::offersFlash(const std::string& flash) const { return containsName(flashes, flash); }

bool validCas(const std::string& cas) {
    size_t d1 = cas.find('-'), d2 = cas.rfind('-');
    if (d1 == std::string::npos || d1 == d2 || d1 < 2 || d1 > 7 || d2 != d1 + 3 || d2 + 2 != cas.size()) return false;
    std::string digits;
    for (size_t i = 0; i < cas.size(); ++i) {
        if (i == d1 || i == d2) continue;
        if (!std::isdigit(static_cast<unsigned char>(cas[i]))) return false;
        digits += cas[i];
    }
    // Check digit: the other digits weighted 1, 2, 3 ... from the right, sum modulo 10.
    int sum = 0;
    for (size_t i = 0; i + 1 < digits.size(); ++i) sum += int(digits.size() - 1 - i) * (digits[i] - '0');
    return sum % 10 == digits.back() - '0';
}

std::vector<PackageDefinition> parsePackages(std::istream& in, const std::string& source) {
    Parser parser(source);
    std::string line;
    bool tooLong;
    size_t number = 0;
    while (readLine(in, line, tooLong)) {
        ++number;
        if (tooLong) throw PackageFileError(source, number, "line longer than " + std::to_string(maxLine) + " characters");
        parser.statement(line, number);
    }
    return parser.finish();
}

std::vector<PackageDefinition> loadPackages(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw PackageFileError(path, 0, "cannot open the file");
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    return parsePackages(in, name);
}

}  // namespace prcore
