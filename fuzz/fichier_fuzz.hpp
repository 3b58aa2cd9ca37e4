// What the fuzz targets share: the input bytes written as a file of a
// temporary folder made once per process, and the keys the program looks up.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "configuration/cles.hpp"
#include "e2e/config_exemple.hpp"

// A folder of its own for the process, removed at its end: in memory
// (/dev/shm) where the system has it, since rewriting a file of a disk file
// system for every input (ext4 writes a truncated file back at once) cost
// more than the reading under test.
inline const std::string& dossier_fuzz()
{
    static const std::string dossier = [] {
        char en_memoire[] = "/dev/shm/gain_fuzz_XXXXXX";
        if (mkdtemp(en_memoire) != nullptr) return std::string(en_memoire);
        char modele[] = "/tmp/gain_fuzz_XXXXXX";
        if (mkdtemp(modele) == nullptr) std::abort();
        return std::string(modele);
    }();
    static const struct nettoyage {
        ~nettoyage()
        {
            std::remove((dossier + "/config.ini").c_str());
            rmdir(dossier.c_str());
        }
    } n;
    return dossier;
}

// The bytes as `dossier_fuzz()/config.ini`; returns its path.
inline std::string ecrire_config_fuzz(const std::uint8_t* donnees, std::size_t taille)
{
    const std::string chemin = dossier_fuzz() + "/config.ini";
    std::FILE* f = std::fopen(chemin.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (taille > 0 && std::fwrite(donnees, 1, taille, f) != taille) std::abort();
    if (std::fclose(f) != 0) std::abort();
    return chemin;
}

struct cle_programme {
    std::string section, cle;
    type_cle type;
};

// Every (section, key) of the program and the type its reader converts, from its key table.
inline std::vector<cle_programme> cles_programme()
{
    std::vector<cle_programme> cles;
    for (const auto& c : table_cles()) cles.push_back({c.section, c.cle, c.type});
    return cles;
}
