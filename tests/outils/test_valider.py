"""outils/valider on the published panel of validation/: every device
composed with the realistic model and run to threshold, each computed Jth
pinned to the committed validation/resultats.tsv; and the composer's
[modele] section."""
import csv
import math
import subprocess
import sys

import pytest

from conftest import OUTILS, RACINE, executer_composer

VALIDATION = RACINE / "validation"


def lire_tsv(chemin):
    with open(chemin, encoding="utf-8") as f:
        return {l["id"]: l for l in csv.DictReader(f, delimiter="\t")}


def test_panneau_epingle(gain_exe, tmp_path):
    fait = subprocess.run([sys.executable, str(OUTILS / "valider"), "--gain", str(gain_exe), "--dossier",
                           str(tmp_path), "--sans-exact"], capture_output=True, text=True, timeout=1200)
    assert fait.returncode == 0, fait.stderr + fait.stdout
    obtenu, attendu = lire_tsv(tmp_path / "resultats.tsv"), lire_tsv(VALIDATION / "resultats.tsv")
    assert set(obtenu) == set(attendu) == {d.name for d in VALIDATION.iterdir() if (d / "appareil.toml").exists()}
    for i, l in attendu.items():
        o = obtenu[i]
        for c in ("Jth_calcule_A_cm2", "Jth_sur_eta_A_cm2", "lambda_calcule_nm", "part_radiative", "part_auger"):
            assert float(o[c]) == pytest.approx(float(l[c]), rel=2e-5, abs=1e-3), (i, c)
        assert o["mode"] == l["mode"], i
        # the ratio is that of the terminals' current to the measured one
        assert float(o["rapport"]) == pytest.approx(float(o["Jth_sur_eta_A_cm2"]) / float(o["Jth_mesure_A_cm2"]),
                                                    rel=1e-5)
    assert (tmp_path / "resultats.png").stat().st_size > 0


def test_composer_modele_realiste(tmp_path):
    """In0.2Ga0.8As: A linear and C geometric between GaAs and InAs, every
    switch of the realistic model, the barrier's B that of its direct
    binaries (AlAs is indirect); without the option no [modele]."""
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--modele", "realiste",
                             "--sans-gain", "-o", tmp_path / "r" / "config.ini")
    assert fait.returncode == 0, fait.stderr
    texte = (tmp_path / "r" / "config.ini").read_text()
    modele = texte.split("[modele]\n", 1)[1].splitlines()
    cles = dict(l.split("=", 1) for l in modele if "=" in l)
    assert cles["forme_raie"] == "sech" and cles["emission_complete"] == "1" and cles["k_aligne"] == "1"
    assert float(cles["A_srh"]) == pytest.approx(1e8)
    assert float(cles["C_auger"]) == pytest.approx(math.exp(0.8 * math.log(7e-30) + 0.2 * math.log(2.2e-27)),
                                                   rel=1e-3)
    assert float(cles["renormalisation_gap"]) == pytest.approx(1.6e-8)
    assert cles["melange_k"] == cles["dispersion_axiale"] == cles["continuum"] == "1"
    assert float(cles["B_barriere"]) == pytest.approx(7.2e-10)
    fait = executer_composer("--puits", "In0.53Ga0.47As:60", "--barriere", "Al0.48In0.52As:250", "--modele",
                             "realiste", "--sans-gain", "-o", tmp_path / "a" / "config.ini")
    assert fait.returncode == 0, fait.stderr
    b = [l for l in (tmp_path / "a" / "config.ini").read_text().splitlines() if l.startswith("B_barriere=")]
    assert b and float(b[0].split("=")[1]) == pytest.approx(1.1e-10), b  # InAs alone
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--sans-gain",
                             "-o", tmp_path / "e" / "config.ini")
    assert fait.returncode == 0, fait.stderr
    assert "[modele]" not in (tmp_path / "e" / "config.ini").read_text()
