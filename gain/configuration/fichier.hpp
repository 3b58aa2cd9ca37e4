// A C stream that closes itself: the reader's config.ini and the driver's
// output files, closed on every way out of the run.
#pragma once

#include <cstdio>
#include <memory>

struct fermeture_fichier {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using fichier = std::unique_ptr<std::FILE, fermeture_fichier>;
