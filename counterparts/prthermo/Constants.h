#pragma once
// The compound constants a package hands out through GetComponentConstant, by their CAPE-OPEN
// names, in SI units, from components.tsv.
#include <string>

#include "counterparts/prthermo/core/Compounds.h"

namespace prthermo {

struct ConstantInfo {
  const char* name;
  double (*number)(const prcore::Compound&);       // null for a text constant
  std::string (*text)(const prcore::Compound&);    // null for a numeric constant
};

// The constant of a name (case-insensitive), or null. A number the data file lacks is NaN.
const ConstantInfo* findConstant(const std::string& name);

// The universal constant of a name (case-insensitive); false when unknown.
bool universalConstant(const std::string& name, double& value);

}  // namespace prthermo
