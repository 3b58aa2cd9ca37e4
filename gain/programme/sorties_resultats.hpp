// The run record as one JSON object ([sortie] fichier_resultats), written at
// the normal end and put in place with the other outputs: the
// program and its constants, the material summary, the zone-centre levels,
// every pass of the density series, the threshold, the P-I curve and the
// figures of merit. Numbers are in the units the console prints them in,
// each in its shortest decimal form that reads back as the same double (so
// that printed with the console's own format it gives the console's digits);
// what is unknown or not finite is null.
#pragma once

#include <cstdio>
#include <string>

#include "configuration/parametres.hpp"
#include "programme/enregistrement.hpp"

std::string resultats_json(const parametres_calcul& p, const enregistrement_calcul& r);

// Writes the object and a line end; the driver checks the stream.
void ecrire_resultats(std::FILE* f, const parametres_calcul& p, const enregistrement_calcul& r);
