#include "configuration/lecteur_ini.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

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

// The next line of `f` in `tampon`, or nothing at the end. Lines are read in
// pieces of at most 1023 characters, each handled as a line of its own, as
// the historic reader did. A file edited on Windows reads the same: the
// carriage return is dropped, and so is the UTF-8 byte-order mark that some
// editors put at the start of the file.
const char* lire_ligne(std::FILE* f, char (&tampon)[1024], bool premiere)
{
    if (std::fgets(tampon, sizeof tampon, f) == nullptr) return nullptr;
    if (char* fin_ligne = std::strchr(tampon, '\n')) *fin_ligne = '\0';
    const std::size_t longueur = std::strlen(tampon);
    if (longueur > 0 && tampon[longueur - 1] == '\r') tampon[longueur - 1] = '\0';
    if (premiere && std::strncmp(tampon, "\xEF\xBB\xBF", 3) == 0) return tampon + 3;
    return tampon;
}

std::string texte_cle(const std::string& section, const std::string& cle)
{
    return "la clé " + cle + " [" + section + "]";
}

// What follows a number that was read: nothing but blanks, or a stop naming
// the key and the text as written.
void verifier_fin_nombre(const std::string& valeur, const char* fin, const char* debut, const std::string& section,
                         const std::string& cle, bool entier)
{
    const char* reste = fin;
    while (est_blanc(*reste)) ++reste;
    if (fin != debut && *reste == '\0') return;
    std::string raison;
    if (fin == debut) raison = "ce n'est pas un nombre";
    else if (*fin == ',' && std::isdigit(static_cast<unsigned char>(fin[1]))) raison = "le séparateur décimal est le point";
    else if (entier && (*fin == '.' || *fin == 'e' || *fin == 'E')) raison = "un nombre entier est attendu";
    else raison = "texte après le nombre";
    arreter("Valeur illisible pour " + texte_cle(section, cle) + " : « " + valeur + " » (" + raison + ").\n");
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

    char tampon[1024];
    bool dans_section = false;
    for (bool premiere = true; const char* ligne = lire_ligne(f.get(), tampon, premiere); premiere = false) {
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

std::optional<int> lire_entier_optionnel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_ini(chemin, section, cle);
    if (!valeur) return std::nullopt;
    char* fin = nullptr;
    errno = 0;
    const long v = std::strtol(valeur->c_str(), &fin, 10);
    verifier_fin_nombre(*valeur, fin, valeur->c_str(), section, cle, true);
    if (errno == ERANGE || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        arreter("Valeur illisible pour " + texte_cle(section, cle) + " : « " + *valeur + " » (entier trop grand).\n");
    return static_cast<int>(v);
}

int lire_entier(const std::string& chemin, const std::string& section, const std::string& cle, const journal& j)
{
    const auto v = lire_entier_optionnel(chemin, section, cle);
    if (v) return *v;
    // Stored files may leave an integer key out and rely on its 0: kept, but said.
    avertir(j, "Attention : " + texte_cle(section, cle) + " est absente, lue comme 0.\n");
    return 0;
}

std::optional<double> lire_reel_optionnel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_ini(chemin, section, cle);
    if (!valeur) return std::nullopt;
    char* fin = nullptr;
    const double v = std::strtod(valeur->c_str(), &fin);
    verifier_fin_nombre(*valeur, fin, valeur->c_str(), section, cle, false);
    return v;
}

double lire_reel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_reel_optionnel(chemin, section, cle);
    if (!valeur) arreter("Probleme dans le fichier .ini\nParametre : " + cle + "\n");
    return *valeur;
}

void avertir_structure(const std::string& chemin, const std::vector<cle_connue>& connues, const journal& j)
{
    fichier f(std::fopen(chemin.c_str(), "r"));
    if (!f) return;
    std::vector<std::string> sections;
    for (const auto& c : connues)
        if (std::find(sections.begin(), sections.end(), c.section) == sections.end()) sections.push_back(c.section);

    // The sections a line belongs to, as the reader sees them: each known
    // section is read only in the block after the first header that opens it.
    std::vector<bool> deja_ouverte(sections.size(), false), lue(sections.size(), false);
    std::vector<int> premiere_ligne(connues.size(), 0); // line of each known key's first value, 0: none yet
    char tampon[1024];
    int numero = 0;
    for (bool premiere = true; const char* ligne = lire_ligne(f.get(), tampon, premiere); premiere = false) {
        ++numero;
        if (ligne[0] == '[') {
            bool ouvre = false;
            for (std::size_t s = 0; s < sections.size(); ++s) {
                lue[s] = !deja_ouverte[s] && ouvre_section(ligne, sections[s]);
                if (lue[s]) ouvre = deja_ouverte[s] = true;
            }
            if (ouvre) continue;
            // A header that names a known section once blanks are trimmed and
            // letter case folded, or a second header of a section.
            std::string nom(ligne + 1);
            if (const std::size_t fin = nom.rfind(']'); fin != std::string::npos) nom.erase(fin);
            nom.erase(0, nom.find_first_not_of(" \t"));
            nom.erase(nom.find_last_not_of(" \t") + 1);
            for (char& c : nom) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const auto s = std::find(sections.begin(), sections.end(), nom);
            if (s == sections.end()) continue;
            const std::string debut = "Attention : section ignorée : « " + std::string(ligne) + " » (ligne " +
                                      std::to_string(numero) + ") : ";
            if (deja_ouverte[static_cast<std::size_t>(s - sections.begin())])
                avertir(j, debut + "seule la première section [" + nom + "] est lue.\n");
            else
                avertir(j, debut + "écrivez [" + nom + "], en minuscules et sans blanc.\n");
            continue;
        }
        const char* egal = std::strchr(ligne, '=');
        if (egal == nullptr) continue; // a free remark
        bool dans_lue = false, connue = false;
        for (std::size_t s = 0; s < sections.size(); ++s) {
            if (!lue[s]) continue;
            dans_lue = true;
            for (std::size_t k = 0; k < connues.size(); ++k) {
                if (sections[s] != connues[k].section || !nomme_cle(ligne, egal, connues[k].cle)) continue;
                connue = true;
                // The reader takes the first line of a key: a later one is said, not used.
                if (premiere_ligne[k] != 0)
                    avertir(j, "Attention : clé donnée deux fois : « " + std::string(ligne) + " » (ligne " +
                                   std::to_string(numero) + ") : la valeur de la ligne " +
                                   std::to_string(premiere_ligne[k]) + " est lue.\n");
                else
                    premiere_ligne[k] = numero;
            }
        }
        if (dans_lue && !connue)
            avertir(j, "Attention : clé inconnue : « " + std::string(ligne) + " » (ligne " + std::to_string(numero) +
                           ").\n");
    }
}
