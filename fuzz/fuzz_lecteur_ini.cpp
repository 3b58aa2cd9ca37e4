// The config.ini reader on any bytes: the byte check, then every key of the
// program looked up with each typed reader in the text read once. Nothing may crash, read out of bounds or hang; a value
// that is no number, or a missing real key, stops with its message.
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <optional>

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
    // The bytes once (a NUL stops), then the file read once and every
    // question asked of that text: the same answers as the file's, without
    // reading it again for each of the keys and readers.
    lit_ou_arrete([&] { verifier_octets(chemin); });
    const texte_ini t = charger_ini(chemin);
    if (!t.lisible) std::abort();
    // Each key looked up once and its value converted as each typed reader
    // converts it; once an input, the readers themselves on the first absent
    // and the first present key, which must agree with that.
    bool absente_vue = false, presente_vue = false;
    const bloc_ini* bloc = nullptr;
    const std::string* section = nullptr;
    for (const auto& c : cles) {
        if (section == nullptr || *section != c.section) {
            section = &c.section;
            bloc = bloc_de_section(t, c.section);
        }
        const auto texte = lire_ini(bloc, c.cle);
        if (!texte) {
            if (absente_vue) continue;
            absente_vue = true;
            // Absent: 0 and nothing from the optional readers, the missing-key stop from lire_reel.
            if (lire_entier_optionnel(t, c.section, c.cle) || lire_reel_optionnel(t, c.section, c.cle) ||
                lit_ou_arrete([&] { lire_reel(t, c.section, c.cle); }))
                std::abort();
            continue;
        }
        // Present: a number or a stop for each conversion.
        std::optional<int> entier;
        std::optional<double> reel;
        lit_ou_arrete([&] { entier = convertir_entier(*texte, c.section, c.cle); });
        lit_ou_arrete([&] { reel = convertir_reel(*texte, c.section, c.cle); });
        if (presente_vue) continue;
        presente_vue = true;
        std::optional<int> entier_lu;
        std::optional<double> reel_lu;
        lit_ou_arrete([&] { entier_lu = lire_entier(t, c.section, c.cle); });
        lit_ou_arrete([&] { reel_lu = lire_reel(t, c.section, c.cle); });
        if (entier_lu != entier || (reel_lu.has_value() != reel.has_value()) ||
            (reel && !(*reel_lu == *reel || (std::isnan(*reel) && std::isnan(*reel_lu)))))
            std::abort();
    }
    return 0;
}
