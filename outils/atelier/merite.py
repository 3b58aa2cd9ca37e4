"""Figures of merit a laser designer quotes, from a read run folder.

Entry points:
    figures_de_merite(dossier) -> dict     the figures of merit of one run
    ajuster_log(x, g)                      g = g0 ln(x/x_tr) over the points g > 0
    seuil_interpole(parametres)            Nth, Jth as gain interpolates them
"""
import math

import numpy as np

from .dossier import lire_dossier
from .fichiers import HC_MEV_NM


def ajuster_log(x, g):
    """Least-squares fit of g = g0 ln(x / x_tr) over the points above
    transparency (g > 0). Returns (g0, x_tr, number of points), g0 in the unit
    of g and x_tr in that of x, or None with fewer than two such points (or
    no spread in x)."""
    x, g = np.asarray(x, dtype=float), np.asarray(g, dtype=float)
    garde = (g > 0) & (x > 0) & np.isfinite(g) & np.isfinite(x)
    if garde.sum() < 2 or np.ptp(np.log(x[garde])) == 0:
        return None
    pente, origine = np.polyfit(np.log(x[garde]), g[garde], 1)
    if pente == 0:
        return None
    return float(pente), float(np.exp(-origine / pente)), int(garde.sum())


def indice_seuil(p):
    """Index of the first pass whose peak modal gain reaches the cavity's
    threshold gain, or None."""
    atteint = np.nonzero(p.Gmax >= p.Gth)[0]
    return int(atteint[0]) if len(atteint) else None


def seuil_interpole(p):
    """(Nth cm-3, Jth A/cm2, index) as gain interpolates them: gain and current
    taken linear in N between the last pass below threshold and the first at
    or above it; None when threshold is not reached or has no pass before it."""
    i = indice_seuil(p)
    if i is None or i == 0:
        return None
    N0, N = p.N[i - 1], p.N[i]
    a = (p.Gmax[i] - p.Gmax[i - 1]) / (N - N0)
    b = (p.J[i] - p.J[i - 1]) / (N - N0)
    g0 = p.Gmax[i] - a * N
    Nth = (p.Gth[i] - g0) / a
    return float(Nth), float(p.J[i] + b * (Nth - N)), i


def gains_cavites(cfg):
    """Threshold modal gain of the chip cavity and of the grating cavity (cm-1)."""
    L = cfg.reel("systeme", "longueur_puce")
    Rmin, Rmax = cfg.reel("systeme", "Rmin"), cfg.reel("systeme", "Rmax")
    eta, RB = cfg.reel("bragg", "couplage_puce_fibre"), cfg.reel("bragg", "Rbragg")
    X = math.exp(-2 * cfg.reel("bragg", "attenuation") * cfg.reel("bragg", "longueur_fibre"))
    R_eff = abs(Rmin + eta**2 * (1 - Rmin) ** 2 * RB * X / (1 - eta**2 * Rmin * RB * X))
    alpha = cfg.reel("systeme", "pertes_internes")
    with np.errstate(all="ignore"):
        return (float(alpha + np.log(1 / (Rmax * Rmin)) / (2 * L)),
                float(alpha + np.log(1 / (Rmax * R_eff)) / (2 * L)))


# Keys of figures_de_merite, with their unit, in the order of resume.txt.
GRANDEURS = {
    "Ntr_cm3": "densité de transparence (ajustement g = g0·ln(N/Ntr)), cm⁻³",
    "g0_cm1": "coefficient de gain matériau g0, cm⁻¹",
    "Jtr_A_cm2": "densité de courant de transparence (ajustement g = gJ·ln(J/Jtr)), A/cm²",
    "gJ_cm1": "coefficient gJ, cm⁻¹",
    "Nth_cm3": "densité de seuil interpolée, cm⁻³",
    "Jth_A_cm2": "densité de courant de seuil interpolée, A/cm²",
    "Ith_mA": "courant de seuil de la bande (Jth × largeur_contact × longueur_puce), mA",
    "rendement_W_A": "rendement différentiel de la courbe P-I, W/A",
    "lambda_emission_nm": "longueur d'onde d'émission au seuil, nm",
    "cavite": "cavité qui accroche au seuil : puce ou Bragg",
    "E1_meV": "premier niveau de conduction, meV",
    "HH1_meV": "premier niveau de trous lourds, meV (axe des trous)",
    "LH1_meV": "premier niveau de trous légers, meV (axe des trous)",
    "lambda_E1_HH1_nm": "longueur d'onde de la transition E1-HH1, nm",
    "transition": "première transition : E1-HH1, ou E1-LH1 quand le trou léger est en haut",
    "lambda_transition_nm": "longueur d'onde de la première transition, nm",
    "polarisation": "polarisation qui lase au seuil : TE ou TM",
}


def _indisponible(fm, cles, raison):
    """Marks the quantities still unknown with the reason (the first one given stays)."""
    for c in cles:
        if fm[c] is None:
            fm["indisponible"].setdefault(c, raison)


