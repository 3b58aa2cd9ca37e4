// Threshold step: cavity choice, radiative current, threshold crossing and the
// parameter-file line, checked on hand-made spectra.
#include "seuil_pi/seuil.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double q = 1.60218e-19;

// A chip cavity of known threshold gain: Rmin = Rmax = 0.3, L = 0.05 cm,
// alpha_i = 10 cm^-1, no grating (Rbragg = 0).
parametres_calcul parametres_de_base()
{
    parametres_calcul p;
    p.cavite.Rmin = 0.3;
    p.cavite.Rmax = 0.3;
    p.cavite.longueur_puce = 0.05;
    p.cavite.pertes_internes = 10;
    p.cavite.tau_nr = 1e-9;
    p.cavite.facteur_confinement = 0.01;
    p.bragg.couplage_puce_fibre = 0.5;
    p.bragg.Rbragg = 0;
    p.bragg.lambda = 1550;
    p.bragg.longueur_fibre = 1;
    p.bragg.attenuation = 0;
    p.calcul.arret_seuil = 1;
    p.calcul.debut_E = 700;
    p.calcul.fin_E = 900;
    p.couches.largeur_puits = 80;
    return p;
}

double gth_puce(const parametres_calcul& p)
{
    return p.cavite.pertes_internes + std::log(1 / (p.cavite.Rmax * p.cavite.Rmin)) / (2 * p.cavite.longueur_puce);
}

reglages_seuil reglages(const parametres_calcul& p)
{
    return {p.cavite, p.bragg, p.calcul, p.modele, p.couches.largeur_puits};
}

// One pass with flat spectra of gain_te = te and rsp = 0.
ligne_seuil une_passe(const parametres_calcul& p, etat_seuil& etat, double Gmax, double te = 0, int i = 0,
                      double nombre_iterations = 1.0, double N = 1e15)
{
    const std::size_t n = 400;
    std::vector<double> gain_te(n, te), rsp(n, 0.0);
    return calculer_seuil(i, nombre_iterations, N, {gain_te, rsp, p.cavite.facteur_confinement, Gmax, 850, true},
                          reglages(p), etat);
}

// A series N_i = N0 + i dN with Gmax rising by 10 cm^-1 per pass crosses the
// chip threshold (34.08 cm^-1) between passes 2 and 3; the driver's loop ends
// when calculer_seuil says so.
struct serie {
    std::vector<ligne_seuil> lignes;
    int passes = 0;
};

serie serie_montante(int arret_seuil)
{
    parametres_calcul p = parametres_de_base();
    p.calcul.arret_seuil = arret_seuil;
    const int n = 6;
    etat_seuil etat;
    serie s;
    for (int i = 0; i < n; ++i) {
        ++s.passes;
        s.lignes.push_back(une_passe(p, etat, 10.0 * (i + 1), 0, i, n, 1e15 + i * 1e14));
        if (s.lignes.back().fin_boucle) break;
    }
    return s;
}

TEST(Seuil, FranchiALaPasse3AvecArret)
{
    const parametres_calcul p = parametres_de_base();
    const serie s = serie_montante(1);
    ASSERT_EQ(s.passes, 4);
    ASSERT_EQ(s.lignes.size(), 4u);
    const double Gth = gth_puce(p);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.lignes[i].Jth, s.lignes[i].Jnr) << "passe " << i;
    // Threshold current read on the line through passes 2 and 3 where G = Gth.
    const double J2 = s.lignes[2].Jth, J3 = s.lignes[3].Jnr;
    const double attendu = J2 + (J3 - J2) * (Gth - 30) / (40 - 30);
    EXPECT_NEAR(s.lignes[3].Jth, attendu, 1e-9);
    EXPECT_NE(s.lignes[3].Jth, s.lignes[3].Jnr);
    // The first column stays the density of the pass, in cm^-3.
    EXPECT_NEAR(s.lignes[3].N_cm3, (1e15 + 3e14) * 1e-6 / (80e-10), 1e6);
    EXPECT_NEAR(s.lignes[3].Gth, Gth, 1e-9);
}

