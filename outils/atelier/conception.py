"""Design checks and choices of outils/composer that come from the layers:
the Gamma, X and L gaps of a layer (their temperature laws: lois_gap), the
refractive index of an alloy near the gap, the Matthews-Blakeslee
critical thickness, the transparency density of the well, and the spectral
window and density series of a run, from what gain prints.

A layer is given as {binary: fraction} (one or two binaries, or the four or
three of a quaternary), as composer_couches.analyser_couche returns it.
Energies in eV unless named meV.
"""
import math
import pathlib
import subprocess
import tempfile

from . import alliages, guide_onde, resultats
from .lois_gap import loi, loi_vallee
from .verification import ErreurLecture

# Boltzmann constant in eV/K, hbar in J s, m0 in kg, q in C.
K_B = 8.617333262e-5
HBAR = 1.054571817e-34
M0 = 9.1093837015e-31
Q = 1.602176634e-19


# ---------------------------------------------------------------- gaps of a layer

def gap_alliage(bib, membres, vallee, T):
    """Unstrained gap of valley `vallee` (Gamma, X or L) of a layer at T, with
    the library's bowing; None when the library lacks the valley or bowing."""
    if len(membres) > 2:   # a quaternary: its ternary sides' bowings
        return alliages.gap(bib, membres, vallee, T)
    noms = list(membres)
    lois = [loi_vallee(bib, m, vallee) for m in noms]
    if any(l is None for l in lois):
        return None
    gaps = [loi(l, T) for l in lois]
    if len(noms) == 1:
        return gaps[0]
    t = membres[noms[0]]
    lineaire = t * gaps[0] + (1 - t) * gaps[1]
    terne = bib["ternaires_par_paire"].get(frozenset(noms))
    if terne is None:
        return None
    s = membres[terne["variable"]]
    if vallee == "Gamma":
        coefs = terne.get("bowing_Eg_Gamma")
    else:
        coefs = bib.get("bowing_vallees", {}).get(terne["nom"], {}).get(vallee)
        coefs = None if coefs is None else [coefs]
    if coefs is None:
        return None
    C = sum(c * s ** k for k, c in enumerate(coefs))
    return lineaire - t * (1 - t) * C


# ---------------------------------------------------------------- index

def indice_couche(bib, membres, T, E):
    """Refractive index of a layer at photon energy E (eV), the model of the
    library's [indice] tables
    with A0, B0 and the spin-orbit splitting interpolated linearly between
    the binaries and E0 the layer's own unstrained Gamma gap at T."""
    A0 = B0 = D0 = 0.0
    for m, f in membres.items():
        p = bib["indice"][m]
        A0 += f * p["A0"]
        B0 += f * p["B0"]
        D0 += f * p["Delta_so"]
    E0 = gap_alliage(bib, membres, "Gamma", T)
    return guide_onde.indice_pres_du_gap(A0, B0, E0, D0, E)


# ---------------------------------------------------------------- strain

def epaisseur_critique(a_couche, a_substrat, C11, C12):
    """Matthews-Blakeslee critical thickness (Å) of a layer of relaxed
    lattice constant a_couche on a substrate a_substrat, for 60° misfit
    dislocations (Burgers vector a/sqrt(2), cos(alpha) = cos(lambda) = 1/2):
        h = b (1 - nu/4) / (pi f (1 + nu)) (ln(h/b) + 1),
    nu = C12/(C11 + C12) the Poisson ratio of a (001) layer. None without
    mismatch."""
    f = abs(a_substrat - a_couche) / a_substrat
    if f == 0:
        return None
    b = a_couche / math.sqrt(2)
    nu = C12 / (C11 + C12)
    facteur = b * (1 - nu / 4) / (math.pi * f * (1 + nu))
    h = 10 * b   # fixed point from above the solution: converges monotonically
    for _ in range(200):
        nouveau = facteur * (math.log(h / b) + 1)
        if nouveau <= b:
            return b   # strain so large that not even one Burgers vector holds
        if abs(nouveau - h) < 1e-9 * h:
            return nouveau
        h = nouveau
    return h


# ---------------------------------------------------------------- carriers

def densite_transparence(me, mh, T, largeur):
    """Transparency density (cm^-3) of a well with one conduction subband of
    in-plane mass me and one hole subband of mass mh (m0): the 2-D densities
    of electrons and holes are equal when the quasi-Fermi levels are the
    subband edges' separation, i.e. me ln(1 + e^eta) = mh ln(1 + e^-eta)."""
    a, b = -40.0, 40.0
    for _ in range(200):
        eta = 0.5 * (a + b)
        if me * math.log1p(math.exp(eta)) > mh * math.log1p(math.exp(-eta)):
            b = eta
        else:
            a = eta
    kT = K_B * T * Q   # eV -> J
    n2d = me * M0 * kT / (math.pi * HBAR * HBAR) * math.log1p(math.exp(eta))   # m^-2
    return n2d / (largeur * 1e-10) * 1e-6   # m^-2 / (Å -> m) -> m^-3 -> cm^-3


# ---------------------------------------------------------------- gain runs

def lancer_gain(gain, config, arguments=()):
    """gain on config bytes in a temporary folder, its run record named in
    them: (exit status, console, the record or None when gain wrote none)."""
    with tempfile.TemporaryDirectory(prefix="composer-") as dossier:
        chemin = pathlib.Path(dossier)
        (chemin / "config.ini").write_bytes(resultats.regler_sortie(config))
        fini = subprocess.run([str(gain), *arguments], cwd=chemin, capture_output=True, timeout=1800,
                              check=False)
        console = fini.stdout.decode("utf-8", errors="replace")
        try:
            releve = resultats.lire_resultats(chemin / resultats.NOM)
        except ErreurLecture:
            releve = None
    return fini.returncode, console, releve


def seuil(releve):
    """(Nth cm^-3, emission wavelength nm) of gain's run record, or None;
    each to the digits gain's summary gives it (%e, %f), so that what the
    composer derives from a trial run does not hang on its last bits."""
    s = (releve or {}).get("seuil") or {}
    if s.get("Nth_cm3") is None or s.get("lambda_nm") is None:
        return None
    return float(f"{s['Nth_cm3']:e}"), float(f"{s['lambda_nm']:f}")


def premiere_transition(Eg_puits, lus):
    """Energy (meV) of the first zone-centre transition E1-HH1 or E1-LH1,
    as gain forms a transition: 1000 Eg + electron level + hole level."""
    if not lus["E"] or not (lus["HH"] or lus["LH"]):
        return None
    trou = min(lus["HH"] + lus["LH"])
    return 1000 * Eg_puits + lus["E"][0] + trou


def fenetre(E1):
    """Spectral window (meV, whole): 50 meV below the first transition to 150 above."""
    return math.floor(E1 - 50), math.ceil(E1 + 150)


def arrondi(v):
    """One significant digit, downward: the density step and start."""
    puissance = 10 ** math.floor(math.log10(v))
    return math.floor(v / puissance) * puissance


def serie(Nth):
    """(first density, count, step) of a series that starts at half the
    threshold density and crosses it in 5 to 10 steps (the step is Nth/10
    rounded down to one digit), running on to 1.5 Nth when gain does not
    stop at threshold."""
    pas = arrondi(Nth / 10)
    debut = max(pas, math.floor(0.5 * Nth / pas) * pas)
    nombre = math.ceil((1.5 * Nth - debut) / pas) + 1
    return float(f"{debut:.6g}"), nombre, float(f"{pas:.6g}")