SEUIL = ("Nth_cm3", "Jth_A_cm2", "Ith_mA", "rendement_W_A", "lambda_emission_nm", "cavite")
NIVEAUX = ("E1_meV", "HH1_meV", "LH1_meV", "lambda_E1_HH1_nm", "transition", "lambda_transition_nm", "polarisation")


def _ajustements(fm, r):
    """g0, Ntr against N and gJ, Jtr against J, on the material gain Gmax/Γ."""
    p = r.parametres
    # Gmax is the modal gain of the mode that lases: Γ_TM divides it when TM does.
    gamma = r.config.reel("systeme", "facteur_confinement")
    if r.console is not None and r.console.polarisation == "TM":
        gamma = r.config.valeur("systeme", "facteur_confinement_tm") or gamma
    for cles, x in ((("g0_cm1", "Ntr_cm3"), p.N), (("gJ_cm1", "Jtr_A_cm2"), p.J)):
        if len(p.N) < 2:
            _indisponible(fm, cles, "une seule densité : pas d'ajustement")
        elif not gamma > 0:
            _indisponible(fm, cles, "facteur_confinement nul : pas de gain matériau")
        elif (ajustement := ajuster_log(x, p.Gmax / gamma)) is None:
            n = int(np.sum(p.Gmax > 0))
            _indisponible(fm, cles, "aucune densité au-dessus de la transparence" if n == 0
                          else "un seul point au-dessus de la transparence : pas d'ajustement")
        else:
            fm[cles[0]], fm[cles[1]] = ajustement[0], ajustement[1]
            fm[cles[0].replace("_cm1", "_points")] = ajustement[2]


def _cavite(fm, r, i):
    """The cavity that lases at pass i: the console's, else the one whose Gth it is."""
    p, cfg = r.parametres, r.config
    cavite, source = None, None
    if r.console is not None and len(r.console.cavites) > i:
        cavite, source = r.console.cavites[i], "console"
    else:
        puce, bragg = gains_cavites(cfg)
        proche = lambda a, b: abs(a - b) <= 1e-6 * max(abs(a), abs(b), 1e-30)  # noqa: E731
        if proche(p.Gth[i], puce) != proche(p.Gth[i], bragg):
            cavite, source = ("puce" if proche(p.Gth[i], puce) else "Bragg"), "Gth"
    fm["cavite"], fm["cavite_source"] = cavite, source
    if cavite is None:
        _indisponible(fm, ["cavite"], "inconnue (pas de console.txt, et Gth ne la désigne pas)")


def _seuil(fm, r):
    """Threshold quantities of the parameter file; returns gain's interpolation or None."""
    p, cfg = r.parametres, r.config
    i = indice_seuil(p)
    fm["seuil_atteint"] = i is not None
    fm["Gth_cm1"] = float(p.Gth[i if i is not None else -1])
    seuil = None
    if i is None:
        _indisponible(fm, SEUIL, "seuil non atteint")
    elif i == 0:
        _indisponible(fm, ["Nth_cm3", "Jth_A_cm2", "Ith_mA", "rendement_W_A"],
                      "seuil déjà atteint à la première densité : pas de point pour interpoler")
    else:
        seuil = seuil_interpole(p)
        fm["Nth_cm3"], fm["Jth_A_cm2"] = seuil[0], seuil[1]
        fm["N_encadrement_cm3"] = (float(p.N[i - 1]), float(p.N[i]))
        W, L = cfg.reel("systeme", "largeur_contact"), cfg.reel("systeme", "longueur_puce")
        fm["Ith_mA"] = seuil[1] * W * L * 1000  # A/cm2 x cm x cm -> A -> mA
    if i is not None:
        fm["lambda_emission_nm"] = float(p.lambda_nm[i])
        _cavite(fm, r, i)
    return seuil


def _rendement(fm, r):
    """Slope of the P-I line, over the currents where the laser emits."""
    if r.pi is None:
        _indisponible(fm, ["rendement_W_A"], "pas de fichier P-I lisible")
        return
    dessus = r.pi.puissance > 0
    if dessus.sum() < 2:
        _indisponible(fm, ["rendement_W_A"], "moins de deux points de la courbe P-I au-dessus du seuil")
        return
    pente, origine = np.polyfit(r.pi.courant[dessus], r.pi.puissance[dessus], 1)
    fm["rendement_W_A"] = float(pente)
    # gain draws its P-I line from the threshold of its last pass:
    # past threshold with arret_seuil=0 that is not the threshold.
    fm["Ith_PI_mA"] = float(-origine / pente * 1000)  # A -> mA
    if abs(fm["Ith_PI_mA"] - fm["Ith_mA"]) > max(0.5, 0.01 * abs(fm["Ith_mA"])):
        fm["avertissements"].append(
            f"la droite P-I du fichier part de {fm['Ith_PI_mA']:.4g} mA et non du courant de seuil "
            f"interpolé {fm['Ith_mA']:.4g} mA (seuil pris au dernier passage de la série)")


