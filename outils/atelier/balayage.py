"""balayage : calculs de gain sur une suite de valeurs d'une ou deux clés de config.ini.

  balayage --base examples/in020ga080as_980nm --cle puits.largeur --valeurs 50:100:11 --dossier runs/largeur

Écrit un dossier par point sous --dossier (config.ini de la base où seules les
clés balayées changent, point.tsv), lance gain dans chacun (--travaux à la fois,
un par coeur par défaut), puis rassemble les figures de mérite dans
balayage.tsv et les trace (balayage.png, balayage.pdf). Relancé sur le même
dossier, il reprend : les points finis ne sont pas recalculés, les points en
échec le sont avec --reprendre-echecs. Avec --slurm, il prépare les dossiers et
écrit balayage.slurm (un tableau de tâches Slurm, une tâche par point), le
soumet avec --soumettre ; --rassembler recueille ensuite les points finis.
Ctrl-C (SIGINT) ou SIGTERM arrête les points en cours, n'en lance plus
aucun, rassemble les points finis et finit avec le statut 130 (143).
Statut 1 quand un point a échoué (ou n'est pas fini après un rassemblement)."""
import argparse
import os
import shutil
import signal
import sys

os.environ.setdefault("MPLBACKEND", "Agg")

from . import balayage_lancement as lancement  # noqa: E402
from . import balayage_points as bg  # noqa: E402
from . import balayage_rassemblement as rassemblement  # noqa: E402
from . import balayage_slurm as grappe  # noqa: E402
from .verification import RACINE, ErreurLecture  # noqa: E402


def gain_par_defaut():
    """$GAIN_EXE when set, else the Release build of this checkout, else gain on the PATH."""
    if os.environ.get("GAIN_EXE"):
        return os.environ["GAIN_EXE"]
    for candidat in (os.path.join(str(RACINE), "build", "release", "bin", "gain"), shutil.which("gain")):
        if candidat and os.path.isfile(candidat) and os.access(candidat, os.X_OK):
            return candidat
    return None


def programme_gain(donne):
    """The gain to run, as an absolute path: a relative --gain or $GAIN_EXE is
    taken from the caller's folder, not from each point's."""
    gain = donne or gain_par_defaut()
    if gain is None:
        raise bg.ErreurBalayage("programme gain introuvable ($GAIN_EXE absent, pas de build/release/bin/gain ni de "
                                "gain sur le PATH) : make run, ou --gain CHEMIN")
    origine = "--gain" if donne else "$GAIN_EXE" if os.environ.get("GAIN_EXE") else "gain"
    chemin = os.path.abspath(gain)
    if not os.path.isfile(chemin):
        raise bg.ErreurBalayage(f"programme gain introuvable : {chemin} ({origine} {gain})")
    if not os.access(chemin, os.X_OK):
        raise bg.ErreurBalayage(f"programme gain non exécutable : {chemin} ({origine} {gain})")
    return chemin


