#include "gain_optique/spectres.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "gain_optique/fermi.hpp"
#include "numerique/complexe.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::q;
using constantes::hbar;
using constantes::hbar2;
using constantes::m0;
using constantes::kB;
using constantes::epsilon0;
using constantes::c_lumiere;
using constantes::pi;
using constantes::demi_largeur_raie;

constexpr double q2_fois_hbar = 2.707086561865992e-72; // q^2 hbar, C^2 J s
constexpr double pi_eps0_m02_c3 = 6.232338938119773e-46;
constexpr double arccosh_2 = 1.3169578969248166;    // ln(2 + sqrt 3)
constexpr double racine_2_ln_2 = 1.1774100225154747; // sqrt(2 ln 2)
constexpr double racine_2_pi = 2.5066282746310002;

// Subband dispersion of the electrons: parabolic with the well mass (meV), at
// |k|^2 = k2 (m^-2).
double energie_c_k2(double niveau, double k2, double mc_puits)
{
    return niveau + 1000 * hbar2 * k2 / (2 * m0 * mc_puits * q);
}

// Hole energy of branch s at row m along the integration line: the kx axis, or
// the kx = ky diagonal when ky is scanned (meV, hole axis; 0.0 = empty).
double energie_v(const resultats_dispersion& d, int m, int s) { return d.niveau(m, d.Nky > 1 ? m : 0, s); }

// Fermi factors, weights and transition edges of every k point: they do not
// depend on the photon energy and are formed once per pass.
void preparer_points(double EFC, double EFV, const reglages_spectres& r, const bandes_puits& bandes, spectres& s)
{
    const resultats_materiau& mat = bandes.m;
    const resultats_k0& k0 = bandes.k0;
    const resultats_dispersion& d = bandes.d;
    const int nb_E = k0.E.nb();
    const int nb_branches = d.nb_niveaux_max;
    const std::size_t nb_points = static_cast<std::size_t>(d.Nk) + 1;
    const double beta = q / (1000 * kB * r.T); // per meV
    // Row m of the diagonal lies at |k| = sqrt 2 k_m: the electron of its pair
    // is taken there (|k|^2 = 2 k_m^2, k conserved), and its ring K dK = 2 k_m dk.
    const bool diagonale = d.Nky > 1;

    s.k.resize(nb_points);
    for (std::size_t m = 0; m < nb_points; ++m) s.k[m] = k_ligne(r.calcul.deltak, r.modele.k_aligne, static_cast<int>(m), d.Nky > 1);

    const std::size_t taille = static_cast<std::size_t>(nb_E) * nb_branches * nb_points;
    s.bord_transition.resize(taille);
    s.numerateur_gain.resize(taille);
    s.numerateur_rsp.resize(taille);
    const poids_melange* melange = bandes.melange;
    if (melange) s.numerateur_gain_tm.resize(taille);
    for (int n = 0; n < nb_E; ++n)
        for (int b = 0; b < nb_branches; ++b) {
            const std::size_t base = (static_cast<std::size_t>(n) * nb_branches + b) * nb_points;
            for (std::size_t m = 0; m < nb_points; ++m) {
                const double k = s.k[m];
                const double k2 = diagonale ? 2 * std::pow(k, 2.0) : std::pow(k, 2.0);
                const double Ec = energie_c_k2(k0.E.niveaux[n], k2, mat.puits.mc);
                const double Ev = energie_v(d, static_cast<int>(m), b);
                const double fc = fermi_dirac(Ec, EFC, beta);
                const double fh = fermi_dirac(Ev, EFV, beta);
                const double w = diagonale ? 2 * k : k;
                s.bord_transition[base + m] = 1000 * mat.Eg_Puits + Ec + Ev;
                // the gap of the injected well, shrunk by its carriers
                if (s.retrecissement_gap != 0.0) s.bord_transition[base + m] -= s.retrecissement_gap;
                s.numerateur_gain[base + m] = w * (fc + fh - 1);
                s.numerateur_rsp[base + m] = w * fc * fh;
                if (melange) { // the pair's own weights at this row, inside the k integrals
                    const std::size_t i = melange->indice(n, b, static_cast<int>(m));
                    s.numerateur_gain_tm[base + m] = s.numerateur_gain[base + m] * melange->tm[i];
                    s.numerateur_gain[base + m] *= melange->te[i];
                    s.numerateur_rsp[base + m] *= melange->sp[i];
                }
            }
        }
    s.integrale_gain.assign(static_cast<std::size_t>(nb_branches) * nb_E, 0.0);
    s.integrale_rsp.assign(static_cast<std::size_t>(nb_branches) * nb_E, 0.0);
    if (melange)
        s.integrale_gain_tm.assign(static_cast<std::size_t>(nb_branches) * nb_E, 0.0);
    else
        s.integrale_gain_tm.clear();
}

