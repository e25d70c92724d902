#include "tests/prthermo/PrCoreFixture.h"

#include <windows.h>

#include <cmath>
#include <fstream>

namespace prtest {

const prcore::CompoundDatabase& database() {
    static const prcore::CompoundDatabase db = prcore::CompoundDatabase::load(prcore::moduleFolder());
    return db;
}

prcore::PengRobinson makeEos(const std::vector<std::string>& names) {
    auto compounds = database().select(names);
    return prcore::PengRobinson(compounds, database().kijMatrix(compounds));
}

std::vector<double> lnFugacity(const prcore::PengRobinson& eos, double t, double p, const std::vector<double>& x,
                               prcore::Root root) {
    std::vector<double> lnPhi;
    eos.lnPhi(t, p, x, root, lnPhi);
    double sum = 0;
    for (double v : x) sum += v;
    for (size_t i = 0; i < x.size(); ++i) lnPhi[i] += std::log(x[i] / sum * p);
    return lnPhi;
}

std::string writeTempFile(const std::string& name, const std::string& text) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

}  // namespace prtest
