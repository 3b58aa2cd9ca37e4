"""Readers of a gain run folder, and the figures of merit a laser designer quotes.

A run folder holds config.ini and the files it names in its [sortie] section;
`make run` adds console.txt, what gain printed. config.ini is gain's to read:
`gain --verifier` gives its keys and material model (verification_gain);
everything else here reads the result files as gain wrote them.

Entry points:
    figures_de_merite(dossier) -> dict     the figures of merit of one run
    lire_dossier(dossier) -> Resultats     every file of the run, parsed
    ajuster_log(x, g)                      g = g0 ln(x/x_tr) over the points g > 0
    seuil_interpole(parametres)            Nth, Jth as gain interpolates them

Units are gain's: energies meV (hole energies counted positive downwards from
the valence edge of the unstrained well), densities cm-3, gains cm-1, current
densities A/cm2, currents A in the P-I file, wavelengths nm, k in m-1, z in A.
"""
import dataclasses
import math
import os
import re

import numpy as np

from verification_gain import ErreurLecture, Verification, verifier_dossier

FICHIER_CONFIG = "config.ini"
FICHIER_CONSOLE = "console.txt"

# Photon energy (meV) to wavelength (nm), the constant gain uses for the
# emission wavelength of its parameter file.
HC_MEV_NM = 1240000.0
# 2 pi hbar c (J m) and q (C): gain's photon energy of the Bragg wavelength.
DEUX_PI_HBAR_C = 1.9878364683736348e-25
Q = 1.60218e-19


def energies_spectre(debut_E, fin_E):
    """Photon energies of one spectrum, as gain steps them (1 meV from debut_E)."""
    energies, E = [], debut_E
    while E <= fin_E:
        energies.append(E)
        E += 1.0
    return np.array(energies)


def energie_bragg_meV(lambda_nm):
    """Photon energy of the Bragg wavelength, gain's formula (meV)."""
    return DEUX_PI_HBAR_C / (lambda_nm * 1e-9 * Q) * 1000


# ---------------------------------------------------------------------------
# The result files
# ---------------------------------------------------------------------------

@dataclasses.dataclass
class Spectres:
    """The gain file: one spectrum per density pass, on the same energies."""
    energies: np.ndarray  # photon energy, meV (nE)
    te: np.ndarray        # material TE gain, cm-1 (n passes x nE)
    tm: np.ndarray        # material TM gain, cm-1
    rsp: np.ndarray       # the Rsp column, as written


@dataclasses.dataclass
class Parametres:
    """The parameter file: one line per density pass."""
    N: np.ndarray       # carrier density, cm-3
    Gmax: np.ndarray    # peak modal TE gain, cm-1
    Gth: np.ndarray     # threshold gain of the winning cavity, cm-1
    Jnr: np.ndarray     # A/cm2
    Jrad: np.ndarray    # A/cm2
    Jth: np.ndarray     # A/cm2, interpolated on the line where threshold is crossed
    lambda_nm: np.ndarray  # emission wavelength, nm

    @property
    def J(self):
        """Current density of each pass, Jnr + Jrad (A/cm2)."""
        return self.Jnr + self.Jrad


@dataclasses.dataclass
class CourbePI:
    courant: np.ndarray  # A
    puissance: np.ndarray  # W, fibre-side facet, negative below threshold as gain writes it


@dataclasses.dataclass
class Dispersion:
    """Hole subbands E(k): level n of every k point scanned (hole axis, meV)."""
    kx: np.ndarray       # m-1
    ky: np.ndarray       # m-1
    niveaux: np.ndarray  # (points x branches), NaN where a point has fewer levels
    branche_lh: np.ndarray  # 1: light-hole branch, 0: heavy-hole branch


@dataclasses.dataclass
class Enveloppes:
    z: np.ndarray   # position across the structure, A
    noms: list      # "E1", "HH1", "LH1", ...
    psi: np.ndarray  # (positions x levels), normalised envelopes


@dataclasses.dataclass
class Console:
    """What console.txt tells that no result file holds."""
    Vc_meV: float = None
    Eg_puits_eV: float = None
    Eg_barriere_eV: float = None
    niveaux: dict = dataclasses.field(default_factory=lambda: {"E": [], "HH": [], "LH": []})  # meV
    densites: list = dataclasses.field(default_factory=list)  # cm-3, one per pass begun
    cavites: list = dataclasses.field(default_factory=list)   # "puce" / "Bragg", one per pass finished
    polarisation: str = "TE"  # of the threshold: gain names it in its summary when it is TM
    termine: bool = False
    derniere_ligne: str = ""


