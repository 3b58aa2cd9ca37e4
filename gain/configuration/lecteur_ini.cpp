#include "configuration/lecteur_ini.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
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
bool ouvre_section(const std::string& ligne, const std::string& section)
{
    if (ligne.size() < 2) return false;
    // n characters past the name's end cannot match its terminator
    const std::size_t n = ligne.size() - 2;
    return n <= section.size() && ligne.compare(1, n, section, 0, n) == 0;
}

bool ouvre_section(const char* ligne, const std::string& section) { return ouvre_section(std::string(ligne), section); }

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

// The next line of the bytes from `pos`, or nothing at the end. Lines are cut
// in pieces of at most 1023 bytes, each handled as a line of its own, and a
// piece reads as a C string (to its first NUL), as the historic reader read
// the file. A file edited on Windows reads the same: the carriage return is
// dropped, and so is the UTF-8 byte-order mark that some editors put at the
// start of the file.
bool ligne_suivante(const std::string& octets, std::size_t& pos, std::string& ligne)
{
    if (pos >= octets.size()) return false;
    const bool premiere = pos == 0;
    const char* debut = octets.data() + pos;
    std::size_t piece = std::min<std::size_t>(octets.size() - pos, 1023);
    if (const void* fin_ligne = std::memchr(debut, '\n', piece))
        piece = static_cast<std::size_t>(static_cast<const char*>(fin_ligne) - debut) + 1;
    pos += piece;
    const void* nul = std::memchr(debut, '\0', piece);
    std::size_t n = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - debut) : piece;
    if (n == piece && debut[n - 1] == '\n') --n;
    if (n > 0 && debut[n - 1] == '\r') --n;
    const std::size_t bom = premiere && n >= 3 && std::memcmp(debut, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    ligne.assign(debut + bom, n - bom);
    return true;
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

// What strtod took of a real value must be a decimal number: leading blanks,
// a sign, digits, a point, an exponent. Its other forms (0x10, inf, nan, a
// hexadecimal float) are refused, and so is a decimal beyond the largest
// double (1e400 would read as inf).
void verifier_decimal(const std::string& valeur, const char* debut, const char* fin, double v,
                      const std::string& section, const std::string& cle)
{
    for (const char* c = debut; c < fin; ++c)
        if (!std::isspace(static_cast<unsigned char>(*c)) && !std::isdigit(static_cast<unsigned char>(*c)) &&
            std::strchr("+-.eE", *c) == nullptr)
            arreter("Valeur illisible pour " + texte_cle(section, cle) + " : « " + valeur +
                    " » (nombre décimal attendu : ni hexadécimal, ni inf, ni nan).\n");
    if (std::isinf(v))
        arreter("Valeur illisible pour " + texte_cle(section, cle) + " : « " + valeur +
                " » (nombre trop grand pour un réel double).\n");
}

// The sections a header opens by the historic prefix rule, "[a], [b]".
std::string sections_ouvertes(const char* ligne, const std::vector<std::string>& sections)
{
    std::string liste;
    for (const auto& s : sections)
        if (ouvre_section(ligne, s)) liste += (liste.empty() ? "[" : ", [") + s + "]";
    return liste;
}

// The name of a header "[...]", blanks trimmed and letters folded to lower case.
std::string nom_replie(const char* ligne)
{
    std::string nom(ligne + 1);
    if (const std::size_t fin = nom.rfind(']'); fin != std::string::npos) nom.erase(fin);
    nom.erase(0, nom.find_first_not_of(" \t"));
    nom.erase(nom.find_last_not_of(" \t") + 1);
    for (char& c : nom) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return nom;
}

} // namespace

bool fichier_lisible(const std::string& chemin)
{
    fichier f(std::fopen(chemin.c_str(), "r"));
    return f != nullptr;
}

std::optional<std::string> lire_octets(const std::string& chemin)
{
    fichier f(std::fopen(chemin.c_str(), "rb"));
    if (!f) return std::nullopt;
    std::string octets;
    char bloc[4096];
    for (std::size_t lu; (lu = std::fread(bloc, 1, sizeof bloc, f.get())) > 0;) octets.append(bloc, lu);
    return octets;
}

