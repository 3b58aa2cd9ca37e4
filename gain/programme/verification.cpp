#include "programme/verification.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "programme/bornes.hpp"
#include "configuration/cles.hpp"
#include "configuration/lecteur_ini.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "programme/json.hpp"
#include "programme/phases.hpp"
#include "programme/plausibilite.hpp"
#include "programme/preparation.hpp"

namespace {

// The zone-centre levels, as the run finds them (without its console).
resultats_k0 niveaux_zone_centre(const calcul_prepare& c) { return calculer_niveaux_k0(parametres_k0(c.p), c.m); }

// --- What is reported ------------------------------------------------------

const char* const noms_types[] = {"texte", "entier", "reel", "choix"};

std::vector<champ> resume_materiau(const resultats_materiau& m)
{
    return {{"Eg_puits_eV", m.Eg_Puits},
            {"Eg_barriere_eV", m.Eg_Barriere},
            {"Vc_meV", m.Vc},
            {"Vv_meV", m.Vv},
            {"epsilon", m.epsilon},
            {"dE_hydro_meV", m.dE_hydro},
            {"dE_cisaillement_meV", m.dE_cisaillement},
            {"dEc_hydro_meV", m.dEc_hydro},
            {"mc_puits", m.puits.mc},
            {"mc_barriere", m.barriere.mc},
            {"gamma1_puits", m.puits.gamma1},
            {"gamma2_puits", m.puits.gamma2},
            {"gamma3_puits", m.puits.gamma3},
            {"gamma1_barriere", m.barriere.gamma1},
            {"gamma2_barriere", m.barriere.gamma2},
            {"gamma3_barriere", m.barriere.gamma3},
            {"Ep_puits_eV", m.puits.Ep},
            {"nr_puits", m.puits.nr},
            {"aH_puits_eV", m.puits.aH},
            {"a_puits", m.puits.a},
            {"a_barriere", m.barriere.a},
            {"C11_puits", m.puits.C11},
            {"C12_puits", m.puits.C12},
            {"rapport_C12_C11", m.rapport_C12_C11},
            {"Ninj_surf_m2", m.Ninj_surf}};
}

// The strained well edges of the zone-centre bands (holes on the hole axis,
// positive downwards) and the hydrostatic valence shift.
std::vector<champ> bords_puits(const resultats_k0& k0)
{
    return {{"dEv_hydro_meV", k0.dEv_hydro},
            {"bord_puits_E_meV", k0.bande_E.bord_puits},
            {"bord_puits_HH_meV", k0.bande_HH.bord_puits},
            {"bord_puits_LH_meV", k0.bande_LH.bord_puits}};
}

// The hole on top: the one whose edge lies higher, i.e. lower on the hole axis.
const char* trou_du_dessus(const resultats_k0& k0)
{
    return k0.bande_LH.bord_puits < k0.bande_HH.bord_puits ? "LH" : "HH";
}

std::vector<champ> resume_bornes(const calcul_prepare& c)
{
    const estimations_bornes e = estimer_bornes(c.p, {c.m.Vc, c.m.Vv, c.m.dE_hydro});
    return {{"points_grille_k0", e.points_grille_k0},
            {"points_grille_dispersion", e.points_grille_dispersion},
            {"points_plan", e.points_plan},
            {"evaluations_dispersion", e.evaluations_dispersion},
            {"memoire_octets", e.memoire_octets},
            {"memoire_disponible_octets", memoire_disponible()}};
}

std::vector<champ> materiau_et_bords(const calcul_prepare& c, const resultats_k0& k0)
{
    std::vector<champ> v = resume_materiau(c.m);
    for (const champ& b : bords_puits(k0)) v.push_back(b);
    return v;
}

std::string niveaux_json(const resultats_k0& k0)
{
    return "{\"E_meV\": " + liste_nombres_json(k0.E.niveaux) + ", \"HH_meV\": " + liste_nombres_json(k0.HH.niveaux) +
           ", \"LH_meV\": " + liste_nombres_json(k0.LH.niveaux) + "}";
}

std::string cles_json(parametres_calcul p)
{
    std::string r = "[";
    bool premiere = true;
    const texte_ini fichier = charger_ini(fichier_config);
    for (const cle_config& c : table_cles()) {
        const auto texte = lire_ini(fichier, c.section, c.cle);
        const auto valeur = valeur_lue(c, p);
        const bool nombre = c.type == type_cle::entier || c.type == type_cle::reel;
        r += std::string(premiere ? "\n  " : ",\n  ") + "{\"section\": " + chaine_json(c.section) +
             ", \"cle\": " + chaine_json(c.cle) + ", \"type\": " + chaine_json(noms_types[static_cast<int>(c.type)]) +
             ", \"requise\": " + (c.requise ? "true" : "false") + ", \"donnee\": " + (texte ? "true" : "false") +
             ", \"texte\": " + option_json(texte) + ", \"valeur\": " +
             (nombre ? nombre_json(c.type == type_cle::reel ? c.reel(p) : c.entier(p)) : option_json(valeur)) +
             ", \"unite\": " + chaine_json(c.unite) + ", \"sens\": " + chaine_json(c.sens) + "}";
        premiere = false;
    }
    return r + "\n ]";
}

std::string liste_json(const std::vector<std::string>& lignes)
{
    std::string r = "[";
    for (std::size_t i = 0; i < lignes.size(); ++i) r += (i ? ", " : "") + chaine_json(lignes[i]);
    return r + "]";
}

std::string commande_json(const ligne_commande& l, bool courant)
{
    return std::string("{\"mode\": ") + (courant ? "\"courant\"" : "\"simple\"") +
           ", \"nombre_iterations\": " + nombre_json(l.nombre_iterations) +
           ", \"nombre_passes\": " + std::to_string(nombre_de_passes(l.nombre_iterations)) +
           ", \"pas_porteurs_cm3\": " + nombre_json(l.pas_porteurs_cm3) + "}";
}

void ecrire_json(int statut, const std::string& erreur, const std::vector<std::string>& avertissements,
                 const calcul_prepare* c, const resultats_k0& k0, bool courant)
{
    std::string r = "{\n \"version\": " + chaine_json("gain " GAIN_VERSION) + ",\n \"statut\": " +
                    std::to_string(statut) + ",\n \"erreur\": " +
                    (statut == 0 ? "null" : chaine_json(erreur.ends_with('\n') ? erreur.substr(0, erreur.size() - 1)
                                                                               : erreur)) +
                    ",\n \"avertissements\": " + liste_json(avertissements);
    if (c != nullptr) {
        r += ",\n \"cles\": " + cles_json(c->p) + ",\n \"commande\": " + commande_json(c->commande, courant) +
             ",\n \"materiau\": " + objet_json(materiau_et_bords(*c, k0),
                                               ", \"trou_du_dessus\": " + chaine_json(trou_du_dessus(k0))) +
             ",\n \"niveaux_k0\": " + niveaux_json(k0) +
             ",\n \"bornes\": " + objet_json(resume_bornes(*c));
    } else {
        r += ",\n \"cles\": null,\n \"commande\": null,\n \"materiau\": null,\n \"niveaux_k0\": null,\n \"bornes\": null";
    }
    std::fputs((r + "\n}\n").c_str(), stdout);
}

// --- The text report ---------------------------------------------------------

void ecrire_texte(const calcul_prepare& c, const resultats_k0& k0)
{
    std::puts("Vérification : config.ini et la ligne de commande sont acceptés ; aucun fichier n'a été écrit.");
    std::puts("Clés lues :");
    parametres_calcul p = c.p;
    const texte_ini fichier = charger_ini(fichier_config);
    for (const cle_config& k : table_cles()) {
        const auto valeur = valeur_lue(k, p);
        const bool donnee = lire_ini(fichier, k.section, k.cle).has_value();
        const bool unite = valeur && k.type != type_cle::texte && std::strcmp(k.unite, "—") != 0;
        std::printf("  [%s] %s = %s%s%s%s\n", k.section, k.cle, valeur ? valeur->c_str() : "(absente)",
                    unite ? " " : "", unite ? k.unite : "", donnee ? "" : " (absente : valeur par défaut)");
    }
    std::puts("Matériau :");
    for (const champ& v : materiau_et_bords(c, k0))
        std::printf("  %s = %s\n", v.nom.c_str(), texte_exact(v.valeur).c_str());
    std::printf("  trou du dessus : %s\n", trou_du_dessus(k0));
    std::puts("Niveaux au centre de zone (meV) :");
    for (const auto& [nom, b] : {std::pair{"E", &k0.E}, std::pair{"HH", &k0.HH}, std::pair{"LH", &k0.LH}}) {
        std::printf("  %s :", nom);
        for (const double n : b->niveaux) std::printf(" %s", texte_exact(n).c_str());
        std::puts(b->niveaux.empty() ? " aucun" : "");
    }
    std::puts("Bornes :");
    for (const champ& v : resume_bornes(c)) std::printf("  %s = %s\n", v.nom.c_str(), texte_exact(v.valeur).c_str());
}

} // namespace

