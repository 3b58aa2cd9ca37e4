#include "configuration/ligne_commande.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "configuration/arret.hpp"

const char* const usage_gain =
    "Usage : gain [courant <nombre de densites> <pas en cm-3>]\n"
    "  sans argument : une densite, Ninj de config.ini (dossier courant) ;\n"
    "  courant N pas : N densites, Ninj, Ninj + pas, ...\n"
    "  gain --verifier [--json] [courant N pas] : lit et verifie config.ini et la ligne de commande comme un\n"
    "    calcul, n'ecrit aucun fichier, affiche chaque cle lue, le materiau et les bornes (en JSON avec --json) ;\n"
    "  gain --cles : la table des cles de config.ini ;\n"
    "  gain --help : cette aide ; gain --version : la version.\n"
    "Les cles de config.ini et les fichiers ecrits sont decrits dans le README du projet.\n";

namespace {

// A whole number text: strtod's number and nothing after it but blanks.
std::optional<double> nombre_de(const char* texte)
{
    char* fin = nullptr;
    const double v = std::strtod(texte, &fin);
    if (fin == texte) return std::nullopt;
    while (*fin == ' ' || *fin == '\t') ++fin;
    if (*fin != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

} // namespace

bool mode_courant(int argc, const char* const* argv) { return argc >= 2 && std::strcmp(argv[1], "courant") == 0; }

void verifier_ligne_commande(int argc, const char* const* argv)
{
    if (argc <= 1) return;
    // A mistyped mode must not overwrite the previous results with another computation.
    if (!mode_courant(argc, argv)) {
        std::string ligne;
        for (int i = 1; i < argc; ++i) {
            if (i > 1) ligne += ' ';
            ligne += argv[i];
        }
        arreter("Ligne de commande non reconnue : « " + ligne + " » ; rien n'est calculé ni écrit.\n" + usage_gain);
    }
    if (argc < 4)
        arreter(std::string("Le mode courant demande deux nombres : gain courant <nombre de densites> <pas en cm-3>\n") +
                usage_gain);
    if (argc > 4)
        arreter(std::string("Le mode courant prend deux nombres, pas plus : « ") + argv[4] + " » est de trop.\n" +
                usage_gain);
    for (int i = 2; i < 4; ++i)
        if (!nombre_de(argv[i]))
            arreter(std::string("Le mode courant demande deux nombres : « ") + argv[i] + " » n'en est pas un.\n" +
                    usage_gain);
    if (!(*nombre_de(argv[2]) >= 1.0))
        arreter(std::string("Le mode courant demande au moins une densité : « ") + argv[2] + " » densités.\n" +
                usage_gain);
}

ligne_commande lire_ligne_commande(int argc, const char* const* argv)
{
    ligne_commande l;
    if (mode_courant(argc, argv) && argc >= 4) {
        l.nombre_iterations = nombre_de(argv[2]).value_or(0.0);
        l.pas_porteurs_cm3 = nombre_de(argv[3]).value_or(0.0);
    }
    return l;
}

int nombre_de_passes(double nombre_iterations)
{
    if (!(nombre_iterations >= 1.0)) return 0;
    if (nombre_iterations >= 2147483647.0) return 2147483647;
    return static_cast<int>(nombre_iterations);
}

void verifier_serie(double Ninj, const ligne_commande& commande)
{
    const int n = nombre_de_passes(commande.nombre_iterations);
    const double derniere = Ninj + (n - 1.0) * commande.pas_porteurs_cm3; // cm-3
    if (n > 1 && !(derniere > 0)) {
        char message[160];
        std::snprintf(message, sizeof message,
                      "Le mode courant donnerait des densites negatives ou nulles : Ninj + (%d - 1) x pas = %g cm-3 ; "
                      "augmentez Ninj ou le pas.\n", n, derniere);
        arreter(message + std::string(usage_gain));
    }
}
