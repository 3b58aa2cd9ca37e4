"""A whole gain run folder: gain's reading of its config.ini, every result
file it names, its run record among them ([sortie] fichier_resultats: the
levels, the cavities, the threshold and the figures of merit, as numbers).
The console text is never read for a number.

Entry point:
    lire_dossier(dossier) -> Resultats     every file of the run, parsed
"""
import dataclasses
import os

import numpy as np

from . import fichiers, merite_gain, resultats
from .fichiers import CourbePI, Dispersion, Enveloppes, Parametres, Spectres
from .verification import ErreurLecture, Verification, verifier_dossier

FICHIER_CONFIG = "config.ini"
FICHIER_CONSOLE = "console.txt"  # as make run and outils/lancer keep it: read for its last line only


@dataclasses.dataclass
class Releve:
    """What the run record tells that the tab-separated files do not."""
    Vc_meV: float = None
    Eg_puits_eV: float = None
    Eg_barriere_eV: float = None
    niveaux: dict = dataclasses.field(default_factory=lambda: {"E": [], "HH": [], "LH": []})  # meV
    densites: list = dataclasses.field(default_factory=list)  # cm-3, one per pass begun
    cavites: list = dataclasses.field(default_factory=list)   # "puce" / "Bragg", one per pass
    polarisation: str = "TE"  # of the threshold
    seuil: dict = None        # gain's closing summary (Nth_cm3, Jth_A_cm2, Ith_mA, lambda_nm, cavite, pente_W_A...)
    constantes: dict = None
    reseau: dict = None       # the grating: lambda_nm, E_meV, etat
    # gain's figures of merit at and above threshold (merite_gain), from its closing summary
    merite: dict = dataclasses.field(default_factory=dict)
    brut: dict = None         # the whole record


def releve_de(r):
    """The Releve of a run record (resultats.lire_resultats)."""
    m, n, seuil = r["materiau"], r["niveaux_k0"], r.get("seuil") or {}
    return Releve(
        Vc_meV=m["Vc_meV"], Eg_puits_eV=m["Eg_puits_eV"], Eg_barriere_eV=m["Eg_barriere_eV"],
        niveaux={b: list(n[b + "_meV"]) for b in ("E", "HH", "LH")},
        densites=resultats.passes(r, "N_cm3"), cavites=resultats.passes(r, "cavite"),
        polarisation=seuil.get("polarisation") or "TE", seuil=seuil, constantes=r["constantes"], reseau=r["reseau"],
        merite=merite_gain.depuis_resultats(r), brut=r)


def derniere_ligne(chemin):
    """The last line of the console kept beside the run: what a run that
    stopped said last, shown as it stands (no number is read from it)."""
    lignes = [l.strip() for l in fichiers.lire_octets(chemin, "console").decode("utf-8", "replace").splitlines()]
    return next((l for l in reversed(lignes) if l), "")


def lire_releve(chemin):
    """The run record at `chemin` as a Releve; ErreurLecture when it cannot be had."""
    return releve_de(resultats.lire_resultats(chemin))


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
    releve: Releve = None  # the run record
    derniere_ligne: str = None  # of console.txt, when kept
    problemes: list = dataclasses.field(default_factory=list)  # damaged or missing result files
    absents: list = dataclasses.field(default_factory=list)    # optional files the run does not have

    def densites(self):
        """Density of each spectrum of the gain file (cm-3): the parameter
        file's, else the run record's (a pass stopped before its line)."""
        n = 0 if self.spectres is None else len(self.spectres.te)
        connues = list(self.parametres.N) if self.parametres is not None else []
        if len(connues) < n and self.releve is not None:
            connues += self.releve.densites[len(connues) : n]
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


def _fichier_nomme(r, cle, requis):
    """Path of the [sortie] file `cle`; None, reported, when config.ini names none."""
    chemin = r.config.fichier(cle, r.dossier)
    if chemin is None:
        (r.problemes if requis else r.absents).append(
            f"{r.config.chemin} ne nomme pas de fichier {cle} dans sa section [sortie]")
    return chemin


def _lire_dans(r, attribut, lecteur, *args):
    """r.attribut from lecteur(*args); a file that cannot be read is reported, as is
    the problem a reader returns beside its value."""
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


def _lire_resultats(r):
    """The three files every run writes, then the optional ones that exist."""
    cfg = r.config
    if chemin := _fichier_nomme(r, "fichier_param", True):
        _lire_dans(r, "parametres", fichiers.lire_parametres, chemin)
    if chemin := _fichier_nomme(r, "fichier_gain", True):
        try:
            bornes = cfg.reel("calcul", "debut_E"), cfg.reel("calcul", "fin_E")
        except ErreurLecture as e:
            r.problemes.append(str(e))
        else:
            _lire_dans(r, "spectres", fichiers.lire_spectres, chemin, *bornes)
    if chemin := _fichier_nomme(r, "fichier_P-I", True):
        _lire_dans(r, "pi", fichiers.lire_pi, chemin)
    for cle, attribut, lecteur in (("fichier_dispersion", "dispersion", fichiers.lire_dispersion),
                                   ("fichier_enveloppes", "enveloppes", fichiers.lire_enveloppes)):
        chemin = _fichier_nomme(r, cle, False)
        if chemin is None:
            continue
        if not os.path.exists(chemin):
            r.absents.append(f"{cle} « {chemin} » absent")
            continue
        _lire_dans(r, attribut, lecteur, chemin)


def lire_dossier(dossier, gain=None):
    """Reads a run folder. Only config.ini (missing, unreadable, refused by
    gain, or no gain to read it) raises ErreurLecture; every other file that
    cannot be read is reported."""
    dossier = os.fspath(dossier)
    r = Resultats(dossier, lire_config(dossier, gain))
    _lire_resultats(r)
    console = os.path.join(dossier, FICHIER_CONSOLE)
    if os.path.exists(console):
        _lire_dans(r, "derniere_ligne", derniere_ligne, console)
    chemin = r.config.fichier(resultats.CLE, dossier)
    if chemin is None:
        r.absents.append(f"{r.config.chemin} ne nomme pas de fichier des résultats ({resultats.CLE}=resultats.json "
                         "dans [sortie] ; outils/lancer l'ajoute) : niveaux, cavité et seuil de gain inconnus")
    else:
        _lire_dans(r, "releve", lire_releve, chemin)
    return r
