"""The layers the composer is given: a formula and a width parsed into its
binaries and their fractions, and the end members of gain's model."""
import re

from . import alliages
from .composer_bibliotheque import Refus

GROUPE_III = {"B", "Al", "Ga", "In", "Tl"}
GROUPE_V = {"N", "P", "As", "Sb", "Bi"}

# h*c/q in eV*nm: the gap of a wavelength.
HC_SUR_Q = 1239.84198

NOMBRE_REEL = re.compile(r"[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?")
# Widths in Å: every layer within 100 µm (gain's own bound on a barrier);
# a guide layer within 10 µm, beyond which its evanescent field overflows
# doubles and no guide is that thick; at most 100 guide layers, each one
# solved and drawn.
LARGEUR_MAX = 1e6
LARGEUR_GUIDE_MAX = 1e5
COUCHES_GUIDE_MAX = 100


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


def analyser_couche(texte, bib, role, accord=None):
    """'In0.2Ga0.8As:75' -> (formula, {binary: fraction}, width in Å). With
    accord = (substrate, T), 'InGaAsP:1.3um:200' names a quaternary of the
    library by its gap (or wavelength) lattice-matched to the substrate."""
    formule, deux_points, largeur_texte = texte.partition(":")
    if not deux_points or not formule:
        raise Refus(f"couche {role} « {texte} » mal formée : attendu FORMULE:LARGEUR, par exemple In0.2Ga0.8As:75 "
                    f"(largeur en Å)")
    if formule in bib.get("quaternaires", {}):
        cible, _, largeur_texte = largeur_texte.partition(":")
        formule = formule_accordee(texte, formule, cible, bib, role, accord)
    if not NOMBRE_REEL.fullmatch(largeur_texte.strip()):
        raise Refus(f"couche {role} « {texte} » : la largeur « {largeur_texte} » n'est pas un nombre (Å)")
    largeur = float(largeur_texte)
    if not largeur > 0:
        raise Refus(f"couche {role} « {texte} » : la largeur doit être strictement positive (Å)")
    if not largeur <= LARGEUR_MAX:
        raise Refus(f"couche {role} « {texte} » : largeur de {largeur:g} Å au-delà de {LARGEUR_MAX:g} Å (100 µm) ; "
                    f"les largeurs sont en Å")
    III, V = _groupes(texte, formule, role)
    membres = {}
    for a, fa in III.items():
        for b, fb in V.items():
            if fa * fb > 0:
                membres[a + b] = fa * fb
    for binaire in membres:
        if binaire not in bib["binaires"]:
            raise Refus(f"couche {role} « {texte} » : matériau inconnu {binaire} ; la bibliothèque connaît "
                        f"{', '.join(sorted(bib['binaires']))}")
    if len(membres) > 2:
        if alliages.quaternaire(bib, membres) is None:
            connues = ", ".join(q["formule"] for q in bib.get("quaternaires", {}).values())
            raise Refus(f"couche {role} « {texte} » : {len(membres)} binaires ({', '.join(sorted(membres))}) sans "
                        f"quaternaire de la bibliothèque qui les réunisse (elle connaît {connues or 'aucune'})")
        return formule, membres, largeur
    # A fraction given by the user is taken as written (0.8, not 1 - 0.2).
    for binaire in membres:
        a = next(s for s in III if binaire.startswith(s))
        if len(III) == 1 and len(V) == 2:
            membres[binaire] = V[binaire[len(a):]]
        elif len(III) == 2:
            membres[binaire] = III[a]
    return formule, membres, largeur


# A target of --accord: a wavelength in µm or nm, or a gap in eV.
CIBLE = re.compile(r"(\d+\.?\d*|\.\d+)(um|µm|nm|eV)")


def formule_accordee(texte, nom, cible, bib, role, accord):
    """The formula of quaternary `nom` lattice-matched to the substrate of
    accord = (substrate, T) whose Gamma gap at T is the target: '1.3um',
    '1300nm' or '0.954eV'."""
    q = dict(bib["quaternaires"][nom], nom=nom)
    lu = CIBLE.fullmatch(cible.strip())
    if not lu:
        raise Refus(f"couche {role} « {texte} » : attendu {nom}:CIBLE:LARGEUR, la cible une longueur d'onde (1.3um, "
                    f"1300nm) ou une bande interdite (0.954eV) de l'alliage accordé au substrat de --accord")
    if accord is None:
        raise Refus(f"couche {role} « {texte} » : une cible de bande interdite demande --accord SUBSTRAT "
                    f"(la composition accordée en maille sur ce substrat)")
    substrat, T = accord
    v, unite = float(lu.group(1)), lu.group(2)
    Eg = v if unite == "eV" else HC_SUR_Q / (v * (1 if unite == "nm" else 1000))   # µm -> nm
    membres, atteint = alliages.accord_a_gap(bib, q, substrat, Eg, T)
    if membres is None:
        plage = "" if atteint is None else (f" ; accordé sur {substrat}, {nom} va de {atteint[0]:.4f} à "
                                            f"{atteint[1]:.4f} eV à {T:g} K")
        raise Refus(f"couche {role} « {texte} » : pas de {nom} accordé sur {substrat} de bande interdite "
                    f"{Eg:.4f} eV{plage}")
    return alliages.formule(q, membres)


def trouver_X(puits, barriere):
    """End members of gain's model: the well is X_x Z_(1-x), the barrier
    Y_y X_(1-y). Returns (X, Z, x, Y, y). A layer of more than two binaries
    is one end member (alliages.Alliage): the well X at x = 1 (Z the same,
    of weight 0), the barrier Y at y = 1 (X then any member of the well)."""
    (fp, mp, _), (fb, mb, _) = puits, barriere
    if len(mp) > 2 or len(mb) > 2:
        if len(mp) > 2:
            X, Z, x = (alliages.Alliage(fp, mp),) * 2 + (1.0,)
        else:
            X = max(mp, key=lambda m: (mp[m], m))
            Z, x = next((m for m in mp if m != X), X), mp[X]
        Y = alliages.Alliage(fb, mb) if len(mb) > 1 else next(iter(mb))
        return X, Z, x, Y, 1.0
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


def analyser_guide(texte, bib, accord=None):
    """--guide ALLIAGE:LARGEUR,...: the layers outside the barrier, the last
    one (the cladding) semi-infinite, its width optional and unused."""
    couches = []
    morceaux = [m.strip() for m in texte.split(",")]
    if len(morceaux) > COUCHES_GUIDE_MAX:
        raise Refus(f"--guide : {len(morceaux)} couches, au plus {COUCHES_GUIDE_MAX} (gaine comprise) ; un guide à "
                    f"gradient d'indice se décrit en quelques marches")
    for i, morceau in enumerate(morceaux):
        champs = 3 if morceau.partition(":")[0] in bib.get("quaternaires", {}) else 2
        if i == len(morceaux) - 1 and morceau.count(":") < champs - 1:
            morceau += ":1"   # the cladding: semi-infinite, any width
        formule, membres, largeur = analyser_couche(morceau, bib, "du guide", accord)
        if i < len(morceaux) - 1 and largeur > LARGEUR_GUIDE_MAX:
            raise Refus(f"couche du guide « {morceau} » : largeur de {largeur:g} Å au-delà de {LARGEUR_GUIDE_MAX:g} Å "
                        f"(10 µm) ; les largeurs sont en Å")
        couches.append((formule, membres, None if i == len(morceaux) - 1 else largeur))
    return couches
