#include "gain_optique/continuum.hpp"

#include <cmath>

#include "gain_optique/recouvrements.hpp"
#include "numerique/constantes.hpp"

namespace {

using constantes::hbar2;
using constantes::kB;
using constantes::pi;
using constantes::q;

// Below it the series, above it the quadratures.
constexpr double eta_serie = -1.0;
// Terms of the series of dn: exp(j eta) <= exp(-48) past them.
constexpr int nb_termes = 48;
// Step in t = sqrt(e/kT) of the phase-shift sums: their integrand is not even
// in t, the error falls as h^4.
constexpr double pas_t = 0.04;
// The degenerate sums' phase shifts are tabulated up to the end of the sum at
// this eta (the Fermi level 20 kT past the barrier edge), computed beyond.
constexpr double eta_table = 20.0;

// sum_k (-1)^(k+1) x^k / k^(3/2), x = exp(eta) <= 1/e: each term below the
// previous one by x (k/(k+1))^(3/2), some 40 terms to 1e-17 at eta = -1.
double serie_fermi(double eta)
{
    const double x = std::exp(eta);
    double terme = x, somme = 0.0, puissance = x;
    for (int k = 1; k <= 200 && terme > 1e-17 * somme; ++k) {
        terme = puissance / (k * std::sqrt(static_cast<double>(k)));
        somme += k % 2 == 1 ? terme : -terme;
        puissance *= x;
    }
    return somme;
}

// With e = t^2, F = 4/sqrt(pi) int_0^inf t^2 dt / (1 + exp(t^2 - eta)): an even
// integrand that vanishes fast, so the trapezoid sum from 0 converges as
// exp(-2 pi d / h), d the distance to the real axis of the poles
// t^2 = eta + i pi: the step keeps that below 1e-17, and the sum ends where
// exp(eta - t^2) < 1e-20.
double quadrature_fermi(double eta)
{
    const double d = std::sqrt((std::sqrt(eta * eta + pi * pi) - eta) / 2);
    const double h = std::fmin(0.1, 2 * pi * d / 40);
    const double fin = std::sqrt(std::fmax(eta, 0.0) + 46.0);
    double somme = 0.0;
    for (int i = 1; i * h <= fin; ++i) {
        const double t = i * h;
        somme += t * t / (1.0 + std::exp(t * t - eta));
    }
    return 4 / std::sqrt(pi) * h * somme;
}

// Effective density of states 2 (m kT / (2 pi hbar^2))^(3/2), m^-3.
double densite_effective(double masse, double kT)
{
    return 2 * std::pow(masse * kT / (2 * pi * hbar2), 1.5);
}

// The phase shifts at the edge of the well holding n levels (Levinson, in one
// dimension): pi (n_e - 1/2) + pi n_o, the levels alternating even, odd, ...
// from the bottom; -pi/2 over a barrier, 0 without either.
double dephasage_au_bord(double V, int n)
{
    if (V > 0) return pi * ((n + 1) / 2 - 0.5) + pi * (n / 2);
    if (V < 0) return -pi / 2 + pi * n;
    return 0.0;
}

canal_continuum former_canal(const parametres_bande& b, int nb_lies, double largeur_puits, double masse_plan,
                             double kT)
{
    canal_continuum c;
    c.masse_puits = b.masse_puits;
    c.masse_barriere = b.masse_barriere;
    c.masse_plan = masse_plan;
    c.V = (b.bord_barriere - b.bord_puits) * constantes::joule_par_meV; // meV -> J
    c.L = largeur_puits * constantes::metre_par_angstrom;
    c.nb_lies = nb_lies;
    c.delta_0 = dephasage_au_bord(c.V, nb_lies);
    // The free barrier (no depth, one mass) scatters nothing.
    if (c.V == 0 && c.masse_puits == c.masse_barriere) return c;
    // C_j = m kT / (pi^2 hbar^2) int (delta(kT t^2) - delta_0) 2t exp(-j t^2) dt,
    // the trapezoid in t up to exp(-t^2) < 1e-20.
    c.C.assign(nb_termes, 0.0);
    const double prefacteur = masse_plan * kT / (pi * pi * hbar2);
    for (int i = 1; i * pas_t <= std::sqrt(46.0); ++i) {
        const double t = i * pas_t;
        const double g = (dephasage(c, kT * t * t) - c.delta_0) * 2 * t * pas_t * prefacteur;
        const double x = std::exp(-t * t);
        double puissance = x;
        for (int j = 0; j < nb_termes; ++j) {
            c.C[static_cast<std::size_t>(j)] += g * puissance;
            puissance *= x;
        }
    }
    for (int i = 1; i * pas_t <= std::sqrt(eta_table + 46.0); ++i) {
        const double t = i * pas_t;
        c.poids_t.push_back((dephasage(c, kT * t * t) - c.delta_0) * 2 * t);
    }
    return c;
}

} // namespace

