// The few pieces of JSON the driver writes (gain --verifier --json and the
// run record): strings escaped, numbers in their shortest form that reads
// back as the same double, null for what is not finite.
#pragma once

#include <optional>
#include <string>
#include <vector>

std::string chaine_json(const std::string& s);
std::string nombre_json(double v);
std::string option_json(const std::optional<std::string>& s);
inline const char* booleen_json(bool b) { return b ? "true" : "false"; }

// Named values of a summary, in order; each name carries its unit.
struct champ {
    std::string nom;
    double valeur;
};

// {"nom": valeur, ...}, then en_plus (already formed members, each starting
// with ", ") before the closing brace.
std::string objet_json(const std::vector<champ>& champs, const std::string& en_plus = "");

// [v, ...]
std::string liste_nombres_json(const std::vector<double>& v);
