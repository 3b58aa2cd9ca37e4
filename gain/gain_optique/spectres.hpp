// TE and TM gain and spontaneous-emission spectra of the well at one carrier
// density, on a 1 meV photon-energy grid, with Lorentzian broadening of every
// transition between a conduction subband and a valence branch.
#pragma once

#include <vector>

#include "configuration/parametres.hpp"
#include "dispersion/dispersion.hpp"
#include "gain_optique/melange.hpp"
#include "gain_optique/recouvrements.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

// One line of the gain file: a photon energy (meV) and the spectra there.
struct ligne_gain {
    double E, gain_te, gain_tm, rsp;
};

struct spectres {
    // Indexed trunc(E - debut_E); one entry past the last point, left at 0.
    std::vector<double> gain_te, gain_tm; // cm^-1
    std::vector<double> rsp;              // spontaneous emission rate, column "Rsp (cm-1)" of the gain file
    // The pass's points in the order computed, each as it was then: the
    // energies accumulate 1 meV steps, two of them can truncate to the same
    // index above, and there the later overwrites the earlier.
    std::vector<ligne_gain> lignes;
    double Gmax = 0;                      // largest modal TE gain of the pass, cm^-1
    double energie_gmax = 0;              // its photon energy, meV
    bool energie_gmax_definie = false;
    double Gmax_tm = 0;                   // the same for the TM mode, with its own confinement factor
    double energie_gmax_tm = 0;
    // The branch walk left a valence branch out: the branches do not match
    // the zone-centre levels (said once per run).
    bool branches_incompletes = false;
    // With [modele] emission_complete: the radiative current density of the
    // whole band, A/cm^2 (the emission integrated over every photon energy).
    double Jrad_bande = 0;
    double retrecissement_gap = 0;        // band-gap shrinkage of the pass, meV

    // Per-pass tables that do not depend on the photon energy, indexed
    // [(n * nb_branches + s) * (Nk + 1) + m] for conduction level n, branch s, row m.
    std::vector<double> bord_transition; // 1000 Eg + Ec(k_m) + Ev(m), meV
    std::vector<double> numerateur_gain; // w (fc + fh - 1); with melange_k times the TE weight
    std::vector<double> numerateur_rsp;  // w fc fh; with melange_k times the emission's weight
    std::vector<double> numerateur_gain_tm; // with melange_k: w (fc + fh - 1) times the TM weight
    std::vector<double> integrale_gain, integrale_rsp, integrale_gain_tm; // [s][n] as s * nb_E + n
    std::vector<double> k;               // k_m, m^-1
};

// What the spectra read of the run: the photon-energy window, the in-plane
// step and tau (calcul), the two confinement factors (cavite), the line shape
// and the departures of [modele], the carriers' temperature and the well width.
struct reglages_spectres {
    const parametres_numeriques& calcul;
    const parametres_cavite& cavite;
    const options_modele& modele;
    double T;             // K
    double largeur_puits; // Å
};

// The band structure of the run, the same for every pass; with [modele]
// melange_k the weights of every pair at every row, in place of r.
struct bandes_puits {
    const resultats_materiau& m;
    const resultats_k0& k0;
    const resultats_dispersion& d;
    const recouvrements& r;
    const poids_melange* melange = nullptr;
};

// One pass: EFC (meV, electron axis), EFV (meV, hole axis), N the sheet
// density of the pass (m^-2; only the gap shrinkage of [modele] uses it).
// Fills the spectra, their lines, Gmax and energie_gmax; the tables of s are
// reused from pass to pass.
void calculer_spectres(double EFC, double EFV, double N, const bandes_puits& b, const reglages_spectres& r, spectres& s);

// Photon energies of one spectrum, debut_E, debut_E + 1, ... up to fin_E
// (meV), for the bounds of the run: floor(fin_E - debut_E) + 1, none when
// fin_E < debut_E.
double points_spectre(double debut_E, double fin_E);

// Lower estimates of the bytes of a pass's tables, before any is allocated:
// those along k (Nk + 1 rows of the Fermi and spectra sums, one level and one
// branch), and the three spectra of `points` photon energies.
double memoire_lignes_k(int Nk);
double memoire_spectres(double points);

// Line shape of unit area at detuning x (J) for the half width at half
// maximum Gamma (J), in J^-1:
//   lorentz (Gamma/pi) / (x^2 + Gamma^2);
//   sech    sech(x/w) / (pi w), w = Gamma / arccosh 2 (sech falls to 1/2 at arccosh 2 = ln(2 + sqrt 3));
//   gauss   exp(-x^2 / (2 s^2)) / (s sqrt(2 pi)), s = Gamma / sqrt(2 ln 2).
// It is formed from the very denominators the spectra's k integrals divide by
// (0 beyond 40 w for sech, 9 s for the Gaussian, as there).
double forme_de_raie(forme_raie forme, double x, double Gamma);

// Band-gap shrinkage (meV) of [modele] renormalisation_gap (coefficient,
// eV cm) at the sheet density N (m^-2) of a well of width largeur_puits (Å):
// coefficient N^(1/3), N in cm^-3.
double retrecissement_gap(double coefficient, double largeur_puits, double N);
