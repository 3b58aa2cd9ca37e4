// A failed write stops with the file and the system's reason.
#include <gtest/gtest.h>

#include <cstdio>

#include "configuration/arret.hpp"
#include "configuration/ecriture.hpp"

namespace {

TEST(Ecriture, EchecSurDisquePleinNommeLeFichierEtLaRaison)
{
    fichier f(std::fopen("/dev/full", "w"));
    ASSERT_TRUE(f);
    std::fputs("Energie(meV)\n", f.get());
    try {
        fermer_fichier(f, "gain.txt");
        FAIL() << "écriture sur /dev/full acceptée";
    } catch (const arret_calcul& a) {
        EXPECT_EQ(a.message, "Erreur d'écriture dans le fichier gain.txt : No space left on device\n");
        EXPECT_EQ(a.statut, 1);
    }
}

} // namespace
