// Valence-band dispersion: hole subband energies over the in-plane wave
// vector, from the strained four-band model and 4x4 transfer matrices.
#pragma once

#include <cstdio>
#include <vector>

#include "configuration/parametres.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "numerique/complexe.hpp"

struct resultats_dispersion {
    int Nk = 0, Nky = 1;
    int nb_places = 0; // level slots per k point (>= nb_niveaux_max and the zone-centre count)
    // niveaux_k[(i * Nky + j) * nb_places + n]: level n (meV, hole axis) at kx index i, ky index j.
    // Row i = 0 holds the sorted zone-centre levels; 0.0 marks an empty slot.
    std::vector<double> niveaux_k;
    std::vector<int> branche_lh; // nb_niveaux_max flags: 1 = light-hole branch
    int nb_niveaux_max = 0;
    int max_indice_k = 0;
    // Points visited by the scan (kx index >= 1), in scan order, for the E(k) file.
    struct point_visite {
        int i, j;
        double kx, ky; // m^-1
        int nb;        // levels found there
    };
    std::vector<point_visite> points;

    double niveau(int i, int j, int n) const
    {
        return n < nb_places ? niveaux_k[(static_cast<std::size_t>(i) * Nky + j) * nb_places + n] : 0.0;
    }
};

// Four-band coefficients of one layer (Luttinger parameters and band edge).
struct couche_valence {
    double gamma1 = 0, gamma2 = 0, gamma3 = 0;
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
modele_valence former_modele_valence(const parametres_calcul& p, const resultats_materiau& m,
                                     const resultats_k0& k0);

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

// Hole-energy grid (J): from E0 = -(|dE_hydro/3| + |Vv|) up to the first point at
// or above Vv, in steps of deltaE; below E0 too, by whole steps down to the
// last point above bord_puits (meV, the lowest strained well edge) when that
// edge lies under E0, those points first (their count in *nb_points_bas).
// Stops the run beyond 10 million points.
std::vector<double> grille_energie_valence(const parametres_calcul& p, const resultats_materiau& m,
                                          double bord_puits = 0.0, int* nb_points_bas = nullptr);

// Threads the process may run on: OMP_NUM_THREADS when set, else the CPUs of
// its affinity mask (taskset, a Slurm task), at most the control group's
// quota (/sys/fs/cgroup/cpu.max, rounded up); at least 1.
int fils_disponibles();

// The whole scan; prints the progress lines. Threads: p.calcul.nb_fils (0:
// fils_disponibles()); results and console text do not depend on it.
resultats_dispersion calculer_dispersion(const parametres_calcul& p, const resultats_materiau& m,
                                         const resultats_k0& k0);

// "kx (m-1)\tky (m-1)\tniveaux (meV)" table and the branch flags.
void ecrire_fichier_dispersion(std::FILE* f, const resultats_dispersion& d);
