// The kernel of the valence-band dispersion: the strained four-band model of
// each layer, and the bound-state function of the well from the 4x4 transfer
// matrices, on the instruction set of the processor.
#pragma once

#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "numerique/complexe.hpp"

inline constexpr double joule_vers_meV = 6.241495961752113e+21; // 1000 / q

// Four-band coefficients of one layer (Luttinger parameters and band edge).
struct couche_valence {
    double gamma1 = 0, gamma2 = 0, gamma3 = 0;
    // Axial approximation of the in-plane coupling R: gamma2 and gamma3 replaced
    // there by their mean, so that the dispersion depends on |k_t| alone.
    bool axiale = false;
    double gamma_moyen = 0; // (gamma2 + gamma3) / 2
    double d_axiale = 0;    // a 3 A^2 (gamma_moyen^2 - gamma2^2): the axial |R|^2 term of the discriminant, per kt^4
    double V = 0;    // band edge on the hole axis, J
    double zeta = 0; // shear term, J
    double gT = 0, gS = 0, gR = 0; // J m^2
    double c_hh = 0, c_lh = 0;     // meV m^2
    double a = 0, gR2 = 0, inv_a = 0; // gT^2 - gS^2 (J^2 m^4), gR^2, 1/a: energy-free parts of the roots
};

struct modele_valence {
    couche_valence puits, barriere;
    double L = 0; // well width, m
};

// Layer coefficients from the material and zone-centre results; L from largeur_puits (Å).
// axiale: the in-plane coupling in the axial approximation ([modele] dispersion_axiale).
modele_valence former_modele_valence(double largeur_puits, const resultats_materiau& m, const resultats_k0& k0,
                                     bool axiale = false);

// In-plane quantities of one layer at (kx, ky): everything of the bound-state
// function that does not depend on the energy.
struct plan_couche {
    double kt2 = 0;             // kx^2 + ky^2, m^-2
    double module_R = 0, module_S = 0; // J
    double c_s = 0;             // flux coupling, meV m, from sqrt(kx^2 + ky^2)
    double D_constant = 0;      // energy-free head of the discriminant
    double D_kt4 = 0;           // kt^4 gR^2 (a - gR^2/4)
    double trois_kt2_a = 0, gR2_kt2 = 0;
    double b_constant = 0;      // kt^2 (a - gR^2/2)
};
struct plan_k {
    double kx = 0, ky = 0;
    plan_couche puits, barriere;
};
plan_k former_plan_k(const modele_valence& m, double kx, double ky);

// Bound-state function f(E) at in-plane wave vector (kx, ky) (m^-1) and hole
// energy E (J). Computes only the upper-left 2x2 block of the transfer matrix,
// on the scalar kernel.
complexe evaluer_fonction_dispersion(const modele_valence& m, const plan_k& k, double E);
// f at a batch of energies at once, the same values as single evaluations at
// about the cost of one: the scan takes its grid a batch at a time. The kernel
// is the one for this processor (on x86-64 AVX2 where it has it, else the
// baseline SSE2), chosen at the first call.
constexpr int energies_par_lot = 4;
void evaluer_fonction_dispersion(const modele_valence& m, const plan_k& k, const double (&E)[energies_par_lot],
                                 complexe (&f)[energies_par_lot]);
// The same on a given kernel, for the check that every instruction set gives
// the same bits: the scalar one (the reference, and the kernel of processors
// other than x86-64) and the x86-64 baseline whatever the processor.
void evaluer_fonction_dispersion_scalaire(const modele_valence& m, const plan_k& k,
                                          const double (&E)[energies_par_lot], complexe (&f)[energies_par_lot]);
#if defined(__x86_64__)
void evaluer_fonction_dispersion_sse2(const modele_valence& m, const plan_k& k,
                                      const double (&E)[energies_par_lot], complexe (&f)[energies_par_lot]);
#endif

// The four-band envelope (F1, F2) of the hole state at in-plane wave vector k
// and energy E (J), the state the scan found there: a sum of the layers'
// growth-axis waves F exp(i kz (z - z_ref)), z in m, the well spanning
// 0 <= z <= L. Right barrier (z > L, z_ref = L): the two waves decaying away
// from the well, in the combination (alpha, beta) that the upper-left 2x2
// block of the transfer matrix carries through the well into the two waves
// decaying on the left (z < 0, z_ref = 0); well (z_ref = L): its four waves.
// The energy is the scan's grid midpoint, not the exact root: the waves that
// would grow away from the well on the left are dropped, and their size
// relative to the decaying ones is `residu`. Not normalised.
struct onde_valence {
    complexe kz;     // m^-1
    complexe F1, F2; // heavy- and light-hole-like components
};
struct etat_valence {
    onde_valence gauche[2], puits[4], droite[2];
    double L = 0;    // well width, m
    double residu = 0;
};
etat_valence etat_valence_en(const modele_valence& m, const plan_k& k, double E);
