"""outils/balayage: key substitution by gain's rules, local sweeps (one key,
a grid), failures, resume, and the same sweep through a real Slurm cluster."""
import os
import shutil
import signal
import subprocess
import time

import pytest

from atelier import balayage_points as bg
from atelier import balayage_rassemblement, balayage_slurm, merite
from atelier import verification as vg
from conftest import OUTILS, RACINE

BALAYAGE = str(OUTILS / "balayage")

EXEMPLE = (RACINE / "examples" / "in020ga080as_980nm" / "config.ini").read_bytes()
# The example with a second [puits] (never read), blanks around a key and a remark line.
INI = (EXEMPLE.replace(b"largeur=75\n", b"  largeur = 75\nremarque sans signe egal\n")
       + b"\n[puits]\nlargeur=1\n")


@pytest.mark.parametrize("cle, valeur, avant, apres", [
    # A key of two sections: only the section named changes; a second [puits] is never read.
    ("puits.largeur", "50", b"  largeur = 75\n", b"  largeur =50\n"),
    ("barriere.largeur", "300", b"largeur=250\n", b"largeur=300\n"),
    # The value goes verbatim after '=': blanks are gain's business.
    ("puits.largeur", " 80 ", b"  largeur = 75\n", b"  largeur = 80 \n"),
    # Absent from the base: added after the last line of its section, or with a new section.
    ("systeme.facteur_confinement_tm", "0.01", b"K_delta_Ec=0.62\n", b"K_delta_Ec=0.62\nfacteur_confinement_tm=0.01\n"),
    ("modele.forme_raie", "sech", b"[puits]\nlargeur=1\n", b"[puits]\nlargeur=1\n\n[modele]\nforme_raie=sech\n"),
])
def test_ecriture_ligne_a_ligne(gain_exe, cle, valeur, avant, apres):
    """The writer changes the value and no other byte, and gain reads the value written."""
    section, nom = bg.analyser_cle(cle)
    texte, ajoutee = vg.regler_cle(INI, section, nom, valeur)
    assert ajoutee is (avant in apres) and texte == INI.replace(avant, apres, 1)
    lu = vg.verifier_texte(texte, gain_exe)
    assert lu.statut == 0 and lu.texte(section, nom) == valeur


def test_ecriture_garde_crlf():
    texte, _ = vg.regler_cle(b"[puits]\r\nlargeur=75\r\n", "puits", "largeur", "60")
    assert texte == b"[puits]\r\nlargeur=60\r\n"


@pytest.mark.parametrize("texte, attendu", [
    ("50:100:3", ["50", "75", "100"]),
    ("1e17:1e19:3:log", ["1e+17", "1e+18", "1e+19"]),
    ("50, 60 ,abc", ["50", " 60 ", "abc"]),
    ("0:1:11", [f"{i / 10:.12g}" for i in range(11)]),
])
def test_analyser_valeurs(texte, attendu):
    assert bg.analyser_valeurs(texte) == attendu


@pytest.mark.parametrize("texte", ["1:2:0", "0:1:3:log", "a:b:3", "1,,2"])
def test_valeurs_refusees(texte):
    with pytest.raises(bg.ErreurBalayage):
        bg.analyser_valeurs(texte)


@pytest.mark.parametrize("texte", ["50-100-5", "50:100", "50:100:5:7", "50;60;70", "50..100", "60,70 80"])
def test_liste_mal_formee_refusee_avec_les_formes(texte):
    with pytest.raises(bg.ErreurBalayage, match="formes acceptées : début:fin:nombre"):
        bg.analyser_valeurs(texte)
    assert bg.analyser_valeurs("-5,1e-3, 7 ") == ["-5", "1e-3", " 7 "]


# The faulty gains below break down on runs only: their reading of config.ini is gain's.
LECTURE_INTACTE = '[ "$1" = --verifier ] && exec {gain} "$@"\n'


def balayer(gain, base, dossier, *options, env=None):
    return subprocess.run([BALAYAGE, "--base", str(base), "--dossier", str(dossier), "--gain", str(gain),
                           "--travaux", "2", *options], capture_output=True, text=True, timeout=900,
                          check=False, env=env)


