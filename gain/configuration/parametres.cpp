#include "configuration/parametres.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "configuration/arret.hpp"
#include "configuration/cles.hpp"
#include "configuration/lecteur_ini.hpp"

namespace {

std::string texte_g(double v)
{
    char t[32];
    std::snprintf(t, sizeof t, "%g", v);
    return t;
}

// "min < key ≤ max", or "key ≥ min" without an upper bound.
std::string texte_intervalle(const domaine_cle& d, const char* cle)
{
    if (std::isinf(d.max)) return std::string(cle) + (d.min_inclus ? " ≥ " : " > ") + texte_g(d.min);
    return texte_g(d.min) + (d.min_inclus ? " ≤ " : " < ") + cle + (d.max_inclus ? " ≤ " : " < ") + texte_g(d.max);
}

// The value must lie in the key's domain; NaN lies in none.
void verifier_domaine(const cle_config& c, double v)
{
    const domaine_cle& d = c.domaine;
    const std::string nom = std::string(c.cle) + " [" + c.section + "] : ";
    switch (d.g) {
    case domaine_cle::genre::libre:
    case domaine_cle::genre::choix:
        return;
    case domaine_cle::genre::zero_ou_un:
        if (v != 0 && v != 1)
            arreter("Valeur hors domaine pour la clé " + nom + std::to_string(static_cast<int>(v)) +
                    " (accepté : 0 ou 1).\n");
        return;
    case domaine_cle::genre::intervalle:
        if ((d.min_inclus ? v >= d.min : v > d.min) && (d.max_inclus ? v <= d.max : v < d.max)) return;
        if (d.message != nullptr) arreter(d.message);
        arreter("Valeur hors domaine pour la clé " + nom + texte_g(v) + " (accepté : " + texte_intervalle(d, c.cle) +
                ").\n");
    }
}

// A choice: its name, blanks trimmed, among those of the domain.
void lire_choix(const cle_config& c, const std::string& texte, parametres_calcul& p)
{
    const std::size_t debut = texte.find_first_not_of(" \t");
    const std::string nom =
        debut == std::string::npos ? "" : texte.substr(debut, texte.find_last_not_of(" \t") - debut + 1);
    const auto& noms = c.domaine.noms;
    for (std::size_t i = 0; i < noms.size(); ++i)
        if (nom == noms[i]) {
            c.choisir(p, i);
            return;
        }
    std::string liste;
    for (std::size_t i = 0; i < noms.size(); ++i)
        liste += (i == 0 ? "" : i + 1 == noms.size() ? " ou " : ", ") + std::string(noms[i]);
    arreter("Valeur hors domaine pour la clé " + std::string(c.cle) + " [" + c.section + "] : « " + nom +
            " » (accepté : " + liste + ").\n");
}

// A number of the key into its field: absent, a real key that must be given
// stops the run, an integer reads 0 (said), an optional one takes its default.
bool lire_nombre(const texte_ini& t, const cle_config& c, parametres_calcul& p, const journal& j)
{
    double v = 0;
    bool donnee = true;
    if (c.type == type_cle::reel) {
        const auto lu = c.requise ? std::optional(lire_reel(t, c.section, c.cle)) : lire_reel_optionnel(t, c.section, c.cle);
        donnee = lu.has_value();
        v = lu ? *lu : c.defaut ? c.defaut(p) : c.reel(p);
        if (c.simple_precision) v = static_cast<double>(static_cast<float>(v));
        c.reel(p) = v;
    } else {
        const auto lu = c.requise ? std::optional(lire_entier(t, c.section, c.cle, j))
                                  : lire_entier_optionnel(t, c.section, c.cle);
        donnee = lu.has_value();
        c.entier(p) = lu ? *lu : c.defaut ? static_cast<int>(c.defaut(p)) : c.entier(p);
        v = c.entier(p);
    }
    if (donnee || c.defaut) verifier_domaine(c, v);
    if (c.avertir_au_dessus > 0 && v > c.avertir_au_dessus) {
        const std::string nom = std::strcmp(c.cle, "largeur") == 0 ? std::string(c.cle) + " [" + c.section + "]" : c.cle;
        avertir(j, "Attention : " + nom + " = " + texte_g(v) + " : " + c.avertissement + ".\n");
    }
    return donnee;
}

void lire_cle(const texte_ini& t, const cle_config& c, parametres_calcul& p, const journal& j)
{
    bool donnee = true;
    if (c.type == type_cle::texte) {
        c.texte(p) = lire_ini(t, c.section, c.cle);
    } else if (c.type == type_cle::choix) {
        const auto texte = lire_ini(t, c.section, c.cle);
        donnee = texte.has_value();
        if (texte) lire_choix(c, *texte, p);
    } else {
        donnee = lire_nombre(t, c, p, j);
    }
    if (c.apres) c.apres(p, donnee, j);
}

} // namespace

void lire_cles(const std::string& chemin, const char* section, parametres_calcul& p, const journal& j)
{
    // The file read once: every key is looked up in the same text (a file
    // that cannot be read has no key, as for the readers that take a path).
    const texte_ini t = charger_ini(chemin);
    for (const cle_config& c : table_cles()) {
        const bool dans = section ? std::strcmp(c.section, section) == 0 : std::strcmp(c.section, "sortie") != 0;
        if (dans) lire_cle(t, c, p, j);
    }
}

void lire_fichiers_sortie(const std::string& c, parametres_calcul& p, const journal& j)
{
    lire_cles(c, "sortie", p, j);
}

void lire_parametres(const std::string& c, parametres_calcul& p, const journal& j)
{
    p.modele = options_modele{};
    lire_cles(c, nullptr, p, j);
}

void lire_modele(const std::string& c, parametres_calcul& p, const journal& j)
{
    p.modele = options_modele{};
    lire_cles(c, "modele", p, j);
}
