"""Sweeps of gain over any config.ini key: the point folders, the runs, the
table of figures of merit and its figures.

A sweep folder holds one folder per point (p001, p002, ...), each with the
base's config.ini where only the swept keys differ, point.tsv (the point's
values), and after the run console.txt (gain's stdout), erreurs.txt (its
stderr) and statut.txt (its exit status, written last: a point without it
never ran or was cut off). The local runner and the Slurm job array write
exactly the same files, so gathering does not care which ran the point.
"""
import dataclasses
import difflib
import math
import os
import re
import shlex
import signal
import subprocess
import sys
import threading
import time

import numpy as np

import lecture_gain as lg
import verification_gain as vg

FICHIER_POINT = "point.tsv"
FICHIER_STATUT = "statut.txt"
FICHIER_ERREURS = "erreurs.txt"
FICHIER_TABLE = "balayage.tsv"
FICHIER_SCRIPT = "balayage.slurm"
NOM_FIGURE = "balayage"
DPI_ECRAN = 150

# The figures of merit of the table, in their order, and their labels.
COLONNES_FM = ("Nth_cm3", "Jth_A_cm2", "Ith_mA", "lambda_emission_nm", "cavite", "g0_cm1", "Ntr_cm3",
               "Jtr_A_cm2", "gJ_cm1", "rendement_W_A")
# Units of the keys users sweep most, for the table's header and the axes.
UNITES_CLES = {
    "largeur": "A", "lambda": "nm", "temperature": "K", "longueur_puce": "cm", "largeur_contact": "cm",
    "longueur_fibre": "m", "pertes_internes": "cm-1", "tau_nr": "s", "Ninj": "cm-3", "deltak": "m-1",
    "deltaE": "meV", "debut_E": "meV", "fin_E": "meV", "debut_courant": "mA", "fin_courant": "mA",
}


class ErreurBalayage(Exception):
    """A sweep that cannot be prepared or gathered; the message says why."""


# ---------------------------------------------------------------------------
# Keys and values
# ---------------------------------------------------------------------------

def analyser_cle(texte):
    """'section.cle' -> (section, cle). The key itself may hold dots."""
    section, point, cle = texte.partition(".")
    if not point or not section.strip() or not cle.strip():
        raise ErreurBalayage(f"clé « {texte} » : attendu section.clé (par exemple puits.largeur)")
    if "[" in section or "]" in section or "=" in cle or "\n" in texte:
        raise ErreurBalayage(f"clé « {texte} » : caractère interdit dans une section ou une clé")
    return section.strip(), cle.strip()


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
    """The point's config.ini (bytes) and the keys it had to add."""
    texte, ajoutees = config_base, []
    for nom_cle, valeur in zip(b.cles, p.valeurs):
        section, cle = analyser_cle(nom_cle)
        texte, ajoutee = vg.regler_cle(texte, section, cle, valeur)
        if ajoutee:
            ajoutees.append(nom_cle)
    return texte, ajoutees


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
    chemin_base = os.path.join(b.base, lg.FICHIER_CONFIG)
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
        chemin = os.path.join(d, lg.FICHIER_CONFIG)
        if not _deja_la(b, d, chemin, texte, releve):
            _verifier_lecture(vg.verifier_texte(texte, gain, nom=chemin), b, p)
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


# ---------------------------------------------------------------------------
# Local runs
# ---------------------------------------------------------------------------

class Interruption(Exception):
    """The local sweep was stopped by SIGINT or SIGTERM (signum): its running
    points were stopped and left unfinished, no queued point was started."""

    def __init__(self, signum):
        super().__init__(signal.Signals(signum).name)
        self.signum = signum


def _demarrer_point(gain, arguments, dossier):
    """Starts gain in the point's folder, in a process group of its own (so
    that a stop reaches whatever it starts); None when it cannot be started,
    the point then failed with status 127."""
    statut_chemin = os.path.join(dossier, FICHIER_STATUT)
    if os.path.exists(statut_chemin):
        os.remove(statut_chemin)
    with open(os.path.join(dossier, lg.FICHIER_CONSOLE), "wb") as sortie, \
            open(os.path.join(dossier, FICHIER_ERREURS), "wb") as erreurs:
        try:
            return subprocess.Popen([gain, *arguments], cwd=dossier, stdout=sortie, stderr=erreurs,
                                    stdin=subprocess.DEVNULL, start_new_session=True)
        except OSError as e:
            erreurs.write(f"gain ne peut être lancé : {gain} : {e.strerror}\n".encode())
    _ecrire_statut(dossier, 127)
    return None


