"""outils/tracer on real runs: every figure, and the folders it cannot fully draw."""
import re
import subprocess
import sys

import pytest

from atelier import figures, figures_bandes, merite, merite_gain
from atelier import tracer as outil_tracer
from atelier.dossier import lire_dossier
from conftest import OUTILS, executer_composer, lancer_gain_console

TOUTES = [nom for nom, _ in outil_tracer.FIGURES]


def tracer(dossier):
    return subprocess.run([sys.executable, str(OUTILS / "tracer"), str(dossier)], capture_output=True,
                          text=True, timeout=300, check=False)


def dessinees(dossier):
    return sorted(p.stem for p in (dossier / "figures").glob("*.png")) if (dossier / "figures").exists() else []


def test_toutes_les_figures_d_un_vrai_calcul(copie_calcul):
    dossier = copie_calcul()
    fini = tracer(dossier)
    assert fini.returncode == 0, fini.stderr
    assert dessinees(dossier) == TOUTES
    for nom in TOUTES:
        assert (dossier / "figures" / f"{nom}.png").read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
        pdf = (dossier / "figures" / f"{nom}.pdf").read_bytes()
        assert pdf.startswith(b"%PDF-") and pdf.rstrip().endswith(b"%%EOF")
    resume = (dossier / "resume.txt").read_text(encoding="utf-8")
    assert resume in fini.stdout and "Courant de seuil Ith" in resume and "indisponible" not in resume


def test_une_courbe_par_densite(calcul_exemple):
    r = lire_dossier(calcul_exemple)
    n = len(r.parametres.N)

    def courbes(fig, gid):
        return sum(1 for ax in fig.axes for ligne in ax.get_lines() if ligne.get_gid() == gid)

    gain = figures.figure_spectres_gain(r)
    assert courbes(gain, "spectre_TE") == courbes(gain, "spectre_TM") == n
    assert courbes(figures.figure_emission_spontanee(r), "spectre_Rsp") == n
    seuil = figures.figure_gain_max(r, merite.calculer_figures_de_merite(r))
    assert len(seuil.axes[0].get_lines()[0].get_xdata()) == n
    assert courbes(figures_bandes.figure_profil(r), "enveloppe") == len(r.enveloppes.noms)


def test_reponse_petit_signal_de_gain(calcul_exemple):
    """The three currents of gain's summary: the two-pole response drawn from
    its f_r and damping falls to -3 dB at the bandwidth gain gives, and the
    summary's lines reach resume.txt."""
    r = lire_dossier(calcul_exemple)
    m = r.releve.merite
    assert [p["multiple"] for p in m["points"]] == [2, 4, 8] and m["mode"] == "TE"
    for p in m["points"]:
        assert merite_gain.module_H(p["f_3dB_GHz"], p) == pytest.approx(2**-0.5, rel=1e-5)
        assert merite_gain.module_H(1e-9, p) == pytest.approx(1.0)
    fig = merite_gain.figure_modulation(m)
    assert sum(1 for l in fig.axes[0].get_lines() if l.get_gid() == "reponse") == 3
    resume = outil_tracer.texte_resume(r, merite.calculer_figures_de_merite(r))
    assert f"{m['alpha_H']:.3f}" in resume and f"{m['points'][0]['f_3dB_GHz']:.3f} GHz" in resume


def test_la_console_ne_donne_aucun_nombre(copie_calcul):
    """Every number of the summary and the figures is gain's run record's: a
    console of other wording and other numbers, or none, changes nothing."""
    dossier = copie_calcul()
    assert tracer(dossier).returncode == 0
    avant = (dossier / "resume.txt").read_bytes()
    console = dossier / "console.txt"
    console.write_text(re.sub(r"[0-9]", "7", console.read_text()).replace("Nth", "N_seuil").replace(" : ", " = "))
    assert tracer(dossier).returncode == 0
    assert (dossier / "resume.txt").read_bytes() == avant
    console.unlink()
    fini = tracer(dossier)
    assert fini.returncode == 0 and dessinees(dossier) == TOUTES
    assert (dossier / "resume.txt").read_bytes() == avant


def test_aucun_module_ne_lit_la_console():
    """No module of the tools holds a phrase of gain's console to search it for."""
    phrases = ("densité de seuil Nth", "Calcul du gain pour N", "EFC :", "meV\tEg_Puits", "dans la BC (meV)",
               "parts de Jth", "longueur d'onde d'émission :", "facteur K :", "dg/dN :", "Continuum des barrières :",
               "courant de seuil :", "polarisation : TM")
    for module in sorted((OUTILS / "atelier").glob("*.py")):
        texte = module.read_text(encoding="utf-8")
        assert not [p for p in phrases if p in texte], module.name


