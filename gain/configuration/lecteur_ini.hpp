// Reader of config.ini: sections opened by "[name]", lines "key=value".
//
// A lookup by path opens the file, scans it from the top and closes it; the
// program reads its keys from the file parsed once (texte_ini), which answers
// every lookup as the file would. Only the first section that opens a name is searched,
// and a line answers key K when the text before its first '=', with blanks and
// tabs trimmed at both ends, is exactly K. There is no comment syntax.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "configuration/journal.hpp"

inline constexpr const char* fichier_config = "config.ini";

// config.ini as the reader sees it, read once: its lines cut as the reader
// cuts them (pieces of at most 1023 characters, the line feed, a final
// carriage return and a leading UTF-8 byte-order mark dropped), grouped in
// the blocks that follow each header line, each block with the first value
// of every key it names (the text before the line's first '=', trimmed).
// Lookups in it answer as lookups in the file, without a scan per question;
// `lisible` is false when the file could not be opened. The readers below
// that take a path read the file afresh for each question.
struct bloc_ini {
    std::string entete;                     // the header line, "[" first
    std::map<std::string, std::string> cles; // key -> value, the first line of each key
};
struct texte_ini {
    bool lisible = false;
    std::vector<bloc_ini> blocs; // in file order; lines before the first header belong to none
};
texte_ini charger_ini(const std::string& chemin);
// The same from the file's bytes (always `lisible`), and the bytes of a file
// (nothing when it cannot be opened).
texte_ini analyser_ini(const std::string& octets);
std::optional<std::string> lire_octets(const std::string& chemin);

// Value of (section, key) in the file at `chemin`: the text after the line's
// first '=', blanks kept, or nothing when the key is not found.
std::optional<std::string> lire_ini(const std::string& chemin, const std::string& section, const std::string& cle);
std::optional<std::string> lire_ini(const texte_ini& t, const std::string& section, const std::string& cle);
// The same in two steps: the block a section reads (only the first block that
// opens it; none), then the key in it.
const bloc_ini* bloc_de_section(const texte_ini& t, const std::string& section);
std::optional<std::string> lire_ini(const bloc_ini* b, const std::string& cle);

// The typed readers. A value must be a number followed by nothing but blanks,
// else the run stops naming the key and the text ("Valeur illisible pour la
// clé K [S] : « ... » (raison).").
std::optional<std::string> lire_chaine(const std::string& chemin, const std::string& section, const std::string& cle);
// An int in base 10; a missing key reads 0, with a warning naming it.
int lire_entier(const std::string& chemin, const std::string& section, const std::string& cle,
                const journal& j = {});
std::optional<int> lire_entier_optionnel(const std::string& chemin, const std::string& section, const std::string& cle);
// A decimal number (strtod in the C numeric locale, but neither hexadecimal
// nor inf nor nan, nor beyond the range of a double); a missing key stops the
// run with "Probleme dans le fichier .ini\nParametre : <key>\n".
double lire_reel(const std::string& chemin, const std::string& section, const std::string& cle);
// The same when the key is present, nothing otherwise (keys that may be absent).
std::optional<double> lire_reel_optionnel(const std::string& chemin, const std::string& section, const std::string& cle);
// The typed readers on a text read once.
int lire_entier(const texte_ini& t, const std::string& section, const std::string& cle, const journal& j = {});
std::optional<int> lire_entier_optionnel(const texte_ini& t, const std::string& section, const std::string& cle);
double lire_reel(const texte_ini& t, const std::string& section, const std::string& cle);
std::optional<double> lire_reel_optionnel(const texte_ini& t, const std::string& section, const std::string& cle);

// The conversions of the typed readers, on a value already looked up: the
// same checks and stops.
int convertir_entier(const std::string& valeur, const std::string& section, const std::string& cle);
double convertir_reel(const std::string& valeur, const std::string& section, const std::string& cle);

// Length of the valid UTF-8 sequence that starts at s[i] (1 to 4), 0 when the
// byte there starts none (a Latin-1 byte, a cut or overlong sequence).
std::size_t sequence_utf8(const std::string& s, std::size_t i);

// The bytes of config.ini, before anything is read from it: a NUL byte
// anywhere stops the run naming its line (the reader, which sees C strings,
// would cut the line there: "largeur=7\0 5" read as 7); a byte that is not
// UTF-8 is warned of with its line (its value is copied as is).
void verifier_octets(const std::string& chemin, const journal& j = {});
// The same on the bytes already read, `chemin` naming them in the messages.
void verifier_octets_lus(const std::string& octets, const std::string& chemin, const journal& j = {});

// True when the file can be opened for reading.
bool fichier_lisible(const std::string& chemin);

// Warnings for what a typo hides: a line "key=value" in a section the program
// reads whose key it does not know ("clé inconnue"), and a header that would
// name a known section once trimmed and folded to lower case, or a second
// header of a section ("section ignorée : ..."), any other header that is not
// exactly a known section ("section inconnue : ...", saying which sections
// the historic prefix rule opens with it: "[pui]" reads as [puits]), and a
// known key given twice in its section ("clé donnée deux fois", both lines
// named; the first value is the one read). Lines without '=' are free
// remarks. A header of two characters ("[]", "[x"), which would open every
// section, stops the run naming its line.
struct cle_connue {
    const char* section;
    const char* cle;
};
void avertir_structure(const std::string& chemin, const std::vector<cle_connue>& connues, const journal& j = {});