double dephasage(const canal_continuum& c, double e)
{
    const double k = std::sqrt(2 * c.masse_barriere * e / hbar2);
    const double mw = c.masse_puits, mb = c.masse_barriere;
    const double x = e + c.V; // above the well edge
    double pair = 0, impair = 0;
    if (x > 0) {
        // psi = cos(qz) or sin(qz) in the well, cos(k|z| - kL/2 + phi) or
        // sin(kz - kL/2 + phi) outside: tan phi_e = (mb q / mw k) tan(qL/2),
        // tan phi_o = (mw k / mb q) tan(qL/2), each branch continuous in L from 0
        // (a pi per half turn of qL/2).
        const double qw = std::sqrt(2 * mw * x / hbar2);
        const double theta = qw * c.L / 2;
        const double r = mb * qw / (mw * k);
        const double t = std::tan(theta);
        const double tours = pi * std::floor((theta + pi / 2) / pi);
        pair = std::atan(r * t) + tours;
        impair = std::atan(t / r) + tours;
    } else if (x < 0) {
        // under the well edge (a barrier): cosh and sinh in it
        const double kappa = std::sqrt(2 * mw * -x / hbar2);
        const double th = std::tanh(kappa * c.L / 2);
        pair = std::atan(-(mb * kappa / (mw * k)) * th);
        impair = std::atan((mw * k / (mb * kappa)) * th);
    } else {
        impair = std::atan(mw * k * c.L / (2 * mb)); // q -> 0: tan(qL/2) / r -> mw k L / (2 mb)
    }
    return pair + impair - k * c.L;
}

double correction_dephasage(const canal_continuum& c, double eta, double kT)
{
    if (c.C.empty()) return 0.0;
    if (eta <= eta_serie) {
        // f = sum_j (-1)^(j+1) exp(j (eta - e/kT)) above the edge, eta < 0
        const double x = std::exp(eta);
        double puissance = x, somme = 0.0;
        for (int j = 0; j < nb_termes; ++j) {
            somme += (j % 2 == 0 ? 1.0 : -1.0) * puissance * c.C[static_cast<std::size_t>(j)];
            puissance *= x;
        }
        return somme;
    }
    const double fin = std::sqrt(std::fmax(eta, 0.0) + 46.0);
    double somme = 0.0;
    const std::size_t tabules = c.poids_t.size();
    for (int i = 1; i * pas_t <= fin; ++i) {
        const double t = i * pas_t;
        const auto rang = static_cast<std::size_t>(i - 1);
        const double g = rang < tabules ? c.poids_t[rang] : (dephasage(c, kT * t * t) - c.delta_0) * 2 * t;
        somme += g / (1.0 + std::exp(t * t - eta));
    }
    return c.masse_plan * kT / (pi * pi * hbar2) * pas_t * somme;
}

