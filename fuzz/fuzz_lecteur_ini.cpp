// The config.ini reader on any bytes: the byte check, then every key of the
// program looked up in the text parsed once and converted as its reader
// converts it. Nothing may crash, read out of bounds or hang; a value that is
// no number, or a missing real key, stops with its message.
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
    // The bytes as the file would hold them, checked (a NUL stops) and parsed
    // once; every question is asked of that text, which answers as the file
    // does (the program reads the file into the same bytes).
    const std::string octets(reinterpret_cast<const char*>(donnees), taille);
    lit_ou_arrete([&] { verifier_octets_lus(octets, "config.ini"); });
    const texte_ini t = analyser_ini(octets);
    // Each key looked up once and its value converted as its typed reader
    // converts it (a text or a choice is taken as it stands); once an input,
    // both typed readers on the first absent and the first present key, which
    // must agree with both conversions.
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
        // Present: a number or a stop for its conversion.
        std::optional<int> entier;
        std::optional<double> reel;
        if (presente_vue) {
            if (c.type == type_cle::entier) lit_ou_arrete([&] { entier = convertir_entier(*texte, c.section, c.cle); });
            if (c.type == type_cle::reel) lit_ou_arrete([&] { reel = convertir_reel(*texte, c.section, c.cle); });
            continue;
        }
        presente_vue = true;
        lit_ou_arrete([&] { entier = convertir_entier(*texte, c.section, c.cle); });
        lit_ou_arrete([&] { reel = convertir_reel(*texte, c.section, c.cle); });
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
