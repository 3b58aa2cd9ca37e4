#include "programme/json.hpp"

#include <cmath>
#include <cstdio>

#include "configuration/cles.hpp"
#include "configuration/lecteur_ini.hpp"

// Valid UTF-8 whatever the bytes: a byte that starts no UTF-8 sequence
// (config.ini in Latin-1) is written as the character of its Latin-1
// reading, \u00XX; config.ini's reading warns of it with its line.
std::string chaine_json(const std::string& s)
{
    std::string r = "\"";
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80) {
            const std::size_t n = sequence_utf8(s, i);
            if (n == 0) {
                char t[8];
                std::snprintf(t, sizeof t, "\\u%04x", u);
                r += t;
            } else {
                r.append(s, i, n);
                i += n - 1;
            }
            continue;
        }
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
