// Cost of the realistic model: the bundled 980 nm example's run ("courant 20
// 2e17", one thread) with every key of [modele] on, against the same run
// without [modele]. Two measures each: the whole run from the material model
// to the threshold (zone-centre levels, dispersion, the four-band envelopes of
// melange_k, the density series), and the density series alone (quasi-Fermi
// levels with the barrier continuum, spectra, threshold step), where the line
// shapes, the k-dependent weights and the whole-band emission cost what they
// cost.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "configuration/parametres.hpp"
#include "dispersion/dispersion.hpp"
#include "gain_optique/continuum.hpp"
#include "gain_optique/fermi.hpp"
#include "gain_optique/melange.hpp"
#include "gain_optique/recouvrements.hpp"
#include "gain_optique/spectres.hpp"
#include "materiau/materiau.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "programme/phases.hpp"
#include "seuil_pi/seuil.hpp"

namespace {

constexpr int nb_densites = 20;
constexpr double pas_cm3 = 2e17;

const char* const section_realiste = "\n[modele]\nforme_raie=sech\nA_srh=1e8\nC_auger=2.2e-29\nemission_complete=1\n"
                                     "k_aligne=1\nrenormalisation_gap=1.6e-8\nmelange_k=1\ndispersion_axiale=1\n"
                                     "continuum=1\nB_barriere=7.2e-10\n";

// The reader and the threshold step print: off the benchmark table.
struct console_muette {
    int console = -1, nul = -1;
    console_muette()
    {
        std::fflush(stdout);
        console = dup(STDOUT_FILENO);
        nul = open("/dev/null", O_WRONLY);
        dup2(nul, STDOUT_FILENO);
    }
    ~console_muette()
    {
        std::fflush(stdout);
        dup2(console, STDOUT_FILENO);
        close(nul);
        close(console);
    }
};

parametres_calcul parametres(bool realiste)
{
    std::ifstream f(std::string(EXEMPLES_DIR) + "/in020ga080as_980nm/config.ini");
    std::stringstream texte;
    texte << f.rdbuf();
    if (realiste) texte << section_realiste;
    char modele[] = "/tmp/bench_modele_XXXXXX";
    const int fd = mkstemp(modele);
    const std::string t = texte.str();
    if (fd < 0 || write(fd, t.data(), t.size()) != static_cast<ssize_t>(t.size())) std::abort();
    close(fd);
    parametres_calcul p;
    lire_parametres(modele, p);
    unlink(modele);
    p.calcul.nb_fils = 1;
    // every density of the series in both runs: the same passes, whatever
    // density each model crosses threshold at
    p.calcul.arret_seuil = 0;
    return p;
}

struct structure {
    resultats_materiau m;
    resultats_k0 k0;
    resultats_dispersion d;
    recouvrements r;
    poids_melange melange;
    continuum_barrieres continuum;
    presence_puits presence;
};

structure bandes(const parametres_calcul& p)
{
    structure s;
    const double Lw = p.couches.largeur_puits, Lb = p.couches.largeur_barriere;
    s.m = modele_materiau(p.couches, p.calcul.Ninj, p.calcul.demi_largeur_lorentz);
    s.k0 = calculer_niveaux_k0(parametres_k0(p), s.m);
    s.d = calculer_dispersion(parametres_balayage(p), s.m, s.k0);
    s.r = calculer_recouvrements(Lw, Lb, s.k0);
    if (p.modele.melange_k)
        s.melange = calculer_poids_melange(s.d, former_modele_valence(Lw, s.m, s.k0, p.modele.dispersion_axiale != 0),
                                           s.k0, Lw, Lb, p.calcul.deltaE);
    if (p.modele.continuum) {
        s.continuum = former_continuum(s.k0, s.m, Lw, Lb, p.modele.B_barriere, p.couches.T);
        s.presence = calculer_presence(Lw, Lb, s.k0);
    }
    return s;
}

// The density series, as the driver runs it (without its files).
double serie(const parametres_calcul& p, const structure& b)
{
    const double Lw = p.couches.largeur_puits;
    const double pas = pas_cm3 / 1e-6 * (Lw * 1e-10);
    const continuum_barrieres* continuum = p.modele.continuum ? &b.continuum : nullptr;
    const reglages_fermi rf{p.couches.T, Lw, p.calcul.deltak, p.modele.k_aligne != 0, continuum};
    const reglages_spectres rs{p.calcul, p.cavite, p.modele, p.couches.T, Lw};
    const reglages_seuil rt{p.cavite, p.bragg, p.calcul, p.modele, Lw};
    etat_seuil seuil;
    spectres s;
    for (int i = 0; i < nb_densites; ++i) {
        const double N = b.m.Ninj_surf + i * pas;
        const double EFC = chercher_EFC(N, rf, b.m, b.k0), EFV = chercher_EFV(N, rf, b.d);
        barrieres_passe barrieres;
        if (continuum) {
            barrieres.n = electrons_continuum(EFC, *continuum);
            barrieres.p = trous_continuum(EFV, *continuum);
            barrieres.Jrad = courant_radiatif_continuum(barrieres.n, barrieres.p, *continuum);
            porteurs_du_puits(EFC, EFV, electrons_par_niveau(EFC, p.couches.T, b.m, b.k0), trous_par_branche(EFV, rf, b.d),
                              b.d, b.presence, Lw, *continuum, barrieres.n_puits, barrieres.p_puits);
        }
        calculer_spectres(EFC, EFV, N, {b.m, b.k0, b.d, b.r, p.modele.melange_k ? &b.melange : nullptr}, rs, s);
        if (calculer_seuil(i, nb_densites, N, {s.gain_te, s.rsp, p.cavite.facteur_confinement, s.Gmax, s.energie_gmax,
                                               s.energie_gmax_definie, false, s.Jrad_bande},
                           rt, seuil, continuum ? &barrieres : nullptr)
                .fin_boucle)
            break;
    }
    return seuil.Jth.total;
}

void course_entiere(benchmark::State& etat)
{
    const parametres_calcul p = parametres(etat.range(0) != 0);
    for (auto _ : etat) {
        console_muette m;
        benchmark::DoNotOptimize(serie(p, bandes(p)));
    }
}
BENCHMARK(course_entiere)->ArgName("realiste")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void serie_seule(benchmark::State& etat)
{
    const parametres_calcul p = parametres(etat.range(0) != 0);
    structure b;
    {
        console_muette m;
        b = bandes(p);
    }
    for (auto _ : etat) {
        console_muette m;
        benchmark::DoNotOptimize(serie(p, b));
    }
}
BENCHMARK(serie_seule)->ArgName("realiste")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The ratio itself on a shared machine: the two runs alternate, and the least
// CPU time of each over the iterations is kept (other users' load only ever
// adds to a time). Counters: the two least times (ms) and their ratio.
double temps_cpu_ms()
{
    std::timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

void rapport_alterne(benchmark::State& etat)
{
    const bool entiere = etat.range(0) != 0;
    const parametres_calcul p[2] = {parametres(false), parametres(true)};
    structure b[2];
    {
        console_muette m;
        b[0] = bandes(p[0]);
        b[1] = bandes(p[1]);
    }
    double minimum[2] = {1e300, 1e300};
    for (auto _ : etat)
        for (int r = 0; r < 2; ++r) {
            console_muette m;
            const double t0 = temps_cpu_ms();
            benchmark::DoNotOptimize(entiere ? serie(p[r], bandes(p[r])) : serie(p[r], b[r]));
            minimum[r] = std::min(minimum[r], temps_cpu_ms() - t0);
        }
    etat.counters["exact_ms"] = minimum[0];
    etat.counters["realiste_ms"] = minimum[1];
    etat.counters["rapport"] = minimum[1] / minimum[0];
}
BENCHMARK(rapport_alterne)->ArgName("course_entiere")->Arg(1)->Arg(0)->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
