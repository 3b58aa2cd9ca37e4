"""lancer DOSSIER : gain dans un dossier composé, comme `make run` dans un exemple.

gain runs in DOSSIER on its config.ini with the words of DOSSIER/arguments
on its command line (none: one density, said); what it prints goes to the
console and to DOSSIER/console.txt as it comes. A config.ini that names no
run record gets `fichier_resultats=resultats.json` in its [sortie] section
first (said), so that outils/tracer and the figures of merit find gain's
numbers there. Ends with gain's exit status; 1 when the folder holds no
config.ini or gain cannot be found.
"""
import argparse
import pathlib
import shlex
import subprocess
import sys

from . import resultats
from . import verification as vg

CONSOLE = "console.txt"


def arguments_du_dossier(dossier):
    """The words of DOSSIER/arguments, or none."""
    chemin = dossier / "arguments"
    if not chemin.is_file():
        return None
    try:
        return shlex.split(chemin.read_text(encoding="utf-8"))
    except UnicodeDecodeError as e:
        raise vg.ErreurLecture(f"{chemin} : pas du texte UTF-8 (octet {e.object[e.start]:#04x} en position "
                               f"{e.start})") from None
    except ValueError as e:  # an unclosed quote
        raise vg.ErreurLecture(f"{chemin} : ligne de commande illisible ({e})") from None


def nommer_resultats(dossier):
    """Adds the run record to the folder's config.ini when it names none;
    True when it did."""
    config = dossier / vg.FICHIER_CONFIG
    texte, ajoute = resultats.avec_resultats(config.read_bytes())
    if ajoute:
        config.write_bytes(texte)
    return ajoute


def lancer(gain, dossier, arguments):
    """gain in `dossier`, its standard output copied to the console and to
    console.txt chunk by chunk (a stopped run leaves what it printed); its
    exit status."""
    with open(dossier / CONSOLE, "wb") as console:
        processus = subprocess.Popen([str(gain), *arguments], cwd=dossier, stdout=subprocess.PIPE)
        for morceau in iter(lambda: processus.stdout.read1(65536), b""):
            console.write(morceau)
            sys.stdout.buffer.write(morceau)
            sys.stdout.buffer.flush()
        return processus.wait()


def main(argv=None):
    analyseur = argparse.ArgumentParser(
        prog="lancer", description="Lance gain dans un dossier composé (config.ini, arguments) et garde sa console "
                                   "dans console.txt, pour outils/tracer.")
    analyseur.add_argument("dossier", help="dossier qui contient config.ini (et arguments)")
    analyseur.add_argument("--gain", metavar="CHEMIN",
                           help="programme gain (par défaut $GAIN_EXE, puis build/release/bin/gain)")
    args = analyseur.parse_args(argv)
    dossier = pathlib.Path(args.dossier)
    if not (dossier / vg.FICHIER_CONFIG).is_file():
        print(f"lancer : {dossier / vg.FICHIER_CONFIG} n'existe pas : rien n'est lancé "
              f"(outils/composer -o {dossier / vg.FICHIER_CONFIG} l'écrit)", file=sys.stderr)
        return 1
    try:
        gain = vg.trouver_gain(args.gain)
        arguments = arguments_du_dossier(dossier)
    except vg.ErreurLecture as e:
        print(f"lancer : {e}", file=sys.stderr)
        return 1
    try:
        ajoute = nommer_resultats(dossier)
    except OSError as e:
        print(f"lancer : {dossier / vg.FICHIER_CONFIG} : {e.strerror} ; sans fichier des résultats, outils/tracer "
              "n'aura pas les nombres de gain", file=sys.stderr)
        ajoute = False
    if ajoute:
        print(f"lancer : {resultats.CLE}={resultats.NOM} ajouté à la section [sortie] de "
              f"{dossier / vg.FICHIER_CONFIG}", file=sys.stderr)
    if arguments is None:
        print(f"lancer : pas de fichier {dossier / 'arguments'} : une seule densité (Ninj)", file=sys.stderr)
        arguments = []
    print(f"lancer : {gain} {' '.join(arguments)} dans {dossier}", file=sys.stderr)
    statut = lancer(gain, dossier, arguments)
    print(f"lancer : console dans {dossier / CONSOLE} ; figures : outils/tracer {dossier}", file=sys.stderr)
    return statut