continuum_barrieres former_continuum(const resultats_k0& k0, const resultats_materiau& m, double largeur_puits,
                                     double largeur_barriere, double B, double T)
{
    continuum_barrieres c;
    c.largeur = 2 * largeur_barriere + largeur_puits;
    c.Vc = m.Vc;
    c.Vv = m.Vv;
    c.kT = kB * T;
    c.masse_c = k0.bande_E.masse_barriere;
    c.masse_hh = k0.bande_HH.masse_barriere;
    c.masse_lh = k0.bande_LH.masse_barriere;
    c.B = B;
    // The states the well takes from the continuum or gives back to it move in
    // the plane as its subbands do: for the electrons with the well's mass, as
    // the searches count a subband, so that a level binding at the edge takes
    // what the continuum gives up; the hole subbands follow the four-band
    // dispersion, and their channels keep the barrier's masses.
    c.E = former_canal(k0.bande_E, k0.E.nb(), largeur_puits, k0.bande_E.masse_puits, c.kT);
    c.HH = former_canal(k0.bande_HH, k0.HH.nb(), largeur_puits, c.masse_hh, c.kT);
    c.LH = former_canal(k0.bande_LH, k0.LH.nb(), largeur_puits, c.masse_lh, c.kT);
    return c;
}

double integrale_fermi_demi(double eta)
{
    return eta <= eta_serie ? serie_fermi(eta) : quadrature_fermi(eta);
}

double electrons_continuum(double EFC, const continuum_barrieres& c)
{
    const double eta = (EFC - c.Vc) * constantes::joule_par_meV / c.kT; // meV -> J
    return c.largeur * constantes::metre_par_angstrom * densite_effective(c.masse_c, c.kT) * integrale_fermi_demi(eta) +
           correction_dephasage(c.E, eta, c.kT);
}

double trous_continuum(double EFV, const continuum_barrieres& c)
{
    const double eta = (EFV - c.Vv) * constantes::joule_par_meV / c.kT; // hole axis: EFV past Vv fills the band
    const double F = integrale_fermi_demi(eta);
    const double W = c.largeur * constantes::metre_par_angstrom;
    return W * (densite_effective(c.masse_hh, c.kT) + densite_effective(c.masse_lh, c.kT)) * F +
           correction_dephasage(c.HH, eta, c.kT) + correction_dephasage(c.LH, eta, c.kT);
}

double courant_radiatif_continuum(double n, double p, const continuum_barrieres& c)
{
    const double epaisseur = c.largeur * 1e-8;       // Å -> cm
    const double n_cm2 = n * 1e-4, p_cm2 = p * 1e-4; // m^-2 -> cm^-2
    return q * c.B * n_cm2 * p_cm2 / epaisseur;      // q B n3 p3 W, A/cm^2
}

presence_puits calculer_presence(double largeur_puits, double largeur_barriere, const resultats_k0& k0)
{
    const std::vector<std::vector<double>> P = presences_dans_le_puits(largeur_puits, largeur_barriere, k0);
    return {P[0], P[1], P[2]};
}

void porteurs_du_puits(double EFC, double EFV, const std::vector<double>& electrons_niveaux,
                       const std::vector<double>& trous_branches, const resultats_dispersion& d,
                       const presence_puits& presence, double largeur_puits, const continuum_barrieres& c, double& n,
                       double& p)
{
    // the continuum spread over the structure, Lw / W of it over the well
    const double part = largeur_puits / c.largeur;
    n = part * electrons_continuum(EFC, c);
    for (std::size_t i = 0; i < electrons_niveaux.size() && i < presence.E.size(); ++i)
        n += presence.E[i] * electrons_niveaux[i];
    p = part * trous_continuum(EFV, c);
    std::size_t h = 0, l = 0;
    for (std::size_t s = 0; s < trous_branches.size(); ++s) {
        const bool lh = s < d.branche_lh.size() && d.branche_lh[s] == 1;
        std::size_t& rang = lh ? l : h;
        const std::vector<double>& P = lh ? presence.LH : presence.HH;
        p += (rang < P.size() ? P[rang] : 1.0) * trous_branches[s];
        ++rang;
    }
}
