// The config.ini reader: which header opens a section, which line answers a
// key, and what the typed readers make of a value.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "configuration/lecteur_ini.hpp"
#include "e2e/harnais.hpp"
#include "configuration/arret.hpp"

namespace {

struct fichier_ini {
    dossier_temporaire dossier;
    std::string chemin;
    explicit fichier_ini(const std::string& texte) : chemin((dossier.chemin / "config.ini").string())
    {
        dossier.ecrire_config(texte);
    }
};

struct cas_lecture {
    const char* nom;
    std::string texte;
    std::string section, cle;
    std::optional<std::string> attendu;
};

TEST(LecteurIni, EntetesEtLignesDeCle)
{
    const std::string longue(1023, 'a');
    const cas_lecture table[] = {
        {"entete simple", "[puits]\nk=1\n", "puits", "k", "1"},
        {"dernier caractere jamais examine", "[puits)\nk=1\n", "puits", "k", "1"},
        {"debut du nom", "[pui]\nk=1\n", "puits", "k", "1"},
        {"deux caracteres ouvrent tout", "[]\nk=1\n", "puits", "k", "1"},
        {"deux caracteres ouvrent tout (bis)", "[x\nk=1\n", "puits", "k", "1"},
        {"blanc apres le crochet", "[puits] \nk=1\n", "puits", "k", std::nullopt},
        {"crochet seul", "[\nk=1\n", "puits", "k", std::nullopt},
        {"casse comptee", "[Puits]\nk=1\n", "puits", "k", std::nullopt},
        {"nom plus long", "[puitsX]\nk=1\n", "puits", "k", std::nullopt},
        {"cle avant tout entete", "k=1\n[puits]\nj=2\n", "puits", "k", std::nullopt},
        {"cle d'une autre section", "[barriere]\nk=1\n[puits]\nj=2\n", "puits", "k", std::nullopt},
        {"seule la premiere section", "[puits]\nj=1\n[puits]\nk=2\n", "puits", "k", std::nullopt},
        {"fin a l'entete suivant", "[puits]\n[autre]\nk=2\n", "puits", "k", std::nullopt},
        {"bowing_Eg avant bowing_Eg_x", "[puits]\nbowing_Eg=0.1\nbowing_Eg_x=0.2\n", "puits", "bowing_Eg", "0.1"},
        {"bowing_Eg apres bowing_Eg_x", "[puits]\nbowing_Eg_x=0.2\nbowing_Eg=0.1\n", "puits", "bowing_Eg", "0.1"},
        {"bowing_Eg_x apres bowing_Eg", "[puits]\nbowing_Eg=0.1\nbowing_Eg_x=0.2\n", "puits", "bowing_Eg_x", "0.2"},
        {"ligne sans egal sautee", "[puits]\nk 5\nk=7\n", "puits", "k", "7"},
        {"remarque contenant la cle", "[puits]\nla cle k vaut = 3\nk=7\n", "puits", "k", "7"},
        {"cle entouree de blancs", "[puits]\n\t k  = 5\n", "puits", "k", " 5"},
        {"valeur vide", "[puits]\nk=\n", "puits", "k", ""},
        {"blancs de tete gardes", "[puits]\nk=  gain.txt\n", "puits", "k", "  gain.txt"},
        {"premier egal seulement", "[puits]\nk=a=b\n", "puits", "k", "a=b"},
        {"premiere ligne gagne", "[puits]\nk=1\nk=2\n", "puits", "k", "1"},
        {"fins de ligne CRLF", "[puits]\r\nk=1\r\n", "puits", "k", "1"},
        {"sans fin de ligne finale", "[puits]\nk=1", "puits", "k", "1"},
        {"marque d'ordre UTF-8 sautee", "\xEF\xBB\xBF[puits]\nk=1\n", "puits", "k", "1"},
        {"ligne lue jusqu'a son octet nul", std::string("[puits]\nk=7\0 5\n", 15), "puits", "k", "7"},
        // A physical line longer than 1023 characters is read in pieces, each
        // a line of its own.
        {"morceau apres 1023 caracteres", "[puits]\n" + longue + "k=5\n", "puits", "k", "5"},
        {"entete dans un morceau", "[puits]\n" + longue + "[autre]\nk=5\n", "puits", "k", std::nullopt},
        {"valeur coupee a 1023", "[puits]\nk=" + std::string(1500, '9') + "\n", "puits", "k", std::string(1021, '9')},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        const fichier_ini f(c.texte);
        EXPECT_EQ(lire_ini(f.chemin, c.section, c.cle), c.attendu);
        EXPECT_EQ(lire_chaine(f.chemin, c.section, c.cle), c.attendu);
    }
}

TEST(LecteurIni, FichierAbsent)
{
    dossier_temporaire d;
    const std::string chemin = (d.chemin / "config.ini").string();
    EXPECT_FALSE(fichier_lisible(chemin));
    EXPECT_EQ(lire_ini(chemin, "puits", "k"), std::nullopt);
    EXPECT_EQ(lire_entier(chemin, "puits", "k"), 0);
    EXPECT_EQ(lire_reel_optionnel(chemin, "puits", "k"), std::nullopt);
    try {
        lire_reel(chemin, "puits", "largeur");
        FAIL() << "lire_reel must stop";
    } catch (const arret_calcul& a) {
        EXPECT_EQ(a.message, "Probleme dans le fichier .ini\nParametre : largeur\n");
        EXPECT_EQ(a.statut, 1);
    }
}

// A value is a number followed by nothing but blanks; anything else stops
// the run with a message naming the key, the text and the slip.
TEST(LecteurIni, ConversionsNumeriques)
{
    struct cas {
        std::string valeur;
        std::optional<int> entier;
        std::optional<double> reel;
        std::string raison; // of the refusal of the integer, or of both
    };
    const cas table[] = {
        {"  12", 12, 12.0, ""},
        {"-3", -3, -3.0, ""},
        {"+4 \t", 4, 4.0, ""},
        {"2.9", std::nullopt, 2.9, "un nombre entier est attendu"},
        {"1e18", std::nullopt, 1e18, "un nombre entier est attendu"},
        {"0,03", std::nullopt, std::nullopt, "le séparateur décimal est le point"},
        {"7 cm", std::nullopt, std::nullopt, "texte après le nombre"},
        {"abc", std::nullopt, std::nullopt, "ce n'est pas un nombre"},
        {"", std::nullopt, std::nullopt, "ce n'est pas un nombre"},
        {"99999999999", std::nullopt, 99999999999.0, "entier trop grand"},
    };
    auto message = [](auto lire) -> std::string {
        try {
            lire();
        } catch (const arret_calcul& a) {
            return a.message;
        }
        return "";
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.valeur);
        const fichier_ini f("[calcul]\nk=" + c.valeur + "\n");
        const std::string m_entier = message([&] { return lire_entier(f.chemin, "calcul", "k"); });
        const std::string m_reel = message([&] { return lire_reel(f.chemin, "calcul", "k"); });
        if (c.entier) EXPECT_EQ(lire_entier(f.chemin, "calcul", "k"), *c.entier);
        else EXPECT_EQ(m_entier, "Valeur illisible pour la clé k [calcul] : « " + c.valeur + " » (" + c.raison + ").\n");
        if (c.reel) EXPECT_EQ(lire_reel(f.chemin, "calcul", "k"), *c.reel);
        else EXPECT_NE(m_reel.find(c.raison), std::string::npos) << m_reel;
    }
    const fichier_ini f("[calcul]\nk=1\n");
    EXPECT_EQ(lire_entier(f.chemin, "calcul", "absente"), 0);
    EXPECT_EQ(lire_reel_optionnel(f.chemin, "calcul", "absente"), std::nullopt);
    EXPECT_THROW(lire_reel(f.chemin, "calcul", "absente"), arret_calcul);
}

