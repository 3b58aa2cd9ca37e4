#include "merite/figures.hpp"

#include <cstddef>

#include "numerique/constantes.hpp"

figures_seuil evaluer_seuil(const std::vector<passe_merite>& passes, double E_laser, double lambda_nm, bool tm,
                            double Gth, double indice_groupe, const spectres& s, const bandes_puits& b,
                            const reglages_spectres& r)
{
    figures_seuil f;
    f.calcule = true;
    f.E_laser = E_laser;
    f.tm = tm;
    f.indice_groupe = indice_groupe;
    f.duree_vie_photons = duree_vie_photons(Gth, indice_groupe);
    f.tr = chercher_transparence(passes, tm);
    f.differentielles = passes.size() >= 2 && E_laser > 0;
    if (f.differentielles)
        f.d = evaluer_differentielles(passes[passes.size() - 2], passes.back(), E_laser, lambda_nm, tm, s, b, r);
    return f;
}

modulation reponse_modulation(const parametres_calcul& p, const etat_seuil& seuil, const figures_seuil& f)
{
    modulation m;
    if (!f.differentielles || !(f.d.dg_dN > 0) || !(f.duree_vie_photons > 0)) return m;
    const parametres_cavite& c = p.cavite;
    m.calculee = true;
    m.p.duree_vie_photons = f.duree_vie_photons;
    m.p.vitesse_groupe = constantes::c_lumiere * 100 / f.indice_groupe; // m/s -> cm/s
    m.p.gain_differentiel = f.d.dg_dN;
    m.p.confinement = seuil.tm_seuil ? c.facteur_confinement_tm : c.facteur_confinement;
    m.p.compression = c.compression_gain;
    m.p.taux_recombinaison = f.d.taux_recombinaison;
    m.p.eta_interne = c.eta_interne;
    // every well of a stack under the stripe
    m.p.volume = c.nombre_puits * c.longueur_puce * c.largeur_contact * p.couches.largeur_puits * 1e-8; // Å -> cm
    // the threshold current of the P-I curve
    m.p.courant_seuil = seuil.Jth.total * c.longueur_puce * c.largeur_contact;
    m.K = facteur_K(m.p);
    m.D = facteur_D(m.p);
    m.f_max = bande_passante_max(m.p);
    for (std::size_t i = 0; i < m.points.size(); ++i)
        m.points[i] = reponse_petit_signal(m.p, multiples_seuil_modulation[i] * m.p.courant_seuil);
    return m;
}
