// Physical constants, SI, the same values in every phase of the program.
// Products of them that a formula needs stand beside that formula as
// literals, so that every result keeps its historic rounding.
#pragma once

namespace constantes {
inline constexpr double q = 1.60218e-19;                 // elementary charge, C (also J per eV)
inline constexpr double hbar = 1.05458e-34;              // J s
inline constexpr double hbar2 = 1.1121389764000003e-68;  // hbar squared in double precision, J^2 s^2
inline constexpr double m0 = 9.1095e-31;                 // free-electron mass, kg
inline constexpr double kB = 1.38066e-23;                // J/K
inline constexpr double epsilon0 = 8.85418e-12;          // F/m
inline constexpr double c_lumiere = 3e8;                 // m/s
inline constexpr double pi = 3.141592653589793;
inline constexpr double metre_par_angstrom = 1e-10;
inline constexpr double joule_par_meV = q / 1000;         // 1.60218e-22 exactly in double precision
inline constexpr double h_c = 2 * pi * hbar * c_lumiere;  // J m (2 pi hbar c, as the products are formed)
// Photon energy (meV) to wavelength (nm), the rounded h c / q the emission
// wavelength has always been given with.
inline constexpr double h_c_meV_nm = 1240000.0;

// Half width at half maximum (J) of the transitions' line for the dephasing
// time tau (s): hbar / tau.
inline double demi_largeur_raie(double tau) { return hbar / tau; }
} // namespace constantes

// A sheet density of the well (m^-2) as the volume density in it (cm^-3),
// the well Lw ångströms wide.
inline double densite_cm3(double N, double Lw) { return N * 1e-6 / (Lw * 1e-10); }
