// The config.ini reader on any bytes: every key of the program looked up with
// each typed reader. Nothing may crash, read out of bounds or hang; a value
// that is no number, or a missing real key, stops with its message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "configuration/arret.hpp"
#include "configuration/lecteur_ini.hpp"
#include "fichier_fuzz.hpp"

namespace {

// Runs one reader: true when it returned, false when it stopped the run
// with a message of its own (one line at least, the usual status).
template <class F> bool lit_ou_arrete(F lire)
{
    try {
        lire();
        return true;
    } catch (const arret_calcul& a) {
        if (a.statut != statut_erreur || a.message.empty() || a.message.back() != '\n') std::abort();
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    static const std::vector<cle_programme> cles = cles_programme();
    const std::string chemin = ecrire_config_fuzz(donnees, taille);
    if (!fichier_lisible(chemin)) std::abort();
    for (const auto& c : cles) {
        const auto texte = lire_chaine(chemin, c.section, c.cle);
        // The readers agree on presence: an absent key reads 0 as an
        // integer and nothing as an optional real, a present one is a
        // number or a stop.
        lit_ou_arrete([&] {
            if (lire_entier(chemin, c.section, c.cle) != 0 && !texte) std::abort();
        });
        lit_ou_arrete([&] {
            if (lire_reel_optionnel(chemin, c.section, c.cle).has_value() != texte.has_value()) std::abort();
        });
        if (lit_ou_arrete([&] { lire_reel(chemin, c.section, c.cle); }) && !texte) std::abort();
    }
    return 0;
}
