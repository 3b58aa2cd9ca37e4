"""config.ini as gain reads it, asked of gain itself.

The tools never apply the key rules of config.ini on their own: `gain
--verifier --json`, run in a folder, reads and checks config.ini and the
command line exactly as a run would, forms the material model and the work
bounds, writes no file, and answers with one JSON object (every key with its
text and value, the warnings, the stopping message and exit status, the
material model, the bounds). This module finds gain, asks it about a folder
or about a config text, and holds the one writer of config.ini values: it
changes a value in place and leaves every other byte as it was, and gain
then says what it reads from the result.

Entry points:
    trouver_gain(donne) -> Path              --gain, else $GAIN_EXE, else a build of this tree
    verifier_dossier(dossier) -> Verification
    verifier_texte(texte) -> Verification    the same on config bytes, in a temporary folder
    regler_cle(texte, section, cle, valeur)  one value changed in config bytes
"""
import json
import os
import pathlib
import subprocess
import tempfile

FICHIER_CONFIG = "config.ini"
RACINE = pathlib.Path(__file__).resolve().parents[2]
CONSTRUCTIONS = ("release", "rel", "asan")


class ErreurLecture(Exception):
    """config.ini or a file the result needs cannot be had (gain cannot be
    run, a key gain did not read, a missing result file); the message says why."""


def trouver_gain(donne=None):
    """gain of `donne` (--gain), else $GAIN_EXE, else a build of this tree; absolute."""
    if donne:
        candidats = [donne]
    elif os.environ.get("GAIN_EXE"):
        candidats = [os.environ["GAIN_EXE"]]
    else:
        candidats = [RACINE / "build" / b / "bin" / "gain" for b in CONSTRUCTIONS]
    for c in candidats:
        if os.path.isfile(c) and os.access(c, os.X_OK):
            return pathlib.Path(os.path.abspath(c))
    raise ErreurLecture(f"gain introuvable ({', '.join(map(str, candidats))}) : c'est lui qui lit et vérifie "
                        f"config.ini ; construisez-le (make run), ou donnez --gain CHEMIN ou $GAIN_EXE")


class Verification:
    """gain's answer on one folder. `statut` is the exit status a run would
    have, `erreur` its stopping message (None when accepted); a refused
    file has no keys (`cles` empty) and `materiau`, `niveaux_k0`, `bornes` None."""

    def __init__(self, objet, chemin):
        self.chemin = chemin  # the config.ini the answer is about, for messages
        self.objet = objet
        self.statut = objet["statut"]
        self.erreur = objet["erreur"]
        self.avertissements = objet["avertissements"]
        self.materiau = objet["materiau"]
        self.bornes = objet["bornes"]
        self.commande = objet["commande"]
        self.niveaux_k0 = objet.get("niveaux_k0")  # {"E_meV": [...], "HH_meV": [...], "LH_meV": [...]}
        self.cles = {(c["section"], c["cle"]): c for c in objet["cles"] or []}

    def refus(self):
        """gain's refusal as the tools report it, or None when it accepts."""
        if self.statut == 0:
            return None
        return f"gain refuse {self.chemin} (statut {self.statut}) : {self.erreur}"

    def valeur(self, section, cle):
        """The value gain reads (or the default it uses), None when it has none."""
        entree = self.cles.get((section, cle))
        return None if entree is None else entree["valeur"]

    def texte(self, section, cle):
        """The raw text after '=' in the file, None when the key is absent."""
        entree = self.cles.get((section, cle))
        return None if entree is None else entree["texte"]

    def reel(self, section, cle):
        """The value gain reads; a key without one is an error that says why."""
        v = self.valeur(section, cle)
        if v is not None:
            return v
        if self.texte(section, cle) is None:
            raise ErreurLecture(f"{self.chemin} : clé {cle} absente de la section [{section}]")
        raise ErreurLecture(f"{self.chemin} : clé {cle} [{section}] non lue par gain : {self.erreur}")

    def bords_puits(self):
        """Band edges of the strained well (meV), as gain forms them for its
        level search: conduction on the electron axis, heavy and light holes
        on the hole axis (positive downwards)."""
        m = self.materiau
        return {"E": m["bord_puits_E_meV"], "HH": m["bord_puits_HH_meV"], "LH": m["bord_puits_LH_meV"]}

    def fichier(self, cle, dossier):
        """Path of the [sortie] file `cle`, relative to the run folder as gain opens it."""
        nom = self.valeur("sortie", cle)
        return None if nom is None else os.path.join(os.fspath(dossier), nom)


def verifier_dossier(dossier, gain=None, arguments=()):
    """gain --verifier --json in `dossier` (with the command line `arguments`)."""
    programme = trouver_gain(gain)
    try:
        fini = subprocess.run([str(programme), "--verifier", "--json", *arguments], cwd=dossier,
                              capture_output=True, timeout=600, check=False)
    except OSError as e:
        raise ErreurLecture(f"gain ne peut être lancé : {programme} : {e.strerror}") from None
    try:
        objet = json.loads(fini.stdout)
    except ValueError:
        reste = (fini.stderr or fini.stdout).decode("utf-8", "replace").strip()[-500:]
        raise ErreurLecture(f"{programme} --verifier --json ne répond pas par un objet JSON (statut "
                            f"{fini.returncode}) : {reste}") from None
    return Verification(objet, os.path.join(os.fspath(dossier), FICHIER_CONFIG))


def verifier_texte(texte, gain=None, arguments=(), nom=FICHIER_CONFIG):
    """The same on config bytes, written in a temporary folder; `nom` names
    them in messages."""
    with tempfile.TemporaryDirectory(prefix="verifier-") as dossier:
        pathlib.Path(dossier, FICHIER_CONFIG).write_bytes(texte)
        v = verifier_dossier(dossier, gain, arguments)
    v.chemin = nom
    return v


def regler_cle(texte, section, cle, valeur):
    """Config bytes with the value of section.cle replaced by `valeur`: in the
    first header [section], the first line whose text before its first '='
    (blanks and tabs trimmed) is the key keeps its bytes up to that '=' and
    takes the new value after it. A key absent from the section is added
    after its last non-blank line, a missing section at the end of the file,
    with the file's line ending. Every other byte is kept. Returns (new
    bytes, True when the key was added). gain's answer on the result tells
    whether it reads the value written (see Verification.texte)."""
    s, c, v = section.encode(), cle.encode(), valeur.encode()
    lignes = texte.split(b"\n")
    cr = b"\r" if lignes and lignes[0].endswith(b"\r") else b""
    entete = next((i for i, l in enumerate(lignes)
                   if l.removeprefix(b"\xef\xbb\xbf" if i == 0 else b"").rstrip(b"\r") == b"[" + s + b"]"), None)
    if entete is None:
        if lignes and lignes[-1] == b"":
            lignes.pop()
        lignes += [b"", b"[" + s + b"]" + cr, c + b"=" + v + cr, b""]
        return b"\n".join(lignes), True
    derniere = entete  # last non-blank line of the section: an added key goes after it
    for i in range(entete + 1, len(lignes)):
        ligne = lignes[i]
        if ligne.startswith(b"["):
            break
        egal = ligne.find(b"=")
        if egal >= 0 and ligne[:egal].strip(b" \t") == c:
            lignes[i] = ligne[: egal + 1] + v + (b"\r" if ligne.endswith(b"\r") else b"")
            return b"\n".join(lignes), False
        if ligne.strip(b" \t\r"):
            derniere = i
    lignes.insert(derniere + 1, c + b"=" + v + cr)
    return b"\n".join(lignes), True
