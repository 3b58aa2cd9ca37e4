"""The materials library of the composer (outils/materiaux.toml): its checks,
and gain's keys of one end member, of the bowings and of the realistic model
from its values."""
import math
import pathlib
import tomllib

from . import alliages, lois_gap

BIBLIOTHEQUE = pathlib.Path(__file__).resolve().parents[1] / "materiaux.toml"

PARAMETRES_BINAIRE = ("a_300K", "da_dT", "Eg_Gamma", "me_Gamma", "gamma1", "gamma2",
                      "gamma3", "Ep", "ac", "av", "b", "C11", "C12", "VBO")
# Binaries whose Gamma gap follows another law than Varshni's carry it in
# [vallees.<name>] and have no alpha_Gamma, beta_Gamma.
PARAMETRES_VARSHNI = ("alpha_Gamma", "beta_Gamma")
PARAMETRES_INDICE = ("A0", "B0", "Delta_so")
CHAMPS_TERNAIRE = {"membres", "variable", "bowing_Eg_Gamma", "bowing_VBO"}


class Refus(Exception):
    """A request the composer refuses: message for the user, exit status 1."""


def nombre(v):
    """A value as written into config.ini: 12 significant digits, which
    keeps every digit of the sources and drops the binary noise of the
    conversions (-7.17 + -1.16 is written -8.33)."""
    return f"{v:.12g}"



def charger_bibliotheque(chemin):
    try:
        with open(chemin, "rb") as f:
            bib = tomllib.load(f)
    except OSError as e:
        raise Refus(f"bibliothèque illisible : {chemin} ({e.strerror})")
    except UnicodeDecodeError as e:
        raise Refus(f"bibliothèque {chemin} : pas du texte UTF-8 (octet {e.object[e.start]:#04x} en position "
                    f"{e.start})") from None
    except tomllib.TOMLDecodeError as e:
        raise Refus(f"bibliothèque {chemin} mal formée : {e}")
    binaires = bib.get("binaires", {})

    def numerique(v):
        return isinstance(v, (int, float)) and not isinstance(v, bool)

    for nom, valeurs in binaires.items():
        loi_propre = "Gamma" in bib.get("vallees", {}).get(nom, {})
        for p in PARAMETRES_BINAIRE + (() if loi_propre else PARAMETRES_VARSHNI):
            if not numerique(valeurs.get(p)):
                raise Refus(f"bibliothèque {chemin} : le binaire {nom} n'a pas de valeur numérique pour {p}")
        for p in PARAMETRES_INDICE:
            if not numerique(bib.get("indice", {}).get(nom, {}).get(p)):
                raise Refus(f"bibliothèque {chemin} : le binaire {nom} n'a pas de valeur numérique pour {p} "
                            f"dans [indice.{nom}]")
    ternaires = {}
    for nom, t in bib.get("ternaires", {}).items():
        inconnus = set(t) - CHAMPS_TERNAIRE
        if inconnus:
            raise Refus(f"bibliothèque {chemin} : la ternaire {nom} a des champs que le modèle ne sait pas "
                        f"représenter : {', '.join(sorted(inconnus))}")
        membres = t.get("membres", [])
        if len(membres) != 2 or any(m not in binaires for m in membres) or t.get("variable") not in membres:
            raise Refus(f"bibliothèque {chemin} : la ternaire {nom} doit nommer deux binaires connus "
                        f"(membres) et l'un d'eux comme variable")
        ternaires[frozenset(membres)] = dict(t, nom=nom)
    bib["ternaires_par_paire"] = ternaires
    return bib


def cles_binaire(bib, nom, T):
    """gain's keys of one end member from the library values of a binary at
    temperature T (K). The conversions the model needs are made here and
    only here; the refractive index, a property of the well's alloy at the
    lasing wavelength, is set by the composer (indice_du_puits)."""
    v = bib["binaires"][nom]
    loi = lois_gap.loi_gamma(bib, nom)
    if "alpha" in loi:
        Eg_0K, alpha_Eg, beta_Eg = v["Eg_Gamma"], v["alpha_Gamma"] / 1000, v["beta_Gamma"]   # meV/K -> eV/K
    else:
        # gain knows Varshni laws only: the one that gives the source's gap
        # exactly at T (and within a few tenths of meV from 200 to 400 K).
        Eg_0K, alpha_Eg, beta_Eg, _ = varshni_de(loi, T)
    return {
        "mc": v["me_Gamma"],
        "gamma1": v["gamma1"],
        "gamma2": v["gamma2"],
        "gamma3": v["gamma3"],
        "Eg_0K": Eg_0K,
        "alpha_Eg": alpha_Eg,
        "beta_Eg": beta_Eg,
        "a": v["a_300K"] + v["da_dT"] * (T - 300),   # lattice constant at T, Å
        # Gap hydrostatic potential: the review's av carries the sign for
        # which the gap shifts by ac + av (GaAs -7.17 - 1.16 = -8.33 eV).
        "aH": v["ac"] + v["av"],
        "bS": v["b"],
        "C11": v["C11"],
        "C12": v["C12"],
        "Ep": v["Ep"],
    }


def cles_membre(bib, membre, T):
    """gain's keys of one end member: a binary's (cles_binaire), or those of
    a whole alloy written as one member (alliages.cles_alliage)."""
    if isinstance(membre, alliages.Alliage):
        return alliages.cles_alliage(bib, membre.membres, T)
    return cles_binaire(bib, membre, T)


_VARSHNI = {}


def varshni_de(loi, T):
    """lois_gap.varshni_equivalente, once per law and temperature."""
    cle = (tuple(sorted(loi.items())), T)
    if cle not in _VARSHNI:
        _VARSHNI[cle] = lois_gap.varshni_equivalente(loi, T)
    return _VARSHNI[cle]


