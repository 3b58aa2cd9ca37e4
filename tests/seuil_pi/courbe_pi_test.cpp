// Light-current curve from the threshold left by the carrier loop.
#include "seuil_pi/courbe_pi.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
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
    e.Jth_seuil = 0.4;
    e.seuil_atteint = true;
    e.calcule = true;
    return e;
}

struct sortie_pi {
    std::vector<std::string> lignes;
    std::string console;
};

sortie_pi tracer(const parametres_calcul& p, const etat_seuil& e)
{
    std::FILE* f = std::tmpfile();
    testing::internal::CaptureStdout();
    courbe_pi(p, e, f);
    sortie_pi s;
    s.console = testing::internal::GetCapturedStdout();
    std::fflush(f);
    std::rewind(f);
    std::string texte;
    for (int c; (c = std::fgetc(f)) != EOF;) texte.push_back(static_cast<char>(c));
    std::fclose(f);
    std::istringstream in(texte);
    for (std::string l; std::getline(in, l);) s.lignes.push_back(l);
    return s;
}

TEST(CourbePI, De0a100mA)
{
    const sortie_pi s = tracer(parametres_pi(), seuil_50mA());
    ASSERT_EQ(s.lignes.size(), 102u);
    EXPECT_EQ(s.lignes[0], "Courant (A)\tPopt (W)");
    EXPECT_EQ(s.lignes[1].rfind("0.000000\t-", 0), 0u) << s.lignes[1]; // below threshold: negative power
    EXPECT_EQ(s.lignes[50].rfind("0.049000\t-", 0), 0u) << s.lignes[50];
    EXPECT_EQ(s.lignes[51], "0.050000\t0.000000");
    EXPECT_EQ(s.lignes[101].rfind("0.100000\t", 0), 0u) << s.lignes[101];
    EXPECT_EQ(s.console, "");
}

// Two identical facets: F = 1/2, and the power 50 mA above threshold is
// eta_int * F * (photon energy / q) * alpha_m / (alpha_m + alpha_i) * 0.05 A.
TEST(CourbePI, PuissanceDeDeuxFacettesEgales)
{
    const parametres_calcul p = parametres_pi();
    const sortie_pi s = tracer(p, seuil_50mA());
    const double alpha_m = std::log(1 / (0.3 * 0.3)) / (2 * 0.5);
    const double energie = 1.9878364683736348e-25 / (1550e-9) / 1.60218e-19;
    const double attendu = 0.05 * 0.8 * 0.5 * energie * alpha_m / (alpha_m + 10);
    double I = 0, P = 0;
    ASSERT_EQ(std::sscanf(s.lignes[101].c_str(), "%lf\t%lf", &I, &P), 2);
    EXPECT_NEAR(P, attendu, 1e-6);
    ASSERT_EQ(std::sscanf(s.lignes[1].c_str(), "%lf\t%lf", &I, &P), 2);
    EXPECT_NEAR(P, -attendu, 1e-6);
}

TEST(CourbePI, BornesDesCourants)
{
    struct cas {
        int debut, fin;
        std::size_t lignes;
    };
    for (const cas c : {cas{20, 20, 2}, cas{30, 20, 1}, cas{-2, 2, 6}}) {
        parametres_calcul p = parametres_pi();
        p.calcul.debut_courant = c.debut;
        p.calcul.fin_courant = c.fin;
        const sortie_pi s = tracer(p, seuil_50mA());
        EXPECT_EQ(s.lignes.size(), c.lignes) << c.debut << ".." << c.fin;
    }
}

TEST(CourbePI, SansPasseEnTeteSeul)
{
    const sortie_pi s = tracer(parametres_pi(), etat_seuil{});
    ASSERT_EQ(s.lignes.size(), 1u);
    EXPECT_EQ(s.lignes[0], "Courant (A)\tPopt (W)");
    EXPECT_NE(s.console.find("pas de seuil calculé"), std::string::npos) << s.console;
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
    std::FILE* f = std::tmpfile();
    const double alpha_m = std::log(1 / (0.3 * 0.3)) / (2 * 0.5);
    const double energie = 1.9878364683736348e-25 / (1550e-9) / 1.60218e-19;
    EXPECT_NEAR(courbe_pi(p, sous, f), 0.8 * 0.5 * energie * alpha_m / (alpha_m + 10), 1e-12);
    std::fclose(f);
    EXPECT_EQ(tracer(p, sous).lignes.size(), 1u);

    const etat_seuil plus_tot = seuil_50mA(); // Jth_seuil of the first crossing, whatever came later
    EXPECT_EQ(tracer(p, plus_tot).lignes[51], "0.050000\t0.000000");
}
