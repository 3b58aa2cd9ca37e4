"""The realistic model's own checks (outils/valider --radiatif --largeurs
--plancher): each whole run pinned to the tables committed in validation/,
with the physics they stand for; and the small functions they rest on."""
import csv
import subprocess
import sys

import numpy as np
import pytest

from atelier import valider_realiste as vr
from conftest import OUTILS, RACINE

VALIDATION = RACINE / "validation"


def lire(chemin):
    with open(chemin, encoding="utf-8") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def test_controles_epingles(gain_exe, tmp_path):
    fait = subprocess.run([sys.executable, str(OUTILS / "valider"), "--gain", str(gain_exe), "--dossier",
                           str(tmp_path), "--radiatif", "--largeurs", "--plancher"],
                          capture_output=True, text=True, timeout=1800)
    assert fait.returncode == 0, fait.stderr + fait.stdout
    for nom in ("radiatif", "largeurs", "plancher"):
        obtenu, attendu = lire(tmp_path / f"{nom}.tsv"), lire(VALIDATION / f"{nom}.tsv")
        assert len(obtenu) == len(attendu), nom
        for o, a in zip(obtenu, attendu):
            for c, v in a.items():
                if c == "id":
                    assert o[c] == v
                else:
                    assert float(o[c]) == pytest.approx(float(v), rel=2e-5), (nom, c, a)
    # non-degenerate carriers: B2D flat in n, and a dense well's lower
    B = {float(l["n_cm2"]): float(l["B2D_cm2_s"]) for l in lire(tmp_path / "radiatif.tsv")}
    bas = [b for n, b in B.items() if n <= 3e11]
    assert max(bas) / min(bas) < 1.05
    assert B[max(B)] < B[min(B)]
    # the continuum takes the states of the binding E2: no step of the threshold
    J = [float(l["Jth_A_cm2"]) for l in lire(tmp_path / "largeurs.tsv")]
    assert max(abs(m) for m in vr.marches(list(enumerate(J)))) < 0.05
    assert (tmp_path / "radiatif.png").stat().st_size > 0 and (tmp_path / "largeurs.png").stat().st_size > 0


def test_regler_et_section():
    texte = "[calcul]\nNinj=3e17\nNk=70\n\n[puits]\nlargeur=100\n"
    t = vr.regler(texte, {("calcul", "Ninj"): "1e16", ("calcul", "arret_seuil"): "0", ("modele", "continuum"): "1"})
    assert vr.section(t, "calcul") == {"Ninj": "1e16", "Nk": "70", "arret_seuil": "0"}
    assert vr.section(t, "puits") == {"largeur": "100"} and vr.section(t, "modele") == {"continuum": "1"}
    # the added key stays in its section, before the blank line
    assert t.index("arret_seuil") < t.index("[puits]")


def test_transparence_et_coefficient():
    N = np.array([1e18, 2e18, 3e18])
    # the first pass past transparency, not one at zero gain
    assert vr.transparence(N, np.array([-3.0, 0.0, 3.0]), np.array([10.0, 20.0, 40.0])) == (3e18, 40.0)
    assert vr.transparence(N, np.array([-3.0, -2.0, -1.0]), N) is None
    # 1e16 cm-3 in 100 Å: 1e10 cm-2; the continuum's carriers and emission are not the well's
    q = 1.60218e-19
    n, B = vr.coefficient_radiatif([1e16], [2e-3 + 1e-6], [(0.0, 0.2e10, 1e-6)], 100, q)
    assert n[0] == pytest.approx(1e10) and B[0] == pytest.approx(2e-3 / (q * 1e10 * 0.8e10))


def test_section_du_readme():
    texte = "a\n<!-- X_DEBUT -->\nvieux\n<!-- X_FIN -->\nb\n"
    assert vr.remplacer_section(texte, "X", "neuf") == "a\n<!-- X_DEBUT -->\nneuf\n<!-- X_FIN -->\nb\n"
    assert vr.remplacer_section(texte, "Y", "neuf") is None
