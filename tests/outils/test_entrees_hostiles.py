"""Hostile inputs to every tool: a message on the error stream naming the
file and the fault, status 1, never a traceback; and the composer replaces
nothing unless every check, the guide's figure included, has passed, and a
file it replaces keeps its mode."""
import os
import subprocess

import pytest

from atelier import composer, guide_onde
from conftest import EXEMPLES, OUTILS, RACINE

COUCHES = ["--puits", "In0.2Ga0.8As:70", "--barriere", "GaAs:250"]
NON_UTF8 = b"\xff\xfe\x00id = 1\n"


def appareil(tmp_path, remplacer=None, octets=None):
    """A validation folder holding P01, its appareil.toml altered."""
    dossier = tmp_path / "validation" / "P01"
    dossier.mkdir(parents=True)
    texte = (RACINE / "validation" / "P01" / "appareil.toml").read_bytes()
    if remplacer:
        assert remplacer[0] in texte
        texte = texte.replace(*remplacer)
    (dossier / "appareil.toml").write_bytes(octets if octets is not None else texte)
    return ["--validation", str(tmp_path / "validation"), "--dossier", str(tmp_path / "runs")]


def dossier_calcul(tmp_path, arguments):
    """The example's config.ini with an arguments file of these bytes."""
    dossier = tmp_path / "calcul"
    dossier.mkdir()
    (dossier / "config.ini").write_bytes((EXEMPLES / "in020ga080as_980nm" / "config.ini").read_bytes())
    (dossier / "arguments").write_bytes(arguments)
    return dossier


CAS = {
    "valider dossier absent": lambda t: ("valider", ["--validation", str(t / "absent")],
                                         f"{t / 'absent'} : pas un dossier d'appareils"),
    "valider toml binaire": lambda t: ("valider", appareil(t, octets=NON_UTF8),
                                       "appareil.toml : pas du texte UTF-8 (octet 0xff en position 0)"),
    "valider Jth mesuré nul": lambda t: ("valider", appareil(t, (b"Jth_A_cm2 = 93", b"Jth_A_cm2 = 0")),
                                         "appareil.toml : [mesure] Jth_A_cm2 = 0 hors de ]0, inf]"),
    "valider clé absente": lambda t: ("valider", appareil(t, (b"eta_interne = 0.9", b"")),
                                      "appareil.toml : [cavite] eta_interne absente ou pas un nombre"),
    "composer guide de 1e400 Å": lambda t: ("composer", [*COUCHES, "--guide", "GaAs:1e400,Al0.3Ga0.7As", "-o",
                                                         str(t / "c" / "config.ini")],
                                            "couche du guide « GaAs:1e400 » : largeur de inf Å au-delà de 1e+06 Å"),
    "composer guide de 1e9 Å": lambda t: ("composer", [*COUCHES, "--guide", "GaAs:1e9,Al0.3Ga0.7As", "-o",
                                                       str(t / "c" / "config.ini")], "largeur de 1e+09 Å"),
    "composer guide de 1001 couches": lambda t: ("composer", [*COUCHES, "--guide", ",".join(["GaAs:100"] * 1001),
                                                              "-o", str(t / "c" / "config.ini")],
                                                 "--guide : 1001 couches, au plus 100"),
    "composer bibliothèque binaire": lambda t: (
        "composer", [*COUCHES, "--bibliotheque", str(t / "config.ini"), "-o", str(t / "c" / "config.ini")],
        f"bibliothèque {t / 'config.ini'} : pas du texte UTF-8 (octet 0xff en position 0)"),
    "lancer arguments binaires": lambda t: ("lancer", [str(dossier_calcul(t, NON_UTF8))],
                                            "calcul/arguments : pas du texte UTF-8 (octet 0xff en position 0)"),
    "lancer guillemet ouvert": lambda t: ("lancer", [str(dossier_calcul(t, b"courant '3 1e17\n"))],
                                          "calcul/arguments : ligne de commande illisible"),
    "tracer dossier absent": lambda t: ("tracer", [str(t / "absent")], "n'est pas un dossier"),
    "balayage arguments binaires": lambda t: ("balayage", ["--base", str(dossier_calcul(t, NON_UTF8)), "--cle",
                                                           "puits.largeur", "--valeurs", "60,70", "--dossier",
                                                           str(t / "b")], "calcul/arguments : illisible"),
    "caracteriser base absente": lambda t: ("caracteriser", [str(t / "absent"), "--temperatures", "280:300:2"],
                                            "absent/arguments absent"),
}


@pytest.mark.parametrize("nom", CAS)
def test_entree_hostile_donne_un_message(gain_exe, tmp_path, nom):
    (tmp_path / "config.ini").write_bytes(NON_UTF8)
    outil, arguments, message = CAS[nom](tmp_path)
    fini = subprocess.run([str(OUTILS / outil), *arguments], capture_output=True, text=True, timeout=300,
                          check=False)
    assert "Traceback" not in fini.stderr + fini.stdout, fini.stderr
    assert fini.returncode == 1 and message in fini.stderr, fini.stdout + fini.stderr
    assert not (tmp_path / "c").exists() and not (tmp_path / "b").exists()


def test_composer_ne_remplace_rien_si_la_figure_echoue(gain_exe, tmp_path, monkeypatch, capsys):
    sortie = tmp_path / "config.ini"
    sortie.write_bytes(b"ancien\n")
    os.chmod(sortie, 0o644)
    mots = [*COUCHES, "--guide", "GaAs:1000,Al0.3Ga0.7As", "--sans-gain", "--force", "-o", str(sortie)]

    def echoue(*_):
        raise RuntimeError("In draw_glyphs_to_bitmap: Could not convert glyph to bitmap")
    with monkeypatch.context() as m:
        m.setattr(guide_onde, "tracer", echoue)
        assert composer.main(mots) == 1
    assert "guide.png ne peut être écrit (RuntimeError" in capsys.readouterr().err
    assert sortie.read_bytes() == b"ancien\n" and sorted(p.name for p in tmp_path.iterdir()) == ["config.ini"]
    # Replaced, the file keeps its mode whatever the umask.
    masque = os.umask(0o077)
    try:
        assert composer.main(mots) == 0
    finally:
        os.umask(masque)
    assert sortie.read_bytes() != b"ancien\n" and os.stat(sortie).st_mode & 0o777 == 0o644
    assert (tmp_path / "guide.png").stat().st_size > 0