def table(dossier):
    lignes = (dossier / balayage_rassemblement.FICHIER_TABLE).read_text(encoding="utf-8").splitlines()
    entete = lignes[0].split("\t")
    return entete, [dict(zip(entete, l.split("\t"))) for l in lignes[1:]]


def test_deux_valeurs_de_bout_en_bout(gain_exe, calcul_exemple, tmp_path):
    fini = balayer(gain_exe, calcul_exemple, tmp_path / "b", "--cle", "puits.largeur", "--valeurs", "75,60")
    assert fini.returncode == 0, fini.stdout + fini.stderr
    entete, lignes = table(tmp_path / "b")
    assert entete[:4] == ["puits.largeur_A", "point", "etat", "statut"]
    assert {"Jth_A_cm2", "lambda_emission_nm", "Nth_cm3", "Ith_mA", "cavite", "g0_cm1", "Ntr_cm3"} <= set(entete)
    assert [l["puits.largeur_A"] for l in lignes] == ["75", "60"]
    # The 75 A point is the example itself: the same figures of merit as its own run.
    fm = merite.figures_de_merite(calcul_exemple)
    for cle in ("Jth_A_cm2", "lambda_emission_nm", "Nth_cm3", "Ith_mA", "g0_cm1", "Ntr_cm3"):
        assert float(lignes[0][cle]) == fm[cle]
    assert lignes[0]["cavite"] == fm["cavite"] and lignes[1]["etat"] == "fini"
    assert float(lignes[1]["lambda_emission_nm"]) < fm["lambda_emission_nm"]  # narrower well, bluer
    base = (calcul_exemple / "config.ini").read_bytes()
    assert (tmp_path / "b" / "p002" / "config.ini").read_bytes() == base.replace(b"\nlargeur=75\n", b"\nlargeur=60\n")
    assert "puits.largeur\t60" in (tmp_path / "b" / "p002" / "point.tsv").read_text()
    assert (tmp_path / "b" / "balayage.png").stat().st_size > 0
    assert "2/2 points faits" in fini.stdout


def test_grille_de_deux_cles(gain_exe, dossier_exemple, tmp_path):
    fini = balayer(gain_exe, dossier_exemple(), tmp_path / "g", "--cle", "puits.largeur", "--valeurs", "60:80:2",
                   "--cle", "bragg.lambda", "--valeurs", "970,980")
    assert fini.returncode == 0, fini.stdout + fini.stderr
    entete, lignes = table(tmp_path / "g")
    assert entete[:2] == ["puits.largeur_A", "bragg.lambda_nm"]
    assert [(l["puits.largeur_A"], l["bragg.lambda_nm"]) for l in lignes] == [
        ("60", "970"), ("60", "980"), ("80", "970"), ("80", "980")]
    for l in lignes:
        cfg = vg.verifier_dossier(tmp_path / "g" / l["point"], gain_exe)
        assert (cfg.texte("puits", "largeur"), cfg.texte("bragg", "lambda")) == (l["puits.largeur_A"], l["bragg.lambda_nm"])
        assert cfg.texte("barriere", "largeur") == "250"
        assert l["etat"] == "fini"
    assert (tmp_path / "g" / "balayage.pdf").exists()


def test_echec_rapporte_sans_arreter_les_autres(gain_exe, dossier_exemple, tmp_path):
    fini = balayer(gain_exe, dossier_exemple(), tmp_path / "e", "--cle", "puits.largeur", "--valeurs", "60,abc,80")
    assert fini.returncode == 1
    _, lignes = table(tmp_path / "e")
    assert [l["etat"] for l in lignes] == ["fini", "echec", "fini"]
    message = "Valeur illisible pour la clé largeur [puits] : « abc » (ce n'est pas un nombre)."
    assert lignes[1]["statut"] == "1" and lignes[1]["message"] == message
    assert lignes[1]["Jth_A_cm2"] == "nan"
    assert "1 en échec" in fini.stdout and f"p002 (echec, statut 1) : {message}" in fini.stdout


