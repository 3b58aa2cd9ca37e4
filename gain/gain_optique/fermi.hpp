// Quasi-Fermi levels of the injected well: the conduction level EFC (meV,
// electron axis) that holds N electrons per unit area in the zone-centre
// subbands, and the valence level EFV (meV, hole axis) that holds N holes in
// the dispersed hole branches. Both are linear scans from -100 meV in 0.1 meV
// steps that return the grid value one step past the first one reaching N;
// when -100 meV already holds N (a low density, the level deep in the gap)
// they go down from it by whole steps to the first trial below N.
#pragma once

#include <vector>

#include "dispersion/dispersion.hpp"
#include "gain_optique/continuum.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

// In-plane wave vector (m^-1) of row m of the integration line: the kx axis,
// or the kx = ky diagonal (`diagonale`), as the k integrals take it: m deltak,
// or, with [modele] k_aligne, where the dispersion computed the row (kx = 1e6
// + (m - 1) deltak, ky = m deltak on the diagonal; there the modulus over
// sqrt 2, since the diagonal integrals carry the sqrt 2 of the modulus in their
// weights, 4 pi k and 2 k, and in the electron's |k|^2 = 2 k^2). Row 0 is the
// zone centre. deltak: the scan step (m^-1).
double k_ligne(double deltak, bool k_aligne, int m, bool diagonale);

// What the searches read of the run: the carriers' temperature, the well
// width (the density of the messages, per unit volume), the rows of the
// integration line, and the barrier continuum that shares the levels.
struct reglages_fermi {
    double T = 0;             // K
    double largeur_puits = 0; // Å
    double deltak = 0;        // m^-1
    bool k_aligne = false;    // [modele] k_aligne
    // [modele] continuum: the barriers' three-dimensional states hold their
    // part of N at each trial (none: the well holds it all).
    const continuum_barrieres* continuum = nullptr;
};

// Starting value of both scans, returned unchanged for N <= 0 (meV).
inline constexpr double niveau_fermi_depart = -100.0;
// Bounds of both scans (meV): a quasi-Fermi level 10 eV into a band lies
// beyond every barrier and band of a semiconductor, so a density still not
// reached there cannot be held by the well, and one still exceeded 10 eV into
// the gap is not a carrier density; the scan stops with a message after at
// most (10000 + 100) / 0.1 = 101000 trials upward, 99000 downward.
inline constexpr double niveau_fermi_max = 10000.0;

// N: electron sheet density, m^-2. Returns EFC in meV. Stops the run past
// niveau_fermi_max, or when -niveau_fermi_max still holds N.
double chercher_EFC(double N, const reglages_fermi& r, const resultats_materiau& m, const resultats_k0& k0);

// N: hole sheet density, m^-2. Returns EFV in meV on the hole axis. Stops the
// run when the hole density stops growing between two upward trials (too few
// k, or no state at all), past niveau_fermi_max, or when -niveau_fermi_max
// still holds N.
double chercher_EFV(double N, const reglages_fermi& r, const resultats_dispersion& d);

// The sheet densities (m^-2) at a level, subband by subband: the holes of each
// branch of the table at EFV, the electrons of each conduction level at EFC.
std::vector<double> trous_par_branche(double EFV, const reglages_fermi& r, const resultats_dispersion& d);
std::vector<double> electrons_par_niveau(double EFC, double T, const resultats_materiau& m, const resultats_k0& k0);
