// The package definition file: format, limits, errors with line numbers, the shipped file.
#include "counterparts/prthermo/core/PackageFile.h"
#include "tests/prthermo/PrCoreFixture.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace prcore;

namespace {

std::vector<PackageDefinition> parse(const std::string& text) {
    std::istringstream in(text);
    return parsePackages(in, "test.txt");
}

// The error text for a file that must fail.
std::string errorOf(const std::string& text) {
    try {
        parse(text);
    } catch (const PackageFileError& e) {
        return e.what();
    }
    return "no error";
}

const char* minimal =
    "package = A\n"
    "model = PengRobinson\n"
    "compounds = 74-82-8, 74-98-6\n"
    "properties = kvalues\n"
    "phases = Vapor, Liquid\n";

}  // namespace

TEST(PrcorePackageFile, ParsesKeysListsAndDefaults) {
    auto defs = parse(std::string("# comment\n\n") + minimal +
                      "package = B\r\n"
                      "  MODEL = pengrobinson \r\n"
                      "description = with = inside\n"
                      "compounds = 7732-18-5\n"
                      "properties = ACTIVITYCOEFFICIENT, enthalpyF\n"
                      "phases = vapor, liquid2, VaporLiquid\n"
                      "flashes = tp, PHF\n"
                      "misbehaviour = SlowCall\n"
                      "delay = 250\n");
    ASSERT_EQ(defs.size(), 2u);
    EXPECT_EQ(defs[0].name, "A");
    EXPECT_EQ(defs[0].line, 3u);
    EXPECT_EQ(defs[0].compounds, (std::vector<std::string>{"74-82-8", "74-98-6"}));
    EXPECT_EQ(defs[0].misbehaviour, Misbehaviour::None);
    EXPECT_TRUE(defs[0].flashes.empty());
    EXPECT_EQ(defs[1].model, "PengRobinson");
    EXPECT_EQ(defs[1].description, "with = inside");
    EXPECT_EQ(defs[1].properties, (std::vector<std::string>{"activityCoefficient", "enthalpyF"}));   // canonical spelling
    EXPECT_EQ(defs[1].phases, (std::vector<std::string>{"Vapor", "Liquid2", "VaporLiquid"}));
    EXPECT_TRUE(defs[1].offersFlash("phf"));
    EXPECT_TRUE(defs[1].offersProperty("EnthalpyF"));
    EXPECT_FALSE(defs[1].offersProperty("enthalpy"));
    EXPECT_TRUE(defs[1].offersPhase("vaporliquid"));
    EXPECT_EQ(defs[1].misbehaviour, Misbehaviour::SlowCall);
    EXPECT_EQ(defs[1].delayMs, 250u);
}

TEST(PrcorePackageFile, ErrorsNameTheLine) {
    EXPECT_EQ(errorOf("model = PengRobinson\n"), "test.txt line 1: 'model' before the first 'package' line");
    EXPECT_EQ(errorOf(std::string(minimal) + "flashes TP\n"), "test.txt line 6: expected 'key = value'");
    EXPECT_EQ(errorOf(std::string(minimal) + "colour = red\n"), "test.txt line 6: unknown key 'colour'");
    EXPECT_EQ(errorOf(std::string(minimal) + "model = SRK\n"), "test.txt line 6: 'model' given twice for package 'A'");
    EXPECT_EQ(errorOf("package = A\nmodel = SRK\n"), "test.txt line 2: unknown model 'SRK'");
    EXPECT_EQ(errorOf("package = A\ncompounds = 74-82-9\n"), "test.txt line 2: '74-82-9' is not a valid CAS number");
    EXPECT_EQ(errorOf("package = A\ncompounds = 74-82-8,,74-98-6\n"), "test.txt line 2: empty list entry");
    EXPECT_EQ(errorOf("package = A\ncompounds = 74-82-8, 74-82-8\n"), "test.txt line 2: '74-82-8' listed twice");
    EXPECT_EQ(errorOf("package = A\nproperties = colour\n"), "test.txt line 2: unknown property 'colour'");
    EXPECT_EQ(errorOf("package = A\nphases = Plasma\n"), "test.txt line 2: unknown phase 'Plasma'");
    EXPECT_EQ(errorOf("package = A\nflashes = TQ\n"), "test.txt line 2: unknown flash type 'TQ'");
    EXPECT_EQ(errorOf("package = A\nmisbehaviour = sulk\n"), "test.txt line 2: unknown misbehaviour 'sulk'");
    EXPECT_EQ(errorOf("package = A\ndelay = 600001\n"), "test.txt line 2: delay above 600000 ms");
    EXPECT_EQ(errorOf("package = A\ndelay = -5\n"), "test.txt line 2: delay must be a number of milliseconds");
    EXPECT_EQ(errorOf("package = A\nmodel =\n"), "test.txt line 2: no value for 'model'");
    EXPECT_EQ(errorOf(std::string(minimal) + "package = a\n"), "test.txt line 6: duplicate package 'a'");
    EXPECT_EQ(errorOf("package = A\nmodel = PengRobinson\ncompounds = 74-82-8\nphases = Vapor\n\npackage = B\n"),
              "test.txt line 1: package 'A' has no properties");
    EXPECT_EQ(errorOf(std::string(minimal) + "misbehaviour = editChangesComponents\n"),
              "test.txt line 1: package 'A' needs editCompounds");
    EXPECT_EQ(errorOf("# nothing\n"), "test.txt line 1: no package defined");
}

