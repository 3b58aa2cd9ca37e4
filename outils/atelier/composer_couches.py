"""The layers the composer is given: a formula and a width parsed into its
binaries and their fractions, and the end members of gain's model."""
import re

from .composer_bibliotheque import Refus

GROUPE_III = {"B", "Al", "Ga", "In", "Tl"}
GROUPE_V = {"N", "P", "As", "Sb", "Bi"}

NOMBRE_REEL = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?")


def _groupes(texte, formule, role):
    """The fractions of a formula on its two sublattices: ({element: fraction}
    of group III, of group V), each complete and adding up to 1."""
    elements = re.findall(r"([A-Z][a-z]?)([-+]?[0-9.]*(?:[eE][-+]?\d+)?)", formule)
    if "".join(e + f for e, f in elements) != formule or not elements:
        raise Refus(f"couche {role} « {texte} » mal formée : la formule s'écrit élément puis fraction, "
                    f"par exemple In0.2Ga0.8As ou GaAs0.85P0.15")
    III, V = {}, {}
    for symbole, fraction_texte in elements:
        if symbole in GROUPE_III:
            groupe = III
        elif symbole in GROUPE_V:
            groupe = V
        else:
            raise Refus(f"couche {role} « {texte} » : élément inconnu {symbole} (groupe III : Al, Ga, In ; "
                        f"groupe V : P, As, Sb...)")
        if symbole in groupe:
            raise Refus(f"couche {role} « {texte} » mal formée : {symbole} apparaît deux fois")
        if fraction_texte and not NOMBRE_REEL.fullmatch(fraction_texte):
            raise Refus(f"couche {role} « {texte} » : fraction « {fraction_texte} » de {symbole} illisible")
        groupe[symbole] = float(fraction_texte) if fraction_texte else None
    for nom_groupe, groupe in (("III", III), ("V", V)):
        if not groupe:
            raise Refus(f"couche {role} « {texte} » : pas d'élément du groupe {nom_groupe}")
        for symbole, f in groupe.items():
            if f is None:
                if len(groupe) > 1:
                    raise Refus(f"couche {role} « {texte} » : donnez la fraction de chaque élément du groupe "
                                f"{nom_groupe} ({symbole} n'en a pas)")
                groupe[symbole] = 1.0
            elif not 0 <= f <= 1:
                raise Refus(f"couche {role} « {texte} » : la fraction {f:g} de {symbole} est hors de [0, 1]")
        somme = sum(groupe.values())
        if abs(somme - 1) > 1e-9:
            raise Refus(f"couche {role} « {texte} » : les fractions du groupe {nom_groupe} font {somme:g}, "
                        f"pas 1")
    return III, V


def analyser_couche(texte, bib, role):
    """'In0.2Ga0.8As:75' -> (formula, {binary: fraction}, width in Å)."""
    formule, deux_points, largeur_texte = texte.partition(":")
    if not deux_points or not formule:
        raise Refus(f"couche {role} « {texte} » mal formée : attendu FORMULE:LARGEUR, par exemple In0.2Ga0.8As:75 "
                    f"(largeur en Å)")
    if not NOMBRE_REEL.fullmatch(largeur_texte.strip()):
        raise Refus(f"couche {role} « {texte} » : la largeur « {largeur_texte} » n'est pas un nombre (Å)")
    largeur = float(largeur_texte)
    if not largeur > 0:
        raise Refus(f"couche {role} « {texte} » : la largeur doit être strictement positive (Å)")
    III, V = _groupes(texte, formule, role)
    membres = {}
    for a, fa in III.items():
        for b, fb in V.items():
            if fa * fb > 0:
                membres[a + b] = fa * fb
    if len(membres) > 2:
        raise Refus(f"couche {role} « {texte} » : {len(membres)} binaires ; le modèle de gain ne connaît que des "
                    f"ternaires (deux binaires par couche)")
    for binaire in membres:
        if binaire not in bib["binaires"]:
            raise Refus(f"couche {role} « {texte} » : matériau inconnu {binaire} ; la bibliothèque connaît "
                        f"{', '.join(sorted(bib['binaires']))}")
    # A fraction given by the user is taken as written (0.8, not 1 - 0.2).
    for binaire in membres:
        a = next(s for s in III if binaire.startswith(s))
        if len(III) == 1 and len(V) == 2:
            membres[binaire] = V[binaire[len(a):]]
        elif len(III) == 2:
            membres[binaire] = III[a]
    return formule, membres, largeur


def trouver_X(puits, barriere):
    """End members of gain's model: the well is X_x Z_(1-x), the barrier
    Y_y X_(1-y). Returns (X, Z, x, Y, y)."""
    (fp, mp, _), (fb, mb, _) = puits, barriere
    communs = set(mp) & set(mb)
    if communs:
        # The binary the barrier holds most of: for a GaAs barrier, GaAs.
        X = max(communs, key=lambda m: (mb[m], mp[m], m))
    elif len(mb) == 1:
        # A binary barrier B is B_1 X_0 with X any member of the well.
        X = max(mp, key=lambda m: (mp[m], m))
    elif len(mp) == 1:
        # A binary well W is X_0 W_1 with X any member of the barrier.
        X = max(mb, key=lambda m: (mb[m], m))
    else:
        raise Refus(f"le puits {fp} et la barrière {fb} n'ont aucun binaire commun : le modèle de gain décrit le "
                    f"puits X_x Z_(1-x) et la barrière Y_y X_(1-y) avec le même binaire X "
                    f"(puits : {' + '.join(sorted(mp))} ; barrière : {' + '.join(sorted(mb))})")
    autres_puits = [m for m in mp if m != X]
    Z = autres_puits[0] if autres_puits else X
    x = mp.get(X, 0.0)
    autres_barriere = [m for m in mb if m != X]
    Y = autres_barriere[0] if autres_barriere else X
    y = mb[Y] if Y != X else 0.0
    return X, Z, x, Y, y


def analyser_guide(texte, bib):
    """--guide ALLIAGE:LARGEUR,...: the layers outside the barrier, the last
    one (the cladding) semi-infinite, its width optional and unused."""
    couches = []
    morceaux = [m.strip() for m in texte.split(",")]
    for i, morceau in enumerate(morceaux):
        if i == len(morceaux) - 1 and ":" not in morceau:
            morceau += ":1"   # the cladding: semi-infinite, any width
        formule, membres, largeur = analyser_couche(morceau, bib, "du guide")
        couches.append((formule, membres, None if i == len(morceaux) - 1 else largeur))
    return couches
