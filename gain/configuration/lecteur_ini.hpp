// Reader of config.ini: sections opened by "[name]", lines "key=value".
//
// Every lookup opens the file, scans it from the top and closes it; nothing is
// kept between lookups. Only the first section that opens a name is searched,
// and a line answers key K when the text before its first '=', with blanks and
// tabs trimmed at both ends, is exactly K. There is no comment syntax.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "configuration/journal.hpp"

inline constexpr const char* fichier_config = "config.ini";

// Value of (section, key) in the file at `chemin`: the text after the line's
// first '=', blanks kept, or nothing when the key is not found.
std::optional<std::string> lire_ini(const std::string& chemin, const std::string& section, const std::string& cle);

// The typed readers. A value must be a number followed by nothing but blanks,
// else the run stops naming the key and the text ("Valeur illisible pour la
// clé K [S] : « ... » (raison).").
std::optional<std::string> lire_chaine(const std::string& chemin, const std::string& section, const std::string& cle);
// An int in base 10; a missing key reads 0, with a warning naming it.
int lire_entier(const std::string& chemin, const std::string& section, const std::string& cle,
                const journal& j = {});
std::optional<int> lire_entier_optionnel(const std::string& chemin, const std::string& section, const std::string& cle);
// strtod (C numeric locale); a missing key stops the run with
// "Probleme dans le fichier .ini\nParametre : <key>\n".
double lire_reel(const std::string& chemin, const std::string& section, const std::string& cle);
// The same when the key is present, nothing otherwise (keys that may be absent).
std::optional<double> lire_reel_optionnel(const std::string& chemin, const std::string& section, const std::string& cle);

// True when the file can be opened for reading.
bool fichier_lisible(const std::string& chemin);

// Warnings for what a typo hides: a line "key=value" in a section the program
// reads whose key it does not know ("clé inconnue"), and a header that would
// name a known section once trimmed and folded to lower case, or a second
// header of a section ("section ignorée : ..."), and a known key given twice in
// its section ("clé donnée deux fois", both lines named; the first value is the
// one read). Lines without '=' are free remarks.
struct cle_connue {
    const char* section;
    const char* cle;
};
void avertir_structure(const std::string& chemin, const std::vector<cle_connue>& connues, const journal& j = {});
