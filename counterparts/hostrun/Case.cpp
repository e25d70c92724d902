#include "Case.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Json.h"

namespace hostrun {

namespace {

const char* const kOperations[] = {"flash", "bubblePoint", "properties", "fugacities", "transport",
                                   "orderPhases", "save", "envelope"};

double positiveNumber(const json::Value& root, const char* key) {
  const json::Value* v = root.find(key);
  if (!v) throw std::runtime_error(std::string("the case has no \"") + key + "\"");
  const double d = v->asNumber(key);
  if (!(d > 0)) throw std::runtime_error(std::string("\"") + key + "\" must be above zero");
  return d;
}

std::string optionalString(const json::Value& root, const char* key, const std::string& fallback) {
  const json::Value* v = root.find(key);
  return v ? v->asString(key) : fallback;
}

CaseComponent component(const json::Value& v) {
  if (!v.isObject()) throw std::runtime_error("each component must be an object");
  CaseComponent c;
  c.name = optionalString(v, "name", "");
  c.cas = optionalString(v, "cas", "");
  if (c.name.empty() && c.cas.empty()) throw std::runtime_error("a component needs a \"name\" or a \"cas\"");
  const json::Value* x = v.find("x");
  if (!x) throw std::runtime_error("component " + (c.name.empty() ? c.cas : c.name) + " has no \"x\"");
  c.x = x->asNumber("x");
  if (!(c.x >= 0)) throw std::runtime_error("a mole fraction cannot be negative");
  return c;
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

Case parseCase(const std::string& text) {
  const json::Value root = json::parse(text);
  if (!root.isObject()) throw std::runtime_error("a case is a JSON object");
  Case c;
  c.system = optionalString(root, "system", c.system);
  c.package = optionalString(root, "package", c.package);
  const json::Value* components = root.find("components");
  if (!components) throw std::runtime_error("the case has no \"components\"");
  for (const json::Value& v : components->asArray("components")) c.components.push_back(component(v));
  if (c.components.empty()) throw std::runtime_error("the case has no components");
  double sum = 0;
  for (const auto& comp : c.components) sum += comp.x;
  if (!(sum > 0)) throw std::runtime_error("the feed mole fractions add up to zero");
  for (auto& comp : c.components) comp.x /= sum;
  c.temperature = positiveNumber(root, "T_K");
  c.pressure = positiveNumber(root, "P_kPa");
  if (const json::Value* ops = root.find("operations")) {
    for (const json::Value& op : ops->asArray("operations")) {
      const std::string& name = op.asString("an operation");
      if (std::find(std::begin(kOperations), std::end(kOperations), name) == std::end(kOperations))
        throw std::runtime_error("unknown operation \"" + name + "\"");
      c.operations.push_back(name);
    }
  } else {
    c.operations.assign(std::begin(kOperations), std::end(kOperations));
  }
  c.saveTo = optionalString(root, "saveTo", c.saveTo);
  if (const json::Value* env = root.find("envelope")) {
    if (!env->isObject()) throw std::runtime_error("\"envelope\" must be an object");
    c.envelope.pFrom = positiveNumber(*env, "P_kPa_from");
    c.envelope.pTo = positiveNumber(*env, "P_kPa_to");
    if (const json::Value* n = env->find("points")) c.envelope.points = static_cast<int>(n->asNumber("points"));
    if (c.envelope.points < 2 || c.envelope.points > 500) throw std::runtime_error("\"points\" must be 2 to 500");
    if (!(c.envelope.pTo > c.envelope.pFrom)) throw std::runtime_error("\"P_kPa_to\" must be above \"P_kPa_from\"");
    c.envelope.svg = optionalString(*env, "svg", c.envelope.svg);
  }
  return c;
}

Case readCase(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open the case file " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return parseCase(text.str());
}

}  // namespace hostrun
