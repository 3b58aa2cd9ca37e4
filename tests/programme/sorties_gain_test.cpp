// The files and the console text of the gain phases, as the driver writes
// them from what the phases return.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "programme/console_gain.hpp"
#include "programme/sorties_gain.hpp"

namespace {

// What `ecrire` puts in a file.
template <class F>
std::string ecrit(F ecrire)
{
    std::FILE* f = std::tmpfile();
    ecrire(f);
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s.push_back(static_cast<char>(c));
    std::fclose(f);
    return s;
}

} // namespace

TEST(Sorties, EntetesEtLignesOctetParOctet)
{
    EXPECT_EQ(ecrit(ecrire_entete_gain), "Energie(meV)\tGain TE (cm-1)\tGain TM (cm-1)\tRsp (cm-1)\n");
    EXPECT_EQ(ecrit(ecrire_entete_param), "Nth (cm-3)\tGmax (cm-1)\tGth cavit\xE9 (cm-1)\tJnr (A/cm\xB2)\tJrad (A/cm\xB2)\t"
                                          "Jth (A/cm\xB2)\tLambda \xE9mission (nm)\n"); // Windows-1252, 99 bytes
    spectres s;
    s.lignes = {{1040, 1.5, -2, 3e30}, {1041, 0, 0, 0}};
    EXPECT_EQ(ecrit([&](std::FILE* f) { ecrire_spectres(f, s); }),
              "1.040000e+03\t1.500000e+00\t-2.000000e+00\t3.000000e+30\n"
              "1.041000e+03\t0.000000e+00\t0.000000e+00\t0.000000e+00\n");
    const ligne_seuil l{2e18, 12.5, 14, 30.25, 60.5, 90.75, 980.5};
    EXPECT_EQ(ecrit([&](std::FILE* f) { ecrire_ligne_param(f, l); }),
              "2.000000e+18\t1.250000e+01\t1.400000e+01\t30.250000\t60.500000\t90.750000\t980.500000\n");
    const caracteristique_pi c{{{0.001, -0.5}, {0.002, 0.25}}, 0.7};
    EXPECT_EQ(ecrit([&](std::FILE* f) { ecrire_courbe_pi(f, c); }),
              "Courant (A)\tPopt (W)\n0.001000\t-0.500000\n0.002000\t0.250000\n");
    const table_enveloppes t{1, 1, 0, {-1, 0}, {{0.5, 0.25}, {0, -0.125}}};
    EXPECT_EQ(ecrit([&](std::FILE* f) { ecrire_fichier_enveloppes(f, t); }),
              "z (A)\tE1\tHH1\n-1.000000e+00\t5.000000e-01\t2.500000e-01\n"
              "0.000000e+00\t0.000000e+00\t-1.250000e-01\n");
}

// With [modele] the summary gives Jth / eta_interne and the parts of Jth:
// defect and Auger with A_srh, C_auger, the N / tau_nr part without them.
TEST(Console, ResumeDuSeuilAvecLesPartsDuModele)
{
    parametres_calcul p;
    p.couches.largeur_puits = 80;
    p.cavite.eta_interne = 0.8;
    p.modele.present = true;
    etat_seuil e;
    e.calcule = e.seuil_atteint = true;
    e.Jth = {100, 60, 30, 10};
    for (bool abc : {true, false}) {
        p.modele.recombinaison_abc = abc;
        testing::internal::CaptureStdout();
        afficher_resume_seuil(p, e, 0.5);
        const std::string console = testing::internal::GetCapturedStdout();
        EXPECT_NE(console.find("  densité de courant aux bornes Jth/eta_interne : 125.000000 A/cm² (eta_interne = 0.8)\n"),
                  std::string::npos) << console;
        EXPECT_NE(console.find(abc ? "  parts de Jth : radiative 60.0 % (60.000000 A/cm²), défauts A·N 30.0 % "
                                     "(30.000000 A/cm²), Auger C·N³ 10.0 % (10.000000 A/cm²)\n"
                                   : "  parts de Jth : radiative 60.0 % (60.000000 A/cm²), non radiative N/tau_nr "
                                     "30.0 % (30.000000 A/cm²)\n"),
                  std::string::npos) << console;
    }
}