// k integrals of the inversion and spontaneous terms at photon energy E (meV).
// denominateur(x), x the detuning in J, is Gamma / (pi L(x)) for the line
// shape L: x^2 + Gamma^2 for the Lorentzian, whose prefactors the spectra
// carry (Gamma / pi in A, 1/tau in R).
template <class Denominateur>
void integrer_k(double E, const resultats_k0& k0, const resultats_dispersion& d, spectres& s,
                Denominateur denominateur_raie)
{
    const int nb_E = k0.E.nb();
    const int nb_branches = d.nb_niveaux_max;
    const std::size_t nb_points = static_cast<std::size_t>(d.Nk) + 1;
    std::fill(s.integrale_gain.begin(), s.integrale_gain.end(), 0.0);
    std::fill(s.integrale_rsp.begin(), s.integrale_rsp.end(), 0.0);
    std::fill(s.integrale_gain_tm.begin(), s.integrale_gain_tm.end(), 0.0);
    const bool tm_a_part = !s.integrale_gain_tm.empty(); // melange_k: TM has its own weights
    for (int n = 0; n < nb_E; ++n)
        for (int b = 0; b < nb_branches; ++b) {
            const std::size_t base = (static_cast<std::size_t>(n) * nb_branches + b) * nb_points;
            const double* bord = &s.bord_transition[base];
            const double* ng = &s.numerateur_gain[base];
            const double* nr = &s.numerateur_rsp[base];
            double& ig = s.integrale_gain[static_cast<std::size_t>(b) * nb_E + n];
            double& ir = s.integrale_rsp[static_cast<std::size_t>(b) * nb_E + n];
            const double* ngt = tm_a_part ? &s.numerateur_gain_tm[base] : nullptr;
            double* igt = tm_a_part ? &s.integrale_gain_tm[static_cast<std::size_t>(b) * nb_E + n] : nullptr;
            // line-shape denominator of the transition at point m
            auto denominateur = [&](std::size_t m) {
                const double detuning = (bord[m] - E) * q / 1000; // meV -> J
                return denominateur_raie(detuning);
            };
            double D_precedent = denominateur(0);
            for (std::size_t m = 1; m < nb_points; ++m) {
                const double D = denominateur(m);
                // 0.0: the branch does not reach row m; its strip is left out
                if (energie_v(d, static_cast<int>(m), b) != 0.0) {
                    ig += trapeze(s.k[m - 1], s.k[m], ng[m - 1] / D_precedent, ng[m] / D);
                    ir += trapeze(s.k[m - 1], s.k[m], nr[m - 1] / D_precedent, nr[m] / D);
                    if (igt) *igt += trapeze(s.k[m - 1], s.k[m], ngt[m - 1] / D_precedent, ngt[m] / D);
                }
                D_precedent = D;
            }
        }
}

// Weight O^2 of each (branch b, conduction level n) at [b * nb_E + n], by
// the branch walk of the spectra: the k-th light-hole branch takes the k-th
// LH level's overlap, the k-th heavy-hole branch the k-th HH level's. A branch
// the walk leaves out (past the levels of its kind, or past the branches the
// dispersion found) is not taken and weighs 0; `incomplet` says one was.
struct poids_branches {
    std::vector<double> O2;
    std::vector<char> pris;
    int nb_branches = 0; // branches walked: the zone-centre levels, at most those found
    bool incomplet = false;
};

// With melange_k every branch the dispersion found is taken, its weights in
// the numerators (O2 = 1 here).
poids_branches poids_melange_k(const resultats_k0& k0, const resultats_dispersion& d)
{
    poids_branches w;
    w.nb_branches = d.nb_niveaux_max;
    w.O2.assign(static_cast<std::size_t>(d.nb_niveaux_max) * k0.E.nb(), 1.0);
    w.pris.assign(w.O2.size(), 1);
    return w;
}

