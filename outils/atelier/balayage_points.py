"""Sweeps of gain over any config.ini key: the keys and values swept, the
points and their folders.

A sweep folder holds one folder per point (p001, p002, ...), each with the
base's config.ini where only the swept keys differ, point.tsv (the point's
values), and after the run console.txt (gain's stdout), erreurs.txt (its
stderr) and statut.txt (its exit status, written last: a point without it
never ran or was cut off). The local runner (balayage_lancement) and the
Slurm job array (balayage_slurm) write exactly the same files, so gathering
(balayage_rassemblement) does not care which ran the point.
"""
import dataclasses
import difflib
import math
import os
import re
import shlex

import numpy as np

from . import resultats
from . import verification as vg
from .dossier import FICHIER_CONFIG

FICHIER_POINT = "point.tsv"
FICHIER_STATUT = "statut.txt"
FICHIER_ERREURS = "erreurs.txt"


class ErreurBalayage(Exception):
    """A sweep that cannot be prepared or gathered; the message says why."""


# ---------------------------------------------------------------------------
# Keys and values
# ---------------------------------------------------------------------------

def analyser_cle(texte):
    """'section.cle' -> (section, cle). The key itself may hold dots. The
    [sortie] keys are not swept: each point writes its results in its own
    folder, under the base's names."""
    section, point, cle = texte.partition(".")
    if not point or not section.strip() or not cle.strip():
        raise ErreurBalayage(f"clé « {texte} » : attendu section.clé (par exemple puits.largeur)")
    if "[" in section or "]" in section or "=" in cle or "\n" in texte:
        raise ErreurBalayage(f"clé « {texte} » : caractère interdit dans une section ou une clé")
    if section.strip() == "sortie":
        raise ErreurBalayage(f"clé « {texte} » : les clés de [sortie] ne se balaient pas (chaque point écrit ses "
                             f"résultats dans son propre dossier, sous les noms de la base)")
    return section.strip(), cle.strip()


CLES_SORTIE = ("fichier_gain", "fichier_param", "fichier_P-I", "fichier_dispersion", "fichier_enveloppes")


def _verifier_sorties(v, chemin_base):
    """Every output of the base must be a plain name, written inside each
    point's folder: a path (absolute, with a folder, '..') would make the
    points write one file, or a file outside the sweep. /dev/null, which
    keeps nothing, is the one path accepted."""
    for cle in CLES_SORTIE:
        nom = v.valeur("sortie", cle)
        if nom is None or nom == "/dev/null":
            continue
        propre = os.path.normpath(nom) if nom else nom
        if propre in ("", ".", "..") or "/" in propre:
            raise ErreurBalayage(f"{chemin_base} : {cle} [sortie] = « {nom} » n'est pas un simple nom de fichier : "
                                 f"chaque point doit écrire ses résultats dans son propre dossier (écrivez par "
                                 f"exemple {cle}={os.path.basename(nom.rstrip('/')) or 'resultats.txt'})")


def _texte_nombre(v):
    # 12 significant digits: 55 rather than 54.99999999999999, and what gain reads back is that number.
    return f"{v:.12g}"


FORMES_VALEURS = ("formes acceptées : début:fin:nombre (linéaire, ex. 50:100:6), début:fin:nombre:log "
                  "(ex. 1e17:1e19:3:log), ou une liste v1,v2,... (ex. 50,60,70)")
_SEPARATEUR_DOUTEUX = re.compile(r"\s*(?:\.\.|-|;|\s)\s*")


def _est_nombre(texte):
    try:
        float(texte)
        return True
    except ValueError:
        return False


