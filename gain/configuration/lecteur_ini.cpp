#include "configuration/lecteur_ini.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "configuration/arret.hpp"
#include "configuration/fichier.hpp"

namespace {

// A header "[...]" opens `section` when the n = length - 2 characters after
// the '[' equal the first n characters of the name: the last character is
// never examined, so "[puits]" and "[puits)" open `puits`, "[]" opens any
// section and "[puits] " opens none.
bool ouvre_section(const char* ligne, const std::string& section)
{
    const long n = static_cast<long>(std::strlen(ligne)) - 2;
    if (n < 0) return false;
    return std::strncmp(ligne + 1, section.c_str(), static_cast<std::size_t>(n)) == 0;
}

bool est_blanc(char c) { return c == ' ' || c == '\t'; }

// The key part of a line (before its first '='), trimmed, equals `cle`.
bool nomme_cle(const char* ligne, const char* egal, const std::string& cle)
{
    const char* debut = ligne;
    const char* fin = egal;
    while (debut < fin && est_blanc(*debut)) ++debut;
    while (fin > debut && est_blanc(fin[-1])) --fin;
    return static_cast<std::size_t>(fin - debut) == cle.size() && std::memcmp(debut, cle.data(), cle.size()) == 0;
}

} // namespace

bool fichier_lisible(const std::string& chemin)
{
    fichier f(std::fopen(chemin.c_str(), "r"));
    return f != nullptr;
}

std::optional<std::string> lire_ini(const std::string& chemin, const std::string& section, const std::string& cle)
{
    fichier f(std::fopen(chemin.c_str(), "r"));
    if (!f) return std::nullopt;

    // Lines are read in pieces of at most 1023 characters, each handled as a
    // line of its own, as the historic reader did.
    char ligne[1024];
    bool dans_section = false;
    while (std::fgets(ligne, sizeof ligne, f.get()) != nullptr) {
        if (char* fin_ligne = std::strchr(ligne, '\n')) *fin_ligne = '\0';
        // A file edited on Windows reads the same: drop the carriage return.
        const std::size_t longueur = std::strlen(ligne);
        if (longueur > 0 && ligne[longueur - 1] == '\r') ligne[longueur - 1] = '\0';

        if (!dans_section) {
            if (ligne[0] == '[' && ouvre_section(ligne, section)) dans_section = true;
            continue;
        }
        if (ligne[0] == '[') return std::nullopt; // only the first such section is searched
        const char* egal = std::strchr(ligne, '=');
        if (egal != nullptr && nomme_cle(ligne, egal, cle)) return std::string(egal + 1);
    }
    return std::nullopt;
}

std::optional<std::string> lire_chaine(const std::string& chemin, const std::string& section, const std::string& cle)
{
    return lire_ini(chemin, section, cle);
}

int lire_entier(const std::string& chemin, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_ini(chemin, section, cle);
    if (!valeur) return 0;
    return static_cast<int>(std::strtol(valeur->c_str(), nullptr, 10));
}

std::optional<double> lire_reel_optionnel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_ini(chemin, section, cle);
    if (!valeur) return std::nullopt;
    return std::strtod(valeur->c_str(), nullptr);
}

double lire_reel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_reel_optionnel(chemin, section, cle);
    if (!valeur) arreter("Probleme dans le fichier .ini\nParametre : " + cle + "\n");
    return *valeur;
}