int verifier_configuration(int argc, const char* const* argv)
{
    // gain --verifier [--json] <the run's words>
    const bool json = argc >= 3 && std::strcmp(argv[2], "--json") == 0;
    std::vector<const char*> mots = {argv[0]};
    for (int i = json ? 3 : 2; i < argc; ++i) mots.push_back(argv[i]);
    const int n = static_cast<int>(mots.size());
    const bool courant = n >= 2 && std::strcmp(mots[1], "courant") == 0;
    // The zone-centre levels as the run finds them, and the warning the run
    // gives once it has them.
    if (!json) {
        const calcul_prepare c = preparer_calcul(n, mots.data(), journal{});
        const resultats_k0 k0 = niveaux_zone_centre(c);
        avertir_transition_hors_fenetre(c.p, c.m, k0, journal{});
        ecrire_texte(c, k0);
        return 0;
    }
    std::vector<std::string> avertissements;
    try {
        const calcul_prepare c = preparer_calcul(n, mots.data(), journal{&avertissements});
        const resultats_k0 k0 = niveaux_zone_centre(c);
        avertir_transition_hors_fenetre(c.p, c.m, k0, journal{&avertissements});
        ecrire_json(0, "", avertissements, &c, k0, courant);
        return 0;
    } catch (const arret_calcul& a) {
        ecrire_json(a.statut, a.message, avertissements, nullptr, resultats_k0{}, courant);
        return a.statut;
    }
}