def polynome_bowing(bib, m1, m2, champ):
    """Bowing coefficients of the alloy of m1 and m2 as a polynomial in the
    fraction of its `variable`, trailing zeros dropped; None when unknown."""
    t = bib["ternaires_par_paire"].get(frozenset((m1, m2)))
    if t is None or champ not in t:
        return None, None
    coefs = list(t[champ])
    while len(coefs) > 1 and coefs[-1] == 0:
        coefs.pop()
    return coefs, t


def cles_bowing(bib, premier, second, fraction):
    """(bowing_Eg, bowing_Eg_x) of gain for the alloy premier_t second_(1-t),
    t = `fraction`. gain forms the gap bowing as bowing_Eg + bowing_Eg_x*(1-t):
    a constant plus a term linear in the fraction of the second member. A
    source bowing c0 + c1*s, s the fraction of one member, maps exactly onto
    it; a higher power of s does not, and is refused."""
    if premier == second:
        return 0.0, 0.0
    coefs, t = polynome_bowing(bib, premier, second, "bowing_Eg_Gamma")
    poids = fraction * (1 - fraction)
    if coefs is None:
        if poids == 0:
            return 0.0, 0.0
        raise Refus(f"pas de bowing de la bande interdite pour l'alliage de {premier} et {second} dans la "
                    f"bibliothèque : ajoutez la ternaire")
    if len(coefs) > 2:
        if poids == 0:
            return 0.0, 0.0
        raise Refus(f"le bowing de {t['nom']} dépend de la composition au degré {len(coefs) - 1} ; le modèle de "
                    f"gain (bowing_Eg + bowing_Eg_x·(1-x)) ne représente qu'une dépendance linéaire : refusé")
    c0 = coefs[0]
    c1 = coefs[1] if len(coefs) == 2 else 0.0
    if t["variable"] == second:   # C = c0 + c1*(1-t)
        return c0, c1
    return c0 + c1, -c1           # C = c0 + c1*t = (c0 + c1) - c1*(1-t)


def vbo_membre(bib, membre):
    """Unstrained valence-band maximum of an end member (eV): a binary's, or
    the alloy's with the sides' valence-band bowings (a side without one
    taken linear, named in the second value)."""
    if isinstance(membre, alliages.Alliage):
        return alliages.vbo(bib, membre.membres)
    return bib["binaires"][membre]["VBO"], []


def vbo_alliage(bib, premier, second, t):
    """Unstrained valence-band maximum of premier_t second_(1-t) (eV),
    linear in t where the library gives the alloy no valence-band bowing."""
    if premier == second or t * (1 - t) == 0:
        return t * vbo_membre(bib, premier)[0] + (1 - t) * vbo_membre(bib, second)[0]
    v1, v2 = bib["binaires"][premier]["VBO"], bib["binaires"][second]["VBO"]
    coefs, terne = polynome_bowing(bib, premier, second, "bowing_VBO")
    if coefs is None:
        return t * v1 + (1 - t) * v2
    s = t if terne["variable"] == premier else 1 - t
    C = sum(c * s ** k for k, c in enumerate(coefs))
    return t * v1 + (1 - t) * v2 - t * (1 - t) * C


def cles_modele_realiste(bib, membres):
    """[modele] of gain for the well X_x Z_(1-x) in the barrier Y_y X_(1-y)
    (membres = (X, Z, x, Y, y)): the library's line shape, switches and gap
    shrinkage, the recombination of the well alloy (A linear in the fractions
    of its binaries, C geometric) and the barrier's radiative B (the mean of
    its direct-gap binaries'), as (key, text) in the order written."""
    X, Z, x, Y, y = membres
    recomb = bib.get("recombinaison", {})

    def binaires(premier, second, t):
        # the binaries of premier_t second_(1-t) and their weights: a quaternary's four at t = 1
        return [(b, t * f) for b, f in alliages.fractions(premier).items()] + \
               [(b, (1 - t) * f) for b, f in alliages.fractions(second).items()]

    poids = binaires(X, Z, x)
    for m, _ in poids:
        if m not in recomb or not all(isinstance(recomb[m].get(c), (int, float)) for c in ("A_srh", "C_auger")):
            raise Refus(f"--modele realiste : la bibliothèque n'a pas A_srh et C_auger pour {m} "
                        f"([recombinaison.{m}])")
    A = sum(w * recomb[m]["A_srh"] for m, w in poids)
    C = math.exp(sum(w * math.log(recomb[m]["C_auger"]) for m, w in poids))
    # an indirect binary (no B_rad) says nothing of a direct alloy's B
    directs = [(m, w) for m, w in binaires(Y, X, y)
               if w > 0 and isinstance(recomb.get(m, {}).get("B_rad"), (int, float))]
    if not directs:
        raise Refus(f"--modele realiste : la bibliothèque n'a de B_rad pour aucun binaire direct de la barrière "
                    f"([recombinaison.*] B_rad)")
    B = sum(w * recomb[m]["B_rad"] for m, w in directs) / sum(w for _, w in directs)
    r = bib.get("modele_realiste", {})
    return [("forme_raie", f"{r.get('forme_raie', 'sech')}"), ("A_srh", f"{A:.4g}"), ("C_auger", f"{C:.4g}"),
            ("emission_complete", f"{r.get('emission_complete', 1)}"), ("k_aligne", f"{r.get('k_aligne', 1)}"),
            ("renormalisation_gap", nombre(r.get("renormalisation_gap", 0.0))),
            ("melange_k", f"{r.get('melange_k', 1)}"), ("dispersion_axiale", f"{r.get('dispersion_axiale', 1)}"),
            ("continuum", f"{r.get('continuum', 1)}"), ("B_barriere", f"{B:.4g}")]
