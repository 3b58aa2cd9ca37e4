"""`make run EXEMPLE=` and `make plot EXEMPLE=` on a scratch copy of the Makefile: every form that
is not the plain name of a folder of examples/ is refused before anything is built or deleted.
cmake and gain are stand-ins on the test's PATH, so that a guard that let a form through would go on
to the `rm -rf` of the recipe, and the test would see what it deleted."""
import os
import shutil
import subprocess

import pytest

from conftest import RACINE

CMAKE_FACTICE = "#!/bin/sh\nexit 0\n"
GAIN_FACTICE = ("#!/bin/sh\necho \"gain $*\"\necho '{}' > resultats.json\n"
                "echo 'Calculs terminés. Résultats disponibles dans gain.txt'\n")


def arbre(racine):
    """Every file under racine with its contents, to compare before and after."""
    return {str(p.relative_to(racine)): p.read_bytes() for p in sorted(racine.rglob("*")) if p.is_file()}


@pytest.fixture
def depot(tmp_path):
    """A scratch repository: the Makefile, one example, a run of the user's, folders beside them."""
    d = tmp_path / "depot"
    (d / "examples" / "ex").mkdir(parents=True)
    shutil.copy(RACINE / "Makefile", d / "Makefile")
    (d / "examples" / "ex" / "config.ini").write_text("[sortie]\n")
    (d / "examples" / "ex" / "arguments").write_text("courant 2 1e17\n")
    for dossier in ("runs/compose", "x", "b"):  # what a path in EXEMPLE once reached
        (d / dossier).mkdir(parents=True)
        (d / dossier / "config.ini").write_text("mien\n")
        (d / dossier / "arguments").write_text("courant 9 1e17\n")
    (tmp_path / "x").mkdir()
    (tmp_path / "x" / "config.ini").write_text("dehors\n")
    binaire = tmp_path / "bin"
    binaire.mkdir()
    (binaire / "cmake").write_text(CMAKE_FACTICE)
    (binaire / "cmake").chmod(0o755)
    (d / "build" / "release" / "bin").mkdir(parents=True)
    (d / "build" / "release" / "bin" / "gain").write_text(GAIN_FACTICE)
    (d / "build" / "release" / "bin" / "gain").chmod(0o755)
    return d


def make(depot, cible, exemple):
    env = dict(os.environ, PATH=f"{depot.parent / 'bin'}:{os.environ['PATH']}")
    env.pop("EXEMPLE", None)
    return subprocess.run(["make", "-s", "-C", str(depot), cible, f"EXEMPLE={exemple}", "INSTALLER=no"],
                          env=env, capture_output=True, text=True, timeout=120, check=False)


REFUSES = [  # EXEMPLE, the end of the message
    ("../x", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("../../x", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("../runs/compose", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("", "(un nom sans / ni ..) ; rien n'est effacé."),
    (".", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("..", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("a b", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("ex;rm", "(un nom sans / ni ..) ; rien n'est effacé."),
    ("compose", "examples/compose/config.ini n'existe pas ; rien n'est effacé. Exemples : ex"),
    ("{dehors}", "(un nom sans / ni ..) ; rien n'est effacé."),   # an absolute path: the folder beside the tree
]


@pytest.mark.parametrize("cible", ["run", "plot"])
@pytest.mark.parametrize("exemple,message", REFUSES)
def test_formes_refusees_sans_rien_effacer(depot, cible, exemple, message):
    avant, dehors = arbre(depot), arbre(depot.parent / "x")
    exemple = exemple.format(dehors=depot.parent / "x")
    fini = make(depot, cible, exemple)
    assert fini.returncode != 0
    assert f"EXEMPLE=« {exemple} » refusé : " in fini.stderr
    assert message in fini.stderr
    assert arbre(depot) == avant and arbre(depot.parent / "x") == dehors
    assert "gain" not in fini.stdout


def test_un_exemple_se_lance_dans_runs(depot):
    avant = arbre(depot)
    fini = make(depot, "run", "ex")
    assert fini.returncode == 0, fini.stderr
    apres = arbre(depot)
    nouveaux = {k: v for k, v in apres.items() if k not in avant}
    # the command line comes along: outils/lancer, the sweep and caracteriser read it in the run folder
    assert set(nouveaux) == {"runs/ex/config.ini", "runs/ex/arguments", "runs/ex/console.txt", "runs/ex/resultats.json"}
    assert nouveaux["runs/ex/arguments"] == b"courant 2 1e17\n"
    assert nouveaux["runs/ex/console.txt"].startswith(b"gain courant 2 1e17\n")
    assert {k: v for k, v in apres.items() if k in avant} == avant


def test_plot_relance_quand_l_enregistrement_manque_ou_vieillit(depot):
    (depot / "outils").mkdir()
    (depot / "outils" / "tracer").write_text("#!/bin/sh\necho \"tracer $*\"\n")
    (depot / "outils" / "tracer").chmod(0o755)
    assert "gain courant 2 1e17" in make(depot, "plot", "ex").stdout  # no run yet
    fini = make(depot, "plot", "ex")
    assert "gain" not in fini.stdout and "tracer runs/ex" in fini.stdout  # the record is fresh
    os.utime(depot / "runs" / "ex" / "resultats.json", (0, 0))
    assert "gain courant 2 1e17" in make(depot, "plot", "ex").stdout  # older than the config
    (depot / "runs" / "ex" / "resultats.json").unlink()
    (depot / "runs" / "ex" / "console.txt").write_text("Calculs terminés.\n")
    assert "gain courant 2 1e17" in make(depot, "plot", "ex").stdout  # a console is no record