def test_reprise_apres_un_point_en_echec(gain_exe, dossier_exemple, tmp_path):
    # A gain that breaks down on one point while a marker file exists.
    panne = tmp_path / "panne"
    panne.touch()
    faux = tmp_path / "gain_fragile"
    faux.write_text(f"#!/bin/bash\n{LECTURE_INTACTE.format(gain=gain_exe)}if [ -e {panne} ] && grep -q '^largeur=70$' config.ini; then\n"
                    f"  echo 'Erreur : disque plein'; exit 3\nfi\nexec {gain_exe} \"$@\"\n")
    faux.chmod(0o755)
    options = ("--cle", "puits.largeur", "--valeurs", "60:80:3")
    base = dossier_exemple()
    assert balayer(faux, base, tmp_path / "r", *options).returncode == 1
    _, lignes = table(tmp_path / "r")
    assert [(l["etat"], l["statut"], l["message"]) for l in lignes][1] == ("echec", "3", "Erreur : disque plein")
    premiers = {l["point"]: os.stat(tmp_path / "r" / l["point"] / "console.txt").st_mtime_ns for l in lignes}

    panne.unlink()
    # Without the request the failed point stays failed and nothing runs again.
    assert balayer(faux, base, tmp_path / "r", *options).returncode == 1
    assert table(tmp_path / "r")[1][1]["etat"] == "echec"
    fini = balayer(faux, base, tmp_path / "r", *options, "--reprendre-echecs")
    assert fini.returncode == 0, fini.stdout
    assert "non relancés : 2" in fini.stdout
    _, lignes = table(tmp_path / "r")
    assert [l["etat"] for l in lignes] == ["fini"] * 3
    for nom in ("p001", "p003"):
        assert os.stat(tmp_path / "r" / nom / "console.txt").st_mtime_ns == premiers[nom]


def test_autre_balayage_dans_le_meme_dossier_refuse(gain_exe, dossier_exemple, tmp_path):
    base = dossier_exemple()
    assert balayer(gain_exe, base, tmp_path / "d", "--cle", "puits.largeur", "--valeurs", "60,70").returncode == 0
    avant = (tmp_path / "d" / "p002" / "console.txt").read_bytes()
    shutil.rmtree(tmp_path / "d" / "p001")
    for autre in (("--valeurs", "60,71"),  # p001 would be new, p002 differs: nothing is written
                  ("--valeurs", "60,70", "--arguments", "courant 10 2e17")):
        fini = balayer(gain_exe, base, tmp_path / "d", "--cle", "puits.largeur", *autre)
        assert fini.returncode == 1 and "autre balayage" in fini.stderr
        assert not (tmp_path / "d" / "p001").exists()
    assert (tmp_path / "d" / "p002" / "console.txt").read_bytes() == avant


def test_point_interrompu_reste_a_faire(gain_exe, dossier_exemple, tmp_path):
    # A run stopped by SIGTERM (Ctrl-C, scancel) is unfinished, not failed: the next call runs it.
    marque = tmp_path / "interrompre"
    marque.touch()
    faux = tmp_path / "gain_interrompu"
    faux.write_text(f"#!/bin/bash\n{LECTURE_INTACTE.format(gain=gain_exe)}if [ -e {marque} ] && grep -q '^largeur=70$' config.ini; then\n"
                    f"  kill -TERM $$\nfi\nexec {gain_exe} \"$@\"\n")
    faux.chmod(0o755)
    base = dossier_exemple()
    fini = balayer(faux, base, tmp_path / "i", "--cle", "puits.largeur", "--valeurs", "60,70", "--sans-figure")
    assert fini.returncode == 1
    assert [(l["etat"], l["statut"]) for l in table(tmp_path / "i")[1]] == [("fini", "0"), ("non_fini", "nan")]
    marque.unlink()
    fini = balayer(faux, base, tmp_path / "i", "--cle", "puits.largeur", "--valeurs", "60,70", "--sans-figure")
    assert fini.returncode == 0 and "non relancés : 1" in fini.stdout


