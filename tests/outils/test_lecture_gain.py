"""Readers of gain's files and config.ini, fits and figures of merit."""
import numpy as np
import pytest

from atelier import merite
from atelier.dossier import lire_dossier
from atelier.verification import ErreurLecture
from conftest import lancer_gain_console

def test_config_lue_par_gain(copie_calcul):
    """The tools take config.ini as gain reads it: a byte-order mark, a CRLF
    line, blanks around a key; a value gain refuses."""
    dossier = copie_calcul()
    config = dossier / "config.ini"
    texte = config.read_bytes()
    config.write_bytes(b"\xef\xbb\xbf" + texte.replace(b"debut_E=1150\n", b"  debut_E\t= 1150\r\n"))
    r = lire_dossier(dossier)
    assert r.problemes == [] and r.config.valeur("calcul", "debut_E") == 1150.0
    assert r.config.texte("calcul", "debut_E") == " 1150"
    # A file gain refuses holds no results of its own: refused with gain's message.
    config.write_bytes(texte.replace(b"lambda=975", b"lambda=975,5"))
    with pytest.raises(ErreurLecture, match=r"gain refuse .* \(statut 1\) : Valeur illisible pour la clé lambda "
                                               r"\[bragg\] : « 975,5 » \(le séparateur décimal est le point\)"):
        lire_dossier(dossier)


@pytest.mark.parametrize("g0, Ntr", [(1500.0, 1.3e18), (2900.0, 8e17)])
def test_ajustement_logarithmique(g0, Ntr):
    N = np.linspace(0.5, 3.0, 11) * Ntr
    g = g0 * np.log(N / Ntr)
    g[N < Ntr] = -100.0  # off the curve below transparency: they must not count
    g0_lu, Ntr_lu, n = merite.ajuster_log(N, g)
    assert g0_lu == pytest.approx(g0, rel=1e-9)
    assert Ntr_lu == pytest.approx(Ntr, rel=1e-9)
    assert n == int(np.sum(N > Ntr))


@pytest.mark.parametrize("g", [[-3.0, -2.0, -1.0], [-3.0, -1.0, 5.0], [4.0]])
def test_ajustement_impossible(g):
    assert merite.ajuster_log(np.arange(1, len(g) + 1) * 1e18, g) is None


# --- On a real run of the example --------------------------------------

def test_lecteurs_sur_un_vrai_calcul(calcul_exemple):
    r = lire_dossier(calcul_exemple)
    assert r.problemes == [] and r.absents == []
    lignes_param = (calcul_exemple / "parametres.txt").read_bytes().decode("cp1252").splitlines()
    assert len(r.parametres.N) == len(lignes_param) - 1 == len(r.spectres.te) == len(r.releve.densites)
    # A value read back equals the file's text.
    champs = (calcul_exemple / "gain.txt").read_text().splitlines()[2].split("\t")
    assert r.spectres.energies[1] == float(champs[0]) and r.spectres.te[0, 1] == float(champs[1])
    assert r.parametres.Jnr[-1] == float(lignes_param[-1].split("\t")[3])
    assert r.pi.courant[-1] == float((calcul_exemple / "P-I.txt").read_text().splitlines()[-1].split("\t")[0])
    assert r.releve.Vc_meV == r.config.materiau["Vc_meV"]
    assert len(r.enveloppes.noms) == sum(len(v) for v in r.releve.niveaux.values())
    assert r.dispersion.niveaux.shape[1] >= len(r.dispersion.branche_lh)

    fm = merite.calculer_figures_de_merite(r)
    assert fm["seuil_atteint"] and fm["indisponible"] == {}
    # gain's threshold: the parameter file's Jth on the threshold line, to its printed digits
    assert f"{fm['Jth_A_cm2']:f}" == f"{r.parametres.Jth[merite.indice_seuil(r.parametres)]:f}"
    # The P-I line crosses zero at the threshold current.
    assert np.interp(0.0, r.pi.puissance, r.pi.courant) * 1000 == pytest.approx(fm["Ith_mA"], abs=0.01)
    assert fm["Ntr_cm3"] < fm["Nth_cm3"] and fm["Jtr_A_cm2"] < fm["Jth_A_cm2"]
    assert fm["cavite"] == r.releve.cavites[-1]