def analyser_valeurs(texte):
    """The swept values, as the texts written after '=':
    'debut:fin:nombre' linear, 'debut:fin:nombre:log' logarithmic, else a
    comma-separated list kept as written (blanks included). A ':' outside
    those forms, or a value made of numbers joined by '-', ';', '..' or
    blanks (50-100-5), is refused with the accepted forms."""
    morceaux = texte.split(":")
    if len(morceaux) in (3, 4) and (len(morceaux) == 3 or morceaux[3].strip() in ("lin", "log")):
        try:
            debut, fin, nombre = float(morceaux[0]), float(morceaux[1]), int(morceaux[2])
        except ValueError:
            raise ErreurBalayage(f"valeurs « {texte} » : attendu début:fin:nombre[:log]") from None
        if nombre < 1 or not (math.isfinite(debut) and math.isfinite(fin)):
            raise ErreurBalayage(f"valeurs « {texte} » : bornes finies et au moins une valeur")
        if len(morceaux) == 4 and morceaux[3].strip() == "log":
            if debut <= 0 or fin <= 0:
                raise ErreurBalayage(f"valeurs « {texte} » : une échelle logarithmique veut des bornes positives")
            suite = np.geomspace(debut, fin, nombre)
        else:
            suite = np.linspace(debut, fin, nombre)
        return [_texte_nombre(v) for v in suite]
    if ":" in texte:
        raise ErreurBalayage(f"valeurs « {texte} » : forme non reconnue ; {FORMES_VALEURS}")
    valeurs = texte.split(",")
    if any(v.strip() == "" for v in valeurs) or any("\n" in v or "\r" in v for v in valeurs):
        raise ErreurBalayage(f"valeurs « {texte} » : valeur vide dans la liste")
    for v in valeurs:
        parties = [x for x in _SEPARATEUR_DOUTEUX.split(v.strip()) if x]
        if not _est_nombre(v) and len(parties) > 1 and all(_est_nombre(x) for x in parties):
            raise ErreurBalayage(f"valeurs « {texte} » : « {v.strip()} » n'est pas un nombre ; {FORMES_VALEURS}")
    return valeurs


# ---------------------------------------------------------------------------
# The sweep: its points and folders
# ---------------------------------------------------------------------------

@dataclasses.dataclass
class Point:
    numero: int       # 1-based, the Slurm array index
    nom: str          # folder name under the sweep folder
    valeurs: list     # the texts of the swept values, in the keys' order

    def dossier(self, racine):
        return os.path.join(racine, self.nom)


@dataclasses.dataclass
class Balayage:
    base: str          # folder of the base config.ini
    dossier: str       # sweep folder
    cles: list         # ["puits.largeur", ...] (one or two)
    valeurs: list      # per key, the list of value texts
    arguments: list    # gain's command line
    ajouter_cles: bool = False  # a swept key absent from the base is added (else refused)

    def points(self):
        grille = [[v] for v in self.valeurs[0]]
        if len(self.cles) == 2:
            grille = [[a, b] for a in self.valeurs[0] for b in self.valeurs[1]]
        largeur = max(3, len(str(len(grille))))
        return [Point(i + 1, f"p{i + 1:0{largeur}d}", v) for i, v in enumerate(grille)]


def lire_arguments(base, donnes):
    """gain's command line: the given one (--arguments "" for none), else the
    base's `arguments` file; without either the sweep is refused, since every
    point would then compute a single density."""
    if donnes is not None:
        return shlex.split(donnes)
    chemin = os.path.join(base, "arguments")
    if not os.path.exists(chemin):
        raise ErreurBalayage(f"{chemin} absent : sans ligne de commande chaque point ne calcule qu'une densité ; "
                             f"donnez-la avec --arguments \"courant 20 2e17\" (ou --arguments \"\" pour une "
                             f"seule densité)")
    try:
        with open(chemin, encoding="utf-8") as f:
            return f.read().split()
    except (OSError, UnicodeDecodeError) as e:
        raise ErreurBalayage(f"{chemin} : illisible ({getattr(e, 'strerror', None) or e})") from None


def config_du_point(config_base, b, p):
    """The point's config.ini (bytes) and the keys it had to add. A base that
    names no run record gets one: the sweep's table takes gain's numbers
    from it."""
    texte, ajoutees = config_base, []
    for nom_cle, valeur in zip(b.cles, p.valeurs):
        section, cle = analyser_cle(nom_cle)
        texte, ajoutee = vg.regler_cle(texte, section, cle, valeur)
        if ajoutee:
            ajoutees.append(nom_cle)
    return resultats.avec_resultats(texte)[0], ajoutees


def _verifier_lecture(v, b, p):
    """gain's reading of a point's config.ini: each swept key it knows reads
    as the value written."""
    for nom_cle, valeur in zip(b.cles, p.valeurs):
        section, cle = analyser_cle(nom_cle)
        if (section, cle) in v.cles and v.texte(section, cle) != valeur:
            raise ErreurBalayage(f"{v.chemin} : gain lit {nom_cle} « {v.texte(section, cle)} » au lieu de "
                                 f"« {valeur} »")


