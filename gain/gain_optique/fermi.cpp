#include "gain_optique/fermi.hpp"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "numerique/complexe.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::q;
using constantes::kB;
using constantes::m0;

constexpr double pi_hbar2 = 3.493887638029113e-68;
constexpr double pas_fermi = 0.1;         // meV
constexpr double un_sur_2pi2 = 0.05066059182116889;

// Electron sheet density (m^-2) at the trial level EFC (meV): every zone-centre
// conduction level is a 2D subband of the well mass.
double densite_electrons(double EFC, double mc_puits, double kT, const std::vector<double>& niveaux_E)
{
    double n = 0.0;
    for (double Ej : niveaux_E)
        n += (mc_puits * m0 * kT / pi_hbar2) * std::log(1.0 + std::exp((EFC - Ej) * constantes::joule_par_meV / kT)); // meV -> J
    return n;
}

// Hole energies of the branches along the integration line, gathered once:
// the kx axis (Nky = 1) or the kx = ky diagonal. Row m lies at k_m = m deltak.
struct ligne_trous {
    int Nk = 0;
    int nb_branches = 0;
    std::vector<double> energie;   // [s * (Nk + 1) + m], meV
    std::vector<double> k;         // k_m, m^-1
    std::vector<double> poids_k;   // w k_m, with w = 2 pi, or 4 pi on the diagonal
};

ligne_trous preparer_ligne(const reglages_fermi& r, const resultats_dispersion& d)
{
    ligne_trous l;
    l.Nk = d.Nk;
    l.nb_branches = d.nb_niveaux_max;
    const bool diagonale = d.Nky > 1;
    // Row m of the diagonal lies at |k| = sqrt 2 k_m: its ring K dK = 2 k_m dk,
    // twice the axis's k_m dk.
    const double w = diagonale ? 4.0 * 3.141592653589793 : 2.0 * 3.141592653589793;
    const std::size_t nb_points = static_cast<std::size_t>(l.Nk) + 1;
    l.energie.resize(static_cast<std::size_t>(l.nb_branches) * nb_points);
    for (int s = 0; s < l.nb_branches; ++s)
        for (int m = 0; m <= l.Nk; ++m)
            l.energie[s * nb_points + m] = d.niveau(m, diagonale ? m : 0, s);
    l.k.resize(nb_points);
    l.poids_k.resize(nb_points);
    for (int m = 0; m <= l.Nk; ++m) {
        l.k[m] = k_ligne(r.deltak, r.k_aligne, m, diagonale);
        l.poids_k[m] = w * l.k[m];
    }
    return l;
}

// Hole sheet density (m^-2) at the trial level EFV (meV, hole axis).
double densite_trous(double EFV, double kT, const ligne_trous& l)
{
    const std::size_t nb_points = static_cast<std::size_t>(l.Nk) + 1;
    double p = 0.0;
    for (int s = 0; s < l.nb_branches; ++s) {
        const double* E = &l.energie[s * nb_points];
        double g_precedent = l.poids_k[0] / (std::exp((E[0] - EFV) * q / 1000 / kT) + 1.0);
        for (int m = 1; m <= l.Nk; ++m) {
            const double g = l.poids_k[m] / (std::exp((E[m] - EFV) * q / 1000 / kT) + 1.0);
            // 0.0 marks a row the branch does not reach: its strip is left out
            if (E[m] != 0.0) p += trapeze(l.k[m - 1], l.k[m], g_precedent, g) * un_sur_2pi2;
            g_precedent = g;
        }
    }
    return p;
}

// The same, branch by branch (the sum over the branches is densite_trous up to
// its order of additions).
std::vector<double> densite_par_branche(double EFV, double kT, const ligne_trous& l)
{
    const std::size_t nb_points = static_cast<std::size_t>(l.Nk) + 1;
    std::vector<double> p(static_cast<std::size_t>(l.nb_branches), 0.0);
    for (int s = 0; s < l.nb_branches; ++s) {
        const double* E = &l.energie[s * nb_points];
        double g_precedent = l.poids_k[0] / (std::exp((E[0] - EFV) * q / 1000 / kT) + 1.0);
        for (int m = 1; m <= l.Nk; ++m) {
            const double g = l.poids_k[m] / (std::exp((E[m] - EFV) * q / 1000 / kT) + 1.0);
            if (E[m] != 0.0) p[static_cast<std::size_t>(s)] += trapeze(l.k[m - 1], l.k[m], g_precedent, g) * un_sur_2pi2;
            g_precedent = g;
        }
    }
    return p;
}

// N: sheet density, m^-2, given in the message per unit volume of the well;
// `au_dessus`: the density is still not reached at niveau_fermi_max, else
// still exceeded at -niveau_fermi_max.
std::string message_introuvable(const char* bande, double N, double largeur_puits, bool au_dessus)
{
    char tampon[300];
    std::snprintf(tampon, sizeof tampon,
                  au_dessus ? "Niveau de Fermi de la %s introuvable : la densité de %g cm-3 n'est pas atteinte à %g meV ; "
                              "diminuez Ninj ou le pas de la série.\n"
                            : "Niveau de Fermi de la %s introuvable : la densité de %g cm-3 est encore dépassée à %g meV ; "
                              "augmentez Ninj.\n",
                  bande, densite_cm3(N, largeur_puits), au_dessus ? niveau_fermi_max : -niveau_fermi_max);
    return tampon;
}

