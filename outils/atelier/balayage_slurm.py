"""The points of a sweep as a Slurm job array, one task per point, writing
the same files as the local runner."""
import dataclasses
import os
import shlex
import subprocess

from . import verification as vg
from .balayage_points import ErreurBalayage

FICHIER_SCRIPT = "balayage.slurm"


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


def _sans_controle(nom, valeur):
    """A value pasted into the script: a newline would end its #SBATCH line
    and make the rest a shell command the job runs; every control character
    is refused, and the value is quoted as one shell word."""
    if any(ord(c) < 0x20 or ord(c) == 0x7f for c in valeur):
        visible = valeur.encode("unicode_escape").decode("ascii")
        raise ErreurBalayage(f"{nom} « {visible} » : caractère de contrôle (saut de ligne, tabulation…) refusé dans "
                             f"le script Slurm")
    return shlex.quote(valeur)


def verifier_options(dossier, temps, memoire, options):
    """The options of the job array, refused before any point is written."""
    _sans_controle("--dossier", os.path.abspath(dossier))
    for nom, valeur in (("--temps", temps), ("--memoire", memoire), *(("--option-sbatch", o) for o in options)):
        if valeur is not None:
            _sans_controle(nom, valeur)


@dataclasses.dataclass
class Demande:
    """What each task of the job array asks of Slurm."""
    fils: int = 1              # CPUs of a task, and the threads gain runs (OMP_NUM_THREADS)
    simultanes: int = None     # at most this many tasks at once (the array's %N)
    temps: str = None          # --time of sbatch
    memoire: str = None        # --mem of sbatch
    options: tuple = ()        # more #SBATCH lines


def script_slurm(b, points, choisis, gain, demande=Demande()):
    """A job array, one task per point to run: the task of index i runs gain in
    the folder of point i, on `demande.fils` CPUs and as many threads
    (OMP_NUM_THREADS), and writes the same files as the local runner."""
    fils, simultanes, temps, memoire, options = (demande.fils, demande.simultanes, demande.temps,
                                                  demande.memoire, demande.options)
    racine = os.path.abspath(b.dossier)
    q_racine = _sans_controle("--dossier", racine)
    tableau = _plages([p.numero for p in choisis]) + (f"%{simultanes}" if simultanes else "")
    lignes = ["#!/bin/bash",
              f"#SBATCH --job-name={shlex.quote('balayage-' + os.path.basename(racine.rstrip('/')))}",
              f"#SBATCH --array={tableau}",
              "#SBATCH --ntasks=1",
              f"#SBATCH --cpus-per-task={int(fils)}",
              f"#SBATCH --output={shlex.quote(os.path.join(racine, 'slurm-%A_%a.out'))}"]
    if temps:
        lignes.append(f"#SBATCH --time={_sans_controle('--temps', temps)}")
    if memoire:
        lignes.append(f"#SBATCH --mem={_sans_controle('--memoire', memoire)}")
    lignes += [f"#SBATCH {_sans_controle('--option-sbatch', o)}" for o in options]
    lignes += [
        "# One array task per point of the sweep; the index is the point's number.",
        "set -u",
        f"export OMP_NUM_THREADS={int(fils)}",
        f"racine={q_racine}",
        f"gain={_sans_controle('--gain', os.path.abspath(gain))}",
        f"arguments=({' '.join(_sans_controle('--arguments', a) for a in b.arguments)})",
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
