// What the console says of the density series, the P-I curve and the
// threshold, from what those phases return.
#pragma once

#include "configuration/parametres.hpp"
#include "seuil_pi/seuil.hpp"

// "Calcul du gain pour N = …", then EFC and EFV on the electron axis.
void afficher_passe(double N_cm3, double EFC, double EFV);

// With [modele] continuum: what the barriers hold of the pass's sheet
// density N (m^-2) and their radiative current.
void afficher_barrieres_passe(double N, const barrieres_passe& b);

// The branch walk left a valence branch out (said once per run).
void avertir_branches();

// A grating (Rbragg and couplage_puce_fibre > 0) whose wavelength lies
// outside the spectra's window: no cavity, the chip alone lases (said once,
// before the series).
void avertir_reseau_hors_fenetre(const parametres_bragg& bragg, const parametres_numeriques& calcul);

// "Accroche Bragg" or "Accroche puce", and a threshold reached at the only
// density, with nothing to interpolate from.
void afficher_seuil_passe(const ligne_seuil& l);

// Closing summary: threshold density, current density and current of the
// stripe, wavelength, cavity and the P-I slope (W/A); or that threshold was
// not reached, with the gain reached and the gain needed; or that no density
// was computed, and the P-I file holds its header only.
void afficher_resume_seuil(const parametres_calcul& p, const etat_seuil& etat, double pente_pi);