TEST(Seuil, SansArretChaqueLigneInterpoleEntreSesDeuxPoints)
{
    const parametres_calcul p = parametres_de_base();
    const serie s = serie_montante(0);
    ASSERT_EQ(s.passes, 6);
    ASSERT_EQ(s.lignes.size(), 6u);
    const double Gth = gth_puce(p);
    // The previous point carries its own Jnr + Jrad, never an interpolated
    // Jth, so that every line past threshold reads the same threshold.
    for (int i = 3; i < 6; ++i) {
        const double G_prec = 10.0 * i, G = 10.0 * (i + 1), J = s.lignes[i].Jnr;
        const double J_prec = s.lignes[i - 1].Jnr + s.lignes[i - 1].Jrad;
        const double attendu = J_prec + (J - J_prec) * (Gth - G_prec) / (G - G_prec);
        EXPECT_NEAR(s.lignes[i].Jth, attendu, 1e-9) << "passe " << i;
    }
}

// The driver then stops the run, after "Accroche …" and before the line.
TEST(Seuil, PremiereDensiteDejaAuSeuil)
{
    const parametres_calcul p = parametres_de_base();
    for (double nombre_iterations : {5.0, 1.5}) {
        etat_seuil etat;
        EXPECT_TRUE(une_passe(p, etat, 100, 0, 0, nombre_iterations).depart_au_seuil) << nombre_iterations;
        EXPECT_FALSE(etat.calcule) << nombre_iterations;
        EXPECT_FALSE(une_passe(p, etat, 100, 0, 1, nombre_iterations).depart_au_seuil) << nombre_iterations;
    }
}

TEST(Seuil, PasseUniqueAuSeuilGardeJnrPlusJrad)
{
    const parametres_calcul p = parametres_de_base();
    etat_seuil etat;
    const ligne_seuil r = une_passe(p, etat, 100);
    EXPECT_TRUE(r.fin_boucle);
    EXPECT_EQ(r.Jth, r.Jnr + r.Jrad);
    EXPECT_TRUE(r.sans_point_precedent);
    EXPECT_FALSE(r.depart_au_seuil);
    EXPECT_TRUE(etat.calcule);
}

TEST(Seuil, PasseUniqueSousLeSeuil)
{
    const parametres_calcul p = parametres_de_base();
    etat_seuil etat;
    const ligne_seuil r = une_passe(p, etat, 20);
    EXPECT_FALSE(r.fin_boucle);
    EXPECT_NEAR(r.Jnr, q * 1e-4 * 1e15 / 1e-9, 1e-9);
    EXPECT_EQ(r.Jth, r.Jnr);
    EXPECT_FALSE(r.bragg);
    EXPECT_FALSE(r.sans_point_precedent);
}

// Cavity choice. Flat gain_te = te gives gain_bragg = facteur_confinement * te
// (lambda = 1550 nm lies at 800.5 meV, inside 700..900 meV). The grating is
// a cavity only with Rbragg > 0, a coupling > 0 and its wavelength in the
// window: otherwise the chip lases whatever the gain at lambda.
TEST(Seuil, ChoixDeLaCavite)
{
    struct cas {
        const char* nom;
        double Rbragg, couplage, lambda, Gmax, gain_bragg;
        bool bragg;
    };
    parametres_calcul p = parametres_de_base();
    const double L = p.cavite.longueur_puce;
    // With a grating: R_eff > Rmin, the threshold of the comparison is < 0.
    parametres_calcul pb = p;
    pb.bragg.Rbragg = 0.9;
    etat_seuil e0;
    une_passe(pb, e0, 0);
    const double R_eff = e0.reflectivite_effective;
    ASSERT_GT(R_eff, p.cavite.Rmin);
    const double ecart = std::log(p.cavite.Rmin / R_eff) / (2 * L); // < 0
    const cas tous[] = {
        {"sans réseau, gain Bragg > Gmax", 0, 0.5, 1550, 20, 20.5, false},
        {"sans réseau, gain Bragg < Gmax", 0, 0.5, 1550, 20, 19.5, false},
        {"sans couplage, gain Bragg > Gmax", 0.9, 0, 1550, 20, 40, false},
        {"réseau, avantage au-delà des pertes", 0.9, 0.5, 1550, 20, 20 + ecart + 0.5, true},
        {"réseau, avantage en deçà des pertes", 0.9, 0.5, 1550, 20, 20 + ecart - 0.5, false},
        {"réseau sous la fenêtre", 0.9, 0.5, 2000, -5, 0, false},
        {"réseau au-dessus de la fenêtre", 0.9, 0.5, 1000, -5, 0, false},
        {"réseau juste après la fin de la fenêtre", 0.9, 0.5, 1377.0, -5, 0, false}, // 901.05 meV
        {"réseau juste avant la fin de la fenêtre", 0.9, 0.5, 1378.8, -5, 0, true},  // 899.87 meV
        {"réseau au début de la fenêtre", 0.9, 0.5, 1240000.0 / 700.5, -5, 0, true},
    };
    for (const cas& c : tous) {
        parametres_calcul pc = p;
        pc.bragg.Rbragg = c.Rbragg;
        pc.bragg.couplage_puce_fibre = c.couplage;
        pc.bragg.lambda = c.lambda;
        etat_seuil etat;
        const ligne_seuil r = une_passe(pc, etat, c.Gmax, c.gain_bragg / p.cavite.facteur_confinement);
        const double Reff = etat.reflectivite_effective;
        EXPECT_EQ(r.bragg, c.bragg) << c.nom;
        if (c.bragg) {
            EXPECT_NEAR(r.Gth, p.cavite.pertes_internes + std::log(1 / (p.cavite.Rmax * Reff)) / (2 * L), 1e-9) << c.nom;
            EXPECT_EQ(r.lambda_emission, c.lambda) << c.nom;
        } else {
            EXPECT_NEAR(r.Gth, gth_puce(p), 1e-9) << c.nom;
            EXPECT_NEAR(r.lambda_emission, 1240000.0 / 850, 1e-9) << c.nom;
        }
        const reseau_bragg attendu = c.Rbragg == 0 || c.couplage == 0 ? reseau_bragg::absent
                                     : c.bragg || c.lambda == 1550 ? reseau_bragg::cavite
                                                                    : reseau_bragg::hors_fenetre;
        EXPECT_EQ(etat_reseau(pc.bragg, pc.calcul), attendu) << c.nom;
    }
}