def test_balayage_slurm_egal_au_local(grappe_slurm, gain_exe, dossier_exemple, tmp_path):
    base = dossier_exemple()
    options = ("--cle", "puits.largeur", "--valeurs", "60,abc,80", "--sans-figure")
    local = balayer(gain_exe, base, tmp_path / "local", *options)
    slurm = balayer(gain_exe, base, tmp_path / "slurm", *options, "--slurm", "--soumettre", "--attendre",
                    "--simultanes", "2", "--temps", "00:05:00", "--memoire", "200M", env=grappe_slurm)
    assert (local.returncode, slurm.returncode) == (1, 1), slurm.stdout + slurm.stderr
    script = (tmp_path / "slurm" / balayage_slurm.FICHIER_SCRIPT).read_text()
    assert "#SBATCH --array=1-3%2" in script and "#SBATCH --mem=200M" in script
    assert (tmp_path / "slurm" / "balayage.tsv").read_bytes() == (tmp_path / "local" / "balayage.tsv").read_bytes()
    # Gathering alone reads the same finished points again.
    encore = balayer(gain_exe, base, tmp_path / "slurm", *options, "--rassembler")
    assert encore.returncode == 1
    assert (tmp_path / "slurm" / "balayage.tsv").read_bytes() == (tmp_path / "local" / "balayage.tsv").read_bytes()


def test_base_sans_arguments_et_cle_absente_refusees(gain_exe, dossier_exemple, tmp_path):
    base = dossier_exemple()
    (base / "arguments").unlink()
    fini = balayer(gain_exe, base, tmp_path / "a", "--cle", "puits.largeur", "--valeurs", "60,70")
    assert fini.returncode == 1 and f"{base / 'arguments'} absent" in fini.stderr
    assert '--arguments "courant 20 2e17"' in fini.stderr
    fini = balayer(gain_exe, base, tmp_path / "a", "--cle", "puits.largueur", "--valeurs", "60,70",
                   "--arguments", "courant 3 1e17")
    assert fini.returncode == 1 and "(voulez-vous dire puits.largeur ?)" in fini.stderr
    assert "--ajouter-cle" in fini.stderr
    fini = balayer(gain_exe, base, tmp_path / "a", "--cle", "puits.largeur", "--valeurs", "50-100-5",
                   "--arguments", "")
    assert fini.returncode == 1 and "formes acceptées" in fini.stderr
    assert not (tmp_path / "a").exists()
    # Said explicitly, both go through (written as a job array, run by no one here).
    fini = balayer(gain_exe, base, tmp_path / "a", "--cle", "puits.largueur", "--valeurs", "60,70",
                   "--arguments", "", "--ajouter-cle", "--slurm")
    assert fini.returncode == 0, fini.stderr
    assert b"largueur=70" in (tmp_path / "a" / "p002" / "config.ini").read_bytes()


def test_tableau_slurm_demande_les_fils_des_points(gain_exe, dossier_exemple, tmp_path):
    base = dossier_exemple()
    options = ("--cle", "puits.largeur", "--valeurs", "60,70", "--slurm")
    for nb_fils, demandes, cpus in (("0", (), 1), ("0", ("--cpus-par-tache", "4"), 4), ("3", (), 3)):
        config = (base / "config.ini").read_text()
        (base / "config.ini").write_text(config.replace(config[config.index("nb_fils="):].split("\n")[0],
                                                        f"nb_fils={nb_fils}"))
        dossier = tmp_path / f"s{nb_fils}{len(demandes)}"
        fini = balayer(gain_exe, base, dossier, *options, *demandes)
        assert fini.returncode == 0, fini.stderr
        script = (dossier / balayage_slurm.FICHIER_SCRIPT).read_text()
        assert f"#SBATCH --cpus-per-task={cpus}\n" in script and f"export OMP_NUM_THREADS={cpus}\n" in script
    fini = balayer(gain_exe, base, tmp_path / "c", *options, "--cpus-par-tache", "2")
    assert fini.returncode == 1 and "nb_fils = 3" in fini.stderr


def test_gain_relatif_pris_du_dossier_de_l_appel(gain_exe, dossier_exemple, tmp_path):
    base = dossier_exemple()
    (tmp_path / "bin").mkdir()
    (tmp_path / "bin" / "gain").symlink_to(gain_exe)
    commande = [BALAYAGE, "--base", str(base), "--cle", "puits.largeur", "--valeurs", "60", "--sans-figure"]
    for dossier, gain, env in (("r1", ["--gain", "bin/gain"], None),
                               ("r2", [], dict(os.environ, GAIN_EXE="bin/gain"))):
        fini = subprocess.run([*commande, "--dossier", dossier, *gain], cwd=tmp_path, env=env, capture_output=True,
                              text=True, timeout=300, check=False)
        assert fini.returncode == 0, fini.stdout + fini.stderr
        assert table(tmp_path / dossier)[1][0]["etat"] == "fini"
    fini = subprocess.run([*commande, "--dossier", "r3", "--gain", "autre/gain"], cwd=tmp_path, capture_output=True,
                          text=True, timeout=300, check=False)
    assert fini.returncode == 1 and f"programme gain introuvable : {tmp_path / 'autre' / 'gain'}" in fini.stderr


