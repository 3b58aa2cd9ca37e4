// The gain phase of a "courant" series of 20 densities on the bundled 980 nm
// example, phase by phase: quasi-Fermi levels, overlaps, spectra. The band
// structure (zone-centre levels and dispersion) is computed once beforehand.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "configuration/parametres.hpp"
#include "dispersion/dispersion.hpp"
#include "gain_optique/fermi.hpp"
#include "gain_optique/recouvrements.hpp"
#include "gain_optique/spectres.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"

namespace {

constexpr int nb_densites = 20;
constexpr double pas_cm3 = 2e17; // the example's step, cm-3

struct exemple {
    parametres_calcul p;
    resultats_materiau m;
    resultats_k0 k0;
    resultats_dispersion d;
    recouvrements r;
    double pas = 0; // m-2

    exemple()
    {
        // The phases print their progress: keep it off the benchmark table.
        std::fflush(stdout);
        const int console = dup(STDOUT_FILENO);
        const int nul = open("/dev/null", O_WRONLY);
        dup2(nul, STDOUT_FILENO);
        const std::string config = std::string(EXEMPLES_DIR) + "/in020ga080as_980nm/config.ini";
        lire_parametres(config, p);
        m = modele_materiau(p);
        k0 = calculer_niveaux_k0(p, m);
        d = calculer_dispersion(p, m, k0);
        r = calculer_recouvrements(p, m, k0);
        std::fflush(stdout);
        dup2(console, STDOUT_FILENO);
        close(nul);
        close(console);
        pas = pas_cm3 / 1e-6 * (p.couches.largeur_puits * 1e-10);
    }
    double densite(int i) const { return m.Ninj_surf + i * pas; }
};

const exemple& donnees()
{
    static const exemple e;
    return e;
}

void niveaux_de_fermi(benchmark::State& etat)
{
    const exemple& e = donnees();
    for (auto _ : etat)
        for (int i = 0; i < nb_densites; ++i) {
            benchmark::DoNotOptimize(chercher_EFC(e.densite(i), e.p, e.m, e.k0));
            benchmark::DoNotOptimize(chercher_EFV(e.densite(i), e.p, e.d));
        }
}
BENCHMARK(niveaux_de_fermi)->Unit(benchmark::kMillisecond);

void recouvrements_une_fois(benchmark::State& etat)
{
    const exemple& e = donnees();
    for (auto _ : etat) benchmark::DoNotOptimize(calculer_recouvrements(e.p, e.m, e.k0));
}
BENCHMARK(recouvrements_une_fois)->Unit(benchmark::kMillisecond);

void spectres_serie(benchmark::State& etat)
{
    const exemple& e = donnees();
    double EFC[nb_densites], EFV[nb_densites];
    for (int i = 0; i < nb_densites; ++i) {
        EFC[i] = chercher_EFC(e.densite(i), e.p, e.m, e.k0);
        EFV[i] = chercher_EFV(e.densite(i), e.p, e.d);
    }
    std::FILE* nul = std::fopen("/dev/null", "w");
    spectres s;
    for (auto _ : etat)
        for (int i = 0; i < nb_densites; ++i) calculer_spectres(EFC[i], EFV[i], e.r, e.p, e.m, e.k0, e.d, nul, s);
    std::fclose(nul);
}
BENCHMARK(spectres_serie)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
