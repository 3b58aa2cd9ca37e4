// One run per folder. Two runs in one folder would write the same outputs
// at once (interleaved lines, one run's files renamed over the other's), so
// a run holds an exclusive lock on ".gain.verrou" in the current folder for
// its whole life, with its process number inside. The lock is the system's
// (flock): a run that dies, even killed, releases it, and the file it leaves
// is taken over by the next run, never a refusal.
#pragma once

#include <string>

inline constexpr const char* fichier_verrou = ".gain.verrou";

// The held lock; releasing it removes the file.
struct verrou_dossier {
    int fd = -1;
    verrou_dossier() = default;
    explicit verrou_dossier(int f) : fd(f) {}
    verrou_dossier(verrou_dossier&& autre) noexcept : fd(autre.fd) { autre.fd = -1; }
    verrou_dossier& operator=(verrou_dossier&&) = delete;
    verrou_dossier(const verrou_dossier&) = delete;
    verrou_dossier& operator=(const verrou_dossier&) = delete;
    ~verrou_dossier();
};

// Takes the lock of the current folder, or stops (arret_calcul) when another
// run holds it: "Un calcul gain tourne déjà dans ce dossier (processus N)...".
// A folder that takes no new file (read-only) cannot hold the lock: the run
// goes on without it, as its outputs then lie elsewhere.
verrou_dossier verrouiller_dossier();
