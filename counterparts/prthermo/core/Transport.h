// Transport properties and surface tension from published estimation methods (SI units).
#pragma once

#include "counterparts/prthermo/core/PengRobinson.h"

#include <vector>

namespace prcore {

// Gas viscosity (Pa s): Chung, Lee, Starling, Ind. Eng. Chem. Fundam. 23 (1984) 8, low-pressure
// form without the polar correction, collision integral of Neufeld et al. (1972); mixed by
// Wilke's rule (J. Chem. Phys. 18 (1950) 517). Dense-gas effects are not included.
double gasViscosity(const std::vector<Compound>& c, double t, const std::vector<double>& y);

// Liquid viscosity (Pa s): Letsou and Stiel, AIChE J. 19 (1973) 409, with the reduced temperature
// held inside [0.3, 0.98] (dissolved supercritical compounds take the value at 0.98); mixed as
// ln mu = sum x_i ln mu_i (Arrhenius).
double liquidViscosity(const std::vector<Compound>& c, double t, const std::vector<double>& x);

// Gas thermal conductivity (W/m/K): modified Eucken, lambda M / (mu Cv) = 1.32 + 1.77 R / Cv
// (Poling, Prausnitz, O'Connell, The Properties of Gases and Liquids, 5th ed., ch. 10), ideal-gas
// Cv; mixed by Wassiljewa's equation with the Mason-Saxena factors.
double gasThermalConductivity(const std::vector<Compound>& c, double t, const std::vector<double>& y);

// Liquid thermal conductivity (W/m/K): Sato-Riedel (Poling et al., 5th ed., ch. 10), reduced
// temperature capped at 1; mixed by Vredeveld's rule lambda = (sum w_i / lambda_i^2)^-1/2.
double liquidThermalConductivity(const std::vector<Compound>& c, double t, const std::vector<double>& x);

// Vapour-liquid surface tension (N/m) from parachors: Weinaug and Katz, Ind. Eng. Chem. 35
// (1943) 239, sigma^(1/4) = sum P_i (x_i rhoL - y_i rhoV), densities from the equation of state.
// Vanishes as the two phases become alike; 0 where the sum is negative.
double surfaceTension(const PengRobinson& eos, double t, double p, const std::vector<double>& x,
                      const std::vector<double>& y);

}  // namespace prcore
