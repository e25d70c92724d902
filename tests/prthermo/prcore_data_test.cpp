// Compound data and kij as loaded from the files beside the test program.
#include "tests/prthermo/PrCoreFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace prcore;
using prtest::database;

TEST(PrcoreData, LoadsEveryCompoundWithItsConstants) {
    EXPECT_EQ(database().all().size(), 40u);
    const Compound* c3 = database().findByCas("74-98-6");
    ASSERT_NE(c3, nullptr);
    EXPECT_EQ(c3->name, "propane");
    EXPECT_DOUBLE_EQ(c3->tc, 369.89);
    EXPECT_DOUBLE_EQ(c3->pc, 4251200);
    EXPECT_DOUBLE_EQ(c3->omega, 0.1521);
    EXPECT_EQ(database().findByName("N-BUTANE"), database().findByCas("106-97-8"));
    EXPECT_EQ(database().findByCas("1-23-4"), nullptr);
}

TEST(PrcoreData, KijIsSymmetricAndZeroWhereAbsent) {
    EXPECT_DOUBLE_EQ(database().kij("74-82-8", "124-38-9"), 0.0978);   // methane-CO2, data README example
    EXPECT_DOUBLE_EQ(database().kij("124-38-9", "74-82-8"), 0.0978);
    EXPECT_DOUBLE_EQ(database().kij("7727-37-9", "124-38-9"), -0.0122);
    EXPECT_DOUBLE_EQ(database().kij("7440-59-7", "7440-01-9"), 0.0);    // helium-neon: no entry
    auto k = database().kijMatrix(database().select({"methane", "propane"}));
    EXPECT_DOUBLE_EQ(k[0][1], 0.0119);
    EXPECT_DOUBLE_EQ(k[1][0], 0.0119);
    EXPECT_DOUBLE_EQ(k[0][0], 0.0);
}

TEST(PrcoreData, SelectRejectsUnknownCompounds) {
    EXPECT_THROW(database().select({"methane", "unobtainium"}), DataError);
}

// The file's check column Cp_ig_298 is the polynomial at 298.15 K.
TEST(PrcoreData, IdealGasCpMatchesTheFileCheckValues) {
    EXPECT_NEAR(database().findByName("propane")->idealCp(298.15), 73.7623, 1e-3);
    EXPECT_NEAR(database().findByName("methane")->idealCp(298.15), 35.7776, 1e-3);
    EXPECT_NEAR(database().findByName("argon")->idealCp(298.15), 2.5 * R, 1e-9);
}

// H and S must be the integrals of Cp (and Cp/T), also where Cp is held outside its range.
TEST(PrcoreData, IdealGasEnthalpyAndEntropyIntegrateCp) {
    const Compound& c4 = *database().findByName("n-butane");   // polynomial valid from 200 K
    EXPECT_DOUBLE_EQ(c4.idealH(Tref), 0.0);
    EXPECT_DOUBLE_EQ(c4.idealS(Tref), 0.0);
    for (double t : {120.0, 199.0, 201.0, 450.0, 999.0, 1001.0, 1500.0}) {
        double d = 1e-3;
        EXPECT_NEAR((c4.idealH(t + d) - c4.idealH(t - d)) / (2 * d), c4.idealCp(t), 1e-4 * c4.idealCp(t)) << t;
        EXPECT_NEAR((c4.idealS(t + d) - c4.idealS(t - d)) / (2 * d), c4.idealCp(t) / t, 1e-4 * c4.idealCp(t) / t) << t;
    }
    EXPECT_NEAR(c4.idealH(200 - 1e-9), c4.idealH(200 + 1e-9), 1e-4);   // continuous at the range end
}

TEST(PrcoreData, VdiSurfaceTensionReproducesTheCheckColumn) {
    EXPECT_NEAR(database().findByName("n-butane")->vdiSurfaceTension(298.15), 0.011918, 1e-6);
    EXPECT_EQ(database().findByName("n-butane")->vdiSurfaceTension(500), 0.0);
    EXPECT_EQ(database().findByName("hydrogen")->vdiSurfaceTension(20), -1.0);
}

namespace {
// The first rows of the real components file, with cell `column` of data row `row` replaced.
std::string componentsWith(size_t rows, size_t row, size_t column, const std::string& cell) {
    std::ifstream in(moduleFolder() + "components.tsv", std::ios::binary);
    std::string line, text;
    for (size_t r = 0; r <= rows && std::getline(in, line); ++r) {
        if (r == row) {
            size_t start = 0;
            for (size_t c = 0; c < column; ++c) start = line.find('\t', start) + 1;
            line.replace(start, line.find('\t', start) - start, cell);
        }
        text += line + "\n";
    }
    return text;
}
}  // namespace

TEST(PrcoreData, BadFilesAreReportedWithFileAndLine) {
    auto kij = prtest::writeTempFile("prcore_kij.tsv", "CAS_i\tCAS_j\tkij[-]\n");
    auto good = prtest::writeTempFile("prcore_good.tsv", componentsWith(2, 0, 0, "name"));
    EXPECT_EQ(CompoundDatabase::loadFiles(good, kij).all().size(), 2u);
    auto bad = prtest::writeTempFile("prcore_bad.tsv", componentsWith(2, 2, 4, "abc"));   // Tc of line 3
    try {
        CompoundDatabase::loadFiles(bad, kij);
        FAIL() << "no error";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("prcore_bad.tsv line 3: bad number 'abc' in column Tc"), std::string::npos)
            << e.what();
    }
    auto dup = prtest::writeTempFile("prcore_dup.tsv", componentsWith(2, 2, 1, "74-82-8"));
    EXPECT_THROW(CompoundDatabase::loadFiles(dup, kij), DataError);
    auto noTc = prtest::writeTempFile("prcore_notc.tsv", componentsWith(2, 1, 4, ""));
    EXPECT_THROW(CompoundDatabase::loadFiles(noTc, kij), DataError);
    auto shortRow = prtest::writeTempFile("prcore_short.tsv", componentsWith(1, 9, 0, "") + "x\t1-1-1\tH\n");
    EXPECT_THROW(CompoundDatabase::loadFiles(shortRow, kij), DataError);
    auto badKij = prtest::writeTempFile("prcore_badkij.tsv", "CAS_i\tCAS_j\tkij[-]\n74-82-8\t74-98-6\t\n");
    EXPECT_THROW(CompoundDatabase::loadFiles(good, badKij), DataError);
    EXPECT_THROW(CompoundDatabase::loadFiles("Z:\\no\\such\\file.tsv", kij), DataError);
}
