// Alloy, strain and band-edge model of the well (X_x Z_1-x) and the barrier
// (Y_y X_1-y), computed once per run from the run parameters.
#pragma once

#include "configuration/parametres.hpp"

struct resultats_materiau {
    double Eg_Puits = 0, Eg_Barriere = 0;     // band gaps, eV
    double Vc = 0, Vv = 0;                    // conduction / valence offsets, meV
    double mc_puits = 0, mc_barriere = 0;     // conduction masses, units of m0
    double gamma1_puits = 0, gamma2_puits = 0, gamma3_puits = 0;
    double gamma1_barriere = 0, gamma2_barriere = 0, gamma3_barriere = 0;
    double Ep_puits = 0;                      // eV
    double nr_puits = 0;
    double aH_puits = 0;                      // eV
    double a_puits = 0, a_barriere = 0;       // relaxed lattice constants, unit of the keys a_*
    double C11_puits = 0, C12_puits = 0;      // elastic constants of the well, unit of the keys
    double rapport_C12_C11 = 0;
    double epsilon = 0;                       // in-plane strain of the well
    double dE_hydro = 0, dE_cisaillement = 0, dEc_hydro = 0; // meV
    double Ninj_surf = 0;                     // m^-2
    double largeur_lorentz_carre = 0;         // (hbar/tau)^2, J^2
};

// From the layers alone, but for the two quantities of the carrier series
// that are formed here once for the run: the sheet density of Ninj (cm^-3) in
// the well and the squared Lorentzian half width of the relaxation time
// demi_largeur_lorentz (s). Stops the run (arret_calcul) when an offset or
// band edge comes out infinite or NaN, naming the quantity and the keys it
// comes from.
resultats_materiau modele_materiau(const parametres_couches& c, double Ninj, double demi_largeur_lorentz);
