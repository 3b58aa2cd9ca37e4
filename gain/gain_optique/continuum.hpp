// Carriers of the barrier continuum ([modele] continuum): the three-dimensional
// states above the barrier edges, over the barrier width on each side of the
// well, with the barrier's masses. They share the well's quasi-Fermi levels,
// so that they hold their part of the injected carriers, and recombine
// radiatively with the barrier's own coefficient B.
#pragma once

#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

struct continuum_barrieres {
    double largeur = 0;                // Å, of each of the two barriers
    double Vc = 0, Vv = 0;             // barrier edges, meV (electron axis, hole axis)
    double masse_c = 0;                // conduction mass of the barrier, kg
    double masse_hh = 0, masse_lh = 0; // heavy- and light-hole masses of the barrier, kg
    double B = 0;                      // radiative coefficient of the barrier, cm^3/s
};

// The continuum of the run's barriers: their edges Vc, Vv, the masses of the
// zone-centre search (mc_barriere m0, m0/(gamma1 -+ 2 gamma2) of the barrier),
// largeur_barriere (Å) and B (cm^3/s).
continuum_barrieres former_continuum(const resultats_k0& k0, const resultats_materiau& m, double largeur_barriere,
                                     double B);

// The Fermi-Dirac integral of order 1/2, F(eta) = 2/sqrt(pi) int_0^inf sqrt(e) de / (1 + exp(e - eta)),
// normalised so that F(eta) -> exp(eta) far below the edge; to the last digit
// or so (the alternating series of exp(k eta) below eta = -1, a trapezoid sum
// in sqrt(e) above, whose error falls exponentially with the step).
double integrale_fermi_demi(double eta);

// Sheet densities (m^-2) of the two barriers together at the quasi-Fermi
// levels EFC (meV, electron axis) and EFV (meV, hole axis), temperature T (K):
// 2 Lb Nc F((EFC - Vc)/kT) with Nc = 2 (m kT / (2 pi hbar^2))^(3/2), and for
// the holes the heavy- and light-hole densities of states together.
double electrons_continuum(double EFC, double T, const continuum_barrieres& c);
double trous_continuum(double EFV, double T, const continuum_barrieres& c);

// Radiative current density (A/cm^2) of the barriers holding the sheet
// densities n and p (m^-2): q B (n / 2Lb)(p / 2Lb) 2Lb, the volume densities
// being uniform over the two barriers.
double courant_radiatif_continuum(double n, double p, const continuum_barrieres& c);
