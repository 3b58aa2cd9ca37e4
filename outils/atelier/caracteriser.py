"""caracteriser : sensibilité à la température d'un laser, d'une série de calculs de gain.

  caracteriser runs/in020ga080as_980nm --temperatures 280:360:5

Lance avec l'outil de balayage (en local, ou en tableau de tâches Slurm avec
--slurm) un calcul par température ([constantes] temperature ; début:fin:nombre,
ou une liste v1,v2,...) sur la configuration du dossier, puis ajuste :
  T0    Jth(T) = J0·exp(T/T0), moindres carrés sur ln Jth ;
  T1    rendement différentiel ηd(T) = η0·exp(−T/T1), sur ln ηd (infini quand ηd
        ne varie pas) ;
  dλ/dT pente de la longueur d'onde d'émission,
chacun sur les températures où accroche la cavité la plus fréquente de la série
(changer de cavité change les miroirs).
Écrit caracterisation.tsv (une ligne par température), caracterisation.txt (les
ajustements) et caracterisation.png/.pdf dans le dossier de la série
(--dossier, par défaut DOSSIER/caracterisation). Relancé, il reprend la série
comme le balayage ; --rassembler n'ajuste que les points finis.
Statut 1 quand un point a échoué ou que moins de deux points atteignent le seuil."""
import argparse
import math
import os
import sys

os.environ.setdefault("MPLBACKEND", "Agg")

import numpy as np  # noqa: E402

from . import balayage, style  # noqa: E402
from .balayage_rassemblement import FICHIER_TABLE  # noqa: E402

CLE = "constantes.temperature"
FICHIER_TABLE_T = "caracterisation.tsv"
FICHIER_AJUSTEMENTS = "caracterisation.txt"
NOM_FIGURE = "caracterisation"
# Columns of the sweep's table the characterisation reads, and its own.
COLONNES = ("T_K", "Jth_A_cm2", "Ith_mA", "Nth_cm3", "rendement_W_A", "lambda_emission_nm", "cavite", "point")


def ajuster_exponentielle(T, y):
    """Least squares of ln y = ln y0 + T/Tc over the points of finite
    positive y: returns (Tc in K, y0, points), Tc infinite when y does not
    change with T; None with fewer than two points or no spread in T."""
    T, y = np.asarray(T, dtype=float), np.asarray(y, dtype=float)
    garde = np.isfinite(T) & np.isfinite(y) & (y > 0)
    if garde.sum() < 2 or np.ptp(T[garde]) == 0:
        return None
    pente, origine = np.polyfit(T[garde], np.log(y[garde]), 1)
    # a change below 1e-6 over the range, the precision of the result files:
    # the quantity does not depend on T
    if abs(pente) * np.ptp(T[garde]) < 1e-6:
        return math.inf, float(np.exp(origine)), int(garde.sum())
    return float(1 / pente), float(np.exp(origine)), int(garde.sum())


def ajuster_droite(T, y):
    """Least squares of y = a + b T: (b, a, points), or None."""
    T, y = np.asarray(T, dtype=float), np.asarray(y, dtype=float)
    garde = np.isfinite(T) & np.isfinite(y)
    if garde.sum() < 2 or np.ptp(T[garde]) == 0:
        return None
    pente, origine = np.polyfit(T[garde], y[garde], 1)
    return float(pente), float(origine), int(garde.sum())


def _nombre(texte):
    try:
        return float(texte)
    except ValueError:
        return math.nan


def lire_table_balayage(chemin):
    """The rows of the sweep's balayage.tsv as dicts, temperatures under T_K."""
    with open(chemin, encoding="utf-8") as f:
        lignes = f.read().splitlines()
    entetes = lignes[0].split("\t")
    rangees = []
    for ligne in lignes[1:]:
        d = dict(zip(entetes, ligne.split("\t")))
        d["T_K"] = _nombre(d.get(CLE + "_K", d.get(CLE, "nan")))
        rangees.append(d)
    return rangees