def _lire_octets(chemin, quoi):
    try:
        with open(chemin, "rb") as f:
            return f.read()
    except FileNotFoundError:
        raise ErreurLecture(f"{quoi} « {chemin} » absent") from None
    except OSError as e:
        raise ErreurLecture(f"{quoi} « {chemin} » illisible ({e.strerror})") from None


def _table(chemin, quoi, nb_colonnes, entete):
    """Header and rows of numbers of a tab-separated file. An empty file, a
    missing header or a row cut short is an ErreurLecture naming the line;
    a last row cut short (a run stopped while writing) is dropped and
    reported in the second value."""
    donnees = _lire_octets(chemin, quoi)
    if not donnees:
        raise ErreurLecture(f"{quoi} « {chemin} » vide : le calcul s'est arrêté avant de l'écrire")
    lignes = donnees.split(b"\n")
    if len(lignes) == 1:
        raise ErreurLecture(f"{quoi} « {chemin} » tronqué dans son en-tête")
    if not lignes[0].startswith(entete):
        raise ErreurLecture(f"{quoi} « {chemin} » : en-tête inattendu (« {lignes[0][:60].decode('cp1252', 'replace')} »)")
    dernier_incomplet = lignes[-1] != b""  # gain ends every line it writes
    corps = lignes[1:] if not dernier_incomplet else lignes[1:-1]
    if corps and corps[-1] == b"" and not dernier_incomplet:
        corps = corps[:-1]
    lignes_lues = []
    for numero, ligne in enumerate(corps, start=2):
        champs = ligne.split(b"\t")
        try:
            valeurs = [float(c) for c in champs]
        except ValueError:
            valeurs = None
        if valeurs is None or (nb_colonnes and len(valeurs) != nb_colonnes):
            raise ErreurLecture(f"{quoi} « {chemin} », ligne {numero} illisible : « {ligne[:80].decode('latin-1')} »")
        lignes_lues.append(valeurs)
    probleme = None
    if dernier_incomplet:
        probleme = (f"{quoi} « {chemin} » tronqué : la ligne {len(lignes)} est inachevée "
                    f"(calcul interrompu pendant l'écriture), elle est ignorée")
    return lignes_lues, probleme


def lire_parametres(chemin):
    """Parameter file; returns (Parametres, problem or None)."""
    lignes, probleme = _table(chemin, "fichier des paramètres", 7, b"Nth (cm-3)\t")
    t = np.array(lignes, dtype=float).reshape(-1, 7)
    return Parametres(*(t[:, i] for i in range(7))), probleme


def lire_spectres(chemin, debut_E, fin_E):
    """Gain file, cut into one spectrum per density on gain's energy grid;
    returns (Spectres, problem or None). A last spectrum cut short is dropped
    and reported."""
    lignes, probleme = _table(chemin, "fichier de gain", 4, b"Energie(meV)\t")
    energies = energies_spectre(debut_E, fin_E)
    nE = len(energies)
    t = np.array(lignes, dtype=float).reshape(-1, 4)
    if nE == 0:
        if len(t):
            raise ErreurLecture(f"fichier de gain « {chemin} » : des lignes alors que fin_E < debut_E dans config.ini")
        vide = np.empty((0, 0))
        return Spectres(energies, vide, vide, vide), probleme
    complets = len(t) // nE
    reste = len(t) - complets * nE
    if reste:
        probleme = (f"fichier de gain « {chemin} » tronqué : la densité n° {complets + 1} n'a que {reste} "
                    f"énergies sur {nE} (calcul interrompu), elle est ignorée")
    t = t[: complets * nE].reshape(complets, nE, 4)
    attendu = np.broadcast_to(energies, (complets, nE))
    ecart = np.abs(t[:, :, 0] - attendu) > 1e-6 * np.maximum(1.0, np.abs(attendu))
    if ecart.any():
        bloc, i = np.argwhere(ecart)[0]
        raise ErreurLecture(f"fichier de gain « {chemin} », ligne {2 + bloc * nE + i} : énergie {t[bloc, i, 0]:g} meV "
                            f"où {energies[i]:g} meV était attendu (debut_E, fin_E de config.ini)")
    return Spectres(energies, t[:, :, 1], t[:, :, 2], t[:, :, 3]), probleme


