// Output files whose writes are checked. The writers (the driver's, from what
// the phases return) print with fprintf and test nothing; the stream's error
// flag remembers any failed write, so one check after a pass or at the end of
// a file catches them all. A flush makes the buffered lines reach the system
// first, and the close reports what the last write back did not (a full
// disk, a quota, a network file system).
#pragma once

#include <cstdio>
#include <string>

#include "configuration/fichier.hpp"

// Flushes f; stops the run (arret_calcul) when a write to it has failed,
// with "Erreur d'écriture dans le fichier <nom> : <system reason>".
void vider_fichier(std::FILE* f, const std::string& nom);

// Flushes, checks and closes f (then empty), with the same stop.
void fermer_fichier(fichier& f, const std::string& nom);
