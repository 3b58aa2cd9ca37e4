// Band mixing in the optical weights ([modele] melange_k): each hole state of
// the dispersion table has its own four-band envelope (F1, F2) at its k, and
// each pair of a conduction level and a hole state its own TE, TM and
// spontaneous weights, in place of the zone-centre overlaps.
//
// The weights, from the Luttinger-Kohn basis. With P = <S|p_x|X> = <S|p_y|Y>
// = <S|p_z|Z> and the bulk average M^2 = |P|^2 / 3 = m0 Ep / 6: the heavy holes
// |3/2, +-3/2> = -+(X +- iY)/sqrt2 (spin up, down) give |<S|p_x|v>|^2 = |P|^2 / 2
// = 3/2 M^2 and <S|p_z|v> = 0; the light holes |3/2, +-1/2>, (X +- iY)/sqrt6
// with one spin and 2Z/sqrt6 with the other, give |P|^2 / 6 = 1/2 M^2 and
// 4 |P|^2 / 6 = 2 M^2. A state of the 2x2 block is F1 |U1> + F2 |U2>, |U1>
// an equal-weight combination of |3/2, +-3/2> and |U2> of |3/2, -+1/2>. Light
// along x reaches |3/2, 3/2> and |3/2, -1/2> from the same |S up>, but the
// cross term of the two changes sign from x to y and cancels in the in-plane
// average; so, with O1 = <psi_c|F1> and O2 = <psi_c|F2> over the envelopes
// normalised together,
//   TE: 3/2 |O1|^2 + 1/2 |O2|^2,   TM: 2 |O2|^2   (units of M^2),
// the zone-centre weights at k = 0 (F2 = 0 for a heavy hole, F1 = 0 for a
// light one). The spectra's prefactor A holds 2 M^2: the weights are
// 3/4 |O1|^2 + 1/4 |O2|^2 (TE) and |O2|^2 (TM), and the emission's average
// (2 TE + TM)/3 is 1/2 (|O1|^2 + |O2|^2).
#pragma once

#include <vector>

#include "dispersion/dispersion.hpp"
#include "gain_optique/recouvrements.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

struct poids_melange {
    int nb_E = 0, nb_branches = 0, Nk = 0;
    // [(n * nb_branches + s) * (Nk + 1) + m] for conduction level n, branch s,
    // row m of the integration line (the kx axis, or the diagonal when ky is
    // scanned). Row 0 takes row 1's weights (its k is 0, so it weighs nothing).
    std::vector<double> te, tm, sp;
    double residu_max = 0; // largest residu of the states taken (etat_valence)
    int nb_rejetes = 0;    // sign changes of Re f that were no bound state: weight 0

    std::size_t indice(int n, int s, int m) const
    {
        return (static_cast<std::size_t>(n) * nb_branches + s) * (static_cast<std::size_t>(Nk) + 1) + m;
    }
};

// The envelope of one state normalised over the structure (the two barriers of
// largeur_barriere and the well, Å), sampled as the zone-centre envelopes are
// (table_enveloppes: z from Lb - 200 by 1 Å), F1 and F2 in Å^-1/2.
struct enveloppe_valence {
    std::vector<complexe> F1, F2;
};
// 1/sqrt of the integral of |F1|^2 + |F2|^2 over the structure (Å), exactly,
// the waves integrated one by one.
double facteur_normalisation_valence(const etat_valence& e, double largeur_barriere);
enveloppe_valence echantillonner(const etat_valence& e, double facteur, const std::vector<double>& z,
                                 double largeur_puits, double largeur_barriere);

// O1 and O2 of the conduction envelope psi (Re, on the positions of z) with a
// state: the trapezoid sums of psi F1 and psi F2 over the window, as the
// zone-centre overlaps.
void recouvrements_valence(const std::vector<double>& z, const std::vector<double>& psi, const enveloppe_valence& v,
                           complexe& O1, complexe& O2);

// Every weight of the run, once: the states of the rows of the integration
// line, at the (kx, ky) where the scan found them, with the model of the scan
// (mod: its layers, axial or not). Each state is that of the root of Re f in
// the scan's grid interval (deltaE, meV) around its level, found by false
// position: the grid's midpoint, up to deltaE/2 off, would leave the envelope
// growing in the left barrier (a few 1e-3 of its weight) and its overlaps up
// to a few per cent off near an anticrossing. The energies of the spectra stay
// the scan's.
poids_melange calculer_poids_melange(const resultats_dispersion& d, const modele_valence& mod,
                                     const resultats_k0& k0, double largeur_puits, double largeur_barriere,
                                     double deltaE);
