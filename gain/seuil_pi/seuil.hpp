// Threshold of the laser at each carrier density: the chip cavity between its
// two facets competes with the cavity closed by the fibre Bragg grating, and
// the first one whose mirror and internal losses the modal gain can pay wins.
#pragma once

#include <vector>

#include "configuration/parametres.hpp"

// A current density and its parts, A/cm^2: radiative, defect (A N, or
// N / tau_nr without A_srh and C_auger), Auger (C N^3) and, with [modele]
// continuum, the radiative recombination of the barriers' carriers.
struct courants {
    double total = 0, radiatif = 0, defauts = 0, auger = 0, barrieres = 0;
};

// With [modele] continuum, what the barriers hold at one pass: the electron
// and hole sheet densities of their continuum (m^-2, out of the pass's N), its
// radiative current density (A/cm^2), and the carriers in the well's own
// volume, where its Auger recombination takes them (m^-2).
struct barrieres_passe {
    double n = 0, p = 0;
    double Jrad = 0;
    double n_puits = 0, p_puits = 0;
};

// What the threshold step keeps from one pass of the carrier loop to the next,
// and what it leaves for the light-current curve.
struct etat_seuil {
    double gain_bragg = 0;      // modal gain at the Bragg wavelength, cm^-1; kept once found
    bool a_point_precedent = false;
    double N0 = 0, G0 = 0;      // previous pass: sheet density m^-2, Gmax cm^-1
    courants J0;                // previous pass's own current, never an interpolated one
    double reflectivite_effective = 0; // fibre-side facet seen through fibre and grating
    bool calcule = false;       // at least one pass went through the threshold step

    // The threshold of the series, from the pass where it was first crossed.
    bool seuil_atteint = false;
    double Nth = 0;             // interpolated threshold density, m^-2
    courants Jth;               // threshold current density and its parts, each interpolated
    double lambda_seuil = 0;    // emission wavelength, nm
    // With the barrier continuum: what it held at the previous pass, and at
    // threshold (each interpolated as the currents), m^-2.
    barrieres_passe B0, barrieres_seuil;
    bool bragg_seuil = false;   // the grating cavity lases
    bool tm_seuil = false;      // in the TM mode
    // Below threshold: the largest modal gain of the series and the gain its
    // cavity needed, cm^-1.
    double Gmax_serie = 0, Gth_serie = 0;
};

// The spectrum of the polarisation that lases at one pass, as the threshold
// step reads it: the material gain and the spontaneous rate, index
// trunc(E - debut_E), 1 meV apart, at least trunc(fin_E - debut_E) + 2 entries;
// the mode's confinement factor; the peak modal gain Gmax (cm^-1) and its
// photon energy (meV, valid only when energie_gmax_definie: the spectrum is
// not empty).
struct spectre_laser {
    const std::vector<double>& gain; // cm^-1
    const std::vector<double>& rsp;
    double confinement = 0;
    double Gmax = 0;
    double energie_gmax = 0;
    bool energie_gmax_definie = false;
    bool tm = false; // the TM mode has the larger modal gain
    // With [modele] emission_complete, the radiative current density of the
    // whole band (A/cm^2), taken in place of the window's.
    double Jrad_bande = 0;
};

// What the threshold step reads of the run: the two cavities and the number
// of wells (cavite), the spectra's window and arret_seuil (calcul), the
// recombination and the whole-band emission of [modele], the well width (Å).
// The densities are those of one well, the current densities of the stack.
struct reglages_seuil {
    const parametres_cavite& cavite;
    const parametres_bragg& bragg;
    const parametres_numeriques& calcul;
    const options_modele& modele;
    double largeur_puits;
};

// One line of the parameter file, and what the console says of the pass.
struct ligne_seuil {
    double N_cm3 = 0;                  // carrier density of the pass, cm^-3
    double Gmax = 0, Gth = 0;          // peak modal gain, threshold gain of the cavity that lases, cm^-1
    double Jnr = 0, Jrad = 0, Jth = 0; // A/cm^2
    double lambda_emission = 0;        // nm
    bool bragg = false;                // the grating cavity lases ("Accroche Bragg"), else the chip
    bool sans_point_precedent = false; // at threshold without a previous density: Jth = Jnr + Jrad kept
    // The first density of a multi-pass series is already at threshold:
    // the run stops, without this line.
    bool depart_au_seuil = false;
    bool fin_boucle = false;           // threshold reached with arret_seuil: the series ends here
    // The threshold gains of the chip's own cavity and of the grating's
    // (cm^-1), whichever lases; the grating's is the chip's without a grating.
    double Gth_puce = 0, Gth_bragg = 0;
};

// The fibre grating closes a cavity only when it reflects back into the chip
// (Rbragg > 0 and couplage_puce_fibre > 0) at a photon energy the spectra
// hold, its lambda in [debut_E, fin_E); otherwise the chip between its facets
// is the only cavity. hors_fenetre: a grating whose wavelength the window
// leaves out (said once before the series).
enum class reseau_bragg { absent, hors_fenetre, cavite };
reseau_bragg etat_reseau(const parametres_bragg& bragg, const parametres_numeriques& calcul);

// Photon energy of the grating's wavelength, eV.
double energie_bragg(const parametres_bragg& bragg);

// One pass of the threshold step, after the spectra of the pass.
//   i: index of the pass; nombre_iterations: the run's count as given (a real);
//   N: sheet carrier density, m^-2.
// Returns the pass's line; etat carries what the next pass and the P-I curve
// need. A line with depart_au_seuil ends the run, and etat is left unfinished.
//   barrieres: with [modele] continuum, what the barriers hold and emit at
//   this pass (their radiative current joins Jrad; the well's Auger term takes
//   the carriers in the well's volume).
ligne_seuil calculer_seuil(int i, double nombre_iterations, double N, const spectre_laser& s, const reglages_seuil& r,
                           etat_seuil& etat, const barrieres_passe* barrieres = nullptr);

// Non-radiative current density (A/cm^2) at sheet density N (m^-2) and its
// parts: q N / tau_nr (all of it "defauts"), or with [modele] A_srh, C_auger
// q Lw (A N + C N^3), N in the well (cm^-3). Its radiative part is 0.
courants courant_non_radiatif(const options_modele& modele, double tau_nr, double largeur_puits, double N);
// The same when the barriers hold part of the carriers: the defect term (and
// N / tau_nr) takes every injected carrier, wherever it is (the barriers are
// grown as the well); the Auger term only the electrons n and holes p in the
// well's volume (m^-2), C (n^2 p + n p^2)/2 there, C N^3 when n = p = N.
courants courant_non_radiatif_puits(const options_modele& modele, double tau_nr, double largeur_puits, double N,
                                    double n, double p);