texte_ini analyser_ini(const std::string& octets)
{
    texte_ini t;
    t.lisible = true;
    std::string ligne;
    for (std::size_t pos = 0; ligne_suivante(octets, pos, ligne);) {
        if (ligne[0] == '[') {
            t.blocs.push_back({ligne, {}});
            continue;
        }
        const std::size_t egal = ligne.find('=');
        if (egal == std::string::npos || t.blocs.empty()) continue;
        std::size_t debut = 0, fin = egal;
        while (debut < fin && est_blanc(ligne[debut])) ++debut;
        while (fin > debut && est_blanc(ligne[fin - 1])) --fin;
        t.blocs.back().cles.emplace(ligne.substr(debut, fin - debut), ligne.substr(egal + 1)); // a later line keeps the first
    }
    return t;
}

texte_ini charger_ini(const std::string& chemin)
{
    const auto octets = lire_octets(chemin);
    return octets ? analyser_ini(*octets) : texte_ini{};
}

const bloc_ini* bloc_de_section(const texte_ini& t, const std::string& section)
{
    for (const bloc_ini& b : t.blocs)
        if (ouvre_section(b.entete, section)) return &b;
    return nullptr;
}

std::optional<std::string> lire_ini(const bloc_ini* b, const std::string& cle)
{
    if (b == nullptr) return std::nullopt;
    const auto c = b->cles.find(cle);
    if (c == b->cles.end()) return std::nullopt;
    return c->second;
}

std::optional<std::string> lire_ini(const texte_ini& t, const std::string& section, const std::string& cle)
{
    return lire_ini(bloc_de_section(t, section), cle);
}

std::optional<std::string> lire_ini(const std::string& chemin, const std::string& section, const std::string& cle)
{
    return lire_ini(charger_ini(chemin), section, cle);
}

std::optional<std::string> lire_chaine(const std::string& chemin, const std::string& section, const std::string& cle)
{
    return lire_ini(chemin, section, cle);
}

std::optional<int> lire_entier_optionnel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    return lire_entier_optionnel(charger_ini(chemin), section, cle);
}

int lire_entier(const std::string& chemin, const std::string& section, const std::string& cle, const journal& j)
{
    return lire_entier(charger_ini(chemin), section, cle, j);
}

std::optional<double> lire_reel_optionnel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    return lire_reel_optionnel(charger_ini(chemin), section, cle);
}

double lire_reel(const std::string& chemin, const std::string& section, const std::string& cle)
{
    return lire_reel(charger_ini(chemin), section, cle);
}

int convertir_entier(const std::string& valeur, const std::string& section, const std::string& cle)
{
    char* fin = nullptr;
    errno = 0;
    const long v = std::strtol(valeur.c_str(), &fin, 10);
    verifier_fin_nombre(valeur, fin, valeur.c_str(), section, cle, true);
    if (errno == ERANGE || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        arreter("Valeur illisible pour " + texte_cle(section, cle) + " : « " + valeur + " » (entier trop grand).\n");
    return static_cast<int>(v);
}

double convertir_reel(const std::string& valeur, const std::string& section, const std::string& cle)
{
    char* fin = nullptr;
    const double v = std::strtod(valeur.c_str(), &fin);
    verifier_decimal(valeur, valeur.c_str(), fin, v, section, cle);
    verifier_fin_nombre(valeur, fin, valeur.c_str(), section, cle, false);
    return v;
}

std::optional<int> lire_entier_optionnel(const texte_ini& t, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_ini(t, section, cle);
    if (!valeur) return std::nullopt;
    return convertir_entier(*valeur, section, cle);
}

int lire_entier(const texte_ini& t, const std::string& section, const std::string& cle, const journal& j)
{
    const auto v = lire_entier_optionnel(t, section, cle);
    if (v) return *v;
    // Stored files may leave an integer key out and rely on its 0: kept, but said.
    avertir(j, "Attention : " + texte_cle(section, cle) + " est absente, lue comme 0.\n");
    return 0;
}

std::optional<double> lire_reel_optionnel(const texte_ini& t, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_ini(t, section, cle);
    if (!valeur) return std::nullopt;
    return convertir_reel(*valeur, section, cle);
}

double lire_reel(const texte_ini& t, const std::string& section, const std::string& cle)
{
    const auto valeur = lire_reel_optionnel(t, section, cle);
    if (!valeur) arreter("Probleme dans le fichier .ini\nParametre : " + cle + "\n");
    return *valeur;
}

std::size_t sequence_utf8(const std::string& s, std::size_t i)
{
    const auto octet = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    const unsigned c = octet(i);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned bas = 0x80, haut = 0xBF; // the range of the second byte: no overlong form, no surrogate, <= U+10FFFF
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) bas = 0xA0;
        if (c == 0xED) haut = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) bas = 0x90;
        if (c == 0xF4) haut = 0x8F;
    } else
        return 0;
    if (octet(i + 1) < bas || octet(i + 1) > haut) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (octet(i + k) < 0x80 || octet(i + k) > 0xBF) return 0;
    return n;
}

