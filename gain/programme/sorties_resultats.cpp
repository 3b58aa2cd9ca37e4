#include "programme/sorties_resultats.hpp"

#include <cmath>
#include <cstddef>

#include "numerique/constantes.hpp"
#include "programme/json.hpp"

namespace {

// ", \"nom\": valeur" members, for the objects that mix numbers and words.
std::string membre(const char* nom, const std::string& valeur) { return std::string(", \"") + nom + "\": " + valeur; }

std::string constantes_json()
{
    using namespace constantes;
    return objet_json({{"q_C", q},
                       {"hbar_J_s", hbar},
                       {"hbar2_J2_s2", hbar2},
                       {"m0_kg", m0},
                       {"kB_J_K", kB},
                       {"epsilon0_F_m", epsilon0},
                       {"c_m_s", c_lumiere},
                       {"pi", pi},
                       {"h_c_J_m", h_c},
                       {"h_c_meV_nm", h_c_meV_nm}});
}

const char* nom_reseau(reseau_bragg e)
{
    switch (e) {
    case reseau_bragg::absent: return "absent";
    case reseau_bragg::hors_fenetre: return "hors_fenetre";
    case reseau_bragg::cavite: return "cavite";
    }
    return "absent";
}

std::string reseau_json(const parametres_calcul& p)
{
    const reseau_bragg e = etat_reseau(p.bragg, p.calcul);
    return objet_json({{"lambda_nm", p.bragg.lambda}, {"E_meV", 1000 * energie_bragg(p.bragg)}}, // eV -> meV
                      membre("etat", chaine_json(nom_reseau(e))));
}

const char* nom_cavite(bool bragg) { return bragg ? "\"Bragg\"" : "\"puce\""; }
const char* nom_mode(bool tm) { return tm ? "\"TM\"" : "\"TE\""; }
double si(bool connu, double v) { return connu ? v : NAN; }

std::string passe_json(const passe_calcul& c, bool reseau)
{
    const ligne_seuil& l = c.seuil;
    std::string en_plus = membre("cavite", nom_cavite(l.bragg)) + membre("polarisation", nom_mode(c.tm)) +
                          membre("au_seuil", booleen_json(l.Gmax >= l.Gth)) +
                          membre("sans_point_precedent", booleen_json(l.sans_point_precedent));
    if (c.continuum) {
        const barrieres_passe& b = c.barrieres;
        en_plus += membre("barrieres", objet_json({{"electrons_cm2", b.n * 1e-4}, // m^-2 -> cm^-2
                                                   {"part_electrons_pourcent", 100 * b.n / c.N},
                                                   {"trous_cm2", b.p * 1e-4},
                                                   {"part_trous_pourcent", 100 * b.p / c.N},
                                                   {"Jrad_A_cm2", b.Jrad}}));
    }
    return objet_json({{"N_cm3", c.N_cm3},
                       {"EFC_meV", c.EFC},
                       {"EFV_meV", -c.EFV}, // electron axis, as the console gives it
                       {"Gmax_TE_cm1", c.Gmax_te},
                       {"E_TE_meV", si(c.pic_defini, c.E_te)},
                       {"Gmax_TM_cm1", c.Gmax_tm},
                       {"E_TM_meV", si(c.pic_defini, c.E_tm)},
                       {"Gth_puce_cm1", l.Gth_puce},
                       {"Gth_bragg_cm1", si(reseau, l.Gth_bragg)},
                       {"Gmax_cm1", l.Gmax},
                       {"Gth_cm1", l.Gth},
                       {"Jnr_A_cm2", l.Jnr},
                       {"Jrad_A_cm2", l.Jrad},
                       {"Jth_A_cm2", l.Jth},
                       {"lambda_nm", l.lambda_emission}},
                      en_plus);
}

std::string passes_json(const parametres_calcul& p, const std::vector<passe_calcul>& passes)
{
    const bool reseau = etat_reseau(p.bragg, p.calcul) == reseau_bragg::cavite;
    std::string r = "[";
    for (std::size_t i = 0; i < passes.size(); ++i) r += (i ? ",\n  " : "\n  ") + passe_json(passes[i], reseau);
    return r + (passes.empty() ? "]" : "\n ]");
}

// The closing summary, member for member what the console prints: the
// threshold when reached (with the current at the terminals and the parts
// of Jth under [modele], the barriers' share with its continuum), else what
// the series reached and what the cavity needed.
std::string seuil_json(const parametres_calcul& p, const enregistrement_calcul& r)
{
    const etat_seuil& e = r.seuil;
    const bool a = e.seuil_atteint, modele = a && p.modele.present;
    const courants& J = e.Jth;
    std::string en_plus = membre("calcule", booleen_json(e.calcule)) + membre("atteint", booleen_json(a)) +
                          membre("cavite", a ? nom_cavite(e.bragg_seuil) : "null") +
                          membre("polarisation", a ? nom_mode(e.tm_seuil) : "null");
    if (modele) {
        en_plus += membre("parts_A_cm2", objet_json({{"radiatif", J.radiatif},
                                                     {"defauts", J.defauts},
                                                     {"auger", J.auger},
                                                     {"barrieres", J.barrieres}}));
        en_plus += membre("parts_pourcent", objet_json({{"radiatif", 100 * J.radiatif / J.total},
                                                        {"defauts", 100 * J.defauts / J.total},
                                                        {"auger", 100 * J.auger / J.total},
                                                        {"barrieres", 100 * J.barrieres / J.total}}));
    }
    if (modele && p.modele.continuum)
        en_plus += membre("barrieres", objet_json({{"part_electrons_pourcent", 100 * e.barrieres_seuil.n / e.Nth},
                                                   {"part_trous_pourcent", 100 * e.barrieres_seuil.p / e.Nth}}));
    const bool sous_le_seuil = e.calcule && !a;
    return objet_json({{"Nth_cm3", si(a, densite_cm3(e.Nth, p.couches.largeur_puits))},
                       {"Jth_A_cm2", si(a, J.total)},
                       {"Jth_bornes_A_cm2", si(modele, J.total / p.cavite.eta_interne)},
                       {"Ith_mA", si(a, courant_ruban_mA(p.cavite, J.total))},
                       {"lambda_nm", si(a, e.lambda_seuil)},
                       {"pente_W_A", si(a, r.pi.pente)},
                       {"Gmax_serie_cm1", si(sous_le_seuil, e.Gmax_serie)},
                       {"Gth_serie_cm1", si(sous_le_seuil, e.Gth_serie)}},
                      en_plus);
}

std::string pi_json(const caracteristique_pi& c)
{
    std::vector<double> I, P;
    for (const point_pi& pt : c.points) {
        I.push_back(pt.I);
        P.push_back(pt.P);
    }
    return "{\"courant_A\": " + liste_nombres_json(I) + ", \"puissance_W\": " + liste_nombres_json(P) + "}";
}

// The figures of merit as the closing summary prints them, in its units.
std::string merite_json(const parametres_calcul& p, const figures_seuil& f)
{
    if (!f.calcule) return "null";
    const double Lw = p.couches.largeur_puits;
    const double surface = p.cavite.longueur_puce * p.cavite.largeur_contact; // cm^2
    const figures_differentielles& d = f.d;
    const bool D = f.differentielles, T = f.tr.trouvee;
    const std::string en_plus = membre("mode", nom_mode(f.tm)) + membre("differentielles", booleen_json(D)) +
                                membre("transparence", booleen_json(T)) +
                                membre("transparence_des_le_debut", booleen_json(f.tr.au_dessus_des_le_debut)) +
                                membre("transparence_deux_passes_positives", booleen_json(f.tr.deux_passes_positives));
    return objet_json({{"E_laser_meV", f.E_laser},
                       {"dg_dN_cm2", si(D, d.dg_dN)},
                       {"N_avant_cm3", si(D, d.N_avant)},
                       {"N_seuil_cm3", si(D, d.N_seuil)},
                       {"dg_dJ_cm_A", si(D, d.dg_dJ)},
                       {"alpha_H", si(D, d.alpha_H)},
                       {"dn_dN_cm3", si(D, d.dn_dN)},
                       {"E_debut_KK_meV", si(D, d.grille.debut)},
                       {"E_fin_KK_meV", si(D, d.grille.fin)},
                       {"Ntr_cm3", si(T, densite_cm3(f.tr.N, Lw))},
                       {"N_bas_cm3", si(T, densite_cm3(f.tr.N_bas, Lw))},
                       {"N_haut_cm3", si(T, densite_cm3(f.tr.N_haut, Lw))},
                       {"Jtr_A_cm2", si(T, f.tr.J)},
                       {"Itr_mA", si(T, f.tr.J * surface * 1000)},
                       {"tau_p_s", f.duree_vie_photons},
                       {"indice_groupe", f.indice_groupe}},
                      en_plus);
}

std::string modulation_json(const modulation& m)
{
    if (!m.calculee) return "null";
    std::string points = "[";
    for (std::size_t i = 0; i < m.points.size(); ++i) {
        const point_petit_signal& pt = m.points[i];
        points += (i ? ", " : "") + objet_json({{"multiple", multiples_seuil_modulation[i]},
                                               {"I_mA", pt.I * 1000},
                                               {"f_r_GHz", pt.f_r * 1e-9},
                                               {"gamma_ns1", pt.amortissement * 1e-9},
                                               {"f_3dB_GHz", pt.f_3dB * 1e-9}});
    }
    return objet_json({{"compression_cm3", m.p.compression},
                       {"K_ns", m.K * 1e9},
                       {"gamma0_ns1", m.p.taux_recombinaison * 1e-9},
                       {"D_GHz_mA", m.D * 1e-9 / std::sqrt(1000.0)},
                       {"f_max_GHz", m.f_max * 1e-9}},
                      membre("points", points + "]"));
}

} // namespace