// Radiative current on rsp[j] = j * s, s chosen so that one unit of the
// trapezoid sum gives 1e-3 A/cm^2: the sum over the strips tells how many
// strips there were and which points they read.
TEST(Seuil, CourantRadiatif)
{
    struct cas {
        const char* nom;
        double debut_E, fin_E, Jrad;
    };
    const cas tous[] = {
        {"100 bandes", 800, 900, 5.0},                   // integral of j over 0..100
        {"fin non entière", 800, 900.5, 5.05},           // + strip 100..101, the point 101 counting 0
        {"spectre d'un point", 800, 800, 0.0},
        {"spectre vide", 800, 799, 0.0},
    };
    for (const cas& c : tous) {
        parametres_calcul p = parametres_de_base();
        p.calcul.debut_E = c.debut_E;
        p.calcul.fin_E = c.fin_E;
        const double s = 1e-3 / (q * q * p.couches.largeur_puits * 1e-11);
        std::vector<double> gain_te(103, 0.0), rsp(103);
        for (std::size_t j = 0; j < rsp.size(); ++j) rsp[j] = static_cast<double>(j) * s;
        rsp[101] = 1e6 * s; // beyond the last point computed: never read as is
        gain_te[101] = 1e6;
        etat_seuil etat;
        const ligne_seuil l = calculer_seuil(
            0, 1.0, 1e15, {gain_te, rsp, p.cavite.facteur_confinement, 0, 850, c.fin_E >= c.debut_E}, reglages(p), etat);
        EXPECT_NEAR(l.Jrad, c.Jrad, 1e-9) << c.nom;
        EXPECT_EQ(etat.gain_bragg, 0.0) << c.nom;
    }
}

TEST(Seuil, SpectreVideGardeLeGainBraggEtLongueurDOndeNulle)
{
    parametres_calcul p = parametres_de_base();
    etat_seuil etat;
    etat.gain_bragg = 3.5; // found by an earlier pass
    p.calcul.fin_E = p.calcul.debut_E - 1;
    std::vector<double> vide(2, 0.0);
    // chip cavity: 3.5 < 10
    const ligne_seuil l =
        calculer_seuil(1, 2.0, 1e15, {vide, vide, p.cavite.facteur_confinement, 10, 0, false}, reglages(p), etat);
    EXPECT_EQ(etat.gain_bragg, 3.5);
    EXPECT_EQ(l.lambda_emission, 0.0);
    EXPECT_EQ(l.Jrad, 0.0);
}

} // namespace
