// Times ln phi of a vapour and a liquid for 5, 20 and 50 compounds (all 40 of the data file
// repeated beyond 40), for comparison with the COM layer built on this core.
#include "counterparts/prthermo/core/PengRobinson.h"

#include <chrono>
#include <cstdio>

using namespace prcore;

int main() {
    try {
        auto db = CompoundDatabase::load(moduleFolder());
        for (size_t n : {5u, 20u, 50u}) {
            std::vector<Compound> compounds;
            for (size_t i = 0; i < n; ++i) compounds.push_back(db.all()[i % db.all().size()]);
            PengRobinson eos(compounds, db.kijMatrix(compounds));
            std::vector<double> x(n, 1.0 / double(n)), lnPhi;
            int calls = int(200000 / n);
            double sink = 0;
            auto start = std::chrono::steady_clock::now();
            for (int k = 0; k < calls; ++k) {
                double t = 300 + k % 7;
                eos.lnPhi(t, 2e6, x, Root::Vapour, lnPhi);
                sink += lnPhi[0];
                eos.lnPhi(t, 2e6, x, Root::Liquid, lnPhi);
                sink += lnPhi[n - 1];
            }
            double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
            std::printf("%2zu compounds: %8.2f us per two-phase fugacity-coefficient call (%d calls, check %.3g)\n", n,
                        us / calls, calls, sink);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_prcore: %s\n", e.what());
        return 1;
    }
}
