#include "programme/json.hpp"

#include <cmath>
#include <cstdio>

#include "configuration/cles.hpp"

std::string chaine_json(const std::string& s)
{
    std::string r = "\"";
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            r += '\\';
            r += c;
        } else if (c == '\n') {
            r += "\\n";
        } else if (c == '\t') {
            r += "\\t";
        } else if (u < 0x20) {
            char t[8];
            std::snprintf(t, sizeof t, "\\u%04x", u);
            r += t;
        } else {
            r += c;
        }
    }
    return r + "\"";
}

std::string nombre_json(double v) { return std::isfinite(v) ? texte_exact(v) : "null"; }

std::string option_json(const std::optional<std::string>& s) { return s ? chaine_json(*s) : "null"; }

std::string objet_json(const std::vector<champ>& champs, const std::string& en_plus)
{
    std::string r = "{";
    for (std::size_t i = 0; i < champs.size(); ++i)
        r += (i ? ", " : "") + chaine_json(champs[i].nom) + ": " + nombre_json(champs[i].valeur);
    return r + en_plus + "}";
}

std::string liste_nombres_json(const std::vector<double>& v)
{
    std::string r = "[";
    for (std::size_t i = 0; i < v.size(); ++i) r += (i ? ", " : "") + nombre_json(v[i]);
    return r + "]";
}
