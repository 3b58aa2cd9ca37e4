#include "programme/pilote.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "configuration/arret.hpp"
#include "configuration/ecriture.hpp"
#include "configuration/fichier.hpp"
#include "configuration/lecteur_ini.hpp"
#include "configuration/ligne_commande.hpp"
#include "configuration/cles.hpp"
#include "configuration/parametres.hpp"
#include "dispersion/dispersion.hpp"
#include "gain_optique/continuum.hpp"
#include "gain_optique/fermi.hpp"
#include "gain_optique/recouvrements.hpp"
#include "gain_optique/spectres.hpp"
#include "materiau/materiau.hpp"
#include "merite/figures.hpp"
#include "niveaux_k0/niveaux_k0.hpp"
#include "numerique/constantes.hpp"
#include "programme/bornes.hpp"
#include "programme/console.hpp"
#include "programme/phases.hpp"
#include "programme/plausibilite.hpp"
#include "programme/console_gain.hpp"
#include "programme/enregistrement.hpp"
#include "programme/sorties_resultats.hpp"
#include "programme/sorties_gain.hpp"
#include "seuil_pi/courbe_pi.hpp"
#include "seuil_pi/seuil.hpp"
#include "programme/preparation.hpp"
#include "programme/sorties_bandes.hpp"
#include "programme/verification.hpp"
#include "programme/valeurs_finies.hpp"
#include "programme/verrou.hpp"