def _couper(chemin, fraction):
    donnees = chemin.read_bytes()
    chemin.write_bytes(donnees[: int(len(donnees) * fraction)])


def test_fichier_de_gain_tronque(copie_calcul):
    dossier = copie_calcul()
    _couper(dossier / "gain.txt", 0.93)
    r = lire_dossier(dossier)
    assert len(r.problemes) == 1 and "gain.txt" in r.problemes[0] and "tronqué" in r.problemes[0]
    assert len(r.spectres.te) == len(r.parametres.N) - 1  # the complete spectra are kept


def test_fichier_des_parametres_vide(copie_calcul):
    dossier = copie_calcul()
    (dossier / "parametres.txt").write_bytes(b"")
    fm = merite.figures_de_merite(dossier)
    assert "parametres.txt" in fm["problemes"][0] and "vide" in fm["problemes"][0]
    assert fm["Nth_cm3"] is None and "fichier des paramètres" in fm["indisponible"]["Nth_cm3"]


def test_une_seule_densite(gain_exe, dossier_exemple):
    dossier = dossier_exemple()
    assert lancer_gain_console(gain_exe, dossier).returncode == 0
    fm = merite.figures_de_merite(dossier)
    assert fm["nb_densites"] == 1
    for cle in ("Ntr_cm3", "g0_cm1", "Jtr_A_cm2", "gJ_cm1"):
        assert fm[cle] is None and "une seule densité" in fm["indisponible"][cle]
    # The example's first density is below threshold: nothing of threshold is made up.
    assert fm["seuil_atteint"] is False
    for cle in ("Nth_cm3", "Jth_A_cm2", "Ith_mA", "rendement_W_A", "lambda_emission_nm", "cavite"):
        assert fm[cle] is None and fm["indisponible"][cle].startswith("seuil non atteint")


def test_fichier_des_resultats_absent_ou_tronque(copie_calcul):
    """Without gain's run record nothing of gain's is made up; a record cut
    short is said."""
    dossier = copie_calcul()
    resultats = dossier / "resultats.json"
    resultats.write_bytes(resultats.read_bytes()[:-200])
    fm = merite.figures_de_merite(dossier)
    assert any("resultats.json" in p and "tronqué" in p for p in fm["problemes"])
    resultats.unlink()
    fm = merite.figures_de_merite(dossier)
    assert fm["cavite"] is None and fm["Nth_cm3"] is None and fm["E1_meV"] is None
    assert "fichier des résultats" in fm["indisponible"]["Nth_cm3"] and fm["g0_cm1"] is not None


def test_dossier_sans_config(tmp_path):
    with pytest.raises(ErreurLecture, match="config.ini"):
        merite.figures_de_merite(tmp_path)


def test_puits_en_tension_transition_et_polarisation_du_seuil(gain_exe, tmp_path):
    """The tensile reference run lases in TM from E1-LH1: the figures of merit
    name both, and the material gain of the fit is Gmax over Γ_TM."""
    import pathlib
    import shutil
    cas = pathlib.Path(__file__).resolve().parents[1] / "regression" / "traction_60"
    shutil.copy(cas / "config.ini", tmp_path / "config.ini")
    ini = (tmp_path / "config.ini").read_text()
    (tmp_path / "config.ini").write_text(ini.replace("[sortie]\n", "[sortie]\nfichier_resultats=resultats.json\n"))
    assert lancer_gain_console(gain_exe, tmp_path, (cas / "arguments").read_text().split()).returncode == 0
    fm = merite.figures_de_merite(tmp_path)
    assert fm["transition"] == "E1-LH1" and fm["polarisation"] == "TM"
    assert fm["E1_trou1_meV"] == pytest.approx(fm["E1_HH1_meV"] - (18.96 - 0.26), abs=1e-9)
    assert f"{fm['Nth_cm3']:e}" == "3.533464e+18"
    ini = (tmp_path / "config.ini").read_text().replace("facteur_confinement=0.03\n",
                                                        "facteur_confinement=0.03\nfacteur_confinement_tm=0.015\n")
    (tmp_path / "config.ini").write_text(ini)
    assert merite.figures_de_merite(tmp_path)["g0_cm1"] == pytest.approx(2 * fm["g0_cm1"], rel=1e-9)
