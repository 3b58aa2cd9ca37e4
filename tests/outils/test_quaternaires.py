"""Quaternary layers on InP: their gap against the measured lattice-matched
laws and against the interpolation typed here from the review's binaries and
ternary bowings, gain's reading of the one end member they are written as,
--accord finding a composition back from its gap, and --K_delta_Ec-source
from their offsets."""
import re

import pytest

from conftest import executer_composer
from test_composer import cles, gap

GRILLE = ("--regler", "calcul.Nk=2", "--regler", "calcul.deltak=1e8", "--sans-gain")


def ingaasp(x_ga, y_as, T):
    """In(1-x)Ga(x)As(y)P(1-y): the four binaries weighted by the products of
    their fractions, less the four sides' bowings (InGaAs 0.477, GaInP 0.65,
    GaAsP 0.19, InAsP 0.10 eV) each weighted by the fraction it does not mix."""
    x, y = x_ga, y_as
    return (x * y * gap("GaAs", T) + x * (1 - y) * gap("GaP", T) + (1 - x) * y * gap("InAs", T)
            + (1 - x) * (1 - y) * gap("InP", T)
            - x * (1 - x) * (y * 0.477 + (1 - y) * 0.65) - y * (1 - y) * (x * 0.19 + (1 - x) * 0.10))


def algainas(al, ga, T):
    """Al Ga In As: the three binaries less each pair's bowing (AlGaAs
    -0.127 + 1.310 s at its Al share s, InGaAs 0.477, AlInAs 0.70 eV)."""
    i = 1 - al - ga
    s = al / (al + ga)
    return (al * gap("AlAs", T) + ga * gap("GaAs", T) + i * gap("InAs", T)
            - al * ga * (-0.127 + 1.310 * s) - ga * i * 0.477 - al * i * 0.70)


# The review's lattice constants at 300 K (Å); Vegard's law across the alloy.
A = {"GaAs": 5.65325, "AlAs": 5.6611, "InAs": 6.0583, "GaP": 5.4505, "InP": 5.8697}
# On InP: In(1-x)Ga(x)As(0.61)P(0.39) and (Al(0.2)Ga(0.8))(y)In(1-y)As, x and y from a = a(InP).
Y_AS = 0.61
X_GA = (A["InP"] - (Y_AS * A["InAs"] + (1 - Y_AS) * A["InP"])) / (
    Y_AS * A["GaAs"] + (1 - Y_AS) * A["GaP"] - Y_AS * A["InAs"] - (1 - Y_AS) * A["InP"])
S_AL = 0.2
Y_III = (A["InAs"] - A["InP"]) / (A["InAs"] - S_AL * A["AlAs"] - (1 - S_AL) * A["GaAs"])
AL, GA = round(S_AL * Y_III, 4), round((1 - S_AL) * Y_III, 4)
X_GA = round(X_GA, 4)

# Measured gaps of the alloys lattice-matched to InP at 300 K, in the fraction
# they name (Appl. Phys. Lett. 33, 659 (1978); Appl. Phys. Lett. 41, 476 (1982)).
COUCHES = [  # formula, interpolated gap at T, measured lattice-matched law at 300 K
    (f"In{1 - X_GA:.4f}Ga{X_GA:.4f}As{Y_AS}P{1 - Y_AS:.2f}", lambda T: ingaasp(X_GA, Y_AS, T),
     1.35 - 0.72 * Y_AS + 0.12 * Y_AS ** 2),
    (f"Al{AL:.4f}Ga{GA:.4f}In{1 - AL - GA:.4f}As", lambda T: algainas(AL, GA, T), 0.76 + 1.04 * AL + 0.87 * AL ** 2),
]


def composer(tmp_path, puits, *autres):
    fait = executer_composer("--puits", puits, "--barriere", "InP:200", *GRILLE, *autres,
                             "-o", tmp_path / "config.ini", "--force")
    assert fait.returncode == 0, fait.stderr
    return fait.stdout


