#include "counterparts/idealthermo/IdealData.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace idealthermo {

namespace {

// Lee-Kesler: ln(Psat/Pc) = f0(Tr) + omega f1(Tr), and its derivative in Tr.
double leeKesler(double tr, double omega) {
  const double t6 = std::pow(tr, 6);
  const double f0 = 5.92714 - 6.09648 / tr - 1.28862 * std::log(tr) + 0.169347 * t6;
  const double f1 = 15.2518 - 15.6875 / tr - 13.4721 * std::log(tr) + 0.43577 * t6;
  return f0 + omega * f1;
}

double leeKeslerSlope(double tr, double omega) {
  const double t5 = std::pow(tr, 5);
  const double d0 = 6.09648 / (tr * tr) - 1.28862 / tr + 6 * 0.169347 * t5;
  const double d1 = 15.6875 / (tr * tr) - 13.4721 / tr + 6 * 0.43577 * t5;
  return d0 + omega * d1;
}

double leeKeslerCurvature(double tr, double omega) {
  const double t4 = std::pow(tr, 4), t3 = tr * tr * tr;
  const double c0 = -2 * 6.09648 / t3 + 1.28862 / (tr * tr) + 30 * 0.169347 * t4;
  const double c1 = -2 * 15.6875 / t3 + 13.4721 / (tr * tr) + 30 * 0.43577 * t4;
  return c0 + omega * c1;
}

void requirePositive(double t) {
  if (!(t > 0) || !std::isfinite(t)) throw std::domain_error("temperature must be positive and finite");
}

}  // namespace

double PureCompound::vapourPressure(double t) const {
  requirePositive(t);
  return pc * std::exp(leeKesler(t / tc, omega));
}

double PureCompound::vaporizationEnthalpy(double t) const {
  requirePositive(t);
  const double tr = t / tc;
  return kGasConstant * tc * tr * tr * leeKeslerSlope(tr, omega);
}

double PureCompound::vaporizationEnthalpySlope(double t) const {
  requirePositive(t);
  const double tr = t / tc;
  return kGasConstant * (2 * tr * leeKeslerSlope(tr, omega) + tr * tr * leeKeslerCurvature(tr, omega));
}

// Above the critical temperature the volume stays at its critical value.
double PureCompound::liquidVolume(double t) const {
  requirePositive(t);
  const double tr = std::min(t / tc, 1.0);
  return kGasConstant * tc / pc * std::pow(zc, 1 + std::pow(1 - tr, 2.0 / 7.0));
}

double PureCompound::idealGasCp(double t) const {
  return kGasConstant * (cp[0] + t * (cp[1] + t * (cp[2] + t * (cp[3] + t * cp[4]))));
}

double PureCompound::idealGasEnthalpy(double t) const {
  auto integral = [this](double x) {
    return x * (cp[0] + x * (cp[1] / 2 + x * (cp[2] / 3 + x * (cp[3] / 4 + x * cp[4] / 5))));
  };
  return kGasConstant * (integral(t) - integral(kReferenceT));
}

double PureCompound::idealGasEntropy(double t) const {
  requirePositive(t);
  auto integral = [this](double x) {
    return cp[0] * std::log(x) + x * (cp[1] + x * (cp[2] / 2 + x * (cp[3] / 3 + x * cp[4] / 4)));
  };
  return kGasConstant * (integral(t) - integral(kReferenceT));
}

std::vector<PureCompound> readCompoundFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw DataFileError("cannot open " + path);
  std::vector<PureCompound> compounds;
  std::string line;
  int number = 0;
  bool header = true;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (header) {  // column names
      header = false;
      continue;
    }
    std::istringstream cells(line);
    PureCompound c;
    std::getline(cells, c.id, '\t');
    std::getline(cells, c.name, '\t');
    std::getline(cells, c.cas, '\t');
    std::getline(cells, c.formula, '\t');
    cells >> c.mw >> c.tc >> c.pc >> c.zc >> c.omega >> c.tb >> c.hf;
    for (double& a : c.cp) cells >> a;
    if (!cells || c.id.empty() || !(c.tc > 0) || !(c.pc > 0) || !(c.zc > 0) || !(c.mw > 0))
      throw DataFileError(path + " line " + std::to_string(number) + ": bad compound row");
    compounds.push_back(c);
  }
  if (compounds.empty()) throw DataFileError(path + " holds no compounds");
  return compounds;
}

std::string dllFolder() {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&dllFolder), &self);
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

}  // namespace idealthermo
