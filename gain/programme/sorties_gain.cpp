#include "programme/sorties_gain.hpp"

#include <cstddef>

void ecrire_entete_gain(std::FILE* f) { std::fputs("Energie(meV)\tGain TE (cm-1)\tGain TM (cm-1)\tRsp (cm-1)\n", f); }

void ecrire_spectres(std::FILE* f, const spectres& s)
{
    for (const ligne_gain& l : s.lignes) std::fprintf(f, "%e\t%e\t%e\t%e\n", l.E, l.gain_te, l.gain_tm, l.rsp);
}

void ecrire_entete_param(std::FILE* f)
{
    // Windows-1252: \xE9 is e acute, \xB2 the superscript two.
    std::fputs("Nth (cm-3)\tGmax (cm-1)\tGth cavit\xE9 (cm-1)\tJnr (A/cm\xB2)\tJrad (A/cm\xB2)\tJth (A/cm\xB2)\t"
               "Lambda \xE9mission (nm)\n",
               f);
}

void ecrire_ligne_param(std::FILE* f, const ligne_seuil& l)
{
    std::fprintf(f, "%e\t%e\t%e\t%f\t%f\t%f\t%f\n", l.N_cm3, l.Gmax, l.Gth, l.Jnr, l.Jrad, l.Jth, l.lambda_emission);
}

void ecrire_courbe_pi(std::FILE* f, const caracteristique_pi& c)
{
    std::fputs("Courant (A)\tPopt (W)\n", f);
    for (const point_pi& p : c.points) std::fprintf(f, "%f\t%f\n", p.I, p.P);
}

void ecrire_fichier_enveloppes(std::FILE* f, const table_enveloppes& t)
{
    std::fputs("z (A)", f);
    for (int i = 0; i < t.nb_E; ++i) std::fprintf(f, "\tE%d", i + 1);
    for (int i = 0; i < t.nb_HH; ++i) std::fprintf(f, "\tHH%d", i + 1);
    for (int i = 0; i < t.nb_LH; ++i) std::fprintf(f, "\tLH%d", i + 1);
    std::fputs("\n", f);
    for (std::size_t i = 0; i < t.z.size(); ++i) {
        std::fprintf(f, "%e", t.z[i]);
        for (double psi : t.valeurs[i]) std::fprintf(f, "\t%e", psi);
        std::fputs("\n", f);
    }
}
