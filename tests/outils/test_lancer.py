"""A laser of one's own, from the composer to the figures: the chip-only base
by default, trial runs in the model the file will run, and outils/lancer
running gain in the composed folder so that the figures of merit read its
console."""
import re
import subprocess

import pytest

from atelier import merite
from conftest import OUTILS, executer_composer, executer_gain, resultats_du_calcul
from test_composer import cles


def lancer(dossier, *mots):
    return subprocess.run(["/usr/bin/python3", str(OUTILS / "lancer"), str(dossier), *mots], capture_output=True,
                          timeout=600, check=False)


def test_compose_lance_et_trace(gain_exe, tmp_path):
    dossier = tmp_path / "laser"
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "-o", dossier / "config.ini")
    assert fait.returncode == 0, fait.stderr
    c = cles(dossier / "config.ini")
    # the chip-only base: uncoated facets, no grating
    assert (c[("systeme", "Rmin")], c[("systeme", "Rmax")], c[("bragg", "Rbragg")]) == ("0.3", "0.3", "0")
    lam = float(re.search(r"seuil de l'essai à \S+ cm-3, (\S+) nm", fait.stdout).group(1))

    fini = lancer(dossier, "--gain", str(gain_exe))
    assert fini.returncode == 0, fini.stderr
    assert (dossier / "console.txt").read_bytes() == fini.stdout
    assert fini.stdout.decode().rstrip().endswith("Calculs terminés. Résultats disponibles dans gain.txt")
    fm = merite.figures_de_merite(dossier, gain_exe)
    assert fm["cavite"] == "puce" and (dossier / "resultats.json").is_file()
    assert fm["lambda_emission_nm"] == pytest.approx(lam, abs=0.05)
    assert fm["E1_meV"] is not None


def test_lancer_sans_config(tmp_path, gain_exe):
    fini = lancer(tmp_path, "--gain", str(gain_exe))
    assert fini.returncode == 1 and b"config.ini n'existe pas" in fini.stderr
    assert list(tmp_path.iterdir()) == []


def test_lancer_rend_le_statut_de_gain(tmp_path, gain_exe):
    (tmp_path / "config.ini").write_text("[sortie]\n")
    fini = lancer(tmp_path, "--gain", str(gain_exe))
    assert fini.returncode == 1 and b"Il faut au moins 2 valeurs sur kx" in (tmp_path / "console.txt").read_bytes()
    # a config.ini that named no run record names one now, said
    assert (tmp_path / "config.ini").read_text() == "[sortie]\nfichier_resultats=resultats.json\n"
    assert b"fichier_resultats=resultats.json ajout" in fini.stderr


def test_essais_dans_le_modele_realiste(gain_exe, tmp_path):
    """The composer's series starts at half the threshold of the model the
    file runs: with --modele realiste, the realistic threshold."""
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--modele", "realiste",
                             "-o", tmp_path / "config.ini")
    assert fait.returncode == 0, fait.stderr
    essai = float(re.search(r"seuil de l'essai à (\S+) cm-3", fait.stdout).group(1))
    run = executer_gain(gain_exe, tmp_path, (tmp_path / "arguments").read_text().split())
    console = run.stdout.decode()
    assert run.returncode == 0, console[-1500:]
    Nth = resultats_du_calcul(tmp_path)["seuil"]["Nth_cm3"]
    assert Nth == pytest.approx(essai, rel=0.01)
    # half the trial's threshold, rounded down to the step (the trial is printed to three digits)
    assert 0.3 * essai <= float(cles(tmp_path / "config.ini")[("calcul", "Ninj")]) <= 0.5 * essai * 1.005
