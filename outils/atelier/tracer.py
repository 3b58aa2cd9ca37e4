"""tracer <dossier de calcul> : figures et figures de mérite d'un calcul de gain.

Fait lire config.ini du dossier par gain (gain --verifier), lit les fichiers
qu'il nomme, dessine les figures dans <dossier>/figures/ (PNG 300 dpi et PDF),
écrit <dossier>/resume.txt et l'affiche. Statut 1 quand config.ini manque ou qu'un fichier de résultats
manque ou est abîmé (les figures possibles sont tout de même dessinées)."""
import argparse
import os
import sys

os.environ.setdefault("MPLBACKEND", "Agg")

from . import figures, figures_bandes, merite, merite_gain  # noqa: E402
from .dossier import lire_dossier  # noqa: E402
from .style import DPI_IMPRESSION, STYLE  # noqa: E402
from .verification import ErreurLecture  # noqa: E402

DOSSIER_FIGURES = "figures"
FICHIER_RESUME = "resume.txt"


def texte_resume(r, fm):
    def ligne(titre, cle, texte):
        valeur = fm.get(cle)
        if valeur is None:
            return f"{titre:<34}: indisponible — {fm['indisponible'].get(cle, 'inconnu')}"
        return f"{titre:<34}: {texte(valeur)}"

    gamma = r.config.valeur("systeme", "facteur_confinement")
    lignes = [f"Figures de mérite du calcul de {os.path.abspath(r.dossier)}",
              f"(gain matériau g = Gmax/Γ avec Γ = facteur_confinement = {gamma:g} ; "
              f"{fm['nb_densites']} densité(s) dans le fichier des paramètres)", ""]
    pts = lambda cle: f", {fm[cle]} points au-dessus de la transparence" if fm.get(cle) else ""  # noqa: E731
    lignes += [
        ligne("Densité de transparence Ntr", "Ntr_cm3",
              lambda v: f"{v:.4g} cm⁻³ (g = g0·ln(N/Ntr){pts('g0_points')})"),
        ligne("Coefficient de gain g0", "g0_cm1", lambda v: f"{v:.4g} cm⁻¹"),
        ligne("Courant de transparence Jtr", "Jtr_A_cm2",
              lambda v: f"{v:.4g} A/cm² (g = gJ·ln(J/Jtr), J = Jnr + Jrad{pts('gJ_points')})"),
        ligne("Coefficient gJ", "gJ_cm1", lambda v: f"{v:.4g} cm⁻¹"),
    ]
    encadrement = fm.get("N_encadrement_cm3")
    entre = f" (interpolée entre {encadrement[0]:.4g} et {encadrement[1]:.4g} cm⁻³)" if encadrement else ""
    W, L = r.config.valeur("systeme", "largeur_contact"), r.config.valeur("systeme", "longueur_puce")
    bande = f" (bande {W * 1e4:g} µm × {L * 10:g} mm)" if W is not None and L is not None else ""
    lignes += [
        ligne("Densité de seuil Nth", "Nth_cm3", lambda v: f"{v:.4g} cm⁻³{entre}"),
        ligne("Densité de courant de seuil Jth", "Jth_A_cm2", lambda v: f"{v:.2f} A/cm²"),
        ligne("Courant de seuil Ith", "Ith_mA", lambda v: f"{v:.2f} mA{bande}"),
        ligne("Rendement différentiel", "rendement_W_A", lambda v: f"{v:.4f} W/A (pente de la courbe P-I)"),
        ligne("Longueur d'onde d'émission", "lambda_emission_nm", lambda v: f"{v:.2f} nm"),
        ligne("Cavité qui accroche", "cavite", lambda v: f"{v} (« Accroche {v} »)"),
        ligne("Niveau E1", "E1_meV", lambda v: f"{v:.2f} meV (électrons, depuis le bord BC du puits non contraint)"),
        ligne("Niveau HH1", "HH1_meV", lambda v: f"{v:.2f} meV (trous, positifs vers le bas depuis le bord BV)"),
        ligne("Niveau LH1", "LH1_meV", lambda v: f"{v:.2f} meV (trous, positifs vers le bas depuis le bord BV)"),
        ligne("Transition E1-HH1", "lambda_E1_HH1_nm", lambda v: f"{v:.2f} nm ({fm['E1_HH1_meV']:.2f} meV)"),
        ligne("Première transition", "transition",
              lambda v: f"{v}, {fm['lambda_transition_nm']:.2f} nm ({fm['E1_trou1_meV']:.2f} meV)"),
        ligne("Polarisation au seuil", "polarisation", lambda v: v),
    ]
    if r.releve is not None:
        lignes += merite_gain.lignes_resume(r.releve.merite)
    if fm["seuil_atteint"] is False:
        lignes += ["", f"Seuil non atteint : Gmax le plus grand {fm['Gmax_max_cm1']:.4g} cm⁻¹, "
                       f"la cavité demande Gth = {fm['Gth_cm1']:.4g} cm⁻¹."]
    if fm["avertissements"]:
        lignes += ["", "Attention :"] + [f"  - {a}" for a in fm["avertissements"]]
    if fm["problemes"]:
        lignes += ["", "Fichiers incomplets :"] + [f"  - {p}" for p in fm["problemes"]]
    return "\n".join(lignes) + "\n"


# ---------------------------------------------------------------------------
# The whole folder
# ---------------------------------------------------------------------------

