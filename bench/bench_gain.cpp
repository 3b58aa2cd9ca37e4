// Cost of one carrier-density pass of the gain phase on a synthetic well:
// the hole quasi-Fermi search and the spectra over 100 photon energies.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "gain_optique/fermi.hpp"
#include "gain_optique/spectres.hpp"

namespace {

constexpr double q = 1.60218e-19, m0 = 9.1095e-31, hbar2 = 1.1121389764000003e-68;

struct banc {
    parametres_calcul p;
    resultats_materiau m;
    resultats_k0 k0;
    resultats_dispersion d;
    recouvrements r;
    banc(int Nk)
    {
        p.couches.T = 300;
        p.calcul.Nk = Nk;
        p.calcul.deltak = 1e9 / Nk; // m^-1
        p.calcul.Nky = 1;
        p.cavite.facteur_confinement = 0.01;
        p.couches.largeur_puits = 80;
        p.calcul.demi_largeur_lorentz = 1e-13;
        p.calcul.debut_E = 1000;
        p.calcul.fin_E = 1099;
        m.Eg_Puits = 1.0;
        m.puits.mc = 0.067;
        m.puits.nr = 3.5;
        m.puits.Ep = 20;
        m.largeur_lorentz_carre = std::pow(1.05458e-34 / p.calcul.demi_largeur_lorentz, 2.0);
        k0.E.niveaux = {10.0, 40.0, 90.0};
        const int nb = 6;
        d.Nk = Nk;
        d.nb_places = d.nb_niveaux_max = nb;
        d.branche_lh = {0, 0, 1, 0, 1, 0};
        d.niveaux_k.assign(static_cast<std::size_t>(Nk + 1) * nb, 0.0);
        for (int i = 0; i <= Nk; ++i)
            for (int s = 0; s < nb; ++s) {
                const double k = i * p.calcul.deltak;
                d.niveaux_k[static_cast<std::size_t>(i) * nb + s] = 10.0 + 15.0 * s + 1000 * hbar2 * k * k / (2 * m0 * 0.3 * q);
            }
        r.HH.assign(4, std::vector<double>(3, 0.5));
        r.LH.assign(2, std::vector<double>(3, 0.5));
    }
};

void BM_chercher_EFV(benchmark::State& etat)
{
    const banc b(static_cast<int>(etat.range(0)));
    const reglages_fermi r{b.p.couches.T, b.p.couches.largeur_puits, b.p.calcul.deltak, b.p.modele.k_aligne != 0};
    for (auto _ : etat) benchmark::DoNotOptimize(chercher_EFV(3e16, r, b.d));
}
BENCHMARK(BM_chercher_EFV)->Arg(100)->Arg(400);

void BM_calculer_spectres(benchmark::State& etat)
{
    const banc b(static_cast<int>(etat.range(0)));
    spectres s;
    const reglages_spectres r{b.p.calcul, b.p.cavite, b.p.modele, b.p.couches.T, b.p.couches.largeur_puits};
    for (auto _ : etat) calculer_spectres(30, 40, 0, {b.m, b.k0, b.d, b.r}, r, s);
}
BENCHMARK(BM_calculer_spectres)->Arg(100)->Arg(400);

} // namespace

BENCHMARK_MAIN();