// Numbers are decimal: what strtod takes beyond that (hexadecimal, inf, nan)
// and a decimal beyond the largest double are refused, not read as 16 or inf.
TEST(LecteurIni, NombresDecimauxSeulement)
{
    const std::pair<std::string, std::string> table[] = {
        {"0x10", "nombre décimal attendu"}, {"nan", "nombre décimal attendu"}, {"inf", "nombre décimal attendu"},
        {"-infinity", "nombre décimal attendu"}, {"0x1p3", "nombre décimal attendu"},
        {"1e400", "nombre trop grand pour un réel double"},
    };
    for (const auto& [valeur, raison] : table) {
        SCOPED_TRACE(valeur);
        const fichier_ini f("[calcul]\nk=" + valeur + "\n");
        try {
            lire_reel(f.chemin, "calcul", "k");
            ADD_FAILURE() << "accepté";
        } catch (const arret_calcul& a) {
            EXPECT_EQ(a.message.rfind("Valeur illisible pour la clé k [calcul] : « " + valeur + " » (" + raison, 0), 0u)
                << a.message;
        }
    }
    // The text read once answers as the file does.
    const fichier_ini f("[calcul]\nk= 2.5e-3\n");
    EXPECT_EQ(lire_reel(charger_ini(f.chemin), "calcul", "k"), 2.5e-3);
    EXPECT_EQ(lire_reel(f.chemin, "calcul", "k"), 2.5e-3);
}

// The bytes of the file: a NUL stops naming its line; a Latin-1 byte is said
// with its line, once per line; UTF-8 passes silently.
TEST(LecteurIni, OctetsDuFichier)
{
    const char avec_nul[] = "[puits]\nx=1\nlargeur=7\0 5\n";
    const fichier_ini nul(std::string(avec_nul, sizeof avec_nul - 1));
    EXPECT_THROW(
        {
            try {
                verifier_octets(nul.chemin);
            } catch (const arret_calcul& a) {
                EXPECT_NE(a.message.find(", ligne 3 : ce n'est pas un fichier texte"), std::string::npos) << a.message;
                throw;
            }
        },
        arret_calcul);
    std::vector<std::string> avertissements;
    const fichier_ini latin("[puits]\nlargeur=75 \xC5\xC5\n; r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC\n\xF0\x9F\x98\x80\xED\xA0\x80\n");
    verifier_octets(latin.chemin, journal{&avertissements});
    ASSERT_EQ(avertissements.size(), 2u);
    EXPECT_NE(avertissements[0].find("octet 0xC5 hors UTF-8 dans " + latin.chemin + ", ligne 2"), std::string::npos);
    EXPECT_NE(avertissements[1].find("octet 0xED hors UTF-8"), std::string::npos) << "surrogate";
    EXPECT_EQ(sequence_utf8("\xC0\xAF", 0), 0u) << "overlong";
    EXPECT_EQ(sequence_utf8("\xE2\x82", 0), 0u) << "cut";
}

} // namespace