@pytest.mark.parametrize("T", [250, 300])
@pytest.mark.parametrize("formule, Eg, mesure", COUCHES)
def test_gap_du_puits_quaternaire(tmp_path, formule, Eg, mesure, T):
    rapport = composer(tmp_path, f"{formule}:60", "--regler", f"constantes.temperature={T}", "--K_delta_Ec-source")
    # gain reads the one end member's Varshni law: the bowed gap exactly at T
    assert float(re.search(r"Eg_Puits: (\S+) eV", rapport).group(1)) == pytest.approx(Eg(T), abs=1.5e-6)
    if T == 300:
        assert Eg(T) == pytest.approx(mesure, abs=0.02)
    c = cles(tmp_path / "config.ini")
    assert float(c[("puits", "ratio_x")]) == 1 and float(c[("puits", "bowing_Eg")]) == 0
    assert c[("puits", "Eg_0K_x")] == c[("puits", "Eg_0K_1-x")]
    assert f"puits {formule} : un seul membre de gain (X à x = 1), chaque clé de la bibliothèque" in rapport
    # K_delta_Ec from the offsets, written and announced
    K = float(re.search(r"la bibliothèque donne ([0-9.]+)", rapport).group(1))
    assert float(c[("systeme", "K_delta_Ec")]) == K and 0.3 < K < 0.8


def fractions(formule):
    return {e: float(f) for e, f in re.findall(r"([A-Z][a-z]?)([0-9.]+)", formule)}


@pytest.mark.parametrize("formule, Eg, _", COUCHES)
def test_accord_retrouve_la_composition(tmp_path, formule, Eg, _):
    nom = "InGaAsP" if "P" in formule else "AlGaInAs"
    rapport = composer(tmp_path, f"{nom}:{Eg(300):.6f}eV:60", "--accord", "InP")
    trouve = re.search(r"puits en accord de maille sur InP : (\S+), a = (\S+) Å, Eg = (\S+) eV", rapport)
    assert trouve, rapport
    # the fractions, rounded to 1e-4, found back
    for element, f in fractions(formule).items():
        assert fractions(trouve.group(1))[element] == pytest.approx(f, abs=2e-4), element
    assert float(trouve.group(2)) == pytest.approx(5.8697, abs=2e-4)
    assert float(trouve.group(3)) == pytest.approx(Eg(300), abs=2e-4)


@pytest.mark.parametrize("cible, Eg", [("1.3um", 1.23984198 / 1.3), ("1550nm", 1239.84198 / 1550), ("1.1eV", 1.1)])
def test_accord_a_une_longueur_d_onde(tmp_path, cible, Eg):
    rapport = composer(tmp_path, f"InGaAsP:{cible}:60", "--accord", "InP", "--guide", f"InGaAsP:{cible}:500,InP")
    trouve = re.search(r"puits en accord de maille sur InP : In(\S+)Ga(\S+)As(\S+)P(\S+), a = \S+ Å, Eg = (\S+) eV",
                       rapport)
    x, y = float(trouve.group(2)), float(trouve.group(3))
    assert ingaasp(x, y, 300) == pytest.approx(Eg, abs=3e-4)   # fractions rounded to 1e-4
    # lattice-matched: the strain on the InP barrier is nil
    assert abs(float(re.search(r"epsilon = (\S+)", rapport).group(1))) < 1e-4


def test_puits_contraint_nomme_par_sa_composition(tmp_path):
    """With --accord, a strained quaternary well named by its composition is
    taken as written: the report says its strain, never that it is matched."""
    fait = executer_composer("--puits", "Al0.15Ga0.15In0.7As:50", "--barriere", "AlGaInAs:1.0um:100", "--accord",
                             "InP", *GRILLE, "-o", tmp_path / "config.ini")
    assert fait.returncode == 0, fait.stderr
    assert "barrière en accord de maille sur InP : Al0.3654Ga0.1073In0.5273As" in fait.stdout
    assert "puits en accord" not in fait.stdout and "epsilon = -0.0116" in fait.stdout