def test_dossier_sans_config(tmp_path):
    fini = tracer(tmp_path)
    assert fini.returncode == 1
    assert "config.ini" in fini.stderr and "rien à tracer" in fini.stderr


def test_config_que_gain_refuse(copie_calcul):
    # No run of gain on this config.ini made the results beside it: nothing is drawn, gain says why.
    dossier = copie_calcul()
    config = dossier / "config.ini"
    config.write_text(config.read_text().replace("fichier_gain=gain.txt\n", ""))
    fini = tracer(dossier)
    assert fini.returncode == 1 and dessinees(dossier) == []
    assert "gain refuse" in fini.stderr and "Erreur creation fichier de sortie du gain : (clé absente)" in fini.stderr


def test_fichier_de_dispersion_absent(copie_calcul):
    dossier = copie_calcul()
    (dossier / "dispersion.txt").unlink()
    fini = tracer(dossier)
    assert fini.returncode == 0, fini.stderr  # an optional file
    assert "dispersion.txt" in fini.stdout
    assert dessinees(dossier) == [n for n in TOUTES if n != "5_dispersion_trous"]


def test_gain_tronque_et_pi_vide(copie_calcul):
    # A run stopped half-way: the spectra cut in the middle, P-I never written.
    dossier = copie_calcul()
    gain = dossier / "gain.txt"
    gain.write_bytes(gain.read_bytes()[:-5000])
    (dossier / "P-I.txt").write_bytes(b"")
    fini = tracer(dossier)
    assert fini.returncode == 1
    assert "gain.txt" in fini.stderr and "tronqué" in fini.stderr
    assert "P-I.txt" in fini.stderr and "vide" in fini.stderr
    assert dessinees(dossier) == [n for n in TOUTES if n != "4_courbe_PI"]


def test_dispersion_2d_et_une_densite(gain_exe, dossier_exemple):
    dossier = dossier_exemple()
    config = dossier / "config.ini"
    config.write_text(config.read_text().replace("variation_en_ky=0", "variation_en_ky=1")
                      .replace("Nk=70", "Nk=30").replace("deltak=1.5e7", "deltak=3.5e7"))
    assert lancer_gain_console(gain_exe, dossier, ["courant", "1", "2e17"]).returncode == 0
    fini = tracer(dossier)
    assert fini.returncode == 0, fini.stderr
    assert "une seule densité" in fini.stdout and "seuil non atteint" in fini.stdout
    r = lire_dossier(dossier)
    fig = figures_bandes.figure_dispersion(r)
    axes = [ax for ax in fig.axes if any(l.get_gid() for l in ax.get_lines())]
    assert len(axes) == 2  # the kx axis and the diagonal


def test_calcul_arrete_a_la_premiere_densite(gain_exe, dossier_exemple):
    # Threshold already at the first density: gain stops and puts no output
    # in place (a stopped run leaves the previous results, here none).
    dossier = dossier_exemple()
    config = dossier / "config.ini"
    config.write_text(config.read_text().replace("Ninj=1e18", "Ninj=3e18"))
    assert lancer_gain_console(gain_exe, dossier, ["courant", "5", "2e17"]).returncode == 1
    assert not (dossier / "gain.txt").exists() and not (dossier / "P-I.txt").exists()
    fini = tracer(dossier)
    assert fini.returncode == 1 and "P-I.txt" in fini.stderr
    assert "Valeur de Ninj trop élevée" in (dossier / "resume.txt").read_text(encoding="utf-8")
    assert "1_spectres_gain" not in dessinees(dossier)


def test_config_avec_marque_d_ordre_lue_par_tracer_et_composer(copie_calcul, tmp_path):
    # gain skips a UTF-8 byte-order mark (some Windows editors write one): so do the tools.
    dossier = copie_calcul()
    config = dossier / "config.ini"
    sans = tmp_path / "sans.ini"
    sans.write_bytes(config.read_bytes())
    config.write_bytes(b"\xef\xbb\xbf" + sans.read_bytes())
    fini = tracer(dossier)
    assert fini.returncode == 0, fini.stderr
    assert dessinees(dossier) == TOUTES
    sorties = []
    for base in (config, sans):
        # each in its own folder: the composer writes its arguments file beside the config
        (tmp_path / base.stem).mkdir()
        sorties.append(tmp_path / base.stem / "config.ini")
        fait = executer_composer("--puits", "In0.2Ga0.8As:75", "--barriere", "GaAs:250", "--base", base,
                                 "-o", sorties[-1])
        assert fait.returncode == 0, fait.stderr
    # written value by value into the base: the mark is kept, nothing else differs
    assert sorties[0].read_bytes() == b"\xef\xbb\xbf" + sorties[1].read_bytes()