TEST(PrcorePackageFile, LimitsAreEnforced) {
    std::string longLine = "package = A\ndescription = " + std::string(2000, 'x') + "\n";
    EXPECT_EQ(errorOf(longLine), "test.txt line 2: line longer than 1024 characters");
    EXPECT_EQ(errorOf("package = " + std::string(65, 'n') + "\n"), "test.txt line 1: package name longer than 64 characters");
    std::string many = "package = A\nproperties = ";
    for (int i = 0; i < 101; ++i) many += (i ? ", p" : "p") + std::to_string(i);
    EXPECT_EQ(errorOf(many + "\n"), "test.txt line 2: more than 100 entries");
    std::string packages;
    for (int i = 0; i < 65; ++i)
        packages += "package = P" + std::to_string(i) +
                    "\nmodel = PengRobinson\ncompounds = 74-82-8\nproperties = kvalues\nphases = Vapor\n";
    EXPECT_EQ(errorOf(packages), "test.txt line 321: more than 64 packages");
}

TEST(PrcorePackageFile, CasCheckDigits) {
    EXPECT_TRUE(validCas("7732-18-5"));
    EXPECT_TRUE(validCas("7440-59-7"));
    EXPECT_TRUE(validCas("1333-74-0"));
    EXPECT_FALSE(validCas("7732-18-4"));
    EXPECT_FALSE(validCas("7732-185"));
    EXPECT_FALSE(validCas("7-18-5"));
    EXPECT_FALSE(validCas("77a2-18-5"));
    EXPECT_FALSE(validCas(""));
}

// Every package of the shipped file parses, and its compounds are in the data file.
TEST(PrcorePackageFile, ShippedFileDefinesTheRequiredPackages) {
    auto defs = loadPackages(moduleFolder() + "packages.txt");
    for (auto& d : defs) {
        EXPECT_NO_THROW(prtest::database().select(d.compounds)) << d.name;
        EXPECT_NO_THROW(prtest::database().select(d.editCompounds)) << d.name;
    }
    auto find = [&](const std::string& name) -> const PackageDefinition& {
        for (auto& d : defs)
            if (d.name == name) return d;
        throw std::runtime_error("missing package " + name);
    };
    EXPECT_EQ(find("Natural Gas").compounds.size(), 14u);
    EXPECT_EQ(find("K-values Only").properties, std::vector<std::string>{"kvalues"});
    EXPECT_EQ(find("Log Fugacity").properties, (std::vector<std::string>{"logkvalues", "logFugacityCoefficient"}));
    EXPECT_TRUE(find("Enthalpy F").offersProperty("entropyF") && find("Enthalpy F").offersFlash("PSF"));
    EXPECT_TRUE(find("Water Hydrocarbons LLE").offersProperty("activityCoefficient"));
    EXPECT_TRUE(find("Surface Tension").offersPhase("VaporLiquid"));
    std::vector<Misbehaviour> modes;
    for (auto& d : defs) modes.push_back(d.misbehaviour);
    for (int m = int(Misbehaviour::ErrorWithDetails); m <= int(Misbehaviour::UncaughtException); ++m)
        EXPECT_NE(std::find(modes.begin(), modes.end(), Misbehaviour(m)), modes.end()) << misbehaviourName(Misbehaviour(m));
    EXPECT_EQ(find("Faulty Edit").editCompounds.size(), 3u);
}

TEST(PrcorePackageFile, MissingFileIsReported) {
    EXPECT_THROW(loadPackages("Z:\\no\\such\\packages.txt"), PackageFileError);
}