def lire_pi(chemin):
    """P-I file; header only when gain found no threshold. Returns (CourbePI, problem)."""
    lignes, probleme = _table(chemin, "fichier P-I", 2, b"Courant (A)\t")
    t = np.array(lignes, dtype=float).reshape(-1, 2)
    return CourbePI(t[:, 0], t[:, 1]), probleme


def lire_dispersion(chemin):
    """Dispersion file: rows kx, ky, levels..., then the branche_lh line."""
    donnees = _lire_octets(chemin, "fichier de dispersion")
    lignes = donnees.split(b"\n")
    if not lignes[0].startswith(b"kx (m-1)\t"):
        raise ErreurLecture(f"fichier de dispersion « {chemin} » vide ou sans son en-tête")
    fin = [i for i, l in enumerate(lignes) if l.startswith(b"branche_lh")]
    if not fin or lignes[-1] != b"":
        raise ErreurLecture(f"fichier de dispersion « {chemin} » tronqué : la ligne branche_lh manque")
    points = []
    for numero, ligne in enumerate(lignes[1 : fin[0]], start=2):
        try:
            points.append([float(c) for c in ligne.split(b"\t")])
        except ValueError:
            raise ErreurLecture(f"fichier de dispersion « {chemin} », ligne {numero} illisible") from None
        if len(points[-1]) < 2:
            raise ErreurLecture(f"fichier de dispersion « {chemin} », ligne {numero} sans kx et ky")
    drapeaux = np.array([int(c) for c in lignes[fin[0]].split(b"\t")[1:]], dtype=int)
    nb = max([len(p) - 2 for p in points] + [len(drapeaux), 0])
    niveaux = np.full((len(points), nb), np.nan)
    for i, p in enumerate(points):
        niveaux[i, : len(p) - 2] = p[2:]
    kx = np.array([p[0] for p in points])
    ky = np.array([p[1] for p in points])
    return Dispersion(kx, ky, niveaux, drapeaux)


def lire_enveloppes(chemin):
    donnees = _lire_octets(chemin, "fichier des enveloppes")
    lignes = donnees.split(b"\n")
    if not lignes[0].startswith(b"z (A)"):
        raise ErreurLecture(f"fichier des enveloppes « {chemin} » vide ou sans son en-tête")
    noms = [n.decode() for n in lignes[0].split(b"\t")[1:]]
    lignes_lues, probleme = _table(chemin, "fichier des enveloppes", len(noms) + 1, b"z (A)")
    if probleme:
        raise ErreurLecture(probleme.replace(", elle est ignorée", ""))
    t = np.array(lignes_lues, dtype=float).reshape(-1, len(noms) + 1)
    return Enveloppes(t[:, 0], noms, t[:, 1:])


_LIGNE_VC = re.compile(r"Vc:\s*(\S+)\s*meV\s+Eg_Puits:\s*(\S+?)\s*m?eV\s+Eg_Barriere:\s*(\S+?)\s*m?eV")
_ENTETES_NIVEAUX = {"Niveaux E dans la BC": "E", "Niveaux HH dans la BV": "HH", "Niveaux LH dans la BV": "LH"}
_LIGNE_N = re.compile(r"Calcul du gain pour N = (\S+?)\.\.\.")


def lire_console(chemin):
    """console.txt (UTF-8; other lines than those below are ignored)."""
    texte = _lire_octets(chemin, "console").decode("utf-8", "replace")
    c = Console()
    bande = None
    for ligne in texte.splitlines():
        ligne = ligne.strip()
        if bande is not None:
            try:
                c.niveaux[bande].append(float(ligne))
                continue
            except ValueError:
                bande = None
        if m := _LIGNE_VC.match(ligne):
            try:
                c.Vc_meV, c.Eg_puits_eV, c.Eg_barriere_eV = (float(v) for v in m.groups())
            except ValueError:
                pass
        elif any(ligne.startswith(e) for e in _ENTETES_NIVEAUX):
            bande = next(b for e, b in _ENTETES_NIVEAUX.items() if ligne.startswith(e))
            c.niveaux[bande] = []
        elif m := _LIGNE_N.match(ligne):
            c.densites.append(float(m.group(1)))
        elif ligne in ("Accroche puce", "Accroche Bragg"):
            c.cavites.append("puce" if ligne.endswith("puce") else "Bragg")
        elif ligne.startswith("polarisation : TM"):
            c.polarisation = "TM"
        elif ligne.startswith("Calculs termin"):
            c.termine = True
        if ligne:
            c.derniere_ligne = ligne
    return c


