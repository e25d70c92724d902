#pragma once
// A case of the case runner: which thermo system and package, the feed, the conditions and the
// operations, read from a small JSON file.
//
//   { "system": "Quellmar.PRThermoSystem", "package": "Natural Gas" (or "ask"),
//     "components": [ {"name": "Methane", "x": 0.8}, {"cas": "74-84-0", "x": 0.2} ],
//     "T_K": 230, "P_kPa": 3000,
//     "operations": ["flash", "bubblePoint", "properties", "fugacities", "transport",
//                    "orderPhases", "save", "envelope"],
//     "saveTo": "case.sav",
//     "envelope": {"P_kPa_from": 200, "P_kPa_to": 9000, "points": 24, "svg": "envelope.svg"} }
#include <string>
#include <vector>

namespace hostrun {

struct CaseComponent {
  std::string name;  // host name, or empty when given by CAS number
  std::string cas;
  double x = 0;      // feed mole fraction
};

// The default range reaches past the critical region of a natural gas, so its plot shows where
// the curves stay open.
struct EnvelopeRange {
  double pFrom = 200;   // kPa
  double pTo = 15000;   // kPa
  int points = 30;
  std::string svg = "envelope.svg";
};

struct Case {
  std::string system = "Quellmar.PRThermoSystem";
  std::string package = "Natural Gas";
  std::vector<CaseComponent> components;
  double temperature = 0;  // K
  double pressure = 0;     // kPa
  std::vector<std::string> operations;
  std::string saveTo = "case.sav";
  EnvelopeRange envelope;

  bool wants(const char* operation) const;
  bool asksForPackage() const { return package == "ask"; }
};

// The built-in case: a natural gas with the full Peng-Robinson package.
Case defaultCase();
// Throws std::runtime_error naming the fault (file, JSON, or a missing or wrong member).
Case readCase(const std::string& path);
Case parseCase(const std::string& text);

}  // namespace hostrun
