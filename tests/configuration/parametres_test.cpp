// Run parameters: the checks at their boundaries, the reading order (the
// first failure stops and later keys are never read), and that every field
// receives the key of its own section.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "configuration/parametres.hpp"
#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"
#include "configuration/arret.hpp"

namespace {

struct modification {
    std::string section, cle;
    std::optional<std::string> valeur; // nothing: the key is removed
};

// Reads the example with the modifications; the stop message, or nothing.
// The warnings are kept in `avertissements` (dropped when null).
std::optional<std::string> message_lecture(const std::vector<modification>& mods, parametres_calcul* sortie = nullptr,
                                           std::vector<std::string>* avertissements = nullptr)
{
    std::vector<std::string> ignores;
    auto e = entrees_exemple();
    for (const auto& m : mods) changer_cle(e, m.section, m.cle, m.valeur);
    dossier_temporaire d;
    d.ecrire_config(texte_config(e));
    parametres_calcul p;
    try {
        lire_parametres((d.chemin / "config.ini").string(), p, journal{avertissements ? avertissements : &ignores});
    } catch (const arret_calcul& a) {
        EXPECT_EQ(a.statut, 1);
        return a.message;
    }
    if (sortie) *sortie = p;
    return std::nullopt;
}

const std::string msg_Nk = "Il faut au moins 2 valeurs sur kx pour effectuer les calculs (Nkx>2)\n";
const std::string msg_deltak = "deltak doit etre strictement positif.\n";
const std::string msg_deltaE = "deltaE doit etre strictement positif.\n";
const std::string msg_Ninj = "Ninj doit etre strictement positif.\n";
const std::string msg_debut_E = "debut_E doit etre strictement positif.\n";
const std::string msg_fin_E = "fin_E doit etre strictement positif.\n";
const std::string msg_debut_i = "debut_i doit etre positif.\n";
const std::string msg_fin_i = "fin_i doit etre strictement positif.\n";
std::string absente(const std::string& cle) { return "Probleme dans le fichier .ini\nParametre : " + cle + "\n"; }
// nan and inf are no decimal numbers: the reader refuses them before the check.
std::string non_decimal(const std::string& cle, const std::string& texte)
{
    return "Valeur illisible pour la clé " + cle + " [calcul] : « " + texte +
           " » (nombre décimal attendu : ni hexadécimal, ni inf, ni nan).\n";
}

TEST(Parametres, VerificationsAuxBornes)
{
    struct cas {
        std::vector<modification> mods;
        std::optional<std::string> attendu;
    };
    const std::optional<std::string> accepte;
    const cas table[] = {
        {{{"calcul", "Nk", "2"}}, accepte},
        {{{"calcul", "Nk", "1"}}, msg_Nk},
        {{{"calcul", "Nk", "0"}}, msg_Nk},
        {{{"calcul", "Nk", "-4"}}, msg_Nk},
        {{{"calcul", "Nk", std::nullopt}}, msg_Nk},
        {{{"calcul", "debut_courant", "0"}}, accepte},
        {{{"calcul", "debut_courant", "-1"}}, msg_debut_i},
        {{{"calcul", "debut_courant", std::nullopt}}, accepte},
        {{{"calcul", "fin_courant", "1"}}, accepte},
        {{{"calcul", "fin_courant", "0"}}, msg_fin_i},
        {{{"calcul", "fin_courant", std::nullopt}}, msg_fin_i},
        // No check relates two keys.
        {{{"calcul", "fin_courant", "5"}, {"calcul", "debut_courant", "50"}}, accepte},
        {{{"calcul", "fin_E", "1"}}, accepte},
        {{{"calcul", "deltak", "1e-30"}}, accepte},
        {{{"calcul", "deltak", "0"}}, msg_deltak},
        {{{"calcul", "deltak", "-1e7"}}, msg_deltak},
        {{{"calcul", "deltak", "nan"}}, non_decimal("deltak", "nan")},
        {{{"calcul", "deltak", "inf"}}, non_decimal("deltak", "inf")},
        {{{"calcul", "deltak", std::nullopt}}, absente("deltak")},
        {{{"calcul", "deltaE", "0"}}, msg_deltaE},
        {{{"calcul", "deltaE", "nan"}}, non_decimal("deltaE", "nan")},
        {{{"calcul", "deltaE", "inf"}}, non_decimal("deltaE", "inf")},
        {{{"calcul", "Ninj", "0"}}, msg_Ninj},
        {{{"calcul", "Ninj", "-nan"}}, non_decimal("Ninj", "-nan")},
        {{{"calcul", "Ninj", "inf"}}, non_decimal("Ninj", "inf")},
        {{{"calcul", "debut_E", "0"}}, msg_debut_E},
        {{{"calcul", "debut_E", "inf"}}, non_decimal("debut_E", "inf")},
        {{{"calcul", "fin_E", "-0"}}, msg_fin_E},
        {{{"calcul", "fin_E", "nan"}}, non_decimal("fin_E", "nan")},
        // The first failure in reading order wins; later keys are never read.
        {{{"calcul", "Nk", "1"}, {"calcul", "deltak", std::nullopt}}, msg_Nk},
        {{{"calcul", "deltaE", "0"}, {"calcul", "Ninj", "0"}}, msg_deltaE},
        {{{"calcul", "fin_courant", "0"}, {"constantes", "temperature", std::nullopt}}, msg_fin_i},
        {{{"constantes", "temperature", std::nullopt}, {"calcul", "demi_largeur_lorentz", std::nullopt}},
         absente("temperature")},
        {{{"systeme", "K_delta_Ec", std::nullopt}}, absente("K_delta_Ec")},
        {{{"barriere", "a_y", std::nullopt}}, absente("a_y")},
        {{{"barriere", "largeur", std::nullopt}}, absente("largeur")},
        // Exact key match: bowing_Eg_x does not answer for bowing_Eg.
        {{{"barriere", "bowing_Eg", std::nullopt}}, absente("bowing_Eg")},
        {{{"puits", "mc_1-x", std::nullopt}}, absente("mc_1-x")},
        // Keys without a check take what they are given.
        {{{"calcul", "arret_seuil", std::nullopt}, {"calcul", "variation_en_ky", std::nullopt}}, accepte},
    };
    for (const auto& c : table) {
        std::string nom;
        for (const auto& m : c.mods) nom += m.cle + "=" + m.valeur.value_or("(absente)") + " ";
        SCOPED_TRACE(nom);
        const auto message = message_lecture(c.mods);
        EXPECT_EQ(message, c.attendu);
    }
}

TEST(Parametres, TemperatureEnSimplePrecision)
{
    parametres_calcul p;
    ASSERT_EQ(message_lecture({{"constantes", "temperature", "293.15"}}, &p), std::nullopt);
    EXPECT_EQ(p.couches.T, 293.149993896484375);
    ASSERT_EQ(message_lecture({}, &p), std::nullopt);
    EXPECT_EQ(p.couches.T, 300.0);
}

TEST(Parametres, NombreDePointsEnKy)
{
    struct cas {
        std::string variation;
        int Nky;
    };
    for (const cas& c : {cas{"0", 1}, cas{"1", 71}, cas{"5", 71}, cas{"-2", 71}}) {
        SCOPED_TRACE(c.variation);
        parametres_calcul p;
        ASSERT_EQ(message_lecture({{"calcul", "variation_en_ky", c.variation}}, &p), std::nullopt);
        EXPECT_EQ(p.calcul.Nky, c.Nky);
    }
}

TEST(Parametres, Gamma3DeLaBarrierePresentOuAbsent)
{
    parametres_calcul p;
    std::vector<std::string> avertissements;
    ASSERT_EQ(message_lecture({{"barriere", "gamma3_y", "2.5"}, {"barriere", "mc_y", "0.15"}}, &p, &avertissements),
              std::nullopt);
    EXPECT_TRUE(avertissements.empty());
    EXPECT_EQ(p.couches.Y.gamma3, 2.5);
    EXPECT_FALSE(p.couches.gamma3_y_absent);

    // Without the key, files written before it existed keep their results:
    // the barrier's gamma3 end value is mc_y, and the user is told.
    ASSERT_EQ(message_lecture({{"barriere", "gamma3_y", std::nullopt}, {"barriere", "mc_y", "0.15"}}, &p,
                              &avertissements),
              std::nullopt);
    EXPECT_EQ(avertissements, std::vector<std::string>{"Attention : gamma3 de la barriere pris egal a mc_y ; donnez "
                                                       "la cle gamma3_y dans la section [barriere]."});
    EXPECT_EQ(p.couches.Y.gamma3, 0.15);
    EXPECT_TRUE(p.couches.gamma3_y_absent);
}

// Every key gets a distinct value; each field must hold the value of its own
// key, in its own section (largeur and bowing_Eg exist in two sections).
TEST(Parametres, ChaqueChampRecoitSaCle)
{
    struct champ {
        std::string section, cle;
        double& (*membre)(parametres_calcul&);
    };
    using P = parametres_calcul;
    const champ champs[] = {
        {"calcul", "deltak", [](P& p) -> double& { return p.calcul.deltak; }},
        {"calcul", "deltaE", [](P& p) -> double& { return p.calcul.deltaE; }},
        {"calcul", "Ninj", [](P& p) -> double& { return p.calcul.Ninj; }},
        {"calcul", "debut_E", [](P& p) -> double& { return p.calcul.debut_E; }},
        {"calcul", "fin_E", [](P& p) -> double& { return p.calcul.fin_E; }},
        {"calcul", "demi_largeur_lorentz", [](P& p) -> double& { return p.calcul.demi_largeur_lorentz; }},
        {"systeme", "facteur_confinement", [](P& p) -> double& { return p.cavite.facteur_confinement; }},
        {"systeme", "Rmin", [](P& p) -> double& { return p.cavite.Rmin; }},
        {"systeme", "Rmax", [](P& p) -> double& { return p.cavite.Rmax; }},
        {"systeme", "longueur_puce", [](P& p) -> double& { return p.cavite.longueur_puce; }},
        {"systeme", "largeur_contact", [](P& p) -> double& { return p.cavite.largeur_contact; }},
        {"systeme", "pertes_internes", [](P& p) -> double& { return p.cavite.pertes_internes; }},
        {"systeme", "tau_nr", [](P& p) -> double& { return p.cavite.tau_nr; }},
        {"systeme", "eta_interne", [](P& p) -> double& { return p.cavite.eta_interne; }},
        {"systeme", "K_delta_Ec", [](P& p) -> double& { return p.couches.K_delta_Ec; }},
        {"puits", "ratio_x", [](P& p) -> double& { return p.couches.ratio_x; }},
        {"barriere", "ratio_y", [](P& p) -> double& { return p.couches.ratio_y; }},
        {"puits", "largeur", [](P& p) -> double& { return p.couches.largeur_puits; }},
        {"barriere", "largeur", [](P& p) -> double& { return p.couches.largeur_barriere; }},
        {"bragg", "couplage_puce_fibre", [](P& p) -> double& { return p.bragg.couplage_puce_fibre; }},
        {"bragg", "Rbragg", [](P& p) -> double& { return p.bragg.Rbragg; }},
        {"bragg", "lambda", [](P& p) -> double& { return p.bragg.lambda; }},
        {"bragg", "longueur_fibre", [](P& p) -> double& { return p.bragg.longueur_fibre; }},
        {"bragg", "attenuation", [](P& p) -> double& { return p.bragg.attenuation; }},
        {"puits", "mc_x", [](P& p) -> double& { return p.couches.X.mc; }},
        {"puits", "gamma1_x", [](P& p) -> double& { return p.couches.X.gamma1; }},
        {"puits", "gamma2_x", [](P& p) -> double& { return p.couches.X.gamma2; }},
        {"puits", "gamma3_x", [](P& p) -> double& { return p.couches.X.gamma3; }},
        {"puits", "Eg_0K_x", [](P& p) -> double& { return p.couches.X.Eg_0K; }},
        {"puits", "alpha_Eg_x", [](P& p) -> double& { return p.couches.X.alpha_Eg; }},
        {"puits", "beta_Eg_x", [](P& p) -> double& { return p.couches.X.beta_Eg; }},
        {"puits", "a_x", [](P& p) -> double& { return p.couches.X.a; }},
        {"puits", "aH_x", [](P& p) -> double& { return p.couches.X.aH; }},
        {"puits", "bS_x", [](P& p) -> double& { return p.couches.X.bS; }},
        {"puits", "C11_x", [](P& p) -> double& { return p.couches.X.C11; }},
        {"puits", "C12_x", [](P& p) -> double& { return p.couches.X.C12; }},
        {"puits", "Ep_x", [](P& p) -> double& { return p.couches.X.Ep; }},
        {"puits", "nr_x", [](P& p) -> double& { return p.couches.X.nr; }},
        {"barriere", "mc_y", [](P& p) -> double& { return p.couches.Y.mc; }},
        {"barriere", "gamma1_y", [](P& p) -> double& { return p.couches.Y.gamma1; }},
        {"barriere", "gamma2_y", [](P& p) -> double& { return p.couches.Y.gamma2; }},
        {"barriere", "gamma3_y", [](P& p) -> double& { return p.couches.Y.gamma3; }},
        {"barriere", "Eg_0K_y", [](P& p) -> double& { return p.couches.Y.Eg_0K; }},
        {"barriere", "alpha_Eg_y", [](P& p) -> double& { return p.couches.Y.alpha_Eg; }},
        {"barriere", "beta_Eg_y", [](P& p) -> double& { return p.couches.Y.beta_Eg; }},
        {"barriere", "a_y", [](P& p) -> double& { return p.couches.Y.a; }},
        {"puits", "mc_1-x", [](P& p) -> double& { return p.couches.Z.mc; }},
        {"puits", "gamma1_1-x", [](P& p) -> double& { return p.couches.Z.gamma1; }},
        {"puits", "gamma2_1-x", [](P& p) -> double& { return p.couches.Z.gamma2; }},
        {"puits", "gamma3_1-x", [](P& p) -> double& { return p.couches.Z.gamma3; }},
        {"puits", "Eg_0K_1-x", [](P& p) -> double& { return p.couches.Z.Eg_0K; }},
        {"puits", "alpha_Eg_1-x", [](P& p) -> double& { return p.couches.Z.alpha_Eg; }},
        {"puits", "beta_Eg_1-x", [](P& p) -> double& { return p.couches.Z.beta_Eg; }},
        {"puits", "a_1-x", [](P& p) -> double& { return p.couches.Z.a; }},
        {"puits", "aH_1-x", [](P& p) -> double& { return p.couches.Z.aH; }},
        {"puits", "bS_1-x", [](P& p) -> double& { return p.couches.Z.bS; }},
        {"puits", "C11_1-x", [](P& p) -> double& { return p.couches.Z.C11; }},
        {"puits", "C12_1-x", [](P& p) -> double& { return p.couches.Z.C12; }},
        {"puits", "Ep_1-x", [](P& p) -> double& { return p.couches.Z.Ep; }},
        {"puits", "nr_1-x", [](P& p) -> double& { return p.couches.Z.nr; }},
        {"puits", "bowing_Eg", [](P& p) -> double& { return p.couches.bowing_Eg_puits; }},
        {"puits", "bowing_Eg_x", [](P& p) -> double& { return p.couches.bowing_Eg_x_puits; }},
        {"barriere", "bowing_Eg", [](P& p) -> double& { return p.couches.bowing_Eg_barriere; }},
        {"barriere", "bowing_Eg_x", [](P& p) -> double& { return p.couches.bowing_Eg_x_barriere; }},
    };
    // Distinct values k/128, exact in decimal and in binary, inside every
    // physical domain (fractions, positive lengths and lifetimes).
    std::vector<modification> mods;
    auto valeur_de = [](int k) { return k / 128.0; };
    int k = 1;
    for (const auto& c : champs) {
        char texte[32];
        std::snprintf(texte, sizeof texte, "%.10g", valeur_de(++k));
        mods.push_back({c.section, c.cle, texte});
    }
    // The temperature is widened from single precision: exact for these.
    mods.push_back({"constantes", "temperature", "77.5"});
    mods.push_back({"calcul", "arret_seuil", "3"});
    mods.push_back({"calcul", "Nk", "11"});
    mods.push_back({"calcul", "variation_en_ky", "0"});
    mods.push_back({"calcul", "debut_courant", "12"});
    mods.push_back({"calcul", "fin_courant", "13"});
    mods.push_back({"calcul", "nb_fils", "2"});

    parametres_calcul p;
    ASSERT_EQ(message_lecture(mods, &p), std::nullopt);
    k = 1;
    for (const auto& c : champs) {
        SCOPED_TRACE(c.section + "/" + c.cle);
        EXPECT_EQ(c.membre(p), valeur_de(++k));
    }
    EXPECT_EQ(p.couches.T, 77.5);
    EXPECT_EQ(p.calcul.arret_seuil, 3);
    EXPECT_EQ(p.calcul.Nk, 11);
    EXPECT_EQ(p.calcul.Nky, 1);
    EXPECT_EQ(p.calcul.debut_courant, 12);
    EXPECT_EQ(p.calcul.fin_courant, 13);
    EXPECT_EQ(p.calcul.nb_fils, 2);
}

TEST(Parametres, FichiersDeSortieTelsQuEcrits)
{
    auto e = entrees_exemple();
    changer_cle(e, "sortie", "fichier_gain", " gain.txt");
    changer_cle(e, "sortie", "fichier_P-I", std::nullopt);
    changer_cle(e, "sortie", "fichier_dispersion", "E(k).txt");
    dossier_temporaire d;
    d.ecrire_config(texte_config(e));
    parametres_calcul p;
    lire_fichiers_sortie((d.chemin / "config.ini").string(), p);
    EXPECT_EQ(p.sortie.fichier_gain, std::optional<std::string>(" gain.txt"));
    EXPECT_EQ(p.sortie.fichier_param, std::optional<std::string>("parametres.txt"));
    EXPECT_EQ(p.sortie.fichier_PI, std::nullopt);
    EXPECT_EQ(p.sortie.fichier_dispersion, std::optional<std::string>("E(k).txt"));
    EXPECT_EQ(p.sortie.fichier_enveloppes, std::nullopt);
}

} // namespace
