// Figures of merit at threshold, from the passes of the carrier series: the
// differential gain and the index change between the passes on either side of
// threshold (with the linewidth enhancement factor), the transparency point of
// the series and the photon lifetime of the lasing cavity.
#pragma once

#include <vector>

#include "gain_optique/spectres.hpp"

// A pass of the carrier series as the figures of merit keep it.
struct passe_merite {
    double N = 0;               // sheet density, m^-2
    double EFC = 0, EFV = 0;    // quasi-Fermi levels, meV (electron axis, hole axis)
    double J = 0;               // the pass's own current density Jnr + Jrad, A/cm^2
    double Gmax_te = 0, Gmax_tm = 0; // peak modal gains of the two modes, cm^-1
};

// Where the peak modal gain of the mode that lases (TM when `tm`) first
// crosses zero from below in the series. Below transparency the peak of the
// window is no gain but the least absorption it holds (its lowest energy's
// tail, exactly 0 for a line shape without tails), so the zero is taken on
// the line through the first two passes of positive gain, N and J linear in
// the gain there, kept within the two passes that bracket it; with a single
// pass above zero, on the line through the bracketing pair. Not found when the
// series starts above it or never reaches it.
struct transparence {
    bool trouvee = false;
    bool au_dessus_des_le_debut = false; // the first pass already has a positive gain
    double N = 0;               // m^-2
    double J = 0;               // A/cm^2
    double N_bas = 0, N_haut = 0; // the bracketing passes, m^-2
    bool deux_passes_positives = false; // taken on the line of the first two passes above zero
};

transparence chercher_transparence(const std::vector<passe_merite>& passes, bool tm);

// The photon-energy grid of the whole band (meV), on the window's 1 meV grid
// (debut_E plus whole steps): from below the lowest transition of the pass's
// tables to above the highest one, each by 30 half widths of the line shape
// (a Lorentzian line is there below 1/900 of its peak), and always holding
// the window and the lasing energy with the same margin. Past the band the
// model has no states: its gain change is its lines' tails.
struct grille_bande {
    double debut = 0, fin = 0;
};

grille_bande grille_bande_entiere(const spectres& s, const resultats_dispersion& d, const reglages_spectres& r,
                                  double E_laser);

// Between the pass below threshold (`avant`) and the pass at threshold, on the
// material gain of the mode that lases at the lasing photon energy E_laser
// (meV), of emission wavelength lambda_nm: dg/dN, dg/dJ, dn/dN by the
// Kramers-Kronig transform of the change of the whole band's gain, and
// alpha_H. The gain of the two passes is computed again on the whole band's
// grid (what the gain file holds is left as it is). s_seuil: the spectra of
// the threshold pass, whose tables give the band's reach.
struct figures_differentielles {
    double dg_dN = 0;              // cm^2
    double dg_dJ = 0;              // cm/A
    double dn_dN = 0;              // cm^3
    double alpha_H = 0;
    double taux_recombinaison = 0; // dR/dN = (dJ/dN) / (q Lw nombre_puits), s^-1
    double N_avant = 0, N_seuil = 0; // the two densities, cm^-3
    grille_bande grille;
};

figures_differentielles evaluer_differentielles(const passe_merite& avant, const passe_merite& seuil, double E_laser,
                                                double lambda_nm, bool tm, const spectres& s_seuil,
                                                const bandes_puits& b, const reglages_spectres& r);

// Photon lifetime of a cavity of threshold gain Gth = alpha_i + alpha_m
// (cm^-1) for the group index n_g: n_g / (c Gth), s.
double duree_vie_photons(double Gth, double indice_groupe);