poids_branches poids_emission(const recouvrements& r, const resultats_k0& k0, const resultats_dispersion& d)
{
    const int nb_E = k0.E.nb();
    const int nb_HH = static_cast<int>(r.HH.size());
    const int nb_LH = static_cast<int>(r.LH.size());
    const int nb_branches_lues = std::min(d.nb_niveaux_max, static_cast<int>(d.branche_lh.size()));
    poids_branches w;
    w.nb_branches = std::min(nb_HH + nb_LH, nb_branches_lues);
    // the dispersion found fewer branches than zone-centre levels
    w.incomplet = nb_E > 0 && nb_HH + nb_LH > nb_branches_lues;
    w.O2.assign(static_cast<std::size_t>(d.nb_niveaux_max) * nb_E, 0.0);
    w.pris.assign(w.O2.size(), 0);
    for (int n = 0; n < nb_E; ++n) {
        int h = 0, l = 0;
        for (int b = 0; b < w.nb_branches; ++b) {
            const std::size_t i = static_cast<std::size_t>(b) * nb_E + n;
            const bool lh = d.branche_lh[b] == 1;
            int& rang = lh ? l : h;
            const std::vector<std::vector<double>>& niveaux = lh ? r.LH : r.HH;
            if (rang < static_cast<int>(niveaux.size())) {
                w.O2[i] = std::pow(niveaux[rang][n], 2.0);
                w.pris[i] = 1;
            } else {
                w.incomplet = true; // more branches of this kind than levels
            }
            ++rang;
        }
    }
    return w;
}

// Radiative current density of the whole band (A/cm^2). The emission at
// photon energy E is R(E) = c_R E times the k integral of w fc fh / D(E); its
// integral over every photon energy, with a symmetric line shape of unit area,
// gives each k point c_R (pi / Gamma) times its transition energy: the
// photon-energy integral is done exactly, whatever the printed window.
double courant_radiatif_bande(double c_R, double Gamma, double Lw, const poids_branches& w, const resultats_k0& k0,
                              const resultats_dispersion& d, const spectres& s, bool melange)
{
    const double moyenne = melange ? 1.0 : 0.5; // the emission's polarisation average, else in the numerators
    const int nb_E = k0.E.nb();
    const int nb_branches = d.nb_niveaux_max;
    const std::size_t nb_points = static_cast<std::size_t>(d.Nk) + 1;
    const std::vector<double>& poids = w.O2;
    double somme = 0; // integral of rsp over photon energy in meV
    for (int n = 0; n < nb_E; ++n)
        for (int b = 0; b < nb_branches; ++b) {
            const double O2 = poids[static_cast<std::size_t>(b) * nb_E + n];
            if (O2 == 0.0) continue;
            const std::size_t base = (static_cast<std::size_t>(n) * nb_branches + b) * nb_points;
            const double* bord = &s.bord_transition[base];
            const double* nr = &s.numerateur_rsp[base];
            double ik = 0;
            for (std::size_t m = 1; m < nb_points; ++m)
                if (energie_v(d, static_cast<int>(m), b) != 0.0)
                    ik += trapeze(s.k[m - 1], s.k[m], nr[m - 1] * bord[m - 1], nr[m] * bord[m]);
            somme += moyenne * O2 * ik;
        }
    // the meV of the transition energies and the meV of the photon-energy
    // integral cancel against the J of c_R E and of the line shape
    return somme * c_R * pi / Gamma * q * q * Lw * 1e-11;
}

// The spectra's tables of the pass, at 0, and what the pass will find reset.
void dimensionner(double debut_E, double fin_E, spectres& s)
{
    s.Gmax = 0;
    s.Jrad_bande = 0;
    s.energie_gmax = 0;
    s.energie_gmax_definie = false;
    s.Gmax_tm = 0;
    s.energie_gmax_tm = 0;
    s.branches_incompletes = false;
    s.lignes.clear();

    // Enough entries for every index the accumulated energy can reach, plus
    // one left at 0 past the last point.
    // Both photon-energy loops step by 1 meV from debut_E to fin_E, each at
    // most 100000 meV (bounds of the run): every step is exact below 2^53, so
    // they end after fin_E - debut_E + 1 points at most.
    int dernier = -1;
    if (!(fin_E < debut_E))
        for (double E = debut_E; E <= fin_E; E += 1.0)
            dernier = std::max(dernier, static_cast<int>(std::trunc(E - debut_E)));
    const int taille = std::max({dernier + 2, static_cast<int>(std::trunc(fin_E - debut_E)) + 2, 1});
    s.gain_te.assign(taille, 0.0);
    s.gain_tm.assign(taille, 0.0);
    s.rsp.assign(taille, 0.0);
}

