// Reader of config.ini: sections opened by "[name]", lines "key=value".
//
// Every lookup opens the file, scans it from the top and closes it; nothing is
// kept between lookups. Only the first section that opens a name is searched,
// and a line answers key K when the text before its first '=', with blanks and
// tabs trimmed at both ends, is exactly K. There is no comment syntax.
#pragma once

#include <optional>
#include <string>

inline constexpr const char* fichier_config = "config.ini";

// Value of (section, key) in the file at `chemin`: the text after the line's
// first '=', blanks kept, or nothing when the key is not found.
std::optional<std::string> lire_ini(const std::string& chemin, const std::string& section, const std::string& cle);

// The three typed readers of the historic program, on the file `chemin`.
std::optional<std::string> lire_chaine(const std::string& chemin, const std::string& section, const std::string& cle);
// strtol in base 10, 0 when the key is missing or holds no digit.
int lire_entier(const std::string& chemin, const std::string& section, const std::string& cle);
// strtod (C numeric locale); a missing key stops the run with
// "Probleme dans le fichier .ini\nParametre : <key>\n".
double lire_reel(const std::string& chemin, const std::string& section, const std::string& cle);
// strtod when the key is present, nothing otherwise (keys that may be absent).
std::optional<double> lire_reel_optionnel(const std::string& chemin, const std::string& section, const std::string& cle);

// True when the file can be opened for reading.
bool fichier_lisible(const std::string& chemin);
