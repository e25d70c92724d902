#include "counterparts/prthermo/core/Compounds.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace prcore {
namespace {

constexpr size_t maxLineLength = 8192;

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return cells;
        start = tab + 1;
    }
}

// A tab-separated table whose header names its columns ("Tc[K]" is found as "Tc").
class Table {
public:
    Table(const std::string& path) : m_path(path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw DataError("cannot open data file " + path);
        std::string line;
        size_t number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (line.size() > maxLineLength) fail(number, "line too long");
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.empty()) continue;
            if (m_header.empty()) {
                for (auto& h : splitTabs(line)) m_header.push_back(lower(h.substr(0, h.find('['))));
                continue;
            }
            auto cells = splitTabs(line);
            if (cells.size() != m_header.size()) fail(number, "expected " + std::to_string(m_header.size()) + " cells");
            m_rows.push_back(std::move(cells));
            m_lines.push_back(number);
        }
        if (m_header.empty()) throw DataError(path + ": no header line");
    }

    size_t rows() const { return m_rows.size(); }

    const std::string& text(size_t row, const char* column) const {
        return m_rows[row][index(column)];
    }

    // Empty cells give `fallback`; anything that is not a whole number fails.
    double number(size_t row, const char* column, double fallback = NAN) const {
        const std::string& s = text(row, column);
        if (s.empty()) return fallback;
        char* end = nullptr;
        double v = std::strtod(s.c_str(), &end);
        if (end != s.c_str() + s.size() || !std::isfinite(v))
            fail(m_lines[row], std::string("bad number '") + s + "' in column " + column);
        return v;
    }

    [[noreturn]] void fail(size_t line, const std::string& what) const {
        throw DataError(m_path + " line " + std::to_string(line) + ": " + what);
    }

    size_t line(size_t row) const { return m_lines[row]; }

private:
    size_t index(const char* column) const {
        auto it = std::find(m_header.begin(), m_header.end(), lower(column));
        if (it == m_header.end()) throw DataError(m_path + ": no column " + column);
        return size_t(it - m_header.begin());
    }

    std::string m_path;
    std::vector<std::string> m_header;
    std::vector<std::vector<std::string>> m_rows;
    std::vector<size_t> m_lines;
};

Compound readCompound(const Table& t, size_t r) {
    Compound c;
    c.name = t.text(r, "name");
    c.cas = t.text(r, "CAS");
    c.formula = t.text(r, "formula");
    c.mw = t.number(r, "MW");
    c.tc = t.number(r, "Tc");
    c.pc = t.number(r, "Pc");
    c.vc = t.number(r, "Vc");
    c.omega = t.number(r, "omega");
    c.tb = t.number(r, "Tb");
    c.zc = t.number(r, "Zc");
    c.rhoL25 = t.number(r, "rhoL25");   // the first rhoL25 column, mol/m3
    c.hf = t.number(r, "Hf_ig_298");
    c.dipole = t.number(r, "dipole");   // the first dipole column, debye
    const char* cp[5] = {"Cp_a0", "Cp_a1", "Cp_a2", "Cp_a3", "Cp_a4"};
    for (int i = 0; i < 5; ++i) c.cpA[i] = t.number(r, cp[i], 0.0);
    c.cpTmin = t.number(r, "Cp_Tmin", 0.0);
    c.cpTmax = t.number(r, "Cp_Tmax", 0.0);
    c.parachor = t.number(r, "parachor_cgs", 0.0);
    c.sigmaTc = t.number(r, "sigma_Tc", 0.0);
    c.sigmaA = t.number(r, "sigma_A", 0.0);
    c.sigmaB = t.number(r, "sigma_B", 0.0);
    c.sigmaC = t.number(r, "sigma_C", 0.0);
    c.sigmaD = t.number(r, "sigma_D", 0.0);
    c.sigmaE = t.number(r, "sigma_E", 0.0);
    if (c.cas.empty() || !(c.tc > 0) || !(c.pc > 0) || !(c.mw > 0) || std::isnan(c.omega))
        t.fail(t.line(r), "compound '" + c.name + "' lacks CAS, Tc, Pc, MW or omega");
    return c;
}

std::pair<std::string, std::string> pairKey(const std::string& a, const std::string& b) {
    return a < b ? std::make_pair(a, b) : std::make_pair(b, a);
}

// Polynomial integrals of Cp/R: sum a_k T^(k+1)/(k+1) and a0 ln T + sum a_k T^k / k.
double polyH(const double* a, double t) {
    return t * (a[0] + t * (a[1] / 2 + t * (a[2] / 3 + t * (a[3] / 4 + t * a[4] / 5))));
}
double polyS(const double* a, double t) {
    return a[0] * std::log(t) + t * (a[1] + t * (a[2] / 2 + t * (a[3] / 3 + t * a[4] / 4)));
}
double polyCp(const double* a, double t) {
    return a[0] + t * (a[1] + t * (a[2] + t * (a[3] + t * a[4])));
}

}  // namespace