// Calls f with the denominator D(x) = Gamma / (pi L(x)) (J^2) of the line
// shape L of half width Gamma (J) at detuning x (J), the one the k integrals
// divide by and the one forme_de_raie gives; Gamma2: Gamma^2, as the material
// model formed it. Beyond 40 w (sech) or 9 sigma (Gaussian) the line holds less
// than 1e-17 of its peak: the point counts 0 (an infinite denominator), and the
// exponential is not evaluated at the many k points far from resonance.
template <class F> decltype(auto) avec_raie(forme_raie forme, double Gamma, double Gamma2, F&& f)
{
    switch (forme) {
    case forme_raie::sech: {
        const double w = Gamma / arccosh_2;
        return f([Gamma, w](double x) {
            const double u = x / w;
            return std::fabs(u) > 40 ? HUGE_VAL : Gamma * w * std::cosh(u);
        });
    }
    case forme_raie::gauss: {
        const double sigma = Gamma / racine_2_ln_2;
        const double facteur = Gamma * sigma * racine_2_pi / pi;
        return f([sigma, facteur](double x) {
            const double u = x / sigma;
            return std::fabs(u) > 9 ? HUGE_VAL : facteur * std::exp(u * u / 2);
        });
    }
    case forme_raie::lorentz: break;
    }
    return f([Gamma2](double x) { return std::pow(x, 2.0) + Gamma2; });
}

// The momentum matrix element M (kg m/s) of the well's bulk, from Ep (eV): M^2 = m0 Ep / 6.
double element_moment(const resultats_materiau& mat) { return std::sqrt(mat.puits.Ep * m0 * q / 6); }

// The spontaneous emission's prefactor (s^-1 cm^-3 J^-1 per unit of the k
// integral) at photon energy E_J (J); E_J = 1 gives it per joule, the c_R of
// the whole-band current (the product is formed in the same order).
double prefacteur_emission(const resultats_materiau& mat, double E_J, double tau, double Lw)
{
    const double M = element_moment(mat);
    return (2 * mat.puits.nr * E_J * std::pow(q, 2.0) * std::pow(M, 2.0) / (pi * pi * tau)) /
           (Lw * 1e-4 * pi_eps0_m02_c3 * hbar);
}

// The three spectra at photon energy E (meV), entry idx: every transition's
// k integrals, weighted by its overlap and by its polarisation.
void spectre_en_E(double E, std::size_t idx, const reglages_spectres& r, const poids_branches& w,
                  const bandes_puits& b, spectres& s)
{
    const resultats_materiau& mat = b.m;
    const double Lw = r.largeur_puits;
    const double tau = r.calcul.demi_largeur_lorentz;
    const double prefacteur_gain = q2_fois_hbar / (mat.puits.nr * c_lumiere * epsilon0 * std::pow(m0, 2.0) * Lw * 1e-10);
    const double M = element_moment(mat);
    const double Gamma = demi_largeur_raie(tau); // J
    const int nb_E = b.k0.E.nb();
    s.gain_te[idx] = s.gain_tm[idx] = s.rsp[idx] = 0;
    avec_raie(r.modele.raie, Gamma, mat.largeur_lorentz_carre,
              [&](const auto& denominateur) { integrer_k(E, b.k0, b.d, s, denominateur); });

    const double E_J = E * q / 1000; // meV -> J
    const double A = 2 * prefacteur_gain * std::pow(M, 2.0) * Gamma / (100 * pi * E_J); // 1/m -> 1/cm
    // Spontaneous rate per unit volume and photon energy, s^-1 cm^-3 J^-1:
    // the golden rule gives pi^2 (one pi with the gain's, one of the
    // emission's mode density), so that rsp = nr^2 E^2 / (pi^2 hbar^3 c^2)
    // times the gain with fc fh in place of fc + fh - 1, in quasi-equilibrium.
    const double R = prefacteur_emission(mat, E_J, tau, Lw);

    if (b.melange) { // the polarisation weights are inside the integrals
        for (int n = 0; n < nb_E; ++n)
            for (int br = 0; br < w.nb_branches; ++br) {
                const std::size_t i = static_cast<std::size_t>(br) * nb_E + n;
                s.gain_te[idx] += A * s.integrale_gain[i];
                s.gain_tm[idx] += A * s.integrale_gain_tm[i];
                s.rsp[idx] += R * s.integrale_rsp[i];
            }
        return;
    }
    for (int n = 0; n < nb_E; ++n)
        for (int br = 0; br < w.nb_branches; ++br) {
            const std::size_t i = static_cast<std::size_t>(br) * nb_E + n;
            if (!w.pris[i]) continue;
            const double O2 = w.O2[i];
            const double ig = s.integrale_gain[i];
            const double ir = s.integrale_rsp[i];
            if (b.d.branche_lh[br] == 1) {
                // light hole: TE 1/4, TM 1 (zone-centre momentum matrix
                // elements 1/2 and 2 of the bulk M^2, against 3/2 and 0 for
                // heavy holes; A holds 2 M^2)
                s.gain_tm[idx] += A * O2 * ig;
                s.gain_te[idx] += (1.0 / 4.0) * A * O2 * ig;
            } else {
                // heavy hole: TE 3/4, no TM
                s.gain_te[idx] += (3.0 / 4.0) * A * O2 * ig;
            }
            s.rsp[idx] += 0.5 * R * O2 * ir;
        }
}

} // namespace