def _niveaux(fm, r):
    """First levels of the console and the first transitions."""
    c = r.console
    for bande in ("E", "HH", "LH"):
        if c.niveaux[bande]:
            fm[bande + "1_meV"] = c.niveaux[bande][0]
        else:
            _indisponible(fm, [bande + "1_meV"], f"aucun niveau {bande} dans console.txt")
    Eg = c.Eg_puits_eV if c.Eg_puits_eV is not None else r.config.materiau["Eg_puits_eV"]
    if fm["E1_meV"] is not None and fm["HH1_meV"] is not None and Eg is not None:
        fm["E1_HH1_meV"] = 1000 * Eg + fm["E1_meV"] + fm["HH1_meV"]
        fm["lambda_E1_HH1_nm"] = HC_MEV_NM / fm["E1_HH1_meV"]
    else:
        _indisponible(fm, ["lambda_E1_HH1_nm"], "niveau E1 ou HH1 inconnu")
    # The hole on top is the one nearest the valence edge: the smallest on the hole axis.
    trous = [(fm[b + "1_meV"], b) for b in ("HH", "LH") if fm[b + "1_meV"] is not None]
    if fm["E1_meV"] is not None and trous and Eg is not None:
        niveau, bande = min(trous)
        fm["transition"] = f"E1-{bande}1"
        fm["E1_trou1_meV"] = 1000 * Eg + fm["E1_meV"] + niveau
        fm["lambda_transition_nm"] = HC_MEV_NM / fm["E1_trou1_meV"]
    else:
        _indisponible(fm, ["transition", "lambda_transition_nm"], "niveau E1 ou de trou inconnu")
    fm["polarisation"] = c.polarisation if fm["seuil_atteint"] else None
    if fm["polarisation"] is None:
        _indisponible(fm, ["polarisation"], "seuil non atteint")


def calculer_figures_de_merite(r):
    """Figures of merit of a read run (see figures_de_merite)."""
    fm = {cle: None for cle in GRANDEURS}
    fm.update(seuil_atteint=None, nb_densites=0, indisponible={}, problemes=list(r.problemes),
              avertissements=[], Gth_cm1=None, Gmax_max_cm1=None)
    if r.console is not None and not r.console.termine:
        fm["avertissements"].append(f"le calcul ne s'est pas terminé ; dernière ligne de la console : "
                                    f"« {r.console.derniere_ligne} »")
    p = r.parametres
    seuil = None
    if p is None or len(p.N) == 0:
        raison = ("aucune densité dans le fichier des paramètres" if p is not None else
                  "fichier des paramètres illisible" if r.problemes else "pas de fichier des paramètres")
        _indisponible(fm, ("Ntr_cm3", "g0_cm1", "Jtr_A_cm2", "gJ_cm1") + SEUIL, raison)
    else:
        fm["nb_densites"] = len(p.N)
        fm["Gmax_max_cm1"] = float(np.max(p.Gmax))
        _ajustements(fm, r)
        seuil = _seuil(fm, r)
    if fm["seuil_atteint"] and seuil is not None:
        _rendement(fm, r)
    if r.console is None:
        _indisponible(fm, NIVEAUX, "inconnu (pas de console.txt)")
    else:
        _niveaux(fm, r)
    return fm


def figures_de_merite(dossier, gain=None):
    """Figures of merit of the run in `dossier`, as a dict:

    Ntr_cm3, g0_cm1      fit of the material gain g = Gmax/Γ = g0 ln(N/Ntr)
                         over the densities above transparency (cm-3, cm-1)
    Jtr_A_cm2, gJ_cm1    the same against J = Jnr + Jrad (A/cm2, cm-1)
    Nth_cm3, Jth_A_cm2   threshold density and current density, interpolated
                         as gain does between the passes around threshold
    Ith_mA               threshold current of the stripe, Jth x largeur_contact
                         x longueur_puce (mA)
    rendement_W_A        slope of the P-I curve above threshold (W/A)
    lambda_emission_nm   emission wavelength of the threshold pass (nm)
    cavite               "puce" or "Bragg": the cavity that lases
    E1_meV, HH1_meV, LH1_meV   first zone-centre levels (meV; holes on the
                         hole axis, positive downwards), from console.txt
    lambda_E1_HH1_nm     wavelength of the E1-HH1 transition (nm)
    transition, lambda_transition_nm   the first transition, "E1-HH1" or
                         "E1-LH1" (the hole on top), and its wavelength (nm)
    polarisation         "TE" or "TM": the mode that lases at threshold
    seuil_atteint        True, False, or None without a parameter file
    nb_densites          passes in the parameter file
    indisponible         {key: reason} for every quantity above left at None
    problemes            messages on missing or damaged result files
    avertissements       results that do not hold together (a run that did not
                         end, a P-I line that does not start at Ith)

    A quantity that cannot be had is None, never estimated. Raises
    ErreurLecture only when config.ini is missing, unreadable or refused by gain."""
    return calculer_figures_de_merite(lire_dossier(dossier, gain))
