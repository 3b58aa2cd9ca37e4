// The key table is the one source of the table of keys of docs/cles.md.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
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

// fuzz/config.dict gives the fuzzer every section, every "key=" and every
// name of a choice of the table, and no key the table has not: a key added
// to the table reaches the dictionary, or this fails.
TEST(TableCles, LeDictionnaireDuFuzzDonneLesClesDeLaTable)
{
    std::ifstream f(FUZZ_DICT);
    ASSERT_TRUE(f) << FUZZ_DICT;
    std::set<std::string> sections, cles, mots;
    for (std::string l; std::getline(f, l);) {
        if (l.size() < 3 || l.front() != '"' || l.back() != '"') continue;
        const std::string m = l.substr(1, l.size() - 2);
        if (m.starts_with("[") && m.ends_with("]")) sections.insert(m.substr(1, m.size() - 2));
        else if (m.size() > 1 && m.ends_with("=")) cles.insert(m.substr(0, m.size() - 1));
        else mots.insert(m);
    }
    std::set<std::string> sections_table, cles_table;
    for (const cle_config& c : table_cles()) {
        sections_table.insert(c.section);
        cles_table.insert(c.cle);
        for (const char* nom : c.domaine.noms) EXPECT_TRUE(mots.count(nom)) << nom << " manque à fuzz/config.dict";
    }
    EXPECT_EQ(sections, sections_table) << "fuzz/config.dict : les sections de la table";
    EXPECT_EQ(cles, cles_table) << "fuzz/config.dict : une ligne \"cle=\" par clé de la table";
}