std::string resultats_json(const parametres_calcul& p, const enregistrement_calcul& r)
{
    std::string s = "{\n \"programme\": " + chaine_json("gain " GAIN_VERSION);
    s += ",\n \"constantes\": " + constantes_json();
    s += ",\n \"materiau\": " + objet_json({{"Vc_meV", r.Vc}, {"Vv_meV", r.Vv}, {"Eg_puits_eV", r.Eg_Puits},
                                            {"Eg_barriere_eV", r.Eg_Barriere}});
    s += ",\n \"niveaux_k0\": {\"E_meV\": " + liste_nombres_json(r.niveaux_E) +
         ", \"HH_meV\": " + liste_nombres_json(r.niveaux_HH) + ", \"LH_meV\": " + liste_nombres_json(r.niveaux_LH) + "}";
    s += ",\n \"nombre_puits\": " + std::to_string(p.cavite.nombre_puits);
    s += ",\n \"reseau\": " + reseau_json(p);
    s += ",\n \"passes\": " + passes_json(p, r.passes);
    s += ",\n \"seuil\": " + seuil_json(p, r);
    s += ",\n \"pi\": " + pi_json(r.pi);
    s += ",\n \"merite\": " + merite_json(p, r.merite);
    s += ",\n \"modulation\": " + modulation_json(r.reponse);
    return s + "\n}\n";
}

void ecrire_resultats(std::FILE* f, const parametres_calcul& p, const enregistrement_calcul& r)
{
    std::fputs(resultats_json(p, r).c_str(), f);
}
