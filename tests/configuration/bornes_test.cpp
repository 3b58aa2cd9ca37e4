// Bounds of the run on the example's parameters: each bound accepts its
// largest value and refuses the next, naming the key; the memory estimate
// refuses tables the machine cannot hold; a failed write stops with the file
// and the system's reason.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>

#include "configuration/arret.hpp"
#include "configuration/bornes.hpp"
#include "configuration/ecriture.hpp"
#include "configuration/parametres.hpp"
#include "e2e/config_exemple.hpp"
#include "e2e/harnais.hpp"

namespace {

parametres_calcul parametres_exemple()
{
    dossier_temporaire d;
    d.ecrire_config(config_exemple());
    parametres_calcul p;
    lire_parametres((d.chemin / "config.ini").string(), p);
    return p;
}

const ampleur_structure ampleur_exemple{179.8, 110.2, -20.0}; // meV, as the example's material model

std::optional<std::string> refus(const parametres_calcul& p, const serie_demandee& s = {1, 0.0},
                                 const ampleur_structure& a = ampleur_exemple, double memoire = 1e12)
{
    try {
        verifier_bornes(p, a, s, memoire);
    } catch (const arret_calcul& arret) {
        EXPECT_EQ(arret.statut, 1);
        return arret.message;
    }
    return std::nullopt;
}

TEST(Bornes, ChaqueBorneAccepteSaValeurExtremeEtRefuseAuDela)
{
    using P = parametres_calcul;
    struct cas {
        const char* nom;
        std::function<void(P&, serie_demandee&)> accepte, refuse;
        const char* morceau; // of the refusal
    };
    const cas table[] = {
        {"Nk", [](P& p, serie_demandee&) { p.calcul.Nk = 100000; }, [](P& p, serie_demandee&) { p.calcul.Nk = 100001; },
         "clé Nk [calcul] : 100001 ; accepté : [2, 100000]"},
        {"Nk avec ky", [](P& p, serie_demandee&) { p.calcul.Nk = 3161, p.calcul.Nky = 3162, p.calcul.deltaE = 1; },
         [](P& p, serie_demandee&) { p.calcul.Nk = 3162, p.calcul.Nky = 3163, p.calcul.deltaE = 1; }, "Nk <= 3161 avec ky"},
        // the dispersion's grid is the longest: (2 Vv + |dE_hydro|/3) / deltaE + 2
        {"deltaE", [](P& p, serie_demandee&) { p.calcul.deltaE = 2.3e-5; p.calcul.Nk = 2; },
         [](P& p, serie_demandee&) { p.calcul.deltaE = 2.2e-5; p.calcul.Nk = 2; }, "soit deltaE >= 2.27067e-05 meV"},
        {"évaluations de la dispersion", [](P& p, serie_demandee&) { p.calcul.deltaE = 0.03; p.calcul.Nk = 3161, p.calcul.Nky = 3162; },
         [](P& p, serie_demandee&) { p.calcul.deltaE = 0.02; p.calcul.Nk = 3161, p.calcul.Nky = 3162; },
         "la dispersion demande"},
        {"fin_E", [](P& p, serie_demandee&) { p.calcul.fin_E = 1e5; }, [](P& p, serie_demandee&) { p.calcul.fin_E = 1e5 + 1; },
         "clé fin_E [calcul]"},
        {"debut_E", [](P& p, serie_demandee&) { p.calcul.debut_E = 1e5; }, [](P& p, serie_demandee&) { p.calcul.debut_E = 2e5; },
         "clé debut_E [calcul]"},
        {"passes", [](P&, serie_demandee& s) { s.nombre_passes = 100000; },
         [](P&, serie_demandee& s) { s.nombre_passes = 100001; }, "Nombre de densités hors bornes : 100001"},
        {"lignes du fichier de gain", [](P& p, serie_demandee& s) { p.calcul.fin_E = p.calcul.debut_E + 999; s.nombre_passes = 100000; },
         [](P& p, serie_demandee& s) { p.calcul.fin_E = p.calcul.debut_E + 1000; s.nombre_passes = 100000; },
         "Fichier de gain trop grand"},
        {"densité de la série", [](P&, serie_demandee& s) { s.nombre_passes = 11, s.pas_porteurs_cm3 = 9.99e19; },
         [](P&, serie_demandee& s) { s.nombre_passes = 11, s.pas_porteurs_cm3 = 1e20; }, "la série va jusqu'à"},
        {"Ninj", [](P& p, serie_demandee&) { p.calcul.Ninj = 1e21; }, [](P& p, serie_demandee&) { p.calcul.Ninj = 1.1e21; },
         "clé Ninj [calcul]"},
        {"fin_courant", [](P& p, serie_demandee&) { p.calcul.fin_courant = 1000000; },
         [](P& p, serie_demandee&) { p.calcul.fin_courant = 1000001; }, "clé fin_courant [calcul]"},
        {"debut_courant", [](P& p, serie_demandee&) { p.calcul.debut_courant = 1000000; },
         [](P& p, serie_demandee&) { p.calcul.debut_courant = 1000001; }, "clé debut_courant [calcul]"},
        {"largeur du puits", [](P& p, serie_demandee&) { p.couches.largeur_puits = 1e4; },
         [](P& p, serie_demandee&) { p.couches.largeur_puits = 1.0001e4; }, "clé largeur [puits]"},
        {"largeur de barrière", [](P& p, serie_demandee&) { p.couches.largeur_barriere = 1e6; },
         [](P& p, serie_demandee&) { p.couches.largeur_barriere = NAN; }, "clé largeur [barriere] : nan"},
        {"temperature", [](P& p, serie_demandee&) { p.couches.T = 1e4; }, [](P& p, serie_demandee&) { p.couches.T = 1e5; },
         "clé temperature [constantes]"},
        {"nb_fils", [](P& p, serie_demandee&) { p.calcul.nb_fils = 1024; }, [](P& p, serie_demandee&) { p.calcul.nb_fils = 1025; },
         "clé nb_fils [calcul]"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        P p = parametres_exemple();
        serie_demandee s;
        c.accepte(p, s);
        EXPECT_EQ(refus(p, s), std::nullopt);
        p = parametres_exemple();
        s = {};
        c.refuse(p, s);
        const auto message = refus(p, s);
        ASSERT_TRUE(message.has_value());
        EXPECT_NE(message->find(c.morceau), std::string::npos) << *message;
    }
}

TEST(Bornes, TablesQuiNeTiennentPasEnMemoireRefuseesAvantAllocation)
{
    parametres_calcul p = parametres_exemple();
    p.calcul.Nk = 3000;
    p.calcul.Nky = 3001;
    p.calcul.deltaE = 1;
    const double besoin = estimer_memoire(p, ampleur_exemple);
    EXPECT_GT(besoin, 130 * 3000.0 * 3001); // the 2-D table alone
    EXPECT_EQ(refus(p, {}, ampleur_exemple, besoin), std::nullopt);
    const auto message = refus(p, {}, ampleur_exemple, besoin / 2);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->rfind("Mémoire insuffisante : les tables du calcul demandent au moins 1.17 Go", 0), 0u)
        << *message;
    EXPECT_GT(memoire_disponible(), 1e8);
}

TEST(Ecriture, EchecSurDisquePleinNommeLeFichierEtLaRaison)
{
    fichier f(std::fopen("/dev/full", "w"));
    ASSERT_TRUE(f);
    std::fputs("Energie(meV)\n", f.get());
    try {
        fermer_fichier(f, "gain.txt");
        FAIL() << "écriture sur /dev/full acceptée";
    } catch (const arret_calcul& a) {
        EXPECT_EQ(a.message, "Erreur d'écriture dans le fichier gain.txt : No space left on device\n");
        EXPECT_EQ(a.statut, 1);
    }
}

} // namespace