// When the start already holds N carriers (a low density: the level lies
// more than 100 meV into the gap), the trials go down from it by whole steps,
// each the previous trial minus the step, to the first whose density lies
// below N. The level returned is, as for the upward scan, the grid value one
// step past the lowest trial reaching N (from the start itself: -99.9 meV).
// densite(E): the density at the trial E (meV); bande names the band in the
// message of the lower bound, -niveau_fermi_max.
// The density falls monotonically down the grid, so the first trial below N
// is found by doubling strides from the start, then halving the last stride,
// on the grid itself: the trial of the linear scan, in some 2 log2(j)
// densities rather than j (a strongly tensile well puts its levels some
// 8 eV under the start: 80000 trials).
template <class Densite>
double descendre_sous_depart(double N, Densite densite, const char* bande, double largeur_puits)
{
    std::vector<double> essais{niveau_fermi_depart}; // essais[j] = essais[j - 1] - pas_fermi
    // index of the trial j, extended down the grid; false past the bound
    auto atteindre = [&](std::size_t j) {
        while (essais.size() <= j) {
            const double E = essais.back() - pas_fermi;
            if (E < -niveau_fermi_max) return false;
            essais.push_back(E);
        }
        return true;
    };
    auto sous_N = [&](std::size_t j) { return !(densite(essais[j]) >= N); };
    std::size_t atteint = 0, pas = 1; // essais[atteint] holds N
    std::size_t sous = 1;
    for (;;) {
        sous = atteint + pas;
        if (!atteindre(sous)) {
            sous = essais.size() - 1; // the last trial above the bound
            if (sous == atteint || !sous_N(sous)) arreter(message_introuvable(bande, N, largeur_puits, false));
            break;
        }
        if (sous_N(sous)) break;
        atteint = sous;
        pas *= 2;
    }
    while (sous - atteint > 1) {
        const std::size_t milieu = atteint + (sous - atteint) / 2;
        (sous_N(milieu) ? sous : atteint) = milieu;
    }
    return essais[atteint] + pas_fermi;
}

} // namespace

std::vector<double> trous_par_branche(double EFV, const reglages_fermi& r, const resultats_dispersion& d)
{
    return densite_par_branche(EFV, kB * r.T, preparer_ligne(r, d));
}

std::vector<double> electrons_par_niveau(double EFC, double T, const resultats_materiau& m, const resultats_k0& k0)
{
    std::vector<double> n;
    for (double Ej : k0.E.niveaux) n.push_back(densite_electrons(EFC, m.puits.mc, kB * T, {Ej}));
    return n;
}

double k_ligne(double deltak, bool k_aligne, int m, bool diagonale)
{
    if (!k_aligne || m == 0) return m * deltak;
    const double kx = 1e6 + (m - 1) * deltak;
    if (!diagonale) return kx;
    const double ky = m * deltak;
    return std::sqrt(kx * kx + ky * ky) / 1.4142135623730951;
}

double chercher_EFC(double N, const reglages_fermi& r, const resultats_materiau& m, const resultats_k0& k0)
{
    double EFC = niveau_fermi_depart;
    if (N <= 0.0) return EFC;
    // without a conduction subband the density stays 0 and no level reaches N
    if (k0.E.niveaux.empty()) arreter("Aucun niveau E dans la BC : le niveau de Fermi de la BC est introuvable.\n");
    const double kT = kB * r.T;
    // the well's subbands, and the barriers' continuum when it shares the level
    auto densite = [&](double E) {
        const double n = densite_electrons(E, m.puits.mc, kT, k0.E.niveaux);
        return r.continuum ? n + electrons_continuum(E, *r.continuum) : n;
    };
    double n = densite(EFC);
    if (n >= N) return descendre_sous_depart(N, densite, "BC", r.largeur_puits);
    // The density grows with EFC, but without bound only for a positive mass
    // and temperature, and a step of 0.1 meV stays exact enough far beyond
    // the bound: the trials end there at the latest (a NaN density ends them
    // at once).
    EFC = EFC + pas_fermi;
    while (N > n) {
        if (EFC > niveau_fermi_max) arreter(message_introuvable("BC", N, r.largeur_puits, true));
        n = densite(EFC);
        EFC = EFC + pas_fermi;
    }
    return EFC;
}

double chercher_EFV(double N, const reglages_fermi& r, const resultats_dispersion& d)
{
    double EFV = niveau_fermi_depart;
    if (N <= 0.0) return EFV;
    const double kT = kB * r.T;
    const ligne_trous l = preparer_ligne(r, d);
    // the table's branches, and the barriers' continuum when it shares the level
    auto densite = [&](double E) {
        const double p = densite_trous(E, kT, l);
        return r.continuum ? p + trous_continuum(E, *r.continuum) : p;
    };
    const char* sans_croissance =
        "Probleme de convergence lors du calcul du niveau de fermi dans la BV.\nAugmentez le nombre de k (Nk)\n";
    double p = densite(EFV);
    // no hole at all at the start: the table holds no state
    if (p == 0.0) arreter(sans_croissance);
    if (p >= N) return descendre_sous_depart(N, densite, "BV", r.largeur_puits);
    // The hole density saturates once every state of the table is full (EFV
    // some 37 kT past the deepest level), and the trials then stop on the
    // convergence test; the bound ends them in any case.
    EFV = EFV + pas_fermi;
    while (N > p) {
        if (EFV > niveau_fermi_max) arreter(message_introuvable("BV", N, r.largeur_puits, true));
        const double p_precedent = p;
        p = densite(EFV);
        // no growth between two trials: every state is already full
        if (p == p_precedent) arreter(sans_croissance);
        EFV = EFV + pas_fermi;
    }
    return EFV;
}