double forme_de_raie(forme_raie forme, double x, double Gamma)
{
    return avec_raie(forme, Gamma, Gamma * Gamma, [&](const auto& denominateur) { return Gamma / (pi * denominateur(x)); });
}

double retrecissement_gap(double coefficient, double largeur_puits, double N)
{
    if (coefficient == 0.0 || !(N > 0)) return 0.0;
    const double N_cm3 = densite_cm3(N, largeur_puits);
    return 1000 * coefficient * std::cbrt(N_cm3); // eV -> meV
}

void calculer_spectres(double EFC, double EFV, double N, const bandes_puits& b, const reglages_spectres& r, spectres& s)
{
    const double debut_E = r.calcul.debut_E, fin_E = r.calcul.fin_E;
    s.retrecissement_gap = retrecissement_gap(r.modele.renormalisation_gap, r.largeur_puits, N);
    dimensionner(debut_E, fin_E, s);
    // The whole-band emission needs the per-point tables even when the
    // printed window is empty.
    if (fin_E < debut_E && !r.modele.emission_complete) return;

    preparer_points(EFC, EFV, r, b, s);
    const poids_branches w = b.melange ? poids_melange_k(b.k0, b.d) : poids_emission(b.r, b.k0, b.d);
    if (r.modele.emission_complete) {
        const double Lw = r.largeur_puits;
        const double tau = r.calcul.demi_largeur_lorentz;
        // R(E) / E_J, the prefactor of the emission of spectre_en_E
        const double c_R = prefacteur_emission(b.m, 1.0, tau, Lw);
        s.Jrad_bande = courant_radiatif_bande(c_R, demi_largeur_raie(tau), Lw, w, b.k0, b.d, s, b.melange != nullptr);
    }
    if (fin_E < debut_E) return;
    s.branches_incompletes = w.incomplet;

    for (double E = debut_E; E <= fin_E; E += 1.0) {
        const std::size_t idx = static_cast<std::size_t>(std::trunc(E - debut_E));
        spectre_en_E(E, idx, r, w, b, s);
        // the peak modal gains, TE and TM, each with its own confinement factor
        const double g = r.cavite.facteur_confinement * s.gain_te[idx];
        if (s.Gmax == 0 || g > s.Gmax) {
            s.Gmax = g;
            s.energie_gmax = E;
            s.energie_gmax_definie = true;
        }
        const double g_tm = r.cavite.facteur_confinement_tm * s.gain_tm[idx];
        if (s.Gmax_tm == 0 || g_tm > s.Gmax_tm) {
            s.Gmax_tm = g_tm;
            s.energie_gmax_tm = E;
        }
        s.lignes.push_back({E, s.gain_te[idx], s.gain_tm[idx], s.rsp[idx]});
    }
}

double points_spectre(double debut_E, double fin_E)
{
    return fin_E < debut_E ? 0.0 : std::floor(fin_E - debut_E) + 1;
}

double memoire_lignes_k(int Nk) { return 64 * (static_cast<double>(Nk) + 1); }

double memoire_spectres(double points) { return 24 * points; }
