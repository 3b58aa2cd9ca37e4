// Bounds on the work a run asks for. Every key may hold a value that is
// physically possible and yet makes a grid, a table or a count so large that
// the run would take days, fill the disk or not fit in memory; such a run is
// refused up front, before any long computation, with the key, its value and
// the accepted range. The bounds are generous: each lies far beyond any
// meaningful design (the key page gives each one).
// The grids and tables of the band phases are counted, and bounded, by the
// phases themselves (niveaux_k0, dispersion); Nk by the reader of config.ini.
#pragma once

#include "configuration/bornes.hpp"
#include "configuration/parametres.hpp"

// The bounds of single keys are the key table's (max_travail); those of the
// series the command line asks for are here, with Ninj's bound for every
// density of the series.
namespace bornes {
inline constexpr int passes_max = 100000;                // carrier densities of a series
inline constexpr double lignes_gain_max = 1e8;           // lines of the gain file (passes x photon energies)
} // namespace bornes

// What the material model gives that sets the length of the energy scans, meV.
struct ampleur_structure {
    double Vc = 0, Vv = 0;  // conduction and valence barrier heights
    double dE_hydro = 0;    // hydrostatic shift of the gap
};

// The density series of the command line: the pass count (after truncation)
// and the density step, cm^-3.
struct serie_demandee {
    int nombre_passes = 1;
    double pas_porteurs_cm3 = 0;
};

// The sizes of the run the bounds judge, from the keys and the material
// model, before anything is allocated.
struct estimations_bornes {
    double points_grille_k0 = 0;         // the longer zone-centre grid, E or holes
    double points_grille_dispersion = 0; // the dispersion's energy grid; 0 when Vv <= 0
    double points_plan = 0;              // (kx, ky) points of the dispersion
    double evaluations_dispersion = 0;   // bound-state evaluations of the dispersion scan
    double memoire_octets = 0;           // lower estimate of the run's tables (estimer_memoire)
};
estimations_bornes estimer_bornes(const parametres_calcul& p, const ampleur_structure& a);

// Every bound of the run, in the order of the phases; stops the run
// (arret_calcul) at the first one exceeded. memoire_octets: what the machine
// can give (memoire_disponible()), which the run's tables must not exceed.
void verifier_bornes(const parametres_calcul& p, const ampleur_structure& a, const serie_demandee& s,
                     double memoire_octets);

// Lower estimate of the bytes the run's tables take (grids, dispersion table,
// per-pass spectra tables), before any is allocated.
double estimer_memoire(const parametres_calcul& p, const ampleur_structure& a);

// Physical memory of the machine, or the memory limit of the process's
// control group when that is lower, in bytes.
double memoire_disponible();
