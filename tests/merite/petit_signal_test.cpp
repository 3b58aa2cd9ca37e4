// Small-signal response of the rate equations: without gain compression the
// relaxation frequency, the damping and the 3-dB bandwidth have closed forms;
// with it the response still meets its own definitions.
#include "merite/petit_signal.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double pi = 3.141592653589793, q = 1.60218e-19;

// A 980 nm quantum-well laser of some 25 mA threshold.
parametres_petit_signal laser(double compression)
{
    parametres_petit_signal p;
    p.duree_vie_photons = 9.8e-12;
    p.vitesse_groupe = 3e10 / 3.5;
    p.gain_differentiel = 1.6e-15;
    p.confinement = 0.015;
    p.compression = compression;
    p.taux_recombinaison = 1.5e9;
    p.eta_interne = 0.85;
    p.volume = 0.2 * 4e-4 * 75e-8;
    p.courant_seuil = 0.0255;
    return p;
}

TEST(PetitSignal, FormesCloseesSansCompression)
{
    const parametres_petit_signal p = laser(0);
    for (double I : {0.03, 0.05, 0.1, 0.3}) {
        const point_petit_signal r = reponse_petit_signal(p, I);
        const double S0 = p.confinement * p.duree_vie_photons * p.eta_interne * (I - p.courant_seuil) / (q * p.volume);
        const double vaS = p.vitesse_groupe * p.gain_differentiel * S0;
        const double wR = std::sqrt(vaS / p.duree_vie_photons);
        const double gamma = vaS + p.taux_recombinaison;
        EXPECT_NEAR(r.S0, S0, 1e-12 * S0) << I;
        EXPECT_NEAR(r.f_r, wR / (2 * pi), 1e-9 * r.f_r) << I;
        EXPECT_NEAR(r.amortissement, gamma, 1e-9 * gamma) << I;
        EXPECT_NEAR(r.amortissement, facteur_K(p) * r.f_r * r.f_r + p.taux_recombinaison, 1e-9 * gamma) << I;
        EXPECT_NEAR(r.f_r, facteur_D(p) * std::sqrt(I - p.courant_seuil), 1e-9 * r.f_r) << I;
        // |H|^2 = wR^4 / ((wR^2 - w^2)^2 + w^2 gamma^2) = 1/2 at the bandwidth
        const double w = 2 * pi * r.f_3dB;
        EXPECT_NEAR(std::pow(wR, 4.0) / (std::pow(wR * wR - w * w, 2.0) + w * w * gamma * gamma), 0.5, 1e-9) << I;
    }
    // weak damping: the bandwidth is sqrt(1 + sqrt 2) f_r
    parametres_petit_signal faible = p;
    faible.taux_recombinaison = 0;
    faible.duree_vie_photons = 1e-12;
    const point_petit_signal r = reponse_petit_signal(faible, 0.03);
    EXPECT_NEAR(r.f_3dB / r.f_r, std::sqrt(1 + std::sqrt(2.0)), 1e-3);
}

// The response of the linearised equations, solved at each frequency, against
// the two-pole form of the relaxation frequency and damping; with compression
// the K-factor relation gamma - gamma_0 = K f_r^2 / (1 + epsilon gamma_0 / (v_g dg/dN)).
TEST(PetitSignal, ReponseDesEquationsLineariseesAvecCompression)
{
    for (double epsilon : {0.0, 1e-17, 5e-17}) {
        const parametres_petit_signal p = laser(epsilon);
        for (double I : {0.05, 0.2}) {
            const point_petit_signal r = reponse_petit_signal(p, I);
            EXPECT_NEAR(module_reponse(p, I, 0), 1.0, 1e-12);
            EXPECT_NEAR(module_reponse(p, I, r.f_3dB), 1 / std::sqrt(2.0), 1e-9) << epsilon << " " << I;
            for (double f : {1e8, 1e9, 5e9, 2e10}) {
                const double wR2 = std::pow(2 * pi * r.f_r, 2.0), w = 2 * pi * f;
                const double deux_poles = wR2 / std::hypot(wR2 - w * w, w * r.amortissement);
                EXPECT_NEAR(module_reponse(p, I, f), deux_poles, 1e-9 * deux_poles) << epsilon << " " << I << " " << f;
            }
            const double correction = 1 + epsilon * p.taux_recombinaison / (p.vitesse_groupe * p.gain_differentiel);
            const double gamma_K = facteur_K(p) * r.f_r * r.f_r / correction + p.taux_recombinaison;
            EXPECT_NEAR(r.amortissement, gamma_K, 1e-9 * r.amortissement) << epsilon << " " << I;
        }
        // compression adds damping: the bandwidth the damping allows falls
        if (epsilon > 0) {
            EXPECT_LT(bande_passante_max(p), bande_passante_max(laser(0)));
        }
    }
}

} // namespace