def cavite_majoritaire(table):
    """The cavity that lases at most temperatures (the chip on a tie): a
    series that switches cavity changes its mirrors, and with them Jth, ηd
    and λ, so the fits take one cavity's points."""
    bragg = sum(1 for r in table if r["cavite"] == "Bragg")
    return "Bragg" if bragg > len(table) - bragg else "puce"


def caracteriser_table(rangees):
    """The table of the finished points at threshold, sorted in T, and the fits
    over the points of the cavity that lases most often: {"table": [...],
    "cavite", "exclus" (points of the other cavity), "T0_K", "J0_A_cm2", "T1_K",
    "eta0_W_A", "dlambda_dT_nm_K", "points_T0", "points_T1", "points_lambda",
    "indisponible": {key: reason}}."""
    finis = [r for r in rangees if r.get("etat") == "fini" and _nombre(r.get("Jth_A_cm2", "nan")) > 0]
    finis.sort(key=lambda r: r["T_K"])
    table = [{c: (r.get(c, "") if c in ("cavite", "point") else
                  r["T_K"] if c == "T_K" else _nombre(r.get(c, "nan"))) for c in COLONNES} for r in finis]
    cavite = cavite_majoritaire(table)
    choisis = [r for r in table if r["cavite"] == cavite]
    res = {"table": table, "cavite": cavite, "exclus": len(table) - len(choisis), "T0_K": None, "J0_A_cm2": None,
           "T1_K": None, "eta0_W_A": None, "dlambda_dT_nm_K": None, "points_T0": 0, "points_T1": 0,
           "points_lambda": 0, "indisponible": {}}
    T = [r["T_K"] for r in choisis]
    t0 = ajuster_exponentielle(T, [r["Jth_A_cm2"] for r in choisis])
    if t0 is None:
        res["indisponible"]["T0_K"] = "moins de deux températures au seuil dans la même cavité"
    else:
        res["T0_K"], res["J0_A_cm2"], res["points_T0"] = t0
    # eta_d falls with T: ln eta = ln eta0 - T/T1
    t1 = ajuster_exponentielle(T, [r["rendement_W_A"] for r in choisis])
    if t1 is None:
        res["indisponible"]["T1_K"] = "moins de deux températures avec un rendement différentiel"
    else:
        res["T1_K"], res["eta0_W_A"], res["points_T1"] = (-t1[0] if math.isfinite(t1[0]) else math.inf), t1[1], t1[2]
    d = ajuster_droite(T, [r["lambda_emission_nm"] for r in choisis])
    if d is None:
        res["indisponible"]["dlambda_dT_nm_K"] = "moins de deux températures au seuil dans la même cavité"
    else:
        res["dlambda_dT_nm_K"], _, res["points_lambda"] = d
    return res


def _texte(v, format_="{:.6g}"):
    if v is None:
        return "nan"
    if isinstance(v, float) and math.isinf(v):
        return "inf" if v > 0 else "-inf"
    return format_.format(v) if isinstance(v, float) else str(v)


def ecrire_table(dossier, res):
    chemin = os.path.join(dossier, FICHIER_TABLE_T)
    with open(chemin + ".tmp", "w", encoding="utf-8") as f:
        f.write("\t".join(COLONNES) + "\n")
        for r in res["table"]:
            f.write("\t".join(r[c] if c in ("cavite", "point") else repr(r[c]) for c in COLONNES) + "\n")
    os.replace(chemin + ".tmp", chemin)
    return chemin


