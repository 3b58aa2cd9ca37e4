"""The composer's warnings on the layers: a well past its critical thickness,
indirect-gap layers around it."""
from . import conception
from .composer_bibliotheque import cles_binaire, nombre
from .composer_fichier import reseau


def contrainte(c):
    """The critical thickness: the well is strained to the substrate, to the
    barrier's lattice when none is named (as gain strains it)."""
    a = reseau(c.v)
    a_sub = cles_binaire(c.bib, c.args.substrat, c.T)["a"] if c.args.substrat else a["a_barriere"]
    sur = c.args.substrat or f"la barrière {c.barriere[0]}"
    hc = conception.epaisseur_critique(a["a_puits"], a_sub, a["C11"], a["C12"])
    largeur = nombre(c.puits[2])
    if hc is None:
        c.dire(f"Épaisseur critique du puits sur {sur} : sans objet (accord de maille)")
        return
    c.dire(f"Épaisseur critique du puits sur {sur} (Matthews-Blakeslee) : {hc:.0f} Å pour un puits de "
           f"{largeur} Å")
    if c.puits[2] > hc:
        c.attention(f"le puits ({largeur} Å) dépasse l'épaisseur critique ({hc:.0f} Å) : il se relaxerait "
                    f"par dislocations ; la contrainte que gain suppose n'est plus celle du puits")


def vallees_indirectes(c):
    """Indirect layers around the well: carriers leak to the X or L valley."""
    T = c.T
    for nom, membres in [(c.barriere[0], c.barriere[1])] + [(g[0], g[1]) for g in c.guide or []]:
        gaps = {v: conception.gap_alliage(c.bib, membres, v, T) for v in ("Gamma", "X", "L")}
        plus_bas = [v for v in ("X", "L") if gaps[v] is not None and gaps[v] < gaps["Gamma"]]
        if plus_bas:
            c.attention(f"{nom} est à bande interdite indirecte à {T:g} K : Γ {gaps['Gamma']:.3f} eV "
                        f"au-dessus de " + " et ".join(f"{v} {gaps[v]:.3f} eV" for v in plus_bas) +
                        " ; le modèle de gain ne connaît que la vallée Γ")
