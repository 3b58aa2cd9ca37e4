// Output files whose writes are checked. The writers (the driver's, from what
// the phases return) print with fprintf and test nothing; the stream's error
// flag remembers any failed write, so one check after a pass or at the end of
// a file catches them all. A flush makes the buffered lines reach the system
// first, and the close reports what the last write back did not (a full
// disk, a quota, a network file system).
//
// Every output of a run is written to a temporary file beside its target and
// renamed over it only when the run ends normally: a stop with a message, a
// signal or a kill leaves the previous run's file whole, since a rename
// within one folder replaces a file at once. The temporary is named
// ".<name>.tmp.<pid>", so that a later run recognises the ones whose process
// is gone and removes them.
#pragma once

#include <cstdio>
#include <string>

#include "configuration/fichier.hpp"

// Flushes f; stops the run (arret_calcul) when a write to it has failed,
// with "Erreur d'écriture dans le fichier <nom> : <system reason>".
void vider_fichier(std::FILE* f, const std::string& nom);

// Flushes, checks and closes f (then empty), with the same stop.
void fermer_fichier(fichier& f, const std::string& nom);

// A temporary file removed when its owner goes, unless it was put in place.
struct fichier_provisoire {
    std::string chemin; // empty: nothing to remove
    fichier_provisoire() = default;
    explicit fichier_provisoire(std::string c) : chemin(std::move(c)) {}
    fichier_provisoire(fichier_provisoire&& autre) noexcept : chemin(std::move(autre.chemin)) { autre.chemin.clear(); }
    fichier_provisoire& operator=(fichier_provisoire&& autre) noexcept;
    fichier_provisoire(const fichier_provisoire&) = delete;
    fichier_provisoire& operator=(const fichier_provisoire&) = delete;
    ~fichier_provisoire();
};

// One output of the run. A target that exists and is not a regular file
// (/dev/null, /dev/full, a terminal) is written in place: nothing can be
// renamed over it. A symbolic link is followed, the file it names replaced.
struct sortie_atomique {
    std::string nom;             // the path as config.ini gives it, for the messages
    std::string cible;           // the file the results replace
    fichier_provisoire provisoire; // empty when written in place
    fichier flux;                // null when the opening failed (errno says why)
};

// The file a path designates, through its symbolic links; the path itself
// when it cannot be resolved (a new file, a dangling link).
std::string fichier_designe(const std::string& chemin);

// The temporary name of `cible` for process `pid`: ".<name>.tmp.<pid>" in its folder.
std::string nom_provisoire(const std::string& cible, long pid);

// Opens the output `chemin` (its temporary, with the mode of the file it will
// replace), after removing the temporaries of `chemin` left by processes
// that no longer run. Never stops: a failed opening leaves `flux` null.
sortie_atomique ouvrir_sortie(const std::string& chemin);

// Flushes, writes back to the disk and closes the stream, with the stop of
// fermer_fichier; the temporary stays until publier_sortie.
void terminer_sortie(sortie_atomique& s);

// Puts the closed temporary in place of its target (nothing for an output
// written in place); a rename that fails stops with the write message.
void publier_sortie(sortie_atomique& s);
