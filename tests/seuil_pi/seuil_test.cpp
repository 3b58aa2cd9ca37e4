// Threshold step: cavity choice, radiative current, threshold crossing and the
// parameter file, checked on hand-made spectra.
#include "seuil_pi/seuil.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "configuration/arret.hpp"

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

// A file in memory-backed temporary storage, read back as text.
struct fichier_temp {
    std::FILE* f = std::tmpfile();
    ~fichier_temp() { std::fclose(f); }
    std::string texte() const
    {
        std::fflush(f);
        std::rewind(f);
        std::string s;
        for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
        return s;
    }
};

std::vector<std::vector<double>> lignes(const std::string& texte)
{
    std::vector<std::vector<double>> r;
    std::istringstream in(texte);
    for (std::string l; std::getline(in, l);) {
        std::vector<double> v;
        std::istringstream champs(l);
        for (double x; champs >> x;) v.push_back(x);
        r.push_back(v);
    }
    return r;
}

enum colonne { c_N, c_Gmax, c_Gth, c_Jnr, c_Jrad, c_Jth, c_lambda };

struct passe {
    bool fin;
    std::vector<double> ligne;
    std::string console;
};

// One pass with flat spectra of gain_te = te and rsp = 0.
passe une_passe(const parametres_calcul& p, etat_seuil& etat, double Gmax, double te = 0, int i = 0,
                double nombre_iterations = 1.0, double N = 1e15)
{
    const std::size_t n = 400;
    std::vector<double> gain_te(n, te), rsp(n, 0.0);
    fichier_temp f;
    testing::internal::CaptureStdout();
    const bool fin = calculer_seuil(i, nombre_iterations, N, {gain_te, rsp, p.cavite.facteur_confinement, Gmax, 850, true}, p, f.f, etat);
    const std::string console = testing::internal::GetCapturedStdout();
    auto l = lignes(f.texte());
    EXPECT_EQ(l.size(), 1u);
    return {fin, l.empty() ? std::vector<double>{} : l[0], console};
}

TEST(EnteteParam, OctetsWindows1252)
{
    fichier_temp f;
    ecrire_entete_param(f.f);
    const std::string attendu = "Nth (cm-3)\tGmax (cm-1)\tGth cavit\xE9 (cm-1)\tJnr (A/cm\xB2)\tJrad (A/cm\xB2)\t"
                                "Jth (A/cm\xB2)\tLambda \xE9mission (nm)\n";
    EXPECT_EQ(f.texte(), attendu);
    EXPECT_EQ(f.texte().size(), 99u);
}

// A series N_i = N0 + i dN with Gmax rising by 10 cm^-1 per pass crosses the
// chip threshold (34.08 cm^-1) between passes 2 and 3; the driver's loop ends
// when calculer_seuil says so.
struct serie {
    std::vector<std::vector<double>> lignes;
    int passes = 0;
};

serie serie_montante(int arret_seuil)
{
    parametres_calcul p = parametres_de_base();
    p.calcul.arret_seuil = arret_seuil;
    const int n = 6;
    etat_seuil etat;
    fichier_temp f;
    std::vector<double> gain_te(400, 0.0), rsp(400, 0.0);
    serie s;
    testing::internal::CaptureStdout();
    for (int i = 0; i < n; ++i) {
        ++s.passes;
        if (calculer_seuil(i, n, 1e15 + i * 1e14, {gain_te, rsp, p.cavite.facteur_confinement, 10.0 * (i + 1), 850, true}, p, f.f, etat)) break;
    }
    testing::internal::GetCapturedStdout();
    s.lignes = lignes(f.texte());
    return s;
}

TEST(Seuil, FranchiALaPasse3AvecArret)
{
    const parametres_calcul p = parametres_de_base();
    const serie s = serie_montante(1);
    ASSERT_EQ(s.passes, 4);
    ASSERT_EQ(s.lignes.size(), 4u);
    const double Gth = gth_puce(p);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(s.lignes[i][c_Jth], s.lignes[i][c_Jnr]) << "passe " << i;
    // Threshold current read on the line through passes 2 and 3 where G = Gth.
    const double J2 = s.lignes[2][c_Jth], J3 = s.lignes[3][c_Jnr];
    const double attendu = J2 + (J3 - J2) * (Gth - 30) / (40 - 30);
    EXPECT_NEAR(s.lignes[3][c_Jth], attendu, 1e-6);
    EXPECT_NE(s.lignes[3][c_Jth], s.lignes[3][c_Jnr]);
    // The first column stays the density of the pass, in cm^-3.
    EXPECT_NEAR(s.lignes[3][c_N], (1e15 + 3e14) * 1e-6 / (80e-10), 1e12);
    EXPECT_NEAR(s.lignes[3][c_Gth], Gth, 1e-5);
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
        const double G_prec = 10.0 * i, G = 10.0 * (i + 1), J = s.lignes[i][c_Jnr];
        const double J_prec = s.lignes[i - 1][c_Jnr] + s.lignes[i - 1][c_Jrad];
        const double attendu = J_prec + (J - J_prec) * (Gth - G_prec) / (G - G_prec);
        EXPECT_NEAR(s.lignes[i][c_Jth], attendu, 2e-6) << "passe " << i;
    }
}

