"""Figures of merit a laser designer quotes, from a read run folder.

The threshold, the cavity, the levels and the polarisation are gain's, from
its run record; the fits of the gain against density and current are made
here, over the parameter file.

Entry points:
    figures_de_merite(dossier) -> dict     the figures of merit of one run
    ajuster_log(x, g)                      g = g0 ln(x/x_tr) over the points g > 0
"""
import numpy as np

from .dossier import lire_dossier


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


# Keys of figures_de_merite, with their unit, in the order of resume.txt.
GRANDEURS = {
    "Ntr_cm3": "densité de transparence (ajustement g = g0·ln(N/Ntr)), cm⁻³",
    "g0_cm1": "coefficient de gain matériau g0, cm⁻¹",
    "Jtr_A_cm2": "densité de courant de transparence (ajustement g = gJ·ln(J/Jtr)), A/cm²",
    "gJ_cm1": "coefficient gJ, cm⁻¹",
    "Nth_cm3": "densité de seuil interpolée par gain, cm⁻³",
    "Jth_A_cm2": "densité de courant de seuil interpolée par gain, A/cm²",
    "Ith_mA": "courant de seuil de la bande (Jth × largeur_contact × longueur_puce), mA",
    "rendement_W_A": "rendement différentiel de la courbe P-I (gain), W/A",
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
    if r.releve is not None and r.releve.polarisation == "TM":
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


SANS_RELEVE = "inconnu (pas de fichier des résultats)"


def _seuil(fm, r):
    """Threshold quantities: gain's closing summary, from its run record."""
    p = r.parametres
    i = indice_seuil(p)
    fm["seuil_atteint"] = i is not None
    fm["Gth_cm1"] = float(p.Gth[i if i is not None else -1])
    if i is None:
        _indisponible(fm, SEUIL, "seuil non atteint")
        return
    if r.releve is None:
        _indisponible(fm, SEUIL, SANS_RELEVE)
        return
    s = r.releve.seuil
    if i > 0:
        fm["N_encadrement_cm3"] = (float(p.N[i - 1]), float(p.N[i]))
    for cle, cle_gain in (("Nth_cm3", "Nth_cm3"), ("Jth_A_cm2", "Jth_A_cm2"), ("Ith_mA", "Ith_mA"),
                          ("lambda_emission_nm", "lambda_nm"), ("cavite", "cavite"), ("rendement_W_A", "pente_W_A")):
        fm[cle] = s.get(cle_gain)
    _indisponible(fm, SEUIL, "absent du fichier des résultats")


def _niveaux(fm, r):
    """First levels of the run record and the first transitions (their
    wavelengths with gain's own h c)."""
    c = r.releve
    hc = c.constantes["h_c_meV_nm"]
    for bande in ("E", "HH", "LH"):
        if c.niveaux[bande]:
            fm[bande + "1_meV"] = c.niveaux[bande][0]
        else:
            _indisponible(fm, [bande + "1_meV"], f"aucun niveau {bande} lié")
    Eg = c.Eg_puits_eV
    if fm["E1_meV"] is not None and fm["HH1_meV"] is not None:
        fm["E1_HH1_meV"] = 1000 * Eg + fm["E1_meV"] + fm["HH1_meV"]
        fm["lambda_E1_HH1_nm"] = hc / fm["E1_HH1_meV"]
    else:
        _indisponible(fm, ["lambda_E1_HH1_nm"], "niveau E1 ou HH1 inconnu")
    # The hole on top is the one nearest the valence edge: the smallest on the hole axis.
    trous = [(fm[b + "1_meV"], b) for b in ("HH", "LH") if fm[b + "1_meV"] is not None]
    if fm["E1_meV"] is not None and trous:
        niveau, bande = min(trous)
        fm["transition"] = f"E1-{bande}1"
        fm["E1_trou1_meV"] = 1000 * Eg + fm["E1_meV"] + niveau
        fm["lambda_transition_nm"] = hc / fm["E1_trou1_meV"]
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
    if r.releve is None and r.derniere_ligne:
        # gain puts its record in place at the normal end only
        fm["avertissements"].append(f"pas de fichier des résultats : calcul arrêté, ou sans la clé ; dernière "
                                    f"ligne de la console : « {r.derniere_ligne} »")
    p = r.parametres
    if p is None or len(p.N) == 0:
        raison = ("aucune densité dans le fichier des paramètres" if p is not None else
                  "fichier des paramètres illisible" if r.problemes else "pas de fichier des paramètres")
        _indisponible(fm, ("Ntr_cm3", "g0_cm1", "Jtr_A_cm2", "gJ_cm1") + SEUIL, raison)
    else:
        fm["nb_densites"] = len(p.N)
        fm["Gmax_max_cm1"] = float(np.max(p.Gmax))
        _ajustements(fm, r)
        _seuil(fm, r)
    if r.releve is None:
        _indisponible(fm, NIVEAUX, SANS_RELEVE)
    else:
        _niveaux(fm, r)
    return fm


def figures_de_merite(dossier, gain=None):
    """Figures of merit of the run in `dossier`, as a dict:

    Ntr_cm3, g0_cm1      fit of the material gain g = Gmax/Γ = g0 ln(N/Ntr)
                         over the densities above transparency (cm-3, cm-1)
    Jtr_A_cm2, gJ_cm1    the same against J = Jnr + Jrad (A/cm2, cm-1)
    Nth_cm3, Jth_A_cm2   threshold density and current density, as gain
                         interpolates them (its run record)
    Ith_mA               threshold current of the stripe (mA), gain's
    rendement_W_A        slope of the P-I curve above threshold (W/A), gain's
    lambda_emission_nm   emission wavelength at threshold (nm), gain's
    cavite               "puce" or "Bragg": the cavity that lases, gain's
    E1_meV, HH1_meV, LH1_meV   first zone-centre levels (meV; holes on the
                         hole axis, positive downwards), from the run record
    lambda_E1_HH1_nm     wavelength of the E1-HH1 transition (nm)
    transition, lambda_transition_nm   the first transition, "E1-HH1" or
                         "E1-LH1" (the hole on top), and its wavelength (nm)
    polarisation         "TE" or "TM": the mode that lases at threshold
    seuil_atteint        True, False, or None without a parameter file
    nb_densites          passes in the parameter file
    indisponible         {key: reason} for every quantity above left at None
    problemes            messages on missing or damaged result files
    avertissements       a run that did not end, with the message it stopped on

    A quantity that cannot be had is None, never estimated. Raises
    ErreurLecture only when config.ini is missing, unreadable or refused by gain."""
    return calculer_figures_de_merite(lire_dossier(dossier, gain))
