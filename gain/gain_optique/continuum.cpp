#include "gain_optique/continuum.hpp"

#include <cmath>

#include "numerique/constantes.hpp"

namespace {

using constantes::hbar2;
using constantes::kB;
using constantes::pi;
using constantes::q;

// Below it the series, above it the quadrature.
constexpr double eta_serie = -1.0;

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

} // namespace

continuum_barrieres former_continuum(const resultats_k0& k0, const resultats_materiau& m, double largeur_barriere,
                                     double B)
{
    continuum_barrieres c;
    c.largeur = largeur_barriere;
    c.Vc = m.Vc;
    c.Vv = m.Vv;
    c.masse_c = k0.bande_E.masse_barriere;
    c.masse_hh = k0.bande_HH.masse_barriere;
    c.masse_lh = k0.bande_LH.masse_barriere;
    c.B = B;
    return c;
}

double integrale_fermi_demi(double eta)
{
    return eta <= eta_serie ? serie_fermi(eta) : quadrature_fermi(eta);
}

double electrons_continuum(double EFC, double T, const continuum_barrieres& c)
{
    const double kT = kB * T;
    const double eta = (EFC - c.Vc) * constantes::joule_par_meV / kT; // meV -> J
    return 2 * c.largeur * constantes::metre_par_angstrom * densite_effective(c.masse_c, kT) *
           integrale_fermi_demi(eta);
}

double trous_continuum(double EFV, double T, const continuum_barrieres& c)
{
    const double kT = kB * T;
    const double eta = (EFV - c.Vv) * constantes::joule_par_meV / kT; // hole axis: EFV above Vv fills the band
    return 2 * c.largeur * constantes::metre_par_angstrom *
           (densite_effective(c.masse_hh, kT) + densite_effective(c.masse_lh, kT)) * integrale_fermi_demi(eta);
}

double courant_radiatif_continuum(double n, double p, const continuum_barrieres& c)
{
    const double epaisseur = 2 * c.largeur * 1e-8;                   // Å -> cm
    const double n_cm2 = n * 1e-4, p_cm2 = p * 1e-4;                 // m^-2 -> cm^-2
    return q * c.B * n_cm2 * p_cm2 / epaisseur;                       // q B n3 p3 (2 Lb), A/cm^2
}
