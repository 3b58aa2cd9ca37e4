// The whole reading and checking of the run parameters on any config.ini: the
// output paths, every key with its check, the material model and the bounds
// of the run. Each input ends with the parameters accepted or a stop with a
// message; nothing may crash, overflow or hang.
#include <cstddef>
#include <cstdint>

#include "configuration/arret.hpp"
#include "configuration/parametres.hpp"
#include "fichier_fuzz.hpp"
#include "materiau/materiau.hpp"
#include "programme/bornes.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const std::string chemin = ecrire_config_fuzz(donnees, taille);
    parametres_calcul p;
    try {
        lire_fichiers_sortie(chemin, p);
        lire_parametres(chemin, p);
        const resultats_materiau m = modele_materiau(p.couches, p.calcul.Ninj, p.calcul.demi_largeur_lorentz);
        verifier_bornes(p, {m.Vc, m.Vv, m.dE_hydro}, {1, 0.0}, memoire_disponible());
    } catch (const arret_calcul& a) {
        if (a.message.empty() || a.message.back() != '\n' || a.statut != statut_erreur) std::abort();
    }
    return 0;
}
