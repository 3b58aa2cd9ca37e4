// The result files of the gain phases, written from what the phases return.
// The writers print with fprintf and test nothing: the driver checks each
// stream after a pass or at its end (configuration/ecriture.hpp).
#pragma once

#include <cstdio>

#include "gain_optique/recouvrements.hpp"
#include "gain_optique/spectres.hpp"
#include "seuil_pi/courbe_pi.hpp"
#include "seuil_pi/seuil.hpp"

// "Energie(meV)\tGain TE (cm-1)\tGain TM (cm-1)\tRsp (cm-1)\n"
void ecrire_entete_gain(std::FILE* f);

// The pass's lines "%e\t%e\t%e\t%e\n": photon energy, TE and TM gain, rsp.
void ecrire_spectres(std::FILE* f, const spectres& s);

// Column header of the parameter file, in Windows-1252 (99 bytes).
void ecrire_entete_param(std::FILE* f);

// The pass's line: density, Gmax, Gth, Jnr, Jrad, Jth, emission wavelength.
void ecrire_ligne_param(std::FILE* f, const ligne_seuil& l);

// "Courant (A)\tPopt (W)\n", then the curve, one "%f\t%f\n" line per point.
void ecrire_courbe_pi(std::FILE* f, const caracteristique_pi& c);

// "z (A)" then one column per level E1.., HH1.., LH1..; one line per position.
void ecrire_fichier_enveloppes(std::FILE* f, const table_enveloppes& t);