def _cles_absentes(b, chemin_base, gain, rapporter):
    """Swept keys the base lacks (gain does not read them there): refused,
    with the closest key gain knows in the section, unless they are to be added."""
    v = vg.verifier_dossier(b.base, gain)
    if v.refus():
        # gain gives no key of a file it refuses: the sweep may be what repairs it.
        rapporter(f"balayage : attention : {v.refus()} ; clés balayées non vérifiées")
        return
    for nom_cle in b.cles:
        section, cle = analyser_cle(nom_cle)
        if v.texte(section, cle) is not None:
            continue
        if not b.ajouter_cles:
            connues = [k for s, k in v.cles if s == section]
            proches = difflib.get_close_matches(cle, connues, n=1)
            conseil = f" (voulez-vous dire {section}.{proches[0]} ?)" if proches else ""
            raise ErreurBalayage(f"{nom_cle} absente de {chemin_base}{conseil} : chaque point serait le même "
                                 f"calcul ; vérifiez le nom, ou ajoutez-la à chaque point avec --ajouter-cle")
        rapporter(f"balayage : attention : {nom_cle} absente de {chemin_base} : ajoutée à chaque point")


def _deja_la(b, d, chemin, texte, releve):
    """True when the point folder holds this sweep's point; False when it has
    none; refused when it holds another sweep's."""
    if not os.path.exists(chemin):
        return False
    with open(chemin, "rb") as f:
        meme = f.read() == texte
    try:
        with open(os.path.join(d, FICHIER_POINT), encoding="utf-8") as f:
            meme = meme and f.read() == releve
    except OSError:
        meme = False
    if not meme:
        raise ErreurBalayage(f"{d} existe avec une autre configuration ou d'autres arguments : "
                             f"{b.dossier} contient un autre balayage (choisissez un autre --dossier)")
    return True


def preparer(b, gain=None, rapporter=print):
    """Writes the point folders; an existing point keeps its files when its
    config.ini and record are the ones this sweep would write, and is refused
    otherwise (the folder holds another sweep: nothing of it is overwritten).
    gain reads each new point's config.ini before it is written."""
    chemin_base = os.path.join(b.base, FICHIER_CONFIG)
    try:
        with open(chemin_base, "rb") as f:
            config_base = f.read()
    except OSError as e:
        raise ErreurBalayage(f"{chemin_base} : configuration de base illisible ({e.strerror})") from None
    _cles_absentes(b, chemin_base, gain, rapporter)
    points = b.points()
    a_ecrire = []
    # Every point is checked before any is written: a refused sweep leaves the folder as it was.
    for p in points:
        texte, _ = config_du_point(config_base, b, p)
        releve = "".join(f"{k}\t{v}\n" for k, v in zip(b.cles, p.valeurs)) + f"arguments\t{shlex.join(b.arguments)}\n"
        d = p.dossier(b.dossier)
        chemin = os.path.join(d, FICHIER_CONFIG)
        if not _deja_la(b, d, chemin, texte, releve):
            v = vg.verifier_texte(texte, gain, nom=chemin)
            _verifier_sorties(v, chemin_base)
            _verifier_lecture(v, b, p)
            a_ecrire.append((d, chemin, texte, releve))
    for d, chemin, texte, releve in a_ecrire:
        os.makedirs(d, exist_ok=True)
        # The record first, config.ini last and whole: a point with a config.ini is complete.
        with open(os.path.join(d, FICHIER_POINT), "w", encoding="utf-8") as f:
            f.write(releve)
        with open(chemin + ".tmp", "wb") as f:
            f.write(texte)
        os.replace(chemin + ".tmp", chemin)
    return points


def lire_statut(dossier):
    """The point's exit status, or None when it has not finished."""
    try:
        with open(os.path.join(dossier, FICHIER_STATUT), encoding="utf-8") as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None


def a_lancer(points, racine, reprendre_echecs):
    """Points to run: never finished ones, and failed ones when asked."""
    choix = []
    for p in points:
        statut = lire_statut(p.dossier(racine))
        if statut is None or (statut != 0 and reprendre_echecs):
            choix.append(p)
    return choix