def texte_ajustements(res):
    """The fits as text, one quantity a line, with their method."""
    lignes = []

    def ligne(nom, cle, unite, methode, points):
        if res[cle] is None:
            lignes.append(f"{nom} : indisponible ({res['indisponible'][cle]})")
        else:
            lignes.append(f"{nom} : {_texte(res[cle])} {unite} ({methode}, {res[points]} températures)")

    autre = "le réseau de Bragg" if res["cavite"] == "puce" else "la puce seule"
    lignes.append(f"cavité : {'puce seule' if res['cavite'] == 'puce' else 'puce et réseau de Bragg'}"
                  + (f" ({res['exclus']} température(s) où {autre} accroche laissée(s) hors des ajustements)"
                     if res["exclus"] else ""))
    ligne("T0", "T0_K", "K", "Jth = J0·exp(T/T0), moindres carrés sur ln Jth", "points_T0")
    ligne("T1", "T1_K", "K", "ηd = η0·exp(−T/T1), moindres carrés sur ln ηd", "points_T1")
    if res["T1_K"] is not None and math.isinf(res["T1_K"]):
        lignes.append("  le rendement différentiel ne dépend pas de la température (ηi, αi, les miroirs et "
                      "l'énergie des photons en sont indépendants)")
    ligne("dλ/dT", "dlambda_dT_nm_K", "nm/K", "droite des longueurs d'onde d'émission", "points_lambda")
    return "\n".join(lignes) + "\n"


def _points_par_cavite(ax, table, cle, semilog=False):
    """The points of one quantity against T, marked by the cavity that lases."""
    for cavite, marque, couleur in (("puce", "o", style.COULEUR_SEUIL), ("Bragg", "s", style.COULEUR_BRAGG)):
        choix = [r for r in table if r["cavite"] == cavite]
        if choix:
            (ax.semilogy if semilog else ax.plot)([r["T_K"] for r in choix], [r[cle] for r in choix], marque,
                                                  ms=3.5, color=couleur, label=f"cavité {cavite}")


def _panneau_eta(ax, res, Tf):
    table = res["table"]
    _points_par_cavite(ax, table, "rendement_W_A")
    if res["T1_K"] is not None:
        t1 = res["T1_K"]
        ax.plot(Tf, res["eta0_W_A"] * np.exp(-Tf / t1), "-", color=style.COULEUR_AJUSTEMENT, lw=1.0,
                label=f"$T_1$ = {t1:.0f} K" if math.isfinite(t1) else r"$T_1$ infini")
        ax.legend(loc="best")
    ax.set_ylabel(r"$\eta_d$ (W/A)")
    ax.ticklabel_format(axis="y", useOffset=False)
    eta = np.array([r["rendement_W_A"] for r in table], dtype=float)
    if res["T1_K"] is not None and math.isinf(res["T1_K"]) and np.isfinite(eta).any():
        # the files' rounding is no variation: a band of +-1 % around the value
        milieu = float(np.nanmean(eta))
        ax.set_ylim(0.99 * milieu, 1.01 * milieu)


def tracer(dossier, res):
    """ln Jth, ηd and λ against T with their fits; returns the paths, or []."""
    from matplotlib import rc_context

    table = res["table"]
    if not table:
        return []
    T = np.array([r["T_K"] for r in table])
    Tf = np.linspace(T.min(), T.max(), 100)
    with rc_context(style.STYLE):
        fig = style.nouvelle_figure(9.0, 3.2)
        ax_j, ax_eta, ax_l = fig.subplots(1, 3)
        _points_par_cavite(ax_j, table, "Jth_A_cm2", semilog=True)
        if res["T0_K"] is not None and math.isfinite(res["T0_K"]):
            ax_j.semilogy(Tf, res["J0_A_cm2"] * np.exp(Tf / res["T0_K"]), "-", color=style.COULEUR_AJUSTEMENT,
                          lw=1.0, label=f"$T_0$ = {res['T0_K']:.0f} K")
        ax_j.legend(loc="best")
        ax_j.set_ylabel(f"$J_{{th}}$ ({style.A_CM2})")
        _panneau_eta(ax_eta, res, Tf)
        _points_par_cavite(ax_l, table, "lambda_emission_nm")
        if res["dlambda_dT_nm_K"] is not None:
            choisis = [r for r in table if r["cavite"] == res["cavite"]]
            a = ajuster_droite([r["T_K"] for r in choisis], [r["lambda_emission_nm"] for r in choisis])
            ax_l.plot(Tf, a[1] + a[0] * Tf, "-", color=style.COULEUR_AJUSTEMENT, lw=1.0, label=f"{a[0]:.3f} nm/K")
        ax_l.legend(loc="best")
        ax_l.set_ylabel(r"$\lambda$ d'émission (nm)")
        for ax in (ax_j, ax_eta, ax_l):
            ax.set_xlabel("température (K)")
        fig.suptitle("Sensibilité à la température")
        chemin = os.path.join(dossier, NOM_FIGURE)
        fig.savefig(chemin + ".png", dpi=style.DPI_IMPRESSION, metadata={"Software": None})
        fig.set_layout_engine("none")
        fig.savefig(chemin + ".pdf", metadata={"CreationDate": None, "ModDate": None, "Producer": None})
        return [chemin + ".png", chemin + ".pdf"]