FIGURES = (
    ("1_spectres_gain", "spectres de gain TE et TM"),
    ("2_emission_spontanee", "spectres d'émission spontanée"),
    ("3_gain_max_seuil", "gain maximal, ajustements et seuil"),
    ("4_courbe_PI", "courbe P-I"),
    ("5_dispersion_trous", "sous-bandes de trous E(k)"),
    ("6_profil_bandes", "profil de bandes et enveloppes"),
    ("7_reponse_modulation", "réponse petit signal |H(f)| à trois courants"),
)


def figures_possibles(r, fm):
    """{name: (function, or None with the reason it cannot be drawn)}."""
    def spectres():
        if r.spectres is None:
            return "fichier de gain illisible"
        if len(r.spectres.te) == 0:
            return "aucun spectre dans le fichier de gain"
        if r.densites() is None:
            return "densités des spectres inconnues (ni fichier des paramètres, ni fichier des résultats)"
        return None

    def selon(condition, raison):
        return None if condition else raison

    pas_de_param = r.parametres is None or len(r.parametres.N) == 0
    return {
        "1_spectres_gain": (lambda: figures.figure_spectres_gain(r), spectres()),
        "2_emission_spontanee": (lambda: figures.figure_emission_spontanee(r), spectres()),
        "3_gain_max_seuil": (lambda: figures.figure_gain_max(r, fm),
                             selon(not pas_de_param, "aucune densité lisible dans le fichier des paramètres")),
        "4_courbe_PI": (lambda: figures.figure_pi(r, fm),
                        "fichier P-I illisible" if r.pi is None else
                        selon(len(r.pi.courant) > 0, "fichier P-I sans points (pas de seuil calculé)")),
        "5_dispersion_trous": (lambda: figures_bandes.figure_dispersion(r),
                               "pas de fichier de dispersion" if r.dispersion is None else
                               selon(len(r.dispersion.kx) > 0, "fichier de dispersion sans point")),
        "6_profil_bandes": (lambda: figures_bandes.figure_profil(r),
                            "pas de fichier des enveloppes" if r.enveloppes is None else
                            selon(r.releve is not None and any(r.releve.niveaux.values()),
                                  "niveaux inconnus (pas de fichier des résultats)")),
        "7_reponse_modulation": (lambda: merite_gain.figure_modulation(r.releve.merite),
                                 "réponse petit signal inconnue (pas de fichier des résultats)" if r.releve is None
                                 else selon(r.releve.merite.get("points"),
                                            "pas de réponse petit signal (seuil non atteint, ou indisponible)")),
    }


def enregistrer(fig, chemin_sans_extension):
    """PNG at print resolution and PDF, with no date inside (same run, same bytes)."""
    fig.savefig(chemin_sans_extension + ".png", dpi=DPI_IMPRESSION, metadata={"Software": None})
    fig.savefig(chemin_sans_extension + ".pdf", metadata={"CreationDate": None, "ModDate": None, "Producer": None})
    return [chemin_sans_extension + ".png", chemin_sans_extension + ".pdf"]


def tracer_dossier(dossier, rapporter=print, gain=None):
    """Draws every figure the folder allows and writes resume.txt; returns
    (figures drawn {name: [paths]}, figures not drawn {name: reason},
    the figures of merit, the read results)."""
    from matplotlib import rc_context

    r = lire_dossier(dossier, gain)
    fm = merite.calculer_figures_de_merite(r)
    sortie = os.path.join(os.fspath(dossier), DOSSIER_FIGURES)
    tracees, non_tracees = {}, {}
    with rc_context(STYLE):
        for nom, (fabrique, raison) in figures_possibles(r, fm).items():
            if raison is not None:
                non_tracees[nom] = raison
                continue
            os.makedirs(sortie, exist_ok=True)
            fig = fabrique()
            tracees[nom] = enregistrer(fig, os.path.join(sortie, nom))
    with open(os.path.join(os.fspath(dossier), FICHIER_RESUME), "w", encoding="utf-8") as f:
        f.write(texte_resume(r, fm))
    return tracees, non_tracees, fm, r


def main(argv=None):
    analyse = argparse.ArgumentParser(
        prog="tracer", description="Figures et figures de mérite d'un dossier de calcul de gain.")
    analyse.add_argument("dossier", help="dossier du calcul (config.ini et les fichiers qu'il nomme)")
    analyse.add_argument("--gain", metavar="CHEMIN",
                         help="programme gain qui lit config.ini (par défaut $GAIN_EXE, puis build/release/bin/gain)")
    args = analyse.parse_args(argv)

    if not os.path.isdir(args.dossier):
        print(f"tracer : {args.dossier} n'est pas un dossier", file=sys.stderr)
        return 1
    try:
        tracees, non_tracees, fm, r = tracer_dossier(args.dossier, gain=args.gain)
    except ErreurLecture as e:
        print(f"tracer : {e} ; rien à tracer", file=sys.stderr)
        return 1

    for message in r.problemes:
        print(f"tracer : {message}", file=sys.stderr)
    for message in r.absents:
        print(f"tracer : note : {message}")
    for nom, chemins in tracees.items():
        print(f"figure {nom} : {', '.join(os.path.relpath(c) for c in chemins)}")
    for nom, raison in non_tracees.items():
        print(f"figure {nom} non tracée : {raison}")
    print()
    with open(os.path.join(args.dossier, FICHIER_RESUME), encoding="utf-8") as f:
        print(f.read(), end="")
    if not tracees:
        print(f"tracer : rien à tracer dans {args.dossier}", file=sys.stderr)
        return 1
    return 1 if r.problemes else 0


if __name__ == "__main__":
    sys.exit(main())
