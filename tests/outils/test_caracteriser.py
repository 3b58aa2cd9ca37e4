"""outils/caracteriser: the fits of T0, T1 and dλ/dT on a synthetic
exponential series, and a real series through the sweep tool."""
import math
import shutil
import subprocess

import pytest

from atelier import caracteriser
from conftest import EXEMPLES, OUTILS


def rangee(T, J, eta, lam, cavite="puce", etat="fini"):
    return {"T_K": T, "etat": etat, "Jth_A_cm2": repr(J), "Ith_mA": repr(J * 0.08), "Nth_cm3": "2e18",
            "rendement_W_A": repr(eta), "lambda_emission_nm": repr(lam), "cavite": cavite, "point": f"p{T:.0f}"}


@pytest.mark.parametrize("T0, T1", [(120.0, 300.0), (60.0, 150.0), (250.0, math.inf)])
def test_serie_exponentielle_synthetique(T0, T1):
    """Jth = J0 exp(T/T0), ηd = η0 exp(-T/T1), λ = 700 + 0.3 T on the chip: the
    fits give them back; a grating-locked point (its own wavelength, another
    slope) and a failed one are left out of every fit."""
    temperatures = [280.0, 290.0, 300.0, 320.0, 360.0]
    rangees = [rangee(T, 50 * math.exp(T / T0), 0.9 * math.exp(-T / T1), 700 + 0.3 * T) for T in temperatures]
    rangees.append(rangee(340.0, 40 * math.exp(340 / T0), 0.7, 975.0, cavite="Bragg"))
    rangees.append(rangee(350.0, math.nan, math.nan, math.nan, etat="echec"))
    r = caracteriser.caracteriser_table(rangees)
    assert [x["T_K"] for x in r["table"]] == [280.0, 290.0, 300.0, 320.0, 340.0, 360.0]
    assert r["T0_K"] == pytest.approx(T0, rel=1e-9) and r["J0_A_cm2"] == pytest.approx(50, rel=1e-9)
    if math.isfinite(T1):
        assert r["T1_K"] == pytest.approx(T1, rel=1e-9)
    else:
        assert math.isinf(r["T1_K"]) and "T1 : inf K" in caracteriser.texte_ajustements(r)
    assert r["dlambda_dT_nm_K"] == pytest.approx(0.3, rel=1e-9)
    assert r["cavite"] == "puce" and r["exclus"] == 1 and r["points_T0"] == r["points_T1"] == r["points_lambda"] == 5


def test_moins_de_deux_temperatures_au_seuil():
    r = caracteriser.caracteriser_table([rangee(300.0, 300.0, 0.7, 980.0), rangee(320.0, math.nan, 0.7, 985.0)])
    assert r["T0_K"] is None and "moins de deux" in r["indisponible"]["T0_K"]
    assert "T0 : indisponible" in caracteriser.texte_ajustements(r)


def test_serie_du_laser_exemple(gain_exe, tmp_path):
    """Three temperatures of the example through the sweep: the table holds the
    sweep's thresholds, Jth grows with T, the chip's wavelength moves red by
    some 0.3 nm/K (the gap's Varshni law), and the slope efficiency falls only
    with the photon energy, T1 = λ/(dλ/dT) within 5 %."""
    base = tmp_path / "base"
    shutil.copytree(EXEMPLES / "in020ga080as_980nm", base)
    texte = (base / "config.ini").read_text().replace("nb_fils=0", "nb_fils=1")
    (base / "config.ini").write_text(texte)
    fini = subprocess.run([str(OUTILS / "caracteriser"), str(base), "--temperatures", "300:340:3", "--travaux", "2",
                           "--gain", str(gain_exe)], capture_output=True, text=True, timeout=900)
    assert fini.returncode == 0, fini.stdout + fini.stderr
    serie = base / "caracterisation"
    table = (serie / "caracterisation.tsv").read_text().splitlines()
    assert table[0].split("\t") == list(caracteriser.COLONNES) and len(table) == 4
    r = caracteriser.caracteriser_table(caracteriser.lire_table_balayage(serie / "balayage.tsv"))
    J = [x["Jth_A_cm2"] for x in r["table"]]
    assert J == sorted(J) and 50 < r["T0_K"] < 1000
    assert 0.2 < r["dlambda_dT_nm_K"] < 0.45
    lam = r["table"][1]["lambda_emission_nm"]
    assert r["T1_K"] == pytest.approx(lam / r["dlambda_dT_nm_K"], rel=0.05)
    assert f"T0 : {r['T0_K']:.6g} K" in (serie / "caracterisation.txt").read_text()
    assert (serie / "caracterisation.png").stat().st_size > 0 and (serie / "caracterisation.pdf").exists()
