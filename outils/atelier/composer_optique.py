"""The composer's optics: the refractive index of the well at the lasing
photon energy, and the guide's TE and TM modes with their confinement
factors."""
from . import conception, guide_onde
from .composer_bibliotheque import Refus, nombre


def optique(c, E, origine_E):
    """Index of the well and modes of the guide at photon energy E (eV)."""
    bib, T, puits, barriere, guide = c.bib, c.T, c.puits, c.barriere, c.guide
    lam = guide_onde.HC_SUR_Q / E   # nm
    n_puits = conception.indice_couche(bib, puits[1], T, E)
    # The index enters gain's gain as the well's own; gain interpolates
    # nr_x and nr_1-x with x, so both carry the alloy's index.
    c.fichier.regler("puits.nr_x", nombre(n_puits))
    c.fichier.regler("puits.nr_1-x", nombre(n_puits))
    lignes = [f"Indice du puits à {lam:.1f} nm ({origine_E}) : {n_puits:.4f} (nr_x = nr_1-x)"]
    if not guide:
        return lignes
    couches = couches_du_centre(c)
    noms = [couche[0] for couche in couches]
    indices = [n_puits if couche is puits else conception.indice_couche(bib, couche[1], T, E) for couche in couches]
    largeurs = [couche[2] for couche in couches]
    pile = [(n, None if l is None else l * 1e-10) for n, l in zip(indices, largeurs)]   # Å -> m
    modes = {pol: guide_onde.mode(pile, lam * 1e-9, pol) for pol in (guide_onde.TE, guide_onde.TM)}
    if modes[guide_onde.TE] is None or modes[guide_onde.TM] is None:
        raise Refus(f"le guide {' / '.join(noms)} ne guide aucun mode à {lam:.1f} nm : la gaine "
                    f"({indices[-1]:.4f}) doit être d'indice plus bas que le cœur")
    lignes.append("  couches du centre vers la gaine : " + ", ".join(
        f"{nm} {n:.4f}" + (f" ({nombre(l)} Å)" if l is not None else " (gaine semi-infinie)")
        for nm, n, l in zip(noms, indices, largeurs)))
    for pol, m in modes.items():
        m["puits"] = confinements_des_puits(couches, puits, m["parts"])
        m["confinement"] = sum(m["puits"])
        lignes.append(f"  mode {pol}0 : n_eff = {m['neff']:.5f}, Γ_{pol} = {m['confinement']:.5f}"
                      + (f" ({len(m['puits'])} puits : {', '.join(f'{g:.5f}' for g in m['puits'])})"
                         if len(m["puits"]) > 1 else "")
                      + f", largeur à mi-hauteur de la puissance {m['largeur'] * 1e9:.0f} nm")
    c.modes, c.couches_guide, c.noms_guide, c.longueur_onde_guide = modes, pile, noms_du_trace(c), lam * 1e-9
    return lignes


def noms_du_trace(c):
    """The layers named in the figure's title, from the centre outward: a
    stack as one entry (its wells and inner barriers), not each of its layers."""
    pile = [c.puits[0]] if c.nombre_puits == 1 else [
        f"{c.nombre_puits} puits {c.puits[0]} séparés par {c.entre_puits[0]}"]
    return pile + [c.barriere[0]] + [couche[0] for couche in c.guide]


def couches_du_centre(c):
    """The layers of the guide from its centre outward: the stack of
    nombre_puits wells with the inner barriers between them and an outer
    barrier on each side, then the guide's layers. The centre is the middle
    well of an odd stack, the middle inner barrier of an even one."""
    pile = [c.barriere, c.puits]
    for _ in range(c.nombre_puits - 1):
        pile += [c.entre_puits, c.puits]
    pile.append(c.barriere)
    return pile[len(pile) // 2:] + list(c.guide)


def confinements_des_puits(couches, puits, parts):
    """Gamma of each well, from one side of the stack to the other: the
    centre layer's share is one well's, any other layer's that of its two
    mirror copies."""
    un_cote = [parts[i] / (1 if i == 0 else 2) for i, couche in enumerate(couches) if couche is puits]
    centre = [un_cote.pop(0)] if couches[0] is puits else []
    return un_cote[::-1] + centre + un_cote


def ecrire_confinement(c):
    if not c.guide:
        c.dire(f"  systeme.facteur_confinement = {c.valeur_de('systeme.facteur_confinement')} "
               f"({c.origine} ; --guide pour le calculer)")
        return
    c.choisir("systeme.facteur_confinement", nombre(round(c.modes[guide_onde.TE]["confinement"], 6)),
              "Γ_TE du guide")
    c.choisir("systeme.facteur_confinement_tm", nombre(round(c.modes[guide_onde.TM]["confinement"], 6)),
              "Γ_TM du guide")
