"""Shared fixtures of the tests of outils/: the gain program of the build
under test and the folders of the repository."""
import os
import pathlib
import shutil
import subprocess
import time

import pytest

RACINE = pathlib.Path(__file__).resolve().parents[2]
OUTILS = RACINE / "outils"
EXEMPLES = RACINE / "examples"

os.environ.setdefault("MPLBACKEND", "Agg")


def _gain_par_defaut():
    for construction in ("build/asan", "build/release"):
        candidat = RACINE / construction / "bin" / "gain"
        if candidat.exists():
            return candidat
    return None


# The tools ask gain to read config.ini: those run here find the build under test.
if not os.environ.get("GAIN_EXE") and _gain_par_defaut():
    os.environ["GAIN_EXE"] = str(_gain_par_defaut())


@pytest.fixture(scope="session")
def gain_exe():
    """Path of gain: $GAIN_EXE when ctest runs the suite, else a local build."""
    chemin = os.environ.get("GAIN_EXE") or _gain_par_defaut()
    if not chemin or not pathlib.Path(chemin).exists():
        pytest.skip("gain n'est pas construit (make run ou make test)")
    return pathlib.Path(chemin)


def executer_gain(gain_exe, dossier, arguments=()):
    """Runs gain in `dossier` as a user would; returns the completed process."""
    return subprocess.run([str(gain_exe), *arguments], cwd=dossier, capture_output=True,
                          timeout=600, check=False)


@pytest.fixture
def dossier_exemple(tmp_path):
    """A copy of an example folder of examples/ in a temporary folder."""
    def copier(nom="in020ga080as_980nm"):
        cible = tmp_path / nom
        shutil.copytree(EXEMPLES / nom, cible)
        return cible
    return copier


def resultats_du_calcul(dossier):
    """The run record a composed config names (resultats.json): the numbers
    of a run, never its console text."""
    from atelier.resultats import lire_resultats
    return lire_resultats(pathlib.Path(dossier) / "resultats.json")


def lancer_gain_console(gain_exe, dossier, arguments=()):
    """Runs gain in `dossier` and keeps its console in console.txt, as make run does."""
    fini = executer_gain(gain_exe, dossier, arguments)
    (pathlib.Path(dossier) / "console.txt").write_bytes(fini.stdout)
    return fini


@pytest.fixture(scope="session")
def calcul_exemple(gain_exe, tmp_path_factory):
    """The bundled example run once, with its arguments and console.txt;
    tests that alter it copy it first (see copie_calcul)."""
    dossier = tmp_path_factory.mktemp("calcul") / "in020ga080as_980nm"
    shutil.copytree(EXEMPLES / "in020ga080as_980nm", dossier)
    arguments = (dossier / "arguments").read_text().split()
    fini = lancer_gain_console(gain_exe, dossier, arguments)
    assert fini.returncode == 0, fini.stdout
    return dossier


@pytest.fixture
def copie_calcul(calcul_exemple, tmp_path):
    """A private copy of the example's run folder."""
    def copier():
        cible = tmp_path / "calcul"
        shutil.copytree(calcul_exemple, cible)
        return cible
    return copier


def executer_composer(*arguments, cwd=RACINE):
    """Runs outils/composer with Debian's interpreter; returns the completed
    process with its text output."""
    return subprocess.run(["/usr/bin/python3", str(OUTILS / "composer"), *map(str, arguments)], cwd=cwd,
                          capture_output=True, text=True, timeout=600, check=False)


# ---------------------------------------------------------------------------
# A one-node Slurm cluster on this machine, for the job-array sweeps
# ---------------------------------------------------------------------------

def _port_libre():
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _arreter(processus, delai=15):
    """Stops a daemon this fixture started (by its process), killing it if it lingers."""
    if processus.poll() is None:
        processus.terminate()
        try:
            processus.wait(timeout=delai)
        except subprocess.TimeoutExpired:
            processus.kill()
            processus.wait(timeout=delai)


