#include "dispersion/balayage.hpp"

#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>

#ifdef _OPENMP
#include <omp.h>
#endif

#include "configuration/arret.hpp"
#include "dispersion/noyau.hpp"
#include "numerique/constantes.hpp"

double points_grille_valence(double Vv, double dE_hydro, double deltaE)
{
    return Vv > 0 ? (Vv + std::fabs(dE_hydro / 3) + std::fabs(Vv)) / deltaE + 2.0 : 0.0;
}

double points_plan_dispersion(int Nk, int Nky) { return static_cast<double>(Nk) * Nky; }

double memoire_grille_valence(double points) { return 8 * points; }

std::vector<double> grille_energie_valence(double deltaE, const resultats_materiau& m, double bord_puits,
                                          int* nb_points_bas)
{
    const double E0 = -(std::fabs(m.dE_hydro / 3) + std::fabs(m.Vv)) * constantes::q / 1000;
    const double pas = deltaE * constantes::q / 1000;
    const double haut = m.Vv * constantes::q / 1000;
    const double bord = bord_puits * constantes::q / 1000;
    // Points below E0 when the strained well edge lies under it (a strong
    // tension with a shallow valence offset).
    const double bas = bord < E0 ? (E0 - bord) / pas : 0.0;
    const double estimation = (haut - E0) / pas + 2.0 + bas;
    if (!(estimation <= points_grille_max)) {
        char message[256];
        std::snprintf(message, sizeof message,
                      "Grille d'énergie de la dispersion trop grande : %.0f points pour deltaE = %g meV "
                      "(%.0f points au plus) ; augmenter deltaE.\n",
                      estimation, deltaE, points_grille_max);
        arreter(message);
    }
    // Whole steps down from E0, each the previous point minus the step, to
    // the last point above the edge; then E0 and the accumulated steps up, as
    // without the edge.
    std::vector<double> grille;
    grille.reserve(static_cast<std::size_t>(estimation) + 1);
    for (double E = E0; E - pas > bord;) {
        E = E - pas;
        grille.push_back(E);
    }
    std::reverse(grille.begin(), grille.end());
    if (nb_points_bas) *nb_points_bas = static_cast<int>(grille.size());
    grille.push_back(E0);
    while (grille.back() < haut) grille.push_back(grille.back() + pas);
    return grille;
}

