// The key table is the one source of the table of keys of docs/cles.md.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "configuration/cles.hpp"

TEST(TableCles, LaPageDesClesDonneLaTableDuProgramme)
{
    std::ifstream f(CLES_MD);
    ASSERT_TRUE(f) << CLES_MD;
    std::ostringstream t;
    t << f.rdbuf();
    const std::string texte = t.str();
    const std::string debut = "<!-- table des clés : début -->\n", fin = "<!-- table des clés : fin -->";
    const std::size_t a = texte.find(debut), b = texte.find(fin);
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_EQ(texte.substr(a + debut.size(), b - a - debut.size()), table_markdown())
        << "docs/cles.md : recopier la sortie de gain --cles entre les deux marques";
}

// Each (section, key) once: a second entry would be read twice and hide the first.
TEST(TableCles, ChaqueCleUneFois)
{
    const auto& t = table_cles();
    for (std::size_t i = 0; i < t.size(); ++i)
        for (std::size_t k = i + 1; k < t.size(); ++k)
            EXPECT_FALSE(std::string(t[i].section) == t[k].section && std::string(t[i].cle) == t[k].cle)
                << t[i].section << " " << t[i].cle;
}