@pytest.fixture(scope="session")
def grappe_slurm(tmp_path_factory):
    """munged, slurmctld and slurmd of Debian's packages, in the foreground as
    children of this process, with a key and a slurm.conf of their own in a
    temporary folder: returns the environment (SLURM_CONF) for sbatch. Every
    job is cancelled and every daemon stopped at the end, pass or fail."""
    if os.geteuid() != 0:
        pytest.skip("la grappe Slurm d'essai démarre ses démons en root")
    demons = {n: f"/usr/sbin/{n}" for n in ("munged", "slurmctld", "slurmd")}
    if not all(os.path.exists(c) for c in demons.values()) or not shutil.which("sbatch"):
        installe = subprocess.run([str(OUTILS / "installer"), "cluster"], capture_output=True, text=True,
                                  timeout=900, check=False)
        if installe.returncode != 0 or not all(os.path.exists(c) for c in demons.values()):
            pytest.skip("slurm-wlm et munge absents et non installables : " + installe.stderr.strip()[-300:])
    d = tmp_path_factory.mktemp("slurm")
    for sous in ("munge", "etat", "spool", "journaux"):
        (d / sous).mkdir()
    (d / "munge").chmod(0o700)
    cle = d / "munge" / "munge.key"
    cle.write_bytes(os.urandom(1024))
    cle.chmod(0o600)
    prise = d / "munge" / "munge.socket"
    hote = subprocess.run(["hostname", "-s"], capture_output=True, text=True, check=True).stdout.strip()
    conf = d / "slurm.conf"
    conf.write_text(f"""ClusterName=essai
SlurmctldHost={hote}(127.0.0.1)
SlurmctldPort={_port_libre()}
SlurmdPort={_port_libre()}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket={prise}
CredType=cred/munge
StateSaveLocation={d / "etat"}
SlurmdSpoolDir={d / "spool"}
SlurmctldPidFile={d / "slurmctld.pid"}
SlurmdPidFile={d / "slurmd.pid"}
SlurmctldLogFile={d / "journaux" / "slurmctld.log"}
SlurmdLogFile={d / "journaux" / "slurmd.log"}
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
SchedulerType=sched/builtin
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MpiDefault=none
SwitchType=switch/none
ReturnToService=2
NodeName={hote} NodeAddr=127.0.0.1 CPUs={os.cpu_count() or 1} RealMemory=1024 State=UNKNOWN
PartitionName=essai Nodes={hote} Default=YES MaxTime=INFINITE State=UP
""")
    env = dict(os.environ, SLURM_CONF=str(conf))
    lances = []

    def demarrer(commande, journal):
        with open(d / "journaux" / journal, "wb") as sortie:
            lances.append(subprocess.Popen(commande, env=env, stdout=sortie, stderr=subprocess.STDOUT,
                                           stdin=subprocess.DEVNULL))

    try:
        demarrer([demons["munged"], "-F", "-f", f"--socket={prise}", f"--key-file={cle}",
                  f"--log-file={d / 'journaux' / 'munged.log'}", f"--pid-file={d / 'munge' / 'munged.pid'}",
                  f"--seed-file={d / 'munge' / 'munged.seed'}"], "munged.out")
        for _ in range(100):
            if prise.exists():
                break
            time.sleep(0.1)
        demarrer([demons["slurmctld"], "-D", "-i", "-f", str(conf)], "slurmctld.out")
        demarrer([demons["slurmd"], "-D", "-f", str(conf)], "slurmd.out")
        etat = ""
        for _ in range(300):
            if any(p.poll() is not None for p in lances):
                break
            etat = subprocess.run(["sinfo", "-h", "-o", "%t"], env=env, capture_output=True, text=True,
                                  check=False).stdout.strip()
            if etat in ("idle", "mix", "alloc"):
                break
            time.sleep(0.2)
        if etat not in ("idle", "mix", "alloc"):
            journaux = "\n".join(f.read_text(errors="replace")[-1500:] for f in (d / "journaux").iterdir())
            pytest.fail(f"la grappe Slurm d'essai ne démarre pas (nœud « {etat} ») :\n{journaux}")
        yield env
    finally:
        # Jobs first (their steps outlive slurmd otherwise), then the daemons, munged last.
        if len(lances) == 3 and lances[1].poll() is None:
            subprocess.run(["scancel", "--full", "--user=root"], env=env, capture_output=True, check=False,
                           timeout=30)
            for _ in range(150):
                file = subprocess.run(["squeue", "-h"], env=env, capture_output=True, text=True,
                                      check=False, timeout=30)
                if file.returncode != 0 or not file.stdout.strip():
                    break
                time.sleep(0.2)
        for p in reversed(lances):
            _arreter(p)
