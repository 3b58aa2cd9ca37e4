// Alloy, strain and band-edge model of the well (X_x Z_1-x) and the barrier
// (Y_y X_1-y), computed once per run from the run parameters.
#pragma once

#include <cstddef>

#include "configuration/parametres.hpp"

struct resultats_materiau {
    double Eg_Puits = 0, Eg_Barriere = 0;     // band gaps, eV
    double Vc = 0, Vv = 0;                    // conduction / valence offsets, meV
    // The alloys, each parameter interpolated between its members: the well
    // X_x Z_(1-x), every parameter; the barrier Y_y X_(1-y), the first
    // nb_parametres_barriere (the others 0). Their Varshni parameters are
    // not used: the gaps are formed from the members' gaps and the bowing.
    membre_alliage puits, barriere;
    double rapport_C12_C11 = 0;
    double epsilon = 0;                       // in-plane strain of the well
    double dE_hydro = 0, dE_cisaillement = 0, dEc_hydro = 0; // meV
    double Ninj_surf = 0;                     // m^-2
    double largeur_lorentz_carre = 0;         // (hbar/tau)^2, J^2
};

// The alloy A_u B_(1-u): the first nb parameters of parametres_membre
// interpolated, u A + (1 - u) B, the others 0.
membre_alliage alliage(double u, const membre_alliage& A, const membre_alliage& B, std::size_t nb);

// From the layers alone, but for the two quantities of the carrier series
// that are formed here once for the run: the sheet density of Ninj (cm^-3) in
// the well and the squared Lorentzian half width of the relaxation time
// demi_largeur_lorentz (s). Stops the run (arret_calcul) when an offset or
// band edge comes out infinite or NaN, naming the quantity and the keys it
// comes from.
resultats_materiau modele_materiau(const parametres_couches& c, double Ninj, double demi_largeur_lorentz);
