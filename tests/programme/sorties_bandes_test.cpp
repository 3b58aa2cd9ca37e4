// The dispersion table as the driver writes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "programme/sorties_bandes.hpp"

TEST(SortiesBandes, FormatDuFichierDeDispersion)
{
    resultats_dispersion d;
    d.Nk = 2;
    d.Nky = 1;
    d.nb_places = 2;
    d.niveaux_k = {1, 2, 22.15, 29.45, 0, 0};
    d.branche_lh = {0, 1};
    d.nb_niveaux_max = 2;
    d.points = {{1, 0, 1e6, 0, 2}, {2, 0, 3e8, 0, 0}};
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    ecrire_fichier_dispersion(f, d);
    std::rewind(f);
    std::string texte;
    char tampon[256];
    while (std::fgets(tampon, sizeof tampon, f)) texte += tampon;
    std::fclose(f);
    EXPECT_EQ(texte, "kx (m-1)\tky (m-1)\tniveaux (meV)\n"
                     "1.000000e+06\t0.000000e+00\t22.150000\t29.450000\n"
                     "3.000000e+08\t0.000000e+00\n"
                     "branche_lh\t0\t1\n");
}