namespace {

// Levels (meV) at one k point: sign changes of Re f on the grid from i0 up.
void balayer_energie(const modele_valence& m, const plan_k& k, const std::vector<double>& grille, int i0,
                     std::vector<double>& niveaux)
{
    niveaux.clear();
    const int nE = static_cast<int>(grille.size());
    if (i0 >= nE) return;
    auto E = [&](int p) { return grille[static_cast<std::size_t>(p)]; };
    auto comparer = [&](double precedent, double courant, int p) {
        if (precedent * courant < 0.0) niveaux.push_back((E(p - 1) + E(p)) / 2 * joule_vers_meV);
    };
    // A batch of grid points per evaluation; past the grid end the batch
    // repeats the last point, whose extra values are not used.
    double precedent = 0.0;
    for (int debut = i0; debut < nE; debut += energies_par_lot) {
        double e[energies_par_lot];
        complexe f[energies_par_lot];
        for (int l = 0; l < energies_par_lot; ++l) e[l] = E(std::min(debut + l, nE - 1));
        evaluer_fonction_dispersion(m, k, e, f);
        for (int l = 0; l < energies_par_lot && debut + l < nE; ++l) {
            if (debut + l > i0) comparer(precedent, f[l].re, debut + l);
            precedent = f[l].re;
        }
    }
}

std::vector<double> niveaux_zone_centre_tries(const resultats_k0& k0)
{
    std::vector<double> t(k0.LH.niveaux);
    t.insert(t.end(), k0.HH.niveaux.begin(), k0.HH.niveaux.end());
    const int n = static_cast<int>(t.size());
    for (int fin = n - 1; fin > 0; --fin)
        for (int a = 0; a < fin; ++a)
            if (t[static_cast<std::size_t>(a)] > t[static_cast<std::size_t>(a + 1)])
                std::swap(t[static_cast<std::size_t>(a)], t[static_cast<std::size_t>(a + 1)]);
    return t;
}

void annoncer(const suivi_dispersion& suivi, double kx)
{
    if (suivi.progression) suivi.progression(kx);
}

// What every energy scan of the dispersion shares.
struct balayage {
    const modele_valence& modele;
    const std::vector<double>& grille;
    int i0; // first grid point of every energy scan
};

std::vector<double> niveaux_point(const balayage& b, const point_k& k)
{
    std::vector<double> niveaux;
    balayer_energie(b.modele, former_plan_k(b.modele, k.kx, k.ky), b.grille, b.i0, niveaux);
    return niveaux;
}

// Along kx alone: the kx points side by side, and a walk that takes them in
// order as they are done, announcing every point the sequential scan reaches
// and ending the scan at the first empty one. A point past the end is not
// started, or its levels are discarded. An error ends the walk at its point
// and is rethrown after the loop (none may leave it).
std::vector<std::vector<double>> balayer_kx(const balayage& b, const std::vector<point_k>& suite, int nb_fils,
                                            const suivi_dispersion& suivi)
{
    const std::size_t n = suite.size();
    std::vector<std::vector<double>> niveaux(n);
    std::vector<std::exception_ptr> erreurs(n);
    std::vector<char> fait(n, 0);
    std::size_t fin = n, pris = 0; // written by the walk only
    if (n > 0) annoncer(suivi, suite[0].kx);
    #pragma omp parallel for schedule(dynamic) num_threads(nb_fils)
    for (std::size_t a = 0; a < n; ++a) {
        std::size_t f;
        #pragma omp atomic read
        f = fin;
        if (a >= f) continue;
        try {
            niveaux[a] = niveaux_point(b, suite[a]);
        } catch (...) {
            erreurs[a] = std::current_exception();
        }
        #pragma omp critical(marche_kx)
        {
            fait[a] = 1;
            for (; pris < fin && fait[pris]; ++pris)
                if (erreurs[pris] || niveaux[pris].empty()) {
                    #pragma omp atomic write
                    fin = pris + 1;
                } else if (pris + 1 < n) {
                    annoncer(suivi, suite[pris + 1].kx);
                }
        }
    }
    if (pris > 0 && erreurs[pris - 1]) std::rethrow_exception(erreurs[pris - 1]);
    niveaux.resize(pris);
    return niveaux;
}

// With ky scanned every kx row is reached, and each row's ky scan ends at its
// own first empty point: the rows side by side, each scanned in order. Rows
// are handed out in order, and every row up to the one starting is announced
// as it starts. The first row's error is rethrown after the loop.
std::vector<std::vector<std::vector<double>>> balayer_lignes(const balayage& b,
                                                             const std::vector<std::vector<point_k>>& lignes,
                                                             int nb_fils, const suivi_dispersion& suivi)
{
    std::vector<std::vector<std::vector<double>>> niveaux(lignes.size());
    std::vector<std::exception_ptr> erreurs(lignes.size());
    std::size_t annoncees = 0;
    #pragma omp parallel for schedule(dynamic) num_threads(nb_fils)
    for (std::size_t r = 0; r < lignes.size(); ++r) {
        #pragma omp critical(progression_lignes)
        for (; annoncees <= r; ++annoncees) annoncer(suivi, lignes[annoncees].front().kx);
        try {
            for (const point_k& k : lignes[r]) {
                niveaux[r].push_back(niveaux_point(b, k));
                if (niveaux[r].back().empty()) break;
            }
        } catch (...) {
            erreurs[r] = std::current_exception();
        }
    }
    for (const std::exception_ptr& e : erreurs)
        if (e) std::rethrow_exception(e);
    return niveaux;
}

// First grid point of every energy scan, about |E_0| below the lowest
// zone-centre level, counted from E_0; a level below deltaE (or none) starts
// at the grid start, below E_0 when the grid reaches there.
int premier_point(const std::vector<double>& zone_centre, double deltaE, int nb_bas)
{
    int i0 = 0;
    if (!zone_centre.empty()) {
        const int depuis_E0 = static_cast<int>(zone_centre.front() / deltaE) - 1;
        if (depuis_E0 >= 0) i0 = nb_bas + depuis_E0;
    }
    return i0;
}

// The scan as sequences that each end at their first empty point: along kx
// alone one sequence, of the kx points; with ky scanned every kx row is
// reached, and its ky scan is a sequence of its own. The kx and ky values are
// accumulated as the sequential scan accumulates them.
balayage_fait points_du_balayage(const parametres_dispersion& p)
{
    std::vector<double> valeurs_kx, valeurs_ky;
    const double kx_fin = p.Nk * p.deltak, ky_fin = p.Nky * p.deltak;
    if (kx_fin > 1e6)
        for (double kx = 1e6; kx < kx_fin; kx += p.deltak) valeurs_kx.push_back(kx);
    for (double ky = 0; ky < ky_fin; ky += p.deltak) valeurs_ky.push_back(ky);
    const bool balayage_ky = p.Nky > 1;
    if (!balayage_ky) valeurs_ky.resize(1);

    balayage_fait b;
    b.Nk = p.Nk;
    b.Nky = p.Nky;
    b.nb_kx = static_cast<int>(valeurs_kx.size());
    b.nb_ky = static_cast<int>(valeurs_ky.size());
    b.suites.resize(balayage_ky ? valeurs_kx.size() : 1);
    for (std::size_t a = 0; a < valeurs_kx.size(); ++a)
        for (std::size_t c = 0; c < valeurs_ky.size(); ++c)
            b.suites[balayage_ky ? a : 0].push_back(
                {static_cast<int>(a) + 1, static_cast<int>(c), valeurs_kx[a], valeurs_ky[c]});
    return b;
}

} // namespace

