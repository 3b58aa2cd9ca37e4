"""A whole gain run folder: gain's reading of its config.ini, every result
file it names, and the console kept beside them (console.txt, as `make run`
keeps it).

Entry point:
    lire_dossier(dossier) -> Resultats     every file of the run, parsed
"""
import dataclasses
import os
import re

import numpy as np

from . import fichiers
from .fichiers import CourbePI, Dispersion, Enveloppes, Parametres, Spectres
from .verification import ErreurLecture, Verification, verifier_dossier

FICHIER_CONFIG = "config.ini"
FICHIER_CONSOLE = "console.txt"


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



_LIGNE_VC = re.compile(r"Vc:\s*(\S+)\s*meV\s+Eg_Puits:\s*(\S+?)\s*m?eV\s+Eg_Barriere:\s*(\S+?)\s*m?eV")
_ENTETES_NIVEAUX = {"Niveaux E dans la BC": "E", "Niveaux HH dans la BV": "HH", "Niveaux LH dans la BV": "LH"}
_LIGNE_N = re.compile(r"Calcul du gain pour N = (\S+?)\.\.\.")


def lire_console(chemin):
    """console.txt (UTF-8; other lines than those below are ignored)."""
    texte = fichiers.lire_octets(chemin, "console").decode("utf-8", "replace")
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
        _lire_dans(r, "console", lire_console, console)
    else:
        r.absents.append(f"{FICHIER_CONSOLE} absent (lancez le calcul par make run pour le garder) : "
                         "niveaux et cavité inconnus")
    return r
