#include "programme/console.hpp"

#include <cstdio>

void afficher_resume_materiau(const resultats_materiau& m)
{
    std::printf("Vc: %f meV\tEg_Puits: %fmeV\tEg_Barriere: %fmeV\n", m.Vc, m.Eg_Puits, m.Eg_Barriere);
}

void afficher_niveaux_bande(const parametres_bande& b, const niveaux_bande& n)
{
    std::puts(b.titre);
    for (double E_n : n.niveaux) std::printf("%f \n", E_n);
}

suivi_dispersion suivi_console(const parametres_dispersion& p)
{
    suivi_dispersion s;
    s.debut = [] { std::puts("Progression des calculs pour k différent de zéro :"); };
    s.progression = [Nk = p.Nk, deltak = p.deltak](double kx) {
        std::printf("%d%% \b\b\b\b", static_cast<int>(static_cast<float>(100 * kx / ((Nk - 1) * deltak))));
    };
    return s;
}

void afficher_fin_dispersion(const resultats_dispersion& d)
{
    std::printf("\nMax(Nk) : %d\n", d.max_indice_k);
    std::puts("Calcul des niveaux dans la bande de valence terminé");
}