int fils_disponibles()
{
#ifdef _OPENMP
    // A count the user or the batch system set wins.
    if (const char* v = std::getenv("OMP_NUM_THREADS"); v != nullptr && *v != '\0')
        return std::max(1, omp_get_max_threads());
#endif
    int n = 0;
    cpu_set_t masque;
    CPU_ZERO(&masque);
    if (sched_getaffinity(0, sizeof masque, &masque) == 0) n = CPU_COUNT(&masque);
    if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
    // The control group's quota, "quota period" in microseconds ("max": none).
    if (std::FILE* f = std::fopen("/sys/fs/cgroup/cpu.max", "r")) {
        double quota = 0, periode = 0;
        if (std::fscanf(f, "%lf %lf", &quota, &periode) == 2 && quota > 0 && periode > 0)
            n = std::min(n, std::max(1, static_cast<int>(std::ceil(quota / periode))));
        std::fclose(f);
    }
    return std::max(1, n);
}

resultats_dispersion calculer_dispersion(const parametres_dispersion& p, const resultats_materiau& mat,
                                         const resultats_k0& k0, const suivi_dispersion& suivi)
{
    int nb_bas = 0;
    const std::vector<double> grille =
        grille_energie_valence(p.deltaE, mat, std::min(k0.bande_HH.bord_puits, k0.bande_LH.bord_puits), &nb_bas);
    const modele_valence modele = former_modele_valence(p.largeur_puits, mat, k0, p.axiale);
    const std::vector<double> zone_centre = niveaux_zone_centre_tries(k0);
    if (suivi.debut) suivi.debut();

    const balayage b{modele, grille, premier_point(zone_centre, p.deltaE, nb_bas)};
    balayage_fait fait = points_du_balayage(p);
    const int nb_fils = p.nb_fils > 0 ? p.nb_fils : fils_disponibles();
    if (p.Nky > 1)
        fait.niveaux = balayer_lignes(b, fait.suites, nb_fils, suivi);
    else
        fait.niveaux = {balayer_kx(b, fait.suites[0], nb_fils, suivi)};
    return former_table(fait, zone_centre, k0.LH.niveaux);
}