// With Cp held constant outside [lo, hi], H and S are the polynomial integrals inside and
// linear (H) or logarithmic (S) continuations outside.
double Compound::idealCp(double t) const {
    double lo = cpTmin > 0 ? cpTmin : 0, hi = cpTmax > 0 ? cpTmax : 1e300;
    return R * polyCp(cpA, std::clamp(t, lo, hi));
}

double Compound::idealH(double t) const {
    auto h = [&](double x) {
        double lo = cpTmin > 0 ? cpTmin : 0, hi = cpTmax > 0 ? cpTmax : 1e300;
        if (x < lo) return polyH(cpA, lo) - polyCp(cpA, lo) * (lo - x);
        if (x > hi) return polyH(cpA, hi) + polyCp(cpA, hi) * (x - hi);
        return polyH(cpA, x);
    };
    return R * (h(t) - h(Tref));
}

double Compound::idealS(double t) const {
    auto s = [&](double x) {
        double lo = cpTmin > 0 ? cpTmin : 0, hi = cpTmax > 0 ? cpTmax : 1e300;
        if (x < lo) return polyS(cpA, lo) - polyCp(cpA, lo) * std::log(lo / x);
        if (x > hi) return polyS(cpA, hi) + polyCp(cpA, hi) * std::log(x / hi);
        return polyS(cpA, x);
    };
    return R * (s(t) - s(Tref));
}

double Compound::vdiSurfaceTension(double t) const {
    if (!(sigmaTc > 0)) return -1;
    double tr = t / sigmaTc;
    if (tr >= 1) return 0;
    return sigmaA * std::pow(1 - tr, sigmaB + tr * (sigmaC + tr * (sigmaD + tr * sigmaE)));
}

CompoundDatabase CompoundDatabase::load(const std::string& folder) {
    return loadFiles(folder + "components.tsv", folder + "pr_kij.tsv");
}

CompoundDatabase CompoundDatabase::loadFiles(const std::string& componentsPath, const std::string& kijPath) {
    CompoundDatabase db;
    Table comps(componentsPath);
    for (size_t r = 0; r < comps.rows(); ++r) {
        Compound c = readCompound(comps, r);
        if (db.findByCas(c.cas)) comps.fail(comps.line(r), "duplicate CAS " + c.cas);
        db.m_compounds.push_back(std::move(c));
    }
    Table kij(kijPath);
    for (size_t r = 0; r < kij.rows(); ++r) {
        double k = kij.number(r, "kij");
        if (std::isnan(k)) kij.fail(kij.line(r), "empty kij");
        db.m_kij[pairKey(kij.text(r, "CAS_i"), kij.text(r, "CAS_j"))] = k;
    }
    return db;
}

const Compound* CompoundDatabase::findByCas(const std::string& cas) const {
    for (auto& c : m_compounds)
        if (c.cas == cas) return &c;
    return nullptr;
}

const Compound* CompoundDatabase::findByName(const std::string& name) const {
    std::string key = lower(name);
    for (auto& c : m_compounds)
        if (lower(c.name) == key) return &c;
    return nullptr;
}

double CompoundDatabase::kij(const std::string& casI, const std::string& casJ) const {
    auto it = m_kij.find(pairKey(casI, casJ));
    return it == m_kij.end() ? 0.0 : it->second;
}

std::vector<Compound> CompoundDatabase::select(const std::vector<std::string>& keys) const {
    std::vector<Compound> out;
    for (auto& k : keys) {
        const Compound* c = findByCas(k);
        if (!c) c = findByName(k);
        if (!c) throw DataError("unknown compound '" + k + "'");
        out.push_back(*c);
    }
    return out;
}

std::vector<std::vector<double>> CompoundDatabase::kijMatrix(const std::vector<Compound>& compounds) const {
    size_t n = compounds.size();
    std::vector<std::vector<double>> k(n, std::vector<double>(n, 0.0));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            if (i != j) k[i][j] = kij(compounds[i].cas, compounds[j].cas);
    return k;
}

std::string moduleFolder() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&moduleFolder), &self);
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(self, path, DWORD(std::size(path)));
    if (n == 0 || n >= std::size(path)) return std::string();
    std::wstring w(path, n);
    w.erase(w.find_last_of(L"\\/") + 1);
    int len = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(len), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), int(w.size()), out.data(), len, nullptr, nullptr);
    return out;
}

}  // namespace prcore
