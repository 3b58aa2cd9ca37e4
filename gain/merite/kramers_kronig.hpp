// Change of refractive index that goes with a change of material gain, by the
// Kramers-Kronig relation between the absorption alpha = -g and the index:
//   dn(w) = (c / pi) P int_0^inf d_alpha(w') / (w'^2 - w^2) dw',
// that is, with photon energies E = hbar w,
//   dn(E) = -(hbar c / pi) P int_0^inf dg(E') / (E'^2 - E^2) dE'.
#pragma once

#include <vector>

// hbar c in meV cm, from the program's constants (c = 3e8 m/s).
double hbar_c_meV_cm();

// dn at photon energy E0 (meV) of the gain change dg (cm^-1) given at the
// increasing photon energies E (meV, all > 0): dimensionless. Between two
// points dg is taken linear (the trapezoid rule's model of the spectrum); on
// each strip the integral against 1/(E'^2 - E0^2) = (1/(E' - E0) -
// 1/(E' + E0)) / (2 E0) is done exactly, so the singular strip holding E0 is
// handled analytically. At a grid point E0 the logarithms of the two strips
// that meet there cancel: the principal value. Outside the grid dg counts 0.
// E0 must lie inside the grid (not at its ends, where the principal value of
// a non-zero dg diverges).
double variation_indice(const std::vector<double>& E, const std::vector<double>& dg, double E0);

// Linewidth enhancement factor alpha_H = -(4 pi / lambda) (dn/dN) / (dg/dN),
// lambda in nm, dn/dN in cm^3 and dg/dN in cm^2 (or any common unit of N).
double facteur_alpha_H(double lambda_nm, double dn_dN, double dg_dN);
