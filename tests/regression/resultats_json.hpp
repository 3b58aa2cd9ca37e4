// The run record (fichier_resultats) held against the console and the
// parameter file of the same run: every number of those views that the
// record carries, printed with the view's own format from the record's
// value, must give the view's digits exactly.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

// Every scalar of a JSON text under its path ("passes.2.N_cm3",
// "niveaux_k0.E_meV.0"): numbers, true, false and null as written, strings
// unescaped. A text that is not JSON gives nothing.
using json_plat = std::map<std::string, std::string>;

namespace resultats_json_detail {

inline void blancs(const std::string& t, std::size_t& i)
{
    while (i < t.size() && (t[i] == ' ' || t[i] == '\n' || t[i] == '\t' || t[i] == '\r')) ++i;
}

inline bool chaine(const std::string& t, std::size_t& i, std::string& s)
{
    if (t[i] != '"') return false;
    for (++i; i < t.size() && t[i] != '"'; ++i) {
        if (t[i] != '\\') {
            s += t[i];
            continue;
        }
        if (++i >= t.size()) return false;
        const char e = t[i];
        if (e == 'u') {
            if (i + 4 >= t.size()) return false;
            s += static_cast<char>(std::strtol(t.substr(i + 1, 4).c_str(), nullptr, 16)); // control characters only
            i += 4;
        } else {
            s += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        }
    }
    return i++ < t.size();
}

inline bool valeur(const std::string& t, std::size_t& i, const std::string& chemin, json_plat& r)
{
    blancs(t, i);
    if (i >= t.size()) return false;
    const auto sous = [&](const std::string& nom) { return chemin.empty() ? nom : chemin + "." + nom; };
    if (t[i] == '{' || t[i] == '[') {
        const bool objet = t[i] == '{';
        const char fin = objet ? '}' : ']';
        ++i;
        blancs(t, i);
        if (i < t.size() && t[i] == fin) {
            ++i;
            return true;
        }
        for (int n = 0;; ++n) {
            std::string nom = std::to_string(n);
            blancs(t, i);
            if (objet) {
                nom.clear();
                if (i >= t.size() || !chaine(t, i, nom)) return false;
                blancs(t, i);
                if (i >= t.size() || t[i++] != ':') return false;
            }
            if (!valeur(t, i, sous(nom), r)) return false;
            blancs(t, i);
            if (i >= t.size()) return false;
            if (t[i] == fin) {
                ++i;
                return true;
            }
            if (t[i++] != ',') return false;
        }
    }
    std::string s;
    if (t[i] == '"') {
        if (!chaine(t, i, s)) return false;
    } else {
        while (i < t.size() && std::string(",}] \n\t\r").find(t[i]) == std::string::npos) s += t[i++];
    }
    r[chemin] = s;
    return true;
}

} // namespace resultats_json_detail

inline std::optional<json_plat> aplatir_json(const std::string& t)
{
    json_plat r;
    std::size_t i = 0;
    if (!resultats_json_detail::valeur(t, i, "", r)) return std::nullopt;
    resultats_json_detail::blancs(t, i);
    if (i != t.size()) return std::nullopt;
    return r;
}

// A line of a view with its numbers as fields of the record: "{chemin:%e}"
// prints the number at chemin with that format, "{chemin}" the word as it
// stands; '#' in a path is the index of the view's list. Nothing when a field
// is absent or null: the view must not print that line.
inline std::optional<std::string> rendre(const std::string& modele, const json_plat& j, std::size_t index)
{
    std::string r;
    for (std::size_t i = 0; i < modele.size();) {
        if (modele[i] != '{') {
            r += modele[i++];
            continue;
        }
        const std::size_t fin = modele.find('}', i);
        std::string champ = modele.substr(i + 1, fin - i - 1);
        i = fin + 1;
        std::string format;
        if (const std::size_t d = champ.find(':'); d != std::string::npos) {
            format = champ.substr(d + 1);
            champ.resize(d);
        }
        if (const std::size_t h = champ.find('#'); h != std::string::npos) champ.replace(h, 1, std::to_string(index));
        const auto v = j.find(champ);
        if (v == j.end() || v->second == "null") return std::nullopt;
        if (format.empty()) {
            r += v->second;
            continue;
        }
        char t[64];
        const double x = std::strtod(v->second.c_str(), nullptr);
        if (format == "%d")
            std::snprintf(t, sizeof t, "%ld", static_cast<long>(x));
        else
            std::snprintf(t, sizeof t, format.c_str(), x);
        r += t;
    }
    return r;
}
