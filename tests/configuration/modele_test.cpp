// The optional [modele] section: absent, every switch off; each key read and
// checked against its domain.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "configuration/arret.hpp"
#include "configuration/parametres.hpp"
#include "e2e/harnais.hpp"

namespace {

// Reads [modele] from a file holding `section` only; the stop message, or nothing.
std::optional<std::string> lire(const std::string& section, options_modele& o)
{
    dossier_temporaire d;
    d.ecrire_config(section);
    parametres_calcul p;
    try {
        std::vector<std::string> avertissements;
        lire_modele((d.chemin / "config.ini").string(), p, journal{&avertissements});
    } catch (const arret_calcul& a) {
        return a.message;
    }
    o = p.modele;
    return std::nullopt;
}

TEST(Modele, ClesLuesEtVerifiees)
{
    struct cas {
        std::string texte;
        std::optional<std::string> message; // nothing: accepted
    };
    const cas table[] = {
        {"[calcul]\nNk=3\n", std::nullopt},
        {"[modele]\nforme_raie= sech \n", std::nullopt},
        {"[modele]\nforme_raie=Sech\n", "Valeur hors domaine pour la clé forme_raie [modele] : « Sech » (accepté : "
                                         "lorentz, sech ou gauss).\n"},
        {"[modele]\nA_srh=-1\n", "Valeur hors domaine pour la clé A_srh [modele] : -1 (accepté : 0 ≤ A_srh ≤ 1e+12).\n"},
        {"[modele]\nC_auger=nan\n", "Valeur illisible pour la clé C_auger [modele] : « nan » (nombre décimal attendu : ni "
                                      "hexadécimal, ni inf, ni nan).\n"},
        {"[modele]\nC_auger=1e300\n",
         "Valeur hors domaine pour la clé C_auger [modele] : 1e+300 (accepté : 0 ≤ C_auger ≤ 1e-25).\n"},
        {"[modele]\nB_barriere=1e-6\n",
         "Valeur hors domaine pour la clé B_barriere [modele] : 1e-06 (accepté : 0 ≤ B_barriere ≤ 1e-07).\n"},
        {"[modele]\nemission_complete=2\n",
         "Valeur hors domaine pour la clé emission_complete [modele] : 2 (accepté : 0 ou 1).\n"},
        {"[modele]\nk_aligne=-1\n", "Valeur hors domaine pour la clé k_aligne [modele] : -1 (accepté : 0 ou 1).\n"},
        {"[modele]\nrenormalisation_gap=1\n",
         "Valeur hors domaine pour la clé renormalisation_gap [modele] : 1 (accepté : 0 ≤ renormalisation_gap ≤ 1e-06).\n"},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.texte);
        options_modele o;
        EXPECT_EQ(lire(c.texte, o), c.message);
    }
}

TEST(Modele, AbsentToutEteint_PresentChaqueCle)
{
    options_modele o;
    ASSERT_EQ(lire("[systeme]\ntau_nr=1e-9\n", o), std::nullopt);
    EXPECT_FALSE(o.present);
    EXPECT_EQ(o.raie, forme_raie::lorentz);
    EXPECT_FALSE(o.recombinaison_abc || o.emission_complete || o.k_aligne);
    EXPECT_EQ(o.renormalisation_gap, 0.0);

    // C alone switches the A N + C N^3 recombination on, with A = 0.
    ASSERT_EQ(lire("[modele]\nC_auger=3e-30\n", o), std::nullopt);
    EXPECT_TRUE(o.present && o.recombinaison_abc);
    EXPECT_EQ(o.A_srh, 0.0);
    EXPECT_EQ(o.C_auger, 3e-30);

    ASSERT_EQ(lire("[modele]\nforme_raie=gauss\nA_srh=1e8\nemission_complete=1\nk_aligne=0\nrenormalisation_gap=1.6e-8\n",
                   o),
              std::nullopt);
    EXPECT_EQ(o.raie, forme_raie::gauss);
    EXPECT_TRUE(o.recombinaison_abc && o.emission_complete && !o.k_aligne);
    EXPECT_EQ(o.A_srh, 1e8);
    EXPECT_EQ(o.renormalisation_gap, 1.6e-8);
}

} // namespace
