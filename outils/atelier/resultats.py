"""The run record gain writes when [sortie] fichier_resultats names it: one
JSON object with every number of its console and of its files (the levels,
each density's quasi-Fermi levels, peak gains, cavity gains and currents,
the threshold, the P-I curve, the figures of merit) and the constants it
used. The tools take their numbers from it, never from the console text.

Entry points:
    lire_resultats(chemin) -> dict      the record; ErreurLecture when it cannot be had
    regler_sortie(texte) -> bytes       config.ini bytes that name the record
    avec_resultats(texte) -> (bytes, bool)   the same, only where none is named
"""
import json

from .verification import ErreurLecture

CLE = "fichier_resultats"
NOM = "resultats.json"


def lire_resultats(chemin):
    """The record at `chemin`, as a dict. Absent, unreadable, cut short or not
    gain's: ErreurLecture naming the file."""
    try:
        with open(chemin, "rb") as f:
            donnees = f.read()
    except FileNotFoundError:
        raise ErreurLecture(f"fichier des résultats « {chemin} » absent") from None
    except OSError as e:
        raise ErreurLecture(f"fichier des résultats « {chemin} » illisible ({e.strerror})") from None
    try:
        r = json.loads(donnees.decode("utf-8"))
    except (UnicodeDecodeError, ValueError):
        raise ErreurLecture(f"fichier des résultats « {chemin} » illisible ou tronqué "
                            "(calcul interrompu pendant son écriture ?)") from None
    if not isinstance(r, dict) or not str(r.get("programme", "")).startswith("gain ") or "passes" not in r:
        raise ErreurLecture(f"fichier des résultats « {chemin} » : ce n'est pas un fichier des résultats de gain")
    return r


def regler_sortie(texte, nom=NOM):
    """config.ini bytes with `fichier_resultats=nom` at the top of their
    [sortie] section (the key replaced where the file gives one)."""
    lignes = texte.split(b"\n")
    cle = CLE.encode()
    lignes = [l for l in lignes if l.split(b"=", 1)[0].strip() != cle]
    for i, l in enumerate(lignes):
        if l.strip().lstrip(b"\xef\xbb\xbf").rstrip(b"\r") == b"[sortie]":
            lignes.insert(i + 1, cle + b"=" + nom.encode())
            return b"\n".join(lignes)
    return b"[sortie]\n" + cle + b"=" + nom.encode() + b"\n" + b"\n".join(lignes)


def avec_resultats(texte):
    """(config.ini bytes that name a run record, True when it had to be added)."""
    if any(l.split(b"=", 1)[0].strip() == CLE.encode() for l in texte.split(b"\n")):
        return texte, False
    return regler_sortie(texte), True


def passes(r, cle):
    """The values of `cle` over the passes of the record (None where null)."""
    return [p.get(cle) for p in r["passes"]]
