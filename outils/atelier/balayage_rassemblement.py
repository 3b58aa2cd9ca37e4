"""The finished points of a sweep gathered into one table of figures of
merit (balayage.tsv), and its figure."""
import math
import os
import re

import numpy as np

from . import dossier, merite, style
from . import verification as vg
from .balayage_points import analyser_cle, lire_statut
from .balayage_points import FICHIER_ERREURS
from .dossier import FICHIER_CONSOLE

FICHIER_TABLE = "balayage.tsv"
NOM_FIGURE = "balayage"
DPI_ECRAN = 150

# The figures of merit of the table, in their order, and their labels.
COLONNES_FM = ("Nth_cm3", "Jth_A_cm2", "Ith_mA", "lambda_emission_nm", "cavite", "g0_cm1", "Ntr_cm3",
               "Jtr_A_cm2", "gJ_cm1", "rendement_W_A")
# Units of the keys users sweep most, for the table's header and the axes.
UNITES_CLES = {
    "largeur": "A", "lambda": "nm", "temperature": "K", "longueur_puce": "cm", "largeur_contact": "cm",
    "longueur_fibre": "m", "pertes_internes": "cm-1", "tau_nr": "s", "Ninj": "cm-3", "deltak": "m-1",
    "deltaE": "meV", "debut_E": "meV", "fin_E": "meV", "debut_courant": "mA", "fin_courant": "mA",
}



def message_gain(dossier):
    """What gain said when it failed: its last line on stderr, else on stdout."""
    for nom in (FICHIER_ERREURS, FICHIER_CONSOLE):
        try:
            with open(os.path.join(dossier, nom), "rb") as f:
                lignes = [ligne.strip() for ligne in f.read().decode("utf-8", "replace").splitlines()]
        except OSError:
            continue
        lignes = [ligne for ligne in lignes if ligne]
        if lignes:
            return lignes[-1]
    return "aucun message"


def propre(texte):
    return re.sub(r"[\t\r\n]+", " ", str(texte)).strip()


def _format(v):
    if v is None:
        return "nan"
    if isinstance(v, float):
        return repr(v)
    return propre(v)


def entete_cle(nom_cle):
    unite = UNITES_CLES.get(analyser_cle(nom_cle)[1])
    return f"{nom_cle}_{unite}" if unite else nom_cle


def _nombres_lus(v, b):
    """The numbers gain reads for the swept keys of a point (nan where none)."""
    lus = [v.valeur(*analyser_cle(c)) for c in b.cles]
    return [float(x) if isinstance(x, (int, float)) and not isinstance(x, bool) else math.nan for x in lus]


def rassembler(b, points, gain=None):
    """One row per point: swept values, state, exit status, the figures of
    merit, the message; writes balayage.tsv and returns the rows (each also
    holds, under "lus", the numbers gain reads for the swept keys)."""
    lignes = []
    for p in points:
        d = p.dossier(b.dossier)
        statut = lire_statut(d)
        ligne = dict(zip(b.cles, p.valeurs), point=p.nom, statut=statut)
        fm, config = {}, None
        if statut is None:
            ligne.update(etat="non_fini", message="pas encore lancé ou interrompu")
        elif statut != 0:
            ligne.update(etat="echec", message=message_gain(d))
        else:
            try:
                r = dossier.lire_dossier(d, gain)
                fm, config = merite.calculer_figures_de_merite(r), r.config
                manque = [v for k, v in fm["indisponible"].items() if k in ("Jth_A_cm2", "lambda_emission_nm")]
                ligne.update(etat="fini", message="; ".join(fm["problemes"] + manque))
            except vg.ErreurLecture as e:
                ligne.update(etat="illisible", message=str(e))
        for k in COLONNES_FM:
            ligne[k] = fm.get(k)
        ligne["lus"] = _nombres_lus(config or vg.verifier_dossier(d, gain), b)
        lignes.append(ligne)
    entetes = ([entete_cle(c) for c in b.cles] + ["point", "etat", "statut"] + list(COLONNES_FM) + ["message"])
    cles = list(b.cles) + ["point", "etat", "statut"] + list(COLONNES_FM) + ["message"]
    chemin = os.path.join(b.dossier, FICHIER_TABLE)
    with open(chemin + ".tmp", "w", encoding="utf-8") as f:
        f.write("\t".join(entetes) + "\n")
        for ligne in lignes:
            f.write("\t".join(_format(ligne[k]) if k != "statut" or ligne[k] is None else str(ligne[k])
                              for k in cles) + "\n")
    os.replace(chemin + ".tmp", chemin)
    return lignes


TRACEES = (("Jth_A_cm2", "$J_{th}$", "A/cm$^2$"), ("lambda_emission_nm", r"$\lambda$ d'émission", "nm"),
           ("Nth_cm3", "$N_{th}$", "cm$^{-3}$"), ("Ith_mA", "$I_{th}$", "mA"),
           ("g0_cm1", "$g_0$", "cm$^{-1}$"), ("Ntr_cm3", "$N_{tr}$", "cm$^{-3}$"))


