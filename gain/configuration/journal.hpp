// Where the reader's warnings go: printed on standard output as they come (a
// run), or kept in order (gain --verifier --json, which prints them itself).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct journal {
    std::vector<std::string>* garde = nullptr; // null: printed
};

// `ligne` carries its own line end; a kept line is stored without it.
inline void avertir(const journal& j, const std::string& ligne)
{
    if (j.garde == nullptr) {
        std::fputs(ligne.c_str(), stdout);
        return;
    }
    j.garde->push_back(ligne.ends_with('\n') ? ligne.substr(0, ligne.size() - 1) : ligne);
}
