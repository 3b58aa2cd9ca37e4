#include "programme/sorties_bandes.hpp"

void ecrire_fichier_dispersion(std::FILE* f, const resultats_dispersion& d)
{
    std::fputs("kx (m-1)\tky (m-1)\tniveaux (meV)\n", f);
    for (const auto& pt : d.points) {
        std::fprintf(f, "%e\t%e", pt.kx, pt.ky);
        for (int n = 0; n < pt.nb; ++n) std::fprintf(f, "\t%f", d.niveau(pt.i, pt.j, n));
        std::fputc('\n', f);
    }
    std::fputs("branche_lh", f);
    for (int b : d.branche_lh) std::fprintf(f, "\t%d", b);
    std::fputc('\n', f);
}
