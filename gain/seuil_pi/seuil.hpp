// Threshold of the laser at each carrier density: the chip cavity between its
// two facets competes with the cavity closed by the fibre Bragg grating, and
// the first one whose mirror and internal losses the modal gain can pay wins.
#pragma once

#include <cstdio>
#include <vector>

#include "configuration/parametres.hpp"

// What the threshold step keeps from one pass of the carrier loop to the next,
// and what it leaves for the light-current curve.
struct etat_seuil {
    double gain_bragg = 0;      // modal gain at the Bragg wavelength, cm^-1; kept once found
    double Jrad = 0;            // radiative current density of the pass, A/cm^2
    bool a_point_precedent = false;
    double N0 = 0, G0 = 0, J0 = 0; // previous pass: sheet density m^-2, Gmax cm^-1, Jth A/cm^2
    // Previous pass's parts of J0 (A/cm^2): radiative, defect (A, or tau_nr), Auger.
    double Jrad0 = 0, JA0 = 0, JC0 = 0;
    double reflectivite_effective = 0; // fibre-side facet seen through fibre and grating
    bool calcule = false;       // at least one pass went through the threshold step

    // The threshold of the series, from the pass where it was first crossed.
    bool seuil_atteint = false;
    double Nth = 0;             // interpolated threshold density, m^-2
    double Jth_seuil = 0;       // interpolated threshold current density, A/cm^2
    double lambda_seuil = 0;    // emission wavelength, nm
    bool bragg_seuil = false;   // the grating cavity lases
    // The parts of Jth_seuil (A/cm^2), interpolated as Jth is: radiative,
    // defect (A N, or N / tau_nr without A and C) and Auger (C N^3).
    double Jrad_seuil = 0, JA_seuil = 0, JC_seuil = 0;
    bool tm_seuil = false;      // in the TM mode
    // Below threshold: the largest modal gain of the series and the gain its
    // cavity needed, cm^-1.
    double Gmax_serie = 0, Gth_serie = 0;
};

// Column header of the parameter file, in Windows-1252 (99 bytes).
void ecrire_entete_param(std::FILE* fichier_param);

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

// One pass of the threshold step, after the spectra of the pass.
//   i: index of the pass; nombre_iterations: the run's count as given (a real);
//   N: sheet carrier density, m^-2.
// Appends the pass's line to the parameter file. Returns true when the carrier
// loop must end after this pass (threshold reached with arret_seuil). Stops the
// run when the first density of a multi-pass series is already at threshold.
bool calculer_seuil(int i, double nombre_iterations, double N, const spectre_laser& s, const parametres_calcul& p,
                    std::FILE* fichier_param, etat_seuil& etat);

// Non-radiative current density (A/cm^2) at sheet density N (m^-2): q N / tau_nr,
// or with [modele] A_srh, C_auger q Lw (A N + C N^3), N in the well (cm^-3).
// Sets JA and JC to the defect and Auger parts (JA = Jnr, JC = 0 for tau_nr).
double courant_non_radiatif(const parametres_calcul& p, double N, double& JA, double& JC);

// Closing summary on the console: threshold density, current density and
// current of the stripe, wavelength, cavity and the P-I slope (W/A); or that
// threshold was not reached, with the gain reached and the gain needed.
void afficher_resume_seuil(const parametres_calcul& p, const etat_seuil& etat, double pente_pi);
