"""bench/balayage_surcout [gain] : what a local sweep costs beyond its runs.

A 20-point sweep of the well width on a short variant of the bundled example
(in-plane scan on, deltaE=0.05 meV, one thread per run; $VARIANTE,
e.g. VARIANTE="nb_fils=1", sets other [calcul] keys), run by outils/balayage with two
workers, against the same 20 runs one after the other. On two cores the runs
alone need (sum of their times) / 2; the overhead is the sweep's wall time
beyond that: writing the folders, starting the processes, gathering the
figures of merit and drawing the figure.

The machine may be shared: each measure is repeated and its least value kept,
and the same is given in CPU time (the sweep's whole process tree against the
runs alone), which other users' load barely moves. The load average is shown."""
import resource
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

from atelier import balayage_points as bg
from atelier.verification import RACINE, regler_cle

VARIANTE = dict(m.split("=", 1) for m in
                os.environ.get("VARIANTE", "variation_en_ky=1 deltaE=0.05 nb_fils=1").split())
CLE, VALEURS, TRAVAUX = "puits.largeur", "60:80:20", 2
REPETITIONS = int(os.environ.get("REPETITIONS", "2"))


def cpu_enfants():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


def mesurer(commandes):
    """Least wall time and least CPU time of the children over the repetitions."""
    murs, cpus = [], []
    for _ in range(REPETITIONS):
        c0, t0 = cpu_enfants(), time.perf_counter()
        commandes()
        murs.append(time.perf_counter() - t0)
        cpus.append(cpu_enfants() - c0)
    return min(murs), min(cpus)


def main():
    gain = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else RACINE / "build/release/bin/gain")
    with tempfile.TemporaryDirectory(prefix="balayage_surcout.") as d:
        d = pathlib.Path(d)
        base = d / "base"
        shutil.copytree(RACINE / "examples/in020ga080as_980nm", base)
        texte = (base / "config.ini").read_bytes()
        for cle, v in VARIANTE.items():
            texte, _ = regler_cle(texte, "calcul", cle, v)
        (base / "config.ini").write_bytes(texte)
        arguments = (base / "arguments").read_text().split()

        valeurs = bg.analyser_valeurs(VALEURS)
        for v in valeurs:
            (d / "seul" / v).mkdir(parents=True)
            (d / "seul" / v / "config.ini").write_bytes(regler_cle(texte, "puits", "largeur", v)[0])
        seuls = []

        def un_par_un():
            seuls.clear()
            for v in valeurs:
                t0 = time.perf_counter()
                with open(d / "seul" / v / "console.txt", "wb") as sortie:
                    subprocess.run([gain, *arguments], cwd=d / "seul" / v, stdout=sortie, check=True)
                seuls.append(time.perf_counter() - t0)

        def balayer():
            shutil.rmtree(d / "balayage", ignore_errors=True)
            subprocess.run([str(RACINE / "outils/balayage"), "--base", str(base), "--cle", CLE, "--valeurs",
                            VALEURS, "--dossier", str(d / "balayage"), "--gain", gain, "--travaux", str(TRAVAUX)],
                           check=True, stdout=subprocess.DEVNULL)

        print(f"charge avant : {os.getloadavg()[0]:.2f}")
        somme, cpu_seuls = mesurer(un_par_un)
        balayage, cpu_balayage = mesurer(balayer)
        print(f"charge après : {os.getloadavg()[0]:.2f}")

    ideal = somme / TRAVAUX
    surcout = balayage - ideal
    print(f"{len(seuls)} calculs seuls : somme {somme:.2f} s (moyenne {somme / len(seuls):.3f} s), "
          f"soit {ideal:.2f} s sur {TRAVAUX} coeurs")
    print(f"balayage ({TRAVAUX} travaux, figure comprise) : {balayage:.2f} s")
    print(f"surcoût : {surcout:.2f} s, {100 * surcout / ideal:.1f} % du temps des calculs sur {TRAVAUX} coeurs")
    cpu = cpu_balayage - cpu_seuls
    print(f"en temps CPU : calculs seuls {cpu_seuls:.2f} s, balayage {cpu_balayage:.2f} s, surcoût {cpu:.2f} s, "
          f"{100 * cpu / (cpu_seuls / TRAVAUX):.1f} % du temps des calculs sur {TRAVAUX} coeurs")


if __name__ == "__main__":
    main()
