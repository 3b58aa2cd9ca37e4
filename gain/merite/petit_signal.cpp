#include "merite/petit_signal.hpp"

#include <cmath>
#include <complex>

#include "numerique/constantes.hpp"

namespace {

using constantes::pi;
using constantes::q;

// The linearised rate equations, d/dt (dN, dS) = -[[g_NN, g_NP], [-g_PN, g_PP]] (dN, dS),
// at photon density S0 (cm^-3). With the gain clamped, Gamma v_g g = 1/tau_p.
struct jacobien {
    double NN, NP, PN, PP; // s^-1, and cm^-3 s^-1 / cm^-3
};

jacobien linearise(const parametres_petit_signal& p, double S0)
{
    const double compresse = 1 + p.compression * S0;
    const double a = p.gain_differentiel / compresse; // dg/dN at S0, cm^2
    const double tau_p = p.duree_vie_photons;
    jacobien j;
    // stimulated recombination grows with N and falls with S through the compression
    j.NN = p.taux_recombinaison + p.vitesse_groupe * a * S0;
    j.NP = 1 / (p.confinement * tau_p * compresse);
    j.PN = p.confinement * p.vitesse_groupe * a * S0;
    j.PP = p.compression * S0 / (tau_p * compresse);
    return j;
}

double densite_photons(const parametres_petit_signal& p, double I)
{
    return p.confinement * p.duree_vie_photons * p.eta_interne * (I - p.courant_seuil) / (q * p.volume);
}

} // namespace

point_petit_signal reponse_petit_signal(const parametres_petit_signal& p, double I)
{
    point_petit_signal r;
    r.I = I;
    r.S0 = densite_photons(p, I);
    const jacobien j = linearise(p, r.S0);
    const double wR2 = j.NP * j.PN + j.NN * j.PP;
    const double gamma = j.NN + j.PP;
    r.f_r = std::sqrt(wR2) / (2 * pi);
    r.amortissement = gamma;
    // |H|^2 = 1/2: w^4 + (gamma^2 - 2 wR^2) w^2 - wR^4 = 0, one positive root in w^2
    const double b = gamma * gamma - 2 * wR2;
    const double w2 = (-b + std::sqrt(b * b + 4 * wR2 * wR2)) / 2;
    r.f_3dB = std::sqrt(w2) / (2 * pi);
    return r;
}

double module_reponse(const parametres_petit_signal& p, double I, double f)
{
    const jacobien j = linearise(p, densite_photons(p, I));
    // (i w + g_NN) dN + g_NP dS = drive, -g_PN dN + (i w + g_PP) dS = 0: dS = g_PN drive / det(w)
    auto det = [&](double w) {
        const std::complex<double> iw(0, w);
        return (iw + j.NN) * (iw + j.PP) + j.NP * j.PN;
    };
    return std::abs(det(0) / det(2 * pi * f));
}

double facteur_K(const parametres_petit_signal& p)
{
    return 4 * pi * pi * (p.duree_vie_photons + p.compression / (p.vitesse_groupe * p.gain_differentiel));
}

double facteur_D(const parametres_petit_signal& p)
{
    return std::sqrt(p.confinement * p.vitesse_groupe * p.gain_differentiel * p.eta_interne / (q * p.volume)) /
           (2 * pi);
}

double bande_passante_max(const parametres_petit_signal& p) { return 2 * pi * std::sqrt(2.0) / facteur_K(p); }
