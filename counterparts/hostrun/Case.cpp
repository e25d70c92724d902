#include "counterparts/hostrun/Case.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace hostrun {

namespace {

using nlohmann::json;

const char* const kOperations[] = {"flash", "bubblePoint", "properties", "fugacities", "transport",
                                   "orderPhases", "save", "envelope"};

[[noreturn]] void fault(const std::string& where, const std::string& what) {
  throw std::runtime_error(where.empty() ? what : where + ": " + what);
}

std::string quoted(const std::string& key) { return "\"" + key + "\""; }

const json* member(const json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

double number(const json& v, const std::string& name) {
  if (!v.is_number()) fault("", name + " must be a number");
  return v.get<double>();
}

std::string text(const json& v, const std::string& name) {
  if (!v.is_string()) fault("", name + " must be a string");
  return v.get<std::string>();
}

double positiveNumber(const json& object, const char* key) {
  const json* v = member(object, key);
  if (!v) fault("", "the case has no " + quoted(key));
  const double d = number(*v, quoted(key));
  if (!(d > 0)) fault("", quoted(key) + " must be above zero");
  return d;
}

std::string optionalString(const json& object, const char* key, const std::string& fallback) {
  const json* v = member(object, key);
  return v ? text(*v, quoted(key)) : fallback;
}

const json& array(const json& object, const char* key) {
  const json* v = member(object, key);
  if (!v) fault("", "the case has no " + quoted(key));
  if (!v->is_array()) fault("", quoted(key) + " must be an array");
  return *v;
}

CaseComponent component(const json& v, size_t index) {
  const std::string where = "component " + std::to_string(index + 1);
  if (!v.is_object()) fault(where, "each component must be an object");
  try {
    CaseComponent c;
    c.name = optionalString(v, "name", "");
    c.cas = optionalString(v, "cas", "");
    if (c.name.empty() && c.cas.empty()) fault("", "a component needs a \"name\" or a \"cas\"");
    const json* x = member(v, "x");
    if (!x) fault("", "component " + (c.name.empty() ? c.cas : c.name) + " has no \"x\"");
    c.x = number(*x, "\"x\"");
    if (!(c.x >= 0)) fault("", "a mole fraction cannot be negative");
    return c;
  } catch (const std::runtime_error& e) {
    fault(where, e.what());
  }
}

std::vector<CaseComponent> components(const json& root) {
  std::vector<CaseComponent> list;
  const json& items = array(root, "components");
  for (size_t i = 0; i < items.size(); ++i) list.push_back(component(items[i], i));
  if (list.empty()) fault("", "the case has no components");
  double sum = 0;
  for (const auto& c : list) sum += c.x;
  if (!(sum > 0)) fault("", "the feed mole fractions add up to zero");
  for (auto& c : list) c.x /= sum;
  return list;
}

std::vector<std::string> operations(const json& root) {
  if (!member(root, "operations")) return {std::begin(kOperations), std::end(kOperations)};
  std::vector<std::string> list;
  for (const json& op : array(root, "operations")) {
    const std::string name = text(op, "an operation");
    if (std::find(std::begin(kOperations), std::end(kOperations), name) == std::end(kOperations))
      fault("", "unknown operation \"" + name + "\"");
    list.push_back(name);
  }
  return list;
}

EnvelopeRange envelopeRange(const json& root) {
  EnvelopeRange range;
  const json* env = member(root, "envelope");
  if (!env) return range;
  if (!env->is_object()) fault("", "\"envelope\" must be an object");
  try {
    range.pFrom = positiveNumber(*env, "P_kPa_from");
    range.pTo = positiveNumber(*env, "P_kPa_to");
    if (const json* n = member(*env, "points")) {
      const double points = number(*n, "\"points\"");
      if (!(points >= 2 && points <= 500) || points != static_cast<int>(points))
        fault("", "\"points\" must be a whole number from 2 to 500");
      range.points = static_cast<int>(points);
    }
    if (!(range.pTo > range.pFrom)) fault("", "\"P_kPa_to\" must be above \"P_kPa_from\"");
    range.svg = optionalString(*env, "svg", range.svg);
  } catch (const std::runtime_error& e) {
    fault("envelope", e.what());
  }
  return range;
}

}  // namespace

bool Case::wants(const char* operation) const {
  return std::find(operations.begin(), operations.end(), operation) != operations.end();
}

Case defaultCase() {
  Case c;
  c.components = {{"Nitrogen", "", 0.010}, {"CO2", "", 0.020},     {"Methane", "", 0.780},  {"Ethane", "", 0.080},
                  {"Propane", "", 0.050},  {"i-Butane", "", 0.015}, {"n-Butane", "", 0.020}, {"n-Pentane", "", 0.015},
                  {"n-Hexane", "", 0.010}};
  c.temperature = 230;
  c.pressure = 3000;
  c.operations.assign(std::begin(kOperations), std::end(kOperations));
  return c;
}

Case parseCase(const std::string& source) {
  json root;
  try {
    root = json::parse(source);
  } catch (const json::parse_error& e) {
    // The library's text names line and column; its own prefix is of no use to a user.
    std::string what = e.what();
    const size_t at = what.find("] ");
    fault("", "not valid JSON: " + (at == std::string::npos ? what : what.substr(at + 2)));
  }
  if (!root.is_object()) fault("", "a case is a JSON object");
  Case c;
  c.system = optionalString(root, "system", c.system);
  c.package = optionalString(root, "package", c.package);
  c.components = components(root);
  c.temperature = positiveNumber(root, "T_K");
  c.pressure = positiveNumber(root, "P_kPa");
  c.operations = operations(root);
  c.saveTo = optionalString(root, "saveTo", c.saveTo);
  c.envelope = envelopeRange(root);
  return c;
}

Case readCase(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open the case file " + path);
  std::ostringstream source;
  source << in.rdbuf();
  try {
    return parseCase(source.str());
  } catch (const std::runtime_error& e) {
    throw std::runtime_error(path + ": " + e.what());
  }
}

}  // namespace hostrun