def _ecrire_statut(dossier, statut):
    chemin = os.path.join(dossier, FICHIER_STATUT)
    with open(chemin + ".tmp", "w", encoding="utf-8") as f:
        f.write(f"{statut}\n")
    os.replace(chemin + ".tmp", chemin)


def _finir_point(dossier, statut):
    """Records the status of a run that ended (128 + signal for a run killed
    by a signal, as the shell reports it) and returns it; a run ended by
    SIGINT or SIGTERM stays unfinished (None, no status), so that a resume
    runs it again."""
    if statut in (-signal.SIGINT, -signal.SIGTERM):
        return None
    if statut < 0:
        statut = 128 - statut
    _ecrire_statut(dossier, statut)
    return statut


def executer_point(gain, arguments, dossier):
    """Runs gain in the point's folder as the job array does; returns its
    status, None when it was interrupted (see _finir_point)."""
    processus = _demarrer_point(gain, arguments, dossier)
    return 127 if processus is None else _finir_point(dossier, processus.wait())


def _arreter_points(en_cours, delai=1.0):
    """Stops the running points: SIGTERM to each one's process group, SIGKILL
    to what is left after `delai` seconds. A point that had ended on its own
    keeps its status; a stopped one stays unfinished. Returns {name: status}."""
    arretes = set()
    for processus in en_cours:
        if processus.poll() is None:
            arretes.add(processus)
            try:
                os.killpg(processus.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
    fin = time.monotonic() + delai
    for processus in arretes:
        try:
            processus.wait(timeout=max(0.0, fin - time.monotonic()))
        except subprocess.TimeoutExpired:
            try:
                os.killpg(processus.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            processus.wait()
    statuts = {}
    for processus, (p, dossier) in en_cours.items():
        ok = processus not in arretes or processus.returncode == 0
        statuts[p.nom] = _finir_point(dossier, processus.returncode) if ok else None
    return statuts


def _duree(s):
    s = int(round(s))
    return f"{s // 3600}:{s // 60 % 60:02d}:{s % 60:02d}" if s >= 3600 else f"{s // 60}:{s % 60:02d}"


def lancer_local(b, points, gain, travaux, flux=sys.stdout):
    """Runs the points, `travaux` at a time, with a progress line; returns
    {point name: status}. SIGINT or SIGTERM stops the sweep at once: the
    running points are stopped (left unfinished), no other is started, and
    Interruption is raised."""
    statuts, debut = {}, time.monotonic()
    interactif = flux.isatty()

    def progres():
        fait = len(statuts)
        echecs = sum(1 for v in statuts.values() if v not in (0, None))
        ecoule = time.monotonic() - debut
        reste = ecoule / fait * (len(points) - fait) if fait else float("nan")
        ligne = (f"balayage : {fait}/{len(points)} points faits, {echecs} en échec, "
                 f"écoulé {_duree(ecoule)}, reste ~{_duree(reste) if fait else '?'}")
        flux.write(("\r" + ligne + "\033[K") if interactif else ligne + "\n")
        flux.flush()

    if not points:
        return statuts
    recus = []
    anciens = {}
    if threading.current_thread() is threading.main_thread():
        for s in (signal.SIGINT, signal.SIGTERM):
            anciens[s] = signal.signal(s, lambda signum, _: recus.append(signum))
    file, en_cours = list(points), {}
    progres()
    try:
        while (file or en_cours) and not recus:
            while file and len(en_cours) < travaux and not recus:
                p = file.pop(0)
                dossier = p.dossier(b.dossier)
                processus = _demarrer_point(gain, b.arguments, dossier)
                if processus is None:
                    statuts[p.nom] = 127
                    progres()
                else:
                    en_cours[processus] = (p, dossier)
            for processus in [q for q in en_cours if q.poll() is not None]:
                p, dossier = en_cours.pop(processus)
                statuts[p.nom] = _finir_point(dossier, processus.returncode)
                progres()
            if en_cours and not recus:
                time.sleep(0.05)
    finally:
        statuts.update(_arreter_points(en_cours))
        for s, ancien in anciens.items():
            signal.signal(s, ancien)
        if interactif:
            flux.write("\n")
    if recus:
        raise Interruption(recus[0])
    return statuts


# ---------------------------------------------------------------------------
# Slurm
# ---------------------------------------------------------------------------

def _plages(numeros):
    """[1, 2, 3, 7, 9, 10] -> '1-3,7,9-10' (Slurm's array syntax)."""
    plages, i = [], 0
    while i < len(numeros):
        j = i
        while j + 1 < len(numeros) and numeros[j + 1] == numeros[j] + 1:
            j += 1
        plages.append(str(numeros[i]) if i == j else f"{numeros[i]}-{numeros[j]}")
        i = j + 1
    return ",".join(plages)


def fils_par_tache(b, points, demandes=None, gain=None):
    """CPUs per task of the job array: the threads the points will use. A
    point whose nb_fils is positive uses that many; with nb_fils = 0 (or
    absent) gain takes the CPUs its task is given, `demandes` (default 1).
    Refused when `demandes` contradicts a positive nb_fils."""
    positifs = set()
    for p in points:
        nb_fils = vg.verifier_dossier(p.dossier(b.dossier), gain).valeur("calcul", "nb_fils") or 0
        if nb_fils > 0:
            positifs.add(nb_fils)
    if demandes is None:
        return max(positifs, default=1)
    if demandes < 1:
        raise ErreurBalayage("--cpus-par-tache veut un entier positif")
    if positifs - {demandes}:
        raise ErreurBalayage(f"--cpus-par-tache {demandes} : les points demandent nb_fils = "
                             f"{', '.join(map(str, sorted(positifs)))} ; mettez nb_fils=0 dans la base, ou "
                             f"--cpus-par-tache {max(positifs)}")
    return demandes


def script_slurm(b, points, choisis, gain, simultanes=None, temps=None, memoire=None, options=(), fils=1):
    """A job array, one task per point to run: the task of index i runs gain in
    the folder of point i, on `fils` CPUs and as many threads (OMP_NUM_THREADS),
    and writes the same files as the local runner."""
    racine = os.path.abspath(b.dossier)
    tableau = _plages([p.numero for p in choisis]) + (f"%{simultanes}" if simultanes else "")
    lignes = ["#!/bin/bash",
              f"#SBATCH --job-name={shlex.quote('balayage-' + os.path.basename(racine.rstrip('/')))}",
              f"#SBATCH --array={tableau}",
              "#SBATCH --ntasks=1",
              f"#SBATCH --cpus-per-task={fils}",
              f"#SBATCH --output={shlex.quote(os.path.join(racine, 'slurm-%A_%a.out'))}"]
    if temps:
        lignes.append(f"#SBATCH --time={temps}")
    if memoire:
        lignes.append(f"#SBATCH --mem={memoire}")
    lignes += [f"#SBATCH {o}" for o in options]
    lignes += [
        "# One array task per point of the sweep; the index is the point's number.",
        "set -u",
        f"export OMP_NUM_THREADS={fils}",
        f"racine={shlex.quote(racine)}",
        f"gain={shlex.quote(os.path.abspath(gain))}",
        f"arguments=({' '.join(shlex.quote(a) for a in b.arguments)})",
        "points=(" + " ".join(p.nom for p in points) + ")",
        'cd "$racine/${points[SLURM_ARRAY_TASK_ID-1]}" || exit 1',
        "rm -f statut.txt",
        '"$gain" "${arguments[@]}" >console.txt 2>erreurs.txt </dev/null',
        "statut=$?",
        "echo $statut >statut.txt.tmp && mv -f statut.txt.tmp statut.txt",
        "exit $statut",
        ""]
    return "\n".join(lignes)


def soumettre(chemin_script, attendre):
    """sbatch the script (with --wait: returns when every task has ended)."""
    commande = ["sbatch", *(["--wait"] if attendre else []), chemin_script]
    try:
        fini = subprocess.run(commande, capture_output=True, text=True, check=False)
    except OSError as e:
        raise ErreurBalayage(f"sbatch ne peut être lancé : {e.strerror} (Slurm est-il installé ?)") from None
    if fini.stdout.strip():
        print(fini.stdout.strip())
    if fini.returncode != 0 and not (attendre and "Submitted batch job" in fini.stdout):
        raise ErreurBalayage(f"sbatch a échoué (statut {fini.returncode}) : {fini.stderr.strip()}")
    return fini.returncode


# ---------------------------------------------------------------------------
# Gathering
# ---------------------------------------------------------------------------

def message_gain(dossier):
    """What gain said when it failed: its last line on stderr, else on stdout."""
    for nom in (FICHIER_ERREURS, lg.FICHIER_CONSOLE):
        try:
            with open(os.path.join(dossier, nom), "rb") as f:
                lignes = [ligne.strip() for ligne in f.read().decode("utf-8", "replace").splitlines()]
        except OSError:
            continue
        lignes = [ligne for ligne in lignes if ligne]
        if lignes:
            return lignes[-1]
    return "aucun message"


def _propre(texte):
    return re.sub(r"[\t\r\n]+", " ", str(texte)).strip()


def _format(v):
    if v is None:
        return "nan"
    if isinstance(v, float):
        return repr(v)
    return _propre(v)


def entete_cle(nom_cle):
    unite = UNITES_CLES.get(analyser_cle(nom_cle)[1])
    return f"{nom_cle}_{unite}" if unite else nom_cle


def _nombres_lus(v, b):
    """The numbers gain reads for the swept keys of a point (nan where none)."""
    lus = [v.valeur(*analyser_cle(c)) for c in b.cles]
    return [float(x) if isinstance(x, (int, float)) and not isinstance(x, bool) else math.nan for x in lus]


def rassembler(b, points, gain=None):
    """One row per point: swept values, state, exit status, the figures of
    merit, the message; writes balayage.tsv and returns the rows (each also
    holds, under "lus", the numbers gain reads for the swept keys)."""
    lignes = []
    for p in points:
        d = p.dossier(b.dossier)
        statut = lire_statut(d)
        ligne = dict(zip(b.cles, p.valeurs), point=p.nom, statut=statut)
        fm, config = {}, None
        if statut is None:
            ligne.update(etat="non_fini", message="pas encore lancé ou interrompu")
        elif statut != 0:
            ligne.update(etat="echec", message=message_gain(d))
        else:
            try:
                r = lg.lire_dossier(d, gain)
                fm, config = lg.calculer_figures_de_merite(r), r.config
                manque = [v for k, v in fm["indisponible"].items() if k in ("Jth_A_cm2", "lambda_emission_nm")]
                ligne.update(etat="fini", message="; ".join(fm["problemes"] + manque))
            except lg.ErreurLecture as e:
                ligne.update(etat="illisible", message=str(e))
        for k in COLONNES_FM:
            ligne[k] = fm.get(k)
        ligne["lus"] = _nombres_lus(config or vg.verifier_dossier(d, gain), b)
        lignes.append(ligne)
    entetes = ([entete_cle(c) for c in b.cles] + ["point", "etat", "statut"] + list(COLONNES_FM) + ["message"])
    cles = list(b.cles) + ["point", "etat", "statut"] + list(COLONNES_FM) + ["message"]
    chemin = os.path.join(b.dossier, FICHIER_TABLE)
    with open(chemin + ".tmp", "w", encoding="utf-8") as f:
        f.write("\t".join(entetes) + "\n")
        for ligne in lignes:
            f.write("\t".join(_format(ligne[k]) if k != "statut" or ligne[k] is None else str(ligne[k])
                              for k in cles) + "\n")
    os.replace(chemin + ".tmp", chemin)
    return lignes


# ---------------------------------------------------------------------------
# Figures
# ---------------------------------------------------------------------------

TRACEES = (("Jth_A_cm2", "$J_{th}$", "A/cm$^2$"), ("lambda_emission_nm", r"$\lambda$ d'émission", "nm"),
           ("Nth_cm3", "$N_{th}$", "cm$^{-3}$"), ("Ith_mA", "$I_{th}$", "mA"),
           ("g0_cm1", "$g_0$", "cm$^{-1}$"), ("Ntr_cm3", "$N_{tr}$", "cm$^{-3}$"))


def _axe(lignes, cle, i):
    """{value text: the number gain reads from it} of the i-th swept key."""
    nombres = {}
    for l in lignes:
        if l[cle] not in nombres or math.isnan(nombres[l[cle]]):
            nombres[l[cle]] = l["lus"][i]
    return nombres


def _etiquette_cle(nom_cle):
    unite = UNITES_CLES.get(analyser_cle(nom_cle)[1])
    return f"{nom_cle} ({'Å' if unite == 'A' else unite})" if unite else nom_cle


def tracer(b, lignes):
    """balayage.png/.pdf: each figure of merit against the swept value (a map
    over the two for a grid); returns the paths, or [] when nothing finished."""
    from matplotlib import rc_context
    import figures_gain as fg

    finis = [l for l in lignes if l["etat"] == "fini"]
    if not finis:
        return []
    with rc_context(fg.STYLE):
        fig = fg._nouvelle_figure(9.0, 5.2)
        axes = fig.subplots(2, 3).ravel()
        x_tous = np.array([l["lus"][0] for l in lignes])
        for ax, (cle, nom, unite) in zip(axes, TRACEES):
            y = np.array([l[cle] if l[cle] is not None else np.nan for l in lignes], dtype=float)
            # The power of ten goes into the label, as in the run figures, not into an offset text.
            facteur, puissance = fg._facteur(y[np.isfinite(y)])
            y = y / facteur
            etiquette = f"{nom} ({puissance}{unite})"
            if len(b.cles) == 1:
                ordre = np.argsort(x_tous, kind="stable")
                ax.plot(x_tous[ordre], y[ordre], "-", color=fg.COULEUR_SEUIL, lw=1.0)
                for cavite, marque in (("puce", "o"), ("Bragg", "s")):
                    choix = np.array([l["cavite"] == cavite for l in lignes])
                    if choix.any():
                        ax.plot(x_tous[choix], y[choix], marque, ms=3.5, color=fg.COULEUR_SEUIL
                                if cavite == "puce" else fg.COULEUR_BRAGG, label=f"cavité {cavite}")
                echec = np.array([l["etat"] != "fini" for l in lignes])
                if echec.any():
                    for xe in x_tous[echec & np.isfinite(x_tous)]:
                        ax.axvline(xe, color="#999999", lw=0.6, ls=":")
                ax.set_xlabel(_etiquette_cle(b.cles[0]))
                ax.set_ylabel(etiquette)
            else:
                xs = [_axe(lignes, b.cles[0], 0)[v] for v in b.valeurs[0]]
                ys = [_axe(lignes, b.cles[1], 1)[v] for v in b.valeurs[1]]
                carte = y.reshape(len(xs), len(ys)).T
                maillage = ax.pcolormesh(_bords(xs), _bords(ys), np.ma.masked_invalid(carte),
                                         cmap=fg.CARTE_DENSITES, shading="flat")
                fig.colorbar(maillage, ax=ax, shrink=0.9).set_label(etiquette)
                ax.set_xlabel(_etiquette_cle(b.cles[0]))
                ax.set_ylabel(_etiquette_cle(b.cles[1]))
                ax.grid(False)
        if len(b.cles) == 1 and any(l["cavite"] for l in finis):
            axes[0].legend(loc="best")
        fig.suptitle(f"Balayage de {' × '.join(b.cles)} ({len(finis)}/{len(lignes)} points finis)")
        chemin = os.path.join(b.dossier, NOM_FIGURE)
        # The PDF is the print copy; a screen PNG is enough beside it and halves the drawing time.
        fig.savefig(chemin + ".png", dpi=DPI_ECRAN, metadata={"Software": None})
        fig.set_layout_engine("none")  # the PDF keeps the PNG's layout instead of solving it again
        fig.savefig(chemin + ".pdf", metadata={"CreationDate": None, "ModDate": None, "Producer": None})
        return [chemin + ".png", chemin + ".pdf"]


def _bords(centres):
    """Cell edges around the grid's values (midpoints, end cells mirrored)."""
    c = np.asarray(centres, dtype=float)
    if len(c) == 1:
        return np.array([c[0] - 0.5, c[0] + 0.5])
    milieux = (c[1:] + c[:-1]) / 2
    return np.concatenate([[2 * c[0] - milieux[0]], milieux, [2 * c[-1] - milieux[-1]]])