namespace {

// The outputs of the run, each written to its temporary and put in place
// only at the normal end (configuration/ecriture.hpp): a stop or a kill
// leaves the previous run's results as they were.
struct fichiers_sortie {
    sortie_atomique gain, param, pi, dispersion, enveloppes, resultats;
};

sortie_atomique ouvrir(const std::optional<std::string>& chemin, const char* quoi)
{
    if (!chemin) arreter(std::string("Erreur creation ") + quoi + " : (clé absente)\n");
    sortie_atomique s = ouvrir_sortie(*chemin);
    if (!s.flux) arreter(std::string("Erreur creation ") + quoi + " : " + *chemin + " : " + std::strerror(errno) + "\n");
    return s;
}

// The paths were tried before (preparer_calcul): an opening that fails now
// is one the folder refused since.
fichiers_sortie ouvrir_fichiers(const parametres_calcul& p)
{
    fichiers_sortie f;
    f.gain = ouvrir(p.sortie.fichier_gain, "fichier de sortie du gain");
    f.param = ouvrir(p.sortie.fichier_param, "fichier de sortie des parametres");
    f.pi = ouvrir(p.sortie.fichier_PI, "fichier de P-I");
    if (p.sortie.fichier_dispersion) f.dispersion = ouvrir(p.sortie.fichier_dispersion, "fichier de dispersion");
    if (p.sortie.fichier_enveloppes) f.enveloppes = ouvrir(p.sortie.fichier_enveloppes, "fichier des enveloppes");
    if (p.sortie.fichier_resultats) f.resultats = ouvrir(p.sortie.fichier_resultats, "fichier des résultats");
    return f;
}

// The normal end: every output closed, then each put in place of its target,
// in the order of the keys; the console names them. The run record, a view
// of the others, is put in place last and left out of the list, so that the
// console is the same whether it is asked for or not.
void publier_fichiers(fichiers_sortie& f)
{
    sortie_atomique* const sorties[] = {&f.gain, &f.param, &f.pi, &f.dispersion, &f.enveloppes, &f.resultats};
    for (sortie_atomique* s : sorties) terminer_sortie(*s);
    std::string liste;
    for (sortie_atomique* s : sorties) {
        if (s->nom.empty()) continue;
        publier_sortie(*s);
        if (s != &f.resultats) liste += (liste.empty() ? "" : ", ") + s->nom;
    }
    std::printf("Fichiers de résultats : %s\n", liste.c_str());
}

void afficher_banniere()
{
    std::puts("###################################################");
    std::puts("#                                                 #");
    std::puts("#    Calcul du gain dans une diode laser SQW      #");
    std::printf("#%-49s#\n", "    gain 1.0 : gain, seuil et courbe P-I");
    std::puts("#                                                 #");
    std::puts("###################################################\n");
}

// The mode that lases: TM where its peak modal gain is positive and above the
// TE one (light holes on top: a tensile well), TE otherwise.
spectre_laser spectre_qui_lase(const spectres& s, const parametres_cavite& c)
{
    if (s.Gmax_tm > 0 && s.Gmax_tm > s.Gmax)
        return {s.gain_tm, s.rsp, c.facteur_confinement_tm, s.Gmax_tm, s.energie_gmax_tm, s.energie_gmax_definie, true,
                s.Jrad_bande};
    return {s.gain_te, s.rsp, c.facteur_confinement, s.Gmax, s.energie_gmax, s.energie_gmax_definie, false, s.Jrad_bande};
}

// The photon energy of the lasing mode at the pass where threshold is first
// crossed (meV): the grating's, or the peak of the spectrum that lases; 0
// when the spectrum is empty.
double energie_laser(const ligne_seuil& l, const spectre_laser& s, const parametres_bragg& b)
{
    if (l.bragg) return constantes::h_c / (b.lambda * 1e-9 * constantes::q) * 1000; // eV -> meV
    return s.energie_gmax_definie ? s.energie_gmax : 0.0;
}

// The carrier-density series: one pass per density, each finding the
// quasi-Fermi levels, the spectra and the threshold line, kept in the record
// and printed and written from it as each phase returns. The overlaps do not
// depend on the density and are computed once. The threshold and the figures
// of merit of the passes on either side of it go into the record too.
void boucle_porteurs(const parametres_calcul& p, const resultats_materiau& m, const resultats_k0& k0,
                     const resultats_dispersion& d, const ligne_commande& commande, fichiers_sortie& f,
                     enregistrement_calcul& releve)
{
    const double Lw = p.couches.largeur_puits, Lb = p.couches.largeur_barriere;
    const double Ninj_depart = m.Ninj_surf;
    // cm-3 -> m-3, times the well width in metres: a sheet density step.
    const double pas_porteurs = commande.pas_porteurs_cm3 / 1e-6 * (Lw * 1e-10);

    ecrire_entete_gain(f.gain.flux.get());
    ecrire_entete_param(f.param.flux.get());

    const recouvrements r = calculer_recouvrements(Lw, Lb, k0);
    exiger_recouvrements_finis(r);
    // [modele] melange_k: the weights of every pair at every row, from the
    // four-band envelopes of the scan's model
    const poids_melange melange =
        p.modele.melange_k ? calculer_poids_melange(d, former_modele_valence(Lw, m, k0, p.modele.dispersion_axiale != 0),
                                                    k0, Lw, Lb, p.calcul.deltaE)
                           : poids_melange{};
    if (f.enveloppes.flux) {
        const table_enveloppes enveloppes = calculer_enveloppes(Lw, Lb, k0);
        exiger_enveloppes_finies(enveloppes);
        ecrire_fichier_enveloppes(f.enveloppes.flux.get(), enveloppes);
        terminer_sortie(f.enveloppes);
    }

    // [modele] continuum: the barriers' states share the quasi-Fermi levels
    const continuum_barrieres cb =
        p.modele.continuum ? former_continuum(k0, m, Lw, Lb, p.modele.B_barriere, p.couches.T) : continuum_barrieres{};
    const continuum_barrieres* continuum = p.modele.continuum ? &cb : nullptr;
    const presence_puits presence = continuum ? calculer_presence(Lw, Lb, k0) : presence_puits{};
    const reglages_fermi rf{p.couches.T, Lw, p.calcul.deltak, p.modele.k_aligne != 0, continuum};
    etat_seuil& seuil = releve.seuil;
    std::vector<passe_merite> passes;
    const bandes_puits bandes{m, k0, d, r, p.modele.melange_k ? &melange : nullptr};
    const reglages_spectres reglages{p.calcul, p.cavite, p.modele, p.couches.T, Lw};
    spectres s;
    bool branches_signalees = false; // the branch-walk warning is printed once per run
    if (etat_reseau(p.bragg, p.calcul) == reseau_bragg::hors_fenetre) avertir_reseau_hors_fenetre(p.bragg, p.calcul);
    const int n = nombre_de_passes(commande.nombre_iterations);
    // n <= bornes::passes_max, checked before the first phase.
    for (int i = 0; i < n; ++i) {
        const double N = Ninj_depart + i * pas_porteurs;
        double EFC = -100.0;
        double EFV = -100.0;
        if (N > 0) {
            EFC = chercher_EFC(N, rf, m, k0);
            EFV = chercher_EFV(N, rf, d);
        }
        passe_calcul& c = releve.passes.emplace_back();
        c.N = N;
        c.N_cm3 = densite_cm3(N, Lw);
        c.EFC = EFC;
        c.EFV = EFV;
        barrieres_passe& barrieres = c.barrieres;
        c.continuum = continuum && N > 0;
        if (c.continuum) {
            barrieres.n = electrons_continuum(EFC, cb);
            barrieres.p = trous_continuum(EFV, cb);
            barrieres.Jrad = courant_radiatif_continuum(barrieres.n, barrieres.p, cb);
            porteurs_du_puits(EFC, EFV, electrons_par_niveau(EFC, p.couches.T, m, k0), trous_par_branche(EFV, rf, d), d,
                              presence, Lw, cb, barrieres.n_puits, barrieres.p_puits);
        }
        exiger_fermi_fini(c.N_cm3, EFC, EFV, barrieres);
        afficher_passe(c.N_cm3, c.EFC, c.EFV);
        if (c.continuum) afficher_barrieres_passe(N, barrieres);
        calculer_spectres(EFC, EFV, N, bandes, reglages, s);
        if (s.branches_incompletes && !branches_signalees) avertir_branches();
        branches_signalees = branches_signalees || s.branches_incompletes;
        ecrire_spectres(f.gain.flux.get(), s);
        const bool seuil_avant = seuil.seuil_atteint;
        const spectre_laser laser = spectre_qui_lase(s, p.cavite);
        c.Gmax_te = s.Gmax;
        c.E_te = s.energie_gmax;
        c.Gmax_tm = s.Gmax_tm;
        c.E_tm = s.energie_gmax_tm;
        c.pic_defini = s.energie_gmax_definie;
        c.tm = laser.tm;
        const ligne_seuil& l = c.seuil = calculer_seuil(i, commande.nombre_iterations, N, laser,
                                             {p.cavite, p.bragg, p.calcul, p.modele, Lw}, seuil,
                                             continuum ? &barrieres : nullptr);
        exiger_passe_finie(p, c.N_cm3, s, l);
        afficher_seuil_passe(l);
        if (l.depart_au_seuil)
            arreter("Valeur de Ninj trop élevée pour boucler lors du calcul du seuil. Diminuez la valeur de "
                    "départ dans le fichier de config, ou le pas lors du P-I\n");
        if (!seuil_avant) {
            passes.push_back({N, EFC, EFV, l.Jnr + l.Jrad, s.Gmax, s.Gmax_tm});
            // the pass where threshold is first crossed: the figures of merit, while its spectra are at hand
            if (seuil.seuil_atteint)
                releve.merite = evaluer_seuil(passes, energie_laser(l, laser, p.bragg), seuil.lambda_seuil,
                                             seuil.tm_seuil, l.Gth, p.cavite.indice_groupe, s, bandes, reglages);
        }
        ecrire_ligne_param(f.param.flux.get(), l);
        // A full disk shows at the pass it happens, not at the end of the series.
        vider_fichier(f.gain.flux.get(), f.gain.nom);
        vider_fichier(f.param.flux.get(), f.param.nom);
        if (l.fin_boucle) break;
    }
}

// The gain needs electrons and holes: without a bound level in either band
// nothing after the zone-centre levels has a meaning.
void verifier_niveaux_k0(const resultats_k0& k0)
{
    if (k0.E.nb() == 0)
        arreter("Aucun niveau de conduction lié dans le puits : le gain ne peut pas être calculé "
                "(vérifiez Vc, la largeur du puits et deltaE).\n");
    if (k0.HH.nb() + k0.LH.nb() == 0)
        arreter("Aucun niveau de trou (HH ou LH) lié au centre de zone : la dispersion de la bande de valence "
                "ne peut pas être calculée (vérifiez Vv, la largeur du puits et deltaE).\n");
}

// Every phase of the run, in order, kept in the record r as each returns;
// the console and the files are written from it.
void calculer(const calcul_prepare& c, fichiers_sortie& f, enregistrement_calcul& r)
{
    const parametres_calcul& p = c.p;
    const resultats_materiau& m = c.m;
    r.Vc = m.Vc;
    r.Vv = m.Vv;
    r.Eg_Puits = m.Eg_Puits;
    r.Eg_Barriere = m.Eg_Barriere;
    afficher_banniere();
    afficher_resume_materiau(m);

    const resultats_k0 k0 = calculer_niveaux_k0(parametres_k0(p), m, afficher_niveaux_bande);
    r.niveaux_E = k0.E.niveaux;
    r.niveaux_HH = k0.HH.niveaux;
    r.niveaux_LH = k0.LH.niveaux;
    verifier_niveaux_k0(k0);
    exiger_niveaux_finis(k0);
    avertir_transition_hors_fenetre(p, m, k0, journal{});

    const parametres_dispersion balayage = parametres_balayage(p);
    const resultats_dispersion d = calculer_dispersion(balayage, m, k0, suivi_console(balayage));
    exiger_dispersion_finie(d);
    afficher_fin_dispersion(d);
    if (f.dispersion.flux) {
        ecrire_fichier_dispersion(f.dispersion.flux.get(), d);
        terminer_sortie(f.dispersion);
    }

    boucle_porteurs(p, m, k0, d, c.commande, f, r);
    const etat_seuil& seuil = r.seuil;
    r.pi = courbe_pi(p.cavite, p.bragg.lambda, p.calcul.debut_courant, p.calcul.fin_courant, seuil);
    if (seuil.seuil_atteint) r.reponse = reponse_modulation(p, seuil, r.merite);
    exiger_fin_finie(p, seuil, r.pi, r.merite, r.reponse);
    ecrire_courbe_pi(f.pi.flux.get(), r.pi);
    afficher_resume_seuil(p, seuil, r.pi.pente);
    if (seuil.seuil_atteint) afficher_merite(p, r.merite, r.reponse);
}

int executer(int argc, const char* const* argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usage_gain, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("gain " GAIN_VERSION);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--verifier") == 0) return verifier_configuration(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--cles") == 0) {
        std::fputs(table_markdown().c_str(), stdout);
        return 0;
    }
    // Before anything is read: a second run in this folder is refused at once.
    const verrou_dossier verrou = verrouiller_dossier();
    const calcul_prepare c = preparer_calcul(argc, argv, journal{});
    fichiers_sortie f = ouvrir_fichiers(c.p);
    enregistrement_calcul r;
    calculer(c, f, r);
    if (f.resultats.flux) ecrire_resultats(f.resultats.flux.get(), c.p, r);
    publier_fichiers(f);
    std::printf("Calculs terminés. Résultats disponibles dans %s\n", c.p.sortie.fichier_gain->c_str());
    return 0;
}

} // namespace

int executer_gain(int argc, const char* const* argv)
{
    int statut = 0;
    try {
        statut = executer(argc, argv);
    } catch (const arret_calcul& arret) {
        std::fputs(arret.message.c_str(), stdout);
        statut = arret.statut;
    } catch (const std::bad_alloc&) {
        std::puts("Impossible d'initialiser avec malloc");
        statut = statut_erreur_allocation;
    } catch (const std::exception& e) {
        // what the system refuses beyond the bounds (a thread it cannot start)
        std::printf("Erreur du système : %s\n", e.what());
        statut = statut_erreur;
    }
    // A console that could not be written (a full disk under a redirection)
    // is a failure too; the message can only go to the error stream.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fputs("Erreur d'écriture sur la sortie standard\n", stderr);
        if (statut == 0) statut = statut_erreur;
    }
    return statut;
}
