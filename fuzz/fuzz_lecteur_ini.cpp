// The config.ini reader on any bytes: every key of the program looked up with
// each typed reader. Nothing may crash, read out of bounds or hang; a missing
// real key stops with its message.
#include <cstddef>
#include <cstdint>

#include "configuration/arret.hpp"
#include "configuration/lecteur_ini.hpp"
#include "fichier_fuzz.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    static const std::vector<cle_programme> cles = cles_programme();
    const std::string chemin = ecrire_config_fuzz(donnees, taille);
    if (!fichier_lisible(chemin)) std::abort();
    for (const auto& c : cles) {
        const auto texte = lire_chaine(chemin, c.section, c.cle);
        const int entier = lire_entier(chemin, c.section, c.cle);
        const auto reel = lire_reel_optionnel(chemin, c.section, c.cle);
        // The three readers agree on presence.
        if (texte.has_value() != reel.has_value()) std::abort();
        if (!texte && entier != 0) std::abort();
        try {
            lire_reel(chemin, c.section, c.cle);
            if (!texte) std::abort();
        } catch (const arret_calcul& a) {
            if (texte || a.statut != statut_erreur) std::abort();
        }
    }
    return 0;
}
