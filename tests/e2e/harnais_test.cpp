// The harness itself: input, output, working folder and exit status of the
// program it runs.
#include <gtest/gtest.h>

#include "e2e/harnais.hpp"

namespace {

TEST(Harnais, EntreeSortieDossierEtStatut)
{
    dossier_temporaire d;
    d.ecrire("lu.txt", "contenu");
    const auto r = executer_programme("/bin/sh", {"-c", "cat; pwd; cat lu.txt; echo x > cree.txt; exit 3"}, d.chemin,
                                      "12\n1e17\n");
    EXPECT_EQ(r.statut, 3);
    EXPECT_EQ(r.console, "12\n1e17\n" + std::filesystem::canonical(d.chemin).string() + "\ncontenu");
    EXPECT_EQ(d.lire("cree.txt"), std::optional<std::string>("x\n"));
    EXPECT_EQ(d.lire("absent.txt"), std::nullopt);
    EXPECT_EQ(d.fichiers(), (std::vector<std::string>{"cree.txt", "lu.txt"}));
}

TEST(Harnais, ProgrammeAbsentEtSignal)
{
    dossier_temporaire d;
    EXPECT_EQ(executer_programme("/nonexistent/program", {}, d.chemin).statut, 127);
    EXPECT_EQ(executer_programme("/bin/sh", {"-c", "kill -9 $$"}, d.chemin).statut, 128 + 9);
}

} // namespace
