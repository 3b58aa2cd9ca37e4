// The scan of the valence-band dispersion: the hole-energy grid, and the walk
// over the in-plane wave vector (kx, and ky when asked) on the threads of the
// process, each point's levels found by sign changes of the bound-state
// function along the grid.
#pragma once

#include <functional>
#include <vector>

#include "dispersion/table.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

// What the scan takes of the run.
struct parametres_dispersion {
    int Nk = 0;               // kx values, in steps of deltak
    int Nky = 1;              // 1 (ky = 0 only), or the ky values
    double deltak = 0;        // m^-1
    double deltaE = 0;        // meV, step of the energy grid
    int nb_fils = 0;          // threads; 0: fils_disponibles()
    double largeur_puits = 0; // Å
    bool axiale = false;      // [modele] dispersion_axiale: the in-plane coupling in the axial approximation
};

// Bounds of the scan: the (kx, ky) points of a 2-D scan, whose table must fit
// in memory, and the evaluations of the bound-state function (about 130 ns
// each on one core of a 2020s machine, so 1e11 is some 4 hours). Its energy
// grid has at most points_grille_max points (niveaux_k0).
inline constexpr double points_plan_max = 1e7;
inline constexpr double evaluations_dispersion_max = 1e11;

// Points of the energy grid from -(|dE_hydro|/3 + |Vv|) up to Vv (meV) in
// steps of deltaE, as the bounds of the run count them (those below a strained
// well edge under the start left out); none when Vv <= 0, where no hole is
// bound and no scan runs.
double points_grille_valence(double Vv, double dE_hydro, double deltaE);
// (kx, ky) points of the scan: Nk Nky.
double points_plan_dispersion(int Nk, int Nky);
// Bytes of the energy grid.
double memoire_grille_valence(double points);

// Hole-energy grid (J): from E0 = -(|dE_hydro/3| + |Vv|) up to the first point at
// or above Vv, in steps of deltaE (meV); below E0 too, by whole steps down to the
// last point above bord_puits (meV, the lowest strained well edge) when that
// edge lies under E0, those points first (their count in *nb_points_bas).
// Stops the run beyond points_grille_max points.
std::vector<double> grille_energie_valence(double deltaE, const resultats_materiau& m, double bord_puits = 0.0,
                                          int* nb_points_bas = nullptr);

// Threads the process may run on: OMP_NUM_THREADS when set, else the CPUs of
// its affinity mask (taskset, a Slurm task), at most the control group's
// quota (/sys/fs/cgroup/cpu.max, rounded up); at least 1.
int fils_disponibles();

// What the scan tells while it runs: debut once its grid is formed, then
// progression(kx) (m^-1) as it reaches each kx row, before the row's levels
// are known, so the first empty row too. The calls come in the order of the
// sequential scan whatever the threads, one at a time, from the scan's
// threads; they must not throw. Either may be empty.
struct suivi_dispersion {
    std::function<void()> debut;
    std::function<void(double kx)> progression;
};

// The whole scan. Threads: p.nb_fils (0: fils_disponibles()); the results and
// the calls of suivi do not depend on them.
resultats_dispersion calculer_dispersion(const parametres_dispersion& p, const resultats_materiau& m,
                                         const resultats_k0& k0, const suivi_dispersion& suivi = {});
