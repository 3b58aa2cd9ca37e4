// Cost of the valence-band dispersion: one bound-state evaluation, and whole
// scans along kx and over (kx, ky) on a compressively strained InGaAs well.
#include <benchmark/benchmark.h>

#include "dispersion/dispersion.hpp"

namespace {

struct cas_puits {
    parametres_dispersion p;
    resultats_materiau m;
    resultats_k0 k0;
};

// 60 Å compressively strained well (shear 10 meV), barrier edge 150 meV.
cas_puits puits_contraint(int Nk, int Nky, int nb_fils)
{
    cas_puits c;
    c.p.Nk = Nk;
    c.p.Nky = Nky;
    c.p.deltak = 1e9 / Nk; // kmax about 1e9 m^-1
    c.p.deltaE = 0.1;
    c.p.largeur_puits = 60;
    c.p.nb_fils = nb_fils;
    c.m.puits.gamma1 = 6.98;
    c.m.puits.gamma2 = 2.06;
    c.m.puits.gamma3 = 2.93;
    c.m.barriere.gamma1 = 5.6;
    c.m.barriere.gamma2 = 1.6;
    c.m.barriere.gamma3 = 2.3;
    c.m.Vv = 150;
    c.m.dE_cisaillement = 10;
    c.m.dE_hydro = 15;
    c.k0.dEv_hydro = -5;
    c.k0.HH.niveaux = {22.2, 72.0};
    c.k0.LH.niveaux = {29.5};
    return c;
}

// One energy per call: what a caller after a single value pays (the scalar
// kernel, one lane).
void evaluation_une_energie(benchmark::State& etat)
{
    const cas_puits c = puits_contraint(100, 1, 1);
    const modele_valence mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    const plan_k plan = former_plan_k(mod, 3e8, 1e8);
    double E = 40 * 1.60218e-19 / 1000;
    for (auto _ : etat) {
        benchmark::DoNotOptimize(evaluer_fonction_dispersion(mod, plan, E));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(evaluation_une_energie);

// Time per evaluation, from a count of evaluations over the whole run.
benchmark::Counter par_evaluation(double evaluations)
{
    return benchmark::Counter(evaluations, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A batch of energies per call, as the scan evaluates them; the figure is the
// time per evaluation. evaluation_lot takes the processor's kernel, the
// variants force the scalar one and the x86-64 baseline one.
using evaluation = void (*)(const modele_valence&, const plan_k&, const double (&)[energies_par_lot],
                            complexe (&)[energies_par_lot]);
void lot_energies(benchmark::State& etat, evaluation evaluer)
{
    const cas_puits c = puits_contraint(100, 1, 1);
    const modele_valence mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    const plan_k plan = former_plan_k(mod, 3e8, 1e8);
    double E[energies_par_lot];
    for (int l = 0; l < energies_par_lot; ++l) E[l] = (40 + 0.1 * l) * 1.60218e-19 / 1000;
    for (auto _ : etat) {
        complexe f[energies_par_lot];
        evaluer(mod, plan, E, f);
        benchmark::DoNotOptimize(f);
        benchmark::ClobberMemory();
    }
    etat.counters["temps_par_evaluation"] =
        par_evaluation(energies_par_lot * static_cast<double>(etat.iterations()));
}
void evaluation_lot(benchmark::State& etat) { lot_energies(etat, evaluer_fonction_dispersion); }
void evaluation_lot_scalaire(benchmark::State& etat) { lot_energies(etat, evaluer_fonction_dispersion_scalaire); }
BENCHMARK(evaluation_lot);
BENCHMARK(evaluation_lot_scalaire);
#if defined(__x86_64__)
void evaluation_lot_sse2(benchmark::State& etat) { lot_energies(etat, evaluer_fonction_dispersion_sse2); }
BENCHMARK(evaluation_lot_sse2);
#endif

// One k point over the whole energy grid of a scan, a batch of energies per
// call: real, imaginary and complex roots in the proportions a scan meets them.
void evaluation_grille(benchmark::State& etat)
{
    const cas_puits c = puits_contraint(100, 1, 1);
    const modele_valence mod = former_modele_valence(c.p.largeur_puits, c.m, c.k0);
    const plan_k plan = former_plan_k(mod, 3e8, 1e8);
    const std::vector<double> grille = grille_energie_valence(c.p.deltaE, c.m);
    const std::size_t n = grille.size() / energies_par_lot * energies_par_lot;
    for (auto _ : etat) {
        double somme = 0;
        for (std::size_t i = 0; i < n; i += energies_par_lot) {
            double E[energies_par_lot];
            complexe f[energies_par_lot];
            for (int l = 0; l < energies_par_lot; ++l) E[l] = grille[i + static_cast<std::size_t>(l)];
            evaluer_fonction_dispersion(mod, plan, E, f);
            for (const complexe& v : f) somme += v.re;
        }
        benchmark::DoNotOptimize(somme);
    }
    etat.counters["temps_par_evaluation"] = par_evaluation(static_cast<double>(etat.iterations() * n));
}
BENCHMARK(evaluation_grille)->Unit(benchmark::kMicrosecond);

void dispersion(benchmark::State& etat, int Nk, int Nky)
{
    const cas_puits c = puits_contraint(Nk, Nky, static_cast<int>(etat.range(0)));
    for (auto _ : etat) {
        resultats_dispersion d = calculer_dispersion(c.p, c.m, c.k0);
        benchmark::DoNotOptimize(d.niveaux_k.data());
    }
}
void dispersion_1d(benchmark::State& etat) { dispersion(etat, 100, 1); }
void dispersion_2d(benchmark::State& etat) { dispersion(etat, 40, 41); }
BENCHMARK(dispersion_1d)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(dispersion_2d)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

BENCHMARK_MAIN();
