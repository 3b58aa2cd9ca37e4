"""Shared fixtures of the tests of outils/: the gain program of the build
under test and the folders of the repository."""
import os
import pathlib
import shutil
import subprocess
import sys

import pytest

RACINE = pathlib.Path(__file__).resolve().parents[2]
OUTILS = RACINE / "outils"
EXEMPLES = RACINE / "examples"

# The tools' modules import as they do from outils/tracer.
sys.path.insert(0, str(OUTILS))
os.environ.setdefault("MPLBACKEND", "Agg")


def _gain_par_defaut():
    for construction in ("build/asan", "build/release"):
        candidat = RACINE / construction / "bin" / "gain"
        if candidat.exists():
            return candidat
    return None


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
                          capture_output=True, text=True, timeout=120, check=False)