def analyseur():
    a = argparse.ArgumentParser(prog="caracteriser", description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    a.add_argument("base", metavar="DOSSIER", help="dossier de la configuration (config.ini, arguments)")
    a.add_argument("--temperatures", required=True, metavar="VALEURS",
                   help="températures (K) : début:fin:nombre ou v1,v2,... (comme --valeurs du balayage)")
    a.add_argument("--dossier", help="dossier de la série (défaut : DOSSIER/caracterisation)")
    a.add_argument("--arguments", help="ligne de commande de gain (défaut : le fichier arguments du dossier)")
    a.add_argument("--gain", help="programme gain (défaut : $GAIN_EXE, build/release/bin/gain, le PATH)")
    a.add_argument("--travaux", "-j", type=int, help="calculs simultanés (défaut : un par coeur)")
    a.add_argument("--reprendre-echecs", action="store_true", help="relance les points en échec")
    a.add_argument("--rassembler", action="store_true", help="ne lance rien : ajuste les points finis")
    s = a.add_argument_group("Slurm (options du balayage)")
    s.add_argument("--slurm", action="store_true", help="écrit le tableau de tâches au lieu de lancer les calculs")
    s.add_argument("--soumettre", action="store_true")
    s.add_argument("--attendre", action="store_true")
    s.add_argument("--simultanes", type=int)
    s.add_argument("--cpus-par-tache", type=int, metavar="N")
    s.add_argument("--temps")
    s.add_argument("--memoire")
    s.add_argument("--option-sbatch", action="append", default=[], metavar="OPTION")
    return a


def arguments_balayage(args, dossier):
    """The sweep's command line for the series."""
    argv = ["--base", args.base, "--cle", CLE, "--valeurs", args.temperatures, "--dossier", dossier]
    for nom in ("arguments", "gain", "travaux", "simultanes", "cpus_par_tache", "temps", "memoire"):
        v = getattr(args, nom)
        if v is not None:
            argv += ["--" + nom.replace("_", "-"), str(v)]
    for nom in ("reprendre_echecs", "rassembler", "slurm", "soumettre", "attendre"):
        if getattr(args, nom):
            argv.append("--" + nom.replace("_", "-"))
    for o in args.option_sbatch:
        argv.append("--option-sbatch=" + o)
    return argv


def main(argv=None):
    args = analyseur().parse_args(argv)
    dossier = args.dossier or os.path.join(args.base, "caracterisation")
    statut = balayage.main(arguments_balayage(args, dossier))
    table = os.path.join(dossier, FICHIER_TABLE)
    if args.slurm and not (args.soumettre and args.attendre):
        # the tasks have not run yet: the fits come with --rassembler
        return statut
    if not os.path.exists(table):
        return statut or 1
    res = caracteriser_table(lire_table_balayage(table))
    print(f"caracteriser : table {ecrire_table(dossier, res)}")
    texte = texte_ajustements(res)
    with open(os.path.join(dossier, FICHIER_AJUSTEMENTS), "w", encoding="utf-8") as f:
        f.write(texte)
    sys.stdout.write(texte)
    chemins = tracer(dossier, res)
    if chemins:
        print(f"caracteriser : figure {', '.join(chemins)}")
    if res["T0_K"] is None:
        return 1
    return statut


if __name__ == "__main__":
    sys.exit(main())
