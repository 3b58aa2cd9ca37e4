// The command line of gain on any words (the input split at its NUL bytes,
// the first word "courant" more often than chance would give it): its checks,
// its numbers and the bounds of the series, on the parameters of the example.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "configuration/ligne_commande.hpp"
#include "configuration/parametres.hpp"
#include "fichier_fuzz.hpp"
#include "programme/bornes.hpp"

namespace {

const parametres_calcul& parametres_exemple()
{
    static const parametres_calcul p = [] {
        const std::string texte = config_exemple();
        const std::string chemin =
            ecrire_config_fuzz(reinterpret_cast<const std::uint8_t*>(texte.data()), texte.size());
        parametres_calcul q;
        lire_fichiers_sortie(chemin, q);
        lire_parametres(chemin, q);
        return q;
    }();
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const parametres_calcul& p = parametres_exemple();
    std::vector<std::string> mots{"gain"};
    std::size_t i = 0;
    // A first byte below 128 stands for "courant", so that both modes are reached.
    if (taille > 0 && donnees[0] < 128) {
        mots.push_back("courant");
        i = 1;
    }
    std::string mot;
    for (; i < taille && mots.size() < 8; ++i) {
        if (donnees[i] == 0) {
            mots.push_back(mot);
            mot.clear();
        } else {
            mot.push_back(static_cast<char>(donnees[i]));
        }
    }
    if (mots.size() < 8) mots.push_back(mot);
    std::vector<const char*> argv;
    for (const auto& m : mots) argv.push_back(m.c_str());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(mots.size());
    try {
        verifier_ligne_commande(argc, argv.data());
        const ligne_commande l = lire_ligne_commande(argc, argv.data());
        const int passes = nombre_de_passes(l.nombre_iterations);
        if (passes < 0) std::abort();
        // Only no word, or "courant" and two numbers the first of which is at least 1, pass.
        if (argc != 1 && !(argc == 4 && passes >= 1)) std::abort();
        verifier_bornes(p, {179.8, 110.2, -20.0}, {passes, l.pas_porteurs_cm3}, 1e12);
    } catch (const arret_calcul& a) {
        if (a.message.empty() || a.message.back() != '\n') std::abort();
    }
    return 0;
}