def _processus_dans(dossier):
    """Processes whose current folder lies in `dossier`."""
    trouves = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink(f"/proc/{pid}/cwd").startswith(str(dossier)):
                trouves.append(pid)
        except OSError:
            pass
    return trouves


@pytest.mark.parametrize("signe, statut", [(signal.SIGINT, 130), (signal.SIGTERM, 143)])
def test_signal_arrete_le_balayage_et_la_reprise_finit(gain_exe, dossier_exemple, tmp_path, signe, statut):
    # Every point but the 60 A one hangs while the marker exists.
    marque = tmp_path / "bloquer"
    marque.touch()
    faux = tmp_path / "gain_lent"
    faux.write_text(f"#!/bin/bash\n{LECTURE_INTACTE.format(gain=gain_exe)}if [ -e {marque} ] && ! grep -q '^largeur=60$' config.ini; then sleep 60; fi\n"
                    f"exec {gain_exe} \"$@\"\n")
    faux.chmod(0o755)
    base, dossier = dossier_exemple(), tmp_path / "s"
    options = ("--cle", "puits.largeur", "--valeurs", "60,65,70,75", "--sans-figure")
    balayage = subprocess.Popen([BALAYAGE, "--base", str(base), "--dossier", str(dossier), "--gain", str(faux),
                                 "--travaux", "2", *options], start_new_session=True, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
    try:
        limite = time.monotonic() + 120
        while not ((dossier / "p001" / bg.FICHIER_STATUT).exists() and (dossier / "p003" / "console.txt").exists()):
            assert time.monotonic() < limite and balayage.poll() is None
            time.sleep(0.05)
        time.sleep(0.3)
        debut = time.monotonic()
        os.killpg(balayage.pid, signe)
        sortie, erreurs = balayage.communicate(timeout=30)
        duree = time.monotonic() - debut
    finally:
        if balayage.poll() is None:
            os.killpg(balayage.pid, signal.SIGKILL)
    print(f"arrêt en {duree:.2f} s")
    assert duree < 2.0 and balayage.returncode == statut, sortie + erreurs
    assert "interrompu" in erreurs and "1/4 points finis" in erreurs
    assert [l["etat"] for l in table(dossier)[1]] == ["fini", "non_fini", "non_fini", "non_fini"]
    assert not (dossier / "p004" / "console.txt").exists()  # the queued point never started
    assert _processus_dans(dossier) == []
    marque.unlink()
    fini = balayer(faux, base, dossier, *options)
    assert fini.returncode == 0 and "non relancés : 1" in fini.stdout, fini.stdout + fini.stderr
    assert [l["etat"] for l in table(dossier)[1]] == ["fini"] * 4


@pytest.mark.parametrize("reglage, morceau", [
    # Every point would write the one file: the table showed one Jth for every width.
    (("sortie", "fichier_param", "/tmp/parametres_communs.txt"), "fichier_param [sortie] = « /tmp/parametres_communs.txt » "
                                                                 "n'est pas un simple nom de fichier"),
    (("sortie", "fichier_gain", "../../gain.txt"), "écrivez par exemple fichier_gain=gain.txt"),
    (("sortie", "fichier_dispersion", "../dispersion.txt"), "fichier_dispersion [sortie] = « ../dispersion.txt »"),
])
def test_sorties_de_la_base_hors_des_points_refusees(gain_exe, dossier_exemple, tmp_path, reglage, morceau):
    base = dossier_exemple()
    config = base / "config.ini"
    config.write_bytes(vg.regler_cle(config.read_bytes(), *reglage)[0])
    fini = balayer(gain_exe, base, tmp_path / "b", "--cle", "puits.largeur", "--valeurs", "50,60", "--sans-figure")
    assert fini.returncode == 1 and morceau in fini.stderr, fini.stderr
    assert "Traceback" not in fini.stderr and not (tmp_path / "b").exists()


def test_cle_de_sortie_et_options_slurm_a_controle_refusees(gain_exe, dossier_exemple, tmp_path):
    base = dossier_exemple()
    fini = balayer(gain_exe, base, tmp_path / "b", "--cle", "sortie.fichier_gain", "--valeurs", "../../x,y")
    assert fini.returncode == 1 and "les clés de [sortie] ne se balaient pas" in fini.stderr
    options = ("--cle", "puits.largeur", "--valeurs", "50,60", "--slurm")
    for option in (("--temps", "00:10:00\nrm -rf $HOME/x"), ("--memoire", "2G\r"), ("--option-sbatch", "-p a\nid"),
                   ("--option-sbatch", "--comment=\x1b[2J")):
        fini = balayer(gain_exe, base, tmp_path / "b", *options, "=".join(option))
        assert fini.returncode == 1 and f"{option[0]} « " in fini.stderr and "caractère de contrôle" in fini.stderr
        assert not (tmp_path / "b").exists()
    fini = balayer(gain_exe, base, tmp_path / "b\nrm -rf x", *options)
    assert fini.returncode == 1 and "--dossier « " in fini.stderr
    # Blanks and quotes are quoted, one shell word each.
    fini = balayer(gain_exe, base, tmp_path / "b", *options, "--temps", "1:00:00; id",
                   "--option-sbatch=--comment=un 'deux'")
    assert fini.returncode == 0, fini.stderr
    script = (tmp_path / "b" / balayage_slurm.FICHIER_SCRIPT).read_text()
    assert "#SBATCH --time='1:00:00; id'\n" in script and "#SBATCH '--comment=un '\"'\"'deux'\"'\"''\n" in script


def _processus_gain_dans(dossier):
    """The live gain processes whose current folder lies in `dossier`."""
    def est_gain(pid):
        try:
            return os.path.basename(os.readlink(f"/proc/{pid}/exe")) == "gain"
        except OSError:  # ended meanwhile
            return False
    return [pid for pid in _processus_dans(dossier) if est_gain(pid)]


def _dossier_du_point(dossier, pid):
    """The point folder (p001, ...) a process runs in, or None once it has ended."""
    try:
        return os.path.relpath(os.readlink(f"/proc/{pid}/cwd"), dossier).split(os.sep)[0]
    except OSError:
        return None


def test_sigkill_du_balayage_ne_laisse_aucun_gain(gain_exe, dossier_exemple, tmp_path):
    """Killed outright, the sweep takes its running gains with it (no orphan
    keeps writing), and the sweep started again runs beside none."""
    base, dossier = dossier_exemple(), tmp_path / "k"
    options = ("--base", str(base), "--dossier", str(dossier), "--gain", str(gain_exe), "--travaux", "2",
               "--cle", "puits.largeur", "--valeurs", "60,70,80", "--sans-figure", "--arguments", "courant 20000 1.5e14")
    balayage = subprocess.Popen([BALAYAGE, *options], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        limite = time.monotonic() + 120
        while len(_processus_gain_dans(dossier)) < 2:
            assert time.monotonic() < limite and balayage.poll() is None
            time.sleep(0.05)
        # Meanwhile a second sweep of the same folder is refused, and runs nothing.
        second = subprocess.run([BALAYAGE, *options], capture_output=True, text=True, timeout=120, check=False)
        assert second.returncode == 1 and "un autre balayage y tourne encore" in second.stderr, second.stderr
        tues = {_dossier_du_point(dossier, pid) for pid in _processus_gain_dans(dossier)}
        assert len(tues) == 2, tues
        balayage.kill()
        balayage.wait(timeout=30)
        limite = time.monotonic() + 5
        while _processus_gain_dans(dossier) and time.monotonic() < limite:
            time.sleep(0.05)
        assert _processus_gain_dans(dossier) == []
    finally:
        if balayage.poll() is None:
            balayage.kill()
        for pid in _processus_gain_dans(dossier):
            os.kill(int(pid), signal.SIGKILL)
    # A point killed with the sweep is not marked done (one that ended before may be).
    assert not any((dossier / p / bg.FICHIER_STATUT).exists() for p in tues if p)
