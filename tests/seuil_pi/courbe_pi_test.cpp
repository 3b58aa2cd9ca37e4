// Light-current curve from the threshold left by the carrier loop.
#include "seuil_pi/courbe_pi.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Rmin = Rmax = 0.3 and no grating: both facets alike, half the power on each
// side. L = 0.5 cm and W = 0.25 cm make Jth = 0.4 A/cm^2 a threshold current
// of exactly 50 mA (the products by powers of two are exact).
parametres_calcul parametres_pi()
{
    parametres_calcul p;
    p.calcul.debut_courant = 0;
    p.calcul.fin_courant = 100;
    p.cavite.Rmin = 0.3;
    p.cavite.Rmax = 0.3;
    p.cavite.longueur_puce = 0.5;
    p.cavite.largeur_contact = 0.25;
    p.cavite.pertes_internes = 10;
    p.cavite.eta_interne = 0.8;
    p.bragg.lambda = 1550;
    return p;
}

etat_seuil seuil_50mA()
{
    etat_seuil e;
    e.reflectivite_effective = 0.3;
    e.Jth.total = 0.4;
    e.seuil_atteint = true;
    e.calcule = true;
    return e;
}

caracteristique_pi tracer(const parametres_calcul& p, const etat_seuil& e)
{
    return courbe_pi(p.cavite, p.bragg.lambda, p.calcul.debut_courant, p.calcul.fin_courant, e);
}

TEST(CourbePI, De0a100mA)
{
    const caracteristique_pi c = tracer(parametres_pi(), seuil_50mA());
    ASSERT_EQ(c.points.size(), 101u);
    for (std::size_t i = 0; i < c.points.size(); ++i) EXPECT_EQ(c.points[i].I, static_cast<double>(i) / 1000) << i;
    EXPECT_LT(c.points[0].P, 0.0); // below threshold: negative power
    EXPECT_LT(c.points[49].P, 0.0);
    EXPECT_EQ(c.points[50].P, 0.0);
    EXPECT_GT(c.points[100].P, 0.0);
}

// Two identical facets: F = 1/2, and the power 50 mA above threshold is
// eta_int * F * (photon energy / q) * alpha_m / (alpha_m + alpha_i) * 0.05 A.
TEST(CourbePI, PuissanceDeDeuxFacettesEgales)
{
    const parametres_calcul p = parametres_pi();
    const caracteristique_pi c = tracer(p, seuil_50mA());
    const double alpha_m = std::log(1 / (0.3 * 0.3)) / (2 * 0.5);
    const double energie = 1.9878364683736348e-25 / (1550e-9) / 1.60218e-19;
    const double attendu = 0.05 * 0.8 * 0.5 * energie * alpha_m / (alpha_m + 10);
    ASSERT_EQ(c.points.size(), 101u);
    EXPECT_NEAR(c.points[100].P, attendu, 1e-12);
    EXPECT_NEAR(c.points[0].P, -attendu, 1e-12);
    EXPECT_NEAR(c.pente, attendu / 0.05, 1e-12);
}

TEST(CourbePI, BornesDesCourants)
{
    struct cas {
        int debut, fin;
        std::size_t lignes;
    };
    for (const cas c : {cas{20, 20, 1}, cas{30, 20, 0}, cas{-2, 2, 5}}) {
        parametres_calcul p = parametres_pi();
        p.calcul.debut_courant = c.debut;
        p.calcul.fin_courant = c.fin;
        const caracteristique_pi pi = tracer(p, seuil_50mA());
        ASSERT_EQ(pi.points.size(), c.lignes) << c.debut << ".." << c.fin;
        if (c.lignes > 0) {
            EXPECT_EQ(pi.points[0].I, c.debut / 1000.0);
        }
    }
}

TEST(CourbePI, SansPasseNiPointNiPente)
{
    const caracteristique_pi c = tracer(parametres_pi(), etat_seuil{});
    EXPECT_TRUE(c.points.empty());
    EXPECT_EQ(c.pente, 0.0);
}

} // namespace

// Below threshold the laser gives no light: header only, the slope still
// returned for the summary; the threshold is that of its first crossing,
// not of the last pass.
TEST(CourbePI, SeuilNonAtteintOuAtteintPlusTot)
{
    etat_seuil sous = seuil_50mA();
    sous.seuil_atteint = false;
    const parametres_calcul p = parametres_pi();
    const double alpha_m = std::log(1 / (0.3 * 0.3)) / (2 * 0.5);
    const double energie = 1.9878364683736348e-25 / (1550e-9) / 1.60218e-19;
    const caracteristique_pi c = tracer(p, sous);
    EXPECT_NEAR(c.pente, 0.8 * 0.5 * energie * alpha_m / (alpha_m + 10), 1e-12);
    EXPECT_TRUE(c.points.empty());

    const etat_seuil plus_tot = seuil_50mA(); // Jth of the first crossing, whatever came later
    EXPECT_EQ(tracer(p, plus_tot).points[50].P, 0.0);
}

// The cavity that reached threshold sets the law: the chip alone emits at its
// own wavelength through Rmin, even with a grating present (R_eff = 0.5
// here); the grating's cavity at the grating's wavelength through R_eff.
TEST(CourbePI, LaCaviteQuiLaseDonneLaLongueurDOndeEtLaFacette)
{
    const struct {
        const char* nom;
        bool bragg;
        double lambda_seuil, R, lambda; // the law's reflectivity and wavelength
    } cas[] = {
        {"puce seule", false, 1540, 0.3, 1540},
        {"réseau accroché", true, 1550, 0.5, 1550},
    };
    const parametres_calcul p = parametres_pi();
    for (const auto& c : cas) {
        etat_seuil e = seuil_50mA();
        e.reflectivite_effective = 0.5;
        e.bragg_seuil = c.bragg;
        e.lambda_seuil = c.lambda_seuil;
        const double F = std::sqrt(0.3) * (1 - c.R) / (std::sqrt(c.R) * (1 - 0.3) + std::sqrt(0.3) * (1 - c.R));
        const double alpha_m = std::log(1 / (0.3 * c.R)) / (2 * 0.5);
        const double energie = 1.9878364683736348e-25 / (c.lambda * 1e-9) / 1.60218e-19;
        const double pente = 0.8 * F * energie * alpha_m / (alpha_m + 10);
        const caracteristique_pi pi = tracer(p, e);
        EXPECT_NEAR(pi.pente, pente, 1e-12) << c.nom;
        ASSERT_EQ(pi.points.size(), 101u) << c.nom;
        EXPECT_NEAR(pi.points[100].P, 0.05 * pente, 1e-12) << c.nom;
    }
}
