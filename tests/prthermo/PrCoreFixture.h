// Shared set-up of the Peng-Robinson core tests: the data files beside the test program.
#pragma once

#include "counterparts/prthermo/core/Flash.h"
#include "counterparts/prthermo/core/PengRobinson.h"

#include <string>
#include <vector>

namespace prtest {

const prcore::CompoundDatabase& database();
// An equation of state for compounds given by name, with the data file's kij.
prcore::PengRobinson makeEos(const std::vector<std::string>& names);
// ln of the fugacity of each compound, ln(x_i phi_i P), of one phase.
std::vector<double> lnFugacity(const prcore::PengRobinson& eos, double t, double p, const std::vector<double>& x,
                               prcore::Root root);
// A file of the given text in the temporary folder; returns its path.
std::string writeTempFile(const std::string& name, const std::string& text);

}  // namespace prtest
