"""A stack of wells in the composer: the guide's Gamma of each well and of
them all, the critical thickness of the whole strained stack, the coupling of
close wells, and what the composed file says (nombre_puits)."""
import re
import types

import pytest

from atelier import composer_optique, guide_onde
from conftest import executer_composer
from test_composer import cles

PUITS, BARRIERE, GUIDE = ("W", None, 75.0), ("B", None, 250.0), [("G", None, 750.0), ("C", None, None)]
INDICES = {"W": 3.60, "B": 3.53, "I": 3.60, "G": 3.53, "C": 3.36}


def pile(nombre, entre):
    c = types.SimpleNamespace(puits=PUITS, barriere=BARRIERE, entre_puits=entre, guide=GUIDE, nombre_puits=nombre)
    couches = composer_optique.couches_du_centre(c)
    return couches, [(INDICES[n], None if l is None else l * 1e-10) for n, _, l in couches]


@pytest.mark.parametrize("pol", [guide_onde.TE, guide_onde.TM])
@pytest.mark.parametrize("nombre", [2, 3, 4])
def test_puits_et_barrieres_de_meme_indice_font_une_couche(nombre, pol):
    """Inner barriers of the wells' index: the stack is one layer of their
    whole width, whose confinement the wells and inner barriers share."""
    entre = ("I", None, 40.0)
    couches, empilee = pile(nombre, entre)
    m = guide_onde.mode(empilee, 980e-9, pol)
    puits = composer_optique.confinements_des_puits(couches, PUITS, m["parts"])
    interieures = sum(p for p, c in zip(m["parts"], couches) if c is entre)
    epaisse = [(3.60, (nombre * 75 + (nombre - 1) * 40) * 1e-10), (3.53, 250e-10)] + \
              [(INDICES[n], None if l is None else l * 1e-10) for n, _, l in GUIDE]
    seule = guide_onde.mode(epaisse, 980e-9, pol)
    assert m["neff"] == pytest.approx(seule["neff"], abs=1e-9)
    assert sum(puits) + interieures == pytest.approx(seule["confinement"], rel=1e-6)
    assert len(puits) == nombre and puits == pytest.approx(puits[::-1], rel=1e-12)
    assert sum(m["parts"]) == pytest.approx(1, abs=1e-12)


def composer(tmp_path, *mots):
    return executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--regler", "calcul.Nk=2",
                             "--regler", "calcul.deltak=1e8", "--sans-gain", *mots, "-o", tmp_path / "config.ini",
                             "--force")


def test_gamma_de_l_empilement_ecrit_est_la_somme_des_puits(tmp_path):
    fait = composer(tmp_path, "--nombre-puits", "3", "--entre-puits", "GaAs:100", "--guide", "GaAs:750,Al0.3Ga0.7As")
    assert fait.returncode == 0, fait.stderr
    c = cles(tmp_path / "config.ini")
    assert c[("systeme", "nombre_puits")] == "3"
    for pol, cle in (("TE", "facteur_confinement"), ("TM", "facteur_confinement_tm")):
        ligne = re.search(rf"mode {pol}0 : n_eff = \S+, Γ_{pol} = (\S+) \(3 puits : (\S+), (\S+), (\S+)\)", fait.stdout)
        total, *puits = map(float, ligne.groups())
        assert float(c[("systeme", cle)]) == pytest.approx(total, abs=1e-5) == pytest.approx(sum(puits), abs=2e-5)
        assert puits[0] == puits[2] < puits[1]   # the middle well sits at the mode's peak
    assert "Empilement : 3 puits In0.2Ga0.8As de 75 Å séparés par GaAs de 100 Å" in fait.stdout


@pytest.mark.parametrize("mots, attendu, avertit", [
    ((), "340 Å pour un puits de 75 Å", False),
    (("--nombre-puits", "4"), "340 Å pour l'épaisseur contrainte de l'empilement, 300 Å (4 puits de 75 Å)", False),
    (("--nombre-puits", "5"), "l'empilement, 375 Å (5 puits de 75 Å)", True),
    # inner barriers strained the same way count in
    (("--nombre-puits", "3", "--entre-puits", "In0.05Ga0.95As:100"), "l'empilement, 425 Å (3 puits de 75 Å et 2", True),
])
def test_epaisseur_critique_de_l_empilement(tmp_path, mots, attendu, avertit):
    fait = composer(tmp_path, *mots)
    assert fait.returncode == 0, fait.stderr
    assert attendu in fait.stdout
    assert ("dépasse l'épaisseur critique" in fait.stdout) == avertit


def test_puits_proches_couples(tmp_path):
    fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--nombre-puits", "3",
                             "--entre-puits", "GaAs:20", "-o", tmp_path / "config.ini")
    assert fait.returncode == 0, fait.stderr
    assert "les puits se couplent" in fait.stdout


@pytest.mark.parametrize("mots, message", [
    (("--nombre-puits", "0"), "il faut au moins un puits"),
    (("--regler", "systeme.nombre_puits=3"), "le nombre de puits vient de --nombre-puits"),
])
def test_refus(tmp_path, mots, message):
    fait = composer(tmp_path, *mots)
    assert fait.returncode == 1 and message in fait.stderr
    assert not (tmp_path / "config.ini").exists()
