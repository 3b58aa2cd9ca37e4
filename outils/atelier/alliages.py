"""Alloys of more than two binaries (the quaternaries of the library's
[quaternaires]) and any layer gain is to see as one end member: every
parameter interpolated from the binaries and the ternary sides, the lattice
match to a substrate, and gain's keys of the whole alloy at one temperature.

A layer is {binary: fraction} as the composer parses it, a quaternary's
fractions being the products of its two sublattices' (In(1-x)Ga(x)As(y)P(1-y):
GaAs x y, GaP x (1-y), InAs (1-x) y, InP (1-x)(1-y)). Energies in eV.
"""
import itertools
import math
import re

from . import lois_gap

BINAIRE = re.compile(r"([A-Z][a-z]?)([A-Z][a-z]?)")


class Alliage(str):
    """An end member of gain's model that is a whole alloy, named by its
    formula, with its binaries and their fractions in `membres`: a
    quaternary well is gain's X at x = 1, a quaternary barrier its Y at y = 1."""

    def __new__(cls, formule, membres):
        alliage = super().__new__(cls, formule)
        alliage.membres = dict(membres)
        return alliage


def fractions(membre):
    """{binary: fraction} of an end member: a binary alone, or the alloy's."""
    return dict(membre.membres) if isinstance(membre, Alliage) else {membre: 1.0}


def sous_reseaux(membres):
    """The fractions of each element on its sublattice: ({III: f}, {V: f})."""
    III, V = {}, {}
    for binaire, f in membres.items():
        a, b = BINAIRE.fullmatch(binaire).groups()
        III[a] = III.get(a, 0.0) + f
        V[b] = V.get(b, 0.0) + f
    return III, V


def quaternaire(bib, membres):
    """The [quaternaires] entry whose binaries the layer holds, or None."""
    for nom, q in bib.get("quaternaires", {}).items():
        if set(membres) <= set(q["membres"]):
            return dict(q, nom=nom)
    return None


def _cotes(membres):
    """Every ternary side of the layer: (binary 1, binary 2, weight, share of
    binary 1 in the pair). Two elements i, j mixing on one sublattice with an
    element k of the other form the side i k - j k, of weight f_i f_j f_k."""
    III, V = sous_reseaux(membres)
    cotes = []
    for melange, autre, nom in ((III, V, lambda i, k: i + k), (V, III, lambda i, k: k + i)):
        for (i, fi), (j, fj) in itertools.combinations(sorted(melange.items()), 2):
            for k, fk in sorted(autre.items()):
                if fi * fj * fk > 0:
                    cotes.append((nom(i, k), nom(j, k), fi * fj * fk, fi / (fi + fj)))
    return cotes


def terme_quaternaire(membres):
    """The product the quaternary bowing multiplies: x(1-x)y(1-y) for two
    mixed sublattices, f1 f2 f3 for three binaries sharing the anion."""
    III, V = sous_reseaux(membres)
    return math.prod(III.values()) * math.prod(V.values())


def interpoler(bib, membres, valeur, bowing):
    """A parameter of the layer: the binaries' values weighted by their
    fractions, less each ternary side's bowing times its weight.
    valeur(binary) -> value; bowing(ternary, share of its `variable`) -> the
    side's bowing, None when the library has none (the side then refused:
    returns None and the side's name)."""
    total = sum(f * valeur(b) for b, f in membres.items())
    for b1, b2, poids, t in _cotes(membres):
        terne = bib["ternaires_par_paire"].get(frozenset((b1, b2)))
        s = None if terne is None else (t if terne["variable"] == b1 else 1 - t)
        C = None if terne is None else bowing(terne, s)
        if C is None:
            return None, (terne["nom"] if terne else f"{b1}-{b2}")
        total -= poids * C
    return total, None


def polynome(coefs, s):
    return sum(c * s ** k for k, c in enumerate(coefs))


def gap(bib, membres, vallee, T):
    """Unstrained gap (eV) of valley Gamma, X or L at T, None when the library
    lacks a binary's valley or a side's bowing."""
    lois = {b: lois_gap.loi_vallee(bib, b, vallee) for b in membres}
    if any(l is None for l in lois.values()):
        return None
    if vallee == "Gamma":
        def bowing(terne, s):
            return polynome(terne["bowing_Eg_Gamma"], s) if "bowing_Eg_Gamma" in terne else None
    else:
        def bowing(terne, s):
            return bib.get("bowing_vallees", {}).get(terne["nom"], {}).get(vallee)
    valeur, _ = interpoler(bib, membres, lambda b: lois_gap.loi(lois[b], T), bowing)
    if valeur is None or vallee != "Gamma":
        return valeur
    q = quaternaire(bib, membres)
    return valeur - (q.get("bowing_quaternaire", 0.0) if q else 0.0) * terme_quaternaire(membres)


def cote_sans_bowing_gap(bib, membres):
    """The first side of the layer without a Gamma-gap bowing, or None."""
    def bowing(terne, s):
        return 0.0 if "bowing_Eg_Gamma" in terne else None
    return interpoler(bib, membres, lambda b: 0.0, bowing)[1]


def vbo(bib, membres):
    """Unstrained valence-band maximum (eV) on the library's common scale,
    and the sides taken linear because the library gives them no
    valence-band bowing."""
    lineaires = []

    def bowing(terne, s):
        if "bowing_VBO" in terne:
            return polynome(terne["bowing_VBO"], s)
        lineaires.append(terne["nom"])
        return 0.0
    valeur, absent = interpoler(bib, membres, lambda b: bib["binaires"][b]["VBO"], bowing)
    return valeur, sorted(set(lineaires + ([absent] if absent else [])))