# ---------------------------------------------------------------------------
# A whole run folder
# ---------------------------------------------------------------------------

@dataclasses.dataclass
class Resultats:
    """Everything a run folder holds. A file that could not be had is None,
    with its reason in `problemes` (required files) or `absents` (optional)."""
    dossier: str
    config: Verification  # gain's reading of config.ini
    parametres: Parametres = None
    spectres: Spectres = None
    pi: CourbePI = None
    dispersion: Dispersion = None
    enveloppes: Enveloppes = None
    console: Console = None
    problemes: list = dataclasses.field(default_factory=list)  # damaged or missing result files
    absents: list = dataclasses.field(default_factory=list)    # optional files the run does not have

    def densites(self):
        """Density of each spectrum of the gain file (cm-3): the parameter
        file's, else the console's (a pass stopped before its line)."""
        n = 0 if self.spectres is None else len(self.spectres.te)
        connues = list(self.parametres.N) if self.parametres is not None else []
        if len(connues) < n and self.console is not None:
            connues += self.console.densites[len(connues) : n]
        return np.array(connues[:n]) if len(connues) >= n else None


def lire_config(dossier, gain=None):
    """gain's reading of the folder's config.ini (verification_gain.Verification).
    A config.ini that cannot be opened or that gain refuses (a run would stop
    on it, so no result of the folder is its), or a gain that cannot be run,
    raises ErreurLecture."""
    chemin = os.path.join(os.fspath(dossier), FICHIER_CONFIG)
    try:
        with open(chemin, "rb"):
            pass
    except OSError as e:
        raise ErreurLecture(f"{chemin} : fichier de configuration illisible ou absent ({e.strerror})") from e
    cfg = verifier_dossier(dossier, gain)
    if cfg.refus():
        raise ErreurLecture(cfg.refus())
    return cfg


def lire_dossier(dossier, gain=None):
    """Reads a run folder. Only config.ini (missing, unreadable, refused by
    gain, or no gain to read it) raises ErreurLecture; every other file that
    cannot be read is reported."""
    dossier = os.fspath(dossier)
    cfg = lire_config(dossier, gain)
    r = Resultats(dossier, cfg)

    def fichier(cle, requis):
        chemin = cfg.fichier(cle, dossier)
        if chemin is None:
            (r.problemes if requis else r.absents).append(
                f"{cfg.chemin} ne nomme pas de fichier {cle} dans sa section [sortie]")
        return chemin

    def lire(attribut, lecteur, *args):
        try:
            valeur = lecteur(*args)
        except ErreurLecture as e:
            r.problemes.append(str(e))
            return
        if isinstance(valeur, tuple):
            valeur, probleme = valeur
            if probleme:
                r.problemes.append(probleme)
        setattr(r, attribut, valeur)

    if chemin := fichier("fichier_param", True):
        lire("parametres", lire_parametres, chemin)
    if chemin := fichier("fichier_gain", True):
        try:
            bornes = cfg.reel("calcul", "debut_E"), cfg.reel("calcul", "fin_E")
        except ErreurLecture as e:
            r.problemes.append(str(e))
        else:
            lire("spectres", lire_spectres, chemin, *bornes)
    if chemin := fichier("fichier_P-I", True):
        lire("pi", lire_pi, chemin)
    for cle, attribut, lecteur in (("fichier_dispersion", "dispersion", lire_dispersion),
                                   ("fichier_enveloppes", "enveloppes", lire_enveloppes)):
        chemin = fichier(cle, False)
        if chemin is None:
            continue
        if not os.path.exists(chemin):
            r.absents.append(f"{cle} « {chemin} » absent")
            continue
        lire(attribut, lecteur, chemin)
    console = os.path.join(dossier, FICHIER_CONSOLE)
    if os.path.exists(console):
        lire("console", lire_console, console)
    else:
        r.absents.append(f"{FICHIER_CONSOLE} absent (lancez le calcul par make run pour le garder) : "
                         "niveaux et cavité inconnus")
    return r


# ---------------------------------------------------------------------------
# Figures of merit
# ---------------------------------------------------------------------------

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