TEST(Seuil, PremiereDensiteDejaAuSeuil)
{
    const std::string message = "Valeur de Ninj trop élevée pour boucler lors du calcul du seuil. Diminuez la "
                                "valeur de départ dans le fichier de config, ou le pas lors du P-I\n";
    const parametres_calcul p = parametres_de_base();
    for (double nombre_iterations : {5.0, 1.5}) {
        etat_seuil etat;
        std::vector<double> gain_te(400, 0.0), rsp(400, 0.0);
        fichier_temp f;
        testing::internal::CaptureStdout();
        try {
            calculer_seuil(0, nombre_iterations, 1e15, {gain_te, rsp, p.cavite.facteur_confinement, 100, 850, true}, p, f.f, etat);
            ADD_FAILURE() << "pas d'arrêt pour " << nombre_iterations;
        } catch (const arret_calcul& a) {
            EXPECT_EQ(a.message, message);
        }
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(f.texte(), "") << "ligne écrite pour " << nombre_iterations;
    }
}

TEST(Seuil, PasseUniqueAuSeuilGardeJnrPlusJrad)
{
    const parametres_calcul p = parametres_de_base();
    etat_seuil etat;
    const passe r = une_passe(p, etat, 100);
    EXPECT_TRUE(r.fin);
    EXPECT_EQ(r.ligne[c_Jth], r.ligne[c_Jnr] + r.ligne[c_Jrad]);
    EXPECT_NE(r.console.find("pas de point précédent"), std::string::npos) << r.console;
    EXPECT_TRUE(etat.calcule);
}

TEST(Seuil, PasseUniqueSousLeSeuil)
{
    const parametres_calcul p = parametres_de_base();
    etat_seuil etat;
    const passe r = une_passe(p, etat, 20);
    EXPECT_FALSE(r.fin);
    EXPECT_NEAR(r.ligne[c_Jnr], q * 1e-4 * 1e15 / 1e-9, 1e-6);
    EXPECT_EQ(r.ligne[c_Jth], r.ligne[c_Jnr]);
    EXPECT_EQ(r.console, "Accroche puce\n");
}

// Cavity choice. Flat gain_te = te gives gain_bragg = facteur_confinement * te
// (lambda = 1550 nm lies at 800.5 meV, inside 700..900 meV).
TEST(Seuil, ChoixDeLaCavite)
{
    struct cas {
        const char* nom;
        double Rbragg, Gmax, gain_bragg;
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
        {"sans réseau, gain Bragg > Gmax", 0, 20, 20.5, true},
        {"sans réseau, gain Bragg = Gmax", 0, 20, 20, false},
        {"sans réseau, gain Bragg < Gmax", 0, 20, 19.5, false},
        {"réseau, avantage au-delà des pertes", 0.9, 20, 20 + ecart + 0.5, true},
        {"réseau, avantage en deçà des pertes", 0.9, 20, 20 + ecart - 0.5, false},
    };
    for (const cas& c : tous) {
        parametres_calcul pc = p;
        pc.bragg.Rbragg = c.Rbragg;
        etat_seuil etat;
        const passe r = une_passe(pc, etat, c.Gmax, c.gain_bragg / p.cavite.facteur_confinement);
        EXPECT_NEAR(etat.gain_bragg, c.gain_bragg, 1e-9) << c.nom;
        if (c.Rbragg == 0) {
            EXPECT_EQ(etat.reflectivite_effective, p.cavite.Rmin) << c.nom;
        }
        const double Reff = etat.reflectivite_effective;
        if (c.bragg) {
            EXPECT_EQ(r.console, "Accroche Bragg\n") << c.nom;
            EXPECT_NEAR(r.ligne[c_Gth], p.cavite.pertes_internes + std::log(1 / (p.cavite.Rmax * Reff)) / (2 * L), 1e-5) << c.nom;
            EXPECT_EQ(r.ligne[c_lambda], 1550.0) << c.nom;
        } else {
            EXPECT_EQ(r.console, "Accroche puce\n") << c.nom;
            EXPECT_NEAR(r.ligne[c_Gth], gth_puce(p), 1e-5) << c.nom;
            EXPECT_NEAR(r.ligne[c_lambda], 1240000.0 / 850, 1e-6) << c.nom;
        }
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
        fichier_temp f;
        testing::internal::CaptureStdout();
        calculer_seuil(0, 1.0, 1e15, {gain_te, rsp, p.cavite.facteur_confinement, 0, 850, c.fin_E >= c.debut_E}, p, f.f, etat);
        testing::internal::GetCapturedStdout();
        const auto l = lignes(f.texte());
        ASSERT_EQ(l.size(), 1u) << c.nom;
        EXPECT_NEAR(l[0][c_Jrad], c.Jrad, 1e-6) << c.nom;
        EXPECT_EQ(etat.Jrad, 0.0) << c.nom; // rebuilt in every pass
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
    fichier_temp f;
    testing::internal::CaptureStdout();
    calculer_seuil(1, 2.0, 1e15, {vide, vide, p.cavite.facteur_confinement, 10, 0, false}, p, f.f, etat); // chip cavity: 3.5 < 10
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(etat.gain_bragg, 3.5);
    const auto l = lignes(f.texte());
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(l[0][c_lambda], 0.0);
    EXPECT_EQ(l[0][c_Jrad], 0.0);
}

} // namespace