def analyseur():
    a = argparse.ArgumentParser(prog="balayage", description=__doc__.split("\n\n")[0],
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    a.add_argument("--base", required=True, help="dossier de la configuration de base (config.ini, arguments)")
    a.add_argument("--cle", action="append", required=True, metavar="SECTION.CLE",
                   help="clé balayée ; deux fois pour une grille")
    a.add_argument("--valeurs", action="append", required=True, metavar="VALEURS",
                   help="début:fin:nombre (linéaire), début:fin:nombre:log, ou v1,v2,... ; une par --cle")
    a.add_argument("--dossier", required=True, help="dossier du balayage (un sous-dossier par point)")
    a.add_argument("--arguments", help="ligne de commande de gain (défaut : le fichier arguments de la base, "
                                       "refusé s'il manque ; \"\" : une seule densité)")
    a.add_argument("--ajouter-cle", action="store_true",
                   help="ajoute à chaque point une clé balayée absente de la base (sinon refusé)")
    a.add_argument("--gain", help="programme gain (défaut : $GAIN_EXE, build/release/bin/gain, le PATH)")
    a.add_argument("--travaux", "-j", type=int, default=os.cpu_count() or 1,
                   help="calculs simultanés (défaut : un par coeur)")
    a.add_argument("--reprendre-echecs", action="store_true", help="relance les points en échec")
    a.add_argument("--rassembler", action="store_true",
                   help="ne lance rien : rassemble et trace les points finis")
    a.add_argument("--sans-figure", action="store_true", help="n'écrit que balayage.tsv")
    s = a.add_argument_group("Slurm")
    s.add_argument("--slurm", action="store_true", help="écrit balayage.slurm au lieu de lancer les calculs")
    s.add_argument("--soumettre", action="store_true", help="avec --slurm : soumet le script avec sbatch")
    s.add_argument("--attendre", action="store_true",
                   help="avec --soumettre : sbatch --wait, puis rassemble")
    s.add_argument("--simultanes", type=int, help="au plus tant de tâches du tableau à la fois")
    s.add_argument("--cpus-par-tache", type=int, metavar="N",
                   help="CPUs (et fils, OMP_NUM_THREADS) de chaque tâche ; défaut : nb_fils des points, 1 si 0")
    s.add_argument("--temps", help="durée demandée par tâche (--time de sbatch, ex. 00:30:00)")
    s.add_argument("--memoire", help="mémoire demandée par tâche (--mem de sbatch, ex. 2G)")
    s.add_argument("--option-sbatch", action="append", default=[], metavar="OPTION",
                   help="ligne #SBATCH de plus (ex. --partition=court), répétable")
    return a


def resume(lignes):
    echecs = [l for l in lignes if l["etat"] not in ("fini",)]
    finis = len(lignes) - len(echecs)
    print(f"balayage : {finis}/{len(lignes)} points finis, {len(echecs)} en échec ou non finis")
    for l in echecs:
        statut = "" if l["statut"] is None else f", statut {l['statut']}"
        print(f"  {l['point']} ({l['etat']}{statut}) : {rassemblement.propre(l['message'])}")
    return 1 if echecs else 0


def interrompu(b, points, signum, gain):
    """After SIGINT or SIGTERM: the table of what finished, no figure; 128 + signal."""
    lignes = rassemblement.rassembler(b, points, gain)
    finis = sum(1 for l in lignes if l["etat"] == "fini")
    print(f"\nbalayage : interrompu ({signal.Signals(signum).name}) : {finis}/{len(lignes)} points finis dans "
          f"{os.path.join(b.dossier, rassemblement.FICHIER_TABLE)} ; la même commande reprend les points non finis",
          file=sys.stderr)
    return 128 + signum


def balayage_des_arguments(args):
    """The sweep the command line asks for, its arguments checked."""
    if len(args.cle) != len(args.valeurs) or len(args.cle) > 2:
        raise bg.ErreurBalayage("une ou deux clés, chacune suivie de ses --valeurs")
    if args.travaux < 1 or (args.simultanes is not None and args.simultanes < 1):
        raise bg.ErreurBalayage("--travaux et --simultanes veulent un entier positif")
    for c in args.cle:
        bg.analyser_cle(c)
    if len(set(args.cle)) != len(args.cle):
        raise bg.ErreurBalayage("la même clé est donnée deux fois")
    return bg.Balayage(base=args.base, dossier=args.dossier, cles=args.cle,
                       valeurs=[bg.analyser_valeurs(v) for v in args.valeurs],
                       arguments=bg.lire_arguments(args.base, args.arguments), ajouter_cles=args.ajouter_cle)


def slurm(args, b, points, choisis, gain):
    """Writes the job array (and submits it); True when the points are then to be gathered."""
    chemin = os.path.join(b.dossier, grappe.FICHIER_SCRIPT)
    if not choisis:
        print("balayage : aucun point à soumettre")
        return True
    fils = grappe.fils_par_tache(b, choisis, args.cpus_par_tache, gain)
    with open(chemin, "w", encoding="utf-8") as f:
        f.write(grappe.script_slurm(b, points, choisis, gain,
                                    grappe.Demande(fils, args.simultanes, args.temps, args.memoire,
                                                   tuple(args.option_sbatch))))
    os.chmod(chemin, 0o755)
    print(f"balayage : {len(choisis)} tâches dans {chemin}")
    if not args.soumettre:
        print(f"  soumettez avec : sbatch {chemin}, puis rassemblez avec --rassembler")
        return False
    grappe.soumettre(chemin, args.attendre)
    if not args.attendre:
        print("  rassemblez quand les tâches sont finies : même commande avec --rassembler")
        return False
    return True


def balayer(args):
    b = balayage_des_arguments(args)
    if args.slurm:
        grappe.verifier_options(b.dossier, args.temps, args.memoire, args.option_sbatch)
    # gain reads every configuration, even when nothing is run.
    gain = programme_gain(args.gain)
    points = bg.preparer(b, gain)
    if not args.rassembler:
        # Held before the points to run are chosen: a point another sweep
        # is running in this folder is neither chosen nor run twice.
        verrou = None if args.slurm else lancement.Verrou(b.dossier)
        try:
            choisis = bg.a_lancer(points, b.dossier, args.reprendre_echecs)
            deja = len(points) - len(choisis)
            if deja:
                print(f"balayage : points déjà calculés, non relancés : {deja}")
            if args.slurm:
                if not slurm(args, b, points, choisis, gain):
                    return 0
            else:
                try:
                    lancement.lancer_local(b, choisis, gain, args.travaux, verrou=verrou.fd)
                except lancement.Interruption as arret:
                    return interrompu(b, points, arret.signum, gain)
        finally:
            if verrou is not None:
                verrou.fermer()
    lignes = rassemblement.rassembler(b, points, gain)
    print(f"balayage : table {os.path.join(b.dossier, rassemblement.FICHIER_TABLE)}")
    if not args.sans_figure:
        chemins = rassemblement.tracer(b, lignes)
        if chemins:
            print(f"balayage : figure {', '.join(chemins)}")
    return resume(lignes)


def main(argv=None):
    args = analyseur().parse_args(argv)
    try:
        return balayer(args)
    except (bg.ErreurBalayage, ErreurLecture, lancement.VerrouTenu) as e:
        print(f"balayage : {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"balayage : {e.filename or ''} : {e.strerror}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print("\nbalayage : interrompu ; la même commande reprend les points non finis", file=sys.stderr)
        return 130


if __name__ == "__main__":
    sys.exit(main())
