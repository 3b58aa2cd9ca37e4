// TE and TM gain and spontaneous-emission spectra of the well at one carrier
// density, on a 1 meV photon-energy grid, with Lorentzian broadening of every
// transition between a conduction subband and a valence branch.
#pragma once

#include <cstdio>
#include <vector>

#include "configuration/parametres.hpp"
#include "dispersion/dispersion.hpp"
#include "gain_optique/recouvrements.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

struct spectres {
    // Indexed trunc(E - debut_E); one entry past the last point, left at 0.
    std::vector<double> gain_te, gain_tm; // cm^-1
    std::vector<double> rsp;              // spontaneous emission rate, column "Rsp (cm-1)" of the gain file
    double Gmax = 0;                      // largest modal TE gain of the pass, cm^-1
    double energie_gmax = 0;              // its photon energy, meV
    bool energie_gmax_definie = false;
    double Gmax_tm = 0;                   // the same for the TM mode, with its own confinement factor
    double energie_gmax_tm = 0;
    bool avertissement_branches = false;  // the branch-walk warning was printed (once per run)

    // Per-pass tables that do not depend on the photon energy, indexed
    // [(n * nb_branches + s) * (Nk + 1) + m] for conduction level n, branch s, row m.
    std::vector<double> bord_transition; // 1000 Eg + Ec(k_m) + Ev(m), meV
    std::vector<double> numerateur_gain; // w (fc + fh - 1)
    std::vector<double> numerateur_rsp;  // w fc fh
    std::vector<double> integrale_gain, integrale_rsp; // [s][n] as s * nb_E + n
    std::vector<double> k;               // k_m = m deltak, m^-1
};

// "Energie(meV)\tGain TE (cm-1)\tGain TM (cm-1)\tRsp (cm-1)\n"
void ecrire_entete_gain(std::FILE* f);

// One pass: EFC (meV, electron axis), EFV (meV, hole axis). Fills the spectra,
// Gmax and energie_gmax, and appends "%e\t%e\t%e\t%e\n" per photon energy.
void calculer_spectres(double EFC, double EFV, const recouvrements& r, const parametres_calcul& p,
                       const resultats_materiau& m, const resultats_k0& k0, const resultats_dispersion& d,
                       std::FILE* fichier_gain, spectres& s);
