// No NaN or infinity reaches a file or the summary. A value that overflows
// (an Auger coefficient of 1e300, a barrier so wide its transfer overflows)
// used to be printed as "inf" or "-nan" with "Calculs terminés" and status 0.
// Each phase's results are looked at before they are written or printed; the
// first value that is not finite stops the run (arret_calcul), naming the
// quantity, the density of the pass and the key that most likely caused it,
// so that the outputs of the previous run stay in place.
#pragma once

#include "configuration/parametres.hpp"
#include "dispersion/table.hpp"
#include "gain_optique/recouvrements.hpp"
#include "gain_optique/spectres.hpp"
#include "merite/figures.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "seuil_pi/courbe_pi.hpp"
#include "seuil_pi/seuil.hpp"

// The band phases: zone-centre levels, hole dispersion, envelopes and overlaps.
void exiger_niveaux_finis(const resultats_k0& k0);
void exiger_dispersion_finie(const resultats_dispersion& d);
void exiger_enveloppes_finies(const table_enveloppes& t);
void exiger_recouvrements_finis(const recouvrements& r);

// One pass of the series at N_cm3 (cm^-3): the quasi-Fermi levels (meV) and
// what the barriers hold (before the console shows them), then the spectra
// and the parameter line.
void exiger_fermi_fini(double N_cm3, double EFC, double EFV, const barrieres_passe& b);
void exiger_passe_finie(const parametres_calcul& p, double N_cm3, const spectres& s, const ligne_seuil& l);

// After the series: the P-I curve, the threshold summary and the figures of merit.
void exiger_fin_finie(const parametres_calcul& p, const etat_seuil& seuil, const caracteristique_pi& pi,
                      const figures_seuil& f, const modulation& m);