void verifier_octets(const std::string& chemin, const journal& j)
{
    if (const auto octets = lire_octets(chemin)) verifier_octets_lus(*octets, chemin, j);
}

void verifier_octets_lus(const std::string& octets, const std::string& chemin, const journal& j)
{
    // The line of the byte at i, counted from 1 (newlines counted from the
    // last byte asked about: one pass over the file).
    long ligne = 1;
    std::size_t compte_jusqu_a = 0;
    const auto ligne_de = [&](std::size_t i) {
        ligne += std::count(octets.begin() + static_cast<std::ptrdiff_t>(compte_jusqu_a),
                            octets.begin() + static_cast<std::ptrdiff_t>(i), '\n');
        compte_jusqu_a = i;
        return ligne;
    };
    if (const void* nul = std::memchr(octets.data(), '\0', octets.size()))
        arreter(std::string("Octet nul dans ") + chemin + ", ligne " +
                std::to_string(ligne_de(static_cast<std::size_t>(static_cast<const char*>(nul) - octets.data()))) +
                " : ce n'est pas un fichier texte ; rien n'est calculé ni écrit.\n");
    for (std::size_t i = 0; i < octets.size();) {
        if (static_cast<unsigned char>(octets[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = sequence_utf8(octets, i);
        if (n > 0) {
            i += n;
            continue;
        }
        char octet[8];
        std::snprintf(octet, sizeof octet, "0x%02X", static_cast<unsigned char>(octets[i]));
        avertir(j, std::string("Attention : octet ") + octet + " hors UTF-8 dans " + chemin + ", ligne " +
                       std::to_string(ligne_de(i)) + " : enregistrez le fichier en UTF-8.\n");
        // one warning a line: on to the next one
        const void* fin = std::memchr(octets.data() + i, '\n', octets.size() - i);
        i = fin ? static_cast<std::size_t>(static_cast<const char*>(fin) - octets.data()) + 1 : octets.size();
    }
}

void avertir_structure(const std::string& chemin, const std::vector<cle_connue>& connues, const journal& j)
{
    const auto octets = lire_octets(chemin);
    if (!octets) return;
    std::vector<std::string> sections;
    for (const auto& c : connues)
        if (std::find(sections.begin(), sections.end(), c.section) == sections.end()) sections.push_back(c.section);

    // The sections a line belongs to, as the reader sees them: each known
    // section is read only in the block after the first header that opens it.
    std::vector<bool> deja_ouverte(sections.size(), false), lue(sections.size(), false);
    std::vector<int> premiere_ligne(connues.size(), 0); // line of each known key's first value, 0: none yet
    std::string texte_ligne;
    int numero = 0;
    for (std::size_t pos = 0; ligne_suivante(*octets, pos, texte_ligne);) {
        const char* ligne = texte_ligne.c_str();
        ++numero;
        if (ligne[0] == '[') {
            if (std::strlen(ligne) == 2)
                arreter("En-tête de section « " + std::string(ligne) + " » (ligne " + std::to_string(numero) +
                        ") : il ouvrirait toutes les sections ; écrivez le nom de la section entre crochets.\n");
            bool ouvre = false, exact = false;
            for (std::size_t s = 0; s < sections.size(); ++s) {
                lue[s] = !deja_ouverte[s] && ouvre_section(ligne, sections[s]);
                if (lue[s]) ouvre = deja_ouverte[s] = true;
                exact = exact || ligne == "[" + sections[s] + "]";
            }
            if (ouvre && exact) continue;
            // A header that names a known section once blanks are trimmed and
            // letter case folded, or a second header of a section.
            const std::string nom = nom_replie(ligne);
            const auto s = std::find(sections.begin(), sections.end(), nom);
            if (s == sections.end() || ouvre) {
                // Opened by the historic prefix rule ("[pui]", "[puits)"), or by nothing.
                const std::string ouvertes = sections_ouvertes(ligne, sections);
                avertir(j, "Attention : section inconnue : « " + std::string(ligne) + " » (ligne " +
                               std::to_string(numero) + ")" +
                               (ouvre ? " : lue comme " + ouvertes + " ; écrivez le nom entier.\n"
                                      : " : ses lignes ne sont pas lues.\n"));
                continue;
            }
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