def _axe(lignes, cle, i):
    """{value text: the number gain reads from it} of the i-th swept key."""
    nombres = {}
    for l in lignes:
        if l[cle] not in nombres or math.isnan(nombres[l[cle]]):
            nombres[l[cle]] = l["lus"][i]
    return nombres


def _etiquette_cle(nom_cle):
    unite = UNITES_CLES.get(analyser_cle(nom_cle)[1])
    return f"{nom_cle} ({'Å' if unite == 'A' else unite})" if unite else nom_cle


def _panneau_ligne(ax, b, lignes, y, etiquette):
    """One figure of merit against the one swept key, its points marked by the
    cavity that lases, the failed points as dotted verticals."""
    x_tous = np.array([l["lus"][0] for l in lignes])
    ordre = np.argsort(x_tous, kind="stable")
    ax.plot(x_tous[ordre], y[ordre], "-", color=style.COULEUR_SEUIL, lw=1.0)
    for cavite, marque in (("puce", "o"), ("Bragg", "s")):
        choix = np.array([l["cavite"] == cavite for l in lignes])
        if choix.any():
            ax.plot(x_tous[choix], y[choix], marque, ms=3.5, color=style.COULEUR_SEUIL
                    if cavite == "puce" else style.COULEUR_BRAGG, label=f"cavité {cavite}")
    echec = np.array([l["etat"] != "fini" for l in lignes])
    if echec.any():
        for xe in x_tous[echec & np.isfinite(x_tous)]:
            ax.axvline(xe, color="#999999", lw=0.6, ls=":")
    ax.set_xlabel(_etiquette_cle(b.cles[0]))
    ax.set_ylabel(etiquette)


def _panneau_carte(fig, ax, b, lignes, y, etiquette):
    """One figure of merit as a map over the grid of the two swept keys."""
    xs = [_axe(lignes, b.cles[0], 0)[v] for v in b.valeurs[0]]
    ys = [_axe(lignes, b.cles[1], 1)[v] for v in b.valeurs[1]]
    carte = y.reshape(len(xs), len(ys)).T
    maillage = ax.pcolormesh(_bords(xs), _bords(ys), np.ma.masked_invalid(carte),
                             cmap=style.CARTE_DENSITES, shading="flat")
    fig.colorbar(maillage, ax=ax, shrink=0.9).set_label(etiquette)
    ax.set_xlabel(_etiquette_cle(b.cles[0]))
    ax.set_ylabel(_etiquette_cle(b.cles[1]))
    ax.grid(False)


def tracer(b, lignes):
    """balayage.png/.pdf: each figure of merit against the swept value (a map
    over the two for a grid); returns the paths, or [] when nothing finished."""
    from matplotlib import rc_context

    finis = [l for l in lignes if l["etat"] == "fini"]
    if not finis:
        return []
    with rc_context(style.STYLE):
        fig = style.nouvelle_figure(9.0, 5.2)
        axes = fig.subplots(2, 3).ravel()
        for ax, (cle, nom, unite) in zip(axes, TRACEES):
            y = np.array([l[cle] if l[cle] is not None else np.nan for l in lignes], dtype=float)
            # The power of ten goes into the label, as in the run figures, not into an offset text.
            facteur, puissance = style.facteur(y[np.isfinite(y)])
            y = y / facteur
            etiquette = f"{nom} ({puissance}{unite})"
            if len(b.cles) == 1:
                _panneau_ligne(ax, b, lignes, y, etiquette)
            else:
                _panneau_carte(fig, ax, b, lignes, y, etiquette)
        if len(b.cles) == 1 and any(l["cavite"] for l in finis):
            axes[0].legend(loc="best")
        fig.suptitle(f"Balayage de {' × '.join(b.cles)} ({len(finis)}/{len(lignes)} points finis)")
        chemin = os.path.join(b.dossier, NOM_FIGURE)
        # The PDF is the print copy; a screen PNG is enough beside it and halves the drawing time.
        fig.savefig(chemin + ".png", dpi=DPI_ECRAN, metadata={"Software": None})
        fig.set_layout_engine("none")  # the PDF keeps the PNG's layout instead of solving it again
        fig.savefig(chemin + ".pdf", metadata={"CreationDate": None, "ModDate": None, "Producer": None})
        return [chemin + ".png", chemin + ".pdf"]


def _bords(centres):
    """Cell edges around the grid's values (midpoints, end cells mirrored)."""
    c = np.asarray(centres, dtype=float)
    if len(c) == 1:
        return np.array([c[0] - 0.5, c[0] + 0.5])
    milieux = (c[1:] + c[:-1]) / 2
    return np.concatenate([[2 * c[0] - milieux[0]], milieux, [2 * c[-1] - milieux[-1]]])