_VARSHNI = {}


def cles_alliage(bib, membres, T):
    """gain's keys of the whole layer as one end member at T (K), as
    composer_bibliotheque.cles_binaire gives a binary's: the parameters linear
    in the binaries' fractions, as gain interpolates a ternary; the gap the
    Varshni law that gives the layer's bowed gap exactly at T and follows it
    within some tenths of meV from 200 to 400 K."""
    def lineaire(p):
        return sum(f * p(bib["binaires"][b]) for b, f in membres.items())
    cle = (tuple(sorted(membres.items())), T)
    if cle not in _VARSHNI:
        _VARSHNI[cle] = lois_gap.varshni_equivalente(lambda t: gap(bib, membres, "Gamma", t), T)
    Eg_0K, alpha_Eg, beta_Eg, _ = _VARSHNI[cle]
    return {
        "mc": lineaire(lambda v: v["me_Gamma"]),
        "gamma1": lineaire(lambda v: v["gamma1"]),
        "gamma2": lineaire(lambda v: v["gamma2"]),
        "gamma3": lineaire(lambda v: v["gamma3"]),
        "Eg_0K": Eg_0K,
        "alpha_Eg": alpha_Eg,
        "beta_Eg": beta_Eg,
        "a": lineaire(lambda v: v["a_300K"] + v["da_dT"] * (T - 300)),   # Å at T
        "aH": lineaire(lambda v: v["ac"] + v["av"]),
        "bS": lineaire(lambda v: v["b"]),
        "C11": lineaire(lambda v: v["C11"]),
        "C12": lineaire(lambda v: v["C12"]),
        "Ep": lineaire(lambda v: v["Ep"]),
    }


# ---------------------------------------------------------------- lattice match

def reseau(bib, membres, T):
    """Relaxed lattice constant (Å) of a layer at T (Vegard)."""
    return sum(f * (bib["binaires"][b]["a_300K"] + bib["binaires"][b]["da_dT"] * (T - 300))
               for b, f in membres.items())


def _quaternaire_sur_ligne(q, u):
    """The layer of quaternary q at the parameter u of its lattice-matched line
    before the match: (sublattice fractions as a function of the other
    fraction v, the element u is the fraction of). InGaAsP: u the As
    fraction, v the Ga fraction; AlGaInAs: u the Al share of Al + Ga, v the
    Al + Ga fraction."""
    if q["genre"] == "deux_sous_reseaux":
        return lambda v: {"GaAs": v * u, "GaP": v * (1 - u), "InAs": (1 - v) * u, "InP": (1 - v) * (1 - u)}
    return lambda v: {"AlAs": u * v, "GaAs": (1 - u) * v, "InAs": 1 - v}


def accord(bib, q, substrat, u, T):
    """The composition of quaternary q at parameter u lattice-matched to the
    substrate at T (the lattice constant is linear in v), or None when no
    v in [0, 1] matches."""
    couche = _quaternaire_sur_ligne(q, u)
    a_sub = reseau(bib, {substrat: 1.0}, T)
    a0, a1 = reseau(bib, couche(0.0), T), reseau(bib, couche(1.0), T)
    if a1 == a0:
        return None
    v = (a_sub - a0) / (a1 - a0)
    if not 0 <= v <= 1:
        return None
    return {b: f for b, f in couche(v).items() if f > 0}


def accord_a_gap(bib, q, substrat, Eg_cible, T):
    """The lattice-matched composition of q whose Gamma gap at T is Eg_cible
    (bisection on the line parameter, 60 halvings), or the range the line
    reaches (eV) when the target lies outside it."""
    def Eg(u):
        m = accord(bib, q, substrat, u, T)
        return None if m is None else gap(bib, m, "Gamma", T)
    bornes = [u for u in (i / 200 for i in range(201)) if Eg(u) is not None]
    if not bornes:
        return None, None
    a, b = bornes[0], bornes[-1]
    Ea, Eb = Eg(a), Eg(b)
    if not min(Ea, Eb) <= Eg_cible <= max(Ea, Eb):
        return None, (min(Ea, Eb), max(Ea, Eb))
    for _ in range(60):
        m = 0.5 * (a + b)
        if (Eg(m) > Eg_cible) == (Ea > Eg_cible):
            a, Ea = m, Eg(m)
        else:
            b = m
    return accord(bib, q, substrat, 0.5 * (a + b), T), None


def formule(q, membres, chiffres=4):
    """The formula of a quaternary composition, each fraction rounded to
    `chiffres` decimals and each sublattice adding up to 1 as written."""
    III, V = sous_reseaux(membres)

    def f(v):
        return f"{round(v, chiffres):.{chiffres}f}".rstrip("0").rstrip(".")
    if q["genre"] == "deux_sous_reseaux":
        ga, as_ = round(III.get("Ga", 0.0), chiffres), round(V.get("As", 0.0), chiffres)
        return f"In{f(1 - ga)}Ga{f(ga)}As{f(as_)}P{f(1 - as_)}"
    al, ga = round(III.get("Al", 0.0), chiffres), round(III.get("Ga", 0.0), chiffres)
    return f"Al{f(al)}Ga{f(ga)}In{f(1 - al - ga)}As"
