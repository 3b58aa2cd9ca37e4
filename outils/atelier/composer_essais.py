"""The composer's trial runs of gain: the zone-centre levels of the composed
well, and a density series up to threshold."""
from . import conception, guide_onde
from .composer_bibliotheque import nombre
from .composer_fichier import verifier
from .composer_optique import optique


def lancer(c, arguments, *reglages):
    """gain on the composed bytes with `reglages` made, in a temporary folder:
    (status, console, run record)."""
    return conception.lancer_gain(c.gain, c.fichier.essai(*reglages), arguments)


def niveaux_essai(c):
    """Zone-centre levels of the composed well as gain finds them, None
    (with a warning) when the well binds none in a band."""
    n = verifier(c.gain, c.fichier.texte, c.origine).niveaux_k0
    lus = {b: n[b + "_meV"] for b in ("E", "HH", "LH")}
    if lus["E"] and (lus["HH"] or lus["LH"]):
        return lus
    sans = " et ".join(b for b, v in (("conduction", lus["E"]), ("valence", lus["HH"] + lus["LH"])) if not v)
    c.attention(f"le puits n'a aucun niveau lié en bande de {sans} : pas de gain à attendre ; fenêtre et "
                f"série gardées de {c.origine}")
    return None


def seuil_essai(c, E1, haut, debut, fin):
    """A trial series from the well's transparency density with the
    window and index of the first transition: (gain's threshold
    (Nth, wavelength) or None, trial step, status, the densities of its
    passes, cm^-3)."""
    optique(c, E1 / 1000, "première transition")
    if "calcul.debut_E" not in c.reglees:
        c.fichier.regler("calcul.debut_E", str(debut))
    if "calcul.fin_E" not in c.reglees:
        c.fichier.regler("calcul.fin_E", str(fin))
    if c.guide and "systeme.facteur_confinement" not in c.reglees:
        c.fichier.regler("systeme.facteur_confinement",
                         nombre(round(c.modes[guide_onde.TE]["confinement"], 6)))
    m = c.m
    # In-plane mass of the top hole subband.
    mh = 1 / (m["gamma1_puits"] + m["gamma2_puits"]) if haut == "HH1" else 1 / (m["gamma1_puits"] - m["gamma2_puits"])
    Ntr = conception.densite_transparence(m["mc_puits"], mh, c.T, c.puits[2])
    pas_essai = float(f"{Ntr / 2:.3g}")
    statut, console, releve = lancer(c, ("courant", "40", nombre(pas_essai)),
                                     f"calcul.Ninj={nombre(pas_essai)}", "calcul.arret_seuil=1")
    trouve = conception.seuil(releve) if statut == 0 else None
    densites = [p["N_cm3"] for p in releve["passes"]] if releve else []
    if statut != 0:
        derniere = [l for l in console.splitlines() if l.strip()][-2:]
        c.attention(f"l'essai de seuil de gain échoue (statut {statut} : {' '.join(derniere)})")
    return trouve, Ntr, pas_essai, statut, densites
