// The table of every key of config.ini: section, name, type, where its value
// goes, its domain, whether it must be given, its unit and one line of
// meaning. The reader walks it in order (the first key that fails stops the
// run, so the order is part of the behaviour), the warnings of typos know the
// keys from it, `gain --verifier` dumps it, and `gain --cles` prints it as the
// README's table.
#pragma once

#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "configuration/journal.hpp"
#include "configuration/parametres.hpp"

enum class type_cle { texte, entier, reel, choix };

// The accepted values of a key. `intervalle`: min and max, each bound
// included or not; NaN lies in none. A `message` replaces the generic one
// ("Valeur hors domaine pour la clé ...") where stored scripts know the
// historic text. `zero_ou_un`: a switch. `choix`: one of `noms`.
struct domaine_cle {
    enum class genre { libre, intervalle, zero_ou_un, choix } g = genre::libre;
    double min = 0, max = 0;
    bool min_inclus = true, max_inclus = true;
    const char* message = nullptr;
    std::vector<const char*> noms = {};
    // The work bound: the largest value a run accepts, checked with the other
    // bounds of the run once every key is read (borne_travail), with its
    // reason; HUGE_VAL: none. The key's texte_domaine gives it where it says
    // "{max}".
    double max_travail = HUGE_VAL;
    const char* raison_travail = nullptr;
};

struct cle_config {
    const char* section;
    const char* cle;
    type_cle type;
    bool requise;        // absent: a real stops the run, an integer reads 0 (said), a path fails at its check
    const char* unite;
    const char* texte_domaine; // the domain as the README states it
    const char* sens;
    // Where the value goes: the accessor of its type.
    std::optional<std::string>& (*texte)(parametres_calcul&) = nullptr;
    int& (*entier)(parametres_calcul&) = nullptr;
    double& (*reel)(parametres_calcul&) = nullptr;
    // A choice: the rank of the chosen name among the domain's `noms`.
    std::size_t (*choisi)(const parametres_calcul&) = nullptr;
    void (*choisir)(parametres_calcul&, std::size_t rang) = nullptr;
    domaine_cle domaine = {};
    // Value of an optional key that is absent, from the keys read before it.
    double (*defaut)(const parametres_calcul&) = nullptr;
    bool simple_precision = false; // the value is held as a float, then widened (the temperature)
    double avertir_au_dessus = 0;  // > 0: a larger value is possible but unusual, and said
    const char* avertissement = nullptr;
    // What follows the key once read and checked: derived values, the
    // options it switches on. `donnee`: the key was in the file.
    void (*apres)(parametres_calcul&, bool donnee, const journal&) = nullptr;
};

// Every key, in reading order.
const std::vector<cle_config>& table_cles();

// The (section, key) pairs of the table, for the warnings of typos.
const std::vector<cle_connue>& cles_config();

// Reads and checks every key of `section` (every section but [sortie] when
// `section` is null) in table order into p; stops the run (arret_calcul) at
// the first failure.
void lire_cles(const std::string& chemin_config, const char* section, parametres_calcul& p, const journal& j);

// The value of a key as read into p: a path as written (nothing when
// absent), a number in its shortest exact decimal form, a choice by its name.
std::optional<std::string> valeur_lue(const cle_config& c, parametres_calcul& p);

// The shortest decimal text that reads back as v exactly.
std::string texte_exact(double v);

// The key table as the README's markdown table.
std::string table_markdown();

// The range a key's work bound accepts, "]0, 1e21] cm⁻³": its domain's lower
// bound, its work bound and its unit.
std::string plage_travail(const cle_config& c);

// Stops the run (arret_calcul) when v lies outside the work range of the key
// (section, cle), with "Valeur hors bornes pour la clé ... ; accepté : <range>
// (<reason>)."; nothing for a key without a work bound.
void verifier_borne_travail(const cle_config& c, double v);

// The table's entry of (section, cle); null when there is none.
const cle_config* cle_de(const char* section, const char* cle);
