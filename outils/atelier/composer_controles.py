"""The composer's warnings on the layers: a well (or a stack) past its
critical thickness, wells close enough to couple, indirect-gap layers
around them."""
import math

from . import alliages, conception
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
    if c.nombre_puits == 1:
        c.dire(f"Épaisseur critique du puits sur {sur} (Matthews-Blakeslee) : {hc:.0f} Å pour un puits de "
               f"{largeur} Å")
        if c.puits[2] > hc:
            c.attention(f"le puits ({largeur} Å) dépasse l'épaisseur critique ({hc:.0f} Å) : il se relaxerait "
                        f"par dislocations ; la contrainte que gain suppose n'est plus celle du puits")
        return
    epaisseur, detail = epaisseur_contrainte(c, a["a_puits"], a_sub)
    c.dire(f"Épaisseur critique du puits sur {sur} (Matthews-Blakeslee) : {hc:.0f} Å pour l'épaisseur contrainte "
           f"de l'empilement, {nombre(epaisseur)} Å ({detail})")
    if epaisseur > hc:
        c.attention(f"l'empilement contraint ({nombre(epaisseur)} Å) dépasse l'épaisseur critique ({hc:.0f} Å) : "
                    f"il se relaxerait par dislocations ; moins de puits, des puits plus fins ou des barrières qui "
                    f"compensent la contrainte")


def epaisseur_contrainte(c, a_puits, a_sub):
    """The strained thickness of the stack (Å): its wells, and its inner
    barriers when they are strained the same way as the wells (a barrier
    strained the other way, or matched, relieves the stack instead)."""
    N, Lw, Lb = c.nombre_puits, c.puits[2], c.entre_puits[2]
    a_entre = alliages.reseau(c.bib, c.entre_puits[1], c.T)
    f_puits, f_entre = (a_sub - a_puits) / a_sub, (a_sub - a_entre) / a_sub
    if abs(f_entre) > 1e-4 and f_entre * f_puits > 0:
        return N * Lw + (N - 1) * Lb, (f"{N} puits de {nombre(Lw)} Å et {N - 1} barrières de {nombre(Lb)} Å "
                                       f"contraintes dans le même sens, ε = {f_entre:+.5f}")
    return N * Lw, f"{N} puits de {nombre(Lw)} Å"


def couplage(c, niveaux_E):
    """The model's wells are uncoupled: the first electron level's envelope
    must die out across the inner barrier, exp(-kappa Lb) under 0.1 with
    kappa = sqrt(2 m_b (Vc - E1))/hbar (the barrier of --barriere, as gain
    binds the levels)."""
    if c.nombre_puits == 1 or not niveaux_E:
        return
    m = c.m
    energie = (m["Vc_meV"] - niveaux_E[0]) * 1e-3 * conception.Q   # meV -> J
    if energie <= 0:
        return
    kappa = math.sqrt(2 * m["mc_barriere"] * conception.M0 * energie) / conception.HBAR   # 1/m
    queue = math.exp(-kappa * c.entre_puits[2] * 1e-10)   # Å -> m
    if queue > 0.1:
        c.attention(f"barrière entre les puits de {nombre(c.entre_puits[2])} Å : l'enveloppe de E1 y décroît "
                    f"seulement à {queue:.2f} ; les puits se couplent (minibande), ce que le modèle de puits "
                    f"identiques non couplés ne décrit pas")


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
